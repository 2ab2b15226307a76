// CLyricCursor (see lyriccursor.h).
#include "notation/tools/lyriccursor.h"

#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/states.h"
#include "model/textmarks.h"
#include "notation/display/base.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/textfonts.h"
#include "notation/tools/lyricedit.h"
#include "notation/view/cantrel.h"
#include "platform/ui/cursor.h"
#include "platform/ui/document.h"
#include "platform/ui/edit.h"
#include "platform/ui/paint.h"

#include <cmath>
#include <mutex>

namespace {

// The text the box's size is measured by.
constexpr char kSizeText[] = "Lyric";
// The box's margin around the text, and the room to type past the note, pixels.
constexpr int kBoxMargin = 3;
constexpr int kTypingRoom = 50;
// An edit item whose kind names no particular change.
constexpr int kEditAnything = -1;
// The lyric tool looks for measures only.
constexpr int kSnapOn = 1;
}  // namespace

CLyricCursor::CLyricCursor(CCantrel* view, const std::vector<int>* parentTypes)
    : CInsertCursor(view, parentTypes) {
    // The syllable goes under the measure, whatever the lyric's own parent
    // types say: the notes are found in it by time.
    m_eventTypes.assign(1, ET_MEASURE);
    m_bSnap = kSnapOn;
    m_hCursor = LoadStandardCursor(IDC_IBEAM);
}

CLyricCursor::~CLyricCursor() {
    FinishEditing();
}

int CLyricCursor::CanInsert(int eventType) {
    if (eventType == -2)
        return m_pParent != nullptr;
    return eventType == ET_LYRIC && m_pParent ? 1 : 0;
}

void CLyricCursor::Hide() {
    if (!m_bEnding)
        EndEditing(END_STORE);
    CInsertCursor::Hide();
}

void CLyricCursor::Reset() {
    CInsertCursor::Reset();
    m_pTarget = nullptr;
    m_pListed = nullptr;
    m_hoverList.RemoveAll();
}

// ---- following the pointer ------------------------------------------------------------------

void CLyricCursor::UpdateParents(CDC* dc, CPoint& point) {
    CMusicCursor::UpdateParents(dc, point);
    if (m_pParent == m_pListed)
        return;
    FindEvents(m_pParent, m_hoverList);
    m_pListed = m_pParent;
}

void CLyricCursor::UpdateTime(CDC* /*dc*/, CPoint& point) {
    ECBase* const before = m_pTarget;
    m_pTarget = nullptr;
    ECConductorMeasure* column = GetConductorMeasure(point);
    auto* ruler = column ? dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 0)) : nullptr;
    if (!m_pParent || !ruler) {
        m_bChanged |= before != nullptr;
        return;
    }
    const MCTime pointed = ruler->GetTimeForXPosition(point.x, m_bSnap);
    // The nearest stop in time; the list is in time order, so the distance
    // falls to the nearest and rises after it. Ties go to the earlier stop.
    float best = 0.0f;
    for (POSITION pos = m_hoverList.GetHeadPosition(); pos;) {
        ECBase* stop = m_hoverList.GetNext(pos);
        const float distance = std::fabs((*stop->GetTime() - pointed).GetSeconds());
        if (m_pTarget && distance >= best)
            break;
        m_pTarget = stop;
        best = distance;
    }
    const MCTime time = m_pTarget ? *m_pTarget->GetTime() : pointed;
    if (time != m_time || m_pTarget != before) {
        m_time = time;
        m_bChanged = 1;
    }
}

