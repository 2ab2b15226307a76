// MCPitch: the written form of a MIDI key. Which staff degree (letter and
// octave) the note sits on, with which accidental, whether the accidental is
// drawn, whether a user chose the spelling, and whether the note is placed by
// the percussion map instead of by its pitch.
//
// The value is one 16-bit word and the key:
//   bit 0      dirty: the spelling must be worked out again
//   bit 1      user-spelled: spelling passes leave it alone
//   bit 2      percussion: placed by the percussion map
//   bit 3      show accidental
//   bits 4-6   degree, 0 C ... 6 B
//   bits 7-9   accidental + 2 (0 double flat ... 4 double sharp)
//   bits 10-13 octave (key / 12 plus the spelling's adjustment; key 60 is octave 5)
// The staff degree of a pitch is octave x 7 + degree.
//
// Copies never take the user-spelled bit: a copy constructed starts with it
// clear, an assignment keeps the target's. A user's choice belongs to the
// note that was respelled, not to every note that copies its pitch.
//
// Plain value; the percussion map is a process-wide table read on any thread
// and changed by no caller today.
#pragma once

#include <cstdint>

class MCPitchUtils;

class MCPitch {
public:
    // Dirty, accidental shown, natural C in octave 0, key 0.
    MCPitch();
    // SetPitch(key, preference) with the accidental shown.
    MCPitch(uint8_t key, signed char preference);
    MCPitch(const MCPitch& other);
    MCPitch& operator=(const MCPitch& other);
    virtual ~MCPitch();

    // Spells the key with an accidental preference (-2 double flat ... +2
    // double sharp); where the preference has no spelling of the pitch class,
    // the next sharper one is used. Clears dirty; keeps the user-spelled and
    // percussion bits.
    void SetPitch(uint8_t key, signed char preference, int showAccidental);
    // Spells the key on the given degree (0 C ... 6 B), moving to the next
    // degree up while more than two sharps are needed and down while more
    // than two flats are. Shows the accidental; clears dirty.
    void SetPitchByDegree(uint8_t key, uint8_t degree);
    // Respells the same key with the neighbouring accidental: C sharp and D
    // flat, E sharp to F, F double sharp to G, D double flat to C; natural E
    // and B become F flat and C flat. Other naturals stay as they are.
    void ToggleEnharmonic();

    // A staff degree: octave = degree / 7, degree = degree mod 7.
    void SetDegree(uint8_t staffDegree);
    int GetStaffDegree() const { return GetOctave() * 7 + GetDegree(); }

    uint8_t GetDegree() const { return static_cast<uint8_t>((m_word >> 4) & 0x7); }
    uint8_t GetOctave() const { return static_cast<uint8_t>((m_word >> 10) & 0xF); }
    void SetOctave(uint8_t octave) { SetField(10, 0xF, octave); }
    signed char GetAccidental() const { return static_cast<signed char>(((m_word >> 7) & 0x7) - 2); }
    void SetAccidental(signed char accidental) { SetField(7, 0x7, static_cast<unsigned>(accidental + 2)); }
    uint8_t GetMidiPitch() const { return m_key; }
    // The 16-bit spelling word as archived (display data stores it with the key).
    uint16_t GetWord() const { return m_word; }
    void SetWord(uint16_t word) { m_word = word; }

    int ShowAccidental() const { return (m_word >> 3) & 1; }
    void SetShowAccidental(int show) { SetField(3, 1, show); }
    int IsUserSpelled() const { return (m_word >> 1) & 1; }
    void SetUserSpelled(int user) { SetField(1, 1, user); }
    int IsDirty() const { return m_word & 1; }
    void SetDirty(int dirty) { SetField(0, 1, dirty); }
    int IsPercussion() const { return (m_word >> 2) & 1; }
    // Stores the percussion bit; setting it also places the note on the
    // staff degree the percussion map gives its key.
    void SetPercussion(int percussion);

    // The key's percussion map entry: its voice (1 the lower) and notehead.
    int GetVoiceFromPercussionPitch() const;
    uint8_t GetNoteheadFromPercussionPitch() const;
    // The percussion key written on a staff degree: the first key from 27 up
    // the map places there (a few answered by the usual instrument of that
    // line), 60 when the map places none there.
    static uint8_t StaffDegreeToMidiPitch(uint8_t staffDegree);

    // Ordinary pitches compare by key, then by degree (B sharp 4 lies above
    // C 5); percussion pitches by octave, then degree. The left operand's
    // percussion bit decides which.
    bool operator==(const MCPitch& other) const;
    bool operator!=(const MCPitch& other) const { return !(*this == other); }
    bool operator<(const MCPitch& other) const { return Compare(other) < 0; }
    bool operator<=(const MCPitch& other) const { return Compare(other) <= 0; }
    bool operator>(const MCPitch& other) const { return Compare(other) > 0; }
    bool operator>=(const MCPitch& other) const { return Compare(other) >= 0; }

protected:
    void SetMidiPitch(uint8_t key) { m_key = key; }
    // Natural pitch class of a degree (0 for anything but 1-6), and back.
    static int DegreeToPitch(int degree);
    static int PitchToDegree(int pitchClass);

    // The map is the built-in table: nothing is loaded or saved.
    static void LoadPercussionMap() {}
    static void SavePercussionMap() {}
    // Keys from 128 up are ignored; the staff degree is stored as given, the
    // form every lookup of the map reads.
    static void SetPercussionMapEntry(unsigned key, uint8_t staffDegree, uint8_t notehead, int voice);

private:
    friend class MCPitchUtils;

    void SetField(int shift, unsigned mask, unsigned value) {
        m_word = static_cast<uint16_t>((m_word & ~(mask << shift)) | ((value & mask) << shift));
    }
    // Degree, octave and accidental of one spelling (the key stays).
    void SetSpelling(int degree, int octave, int accidental);
    int Compare(const MCPitch& other) const;

    uint16_t m_word;
    uint8_t m_key;
};
