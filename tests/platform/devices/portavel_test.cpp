// The device library's core on the capture backend and a manual clock: the windows of
// polled performances, events leaving at their times in time order, several
// performances (one started from inside a poll), immediate notes and panic, MIDI and
// wave input with thru, wave play, and the device table with its number checks.
#include "platform/devices/portavel.h"

#include "platform/core/clock.h"
#include "platform/core/sync.h"
#include "platform/devices/capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

DWORD NoteOn(int channel, int key, int velocity = 100) {
    return PackShortMsg(static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(key),
                        static_cast<std::uint8_t>(velocity));
}

Bytes BytesOf(DWORD message) {
    std::uint8_t status = message & 0xFF;
    Bytes bytes{status, static_cast<std::uint8_t>(message >> 8), static_cast<std::uint8_t>(message >> 16)};
    bytes.resize(ShortMsgLength(status));
    return bytes;
}

// A performance driven by a script: it notes each window it is asked for (with the
// device time of the asking) and answers the scripted events whose time lies in it,
// until a window reaches `end`.
struct Script {
    struct Window {
        DWORD from, to;
        std::uint64_t askedAt;
        int tag;
    };
    struct Event {
        DWORD time;
        int device;
        DWORD message;
    };

    CPortavel* portavel = nullptr;
    std::vector<Event> events;
    DWORD end = 0xFFFFFFFF;
    std::function<void(Script&, DWORD from, DWORD to)> onPoll;   // runs inside the poll

    std::mutex mutex;
    std::vector<Window> windows;
    std::thread::id thread;
    CPVEventList answer;

    static CPVEventList* Proc(void* user, int tag, DWORD from, DWORD to) {
        auto& script = *static_cast<Script*>(user);
        {
            std::lock_guard lock(script.mutex);
            script.windows.push_back({from, to, GetClockMs() - script.portavel->GetPlayStartTime(), tag});
            script.thread = std::this_thread::get_id();
        }
        if (script.onPoll)
            script.onPoll(script, from, to);
        if (to > script.end)
            return nullptr;
        for (const Event& event : script.events)
            if (event.time >= from && event.time < to)
                script.answer.AddTail(CPVEventData::MakeShort(event.time, event.device, event.message));
        return &script.answer;
    }

    std::vector<Window> Windows() {
        std::lock_guard lock(mutex);
        return windows;
    }
};

// Every window follows the one before without gap or overlap.
void ExpectContiguous(const std::vector<Script::Window>& windows) {
    for (std::size_t i = 1; i < windows.size(); ++i)
        EXPECT_EQ(windows[i].from, windows[i - 1].to) << "window " << i;
    for (const auto& window : windows)
        EXPECT_LT(window.from, window.to);
}

// What a recording callback was given.
struct Received {
    unsigned type;
    DWORD time;
    int device;
    DWORD message;   // type 1
    Bytes bytes;     // type 2: the system exclusive; type 4: the samples
    int tag;
};

struct RecordLog {
    std::mutex mutex;
    std::vector<Received> received;
    std::thread::id thread;

    static void Proc(void* user, int tag, CPVEventData* event) {
        auto& log = *static_cast<RecordLog*>(user);
        Received got{event->type, event->time, event->device, 0, {}, tag};
        if (event->type == PV_EVENT_SHORT)
            got.message = static_cast<DWORD>(event->data);
        if (const std::uint8_t* bytes = event->GetSysExBytes())
            got.bytes.assign(bytes, bytes + event->GetSysExLength());
        if (const WAVEHDR* header = event->GetWaveHeader())
            got.bytes.assign(header->data, header->data + header->bytesRecorded);
        std::lock_guard lock(log.mutex);
        log.received.push_back(std::move(got));
        log.thread = std::this_thread::get_id();
    }

    std::vector<Received> Take() {
        std::lock_guard lock(mutex);
        return std::exchange(received, {});
    }
};

class PortavelTest : public ::testing::Test {
protected:
    PortavelTest() {
        auto backend = std::make_unique<CCaptureBackend>();
        capture = backend.get();
        portavel = std::make_unique<CPortavel>(std::move(backend));
        // The application's activation: wave devices off, MIDI devices on.
        portavel->Initialize(1);
        portavel->EnableDevice(PV_WAVE, PV_INPUT, PV_ALL_DEVICES, 0);
        portavel->EnableDevice(PV_WAVE, PV_OUTPUT, PV_ALL_DEVICES, 0);
        portavel->EnableDevice(PV_MIDI, PV_INPUT, PV_ALL_DEVICES, 1);
        portavel->EnableDevice(PV_MIDI, PV_OUTPUT, PV_ALL_DEVICES, 1);
        portavel->OpenDevices();
        portavel->StartDevices();
        capture->Clear();
    }

