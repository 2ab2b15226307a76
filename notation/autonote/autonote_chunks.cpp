// The engine's renotation walks: Process, the chunked walk over the prepared
// range, the system and per-staff walks, and the passes run on one measure.
//
// A walk visits measures in time order and notates each staff measure once;
// the range's end is exclusive, so a window ending on a barline leaves the
// next measure alone. Progress goes to the performance synchronously, so the
// status bar follows the walk; nothing begins or ends a progress while a
// recording runs, where the walk must stay out of the way.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/states.h"
#include "model/staff.h"
#include "model/viewdata.h"
#include "notation/display/measure.h"
#include "platform/core/resources.h"

#include <string>

namespace {

DCctMeasure* MeasureDisplayOf(ECBase* measure) {
    return dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
}

// The staff a window names: only a staff of the piece (the conductor staff's
// own entry 0 and numbers past the last staff name none).
ECStaff* StaffOfWindow(ECConductor* conductor, int track) {
    if (track < 1)
        return nullptr;
    return dynamic_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, track, 0));
}

std::string MeasureText(int counter) {
    return "Measure " + std::to_string(counter);
}

}  // namespace

int CAutoNote::Process(CCBase*) {
    ECConductor* conductor = GetConductor();
    const bool report = !m_notateInfo.IsRecording();
    if (report)
        SendProgress(STATE_PROGRESS_BEGIN, LoadString(IDS_NOTATING_FILE), 0,
                     conductor ? conductor->GetMaxMeasureNumber() : 0);
    ApplyRunSettings();
    SetDirtyRect();
    AttachBaseEvent();
    NotateNextChunk();
    m_multivoice.SetSingleMultivoice(0);
    if (report)
        SendProgress(STATE_PROGRESS_END, "", 0, 0);
    return 0;
}

int CAutoNote::NotateNextChunk() {
    // A state handler reached from inside a run may ask for another one.
    if (m_notateInfo.IsAutoNotating())
        return 4;
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return 1;
    m_notateInfo.SetAutoNotating(1);
    m_walkToPieceEnd = 0;
    switch (m_notateInfo.GetNotateRange()) {
    case NOTATE_ALL:
    case NOTATE_TRANSPOSE:
    case NOTATE_REMOVE_MEASURE:
    case NOTATE_INSERT_MEASURE:
        // The staff windows asked for beside the measures (a note, key or
        // clef edited in the same batch) are walked too.
        for (const CNotateInfo::StaffInfo& window : m_notateInfo.GetStaffWindows()) {
            if (window.track == -1)
                break;
            m_notateInfo.SetMeasureStart(window.measureStart);
            m_notateInfo.SetMeasureEnd(window.measureEnd);
        }
        m_noteValue.SetTimeRange(m_notateInfo.GetMeasureStart(), m_notateInfo.GetMeasureEnd());
        m_spell.SetTimeRange(m_notateInfo.GetMeasureStart(), m_notateInfo.GetMeasureEnd());
        NotateSystemBetween();
        break;
    case NOTATE_ADD_STAFF:
    case NOTATE_STAFF:
    case NOTATE_EVENTS: {
        // Only the windows there are when the run starts: a measure repaired
        // on the way may add one (see AutoNotateMeasure).
        const size_t count = m_notateInfo.GetStaffWindows().size();
        for (size_t index = 0; index < count; ++index) {
            const CNotateInfo::StaffInfo window = m_notateInfo.GetStaffWindows()[index];
            if (window.track == -1)
                break;
            // A staff removed or renumbered in the same batch leaves a window
            // that names no staff any more: nothing to walk.
            ECStaff* staff = StaffOfWindow(conductor, window.track);
            if (!staff)
                continue;
            m_noteValue.SetTimeRange(window.timeStart, window.timeEnd);
            m_spell.SetTimeRange(window.timeStart, window.measureEnd);
            NotateStaffBetween(staff, window.measureStart, window.measureEnd);
        }
        break;
    }
    default:   // NOTATE_NONE
        break;
    }
    m_walkToPieceEnd = 0;
    m_notateInfo.SetAutoNotating(0);
    return 1;
}

int CAutoNote::NotateSystemBetween() {
    ECConductor* conductor = GetConductor();
    ECBase* conductorStaff = conductor ? conductor->GetTrack(TRACK_CONDUCTOR, 0, 0) : nullptr;
    MCEventList* columns = conductorStaff ? conductorStaff->GetChildren() : nullptr;
    if (!columns)
        return 2;
    const MCTime start = m_notateInfo.GetMeasureStart();

    POSITION pos = columns->GetHeadPosition();
    while (pos) {
        const POSITION here = pos;
        ECBase* event = columns->GetNext(pos);
        const MCTime* time = event->GetTime();
        if (time && *time >= start && event->GetClassType() == ET_CONDUCTORMEASURE) {
            pos = here;
            break;
        }
    }
    if (!pos)
        return 2;

    int counter = 0;
    while (pos && counter < m_chunkSize) {
        ++counter;
        ECBase* measure = GetNextMeasure(*columns, pos);
        if (!measure)
            return 3;
        const MCTime* time = measure->GetTime();
        if (!time || *time < start)
            continue;
        // Read each time: a measure repaired on the way moves the end to the
        // piece's end.
        if (*time >= m_notateInfo.GetMeasureEnd())
            break;
        if (auto* column = dynamic_cast<ECConductorMeasure*>(measure)) {
            // Slot 0 is the column itself, on the conductor staff; slot n is
            // staff n's measure. The column is copied: notating a measure may
            // repair the display data of its column but never changes it.
            const std::vector<ECMeasure*> slots = column->GetMeasures();
            for (size_t slot = 0; slot < slots.size() && slots[slot]; ++slot) {
                const int track = static_cast<int>(slot);
                ECBase* staff = conductor->GetTrack(track == 0 ? TRACK_CONDUCTOR : TRACK_STAFF, track, 0);
                AutoNotateMeasure(conductor, staff, slots[slot]);
            }
        }
        if (!m_notateInfo.IsRecording())
            SendProgressText(MeasureText(counter));
    }
    return 1;
}

