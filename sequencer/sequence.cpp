// The sequence: attaching, the state codes, the transport, the location and
// the players' callbacks. The timing factors, speeds and tempo changes are in
// sequencetiming.cpp; the performer list, the command handler, the edit state
// and the archive in sequenceedits.cpp.
#include "sequencer/sequence.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/conductorcache.h"
#include "model/conductorstaff.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/core/window.h"
#include "platform/devices/portavel.h"
#include "sequencer/chase.h"
#include "sequencer/enginestates.h"
#include "sequencer/filtermgr.h"
#include "sequencer/levels.h"
#include "sequencer/metronome.h"
#include "sequencer/midimessage.h"
#include "sequencer/midirecorder.h"
#include "sequencer/player.h"
#include "sequencer/ramps.h"
#include "sequencer/scoremgr.h"
#include "sequencer/staffperformer.h"
#include "sequencer/trackperformer.h"
#include "sequencer/waverecorder.h"
#include "sequencer/wavescoremgr.h"

#include <algorithm>
#include <mutex>
#include <thread>

IMPLEMENT_SERIAL(CSequence, CObject, 1)

CSequence::PreferencesHook CSequence::s_pfnPreferences = nullptr;

namespace {

// Posted to the sequence's notice window: players' notices or retired players
// wait for the user-interface thread.
constexpr UINT WM_SEQNOTICE = 0x3001;

// The text types Next and Previous stop at.
bool IsMarkerText(unsigned char type) {
    return type == 5 || type == 6 || type == 14 || type == 15;
}

// Lines of the MIDI text dump read bar/pulse/tick times from the cache of
// the sequence's conductor.
MCConductorCache* FindConductorCache(CSequence* sequence) {
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    return conductor ? conductor->GetCache() : nullptr;
}

struct ConductorCacheLookupInstaller {
    ConductorCacheLookupInstaller() { MCMidiParse::SetConductorCacheLookup(&FindConductorCache); }
    ~ConductorCacheLookupInstaller() {
        if (MCMidiParse::SetConductorCacheLookup(nullptr) != &FindConductorCache)
            MCMidiParse::SetConductorCacheLookup(nullptr);
    }
};
const ConductorCacheLookupInstaller s_lookupInstaller;

}   // namespace

std::unique_lock<CCriticalSection> CSequence::LockTree() const {
    return m_pPerformance ? std::unique_lock<CCriticalSection>(m_pPerformance->GetLock())
                          : std::unique_lock<CCriticalSection>();
}

CSequence::PreferencesHook CSequence::SetPreferencesHook(PreferencesHook hook) {
    PreferencesHook before = s_pfnPreferences;
    s_pfnPreferences = hook;
    return before;
}

CSequence::CSequence()
    : m_pPlayer(std::make_unique<CSeqPlay>()),
      m_pTempo(std::make_unique<CSeqTempo>()),
      m_pMetronome(std::make_unique<CSeqMetronome>()),
      m_pMidiRecorder(std::make_unique<CMidiRecorder>()),
      m_pWaveRecorder(std::make_unique<CWaveRecorder>()),
      m_pScoreMgr(std::make_unique<CMidiScoreMgr>()),
      m_pWaveScoreMgr(std::make_unique<CWaveScoreMgr>()),
      m_pStateMgr(std::make_unique<CMidiStateMgr>()),
      m_pFilterMgr(std::make_unique<CPerfFilterMgr>()),
      m_pLevelMgr(std::make_unique<CMeterLevelMgr>()),
      m_pHighlightMgr(std::make_unique<CHighlightMgr>()),
      m_pPortavel(CPortavel::GetPortavel()) {
    m_pNoticeWindow = std::make_unique<CMsgWindow>("CSequence", [this](HWND window, UINT msg, WPARAM w, LPARAM l) {
        if (msg != WM_SEQNOTICE)
            return DefWindowProc(window, msg, w, l);
        DeliverNotices();
        ReleaseRetiredPlayers();
        return LRESULT{0};
    });
    m_recordTimeOffset.SetMode(TM_PLAY);
    m_anchor.SetMode(TM_REAL);
    m_bufferTime.SetMode(TM_PLAY);
}

