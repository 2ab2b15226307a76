// The device library: MIDI and wave devices, the polled performance and the device
// clock, for the whole process.
//
// One CPortavel per process: the application object makes it and deletes it, and
// GetPortavel answers it meanwhile. It drives the backends (backend.h) chosen when it
// is made, numbers their devices by kind (PV_MIDI, PV_WAVE), direction (PV_INPUT,
// PV_OUTPUT) and index, and checks every device number it is given against that table
// (a number outside it does nothing and answers 0).
//
// Time. Device time counts milliseconds from the library's construction on the process
// clock (clock.h); GetPlayStartTime is that moment in timeGetTime milliseconds. Tests
// make their CManualClock before the library and destroy it after.
//
// Polled performance. StartPolledPerformance registers a callback that the library's
// own thread calls with windows of device time [from, to), each starting where the
// last ended, polled a little ahead of the clock. GetBufferTime is where the next
// window starts: events at or after it are still to be asked for. The callback answers
// the events due (the library takes them out of the list and owns them) or null, which
// ends that performance. Events are performed at their times in time order, events of
// equal time in the order they were given. Several performances run at once, each
// polled with the same windows in the order they were started; one started while
// others run (from a callback too) is first polled with the window after the current.
//
// Threads. Device management and immediate messages are called from the user-interface
// thread (any thread is safe). Poll and input callbacks run on the library's thread,
// and the library holds none of its locks while it calls them, so a callback may call
// any operation here. StopPolledPerformance, StopMidiRecording and StopWaveRecording
// return only once no callback of that tag runs (unless called from inside one).
#pragma once

#include "platform/devices/backend.h"
#include "platform/devices/portavel_devices.h"
#include "platform/devices/portavel_pacer.h"
#include "platform/devices/records.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Bit 1 of the flags word: MIDI input is echoed to the thru output.
constexpr DWORD PV_FLAG_MIDITHRU = 0x2;

// The poll callback: (user, tag, from ms, to ms) answers the events due in the window,
// or null when the performance has ended.
using PV_PerformProc = CPVEventList* (*)(void* user, int tag, DWORD fromMs, DWORD toMs);
// The input callback of MIDI and wave recording: (user, tag, event). The event is the
// library's and lives during the call only.
using PV_RecordProc = void (*)(void* user, int tag, CPVEventData* event);

class CPortavel {
public:
    // The flags word (PV_FLAG_*). Callers read and write it directly, from any thread.
    std::atomic<DWORD> m_flags{0};

    // The backends STAFFWRIGHT_DEVICES selects (backend.h).
    CPortavel();
    // These backends, in this order (tests hand in a capture backend).
    explicit CPortavel(std::vector<std::unique_ptr<CPVBackend>> backends);
    explicit CPortavel(std::unique_ptr<CPVBackend> backend);
    CPortavel(const CPortavel&) = delete;
    CPortavel& operator=(const CPortavel&) = delete;
    // Ends every performance and recording (no callback runs afterwards), closes the devices.
    ~CPortavel();

    // The process's device library, or null when none exists.
    static CPortavel* GetPortavel();

    // The backend of this name, or null.
    CPVBackend* FindBackend(const std::string& name) const;

    // --- devices ---
    // Prepares the layer: looks for devices anew when none is open. 1.
    int Initialize(int mode);
    // Marks a device (or every one, with PV_ALL_DEVICES) for OpenDevices and StartDevices.
    int EnableDevice(int kind, int direction, int index, int enable);
    // Opens every enabled device not yet open; 1 when all of them opened.
    int OpenDevices();
    // Starts every open device, but wave inputs, which SyncStart starts; 1 when all started.
    int StartDevices();
    // Closes every open device.
    int CloseDevices();
    // Opens one device; non-zero on success (also when it was open).
    int OpenDevice(int kind, int direction, int index);
    int CloseDevice(int kind, int direction, int index);
    // Starts one open device (a wave input starts delivering now); non-zero on success.
    int SyncStart(int kind, int direction, int index);
    // Whether a device is open now (a wave device lost in a format change is not).
    int IsDeviceOpen(int kind, int direction, int index);