int CAutoNote::NotateStaffBetween(ECStaff* staff, const MCTime& start, const MCTime& end) {
    ECConductor* conductor = GetConductor();
    MCEventList* measures = staff ? staff->GetChildren() : nullptr;
    const bool report = !m_notateInfo.IsRecording();
    if (report)
        SendProgress(STATE_PROGRESS_BEGIN, LoadString(IDS_NOTATING_FILE), 0,
                     measures ? measures->GetCount() : 0);
    int result = 1;
    POSITION pos = measures ? measures->GetHeadPosition() : nullptr;
    int counter = 0;
    while (pos && counter < m_chunkSize) {
        ++counter;
        ECBase* measure = GetNextMeasure(*measures, pos);
        if (!measure) {
            result = 3;
            break;
        }
        const MCTime* time = measure->GetTime();
        if (!time || *time < start)
            continue;
        if (*time >= end && !m_walkToPieceEnd)
            break;
        AutoNotateMeasure(conductor, staff, measure);
        // A step without text for each measure; while recording nothing
        // reports progress (the status bar shows the transport then).
        if (report)
            SendProgressText("");
    }
    // A begun progress is always ended, also when the list ends early:
    // otherwise the status bar would stay in its progress mode.
    if (report)
        SendProgress(STATE_PROGRESS_END, "", 0, 0);
    return result;
}

ECBase* CAutoNote::GetNextMeasure(const MCEventList& list, POSITION& pos) {
    while (pos) {
        ECBase* event = list.GetNext(pos);
        const int type = event ? event->GetClassType() : -1;
        if (type == ET_CONDUCTORMEASURE || type == ET_MEASURE)
            return event;
    }
    return nullptr;
}

void CAutoNote::AutoNotateMeasure(ECConductor* conductor, ECBase* staff, ECBase* measure) {
    if (!conductor || !measure || !measure->GetTime())
        return;
    const MCTime time = *measure->GetTime();
    ECMeter* meter = conductor->GetMeterAtTime(time);

    switch (measure->GetClassType()) {
    case ET_MEASURE: {
        DCctMeasure* display = MeasureDisplayOf(measure);
        if (!display) {
            // A measure made without display data (measures appended while
            // recording are): its column gets it now, and the run and the
            // layout reach to the end of the piece, where more such columns
            // may follow.
            CreateDataForNewMeasureBlock(conductor,
                                         dynamic_cast<ECConductorMeasure*>(conductor->GetMeasure(0, time, 0, 1)));
            const MCTime pieceEnd = conductor->GetMaxMeasureEndTime();
            m_notateInfo.SetMeasureEnd(pieceEnd);
            m_notateInfo.SetTimeEnd(pieceEnd);
            // A copy: a full window array grows to take a widened window.
            const CNotateInfo::StaffInfoArray windows = m_notateInfo.GetStaffWindows();
            for (const CNotateInfo::StaffInfo& window : windows)
                if (window.track != -1)
                    m_notateInfo.AddTrack(window.track, window.timeStart, pieceEnd, window.measureStart,
                                          pieceEnd);
            // The staff walks of this run go on to the end as well.
            m_walkToPieceEnd = 1;
            m_notateInfo.SetPagenateRange(PAGENATE_FROM);
            display = MeasureDisplayOf(measure);
            if (!display)
                return;
        }
        MCRuler& ruler = display->GetRuler();
        ruler.CreateDivMarks(meter, m_resolution);
        if (m_notateInfo.GetNotateRange() == NOTATE_ALL)
            UpdateResolution(measure, meter, ruler);
        auto* onStaff = dynamic_cast<ECStaff*>(staff);
        auto* staffMeasure = static_cast<ECMeasure*>(measure);
        if (m_notateInfo.IsRealTimeRecording()) {
            // While recording only what the player needs to read along runs:
            // note moving, time correction without the tuplet search, and
            // spelling.
            m_timeCorrect.SetLookForBorrowed(0, m_tupletSearch.division, m_tupletUnit);
            m_moveNote.DoMeasure(conductor, onStaff, staffMeasure, meter);
            m_timeCorrect.DoMeasure(onStaff, staffMeasure, meter);
            m_spell.DoMeasure(onStaff, staffMeasure);
            SetLookForTuplet(m_lookForTuplet);
            break;
        }
        m_moveNote.DoMeasure(conductor, onStaff, staffMeasure, meter);
        m_timeCorrect.DoMeasure(onStaff, staffMeasure, meter);
        m_multivoice.DoMeasure(conductor, onStaff, staffMeasure, meter);
        m_noteValue.DoMeasure(conductor, onStaff, staffMeasure, meter);
        m_chord.DoMeasure(onStaff, staffMeasure);
        m_spell.DoMeasure(onStaff, staffMeasure);
        m_rest.DoMeasure(onStaff, staffMeasure, meter);
        m_stem.DoMeasure(onStaff, staffMeasure);
        m_beam.DoMeasure(onStaff, staffMeasure, meter);
        break;
    }
    case ET_CONDUCTORMEASURE:
        if (!measure->GetData(DK_NOTATION, 0))
            CreateDataForNewMeasureBlock(conductor, static_cast<ECConductorMeasure*>(measure));
        break;
    default:
        break;
    }
}