void CLyricCursor::UpdatePosition(CDC* /*dc*/, CPoint& point) {
    ECConductorMeasure* column = GetConductorMeasure(point);
    auto* ruler = column ? dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 0)) : nullptr;
    if (!m_pParent || !ruler || !column->GetTime())
        return;
    MCLine line;
    // Without a stop (a measure holding nothing) there is nowhere to type:
    // no line shows.
    if (m_pTarget) {
        const int tick = (*m_pTarget->GetTime() - *column->GetTime()).GetTicks(DCctBase::TICKS_PER_QUARTER);
        ruler->CalcCursorPosition(static_cast<WORD>(tick), &line.Top(), &line.Bottom(), m_bSnap,
                                  DCctConductorMeasure::NO_BORROWED_PULSE);
        m_position = line.Top();
    }
    if (line != m_insertLine) {
        m_insertLine = line;
        m_bChanged = 1;
    }
    m_nLyricLine = 0;
    m_nLyricY = ruler->GetLyricPosition(m_nLyricLine, TrackOf(m_pParent));
}

// ---- inserting --------------------------------------------------------------------------------

int CLyricCursor::Insert(ECBase* event, CCAdd* command) {
    if (!CInsertCursor::Insert(event, command))
        return 0;
    FindEvents(m_pParent, m_hoverList);
    m_pListed = m_pParent;
    m_pTarget = nullptr;   // found again at the next move
    return 1;
}

void CLyricCursor::OnMouseDragBegin(UINT /*flags*/, CPoint& /*point*/) {
    EndEditing(END_STORE);
    if (!m_pParent)
        return;
    SetEditedMeasure(m_pParent);
    m_pEditedNote = m_pTarget ? StopAt(m_editList, *m_pTarget->GetTime()) : nullptr;
    if (m_pEditedNote)
        m_editedTime = *m_pEditedNote->GetTime();
    BeginEditing();
}

// ---- the stops of a measure and their lyrics ------------------------------------------------

void CLyricCursor::FindEvents(ECBase* measure, MCEventList& list) {
    list.RemoveAll();
    if (!measure)
        return;
    ACFindEvents find;
    for (const int type : {ET_NOTE, ET_REST, ET_CHORD})
        find.AddEvtType(type);
    find.Apply(measure);
    list.AddEvents(&find.GetEvents(), 0);
    list.Sort();
    const MCTime* kept = nullptr;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        ECBase* stop = list.GetNext(pos);
        const MCTime* time = stop->GetTime();
        if (!time || (kept && *time == *kept)) {
            list.RemoveAt(at);
            continue;
        }
        kept = time;
    }
}

ECLyric* CLyricCursor::FindLyric(ECBase* measure, const MCTime& time) {
    if (!measure)
        return nullptr;
    ACFindEvents find;
    find.AddEvtType(ET_LYRIC);
    find.Apply(measure);
    for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;) {
        ECBase* lyric = find.GetEvents().GetNext(pos);
        if (lyric->GetTime() && *lyric->GetTime() == time)
            return dynamic_cast<ECLyric*>(lyric);
    }
    return nullptr;
}

ECBase* CLyricCursor::StopAt(MCEventList& list, const MCTime& time) {
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* stop = list.GetNext(pos);
        if (*stop->GetTime() == time)
            return stop;
    }
    return nullptr;
}

void CLyricCursor::SetEditedMeasure(ECBase* measure) {
    if (measure != m_pEditedMeasure) {
        if (measure)
            measure->Ref();
        if (m_pEditedMeasure)
            m_pEditedMeasure->Unref(1);
        m_pEditedMeasure = measure;
    }
    FindEvents(m_pEditedMeasure, m_editList);
}

// ---- the box ------------------------------------------------------------------------------------

CSize CLyricCursor::GetLyricSize() {
    if (m_lyricSize.cx == 0 && m_lyricSize.cy == 0 && m_pView->GetSafeHwnd()) {
        CClientDC dc(m_pView);
        m_pView->OnPrepareDC(&dc);
        MCLyricFont& font = MCLyricFont::GetLyricFont();
        font.SelectFont(&dc);
        m_lyricSize = dc.GetTextExtent(kSizeText);
        font.DeselectFont(&dc);
    }
    return m_lyricSize;
}