    int GetDeviceCount(int kind, int direction);
    // The device's capabilities, or null when there is no such device. The record stays
    // valid until the devices are looked for anew (Initialize with none open).
    const PV_DevCaps* GetDeviceCaps(int kind, int direction, int index);
    // The text a picker shows for a device beside its name; empty when it has none.
    std::string GetDeviceDescription(int kind, int direction, int index);
    // A wave device's format, or null for a MIDI device or no such device. Valid as
    // GetDeviceCaps's record.
    const PV_DevFormat* GetDeviceFormat(int kind, int direction, int index);
    // Sets a wave device's format (a format record, or one of the fourteen numbers);
    // an open device changes at once. Non-zero on success; 0 when refused (the old
    // format stays) or when the device was lost reopening (it is then closed).
    int SetDeviceFormat(int kind, int direction, int index, const WAVEFORMATEX* format);
    int SetDeviceFormat(int kind, int direction, int index, int formatNumber);

    // --- polled performance ---
    // A non-zero tag, or 0 without a callback.
    int StartPolledPerformance(PV_PerformProc callback, void* user);
    // Ends a performance as its callback's null answer would, and returns only once no
    // poll of it runs (unless called from inside one), so that its user may go. 1 when
    // it was running, else 0.
    int StopPolledPerformance(int tag);
    DWORD GetPlayStartTime() const;
    DWORD GetBufferTime();
    // Applies a wave track's values at once to the waves of params->tag and params->track
    // that play. The record is the caller's. Non-zero on success.
    int SetWaveParams(const PV_WaveParams* params);

    // --- immediate messages (to an open MIDI output) ---
    // Sends a packed short message now. `flag` is accepted (1 marks a track-gain volume).
    int SendMidiMsg(int device, DWORD message, int flag);
    // Sends `on` now and `off` `ms` milliseconds later, by itself.
    int SendMidiNote(int device, DWORD on, DWORD off, DWORD ms, int flag);
    // Sends system exclusive now; the bytes are copied.
    int SendSysExMsg(int device, const std::uint8_t* buffer, DWORD length, int flag);
    // Silences every open MIDI output: all-notes-off and sound-off on each of its 16 channels.
    void OnPanicButton();

    // --- input ---
    // MIDI input: a callback per input event (type 1 short message, type 2 system
    // exclusive) from started inputs. Several recordings at once; a non-zero tag, or 0.
    int StartMidiRecording(PV_RecordProc callback, void* user);
    int StopMidiRecording(int tag);
    // Echoes later MIDI input to output `device` while the thru flag is set, on `channel`
    // (0-15), or on each message's own channel with -1. 0 for an unknown output.
    int ConnectMidiThru(int device, int channel);
    // Wave input: type-4 events whose data is a filled WAVEHDR, from started wave inputs.
    int StartWaveRecording(PV_RecordProc callback, void* user);
    int StopWaveRecording(int tag);

    // Tests: blocks until everything that reached the library before the call (input,
    // due events) has been dealt with on its thread. Not from the library's thread.
    void WaitForDeviceThread();

private:
    struct Performance;
    struct Recording;
    struct Pending;
    struct Input;
    class Sink;

    // How far ahead of the clock windows are asked for, and their length.
    static constexpr std::uint64_t kPollLeadMs = 10;
    static constexpr std::uint64_t kWindowMs = 10;

