// Performed MIDI messages, the vector the performers fill, and their text.
//
// MidiMessage is one message on its way from an event's performer through the
// MIDI filters to the device library: a time, a voice/track word, the note-on
// and note-off words of a note (any other channel or system message travels
// whole in the note-on word), a system-exclusive buffer and the performed
// duration. A plain value; it owns its system-exclusive bytes.
//
// MCMidiMsgVector owns the messages it holds. Callers hand a message over with
// std::unique_ptr; the vector deletes every message it removes or replaces,
// and the rest at its end. Slots below the count hold messages or null; there
// are none beyond it. A performer's scratch space, reused for each event.
//
// MCMidiParse turns a MIDI word into one line of text for event lists, the
// MIDI monitor and traces. The message text has a fixed layout: the three
// bytes in hexadecimal, " -- ", a 20-character name column, then the values;
// a system-exclusive message shows its recognised kind and up to 20 of its
// bytes instead. The line adds the time (float, or bar:pulse:tick through the
// sequence's conductor), the track and voice and a caller's number.
//
// Threads: each object belongs to whoever made it. A parse with a sequence
// reads the conductor's cache, which moves its cursor: off the user-interface
// thread the caller holds the performance's lock.
#pragma once

#include "model/midifields.h"
#include "model/time.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class CSequence;
class MCConductorCache;

// One performed message. Public fields, as the performers and filters fill
// them directly.
class MidiMessage {
public:
    MidiMessage();
    // All six fields, the flag bits of the two words included.
    MidiMessage(const MidiMessage& other);
    // Time, voice/track word and system-exclusive data are copied; the two
    // words take the other's bytes and keep their own flag bits; then the
    // duration.
    MidiMessage& operator=(const MidiMessage& other);
    ~MidiMessage();

    MCTime m_time;
    MCVoiceTrack m_voiceTrack;   // voice 15, track 2047 (none) until set
    FCMidiSysEx m_sysEx;         // empty unless the message is system exclusive
    FCMidi m_noteOn;             // a note's note-on, or the whole message
    FCMidi m_noteOff;            // a note's note-off; empty otherwise
    MCTime m_duration;           // the note's performed length

    // The messages alive in the process: what leak checks compare.
    static int GetAliveCount() { return s_nAlive.load(std::memory_order_relaxed); }

private:
    static std::atomic<int> s_nAlive;
};

class MCMidiMsgVector {
public:
    MCMidiMsgVector();   // empty, room for 100
    MCMidiMsgVector(const MCMidiMsgVector&) = delete;
    MCMidiMsgVector& operator=(const MCMidiMsgVector&) = delete;
    ~MCMidiMsgVector();   // deletes every message

    int GetSize() const { return static_cast<int>(m_messages.size()); }
    // The message at index (borrowed; the vector keeps it), or null when the
    // slot is empty or index is not below the count.
    MidiMessage* GetAt(unsigned index) const;

    // Below the count: the message there (if any) is deleted and replaced,
    // a null message included. At or beyond it: a message is stored at index,
    // the slots between stay null and the count becomes index + 1; a null
    // message changes nothing there.
    void SetAt(unsigned index, std::unique_ptr<MidiMessage> message);
    // Inserts at index, later slots moving up one (null allowed); beyond the
    // count the slots between stay null and the count becomes index + 1.
    void InsertAt(unsigned index, std::unique_ptr<MidiMessage> message);
    // Appends a message; a null one is ignored.
    void Add(std::unique_ptr<MidiMessage> message);
    // Below the count: deletes the message, closes the gap. Else nothing.
    void RemoveAt(int index);
    // Deletes messages from the end until at most index + 1 remain.
    void FreeAbove(unsigned index);
    // Deletes every message, last first.
    void RemoveAll();

private:
    // The largest index a slot may have: the count is a signed 32-bit number.
    static constexpr unsigned MAX_INDEX = 0x7FFFFFFEu;
    // Grows the slots to index + 1 (the new ones null); throws
    // std::out_of_range beyond MAX_INDEX.
    void GrowTo(unsigned index);

    std::vector<std::unique_ptr<MidiMessage>> m_messages;   // owned; the count is the size
};

class MCMidiParse {
public:
    // Finds the cache of a sequence's conductor, which converts the line's
    // time. MIDI messages lie below the sequence in the engine (its performers
    // and filters are built on them), so this file does not know the
    // sequence's class: the sequence installs its lookup when the library
    // loads. Without one, or when it answers null (a sequence not attached to
    // a document), lines show the float form. The line reads the cache rather
    // than asking the conductor, whose queries make a missing conductor staff
    // through a command: a text for display must not change the tree.
    using ConductorCacheLookup = MCConductorCache* (*)(CSequence* sequence);
    // Replaces the process's lookup (null removes it); returns the one before.
    static ConductorCacheLookup SetConductorCacheLookup(ConductorCacheLookup lookup);

    MCMidiParse();   // no sequence: lines show the float time
    explicit MCMidiParse(CSequence* sequence);
    MCMidiParse(const MCMidiParse& other);
    MCMidiParse& operator=(const MCMidiParse& other);

    // The message text of the word; a word without a status byte (below 0x80)
    // leaves the text of the previous call.
    const std::string& ParseMidi(const FCMidi& midi);
    // The message text, then the line:
    //   with a sequence  "%3d:%2d:%3d -- trk %2d(%d) -- %d: %s" (bar, pulse
    //                    and tick at the global PPQ, track, voice, number,
    //                    message text);
    //   without          "%f trk %2d(%d) -- %d: %s" (the time's float value).
    // A converted voice/track word (bit 15) shows track 2047, voice 15.
    const std::string& ParseMidi(const MCTime& time, const MCVoiceTrack& voiceTrack, unsigned number,
                                 const FCMidi& midi);

    CSequence* GetSequence() const { return m_pSequence; }

    // The 20-character name of a controller number; null from 128 up.
    static const char* GetControllerName(unsigned controller);

private:
    void ParseChannelMessage(const FCMidi& midi);
    void ParseSystemMessage(const FCMidi& midi);
    void ParseSysEx(const FCMidi& midi);

    std::string m_message;              // the last message text
    std::string m_line;                 // the last line
    CSequence* m_pSequence = nullptr;   // borrowed, may be null
};
