// CNoteCursor (see notecursor.h).
#include "notation/tools/notecursor.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/midifields.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/layout/staffcolor.h"
#include "notation/tools/toolcursors.h"
#include "notation/view/cantrel.h"
#include "platform/devices/portavel.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/paint.h"
#include "platform/core/resources.h"
#include "platform/ui/prompt.h"
#include "sequencer/midifilters.h"
#include "sequencer/performers.h"
#include "sequencer/staffperformer.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>

STRING_TABLE({CNoteCursor::IDS_TUPLET_TOO_LONG, "The tuplet spans more beats than are in the measure"},
             {CNoteCursor::IDS_TUPLET_COMPOUND, "Only duplets are allowed in Perfect Compound meters"},
             {CNoteCursor::IDS_TUPLET_SIMPLE, "Duplets are not allowed in non-Perfect Compound meters"});

namespace {

constexpr int kSnapOn = 1;
constexpr int kDisplayTicksPerQuarter = 256;
// The shortest resolution the engine is asked for.
constexpr int kFinestResolution = 8;
constexpr int kNoVoice = 15;
// The voice map knows voices 0-7; the voices above 6 share the last.
constexpr int kLastMappedVoice = 7;
constexpr int kLowestPitch = 0;
constexpr int kHighestPitch = 127;
constexpr int kHighestChannel = 15;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kDefaultVelocity = 64;
// A sounded pitch lasts a quarter note's time.
constexpr float kSoundedLength = 0.25f;
constexpr unsigned char kPerfectCompound = 3;

// How far each accidental code moves the sounded pitch.
int AccidentalShift(uint8_t code) {
    switch (code) {
    case 0: return 1;
    case 1: return -1;
    case 2: return 2;
    case 3: return -2;
    default: return 0;
    }
}

bool IsPowerOfTwo(int value) {
    return value > 0 && std::has_single_bit(static_cast<unsigned>(value));
}

DCsqMidi* PerformerOf(ECBase* element) {
    return element ? dynamic_cast<DCsqMidi*>(element->GetData(DK_SEQUENCER, 0)) : nullptr;
}

// The written note of a note or tuplet prototype (a tuplet's first note).
ECNote* NoteOf(ECBase* element) {
    if (!element)
        return nullptr;
    if (element->GetClassType() == ET_NOTE)
        return static_cast<ECNote*>(element);
    if (element->GetClassType() == ET_TUPLET)
        return static_cast<ECNote*>(element->GetDescendant(ET_NOTE, -1));
    return nullptr;
}

}  // namespace

CNoteCursor::CNoteCursor(CCantrel* view, const std::vector<int>* parentTypes) : CInsertCursor(view, parentTypes) {
    m_bSnap = kSnapOn;
    m_hCursor = LoadResourceCursor(IDC_NOTE_TOOL);
}

CNoteCursor::~CNoteCursor() {
    if (m_pRulerMeasure && m_pView->GetSafeHwnd()) {
        CClientDC dc(m_pView);
        m_pView->OnPrepareDC(&dc);
        ShowRuler(&dc, m_pRulerMeasure, 0);
    }
}

int CNoteCursor::CanInsert(int eventType) {
    return eventType == ET_NOTE && m_pParent != nullptr;
}

void CNoteCursor::SetTuplet(uint8_t count, uint8_t span, const MCTime& noteDuration) {
    m_nTupletCount = count;
    m_nTupletSpan = span;
    m_tupletDuration = noteDuration;
}

// ---- showing ------------------------------------------------------------------------------------

void CNoteCursor::Hide() {
    // A hidden tool leaves no ledger lines behind on the score.
    if (m_bVisible && m_pView->GetSafeHwnd()) {
        CClientDC dc(m_pView);
        m_pView->OnPrepareDC(&dc);
        EraseLedgerLines(&dc);
        m_drawnLedgerRect.SetRectEmpty();
    }
    CInsertCursor::Hide();
    m_pView->SetMouseDrag(0);
}

void CNoteCursor::Reset() {
    CInsertCursor::Reset();
    m_nLastVoice = 0;
    m_nLastPitch = -1;
    m_ledgerRect.SetRectEmpty();
    m_ledgerLines.clear();
    if (m_pRulerMeasure) {
        if (m_pView->GetSafeHwnd()) {
            CClientDC dc(m_pView);
            m_pView->OnPrepareDC(&dc);
            ShowRuler(&dc, m_pRulerMeasure, 0);
        }
        m_pRulerMeasure = nullptr;
    }
}

