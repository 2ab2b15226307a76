// The staff performers: a notation staff's set-up, filters and volume.
//
//   DCsqStaff            a staff (track type TT_STAFF). Beside the track's
//                        data it keeps the staff's transposition, the MIDI
//                        channels its events use, its volume ramp player
//                        (CSeqVolume, owned, made with it) and four filters,
//                        kept by its filter list: a voice map (where each
//                        voice plays), a transposition (disabled), a velocity
//                        filter and a volume filter (both disabled, linked to
//                        this staff). Its prologue adds bank MSB, bank LSB
//                        and program events; MIDI events and notes are its
//                        music.
//   DCsqConductorStaff   the conductor staff (track 0, TT_CONDUCTOR): a staff
//                        whose name is the piece's title. It has the four
//                        filters too (they are made while its staff part is
//                        built); its own CreateStaffFilters adds none.
//
// Flag bits, beside the track's: 5 channels mixed, 6 channel content known,
// 7 sets level with volume (set at construction).
//
// Volume: the volume factor is gain x score factor x the sequence's master
// level. While bit 7 is set, a gain change sends controller 7 at once (with
// the device library's gain flag) with last document volume x volume factor
// (capped at 127) to each voice's device and channel: the staff's level
// changes while it plays, without waiting for a performed event.
//
// The instrument: the prologue's bank MSB, bank LSB and program words, made
// in that order when missing, sent at once in that order by SendInstrument.
//
// Archive form (after DCsqTrack's): transposition (4 bytes), channel content
// (2 bytes), first channel (1 byte), then the velocity, volume, transpose and
// voice-map filters by reference. A file of version 0 has, in place of the
// track's data, DCsqFilter's data followed after the channel by the gain (4
// bytes). Loading ends with SetTrackGain.
//
// Threads: the user-interface thread; TriggerFilters, the filters and the
// volume values also on the polling thread, under the player's lock and the
// performance's.
#pragma once

#include "sequencer/trackperformer.h"

#include <cstdint>
#include <memory>

class CSeqVolume;
class LCMidiTranspose;
class LCMidiVelocity;
class LCMidiVoiceMap;
class LCMidiVolume;

class DCsqStaff : public DCsqTrack {
    DECLARE_SERIAL(DCsqStaff)
public:
    enum : int {
        CHANNELS_MIXED_BIT = 5,
        CHANNELS_KNOWN_BIT = 6,
        LEVEL_WITH_VOLUME_BIT = 7,
    };
    // The device and channel of SendInstrument that mean "voice 0's".
    enum : int {
        VOICE0_DEVICE = -1,
        VOICE0_CHANNEL = -1,
    };

    // Makes the volume ramp and the four staff filters (CreateStaffFilters).
    DCsqStaff();
    ~DCsqStaff() override;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    int GetTrackType() const override;

    // ---- the track ----
    // Stores the gain; volume factor = gain x score factor x master level
    // (without a sequence, gain x score factor); with bit 7, the last
    // performed volume is recomputed and sent at once as controller 7 to
    // each voice of the voice map with a device and channel (the first voice
    // only, when all voices map alike).
    void SetTrackGain(float gain) override;
    // The track's InitTrack; then, when the channel content was found now,
    // every voice maps to the default device on the first channel (or keeps
    // its channel when the channels are mixed), and the instrument goes to
    // voice 0.
    void InitTrack(CSequence* sequence) override;
    // Stores the sequence, re-applies the gain and the transposition.
    void TriggerFilters(CSequence* sequence) override;
    // A prologue event at time 0, voice 0 on this staff's track, through the
    // sequence's score manager: bank LSB (controller 32), bank MSB
    // (controller 0), dynamic (controller 7), each value 0 on the first
    // channel; program change (program 0); a text of meta-event type 3 (the
    // title on track 0). Each is added as a file's events are, at once and
    // announcing nothing, so it stands in the tree when it is cached. Null
    // for any other type, and without a sequence or an owner.
    ECBase* MakePrologueEvent(int type) override;
    void RemovePrologueEvent(ECBase* event) override;
    // The voice map, transpose, velocity and volume filters.
    virtual void CreateStaffFilters();

    // ---- filters ----
    LCMidiVelocity* GetVelocityFilter() const { return m_pVelocity; }
    LCMidiVolume* GetVolumeFilter() const { return m_pVolume; }
    LCMidiTranspose* GetTranposeFilter() const { return m_pTranspose; }
    LCMidiVoiceMap* GetVoiceMapFilter() const { return m_pVoiceMap; }
    // The staff's transposition: the transpose filter takes it and is
    // enabled when it is not 0.
    void SetTransposition(int semitones);
    int GetTransposition() const { return m_nTransposition; }

