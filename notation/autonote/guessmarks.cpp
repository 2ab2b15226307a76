#include "notation/autonote/guessmarks.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/staff.h"
#include "notation/autonote/notekey.h"
#include "notation/display/key.h"
#include "notation/display/measure.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace {

constexpr unsigned char UPPER_HAND = 0;
constexpr unsigned char LOWER_HAND = 1;
constexpr int UPPER_VOICE = 0;
constexpr int LOWER_VOICE = 4;

// The middle-line keys of the three clefs: B4 (treble), D3 (bass) and D2
// (the bass clef an octave down).
constexpr int TREBLE_MIDDLE = 71;
constexpr int BASS_MIDDLE = 50;
constexpr int LOW_BASS_MIDDLE = 38;
constexpr int WORST_SCORE = 127;

int VoiceOfHand(unsigned char hand) {
    return hand == LOWER_HAND ? LOWER_VOICE : UPPER_VOICE;
}

// The measure's track; a measure without a word reads as "no track" (all
// track bits set).
int TrackOf(ECMeasure* measure) {
    const MCVoiceTrack* word = measure->GetVoiceTrack();
    return word ? word->GetTrack() : 2047;
}

// Gives the mark the staff half's voice and the measure's track, keeping
// its hand.
void MarkWord(ECBase* mark, ECMeasure* measure, unsigned char hand) {
    mark->SetVoiceTrack(VoiceOfHand(hand), TrackOf(measure));
}

// The staff of the measure's track, through the conductor.
ECStaff* StaffOf(ECConductor* conductor, ECMeasure* measure) {
    if (!conductor || !measure)
        return nullptr;
    return dynamic_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, TrackOf(measure), 0));
}

// Adds the mark to the measure, under the performance's lock when there is one.
void AddUnderLock(ECPerformance* performance, ECMeasure* measure, ECBase* mark) {
    std::unique_lock<CCriticalSection> lock;
    if (performance)
        lock = std::unique_lock<CCriticalSection>(performance->GetLock());
    measure->AddChild(mark, SORTED);
}

void CollectNotes(ECBase* from, MCEventList& notes) {
    ACFindEvents find;
    find.AddEvtType(ET_NOTE);
    // A tie holds notes the walk meets in their measures already.
    find.ClipEvtType(ET_TIE);
    find.Apply(from);
    notes.AddEvents(&find.GetEvents(), UNSORTED);
}

}  // namespace

// ---- clefs ---------------------------------------------------------------------------

unsigned char ANGuessClef::GuessClefType(const MCEventList& notes) {
    if (notes.IsEmpty())
        return CLEF_TREBLE;
    int high = 0, low = 127;
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        const int key = GetPlayedKey(notes.GetNext(pos));
        if (key < 0)
            continue;
        high = std::max(high, key);
        low = std::min(low, key);
    }
    // The clef whose middle line lies nearest the highest key, scored by how
    // far both extremes lie from that line.
    int treble = WORST_SCORE, bass = WORST_SCORE, lowBass = WORST_SCORE;
    if (std::abs(high - TREBLE_MIDDLE) <= std::abs(high - BASS_MIDDLE))
        treble = std::abs(high - TREBLE_MIDDLE) + std::abs(low - TREBLE_MIDDLE);
    else if (std::abs(high - BASS_MIDDLE) <= std::abs(high - LOW_BASS_MIDDLE))
        bass = std::abs(high - BASS_MIDDLE) + std::abs(low - BASS_MIDDLE);
    else
        lowBass = std::abs(high - LOW_BASS_MIDDLE) + std::abs(low - LOW_BASS_MIDDLE);
    if (treble <= bass && treble <= lowBass)
        return CLEF_TREBLE;
    return bass <= lowBass ? CLEF_BASS : CLEF_LOW_BASS;
}

void ANGuessClef::GuessClef(ECStaff* staff) {
    if (!staff)
        return;
    MCEventList notes;
    CollectNotes(staff, notes);
    _GuessClef(staff, static_cast<ECMeasure*>(staff->GetDescendant(ET_MEASURE, -1)), notes);
}

void ANGuessClef::GuessClef(ECMeasure* measure) {
    if (!measure)
        return;
    MCEventList notes;
    CollectNotes(measure, notes);
    _GuessClef(StaffOf(GetConductor(), measure), measure, notes);
}

