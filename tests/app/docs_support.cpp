// The resources and classes behind docs_support.h: one definition for the
// test program.
#include "tests/app/docs_support.h"

#include "platform/ui/accel.h"

IMPLEMENT_DYNCREATE(DocsTestScoreView, CView)

namespace {

using namespace docs_support;

const MenuTemplate kMainMenu = {{
    {MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}, {MF_STRING, ID_FILE_OPEN, "&Open..."}}},
}};
MENU_RESOURCE(IDR_DOCS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{
    {MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}, {MF_STRING, ID_FILE_SAVE, "&Save"}}},
}};
MENU_RESOURCE(IDR_DOCS_DOC, kDocMenu);
const AcceleratorTable kDocKeys = {{{FVIRTKEY | FCONTROL, 'S', ID_FILE_SAVE}}};
ACCELERATOR_RESOURCE(IDR_DOCS_DOC, kDocKeys);
ACCELERATOR_RESOURCE(IDR_DOCS_MAIN, kDocKeys);
STRING_TABLE({IDR_DOCS_MAIN, "Docs"}, {IDR_DOCS_DOC, "Piece"}, {IDS_DOCS_SCORE, "Score"});

}  // namespace
