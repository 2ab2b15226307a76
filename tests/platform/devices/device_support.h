// Test support for the device backends: an input sink that keeps nothing and
// only counts the calls, for backends attached where no input is expected;
// and silent wave files for the tests that need a clip on disk.
#pragma once

#include "platform/devices/backend.h"
#include "platform/devices/wavefile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace device_test {

// Counts what it is handed and keeps none of it. Any thread.
class NullSink : public CPVInputSink {
public:
    void OnMidiInput(int, std::uint64_t, const std::uint8_t*, std::size_t) override { ++calls; }
    void OnWaveInput(int, std::uint64_t, const std::uint8_t*, std::size_t) override { ++calls; }
    void WaitUntilDelivered() override {}
    int calls = 0;
};

// Writes `ms` milliseconds of silence, mono 16-bit at 8000 Hz, to `path`;
// false when the file could not be written.
inline bool WriteSilentWave(const std::string& path, unsigned ms) {
    WAVEFORMATEX mono;
    mono.channels = 1;
    mono.samplesPerSec = 8000;
    mono.bitsPerSample = 16;
    mono.blockAlign = 2;
    mono.avgBytesPerSec = 16000;
    CWaveFileWrite writer(path);
    writer.SetFormat(mono);
    if (!writer.Open(0))
        return false;
    const std::vector<uint8_t> silence(static_cast<size_t>(ms) * 16, 0);
    const bool written = silence.empty() || writer.Write(silence.data(), silence.size()) != 0;
    writer.Close();
    return written;
}

}  // namespace device_test