void CNoteCursor::Draw(CDC* dc) {
    if (!m_bVisible || !dc)
        return;
    CInsertCursor::Draw(dc);
    DrawLedgerLines(dc);
}

void CNoteCursor::EraseLedgerLines(CDC* dc) {
    if (m_drawnLedgerRect.IsRectEmpty())
        return;
    // One device pixel either side: the lines' ink may spill that far.
    CSize pixel(1, 1);
    dc->DPtoLP(&pixel);
    CPoint corners[2] = {CPoint(m_drawnLedgerRect.left, m_drawnLedgerRect.bottom),
                         CPoint(m_drawnLedgerRect.right, m_drawnLedgerRect.top)};
    m_pView->VPtoLP(corners, 2);
    const int px = std::abs(pixel.cx), py = std::abs(pixel.cy);
    CPoint from(std::min(corners[0].x, corners[1].x) - px, std::max(corners[0].y, corners[1].y) + 2 * py);
    CPoint to(std::max(corners[0].x, corners[1].x) + px, std::min(corners[0].y, corners[1].y) - 2 * py);
    m_pView->Refresh(dc, from, to);
}

void CNoteCursor::DrawLedgerLines(CDC* dc) {
    if (m_drawnLedgerRect != m_ledgerRect) {
        EraseLedgerLines(dc);
        m_drawnLedgerRect = m_ledgerRect;
    }
    if (m_ledgerLines.empty() || m_ledgerRect.IsRectEmpty())
        return;
    CPen pen(PS_SOLID, 1, StaffColor().Get());
    CPen* previous = dc->SelectObject(&pen);
    for (const MCLine& line : m_ledgerLines) {
        CPoint ends[2] = {CPoint(m_ledgerRect.left, line.Top().y), CPoint(m_ledgerRect.right, line.Top().y)};
        m_pView->VPtoLP(ends, 2);
        dc->MoveTo(ends[0]);
        dc->LineTo(ends[1]);
    }
    dc->SelectObject(previous);
}

// ---- following the pointer ------------------------------------------------------------------

void CNoteCursor::Update(CPoint& point, int show) {
    Follow(point, show);
    SoundAndReport();
}

void CNoteCursor::SoundAndReport() {
    if (m_bPlayNotes)
        SendMidi();
    char pitch[16];
    std::snprintf(pitch, sizeof pitch, " (%d)", m_nPitch);
    std::string text = FormatTime(m_time) + pitch;
    NotifyStatus(text);
}

void CNoteCursor::UpdatePosition(CDC* dc, CPoint& point) {
    if (!PlaceLine(GetConductorMeasure(point), point))
        return;
    ECMeasure* measure = GetMeasure(point);
    if (!PlaceVoiceAndPitch(measure, point)) {
        m_pStaff = nullptr;
        return;
    }
    auto* display = static_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
    std::vector<MCLine> lines;
    display->GetLedgerLines(lines, static_cast<BYTE>(m_nPitch), m_nVoice, m_time);
    // The lines' box (y up), their stroke included, at the insert line.
    CRect box;
    if (!lines.empty()) {
        int top = lines.front().Top().y, bottom = top, right = 0;
        int stroke = 1;
        for (const MCLine& line : lines) {
            top = std::max<int>(top, line.Top().y);
            bottom = std::min<int>(bottom, line.Top().y);
            right = std::max<int>(right, line.Bottom().x);
            stroke = std::max<int>(stroke, line.Bottom().y);
        }
        const int left = lines.front().Top().x;
        box = CRect(left, bottom - stroke, right, top + stroke);
        box.OffsetRect(m_insertLine.Top().x - (right - left) / 2, 0);
    }
    m_ledgerLines = std::move(lines);
    if (box != m_ledgerRect) {
        m_ledgerRect = box;
        m_bChanged = 1;
    }
    m_pStaff = static_cast<ECStaff*>(measure->GetAncestor(ET_STAFF, -1));
    UpdateRuler(dc, point);
}

