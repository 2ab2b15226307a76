// The ALSA sequencer backend: the system's MIDI ports, and other programs' ports,
// as the device library's MIDI inputs and outputs.
//
// The backend is one sequencer client named "Staffwright". Every port of another
// client that takes MIDI in is an output device, every port that gives MIDI out an
// input device (the system's own client and ports that forbid routing are left out).
// Opening a device makes a port of ours connected to it — "Out n" to an output,
// "In n" from an input — so other programs see what we play and where (and may
// connect to our ports themselves). Performed messages are stamped with their time
// and scheduled on the client's queue, which the sequencer sends in real time;
// immediate messages go out directly. Input arrives on a thread of the backend's own,
// is stamped by the queue on arrival, and is handed to the library's sink as whole
// messages: short ones one by one, system exclusive joined from its pieces.
//
// Without a sequencer (no /dev/snd/seq) Attach answers false: the library then has
// no ALSA devices, and nothing is printed or thrown.
//
// Threads: as every backend (backend.h): the library serializes the operations; the
// input thread only reads and delivers, under a lock that Close takes, so an input
// delivers nothing once closed.
#pragma once

#include "platform/devices/backend.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct _snd_seq;        // snd_seq_t
struct snd_seq_event;   // snd_seq_event_t
class CThread;

// Sends ALSA's library messages to the debug trace instead of standard error. The
// MIDI and audio backends call it before they touch ALSA; any thread, any number of times.
void RouteAlsaMessages();

// ---- Between MIDI bytes and sequencer events ----

// Fills `event` with the message in `bytes`: a channel message, system exclusive
// (F0 ... F7; the event points at `bytes`, which must outlive it), or a system common
// or real-time message. Clears the event first and leaves its addresses and timing to
// the caller. False for bytes that are no whole message.
bool MidiToSeqEvent(const std::uint8_t* bytes, std::size_t length, snd_seq_event& event);

// Turns sequencer events back into MIDI messages. Most events are one message; a
// 14-bit controller or a (non-)registered parameter becomes the controller messages
// that carry it; system exclusive may arrive in pieces and is joined until its F7.
// One decoder per source of events; one thread at a time.
class CSeqEventDecoder {
public:
    using Deliver = std::function<void(const std::uint8_t* bytes, std::size_t length)>;

    // Delivers the whole messages `event` completes (none for the events that are no
    // MIDI, such as port announcements, or a piece of system exclusive).
    void Decode(const snd_seq_event& event, const Deliver& deliver);

    // A system-exclusive message longer than this is dropped, not buffered.
    static constexpr std::size_t MAX_SYSEX = 1 << 20;

private:
    void DecodeSysEx(const std::uint8_t* bytes, std::size_t length, const Deliver& deliver);

    std::vector<std::uint8_t> m_sysex;   // the pieces of an unfinished exclusive
    bool m_inSysEx = false;
    bool m_dropping = false;             // an exclusive too long: skipped until its F7
};

// ---- The backend ----

class CAlsaBackend : public CPVMidiBackend {
public:
    CAlsaBackend();
    ~CAlsaBackend() override;

    std::string GetName() const override { return "alsa"; }
    bool Attach(const CPVDeviceClock& clock, CPVInputSink& sink) override;
    std::vector<CPVDeviceInfo> Enumerate(int kind, int direction) override;
    bool Open(int kind, int direction, int index, const WAVEFORMATEX* format) override;
    bool Start(int kind, int direction, int index) override;
    void Close(int kind, int direction, int index) override;
    DWORD GetScheduleAhead() const override;
    void SendMidi(int index, const CPVMidiOut& message) override;
    void StopWaves(int tag) override;

    // The sequencer client's number; -1 when no sequencer is open.
    int GetClientId() const { return m_client; }

    // How early performed messages are wanted, in milliseconds: enough to ride out the
    // library thread's wake-ups, short because a stop is heard only after it.
    static constexpr DWORD SCHEDULE_AHEAD_MS = 50;

private:
    // A port of another client, as enumerated.
    struct Remote {
        int client = -1;
        int port = -1;
        std::string name;
        std::uint16_t technology = PV_TECH_PORT;
    };
    // One of our ports, made when a device opens.
    struct Local {
        int port = -1;              // -1: the device is closed
        bool started = false;       // inputs: delivering to the sink
        CSeqEventDecoder decoder;   // inputs: joins system exclusive
    };

    std::vector<Remote> ListPorts(int direction) const;
    // The queue's time for a device time, as a sequencer real time.
    void ToQueueTime(std::uint64_t deviceMs, snd_seq_event& event) const;
    bool OpenOutput(int index);
    bool OpenInput(int index);
    void CloseAll();
    // The input thread: waits for events (or the wake-up) and delivers them.
    DWORD ReadInput();
    void DeliverInput(const snd_seq_event& event);

    _snd_seq* m_seq = nullptr;                  // owned
    int m_client = -1;
    int m_queue = -1;
    std::uint64_t m_queueZero = 0;              // the device time at which the queue started
    const CPVDeviceClock* m_clock = nullptr;    // borrowed; outlives the backend
    CPVInputSink* m_sink = nullptr;             // borrowed; outlives the backend

    std::vector<Remote> m_remotes[2];           // [direction]: the last enumeration
    std::vector<Local> m_locals[2];             // [direction]: by device index
    std::mutex m_inputLock;                     // m_locals[PV_INPUT] between Close and the input thread
    std::map<int, int> m_inputByPort;           // our input port -> device index (under m_inputLock)

    std::unique_ptr<CThread> m_inputThread;     // owned
    int m_wakePipe[2] = {-1, -1};               // writing to [1] ends the input thread
    std::atomic<bool> m_stopping{false};
};
