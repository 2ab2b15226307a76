// The performer family: one performer class per kind of event.
//
//   DCsqKey, DCsqMeter, DCsqText,      silent
//   DCsqLyric (a text)
//   DCsqFlowControl                    a flow-control mark: its pass targets
//   DCsqTempo                          a tempo: starts tempo ramps
//   DCsqWave                           a wave clip: its pan, volume, frequency
//   DCsqMidi                           a MIDI event: its message word
//   DCsqBankMSB, DCsqBankLSB,          bank selects and program changes
//   DCsqProgram (MIDI performers)
//   DCsqNote (a MIDI performer)        a note: note-on and note-off words
//   DCsqSysMsg (a MIDI performer)      a system message: a short word or a
//                                      system-exclusive buffer
//   DCsqFilter                         a marking that owns MIDI filters
//   DCsqAccent, DCsqTranspose,         an accent, a transposition, a dynamic
//   DCsqDynamic (filter performers)
// The track performers are in sequencer/trackperformer.h and
// sequencer/staffperformer.h.
//
// The message bytes of a MIDI event live here, not in the event: each word is
// an FCMidi (flags in bits 0-7, status 8-15, data 1 16-23, data 2 24-31).
// The score manager fills them when it makes events from MIDI.
//
// Archive forms, after DCsqBase's (the file version is the active
// performance's; numbers little-endian):
//   DCsqFilter       the filter list as an object list (loading first
//                    deletes the filters held)
//   DCsqDynamic      the filter part, the volume performer by reference
//                    (loading first deletes the one held), the percent (float)
//   DCsqAccent       the filter part only
//   DCsqTranspose    the filter part, then its transpose filter by reference
//                    (always written; read from file version 1, or from
//                    version 0 when this object's schema is 2 or more)
//   DCsqTempo        the percent (float)
//   DCsqMidi and     the MIDI word (4 bytes: flags, status, data 1, data 2);
//   bank, program    DCsqNote then the note-off word; DCsqSysMsg then the
//                    system-exclusive field's word (flags in bits 0-3, the
//                    length in bits 4-31) and that many bytes
//   DCsqWave         the three wave values (12 bytes), read only from file
//                    version 2
//   the others       nothing more
// A length that runs past the data throws CArchiveException; nothing is
// allocated for it.
//
// RegisterPerformers enters the 25 performer records (kind DK_SEQUENCER, one
// per event type that sounds or marks) into the data registry.
//
// Threads: as DCsqBase. TransferDataTo and the filters' triggers run on the
// polling thread under the player's lock and the performance's lock;
// everything else on the user-interface thread.
#pragma once

#include "model/midifields.h"
#include "model/recordpool.h"
#include "platform/devices/records.h"
#include "sequencer/midifilters.h"
#include "sequencer/performer.h"

#include <cstddef>
#include <memory>
#include <vector>

class CSequence;
class DCsqDynamic;
class ECBase;
class MidiMessage;

// ---- silent performers ------------------------------------------------------

class DCsqKey : public DCsqBase {
    DECLARE_SERIAL(DCsqKey)
public:
    DCsqKey() = default;
    DCsqKey(const DCsqKey& other) = default;
    int GetClassType() const override;
};

class DCsqMeter : public DCsqBase {
    DECLARE_SERIAL(DCsqMeter)
public:
    DCsqMeter() = default;
    DCsqMeter(const DCsqMeter& other) = default;
    int GetClassType() const override;
};

class DCsqText : public DCsqBase {
    DECLARE_SERIAL(DCsqText)
public:
    DCsqText() = default;
    DCsqText(const DCsqText& other) = default;
    int GetClassType() const override;

    // A text kind to the text type of a Standard MIDI File meta event:
    // 1 -> 2, 3 and 8 -> 3, 4 -> 4, 5 -> 6, 6 -> 7, anything else 1.
    static int TypeToMidiValue(int type);
    // The way back: 2 -> 1, 3 -> 8 when `flag` is set else 3, 4 -> 4, 6 -> 5,
    // 7 -> 6, anything else 0.
    static int MidiValueToType(int value, int flag);
};