CSequence::~CSequence() {
    Detach();
    // The members go in reverse order of construction: managers, then players.
}

void CSequence::SetAutoRewind(int autoRewind) {
    if (autoRewind & 1)
        m_flags |= SEQ_AUTOREWIND;
    else
        m_flags &= ~SEQ_AUTOREWIND;
}

// ---- attaching ------------------------------------------------------------------

void CSequence::Attach(ECPerformance* performance) {
    {
        std::lock_guard notices(m_noticeLock);
        m_bAcceptNotices = true;
    }
    if (performance) {
        m_pPerformance = performance;
        m_pConductor = performance->GetConductor();
        RegisterCommandHandler(performance);
    }
    m_pPlayer->Attach(this);
    m_pTempo->Attach(this);
    m_pMetronome->Attach(this);
    m_pMidiRecorder->Attach(this);
    m_pWaveRecorder->Attach(this);
    m_pScoreMgr->Attach(this);
    m_pWaveScoreMgr->Attach(this);
    m_pFilterMgr->Attach(this);
    m_pLevelMgr->Attach(this);
    m_pHighlightMgr->Attach(this);
    m_pStateMgr->Attach(this);
    if (m_pConductor) {
        auto tree = LockTree();
        ACFindEvents find(2);
        find.SetDepth(1);
        find.AddEvtType(ET_STAFF);
        find.AddEvtType(ET_WAVETRACK);
        find.Apply(m_pConductor);
        MCEventList& tracks = find.GetEvents();
        for (POSITION pos = tracks.GetHeadPosition(); pos;)
            if (auto* track = DYNAMIC_DOWNCAST(DCsqTrack, DCsqBase::GetPerformer(tracks.GetNext(pos), 0)))
                track->SetSequence(this);
    }
    if (s_pfnPreferences)
        s_pfnPreferences(this);
}

void CSequence::Detach() {
    // Every player comes to rest and lets the sequence go: the others'
    // players first (the staves' ramps), then the main player and the tempo
    // ramp.
    StopSequences();
    // What the MIDI recorder still queues is dropped with the input: the
    // document is going.
    m_pMidiRecorder->Detach();
    // A take still running becomes a clip while the document is there.
    m_pWaveRecorder->Detach();
    ReleaseRetiredPlayers();
    for (;;) {
        CSeqPlay* player = nullptr;
        {
            auto tree = LockTree();
            if (m_played.empty())
                break;
            player = m_played.back();
        }
        player->Detach();
        ForgetPlayer(player);   // also one that had let this sequence go already
    }
    m_pPlayer->Detach();
    m_pTempo->Detach();
    m_pMetronome->Detach();
    m_pScoreMgr->Attach(nullptr);
    m_pWaveScoreMgr->Detach();
    m_pFilterMgr->Detach();
    m_pLevelMgr->Detach();
    m_pHighlightMgr->Detach();
    m_pStateMgr->Detach();
    UnregisterCommandHandler();
    {
        // No player can raise a notice any more; those not delivered are
        // about a performance that is gone.
        std::lock_guard notices(m_noticeLock);
        m_bAcceptNotices = false;
        m_notices.clear();
    }
    m_idle.Set();
    auto tree = LockTree();
    m_running.clear();
    m_pendingRemovals.RemoveAll();
    m_forgotten.clear();
    m_pPerformance = nullptr;
    m_pConductor = nullptr;
    m_pHead = nullptr;
    m_pTail = nullptr;
    m_pRecordPosition = nullptr;
    m_pPlayPosition = nullptr;
}

void CSequence::RegisterCommandHandler(ECPerformance* performance) {
    if (m_pHandlerPerformance == performance)
        return;
    UnregisterCommandHandler();
    performance->AddCommandHandler(&CSequence::_OnCommand, this);
    m_pHandlerPerformance = performance;
}

void CSequence::UnregisterCommandHandler() {
    if (!m_pHandlerPerformance)
        return;
    // Only this sequence's own record: other handlers of the document stay.
    m_pHandlerPerformance->RemoveCommandHandler(&CSequence::_OnCommand, this);
    m_pHandlerPerformance = nullptr;
}

