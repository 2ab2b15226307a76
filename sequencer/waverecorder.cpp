// The wave recorder: arming, the takes' temporary files, recording and the
// end of a take.
#include "sequencer/waverecorder.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/performance.h"
#include "model/staff.h"
#include "platform/core/window.h"
#include "platform/devices/portavel.h"
#include "platform/devices/records.h"
#include "platform/devices/wavefile.h"
#include "sequencer/enginestates.h"
#include "sequencer/sequence.h"
#include "sequencer/trackperformer.h"
#include "sequencer/wavescoremgr.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace {

void DeleteFile(const std::string& name) {
    if (name.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::u8path(name), ignored);
}

// A take that cannot record, or stopped recording, is never dropped without
// a word: the user would find an empty or short track later.
void ReportInputFailure(CPortavel& portavel, int device, const char* what) {
    const PV_DevCaps* caps = portavel.GetDeviceCaps(PV_WAVE, PV_INPUT, device);
    const std::string name = caps && caps->name[0] ? std::string(caps->name) : "the wave input";
    ReportHandlerError(std::make_exception_ptr(std::runtime_error("Recording from " + name + what)));
}

}   // namespace

CWaveRecorder::CWaveRecorder()
    : m_pPortavel(CPortavel::GetPortavel()) {}

CWaveRecorder::~CWaveRecorder() {
    Stop();
    Detach();
}

void CWaveRecorder::Attach(CSequence* sequence) {
    m_pSequence = sequence;
    CPortavel* own = sequence ? sequence->GetPortavel() : nullptr;
    m_pPortavel = own ? own : CPortavel::GetPortavel();
}

void CWaveRecorder::Detach() {
    // A running take ends as a clip while the sequence is still there. Takes
    // still armed would otherwise keep their input open and leave their
    // temporary files behind.
    Stop();
    std::vector<std::unique_ptr<Take>> takes;
    {
        std::lock_guard<std::mutex> lock(m_takesLock);
        takes.swap(m_takes);
    }
    for (auto& take : takes)
        ReleaseTake(*take);
    m_pSequence = nullptr;
}

int CWaveRecorder::GetTakeCount() const {
    std::lock_guard<std::mutex> lock(m_takesLock);
    return static_cast<int>(m_takes.size());
}

// ---- arming -------------------------------------------------------------------------

int CWaveRecorder::AddTrack(DCsqWaveTrack* track) {
    if (m_nState == RECORDER_RECORDING || !track || !m_pSequence || !m_pPortavel)
        return 0;
    const int device = m_pSequence->GetInputWaveDevice();
    bool handedOver = false;
    {
        std::lock_guard<std::mutex> lock(m_takesLock);
        for (auto& take : m_takes)
            if (take->track == track)
                return 1;
        // One track per input device: the take moves to the new track,
        // keeping its device, file and tag.
        for (auto& take : m_takes)
            if (take->device == device) {
                take->track = track;
                handedOver = true;
                break;
            }
    }
    if (handedOver) {
        UpdateRecordConfig();
        return 1;
    }

    m_pPortavel->EnableDevice(PV_WAVE, PV_INPUT, device, 1);
    if (!m_pPortavel->OpenDevice(PV_WAVE, PV_INPUT, device)) {
        m_pPortavel->EnableDevice(PV_WAVE, PV_INPUT, device, 0);
        return 0;
    }
    auto take = std::make_unique<Take>();
    take->track = track;
    take->device = device;
    if (!GetTempName(take->fileName)) {
        take->fileName.clear();
        ReleaseTake(*take);
        return 0;
    }
    take->writer = std::make_unique<CWaveFileWrite>(take->fileName);
    if (const PV_DevFormat* format = m_pPortavel->GetDeviceFormat(PV_WAVE, PV_INPUT, device))
        take->writer->SetFormat(*format);
    if (!take->writer->Open(0)) {
        ReleaseTake(*take);
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(m_takesLock);
        m_takes.push_back(std::move(take));
    }
    UpdateRecordConfig();
    return 1;
}

