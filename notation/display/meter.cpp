// DCctMeter: forms, layout of the numbers, drawing, archive tail; and the
// measure ruler's meter handler.
#include "notation/display/meter.h"

#include "model/meter.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/event.h"
#include "notation/display/conductorlinks.h"
#include "notation/layout/digits.h"
#include "notation/layout/ruler.h"
#include "platform/core/archive.h"
#include "platform/core/codepage.h"
#include "platform/gdi/dc.h"

#include <algorithm>

IMPLEMENT_SERIAL(DCctMeter, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

std::string Digits(int n) {
    std::string text;
    NumberToDigits(n, text);
    return text;
}

const std::string& Separator() {
    static const std::string text(1, static_cast<char>(DCctMeter::GLYPH_SEPARATOR));
    return text;
}

void DrawText(CDC* dc, CPoint at, const std::string& text) {
    if (!text.empty())
        dc->TextOut(at.x, at.y, Cp1252ToUtf8(text));
}

}  // namespace

DCctMeter::DCctMeter() = default;

DCctMeter::DCctMeter(const DCctMeter& other) : DCctBase(other), m_type(other.m_type) {}

DCctMeter::~DCctMeter() = default;

// ---- forms ------------------------------------------------------------------------------

void DCctMeter::MarkChanged() {
    SetFrameDirty(1);
    SetDirty(1);
}

void DCctMeter::SetMeter(int numerator, int denominator) {
    m_type = TS_NUMBERS;
    m_numerator = static_cast<unsigned char>(numerator);
    m_denominator = static_cast<unsigned char>(denominator);
    MarkChanged();
}

void DCctMeter::SetMeter(tag_timesignaturetype type) {
    m_type = type;
    m_numerator = m_denominator = type == TS_COMMON ? 4 : 2;
    MarkChanged();
}

void DCctMeter::SetMeter(const std::vector<unsigned char>& numerators, const std::vector<unsigned char>& denominators) {
    m_numerators = numerators;
    m_denominators = denominators;
    m_type = TS_LISTS;
    MarkChanged();
}

void DCctMeter::SetMeter(const ECMeter& meter) {
    switch (meter.GetMeterType()) {
    case 0:
        SetMeter(TS_COMMON);
        break;
    case 1:
        SetMeter(TS_CUT);
        break;
    case 6:   // a list meter: its numerators and denominators
        SetMeter(meter.GetCompoundNumerator(), meter.GetCompoundDenominator());
        break;
    default:
        SetMeter(meter.GetNumerator(), meter.GetDenominator());
        break;
    }
}

UINT DCctMeter::GetFontFromType() {
    switch (m_type) {
    case TS_COMMON:
        return GLYPH_COMMON;
    case TS_CUT:
        return GLYPH_CUT;
    default:
        return 0;   // numbers are drawn as text
    }
}

int DCctMeter::AdjustForFont(int height) {
    return AdjustForLargeFont(height);
}

// ---- archive ------------------------------------------------------------------------------

void DCctMeter::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_type) << static_cast<BYTE>(m_numerator) << static_cast<BYTE>(m_denominator);
        return;
    }
    LONG type = 0;
    BYTE numerator = 0;
    BYTE denominator = 0;
    ar >> type >> numerator >> denominator;
    // Any form reads: those past the lists draw as numbers do.
    m_type = static_cast<tag_timesignaturetype>(type);
    m_numerator = numerator;
    m_denominator = denominator;
}

// ---- size -----------------------------------------------------------------------------------

void DCctMeter::CenterAndSizeNumeratorAndDenominator(MCMusicFont* font, CDC* dc, tag_displayMeter& entry, int x) {
    const int h = font->GetNoteheadHeight(FONT_CURRENT);
    font->SelectFont(dc, FONT_NORMAL);
    const int numeratorWidth = dc->GetTextExtent(Cp1252ToUtf8(entry.numeratorText)).cx;
    const int denominatorWidth = dc->GetTextExtent(Cp1252ToUtf8(entry.denominatorText)).cx;
    const int wider = std::max(numeratorWidth, denominatorWidth);
    // Both texts count two staff spaces high: each fills half the staff.
    entry.numeratorPoint = CPoint(x + (wider - numeratorWidth) / 2, -h);
    entry.denominatorPoint = CPoint(x + (wider - denominatorWidth) / 2, -3 * h);
    m_metrics.SetWidth(wider);
    m_metrics.SetHeight(-h + 2 * h - (-3 * h));
    m_metrics.SetLeft(0);
    m_metrics.SetTop(0);
    font->DeselectFont(dc);
}

void DCctMeter::SizeNumbers(CDC* dc) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    if (m_numerators.empty() || m_denominators.empty()) {
        tag_displayMeter entry;
        entry.numerator = m_numerator;
        entry.denominator = m_denominator;
        entry.numeratorText = Digits(m_numerator);
        entry.denominatorText = Digits(m_denominator);
        CenterAndSizeNumeratorAndDenominator(&font, dc, entry, 0);
        m_display.push_back(entry);
        return;
    }
    if (m_denominators.size() == 1) {
        // 3 + 2 + 2 over 8: one fraction whose numerator is the joined list.
        tag_displayMeter entry;
        for (size_t i = 0; i < m_numerators.size(); ++i) {
            if (i > 0)
                entry.numeratorText += Separator();
            entry.numeratorText += Digits(m_numerators[i]);
        }
        entry.denominatorText = Digits(m_denominators[0]);
        CenterAndSizeNumeratorAndDenominator(&font, dc, entry, 0);
        m_display.push_back(entry);
        return;
    }
    // A row of fractions. A meter event pairs its lists one to one, but a
    // damaged file may not: a numerator past the denominators takes the
    // last one, and denominators past the numerators are not drawn.
    const int separatorWidth = static_cast<int>(font.GetMusicMetrics(GLYPH_SEPARATOR, FONT_CURRENT).GetWidth());
    int x = 0;
    for (size_t i = 0; i < m_numerators.size(); ++i) {
        tag_displayMeter fraction;
        fraction.numerator = m_numerators[i];
        fraction.denominator = m_denominators[std::min(i, m_denominators.size() - 1)];
        fraction.numeratorText = Digits(fraction.numerator);
        fraction.denominatorText = Digits(fraction.denominator);
        CenterAndSizeNumeratorAndDenominator(&font, dc, fraction, x);
        x += static_cast<int>(m_metrics.GetWidth());
        m_display.push_back(fraction);
        if (i + 1 == m_numerators.size())
            break;
        tag_displayMeter separator;
        separator.numeratorPoint = CPoint(x, -2 * h);
        separator.separatorText = Separator();
        m_display.push_back(separator);
        x += separatorWidth;
    }
    m_metrics.SetWidth(x);
}

