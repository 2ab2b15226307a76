// The spelling pass's accidental children: the user's new accidentals that
// move a note's key, the fix-up that shows each accidental once per letter,
// octave and measure, and the drum staff's placing.
#include "notation/autonote/spell.h"

#include "model/eventtypes.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/autonote/notekey.h"
#include "notation/display/accidental.h"
#include "notation/display/chord.h"
#include "notation/display/key.h"
#include "notation/display/note.h"
#include "notation/tools/tie.h"
#include "notation/view/dirtyrect.h"
#include "sequencer/performers.h"

#include <mutex>

namespace {

constexpr int kShown = 1;
constexpr int kNoOverride = 0;
constexpr int kDeep = 1;

// Key signature accidentals 0-6 are sharps on F C G D A E B, 7-13 flats on
// B E A D G C F: the letter each one alters.
constexpr int kKeyAccidentalLetter[ACC_TYPE_COUNT] = {3, 0, 4, 1, 5, 2, 6, 6, 2, 5, 1, 4, 0, 3};

// The alteration an accidental kind writes; false for the other signs.
bool KindAlteration(unsigned char kind, int& alteration) {
    if (kind > ANSpell::LAST_SECOND_FORM)
        return false;
    static constexpr int kAlteration[ANSpell::SECOND_FORM] = {+1, -1, +2, -2, 0};
    alteration = kAlteration[kind % ANSpell::SECOND_FORM];
    return true;
}

// The kind (first form) that shows an alteration.
unsigned char KindOfAlteration(int alteration) {
    switch (alteration) {
    case -2: return ANSpell::ACC_DOUBLE_FLAT;
    case -1: return ANSpell::ACC_FLAT;
    case +1: return ANSpell::ACC_SHARP;
    case +2: return ANSpell::ACC_DOUBLE_SHARP;
    default: return ANSpell::ACC_NATURAL;
    }
}

// Calls `visit` with each note or grace note of a list's element: the
// element itself, or the members of a chord.
template <class Visit>
void ForEachNote(ECBase* element, Visit visit) {
    if (ANSpell::IsNoteType(element->GetClassType())) {
        visit(element);
        return;
    }
    if (element->GetClassType() != ET_CHORD)
        return;
    MCEventList* children = element->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (ANSpell::IsNoteType(child->GetClassType()))
            visit(child);
    }
}

}  // namespace

void ANSpell::SpellByAccidentalChild(DCctNote* note, ECAccidental* accidental, ECKey* key) {
    auto* display = accidental ? dynamic_cast<DCctBase*>(accidental->GetData(DK_NOTATION, 0)) : nullptr;
    if (!note || !display || !display->IsDirty())
        return;
    display->SetDirty(0);
    int wanted = 0;
    if (!KindAlteration(accidental->GetAccidentalType(), wanted))
        return;
    ECBase* owner = note->GetOwner();
    auto* performer = owner ? dynamic_cast<DCsqNote*>(owner->GetData(DK_SEQUENCER, 0)) : nullptr;
    if (!performer)
        return;
    MCPitch& pitch = note->GetSpelling();
    // Every element is dirty after loading: a note already spelled with this
    // accidental (E sharp on key 65) keeps its key, which the key signature
    // would otherwise read as F and move.
    if (!pitch.IsDirty() && pitch.GetAccidental() == wanted)
        return;
    IntervalVector major;
    int tonic = 0;
    CreateIntervalVector(major, KeyDisplay(key), tonic);
    const int played = performer->GetMidiData().GetDataByte1();
    int keyed = 0;
    if (!IsMidiPitchInIntervalVector(major, played, keyed))
        return;
    const int moved = played + wanted - keyed;
    constexpr int kHighestKey = 127;
    if (moved < 0 || moved > kHighestKey)
        return;
    performer->ChangeMidiPitch(moved);
    pitch.SetPitch(static_cast<uint8_t>(moved), static_cast<signed char>(wanted), kShown);
}

void ANSpell::SpellPercussion(MCEventList& voice) {
    for (POSITION pos = voice.GetHeadPosition(); pos;) {
        ECBase* element = voice.GetNext(pos);
        if (!InWindow(element))
            continue;
        const int type = element->GetClassType();
        if (IsNoteType(type) && !NoteDisplay(element))
            return;   // the walk of this voice ends at a note it cannot place
        ForEachNote(element, [this](ECBase* event) {
            DCctNote* note = NoteDisplay(event);
            if (!note)
                return;
            const int played = GetPlayedKey(event);
            if (played >= 0)
                note->GetSpelling().SetPitch(static_cast<uint8_t>(played), 0, kShown);
            else
                SpellByTiePartner(event);
            MCPitch& pitch = note->GetSpelling();
            pitch.SetPercussion(1);
            note->SetNoteheadStyle(pitch.GetNoteheadFromPercussionPitch(), kNoOverride);
        });
    }
}

