// The spelling pass: the walk over a measure's voices, the scales, and the
// horizontal and vertical spelling. The accidental children are in
// spell_accidentals.cpp.
#include "notation/autonote/spell.h"

#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/autonote/notekey.h"
#include "notation/display/chord.h"
#include "notation/display/key.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/display/staff.h"
#include "notation/layout/pitchutils.h"
#include "notation/tools/tie.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// The letters' pitch classes in the plain major and minor scales on C; the
// major one is also what alterations are measured from.
constexpr signed char kMajorSeed[ANSpell::LETTERS] = {0, 2, 4, 5, 7, 9, 11};
constexpr signed char kMinorSeed[ANSpell::LETTERS] = {0, 2, 3, 5, 7, 8, 10};
// A parallel minor's accidentals stand two letters above the major's (F
// sharp of G major is A sharp's place in the minor's list of three flats
// more: the minor vector's letter i takes the major vector's letter i - 2).
constexpr int kMinorLetterShift = 2;

constexpr int LETTER_E = 2;
constexpr int LETTER_F = 3;
constexpr int PITCH_CLASS_E = 4;
constexpr int PITCH_CLASS_F = 5;
constexpr int SEMITONES = 12;
constexpr int DIATONIC_STEPS = 7;

// Grace notes are sought this deep under the notes and chords gathered.
constexpr unsigned char kGraceDepth = 3;
constexpr int kVoicesPerStaffHalf = 4;

constexpr int kHorizontal = 0;
constexpr int kVertical = 1;
constexpr int kHidden = 0;
constexpr int kShown = 1;

// Appends the events a search from each of `from` finds (the starting
// events themselves excluded); whether it found any.
bool AppendFound(MCEventList& out, MCEventList& from, const std::vector<int>& types, unsigned char depth) {
    ACFindEvents find;
    find.AddEvtTypes(types);
    find.SetDepth(depth);
    for (POSITION pos = from.GetHeadPosition(); pos;) {
        ECBase* start = from.GetNext(pos);
        MCEventList* children = start->GetChildren();
        if (!children)
            continue;
        for (POSITION child = children->GetHeadPosition(); child;)
            find.Apply(children->GetNext(child));
    }
    const bool found = !find.GetEvents().IsEmpty();
    out.AddEvents(&find.GetEvents(), UNSORTED);
    return found;
}

// Time order, equal times keeping their order in the list.
void StableSortByTime(MCEventList& list) {
    std::vector<ECBase*> events;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        events.push_back(list.GetNext(pos));
    std::stable_sort(events.begin(), events.end(), [](ECBase* a, ECBase* b) {
        MCTime* ta = a->GetTime();
        MCTime* tb = b->GetTime();
        if (!ta || !tb)
            return !ta && tb;
        return *ta < *tb;
    });
    MCEventList sorted;
    for (ECBase* event : events)
        sorted.AddEvent(event, UNSORTED);
    list.RemoveAll();
    list.AddEvents(&sorted, UNSORTED);
}

}  // namespace

bool ANSpell::IsNoteType(int type) {
    return type == ET_NOTE || type == ET_GRACENOTE;
}

DCctNote* ANSpell::NoteDisplay(ECBase* event) {
    return event ? dynamic_cast<DCctNote*>(event->GetData(DK_NOTATION, 0)) : nullptr;
}

ECAccidental* ANSpell::AccidentalChild(ECBase* note) {
    MCEventList* children = note ? note->GetChildren() : nullptr;
    const POSITION pos = children ? children->FindEvent(ET_ACCIDENTAL) : nullptr;
    return pos ? static_cast<ECAccidental*>(children->GetAt(pos)) : nullptr;
}

ANSpell::ANSpell() = default;

ANSpell::~ANSpell() = default;

// ---- the walk -------------------------------------------------------------------

void ANSpell::DoMeasure(ECStaff* staff, ECMeasure* measure) {
    if (!staff || !measure)
        return;
    auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
    if (!display || !display->SpellingDirty())
        return;

    MCEventList flat;
    FlattenList(measure, flat, 0);
    const int staffType = staff->GetStaffType();
    MCTime time = *measure->GetTime();
    // A copy: spelling changes no voice, but the table is the measure's.
    const std::vector<BYTE> voices = display->GetVoiceTable();
    for (BYTE voice : voices) {
        m_previous.SetDirty(1);
        MCEventList events;
        GetDataByVoice(events, flat, voice);
        if (events.IsEmpty())
            continue;
        const BYTE lower = staffType == DCctMeasure::STAFF_GRAND && voice >= kVoicesPerStaffHalf ? 1 : 0;
        ECKey* key = DCctStaff::GetKeyAtTime(staff, time, lower);
        if (staffType == DCctMeasure::STAFF_PERCUSSION) {
            SpellPercussion(events);
            continue;
        }
        for (POSITION pos = events.GetHeadPosition(); pos;) {
            ECBase* event = events.GetNext(pos);
            if (InWindow(event))
                SpellHorizontal(event, key);
        }
        for (POSITION pos = events.GetHeadPosition(); pos;) {
            ECBase* event = events.GetNext(pos);
            if (InWindow(event))
                SpellVertical(event, key);
        }
        FixUpAccidentals(events, key);
        m_bottoms.clear();
    }
    display->SetSpellingDirty(0);
}

