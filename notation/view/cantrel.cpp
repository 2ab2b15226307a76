// The notation view's structure: construction, its child windows, the two
// view modes, the zoom and the bar's commands, margin dragging.
#include "notation/view/cantrel.h"

#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/preferences.h"
#include "model/states.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/conductor.h"
#include "notation/layout/musicfont.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/staffcolor.h"
#include "notation/layout/textfonts.h"
#include "notation/view/findactions.h"
#include "notation/view/layoutactions.h"
#include "notation/view/scoreitem.h"
#include "notation/view/scorewnd.h"
#include "notation/view/viewids.h"
#include "platform/ui/button.h"
#include "platform/ui/commands.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/cursor.h"
#include "platform/ui/frame.h"
#include "platform/ui/lists.h"
#include "platform/ui/metrics.h"
#include "platform/ui/paint.h"

#include <cstdlib>
#include <mutex>

IMPLEMENT_DYNCREATE(CCantrel, MCScrollView)

BEGIN_MESSAGE_MAP(CCantrel, MCScrollView)
    ON_WM_DESTROY()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_KEYDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_CONTEXTMENU()
    ON_WM_TIMER()
    ON_MESSAGE(WM_PARENTNOTIFY, &CCantrel::OnParentNotify)
    ON_COMMAND(ID_VIEW_TRACK, &CCantrel::OnViewTrack)
    ON_COMMAND(ID_VIEW_PAGE, &CCantrel::OnViewPage)
    ON_COMMAND(ID_VIEW_ZOOMIN, &CCantrel::OnZoomIn)
    ON_COMMAND(ID_VIEW_ZOOMOUT, &CCantrel::OnZoomOut)
    ON_CBN_SELCHANGE(IDC_ZOOM, &CCantrel::OnZoomSet)
    ON_COMMAND(ID_VIEW_RULER, &CCantrel::OnRuler)
    ON_CBN_SELCHANGE(IDC_VOICE, &CCantrel::OnVoiceSet)
    ON_CBN_SELCHANGE(IDC_TRACKS, &CCantrel::OnTracksSet)
    ON_COMMAND(ID_PAGE_UP, &CCantrel::OnPageUp)
    ON_COMMAND(ID_PAGE_DOWN, &CCantrel::OnPageDown)
    ON_COMMAND(ID_FILE_PRINT, &CCantrel::OnFilePrint)
    ON_COMMAND(ID_FILE_PRINT_DIRECT, &CCantrel::OnFilePrintDirect)
    ON_COMMAND(ID_FILE_PRINT_PREVIEW, &CCantrel::OnFilePrintPreview)
    ON_COMMAND(ID_EDIT_DELETE, &CCantrel::OnEditDelete)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, &CCantrel::OnUpdateEditDelete)
    ON_COMMAND(ID_EDIT_SELECT_ALL, &CCantrel::OnEditSelectAll)
    ON_UPDATE_COMMAND_UI(ID_EDIT_SELECT_ALL, &CCantrel::OnUpdateEditSelectAll)
    // The clipboard.
    ON_COMMAND(ID_EDIT_CUT, &CCantrel::OnEditCut)
    ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, &CCantrel::OnUpdateEditCut)
    ON_COMMAND(ID_EDIT_COPY, &CCantrel::OnEditCopy)
    ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, &CCantrel::OnUpdateEditCopy)
    ON_COMMAND(ID_EDIT_PASTE, &CCantrel::OnEditPaste)
    ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, &CCantrel::OnUpdateEditPaste)
    ON_COMMAND(ID_NOTES_TIE, &CCantrel::OnTieNotes)
    ON_COMMAND(ID_NOTES_SLUR, &CCantrel::OnSlurNotes)
    ON_UPDATE_COMMAND_UI_RANGE(ID_NOTES_TIE, ID_NOTES_SLUR, &CCantrel::OnUpdateTieSlurNotes)
    ON_COMMAND_RANGE(ID_STEMS_UP, ID_STEMS_DOWN, &CCantrel::OnChangeStems)
    ON_UPDATE_COMMAND_UI_RANGE(ID_STEMS_UP, ID_STEMS_DOWN, &CCantrel::OnUpdateChangeStems)
    ON_COMMAND(ID_ACCIDENTALS_ENHARMONIC, &CCantrel::OnEnharmonic)
    ON_UPDATE_COMMAND_UI(ID_ACCIDENTALS_ENHARMONIC, &CCantrel::OnUpdateEnharmonic)
    ON_COMMAND(ID_TIES_CONSOLIDATE, &CCantrel::OnConsolidateTies)
    ON_UPDATE_COMMAND_UI(ID_TIES_CONSOLIDATE, &CCantrel::OnUpdateConsolidateTies)
    ON_COMMAND(ID_BEAM_BREAK_PRIMARY, &CCantrel::OnBreakPrimaryBeam)
    ON_UPDATE_COMMAND_UI(ID_BEAM_BREAK_PRIMARY, &CCantrel::OnUpdateBreakPrimaryBeam)
    // The frames of embedded objects.
    ON_WM_SETCURSOR()
    // embedded objects
    ON_COMMAND(ID_EDIT_PASTE_SPECIAL, &CCantrel::OnEditPasteSpecial)
    ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE_SPECIAL, &CCantrel::OnUpdateEditPasteSpecial)
    ON_COMMAND(ID_OLE_INSERT_NEW, &CCantrel::OnInsertObject)
    ON_UPDATE_COMMAND_UI(ID_OLE_INSERT_NEW, &CCantrel::OnUpdateInsertObject)
