// DCctChord's layout passes: notehead sides and accidental columns
// (Assemble), dot places (_Position), and the directions of the notes' ties.
#include "notation/display/chord.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/display/dot.h"
#include "notation/display/notateclef.h"
#include "notation/display/note.h"
#include "notation/layout/pitchutils.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Notes this few staff steps apart or closer (a unison or a second) cannot
// stand side by side on one side of the stem.
constexpr int kSecond = 2;
// An accidental this many steps or more below the highest one (a seventh)
// clears it and may share its column.
constexpr int kSeventh = 6;
// Sort orders of MCPitchUtils::Sort.
constexpr uint8_t BY_PITCH = 0;
constexpr int LOWEST_FIRST = 0;

std::vector<ECBase*> ToVector(MCEventList& list) {
    std::vector<ECBase*> events;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        events.push_back(list.GetNext(pos));
    return events;
}

// Staff steps between two notes' spellings.
int Steps(ECBase* first, ECBase* second) {
    DCctNote* a = DCctChord::NoteDisplayOf(first);
    DCctNote* b = DCctChord::NoteDisplayOf(second);
    return a && b ? MCPitchUtils().UnorderedDiatonic(a->GetSpelling(), b->GetSpelling()) : kSeventh;
}

// How far a column moves left past an accidental: its width and half a head.
int Step(ECBase* accidental) {
    DCctBase* display = NotationDisplayOf(accidental);
    if (!display)
        return 0;
    display->SetSize(nullptr);
    return display->GetWidth() + MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT) / 2;
}

}  // namespace

int DCctChord::IsIntervalOfSecond(MCEventList& sorted) {
    const std::vector<ECBase*> notes = ToVector(sorted);
    int seconds = 0;
    for (size_t i = 1; i < notes.size(); ++i)
        if (Steps(notes[i - 1], notes[i]) < kSecond)
            ++seconds;
    return seconds;
}

// ---- notehead sides and accidental columns ---------------------------------------------

void DCctChord::Assemble() {
    MCEventList notes;
    if (FindNoteChildren(notes) < 2)
        return;
    DCctNote* first = FirstNoteDisplay();
    const int down = first && first->GetStemDirection() == 1 ? 1 : 0;
    MCEventList sorted;
    MCPitchUtils().Sort(notes, sorted, BY_PITCH, down);
    const std::vector<ECBase*> order = ToVector(sorted);

    // The sorted list starts at the stem's attachment end. Of each second the
    // note farther from it steps aside: right of an up stem, left of a down
    // one; in a run of seconds the sides alternate.
    const int start = down ? 0 : 1;
    int alternate = start;
    for (size_t i = 0; i < order.size(); ++i) {
        DCctNote* note = NoteDisplayOf(order[i]);
        if (!note)
            return;
        if (i == 0) {
            note->SetNoteheadPosition(HEAD_NORMAL);
            continue;
        }
        alternate = Steps(order[i - 1], order[i]) < kSecond ? !alternate : start;
        BYTE position = HEAD_NORMAL;
        if (!down && !alternate)
            position = HEAD_RIGHT;
        else if (down && alternate)
            position = HEAD_LEFT;
        note->SetNoteheadPosition(position);
    }

    std::vector<AccidentalEntry> accidentals;
    for (ECBase* note : order) {
        MCEventList* children = note->GetChildren();
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() != ET_ACCIDENTAL)
                continue;
            DCctBase* display = NotationDisplayOf(child);
            if (display && !display->IsHidden())
                accidentals.push_back({child, note});
        }
    }
    // Left of a down stem the seconds' heads stand one head further left:
    // the columns start beyond them.
    int offset = 0;
    if (down && IsIntervalOfSecond(sorted) > 0)
        offset = -MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    AlignAccidentals(accidentals, offset, down);

    // The notes are settled: keep the extremes found for them.
    m_pTopNote = FindExtreme(1);
    m_pBottomNote = FindExtreme(0);
    SetDirty(0);
}

void DCctChord::SetAlignPosition(ECBase* note, ECBase* accidental, int offset) {
    DCctNote* head = NoteDisplayOf(note);
    DCctBase* sign = NotationDisplayOf(accidental);
    if (!head || !sign)
        return;
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int tenth = font.GetNoteheadHeight(FONT_CURRENT) / 10;
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    if (tenth == 0)
        return;   // no font measured: no column to give
    // The accidental stands relative to its note: a head set aside carries
    // it along, so the column is taken back by the same head width.
    int column = offset;
    if (head->GetNoteheadPosition() == HEAD_RIGHT)
        column -= w;
    else if (head->GetNoteheadPosition() == HEAD_LEFT)
        column += w;
    sign->SetOffset(column / tenth, 0);
}

