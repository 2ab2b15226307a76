// The MIDI filters: what changes, or drops, the messages of one performed
// event on their way to a device.
//
//   LCMidiFilter      the base: the list it plays in, a begin and an end time
//   LCMidiAccent      an accent on a note: scales its velocities and duration
//   LCMidiTranspose   a transposition: moves keys by some semitones in a span
//   LCMidiVelocity    a staff's dynamic level: maps velocities into a range
//                     above a floor, optionally ramping over a hairpin
//   LCMidiVolume      a staff's volume dynamic: scales controller 7 by the
//                     staff's volume factor
//   LCMidiVoiceMap    a staff's voice map: sends each voice to a device and
//                     channel
//   LCMidiPrefs       the preference filter: blocks or thins message types
//
// MCMidiFilterList is the list every holder of filters uses (the filter
// performers' lists, the filter manager's global and preference lists, the
// list a walk gathers). A filter may sit in several lists at once: a
// transposition mark's filter is in its own performer's list and in its
// staff's. Exactly one list deletes it: the first owning list that took it
// (its keeper); every other list only borrows it. A filter that is deleted
// leaves every list holding it, so no list keeps a dangling pointer and no
// filter is deleted twice, whichever holder goes first.
//
// A list may be removed from while it is walked (CWalk): the entry is emptied
// at once and the list closes the gap when the outermost walk ends, so a
// filter that takes itself out of the list running it (a transposition past
// its span) never disturbs the walk.
//
// Archive forms (each after LCBase's two bytes, enabled then priority):
//   LCMidiFilter, LCMidiTranspose, LCMidiPrefs   nothing more
//   LCMidiAccent     notes-off flag (1 byte), duration change, velocity-on
//                    change, velocity-off change (4-byte floats); read when
//                    the file version is 1 or more, or 0 with a class schema
//                    above 1
//   LCMidiVelocity, LCMidiVolume   the staff performer by reference
//   LCMidiVoiceMap   eight entries of device and channel, 4 bytes each; on
//                    loading a device not below the device library's count of
//                    MIDI outputs becomes the default device
//
// Threads: playback filters run on the device library's polling thread
// inside the filter chain (sequencer/filtermgr.h), under the player's lock and
// the performance's; their settings are changed on the user-interface thread.
// No filter has a lock of its own. The preference filter is shared by every
// document: its flags and counter are atomics, so the user-interface thread
// may set flags while a poll runs.
#pragma once

#include "model/filterbase.h"
#include "model/time.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

class CArchive;
class DCsqStaff;
class ECBase;
class FCMidi;
class MCMidiMsgVector;
class MCMidiFilterList;
class MidiMessage;

// The base of every MIDI filter. LCBase's flag byte is its enabled flag.
class LCMidiFilter : public LCBase {
    DECLARE_SERIAL(LCMidiFilter)
public:
    LCMidiFilter();
    LCMidiFilter(const LCMidiFilter&) = delete;
    LCMidiFilter& operator=(const LCMidiFilter&) = delete;
    // Leaves every list that holds it.
    ~LCMidiFilter() override;

    // LCBase's two bytes only.
    void Serialize(CArchive& ar) override;
    // A filter whose reading failed is deleted, unless a list took it while
    // it was read (then that list lets it go as any other).
    void OnReadFailed() override;

    // Takes its settings from a marking event; nothing in the base.
    virtual void UpdateParametersFrom(ECBase* event);
    // Changes, drops or adds messages; nothing in the base.
    virtual void Process(MCMidiMsgVector& messages);

    // The list the filter plays in: the one it was last added to by a filter
    // performer or the filter manager (borrowed; null after it left it).
    void SetOwnerList(MCMidiFilterList* list) { m_pOwnerList = list; }
    MCMidiFilterList* GetOwnerList() const { return m_pOwnerList; }
    // The list that deletes this filter, or null.
    MCMidiFilterList* GetKeeper() const { return m_pKeeper; }

    // A filter a list let go while a file is read, for a list read later to
    // keep (a transposition mark's): when the load ends and no list keeps or
    // holds it, it is freed. Outside a load, or when kept or held, nothing.
    // The loading thread only.
    static void ReleaseWhenUnkept(LCMidiFilter* filter);

