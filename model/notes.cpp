// Notes, grace notes, rests and chords; pitch names and duration scaling.
#include "model/notes.h"

#include "model/eventtypes.h"
#include "model/recordpool.h"
#include "platform/core/archive.h"
#include "platform/core/format.h"

IMPLEMENT_SERIAL(ECNote, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECGraceNote, ECNote, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECRest, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECChord, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)

ECNote::DurationFunc ECNote::s_pDurFunc = nullptr;
ECNote::DurationFunc ECNote::s_pDurFuncInverse = nullptr;
void* ECNote::s_pDurFuncData = nullptr;

// ---- notes ----------------------------------------------------------------------------

IMPLEMENT_POOLED_RECORDS(ECNote)

ECNote::ECNote() {
    m_time = MCTime::TimeZero();
}

ECNote::ECNote(const MCTime& time, const MCTime& duration) : m_duration(duration) {
    m_time = time;
}

ECNote::ECNote(const ECNote& other) : ECWithTimeChild(other), m_duration(other.m_duration) {}

int ECNote::GetClassType() const {
    return ET_NOTE;
}

void ECNote::SetDuration(const MCTime* duration) {
    if (duration)
        m_duration = *duration;
}

void ECNote::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    SerializeEventTime(ar, m_duration);
}

void ECNote::SetDurationFuncs(DurationFunc forward, DurationFunc inverse, void* data) {
    s_pDurFunc = forward;
    s_pDurFuncInverse = inverse;
    s_pDurFuncData = data;
}

MCTime ECNote::ScaleDuration(const MCTime* duration, int inverse) {
    if (!duration)
        return MCTime::TimeZero();
    const DurationFunc func = inverse ? s_pDurFuncInverse : s_pDurFunc;
    return func ? func(duration, s_pDurFuncData) : *duration;
}

std::string ECNote::GetPitchString(unsigned char pitch, int mode) {
    // A black key takes the letter of the white key above it when spelt with
    // a flat, of the one below when spelt with a sharp.
    static constexpr char kFlatLetters[12] = {'C', 'D', 'D', 'E', 'E', 'F', 'G', 'G', 'A', 'A', 'B', 'B'};
    static constexpr char kSharpLetters[12] = {'C', 'C', 'D', 'D', 'E', 'F', 'F', 'G', 'G', 'A', 'A', 'B'};
    static constexpr bool kBlack[12] = {false, true, false, true, false, false,
                                        true, false, true, false, true, false};
    const int octave = pitch / 12 - 1;   // middle C, 60, is in octave 4
    const int pitchClass = pitch % 12;
    switch (mode) {
    case PS_FLATS:
        return Format(kBlack[pitchClass] ? "%cb%d" : "%c%d", kFlatLetters[pitchClass], octave);
    case PS_SHARPS:
        return Format(kBlack[pitchClass] ? "%c#%d" : "%c%d", kSharpLetters[pitchClass], octave);
    default:
        return Format("%d", pitch);
    }
}

// ---- grace notes ------------------------------------------------------------------------

int ECGraceNote::GetClassType() const {
    return ET_GRACENOTE;
}

void ECGraceNote::Serialize(CArchive& ar) {
    // The duration a second time: a grace note's record has always carried
    // it twice, and on loading the second copy is the one that stays.
    ECNote::Serialize(ar);
    SerializeEventTime(ar, m_duration);
}

// ---- rests ------------------------------------------------------------------------------

int ECRest::GetClassType() const {
    return ET_REST;
}

// ---- chords -----------------------------------------------------------------------------
//
// Each of the three holds a reference on the chord while it works: leaving
// the last parent, or losing the last child of a chord nobody else holds,
// drops the chord's last reference, and it must not go before the call ends.

int ECChord::GetClassType() const {
    return ET_CHORD;
}

int ECChord::RemoveChild(ECBase* child, int deep) {
    Ref();
    int result = 0;
    if (ECWithChild::RemoveChild(child, deep)) {
        result = 1;
        // Dots, accents and arpeggios belong to the chord's notes: without a
        // note they go, and so does the empty chord.
        if (!m_children.FindEvent(ET_NOTE))
            ECWithChild::RemoveChildren(deep);
        if (m_children.IsEmpty())
            RemoveFromParents();
    }
    Unref(1);
    return result;
}

int ECChord::RemoveChildren(int deep) {
    Ref();
    int result = 0;
    if (ECWithChild::RemoveChildren(deep)) {
        RemoveFromParents();
        result = 1;
    }
    Unref(1);
    return result;
}

int ECChord::RemoveFromParents() {
    Ref();
    if (ECBase* measure = GetAncestor(ET_MEASURE, -1)) {
        // The notes move up, so that deleting a chord keeps its notes.
        const MCEventList* held = measure->GetChildren();
        for (POSITION pos = m_children.GetHeadPosition(); pos;) {
            ECBase* child = m_children.GetNext(pos);
            if (child->GetClassType() == ET_NOTE && !(held && held->Find(child)))
                measure->AddChild(child, SORTED);
        }
        // The base's form: the chord's own would leave the parents from in
        // here again.
        ECWithChild::RemoveChildren(0);
    }
    const int result = ECBase::RemoveFromParents();
    Unref(1);
    return result;
}