void ANSpell::FlattenList(ECBase* measure, MCEventList& out, unsigned) {
    constexpr unsigned char kDirect = 1;
    MCEventList list;
    MCEventList top;
    top.AddEvent(measure, UNSORTED);
    AppendFound(list, top, {ET_NOTE, ET_CHORD}, kDirect - 1);
    MCEventList tuplets;
    AppendFound(tuplets, top, {ET_TUPLET}, kDirect - 1);
    list.AddEvents(&tuplets, UNSORTED);
    bool appended = !tuplets.IsEmpty() && AppendFound(list, tuplets, {ET_NOTE, ET_CHORD}, kDirect - 1);
    MCEventList holders;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* event = list.GetNext(pos);
        if (event->GetClassType() != ET_TUPLET)
            holders.AddEvent(event, UNSORTED);
    }
    appended = AppendFound(list, holders, {ET_GRACENOTE}, kGraceDepth - 1) || appended;
    if (appended)
        StableSortByTime(list);
    out.AddEvents(&list, UNSORTED);
}

bool ANSpell::InWindow(ECBase* event) const {
    MCTime* time = event->GetTime();
    return time && *time >= m_timeRangeStart && *time < m_timeRangeEnd;
}

DCctKey* ANSpell::KeyDisplay(ECKey* key) {
    if (!key)
        return nullptr;
    if (auto* display = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 0)))
        return display;
    // A key read without its display (a recording run before the displays
    // were made) is laid out from its event's fields.
    if (!m_madeKey)
        m_madeKey = std::make_unique<DCctKey>();
    m_madeKey->SetKey(key->GetAccidentals(), key->GetMode());
    return m_madeKey.get();
}

// ---- the scales -----------------------------------------------------------------

void ANSpell::CreateIntervalVector(IntervalVector out, DCctKey* key, int& tonic) {
    const signed char* keyed = key ? key->GetKeyVector() : kMajorSeed;
    std::copy(keyed, keyed + LETTERS, out);
    tonic = key ? key->GetKeyDegree() : 0;
}

void ANSpell::CreateMinorIntervalVector(IntervalVector out, DCctKey* key, int& tonic) {
    IntervalVector major;
    CreateIntervalVector(major, key, tonic);
    for (int letter = 0; letter < LETTERS; ++letter) {
        const int from = (letter + LETTERS - kMinorLetterShift) % LETTERS;
        out[letter] = static_cast<signed char>(kMinorSeed[letter] + major[from] - kMajorSeed[from]);
    }
}

int ANSpell::IsMidiPitchInIntervalVector(const IntervalVector vector, int key, int& alteration) {
    const int pitchClass = key % SEMITONES;
    for (int letter = 0; letter < LETTERS; ++letter) {
        int entry = vector[letter];
        if (entry < 0)
            entry += SEMITONES;
        else if (entry >= SEMITONES)
            entry %= SEMITONES;
        if (entry == pitchClass) {
            alteration = vector[letter] - kMajorSeed[letter];
            return 1;
        }
    }
    return 0;
}

void ANSpell::GetAlteredPitchFromExtension(const IntervalVector vector, int key, int tonic, int& alteration) {
    const int pitchClass = key % SEMITONES;
    int letter = tonic;
    for (int tries = 0; tries < LETTERS; ++tries) {
        letter = (letter + 2) % LETTERS;   // the next third up
        const bool below = vector[letter] + 1 == pitchClass;
        const bool above = vector[letter] - 1 == pitchClass;
        if (!below && !above)
            continue;
        // E to F and F to E are letters of their own, not altered neighbours.
        if ((below && letter == LETTER_E && pitchClass == PITCH_CLASS_F) ||
            (above && letter == LETTER_F && pitchClass == PITCH_CLASS_E)) {
            alteration = 0;
            return;
        }
        const int altered = pitchClass - kMajorSeed[letter];
        alteration = std::abs(altered) == 2 ? 0 : altered;
        return;
    }
}

