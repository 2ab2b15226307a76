// Notes, grace notes, rests and chords: the notated content of a measure.
//
// A note holds its time, voice/track word and duration, nothing more: no
// pitch and no velocity. Those are MIDI words of the note's performance data
// (view kind DK_SEQUENCER), which the score manager fills when it makes a note
// from MIDI. A grace note is a note hung under a note. A rest and a chord have
// a time but no duration of their own (GetDuration answers null); a chord
// groups the notes that sound together with their shared modifiers
// (model/modifiers.h).
//
// A chord leaves the tree when its last note goes: it takes its remaining
// modifiers with it. A chord removed from its parents first hands its notes
// up to the enclosing measure, so that deleting a chord never deletes notes.
//
// The duration functions are process-wide: the notation plug-in installs its
// pair once at start-up on the UI thread, before any document is open;
// ScaleDuration may be called from any thread after that. GetPitchString is a
// pure function. Events carry no lock; see model/event.h.
#pragma once

#include "model/event.h"
#include "model/recordpool.h"

#include <cstddef>
#include <string>

// A note: a time, a voice/track word and a performed duration in quarter notes.
class ECNote : public ECWithTimeChild {
    DECLARE_SERIAL(ECNote)
public:
    // A duration function: turns a duration into another (notated into
    // performed, or back), given the user pointer installed with it.
    using DurationFunc = MCTime (*)(const MCTime* duration, void* data);

    // At time 0, one quarter note long.
    ECNote();
    ECNote(const MCTime& time, const MCTime& duration);
    // Time, voice/track word and duration; no view data, parents or children.
    ECNote(const ECNote& other);

    // A piece holds its notes by the hundred thousand: they live in a pool
    // of their own (model/recordpool.h), side by side in the order made.
    DECLARE_POOLED_RECORDS()

    // The ECWithTimeChild part, then the duration (time form; loaded with the
    // active performance's file version, so that old documents read a float).
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    // Never null. Neither announces the change: whoever edits an event in
    // place announces it.
    MCTime* GetDuration() override { return &m_duration; }
    // A null duration is ignored.
    void SetDuration(const MCTime* duration) override;

    // Installs the forward function (notated duration to performed, the gate),
    // its inverse and their user pointer, replacing the pair before; any may
    // be null.
    static void SetDurationFuncs(DurationFunc forward, DurationFunc inverse, void* data);
    // The duration through the inverse function (inverse != 0) or the forward
    // one (0); a copy of the duration when that function is not installed. A
    // null duration gives the zero time.
    static MCTime ScaleDuration(const MCTime* duration, int inverse);

    // The modes of GetPitchString.
    enum : int {
        PS_NUMBER = 0,   // "61"; any mode but 1 and 2
        PS_FLATS = 1,    // "Db4"
        PS_SHARPS = 2,   // "C#4"
    };
    // A MIDI pitch as text: the letter and octave (C4 is 60), a black key
    // spelt with a flat or a sharp as the mode asks; or the number alone.
    static std::string GetPitchString(unsigned char pitch, int mode);

protected:
    MCTime m_duration{1.0f};

private:
    static DurationFunc s_pDurFunc;
    static DurationFunc s_pDurFuncInverse;
    static void* s_pDurFuncData;   // borrowed, the installer's
};

// A grace note, hung under the note it leads to. Its record is the note's
// followed by the duration once more; on loading the second copy stays.
class ECGraceNote : public ECNote {
    DECLARE_SERIAL(ECGraceNote)
public:
    ECGraceNote() = default;   // time 0, one quarter note
    ECGraceNote(const MCTime& time, const MCTime& duration) : ECNote(time, duration) {}
    ECGraceNote(const ECGraceNote& other) = default;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
};

// A rest: a time and a voice/track word (the null time and no voice after
// construction), without a duration of its own.
class ECRest : public ECWithTimeChild {
    DECLARE_SERIAL(ECRest)
public:
    ECRest() = default;
    ECRest(const ECRest& other) = default;   // time and word

    int GetClassType() const override;
};

// The notes that sound together in one voice of a measure, with the
// modifiers they share (arpeggio, dots, accents ...). Holds a reference on
// each child (see ECWithChild).
class ECChord : public ECWithTimeChild {
    DECLARE_SERIAL(ECChord)
public:
    ECChord() = default;
    ECChord(const ECChord& other) = default;   // time and word, no children

    int GetClassType() const override;

    // Removes the child as ECWithChild does (0 when it is not a child). When
    // no note is left, the remaining children go too, and a chord left with
    // no children leaves its parents; 1.
    int RemoveChild(ECBase* child, int deep) override;
    // Removes every child as ECWithChild does, then leaves its parents; 1.
    int RemoveChildren(int deep) override;
    // Hands its notes to the enclosing measure (each one the measure does
    // not hold yet, added sorted), lets go of its children and leaves its
    // parents. Without a measure above it, nothing moves and the children
    // stay (until the chord loses its last parent, which detaches them).
    int RemoveFromParents() override;
};