    // Device time now.
    std::uint64_t Now() const { return GetClockMs() - portavel->GetPlayStartTime(); }

    CManualClock clock{5000};   // made first, gone last
    CCaptureBackend* capture = nullptr;   // owned by the library
    std::unique_ptr<CPortavel> portavel;
};

TEST_F(PortavelTest, WindowsFollowOneAnotherAheadOfTheClockUntilTheCallbackAnswersNull) {
    Script script;
    script.portavel = portavel.get();
    script.end = 400;
    const DWORD buffer = portavel->GetBufferTime();
    EXPECT_GT(buffer, Now());   // a performance starts ahead of the clock
    const int tag = portavel->StartPolledPerformance(&Script::Proc, &script);
    EXPECT_NE(tag, 0);
    EXPECT_EQ(portavel->StartPolledPerformance(nullptr, &script), 0);

    clock.Advance(1000);
    const auto windows = script.Windows();
    ASSERT_GT(windows.size(), 10u);
    EXPECT_EQ(windows.front().from, buffer);
    ExpectContiguous(windows);
    for (const auto& window : windows) {
        EXPECT_EQ(window.tag, tag);
        // Asked for before its start, with time left for a timer set from the play start.
        EXPECT_LT(window.askedAt, window.from);
    }
    // The null answer was the last poll.
    EXPECT_GT(windows.back().to, script.end);
    EXPECT_LE(windows[windows.size() - 2].to, script.end);
    EXPECT_NE(script.thread, std::this_thread::get_id());
}

TEST_F(PortavelTest, EventsLeaveAtTheirTimesInTimeOrderAndOnlyToDevicesThatExist) {
    Script script;
    script.portavel = portavel.get();
    const DWORD start = portavel->GetBufferTime();
    // Out of order inside a window, equal times, and a window's edges.
    script.events = {
        {start + 7, 0, NoteOn(0, 62)},  {start + 3, 1, NoteOn(1, 61)},  {start + 3, 0, NoteOn(0, 60)},
        {start + 10, 0, NoteOn(0, 63)}, {start + 45, 1, NoteOn(1, 64)}, {start + 9, 0, NoteOn(0, 65)},
        {start + 20, 2, NoteOn(0, 1)},  {start + 20, 255, NoteOn(0, 2)}, {start + 20, -1, NoteOn(0, 3)},
    };
    script.end = start + 100;
    portavel->StartPolledPerformance(&Script::Proc, &script);

    clock.Advance(start + 8 - Now());
    // Nothing leaves before its time: only the first three have.
    EXPECT_EQ(capture->GetMidi().size(), 3u);
    clock.Advance(200);

    const struct {
        DWORD time;
        int device;
        DWORD message;
    } expected[] = {
        {start + 3, 1, NoteOn(1, 61)},  {start + 3, 0, NoteOn(0, 60)},  {start + 7, 0, NoteOn(0, 62)},
        {start + 9, 0, NoteOn(0, 65)},  {start + 10, 0, NoteOn(0, 63)}, {start + 45, 1, NoteOn(1, 64)},
    };
    const auto midi = capture->GetMidi();
    ASSERT_EQ(midi.size(), std::size(expected));
    for (std::size_t i = 0; i < midi.size(); ++i) {
        EXPECT_EQ(midi[i].time, expected[i].time) << i;
        EXPECT_EQ(midi[i].at, midi[i].time) << i;   // handed over exactly when due
        EXPECT_EQ(midi[i].device, expected[i].device) << i;
        EXPECT_EQ(midi[i].bytes, BytesOf(expected[i].message)) << i;
        EXPECT_EQ(midi[i].origin, PV_ORIGIN_PERFORMED);
    }
}