MCPitch ANSpell::SetLikelyPitch(MCPitch& reference, uint8_t key, int vertical) {
    const int d = key - reference.GetMidiPitch();
    const int s = std::abs(d) % SEMITONES;
    const int dir = d >= 0 ? 1 : -1;
    const int base = (d / SEMITONES) * DIATONIC_STEPS;
    MCPitchUtils::INTERVAL interval;
    switch (s) {
    case 0:
        if (vertical == kVertical && d == 0) {
            interval = {MCPitchUtils::DIMINISHED, base + 1};   // the same key on the next letter up
        } else {
            interval = {MCPitchUtils::PERFECT, base};
        }
        break;
    case 1:
        if (d > 0 && vertical == kHorizontal)
            interval = {MCPitchUtils::AUGMENTED, base};   // a chromatic step up on one letter
        else
            interval = {MCPitchUtils::MINOR, base + dir};
        break;
    case 2: interval = {MCPitchUtils::MAJOR, base + dir}; break;
    case 3: interval = {MCPitchUtils::MINOR, base + 2 * dir}; break;
    case 4: interval = {MCPitchUtils::MAJOR, base + 2 * dir}; break;
    case 5: interval = {MCPitchUtils::PERFECT, base + 3 * dir}; break;
    case 6: interval = {MCPitchUtils::AUGMENTED, base + 3 * dir}; break;   // never a diminished fifth
    case 7: interval = {MCPitchUtils::PERFECT, base + 4 * dir}; break;
    case 8:
        interval = d > 0 ? MCPitchUtils::INTERVAL{MCPitchUtils::AUGMENTED, base + 4 * dir}
                         : MCPitchUtils::INTERVAL{MCPitchUtils::MINOR, base + 5 * dir};
        break;
    case 9: interval = {MCPitchUtils::MAJOR, base + 5 * dir}; break;
    case 10:
        interval = d > 0 ? MCPitchUtils::INTERVAL{MCPitchUtils::AUGMENTED, base + 5 * dir}
                         : MCPitchUtils::INTERVAL{MCPitchUtils::MINOR, base + 6 * dir};
        break;
    default: interval = {MCPitchUtils::MAJOR, base + 6 * dir}; break;
    }
    return MCPitchUtils().GetPitchFromInterval(reference, interval);
}

void ANSpell::CorrectBadInterval(MCPitch& reference, MCPitch& pitch, int vertical) {
    const MCPitchUtils::INTERVAL interval = MCPitchUtils().UnorderedInterval(reference, pitch);
    const uint8_t q = interval.quality;
    bool kept = false;
    switch (interval.size % DIATONIC_STEPS) {
    case 0:
        kept = (q == MCPitchUtils::PERFECT || q == MCPitchUtils::AUGMENTED || q == MCPitchUtils::DIMINISHED) &&
               !(vertical == kVertical && interval.size == 0);
        break;
    case 1:
    case 2:
    case 6: kept = q == MCPitchUtils::MAJOR || q == MCPitchUtils::MINOR; break;
    case 3: kept = q == MCPitchUtils::PERFECT || q == MCPitchUtils::AUGMENTED; break;
    case 4:
        kept = q == MCPitchUtils::PERFECT || q == MCPitchUtils::AUGMENTED || q == MCPitchUtils::DIMINISHED;
        break;
    default:
        kept = q == MCPitchUtils::MAJOR || q == MCPitchUtils::MINOR || q == MCPitchUtils::AUGMENTED;
        break;
    }
    if (!kept)
        pitch = SetLikelyPitch(reference, pitch.GetMidiPitch(), vertical);
}

// ---- spelling -------------------------------------------------------------------

void ANSpell::SpellAgainst(MCPitch& pitch, MCPitch* reference, int key, DCctKey* keyDisplay, int vertical,
                           int userSpelled) {
    IntervalVector major;
    IntervalVector minor;
    int tonic = 0;
    CreateMinorIntervalVector(minor, keyDisplay, tonic);
    CreateIntervalVector(major, keyDisplay, tonic);
    const uint8_t midi = static_cast<uint8_t>(key);
    int alteration = 0;
    if (!reference) {
        // The first note of a voice: the key's scale, else the minor's, else
        // the chain of thirds.
        if (IsMidiPitchInIntervalVector(major, key, alteration)) {
            pitch.SetPitch(midi, static_cast<signed char>(alteration), kHidden);
            return;
        }
        if (!IsMidiPitchInIntervalVector(minor, key, alteration))
            GetAlteredPitchFromExtension(major, key, tonic, alteration);
        pitch.SetPitch(midi, static_cast<signed char>(alteration), kShown);
        return;
    }
    if (IsMidiPitchInIntervalVector(major, key, alteration))
        pitch.SetPitch(midi, static_cast<signed char>(alteration), kHidden);
    else if (IsMidiPitchInIntervalVector(minor, key, alteration))
        pitch.SetPitch(midi, static_cast<signed char>(alteration), kShown);
    else
        pitch = SetLikelyPitch(*reference, midi, kHorizontal);
    if (!userSpelled)
        CorrectBadInterval(*reference, pitch, vertical);
}

