#include "notation/autonote/notateinfo.h"

namespace {

bool IsNull(const MCTime& time) {
    return time == MCTime::TimeNull();
}

void KeepEarlier(MCTime& stored, const MCTime& time) {
    if (IsNull(stored) || stored > time)
        stored = time;
}

void KeepLater(MCTime& stored, const MCTime& time) {
    if (IsNull(stored) || stored < time)
        stored = time;
}

}  // namespace

CNotateInfo::CNotateInfo() {
    Reset();
}

CNotateInfo::~CNotateInfo() = default;

// A range of 3 says measures were inserted or a meter changed: the whole
// system is renotated from there, so nothing later in the batch may narrow it.
void CNotateInfo::SetNotateRange(unsigned char code) {
    if (m_notateRange == NOTATE_INSERT_MEASURE)
        return;
    // A walk of every staff over the measures holds what a staff window
    // asks for (the walk takes the windows in): a window asked for later in
    // the batch, by a note or key edited beside the measures, must not
    // narrow it to the window.
    if (m_notateRange <= NOTATE_REMOVE_MEASURE && code >= NOTATE_ADD_STAFF)
        return;
    m_notateRange = code;
}

void CNotateInfo::SetPagenateRange(unsigned char code) {
    if (m_pagenateRange != PAGENATE_FROM)
        m_pagenateRange = code;
}

void CNotateInfo::SetTimeStart(const MCTime& time) {
    KeepEarlier(m_timeStart, time);
}

void CNotateInfo::SetTimeEnd(const MCTime& time) {
    KeepLater(m_timeEnd, time);
}

void CNotateInfo::SetMeasureStart(const MCTime& time) {
    KeepEarlier(m_measureStart, time);
}

void CNotateInfo::SetMeasureEnd(const MCTime& time) {
    KeepLater(m_measureEnd, time);
}

void CNotateInfo::SetPagenateStart(const MCTime& time) {
    KeepEarlier(m_pagenateStart, time);
}

void CNotateInfo::SetPagenateEnd(const MCTime& time) {
    KeepLater(m_pagenateEnd, time);
}

const MCTime& CNotateInfo::GetTimeStart() {
    if (m_notateRange == NOTATE_EVENTS || m_notateRange == NOTATE_ADD_STAFF)
        return RecomputeStart(m_timeStart, &StaffInfo::timeStart);
    return m_timeStart;
}

const MCTime& CNotateInfo::GetTimeEnd() {
    if (m_notateRange == NOTATE_EVENTS)
        return RecomputeEnd(m_timeEnd, &StaffInfo::timeEnd);
    return m_timeEnd;
}

const MCTime& CNotateInfo::GetMeasureStart() {
    if (m_notateRange == NOTATE_EVENTS)
        return RecomputeStart(m_measureStart, &StaffInfo::measureStart);
    return m_measureStart;
}

const MCTime& CNotateInfo::GetMeasureEnd() {
    if (m_notateRange == NOTATE_EVENTS)
        return RecomputeEnd(m_measureEnd, &StaffInfo::measureEnd);
    return m_measureEnd;
}

const MCTime& CNotateInfo::RecomputeStart(MCTime& into, MCTime StaffInfo::*field) {
    into = MCTime::TimeMax();
    for (const StaffInfo& window : m_staffWindows) {
        if (window.track == -1)
            break;
        if (window.*field < into)
            into = window.*field;
    }
    return into;
}

const MCTime& CNotateInfo::RecomputeEnd(MCTime& into, MCTime StaffInfo::*field) {
    into = MCTime::TimeNull();
    for (const StaffInfo& window : m_staffWindows) {
        if (window.track == -1)
            break;
        if (window.*field > into)
            into = window.*field;
    }
    return into;
}

void CNotateInfo::AddTrack(int track, const MCTime& timeStart, const MCTime& timeEnd, const MCTime& measureStart,
                           const MCTime& measureEnd) {
    AddWindow(m_staffWindows, m_staffWindowCount, track, timeStart, timeEnd, measureStart, measureEnd);
}

void CNotateInfo::AddRecordTrack(int track, const MCTime& time) {
    AddWindow(m_recordTracks, m_recordTrackCount, track, time, MCTime::TimeMax(), time, MCTime::TimeMax());
}

void CNotateInfo::AddWindow(StaffInfoArray& windows, int& count, int track, const MCTime& timeStart,
                            const MCTime& timeEnd, const MCTime& measureStart, const MCTime& measureEnd) {
    const int size = static_cast<int>(windows.size());
    if (count < size) {
        for (StaffInfo& window : windows) {
            if (window.track != track)
                continue;
            KeepEarlier(window.timeStart, timeStart);
            KeepEarlier(window.measureStart, measureStart);
            KeepLater(window.timeEnd, timeEnd);
            KeepLater(window.measureEnd, measureEnd);
            return;
        }
        for (StaffInfo& window : windows) {
            if (window.track != -1)
                continue;
            window = StaffInfo{track, timeStart, timeEnd, measureStart, measureEnd};
            ++count;
            return;
        }
    }
    // Every entry in use: grow and append without looking for the track, so a
    // staff may now hold two windows (the readers take the widest bounds).
    windows.resize(static_cast<size_t>(count + GROW_BY));
    windows[static_cast<size_t>(count)] = StaffInfo{track, timeStart, timeEnd, measureStart, measureEnd};
    ++count;
}

void CNotateInfo::Reset() {
    m_notateRange = NOTATE_NONE;
    m_pagenateRange = PAGENATE_NONE;
    m_timeStart = MCTime::TimeNull();
    m_timeEnd = MCTime::TimeNull();
    m_measureStart = MCTime::TimeNull();
    m_measureEnd = MCTime::TimeNull();
    m_pagenateStart = MCTime::TimeNull();
    m_pagenateEnd = MCTime::TimeNull();
    m_staffWindows.clear();
    m_staffWindowCount = 0;
    m_flags &= static_cast<unsigned char>(~(FLAG_AUTONOTATING | FLAG_PAGENATING));
}

void CNotateInfo::ResetRecordInfo() {
    m_recordTracks.clear();
    m_recordTrackCount = 0;
    m_flags &= static_cast<unsigned char>(~(FLAG_REALTIME | FLAG_STEP));
}