TEST_F(PortavelTest, SystemExclusiveIsTheEventsOwnCopy) {
    Script script;
    script.portavel = portavel.get();
    const DWORD start = portavel->GetBufferTime();
    std::uint8_t buffer[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    script.onPoll = [&](Script& self, DWORD from, DWORD to) {
        if (start < from || start >= to)
            return;
        self.answer.AddTail(CPVEventData::MakeSysEx(start, 0, buffer, sizeof buffer));
        // The maker reuses its buffer for the next message at once.
        std::memset(buffer, 0, sizeof buffer);
    };
    script.end = start + 30;
    portavel->StartPolledPerformance(&Script::Proc, &script);
    clock.Advance(100);
    const auto midi = capture->GetMidi();
    ASSERT_EQ(midi.size(), 1u);
    EXPECT_EQ(midi[0].bytes, (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(midi[0].at, start);
}

TEST_F(PortavelTest, PerformancesRunTogetherAndOneStartedInsideAPollJoinsAtTheNextWindow) {
    Script first, second, late;
    for (Script* script : {&first, &second, &late})
        script->portavel = portavel.get();
    const DWORD start = portavel->GetBufferTime();
    first.events = {{start + 5, 0, NoteOn(0, 60)}, {start + 25, 0, NoteOn(0, 62)}};
    second.events = {{start + 5, 1, NoteOn(1, 70)}, {start + 15, 1, NoteOn(1, 71)}};
    late.events = {{start + 45, 0, NoteOn(2, 80)}};
    first.end = second.end = late.end = start + 200;

    int lateTag = 0;
    DWORD lateStartWindow = 0;
    DWORD bufferInside = 0;
    first.onPoll = [&](Script&, DWORD from, DWORD to) {
        if (from != start + 20)
            return;
        // Everything the library offers works from inside a callback: it holds no lock,
        // neither for this thread nor for another.
        bufferInside = portavel->GetBufferTime();
        lateTag = portavel->StartPolledPerformance(&Script::Proc, &late);
        lateStartWindow = to;
        portavel->SendMidiMsg(1, NoteOn(3, 90), 0);
        std::thread other([&] {
            portavel->GetDeviceCount(PV_MIDI, PV_OUTPUT);
            portavel->SendMidiMsg(1, NoteOn(3, 91), 0);
        });
        other.join();
    };
    const int firstTag = portavel->StartPolledPerformance(&Script::Proc, &first);
    const int secondTag = portavel->StartPolledPerformance(&Script::Proc, &second);
    EXPECT_NE(firstTag, secondTag);

    clock.Advance(300);
    ASSERT_NE(lateTag, 0);
    EXPECT_NE(lateTag, firstTag);
    EXPECT_EQ(bufferInside, start + 30);   // the window being polled is no longer to come

    // The two started together see the same windows; the late one from the next window on.
    const auto firstWindows = first.Windows();
    const auto secondWindows = second.Windows();
    const auto lateWindows = late.Windows();
    ExpectContiguous(firstWindows);
    ExpectContiguous(lateWindows);
    ASSERT_EQ(firstWindows.size(), secondWindows.size());
    for (std::size_t i = 0; i < firstWindows.size(); ++i)
        EXPECT_EQ(firstWindows[i].from, secondWindows[i].from);
    ASSERT_FALSE(lateWindows.empty());
    EXPECT_EQ(lateWindows.front().from, lateStartWindow);
    EXPECT_EQ(lateWindows.back().to, firstWindows.back().to);

    std::vector<std::pair<std::uint64_t, Bytes>> performed;
    for (const auto& record : capture->GetMidi())
        if (record.origin == PV_ORIGIN_PERFORMED)
            performed.emplace_back(record.at, record.bytes);
    const std::vector<std::pair<std::uint64_t, Bytes>> expected = {
        {start + 5, BytesOf(NoteOn(0, 60))},  {start + 5, BytesOf(NoteOn(1, 70))},
        {start + 15, BytesOf(NoteOn(1, 71))}, {start + 25, BytesOf(NoteOn(0, 62))},
        {start + 45, BytesOf(NoteOn(2, 80))},
    };
    EXPECT_EQ(performed, expected);
    EXPECT_EQ(capture->GetMidi().size(), expected.size() + 2);   // and the two immediate ones
}

TEST_F(PortavelTest, SendMidiNoteStopsByItselfAfterItsDuration) {
    clock.Advance(17);
    const std::uint64_t sent = Now();
    const DWORD on = NoteOn(0, 69, 127);
    const DWORD off = NoteOn(0, 69, 0);
    ASSERT_EQ(portavel->SendMidiNote(1, on, off, 250, 0), 1);
    auto midi = capture->GetMidi();
    ASSERT_EQ(midi.size(), 1u);
    EXPECT_EQ(midi[0].bytes, BytesOf(on));
    EXPECT_EQ(midi[0].at, sent);

    clock.Advance(249);
    EXPECT_EQ(capture->GetMidi().size(), 1u);
    clock.Advance(1);
    midi = capture->GetMidi();
    ASSERT_EQ(midi.size(), 2u);
    EXPECT_EQ(midi[1].bytes, BytesOf(off));
    EXPECT_EQ(midi[1].device, 1);
    EXPECT_EQ(midi[1].at, sent + 250);
}

TEST_F(PortavelTest, PanicSilencesEveryChannelOfEveryOutput) {
    portavel->OnPanicButton();
    std::map<std::pair<int, Bytes>, int> sent;
    for (const auto& record : capture->GetMidi())
        ++sent[{record.device, record.bytes}];
    const int outputs = portavel->GetDeviceCount(PV_MIDI, PV_OUTPUT);
    ASSERT_EQ(outputs, 2);
    EXPECT_EQ(sent.size(), static_cast<std::size_t>(outputs * 16 * 2));
    for (int device = 0; device < outputs; ++device)
        for (std::uint8_t channel = 0; channel < 16; ++channel) {
            const std::uint8_t status = static_cast<std::uint8_t>(0xB0 | channel);
            EXPECT_EQ((sent[{device, Bytes{status, 123, 0}}]), 1) << device << "/" << int(channel);
            EXPECT_EQ((sent[{device, Bytes{status, 120, 0}}]), 1) << device << "/" << int(channel);
        }
}

TEST_F(PortavelTest, MidiInputReachesEveryRecordingOnTheLibrarysThread) {
    RecordLog first, second;
    const int firstTag = portavel->StartMidiRecording(&RecordLog::Proc, &first);
    const int secondTag = portavel->StartMidiRecording(&RecordLog::Proc, &second);
    ASSERT_NE(firstTag, 0);
    ASSERT_NE(firstTag, secondTag);

    clock.Advance(40);
    capture->InjectMidi(1, {0x92, 60, 100});
    capture->InjectMidi(0, {0xC3, 5});
    capture->InjectMidi(0, {0xF0, 0x43, 0x10, 0xF7});
    capture->InjectMidi(0, {0xF8});   // a real-time message is a short one too

    for (RecordLog* log : {&first, &second}) {
        const auto got = log->Take();
        ASSERT_EQ(got.size(), 4u);
        EXPECT_EQ(got[0].type, PV_EVENT_SHORT);
        EXPECT_EQ(got[0].message, NoteOn(2, 60, 100));
        EXPECT_EQ(got[0].device, 1);
        EXPECT_EQ(got[0].time, Now());
        EXPECT_EQ(got[1].message, PackShortMsg(0xC3, 5));
        EXPECT_EQ(got[2].type, PV_EVENT_SYSEX);
        EXPECT_EQ(got[2].bytes, (Bytes{0xF0, 0x43, 0x10, 0xF7}));
        EXPECT_EQ(got[3].message, 0xF8u);
        EXPECT_EQ(got[0].tag, log == &first ? firstTag : secondTag);
        EXPECT_NE(log->thread, std::this_thread::get_id());
    }

    EXPECT_EQ(portavel->StopMidiRecording(firstTag), 1);
    EXPECT_EQ(portavel->StopMidiRecording(firstTag), 0);
    capture->InjectMidi(0, {0x80, 60, 0});
    EXPECT_TRUE(first.Take().empty());
    EXPECT_EQ(second.Take().size(), 1u);
}

TEST_F(PortavelTest, DamagedOrUnstartedInputIsDropped) {
    RecordLog log;
    portavel->StartMidiRecording(&RecordLog::Proc, &log);
    const Bytes damaged[] = {
        {0x3C, 0x40},          // no status byte
        {0x90, 60},            // a note-on cut short
        {0x90, 60, 100, 1},    // one byte too many
        {0x90, 0x80, 100},     // a status byte where data belongs
        {0xF7},                // an end of exclusive alone
    };
    for (const auto& bytes : damaged)
        capture->InjectMidi(0, bytes);
    capture->InjectMidi(5, {0x90, 60, 100});   // an input that does not exist
    portavel->CloseDevice(PV_MIDI, PV_INPUT, 1);
    capture->InjectMidi(1, {0x90, 60, 100});   // a closed input
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(PortavelTest, StoppingARecordingWaitsForItsRunningCallbackUnlessCalledFromIt) {
    struct Blocking {
        CEvent entered{MANUAL_RESET};
        CEvent release{MANUAL_RESET};
        std::atomic<bool> stopReturned{false};
        std::atomic<bool> stopReturnedWhileRunning{false};
        static void Proc(void* user, int, CPVEventData*) {
            auto& self = *static_cast<Blocking*>(user);
            self.entered.Set();
            self.release.Wait();
            self.stopReturnedWhileRunning = self.stopReturned.load();
        }
    } blocking;
    const int tag = portavel->StartMidiRecording(&Blocking::Proc, &blocking);
    std::thread injector([&] { capture->InjectMidi(0, {0x90, 60, 100}); });
    blocking.entered.Wait();
    std::thread stopper([&] {
        portavel->StopMidiRecording(tag);
        blocking.stopReturned = true;
    });
    // A stop that did not wait would return now; give it every chance to.
    for (int i = 0; i < 10000 && !blocking.stopReturned; ++i)
        std::this_thread::yield();
    EXPECT_FALSE(blocking.stopReturned);
    blocking.release.Set();
    stopper.join();
    injector.join();
    EXPECT_FALSE(blocking.stopReturnedWhileRunning);

    // A callback that stops its own recording returns, and is not called again.
    struct SelfStopping {
        CPortavel* portavel;
        int calls = 0;
        static void Proc(void* user, int tag, CPVEventData*) {
            auto& self = *static_cast<SelfStopping*>(user);
            ++self.calls;
            self.portavel->StopMidiRecording(tag);
        }
    } selfStopping{portavel.get()};
    portavel->StartMidiRecording(&SelfStopping::Proc, &selfStopping);
    capture->InjectMidi(0, {0x90, 60, 100});
    capture->InjectMidi(0, {0x80, 60, 0});
    EXPECT_EQ(selfStopping.calls, 1);
}

TEST_F(PortavelTest, ThruEchoesChannelMessagesWhileItsFlagIsSet) {
    EXPECT_EQ(portavel->ConnectMidiThru(2, 0), 0);    // no such output
    EXPECT_EQ(portavel->ConnectMidiThru(1, 16), 0);   // no such channel
    ASSERT_EQ(portavel->ConnectMidiThru(1, 5), 1);

    capture->InjectMidi(0, {0x90, 60, 100});
    EXPECT_TRUE(capture->GetMidi().empty());   // the flag is off

    portavel->m_flags |= PV_FLAG_MIDITHRU;
    capture->InjectMidi(0, {0x90, 60, 100});
    capture->InjectMidi(0, {0xF0, 0x01, 0xF7});   // system messages are not echoed
    capture->InjectMidi(0, {0xF8});
    portavel->ConnectMidiThru(0, -1);               // each message's own channel
    capture->InjectMidi(1, {0xB3, 7, 90});
    portavel->m_flags &= ~PV_FLAG_MIDITHRU;
    capture->InjectMidi(0, {0x80, 60, 0});

    const auto midi = capture->GetMidi();
    ASSERT_EQ(midi.size(), 2u);
    EXPECT_EQ(midi[0].device, 1);
    EXPECT_EQ(midi[0].bytes, (Bytes{0x95, 60, 100}));
    EXPECT_EQ(midi[0].origin, PV_ORIGIN_THRU);
    EXPECT_EQ(midi[1].device, 0);
    EXPECT_EQ(midi[1].bytes, (Bytes{0xB3, 7, 90}));
}

TEST_F(PortavelTest, WaveInputFlowsFromItsSynchronisedStartUntilStopped) {
    RecordLog log;
    ASSERT_EQ(portavel->EnableDevice(PV_WAVE, PV_INPUT, 0, 1), 1);
    ASSERT_NE(portavel->OpenDevice(PV_WAVE, PV_INPUT, 0), 0);
    const int tag = portavel->StartWaveRecording(&RecordLog::Proc, &log);
    ASSERT_NE(tag, 0);
    capture->InjectWave(0, {1, 2, 3, 4});
    EXPECT_TRUE(log.Take().empty());   // not started yet

    ASSERT_EQ(portavel->SyncStart(PV_WAVE, PV_INPUT, 0), 1);
    capture->InjectWave(0, {5, 6, 7, 8});
    auto got = log.Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, PV_EVENT_WAVEDATA);
    EXPECT_EQ(got[0].bytes, (Bytes{5, 6, 7, 8}));
    EXPECT_EQ(got[0].tag, tag);

    portavel->StopWaveRecording(tag);
    capture->InjectWave(0, {9, 9});
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(PortavelTest, WavesPlayAtTheirTimeWithTheirParametersAndEndWithTheirPerformance) {
    Script script;
    script.portavel = portavel.get();
    const DWORD start = portavel->GetBufferTime();
    script.end = start + 50;
    script.onPoll = [&](Script& self, DWORD from, DWORD to) {
        if (start < from || start >= to)
            return;
        std::string name = "take1.wav";
        PV_WaveParams params;
        params.fileName = name.c_str();
        params.track = 3;
        params.element = {100, -200, 0};
        params.trackParams = {0, -300, 500};
        params.tag = 77;
        self.answer.AddTail(CPVEventData::MakeWavePlay(start + 4, 0, params));
        name = "overwritten";
    };
    const int tag = portavel->StartPolledPerformance(&Script::Proc, &script);
    PV_WaveParams change;
    change.track = 3;
    change.trackParams = {-10000, 0, 0};
    change.tag = tag;
    EXPECT_EQ(portavel->SetWaveParams(&change), 1);
    EXPECT_EQ(portavel->SetWaveParams(nullptr), 0);

    clock.Advance(200);
    std::vector<CCaptureBackend::Record> waves;
    for (const auto& record : capture->GetRecords())
        if (record.kind != CCaptureBackend::MIDI && record.kind != CCaptureBackend::DEVICE)
            waves.push_back(record);
    ASSERT_EQ(waves.size(), 3u);
    EXPECT_EQ(waves[0].kind, CCaptureBackend::WAVE_PARAMS);
    EXPECT_EQ(waves[0].params.trackParams.pan, -10000);
    EXPECT_EQ(waves[1].kind, CCaptureBackend::WAVE_PLAY);
    EXPECT_EQ(waves[1].fileName, "take1.wav");
    EXPECT_EQ(waves[1].at, start + 4);
    EXPECT_EQ(waves[1].params.track, 3);
    EXPECT_EQ(waves[1].params.element.volume, -200);
    EXPECT_EQ(waves[1].params.trackParams.frequency, 500);
    EXPECT_TRUE(capture->IsOpen(PV_WAVE, PV_OUTPUT, 0));   // opened by its first wave
    EXPECT_EQ(waves[2].kind, CCaptureBackend::WAVE_STOP);
    EXPECT_EQ(waves[2].tag, tag);
}

TEST_F(PortavelTest, ActivationOpensAndStartsTheEnabledDevices) {
    for (int index : {0, 1}) {
        EXPECT_TRUE(capture->IsStarted(PV_MIDI, PV_INPUT, index));
        EXPECT_TRUE(capture->IsStarted(PV_MIDI, PV_OUTPUT, index));
    }
    EXPECT_FALSE(capture->IsOpen(PV_WAVE, PV_INPUT, 0));
    EXPECT_FALSE(capture->IsOpen(PV_WAVE, PV_OUTPUT, 0));

    portavel->CloseDevices();
    EXPECT_FALSE(capture->IsOpen(PV_MIDI, PV_OUTPUT, 0));
    EXPECT_EQ(portavel->SendMidiMsg(0, NoteOn(0, 60), 0), 0);   // nothing reaches a closed output
    EXPECT_TRUE(capture->GetMidi().empty());
}

TEST_F(PortavelTest, DeviceNumbersOutsideTheTablesDoNothing) {
    const struct {
        int kind, direction, count;
    } counts[] = {{PV_MIDI, PV_INPUT, 2}, {PV_MIDI, PV_OUTPUT, 2}, {PV_WAVE, PV_INPUT, 1},
                  {PV_WAVE, PV_OUTPUT, 1}, {2, PV_OUTPUT, 0},     {PV_MIDI, -1, 0}};
    for (const auto& c : counts)
        EXPECT_EQ(portavel->GetDeviceCount(c.kind, c.direction), c.count) << c.kind << "/" << c.direction;

    for (int device : {-1, 2, 255, PV_ALL_DEVICES}) {
        EXPECT_EQ(portavel->SendMidiMsg(device, NoteOn(0, 60), 0), 0) << device;
        EXPECT_EQ(portavel->SendMidiNote(device, NoteOn(0, 60), NoteOn(0, 60, 0), 10, 0), 0) << device;
        const std::uint8_t sysex[] = {0xF0, 0xF7};
        EXPECT_EQ(portavel->SendSysExMsg(device, sysex, 2, 1), 0) << device;
        EXPECT_EQ(portavel->GetDeviceCaps(PV_MIDI, PV_OUTPUT, device), nullptr) << device;
        EXPECT_EQ(portavel->OpenDevice(PV_MIDI, PV_OUTPUT, device), 0) << device;
        EXPECT_EQ(portavel->SyncStart(PV_WAVE, PV_INPUT, device), 0) << device;
        EXPECT_EQ(portavel->GetDeviceFormat(PV_WAVE, PV_OUTPUT, device), nullptr) << device;
        EXPECT_EQ(CWaveOut::DSGetDescription(device), "") << device;
    }
    EXPECT_EQ(portavel->EnableDevice(PV_MIDI, PV_OUTPUT, 2, 1), 0);
    EXPECT_EQ(portavel->SendMidiMsg(0, 0x3C, 0), 0);   // a word without a status byte
    clock.Advance(50);
    EXPECT_TRUE(capture->GetMidi().empty());
}

TEST_F(PortavelTest, CapabilitiesAndFormatsDescribeEachDevice) {
    const PV_DevCaps* synth = portavel->GetDeviceCaps(PV_MIDI, PV_OUTPUT, 0);
    ASSERT_NE(synth, nullptr);
    // Callers read the name from byte 8 of the record.
    EXPECT_STREQ(reinterpret_cast<const char*>(synth) + 8, "Capture Synth");
    EXPECT_EQ(synth->technology, PV_TECH_SYNTH);
    EXPECT_EQ(synth->driverVersion, 0x0102u);
    EXPECT_EQ(portavel->GetDeviceCaps(PV_MIDI, PV_OUTPUT, 1)->technology, PV_TECH_PORT);
    EXPECT_STREQ(portavel->GetDeviceCaps(PV_WAVE, PV_INPUT, 0)->name, "Capture Wave In 1");
    EXPECT_FALSE(CWaveOut::DSGetDescription(0).empty());
    EXPECT_EQ(portavel->GetDeviceFormat(PV_MIDI, PV_OUTPUT, 0), nullptr);

    const struct {
        int number;
        std::uint32_t rate;
        std::uint16_t bits, channels;
    } formats[] = {{0, 8000, 8, 1},   {1, 8000, 8, 2},   {2, 11025, 8, 1},  {5, 11025, 16, 2},
                   {6, 22050, 8, 1},  {8, 22050, 16, 1}, {11, 44100, 8, 2}, {13, 44100, 16, 2}};
    for (const auto& f : formats) {
        WAVEFORMATEX format;
        ASSERT_EQ(CPVDevice::FillFormat(&format, f.number), 1) << f.number;
        EXPECT_EQ(format.formatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(format.samplesPerSec, f.rate) << f.number;
        EXPECT_EQ(format.bitsPerSample, f.bits) << f.number;
        EXPECT_EQ(format.channels, f.channels) << f.number;
        EXPECT_EQ(format.blockAlign, f.bits / 8 * f.channels) << f.number;
        EXPECT_EQ(format.avgBytesPerSec, f.rate * format.blockAlign) << f.number;
    }
    WAVEFORMATEX untouched;
    untouched.channels = 7;
    EXPECT_EQ(CPVDevice::FillFormat(&untouched, 14), 0);
    EXPECT_EQ(CPVDevice::FillFormat(&untouched, -1), 0);
    EXPECT_EQ(untouched.channels, 7);

    // A wave device keeps its format across opening and changes at once when open.
    const PV_DevFormat* output = portavel->GetDeviceFormat(PV_WAVE, PV_OUTPUT, 0);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->number, 13);
    EXPECT_EQ(portavel->SetDeviceFormat(PV_WAVE, PV_OUTPUT, 0, 4), 1);
    EXPECT_EQ(output->number, 4);
    ASSERT_NE(portavel->OpenDevice(PV_WAVE, PV_OUTPUT, 0), 0);
    EXPECT_EQ(capture->GetFormat(PV_WAVE, PV_OUTPUT, 0).samplesPerSec, 11025u);
    WAVEFORMATEX format;
    CPVDevice::FillFormat(&format, 9);
    EXPECT_EQ(portavel->SetDeviceFormat(PV_WAVE, PV_OUTPUT, 0, &format), 1);
    EXPECT_EQ(capture->GetFormat(PV_WAVE, PV_OUTPUT, 0).samplesPerSec, 22050u);
    format.blockAlign = 3;   // inconsistent
    EXPECT_EQ(portavel->SetDeviceFormat(PV_WAVE, PV_OUTPUT, 0, &format), 0);
    EXPECT_EQ(portavel->SetDeviceFormat(PV_WAVE, PV_OUTPUT, 0, 14), 0);
    EXPECT_EQ(portavel->SetDeviceFormat(PV_MIDI, PV_OUTPUT, 0, 4), 0);
    EXPECT_EQ(output->number, 9);

    // A device lost while it reopens in a new format is counted closed (not open
    // and silent), keeps its old format, and opens again at the next use.
    EXPECT_EQ(portavel->IsDeviceOpen(PV_WAVE, PV_OUTPUT, 0), 1);
    capture->LoseOnNextFormat(PV_WAVE, PV_OUTPUT, 0);
    EXPECT_EQ(portavel->SetDeviceFormat(PV_WAVE, PV_OUTPUT, 0, 4), 0);
    EXPECT_EQ(portavel->IsDeviceOpen(PV_WAVE, PV_OUTPUT, 0), 0);
    EXPECT_FALSE(capture->IsOpen(PV_WAVE, PV_OUTPUT, 0));
    EXPECT_EQ(output->number, 9);
    ASSERT_NE(portavel->OpenDevice(PV_WAVE, PV_OUTPUT, 0), 0);
    EXPECT_TRUE(capture->IsOpen(PV_WAVE, PV_OUTPUT, 0));
    EXPECT_EQ(capture->GetFormat(PV_WAVE, PV_OUTPUT, 0).samplesPerSec, 22050u);
}

// The library as the application makes it: backends chosen by the environment.
class PortavelSelection : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("STAFFWRIGHT_DEVICES");
        if (old)
            m_old = old;
    }
    void TearDown() override {
        if (m_old)
            setenv("STAFFWRIGHT_DEVICES", m_old->c_str(), 1);
        else
            unsetenv("STAFFWRIGHT_DEVICES");
    }

    CManualClock clock{1000};

private:
    std::optional<std::string> m_old;
};

TEST_F(PortavelSelection, TheEnvironmentChoosesTheBackends) {
    setenv("STAFFWRIGHT_DEVICES", "capture", 1);
    {
        CPortavel portavel;
        EXPECT_EQ(CPortavel::GetPortavel(), &portavel);
        ASSERT_NE(CCaptureBackend::Find(portavel), nullptr);
        EXPECT_EQ(portavel.GetDeviceCount(PV_MIDI, PV_OUTPUT), 2);
    }
    EXPECT_EQ(CPortavel::GetPortavel(), nullptr);

    // With no backend at all the layer still starts, lists nothing, and still polls.
    setenv("STAFFWRIGHT_DEVICES", "none", 1);
    CPortavel portavel;
    EXPECT_EQ(portavel.FindBackend("capture"), nullptr);
    for (int kind : {PV_MIDI, PV_WAVE})
        for (int direction : {PV_INPUT, PV_OUTPUT})
            EXPECT_EQ(portavel.GetDeviceCount(kind, direction), 0);
    EXPECT_EQ(portavel.SendMidiMsg(0, NoteOn(0, 60), 0), 0);
    Script script;
    script.portavel = &portavel;
    script.events = {{portavel.GetBufferTime(), 0, NoteOn(0, 60)}};
    portavel.StartPolledPerformance(&Script::Proc, &script);
    clock.Advance(100);
    ExpectContiguous(script.Windows());
    EXPECT_GE(script.Windows().size(), 9u);
}

// A backend whose sound system is missing is left out; the others serve.
TEST_F(PortavelSelection, ABackendThatCannotAttachIsLeftOut) {
    class Missing : public CCaptureBackend {
    public:
        std::string GetName() const override { return "missing"; }
        bool Attach(const CPVDeviceClock&, CPVInputSink&) override { return false; }
    };
    std::vector<std::unique_ptr<CPVBackend>> backends;
    backends.push_back(std::make_unique<Missing>());
    backends.push_back(std::make_unique<CCaptureBackend>(CCaptureBackend::Layout{1, 3, 0, 0}));
    CPortavel portavel(std::move(backends));
    EXPECT_EQ(portavel.FindBackend("missing"), nullptr);
    EXPECT_EQ(portavel.GetDeviceCount(PV_MIDI, PV_OUTPUT), 3);
    EXPECT_EQ(portavel.GetDeviceCount(PV_WAVE, PV_OUTPUT), 0);
}

}  // namespace
