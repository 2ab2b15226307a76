// ANTimeCorrect: notes absorbed into the tuplets already there, and the
// search for stretches of a measure that read better in a borrowed division.
//
// The search weighs each note's start in both divisions, walks the borrowed
// meter's stresses and makes a tuplet of a stress whose notes fit the
// borrowed grid better in sum, unless a lone note (or every note) of it
// starts off the tuplet unit's grid: one stray note does not make a triplet.
#include "notation/autonote/timecorrect.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/notatelinks.h"
#include "notation/autonote/timerange.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"
#include "notation/tools/tie.h"
#include "sequencer/performers.h"

#include <mutex>

namespace {

constexpr int kNormalScale = ANBase::TICKS_PER_QUARTER;
// Tick scales of the tuplet and note displays, and the tuplet's bases.
constexpr int NORMAL_SCALE = DCctTuplet::TICKS_NORMAL;
constexpr int OWN_SCALE = DCctTuplet::TICKS_OWN;
constexpr WORD PLAIN_BASE = DCctTuplet::BASE_PLAIN;
constexpr WORD BORROWED_BASE = DCctTuplet::BASE_BORROWED;
// The borrowed meter's stresses are level 1 of its subdivisions.
constexpr int STRESS_LEVEL = 1;
// A borrowed length that no plain or dotted value can show weighs this much more.
constexpr uint16_t kUnwritableLengthPenalty = 0x4000;
constexpr int NO_KEY = -1;

bool IsPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// A plain value or a value with one dot.
bool IsWritableLength(int ticks) {
    return IsPowerOfTwo(ticks) || (ticks % 3 == 0 && IsPowerOfTwo(ticks / 3 * 2));
}

// The first data byte of the note's performance data.
int PlayedKey(ECNote* note) {
    auto* played = note ? dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0)) : nullptr;
    return played ? played->GetMidiData().GetDataByte1() : NO_KEY;
}

// The note's MIDI key: its own performance data, else that of the first note
// of its tie chain (a continuation the value pass made plays nothing itself).
int NoteKey(ECNote* note) {
    const int key = PlayedKey(note);
    if (key != NO_KEY)
        return key;
    CTie ties;
    ECNote* head = ties.GetHeadOfTie(note);
    return head && head != note ? PlayedKey(head) : NO_KEY;
}

}  // namespace

void ANTimeCorrect::MoveNoteToTuplet(ECBase* element, ECTuplet* tuplet) {
    std::unique_lock<CCriticalSection> lock;
    if (m_pPerformance)
        lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
    // Joins the tuplet before it leaves the measure, so it is never without a parent.
    tuplet->AddChild(element, SORTED);
    m_pMeasure->RemoveChild(element, 0);
}

void ANTimeCorrect::AddTupletToMeasure(ECTuplet* tuplet) {
    std::unique_lock<CCriticalSection> lock;
    if (m_pPerformance)
        lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
    m_pMeasure->AddChild(tuplet, SORTED);
}

void ANTimeCorrect::DoTuplets(MCEventList& voiceList) {
    // The measure's tuplets, held while notes move into them.
    MCEventList tuplets;
    MCEventList* children = m_pMeasure->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* element = children->GetNext(pos);
        if (element->GetClassType() == ET_TUPLET)
            tuplets.AddEvent(element, UNSORTED);
    }
    for (POSITION pos = tuplets.GetHeadPosition(); pos;) {
        auto* tuplet = static_cast<ECTuplet*>(tuplets.GetNext(pos));
        const int start = OffsetTicks(tuplet, m_pMeasure, kNormalScale);
        const int length = ECTuplet::GetUnitsAsTime(tuplet->GetUnits()).GetTicks(kNormalScale) * tuplet->GetNormal();
        const unsigned voice = GetVoice(tuplet);
        bool moved = false;
        for (POSITION at = voiceList.GetHeadPosition(); at;) {
            const POSITION here = at;
            ECBase* element = voiceList.GetNext(at);
            const int type = element->GetClassType();
            if ((type != ET_NOTE && type != ET_CHORD) || GetVoice(element) != voice)
                continue;
            const int tick = NotateTickStart(GetNotateData(element), NORMAL_SCALE);
            if (tick < start || tick >= start + length)
                continue;
            MoveNoteToTuplet(element, tuplet);
            ACSetDirty dirty(1);
            dirty.AddDirtyKind(DCctBase::DIRTY_TIME);
            dirty.Apply(element);
            voiceList.RemoveAt(here);
            moved = true;
        }
        if (moved)
            TimeCorrectTupletChildren(tuplet);
    }
}

