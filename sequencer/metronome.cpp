#include "sequencer/metronome.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/meter.h"
#include "model/performance.h"
#include "model/states.h"
#include "platform/core/beep.h"
#include "platform/core/clock.h"
#include "platform/core/timer.h"
#include "platform/devices/portavel.h"
#include "platform/devices/records.h"
#include "sequencer/sequence.h"

#include <cmath>
#include <mutex>
#include <stdexcept>

IMPLEMENT_DYNAMIC(CSeqMetronome, CSeqPlay)

namespace {

// The sequence's state bits that let the metronome sound.
constexpr unsigned SEQUENCE_PLAYING = PLAYER_PLAYING;
constexpr unsigned SEQUENCE_RECORDING = RECORDER_RECORDING;

// The longest the user-interface thread waits for the metronome's thread to
// start or to end.
constexpr DWORD METRONOME_THREAD_WAIT_MS = 5000;

// A musical time in quarter notes to the beat's milliseconds of musical time.
int BeatMilliseconds(double quarters) {
    return static_cast<int>(std::lround(quarters * 1000.0));
}

}   // namespace

CSeqMetronome::CSeqMetronome()
    : m_primaryPulse(static_cast<uint32_t>(PackShortMsg(0x90, 64, 127))),
      m_secondaryPulse(static_cast<uint32_t>(PackShortMsg(0x90, 50, 111))) {
    if (!_InitializeThread()) {
        // Without its thread the metronome still clicks; only the beat
        // display stays still. The process goes on.
        ReportHandlerError(std::make_exception_ptr(std::runtime_error("The metronome could not be started.")));
    }
}

CSeqMetronome::~CSeqMetronome() {
    // The thread goes first: it reads the sequence while it sends a beat.
    _ExitThread();
    Detach();
}

bool CSeqMetronome::_InitializeThread() {
    // Start returns once the window exists (or could not be made).
    const bool started = m_thread.Start(
        [this] {
            m_pWindow = std::make_unique<CMsgWindow>(
                "CSeqMetronome", [this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
                    return _WndProc(msg, wParam, lParam);
                });
            m_hWnd.store(m_pWindow->GetSafeHwnd());
            return m_hWnd.load() != nullptr;
        },
        [this] {
            m_hWnd.store(nullptr);
            m_pWindow.reset();
        });
    if (!started) {
        m_hWnd.store(nullptr);
        m_pWindow.reset();
    }
    return started;
}

void CSeqMetronome::_ExitThread() {
    if (!m_thread.IsRunning())
        return;
    // Our wait keeps delivering what the thread sends meanwhile, so a time
    // state the thread is sending to this (user-interface) thread is
    // delivered and the thread can reach its quit.
    m_thread.Stop(METRONOME_THREAD_WAIT_MS);
}

LRESULT CSeqMetronome::_WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_SEQMETRONOME)
        return DefWindowProc(m_hWnd.load(), msg, wParam, lParam);
    _MetroTimerProc(static_cast<int>(static_cast<intptr_t>(wParam)), static_cast<int>(lParam));
    return 0;
}

void CSeqMetronome::MetroTimerProc(HWND window, int beatMs, int pulseIndex) {
    ::PostMessage(window, WM_SEQMETRONOME, static_cast<WPARAM>(static_cast<intptr_t>(beatMs)),
                  static_cast<LPARAM>(pulseIndex));
}

void CSeqMetronome::_MetroTimerProc(int beatMs, int /*pulseIndex*/) {
    ECPerformance* performance = nullptr;
    bool midiSource = true;
    {
        // Only to read the sequence and the source: the state is sent with
        // no lock held, or the user-interface thread, waiting on this lock
        // in the transport, could never deliver it.
        std::lock_guard lock(m_lock);
        if (m_pSequence)
            performance = m_pSequence->GetPerformance();
        midiSource = m_bMidiSource != 0;
    }
    if (!performance || performance != ECPerformance::GetActivePerformance())
        return;
    const unsigned state = GetState();
    const bool resting = (state & (PLAYER_STOPPED | PLAYER_STOPPING | PLAYER_PAUSED | PLAYER_PAUSING)) != 0;
    if (!resting && SCTime::s_actionCount.load() <= METRONOME_MAX_TIME_STATES) {
        MCTime time;
        time.SetMSec(beatMs);
        auto* beat = new SCTime(STATE_TIME_POSITION, time);
        beat->SetAsynchronous(0);
        beat->Apply(performance);   // delivered and deleted when this returns
    }
    // Without the MIDI source the beat is heard as the system beep.
    if (m_bSounding.load() && !midiSource)
        MessageBeep(SIMPLE_BEEP);
}

void CSeqMetronome::EnableMetroPlay(int enable) {
    std::lock_guard lock(m_lock);
    m_bPlayEnable = enable;
}

void CSeqMetronome::EnableMetroRecord(int enable) {
    std::lock_guard lock(m_lock);
    m_bRecordEnable = enable;
}

void CSeqMetronome::SetMetronomeDevice(unsigned device) {
    std::lock_guard lock(m_lock);
    m_nDevice = device;
}

void CSeqMetronome::SetPrimaryPulse(const FCMidi& pulse) {
    std::lock_guard lock(m_lock);
    m_primaryPulse = pulse;
}

void CSeqMetronome::SetSecondaryPulse(const FCMidi& pulse) {
    std::lock_guard lock(m_lock);
    m_secondaryPulse = pulse;
}

void CSeqMetronome::SetMetronomeMidi(int midi) {
    std::lock_guard lock(m_lock);
    m_bMidiSource = midi;
}

