// The File, Music Edit and Transport bars: their templates, their faces and
// the states they show.
#include "app/mainbars.h"

#include "interface/document/opusdoc.h"
#include "interface/document/resourcemodule.h"
#include "model/appstates.h"
#include "platform/core/resources.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/frame.h"

#include <QWidget>

namespace {

// Key colours of the faces: the face colour is replaced by the button face;
// the File bar's faces also carry a highlight and a shadow key.
constexpr COLORREF kFaceKey = 0xFF00FF;
constexpr COLORREF kFileHighlightKey = 0x00FF00;
constexpr COLORREF kFileShadowKey = 0x0000FF;
constexpr COLORREF kNoKey = static_cast<COLORREF>(-1);

// The File bar's controls before they are given their command ids.
enum : UINT { IDC_FILE_NEW = 657, IDC_FILE_OPEN, IDC_FILE_SAVE, IDC_FILE_PRINT };
constexpr UINT kFileCommands[4] = {57600, 57601, 57603, 57607};

// The controls' texts are the face names' prefixes ("New0", "New1" ...).
DialogItem FaceButton(UINT id, const char* prefix) {
    return {static_cast<int>(id), DialogControlKind::Push, prefix, {0, 0, 12, 12}, BS_OWNERDRAW};
}

const DialogTemplate kFileBar = {"File",
                                 {FaceButton(IDC_FILE_NEW, "New"), FaceButton(IDC_FILE_OPEN, "Open"),
                                  FaceButton(IDC_FILE_SAVE, "Save"), FaceButton(IDC_FILE_PRINT, "Print")},
                                 {60, 14}, {}, WS_CHILD};
const DialogTemplate kMusicEditBar = {
    "Music Edit",
    {FaceButton(ID_MODE_SELECT_BUTTON, "Select"), FaceButton(ID_MODE_EDIT_BUTTON, "Insert"),
     FaceButton(ID_MODE_ERASE_BUTTON, "Erase"), FaceButton(ID_TOOL_PALETTE_BUTTON, "Palette"),
     FaceButton(ID_TOOL_MIXER_BUTTON, "Mixer"), FaceButton(ID_TOOL_INSPECTOR_BUTTON, "Properties")},
    {90, 14}, {}, WS_CHILD};
const DialogTemplate kTransportBar = {
    "Transport Controls",
    {FaceButton(ID_TRANSPORT_STEP, "Step"), FaceButton(ID_TRANSPORT_RECORD, "Record"),
     FaceButton(ID_TRANSPORT_PAUSE, "Pause"), FaceButton(ID_TRANSPORT_STOP, "Stop"),
     FaceButton(ID_TRANSPORT_PLAY, "Play"), FaceButton(ID_TRANSPORT_PREVIOUS, "Previous"),
     FaceButton(ID_TRANSPORT_NEXT, "Next"), FaceButton(ID_TRANSPORT_REWIND, "Rewind"),
     FaceButton(ID_TRANSPORT_FORWARD, "Forward")},
    {110, 14}, {}, WS_CHILD};
DIALOG_RESOURCE(IDD_FILEBAR, kFileBar);
DIALOG_RESOURCE(IDD_MUSICEDITBAR, kMusicEditBar);
DIALOG_RESOURCE(IDD_TRANSPORTBAR, kTransportBar);
STRING_TABLE({IDD_FILEBAR, "File"}, {IDD_MUSICEDITBAR, "Music Edit"}, {IDD_TRANSPORTBAR, "Transport Controls"});

// The faces come from the library the frame chose; a library that does not
// load leaves the lookups where they were, so the buttons stay without faces.
class FaceLibrary {
public:
    FaceLibrary() : m_switched(SetResourceModule(LoadResourceModulePreference("Resources", "Buttons", "Buttons1.DLL")) != nullptr) {}
    ~FaceLibrary() {
        if (m_switched)
            ResetResourceModule();
    }
    FaceLibrary(const FaceLibrary&) = delete;
    FaceLibrary& operator=(const FaceLibrary&) = delete;

private:
    bool m_switched;
};

// Loads `button` over control `id` of `bar`. The bar made an object for each
// control of its template; the button takes the control's place, lets it go
// and subclasses it again through AutoLoad, as it would a dialog's control.
void LoadFace(MCDialogBar& bar, UINT id, MCButton2& button, COLORREF highlight, COLORREF shadow) {
    if (bar.TakeOverDlgItem(static_cast<int>(id), button))
        button.UnsubclassWindow();
    button.AutoLoad(id, &bar, kFaceKey, highlight, shadow);
}

// Places `button` at the running x of a row at y 5; x grows by its width.
void PlaceInRow(MCButton2& button, int& x, int& height, bool advance = true) {
    CRect rect;
    button.GetClientRect(&rect);
    button.MoveWindow(x, 5, rect.Width(), rect.Height());
    height = rect.Height();
    if (advance)
        x += rect.Width();
}

// The bar takes the row's size and shows its buttons.
void FinishRow(MCDialogBar& bar, CSize& size, int x, int height) {
    size = CSize(x + 7, height + 10);
    bar.MoveWindow(0, 0, size.cx, size.cy);
    bar.ShowChildren(SW_SHOWNOACTIVATE);
}

}  // namespace