void CLyricCursor::GetLyricBox(ECBase* note, CRect& box) {
    const CSize size = GetLyricSize();
    DCctBase* display = NotationDisplayOf(note);
    const int left = display ? display->GetVirtualPosition().x : 0;
    // The lyric line of the note's staff in the note's column.
    int top = m_nLyricY;
    ECConductor* conductor = m_pPerformance ? m_pPerformance->GetConductor() : nullptr;
    if (conductor && note && note->GetTime()) {
        ECMeasure* column = conductor->GetMeasure(TRACK_CONDUCTOR, *note->GetTime(), 0, 1);
        if (auto* ruler = dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(column)))
            top = ruler->GetLyricPosition(m_nLyricLine, TrackOf(m_pEditedMeasure));
    }
    // View units grow upwards: the text hangs below the line, and the
    // rectangle's bottom is its upper edge (as ScrollRectToVisible takes it).
    box = CRect(left, top - size.cy, left + size.cx, top);
}

void CLyricCursor::GetEditBox(CRect& box) {
    CClientDC dc(m_pView);
    m_pView->OnPrepareDC(&dc);
    m_pView->VPtoDP(&dc, &box);
    box.NormalizeRect();
    box.right += kTypingRoom;
}

void CLyricCursor::BeginEditing() {
    if (!m_pEditedNote) {
        EndEditing(END_STORE);
        return;
    }
    if (!m_pEditBox) {
        auto box = std::make_unique<CLyricEdit>(m_pView, this);
        if (!box->Create()) {
            FinishEditing();
            return;
        }
        m_pEditBox = std::move(box);
    }
    CRect rect;
    GetLyricBox(m_pEditedNote, rect);
    m_pView->ScrollRectToVisible(rect);
    GetEditBox(rect);
    const ECLyric* lyric = FindLyric(m_pEditedMeasure, m_editedTime);
    const std::string text = lyric ? lyric->GetText() : std::string();

    const int width = rect.Width();
    const int height = rect.Height();
    rect.InflateRect(kBoxMargin, kBoxMargin);
    m_pEditBox->MoveWindow(rect, FALSE);
    const CRect format(kBoxMargin, kBoxMargin, width + kBoxMargin, height + kBoxMargin);
    m_pEditBox->SetRect(&format);
    m_pEditBox->SetWindowText(text.c_str());
    m_pEditBox->ShowWindow(SW_SHOW);
    m_pEditBox->SetFocus();
    m_pEditBox->SetSel(0, -1);
    m_pEditBox->SendMessage(EM_SCROLLCARET);
}

void CLyricCursor::FinishEditing() {
    m_pEditBox.reset();
    m_editList.RemoveAll();
    m_pEditedNote = nullptr;
    if (m_pEditedMeasure) {
        m_pEditedMeasure->Unref(1);
        m_pEditedMeasure = nullptr;
    }
}

// ---- leaving a note ---------------------------------------------------------------------------

void CLyricCursor::EndEditing(int mode) {
    if (!m_pEditBox)
        return;
    if (mode == END_DISCARD) {
        FinishEditing();
        return;
    }
    if (m_bEnding)
        return;
    m_bEnding = 1;

    std::string text;
    m_pEditBox->GetWindowText(text);
    CRect shown;
    m_pEditBox->GetWindowRect(&shown);
    CPoint corners[2] = {shown.TopLeft(), shown.BottomRight()};
    m_pView->ScreenToClient(&corners[0]);
    m_pView->ScreenToClient(&corners[1]);
    shown = CRect(corners[0], corners[1]);
    m_pEditBox->ShowWindow(SW_HIDE);
    m_pView->InvalidateRect(&shown, FALSE);
    m_pView->UpdateWindow();

    StoreText(text);
    m_pView->UpdateWindow();

    ECBase* next = nullptr;
    if (mode == END_NEXT || mode == END_PREVIOUS)
        next = FindNextStop(mode == END_NEXT);
    if (next) {
        m_pEditedNote = next;
        m_editedTime = *next->GetTime();
        BeginEditing();
    } else {
        FinishEditing();
    }
    m_bEnding = 0;
}