class DCsqLyric : public DCsqText {
    DECLARE_SERIAL(DCsqLyric)
public:
    DCsqLyric() = default;
    DCsqLyric(const DCsqLyric& other) = default;
    int GetClassType() const override;
};

// ---- flow control -------------------------------------------------------------

// The targets of a flow-control mark, one per pass (pass 0 has none).
class DCsqFlowControl : public DCsqBase {
    DECLARE_SERIAL(DCsqFlowControl)
public:
    DCsqFlowControl();   // clears flag bit 1
    DCsqFlowControl(const DCsqFlowControl& other) = default;
    int GetClassType() const override;

    // Moves the pass index on by one and answers the target there; null past
    // the last target stored.
    DCsqBase* GetNextTarget();
    // Stores a target for a pass above 0 (the array grows); pass 0 or below:
    // nothing.
    void SetPassTarget(int pass, DCsqBase* target);
    // The target of a pass 1 to the number of targets - 1; else null.
    DCsqBase* GetPassTarget(int pass) const;
    // Both counters back to 0.
    void Reset();

    int GetPassIndex() const { return m_nPass; }

private:
    int m_nPass = 0;
    int m_nCounter = 0;                  // only reset here
    std::vector<DCsqBase*> m_targets;    // borrowed; index 0 left empty
};

// ---- tempo ----------------------------------------------------------------------

// A tempo mark. Its percent change drives the tempo ramp of a gradual tempo
// change (accelerando and the like).
class DCsqTempo : public DCsqBase {
    DECLARE_SERIAL(DCsqTempo)
public:
    DCsqTempo() = default;
    DCsqTempo(const DCsqTempo& other) = default;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    // Validated first when the performer has an owner: type 21 non-negative,
    // 22 to 26 non-positive, any other type 0.
    float GetPercentChange();
    // Stores, then validates when the performer has an owner.
    void SetPercentChange(float percent);
    // Validates, then CSequence::ChangeTempo(percent, owner). Nothing without
    // a sequence or an owner tempo.
    void UpdateTempo(CSequence* sequence);

private:
    void ValidatePercentChange();

    float m_fPercentChange = 25.0f;
};

// ---- wave -------------------------------------------------------------------------

class DCsqWave : public DCsqBase {
    DECLARE_SERIAL(DCsqWave)
public:
    DCsqWave() = default;
    DCsqWave(const DCsqWave& other) = default;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    const PV_DSParams& GetDSParams() const { return m_params; }
    void SetDSParams(const PV_DSParams& params) { m_params = params; }

private:
    PV_DSParams m_params;   // pan, volume, frequency: 0, 0, 0
};

// ---- MIDI performers ----------------------------------------------------------------

// A MIDI event's message: controller changes, pedals, channel mode messages,
// channel and polyphonic pressure, pitch bends.
class DCsqMidi : public DCsqBase {
    DECLARE_SERIAL(DCsqMidi)
public:
    DCsqMidi() = default;
    explicit DCsqMidi(const FCMidi& word) : m_midi(word) {}
    // The flags, links and word; a copy is held by no dynamic.
    DCsqMidi(const DCsqMidi& other);
    // A dynamic's volume performer tells its dynamic that it is gone (a
    // failed load frees what no event took, the volume performer first).
    ~DCsqMidi() override;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    FCMidi& GetMidiData() { return m_midi; }
    const FCMidi& GetMidiData() const { return m_midi; }
    void SetMidiData(const FCMidi& word) { m_midi = word; }

    // Fills a performed message: the owner's time and voice/track word, the
    // note-on word := this word. Without an owner only the word.
    virtual void TransferDataTo(MidiMessage* message);

protected:
    // The owner's time and voice/track word into the message.
    void TransferOwnerTo(MidiMessage* message);
    // The word's archive form: flags byte, status, data 1, data 2.
    static void SerializeWord(CArchive& ar, FCMidi& word);

    FCMidi m_midi;   // the note-on word of a note

private:
    friend class DCsqDynamic;
    DCsqDynamic* m_pHolder = nullptr;   // borrowed: the dynamic whose volume performer this is
};

class DCsqBankMSB : public DCsqMidi {
    DECLARE_SERIAL(DCsqBankMSB)
public:
    DCsqBankMSB() = default;
    DCsqBankMSB(const DCsqBankMSB& other) = default;
    int GetClassType() const override;
};

