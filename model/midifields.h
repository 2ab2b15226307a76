// The typed fields that hold MIDI messages.
//
// FCMidi holds one short message in its flag word: the FCBase flags in bits
// 0-7, the status byte in bits 8-15, data byte 1 in bits 16-23 and data byte 2
// in bits 24-31; it answers what kind of message it is. FCMidiSysEx holds one
// system-exclusive message: the FCBase flags in bits 0-3, the buffer length in
// bits 4-31 (at most 2^28 - 1 bytes) and a buffer it owns; it builds and
// recognises the standard system-exclusive messages (GM on/off, GS on, XG on,
// master volume, master balance).
//
// FCMidiSysEx reuses FCMidi's flag word for its length, so FCMidi's
// non-virtual setters (SetValue, SetStatusByte, SetDataByte1, ...) must not be
// called on a system-exclusive field: they would rewrite its length.
//
// Plain values; whoever owns a field decides the thread.
#pragma once

#include "model/fields.h"

#include <bit>
#include <cstdint>
#include <memory>

static_assert(std::endian::native == std::endian::little,
              "MIDIWORD keeps the status in the lowest byte of its 32-bit value");

// A short message as four bytes: status, data 1, data 2 and a fourth byte
// that fields do not store. As a 32-bit value the status is the lowest byte.
union MIDIWORD {
    uint32_t dwData;
    uint8_t bData[4];
};

class FCMidi : public FCBase {
public:
    // The empty message: status 0, data 0, 0.
    FCMidi() = default;
    FCMidi(const FCMidi&) = default;
    explicit FCMidi(MIDIWORD word) { SetValue(word); }
    explicit FCMidi(uint32_t value) { SetValue(value); }
    ~FCMidi() override;

    FCMidi& operator=(const FCMidi&) = default;
    FCMidi& operator=(MIDIWORD word)
    {
        SetValue(word);
        return *this;
    }

    // A shared field holding the empty message.
    static const FCMidi& MidiNull();

    // The message kind. The order of these virtual operations is part of the
    // class's interface (plug-ins derive from it); keep it.
    virtual unsigned char GetStatusByte() const;
    virtual unsigned char GetStatusMSB() const;   // status & 0xF0
    virtual int HasData() const;                  // status above 0
    virtual int IsNote() const;
    virtual int IsNoteOn() const;                 // 9n with a velocity above 0
    virtual int IsNoteOff() const;                // 8n, or 9n with velocity 0
    virtual int IsPolyPressureMsg() const;
    virtual int IsControllerMsg() const;
    virtual int IsProgramMsg() const;
    virtual int IsChanPressureMsg() const;
    virtual int IsPitchBendMsg() const;
    virtual int IsVolumeMsg() const;              // controller 7
    virtual int IsChannelMsg() const;             // status 80 to EF
    virtual int IsChannelModeMsg() const;         // controller 120 exactly
    virtual int IsChannelVoiceMsg() const;        // a channel message, not channel mode
    virtual int IsSysMsg() const;                 // F1 to FF (F0 is not one)
    virtual int IsSysCommonMsg() const;           // F1 to F7
    virtual int IsSysRealtimeMsg() const;         // F8 to FF
    virtual int IsSysExMsg() const;               // 0 here

    // The three bytes; the fourth byte of the word is 0.
    MIDIWORD GetValue() const;
    void SetValue(MIDIWORD word);
    void SetValue(uint32_t value);                // status in the lowest byte

    void SetStatusByte(unsigned char status);
    void SetStatusMSB(unsigned char msb);         // the upper nibble; the channel is kept
    unsigned char GetStatusLSB() const { return StatusByte() & 0x0F; }
    void SetStatusLSB(unsigned char lsb);         // the lower nibble (the channel)
    unsigned char GetDataByte1() const { return static_cast<unsigned char>(m_flags >> 16); }
    unsigned char GetDataByte2() const { return static_cast<unsigned char>(m_flags >> 24); }
    // Both keep only the low 7 bits: data bytes never have the top bit.
    void SetDataByte1(unsigned char data);
    void SetDataByte2(unsigned char data);

protected:
    // The stored status byte, whatever GetStatusByte answers for this class.
    unsigned char StatusByte() const { return static_cast<unsigned char>(m_flags >> 8); }
    void PutByte(int shift, unsigned char value);
};