MCTime CSequence::GetPieceEnd() const {
    // Asked of the conductor staff itself: the conductor's own queries make
    // a missing conductor staff through a command, which the polling thread
    // must never send while it holds the performance's lock.
    ECBase* staff = m_pConductor ? m_pConductor->GetDescendant(ET_CONDUCTORSTAFF, 1) : nullptr;
    return staff ? static_cast<ECConductorStaff*>(staff)->GetMaxMeasureEndTime() : MCTime(0.0f);
}

void CSequence::ResetConductorPosition() {
    if (MCConductorCache* cache = m_pConductor ? m_pConductor->GetCache() : nullptr)
        cache->ResetCurrentPosition(m_location);
}

unsigned CSequence::GetState() const {
    return m_pPlayer->GetState() | m_pMidiRecorder->GetState();
}

void CSequence::ApplyToPerformance(SCBase* state) {
    if (!state)
        return;
    if (!m_pPerformance) {
        delete state;
        return;
    }
    state->Apply(m_pPerformance);
}

// ---- state codes ----------------------------------------------------------------

void CSequence::OnUpdate(long code, SCBase* state) {
    if (code < 0 || code == STATE_MASTER_TEMPO)
        return;
    if (code <= 4) {
        OnMasterState(code, dynamic_cast<SCMaster*>(state));
        return;
    }
    switch (code) {
    case STATE_EVENTS_EDITED:
        OnEventEdit(dynamic_cast<SCEventEdit*>(state));
        break;
    case STATE_FILE_NEW:
    case STATE_FILE_OPENED:
        OnFileInit();
        break;
    case STATE_MODE_INSERT:
        SetStepRecordValue();
        break;
    case STATE_PREFS_CHANGED:
        if (s_pfnPreferences)
            s_pfnPreferences(this);
        break;
    case STATE_TIME_LOCATE:
        if (auto* time = dynamic_cast<SCTime*>(state))
            SetLocation(time->GetTime());
        break;
    case STATE_PERFORM_STOP:
        Stop();
        m_pMetronome->CheckState();
        break;
    case STATE_PERFORM_PAUSE:
        Pause();
        m_pMetronome->CheckState();
        break;
    case STATE_PERFORM_PLAY:
        Play();
        m_pMetronome->CheckState();
        break;
    case STATE_PERFORM_STEP:
        Step();
        m_pMetronome->CheckState();
        break;
    case STATE_PERFORM_RECORD:
        Record();
        m_pMetronome->CheckState();
        break;
    case STATE_PERFORM_NEXT:
        Next();
        break;
    case STATE_PERFORM_PREVIOUS:
        Previous();
        break;
    case STATE_PERFORM_FORWARD:
        Forward();
        m_pMetronome->CheckState();
        break;
    case STATE_PERFORM_REWIND:
        Rewind();
        m_pMetronome->CheckState();
        break;
    case STATE_TRACK_MUTE:
    case STATE_TRACK_SOLO:
    case STATE_TRACK_RECORD:
    case STATE_TRACK_VOLUME:
    case STATE_TRACK_PAN:
    case STATE_TRACK_FREQUENCY:
        OnTrackState(code, dynamic_cast<SCTrack*>(state));
        break;
    default:
        break;
    }
}

void CSequence::OnMasterState(long code, SCMaster* master) {
    if (!master)
        return;
    if (code == STATE_MASTER_VOLUME) {
        // A float division: a level below 100 is not silence.
        auto tree = LockTree();
        m_fMasterLevel = static_cast<float>(master->GetVolume()) / 100.0f;
        if (!m_pConductor)
            return;
        for (int kind : {TT_STAFF, TT_WAVE}) {
            const int highest = m_pConductor->GetMaxTrackNumber(kind);
            for (int number = 1; number <= highest; ++number)
                if (DCsqTrack* track = DCsqTrack::GetTrackData(static_cast<unsigned>(number), kind, this))
                    track->SetTrackGain(track->GetTrackGain());
        }
    } else if (code == STATE_MASTER_SPEED) {
        SetPlaybackSpeed(master->GetSpeed());
    }
}