END_MESSAGE_MAP()

namespace {

// The page buttons' transparent colour and mode (edged).
constexpr COLORREF kPageButtonTransparent = 0xFF0000;
constexpr int kPageButtonMode = MCStateButton::MODE_EDGED;

// The line scroll is this fraction of a page: a tenth across, a twentieth down.
constexpr int kLinesAcrossPage = 10;
constexpr int kLinesDownPage = 20;

// The widest interval measure numbers may be shown at.
constexpr int kLargestNumberInterval = 9999;

// The bar's voice combo: item 0 is every voice, item n voice n - 1.
constexpr int kVoiceItemAll = 0;

const char* const kClipboardFormatNames[] = {"NorvaneMusicFormat", "NorvaneObjectInfo", "Object Descriptor"};

// The conductor staff's display object of a performance, or null.
DCctConductorStaff* ConductorStaffDisplay(ECPerformance* performance) {
    ECConductor* conductor = performance ? performance->GetConductor() : nullptr;
    auto* staff = conductor ? dynamic_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0)) : nullptr;
    return staff ? dynamic_cast<DCctConductorStaff*>(staff->GetData(DK_NOTATION, 0)) : nullptr;
}

}  // namespace

CCantrel::CCantrel() {
    // Frames' items are drawn with the view's tracker from now on.
    CScoreItemDrawing::SetDrawFunc(&CCantrelItem::OurDraw);
    for (size_t i = 0; i < m_clipFormats.size(); ++i)
        m_clipFormats[i] = RegisterClipboardFormat(kClipboardFormatNames[i]);
    LoadPreferences();
    const CRect& page = MCPageLayout::GetPageLayout().GetPageRect();
    const CSize pageSize(std::abs(page.Width()), std::abs(page.Height()));
    SetPageScroll(pageSize);
    SetLineScroll(CSize(pageSize.cx / kLinesAcrossPage, pageSize.cy / kLinesDownPage));
    m_autoNote.Attach(this);
    m_pagenate.SetView(this);
    m_pagenate.SetNotateInfo(&m_autoNote.GetNotateInfo(), &m_autoNote.GetDirtyRect());
}

int CCantrel::IsDocumentModified() const {
    const CDocument* document = GetDocument();
    return document ? document->IsModified() : 0;
}

void CCantrel::LoadPreferences() {
    m_bFollowScore = LoadIntPreference("Settings", "FollowScore", 1);
    StaffColor().LoadFromProfile();
    // Numbers none (0), above (1) or below (2) the system; at each system's
    // head (0), every measure (1) or every so many.
    DCctConductorStaff::s_nMeasureNum = LoadIntPreference("Settings\\Notation", "MeasureNumbers", 1, 0, 2);
    DCctConductorStaff::s_nMeasureNumOpt =
        LoadIntPreference("Settings\\Notation", "MeasureNumberOptions", 1, 0, kLargestNumberInterval);
}