void CSeqMetronome::CheckState() {
    if (!m_pSequence) {
        m_bSounding = 0;
        return;
    }
    const unsigned state = m_pSequence->GetState();
    m_bSounding = ((state & SEQUENCE_PLAYING) && m_bPlayEnable) || ((state & SEQUENCE_RECORDING) && m_bRecordEnable);
}

void CSeqMetronome::Attach(CSequence* sequence) {
    m_pSequence = sequence;
}

void CSeqMetronome::GetMeterInformation(const MCTime& time) {
    ECConductor* conductor = m_pSequence ? m_pSequence->GetConductor() : nullptr;
    ECMeter* meter = conductor ? conductor->GetMeterAtTime(time) : nullptr;
    if (!meter)
        return;   // keeps the last meter's beat
    m_nPulsesPerMeasure = meter->GetNumerator();
    const double pulse = meter->GetPulse();
    // A meter without a pulse would never move the beat on.
    if (pulse > 0.0)
        m_dPulseLength = pulse;
}

void CSeqMetronome::PrepareToPlay() {
    if (!m_pSequence || !m_pSequence->GetPerformance() || !m_pSequence->GetConductor())
        return;
    // The player's lock is held: the performance's comes second.
    std::lock_guard tree(m_pSequence->GetPerformance()->GetLock());
    ECConductor* conductor = m_pSequence->GetConductor();
    MCTime location = m_pSequence->GetLocation();
    location.SetMode(TM_NORMAL);
    const int ppq = MCTime::GlobalPPQ;
    BPTTime bpt = conductor->BarPulseTick(location, ppq).GetBarPulseTick();
    GetMeterInformation(location);
    if (bpt.tick != 0) {
        // Between two beats: the first click is on the next one.
        m_nPulseIndex = bpt.pulse + 1;
        if (m_nPulseIndex < m_nPulsesPerMeasure) {
            ++bpt.pulse;
        } else {
            m_nPulseIndex = 0;
            ++bpt.bar;
            bpt.pulse = 0;
        }
        bpt.tick = 0;
    } else {
        m_nPulseIndex = bpt.pulse;
    }
    bpt.ppq = ppq;
    MCTime beat;
    beat.SetBarPulseTick(bpt);
    m_dBeatTime = conductor->NormalizeTime(beat).GetSeconds();
    if (m_nPulseIndex == 0)
        GetMeterInformation(MCTime(static_cast<float>(m_dBeatTime)));
}

CPVEventList* CSeqMetronome::GetOutputEvents(const MCTime& /*from*/, const MCTime& to) {
    std::lock_guard lock(m_lock);
    switch (GetState()) {
    case PLAYER_STOPPING:
        ChangeState(PLAYER_STOPPED);
        NotifySequence(NOTICE_STOPPED);
        return nullptr;
    case PLAYER_PAUSING:
        ChangeState(PLAYER_PAUSED);
        NotifySequence(NOTICE_PAUSED);
        return nullptr;
    case PLAYER_STOPPED:
    case PLAYER_PAUSED:
        return nullptr;
    default:
        break;
    }
    if (!m_pSequence || !m_pPortavel)
        return nullptr;
    const bool clicks = m_bSounding.load() && m_bMidiSource;
    MCTime g = m_pSequence->AbsoluteTime(MCTime(static_cast<float>(m_dBeatTime)));
    // A speed of 0 answers the null time: no beat comes while it holds.
    while (g.GetMSec() >= 0 && g < to) {
        const int gMs = g.GetMSec();
        const int64_t delay = static_cast<int64_t>(m_pPortavel->GetPlayStartTime()) + gMs -
                              static_cast<int64_t>(timeGetTime());
        if (!ScheduleBeat(static_cast<int>(std::max<int64_t>(delay, 0)), BeatMilliseconds(m_dBeatTime), m_nPulseIndex))
            return nullptr;
        if (clicks)
            AddClick(gMs, m_nPulseIndex);
        m_dBeatTime += m_dPulseLength;
        if (++m_nPulseIndex >= m_nPulsesPerMeasure) {
            m_nPulseIndex = 0;
            GetMeterInformation(MCTime(static_cast<float>(m_dBeatTime)));
        }
        g = m_pSequence->AbsoluteTime(MCTime(static_cast<float>(m_dBeatTime)));
    }
    return &m_output;
}

bool CSeqMetronome::ScheduleBeat(int delayMs, int beatMs, int pulseIndex) {
    const HWND window = m_hWnd.load();
    if (delayMs < 1) {
        // Due now (or already past): announced at once rather than left to
        // come up again at every later poll, ever further behind.
        MetroTimerProc(window, beatMs, pulseIndex);
        return true;
    }
    // The timer carries the beat by value: nothing to free, and a timer
    // that fires after the metronome is gone posts to a dead handle, which
    // does nothing.
    const UINT id = CTimerService::Get().Schedule(
        static_cast<DWORD>(delayMs), [window, beatMs, pulseIndex](UINT) { MetroTimerProc(window, beatMs, pulseIndex); });
    return id != 0;
}

void CSeqMetronome::AddClick(int ms, int pulseIndex) {
    FCMidi pulse = pulseIndex == 0 ? m_primaryPulse : m_secondaryPulse;
    const int device = static_cast<int>(m_nDevice);
    m_output.AddTail(CPVEventData::MakeShort(static_cast<DWORD>(std::max(ms, 0)), device, pulse.GetValue().dwData));
    pulse.SetDataByte2(0);
    m_output.AddTail(
        CPVEventData::MakeShort(static_cast<DWORD>(std::max(ms + METRONOME_CLICK_MS, 0)), device, pulse.GetValue().dwData));
}
