// The engine's construction, binding, settings and progress reporting.
#include "notation/autonote/autonote.h"

#include "model/appstates.h"
#include "notation/autonote/guessmarks.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "model/states.h"
#include "notation/view/cantrel.h"
#include "platform/core/resources.h"

STRING_TABLE({IDS_NOTATING_FILE, "Notating file..."});

namespace {

constexpr const char* kNotationSection = "Settings\\Notation";
constexpr const char* kRecordSection = "Sequencer\\Midi\\Record";
// A tuplet's unit: a whole note (0) down to its 128th part (7).
constexpr int kLargestTupletUnit = 7;

}  // namespace

TupletSearch TupletSearchFor(int look) {
    if (look < -1 || look == -1)
        return {0, 3};
    if (look == 0)
        return {1, 2};
    if (look == 1 || look > 9)
        return {1, 3};
    return {1, look + 2};
}

CAutoNote::CAutoNote() {
    UpdatePreferences();
    m_pView = nullptr;
    m_flags &= static_cast<uint8_t>(~(FLAG_PREPARED | FLAG_REPLACE_EVENT));
    m_chunkSize = DEFAULT_CHUNK_SIZE;
}

CAutoNote::~CAutoNote() = default;

ECPerformance* CAutoNote::GetBaseEvent() const {
    return m_pView ? m_pView->GetBaseEvent() : nullptr;
}

ECConductor* CAutoNote::GetConductor() const {
    ECPerformance* performance = GetBaseEvent();
    return performance ? performance->GetConductor() : nullptr;
}

void CAutoNote::SetDirtyRect() {
    m_moveNote.SetUpdateRect(&m_dirtyRect);
    m_timeCorrect.SetUpdateRect(&m_dirtyRect);
    m_multivoice.SetUpdateRect(&m_dirtyRect);
    m_noteValue.SetUpdateRect(&m_dirtyRect);
    m_chord.SetUpdateRect(&m_dirtyRect);
    m_spell.SetUpdateRect(&m_dirtyRect);
    m_rest.SetUpdateRect(&m_dirtyRect);
    m_beam.SetUpdateRect(&m_dirtyRect);
    // The stem pass uses none.
}

void CAutoNote::AttachBaseEvent() {
    ECPerformance* performance = GetBaseEvent();
    m_moveNote.Attach(performance);
    m_timeCorrect.Attach(performance);
    m_multivoice.Attach(performance);
    m_noteValue.Attach(performance);
    m_chord.Attach(performance);
    m_spell.Attach(performance);
    m_rest.Attach(performance);
    m_beam.Attach(performance);
    // The passes still to join that take the update list take the
    // performance here too.
}

void CAutoNote::SetReplaceEvent(int on) {
    if (on & 1)
        m_flags |= FLAG_REPLACE_EVENT;
    else
        m_flags &= static_cast<uint8_t>(~FLAG_REPLACE_EVENT);
}

int CAutoNote::Finish(CCBase*) {
    SetReplaceEvent(0);
    return 0;
}

void CAutoNote::UpdatePreferences() {
    // In ticks of 256 a quarter: at most a whole note.
    m_resolution = static_cast<uint16_t>(
        LoadIntPreference(kNotationSection, "Resolution", DEFAULT_RESOLUTION, 1, 4 * ANBase::TICKS_PER_QUARTER));
    m_lookForTuplet = LoadIntPreference(kNotationSection, "Tuplets", DEFAULT_LOOK_FOR_TUPLET);
    m_tupletUnit = LoadIntPreference(kNotationSection, "TupletUnit", DEFAULT_TUPLET_UNIT, 0, kLargestTupletUnit);
    m_splitPitch = static_cast<uint8_t>(LoadIntPreference(kRecordSection, "Split Pitch", DEFAULT_SPLIT_PITCH, 0, 127));
    m_hiddenThreshold.SetTicks(HIDDEN_THRESHOLD_TICKS, ANBase::TICKS_PER_QUARTER);
    m_tupletSearch = TupletSearchFor(m_lookForTuplet);
}

void CAutoNote::SetResolution(uint16_t resolution) {
    m_resolution = resolution;
    // Note moving takes a note that would round onto the bar line into the
    // next measure, on the grid the time correction rounds to.
    m_moveNote.SetResolution(resolution);
    m_timeCorrect.SetResolution(resolution);
}

void CAutoNote::SetLookForTuplet(int look) {
    m_lookForTuplet = look;
    m_tupletSearch = TupletSearchFor(look);
    m_timeCorrect.SetLookForBorrowed(m_tupletSearch.on, m_tupletSearch.division, m_tupletUnit);
}

void CAutoNote::SetTupletHint(int division, int) {
    m_tupletSearch = {1, division};
    m_timeCorrect.SetLookForBorrowed(1, division, m_tupletUnit);
    if (division == 2)
        m_lookForTuplet = 0;
    else if (division >= 4 && division <= 11)
        m_lookForTuplet = division - 2;
    else
        m_lookForTuplet = 1;
}

void CAutoNote::ApplyRunSettings() {
    SetResolution(m_resolution);
    SetLookForTuplet(m_lookForTuplet);
    // The time correction pass forgets the split on the first staff that is
    // not a grand staff; given again before every run, a grand staff after
    // such a staff still divides its tuplets by pitch.
    m_timeCorrect.SetSplit(m_splitPitch);
}

void CAutoNote::GuessClefAndKey(ECStaff* staff) {
    if (!staff)
        return;
    ANGuessClef clef;
    clef.Attach(GetBaseEvent());
    clef.GuessClef(staff);
    ANGuessKey key;
    key.Attach(GetBaseEvent());
    key.GuessKey(staff);
}

void CAutoNote::SetVoiceHint(unsigned voice) {
    m_voiceHint = voice;
    m_multivoice.SetVoiceHint(voice);
}

void CAutoNote::SetHiddenThreshold(const MCTime& threshold) {
    m_hiddenThreshold = threshold;
    m_moveNote.SetHiddenThreshold(threshold);
}

void CAutoNote::SendProgress(unsigned code, const std::string& text, int low, int high) {
    ECPerformance* performance = GetBaseEvent();
    if (!performance)
        return;
    auto* status = text.empty() ? new SCStatus(code) : new SCStatus(code, text);
    status->SetProgressRange(low, high);
    status->SetAsynchronous(0);
    status->Apply(performance);
}

void CAutoNote::SendProgressText(const std::string& text) {
    ECPerformance* performance = GetBaseEvent();
    if (!performance)
        return;
    auto* status = new SCStatus(STATE_PROGRESS_TEXT, text);
    status->SetAsynchronous(0);
    status->Apply(performance);
}