void CSequence::OnTrackState(long code, SCTrack* state) {
    if (!state)
        return;
    auto tree = LockTree();
    const int kind = state->GetTrackType();
    DCsqTrack* track = DCsqTrack::GetTrackData(static_cast<unsigned>(state->GetTrack()), kind, this);
    if (!track)
        return;
    const int value = state->GetValue();
    auto* wave = kind == TT_WAVE ? DYNAMIC_DOWNCAST(DCsqWaveTrack, track) : nullptr;
    switch (code) {
    case STATE_TRACK_MUTE:
        track->UpdateMuteState(state->GetTrack(), value, this);
        break;
    case STATE_TRACK_SOLO:
        track->UpdateSoloState(state->GetTrack(), value, this);
        break;
    case STATE_TRACK_RECORD:
        if (kind == TT_STAFF) {
            // Arming adds staves with a command: not under the tree's lock.
            tree.unlock();
            m_pMidiRecorder->SetBaseTrack(value ? state->GetTrack() : 0);
        } else if (wave) {
            // The recorder opens and closes devices: not under the tree's lock.
            tree.unlock();
            if (value)
                m_pWaveRecorder->AddTrack(wave);
            else
                m_pWaveRecorder->RemoveTrack(wave);
        }
        break;
    case STATE_TRACK_VOLUME:
        if (kind == TT_STAFF)
            track->SetTrackGain(static_cast<float>(value) / 100.0f);
        else if (kind == TT_WAVE)
            track->SetTrackGain(static_cast<float>(value) / 10000.0f);
        break;
    case STATE_TRACK_PAN:
        if (wave)
            wave->SetTrackPan(static_cast<float>(value) / 10000.0f);
        break;
    case STATE_TRACK_FREQUENCY:
        if (wave)
            wave->SetTrackFrequency(static_cast<float>(value) / 10000.0f);
        break;
    default:
        break;
    }
}

void CSequence::OnFileInit() {
    {
        auto tree = LockTree();
        if (m_pConductor) {
            const int highest = m_pConductor->GetMaxTrackNumber(TT_STAFF);
            for (int number = 0; number <= highest; ++number)
                if (DCsqTrack* track = DCsqTrack::GetTrackData(static_cast<unsigned>(number), TT_STAFF, this))
                    track->InitTrack(this);
        }
    }
    SetLocation(MCTime(0.0f));
    m_pLevelMgr->UpdateTrackCount();
}

// ---- transport ------------------------------------------------------------------

void CSequence::Play() {
    m_idle.Reset();
    const unsigned state = m_pPlayer->GetState();
    if (state == PLAYER_PLAYING)
        return;
    {
        auto tree = LockTree();
        if (state == PLAYER_FASTFORWARD)
            AdjustTimingFactors(TIMING_NORMAL);
        else
            InitTimingFactors(TIMING_NORMAL);
    }
    PlaySequence(m_pPlayer.get());
    // Sounding is known before the metronome's first poll: its first beat
    // is due at once.
    m_pMetronome->CheckState();
    PlaySequence(m_pMetronome.get());
}

void CSequence::PlaySequence(CSeqPlay* player) {
    if (!player)
        return;
    {
        auto tree = LockTree();
        if (std::find(m_running.begin(), m_running.end(), player) == m_running.end())
            m_running.push_back(player);
        const bool own = player == m_pPlayer.get() || player == m_pTempo.get() || player == m_pMetronome.get();
        if (!own && std::find(m_played.begin(), m_played.end(), player) == m_played.end())
            m_played.push_back(player);
    }
    player->Play();
}

void CSequence::ForgetPlayer(CSeqPlay* player) {
    auto tree = LockTree();
    m_running.erase(std::remove(m_running.begin(), m_running.end(), player), m_running.end());
    m_played.erase(std::remove(m_played.begin(), m_played.end(), player), m_played.end());
}

void CSequence::RetirePlayer(std::unique_ptr<CSeqPlay> player) {
    if (!player)
        return;
    {
        auto tree = LockTree();
        m_running.erase(std::remove(m_running.begin(), m_running.end(), player.get()), m_running.end());
        m_retired.push_back(std::move(player));
    }
    m_pNoticeWindow->PostMessage(WM_SEQNOTICE);
}

void CSequence::ReleaseRetiredPlayers() {
    std::vector<std::unique_ptr<CSeqPlay>> retired;
    {
        auto tree = LockTree();
        retired.swap(m_retired);
    }
    // Each stops, waits for its poll to end and leaves m_played as it goes.
    retired.clear();
}

