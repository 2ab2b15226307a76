// The program's menus and accelerators: 144 is the main window's own (no
// document open), 131 the documents' frames'. Both end their View menu with
// the Preferences submenu and a placeholder the view records replace, and
// each submenu that the plug-in records fill ends in a placeholder of its own.
#include "app/mainbars.h"
#include "app/mainframe.h"

#include "platform/core/resources.h"
#include "platform/ui/commands.h"
#include "platform/ui/keys.h"
#include "platform/ui/uiresources.h"

namespace {

constexpr UINT IDR_OPUSTYPE = 131;

// Commands of the menus beyond the class library's.
enum : UINT {
    ID_MIDI_RESET = 33200,
    ID_SYSEX = 33201,
    ID_MODE_SELECT = 33210,
    ID_MODE_EDIT = 33211,
    ID_MODE_ERASE = 33212,
    ID_TOOLBAR_FILE = 33216,
    ID_TOOLBAR_EDIT = 33217,
    ID_TOOLBAR_PERFORM = 33218,
    ID_TOOLBAR_TIME = 33219,
    ID_VIEW_PALETTE = 33280,
    ID_VIEW_MIXER = 33281,
    ID_VIEW_INSPECTOR = 33282,
    ID_WEB_HOME = 33300,
    ID_WEB_NEWS = 33302,
    ID_WEB_SUPPORT = 33303,
    ID_WEB_FREE = 33304,
    ID_TIP_OF_DAY = 33310,
    ID_EDIT_DELETE = 39110,
    ID_PROPERTIES = 39111,
    ID_NOTES_TIE = 41991,
    ID_NOTES_SLUR = 41992,
    ID_STEMS_UP = 41993,
    ID_STEMS_DOWN = 41994,
    ID_ACCIDENTALS_ENHARMONIC = 41998,
    ID_TIES_CONSOLIDATE = 41999,
    ID_BEAM_BREAK_PRIMARY = 42000,
    ID_EDIT_COPY = 0xE122,
    ID_EDIT_CUT = 0xE123,
    ID_EDIT_PASTE = 0xE125,
    ID_EDIT_PASTE_SPECIAL = 0xE127,
    ID_OLE_INSERT_NEW = 0xE200,
    ID_EDIT_SELECT_ALL = 0xE12A,
    ID_ADD_STAFF = 39132,
    ID_REMOVE_STAFF = 39133,
    ID_CHANGE_STAFF = 39134,
    ID_ADD_MEASURES = 39135,
    ID_REMOVE_MEASURES = 39136,
    ID_GOTO = 39140,
    ID_WINDOW_CLOSE = 39150,
    ID_WINDOW_CLOSE_ALL = 39151,
    ID_APP_ABOUT = 0xE140,
    ID_HELP_FINDER = 0xE143,
    ID_HELP_USING = 0xE144,
    ID_FILE_MRU_FILE1 = 0xE110,
    ID_VIEW_PLACEHOLDER = 12272,     // replaced by the view records' items
    ID_PREFS_PLACEHOLDER = 11744,    // replaced by the preference categories
};

// The View menu, shared by both menus.
MenuTemplateItem ViewMenu() {
    return {MF_POPUP, 0, "&View", {
        {MF_POPUP, 0, "&Toolbars", {
            {MF_STRING, ID_TOOLBAR_FILE, "&File"},
            {MF_STRING, ID_TOOLBAR_EDIT, "&Edit"},
            {MF_STRING, ID_TOOLBAR_PERFORM, "&Performance"},
            {MF_STRING, ID_TOOLBAR_TIME, "&Time"},
        }},
        {MF_SEPARATOR},
        {MF_STRING, ID_VIEW_PALETTE, "Music &Palette\tAlt+1"},
        {MF_STRING, ID_VIEW_MIXER, "&Mixer\tAlt+2"},
        {MF_STRING, ID_VIEW_INSPECTOR, "&Inspector\tAlt+3"},
        {MF_SEPARATOR},
        {MF_STRING, ID_MODE_SELECT, "&Select Mode\tCtrl+1"},
        {MF_STRING, ID_MODE_EDIT, "&Edit Mode\tCtrl+2"},
        {MF_STRING, ID_MODE_ERASE, "E&rase Mode\tCtrl+3"},
        {MF_SEPARATOR},
        {MF_STRING, ID_PROPERTIES, "Pr&operties\tAlt+Enter"},
        {MF_POPUP, 0, "&Preferences", {
            {MF_STRING, ID_PREFS_PLACEHOLDER, "(Preferences)"},
        }},
        {MF_SEPARATOR},
        {MF_STRING, ID_VIEW_PLACEHOLDER, "(Views)"},
    }};
}

MenuTemplateItem HelpMenu() {
    return {MF_POPUP, 0, "&Help", {
        {MF_STRING, ID_HELP_FINDER, "&Help Topics"},
        {MF_STRING, ID_TIP_OF_DAY, "&Tip of the Day..."},
        {MF_SEPARATOR},
        {MF_POPUP, 0, "&Norvane on the Web", {
            {MF_STRING, ID_WEB_HOME, "&Home Page"},
            {MF_STRING, ID_WEB_NEWS, "&News"},
            {MF_STRING, ID_WEB_SUPPORT, "&Technical Support"},
            {MF_STRING, ID_WEB_FREE, "&Free Stuff"},
        }},
        {MF_SEPARATOR},
        {MF_STRING, ID_APP_ABOUT, "&About Staffwright..."},
    }};
}

const MenuTemplate kMainMenu = {{
    {MF_POPUP, 0, "&File", {
        {MF_STRING, ID_FILE_NEW, "&New...\tCtrl+N"},
        {MF_STRING, ID_FILE_OPEN, "&Open...\tCtrl+O"},
        {MF_SEPARATOR},
        {MF_STRING, ID_FILE_PRINT_SETUP, "P&rint Setup..."},
        {MF_SEPARATOR},
        {MF_STRING, ID_FILE_MRU_FILE1, "Recent File"},
        {MF_SEPARATOR},
        {MF_STRING, ID_APP_EXIT, "E&xit"},
    }},
    ViewMenu(),
    HelpMenu(),
}};

const MenuTemplate kDocumentMenu = {{
    {MF_POPUP, 0, "&File", {
        {MF_STRING, ID_FILE_NEW, "&New...\tCtrl+N"},
        {MF_STRING, ID_FILE_OPEN, "&Open...\tCtrl+O"},
        {MF_STRING, ID_FILE_CLOSE, "&Close"},
        {MF_STRING, ID_FILE_SAVE, "&Save\tCtrl+S"},
        {MF_STRING, ID_FILE_SAVE_AS, "Save &As..."},
        {MF_SEPARATOR},
        {MF_STRING, ID_FILE_PRINT, "&Print...\tCtrl+P"},
        {MF_STRING, ID_FILE_PRINT_PREVIEW, "Print Pre&view"},
        {MF_STRING, ID_FILE_PRINT_SETUP, "P&rint Setup..."},
        {MF_SEPARATOR},
        {MF_STRING, ID_FILE_MRU_FILE1, "Recent File"},
        {MF_SEPARATOR},
        {MF_STRING, ID_APP_EXIT, "E&xit"},
    }},
    // The notation view is the Edit menu's target. Del, Ctrl+A and the
    // clipboard's Ctrl+X, C and V are the view's own keys, not accelerators:
    // an edit with the focus (the lyric box) keeps them. Every letter here
    // is one command's only.
    {MF_POPUP, 0, "&Edit", {
        {MF_STRING, ID_EDIT_CUT, "Cu&t\tCtrl+X"},
        {MF_STRING, ID_EDIT_COPY, "&Copy\tCtrl+C"},
        {MF_STRING, ID_EDIT_PASTE, "&Paste\tCtrl+V"},
        {MF_STRING, ID_EDIT_PASTE_SPECIAL, "Paste &Special..."},
        {MF_STRING, ID_EDIT_DELETE, "&Delete\tDel"},
        {MF_STRING, ID_EDIT_SELECT_ALL, "Select &All\tCtrl+A"},
        {MF_SEPARATOR},
        {MF_STRING, ID_OLE_INSERT_NEW, "Insert &Object..."},
        {MF_SEPARATOR},
        {MF_STRING, ID_NOTES_TIE, "T&ie Notes"},
        {MF_STRING, ID_NOTES_SLUR, "S&lur Notes"},
        {MF_SEPARATOR},
        {MF_STRING, ID_STEMS_UP, "Stems &Up"},
        {MF_STRING, ID_STEMS_DOWN, "Stems Do&wn"},
        {MF_SEPARATOR},
        {MF_STRING, ID_ACCIDENTALS_ENHARMONIC, "&Enharmonic Equivalent"},
        {MF_STRING, ID_TIES_CONSOLIDATE, "Co&nsolidate Ties"},
        {MF_STRING, ID_BEAM_BREAK_PRIMARY, "Break P&rimary Beam"},
    }},
    ViewMenu(),
    {MF_POPUP, 0, "&Music", {
        {MF_STRING, ID_ADD_STAFF, "Add &Staff..."},
        {MF_STRING, ID_REMOVE_STAFF, "Remove S&taff..."},
        {MF_STRING, ID_CHANGE_STAFF, "&Change Staff..."},
        {MF_SEPARATOR},
        {MF_STRING, ID_ADD_MEASURES, "Add &Measures..."},
        {MF_STRING, ID_REMOVE_MEASURES, "&Remove Measures..."},
        {MF_SEPARATOR},
        {MF_STRING, ID_GOTO, "&Goto...\tCtrl+G"},
    }},
    {MF_POPUP, 0, "&Perform", {
        {MF_STRING, ID_TRANSPORT_PLAY, "&Play"},
        {MF_STRING, ID_TRANSPORT_STOP, "&Stop"},
        {MF_STRING, ID_TRANSPORT_PAUSE, "P&ause"},
        {MF_STRING, ID_TRANSPORT_RECORD, "&Record"},
        {MF_STRING, ID_TRANSPORT_STEP, "S&tep Record"},
        {MF_SEPARATOR},
        {MF_STRING, ID_TRANSPORT_PREVIOUS, "Pre&vious"},
        {MF_STRING, ID_TRANSPORT_NEXT, "&Next"},
        {MF_STRING, ID_TRANSPORT_REWIND, "Re&wind"},
        {MF_STRING, ID_TRANSPORT_FORWARD, "&Fast Forward"},
        {MF_SEPARATOR},
        {MF_STRING, ID_SYSEX, "SysE&x...\tCtrl+Shift+X"},
        {MF_STRING, ID_MIDI_RESET, "Midi &Reset\tCtrl+F1"},
    }},
    {MF_POPUP, 0, "&Window", {
        {MF_STRING, ID_WINDOW_CASCADE, "&Cascade"},
        {MF_STRING, ID_WINDOW_TILE_HORZ, "&Tile"},
        {MF_STRING, ID_WINDOW_ARRANGE, "&Arrange Icons"},
        {MF_SEPARATOR},
        {MF_STRING, ID_WINDOW_CLOSE, "C&lose"},
        {MF_STRING, ID_WINDOW_CLOSE_ALL, "Close A&ll"},
    }},
    HelpMenu(),
}};

MENU_RESOURCE(IDR_MAINFRAME, kMainMenu);
MENU_RESOURCE(IDR_OPUSTYPE, kDocumentMenu);

// The same keys in both frames: the modes, the tool windows, the dialogs and
// the reset. The zoom keys belong to the views.
const AcceleratorTable kKeys = {{
    {FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW},
    {FVIRTKEY | FCONTROL, 'O', ID_FILE_OPEN},
    {FVIRTKEY | FCONTROL, 'S', ID_FILE_SAVE},
    {FVIRTKEY | FCONTROL, 'P', ID_FILE_PRINT},
    {FVIRTKEY | FCONTROL, '1', ID_MODE_SELECT},
    {FVIRTKEY | FCONTROL, '2', ID_MODE_EDIT},
    {FVIRTKEY | FCONTROL, '3', ID_MODE_ERASE},
    {FVIRTKEY | FALT, '1', ID_VIEW_PALETTE},
    {FVIRTKEY | FALT, '2', ID_VIEW_MIXER},
    {FVIRTKEY | FALT, '3', ID_VIEW_INSPECTOR},
    {FVIRTKEY | FCONTROL, 'G', ID_GOTO},
    {FVIRTKEY | FCONTROL | FSHIFT, 'X', ID_SYSEX},
    {FVIRTKEY | FCONTROL, VK_F1, ID_MIDI_RESET},
    {FVIRTKEY | FALT, VK_RETURN, ID_PROPERTIES},
}};
ACCELERATOR_RESOURCE(IDR_MAINFRAME, kKeys);
ACCELERATOR_RESOURCE(IDR_OPUSTYPE, kKeys);

STRING_TABLE({151, "A file is missing which contains required URL addresses.  Please contact Norvane technical "
                   "support to replace this file."});

}  // namespace
