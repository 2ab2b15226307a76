// DCctDot: placing, framing and drawing a note's, chord's or rest's dots.
#include "notation/display/dot.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/staff.h"
#include "model/time.h"
#include "notation/display/drawsteps.h"
#include "notation/display/measure.h"
#include "notation/display/notateclef.h"
#include "notation/display/note.h"
#include "notation/display/staff.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"

IMPLEMENT_SERIAL(DCctDot, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {
constexpr UINT kDotGlyph = 107;
constexpr int kStemUp = 0;
}  // namespace

DCctDot::DCctDot() = default;

DCctDot::DCctDot(const DCctDot& other) : DCctBase(other) {}

DCctDot::~DCctDot() = default;

UINT DCctDot::GetFontFromType() {
    return kDotGlyph;
}

BYTE DCctDot::GetType() {
    auto* dot = dynamic_cast<ECDot*>(GetOwner());
    return dot ? dot->GetDotType() : 0;
}

ECBase* DCctDot::FindDotted() {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    return parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
}

DCctNote* DCctDot::FindNoteParent() {
    ECBase* dotted = FindDotted();
    return dotted && dotted->GetClassType() == ET_NOTE ? dynamic_cast<DCctNote*>(NotationDisplayOf(dotted)) : nullptr;
}

bool DCctDot::FlagOnTheRight(DCctNote* note) {
    return note && note->GetFlag() == 1 && note->GetStemDirection() == kStemUp;
}

int DCctDot::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase*) {
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    ECBase* dotted = FindDotted();
    if (!dotted || dotted->GetClassType() != ET_NOTE) {
        DCctBase* display = NotationDisplayOf(dotted);
        SetPosition(h + (display ? display->GetWidth() : 0), h / 2);
        return 1;
    }

    auto* note = dynamic_cast<DCctNote*>(NotationDisplayOf(dotted));
    MCVoiceTrack* word = dotted->GetVoiceTrack();
    if (!conductor)
        conductor = GetConductor();
    if (!staff && conductor && word)
        staff = static_cast<ECStaff*>(conductor->GetTrack(1, word->GetTrack(), 0));
    if (!measure)
        measure = static_cast<ECMeasure*>(dotted->GetAncestor(ET_MEASURE, -1));
    auto* measureDisplay = dynamic_cast<DCctMeasure*>(NotationDisplayOf(measure));
    MCTime* time = dotted->GetTime();
    if (!note || !staff || !measureDisplay || !time)
        return 0;
    const int voice = word ? word->GetVoice() : 0;
    const int lower = staff->GetStaffType() == DCctMeasure::STAFF_GRAND && voice > 3;
    ECClef* clef = DCctStaff::GetClefAtTime(staff, *time, static_cast<BYTE>(lower));
    const NotateClefLinks& links = GetNotateClefLinks();
    DCctClef* clefDisplay = clef && links.clefDisplay ? links.clefDisplay(clef) : nullptr;
    if (!clefDisplay || !links.inSpace)
        return 0;

    int y = 0;
    if (!links.inSpace(clefDisplay, note->GetSpelling())) {
        // A head on a line: its dot goes into the space above, or below for
        // the lower voice when two voices share the staff.
        const int shared = !measureDisplay->IsSingleVoice(voice > 3);
        y = shared && voice % 2 == 1 ? -h / 2 : h / 2;
    }
    const int x = FlagOnTheRight(note) ? note->GetWidth() + h / 4 : h + w;
    SetPosition(x, y);
    return 1;
}

void DCctDot::GetFrame(CRect* rect, int selector) {
    DCctBase::GetFrame(rect, selector);
    if (m_metrics.GetWidth() == 0 && m_metrics.GetHeight() == 0)
        return;   // not measured: no frame to widen
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    rect->right += (h / 2) * GetType();
}

int DCctDot::Draw(CDC* dc, CPoint point, CRect*) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    FontColorScope color(font);
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    const int count = GetType();
    for (int k = 0; k < count; ++k) {
        DrawMusicGlyph(dc, p.x, p.y + font.GetAscent(FONT_CURRENT), kDotGlyph);
        p.x += h / 2;
    }
    font.DeselectFont(dc);
    return DRAW_DONE;
}

int DCctDot::DrawInRect(CDC* dc, CRect* rect) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    LOGFONT savedFont;
    MCMusicFont::NoteMetrics savedMetrics;
    font.SaveLogFont(&savedFont, &savedMetrics);
    FontColorScope color(font);
    font.SetFontHeight((rect->top - rect->bottom) * 10 / 4);
    font.SetFontColor(GetPermanentColor());
    // The sample's height must not refill the caches the score measures with.
    font.SetExtentDirty(0, FONT_ALL);
    font.SelectFont(dc, FONT_NORMAL);
    m_metrics = font.GetMusicExtent(dc, kDotGlyph);
    SetFrameDirty(0);
    SetAssembleDirty(1);
    CRect f;
    GetFrame(&f, 0);
    SetPosition(rect->left + ((rect->right - rect->left) - (f.right - f.left)) / 2,
                rect->top + ((rect->bottom - rect->top) - (f.bottom - f.top)) / 2 + m_metrics.GetTop());
    Draw(dc, CPoint(0, 0), nullptr);
    font.DeselectFont(dc);
    font.RestoreLogFont(savedFont, savedMetrics);
    return 1;
}

void DCctDot::SetAlignPosition(int column) {
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    SetX(h + w * (column + 1) + (FlagOnTheRight(FindNoteParent()) ? h / 4 : 0));
    SetPositionDirty(0);
}

void DCctDot::SetVerticalAlign(int align) {
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    switch (align) {
    case ALIGN_BELOW:
        SetY(-h / 2);
        break;
    case ALIGN_ON:
        SetY(0);
        break;
    case ALIGN_ABOVE:
        SetY(h / 2);
        break;
    default:
        break;
    }
    SetPositionDirty(0);
}