void CSequence::Stop() {
    // The recorder hands over what it holds before the players come to rest.
    m_pMidiRecorder->Stop();
    StopSequences();
    m_pWaveRecorder->Stop();
    m_flags &= ~SEQ_STEPRECORD;
}

void CSequence::StopSequences() {
    for (;;) {
        CSeqPlay* player = nullptr;
        {
            auto tree = LockTree();
            if (m_running.empty())
                break;
            player = m_running.front();
            m_running.erase(m_running.begin());
        }
        player->Stop();
    }
}

void CSequence::Pause() {
    if (m_pPlayer->GetState() == PLAYER_PAUSED)
        Play();
    else
        PauseSequences();
    // The recorder follows the same toggle.
    if (m_pMidiRecorder->GetState() == CMidiRecorder::RS_PAUSED)
        Record();
    else
        m_pMidiRecorder->Pause();
}

void CSequence::PauseSequences() {
    std::vector<CSeqPlay*> running;
    {
        auto tree = LockTree();
        running = m_running;
    }
    for (CSeqPlay* player : running)
        player->Pause();
}

void CSequence::Step() {
    m_flags |= SEQ_STEPRECORD;
}

void CSequence::Record() {
    const unsigned recorder = m_pMidiRecorder->GetState();
    if (recorder == CMidiRecorder::RS_RECORDING || recorder == CMidiRecorder::RS_STEP_RECORDING)
        return;
    if (m_pMidiRecorder->GetBaseTrack() <= 0)
        m_pMidiRecorder->SetBaseTrack(ChooseRecordTrack());
    if (m_flags & SEQ_STEPRECORD) {
        SetStepRecordValue();
        {
            auto tree = LockTree();
            m_stepRecordTime = m_location;
        }
        m_pMidiRecorder->StepRecord();
        return;
    }
    {
        auto tree = LockTree();
        m_recordTimeOffset.SetMSec(0);
        m_recordTimeOffset.SetMode(TM_PLAY);
    }
    m_pWaveRecorder->Record();
    m_pMidiRecorder->Record();
    if (m_pPlayer->GetState() != PLAYER_PLAYING)
        Play();
}

int CSequence::ChooseRecordTrack() {
    auto tree = LockTree();
    if (!m_pConductor)
        return 0;
    const int empty = DCsqTrack::GetFirstEmptyTrack(TT_STAFF, this);
    return empty > 0 ? empty : m_pConductor->GetMaxTrackNumber(TT_STAFF) + 1;
}

void CSequence::Forward() {
    if (m_pPlayer->GetState() == PLAYER_FASTFORWARD) {
        Play();
        return;
    }
    // Fast forward records nothing.
    m_pMidiRecorder->Stop();
    if (m_pPlayer->GetState() != PLAYER_PLAYING)
        Play();
    m_pPlayer->Forward();
    auto tree = LockTree();
    AdjustTimingFactors(TIMING_FAST);
}

void CSequence::Rewind() {
    const MCTime lastLocated = m_lastLocated;
    {
        auto tree = LockTree();
        m_stepRecordTime = MCTime(0.0f);
    }
    SetLocation(MCTime(0.0f));
    {
        std::lock_guard player(m_pPlayer->GetLock());
        m_pStateMgr->ResetControllers();
    }
    m_lastLocated = lastLocated;
    if (lastLocated != MCTime(0.0f))
        ApplyToPerformance(new SCTime(STATE_TIME_LOCATE, lastLocated));
}

void CSequence::Next() {
    ApplyToPerformance(new SCTime(STATE_TIME_LOCATE, FindMarker(true)));
}

void CSequence::Previous() {
    ApplyToPerformance(new SCTime(STATE_TIME_LOCATE, FindMarker(false)));
}

