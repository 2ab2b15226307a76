#include "app/infoview.h"

#include "interface/document/opusdoc.h"
#include "interface/document/opusheader.h"
#include "model/basiccommands.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "model/states.h"
#include "model/textmarks.h"
#include "platform/gdi/font.h"
#include "platform/ui/commands.h"
#include "platform/ui/ddx.h"
#include "platform/ui/edit.h"
#include "platform/ui/frame.h"
#include "platform/ui/metrics.h"
#include "platform/ui/static.h"
#include "platform/ui/uiresources.h"

#include <QFont>
#include <QIcon>
#include <QLabel>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

namespace {

constexpr int IDC_STATIC = -1;
using Kind = DialogControlKind;

// The form: a child window without caption, 247 by 214 dialog units.
const DialogTemplate kInfoViewTemplate = {"", {
    {IDC_INFO_ICON, Kind::Static, "", {7, 7, 20, 20}},
    {IDC_INFO_FILENAME, Kind::Static, "", {34, 9, 206, 16}, SS_LEFTNOWORDWRAP | SS_NOPREFIX},
    {IDC_STATIC, Kind::Static, "", {7, 32, 233, 1}, SS_SUNKEN},
    {IDC_STATIC, Kind::Static, "Path:", {7, 40, 50, 8}},
    {IDC_INFO_PATHNAME, Kind::Static, "", {60, 40, 180, 8}, SS_LEFTNOWORDWRAP | SS_NOPREFIX},
    {IDC_STATIC, Kind::Static, "Created:", {7, 52, 50, 8}},
    {IDC_INFO_CREATED, Kind::Static, "", {60, 52, 180, 8}, SS_LEFTNOWORDWRAP | SS_NOPREFIX},
    {IDC_STATIC, Kind::Static, "Modified:", {7, 64, 50, 8}},
    {IDC_INFO_MODIFIED, Kind::Static, "", {60, 64, 180, 8}, SS_LEFTNOWORDWRAP | SS_NOPREFIX},
    {IDC_STATIC, Kind::Static, "Accessed:", {7, 76, 50, 8}},
    {IDC_INFO_ACCESSED, Kind::Static, "", {60, 76, 180, 8}, SS_LEFTNOWORDWRAP | SS_NOPREFIX},
    {IDC_STATIC, Kind::Static, "", {7, 90, 233, 1}, SS_SUNKEN},
    {IDC_STATIC, Kind::Static, "Title:", {7, 100, 50, 8}},
    {IDC_INFO_TITLE, Kind::Edit, "", {60, 98, 180, 12}, ES_AUTOHSCROLL},
    {IDC_STATIC, Kind::Static, "Subtitle:", {7, 116, 50, 8}},
    {IDC_INFO_SUBTITLE, Kind::Edit, "", {60, 114, 180, 12}},
    {IDC_STATIC, Kind::Static, "Dedication:", {7, 132, 50, 8}},
    {IDC_INFO_DEDICATION, Kind::Edit, "", {60, 130, 180, 12}},
    {IDC_STATIC, Kind::Static, "Composer:", {7, 148, 50, 8}},
    {IDC_INFO_COMPOSER, Kind::Edit, "", {60, 146, 180, 12}},
    {IDC_STATIC, Kind::Static, "Arranger:", {7, 164, 50, 8}},
    {IDC_INFO_ARRANGER, Kind::Edit, "", {60, 162, 180, 12}},
    {IDC_STATIC, Kind::Static, "Text Author:", {7, 180, 50, 8}},
    {IDC_INFO_AUTHOR, Kind::Edit, "", {60, 178, 180, 12}},
    {IDC_STATIC, Kind::Static, "Copyright:", {7, 196, 50, 8}},
    {IDC_INFO_COPYRIGHT, Kind::Edit, "", {60, 194, 180, 12}},
}, {247, 214}, {}, WS_CHILD};
DIALOG_RESOURCE(IDD_INFOVIEW, kInfoViewTemplate);

STRING_TABLE({IDS_INFOVIEW_TITLE, "Information"});

// The text kinds of the seven fields (the kind byte of ECText).
enum : int {
    TEXT_COPYRIGHT = 1,
    TEXT_DEDICATION = 7,
    TEXT_TITLE = 8,
    TEXT_SUBTITLE = 9,
    TEXT_COMPOSER = 10,
    TEXT_ARRANGER = 11,
    TEXT_AUTHOR = 12,
};

// An edit item that names its event only (no move).
constexpr int kEditEvent = -1;

const char kTimePattern[] = "%A, %B %d, %Y %I:%M:%S %p";

// The icon of a document format code.
UINT IconOfFormat(int format) {
    if (format >= DF_MIDI_TYPE0 && format <= DF_MIDI_TYPE2)
        return IDI_DOC_MIDI;
    if (format == DF_SONG_FILE)
        return IDI_DOC_SONG;
    return IDI_DOC_NATIVE;
}

// Whether an added or removed event of a batch is a text.
bool IsText(const ECBase* event) {
    return event && event->GetClassType() == ET_TEXT;
}

bool BatchTouchesText(MCCommandList& batch) {
    for (POSITION position = batch.GetHeadPosition(); position;) {
        CCBase* command = batch.GetNext(position);
        if (!command)
            continue;
        if (command->GetCommandId() == CMD_ADD) {
            if (auto* add = dynamic_cast<CCAdd*>(command)) {
                MCAddItemList* items = add->GetAddList();
                for (POSITION item = items->GetHeadPosition(); item;)
                    if (IsText(items->GetNext(item)->GetChild()))
                        return true;
            }
        } else if (command->GetCommandId() == CMD_REMOVE) {
            if (auto* remove = dynamic_cast<CCRemove*>(command)) {
                MCEventList* events = remove->GetRemoveList();
                for (POSITION item = events->GetHeadPosition(); item;)
                    if (IsText(events->GetNext(item)))
                        return true;
            }
        }
    }
    return false;
}

}  // namespace

