// DCctTuplet: measuring the number and the bracket's box, hit tests on the
// number, and drawing the bracket, its hooks and the number.
#include "notation/display/tuplet.h"

#include "notation/layout/curves.h"
#include "platform/core/codepage.h"
#include "platform/gdi/dc.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Hit tests run on the number's box, not the whole bracket: the base's tests
// ask GetFrame with this selector.
constexpr int kNumberFrame = -0x5475;

}  // namespace

// ---- size and frames -------------------------------------------------------------

void DCctTuplet::SetSize(CDC* dc) {
    if (FrameDirty())
        Measure(dc, false);
}

void DCctTuplet::Measure(CDC* dc, bool selected) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    // The text is built afresh each time: appending to what a measure
    // before left would repeat the number.
    m_number.clear();
    if (IsEmptied()) {
        // An emptied tuplet shows nothing and takes no room.
        m_nNumberWidth = 0;
        m_nNumberHeight = 0;
        m_metrics = MCMusicFont::MusicFontMetrics();
        SetFrameDirty(0);
        return;
    }
    ParseTupletNumber(m_nRatioN, m_nRatioD, m_number, GetFigure());
    const unsigned first = m_number.empty() ? 0 : static_cast<unsigned char>(m_number[0]);
    if (dc) {
        if (!selected)
            font.SelectFont(dc, FONT_NORMAL);
        m_nNumberWidth = dc->GetTextExtent(Cp1252ToUtf8(m_number)).cx;
        m_nNumberHeight = static_cast<int>(font.GetMusicExtent(dc, first).GetHeight());
        if (!selected)
            font.DeselectFont(dc);
    } else {
        // No device context: the glyph boxes the font keeps.
        m_nNumberWidth = 0;
        for (char ch : m_number)
            m_nNumberWidth += static_cast<int>(font.GetMusicMetrics(static_cast<unsigned char>(ch), FONT_CURRENT).GetWidth());
        m_nNumberHeight = static_cast<int>(font.GetMusicMetrics(first, FONT_CURRENT).GetHeight());
    }

    const CPoint L = GetLeft();
    const CPoint R = GetRight();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    if (GetBracket()) {
        const int left = GetNumberCentre() - m_nNumberWidth / 2;
        m_metrics.SetWidth(m_nNumberWidth);
        m_metrics.SetHeight(m_nNumberHeight);
        m_metrics.SetLeft(left);
        m_metrics.SetTop(GetLineY(L, R, left) + m_nNumberHeight / 2);
    } else {
        // The line and the hooks: the hooks reach one space toward the notes.
        const int top = std::max(L.y, R.y);
        m_metrics.SetWidth(R.x + w / 2 - L.x);
        m_metrics.SetHeight(std::abs(L.y - R.y) + h);
        m_metrics.SetLeft(L.x);
        m_metrics.SetTop(GetTupletLocation() ? top + h : top);
    }
    SetFrameDirty(0);
}

void DCctTuplet::GetFrame(CRect* rect, int selector) {
    if (IsEmptied()) {
        rect->SetRectEmpty();
        return;
    }
    if (selector == kNumberFrame) {
        const int left = GetNumberCentre() - m_nNumberWidth / 2;
        rect->left = left;
        rect->right = left + m_nNumberWidth;
        rect->top = GetLineY(GetLeft(), GetRight(), left) + m_nNumberHeight / 2;
        rect->bottom = rect->top - m_nNumberHeight;
        return;
    }
    if (m_metrics.GetWidth() == 0 && m_metrics.GetHeight() == 0) {
        rect->SetRectEmpty();
        return;
    }
    // The points carry the placement and the user offset; the tuplet's own
    // position is (0, 0).
    rect->left = m_metrics.GetLeft();
    rect->right = rect->left + static_cast<int>(m_metrics.GetWidth());
    rect->top = m_metrics.GetTop();
    rect->bottom = rect->top - static_cast<int>(m_metrics.GetHeight());
}

