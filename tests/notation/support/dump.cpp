// The notation dump (grammar in DUMP.md).
#include "tests/notation/support/dump.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/display/base.h"
#include "notation/display/chord.h"
#include "notation/display/notate.h"
#include "notation/display/note.h"
#include "notation/tools/tie.h"
#include "sequencer/performer.h"
#include "sequencer/performers.h"

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace notation_dump {
namespace {

constexpr const char* UNKNOWN = "?";
constexpr int TICKS_PER_QUARTER = 256;

DCctBase* DisplayOf(ECBase* event) {
    return event ? dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 0)) : nullptr;
}

// The first parent of a type, or null.
ECBase* ParentOfType(ECBase* event, int type) {
    MCEventList* parents = event->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == type)
            return parent;
    }
    return nullptr;
}

// What one measure's dump is working on.
struct Measure {
    DCctBase* display = nullptr;   // the measure's, may be null
    int startTicks = 0;
};

// One line: a voice's elements, and its beams numbered by first use.
struct Line {
    std::vector<std::string> tokens;
    std::map<ECBase*, int> beams;
};

// Time correction and note values go by each element's own kind and clear
// it there; the other passes run on a measure only while the measure carries
// their kind, and clear it on the measure alone.
bool ElementCarries(int kind) {
    return kind == DCctBase::DIRTY_TIME || kind == DCctBase::DIRTY_VALUE;
}

// Whether the passes that clear `kinds` ran on the element (and, for the
// passes its measure gates, on the measure): a missing display object means
// nothing was notated there.
bool Known(const Measure& measure, DCctBase* element, std::initializer_list<int> kinds) {
    if (!element || !measure.display)
        return false;
    for (int kind : kinds)
        if (ElementCarries(kind) ? element->IsDirtyKind(kind) : measure.display->IsDirtyKind(kind))
            return false;
    return true;
}

// "1/4", "1/8" ...; "2/1" the double whole, "none" for no value.
std::string ValueName(int code) {
    if (code == DCctNotate::VALUE_DOUBLE_WHOLE)
        return "2/1";
    if (code < DCctNotate::VALUE_DOUBLE_WHOLE || code >= DCctNotate::VALUE_NONE)
        return "none";
    return "1/" + std::to_string(1 << (code - DCctNotate::VALUE_WHOLE));
}

// The dots an element carries: the type of its first dot child.
int DotsOf(ECBase* event) {
    MCEventList* children = event->GetChildren();
    const POSITION pos = children ? children->FindEvent(ET_DOT) : nullptr;
    return pos ? static_cast<ECDot*>(children->GetAt(pos))->GetDotType() : 0;
}

// A chord's first note child, or null.
ECBase* FirstNoteOf(ECBase* chord) {
    MCEventList* children = chord->GetChildren();
    const POSITION pos = children ? children->FindEvent(ET_NOTE) : nullptr;
    return pos ? children->GetAt(pos) : nullptr;
}

std::string ValueField(const Measure& measure, ECBase* event, std::initializer_list<int> kinds) {
    auto* notate = dynamic_cast<DCctNotate*>(DisplayOf(event));
    if (!notate || !Known(measure, notate, kinds))
        return UNKNOWN;
    // A chord holds no value of its own: it is its first note's, dots and all.
    if (dynamic_cast<DCctChord*>(notate)) {
        ECBase* first = FirstNoteOf(event);
        auto* note = first ? dynamic_cast<DCctNotate*>(DisplayOf(first)) : nullptr;
        if (!note)
            return "none";
        return ValueName(note->GetValueCode()) + std::string(DotsOf(first), '.');
    }
    return ValueName(notate->GetValueCode()) + std::string(DotsOf(event), '.');
}

std::string StemField(const Measure& measure, ECBase* event) {
    auto* notate = dynamic_cast<DCctNotate*>(DisplayOf(event));
    if (!notate || !Known(measure, notate, {DCctBase::DIRTY_STEM}))
        return UNKNOWN;
    // A chord's stem is the one its anchor note shows.
    if (auto* chord = dynamic_cast<DCctChord*>(notate))
        notate = chord->GetAnchorNote();
    if (!notate || !notate->HasStem() || notate->IsStemHidden())
        return "none";
    return notate->GetStemDirection() ? "down" : "up";
}