IMPLEMENT_DYNCREATE(CInfoView, CFormView)

BEGIN_MESSAGE_MAP(CInfoView, CFormView)
    ON_EN_KILLFOCUS(IDC_INFO_TITLE, &CInfoView::OnKillFocusTitle)
    ON_EN_KILLFOCUS(IDC_INFO_SUBTITLE, &CInfoView::OnKillFocusSubtitle)
    ON_EN_KILLFOCUS(IDC_INFO_DEDICATION, &CInfoView::OnKillFocusDedication)
    ON_EN_KILLFOCUS(IDC_INFO_COMPOSER, &CInfoView::OnKillFocusComposer)
    ON_EN_KILLFOCUS(IDC_INFO_ARRANGER, &CInfoView::OnKillFocusArranger)
    ON_EN_KILLFOCUS(IDC_INFO_AUTHOR, &CInfoView::OnKillFocusAuthor)
    ON_EN_KILLFOCUS(IDC_INFO_COPYRIGHT, &CInfoView::OnKillFocusCopyright)
END_MESSAGE_MAP()

CInfoView::CInfoView() : CFormView(IDD_INFOVIEW) {}

CInfoView::~CInfoView() {
    // The document removes every handler when it lets go of its tree; while
    // it still holds the same tree, this view's handler must go with the view.
    if (m_pPerformance && m_pOpusDoc && m_pOpusDoc->GetBaseEvent() == m_pPerformance)
        m_pPerformance->RemoveCommandHandler(&CInfoView::InfoCommandHandler, this);
}

void CInfoView::DoDataExchange(CDataExchange* pDX) {
    CFormView::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_INFO_ACCESSED, m_strAccessed);
    DDX_Text(pDX, IDC_INFO_ARRANGER, m_strArranger);
    DDX_Text(pDX, IDC_INFO_COMPOSER, m_strComposer);
    DDX_Text(pDX, IDC_INFO_COPYRIGHT, m_strCopyright);
    DDX_Text(pDX, IDC_INFO_CREATED, m_strCreated);
    DDX_Text(pDX, IDC_INFO_DEDICATION, m_strDedication);
    DDX_Text(pDX, IDC_INFO_FILENAME, m_strFileName);
    DDX_Text(pDX, IDC_INFO_PATHNAME, m_strPathName);
    DDX_Text(pDX, IDC_INFO_MODIFIED, m_strModified);
    DDX_Text(pDX, IDC_INFO_SUBTITLE, m_strSubtitle);
    DDX_Text(pDX, IDC_INFO_AUTHOR, m_strTextAuthor);
    DDX_Text(pDX, IDC_INFO_TITLE, m_strTitle);
}

// ---------------------------------------------------------------- the window

BOOL CInfoView::Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID, void* pContext) {
    if (!CFormView::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext))
        return FALSE;
    SetIcon(IDI_DOC_NATIVE);
    FitFrame();
    return TRUE;
}

void CInfoView::FitFrame() {
    CFrameWnd* frame = GetParentFrame();
    QWidget* frameWidget = frame ? frame->GetWidget() : nullptr;
    QWidget* form = GetWidget();
    if (!frameWidget || !form)
        return;
    // The frame's edges and caption stay as its style draws them; what they
    // surround becomes the form's size.
    frameWidget->ensurePolished();
    const QMargins edges = frameWidget->contentsMargins();
    // A change of flags may show the window: the frame stays as hidden as
    // the template made it.
    const bool hidden = frameWidget->isHidden();
    frameWidget->setWindowFlags(frameWidget->windowFlags() & ~Qt::WindowMaximizeButtonHint);
    if (hidden)
        frameWidget->hide();
    frameWidget->setFixedSize(form->width() + edges.left() + edges.right(),
                              form->height() + edges.top() + edges.bottom());
    frame->RecalcLayout();
}