void CWaveRecorder::RemoveTrack(DCsqWaveTrack* track) {
    if (m_nState == RECORDER_RECORDING)
        return;
    std::vector<std::unique_ptr<Take>> removed;
    {
        std::lock_guard<std::mutex> lock(m_takesLock);
        for (auto it = m_takes.begin(); it != m_takes.end();) {
            if ((*it)->track == track) {
                removed.push_back(std::move(*it));
                it = m_takes.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& take : removed)
        ReleaseTake(*take);
    UpdateRecordConfig();
}

void CWaveRecorder::ReleaseTake(Take& take) {
    m_pPortavel->CloseDevice(PV_WAVE, PV_INPUT, take.device);
    m_pPortavel->EnableDevice(PV_WAVE, PV_INPUT, take.device, 0);
    if (take.writer)
        take.writer->Close();
    DeleteFile(take.fileName);
    take.writer.reset();
}

bool CWaveRecorder::GetTempName(std::string& name) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error)
        return false;
    std::string pattern = (folder / "WAVXXXXXX.wav").string();
    if (pattern.size() >= 260)   // the longest path a name may have
        return false;
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0)
        return false;
    ::close(fd);   // the writer replaces the empty file
    name = pattern;
    return true;
}

// ---- recording ----------------------------------------------------------------------

void CWaveRecorder::Record() {
    if (m_nState == RECORDER_RECORDING || !m_pSequence || !m_pPortavel)
        return;
    std::vector<Take*> takes;
    {
        std::lock_guard<std::mutex> lock(m_takesLock);
        for (auto& take : m_takes)
            takes.push_back(take.get());
    }
    if (takes.empty())
        return;
    const MCTime start = m_pSequence->GetLocation();
    std::vector<std::unique_ptr<Take>> failed;
    for (Take* take : takes) {
        // The tag is stored before the input starts, so the callback finds
        // the take from the first buffer.
        const int tag = m_pPortavel->StartWaveRecording(&CWaveRecorder::RecordProc, this);
        {
            std::lock_guard<std::mutex> lock(m_takesLock);
            take->tag = tag;
            take->start = start;
        }
        if (m_pPortavel->SyncStart(PV_WAVE, PV_INPUT, take->device))
            continue;
        // The input is gone (lost in a format change, unplugged): this take
        // records nothing, and says so.
        m_pPortavel->StopWaveRecording(tag);
        std::lock_guard<std::mutex> lock(m_takesLock);
        for (auto it = m_takes.begin(); it != m_takes.end(); ++it)
            if (it->get() == take) {
                failed.push_back(std::move(*it));
                m_takes.erase(it);
                break;
            }
    }
    for (auto& take : failed) {
        ReportInputFailure(*m_pPortavel, take->device, " could not start: nothing is recorded from it.");
        ReleaseTake(*take);
    }
    if (!failed.empty())
        UpdateRecordConfig();
    m_nState = RECORDER_RECORDING;
}

void CWaveRecorder::RecordProc(void* user, int tag, CPVEventData* event) {
    if (user)
        static_cast<CWaveRecorder*>(user)->RecordWaveData(tag, event);
}

void CWaveRecorder::RecordWaveData(int tag, CPVEventData* event) {
    if (!event || event->type != PV_EVENT_WAVEDATA)
        return;
    const WAVEHDR* header = event->GetWaveHeader();
    if (!header)
        return;
    std::lock_guard<std::mutex> lock(m_takesLock);
    for (auto& take : m_takes)
        if (take->tag == tag && take->writer)
            take->writer->Write(header);
}