    // ---- volume ----
    int GetLastPerformedVolume() const { return m_nLastPerformedVolume; }
    void SetLastPerformedVolume(int volume) { m_nLastPerformedVolume = static_cast<uint8_t>(volume); }
    int GetLastDocumentVolume() const { return m_nLastDocumentVolume; }
    void SetLastDocumentVolume(int volume) { m_nLastDocumentVolume = static_cast<uint8_t>(volume); }
    float GetScoreFactor() const { return m_fScoreFactor; }
    float GetVolumeFactor() const { return m_fVolumeFactor; }
    // Score factor := f; volume factor := gain x f x master level, as
    // SetTrackGain computes it.
    void SetScoreFactor(float factor);
    CSeqVolume* GetVolumeSequencer() const { return m_pVolumeSeq.get(); }
    int SetsLevelWithVolume() const { return GetFlagBit(LEVEL_WITH_VOLUME_BIT); }
    // Nothing (the bit stays as it is).
    void SetLevelWithVolume(int on);

    // ---- the instrument ----
    // The prologue's bank MSB, bank LSB and program performers, each event
    // found or made and cached; null when none can be. Asking for the LSB
    // asks for the MSB first, the program for the LSB first.
    DCsqMidi* GetBankMSB();
    DCsqMidi* GetBankLSB();
    DCsqMidi* GetProgram();
    // Stores the three values in the prologue words, then SendInstrument.
    void SetInstrument(int msb, int lsb, int program, int device = VOICE0_DEVICE,
                       int channel = VOICE0_CHANNEL);
    // Sends bank MSB, bank LSB and program (the stored words with the values
    // and channel given) at once to the device, when device and channel are
    // both 0 or above; -1 means voice 0's.
    void SendInstrument(int msb, int lsb, int program, int device = VOICE0_DEVICE,
                        int channel = VOICE0_CHANNEL);
    // The program, with the bank bytes handed back; 0 (and the bank bytes
    // left) when an event is missing.
    int GetInstrument(int& msb, int& lsb);

    // Sends one message at once through the voice map to the device the
    // map names (255 when none).
    void SendMidiMessage(const FCMidi& word, const MCVoiceTrack& voiceTrack);

    // ---- channels ----
    // Each runs CheckChannelContent(1) first.
    int AreChannelsMixed();
    unsigned GetChannelContent();
    int GetChannel();
    // With onlyIfNeeded set and the content known: 0. Else walks the staff
    // (depth 2) for the channels its events use: the mask, the first channel
    // (the lowest, 0 when none), bit 5 (more than one), bit 6 set; 1.
    int CheckChannelContent(int onlyIfNeeded);
    // Clears bit 6: the next look walks again.
    void SetChannelCheckNeeded();

protected:
    // Adds a staff filter to the list (kept by it).
    template <class Filter>
    Filter* MakeStaffFilter();

    int m_nTransposition = 0;
    uint16_t m_nChannelContent = 0;
    uint8_t m_nChannel = 0;
    std::unique_ptr<CSeqVolume> m_pVolumeSeq;   // owned: this staff's volume ramp
    uint8_t m_nLastPerformedVolume = 100;
    uint8_t m_nLastDocumentVolume = 100;
    float m_fVolumeFactor = 1.0f;
    float m_fScoreFactor = 1.0f;
    LCMidiVelocity* m_pVelocity = nullptr;     // kept by the filter list
    LCMidiVolume* m_pVolume = nullptr;         // kept by the filter list
    LCMidiTranspose* m_pTranspose = nullptr;   // kept by the filter list
    LCMidiVoiceMap* m_pVoiceMap = nullptr;     // kept by the filter list
    ECBase* m_pBankMSB = nullptr;              // a prologue event (the array holds it)
    ECBase* m_pBankLSB = nullptr;              // a prologue event (the array holds it)
    ECBase* m_pProgram = nullptr;              // a prologue event (the array holds it)

private:
    // Finds or makes the prologue event of the type into the cache slot and
    // answers its MIDI performer.
    DCsqMidi* GetCachedMidi(ECBase*& slot, int type);
    // The voice map's device and channel of voice 0 for the -1 arguments.
    void ResolveVoice0(int& device, int& channel) const;
    // Sends a word at once (CPortavel::SendMidiMsg).
    static void SendNow(int device, const FCMidi& word, int flag);
    // Volume factor := gain x score factor x the sequence's master level (1
    // without a sequence).
    void UpdateVolumeFactor();
    // The performer's word when it holds a message, else `status` with data
    // 1 = `data1` on the first channel.
    FCMidi InstrumentWord(DCsqMidi* performer, unsigned char status, unsigned char data1) const;

    // Set while the channel walk runs: a dynamic that makes its volume
    // performer during the walk asks for the channel again.
    bool m_bCheckingChannels = false;
};

class DCsqConductorStaff : public DCsqStaff {
    DECLARE_SERIAL(DCsqConductorStaff)
public:
    DCsqConductorStaff() = default;

    int GetClassType() const override;
    int GetTrackType() const override;

    // The piece's title: the track name.
    const std::string& GetTitle() { return GetTrackName(); }
    void SetTitle(const std::string& title) { SetTrackName(title); }

    // Stores the sequence only.
    void InitTrack(CSequence* sequence) override;
    // Nothing: its staff part made the filters.
    void CreateStaffFilters() override;
};