void CInfoView::SetIcon(UINT iconId) {
    m_nIconID = iconId;
    CWnd* control = GetDlgItem(IDC_INFO_ICON);
    auto* label = control ? qobject_cast<QLabel*>(control->GetWidget()) : nullptr;
    if (!label)
        return;
    const QIcon icon = LoadIcon(iconId);
    if (icon.isNull())
        label->clear();
    else
        label->setPixmap(icon.pixmap(label->size()));
}

// ---------------------------------------------------------------- updates

void CInfoView::OnInitialUpdate() {
    auto* doc = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (m_pPerformance && m_pOpusDoc && m_pOpusDoc->GetBaseEvent() == m_pPerformance)
        m_pPerformance->RemoveCommandHandler(&CInfoView::InfoCommandHandler, this);
    m_pOpusDoc = doc;
    m_pHeader = doc ? doc->GetHeader() : nullptr;
    m_pPerformance = doc ? doc->GetBaseEvent() : nullptr;
    m_pConductorStaff = nullptr;
    if (m_pPerformance) {
        m_pPerformance->AddCommandHandler(&CInfoView::InfoCommandHandler, this);
        m_pConductorStaff = m_pPerformance->GetDescendant(ET_CONDUCTORSTAFF, -1);
    }

    m_pFileNameFont = LoadFontPreference("Settings\\Font", "Large Font", "Arial", -24, 0, 0, 0);
    if (CWnd* control = GetDlgItem(IDC_INFO_FILENAME); control && control->GetWidget()) {
        LOGFONT description;
        if (m_pFileNameFont && m_pFileNameFont->GetLogFont(&description)) {
            QFont font(QString::fromStdString(MapDialogFace(GetFaceName(description))));
            font.setPixelSize(std::max(1, std::abs(static_cast<int>(description.lfHeight))));
            control->GetWidget()->setFont(font);
        } else {
            control->GetWidget()->setFont(GetWidget()->font());   // the form's own
        }
    }

    CFormView::OnInitialUpdate();
    // A view opened on a document already open shows it at once rather than
    // waiting for the next file state.
    FillInfo();
}

void CInfoView::OnUpdate(CView*, long hint, CObject* object) {
    if (!object) {
        if (CWnd* title = GetDlgItem(IDC_INFO_TITLE))
            title->SetFocus();
        return;
    }
    switch (hint) {
    case STATE_EVENTS_EDITED:
        if (auto* edit = dynamic_cast<SCEventEdit*>(object)) {
            MCPtrList& items = edit->GetEditList();
            for (POSITION position = items.GetHeadPosition(); position;) {
                auto* item = static_cast<SCEventEditItem*>(items.GetNext(position));
                if (item && IsText(item->GetEvent())) {
                    m_nRefresh = 1;
                    break;
                }
            }
        }
        break;
    case STATE_COMMANDS_DONE:
    case STATE_EDIT_DONE:
        if (m_nRefresh)
            FillInfo();
        break;
    case STATE_FILE_NEW:
    case STATE_FILE_OPENED:
    case STATE_FILE_SAVED:
        if (!m_pOpusDoc)
            OnInitialUpdate();
        FillInfo();
        break;
    default:
        break;
    }
}

int CInfoView::InfoCommandHandler(ECBase*, int phase, void* batch, void* user) {
    if (phase == CMD_PHASE_PREPARE && batch && user && BatchTouchesText(*static_cast<MCCommandList*>(batch)))
        static_cast<CInfoView*>(user)->m_nRefresh = 1;
    return phase == CMD_PHASE_PREPARE || phase == CMD_PHASE_PROCESS ? 1 : -1;
}

std::string CInfoView::FormatFileTime(long long seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&time, &local);
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::put_time(&local, kTimePattern);
    return out.str();
}