    void SetBeginTime(const MCTime& time) { m_beginTime = time; }
    const MCTime& GetBeginTime() const { return m_beginTime; }
    void SetEndTime(const MCTime& time) { m_endTime = time; }
    const MCTime& GetEndTime() const { return m_endTime; }

    // The whole-number part of a product, held to [low, high] before the
    // conversion, so a huge, negative or NaN value never overflows it.
    static int CutToInt(float value, int low, int high);

protected:
    // Takes the filter out of its owner list (nothing without one). Inside a
    // walk of that list the entry is emptied now and the gap closed when the
    // walk ends.
    void RemoveSelfFromList();

    // The file version that archived times and fields are read with: the
    // active performance's, the current one when none is active.
    static int GetFileVersion();

private:
    friend class MCMidiFilterList;

    MCMidiFilterList* m_pOwnerList = nullptr;   // borrowed, may be null
    MCMidiFilterList* m_pKeeper = nullptr;      // borrowed: the list that deletes us, may be null
    std::vector<MCMidiFilterList*> m_lists;     // borrowed: every list holding us
    MCTime m_beginTime;
    MCTime m_endTime;
};

// A list of filters in running order. An owning list deletes the filters it
// keeps when they leave with destroy set and when it is destroyed; a
// borrowing list never deletes. Not copyable. No lock: the holder's thread
// rules apply (the performance's lock during playback).
class MCMidiFilterList {
public:
    enum : int {
        FILTERS_BORROWED = 0,
        FILTERS_OWNED = 1,
    };
    // The `asOwnerList` argument of Add.
    enum : int {
        KEEP_OWNER_LIST = 0,
        SET_OWNER_LIST = 1,
    };

    explicit MCMidiFilterList(int owning = FILTERS_BORROWED);
    MCMidiFilterList(const MCMidiFilterList&) = delete;
    MCMidiFilterList& operator=(const MCMidiFilterList&) = delete;
    // Deletes the filters it keeps; lets the others go.
    ~MCMidiFilterList();

    int IsOwning() const { return m_bOwning; }

    // The filters held (the emptied entries of a running walk not counted).
    int GetCount() const { return m_nCount; }
    int IsEmpty() const { return m_nCount == 0; }
    // Whether the filter is in the list.
    int Contains(const LCMidiFilter* filter) const;
    // The filters in running order (a copy; no emptied entries).
    std::vector<LCMidiFilter*> GetFilters() const;
    // The entries by index, for a list that nothing changes while it is
    // read (no walk is counted, so several threads may read it at once);
    // an entry emptied by a running walk reads null.
    int GetSize() const { return static_cast<int>(m_entries.size()); }
    LCMidiFilter* GetAt(int index) const { return m_entries[static_cast<size_t>(index)]; }

    // Appends the filter unless it is already here (then 0, nothing changes).
    // An owning list becomes the keeper of a filter that has none. With
    // SET_OWNER_LIST the list becomes the filter's owner list. Allowed during
    // a walk of this list: the filter then runs in that walk.
    int Add(LCMidiFilter* filter, int asOwnerList = SET_OWNER_LIST);
    // Puts the other list's filters before this list's, keeping their order;
    // filters already here stay where they are. Owner lists are not touched.
    // During a walk of this list they go behind instead (a walk reads by
    // index: shifting would run some entries twice).
    void AddHead(const MCMidiFilterList& other);
    // Takes the filter out (0 when it is not here). With destroy set an
    // owning list deletes it when it keeps it or nothing does; a filter kept
    // by another list only leaves this one, and a borrowing list never
    // deletes.
    int Remove(LCMidiFilter* filter, int destroy);
    // Takes every filter out, from the tail, deleting as Remove does.
    void RemoveAll(int destroy);

    // The count, then each filter by reference (an object list's form). An
    // owning list writes the filters it keeps: one it only borrows (a
    // transposition mark's, lent to its staff while playing) is written by
    // its keeper. Loading appends what it reads (owner list set, as Add).
    void Serialize(CArchive& ar);