class DCsqBankLSB : public DCsqMidi {
    DECLARE_SERIAL(DCsqBankLSB)
public:
    DCsqBankLSB() = default;
    DCsqBankLSB(const DCsqBankLSB& other) = default;
    int GetClassType() const override;
};

class DCsqProgram : public DCsqMidi {
    DECLARE_SERIAL(DCsqProgram)
public:
    DCsqProgram() = default;
    DCsqProgram(const DCsqProgram& other) = default;
    int GetClassType() const override;
};

// A note (or grace note): the inherited word is the note-on word.
class DCsqNote : public DCsqMidi {
    DECLARE_SERIAL(DCsqNote)
public:
    DCsqNote() = default;
    DCsqNote(const DCsqNote& other) = default;

    // One for every note: kept in a pool of their own, as the notes are
    // (model/recordpool.h).
    DECLARE_POOLED_RECORDS()

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    FCMidi& GetNoteOnData() { return m_midi; }
    void SetNoteOnData(const FCMidi& word) { m_midi = word; }
    FCMidi& GetNoteOffData() { return m_noteOff; }
    void SetNoteOffData(const FCMidi& word) { m_noteOff = word; }
    // Data byte 1 (the key) of both words.
    void ChangeMidiPitch(int key);

    // The owner's time, voice/track word and duration, both words.
    void TransferDataTo(MidiMessage* message) override;

private:
    FCMidi m_noteOff;
};

// A system message: a short message in the inherited word, or a
// system-exclusive message in its buffer.
class DCsqSysMsg : public DCsqMidi {
    DECLARE_SERIAL(DCsqSysMsg)
public:
    DCsqSysMsg() = default;
    DCsqSysMsg(const DCsqSysMsg& other) = default;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    FCMidiSysEx& GetSysExData() { return m_sysEx; }
    void SetSysExData(const FCMidiSysEx& sysEx) { m_sysEx = sysEx; }

    // The owner's time and word; the short word when it holds data, else a
    // copy of the system-exclusive buffer.
    void TransferDataTo(MidiMessage* message) override;

private:
    FCMidiSysEx m_sysEx;
};

// ---- filter performers -------------------------------------------------------------

// A marking that owns MIDI filters: its list keeps (deletes) the filters it
// takes first; a filter it shares with another list is deleted once.
class DCsqFilter : public DCsqBase {
    DECLARE_SERIAL(DCsqFilter)
public:
    DCsqFilter() = default;
    DCsqFilter(const DCsqFilter&) = delete;   // filters are not shared by copies
    DCsqFilter& operator=(const DCsqFilter&) = delete;
    // The list deletes the filters it keeps.
    ~DCsqFilter() override;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    MCMidiFilterList* GetFilters() override { return &m_filters; }

    // Appends the filter with this list as its owner list; nothing when it is
    // in the list already.
    void AddFilter(LCMidiFilter* filter);
    // Takes it out when present, deleting it when asked.
    void RemoveFilter(LCMidiFilter* filter, int destroy);
    // Takes every filter out from the tail, deleting each when asked.
    void RemoveFilters(int destroy);

    // Brings the filters the performer stands for up to date for the
    // sequence (null: for a walk of the filter chain). Nothing here.
    virtual void TriggerFilters(CSequence* sequence);

protected:
    MCMidiFilterList m_filters{MCMidiFilterList::FILTERS_OWNED};
};

// An accent on a note: its accent filter acts on the note that carries it.
class DCsqAccent : public DCsqFilter {
    DECLARE_SERIAL(DCsqAccent)
public:
    DCsqAccent() = default;

    // The filter part only; loading takes the first filter loaded as the
    // accent filter, or makes one from the owner.
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    // Makes the accent filter when missing, enables it and sets it from the
    // owner accent.
    void SetOwner(ECBase* owner) override;

    LCMidiAccent* GetAccentFilter() const { return m_pAccent; }

private:
    LCMidiAccent* m_pAccent = nullptr;   // kept by the list
};

