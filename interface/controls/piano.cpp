#include "interface/controls/piano.h"

#include "interface/controls/dlgitem.h"
#include "platform/devices/portavel.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdiobj.h"
#include "platform/gdi/textrecords.h"
#include "platform/ui/paint.h"

#include <algorithm>
#include <cstdio>

IMPLEMENT_DYNAMIC(MCPianoCtrl, CButton)
IMPLEMENT_DYNAMIC(MCPianoCtrlMedia, MCPianoCtrl)

namespace {

constexpr int kLowestNote = 0;
constexpr int kHighestNote = 127;
constexpr int kLeastKeys = 13;
constexpr int kMiddleC = 60;

// The label font's record values.
constexpr uint8_t kDefaultCharset = 1;
constexpr uint8_t kStringPrecision = 1;
constexpr uint8_t kCharacterClipping = 1;

bool IsBlack(int note) {
    switch (note % 12) {
    case 1: case 3: case 6: case 8: case 10: return true;
    default: return false;
    }
}

int WhiteKeysIn(int low, int high) {
    int count = 0;
    for (int note = low; note <= high; ++note)
        count += IsBlack(note) ? 0 : 1;
    return count;
}

bool IsNote(int key) {
    return key >= kLowestNote && key <= kHighestNote;
}

// A colour with each of its parts divided by 1.5: the dot's rim.
COLORREF Darker(COLORREF color) {
    const auto part = [color](int shift) { return static_cast<BYTE>(((color >> shift) & 0xFF) / 1.5); };
    return RGB(part(0), part(8), part(16));
}

}  // namespace

BEGIN_MESSAGE_MAP(MCPianoCtrl, CButton)
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

int MCPianoCtrl::SubclassCtrl(UINT id, CWnd* parent) {
    return MCTakeOverDlgItem(*this, id, parent) ? 1 : 0;
}

// ---- settings -----------------------------------------------------------------------------

void MCPianoCtrl::SetRange(int low, int high) {
    low = std::clamp(low, kLowestNote, kHighestNote);
    high = std::clamp(high, kLowestNote, kHighestNote);
    if (low > high)
        std::swap(low, high);
    if (high - low + 1 < kLeastKeys) {
        high = low + kLeastKeys - 1;
        if (high > kHighestNote) {   // at the top the range grows downwards
            high = kHighestNote;
            low = high - kLeastKeys + 1;
        }
    }
    m_nLowNote = low;
    m_nHighNote = high;
    m_nKeyCount = high - low + 1;
    if (m_hWnd)
        Invalidate(TRUE);
}

void MCPianoCtrl::SetVertical(int vertical) {
    m_bVertical = vertical ? 1 : 0;
    if (m_hWnd)
        Invalidate(TRUE);
}

void MCPianoCtrl::SetCentered(int centered) {
    m_bCentered = centered ? 1 : 0;
    if (m_hWnd)
        Invalidate(TRUE);
}

void MCPianoCtrl::SetMode(int mode) {
    m_nMode = mode;
    if (m_hWnd)
        Invalidate(TRUE);
}

void MCPianoCtrl::SetLabels(int labels) {
    m_nLabels = labels;
    if (m_hWnd)
        Invalidate(TRUE);
}

// ---- geometry -----------------------------------------------------------------------------

MCPianoCtrl::Geometry MCPianoCtrl::Measure() const {
    Geometry g{};
    CRect client;
    if (m_hWnd)
        GetClientRect(&client);
    g.area = client;
    g.area.left += m_nLeftOffset;
    if (m_nLabels != LABEL_NONE)
        g.area.bottom -= m_nLabelHeight;
    g.whiteKeys = WhiteKeysIn(m_nLowNote, m_nHighNote);
    g.white = g.whiteKeys > 0 ? g.area.Width() / g.whiteKeys : 0;
    g.black = static_cast<int>(g.white * m_fBlackWidthRatio);
    g.blackLength = static_cast<int>((g.area.bottom - 1 - g.area.top) / m_fBlackLengthDivisor);
    return g;
}

