// DCctChord: construction, archive, the notes and their finders, the answers
// taken from the notes, the shared stem, widths, sizing and placing. The two
// layout passes and the ties are in chordlayout.cpp.
#include "notation/display/chord.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/display/note.h"
#include "notation/display/notateclef.h"
#include "notation/display/measure.h"
#include "notation/layout/pitchutils.h"
#include "notation/tools/tie.h"
#include "platform/core/archive.h"
#include "sequencer/performers.h"

#include <algorithm>

IMPLEMENT_SERIAL(DCctChord, DCctNotate, VERSIONABLE_SCHEMA | 2)

namespace {

// Answers of a chord that has no note to ask.
constexpr WORD kNoNoteValue = 256;
constexpr WORD kNoNoteDuration = 256;
// Highest and lowest MIDI key: where the search by key starts.
constexpr int kLowestKey = 0;
constexpr int kHighestKey = 127;
// The track a word without one reads as.
constexpr int kNoTrack = 0x7FF;
constexpr uint16_t kVoiceBits = 0x000F;
constexpr int kTrackShift = 4;

int FontWidth() {
    return MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
}

// The MIDI key a note is compared by before it is spelled: its performer's
// key, or for a continuation (which has no performer data) the spelled key of
// the note that heads its tie chain.
int KeyOf(ECNote* note) {
    if (auto* played = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0)))
        return played->GetMidiData().GetDataByte1();
    CTie ties;
    ECNote* head = ties.GetHeadOfTie(note);
    DCctNote* headDisplay = DCctChord::NoteDisplayOf(head);
    return headDisplay ? headDisplay->GetSpelling().GetMidiPitch() : kLowestKey;
}

}  // namespace

DCctNote* DCctChord::NoteDisplayOf(ECBase* event) {
    return event ? dynamic_cast<DCctNote*>(event->GetData(DK_NOTATION, 0)) : nullptr;
}

DCctChord::DCctChord() = default;

DCctChord::DCctChord(const DCctChord& other) : DCctNotate(other) {}

DCctChord::~DCctChord() = default;

// ---- archive ----------------------------------------------------------------------

void DCctChord::Serialize(CArchive& ar) {
    // A chord's duration fields are its first note's: only the head is kept.
    DCctBase::Serialize(ar);
}

void DCctChord::PostSerialize(CArchive& ar) {
    DCctBase::PostSerialize(ar);
    ECBase* owner = GetOwner();
    if (!owner)
        return;
    if (DCctNote* first = FirstNoteDisplay())
        SetBase(first->GetBase(1), first->GetBase(0));
    MCVoiceTrack* word = owner->GetVoiceTrack();
    ECBase* measure = owner->GetAncestor(ET_MEASURE, -1);
    if (!word || !measure)
        return;
    MCVoiceTrack* measureWord = measure->GetVoiceTrack();
    const int track = measureWord ? measureWord->GetTrack() : kNoTrack;
    word->SetValue(static_cast<unsigned short>((word->GetValue() & kVoiceBits) | ((track & kNoTrack) << kTrackShift)));
}

// ---- the notes --------------------------------------------------------------------------

int DCctChord::FindNoteChildren(MCEventList& list) {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    int count = 0;
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child && child->GetClassType() == ET_NOTE) {
            list.AddTail(child);
            ++count;
        }
    }
    return count;
}

ECNote* DCctChord::FindFirstNoteChild() {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    const POSITION pos = children ? children->FindEvent(ET_NOTE, nullptr) : nullptr;
    return pos ? static_cast<ECNote*>(children->GetAt(pos)) : nullptr;
}

DCctNote* DCctChord::FirstNoteDisplay() {
    return NoteDisplayOf(FindFirstNoteChild());
}

ECBase* DCctChord::FindExtreme(int top) {
    MCEventList notes;
    FindNoteChildren(notes);
    DCctNote* first = FirstNoteDisplay();
    const bool bySpelling = first && !first->GetSpelling().IsDirty();
    ECBase* kept = nullptr;
    DCctNote* keptDisplay = nullptr;
    int keptKey = top ? kLowestKey : kHighestKey;
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        auto* note = static_cast<ECNote*>(notes.GetNext(pos));
        DCctNote* display = NoteDisplayOf(note);
        if (!display)
            continue;
        bool take = !kept;
        if (bySpelling) {
            const MCPitch& pitch = display->GetSpelling();
            take = take || (top ? pitch > keptDisplay->GetSpelling() : pitch < keptDisplay->GetSpelling());
        } else {
            const int key = KeyOf(note);
            take = take || (top ? key > keptKey : key < keptKey);
            if (take)
                keptKey = key;
        }
        if (take) {
            kept = note;
            keptDisplay = display;
        }
    }
    return kept;
}

ECBase* DCctChord::StillANote(ECBase* cached) {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (!cached || !children)
        return nullptr;
    for (POSITION pos = children->GetHeadPosition(); pos;)
        if (children->GetNext(pos) == cached)
            return cached;
    return nullptr;
}