void DCctChord::AlignAccidentals(std::vector<AccidentalEntry>& list, int offset, int down) {
    auto place = [&](size_t i) { SetAlignPosition(list[i].note, list[i].accidental, offset); };
    auto removeTwo = [&](size_t a, size_t b) {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(std::max(a, b)));
        if (a != b)
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(std::min(a, b)));
    };
    while (!list.empty()) {
        const size_t n = list.size();
        if (n == 1) {
            place(0);
            list.clear();
            return;
        }
        // T: the highest note's accidental, always nearest the notes; N the
        // next one down.
        const size_t t = down ? 0 : n - 1;
        const size_t next = down ? 1 : n - 2;
        // The walk runs from the lowest note upward.
        auto walk = [&](size_t k) { return down ? n - 1 - k : k; };
        bool placed = false;
        size_t pending = n;   // none
        for (size_t k = 0; k < n && !placed; ++k) {
            const size_t c = walk(k);
            if (Steps(list[t].note, list[c].note) >= kSeventh) {
                if (n == 2) {
                    // Two signs a seventh or more apart share one column.
                    place(c);
                    place(t);
                    list.clear();
                    return;
                }
                pending = c;
                continue;
            }
            placed = true;
            if (pending != n) {
                // The far one below shares T's column.
                place(pending);
                place(t);
                offset -= Step(list[pending].accidental);
                removeTwo(pending, t);
                break;
            }
            place(t);
            offset -= Step(list[t].accidental);
            const size_t e = k + 1 < n ? walk(k + 1) : n;
            if (Steps(list[next].note, list[t].note) < kSecond) {
                place(next);
                offset -= Step(list[next].accidental);
                removeTwo(next, t);
            } else if (e != n && e != t && Steps(list[c].note, list[e].note) < kSecond) {
                place(e);
                offset -= Step(list[e].accidental);
                removeTwo(e, t);
            } else if (c != t) {
                place(c);
                offset -= Step(list[c].accidental);
                removeTwo(c, t);
            } else {
                removeTwo(t, t);
            }
        }
        if (!placed)
            return;   // cannot happen: T lies within a sixth of itself
    }
}

// ---- dots -------------------------------------------------------------------------------------

void DCctChord::_Position(DCctClef* clef) {
    MCEventList notes;
    if (FindNoteChildren(notes) < 2)
        return;
    DCctNote* first = FirstNoteDisplay();
    const int down = first && first->GetStemDirection() == 1 ? 1 : 0;
    MCEventList sorted;
    MCPitchUtils().Sort(notes, sorted, BY_PITCH, down);
    MCEventList dots;
    for (POSITION pos = sorted.GetHeadPosition(); pos;) {
        MCEventList* children = sorted.GetNext(pos)->GetChildren();
        for (POSITION at = children ? children->GetHeadPosition() : nullptr; at;) {
            ECBase* child = children->GetNext(at);
            if (child->GetClassType() == ET_DOT)
                dots.AddTail(child);
        }
    }
    // A head right of the stem pushes every dot one column out.
    int right = 0;
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        DCctNote* note = NoteDisplayOf(notes.GetNext(pos));
        if (note && note->GetNoteheadPosition() == HEAD_RIGHT)
            right = HEAD_RIGHT;
    }
    AlignDots(dots, sorted, right, clef);
    SetFrameDirty(1);
    SetSize(nullptr);
}

void DCctChord::AlignDots(MCEventList& dots, MCEventList& sorted, int right, DCctClef* clef) {
    auto inSpace = GetNotateClefLinks().inSpace;
    if (dots.IsEmpty() || !inSpace || !clef)
        return;
    DCctNote* top = GetTopNote();
    const std::vector<ECBase*> order = ToVector(sorted);
    const MCPitch* previous = nullptr;
    MCPitchUtils utils;
    // From the stem's free end back toward its attachment end.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        DCctNote* note = NoteDisplayOf(*it);
        if (!note)
            continue;
        MCPitch& spelling = note->GetSpelling();
        int column = right == HEAD_RIGHT ? 1 : 0;
        if (note->GetNoteheadPosition() == HEAD_LEFT)
            ++column;
        else if (note->GetNoteheadPosition() == HEAD_RIGHT)
            --column;
        const bool close = previous && utils.UnorderedDiatonic(*previous, spelling) < kSecond;
        previous = &spelling;
        ECBase* dotEvent = (*it)->GetDescendant(ET_DOT, -1);
        auto* dot = dotEvent ? dynamic_cast<DCctDot*>(dotEvent->GetData(DK_NOTATION, 0)) : nullptr;
        if (!dot)
            continue;
        const int space = inSpace(clef, spelling);
        if (space < 0)
            return;
        if (space) {
            dot->SetAlignPosition(column);
            dot->SetVerticalAlign(DCctDot::ALIGN_ON);
            continue;
        }
        // On a line the dot goes into the space above, unless the note just
        // above already holds that space.
        dot->SetVerticalAlign(close && note != top ? DCctDot::ALIGN_BELOW : DCctDot::ALIGN_ABOVE);
        dot->SetAlignPosition(column);
    }
}

