// Helpers of the MIDI filter tests: messages to filter, and filters saved
// and loaded by reference as documents hold them.
#pragma once

#include "model/performance.h"
#include "platform/core/archive.h"
#include "sequencer/midimessage.h"
#include "tests/model/eventio_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace filtertest {

using Bytes = std::vector<uint8_t>;

inline FCMidi Word(unsigned status, unsigned data1, unsigned data2)
{
    return FCMidi(status | (data1 << 8) | (data2 << 16));
}

// A message of one word at a time, voice 0 of track 1 unless given.
inline std::unique_ptr<MidiMessage> Message(float time, unsigned status, unsigned data1, unsigned data2,
                                     int voice = 0, int track = 1)
{
    auto message = std::make_unique<MidiMessage>();
    message->m_time = time;
    message->m_voiceTrack = MCVoiceTrack(voice, track);
    message->m_noteOn = Word(status, data1, data2);
    return message;
}

// A note: note-on and note-off words and a duration.
inline std::unique_ptr<MidiMessage> Note(float time, unsigned key, unsigned velocity, unsigned release = 0x40,
                                  float duration = 1.0f)
{
    auto message = Message(time, 0x90, key, velocity);
    message->m_noteOff = Word(0x80, key, release);
    message->m_duration = duration;
    return message;
}

inline MidiMessage& At(MCMidiMsgVector& messages, int index)
{
    MidiMessage* message = messages.GetAt(static_cast<unsigned>(index));
    EXPECT_NE(message, nullptr) << index;
    return *message;
}

// ---- archives ---------------------------------------------------------------

inline Bytes Save(const CObject* object)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(object);
    ar.Close();
    return file.Detach();
}

// Reads one object by reference with a performance of the given file version
// active; the caller owns it.
template <class T>
inline std::unique_ptr<T> Load(const Bytes& bytes, int version = ECPerformance::CURRENT_VERSION)
{
    eventio::ActiveVersion active(version);
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    return std::unique_ptr<T>(static_cast<T*>(ar.ReadObject(RUNTIME_CLASS(T))));
}

inline Bytes ClassTag(const std::string& name, uint8_t schema = 2)
{
    Bytes tag = {0xFF, 0xFF, schema, 0x00, static_cast<uint8_t>(name.size()), 0x00};
    tag.insert(tag.end(), name.begin(), name.end());
    return tag;
}

inline Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes Float(float value)
{
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    return Bytes(bytes, bytes + 4);
}

inline Bytes Long(int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

template <class T>
inline void ExpectEveryCutThrows(const Bytes& bytes, const char* what)
{
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const Bytes part(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_THROW(Load<T>(part), CArchiveException) << what << " cut at " << cut;
    }
}

}   // namespace filtertest