MCTime CSequence::FindMarker(bool next) {
    auto tree = LockTree();
    std::vector<float> times;
    if (m_pPerformance) {
        ACFindEvents find;
        find.SetDepth(4);
        find.AddEvtType(ET_TEXT);
        find.Apply(m_pPerformance);
        MCEventList& texts = find.GetEvents();
        for (POSITION pos = texts.GetHeadPosition(); pos;) {
            auto* text = DYNAMIC_DOWNCAST(ECText, texts.GetNext(pos));
            if (!text || !IsMarkerText(text->GetTextType()))
                continue;
            const MCTime& time = *text->GetTime();
            // A marker at the very start is never a target.
            if (time == MCTime(0.0f) || (next ? time <= m_location : time >= m_location))
                continue;
            times.push_back(time.GetSeconds());
        }
    }
    std::sort(times.begin(), times.end());
    if (next) {
        if (!times.empty())
            return MCTime(times.front());
        return GetPieceEnd();
    }
    return times.empty() ? MCTime(0.0f) : MCTime(times.back());
}

MCTime CSequence::SetLocation(const MCTime& time) {
    m_lastLocated = time;
    m_lastLocated.SetMode(TM_NORMAL);
    MCTime target = m_lastLocated;
    if (target < MCTime(0.0f))
        target = MCTime(0.0f);
    {
        auto tree = LockTree();
        if (m_pConductor && target != MCTime::TimeMax()) {
            const MCTime end = GetPieceEnd();
            if (target > end)
                target = end;
        }
    }

    if (GetState() != SEQUENCE_IDLE) {
        Stop();
        WaitForIdleEvent(PLAYER_IDLE_WAIT_MS);
    }

    {
        auto tree = LockTree();
        if (!m_pPlayPosition)
            m_pPlayPosition = m_pHead;
        if (!m_pPlayPosition)
            return time;   // no performers: nothing moves, nothing is announced
        ECBase* event = m_pPlayPosition->GetOwner();
        const MCTime* next = event ? event->GetTime() : nullptr;
        if (target == MCTime(0.0f) || (next && target < *next)) {
            m_location = MCTime(0.0f);
            ResetConductorPosition();
            m_pPlayPosition = m_pHead;
            m_takenUntil = MCTime(0.0f);
        }
    }

    if (target != MCTime(0.0f)) {
        {
            auto tree = LockTree();
            InitTimingFactors(TIMING_NORMAL);
        }
        m_idle.Reset();
        const bool autoRewind = (m_flags & SEQ_AUTOREWIND) != 0;
        m_flags &= ~SEQ_AUTOREWIND;
        m_flags |= SEQ_RELOCATING;
        if (m_pPlayer->Relocate(target))
            WaitForIdleEvent(PLAYER_IDLE_WAIT_MS);
        else
            m_idle.Set();   // nothing to chase: no poll will set it
        {
            auto tree = LockTree();
            m_location = target;
            m_location.SetMode(TM_NORMAL);
            ResetConductorPosition();
        }
        m_flags &= ~SEQ_RELOCATING;
        if (autoRewind)
            m_flags |= SEQ_AUTOREWIND;
    }

    MCTime location;
    {
        auto tree = LockTree();
        m_stepRecordTime = m_location;
        m_pRecordPosition = m_pPlayPosition ? m_pPlayPosition : m_pTail;
        location = m_location;
    }
    UpdateBPMDisplay(location, 1);
    ApplyToPerformance(new SCTime(STATE_TIME_POSITION, location));
    return location;
}

// ---- callbacks from the players -------------------------------------------------

bool CSequence::IsOwnThread() const {
    return std::this_thread::get_id() == m_pNoticeWindow->GetThreadId();
}

void CSequence::PostNotice(CSeqPlay::Notice notice) {
    {
        std::lock_guard notices(m_noticeLock);
        if (!m_bAcceptNotices)
            return;   // detached: about a performance that is gone
        m_notices.push_back(notice);
    }
    m_noticeQueued.Set();
    m_pNoticeWindow->PostMessage(WM_SEQNOTICE);
}

void CSequence::DeliverNotices() {
    // One at a time: a callback may wait for the next notice (SetLocation)
    // and deliver it from inside.
    for (;;) {
        CSeqPlay::Notice notice;
        {
            std::lock_guard notices(m_noticeLock);
            if (m_notices.empty())
                return;
            notice = m_notices.front();
            m_notices.erase(m_notices.begin());
        }
        DeliverNotice(notice);
    }
}

