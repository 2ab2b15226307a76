// CInsertCursor (see insertcursor.h).
#include "notation/tools/insertcursor.h"

#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/midifields.h"
#include "model/performance.h"
#include "model/voicetrackactions.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/tools/toolcursors.h"
#include "notation/view/cantrel.h"
#include "notation/view/selectionoffset.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/document.h"
#include "platform/ui/paint.h"

#include <algorithm>
#include <memory>

namespace {

// The insert line stands at the measure's own divisions, not a tuplet's.
constexpr WORD kDisplayPulse = DCctConductorMeasure::NO_BORROWED_PULSE;
constexpr int kNoVoice = 15;
constexpr int kLowestPitch = 0;
constexpr int kHighestPitch = 127;
// ECConductor::GetMeasure: the measure made when the time lies past the
// last one, and one measure looked for.
constexpr int kCreateMeasure = 1;
constexpr int kOneMeasure = 1;

}  // namespace

CInsertCursor::CInsertCursor(CCantrel* view, const std::vector<int>* parentTypes)
    : CMusicCursor(view, parentTypes) {
    m_hCursor = LoadResourceCursor(IDC_INSERT_TOOL);
}

CInsertCursor::~CInsertCursor() = default;

int CInsertCursor::CanInsert(int eventType) {
    return ParentMayHold(eventType);
}

void CInsertCursor::Show() {
    if (m_bVisible)
        return;
    m_bVisible = 1;
    DrawOnView();
}

void CInsertCursor::Hide() {
    if (!m_bVisible)
        return;
    m_bVisible = 0;
    EraseLine(m_drawnLine);
}

void CInsertCursor::Reset() {
    CMusicCursor::Reset();
    m_insertLine.Reset();
    m_drawnLine.Reset();
}

void CInsertCursor::Draw(CDC* dc) {
    if (!m_bVisible || !dc)
        return;
    MCLine line = ToLogical(m_insertLine);
    if (line != ToLogical(m_drawnLine)) {
        EraseLine(m_drawnLine, dc);
        m_drawnLine = m_insertLine;
    }
    if (m_insertLine.IsEmpty())
        return;
    CPen pen(PS_DOT, 1, SCSelection::GetColor());
    CPen* previous = dc->SelectObject(&pen);
    dc->MoveTo(line.Top());
    dc->LineTo(line.Bottom());
    dc->SelectObject(previous);
}

void CInsertCursor::Update(CPoint& point, int show) {
    Follow(point, show);
    std::string text = FormatTime(m_time);
    NotifyStatus(text);
}

void CInsertCursor::Follow(CPoint& point, int show) {
    CMusicCursor::Update(point, show);
    CClientDC dc(m_pView);
    m_pView->OnPrepareDC(&dc);
    CPoint viewPoint = point;
    m_pView->DPtoVP(&dc, &viewPoint);
    UpdateParents(&dc, viewPoint);
    UpdateTime(&dc, viewPoint);
    UpdatePosition(&dc, viewPoint);
    ShowChanges(&dc, show);
}

void CInsertCursor::ShowChanges(CDC* dc, int show) {
    if (show && m_bChanged) {
        if (m_pParent) {
            Draw(dc);
        } else {
            Hide();
            Reset();
            Show();
        }
    }
    m_bChanged = 0;
}

void CInsertCursor::UpdatePosition(CDC* /*dc*/, CPoint& point) {
    ECConductorMeasure* column = GetConductorMeasure(point);
    if (!PlaceLine(column, point)) {
        Hide();
        Reset();
        Show();
        return;
    }
    PlaceVoiceAndPitch(GetMeasure(point), point);
}

int CInsertCursor::PlaceLine(ECConductorMeasure* column, CPoint& point) {
    auto* ruler = column ? dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 0)) : nullptr;
    if (!ruler)
        return 0;
    MCLine line;
    ruler->CalcCursorPosition(point, &line.Top(), &line.Bottom(), m_bSnap, kDisplayPulse);
    m_position = point;
    if (line != m_insertLine) {
        m_insertLine = line;
        m_bChanged = 1;
    }
    return 1;
}

int CInsertCursor::PlaceVoiceAndPitch(ECMeasure* measure, CPoint& point) {
    auto* staffMeasure = measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!staffMeasure)
        return 0;
    // The measure may answer another voice for the place hit (a drum's).
    UINT voice = static_cast<UINT>(m_pView->GetVoice());
    const BYTE pitch = staffMeasure->GetMidiPitchForYPosition(point, voice);
    m_pView->GetAutoNote().SetVoiceHint(voice);
    m_nVoice = static_cast<int>(voice);
    m_nPitch = pitch;
    return 1;
}

int CInsertCursor::Update(CPoint& point, CSelectionOffset& offset) {
    Update(point, 0);
    if (!m_pParent)
        return 0;
    m_time += offset.m_time;
    m_nPitch = offset.m_nPitch == CSelectionOffset::NONE
                   ? -1
                   : std::clamp(m_nPitch + offset.m_nPitch, kLowestPitch, kHighestPitch);
    m_nVoice = offset.m_nVoice == CSelectionOffset::NONE ? kNoVoice : m_nVoice + offset.m_nVoice;
    switch (m_pParent->GetClassType()) {
    case ET_CONDUCTORSTAFF:
    case ET_STAFF:
        break;
    case ET_MEASURE: {
        // A time past the measure lands in its staff's measure there.
        ECConductor* conductor = m_pPerformance ? m_pPerformance->GetConductor() : nullptr;
        m_pParent = conductor ? conductor->GetMeasure(TrackOf(m_pParent), m_time, kCreateMeasure, kOneMeasure)
                              : nullptr;
        break;
    }
    default:
        return 0;
    }
    return m_pParent != nullptr;
}

int CInsertCursor::GetMidiData(ECBase* /*element*/, FCMidi& /*midi*/) {
    return 0;
}

int CInsertCursor::Insert(ECBase* element, CCAdd* command) {
    if (!element || !m_pParent || !m_pPerformance)
        return 0;
    if (element->GetTime())
        element->SetTime(&m_time);
    ACSetVoiceTrack place(TrackOf(m_pParent), m_nVoice);
    place.Apply(element);
    FCMidi midi;
    if (!GetMidiData(element, midi))
        midi = FCMidi::MidiNull();
    // The add command refuses a parent the element may not stand under:
    // then nothing is applied and the document is left as it was.
    return AddUnder(element, m_pParent, midi, command);
}

int CInsertCursor::InsertPrototype(ECBase* prototype) {
    if (!prototype)
        return 0;
    if (Insert(prototype, nullptr))
        return 1;
    prototype->Unref(1);
    return 0;
}

void CInsertCursor::OnMouseDragBegin(UINT flags, CPoint& point) {
    if (!m_pParent) {
        CMusicCursor::OnMouseDragBegin(flags, point);
        return;
    }
    InsertPrototype(SCMode::GetEvent());
}
