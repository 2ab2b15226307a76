// Test support for the device backends: an input sink that keeps nothing and
// only counts the calls, for backends attached where no input is expected.
#pragma once

#include "platform/devices/backend.h"

#include <cstddef>
#include <cstdint>

namespace device_test {

// Counts what it is handed and keeps none of it. Any thread.
class NullSink : public CPVInputSink {
public:
    void OnMidiInput(int, std::uint64_t, const std::uint8_t*, std::size_t) override { ++calls; }
    void OnWaveInput(int, std::uint64_t, const std::uint8_t*, std::size_t) override { ++calls; }
    void WaitUntilDelivered() override {}
    int calls = 0;
};

}  // namespace device_test