DCctNote* DCctChord::GetTopNote() {
    if (IsDirty() || !StillANote(m_pTopNote))
        m_pTopNote = FindExtreme(1);
    return NoteDisplayOf(m_pTopNote);
}

DCctNote* DCctChord::GetBottomNote() {
    if (IsDirty() || !StillANote(m_pBottomNote))
        m_pBottomNote = FindExtreme(0);
    return NoteDisplayOf(m_pBottomNote);
}

DCctNote* DCctChord::GetAnchorNote() {
    DCctNote* first = FirstNoteDisplay();
    if (!first)
        return nullptr;
    return first->GetStemDirection() == 0 ? GetBottomNote() : GetTopNote();
}

int DCctChord::GetNoteX() {
    DCctNote* first = FirstNoteDisplay();
    return first ? first->GetX() : 0;
}

// ---- answers from the notes ------------------------------------------------------------

WORD DCctChord::GetValue() {
    DCctNote* first = FirstNoteDisplay();
    return first ? first->GetValue() : kNoNoteValue;
}

MCPitch& DCctChord::GetSpelling() {
    DCctNote* free = GetStemDirection() == 0 ? GetTopNote() : GetBottomNote();
    return free ? free->GetSpelling() : DCctNotate::GetSpelling();
}

WORD DCctChord::GetTickStart(int mode) {
    DCctNote* first = FirstNoteDisplay();
    return first ? first->GetTickStart(mode) : 0;
}

WORD DCctChord::GetTickDuration(int mode) {
    DCctNote* first = FirstNoteDisplay();
    return first ? first->GetTickDuration(mode) : kNoNoteDuration;
}

void DCctChord::SetFlag(int on) {
    ForEachNote([&](DCctNote* note) { note->SetFlag(on); });
}

int DCctChord::GetFlag() {
    int flag = 0;
    ForEachNote([&flag](DCctNote* note) { flag |= note->GetFlag() == 1; });
    return flag;
}

void DCctChord::SetLedgerLines(DCctClef* clef) {
    ForEachNote([&](DCctNote* note) { note->SetLedgerLines(clef); });
}

// ---- the shared stem ------------------------------------------------------------------

void DCctChord::HideStem(int hide, int flag) {
    ForEachNote([&](DCctNote* note) { note->HideStem(1, flag); });
    if (DCctNote* anchor = GetAnchorNote())
        anchor->HideStem(hide, flag);
}

int DCctChord::IsStemHidden() {
    DCctNote* anchor = GetAnchorNote();
    return anchor ? anchor->IsStemHidden() : 1;
}

void DCctChord::SetStemSideOverride(int on) {
    DCctNotate::SetStemSideOverride(on);
    ForEachNote([&](DCctNote* note) { note->SetStemSideOverride(on); });
}

void DCctChord::SetStemLength(BYTE length, int add, int override) {
    DCctNote* bottom = GetBottomNote();
    DCctNote* top = GetTopNote();
    if (!bottom || !top)
        return;
    // The length counts beyond the far note: the stem first spans the chord.
    const int span = MCPitchUtils().OrderedDiatonic(bottom->GetSpelling(), top->GetSpelling());
    ForEachNote([&](DCctNote* note) { note->SetStemLength(static_cast<BYTE>(span + length), add, override); });
}

BYTE DCctChord::GetStemLength() {
    DCctNote* anchor = GetAnchorNote();
    if (!anchor)
        return 0;
    const int span = MCPitchUtils().OrderedDiatonic(GetBottomNote()->GetSpelling(), GetTopNote()->GetSpelling());
    return static_cast<BYTE>(anchor->GetStemLength() - span);
}

void DCctChord::SetStemDirection(int direction, int override) {
    DCctNotate::SetStemDirection(direction, override);
    ForEachNote([&](DCctNote* note) {
        note->SetStemDirection(direction, override);
        note->SetStemSide(direction == 0 ? 1 : 0, override);
    });
    // The anchor changes with the direction: show the new anchor's stem.
    HideStem(0, 0);
    SetPositionDirty(1);
}

int DCctChord::GetStemDirection() {
    DCctNote* anchor = GetAnchorNote();
    return anchor ? anchor->GetStemDirection() : 0;
}

void DCctChord::SetStemDirectionOverride(int on) {
    DCctNotate::SetStemDirectionOverride(on);
    ForEachNote([&](DCctNote* note) { note->SetStemDirectionOverride(on); });
}

void DCctChord::SetStemDirectionByVoice() {
    ECBase* owner = GetOwner();
    MCVoiceTrack* word = owner ? owner->GetVoiceTrack() : nullptr;
    const int voice = word ? word->GetVoice() : 15;
    SetStemDirection(voice & 1, 0);
}