    // A walk over the list: while one lives, removals empty their entry and
    // the gap is closed when the outermost walk ends. Entries are read by
    // index; GetSize and GetAt see emptied entries as null.
    class CWalk {
    public:
        explicit CWalk(MCMidiFilterList& list);
        ~CWalk();
        CWalk(const CWalk&) = delete;
        CWalk& operator=(const CWalk&) = delete;

        int GetSize() const { return m_list.GetSize(); }
        LCMidiFilter* GetAt(int index) const { return m_list.GetAt(index); }

    private:
        MCMidiFilterList& m_list;   // borrowed, outlives the walk
    };

private:
    friend class LCMidiFilter;

    // Takes the filter out of the entries and out of the filter's records;
    // answers whether it was here.
    bool Unlink(LCMidiFilter* filter);
    void CloseGaps();

    std::vector<LCMidiFilter*> m_entries;   // borrowed or kept (see LCMidiFilter::m_pKeeper); null only during a walk
    int m_nCount = 0;
    int m_nWalking = 0;
    bool m_bOwning;
};

// An accent: scales the note's attack velocity, its duration and, with the
// notes-off flag, its release velocity. A change of exactly 1.0 leaves the
// value alone.
class LCMidiAccent : public LCMidiFilter {
    DECLARE_SERIAL(LCMidiAccent)
public:
    LCMidiAccent() = default;

    void Serialize(CArchive& ar) override;
    // From the accent event's type (the table of accent kinds).
    void UpdateParametersFrom(ECBase* event) override;
    void Process(MCMidiMsgVector& messages) override;

    float GetDurationChange() const { return m_fDurationChange; }
    void SetDurationChange(float change) { m_fDurationChange = change; }
    float GetVelocityOnChange() const { return m_fVelocityOnChange; }
    void SetVelocityOnChange(float change) { m_fVelocityOnChange = change; }
    float GetVelocityOffChange() const { return m_fVelocityOffChange; }
    void SetVelocityOffChange(float change) { m_fVelocityOffChange = change; }
    int ProcessesNotesOff() const { return m_bNotesOff; }
    void ProcessNotesOff(int notesOff) { m_bNotesOff = static_cast<unsigned char>(notesOff != 0); }

private:
    // Velocity x change held to 1..127; a change of exactly 1.0 leaves the
    // word alone.
    static void ScaleVelocity(FCMidi& word, float change);

    unsigned char m_bNotesOff = 0;
    float m_fDurationChange = -1.0f;
    float m_fVelocityOnChange = -1.0f;
    float m_fVelocityOffChange = -1.0f;
};

// A transposition in semitones over [begin, end] (a staff's own one spans all
// time). Keys are held to 0..127.
class LCMidiTranspose : public LCMidiFilter {
    DECLARE_SERIAL(LCMidiTranspose)
public:
    LCMidiTranspose();   // end time: the maximum time

    void Serialize(CArchive& ar) override;
    // From a transposition mark: octave type 0 up 12, 1 down 12, 2 up 24,
    // other 0; the span is the mark's time and duration.
    void UpdateParametersFrom(ECBase* event) override;
    // A first message outside the span takes the filter out of its owner
    // list (after the running walk) and changes nothing.
    void Process(MCMidiMsgVector& messages) override;

    void SetTransposition(int semitones) { m_nTransposition = semitones; }
    int GetTransposition() const { return m_nTransposition; }

private:
    int m_nTransposition = 0;
};

// A staff's dynamic level. A velocity v plays as v / 127 x range + floor; the
// floor follows the dynamic type, scaled by the staff level L, and ramps over
// the duration of a hairpin. L is 64 x the staff's track gain, cut to a whole
// number (64 without a staff): so at the default gain a dynamic's floor is
// the MIDI value the dynamic sounds at (ppp 1 ... mf 71, f 85 ... fff 127)
// and the range, L / 127 x 21, lets the played velocity add some ten steps
// above it. The ramp's start and duration are copies of the times given.
class LCMidiVelocity : public LCMidiFilter {
    DECLARE_SERIAL(LCMidiVelocity)
public:
    LCMidiVelocity() = default;