class FCMidiSysEx : public FCMidi {
public:
    // The largest length the flag word can hold.
    static constexpr unsigned MAX_LENGTH = 0x0FFFFFFF;

    FCMidiSysEx();                                        // no buffer, length 0
    FCMidiSysEx(const FCMidiSysEx& other);                // copies the buffer
    FCMidiSysEx(const unsigned char* buf, unsigned length);   // copies buf (see SetSysExBuf)
    ~FCMidiSysEx() override;
    FCMidiSysEx& operator=(const FCMidiSysEx& other);     // copies the buffer

    unsigned char GetStatusByte() const override;   // F0
    unsigned char GetStatusMSB() const override;    // F0
    int HasData() const override;                   // a length above 0
    int IsNote() const override;
    int IsNoteOn() const override;
    int IsNoteOff() const override;
    int IsPolyPressureMsg() const override;
    int IsControllerMsg() const override;
    int IsProgramMsg() const override;
    int IsChanPressureMsg() const override;
    int IsPitchBendMsg() const override;
    int IsVolumeMsg() const override;
    int IsChannelMsg() const override;
    int IsChannelModeMsg() const override;
    int IsChannelVoiceMsg() const override;
    int IsSysMsg() const override;
    int IsSysCommonMsg() const override;
    int IsSysRealtimeMsg() const override;
    int IsSysExMsg() const override;                // 1

    // Whether the buffer is the standard message, compared over the
    // template's length with the device id (byte 2) skipped. The volume and
    // balance tests therefore match only the value 0.
    virtual int IsGMSystemOnMsg() const;
    virtual int IsGMSystemOffMsg() const;
    virtual int IsGSSystemOnMsg() const;
    virtual int IsXGSystemOnMsg() const;
    virtual int IsMasterVolumeMsg() const;
    virtual int IsMasterBalanceMsg() const;

    unsigned GetSysExBufLength() const { return m_flags >> 4; }
    // The message bytes (GetSysExBufLength of them, the last one F7), or null.
    const unsigned char* GetSysExBuf() const { return m_buffer.get(); }

    // Replaces the message. A buffer whose last byte is not F7 gains one, so a
    // stored message always ends with F7. A null buffer or a length of 0
    // leaves the field empty (no buffer, length 0); so does a length beyond
    // MAX_LENGTH.
    // With copy set the field copies buf and the caller keeps it. With copy
    // 0 the field takes ownership of buf, which must come from
    // `new unsigned char[]`: a buffer ending in F7 is kept as it is, one
    // without its F7 is copied with the F7 added and then freed, a refused one
    // is freed; either way the caller never frees a buffer handed over with
    // copy 0. Passing the field's own buffer is allowed.
    void SetSysExBuf(unsigned char* buf, unsigned length, int copy);

    // The standard messages; the device id (0 to 127) goes into byte 2.
    void SetGMSystemOn(int deviceId);
    void SetGMSystemOff(int deviceId);
    void SetGSSystemOn(int deviceId);
    void SetXGSystemOn(int deviceId);
    // A 14-bit value: the low 7 bits go into byte 5, the high 7 into byte 6.
    void SetMasterVolume(int value);
    void SetMasterBalance(int value);

private:
    void Clear();
    void SetLength(unsigned length);
    void CopyFrom(const unsigned char* buf, unsigned length, bool appendF7);
    template <unsigned N>
    int Matches(const unsigned char (&pattern)[N]) const;
    template <unsigned N>
    void Build(const unsigned char (&pattern)[N], int byte2, int byte5 = -1, int byte6 = -1);

    std::unique_ptr<unsigned char[]> m_buffer;   // owned; GetSysExBufLength bytes
};
