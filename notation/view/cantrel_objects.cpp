// The notation view's embedded objects: a frame made from offered data (a
// paste or a drop of something that is not music), Paste Special and Insert
// Object.
//
// A new object is an item and a frame joined; the item takes a number no
// other item of the document uses (it names the item's storage when the
// document is saved) and its object, and the frame goes in through the
// tools as a drop does. When anything fails the item and the frame go and
// the user is told (string 13314); nothing is left in the score.
#include "notation/view/cantrel.h"

#include "interface/document/embedding.h"
#include "interface/document/itemstorage.h"
#include "interface/document/oledata.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/eventtypes.h"
#include "model/frame.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/view/scoreitem.h"
#include "notation/view/objectdlgs.h"
#include "notation/view/viewids.h"
#include "platform/core/resources.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/cursor.h"
#include "platform/ui/paint.h"
#include "platform/ui/prompt.h"

#include <functional>
#include <new>

STRING_TABLE({IDS_OBJECT_CREATE_FAILED,
              "Failed to create object.  Make sure the object is entered in the system registry."});

namespace {

// Makes the new item's object; 1 when it did.
using CreateObject = std::function<int(CScoreCntrItem& item)>;

// A new item and frame, the object made by `create`, the frame placed
// through the tools; on failure nothing is left and the user is told.
int InsertNewObject(CCantrel& view, const CreateObject& create, DWORD flags) {
    ECPerformance* performance = view.GetBaseEvent();
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, view.GetDocument());
    if (!performance)
        return 0;
    int inserted = 0;
    ECFrame* frame = nullptr;
    try {
        frame = new ECFrame(0);
        frame->Ref();   // ours until the tree holds it
        auto* item = new CScoreCntrItem;
        frame->SetClientItem(item);   // the frame owns the item from here
        item->SetItemNumber(document ? document->GetNewItemNumber() : NewItemNumber(performance, nullptr));
        if (create(*item) && view.InsertEvent(frame, flags)) {
            CCantrelItem::OnChange(frame->GetClientItem(), CCantrelItem::OLE_CHANGED, 0);
            inserted = 1;
        }
    } catch (const std::bad_alloc&) {
        inserted = 0;
    }
    if (frame)
        frame->Unref(1);   // deletes frame and item unless the tree took them
    if (!inserted)
        ShowPrompt(IDS_OBJECT_CREATE_FAILED, MB_OK | MB_ICONEXCLAMATION);
    return inserted;
}

}  // namespace

int CCantrel::InsertEventFromData(COleDataIn* reader, DWORD flags) {
    if (!m_pBaseEvent)
        return 0;
    COleDataObject clipboard;
    COleDataObject* data = reader ? &reader->GetDataObject() : nullptr;
    if (!data && clipboard.AttachClipboard())
        data = &clipboard;
    const int link = (flags & 2) ? 1 : 0;
    return InsertNewObject(
        *this, [&](CScoreCntrItem& item) { return data && CreateItemFromData(item, *data, link); }, flags);
}

void CCantrel::OnEditPasteSpecial() {
    if (!m_pBaseEvent)
        return;
    COleDataObject clipboard;
    if (!clipboard.AttachClipboard())
        return;
    std::vector<EmbeddableSource> sources = ListEmbeddableSources(clipboard);
    CPasteSpecialDlg dialog(sources, this);
    if (dialog.DoModal() != IDOK)
        return;
    const int choice = dialog.GetChoice();
    if (choice < 0 || choice >= static_cast<int>(sources.size()))
        return;
    CWaitCursor wait;
    DoCut(4, nullptr);
    const EmbeddableSource& source = sources[static_cast<size_t>(choice)];
    const int link = dialog.IsLink();
    InsertNewObject(
        *this, [&](CScoreCntrItem& item) { return CreateItemFromSource(item, clipboard, source, link); }, 0);
}

void CCantrel::OnUpdateEditPasteSpecial(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CanPaste(nullptr, OLEDATA_OLEOBJECT));
}

void CCantrel::OnInsertObject() {
    if (!m_pBaseEvent)
        return;
    CInsertObjectDlg dialog(this);
    if (dialog.DoModal() != IDOK)
        return;
    CWaitCursor wait;
    DoCut(4, nullptr);
    const std::string path = dialog.GetPathName();
    const int link = dialog.IsLink();
    InsertNewObject(*this, [&](CScoreCntrItem& item) { return CreateItemFromFile(item, path, link); }, 0);
}

void CCantrel::OnUpdateInsertObject(CCmdUI* pCmdUI) {
    pCmdUI->Enable(GetDocument() && SCMode::GetMode() == STATE_MODE_SELECT);
}