void ANGuessClef::_GuessClef(ECStaff* staff, ECMeasure* measure, const MCEventList& notes) {
    if (!staff || !measure || !measure->GetTime())
        return;
    switch (staff->GetStaffType()) {
    case DCctMeasure::STAFF_GRAND:
        AddGrandClef(staff, measure);
        break;
    case DCctMeasure::STAFF_PERCUSSION:
        AddDrumClef(staff, measure);
        break;
    default:
        AddNormalClef(staff, measure, notes);
        break;
    }
}

void ANGuessClef::EnsureClef(ECStaff* staff, ECMeasure* measure, unsigned char hand, unsigned char type) {
    const MCTime time = *measure->GetTime();
    if (ECClef* clef = staff->GetClefAtTime(time, hand)) {
        // A clef notated before (it has its display object) is the user's.
        if (clef->GetData(DK_NOTATION, 0))
            return;
        clef->SetClefType(type);
        MarkWord(clef, measure, hand);
        return;
    }
    auto* clef = new ECClef(type);
    clef->SetTime(&time);
    clef->SetHand(hand);   // before it is added: the staff caches it by hand
    MarkWord(clef, measure, hand);
    clef->GetData(DK_NOTATION, 1);
    AddUnderLock(GetBaseEvent(), measure, clef);
}

void ANGuessClef::AddNormalClef(ECStaff* staff, ECMeasure* measure, const MCEventList& notes) {
    EnsureClef(staff, measure, UPPER_HAND, GuessClefType(notes));
}

void ANGuessClef::AddGrandClef(ECStaff* staff, ECMeasure* measure) {
    EnsureClef(staff, measure, UPPER_HAND, CLEF_TREBLE);
    EnsureClef(staff, measure, LOWER_HAND, CLEF_BASS);
}

void ANGuessClef::AddDrumClef(ECStaff* staff, ECMeasure* measure) {
    EnsureClef(staff, measure, UPPER_HAND, CLEF_DRUM);
}

// ---- keys ----------------------------------------------------------------------------

void ANGuessKey::GuessKey(ECStaff* staff) {
    if (staff)
        _GuessKey(staff, static_cast<ECMeasure*>(staff->GetDescendant(ET_MEASURE, -1)));
}

void ANGuessKey::GuessKey(ECMeasure* measure) {
    if (measure)
        _GuessKey(StaffOf(GetConductor(), measure), measure);
}

void ANGuessKey::_GuessKey(ECStaff* staff, ECMeasure* measure) {
    if (!staff || !measure || !measure->GetTime())
        return;
    switch (staff->GetStaffType()) {
    case DCctMeasure::STAFF_GRAND:
        AddGrandKey(staff, measure);
        break;
    case DCctMeasure::STAFF_PERCUSSION:
        AddDrumKey(staff, measure);
        break;
    default:
        AddNormalKey(staff, measure);
        break;
    }
}

void ANGuessKey::EnsureKey(ECStaff* staff, ECMeasure* measure, unsigned char hand) {
    const MCTime time = *measure->GetTime();
    if (ECKey* key = staff->GetKeyAtTime(time, hand)) {
        if (key->GetHand() != hand) {
            key->SetHand(hand);
            staff->RecacheEvent(key, hand);
        }
        MarkWord(key, measure, hand);
        if (auto* display = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 1)))
            display->SetKey(key->GetAccidentals(), key->GetMode());
        return;
    }
    // No key: C major, no accidentals.
    auto* key = new ECKey(0, 0);
    key->SetTime(&time);
    key->SetHand(hand);
    MarkWord(key, measure, hand);
    if (auto* display = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 1)))
        display->SetKey(0, 0);
    AddUnderLock(GetBaseEvent(), measure, key);
}

void ANGuessKey::AddNormalKey(ECStaff* staff, ECMeasure* measure) {
    EnsureKey(staff, measure, UPPER_HAND);
}

void ANGuessKey::AddGrandKey(ECStaff* staff, ECMeasure* measure) {
    EnsureKey(staff, measure, UPPER_HAND);
    EnsureKey(staff, measure, LOWER_HAND);
}

void ANGuessKey::AddDrumKey(ECStaff* staff, ECMeasure* measure) {
    EnsureKey(staff, measure, UPPER_HAND);
}