    void Serialize(CArchive& ar) override;
    // Prepares (when not yet prepared) and sets the velocity of every note-on,
    // updating a running ramp at the message's time first.
    void Process(MCMidiMsgVector& messages) override;

    // The staff level for a track gain: 64 x gain.
    static float StaffLevelForGain(float gain);
    // The staff level this filter uses (its staff's, or 64 without one).
    float GetStaffLevel() const;

    void SetDynamicType(unsigned char type) { m_nDynamicType = type; }
    unsigned char GetDynamicType() const { return m_nDynamicType; }
    void SetVelocityExact(int exact) { m_bExact = static_cast<unsigned char>(exact != 0); }
    int GetVelocityExact() const { return m_bExact; }
    // The ramp's start and duration (copied; null clears).
    void SetStartTime(const MCTime* time);
    const MCTime* GetStartTime() const { return m_rampStart ? &*m_rampStart : nullptr; }
    void SetDuration(const MCTime* duration);
    const MCTime* GetDuration() const { return m_rampDuration ? &*m_rampDuration : nullptr; }
    void SetDynamicChange(unsigned char change) { m_nDynamicChange = change; }
    unsigned char GetDynamicChange() const { return m_nDynamicChange; }
    // Both keep 7 bits; for a type without a duration each sets both.
    void SetInitialVelocity(unsigned char velocity);
    unsigned char GetInitialVelocity() const { return m_nInitialVelocity; }
    void SetFinalVelocity(unsigned char velocity);
    unsigned char GetFinalVelocity() const { return m_nFinalVelocity; }
    // Clearing it makes the next Process prepare the values again.
    void SetPrepared(int prepared) { m_bPrepared = static_cast<unsigned char>(prepared != 0); }
    int IsPrepared() const { return m_bPrepared; }
    // Whether the dynamic type spans a duration.
    int DynamicChanges() const;
    int IsRampRunning() const { return m_bRampRunning; }

    void SetStaffData(DCsqStaff* staff) { m_pStaff = staff; }
    DCsqStaff* GetStaffData() const { return m_pStaff; }

    // The values in force (after preparing and ramp updates).
    float GetCurrentFloor() const { return m_fCurrentFloor; }
    float GetCurrentRange() const { return m_fCurrentRange; }

    // The velocity a note-on of velocity v plays at with the values in force.
    int ScaleVelocity(int velocity) const;
    // Computes floor, range and ramp from the settings (Process does this
    // when not prepared).
    void Prepare();
    // Moves a running ramp to time t.
    void UpdateRamp(const MCTime& t);

private:
    float InitialFloor(float level) const;
    static float InitialRange(float floor, float level);
    float FloorChange(float floor, float level) const;

    DCsqStaff* m_pStaff = nullptr;   // borrowed: the staff whose list keeps us, may be null
    unsigned char m_bPrepared = 0;
    int m_bRampRunning = 0;
    unsigned char m_nDynamicType = 5;
    unsigned char m_bExact = 0;
    unsigned char m_nDynamicChange = 2;
    unsigned char m_nInitialVelocity = 64;
    unsigned char m_nFinalVelocity = 64;
    std::optional<MCTime> m_rampStart;
    std::optional<MCTime> m_rampDuration;
    // Below 0: nothing prepared yet; a hairpin then starts from the floor of
    // the default dynamic.
    float m_fCurrentRange = -1.0f;
    float m_fCurrentFloor = -1.0f;
    float m_fStartRange = 0.0f;
    float m_fStartFloor = 0.0f;
    float m_fEndRange = 0.0f;
    float m_fEndFloor = 0.0f;
    float m_fRangeChange = 0.0f;
    float m_fFloorChange = 0.0f;
};

// A staff's volume dynamic: each controller 7 becomes the staff's document
// volume and plays scaled by the staff's volume factor. Disables itself once
// it changed a message.
class LCMidiVolume : public LCMidiFilter {
    DECLARE_SERIAL(LCMidiVolume)
public:
    LCMidiVolume() = default;

    void Serialize(CArchive& ar) override;
    void Process(MCMidiMsgVector& messages) override;