void DCctChord::SetStemDirectionByPitch(DCctClef* clef) {
    const int middleKey = ClefLinePitch(GetNotateClefLinks().middleLinePitch, clef);
    DCctNote* top = GetTopNote();
    DCctNote* bottom = GetBottomNote();
    if (middleKey < 0 || !top || !bottom)
        return;
    MCPitch middle;
    middle.SetPitch(static_cast<uint8_t>(middleKey), 0, 0);
    int above = 0;
    int atOrBelow = 0;
    MCEventList notes;
    FindNoteChildren(notes);
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        DCctNote* note = NoteDisplayOf(notes.GetNext(pos));
        if (!note)
            continue;
        if (note->GetSpelling() > middle)
            ++above;
        else
            ++atOrBelow;
    }
    int down = above > atOrBelow ? 1 : 0;
    if (above == atOrBelow) {
        // Balanced: the note farther from the middle line decides; a tie
        // goes down.
        MCPitchUtils utils;
        const int topDistance = utils.UnorderedDiatonic(middle, top->GetSpelling());
        const int bottomDistance = utils.UnorderedDiatonic(middle, bottom->GetSpelling());
        down = bottomDistance > topDistance ? 0 : 1;
    }
    SetStemDirection(down, 0);
}

void DCctChord::SetStemEnd(int y) {
    if (DCctNote* anchor = GetAnchorNote())
        anchor->SetStemEnd(y);
}

int DCctChord::GetStemHeight() {
    DCctNote* anchor = GetAnchorNote();
    return anchor ? anchor->GetStemHeight() : 0;
}

CPoint DCctChord::GetStemPosition() {
    DCctNote* anchor = GetAnchorNote();
    return anchor ? anchor->GetStemPosition() : CPoint(0, 0);
}

// ---- widths -----------------------------------------------------------------------------

int DCctChord::GetWidth() {
    MCEventList notes;
    FindNoteChildren(notes);
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        DCctNote* note = NoteDisplayOf(notes.GetNext(pos));
        if (note && note->GetNoteheadPosition() != HEAD_NORMAL)
            return 2 * FontWidth();
    }
    return FontWidth();
}

short DCctChord::GetTotalWidthLeft() {
    const int w = FontWidth();
    int reach = 0;
    MCEventList notes;
    FindNoteChildren(notes);
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        DCctNote* note = NoteDisplayOf(notes.GetNext(pos));
        if (!note)
            continue;
        const int left = note->GetTotalWidthLeft() + (note->GetNoteheadPosition() == HEAD_LEFT ? w : 0);
        reach = std::max(reach, left);
    }
    return static_cast<short>(reach);
}

short DCctChord::GetTotalWidthRight() {
    const int w = FontWidth();
    int reach = w;
    MCEventList notes;
    FindNoteChildren(notes);
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        DCctNote* note = NoteDisplayOf(notes.GetNext(pos));
        if (!note)
            continue;
        const BYTE position = note->GetNoteheadPosition();
        if (position == HEAD_RIGHT) {
            reach = std::max(reach, 2 * w);
            break;
        }
        if (position == HEAD_NORMAL)
            reach = std::max(reach, static_cast<int>(note->GetTotalWidthRight()));
    }
    return static_cast<short>(reach);
}

short DCctChord::GetTotalWidth() {
    return static_cast<short>(GetTotalWidthLeft() + GetTotalWidthRight());
}

// ---- sizing, drawing, placing -------------------------------------------------------------

void DCctChord::SetSize(CDC*) {
    if (!FrameDirty())
        return;
    SetMetrics(MCMusicFont::MusicFontMetrics());
    CRect total;
    int maxY = -32768;
    GetTotalFrame(&total, GetPosition(), &maxY);
    MCMusicFont::MusicFontMetrics metrics;
    metrics.SetWidth(total.right - total.left);
    metrics.SetHeight(total.bottom - total.top);
    metrics.SetTop(maxY);
    metrics.SetLeft(total.left);
    SetMetrics(metrics);
    SetFrameDirty(0);
}

int DCctChord::Draw(CDC* dc, CPoint, CRect*) {
    SetSize(dc);
    return DRAW_NOTHING;
}

int DCctChord::Position(ECConductor* conductor, ECStaff* staff, ECMeasure*, ECBase*) {
    ECBase* owner = GetOwner();
    if (!owner)
        return 0;
    if (!conductor)
        conductor = GetConductor();
    MCVoiceTrack* word = owner->GetVoiceTrack();
    const int track = word ? word->GetTrack() : kNoTrack;
    const int voice = word ? word->GetVoice() : 15;
    if (!staff && conductor)
        staff = static_cast<ECStaff*>(conductor->GetTrack(1, track, 0));
    if (!staff || !owner->GetTime())
        return 0;
    // The lower staff of a grand staff holds voices 4 and up.
    const BYTE hand = staff->GetStaffType() == DCctMeasure::STAFF_GRAND && voice > 3 ? 1 : 0;
    ECClef* clef = staff->GetClefAtTime(*owner->GetTime(), hand);
    auto clefDisplay = GetNotateClefLinks().clefDisplay;
    DCctClef* clefView = clef && clefDisplay ? clefDisplay(clef) : nullptr;
    if (!clefView)
        return 0;
    _Position(clefView);
    return 1;
}