void CSequence::DeliverNotice(CSeqPlay::Notice notice) {
    switch (notice) {
    case CSeqPlay::NOTICE_STOPPED:
        PlaybackIsStopped();
        break;
    case CSeqPlay::NOTICE_PAUSED:
        PlaybackIsPaused();
        break;
    case CSeqPlay::NOTICE_DONE:
        PlaybackIsDone();
        break;
    }
}

void CSequence::WaitForIdleEvent(DWORD ms) {
    const std::uint64_t deadline = GetClockMs() + ms;
    CEvent* const events[] = {&m_idle, &m_noticeQueued};
    for (;;) {
        DeliverNotices();
        if (m_idle.IsSignalled())
            return;
        const std::uint64_t now = GetClockMs();
        if (now >= deadline)
            return;
        WaitForEvents(events, 2, static_cast<DWORD>(deadline - now));
    }
}

bool CSequence::AnyPlayerActive() const {
    // A ramp that is stopping or pausing sends nothing more and never
    // reports: it counts as come to rest.
    const unsigned resting = PLAYER_STOPPED | PLAYER_PAUSED | PLAYER_STOPPING | PLAYER_PAUSING;
    return (m_pTempo->GetState() & resting) == 0;
}

void CSequence::PlaybackIsStopped() {
    // A recording outlives the end of playback: the stop comes with its own.
    if (m_pMidiRecorder->GetState() == CMidiRecorder::RS_RECORDING)
        return;
    const unsigned main = m_pPlayer->GetState();
    // Until the metronome has stopped too, it reports the stop itself when
    // it gets there (a paused one is stopped right after the main player).
    if (!(main & (PLAYER_STOPPED | PLAYER_PAUSED)) || AnyPlayerActive() || m_pMetronome->GetState() != PLAYER_STOPPED)
        return;
    ApplyToPerformance(new SCPerform(STATE_PERFORM_STOP));
    if (m_flags & SEQ_AUTOREWIND) {
        Rewind();
    } else {
        MCTime location;
        {
            auto tree = LockTree();
            AdjustTimingFactors(TIMING_NORMAL);
            TakeLocationFromAnchor();
            location = m_location;
        }
        if (!(m_flags & SEQ_RELOCATING))
            ApplyToPerformance(new SCTime(STATE_TIME_POSITION, location));
    }
    m_pLevelMgr->ResetLevels();
    m_idle.Set();
}

void CSequence::PlaybackIsPaused() {
    const unsigned main = m_pPlayer->GetState();
    if (!(main & (PLAYER_STOPPED | PLAYER_PAUSED)) || !(m_pMetronome->GetState() & (PLAYER_STOPPED | PLAYER_PAUSED)))
        return;
    MCTime location;
    {
        auto tree = LockTree();
        AdjustTimingFactors(TIMING_NORMAL);
        TakeLocationFromAnchor();
        location = m_location;
    }
    ApplyToPerformance(new SCTime(STATE_TIME_POSITION, location));
    m_pLevelMgr->ResetLevels();
    m_idle.Set();
}

void CSequence::PlaybackIsDone() {
    // Recording goes on past the last event.
    if (m_pMidiRecorder->GetState() == CMidiRecorder::RS_RECORDING)
        return;
    Stop();
    // A metronome still stopping reports the stop itself; otherwise the
    // sequence does, once every player has come to rest.
    if (m_pPlayer->GetState() == PLAYER_STOPPED && !AnyPlayerActive() && m_pMetronome->GetState() == PLAYER_STOPPED)
        PlaybackIsStopped();
}

void CSequence::SequenceIsDone(CSeqPlay* player) {
    auto tree = LockTree();
    m_running.erase(std::remove(m_running.begin(), m_running.end(), player), m_running.end());
}

void CSequence::RecordIsStopped(int modified, int stopPlayback) {
    if (modified)
        ApplyToPerformance(new SCFile(STATE_FILE_MODIFIED));
    {
        auto tree = LockTree();
        if (m_pRecordPosition)
            m_pPlayPosition = m_pRecordPosition->GetNext();
    }
    if (stopPlayback)
        PlaybackIsStopped();
    else if (m_flags & SEQ_AUTOREWIND)
        Rewind();
}