void ANSpell::SpellHorizontal(ECBase* event, ECKey* key) {
    const int type = event->GetClassType();
    if (type != ET_CHORD && !IsNoteType(type))
        return;
    if (!event->GetData(DK_NOTATION, 0))
        return;
    DCctNote* note = nullptr;
    if (type == ET_CHORD) {
        auto* chord = dynamic_cast<DCctChord*>(event->GetData(DK_NOTATION, 0));
        note = chord ? chord->GetBottomNote() : nullptr;
        if (note)
            m_bottoms[event] = note;
    } else {
        note = NoteDisplay(event);
    }
    ECBase* noteEvent = note ? note->GetOwner() : nullptr;
    if (!noteEvent) {
        SpellByTiePartner(event);
        return;
    }
    if (ECAccidental* accidental = AccidentalChild(noteEvent)) {
        SpellByAccidentalChild(note, accidental, key);
        return;
    }
    const int midi = GetPlayedKey(noteEvent);
    if (midi < 0) {
        SpellByTiePartner(event);
        return;
    }
    MCPitch& pitch = note->GetSpelling();
    SpellAgainst(pitch, m_previous.IsDirty() ? nullptr : &m_previous, midi, KeyDisplay(key), kHorizontal,
                 note->IsUserSpelled());
    m_previous = pitch;
}

void ANSpell::SpellVertical(ECBase* event, ECKey* key) {
    if (event->GetClassType() != ET_CHORD)
        return;
    auto* chord = dynamic_cast<DCctChord*>(event->GetData(DK_NOTATION, 0));
    if (!chord)
        return;
    const auto found = m_bottoms.find(event);
    DCctNote* bottom = found != m_bottoms.end() ? found->second : chord->GetBottomNote();
    if (!bottom) {
        SpellByTiePartner(event);
        return;
    }
    DCctKey* keyDisplay = KeyDisplay(key);
    MCPitch reference = bottom->GetSpelling();
    MCEventList* children = event->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (!IsNoteType(child->GetClassType()))
            continue;
        DCctNote* note = NoteDisplay(child);
        if (!note)
            continue;
        if (ECAccidental* accidental = AccidentalChild(child)) {
            SpellByAccidentalChild(note, accidental, key);
            continue;
        }
        const int midi = GetPlayedKey(child);
        if (midi < 0) {
            SpellByTiePartner(child);
            continue;
        }
        if (note == bottom)
            continue;
        MCPitch& pitch = note->GetSpelling();
        if (!reference.IsDirty()) {
            SpellAgainst(pitch, &reference, midi, keyDisplay, kVertical, note->IsUserSpelled());
        } else if (pitch.IsDirty()) {
            IntervalVector major;
            int tonic = 0;
            CreateIntervalVector(major, keyDisplay, tonic);
            int alteration = 0;
            if (IsMidiPitchInIntervalVector(major, midi, alteration)) {
                pitch.SetPitch(static_cast<uint8_t>(midi), static_cast<signed char>(alteration), kHidden);
            } else {
                GetAlteredPitchFromExtension(major, midi, tonic, alteration);
                pitch.SetPitch(static_cast<uint8_t>(midi), static_cast<signed char>(alteration), kShown);
            }
        }
        reference = pitch;
    }
}

void ANSpell::SpellByTiePartner(ECBase* event) {
    CTie ties;
    auto copyHead = [&ties](ECBase* element, bool inChord) {
        if (!IsNoteType(element->GetClassType()))
            return;
        auto* note = static_cast<ECNote*>(element);
        ECNote* head = ties.GetHeadOfTie(note);
        DCctNote* display = NoteDisplay(note);
        DCctNote* headDisplay = NoteDisplay(head);
        if (!head || head == note || !display || !headDisplay)
            return;
        display->GetSpelling() = headDisplay->GetSpelling();
        // A chord's note stays to be spelled again while its head is.
        if (!inChord || !display->GetSpelling().IsDirty())
            display->SetSpellingDirty(0);
    };
    if (event->GetClassType() != ET_CHORD) {
        copyHead(event, false);
        return;
    }
    MCEventList* children = event->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;)
        copyHead(children->GetNext(pos), true);
}