void CLyricCursor::StoreText(const std::string& text) {
    if (!m_pPerformance || !m_pEditedNote)
        return;
    ECLyric* lyric = FindLyric(m_pEditedMeasure, m_editedTime);
    if (lyric && lyric->GetText() == text)
        return;   // as it was: nothing to store
    if (lyric && !text.empty()) {
        {
            std::lock_guard lock(m_pPerformance->GetLock());
            lyric->SetText(text);
        }
        auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
        edit->SetAsynchronous(0);   // the edit's end, and its renotation, at once
        edit->AddItem(lyric, kEditAnything);
        edit->Apply(m_pPerformance);
    } else if (lyric) {
        auto* remove = new CCRemove(lyric);
        remove->SetSynchronous(1);
        remove->Apply(m_pPerformance);
    } else if (!text.empty()) {
        AddLyric(text);
    } else {
        return;
    }
    MarkModified();
    // Renotation may have replaced the measures' rests and chords.
    FindEvents(m_pParent, m_hoverList);
    m_pListed = m_pParent;
    m_pTarget = nullptr;
    SetEditedMeasure(m_pEditedMeasure);
    m_pEditedNote = StopAt(m_editList, m_editedTime);
}

void CLyricCursor::AddLyric(const std::string& text) {
    // The palette's lyric when it offers one; after the palette switched to
    // another symbol (which ends the editing) a plain lyric holds the text:
    // the new symbol is never what was typed.
    ECBase* prototype = SCMode::GetEvent();
    auto* lyric = dynamic_cast<ECLyric*>(prototype);
    if (!lyric) {
        if (prototype) {   // a new copy, ours, taken apart and released
            prototype->Ref();
            prototype->RemoveChildren(1);
            prototype->Unref(1);
        }
        lyric = new ECLyric();
    }
    lyric->SetText(text);
    // Added at the edited note, in its measure, wherever the pointer is.
    const MCTime time = m_time;
    ECBase* const parent = m_pParent;
    m_time = m_editedTime;
    m_pParent = m_pEditedMeasure;
    auto add = std::make_unique<CCAdd>();
    add->SetSynchronous(1);
    if (CInsertCursor::Insert(lyric, add.get()))
        add.release()->Apply(m_pPerformance);   // the command manager's from here
    else
        lyric->Unref(1);
    m_time = time;
    m_pParent = parent;
}

ECBase* CLyricCursor::FindNextStop(bool forward) {
    if (!m_pEditedMeasure)
        return nullptr;
    // The neighbour by time: the edited note itself may have been replaced.
    if (forward) {
        for (POSITION pos = m_editList.GetHeadPosition(); pos;) {
            ECBase* stop = m_editList.GetNext(pos);
            if (*stop->GetTime() > m_editedTime)
                return stop;
        }
    } else {
        for (POSITION pos = m_editList.GetTailPosition(); pos;) {
            ECBase* stop = m_editList.GetPrev(pos);
            if (*stop->GetTime() < m_editedTime)
                return stop;
        }
    }
    // On to the neighbouring measure of the staff, wrapping round the piece.
    ECConductor* conductor = m_pPerformance ? m_pPerformance->GetConductor() : nullptr;
    if (!conductor || !m_pEditedMeasure->GetTime())
        return nullptr;
    const int last = conductor->GetMaxMeasureNumber();
    int number = conductor->GetMeasureNumberAtTime(*m_pEditedMeasure->GetTime()) + (forward ? 1 : -1);
    if (number > last)
        number = 1;
    else if (number < 1)
        number = last;
    ECBase* measure = conductor->GetMeasure(TrackOf(m_pEditedMeasure), number);
    if (!measure)
        return nullptr;
    SetEditedMeasure(measure);
    if (m_editList.IsEmpty())
        return nullptr;
    return forward ? m_editList.GetHead() : m_editList.GetTail();
}