ANTimeCorrect::Weight ANTimeCorrect::WeightStartAndDuration(ECNote* note) {
    Weight weight;
    const MCTime performed = ECNote::ScaleDuration(note->GetDuration(), 1);
    int error = 0;
    RoundToResolution(OffsetTicks(note, m_pMeasure, kNormalScale), m_resolution, &error);
    weight.normalStart = static_cast<uint16_t>(error);
    RoundToResolution(performed.GetTicks(kNormalScale), m_resolution, &error);
    weight.normalDuration = static_cast<uint16_t>(error);
    if (m_groupPulse == 0)
        return weight;
    const int scale = BorrowedScale();
    RoundToResolution(OffsetTicks(note, m_pMeasure, scale), m_resolution, &error);
    weight.borrowedStart = static_cast<uint16_t>(error);
    const int length = RoundToResolution(performed.GetTicks(scale), m_resolution, &error);
    weight.borrowedDuration = static_cast<uint16_t>(error);
    if (length != 0 && !IsWritableLength(length))
        weight.borrowedDuration = static_cast<uint16_t>(weight.borrowedDuration + kUnwritableLengthPenalty);
    return weight;
}

void ANTimeCorrect::FillTupletList(MCEventList& voiceList, std::vector<tag_tuplet>& candidates) {
    for (POSITION pos = voiceList.GetHeadPosition(); pos;) {
        ECBase* element = voiceList.GetNext(pos);
        if (element->GetClassType() != ET_NOTE)
            continue;   // chords are not weighed
        auto* note = static_cast<ECNote*>(element);
        auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1));
        if (!display)
            continue;
        tag_tuplet candidate;
        candidate.display = display;
        candidate.note = note;
        if (*note->GetDuration() == MCTime::TimeZero()) {
            // An entered note, or the later part of a tie, has no length of
            // its own to weigh (the duration function may give it one): it
            // keeps the division it was given.
            if (display->GetTickDuration(OWN_SCALE) == 0)
                continue;
            candidate.kind = display->IsBorrowed() ? FITS_BORROWED : FITS_NORMAL;
            candidates.push_back(candidate);
            continue;
        }
        const Weight weight = WeightStartAndDuration(note);
        candidate.normalStartError = weight.normalStart;
        candidate.borrowedStartError = weight.borrowedStart;
        if (weight.borrowedStart == weight.normalStart)
            candidate.kind = FITS_BOTH;
        else if (weight.normalStart < weight.borrowedStart)
            candidate.kind = FITS_NORMAL;
        else
            candidate.kind = FITS_BORROWED;
        if (candidate.kind == FITS_NORMAL) {
            TimeCorrectNormal(note);
        } else {
            if (m_groupPulse == 0)
                continue;
            TimeCorrectBorrowed(note);
        }
        candidates.push_back(candidate);
    }
}

int ANTimeCorrect::FilterTuplet(const std::vector<tag_tuplet*>& range) const {
    if (range.empty())
        return 0;
    int onGrid = 0;
    for (const tag_tuplet* candidate : range) {
        const int start = candidate->display->GetTickStart(OWN_SCALE);
        if (m_tupletUnit != 0 && start % m_tupletUnit == 0)
            ++onGrid;
    }
    // Refused: a lone note off the unit's grid, or several with none on it.
    return onGrid == 0 ? 1 : 0;
}

void ANTimeCorrect::NormalRange(const std::vector<tag_tuplet*>& range, int end) {
    if (m_borrowedPulse == 0)
        return;
    const int limit = end * m_groupPulse / m_borrowedPulse;
    for (tag_tuplet* candidate : range) {
        TimeCorrectNormal(candidate->note);
        // A note rounded onto the next stress stays in its own.
        if (candidate->display->GetTickStart(OWN_SCALE) >= limit)
            candidate->display->SetTickStart(static_cast<WORD>(limit - m_resolution));
    }
}