long GetActiveTransportState(CObject*& state) {
    if (MCOpusDoc* doc = MCOpusDoc::GetActiveDoc()) {
        SCPerform& perform = doc->GetPerformState();
        state = &perform;
        return static_cast<long>(perform.GetCode());
    }
    state = nullptr;
    return STATE_PERFORM_STOP;
}

// ---- CFileBar -------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CFileBar, MCDialogBar)

CFileBar::CFileBar() = default;

int CFileBar::CreateBar(CFrameWnd* frame) { return Create(frame, IDD_FILEBAR); }

void CFileBar::InitBar() {
    int x = 5, height = 0;
    {
        FaceLibrary faces;
        for (int i = 0; i < 4; ++i) {
            MCButton2& button = m_buttons[i];
            LoadFace(*this, IDC_FILE_NEW + i, button, kFileHighlightKey, kFileShadowKey);
            button.SetDlgCtrlID(static_cast<int>(kFileCommands[i]));
            button.SetDisabledState(2);
            PlaceInRow(button, x, height);
        }
    }
    FinishRow(*this, m_sizeDefault, x, height);
}

// ---- CMusicEditBar --------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CMusicEditBar, MCDialogBar)

CMusicEditBar::CMusicEditBar() = default;

int CMusicEditBar::CreateBar(CFrameWnd* frame) { return Create(frame, IDD_MUSICEDITBAR); }

void CMusicEditBar::InitBar() {
    int x = 5, height = 0;
    {
        FaceLibrary faces;
        for (int i = 0; i < 3; ++i) {
            MCButton2& button = m_modes[i];
            LoadFace(*this, ID_MODE_SELECT_BUTTON + i, button, kNoKey, kNoKey);
            button.SetButtonStyle(MCButton2::STYLE_TOGGLE);
            button.SetButtonMode(4);
            button.SetDisabledState(2);
            PlaceInRow(button, x, height);
        }
        x += 10;   // the tool group stands apart from the modes
        for (int i = 0; i < 3; ++i) {
            MCButton2& button = m_tools[i];
            LoadFace(*this, ID_TOOL_PALETTE_BUTTON + i, button, kNoKey, kNoKey);
            button.SetButtonStyle(MCButton2::STYLE_TOGGLE);
            button.SetDisabledState(2);
            PlaceInRow(button, x, height);
        }
    }
    FinishRow(*this, m_sizeDefault, x, height);
}

int CMusicEditBar::GetToolButtonState(int index) {
    if (index < 0 || index > 2)
        return 0;
    return m_tools[index].GetButtonState();
}

int CMusicEditBar::SetToolButtonState(int index, int state) {
    if (index < 0 || index > 2)
        return 0;
    return m_tools[index].SetButtonState(state);
}

void CMusicEditBar::OnUpdate(long code, CObject*) {
    switch (code) {
    case STATE_FILE_NEW:
    case STATE_FILE_OPENED:
    case STATE_SELECTION_ACTIVATE:
        OnUpdate(SCMode::s_nMode, nullptr);
        break;
    case STATE_MODE_SELECT:
    case STATE_MODE_INSERT:
    case STATE_MODE_ERASE:
        m_modes[0].SetButtonState(code == STATE_MODE_SELECT);
        m_modes[1].SetButtonState(code == STATE_MODE_INSERT);
        m_modes[2].SetButtonState(code == STATE_MODE_ERASE);
        m_nMode = static_cast<int>(code);
        break;
    default:
        break;
    }
}

// ---- CTransportBar --------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CTransportBar, MCDialogBar)

CTransportBar::CTransportBar() = default;

int CTransportBar::CreateBar(CFrameWnd* frame) { return Create(frame, IDD_TRANSPORTBAR); }

