// The event type table, and creation and naming of events by type number.
#include "model/eventtypes.h"

#include "model/event.h"
#include "model/strings.h"
#include "platform/core/resources.h"

#include <array>

namespace {

// number, class, display-name string, created by number, parent types.
// Display names are numbered in type order with three gaps: the bank-select
// types and the four base and root types have none, and 11783 is unused.
constexpr std::array<EventTypeInfo, ET_COUNT> kTypes = {{
    {ET_ACCENT, "ECAccent", 11776, true, 3, {ET_NOTE, ET_CHORD, ET_GRACENOTE}},
    {ET_ACCIDENTAL, "ECAccidental", 11777, true, 2, {ET_NOTE, ET_GRACENOTE}},
    {ET_ARPEGGIO, "ECArpeggio", 11778, true, 1, {ET_CHORD}},
    {ET_BANKLSB, "ECBankLSB", 0, false, 1, {ET_STAFF}},
    {ET_BANKMSB, "ECBankMSB", 0, false, 1, {ET_STAFF}},
    {ET_BARLINE, "ECBarline", 11779, true, 1, {ET_CONDUCTORMEASURE}},
    {ET_BASE, "ECBase", 11780, true, 0, {}},
    {ET_BEAM, "ECBeam", 11781, true, 1, {ET_MEASURE}},
    {ET_BRAC, "ECBrac", 11782, true, 1, {ET_CONDUCTORMEASURE}},
    {ET_CHANNELMODE, "ECChannelMode", 11784, true, 1, {ET_STAFF}},
    {ET_CHANNELPRESSURE, "ECChannelPressure", 11785, true, 1, {ET_STAFF}},
    {ET_CHORD, "ECChord", 11786, true, 3, {ET_MEASURE, ET_BEAM, ET_TUPLET}},
    {ET_CHORDSYMBOL, "ECChordSymbol", 11787, true, 1, {ET_MEASURE}},
    {ET_CLEF, "ECClef", 11788, true, 1, {ET_MEASURE}},
    {ET_CONDUCTOR, "ECConductor", 11789, true, 1, {ET_PERFORMANCE}},
    {ET_CONDUCTORMEASURE, "ECConductorMeasure", 11790, true, 1, {ET_CONDUCTORSTAFF}},
    {ET_CONDUCTORSTAFF, "ECConductorStaff", 11791, true, 1, {ET_CONDUCTOR}},
    {ET_CONTROLCHANGE, "ECControlChange", 11792, true, 1, {ET_STAFF}},
    {ET_DOT, "ECDot", 11793, true, 3, {ET_NOTE, ET_CHORD, ET_REST}},
    {ET_DYNAMIC, "ECDynamic", 11794, true, 1, {ET_STAFF}},
    {ET_FLOWCONTROL, "ECFlowControl", 11795, true, 1, {ET_CONDUCTORSTAFF}},
    {ET_FRAME, "ECFrame", 11796, true, 1, {ET_PERFORMANCE}},
    {ET_GROUP, nullptr, 0, false, 0, {}},
    {ET_KEY, "ECKey", 11798, true, 1, {ET_MEASURE}},
    {ET_LYRIC, "ECLyric", 11799, true, 2, {ET_NOTE, ET_MEASURE}},
    {ET_MEASURE, "ECMeasure", 11800, true, 1, {ET_STAFF}},
    {ET_METER, "ECMeter", 11801, true, 1, {ET_CONDUCTORSTAFF}},
    {ET_MIRROR, "ECMirror", 11802, true, 1, {ET_MEASURE}},
    {ET_MORDENT, "ECMordent", 11803, true, 2, {ET_NOTE, ET_CHORD}},
    {ET_NOTE, "ECNote", 11804, true, 4, {ET_MEASURE, ET_CHORD, ET_BEAM, ET_TUPLET}},
    {ET_ORNAMENT, "ECOrnament", 11805, true, 1, {ET_NOTE}},
    {ET_PEDAL, "ECPedal", 11806, true, 1, {ET_STAFF}},
    {ET_PERFORMANCE, "ECPerformance", 11807, true, 0, {}},
    {ET_PITCHBEND, "ECPitchBend", 11808, true, 1, {ET_STAFF}},
    {ET_POLYPRESSURE, "ECPolyPressure", 11809, true, 1, {ET_STAFF}},
    {ET_PROGRAMCHANGE, "ECProgramChange", 11810, true, 1, {ET_STAFF}},
    {ET_REPEAT, "ECRepeat", 11811, true, 1, {ET_MEASURE}},
    {ET_REST, "ECRest", 11812, true, 3, {ET_MEASURE, ET_BEAM, ET_TUPLET}},
    {ET_SLUR, "ECSlur", 11813, true, 1, {ET_STAFF}},
    {ET_STAFF, "ECStaff", 11814, true, 1, {ET_CONDUCTOR}},
    {ET_SYSTEMMESSAGE, "ECSystemMessage", 11815, true, 1, {ET_CONDUCTORSTAFF}},
    {ET_TEMPO, "ECTempo", 11816, true, 1, {ET_CONDUCTORSTAFF}},
    {ET_TEXT, "ECText", 11817, true, 0, {}},   // by its text type: ECText answers
    {ET_TIE, "ECTie", 11818, true, 1, {ET_STAFF}},
    {ET_TRANSPOSE, "ECTranspose", 11819, true, 1, {ET_STAFF}},
    {ET_TREMOLO, "ECTremolo", 11820, true, 2, {ET_NOTE, ET_CHORD}},
    {ET_TRILL, "ECTrill", 11821, true, 2, {ET_NOTE, ET_CHORD}},
    {ET_TUPLET, "ECTuplet", 11822, true, 1, {ET_MEASURE}},
    {ET_TURN, "ECTurn", 11823, true, 2, {ET_NOTE, ET_CHORD}},
    {ET_WITHCHILD, "ECWithChild", 0, true, 0, {}},
    {ET_WITHTIME, "ECWithTime", 0, true, 0, {}},
    {ET_WITHTIMECHILD, "ECWithTimeChild", 0, true, 0, {}},
    {ET_PAN, "ECPan", 11824, true, 3, {ET_MEASURE, ET_STAFF, ET_WAVETRACK}},
    {ET_TRACK, "ECTrack", 0, true, 0, {}},   // its string 11825 is shown by no type
    {ET_WAVE, "ECWave", 11826, true, 1, {ET_WAVETRACK}},
    {ET_WAVETRACK, "ECWaveTrack", 11827, true, 1, {ET_CONDUCTOR}},
    {ET_GRACENOTE, "ECGraceNote", 11828, true, 1, {ET_NOTE}},
}};

// Every row sits at its own number.
constexpr bool RowsInOrder() {
    for (int i = 0; i < ET_COUNT; ++i) {
        if (kTypes[static_cast<size_t>(i)].type != i)
            return false;
    }
    return true;
}
static_assert(RowsInOrder());

}  // namespace

const EventTypeInfo* GetEventTypeInfo(int type) {
    if (type < 0 || type >= ET_COUNT)
        return nullptr;
    return &kTypes[static_cast<size_t>(type)];
}

std::span<const int> GetEventParentTypes(int type) {
    const EventTypeInfo* info = GetEventTypeInfo(type);
    if (!info)
        return {};
    return {info->parents, static_cast<size_t>(info->parentCount)};
}

const CRuntimeClass* ECBase::GetEventRuntimeClass(int type) {
    const EventTypeInfo* info = GetEventTypeInfo(type);
    if (!info || !info->createdByNumber || !info->className)
        return nullptr;
    return CRuntimeClass::FromName(info->className);
}

ECBase* ECBase::CreateEvent(int type) {
    const CRuntimeClass* cls = GetEventRuntimeClass(type);
    if (!cls || !cls->IsDerivedFrom(RUNTIME_CLASS(ECBase)))
        return nullptr;
    return static_cast<ECBase*>(cls->CreateObject());
}

std::string ECBase::GetEventString(int type) {
    const EventTypeInfo* info = GetEventTypeInfo(type);
    std::string text;
    if (info && info->stringId != 0)
        LoadString(GetLodemarModule(), info->stringId, text);
    return text;
}
