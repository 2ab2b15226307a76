// The quantize filter: moves the times of MIDI messages towards a rhythmic
// grid, in musical time.
//
// A beat (a quarter note) is split into 1000 parts. Two grids divide it: a
// primary grid of n equal steps (4 by default: sixteenths) and a secondary
// grid of another n (3: triplet eighths), so straight and triplet figures
// are caught in one pass. Each grid keeps its points (a catch limit and the
// target it draws to) and a weight table saying, for each part of the beat,
// how close that part lies to a point of the grid (255 on a point, 0 half-way
// between two). A message takes the grid whose weight is the higher at its
// part (the primary on a tie) and moves towards that grid's nearest point by
// the quantization percent.
//
// A small memory per voice (0 to 7) and track keeps the grid a figure chose
// inside a beat: once a note in the inside of a beat took a grid, the later
// notes of that voice and track in the same beat take it too, so a triplet
// is not broken into sixteenths half-way. Voices 8 to 15 have no memory.
//
// The mode says which messages move: bit 0 note-ons (the start of a note),
// bit 1 note-offs (the end of a note), bit 2 every other message.
//
// Archive form: LCMidiFilter's only; the settings belong to the preferences.
//
// Threads: no lock of its own. The recorder runs it on its input path;
// settings are changed while no message is processed (the recorder's lock or
// the user-interface thread while recording is stopped).
#pragma once

#include "sequencer/midifilters.h"

#include <array>
#include <climits>
#include <vector>

class FCMidi;
class MCTime;
class MCVoiceTrack;

// One point of a grid, in parts of a beat: a part below the catch limit (and
// not below the previous point's) is drawn to the target.
struct CQPoint {
    int m_nLimit = 0;
    int m_nTarget = 0;
};

class LCMidiQuantize : public LCMidiFilter {
    DECLARE_SERIAL(LCMidiQuantize)
public:
    // The `mode` bits.
    enum : unsigned {
        QUANTIZE_NOTE_ON = 0x1,
        QUANTIZE_NOTE_OFF = 0x2,
        QUANTIZE_OTHER = 0x4,
    };
    // A grid choice kept in the memory.
    enum : int {
        GRID_SECONDARY = 0,
        GRID_PRIMARY = 1,
    };
    // Parts of one beat.
    static constexpr int PARTS_PER_BEAT = 1000;
    // A memory entry's beat before any note set it.
    static constexpr int NO_BEAT = INT_MIN;

    // Divisions 4 and 3, 50 %, note-ons and note-offs, no memory.
    LCMidiQuantize();

    // LCMidiFilter's bytes only.
    void Serialize(CArchive& ar) override;

    // Quantizes every message: its start with its note-on word; then, for a
    // note, its end with its note-off word, the duration following. A
    // system-exclusive message moves as a message of the third kind.
    void Process(MCMidiMsgVector& messages) override;

    // One time, of the message whose voice/track word is `vt` and whose word
    // decides the kind. A time in bar/pulse/tick form, negative, or beyond
    // what a beat count holds is left alone.
    void Quantize(MCTime& time, const MCVoiceTrack& vt, const FCMidi& word);

    // A negative division counts as 0; a division below 1 builds the grid of
    // one step (the beat's two ends).
    void SetPrimaryDivision(int n);
    int GetPrimaryDivision() const { return m_nPrimaryDivision; }
    void SetSecondaryDivision(int n);
    int GetSecondaryDivision() const { return m_nSecondaryDivision; }

    // Held to 0..100; the factor becomes percent / 100.
    void SetQuantizationPercent(int percent);
    int GetQuantizationPercent() const { return m_nPercent; }
    float GetQuantizationFactor() const { return m_fFactor; }

    void SetQuantizationMode(unsigned bits) { m_uMode = bits; }
    unsigned GetQuantizationMode() const { return m_uMode; }

    // Makes a fresh memory of `count` entries (a negative count as 0) for
    // each of the voices 0 to 7, for the tracks from `firstTrack` on. A
    // track outside the range shares entry 0.
    void SetTrackCount(int count, int firstTrack);
    int GetTrackCount() const { return m_nTrackCount; }
    int GetFirstTrack() const { return m_nFirstTrack; }

    // The grids, for tests and displays.
    const std::vector<CQPoint>& GetPrimaryPoints() const { return m_primaryPoints; }
    const std::vector<CQPoint>& GetSecondaryPoints() const { return m_secondaryPoints; }
    int GetPrimaryWeight(int part) const;
    int GetSecondaryWeight(int part) const;

    // The n + 1 points of a grid of n steps (n below 1 counts as 1).
    static std::vector<CQPoint> BuildQList(int n);
    // The weight of each part of the beat towards the nearest point.
    static std::array<unsigned char, PARTS_PER_BEAT> BuildQArray(const std::vector<CQPoint>& points);

private:
    struct Memory {
        int m_nBeat = NO_BEAT;
        int m_nGrid = GRID_SECONDARY;
    };

    // The memory entry for this voice/track word, or null.
    Memory* FindMemory(const MCVoiceTrack& vt);

    std::vector<CQPoint> m_primaryPoints;
    std::vector<CQPoint> m_secondaryPoints;
    std::array<unsigned char, PARTS_PER_BEAT> m_primaryWeights{};
    std::array<unsigned char, PARTS_PER_BEAT> m_secondaryWeights{};
    float m_fFactor = 0.5f;
    int m_nPercent = 50;
    int m_nPrimaryDivision = 4;
    int m_nSecondaryDivision = 3;
    unsigned m_uMode = QUANTIZE_NOTE_ON | QUANTIZE_NOTE_OFF;
    std::array<std::vector<Memory>, 8> m_memory;   // per voice; empty: no memory
    int m_nFirstTrack = 0;
    int m_nTrackCount = 0;
};
