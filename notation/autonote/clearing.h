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
// Each operation comes in a list form, over staff measures (or any list of
// elements), and an element form, over one element and what lies under it.
// Times are passed by reference; the operations that widen them say so.
// Overlap is always tested against the range as passed in, never against
// the range an earlier element of the same call widened.
//
// A null time (MCTime::TimeNull()) as a bound of the rest and beam clearing
// leaves that side of the range open: null start and end take every rest or
// beam of the measures, and the range becomes the span they cover.
//
// Stateless: every call makes its own actions and lists. UI thread, inside
// the command batch; no locks of their own.
#pragma once

class CCBase;
class ECBase;
class ECConductor;
class MCEventList;
class MCTime;

constexpr unsigned VOICE_ALL = 14;
// The engine's default hidden threshold, in ticks at 256 per quarter note.
constexpr int kHiddenThresholdTicks = 6;

// Whether the element's voice passes the voice filter.
bool PassesVoiceFilter(ECBase* element, unsigned voice);

// Discards every element of `type` in the list, or under the element (the
// element included), that passes the voice filter. A cleared chord's notes go
// back to their plain notehead place and their accidentals lose their user
// offsets. 1.
int ClearEvents(CCBase* command, MCEventList& events, int type, unsigned voice);
int ClearEvents(CCBase* command, ECBase* element, int type, unsigned voice);

// Discards the elements of `type` in [s, end) of the measures, s being start
// less the threshold when the first measure starts exactly at start, else
// start. Dots, accents and accidentals are looked for among the notes of
// that range. A cleared chord's notes lose their accidentals' user offsets.
// 0 for an empty list, else 1.
int ClearEventsInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, int type,
                       unsigned voice, int thresholdTicks = kHiddenThresholdTicks);
// The same over one element, always from start itself: a lone element has
// no measure list whose first bar could begin the window. 0 without an
// element, else 1.
int ClearEventsInRange(CCBase* command, ECBase* element, MCTime& start, MCTime& end, int type, unsigned voice);

// The tie chain of the note, or, when the note stands in a chord, of every
// note of that chord (the answer is the last note's). A chord already
// value-dirty was handled earlier in the batch and is left alone: 0.
int ClearTies(CCBase* command, ECBase* note, MCTime& start, MCTime& end, unsigned voice);
// The tie chain of one note: start and end widen to the chain's span, and
// from its head each tie and the note it leads to are discarded; the head
// stays. 1; 0 when the note is tied to nothing or is outside the voice filter.
int _ClearTies(CCBase* command, ECBase* note, MCTime& start, MCTime& end, unsigned voice);

// Discards the ties and continuation notes of every tie chain that reaches
// into [start, end] (a continuation marked value-dirty already goes too: it
// would be left untied) and marks each chain's head value- and time-dirty,
// or the chord it stands in, so the note value pass splits it again. When
// chains were found, start and end widen to cover them and the answer is 1;
// else 0.
int ClearTiesInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice);
int ClearTiesInRange(CCBase* command, ECBase* element, MCTime& start, MCTime& end, unsigned voice);

// Unmakes the tie chains reaching into staff `track`'s measures over [lo,
// hi) (the measures whole), widening lo and hi to each chain, until no
// chain reaches past those measures: for callers that mark them whole for
// every pass, whose notes are all tied again. A chain beginning exactly at
// the last measure's end belongs to the measure there. `measures` ends as
// the staff's measures over the window.
void ClearTieChainsAcross(CCBase* command, ECConductor* conductor, int track, MCTime& lo, MCTime& hi,
                          MCEventList& measures);

// Discards the rests standing directly in the staff measures of the list (or
// in the one measure) whose span, the measure's time plus the rest's notated
// tick start and duration (256 a quarter), overlaps (start, end): [s, e) is
// apart from (a, b) only when a and b both lie at or before s, or both at or
// after e. Each discarded rest widens the range to cover it (a null bound
// takes the rest's). A rest without notated data has no span and stays.
// 1 when a rest was discarded, else 0.
int ClearRestsInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice);
int ClearRestsInRange(CCBase* command, ECBase* measure, MCTime& start, MCTime& end, unsigned voice);
// The same for beams, spanning their stored tick range. Everything under a
// discarded beam is first marked value-dirty: its notes are regrouped and
// their values looked at again.
int ClearBeamsInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice);
int ClearBeamsInRange(CCBase* command, ECBase* measure, MCTime& start, MCTime& end, unsigned voice);

// Slurs are the user's, never derived: nothing to clear. 0.
int ClearSlursInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice);
int ClearSlursInRange(CCBase* command, ECBase* element, MCTime& start, MCTime& end, unsigned voice);

// Chords, beams and stems after a change are rebuilt from the dirty kinds
// the preparations set on the measures (CAutoNote::DirtyMeasuresForNotation):
// nothing is left for these to mark. Kept so that a preparation reads as the
// list of what it renews. 1.
// (The spelling counterpart, which shows hidden accidentals again, needs the
// engine: CAutoNote::DirtySpellingInRange.)
int DirtyEventsInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, int type,
                       unsigned voice);
int DirtyStemsInRange(MCEventList& measures, MCTime& start, MCTime& end, unsigned voice);