CRect MCPianoCtrl::KeyRect(const Geometry& g, int note) const {
    if (note < m_nLowNote || note > m_nHighNote)
        return CRect();
    const int whitesBefore = WhiteKeysIn(m_nLowNote, note - 1);
    if (!IsBlack(note)) {
        const int left = g.area.left + whitesBefore * g.white;
        return CRect(left, g.area.top, left + g.white, g.area.bottom);
    }
    const int left = g.area.left - g.black / 2 + whitesBefore * g.white;
    const int width = note == m_nHighNote ? g.black / 2 : g.black;
    return CRect(left, g.area.top, left + width, g.area.top + g.blackLength);
}

CRect MCPianoCtrl::GetKeyRect(int note) const {
    return KeyRect(Measure(), note);
}

int MCPianoCtrl::FindKey(CPoint point) const {
    const Geometry g = Measure();
    if (!g.area.PtInRect(point) || g.white <= 0)
        return -1;
    for (int note = m_nLowNote; note <= m_nHighNote; ++note)
        if (IsBlack(note) && KeyRect(g, note).PtInRect(point))
            return note;
    const int n = (point.x - g.area.left) / g.white + 1;
    int whites = 0;
    for (int note = m_nLowNote; note <= m_nHighNote; ++note)
        if (!IsBlack(note) && ++whites == n)
            return note;
    return -1;
}

// ---- drawing ------------------------------------------------------------------------------

void MCPianoCtrl::DrawItem(LPDRAWITEMSTRUCT item) {
    CDC* dc = item->hDC;
    CRect client;
    GetClientRect(&client);
    const int whiteKeys = WhiteKeysIn(m_nLowNote, m_nHighNote);
    m_nLeftOffset = 0;
    if (m_bCentered && whiteKeys > 0)
        m_nLeftOffset = (client.Width() - whiteKeys * (client.Width() / whiteKeys)) / 2;
    const Geometry g = Measure();
    const int right = g.area.left + g.whiteKeys * g.white;

    dc->FillSolidRect(&g.area, m_colorWhite);
    CPen outline(PS_SOLID, 1, m_colorOutline);
    CPen* oldPen = dc->SelectObject(&outline);
    dc->MoveTo(g.area.left, g.area.bottom - 1);
    dc->LineTo(right, g.area.bottom - 1);
    dc->MoveTo(g.area.left, g.area.top);
    dc->LineTo(g.area.left, g.area.bottom);
    for (int note = m_nLowNote; note <= m_nHighNote; ++note) {
        const CRect key = KeyRect(g, note);
        if (IsBlack(note)) {
            dc->FillSolidRect(&key, m_colorBlack);
        } else {
            dc->MoveTo(key.right - 1, key.top);
            dc->LineTo(key.right - 1, key.bottom);
        }
    }
    dc->SelectObject(oldPen);

    if (m_nLabels == LABEL_NONE)
        return;
    CFont font;
    if (!font.CreateFont(m_nLabelHeight, 0, 0, 0, 400, 0, 0, 0, kDefaultCharset, kStringPrecision,
                         kCharacterClipping, 0, 0, "Arial"))
        return;   // no labels without their font
    CFont* oldFont = dc->SelectObject(&font);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    const COLORREF oldColor = dc->GetTextColor();
    for (int note = m_nLowNote; note <= m_nHighNote; ++note) {
        if (note % 12 != 0)
            continue;
        const CRect key = KeyRect(g, note);
        CRect strip(key.left, g.area.bottom, key.right, g.area.bottom + m_nLabelHeight);
        char text[16];
        std::snprintf(text, sizeof text, "C%d", note / 12 - 1);
        dc->SetTextColor(note == kMiddleC && m_bMarkMiddleC ? m_colorMiddleC : m_colorLabel);
        dc->DrawText(text, &strip, DT_CENTER | DT_SINGLELINE | DT_NOCLIP);
    }
    dc->SetTextColor(oldColor);
    dc->SetBkMode(oldMode);
    dc->SelectObject(oldFont);
}

