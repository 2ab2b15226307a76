// ANChord: gathering the notes of a measure and its tuplets into chords.
#include "notation/autonote/chord.h"

#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/display/chord.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/view/dirtyrect.h"

#include <algorithm>
#include <mutex>

namespace {

// Tick modes of DCctNotate: scaled by the element's bases, or as stored.
constexpr int TICKS_SCALED = 0;
constexpr int TICKS_STORED = 1;
// DCctNotate::GetBase: the borrowed base, or the plain one.
constexpr WORD BASE_BORROWED = 1;
constexpr WORD BASE_PLAIN = 0;
// Only the measure itself and its direct children are gathered.
constexpr unsigned char DIRECT_CHILDREN = 1;
constexpr int KEEP_CHILDREN = 0;

// The parents a note leaves when it joins a chord.
bool IsGroupingParent(ECBase* parent) {
    const int type = parent->GetClassType();
    return type == ET_MEASURE || type == ET_BEAM || type == ET_TUPLET;
}

// Collects the direct children of `group` of one type.
void CollectChildren(ECBase* group, int type, ACFindEvents& found) {
    found.AddEvtType(type);
    found.SetDepth(DIRECT_CHILDREN);
    found.Apply(group);
    // The walk visits the group itself first.
    found.GetEvents().RemoveEvent(group);
}

std::unique_lock<CCriticalSection> LockOf(ECPerformance* performance) {
    return performance ? std::unique_lock<CCriticalSection>(performance->GetLock())
                       : std::unique_lock<CCriticalSection>();
}

// Its notes changed: the chord looks for its top and bottom notes again.
void MarkChanged(DCctBase* display) {
    display->SetDirty(1);
}

// A chord kept from before, whose notes the value pass has placed and
// valued again, is settled too: its value and place are its notes'. One
// marked with them (by an edit beside it, or under a beam taken away)
// would otherwise stay marked, nothing else clearing it.
void SettleKeptChords(MCEventList& chords) {
    for (POSITION pos = chords.GetHeadPosition(); pos;) {
        ECBase* chord = chords.GetNext(pos);
        DCctBase* display = NotationDisplayOf(chord);
        if (!display || (!display->ValueDirty() && !display->TimeDirty()))
            continue;
        bool settled = true;
        MCEventList* notes = chord->GetChildren();
        for (POSITION at = notes ? notes->GetHeadPosition() : nullptr; at && settled;) {
            ECBase* note = notes->GetNext(at);
            DCctBase* noteDisplay = note->GetClassType() == ET_NOTE ? NotationDisplayOf(note) : nullptr;
            settled = !noteDisplay || (!noteDisplay->ValueDirty() && !noteDisplay->TimeDirty());
        }
        if (!settled)
            continue;
        display->SetValueDirty(0);
        display->SetTimeDirty(0);
    }
}

}  // namespace

ANChord::ANChord() = default;

ANChord::~ANChord() = default;

void ANChord::DoMeasure(ECStaff*, ECMeasure* measure) {
    if (!measure)
        return;
    auto* display = dynamic_cast<DCctMeasure*>(NotationDisplayOf(measure));
    if (!display || !display->ChordDirty())
        return;
    // A measure not voiced yet builds its table from its notes, so that its
    // chords are not lost. A copy: the table may be rebuilt while notes move.
    display->GetNumberOfVoices();
    const std::vector<uint8_t> voices(display->GetVoiceTable().begin(), display->GetVoiceTable().end());

    DoGroup(measure, voices);
    ACFindEvents tuplets;
    CollectChildren(measure, ET_TUPLET, tuplets);
    for (POSITION pos = tuplets.GetEvents().GetHeadPosition(); pos;)
        DoGroup(tuplets.GetEvents().GetNext(pos), voices);

    display->SetChordDirty(0);
}

void ANChord::DoGroup(ECBase* group, const std::vector<uint8_t>& voices) {
    // The lists hold a reference on each note and chord while links change.
    ACFindEvents notes;
    CollectChildren(group, ET_NOTE, notes);
    ACFindEvents chords;
    CollectChildren(group, ET_CHORD, chords);
    if (!chords.GetEvents().IsEmpty()) {
        AddNotesToChords(chords.GetEvents(), notes.GetEvents());
        SettleKeptChords(chords.GetEvents());
    }
    if (!notes.GetEvents().IsEmpty())
        CreateChords(notes.GetEvents(), voices, group);
    m_run.clear();
}

