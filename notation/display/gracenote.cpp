// DCctGraceNote: construction, archive, the slash and slur choices, placing
// against the main note and drawing; and the main note's layout of the grace
// notes before it (DCctNote::Group).
#include "notation/display/gracenote.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/lists.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/staff.h"
#include "notation/display/beam.h"
#include "notation/display/drawsteps.h"
#include "notation/display/measure.h"
#include "notation/display/samplefont.h"
#include "notation/display/staff.h"
#include "notation/layout/curves.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"

#include <vector>

IMPLEMENT_SERIAL(DCctGraceNote, DCctNote, VERSIONABLE_SCHEMA | 2)

namespace {

// The palette's pictures of a grace note: one glyph each, head, stem, flag
// and slash, for a stem up and a stem down.
constexpr UINT kPrototypeStemUp = 201;
constexpr UINT kPrototypeStemDown = 71;

// A word that was never given a voice and track reads as voice 15, track
// 2047, as MCVoiceTrack reads a converted word.
constexpr int kNoVoice = 15;
constexpr int kNoTrack = 0x7FF;
constexpr int kFirstLowerVoice = 4;

// Values shorter than this (in ticks: an eighth) carry more than one flag.
constexpr WORD kEighth = 128;

}  // namespace

DCctGraceNote::DCctGraceNote() {
    SetGrace(1);
    SetBit(BIT_SLASH, 1);
    SetBit(BIT_SLASH_OVERRIDE, 0);
}

DCctGraceNote::DCctGraceNote(const DCctGraceNote& other) : DCctNote(other), m_nSlur(other.m_nSlur) {
    SetGrace(1);
}

DCctGraceNote::~DCctGraceNote() = default;

void DCctGraceNote::Serialize(CArchive& ar) {
    DCctNote::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nSlur;
        return;
    }
    ar >> m_nSlur;
}

void DCctGraceNote::SetSlash(int slash, int override) {
    if (override != 1 && IsSlashOverride())
        return;
    SetBit(BIT_SLASH, slash);
    SetBit(BIT_SLASH_OVERRIDE, override);
}

void DCctGraceNote::SetSlur(int slur, int override) {
    if (override != 1 && IsSlurOverride())
        return;
    m_nSlur = static_cast<BYTE>((m_nSlur & ~(SLUR_ON | SLUR_OVERRIDE)) | (slur ? SLUR_ON : 0) |
                                (override ? SLUR_OVERRIDE : 0));
}

// ---- placing --------------------------------------------------------------------------

int DCctGraceNote::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase*) {
    ECBase* owner = GetOwner();
    ECBase* mainNote = owner ? owner->GetAncestor(ET_NOTE, -1) : nullptr;
    auto* mainDisplay = dynamic_cast<DCctNote*>(NotationDisplayOf(mainNote));
    if (!mainDisplay)
        return 0;
    if (!measure)
        measure = static_cast<ECMeasure*>(mainNote->GetAncestor(ET_MEASURE, -1));
    auto* measureDisplay = measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!measureDisplay)
        return 0;
    // Either pitch not spelled yet gives no distance worth drawing.
    if (GetSpelling().GetMidiPitch() == 0 || mainDisplay->GetSpelling().GetMidiPitch() == 0)
        return 0;

    MCVoiceTrack* word = mainNote->GetVoiceTrack();
    if (!staff) {
        if (!conductor)
            conductor = GetConductor();
        const int track = word ? word->GetTrack() : kNoTrack;
        staff = conductor ? static_cast<ECStaff*>(conductor->GetTrack(1, track, 0)) : nullptr;
    }
    const int voice = word ? word->GetVoice() : kNoVoice;
    MCTime time = mainNote->GetTime() ? *mainNote->GetTime() : *measure->GetTime();
    // The lower staff's clef for the lower voices; a one-staff staff answers
    // with its only clef.
    ECClef* clef = DCctStaff::GetClefAtTime(staff, time, voice >= kFirstLowerVoice ? 1 : 0);
    if (!clef)
        return 0;
    const BYTE clefType = clef->GetClefType();
    const int own = measureDisplay->GetYPositionForPitch(GetSpelling(), voice, clefType);
    const int main = measureDisplay->GetYPositionForPitch(mainDisplay->GetSpelling(), voice, clefType);
    SetY(own - main);
    return 1;
}

// ---- drawing --------------------------------------------------------------------------