void CNoteCursor::UpdateRuler(CDC* dc, CPoint& point) {
    if (m_nTupletCount == 0)
        return;
    ECConductorMeasure* column = GetConductorMeasure(point);
    if (column == m_pRulerMeasure || !column)
        return;
    if (m_pRulerMeasure)
        ShowRuler(dc, m_pRulerMeasure, 0);
    m_pRulerMeasure = column;
    ShowRuler(dc, column, 1);
}

void CNoteCursor::ShowRuler(CDC* dc, ECConductorMeasure* column, int on) {
    auto* display = column ? dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display)
        return;
    display->SetRulerBorrowed(on, m_tupletDuration, m_nTupletCount);
    if (!m_pView->GetSafeHwnd())
        return;
    // The column is drawn again with or without the tuplet's divisions.
    CRect frame;
    display->GetVirtualFrame(&frame, 0);
    m_pView->VPtoDP(dc, &frame);
    frame.NormalizeRect();
    m_pView->SetNeedsDraw(TRUE);
    m_pView->InvalidateRect(&frame, FALSE);
}

// ---- sounding -----------------------------------------------------------------------------------

void CNoteCursor::SendMidi() {
    if (!m_pStaff || (m_nVoice == m_nLastVoice && m_nPitch == m_nLastPitch))
        return;
    m_nLastVoice = m_nVoice;
    m_nLastPitch = m_nPitch;
    FCMidi on;
    CPortavel* devices = CPortavel::GetPortavel();
    if (!devices || !GetMidiData(nullptr, on))
        return;
    on.SetDataByte1(static_cast<unsigned char>(
        std::clamp(on.GetDataByte1() + AccidentalShift(m_nAccidental), kLowestPitch, kHighestPitch)));
    FCMidi off = on;
    off.SetDataByte2(0);
    devices->SendMidiNote(static_cast<int>(m_nDevice), on.GetValue().dwData, off.GetValue().dwData,
                          static_cast<DWORD>(MCTime(kSoundedLength).GetMSec()), 0);
}

int CNoteCursor::GetMidiData(ECBase* element, FCMidi& midi) {
    if (!m_pStaff)
        return 0;
    auto* staffPerformer = dynamic_cast<DCsqStaff*>(m_pStaff->GetData(DK_SEQUENCER, 0));
    LCMidiVoiceMap* voices = staffPerformer ? staffPerformer->GetVoiceMapFilter() : nullptr;
    if (!voices)
        return 0;
    DCsqMidi* performer = PerformerOf(element);
    const int velocity = performer ? performer->GetMidiData().GetDataByte2() : kDefaultVelocity;
    int voice = m_nVoice;
    if (voice == kNoVoice && element) {
        const MCVoiceTrack* word = element->GetVoiceTrack();
        voice = word ? word->GetVoice() : kNoVoice;
    }
    voice = std::clamp(voice, 0, kLastMappedVoice);
    m_nDevice = static_cast<unsigned>(voices->GetVoiceDevice(voice));
    m_nChannel = std::clamp(voices->GetVoiceChannel(voice), 0, kHighestChannel);
    int pitch = m_nPitch;
    if (pitch == -1) {
        DCsqMidi* played = element && element->GetClassType() == ET_TUPLET ? PerformerOf(NoteOf(element)) : performer;
        pitch = played ? played->GetMidiData().GetDataByte1() : -1;
    }
    if (pitch < kLowestPitch || pitch > kHighestPitch)
        return 0;
    midi.SetStatusByte(static_cast<unsigned char>(kNoteOn | m_nChannel));
    midi.SetDataByte1(static_cast<unsigned char>(pitch));
    midi.SetDataByte2(static_cast<unsigned char>(velocity));
    return 1;
}

// ---- the mouse --------------------------------------------------------------------------------

void CNoteCursor::OnMouseDragBegin(UINT /*flags*/, CPoint& point) {
    if (!m_pParent)
        return;
    m_bPlayNotes = LoadIntPreference("Settings", "PlayNotes", 1);
    Update(point, 1);
    m_pView->SetMouseDrag(1);
}

void CNoteCursor::OnMouseDragContinue(UINT /*flags*/, CPoint& point) {
    Update(point, 1);
}

void CNoteCursor::OnMouseDragEnd(UINT /*flags*/, CPoint& /*point*/) {
    if (m_pParent)
        InsertPrototype(GetEvent(1));
    m_bPlayNotes = 0;
    Hide();
    Reset();
    Show();
}

// ---- the prototype ----------------------------------------------------------------------------