void MCPianoCtrl::HighlightKey(COLORREF color, int note, int restore) {
    if (!m_hWnd || note < m_nLowNote || note > m_nHighNote)
        return;
    const Geometry g = Measure();
    const CRect key = KeyRect(g, note);
    const int radius = g.black / 2;
    const int centreX = (key.left + key.right) / 2;
    const int centreY = IsBlack(note) ? key.bottom - (radius + 2) : g.area.bottom - 1 - (radius + 2);
    const COLORREF keyColor = IsBlack(note) ? m_colorBlack : m_colorWhite;

    CClientDC dc(this);
    dc.IntersectClipRect(&g.area);
    CPen pen(PS_SOLID, 1, restore ? keyColor : Darker(color));
    CBrush brush(restore ? keyColor : color);
    CPen* oldPen = dc.SelectObject(&pen);
    CBrush* oldBrush = dc.SelectObject(&brush);
    dc.Ellipse(centreX - radius, centreY - radius, centreX - radius + g.black, centreY - radius + g.black);
    dc.SelectObject(oldBrush);
    dc.SelectObject(oldPen);
}

// ---- playing ------------------------------------------------------------------------------

void MCPianoCtrl::NoteOn(unsigned, unsigned char, unsigned char, unsigned char) {}

void MCPianoCtrl::NoteOff(unsigned, unsigned char, unsigned char, unsigned char) {}

void MCPianoCtrl::PressKey(int note, bool moving) {
    const bool keepLast = (m_nMode & MODE_KEEP_LAST) != 0;
    if (note == -1 && keepLast)
        return;
    HighlightKey(m_colorHighlight, m_nCurrentKey, 1);
    if (m_bSound && IsNote(m_nCurrentKey) && !(keepLast && !moving))
        NoteOff(static_cast<unsigned>(m_nDevice), static_cast<unsigned char>(m_nCurrentKey), m_nNoteOffVelocity,
                m_nChannel);
    if (m_bSound && IsNote(note))
        NoteOn(static_cast<unsigned>(m_nDevice), static_cast<unsigned char>(note), m_nNoteOnVelocity, m_nChannel);
    m_nCurrentKey = note;
    HighlightKey(m_colorHighlight, note, 0);
}

void MCPianoCtrl::ReleaseKey(int note) {
    if (m_bSound && IsNote(note))
        NoteOff(static_cast<unsigned>(m_nDevice), static_cast<unsigned char>(note), m_nNoteOffVelocity, m_nChannel);
    if (!(m_nMode & MODE_KEEP_LAST))
        HighlightKey(m_colorHighlight, note, 1);
}

void MCPianoCtrl::OnLButtonDown(UINT /*nFlags*/, CPoint point) {
    if (!m_bCaptured) {
        SetCapture();
        m_bCaptured = 1;
    }
    PressKey(FindKey(point), false);
}

void MCPianoCtrl::OnMouseMove(UINT /*nFlags*/, CPoint point) {
    if (!m_bCaptured)
        return;
    const int key = FindKey(point);
    if (key != m_nCurrentKey)
        PressKey(key, true);
}

void MCPianoCtrl::OnLButtonUp(UINT /*nFlags*/, CPoint /*point*/) {
    if (m_bCaptured) {
        ReleaseCapture();
        m_bCaptured = 0;
    }
    ReleaseKey(m_nCurrentKey);
    if (!(m_nMode & MODE_KEEP_LAST))
        m_nCurrentKey = -1;
}

// ---- MCPianoCtrlMedia ---------------------------------------------------------------------

namespace {

void SendNote(BYTE status, unsigned device, unsigned char note, unsigned char velocity, unsigned char channel) {
    const DWORD message = static_cast<DWORD>(status + ((channel - 1) & 0x0F)) |
                          (static_cast<DWORD>(note & 0x7F) << 8) | (static_cast<DWORD>(velocity & 0x7F) << 16);
    CPortavel::GetPortavel()->SendMidiMsg(static_cast<int>(device), message, 0);
}

}  // namespace

void MCPianoCtrlMedia::NoteOn(unsigned device, unsigned char note, unsigned char velocity, unsigned char channel) {
    SendNote(0x90, device, note, velocity, channel);
}

void MCPianoCtrlMedia::NoteOff(unsigned device, unsigned char note, unsigned char velocity, unsigned char channel) {
    SendNote(0x80, device, note, velocity, channel);
}