void CWaveRecorder::Stop() {
    if (m_nState != RECORDER_RECORDING)
        return;
    std::vector<std::unique_ptr<Take>> takes;
    {
        std::lock_guard<std::mutex> lock(m_takesLock);
        takes.swap(m_takes);
    }
    bool recorded = false;
    for (auto it = takes.rbegin(); it != takes.rend(); ++it) {
        Take& take = **it;
        if (!m_pPortavel->IsDeviceOpen(PV_WAVE, PV_INPUT, take.device))
            ReportInputFailure(*m_pPortavel, take.device,
                               " stopped when the device was lost: the take keeps only what came before.");
        m_pPortavel->CloseDevice(PV_WAVE, PV_INPUT, take.device);
        m_pPortavel->EnableDevice(PV_WAVE, PV_INPUT, take.device, 0);
        m_pPortavel->StopWaveRecording(take.tag);
        if (FinishTake(take))
            recorded = true;
    }
    if (recorded)
        SetModified();
    m_nState = RECORDER_STOPPED;
    UpdateRecordConfig();
}

bool CWaveRecorder::FinishTake(Take& take) {
    DWORD length = 0;
    if (take.writer) {
        take.writer->Close();
        length = take.writer->GetDuration();
        take.writer.reset();
    }
    if (length == 0 || !m_pSequence) {   // no sound, or no document to hold it
        DeleteFile(take.fileName);
        return false;
    }
    auto* info = new SCWaveInfo(STATE_WAVE_RECORDED);
    info->SetFilename(take.fileName);
    info->SetTrack(take.track);
    info->SetTime(take.start);
    if (ECPerformance* performance = m_pSequence->GetPerformance())
        info->Apply(performance);
    else
        delete info;
    // The take becomes a clip on its track, so the document holds it.
    if (CWaveScoreMgr* clips = m_pSequence->GetWaveScoreMgr())
        clips->AddWaveFile(take.start, MCVoiceTrack(0, TrackNumber(take.track)), take.fileName);
    return true;
}

void CWaveRecorder::SetModified() {
    ECPerformance* performance = m_pSequence ? m_pSequence->GetPerformance() : nullptr;
    if (!performance)
        return;
    (new SCFile(STATE_FILE_MODIFIED))->Apply(performance);
    ++m_nModifiedSent;
}

// ---- the record configuration --------------------------------------------------------

int CWaveRecorder::TrackNumber(DCsqWaveTrack* track) const {
    ECConductor* conductor = m_pSequence ? m_pSequence->GetConductor() : nullptr;
    ECPerformance* performance = m_pSequence ? m_pSequence->GetPerformance() : nullptr;
    ECBase* owner = track ? track->GetOwner() : nullptr;
    if (!conductor || !performance || !owner)
        return 0;
    std::lock_guard<CCriticalSection> tree(performance->GetLock());
    const int number = conductor->GetTrackNumber(TRACK_WAVE, static_cast<ECTrack*>(owner));
    return number > 0 ? number : 0;
}

int CWaveRecorder::IsRecordSet(int track) const {
    if (track <= 0)
        return 0;
    std::vector<DCsqWaveTrack*> armed;
    {
        std::lock_guard<std::mutex> lock(m_takesLock);
        for (auto& take : m_takes)
            armed.push_back(take->track);
    }
    for (DCsqWaveTrack* performer : armed)
        if (TrackNumber(performer) == track)
            return 1;
    return 0;
}

void CWaveRecorder::UpdateRecordConfig() {
    ECConductor* conductor = m_pSequence ? m_pSequence->GetConductor() : nullptr;
    ECPerformance* performance = m_pSequence ? m_pSequence->GetPerformance() : nullptr;
    if (!conductor || !performance)
        return;
    int highest = 0;
    {
        std::lock_guard<CCriticalSection> tree(performance->GetLock());
        highest = conductor->GetMaxTrackNumber(TRACK_WAVE);
    }
    auto* state = new SCTrack(STATE_TRACK_RECORDING);
    state->SetTrackType(TT_WAVE);
    for (int number = 1; number <= highest; ++number) {
        if (IsRecordSet(number))
            state->AddOnTrack(number);
        else
            state->AddOffTrack(number);
    }
    state->Apply(performance);
}
