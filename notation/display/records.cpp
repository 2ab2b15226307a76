// The display-data records.
//
// One row per display class, in event-type order. A class still to come has
// its place held by a comment naming its event type; whoever writes the class
// puts its row (and its header above) in that place and nowhere else.
#include "notation/display/records.h"

#include "model/eventtypes.h"
#include "model/plugin.h"
#include "notation/display/accent.h"
#include "notation/display/accidental.h"
#include "notation/display/arpeggio.h"
#include "notation/display/base.h"
#include "notation/display/barline.h"
#include "notation/display/beam.h"
#include "notation/display/brace.h"
#include "notation/display/chord.h"
#include "notation/display/chordsymbol.h"
#include "notation/display/clef.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/dot.h"
#include "notation/display/dynamic.h"
#include "notation/display/flowcontrol.h"
#include "notation/display/frame.h"
#include "notation/display/gracenote.h"
#include "notation/display/key.h"
#include "notation/display/lyric.h"
#include "notation/display/measure.h"
#include "notation/display/meter.h"
#include "notation/display/mirror.h"
#include "notation/display/note.h"
#include "notation/display/ornament.h"
#include "notation/display/pedal.h"
#include "notation/display/performance.h"
#include "notation/display/repeat.h"
#include "notation/display/rest.h"
#include "notation/display/slur.h"
#include "notation/display/staff.h"
#include "notation/display/tempo.h"
#include "notation/display/text.h"
#include "notation/display/tie.h"
#include "notation/display/tremolo.h"
#include "notation/display/tuplet.h"

namespace {

const CPluginData s_displayRecords[] = {
    {RUNTIME_CLASS(DCctAccent), DK_NOTATION, ET_ACCENT},
    {RUNTIME_CLASS(DCctAccidental), DK_NOTATION, ET_ACCIDENTAL},
    {RUNTIME_CLASS(DCctArpeggio), DK_NOTATION, ET_ARPEGGIO},
    {RUNTIME_CLASS(DCctBarline), DK_NOTATION, ET_BARLINE},
    {RUNTIME_CLASS(DCctBase), DK_NOTATION, ET_BASE},
    {RUNTIME_CLASS(DCctBeam), DK_NOTATION, ET_BEAM},
    {RUNTIME_CLASS(DCctBrac), DK_NOTATION, ET_BRAC},
    {RUNTIME_CLASS(DCctChord), DK_NOTATION, ET_CHORD},
    {RUNTIME_CLASS(DCctChordSymbol), DK_NOTATION, ET_CHORDSYMBOL},
    {RUNTIME_CLASS(DCctClef), DK_NOTATION, ET_CLEF},
    {RUNTIME_CLASS(DCctConductor), DK_NOTATION, ET_CONDUCTOR},
    {RUNTIME_CLASS(DCctConductorMeasure), DK_NOTATION, ET_CONDUCTORMEASURE},
    {RUNTIME_CLASS(DCctConductorStaff), DK_NOTATION, ET_CONDUCTORSTAFF},
    {RUNTIME_CLASS(DCctDot), DK_NOTATION, ET_DOT},
    {RUNTIME_CLASS(DCctDynamic), DK_NOTATION, ET_DYNAMIC},
    {RUNTIME_CLASS(DCctFlowControl), DK_NOTATION, ET_FLOWCONTROL},
    {RUNTIME_CLASS(DCctFrame), DK_NOTATION, ET_FRAME},
    {RUNTIME_CLASS(DCctKey), DK_NOTATION, ET_KEY},
    {RUNTIME_CLASS(DCctLyric), DK_NOTATION, ET_LYRIC},
    {RUNTIME_CLASS(DCctMeasure), DK_NOTATION, ET_MEASURE},
    {RUNTIME_CLASS(DCctMeter), DK_NOTATION, ET_METER},
    {RUNTIME_CLASS(DCctMirror), DK_NOTATION, ET_MIRROR},
    {RUNTIME_CLASS(DCctMordent), DK_NOTATION, ET_MORDENT},
    {RUNTIME_CLASS(DCctNote), DK_NOTATION, ET_NOTE},
    {RUNTIME_CLASS(DCctOrnament), DK_NOTATION, ET_ORNAMENT},
    {RUNTIME_CLASS(DCctPedal), DK_NOTATION, ET_PEDAL},
    {RUNTIME_CLASS(DCctPerformance), DK_NOTATION, ET_PERFORMANCE},
    {RUNTIME_CLASS(DCctRepeat), DK_NOTATION, ET_REPEAT},
    {RUNTIME_CLASS(DCctRest), DK_NOTATION, ET_REST},
    {RUNTIME_CLASS(DCctSlur), DK_NOTATION, ET_SLUR},
    {RUNTIME_CLASS(DCctStaff), DK_NOTATION, ET_STAFF},
    {RUNTIME_CLASS(DCctTempo), DK_NOTATION, ET_TEMPO},
    {RUNTIME_CLASS(DCctText), DK_NOTATION, ET_TEXT},
    {RUNTIME_CLASS(DCctTie), DK_NOTATION, ET_TIE},
    {RUNTIME_CLASS(DCctTranspose), DK_NOTATION, ET_TRANSPOSE},
    {RUNTIME_CLASS(DCctTremolo), DK_NOTATION, ET_TREMOLO},
    {RUNTIME_CLASS(DCctTrill), DK_NOTATION, ET_TRILL},
    {RUNTIME_CLASS(DCctTuplet), DK_NOTATION, ET_TUPLET},
    {RUNTIME_CLASS(DCctTurn), DK_NOTATION, ET_TURN},
    {RUNTIME_CLASS(DCctGraceNote), DK_NOTATION, ET_GRACENOTE},
};

}  // namespace

std::span<const CPluginData> DisplayDataRecords() {
    return s_displayRecords;
}