    void Attach(std::vector<std::unique_ptr<CPVBackend>> backends);
    // With the device lock: a fresh table, and the schedule-ahead of each output.
    void BuildTableLocked();
    int OpenLocked(CPVDevice& device);
    int StartLocked(CPVDevice& device);
    void CloseLocked(CPVDevice& device);
    // An open MIDI output of this number, or null. With the device lock.
    CPVDevice* FindOpenMidiOutLocked(int device) const;
    // Sends bytes on an open MIDI output. With the device lock.
    void SendLocked(CPVDevice& device, const CPVMidiOut& message);
    // Sends bytes on an open MIDI output at the clock's present. With the device lock.
    void SendNowLocked(CPVDevice& device, const std::uint8_t* bytes, std::size_t length, PV_Origin origin);
    // Sends bytes now to MIDI output `device` if it is open: 1, else 0. Takes the device lock.
    int SendNow(int device, const std::uint8_t* bytes, std::size_t length, PV_Origin origin);
    // Sends a packed short message to a MIDI output now, if it is open.
    int SendShort(int device, DWORD message, PV_Origin origin);

    // The library's thread. One pass: input, due windows, due events; the next deadline.
    std::optional<std::uint64_t> RunPass();
    void PollDueWindows(std::uint64_t now);
    void PerformDue(std::uint64_t now);
    void Perform(const Pending& pending);
    // Queues an event for its time; with the lock.
    void ScheduleLocked(std::unique_ptr<CPVEventData> event, std::uint64_t time, int tag, PV_Origin origin);
    std::uint64_t GetLeadLocked() const;
    // Removes a performance, drops its queued waves and stops them; 1 when it ran.
    int EndPerformance(int tag);
    // Returns once no callback (poll or recording) of `tag` runs, unless called from the
    // library's thread.
    void WaitForCallback(int tag);
    int NewTagLocked();

    void QueueInput(CPVBackend& backend, int kind, int local, std::uint64_t time, const std::uint8_t* bytes,
                    std::size_t length);
    void DeliverInput();
    void Thru(const Input& input);
    // Calls each recording of a kind with the event, marking it as running meanwhile.
    void CallRecordings(int kind, CPVEventData& event);
    int StartRecording(int kind, PV_RecordProc callback, void* user);
    int StopRecording(int kind, int tag);

    const CPVDeviceClock m_clock;

    // The backends, their sinks and the device table; the device lock guards the table and
    // serializes every backend call. Never held while a callback of the system runs.
    std::vector<std::unique_ptr<Sink>> m_sinks;            // owned, one per backend; outlive the backends
    std::vector<std::unique_ptr<CPVBackend>> m_backends;   // owned; destroyed first, in the destructor
    mutable std::mutex m_deviceLock;
    CPVDeviceTable m_table;
    int m_thruDevice = -1;    // the thru output, -1 none
    int m_thruChannel = -1;   // 0-15, or -1: each message's own

    // Performances, the queue of events to perform, recordings and queued input; the
    // lock guards them. Taken after the device lock when both are needed, and never held
    // while a callback of the system runs.
    mutable std::mutex m_lock;
    std::vector<std::shared_ptr<Performance>> m_performances;   // in the order started
    std::multimap<std::uint64_t, std::unique_ptr<Pending>> m_queue;   // by release time, then in order given
    std::vector<std::shared_ptr<Recording>> m_recordings;       // in the order started
    std::deque<std::unique_ptr<Input>> m_input;                 // in arrival order
    bool m_accepting = true;          // input is taken; false once the library is going
    std::uint64_t m_horizon = 0;      // where the next window starts (device ms)
    DWORD m_ahead[2] = {0, 0};        // the largest schedule-ahead of MIDI and of wave outputs
    std::vector<DWORD> m_outputAhead[2];   // the schedule-ahead of each MIDI and wave output
    int m_lastTag = 0;
    int m_runningTag = 0;             // the performance or recording whose callback runs now, 0 none
    CEvent m_callbackDone{MANUAL_RESET};   // set when such a callback returns

    // Last, so that its thread ends before anything it uses goes.
    std::unique_ptr<CPVPacer> m_pacer;
};