void DCctMeter::SetSize(CDC* dc) {
    if (!FrameDirty())
        return;
    if (m_type == TS_COMMON || m_type == TS_CUT) {
        DestroyDisplayArray();
        DCctBase::SetSize(dc);
        return;
    }
    if (!dc)
        return;   // texts are measured in a device context; stays dirty
    DestroyDisplayArray();
    SizeNumbers(dc);
    SetFrameDirty(0);
}

void DCctMeter::GetFrame(CRect* rect, int selector) {
    if (m_type == TS_COMMON || m_type == TS_CUT) {
        DCctBase::GetFrame(rect, selector);
        return;
    }
    const int left = GetX();
    const int top = GetY();
    *rect = CRect(left, top, left + static_cast<int>(m_metrics.GetWidth()), top - static_cast<int>(m_metrics.GetHeight()));
}

int DCctMeter::GetXOfLastNumerator() {
    if (m_type == TS_COMMON || m_type == TS_CUT)
        return 0;
    if (m_denominators.size() == 1 && m_numerators.size() != 1) {
        const int digit = static_cast<int>(MCMusicFont::GetMusicFont().GetMusicMetrics(GLYPH_MEASURED_DIGIT, FONT_CURRENT).GetWidth());
        return GetWidth() - digit;
    }
    return m_display.empty() ? 0 : m_display.back().numeratorPoint.x;
}

// ---- place ---------------------------------------------------------------------------------------

int DCctMeter::Position(ECConductor* conductor, ECStaff* /*staff*/, ECMeasure* /*measure*/, ECBase* /*parent*/) {
    ECBase* owner = GetOwner();
    const MCTime* time = owner ? owner->GetTime() : nullptr;
    if (!conductor || !time)
        return 0;
    ECMeasure* found = conductor->GetMeasure(0, *time, 0, 1);
    auto* measure = found && found->GetClassType() == ET_CONDUCTORMEASURE ? static_cast<ECConductorMeasure*>(found) : nullptr;
    ConductorMeasureLayout layout;
    if (!GetConductorMeasureLayout(measure, layout))
        return 0;
    SetPosition(layout.meterX, 0);
    return 1;
}

// ---- drawing ----------------------------------------------------------------------------------

int DCctMeter::Draw(CDC* dc, CPoint point, CRect* clip) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    if (m_type == TS_COMMON || m_type == TS_CUT) {
        // The symbol's reference point is the middle line; the base snaps it.
        return DCctBase::Draw(dc, CPoint(point.x, point.y - 2 * h), clip);
    }
    font.SetFontColor(GetColor(dc));
    // Laid out before the font is selected here: the layout selects it
    // itself, and a selection inside another would lose the font to restore.
    SetSize(dc);
    font.SelectFont(dc, FONT_NORMAL);
    // The digits' cells overlap (a numerator's cell reaches into the
    // denominator's): an opaque background would wipe out what came before.
    const int oldBkMode = dc->SetBkMode(TRANSPARENT);
    CPoint q = GetPosition();
    q.Offset(point.x, point.y + font.GetAscent(FONT_CURRENT));
    const auto at = [&q](CPoint relative) { return CPoint(q.x + relative.x, q.y + relative.y); };
    if (!m_numerators.empty()) {
        for (size_t i = 0; i < m_display.size(); ++i) {
            const tag_displayMeter& entry = m_display[i];
            if (i % 2 == 0) {
                DrawText(dc, at(entry.numeratorPoint), entry.numeratorText);
                DrawText(dc, at(entry.denominatorPoint), entry.denominatorText);
            } else {
                DrawText(dc, at(entry.numeratorPoint), entry.separatorText);
            }
        }
    } else if (!m_display.empty()) {
        DrawText(dc, at(m_display[0].numeratorPoint), m_display[0].numeratorText);
        DrawText(dc, at(m_display[0].denominatorPoint), m_display[0].denominatorText);
    }
    dc->SetBkMode(oldBkMode);
    font.DeselectFont(dc);
    return DRAW_DONE;
}

int DCctMeter::DrawInRect(CDC* dc, CRect* /*rect*/) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SetExtentDirty(0, FONT_ALL);
    SetFrameDirty(1);
    SetAssembleDirty(1);
    Draw(dc, CPoint(0, 0), nullptr);
    return 1;
}

// ---- the measure ruler's meter handler ------------------------------------------------------

int MCRuler::DoMeter(ECBase* element, int clear) {
    auto* meter = element ? dynamic_cast<DCctMeter*>(element->GetData(DK_NOTATION, 0)) : nullptr;
    if (!meter)
        return 0;
    if (clear)
        RemoveProlog(PROLOG_METER);
    else
        SetPrologWidth(PROLOG_METER, meter->GetXOfLastNumerator());
    return 1;
}
