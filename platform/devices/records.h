// The records the device library exchanges with the system: device events, wave
// parameters, device capabilities and formats, and the wave header and format
// records that wave data and wave files are described by.
//
// Ownership: a CPVEventData owns everything its data word points at. The system
// exclusive bytes of a type-2 event, the PV_WaveParams (and its file name) of a
// type-3 event and the WAVEHDR (and its samples) of a type-4 event live inside
// the event, so a pointer handed over in one can never point into a buffer that
// its maker reuses for the next message. Whoever holds the event owns it: the
// maker until it is put in a poll's answer list, then the device library, which
// deletes it once performed. Input events stay the library's; a callback reads
// them during the call only.
//
// The records here are plain data; they lock nothing and any thread may use one
// it owns. Addresses are held at full pointer width.
#pragma once

#include "platform/core/clock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Device addresses: kind, direction, index from 0.
enum : int {
    PV_MIDI = 0,
    PV_WAVE = 1,
};
enum : int {
    PV_INPUT = 0,
    PV_OUTPUT = 1,
};
// EnableDevice's index for every device of the kind and direction.
constexpr int PV_ALL_DEVICES = 0x7FFFFFFF;

// Event types.
enum : unsigned {
    PV_EVENT_SHORT = 1,      // a MIDI short message; data is the packed word
    PV_EVENT_SYSEX = 2,      // system exclusive; data the bytes' address, extra the length
    PV_EVENT_WAVEPLAY = 3,   // a wave file to play; data the PV_WaveParams' address
    PV_EVENT_WAVEDATA = 4,   // recorded wave data; data the WAVEHDR's address
};

// Technology codes of PV_DevCaps.
enum : std::uint16_t {
    PV_TECH_PORT = 1,
    PV_TECH_SYNTH = 2,         // internal synthesizer
    PV_TECH_SQUARE_SYNTH = 3,
    PV_TECH_FM_SYNTH = 4,
    PV_TECH_MAPPER = 5,
};

// A short message packed into one word: status byte lowest, then data 1, then data 2.
inline DWORD PackShortMsg(std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0) {
    return DWORD(status) | (DWORD(data1) << 8) | (DWORD(data2) << 16);
}

// The number of bytes a short message with this status byte has on the wire (1 to 3),
// or 0 for a byte that starts no short message (a data byte, 0xF0 and 0xF7).
std::size_t ShortMsgLength(std::uint8_t status);

// Pan, volume and frequency of a wave, in the layer's scales: pan -10000 (left) to
// 10000 (right); volume in hundredths of a decibel, 0 full and -10000 silent; frequency
// -10000 to 10000, where 10000 raises the playback rate an octave and -10000 lowers it
// an octave. An element's and its track's values add.
struct PV_DSParams {
    std::int32_t pan = 0;
    std::int32_t volume = 0;
    std::int32_t frequency = 0;
};

// What a wave play needs, and what SetWaveParams changes. The file name is the address
// of UTF-8 characters; a null name in SetWaveParams means the whole track. In an event
// the record and its name are the event's (CPVEventData::SetWaveParams copies them);
// given to SetWaveParams they are the caller's, read during the call only.
struct PV_WaveParams {
    const char* fileName = nullptr;
    int track = 0;
    PV_DSParams element;
    PV_DSParams trackParams;
    int tag = 0;   // the performance the wave belongs to
};

// The format record of PCM wave data (the RIFF "fmt " fields).
struct WAVEFORMATEX {
    std::uint16_t formatTag = 1;   // 1 = PCM
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};
constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// A block of wave data: `data` points at `bufferLength` bytes of which the first
// `bytesRecorded` hold samples in the device's format. In a type-4 event the header
// and its bytes are the event's.
struct WAVEHDR {
    char* data = nullptr;
    DWORD bufferLength = 0;
    DWORD bytesRecorded = 0;
    std::uintptr_t user = 0;
    DWORD flags = 0;
};
constexpr DWORD WHDR_DONE = 0x1;