// ---- windows ----------------------------------------------------------------------------------

BOOL CCantrel::Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID, void* pContext) {
    if (!MCScrollView::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext))
        return FALSE;
    const CRect none(0, 0, 0, 0);
    m_marginView.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, none, this, IDC_MARGIN_VIEW);
    const struct {
        MCButton& button;
        const char* caption;
        UINT id;
    } pageButtons[] = {{m_pageUp, "PAGEUP", ID_PAGE_UP}, {m_pageDown, "PAGEDOWN", ID_PAGE_DOWN}};
    for (const auto& page : pageButtons) {
        page.button.Create(page.caption, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, none, this, page.id);
        page.button.LoadBitmaps(page.caption);
        page.button.SetTransparentColor(kPageButtonTransparent);
        page.button.SetButtonMode(kPageButtonMode);
    }
    SetQuickScrollCursors(LoadResourceCursor(IDC_CANTREL_GRAB_ARMED), LoadResourceCursor(IDC_CANTREL_GRABBING));
    if (CFrameWnd* frame = GetParentFrame())
        frame->SetActiveView(this);
    m_dropTarget.Register(this);
    TileViews(FALSE);
    return TRUE;
}

void CCantrel::OnInitialUpdate() {
    {
        CClientDC dc(this);
        OnPrepareDC(&dc);
        m_nScreenResolution = dc.GetDeviceCaps(LOGPIXELSX);
        m_nZoom = m_nScreenResolution;
        // A percentage of the played length; a damaged profile's other value reads as none.
        s_nDurFuncGate = LoadIntPreference("Settings\\Notation", "Duration", s_nDurFuncGate, 1, 100);
        MCPageLayout::SetZoom(m_nScreenResolution);
        MCPageLayout::GetPageLayout().LoadPageSize();
        // Every size of the music font, and the text font, measured on the
        // screen's context.
        MCMusicFont& music = MCMusicFont::GetMusicFont();
        music.SetExtentDirty(1, FONT_ALL);
        for (const uint8_t mode : {FONT_NORMAL, FONT_CUE, FONT_GRACE}) {
            music.SelectFont(&dc, mode);
            music.DeselectFont(&dc);
        }
        MCTextFont& text = MCTextFont::GetTextFont();
        text.SelectFont(&dc);
        text.DeselectFont(&dc);
    }
    const CRect& page = MCPageLayout::GetPageLayout().GetPageRect();
    SetViewSize(page.Width(), page.Height());
    // The bar's tracks combo lists the tracks of this view's document.
    if (m_pScoreBar) {
        m_pScoreBar->m_pDocument = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
        m_pScoreBar->UpdateData(FALSE);
    }
    MCScrollView::OnInitialUpdate();
}

void CCantrel::OnPrepareDC(CDC* pDC, CPrintInfo* pInfo) {
    MCScrollView::OnPrepareDC(pDC, pInfo);
    if (pDC->IsPrinting()) {
        pDC->SetMapMode(MM_TWIPS);
    } else {
        pDC->SetMapMode(MM_ANISOTROPIC);
        pDC->SetWindowExt(kTwipsPerInch, kTwipsPerInch);
        pDC->SetViewportExt(m_nZoom, -m_nZoom);
    }
    pDC->SetBkMode(TRANSPARENT);
}

void CCantrel::OnDestroy() {
    DeleteCursors();
    RegisterCommandHandler(nullptr);   // a destroyed view is never called back
    MCScrollView::OnDestroy();
}

// ---- modes and layout ---------------------------------------------------------------------------

void CCantrel::SetViewMode(int mode) {
    if (m_pScoreBar) {
        m_pScoreBar->m_nViewMode = mode;
        m_pScoreBar->UpdateData(FALSE);
    }
    m_nViewMode = mode;
    if (mode == VIEWMODE_TRACK) {
        m_marginView.ShowWindow(SW_SHOW);
        m_pageUp.ShowWindow(SW_HIDE);
        m_pageDown.ShowWindow(SW_HIDE);
        SetViewSize(kTrackViewWidth, -kTrackViewDepth);
    } else if (mode == VIEWMODE_PAGE) {
        m_marginView.ShowWindow(SW_HIDE);
        m_pageUp.ShowWindow(SW_SHOW);
        m_pageDown.ShowWindow(SW_SHOW);
        SetViewSize(kPageViewWidth, -kPageViewDepth);
    }
    TileViews(TRUE);
    UpdateScrollBars();
}