void ANChord::AddNotesToChords(MCEventList& chords, MCEventList& notes) {
    for (POSITION at = chords.GetHeadPosition(); at;) {
        ECBase* chord = chords.GetNext(at);
        DCctBase* chordBase = NotationDisplayOf(chord);
        auto* chordDisplay = dynamic_cast<DCctNotate*>(chordBase);
        if (!chordDisplay)
            continue;
        const WORD start = chordDisplay->GetTickStart(TICKS_STORED);
        const WORD duration = chordDisplay->GetTickDuration(TICKS_STORED);
        const unsigned voice = GetVoice(chord);
        for (POSITION pos = notes.GetHeadPosition(); pos;) {
            ECBase* note = notes.GetNext(pos);
            if (note->GetClassType() != ET_NOTE)
                continue;
            auto* display = dynamic_cast<DCctNotate*>(NotationDisplayOf(note));
            if (!display || display->GetTickStart(TICKS_STORED) != start ||
                display->GetTickDuration(TICKS_STORED) != duration || GetVoice(note) != voice)
                continue;
            // The chord stands in the note's beam as well, so that the beam
            // keeps a member where the note was.
            std::vector<ECBase*> parents;
            MCEventList* noteParents = note->GetParents();
            for (POSITION from = noteParents->GetHeadPosition(); from;) {
                ECBase* candidate = noteParents->GetNext(from);
                if (IsGroupingParent(candidate) && chord->GetParents()->Find(candidate) == nullptr)
                    parents.push_back(candidate);
            }
            {
                auto lock = LockOf(m_pPerformance);
                Relink(chord, {note}, parents);
            }
            // Removing it may free the list's node but not the note: the
            // chord holds it now.
            notes.RemoveEvent(note);
            MarkChanged(chordBase);
            if (m_pUpdate)
                m_pUpdate->AddEvent(chord);
        }
    }
}

void ANChord::CreateChords(MCEventList& notes, const std::vector<uint8_t>& voices, ECBase* parent) {
    MCEventList voiceNotes;
    for (uint8_t voice : voices) {
        GetDataByVoice(voiceNotes, notes, voice);
        for (POSITION pos = voiceNotes.GetHeadPosition(); pos;) {
            ECBase* note = voiceNotes.GetNext(pos);
            if (note->GetClassType() != ET_NOTE)
                continue;
            if (auto* display = dynamic_cast<DCctNote*>(NotationDisplayOf(note)))
                AddToChordList(note, display, parent);
        }
        ChordList(parent);
    }
}

void ANChord::AddToChordList(ECBase* note, DCctNote* display, ECBase* parent) {
    const uint16_t start = display->GetTickStart(TICKS_SCALED);
    const uint16_t duration = display->GetTickDuration(TICKS_SCALED);
    if (!m_run.empty()) {
        if (start == m_runStart && duration == m_runDuration) {
            m_run.push_back(note);
            return;
        }
        ChordList(parent);
    }
    m_run.push_back(note);
    m_runStart = start;
    m_runDuration = duration;
}

void ANChord::ChordList(ECBase* parent) {
    std::vector<ECBase*> run;
    run.swap(m_run);
    if (run.size() < 2 || !parent)
        return;
    // Every measure, beam and tuplet above the notes, each once, in the order
    // first met; the given parent leads unless it is a tuplet (whose notes
    // already name it).
    std::vector<ECBase*> parents;
    for (ECBase* note : run) {
        MCEventList* noteParents = note->GetParents();
        for (POSITION pos = noteParents->GetHeadPosition(); pos;) {
            ECBase* candidate = noteParents->GetNext(pos);
            if (IsGroupingParent(candidate) && std::find(parents.begin(), parents.end(), candidate) == parents.end())
                parents.push_back(candidate);
        }
    }
    if (parent->GetClassType() != ET_TUPLET && std::find(parents.begin(), parents.end(), parent) == parents.end())
        parents.insert(parents.begin(), parent);

    if (parents.empty())
        return;

    ECBase* first = run.front();
    auto* firstDisplay = dynamic_cast<DCctNotate*>(NotationDisplayOf(first));
    auto* chord = new ECChord;
    auto* display = dynamic_cast<DCctNotate*>(chord->GetData(DK_NOTATION, 1));
    chord->SetTime(first->GetTime());
    chord->SetVoiceTrack(first->GetVoiceTrack());
    if (display) {
        if (firstDisplay)
            display->SetBase(firstDisplay->GetBase(BASE_BORROWED), firstDisplay->GetBase(BASE_PLAIN));
        display->SetTimeDirty(0);
        display->SetValueDirty(0);
    }

    {
        auto lock = LockOf(m_pPerformance);
        Relink(chord, run, parents);
    }
    if (display)
        MarkChanged(display);
    if (m_pUpdate)
        m_pUpdate->AddEvent(chord);
}

void ANChord::Relink(ECBase* chord, const std::vector<ECBase*>& notes, const std::vector<ECBase*>& parents) {
    // The chord holds its notes and joins its parents before the notes leave
    // theirs, so that no note is ever without a parent and no beam or tuplet
    // is left empty.
    for (ECBase* note : notes)
        chord->AddChild(note, SORTED);
    for (ECBase* parent : parents)
        parent->AddChild(chord, SORTED);
    for (ECBase* note : notes) {
        std::vector<ECBase*> leave;
        MCEventList* noteParents = note->GetParents();
        for (POSITION pos = noteParents->GetHeadPosition(); pos;) {
            ECBase* candidate = noteParents->GetNext(pos);
            if (candidate != chord && IsGroupingParent(candidate))
                leave.push_back(candidate);
        }
        for (ECBase* old : leave)
            old->RemoveChild(note, KEEP_CHILDREN);
    }
}