// A transposition mark: its transpose filter joins its staff's filters while
// it plays.
class DCsqTranspose : public DCsqFilter {
    DECLARE_SERIAL(DCsqTranspose)
public:
    DCsqTranspose() = default;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    // Makes and adds the transpose filter on first use.
    LCMidiTranspose* GetTransposeFilter();
    // Every filter of the list is enabled, set from the owner and added to
    // the filter list of the staff performer of the owner's track (when the
    // track has one and a sequence is given).
    void TriggerFilters(CSequence* sequence) override;

private:
    LCMidiTranspose* m_pTranspose = nullptr;   // kept by the list, may be null
};

// A dynamic: a level (velocity filter), a volume (controller 7 through its
// volume performer) and, for hairpins, a volume ramp.
class DCsqDynamic : public DCsqFilter {
    DECLARE_SERIAL(DCsqDynamic)
public:
    // Flag bit 2 of the flag word.
    static constexpr int USES_VOLUME_BIT = 2;

    DCsqDynamic();   // uses volume, percent 50
    ~DCsqDynamic() override;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    // The volume performer gets the owner too.
    void SetOwner(ECBase* owner) override;

    // The tables of dynamic types (the owner ECDynamic's type byte):
    //   type       0    1     2     3     4     5     6     7     8     9    10   11+
    //   value      1   15    29    43    57    71    85    99   113   127   85   100
    //   factor  0.01 .222  .444  .666  .888 1.111 1.333 1.555 1.777   2.0 1.333  1.0
    static int TypeToMidiValue(int type);
    // 0-14 give 0, each band of 14 the next type, 127 and above 9.
    static int MidiValueToType(int value);
    static float GetMultiplierForType(int type);

    void UseVolume(int use) { SetFlagBit(USES_VOLUME_BIT, use); }
    int UsesVolume() const { return GetFlagBit(USES_VOLUME_BIT); }

    // Validated first when the performer has an owner: types 10 and below
    // and above 15 give 0; 11 and 14 non-negative; 12, 13 and 15
    // non-positive.
    float GetPercentChange();
    // Stores, then validates when the performer has an owner (the check
    // reads the owner's type).
    void SetPercentChange(float percent);

    // The volume performer, made on first use from the word given (see
    // CreateVolumeObject).
    DCsqMidi* GetVolumeObject(const FCMidi& word);
    // The volume performer's word (the performer made first from an empty
    // word).
    FCMidi& GetMidiData();
    // Makes the volume performer from the word when missing, then sets its
    // word.
    void SetMidiData(const FCMidi& word);

    // Starts the staff's volume ramp over this dynamic's span (nothing when
    // the owner's track has no staff performer or it has no ramp).
    void UpdateVolume(CSequence* sequence);
    // How a dynamic sounds when the music reaches it, for playback and the
    // MIDI file writer alike. A dynamic that sounds through the volume
    // controller at one level brings its filters up to date and answers its
    // volume performer, to be played; a hairpin through volume starts its
    // ramp when `ramps` is set; anything else (shown only, through velocity,
    // no dynamic marking) answers null.
    DCsqMidi* Perform(CSequence* sequence, bool ramps);
    // Sets the staff's volume filter (when the dynamic uses volume) or its
    // velocity filter from the owner and enables it. Nothing without a
    // sequence or a staff performer.
    void TriggerFilters(CSequence* sequence) override;

protected:
    // Replaces the volume performer: a new DCsqMidi owned by the same event,
    // holding the word when it has data, else controller 7 on the staff
    // performer's channel with the dynamic's value (when the owner has a
    // staff above it).
    void CreateVolumeObject(const FCMidi& word);

private:
    void ValidatePercentChange();
    // The owner's dynamic type, or -1 without an owner dynamic.
    int GetOwnerType() const;
    // Takes the volume performer (null: none), deleting the one held.
    void TakeVolume(DCsqMidi* volume);

    friend class DCsqMidi;   // a volume performer that goes lets go of itself here

    std::unique_ptr<DCsqMidi> m_pVolume;   // owned, may be null
    float m_fPercentChange = 50.0f;
};

// ---- registration ----------------------------------------------------------------------

// Enters the 25 performer records into the data registry for DK_SEQUENCER
// (a later registration of a cell replaces the earlier one); answers 25.
// The engine's start-up calls it once. User-interface thread.
int RegisterPerformers();
// Takes the 25 records out of the registry again.
void UnregisterPerformers();