void CCantrel::CalcRects(RECT* rect) {
    if (m_nViewMode == VIEWMODE_TRACK) {
        const int width = m_marginRect.Width();
        m_marginRect.left = rect->left;
        m_marginRect.right = rect->left + width;
        m_marginRect.top = rect->top;
        m_marginRect.bottom = rect->bottom;
        rect->left = m_marginRect.right;
        MCScrollView::CalcRects(rect);
        return;
    }
    MCScrollView::CalcRects(rect);
    // Two squares as wide as the vertical bar, cut from its bottom: page
    // down lowest, page up above it.
    const int side = m_vBarRect.Width();
    m_pageDownRect.SetRect(m_vBarRect.left, m_vBarRect.bottom - side, m_vBarRect.right, m_vBarRect.bottom);
    m_pageUpRect.SetRect(m_vBarRect.left, m_pageDownRect.top - side, m_vBarRect.right, m_pageDownRect.top);
    m_vBarRect.bottom = m_pageUpRect.top;
}

void CCantrel::TileViews(BOOL bRedraw) {
    if (!(m_flags & SV_CREATED) || !GetSafeHwnd())
        return;
    MCScrollView::TileViews(FALSE);
    SetRedraw(FALSE);
    // What one mode disables the other enables again: a margin or a page
    // button left disabled would ignore the mouse once shown.
    if (m_nViewMode == VIEWMODE_TRACK) {
        m_marginView.EnableWindow(TRUE);
        m_marginView.MoveWindow(m_marginRect, FALSE);
        for (MCButton* button : {&m_pageUp, &m_pageDown}) {
            button->EnableWindow(FALSE);
            button->ShowWindow(SW_HIDE);
        }
    } else {
        m_marginView.EnableWindow(FALSE);
        m_marginView.ShowWindow(SW_HIDE);
        for (MCButton* button : {&m_pageUp, &m_pageDown})
            button->EnableWindow(TRUE);
        m_pageUp.MoveWindow(m_pageUpRect, FALSE);
        m_pageDown.MoveWindow(m_pageDownRect, FALSE);
    }
    SetNeedsDraw(TRUE);
    SetRedraw(TRUE);
    if (bRedraw) {
        Invalidate();
        UpdateWindow();
    }
}

// ---- the bar's commands -----------------------------------------------------------------------

void CCantrel::OnViewTrack() {
    SetViewMode(VIEWMODE_TRACK);
}

void CCantrel::OnViewPage() {
    SetViewMode(VIEWMODE_PAGE);
}

void CCantrel::OnZoomIn() {
    StepZoom(+1);
}

void CCantrel::OnZoomOut() {
    StepZoom(-1);
}

void CCantrel::StepZoom(int step) {
    if (!m_pScoreBar)
        return;
    m_pScoreBar->UpdateData(TRUE);
    m_pScoreBar->m_nZoom = std::clamp(m_pScoreBar->m_nZoom + step, 0, m_pScoreBar->m_nMaxZoom);
    m_pScoreBar->UpdateData(FALSE);
    OnZoomSet();
}

void CCantrel::OnZoomSet() {
    const auto* combo = m_pScoreBar ? static_cast<CComboBox*>(m_pScoreBar->GetDlgItem(static_cast<int>(IDC_ZOOM)))
                                    : nullptr;
    const int selection = combo ? combo->GetCurSel() : CB_ERR;
    if (selection < 0 || selection >= static_cast<int>(kZoomSteps.size()))
        return;
    m_nZoom = kZoomSteps[static_cast<size_t>(selection)];
    // The tool's feedback stands at the old zoom's places.
    HideCursor(1);
    CClientDC dc(this);
    OnPrepareDC(&dc);
    MCPageLayout::SetZoom(dc.GetDeviceCaps(LOGPIXELSX));
    MCMusicFont::GetMusicFont().SetExtentDirty(1, FONT_ALL);
    if (m_pBaseEvent) {
        // Glyph extents and every frame are measured again at the new zoom,
        // then everything is placed again.
        std::lock_guard lock(m_pBaseEvent->GetLock());
        ACSetFrameDirty frames;
        frames.Apply(m_pBaseEvent);
        ACSetSize size;
        size.SetDC(&dc);
        size.Apply(m_pBaseEvent);
        ACSetDirty dirty(1);
        dirty.AddDirtyKind(DCctBase::DIRTY_POSITION);
        dirty.Apply(m_pBaseEvent);
    }
    TileViews(FALSE);
    ScrollTo(GetScrollPosition());
    RedrawNow();
    ShowCursor();
}

