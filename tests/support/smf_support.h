// Test and benchmark support for Standard MIDI Files: builds file bytes by
// hand, event by event, so a test shows exactly the bytes it feeds a reader
// (running status, damaged lengths and all), and runs a python3 script with
// the mido library for files made by an independent writer. The benchmarks'
// seeded pieces (bench/notation/midigen.h) are written with it too.
//
//     smf_support::Track track;
//     track.Tempo(0, 500000).NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).End();
//     const std::vector<uint8_t> bytes = smf_support::File(1, 96).Add(track).GetBytes();
//
// Nothing here checks what it builds: a test may write any byte it likes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace smf_support {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

inline void Put32(Bytes& out, uint32_t value) {
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

// A variable-length quantity: 7 bits a byte, most significant first.
inline void PutVarLen(Bytes& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

// A chunk: the 4-byte id, the big-endian length of `data`, the data.
inline Bytes Chunk(const char (&id)[5], const Bytes& data) {
    Bytes out(id, id + 4);
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// The data of a track chunk. Every adder takes the delta time first; a
// channel message writes its status unless `running` leaves it out.
class Track {
public:
    // Delta time then the bytes as given (any event, or a damaged one).
    Track& Event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
        PutVarLen(m_bytes, delta);
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    // Bytes with no delta time before them.
    Track& Raw(const Bytes& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Track& NoteOn(uint32_t delta, int channel, int key, int velocity, bool running = false) {
        return Channel(delta, 0x90 | channel, {key, velocity}, running);
    }
    // A note-off as 8n (velocity 64).
    Track& NoteOff(uint32_t delta, int channel, int key, bool running = false) {
        return Channel(delta, 0x80 | channel, {key, 64}, running);
    }
    Track& Controller(uint32_t delta, int channel, int number, int value, bool running = false) {
        return Channel(delta, 0xB0 | channel, {number, value}, running);
    }
    Track& Program(uint32_t delta, int channel, int program, bool running = false) {
        return Channel(delta, 0xC0 | channel, {program}, running);
    }
    // Any channel message: status (left out when running) and data bytes.
    Track& Channel(uint32_t delta, int status, std::initializer_list<int> data, bool running = false) {
        PutVarLen(m_bytes, delta);
        if (!running)
            m_bytes.push_back(static_cast<uint8_t>(status));
        for (int byte : data)
            m_bytes.push_back(static_cast<uint8_t>(byte));
        return *this;
    }
    // FF type length data.
    Track& Meta(uint32_t delta, int type, const Bytes& data) {
        PutVarLen(m_bytes, delta);
        m_bytes.push_back(0xFF);
        m_bytes.push_back(static_cast<uint8_t>(type));
        PutVarLen(m_bytes, static_cast<uint32_t>(data.size()));
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        return *this;
    }
    // A text meta event of the given type; the string's bytes as they are.
    Track& Text(uint32_t delta, int type, const std::string& text) {
        return Meta(delta, type, Bytes(text.begin(), text.end()));
    }
    Track& Tempo(uint32_t delta, uint32_t microseconds) {
        return Meta(delta, 0x51, {uint8_t(microseconds >> 16), uint8_t(microseconds >> 8), uint8_t(microseconds)});
    }
    // Numerator and the denominator's power of two; 24 clocks, 8 32nds.
    Track& TimeSignature(uint32_t delta, int numerator, int power) {
        return Meta(delta, 0x58, {uint8_t(numerator), uint8_t(power), 24, 8});
    }
    Track& KeySignature(uint32_t delta, int sharpsFlats, int mode) {
        return Meta(delta, 0x59, {uint8_t(static_cast<int8_t>(sharpsFlats)), uint8_t(mode)});
    }
    Track& SequenceNumber(uint32_t delta, int number) {
        return Meta(delta, 0x00, {uint8_t(number >> 8), uint8_t(number)});
    }
    Track& ChannelPrefix(uint32_t delta, int channel) { return Meta(delta, 0x20, {uint8_t(channel)}); }
    // The sequencer-specific wave reference: 00 00 77 2F, the track, the name.
    Track& WaveReference(uint32_t delta, uint32_t track, const std::string& name) {
        Bytes data = {0x00, 0x00, 0x77, 0x2F};
        Put32(data, track);
        data.insert(data.end(), name.begin(), name.end());
        return Meta(delta, 0x7F, data);
    }
    // F0 or F7, the length, the bytes (for F0 without the F0 itself).
    Track& SysEx(uint32_t delta, int status, const Bytes& data) {
        PutVarLen(m_bytes, delta);
        m_bytes.push_back(static_cast<uint8_t>(status));
        PutVarLen(m_bytes, static_cast<uint32_t>(data.size()));
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        return *this;
    }
    Track& End(uint32_t delta = 0) { return Meta(delta, 0x2F, {}); }

    const Bytes& GetBytes() const { return m_bytes; }

private:
    Bytes m_bytes;
};

// A whole file: the header chunk, then the chunks added. The header's track
// count is the number of tracks added unless set.
class File {
public:
    File(int type, int division) : m_type(type), m_division(division) {}

    File& Add(const Track& track) {
        m_chunks.push_back(Chunk("MTrk", track.GetBytes()));
        ++m_tracks;
        return *this;
    }
    // Any chunk bytes, as they are; counts as no track.
    File& AddRaw(const Bytes& bytes) {
        m_chunks.push_back(bytes);
        return *this;
    }
    File& SetTrackCount(int count) {
        m_trackCount = count;
        return *this;
    }

    Bytes GetBytes() const {
        Bytes header;
        Put16(header, static_cast<uint32_t>(m_type));
        Put16(header, static_cast<uint32_t>(m_trackCount >= 0 ? m_trackCount : m_tracks));
        Put16(header, static_cast<uint32_t>(m_division));
        Bytes out = Chunk("MThd", header);
        for (const Bytes& chunk : m_chunks)
            out.insert(out.end(), chunk.begin(), chunk.end());
        return out;
    }

private:
    int m_type;
    int m_division;
    int m_tracks = 0;
    int m_trackCount = -1;
    std::vector<Bytes> m_chunks;
};

// Runs `script` with python3 (mido imported as `mido`; the path to write is
// `path`) and returns the file it wrote; empty when python3 or mido is
// missing or the script failed.
inline Bytes MakeWithMido(const std::string& script, const std::string& path) {
    const std::string scriptPath = path + ".py";
    {
        std::ofstream out(scriptPath);
        out << "import sys\nimport mido\npath = sys.argv[1]\n" << script << "\n";
    }
    // The system's python, where the distribution's mido lives, before any other on the path.
    const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string command = python + " '" + scriptPath + "' '" + path + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    std::remove(scriptPath.c_str());
    if (status != 0)
        return {};
    std::ifstream in(path, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    return bytes;
}

}   // namespace smf_support