// The value pass sets the flag and the beam pass takes it off beamed notes.
std::string FlagField(const Measure& measure, ECBase* event) {
    auto* notate = dynamic_cast<DCctNotate*>(DisplayOf(event));
    if (!notate || !Known(measure, notate, {DCctBase::DIRTY_VALUE, DCctBase::DIRTY_BEAM}))
        return UNKNOWN;
    return notate->GetFlag() ? "yes" : "no";
}

std::string BeamField(const Measure& measure, Line& line, ECBase* event) {
    if (!Known(measure, DisplayOf(event), {DCctBase::DIRTY_BEAM}))
        return UNKNOWN;
    ECBase* beam = ParentOfType(event, ET_BEAM);
    if (!beam)
        return "-";
    auto [it, added] = line.beams.emplace(beam, static_cast<int>(line.beams.size()) + 1);
    return std::to_string(it->second);
}

std::string AtField(const Measure& measure, ECBase* event) {
    const MCTime* time = event->GetTime();
    return time ? std::to_string(time->GetTicks(TICKS_PER_QUARTER) - measure.startTicks) : UNKNOWN;
}

// The key the note plays, from its performance data.
std::string KeyField(ECBase* note) {
    auto* performer = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 0));
    return performer ? std::to_string(performer->GetNoteOnData().GetDataByte1()) : UNKNOWN;
}

// "F#4": letter, accidental (bb b # x, nothing for a natural) and octave, C4
// being key 60; "!" when the accidental (a natural sign for none) is shown,
// "(!)" when it is a courtesy accidental.
std::string PitchField(const Measure& measure, ECBase* note) {
    auto* display = dynamic_cast<DCctNote*>(DisplayOf(note));
    if (!display || !Known(measure, display, {DCctBase::DIRTY_SPELLING}))
        return UNKNOWN;
    const MCPitch& pitch = display->GetSpelling();
    if (pitch.IsDirty() || pitch.GetMidiPitch() == 0)
        return UNKNOWN;
    if (pitch.IsPercussion()) {
        std::string text = "perc" + std::to_string(pitch.GetStaffDegree());
        if (display->GetNoteheadStyle() != 0)
            text += "/" + std::to_string(display->GetNoteheadStyle());
        return text;
    }
    static constexpr const char* kLetters[] = {"C", "D", "E", "F", "G", "A", "B"};
    static constexpr const char* kAccidentals[] = {"bb", "b", "", "#", "x"};
    std::string text = kLetters[pitch.GetDegree() % 7];
    text += kAccidentals[pitch.GetAccidental() + 2];
    // The pitch's octave counts key 60 as octave 5.
    text += std::to_string(static_cast<int>(pitch.GetOctave()) - 1);
    if (display->GetCourtesyAccidental())
        text += "(!)";
    else if (pitch.ShowAccidental())
        text += "!";
    return text;
}

// The tie onward: the note starts a tie.
std::string TieField(const Measure& measure, ECNote* note) {
    if (!Known(measure, DisplayOf(note), {DCctBase::DIRTY_VALUE}))
        return UNKNOWN;
    CTie ties;
    return ties.FindTieParent(note, TIE_FORWARD) ? "~" : "-";
}

std::string NoteToken(const Measure& measure, Line& line, ECNote* note) {
    return "note(at=" + AtField(measure, note) + " key=" + KeyField(note) + " pitch=" + PitchField(measure, note) +
           " value=" + ValueField(measure, note, {DCctBase::DIRTY_VALUE}) + " tie=" + TieField(measure, note) +
           " stem=" + StemField(measure, note) + " flag=" + FlagField(measure, note) +
           " beam=" + BeamField(measure, line, note) + ")";
}

std::string RestToken(const Measure& measure, Line& line, ECBase* rest) {
    return "rest(at=" + AtField(measure, rest) +
           " value=" + ValueField(measure, rest, {DCctBase::DIRTY_REST, DCctBase::DIRTY_VALUE}) +
           " beam=" + BeamField(measure, line, rest) + ")";
}

std::string ElementToken(const Measure& measure, Line& line, ECBase* event);

// The members of a chord or tuplet, in child order.
std::string MemberTokens(const Measure& measure, Line& line, ECBase* group) {
    std::string text;
    MCEventList* children = group->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        const std::string token = ElementToken(measure, line, child);
        if (!token.empty())
            text += (text.empty() ? "" : " ") + token;
    }
    return "[" + text + "]";
}

