// The time display: its settings, its layout from the fonts, the cached
// picture and the click that opens Go To.
#include "app/timedisplay.h"

#include "interface/controls/timeedit.h"
#include "interface/document/opusdoc.h"
#include "model/preferences.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/fontengine.h"
#include "platform/gdi/textrecords.h"
#include "platform/ui/app.h"
#include "platform/ui/messages.h"
#include "platform/ui/paint.h"
#include "platform/ui/syscolor.h"

namespace {

constexpr const char* kColorSection = "Time\\Color";
constexpr const char* kTimeSection = "Time";
constexpr const char* kFontSection = "Time\\Font";

constexpr int kMargin = 6;        // around the rectangles, inside the window
constexpr int kUnitsGap = 6;      // between the digits and the labels
constexpr int kEdgeWidth = 2;     // the sunken edge

// The widest text of a format, to size the digits' rectangle by.
const char* SampleText(int format) {
    switch (format) {
    case TIMEFMT_BAR_BEAT: return "000:00";
    case TIMEFMT_BAR_BEAT_TICK: return "000:00:000";
    case TIMEFMT_BAR_BEAT_FRACTION: return "000:00:0.00";
    case TIMEFMT_CLOCK: return "0:00:00.00";
    default: return "000000";
    }
}

// The height the digits of a font stand in: its ascent less the internal
// leading, so accents above the capitals take no room.
int DigitHeight(const CDC& dc) {
    TEXTMETRIC metrics;
    if (!dc.GetTextMetrics(&metrics))
        return 0;
    return metrics.tmAscent - metrics.tmInternalLeading;
}

// The platform's sunken edge: shadow over highlight outside, dark shadow
// over light inside.
void DrawSunkenEdge(CDC& dc, CRect rect) {
    dc.Draw3dRect(&rect, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    rect.DeflateRect(1, 1);
    dc.Draw3dRect(&rect, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
}

std::unique_ptr<CFont> LoadDisplayFont(const char* key, int height) {
    return LoadFontPreference(kFontSection, key, "Arial", height, 0, 0, 0);
}

}  // namespace

void ResizeWindowInPlace(CWnd& wnd, CSize size) {
    CRect rect;
    wnd.GetWindowRect(&rect);
    CPoint topLeft = rect.TopLeft();
    if (CWnd* parent = wnd.GetParent())
        parent->ScreenToClient(&topLeft);
    wnd.MoveWindow(topLeft.x, topLeft.y, size.cx, size.cy);
}

BEGIN_MESSAGE_MAP(CTimeDisplay, CWnd)
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

CTimeDisplay::CTimeDisplay()
    : m_crBack(LoadColorPreference(kColorSection, "Background", 0)),
      m_crTime(LoadColorPreference(kColorSection, "Time", 255)),
      m_crUnits(LoadColorPreference(kColorSection, "Units", 65535)),
      m_nFormat(LoadIntPreference(kTimeSection, "Format", MCTimeEdit::s_nFormat, TIMEFMT_BAR_BEAT, TIMEFMT_CLOCK)),
      m_pTimeFont(LoadDisplayFont("Time", -36)),
      m_pUnitsFont(LoadDisplayFont("Units", -10)) {
    if (LoadIntPreference(kTimeSection, "ShowUnits", 0))
        m_flags |= FLAG_UNITS;
}

CTimeDisplay::~CTimeDisplay() {
    SaveIntPreference(kColorSection, "Background", static_cast<int>(m_crBack));
    SaveIntPreference(kColorSection, "Time", static_cast<int>(m_crTime));
    SaveIntPreference(kColorSection, "Units", static_cast<int>(m_crUnits));
    SaveIntPreference(kTimeSection, "Format", m_nFormat);
    SaveIntPreference(kTimeSection, "ShowUnits", IsUnitsShown() ? 1 : 0);
    SaveFontPreference(kFontSection, "Time", m_pTimeFont.get());
    SaveFontPreference(kFontSection, "Units", m_pUnitsFont.get());
    DestroyWindow();
}

void CTimeDisplay::SetTime(const MCTime& time, BOOL redraw) {
    m_time = time;
    MarkDirty();
    if (!GetWidget())
        return;
    Invalidate(FALSE);
    if (redraw)
        UpdateWindow();
}

std::string CTimeDisplay::GetTimeText() const {
    std::string text;
    MCTimeEdit::FormatTimeString(text, m_time, m_nFormat, 0, 0);
    return text;
}

void CTimeDisplay::ToggleUnits() {
    m_flags ^= FLAG_UNITS;
    MarkDirty();
}

void CTimeDisplay::SetBackColor(COLORREF color) {
    m_crBack = color;
    MarkDirty();
    if (GetWidget())
        Invalidate(FALSE);
}

void CTimeDisplay::SetTimeFont(std::unique_ptr<CFont> font, COLORREF color) {
    m_pTimeFont = std::move(font);
    m_crTime = color;
    MarkDirty();
}

void CTimeDisplay::SetUnitsFont(std::unique_ptr<CFont> font, COLORREF color) {
    m_pUnitsFont = std::move(font);
    m_crUnits = color;
    MarkDirty();
}

void CTimeDisplay::RecalcLayout() {
    m_rcTime.SetRectEmpty();
    m_rcUnits.SetRectEmpty();
    if (!GetWidget())
        return;
    CClientDC dc(this);
    CFont* original = dc.GetCurrentFont();
    if (m_pTimeFont) {
        dc.SelectObject(m_pTimeFont.get());
        m_rcTime = CRect(0, 0, dc.GetTextExtent(SampleText(m_nFormat)).cx, DigitHeight(dc));
    }
    if (m_pUnitsFont && IsUnitsShown()) {
        dc.SelectObject(m_pUnitsFont.get());
        m_rcUnits = CRect(m_rcTime.left, m_rcTime.bottom, m_rcTime.right, m_rcTime.bottom + DigitHeight(dc));
        m_rcUnits.OffsetRect(0, kUnitsGap);
        // The labels stand under the outer digit groups, not past them.
        const int inset = dc.GetTextExtent("00").cx;
        m_rcUnits.DeflateRect(inset, 0);
    }
    if (original)
        dc.SelectObject(original);

    CRect window;
    window.UnionRect(m_rcTime, m_rcUnits);
    window.InflateRect(kMargin, kMargin);
    m_rcTime.OffsetRect(kMargin, kMargin);
    m_rcUnits.OffsetRect(kMargin, kMargin);
    ResizeWindowInPlace(*this, window.Size());
}

void CTimeDisplay::Draw(CDC& dc) {
    CRect client;
    GetClientRect(&client);
    DrawSunkenEdge(dc, client);
    CRect inside = client;
    inside.DeflateRect(kEdgeWidth, kEdgeWidth);
    dc.FillSolidRect(&inside, m_crBack);

    dc.SetBkMode(TRANSPARENT);
    if (m_pTimeFont) {
        dc.SelectObject(m_pTimeFont.get());
        dc.SetTextColor(m_crTime);
        dc.SetTextAlign(TA_CENTER | TA_BASELINE);
        dc.TextOut(m_rcTime.CenterPoint().x, m_rcTime.bottom - 1, GetTimeText());
    }
    if (m_pUnitsFont && IsUnitsShown())
        DrawUnits(dc);
}

void CTimeDisplay::DrawUnits(CDC& dc) {
    // Left, centre and right labels of each format; formats without
    // labels (beats alone) show none.
    struct Labels { const char* left; const char* centre; const char* right; };
    Labels labels{};
    switch (m_nFormat) {
    case TIMEFMT_BAR_BEAT: labels = {"Bar", nullptr, "Beat"}; break;
    case TIMEFMT_BAR_BEAT_TICK:
    case TIMEFMT_BAR_BEAT_FRACTION: labels = {"Bar", "Beat", "Tick"}; break;
    case TIMEFMT_CLOCK: labels = {"Hr", "Min", "Sec"}; break;
    default: return;
    }
    dc.SelectObject(m_pUnitsFont.get());
    dc.SetTextColor(m_crUnits);
    const int baseline = m_rcUnits.bottom;
    dc.SetTextAlign(TA_LEFT | TA_BASELINE);
    dc.TextOut(m_rcUnits.left, baseline, labels.left);
    if (labels.centre) {
        dc.SetTextAlign(TA_CENTER | TA_BASELINE);
        dc.TextOut(m_rcUnits.CenterPoint().x, baseline, labels.centre);
    }
    dc.SetTextAlign(TA_RIGHT | TA_BASELINE);
    dc.TextOut(m_rcUnits.right, baseline, labels.right);
}

void CTimeDisplay::OnPaint() {
    CPaintDC dc(this);
    const CRect update(dc.m_ps.rcPaint);
    if (update.IsRectEmpty())
        return;
    CDC memory;
    if (!memory.CreateCompatibleDC(&dc))
        return;
    if (!m_pPicture) {
        CRect client;
        GetClientRect(&client);
        auto picture = std::make_unique<CBitmap>();
        if (!picture->CreateCompatibleBitmap(&dc, client.Width(), client.Height()))
            return;
        m_pPicture = std::move(picture);
        MarkDirty();   // a new picture holds nothing yet
    }
    CBitmap* original = memory.SelectObject(m_pPicture.get());
    if (IsDirty()) {
        const int saved = memory.SaveDC();
        Draw(memory);
        memory.RestoreDC(saved);
        m_flags &= static_cast<uint8_t>(~FLAG_DIRTY);
    }
    dc.BitBlt(update.left, update.top, update.Width(), update.Height(), &memory, update.left, update.top, SRCCOPY);
    if (original)
        memory.SelectObject(original);
}

void CTimeDisplay::OnSize(UINT, int cx, int cy) {
    // A minimized parent reports zero sizes; the picture is kept for its return.
    if (cx == 0 || cy == 0)
        return;
    Default();
    m_pPicture.reset();
    MarkDirty();
}

void CTimeDisplay::OnLButtonDown(UINT, CPoint) {
    if (!MCOpusDoc::GetActiveDoc())
        return;
    if (CWnd* main = AfxGetMainWnd())
        main->SendMessage(WM_COMMAND, ID_TIME_GOTO);
}