int DCctTuplet::HitTest(CPoint point, CPoint offset, int) {
    return DCctBase::HitTest(point, offset, kNumberFrame);
}

int DCctTuplet::HitTest(CRect* rect, CPoint offset, int) {
    return IsIn(rect, offset, 1, kNumberFrame);
}

// ---- drawing -----------------------------------------------------------------------------

int DCctTuplet::Draw(CDC* dc, CPoint point, CRect*) {
    if (IsEmptied()) {
        SetSize(dc);
        return DRAW_NOTHING;
    }
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const COLORREF color = GetColor(dc);
    font.SetFontColor(color);
    font.SelectFont(dc, FONT_NORMAL);
    if (FrameDirty())
        Measure(dc, true);

    const CSize by(point.x, point.y);
    const CPoint L = GetLeft() + by;
    const CPoint R = GetRight() + by;
    const int s = GetTupletLocation() ? -1 : 1;   // hooks point toward the notes
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    const int thickness = font.GetBarlineWidth(FONT_CURRENT);
    const int centre = point.x + GetNumberCentre();
    DrawLine line;
    if (!GetBracket()) {
        line.Draw(dc, L, CPoint(L.x, L.y - h * s), thickness, color, DrawLine::CENTERED);
        if (GetNumberLocation()) {
            // The line breaks half a notehead either side of the number; a
            // number reaching past an end leaves that side without line.
            const int x1 = centre - m_nNumberWidth / 2 - w / 2;
            const int x2 = centre + m_nNumberWidth / 2 + w / 2;
            if (x1 > L.x)
                line.Draw(dc, L, CPoint(x1, GetLineY(L, R, x1)), thickness, color, DrawLine::CENTERED);
            if (x2 < R.x)
                line.Draw(dc, CPoint(x2, GetLineY(L, R, x2)), R, thickness, color, DrawLine::CENTERED);
        } else {
            line.Draw(dc, L, R, thickness, color, DrawLine::CENTERED);
        }
        line.Draw(dc, R, CPoint(R.x, R.y - h * s), thickness, color, DrawLine::CENTERED);
    }

    // Centred on the line in a gap (or alone); else inside the bracket, on
    // the notes' side of the line.
    const int x = centre - m_nNumberWidth / 2;
    const int k = GetNumberLocation() || GetBracket() ? m_nNumberHeight / 2 : m_nNumberHeight * (s < 1 ? -1 : 3) / 2;
    dc->TextOut(x, GetLineY(L, R, x) + font.GetAscent(FONT_CURRENT) - k, Cp1252ToUtf8(m_number));
    font.DeselectFont(dc);
    return DRAW_DONE;
}

int DCctTuplet::DrawInRect(CDC* dc, CRect* rect) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    LOGFONT savedFont;
    MCMusicFont::NoteMetrics savedMetrics;
    font.SaveLogFont(&savedFont, &savedMetrics);
    font.SetFontHeight(AdjustForSmallFont(rect->top - rect->bottom));
    font.SetFontColor(GetColor(dc));
    // The sample's height must not refill the caches the score measures with.
    font.SetExtentDirty(0, FONT_ALL);
    font.SelectFont(dc, FONT_NORMAL);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    font.DeselectFont(dc);

    const int y = rect->top + (rect->bottom - rect->top) / 2;
    const CPoint left(rect->left + w, y);
    const CPoint right(rect->right - w, y);
    SetBracketPoints(left, right, left.x + (right.x - left.x) / 2 - m_nDX);
    Draw(dc, CPoint(0, 0), nullptr);
    font.RestoreLogFont(savedFont, savedMetrics);
    // The sample's points and measures are not the score's: a tuplet shown
    // this way is placed and measured again before it is drawn in place.
    SetPositionDirty(1);
    SetFrameDirty(1);
    return 1;
}