int CNoteCursor::ResolutionFor(int ticks) {
    int t = ticks & 0xFFFF;
    if (t > 0 && !IsPowerOfTwo(t)) {
        const int p = static_cast<int>(std::bit_floor(static_cast<unsigned>(t)));
        if (t == p + p / 2)
            t = std::max(p / 2, kFinestResolution);
    }
    switch (t) {
    case 8:
    case 16:
    case 32:
    case 64:
        return t;
    default:
        return 0;
    }
}

ECBase* CNoteCursor::GetEvent(int setDuration) {
    ECBase* prototype = SCMode::GetEvent();
    ECNote* note = NoteOf(prototype);
    if (!note || !note->GetDuration())
        return prototype;
    MCTime duration = *note->GetDuration();
    // A tuplet's note lasts its share of the group.
    if (prototype->GetClassType() == ET_TUPLET) {
        auto* tuplet = static_cast<ECTuplet*>(prototype);
        if (tuplet->GetIrregular() != 0)
            duration = (static_cast<float>(tuplet->GetNormal()) / tuplet->GetIrregular()) * duration;
    }
    if (setDuration) {
        if (const int resolution = ResolutionFor(duration.GetTicks(kDisplayTicksPerQuarter)))
            m_pView->GetAutoNote().SetResolution(static_cast<uint16_t>(resolution));
        const MCTime performed = CCantrel::DurFunc(&duration, nullptr);
        note->SetDuration(&performed);
    }
    return prototype;
}

// ---- inserting --------------------------------------------------------------------------------

unsigned CNoteCursor::CheckTuplet(ECBase* element) {
    auto* tuplet = static_cast<ECTuplet*>(element);
    ECConductor* conductor = m_pPerformance ? m_pPerformance->GetConductor() : nullptr;
    ECMeter* meter = conductor ? conductor->GetMeterAtTime(m_time) : nullptr;
    if (!meter)
        return 0;
    const int ppq = MCTime::GlobalPPQ;
    const int measureTicks = MCTime(meter->GetMeasureLength()).GetTicks(ppq);
    const int spanTicks = ECTuplet::GetUnitsAsTime(tuplet->GetUnits()).GetTicks(ppq) * tuplet->GetNormal();
    // A tuplet of no length fits nowhere.
    if (spanTicks <= 0)
        return IDS_TUPLET_TOO_LONG;
    unsigned failure = 0;
    const int left = measureTicks % spanTicks;
    ECBase* measure = m_pParent->GetClassType() == ET_MEASURE ? m_pParent : m_pParent->GetAncestor(ET_MEASURE, -1);
    const MCTime* start = measure ? measure->GetTime() : nullptr;
    if (left != 0 && start) {
        MCTime lastFit = *start;
        lastFit.AddTicks(measureTicks - left, ppq);
        if (m_time >= lastFit)
            failure = IDS_TUPLET_TOO_LONG;
    }
    const int count = tuplet->GetIrregular();
    if (spanTicks > measureTicks)
        failure = IDS_TUPLET_TOO_LONG;
    else if (IsPowerOfTwo(count) && meter->GetMeterType() != kPerfectCompound)
        failure = IDS_TUPLET_SIMPLE;
    else if (!IsPowerOfTwo(count) && meter->GetMeterType() == kPerfectCompound)
        failure = IDS_TUPLET_COMPOUND;
    return failure;
}

int CNoteCursor::Insert(ECBase* element, CCAdd* command) {
    if (element && m_pParent && element->GetClassType() == ET_TUPLET) {
        if (const unsigned failure = CheckTuplet(element)) {
            ShowPrompt(failure, MB_OK);
            return 0;
        }
        // The group's notes keep their places in it, from the tool's time.
        const MCTime* own = element->GetTime();
        const MCTime start = own && *own != MCTime::TimeNull() ? *own : MCTime();
        ACFindEvents below;
        below.Apply(element);
        below.GetEvents().RemoveDuplicates();
        for (POSITION pos = below.GetEvents().GetHeadPosition(); pos;) {
            ECBase* member = below.GetEvents().GetNext(pos);
            const MCTime* time = member->GetTime();
            if (member == element || !time)
                continue;
            MCTime moved = m_time;
            moved += *time - start;
            member->SetTime(&moved);
        }
    }
    return CInsertCursor::Insert(element, command);
}