void CInfoView::FillInfo() {
    if (!m_pOpusDoc)
        return;
    m_strFileName = m_pOpusDoc->GetTitle();
    m_strPathName = m_pOpusDoc->GetPathName();
    if (m_strPathName.empty()) {
        // An untitled document has no file: no dates (its empty status would
        // read as 1970).
        m_strCreated.clear();
        m_strModified.clear();
        m_strAccessed.clear();
    } else {
        m_strCreated = FormatFileTime(m_pHeader->GetCreateTime().GetTime());
        m_strModified = FormatFileTime(m_pHeader->GetModificationTime().GetTime());
        m_strAccessed = FormatFileTime(m_pHeader->GetAccessTime().GetTime());
    }
    SetIcon(IconOfFormat(m_pHeader->GetFormat()));

    const struct {
        int kind;
        std::string* text;
    } fields[] = {
        {TEXT_TITLE, &m_strTitle},       {TEXT_SUBTITLE, &m_strSubtitle}, {TEXT_DEDICATION, &m_strDedication},
        {TEXT_COMPOSER, &m_strComposer}, {TEXT_ARRANGER, &m_strArranger}, {TEXT_AUTHOR, &m_strTextAuthor},
        {TEXT_COPYRIGHT, &m_strCopyright},
    };
    for (const auto& field : fields) {
        const ECText* text = FindInfoText(field.kind);
        *field.text = text ? text->GetText() : std::string();
    }
    UpdateData(FALSE);
    m_nRefresh = 0;
}

ECText* CInfoView::FindInfoText(int kind) {
    if (!m_pConductorStaff)
        return nullptr;
    ACFindEvents find(1);
    find.AddEvtType(ET_TEXT);
    find.Apply(m_pConductorStaff);
    MCEventList& events = find.GetEvents();
    for (POSITION position = events.GetHeadPosition(); position;) {
        auto* text = dynamic_cast<ECText*>(events.GetNext(position));
        if (text && text->GetTextType() == kind)
            return text;
    }
    return nullptr;
}

// ---------------------------------------------------------------- commits

void CInfoView::CommitInfoText(int nID, std::string& held, int kind, bool now) {
    CWnd* control = GetDlgItem(nID);
    if (!control || !m_pPerformance)
        return;
    std::string text;
    control->GetWindowText(text);
    if (text == held)
        return;
    held = text;
    ECText* event = FindInfoText(kind);
    if (event && !text.empty()) {
        event->SetText(text);
        auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
        edit->AddItem(event, kEditEvent);
        edit->Apply(m_pPerformance);
    } else if (event) {
        auto* remove = new CCRemove(event);
        remove->SetSynchronous(now);
        remove->Apply(m_pPerformance);
    } else if (!text.empty() && m_pConductorStaff) {
        auto* add = new CCAdd(new ECText(static_cast<unsigned char>(kind), text), m_pConductorStaff);
        add->SetSynchronous(now);
        add->Apply(m_pPerformance);
    } else {
        return;   // nothing there, nothing typed
    }
    m_pOpusDoc->SetModifiedFlag(TRUE);
}

// A field's text is committed when it loses the focus; a save or a close
// typed from inside it would otherwise leave it behind.
void CInfoView::CommitPendingEdit() {
    const struct {
        int id;
        std::string* held;
        int kind;
    } fields[] = {
        {IDC_INFO_TITLE, &m_strTitle, TEXT_TITLE},
        {IDC_INFO_SUBTITLE, &m_strSubtitle, TEXT_SUBTITLE},
        {IDC_INFO_DEDICATION, &m_strDedication, TEXT_DEDICATION},
        {IDC_INFO_COMPOSER, &m_strComposer, TEXT_COMPOSER},
        {IDC_INFO_ARRANGER, &m_strArranger, TEXT_ARRANGER},
        {IDC_INFO_AUTHOR, &m_strTextAuthor, TEXT_AUTHOR},
        {IDC_INFO_COPYRIGHT, &m_strCopyright, TEXT_COPYRIGHT},
    };
    CWnd* focus = CWnd::GetFocus();
    for (const auto& field : fields)
        if (focus && focus == GetDlgItem(field.id))
            CommitInfoText(field.id, *field.held, field.kind, true);
}


void CInfoView::OnKillFocusTitle() { CommitInfoText(IDC_INFO_TITLE, m_strTitle, TEXT_TITLE); }
void CInfoView::OnKillFocusSubtitle() { CommitInfoText(IDC_INFO_SUBTITLE, m_strSubtitle, TEXT_SUBTITLE); }
void CInfoView::OnKillFocusDedication() { CommitInfoText(IDC_INFO_DEDICATION, m_strDedication, TEXT_DEDICATION); }
void CInfoView::OnKillFocusComposer() { CommitInfoText(IDC_INFO_COMPOSER, m_strComposer, TEXT_COMPOSER); }
void CInfoView::OnKillFocusArranger() { CommitInfoText(IDC_INFO_ARRANGER, m_strArranger, TEXT_ARRANGER); }
void CInfoView::OnKillFocusAuthor() { CommitInfoText(IDC_INFO_AUTHOR, m_strTextAuthor, TEXT_AUTHOR); }
void CInfoView::OnKillFocusCopyright() { CommitInfoText(IDC_INFO_COPYRIGHT, m_strCopyright, TEXT_COPYRIGHT); }