    void SetStaffData(DCsqStaff* staff) { m_pStaff = staff; }
    DCsqStaff* GetStaffData() const { return m_pStaff; }

private:
    DCsqStaff* m_pStaff = nullptr;   // borrowed, may be null
};

// A staff's voice map: for voices 0 to 7 a device (-1: the default device)
// and a channel (-1: channel 0; -2: leave the channel). Voices 8 to 15 use
// voice 0's entry. The messages' voice/track words then name the device.
class LCMidiVoiceMap : public LCMidiFilter {
    DECLARE_SERIAL(LCMidiVoiceMap)
public:
    enum : int {
        VOICE_COUNT = 8,
        DEFAULT_DEVICE = -1,
        DEFAULT_CHANNEL = -1,
        KEEP_CHANNEL = -2,
    };

    // Every voice: the default device, channel 0.
    LCMidiVoiceMap();

    void Serialize(CArchive& ar) override;
    void Process(MCMidiMsgVector& messages) override;

    // Voices outside 0..7 are ignored on set and read voice 0's entry.
    void SetVoiceDevChan(int voice, int device, int channel);
    int GetVoiceDevice(int voice) const;
    int GetVoiceChannel(int voice) const;
    // Whether entries 1 to 7 equal entry 0.
    int AllVoiceMapsEqual() const;

    // The default MIDI output (the preference "Default Device"). Set on the
    // user-interface thread, read by polls.
    static void SetDefaultDevice(unsigned device) { s_uDefaultDevice.store(device, std::memory_order_relaxed); }
    static unsigned GetDefaultDevice() { return s_uDefaultDevice.load(std::memory_order_relaxed); }

private:
    struct Entry {
        int device;
        int channel;
    };
    const Entry& EntryOf(int voice) const;

    Entry m_entries[VOICE_COUNT];

    static std::atomic<unsigned> s_uDefaultDevice;
};

// The preference filter: blocks whole message types, and thins the
// continuous ones (keeps every second message that carries no switch value).
class LCMidiPrefs : public LCMidiFilter {
    DECLARE_SERIAL(LCMidiPrefs)
public:
    // The message types (indexes of the block and thin flags).
    enum : int {
        MT_NOTES = 0,
        MT_PROGRAM = 1,
        MT_PITCHBEND = 2,
        MT_CONTROLLERS = 3,
        MT_AFTERTOUCH = 4,
        MT_POLYPRESSURE = 5,
        MT_CHANNELMODE = 6,
        MT_SYSEX = 7,
        MT_SYSCOMMON = 8,
        MT_SYSREALTIME = 9,
        MT_COUNT = 10,
    };

    LCMidiPrefs();

    void Serialize(CArchive& ar) override;
    // Polling thread (playback) or the input callback (recording).
    void Process(MCMidiMsgVector& messages) override;

    // An index outside 0..9 is ignored on set and reads 0.
    void BlockMessageType(int index, int block);
    int MessageTypeBlocked(int index) const;
    void ThinMessageType(int index, int thin);
    int MessageTypeThinned(int index) const;

    // The type's name as the preferences store it ("Notes", "Program Change",
    // ...); empty outside 0..9.
    static std::string GetMessageTypeName(int index);

    // Reads the block flags from a preference section holding one integer
    // key per type name (default 1; a stored 0 blocks the type). User-
    // interface thread.
    void LoadBlockPreferences(const std::string& section);
    // Reads the playback thinning switches of a section: "Thin Controllers"
    // (controllers and poly pressure), "Thin Pitch Bend", "Thin Aftertouch"
    // (each default 0). User-interface thread.
    void LoadThinPreferences(const std::string& section);

    // The thinning counter: the next thinnable message takes it.
    int GetThinCounter() const { return m_nCounter.load(std::memory_order_relaxed); }
    void ResetThinCounter() { m_nCounter.store(1, std::memory_order_relaxed); }

private:
    // Whether the message is to go: blocked, or thinned out.
    bool Drops(const MidiMessage& message);
    bool Thins(int type);

    std::atomic<int> m_block[MT_COUNT];
    std::atomic<int> m_thin[MT_COUNT];
    std::atomic<int> m_nCounter{1};
};