std::string ChordToken(const Measure& measure, Line& line, ECBase* chord) {
    return "chord(at=" + AtField(measure, chord) +
           " value=" + ValueField(measure, chord, {DCctBase::DIRTY_VALUE}) + " stem=" + StemField(measure, chord) +
           " flag=" + FlagField(measure, chord) + " beam=" + BeamField(measure, line, chord) + " " +
           MemberTokens(measure, line, chord) + ")";
}

// Irregular:normal and the unit are the time correction pass's.
std::string TupletToken(const Measure& measure, Line& line, ECTuplet* tuplet) {
    std::string ratio = UNKNOWN;
    std::string unit = UNKNOWN;
    // Time correction makes a tuplet with its display object and clears its
    // time kind once it has placed it.
    if (Known(measure, DisplayOf(tuplet), {DCctBase::DIRTY_TIME})) {
        ratio = std::to_string(tuplet->GetIrregular()) + ":" + std::to_string(tuplet->GetNormal());
        // Tuplet units count from the whole note (0), display values from the double whole.
        unit = ValueName(tuplet->GetUnits() + DCctNotate::VALUE_WHOLE);
    }
    return "tuplet(" + ratio + " unit=" + unit + " " + MemberTokens(measure, line, tuplet) + ")";
}

// A note, rest, chord or tuplet; empty for anything else.
std::string ElementToken(const Measure& measure, Line& line, ECBase* event) {
    switch (event->GetClassType()) {
    case ET_NOTE:
        return NoteToken(measure, line, static_cast<ECNote*>(event));
    case ET_REST:
        return RestToken(measure, line, event);
    case ET_CHORD:
        return ChordToken(measure, line, event);
    case ET_TUPLET:
        return TupletToken(measure, line, static_cast<ECTuplet*>(event));
    default:
        return {};
    }
}

bool IsNotated(int type) {
    return type == ET_NOTE || type == ET_REST || type == ET_CHORD || type == ET_TUPLET;
}

// The element a member is printed with: its chord, that chord's or its own
// tuplet, or itself.
ECBase* Outermost(ECBase* event) {
    if (event->GetClassType() == ET_NOTE)
        if (ECBase* chord = ParentOfType(event, ET_CHORD))
            event = chord;
    if (event->GetClassType() != ET_TUPLET)
        if (ECBase* tuplet = ParentOfType(event, ET_TUPLET))
            event = tuplet;
    return event;
}

// A tuplet's voice is its first member's.
int VoiceOf(ECBase* event) {
    if (event->GetClassType() == ET_TUPLET) {
        MCEventList* members = event->GetChildren();
        if (members && !members->IsEmpty())
            event = members->GetHead();
    }
    MCVoiceTrack* word = event->GetVoiceTrack();
    return word ? word->GetVoice() : 0;
}

}  // namespace

std::string DumpMeasure(ECMeasure* measure, int staff, int bar) {
    Measure context;
    context.display = DisplayOf(measure);
    if (const MCTime* time = measure->GetTime())
        context.startTicks = time->GetTicks(TICKS_PER_QUARTER);

    std::map<int, Line> lines;   // by voice, ascending
    std::set<ECBase*> printed;
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (!IsNotated(child->GetClassType()))
            continue;
        // A group is printed where its first member stands, once.
        ECBase* element = Outermost(child);
        if (!printed.insert(element).second)
            continue;
        Line& line = lines[VoiceOf(element)];
        line.tokens.push_back(ElementToken(context, line, element));
    }

    const std::string head = "staff " + std::to_string(staff) + " bar " + std::to_string(bar);
    if (lines.empty())
        return head + ": empty\n";
    std::string text;
    for (const auto& [voice, line] : lines) {
        text += head + " voice " + std::to_string(voice) + ":";
        for (const std::string& token : line.tokens)
            text += " " + token;
        text += "\n";
    }
    return text;
}

std::string DumpPiece(ECConductor* conductor) {
    std::string text;
    if (!conductor)
        return text;
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int number = 1; number <= staves; ++number) {
        ECBase* staff = conductor->GetTrack(TRACK_STAFF, number, 0);
        MCEventList* children = staff ? staff->GetChildren() : nullptr;
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() != ET_MEASURE)
                continue;
            const int bar = conductor->GetMeasureNumberAtTime(*child->GetTime());
            text += DumpMeasure(static_cast<ECMeasure*>(child), number, bar);
        }
    }
    return text;
}

}  // namespace notation_dump