void CCantrel::OnRuler() {
    if (!m_pScoreBar)
        return;
    const int shown = m_pScoreBar->GetRulerButton().GetButtonState();
    if (DCctConductorStaff* staff = ConductorStaffDisplay(m_pBaseEvent))
        staff->HideRuler(shown == 0 ? 1 : 0);
    RedrawNow();
}

void CCantrel::OnVoiceSet() {
    const auto* combo = m_pScoreBar ? static_cast<CComboBox*>(m_pScoreBar->GetDlgItem(static_cast<int>(IDC_VOICE)))
                                    : nullptr;
    const int selection = combo ? combo->GetCurSel() : CB_ERR;
    m_nVoice = selection <= kVoiceItemAll ? VOICE_ALL : selection - 1;
    ApplyVoiceFilter();
    RedrawNow();
}

void CCantrel::ApplyVoiceFilter() {
    ECConductor* conductor = m_pBaseEvent ? m_pBaseEvent->GetConductor() : nullptr;
    if (!conductor)
        return;
    std::lock_guard lock(m_pBaseEvent->GetLock());
    // First what lies outside the voice, ghosted; then what lies in it,
    // shown. With every voice the first walk finds nothing.
    for (const int outside : {1, 0}) {
        ACFindVoiceEvents find;
        find.SetVoice(m_nVoice);
        find.SetExclude(outside);
        find.Apply(conductor);
        MCEventList& found = find.GetEvents();
        for (POSITION pos = found.GetHeadPosition(); pos != nullptr;)
            if (auto* display = dynamic_cast<DCctBase*>(found.GetNext(pos)->GetData(DK_NOTATION, 0)))
                display->SetGhosted(outside);
    }
}

void CCantrel::OnTracksSet() {
    if (m_pScoreBar)
        m_pScoreBar->UpdateData(TRUE);
    m_pagenate.SetDisplay(m_pScoreBar ? std::max(m_pScoreBar->m_nTrackLayout, 0) : 0);
    m_pagenate.BeginPagenate();
    SetNeedsDraw(TRUE);
    Invalidate();
}

void CCantrel::OnLayout() {
    // The track layouts changed: the tracks combo is filled again and its
    // choice taken as if the user had made it.
    if (m_pScoreBar)
        m_pScoreBar->UpdateData(FALSE);
    OnTracksSet();
}

void CCantrel::OnPageUp() {
    SendMessage(WM_VSCROLL, SB_PAGEUP, 0);
}

void CCantrel::OnPageDown() {
    SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
}

void CCantrel::RedrawNow() {
    SetNeedsDraw(TRUE);
    Invalidate();
    UpdateWindow();
}

// ---- the margin's edge ------------------------------------------------------------------------

int CCantrel::SnapMarginEdge(int x) {
    for (size_t i = kMarginStops.size() - 1; i > 0; --i)
        if (x > (kMarginStops[i] + kMarginStops[i - 1]) / 2)
            return kMarginStops[i];
    return kMarginStops[0];
}

LRESULT CCantrel::OnParentNotify(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) != WM_LBUTTONDOWN || m_nViewMode != VIEWMODE_TRACK)
        return 0;
    const CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    if (HIWORD(wParam) == IDC_MARGIN_VIEW && m_marginView.PtInSizingEdge(point)) {
        m_bMarginDrag = 1;
        SetCapture();
    }
    return 0;
}

void CCantrel::OnLButtonUp(UINT nFlags, CPoint point) {
    if (!m_bMarginDrag) {
        MCScrollView::OnLButtonUp(nFlags, point);
        return;
    }
    ReleaseCapture();
    m_bMarginDrag = 0;
}