// ---- the fix-up ---------------------------------------------------------------------

void ANSpell::FixUpAccidentals(MCEventList& voice, ECKey* key) {
    ACCIDENTAL_HISTORY history[LETTERS][OCTAVES];
    SetAccidentalsToKey(history, key);
    for (POSITION pos = voice.GetHeadPosition(); pos;)
        ForEachNote(voice.GetNext(pos), [&](ECBase* note) { _FixUpAccidentals(static_cast<ECNote*>(note), history); });
}

void ANSpell::SetAccidentalsToKey(ACCIDENTAL_HISTORY history[LETTERS][OCTAVES], ECKey* key) {
    for (int letter = 0; letter < LETTERS; ++letter) {
        for (int octave = 0; octave < OCTAVES; ++octave)
            history[letter][octave] = ACCIDENTAL_HISTORY{};
    }
    DCctKey* display = KeyDisplay(key);
    if (!display || display->IsCancelPreviousKey())
        return;
    for (const DCctKey::Accidental& accidental : display->GetAccidentals()) {
        if (accidental.type < 0 || accidental.type >= ACC_TYPE_COUNT)
            continue;
        const int letter = kKeyAccidentalLetter[accidental.type];
        const int step = accidental.type <= ACC_SHARP_B ? 1 : -1;
        for (int octave = 0; octave < OCTAVES; ++octave)
            history[letter][octave].alteration = static_cast<signed char>(history[letter][octave].alteration + step);
    }
}

void ANSpell::_FixUpAccidentals(ECNote* note, ACCIDENTAL_HISTORY history[LETTERS][OCTAVES]) {
    DCctNote* display = NoteDisplay(note);
    if (!display)
        return;
    MCPitch& pitch = display->GetSpelling();
    if (pitch.IsDirty())
        return;
    const int voice = static_cast<int>(GetVoice(note));
    const int octave = pitch.GetOctave();
    // A spelling at the very ends of the key range may fall outside the
    // record; its accidental is simply shown.
    ACCIDENTAL_HISTORY* record = octave < OCTAVES ? &history[pitch.GetDegree()][octave] : nullptr;
    bool needed = record == nullptr;
    CTie ties;
    if (record && ties.FindTieParent(note, TIE_BACKWARD)) {
        ECNote* head = ties.GetHeadOfTie(note);
        DCctNote* headDisplay = NoteDisplay(head);
        if (head && head != note && headDisplay) {
            record->alteration = headDisplay->GetSpelling().GetAccidental();
            record->voice = static_cast<int>(GetVoice(head));
        }
    } else if (record && pitch.GetAccidental() != record->alteration &&
               (record->voice == voice || record->voice == ANY_VOICE)) {
        record->alteration = pitch.GetAccidental();
        record->voice = voice;
        needed = true;
    }

    if (!InWindow(note))
        return;
    if (needed) {
        AddAccidental(note, pitch);
        return;
    }
    ECAccidental* accidental = AccidentalChild(note);
    if (!accidental)
        return;
    const unsigned char kind = accidental->GetAccidentalType();
    const bool secondForm = kind >= SECOND_FORM && kind <= LAST_SECOND_FORM;
    if (!secondForm) {
        auto* sign = dynamic_cast<DCctAccidental*>(accidental->GetData(DK_NOTATION, 0));
        if (sign && sign->IsUserSpelled()) {
            sign->SetHidden(1);
        } else {
            std::unique_lock<CCriticalSection> lock;
            if (m_pPerformance)
                lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
            note->RemoveChild(accidental, kDeep);
        }
    }
    if (m_pUpdate)
        m_pUpdate->AddEvent(note);
}

void ANSpell::AddAccidental(ECBase* note, MCPitch& pitch) {
    const unsigned char kind = KindOfAlteration(pitch.GetAccidental());
    if (ECAccidental* accidental = AccidentalChild(note)) {
        const unsigned char have = accidental->GetAccidentalType();
        if (have == kind || have == kind + SECOND_FORM)
            return;
        accidental->SetAccidentalType(kind);
        if (m_pUpdate)
            m_pUpdate->AddEvent(accidental);
        return;
    }
    auto* accidental = new ECAccidental(kind);
    {
        std::unique_lock<CCriticalSection> lock;
        if (m_pPerformance)
            lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
        note->AddChild(accidental, SORTED);
    }
    if (m_pUpdate)
        m_pUpdate->AddEvent(accidental);
    if (auto* display = dynamic_cast<DCctBase*>(accidental->GetData(DK_NOTATION, 1))) {
        if (note->GetClassType() == ET_GRACENOTE)
            display->SetGrace(1);
        display->SetDirty(0);
    }
}