void ANTimeCorrect::GuessTuplets(MCEventList& voiceList) {
    std::vector<tag_tuplet> candidates;
    FillTupletList(voiceList, candidates);
    if (candidates.empty())
        return;
    const uint16_t groupPulse = m_groupPulse;
    const uint16_t borrowedPulse = m_borrowedPulse;

    ECMeter borrowed;
    std::vector<unsigned short> stresses;
    if (groupPulse != 0 && borrowedPulse != 0 &&
        DCctTuplet::GetBorrowedMeter(m_pMeter, &borrowed, groupPulse, borrowedPulse, m_tupletUnit, m_tupletNumber))
        borrowed.GetSubdivision(STRESS_LEVEL, stresses, kNormalScale);
    if (stresses.empty()) {
        // No borrowed grid fits this measure: nothing may stay borrowed
        // outside a tuplet.
        for (tag_tuplet& candidate : candidates)
            TimeCorrectNormal(candidate.note);
        return;
    }

    // Which candidates some stress took up, for a tuplet or for the normal
    // division.
    std::vector<bool> inStress(candidates.size(), false);
    int start = 0;
    for (unsigned short length : stresses) {
        const int end = start + length;
        const int from = start * groupPulse / borrowedPulse;
        const int to = end * groupPulse / borrowedPulse;
        std::vector<tag_tuplet*> range;
        uint16_t borrowedSum = 0;   // the sums wrap at 16 bits
        uint16_t normalSum = 0;
        for (size_t i = 0; i < candidates.size(); ++i) {
            tag_tuplet& candidate = candidates[i];
            const int tick = candidate.display->GetTickStart(NORMAL_SCALE);
            if (tick < from || tick >= to)
                continue;
            range.push_back(&candidate);
            inStress[i] = true;
            borrowedSum = static_cast<uint16_t>(borrowedSum + candidate.borrowedStartError);
            normalSum = static_cast<uint16_t>(normalSum + candidate.normalStartError);
        }
        if (normalSum > borrowedSum && !FilterTuplet(range))
            TupletRange(range, start, end);
        else
            NormalRange(range, end);
        start = end;
    }
    // The borrowed stresses may cover less than the measure (in 3/8 one
    // stress of triplet eighths spans two eighths): a note after them was
    // weighed in the borrowed division but stands in no tuplet, and nothing
    // may stay borrowed outside a tuplet.
    for (size_t i = 0; i < candidates.size(); ++i)
        if (!inStress[i])
            TimeCorrectNormal(candidates[i].note);
}

ECTuplet* ANTimeCorrect::SplitTupletByPitch(ECTuplet* tuplet, const std::vector<tag_tuplet*>& range) {
    const int staffType = m_pStaff->GetStaffType();
    std::vector<int> toCopy(range.size(), 0);
    bool any = false;
    bool other = false;
    if (staffType == DCctMeasure::STAFF_PERCUSSION) {
        for (size_t i = 0; i < range.size(); ++i) {
            const int key = NoteKey(range[i]->note);
            if (key == NO_KEY)
                continue;   // nothing to sort it by: stays with the tuplet itself
            MCPitch& spelling = range[i]->display->GetSpelling();
            spelling.SetPitch(static_cast<uint8_t>(key), 0, 1);
            spelling.SetPercussion(1);
            const int voice = spelling.GetVoiceFromPercussionPitch();
            any = any || voice == 0;
            other = other || voice != 0;
            toCopy[i] = !spelling.IsDirty() && voice != 0;
        }
    } else if (staffType == DCctMeasure::STAFF_GRAND && m_split != NO_SPLIT) {
        for (size_t i = 0; i < range.size(); ++i) {
            const int key = NoteKey(range[i]->note);
            const bool low = key != NO_KEY && key < m_split;
            any = any || !low;
            other = other || low;
            toCopy[i] = low;
        }
    }
    ECTuplet* copy = any && other ? new ECTuplet(*tuplet) : nullptr;
    for (size_t i = 0; i < range.size(); ++i)
        MoveNoteToTuplet(range[i]->note, copy && toCopy[i] ? copy : tuplet);
    return copy;
}

void ANTimeCorrect::TupletRange(const std::vector<tag_tuplet*>& range, int start, int end) {
    MCEventList held;   // the new tuplets, until the measure holds them
    auto* tuplet = new ECTuplet(static_cast<unsigned char>(m_tupletNumber),
                                static_cast<unsigned char>(GetNormalFromBorrowed(m_tupletNumber)),
                                DCctTuplet::ConvertToUnit(m_tupletUnit));
    held.AddEvent(tuplet, UNSORTED);
    ECTuplet* copy = SplitTupletByPitch(tuplet, range);
    if (copy)
        held.AddEvent(copy, UNSORTED);
    TimeCorrectTupletAndChildren(tuplet, start, end);
    if (copy)
        TimeCorrectTupletAndChildren(copy, start, end);
    // The copy shares the tuplet's division, and so its marks.
    if (DCctTuplet* display = TupletDisplay(tuplet))
        m_pRuler->AddBorrowedDivMarks(m_pMeter, display->GetBase(BORROWED_BASE), display->GetBase(PLAIN_BASE),
                                      m_resolution);
}
