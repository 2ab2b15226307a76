// Clearing derived notation from staff measures before a command changes
// them, so that renotation makes it afresh.
//
// Rests, chords, beams, tuplets, dots and the tied continuation notes with
// their ties are derived: the passes make them. These operations never
// delete anything themselves: each element they clear is first withdrawn
// from its measure's ruler (ACBuildRulers, remove, this element only) and
// then put on the command's discard list (CCBase::Discard), and the command
// takes it out of the tree when it runs.
//
// Every operation takes a voice: VOICE_ALL (14) takes every element, any
// other value only the elements of that voice (an element without a
// voice/track word of its own, an accidental, accent or dot, takes its first
// parent's). The engine calls these with its hidden threshold (6 ticks at
// 256 per quarter note): a note that little before a measure's start is
// still that measure's.
//
// Here the list forms over staff measures the measure and meter preparations
// use; the other clearing operations join with the edit handlers.
// Stateless; UI thread, inside the command batch.
#pragma once

class CCBase;
class ECBase;
class MCEventList;
class MCTime;

constexpr unsigned VOICE_ALL = 14;
// The engine's default hidden threshold, in ticks at 256 per quarter note.
constexpr int kHiddenThresholdTicks = 6;

// Whether the element's voice passes the voice filter.
bool PassesVoiceFilter(ECBase* element, unsigned voice);

// Discards the elements of `type` in [s, end) of the measures, s being start
// less the threshold when the first measure starts exactly at start, else
// start. Dots, accents and accidentals are looked for among the notes of
// that range. A cleared chord's notes lose their accidentals' user offsets.
// 0 for an empty list, else 1.
int ClearEventsInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, int type,
                       unsigned voice, int thresholdTicks = kHiddenThresholdTicks);

// Discards the ties and continuation notes of every tie chain that reaches
// into [start, end] (a note already value-dirty is left alone) and marks
// each chain's head value- and time-dirty, so the note value pass splits it
// again. When chains were found, start and end widen to cover them and the
// answer is 1; else 0.
int ClearTiesInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice);

// Slurs are the user's, never derived: nothing to clear. 0.
int ClearSlursInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice);