// ---- ties ---------------------------------------------------------------------------------------

void DCctChord::SetTieDirectionByPitch(DCctClef* clef) {
    MCEventList notes;
    const int n = FindNoteChildren(notes);
    if (n == 0)
        return;
    if (n == 1) {
        // A lone note ties as a note on its own does.
        if (DCctNote* note = NoteDisplayOf(notes.GetHead()))
            note->SetTieDirectionByPitch(clef);
        return;
    }
    if (n == 2) {
        DCctNote* top = GetTopNote();
        DCctNote* bottom = GetBottomNote();
        if (!top || !bottom)
            return;
        bottom->SetTieDirection(TIE_UNDER);
        if (top != bottom) {
            top->SetTieDirection(TIE_OVER);
            return;
        }
        // A unison: the first note under, the other one over.
        for (POSITION pos = notes.GetHeadPosition(); pos;)
            if (DCctNote* other = NoteDisplayOf(notes.GetNext(pos)); other && other != bottom)
                other->SetTieDirection(TIE_OVER);
        return;
    }

    MCEventList sorted;
    MCPitchUtils utils;
    utils.Sort(notes, sorted, BY_PITCH, LOWEST_FIRST);
    const std::vector<ECBase*> order = ToVector(sorted);
    const int count = static_cast<int>(order.size());
    const int seconds = IsIntervalOfSecond(sorted);
    auto tie = [&](int i, int direction) {
        if (DCctNote* note = NoteDisplayOf(order[static_cast<size_t>(i)]))
            note->SetTieDirection(direction);
    };

    if (seconds == 0) {
        if (count % 2 == 0) {
            for (int i = 0; i < count; ++i)
                tie(i, i < count / 2 ? TIE_UNDER : TIE_OVER);
            return;
        }
        // Odd: the outer notes away from the chord, the inner ones by the
        // side of the middle line they stand on.
        for (int i = 1; i + 1 < count; ++i)
            if (DCctNote* note = NoteDisplayOf(order[static_cast<size_t>(i)]))
                note->SetTieDirectionByPitch(clef);
        tie(0, TIE_UNDER);
        tie(count - 1, TIE_OVER);
        return;
    }

    if (seconds == 1) {
        // The two notes of the second tie apart.
        int direction = TIE_UNDER;
        for (int i = 0; i < count; ++i) {
            if (i > 0 && Steps(order[static_cast<size_t>(i - 1)], order[static_cast<size_t>(i)]) < kSecond)
                direction = !direction;
            tie(i, direction);
        }
        return;
    }

    // Several seconds: split the chord at the upper note of the second that
    // lies farthest from the middle line.
    const int middleKey = ClefLinePitch(GetNotateClefLinks().middleLinePitch, clef);
    if (middleKey < 0)
        return;
    MCPitch middle;
    middle.SetPitch(static_cast<uint8_t>(middleKey), 0, 0);
    int recordedDistance = 0;
    int split = -1;
    for (int i = 1; i < count; ++i) {
        if (Steps(order[static_cast<size_t>(i - 1)], order[static_cast<size_t>(i)]) >= kSecond)
            continue;
        DCctNote* note = NoteDisplayOf(order[static_cast<size_t>(i)]);
        if (!note)
            continue;
        const int distance = utils.OrderedDiatonic(middle, note->GetSpelling());
        if (split != -1 && std::abs(distance) < std::abs(recordedDistance))
            continue;
        recordedDistance = distance;
        split = i;
    }
    if (split < 0)
        return;
    for (int i = 0; i < count; ++i)
        tie(i, i >= split ? TIE_OVER : TIE_UNDER);
}
