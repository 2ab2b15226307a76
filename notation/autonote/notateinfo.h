// CNotateInfo: the engine's record of what the current command batch needs.
//
// It holds how much of the piece to renotate (the notate range) and to lay out
// again on pages (the pagenate range), the time and measure bounds of that
// work, one time window per staff the batch touched, the staves being
// recorded, and four flags (auto-notating, pagenating, real-time and step
// recording). The preparation steps widen it before a command runs, the
// chunked renotation reads it, and pagination reads it and calls Reset when
// the run is over.
//
// A stored range of 3 (measures inserted or a meter changed) is never
// replaced until Reset: no later preparation of the same batch narrows it.
// Bounds only widen: starts keep the earliest time given, ends the latest; a
// null time (MCTime::TimeNull) means "not set yet".
//
// Staff windows: entries in use come first and a free entry has track -1.
// When every entry is in use the array grows by five and the new window is
// appended without looking for its track, so a staff may then hold two
// windows; the readers take the earliest start and latest end over all.
//
// Owned by the engine; user-interface thread only.
#pragma once

#include "model/time.h"

#include <vector>

// Notate range codes.
enum : unsigned char {
    NOTATE_ALL = 0,
    NOTATE_TRANSPOSE = 1,
    NOTATE_REMOVE_MEASURE = 2,
    NOTATE_INSERT_MEASURE = 3,
    NOTATE_ADD_STAFF = 4,
    NOTATE_STAFF = 5,
    NOTATE_EVENTS = 6,
    NOTATE_NONE = 7,
};

// Pagenate range codes.
enum : unsigned char {
    PAGENATE_ALL = 0,
    PAGENATE_REPAGENATE_ALL = 1,
    PAGENATE_MEASURES = 2,
    PAGENATE_FROM = 3,
    PAGENATE_NONE = 4,
};

class CNotateInfo {
public:
    // One staff window (or record-track entry). Track -1 marks a free entry.
    struct StaffInfo {
        int track = -1;
        MCTime timeStart = MCTime::TimeNull();
        MCTime timeEnd = MCTime::TimeNull();
        MCTime measureStart = MCTime::TimeNull();
        MCTime measureEnd = MCTime::TimeNull();
    };
    using StaffInfoArray = std::vector<StaffInfo>;

    // Notate range 7, pagenate range 4, null times, no windows, flags clear.
    CNotateInfo();
    virtual ~CNotateInfo();

    // Both store the code unless the stored code is 3; the notate range
    // also keeps a walk of every staff over the measures (0 to 2) against a
    // staff window's code or none (4 to 7), whose windows the walk takes in.
    void SetNotateRange(unsigned char code);
    unsigned char GetNotateRange() const { return m_notateRange; }
    void SetPagenateRange(unsigned char code);
    unsigned char GetPagenateRange() const { return m_pagenateRange; }

    // The earliest start and the latest end win.
    void SetTimeStart(const MCTime& time);
    void SetTimeEnd(const MCTime& time);
    void SetMeasureStart(const MCTime& time);
    void SetMeasureEnd(const MCTime& time);
    void SetPagenateStart(const MCTime& time);
    void SetPagenateEnd(const MCTime& time);

    // With notate range 6 (GetTimeStart also with 4) the value is first
    // recomputed from the staff windows and stored; then the stored value.
    const MCTime& GetTimeStart();
    const MCTime& GetTimeEnd();
    const MCTime& GetMeasureStart();
    const MCTime& GetMeasureEnd();
    const MCTime& GetPagenateStart() const { return m_pagenateStart; }
    const MCTime& GetPagenateEnd() const { return m_pagenateEnd; }

    // Adds or widens the staff window of the track.
    void AddTrack(int track, const MCTime& timeStart, const MCTime& timeEnd, const MCTime& measureStart,
                  const MCTime& measureEnd);
    // Adds or widens the record-track entry of the track: from the time to
    // MCTime::TimeMax.
    void AddRecordTrack(int track, const MCTime& time);

    const StaffInfoArray& GetStaffWindows() const { return m_staffWindows; }
    int GetStaffWindowCount() const { return m_staffWindowCount; }
    StaffInfoArray& GetRecordTracks() { return m_recordTracks; }
    int GetRecordTrackCount() const { return m_recordTrackCount; }

    // Ranges 7 and 4, six null times, no staff windows, the auto-notating
    // and pagenating flags clear. Recording flags and tracks stay.
    void Reset();
    // Empties the record tracks and clears both recording flags.
    void ResetRecordInfo();

    // Each setter takes bit 0 of its argument.
    void SetAutoNotating(int on) { SetFlag(FLAG_AUTONOTATING, on); }
    int IsAutoNotating() const { return (m_flags & FLAG_AUTONOTATING) != 0; }
    void SetPagenating(int on) { SetFlag(FLAG_PAGENATING, on); }
    int IsPagenating() const { return (m_flags & FLAG_PAGENATING) != 0; }
    void SetRealTimeRecording(int on) { SetFlag(FLAG_REALTIME, on); }
    // Step recording wins: 1 only with bit 2 set and bit 3 clear.
    int IsRealTimeRecording() const { return (m_flags & (FLAG_REALTIME | FLAG_STEP)) == FLAG_REALTIME; }
    void SetStepRecording(int on) { SetFlag(FLAG_STEP, on); }
    int IsStepRecording() const { return (m_flags & FLAG_STEP) != 0; }
    int IsRecording() const { return (m_flags & (FLAG_REALTIME | FLAG_STEP)) != 0; }

private:
    enum : unsigned char {
        FLAG_AUTONOTATING = 0x01,
        FLAG_PAGENATING = 0x02,
        FLAG_REALTIME = 0x04,
        FLAG_STEP = 0x08,
    };
    // How many entries the arrays grow by when every entry is in use.
    static constexpr int GROW_BY = 5;

    void SetFlag(unsigned char bit, int on) { m_flags = (on & 1) ? (m_flags | bit) : (m_flags & ~bit); }
    static void AddWindow(StaffInfoArray& windows, int& count, int track, const MCTime& timeStart,
                          const MCTime& timeEnd, const MCTime& measureStart, const MCTime& measureEnd);
    // The earliest start (or latest end) over the windows in use, stored in
    // `into`; TimeMax for a start and the null time for an end when none is.
    const MCTime& RecomputeStart(MCTime& into, MCTime StaffInfo::*field);
    const MCTime& RecomputeEnd(MCTime& into, MCTime StaffInfo::*field);

    StaffInfoArray m_staffWindows;
    int m_staffWindowCount = 0;
    MCTime m_timeStart;
    MCTime m_timeEnd;
    MCTime m_measureStart;
    MCTime m_measureEnd;
    MCTime m_pagenateStart;
    MCTime m_pagenateEnd;
    StaffInfoArray m_recordTracks;
    int m_recordTrackCount = 0;
    unsigned char m_notateRange = NOTATE_NONE;
    unsigned char m_pagenateRange = PAGENATE_NONE;
    unsigned char m_flags = 0;
};