int DCctGraceNote::Draw(CDC* dc, CPoint point, CRect* clip) {
    FontColorScope color(MCMusicFont::GetMusicFont());   // recoloured for this note alone
    const int drawn = DCctNote::Draw(dc, point, clip);
    // A slash crosses a stem: none on a note not drawn or drawn without one.
    if (drawn != DRAW_DONE || !GetSlash() || !HasStem() || IsStemHidden())
        return drawn;
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_GRACE);
    const int w = font.GetNoteheadWidth(FONT_GRACE);
    const int sw = font.GetStemWidth(FONT_GRACE);
    // The stem's end as DCctNote::Draw just attached it (user offset included,
    // so the slash stays on a moved stem).
    const CPoint at = GetPosition();
    const CPoint end(at.x + m_nStemX + point.x, at.y + GetStemHeight() + point.y);
    const int pastFlags = GetValue() < kEighth ? h : 0;
    CPoint from;
    CPoint to;
    if (GetStemDirection() == 0) {
        from = CPoint(end.x - w / 2, end.y - 2 * h);
        to = CPoint(end.x + h, end.y - h / 2 + pastFlags);
    } else {
        from = CPoint(end.x + 3 * w / 2, end.y + 2 * h);
        to = CPoint(end.x - h / 2, end.y + h - pastFlags);
    }
    DrawLine().Draw(dc, from, to, sw, GetColor(dc), DrawLine::CENTERED);
    return DRAW_DONE;
}

int DCctGraceNote::DrawInRect(CDC* dc, CRect* rect) {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    if (parents && parents->FindEvent(ET_NOTE))
        return DrawInPlace(dc);   // in the score, relative to its main note
    if (!rect)
        return 0;   // a prototype has nowhere to stand
    // A palette prototype: the grace note's own glyph, made smaller when it
    // would stand out of the rectangle.
    const UINT glyph = GetStemDirection() == 0 ? kPrototypeStemUp : kPrototypeStemDown;
    const int room = rect->top - rect->bottom;
    const int height = AdjustForLargeFont(room);
    int fitted = height;
    {
        MusicFontSample probe(dc, height, GetColor(dc));
        fitted = FitSampleHeight(height, static_cast<int>(probe.Font().GetMusicExtent(dc, glyph).GetHeight()), room);
    }
    MusicFontSample sample(dc, fitted, GetColor(dc));
    MCMusicFont& font = sample.Font();
    m_metrics = font.GetMusicExtent(dc, glyph);
    CenterPosition(dc, rect);
    const CPoint at = GetPosition();
    DrawMusicGlyph(dc, at.x, at.y + font.GetAscent(FONT_CURRENT), glyph);
    return 1;
}

// ---- the main note's grace notes ---------------------------------------------------------

void DCctNote::Group(ECConductor* conductor, ECStaff* staff) {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (!children || !children->FindEvent(ET_GRACENOTE))
        return;
    // The first child of a type, or null.
    auto childOf = [children](int type) {
        const POSITION at = children->FindEvent(type);
        return at ? children->GetAt(at) : nullptr;
    };
    if (auto* beam = dynamic_cast<DCctBeam*>(NotationDisplayOf(childOf(ET_BEAM)))) {
        beam->SetGrace(1);
        beam->Group(conductor, staff);
    }

    // From the note's shown accidental, else from the note itself.
    int x = 0;
    DCctBase* accidental = NotationDisplayOf(childOf(ET_ACCIDENTAL));
    if (accidental && !accidental->IsHidden()) {
        accidental->Position(nullptr, nullptr, nullptr, nullptr);
        x = accidental->GetX();
    }
    const int gap = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_GRACE);

    ACFindEvents find;
    find.AddEvtType(ET_GRACENOTE);
    find.AddEvtType(ET_CHORD);
    find.Apply(owner);
    std::vector<DCctGraceNote*> graces;
    MCEventList& found = find.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        ECBase* event = found.GetNext(pos);
        if (event && event->GetClassType() == ET_GRACENOTE)
            if (auto* grace = dynamic_cast<DCctGraceNote*>(NotationDisplayOf(event)))
                graces.push_back(grace);
    }
    for (size_t i = 0; i < graces.size(); ++i) {
        DCctGraceNote* grace = graces[i];
        // A run of grace notes is slashed once: on the last one found.
        if (i + 1 < graces.size())
            grace->SetSlash(0, 1);
        x -= grace->GetWidth() + gap;
        grace->SetX(x);
        x -= grace->GetTotalWidthLeft();
    }
}
