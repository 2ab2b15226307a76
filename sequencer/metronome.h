// CSeqMetronome: the click on every beat, and the clock of the user
// interface while the sequence plays or records.
//
// The metronome is a player, polled by the device library like the main
// player. Each poll walks the beats that fall before the window's end: a beat
// that sounds (see CheckState) becomes two device events on the metronome
// device, the primary pulse on a downbeat or the secondary on any other beat,
// and its note-off (the same word, velocity 0) 250 ms later. Independently of
// the clicks, every beat sets a one-shot timer due at the beat's device time;
// the timer posts WM_SEQMETRONOME to the metronome's hidden window, on the
// metronome's own thread, which applies a synchronous time state
// (STATE_TIME_POSITION, the beat's musical time) to the performance: the
// play cursor and the time display follow it on the user-interface thread.
//
// A beat whose time has already come when the poll reaches it (its timer
// would be due in less than 1 ms) is announced at once, not dropped, and the
// walk goes on; so a late poll costs a late beat display, never the rest of
// the performance's beats.
//
// It holds, besides the player's fields:
//   the next beat                  its musical time, its place in the measure,
//                                  and the meter's pulse length and pulses
//                                  per measure in force there;
//   the pulses                     primary and secondary (note-on words);
//   the settings                   play and record enable, MIDI source and
//                                  device, set by the preferences;
//   the thread and its window      owned; the window is made and destroyed
//                                  on that thread.
//
// Threads. The user-interface thread makes and destroys the metronome and
// calls the setters, CheckState and the transport. The device library's
// polling thread calls GetOutputEvents under the player's lock (then the
// performance's). The timer service's thread only posts. The metronome's
// own thread sends the time states; it never holds the player's lock while
// it does, so the user-interface thread, which takes that lock in the
// transport, cannot deadlock against it; and the destructor waits for the
// thread in one of our waits, which keeps delivering what the thread sends.
//
// Failing to start the thread does not end the process: the failure goes to
// the handler error reporter (window.h), and the metronome still clicks, only
// without beat states.
#pragma once

#include "model/midifields.h"
#include "model/time.h"
#include "platform/core/thread.h"
#include "platform/core/window.h"
#include "sequencer/player.h"

#include <atomic>
#include <memory>

class CSequence;

// The message the beat timers post to the metronome's window: the beat's
// time in milliseconds of musical time (quarter notes x 1000) and its pulse
// index.
inline constexpr UINT WM_SEQMETRONOME = 0x3000;

// The delay from a click to its note-off, in milliseconds.
inline constexpr int METRONOME_CLICK_MS = 250;

// How many time states may be alive before the metronome sends no more: the
// display lags, the beats keep coming.
inline constexpr int METRONOME_MAX_TIME_STATES = 4;

class CSeqMetronome : public CSeqPlay {
    DECLARE_DYNAMIC(CSeqMetronome)
public:
    // The defaults (primary pulse channel 1 key 64 velocity 127, secondary
    // key 50 velocity 111, MIDI source on, nothing enabled); starts the
    // thread and its window. User-interface thread.
    CSeqMetronome();
    // Ends the thread (the window with it), then detaches.
    ~CSeqMetronome() override;

    // The settings; each stores its value, nothing else. They take the
    // player's lock, under which a poll reads them; so never call them with
    // the performance's lock held.
    void EnableMetroPlay(int enable);
    void EnableMetroRecord(int enable);
    void SetMetronomeDevice(unsigned device);
    void SetPrimaryPulse(const FCMidi& pulse);
    void SetSecondaryPulse(const FCMidi& pulse);
    // 1: clicks go to the MIDI device; 0: the system beep.
    void SetMetronomeMidi(int midi);

    // Read on the thread that sets them.
    int GetMetroPlay() const { return m_bPlayEnable; }
    int GetMetroRecord() const { return m_bRecordEnable; }
    unsigned GetMetronomeDevice() const { return m_nDevice; }
    const FCMidi& GetPrimaryPulse() const { return m_primaryPulse; }
    const FCMidi& GetSecondaryPulse() const { return m_secondaryPulse; }
    int GetMetronomeMidi() const { return m_bMidiSource; }
    int IsSounding() const { return m_bSounding.load(); }
    // Whether the thread and its window run (false after a failed start).
    bool IsThreadRunning() const { return m_hWnd.load() != nullptr; }

    // Sounding follows the sequence's state: playing with play enable, or
    // recording with record enable. The sequence calls it after each
    // transport code. User-interface thread.
    void CheckState();

    // Stores the sequence only: the metronome has no managers.
    void Attach(CSequence* sequence) override;
    // Device thread; see the top of this file. The clicks due before `to`,
    // or null once stopped or paused (a stop or pause comes to rest here and
    // the sequence is told).
    CPVEventList* GetOutputEvents(const MCTime& from, const MCTime& to) override;

    // The timers' callback: posts WM_SEQMETRONOME with the beat to the
    // window. Any thread.
    static void MetroTimerProc(HWND window, int beatMs, int pulseIndex);

protected:
    // The first beat at or after the sequence's location, with its place in
    // the measure and the meter there.
    void PrepareToPlay() override;
    // The pulse length and pulses per measure of the meter in force at `time`.
    void GetMeterInformation(const MCTime& time);
    // The beat arrived on the metronome's thread: the time state, or the
    // beep.
    void _MetroTimerProc(int beatMs, int pulseIndex);
    // Starts the thread and waits until its window exists.
    bool _InitializeThread();
    // Ends the thread.
    void _ExitThread();
    LRESULT _WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    // Sets the beat's timer, or announces it at once when it is due already.
    // False when the timer cannot be set.
    bool ScheduleBeat(int delayMs, int beatMs, int pulseIndex);
    // Appends the click and its note-off at device time `ms`.
    void AddClick(int ms, int pulseIndex);

    double m_dBeatTime = 0.0;        // musical time of the next beat, quarter notes
    double m_dPulseLength = 1.0;     // quarter notes per beat
    int m_nPulseIndex = 0;           // 0 the downbeat
    int m_nPulsesPerMeasure = 0;
    std::atomic<int> m_bSounding{0};
    unsigned m_nDevice = 0;
    FCMidi m_primaryPulse;
    FCMidi m_secondaryPulse;
    int m_bPlayEnable = 0;
    int m_bRecordEnable = 0;
    int m_bMidiSource = 1;
    std::atomic<HWND> m_hWnd{nullptr};           // the window, while the thread runs
    std::unique_ptr<CMsgWindow> m_pWindow;       // owned; made and destroyed on the thread
    CMsgThread m_thread;                         // declared last: ends first
};