void CTransportBar::InitBar() {
    int x = 5, height = 0;
    {
        FaceLibrary faces;
        for (UINT id = ID_TRANSPORT_STEP; id <= ID_TRANSPORT_FORWARD; ++id) {
            MCButton2& button = GetButton(id);
            LoadFace(*this, id, button, kNoKey, kNoKey);
            button.SetDisabledState(2);
            // Rewind and Forward take the places of Previous and Next.
            PlaceInRow(button, x, height, id != ID_TRANSPORT_REWIND && id != ID_TRANSPORT_FORWARD);
        }
        for (UINT id : {ID_TRANSPORT_STEP, ID_TRANSPORT_RECORD, ID_TRANSPORT_PAUSE, ID_TRANSPORT_PLAY,
                        ID_TRANSPORT_FORWARD})
            GetButton(id).SetButtonStyle(MCButton2::STYLE_TOGGLE);
        const struct { UINT moved, onto; } pairs[] = {{ID_TRANSPORT_REWIND, ID_TRANSPORT_PREVIOUS},
                                                     {ID_TRANSPORT_FORWARD, ID_TRANSPORT_NEXT}};
        for (const auto& pair : pairs) {
            const QRect place = GetButton(pair.onto).GetWidget() ? GetButton(pair.onto).GetWidget()->geometry() : QRect();
            GetButton(pair.moved).MoveWindow(place.x(), place.y(), place.width(), place.height());
        }
    }
    FinishRow(*this, m_sizeDefault, x, height);
    GetButton(ID_TRANSPORT_REWIND).ShowWindow(SW_HIDE);
    GetButton(ID_TRANSPORT_FORWARD).ShowWindow(SW_HIDE);
}

void CTransportBar::OnUpdate(long code, CObject*) {
    switch (code) {
    case STATE_FILE_NEW:
    case STATE_FILE_OPENED:
    case STATE_SELECTION_ACTIVATE:
    {
        CObject* last = nullptr;
        const long lastCode = GetActiveTransportState(last);
        OnUpdate(lastCode, last);
        break;
    }
    case STATE_PERFORM_STOP:
        SetPlayLayout(0);
        m_bPaused = false;
        GetButton(ID_TRANSPORT_PAUSE).SetButtonState(0);
        GetButton(ID_TRANSPORT_STEP).SetButtonState(0);
        GetButton(ID_TRANSPORT_RECORD).SetButtonState(0);
        GetButton(ID_TRANSPORT_PLAY).SetButtonState(0);
        break;
    case STATE_PERFORM_PAUSE:
        m_bPaused = !m_bPaused;
        GetButton(ID_TRANSPORT_PAUSE).SetButtonState(m_bPaused);
        SetPlayLayout(m_bPaused ? 0 : 1);
        break;
    case STATE_PERFORM_PLAY:
        SetPlayLayout(1);
        m_bPaused = false;
        m_bFastForward = false;
        GetButton(ID_TRANSPORT_FORWARD).SetButtonState(0);
        GetButton(ID_TRANSPORT_PLAY).SetButtonState(1);
        GetButton(ID_TRANSPORT_STEP).SetButtonState(0);
        GetButton(ID_TRANSPORT_RECORD).SetButtonState(0);
        GetButton(ID_TRANSPORT_REWIND).SetButtonState(0);
        break;
    case STATE_PERFORM_RECORD:
        SetPlayLayout(0);
        m_bPaused = false;
        GetButton(ID_TRANSPORT_RECORD).SetButtonState(1);
        GetButton(ID_TRANSPORT_PLAY).SetButtonState(0);
        break;
    case STATE_PERFORM_FORWARD:
        m_bFastForward = !m_bFastForward;
        GetButton(ID_TRANSPORT_FORWARD).SetButtonState(m_bFastForward);
        break;
    default:
        break;
    }
}

void CTransportBar::SetPlayLayout(int layout) {
    if (layout == m_nPlayLayout)
        return;
    m_nPlayLayout = layout;
    const UINT going[2] = {layout ? ID_TRANSPORT_PREVIOUS : ID_TRANSPORT_REWIND,
                           layout ? ID_TRANSPORT_NEXT : ID_TRANSPORT_FORWARD};
    const UINT coming[2] = {layout ? ID_TRANSPORT_REWIND : ID_TRANSPORT_PREVIOUS,
                            layout ? ID_TRANSPORT_FORWARD : ID_TRANSPORT_NEXT};
    SetRedraw(FALSE);
    for (UINT id : going)
        GetButton(id).ShowWindow(SW_HIDE);
    for (UINT id : coming)
        GetButton(id).ShowWindow(SW_SHOWNOACTIVATE);
    SetRedraw(TRUE);
    for (UINT id : coming)
        GetButton(id).Invalidate();
}