// A wave device's format: the one in force and the numbered formats it supports.
struct PV_DevFormat {
    WAVEFORMATEX format;
    int number = -1;                // 0-13 when the format is one of the fourteen numbered ones
    std::uint32_t supported = 0;    // bit n set: format number n is supported
};

// The capabilities of one device. The name starts at byte 8 and is zero-terminated
// UTF-8, cut at a character boundary when longer than the field.
struct PV_DevCaps {
    std::uint16_t manufacturer = 0;
    std::uint16_t product = 0;
    std::uint32_t driverVersion = 0;   // 16 bits used: major in the high byte, minor in the low
    char name[64] = {};
    std::uint16_t technology = 0;      // PV_TECH_*; 0 for wave devices
    std::uint16_t voices = 0;
    std::uint16_t notes = 0;
    std::uint16_t channelMask = 0;
    std::uint32_t support = 0;
};

// One device event. The public words are the event as the system reads and writes
// it; the setters below give the data word something the event owns. Not copyable:
// the data word may point into the event itself.
class CPVEventData {
public:
    CPVEventData();
    // An event of a type whose data is a plain word (type 1), or one whose data the
    // caller guarantees to outlive the event.
    CPVEventData(unsigned type, DWORD time, int device, std::uintptr_t data = 0, std::uintptr_t extra = 0);
    CPVEventData(const CPVEventData&) = delete;
    CPVEventData& operator=(const CPVEventData&) = delete;
    ~CPVEventData();

    // Makers of the four kinds; each copies what it is given.
    static std::unique_ptr<CPVEventData> MakeShort(DWORD time, int device, DWORD message);
    static std::unique_ptr<CPVEventData> MakeSysEx(DWORD time, int device, const std::uint8_t* bytes, std::size_t length);
    static std::unique_ptr<CPVEventData> MakeWavePlay(DWORD time, int device, const PV_WaveParams& params);
    static std::unique_ptr<CPVEventData> MakeWaveData(DWORD time, int device, const std::uint8_t* bytes, std::size_t length);

    // Type 2: copies the bytes; data becomes the copy's address, extra its length.
    void SetSysEx(const std::uint8_t* bytes, std::size_t length);
    // Type 3: copies the record and its file name; data becomes the copy's address.
    void SetWaveParams(const PV_WaveParams& params);
    // Type 4: copies the bytes into a header of the event's; data becomes its address.
    void SetWaveData(const std::uint8_t* bytes, std::size_t length);

    // The data word read as what the type says it is; null (or 0) when the type differs.
    const std::uint8_t* GetSysExBytes() const;
    std::size_t GetSysExLength() const;
    const PV_WaveParams* GetWaveParams() const;
    const WAVEHDR* GetWaveHeader() const;

    unsigned type = 0;           // PV_EVENT_*
    DWORD time = 0;              // milliseconds of device time
    int device = 0;              // index among the devices of the type's kind and direction
    DWORD reserved = 0;
    std::uintptr_t data = 0;     // packed message, or an address (see the type)
    std::uintptr_t extra = 0;    // system-exclusive length, else 0

private:
    struct Payload;                      // what data points at when the event owns it
    std::unique_ptr<Payload> m_payload;  // owned; null for a plain word
};

// The answer of a poll: the events due in the window. It owns the events put in it;
// the library takes them all out (TakeAll) and so empties it. The system's players
// keep one and refill it at every poll.
class CPVEventList {
public:
    CPVEventList() = default;
    CPVEventList(const CPVEventList&) = delete;
    CPVEventList& operator=(const CPVEventList&) = delete;

    // Takes ownership of the event (null is ignored).
    void AddTail(CPVEventData* event);
    void AddTail(std::unique_ptr<CPVEventData> event);

    bool IsEmpty() const { return m_events.empty(); }
    std::size_t GetCount() const { return m_events.size(); }
    CPVEventData* GetAt(std::size_t index) const { return m_events[index].get(); }

    // Deletes every event.
    void RemoveAll() { m_events.clear(); }
    // Hands every event over, in the order added; the list is empty afterwards.
    std::vector<std::unique_ptr<CPVEventData>> TakeAll();

private:
    std::vector<std::unique_ptr<CPVEventData>> m_events;
};
