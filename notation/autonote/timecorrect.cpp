// ANTimeCorrect: the settings, the rounding and quantizing of single notes
// and chords, and the measure walk. Tuplets: timecorrect_tuplets.cpp; the
// tuplet search: timecorrect_search.cpp.
#include "notation/autonote/timecorrect.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"
#include "notation/layout/digits.h"

#include <cstdlib>
#include <mutex>

namespace {

constexpr int kNormalScale = ANBase::TICKS_PER_QUARTER;
// A note with a negative performed length is shown a quarter long until a
// later run can read it.
constexpr int kNegativeLengthTicks = 256;
constexpr int ROUND_START = 0;
constexpr int ROUND_DURATION = 1;
// The scale a note display stores its ticks in.
constexpr int OWN_SCALE = DCctTuplet::TICKS_OWN;

// The note a note or chord is read by: the note itself, or a chord's first note.
ECNote* ReadNote(ECBase* element) {
    if (!element)
        return nullptr;
    if (element->GetClassType() == ET_NOTE)
        return static_cast<ECNote*>(element);
    if (element->GetClassType() != ET_CHORD)
        return nullptr;
    MCEventList* children = element->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_NOTE)
            return static_cast<ECNote*>(child);
    }
    return nullptr;
}

DCctNotate* MakeNotate(ECBase* element) {
    return dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 1));
}

}  // namespace

ANTimeCorrect::ANTimeCorrect() = default;

void ANTimeCorrect::SetLookForBorrowed(int look, int number, int unit) {
    m_lookForBorrowed = look;
    m_tupletNumber = static_cast<uint16_t>(number);
    m_tupletUnit = static_cast<uint16_t>(ECTuplet::GetUnitsAsTime(unit).GetTicks(TICKS_PER_QUARTER));
}

int ANTimeCorrect::GetNormalFromBorrowed(int number) {
    switch (number) {
    case 2:
        return 3;
    case 4:
        return 6;
    case 8:
        return 12;
    default:
        break;
    }
    if (number <= 0)
        return 0;
    if ((number & (number - 1)) == 0)
        return 0;   // any other power of two has no normal count
    return HighestPowerOfTwo(number, 0);
}

int ANTimeCorrect::RoundToResolution(int a, int step, int* error) {
    const int q = step == 0 ? a : (a + step / 2) / step * step;
    if (error)
        *error = std::abs(q - a);
    return q;
}

int ANTimeCorrect::OffsetTicks(ECBase* element, ECMeasure* measure, int scale) {
    const MCTime* time = element ? element->GetTime() : nullptr;
    const MCTime* measureTime = measure ? measure->GetTime() : nullptr;
    if (!time || !measureTime)
        return 0;
    MCTime offset = *time;
    offset -= *measureTime;
    const int ticks = offset.GetTicks(scale);
    return ticks < 0 ? 0 : ticks;
}

int ANTimeCorrect::TimeCorrectTick(ECNote* note, int ticks, int scale, int step, int* accumulator, int duration) {
    if (ticks == 0)
        return 0;
    if (duration && note) {
        const MCTime performed = ECNote::ScaleDuration(note->GetDuration(), 1);
        ticks = performed.GetTicks(scale);
    }
    int error = 0;
    const int rounded = RoundToResolution(ticks, step, &error);
    if (accumulator)
        *accumulator += error;
    return rounded;
}

int ANTimeCorrect::BorrowedScale() const {
    return m_groupPulse == 0 ? 0 : m_borrowedPulse * TICKS_PER_QUARTER / m_groupPulse;
}

void ANTimeCorrect::TimeCorrectNormal(ECBase* element) {
    TimeCorrectNote(element, m_pMeasure, m_pMeter, kNormalScale, m_groupPulse, m_groupPulse);
}

void ANTimeCorrect::TimeCorrectBorrowed(ECBase* element) {
    TimeCorrectNote(element, m_pMeasure, m_pMeter, BorrowedScale(), m_borrowedPulse, m_groupPulse);
}

bool ANTimeCorrect::QuantizeLength(ECNote* note, DCctNotate* display, int scale, uint16_t pulse, uint16_t groupPulse,
                                   Length& length) {
    // Whether the note has a length is the note's own duration: a note that
    // sounds nothing (the later part of a tie the value pass split off) must
    // not be read through the duration function, which may give a zero
    // length a length of its own.
    const MCTime own = *note->GetDuration();
    const MCTime performed = ECNote::ScaleDuration(&own, 1);
    length.performed = performed.GetTicks(scale);
    length.negative = own < MCTime::TimeZero();
    length.zero = own == MCTime::TimeZero();
    if (length.negative) {
        length.ticks = kNegativeLengthTicks;
    } else if (!length.zero) {
        length.ticks = TimeCorrectTick(note, length.performed, scale, m_resolution, nullptr, ROUND_DURATION);
    } else {
        // No length of its own (an entered note, or the later part of a
        // tie): the notated one, carried into this division.
        if (groupPulse == 0)
            return false;
        length.ticks = RoundToResolution(pulse * display->GetTickDuration(OWN_SCALE) / groupPulse, m_resolution,
                                         nullptr);
    }
    if (length.ticks < m_resolution)
        length.ticks = m_resolution;   // nothing is shorter than the grid
    return true;
}

void ANTimeCorrect::TimeCorrectNote(ECBase* element, ECMeasure* measure, ECMeter* meter, int scale, uint16_t pulse,
                                    uint16_t groupPulse) {
    if (!element || !measure || !meter || scale <= 0)
        return;
    const int r = m_resolution;
    const int measureLength = RoundToResolution(meter->GetTicksPerMeasure(static_cast<unsigned short>(scale)), r,
                                                nullptr);
    ECNote* note = ReadNote(element);
    if (!note)
        return;
    DCctNotate* noteDisplay = MakeNotate(note);
    if (!noteDisplay)
        return;   // no display class for it yet: passed over

    int start = TimeCorrectTick(note, OffsetTicks(element, measure, scale), scale, r, nullptr, ROUND_START);
    if (start >= measureLength)
        start = measureLength - r;   // a note at the bar line belongs to the last grid step

    Length length;
    if (!QuantizeLength(note, noteDisplay, scale, pulse, groupPulse, length))
        return;
    int duration = length.ticks;
    const bool negative = length.negative;
    // A note that ends a hair past the bar line was meant to end on it; one
    // that reaches further keeps its length (the value pass ties it over).
    const int threshold = m_hiddenThreshold.GetTicks(TICKS_PER_QUARTER);
    if (start + duration > measureLength && !length.zero && length.performed + start <= measureLength + threshold)
        duration = measureLength - start;

    auto write = [&](DCctNotate* display) {
        display->SetTickStart(static_cast<WORD>(start));
        display->SetTickDuration(static_cast<WORD>(duration));
        display->SetBase(pulse, groupPulse);
        if (!negative)
            display->SetTimeDirty(0);
    };
    if (element->GetClassType() == ET_NOTE) {
        write(noteDisplay);
        return;
    }
    // A chord: its notes share the first note's times. The chord keeps its
    // time-dirty flag with a negative length, as its notes do, so that the
    // next run reaches them again.
    if (auto* chordDisplay = dynamic_cast<DCctBase*>(element->GetData(DK_NOTATION, 0)); chordDisplay && !negative)
        chordDisplay->SetTimeDirty(0);
    MCEventList* children = element->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() != ET_NOTE)
            continue;
        if (DCctNotate* display = MakeNotate(child))
            write(display);
    }
}

void ANTimeCorrect::SetBase(MCRuler& ruler, ECMeter* meter) {
    m_groupPulse = ruler.GetGroupPulse(0);
    m_borrowedPulse = ruler.GetBorrowedPulse(meter, m_tupletNumber);
}

void ANTimeCorrect::DoMeasure(ECStaff* staff, ECMeasure* measure, ECMeter* meter) {
    if (!staff || !measure || !meter)
        return;
    auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
    if (!display)
        return;
    MCRuler& ruler = display->GetRuler();

    // The finer of the pass's grid and the ruler's wins.
    const WORD mainPulse = ruler.GetGroupPulse(0);
    if (m_resolution < ruler.GetResolution(mainPulse))
        ruler.SetResolution(m_resolution, mainPulse);
    else
        m_resolution = ruler.GetResolution(MCRuler::ACTIVE_GROUP);
    if (!ruler.IsMeterSame(meter))
        ruler.ChangeMeter(meter, 1);
    SetBase(ruler, meter);

    m_pStaff = staff;
    m_pMeasure = measure;
    m_pMeter = meter;
    m_pRuler = &ruler;

    MCEventList work;
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* element = children->GetNext(pos);
        const int type = element->GetClassType();
        if (type != ET_NOTE && type != ET_CHORD && type != ET_TUPLET)
            continue;
        auto* elementDisplay = dynamic_cast<DCctBase*>(element->GetData(DK_NOTATION, 1));
        if (!elementDisplay || !elementDisplay->TimeDirty())
            continue;
        if (type != ET_TUPLET)
            TimeCorrectNormal(element);
        work.AddEvent(element, UNSORTED);
    }

    const int staffType = staff->GetStaffType();
    display->AddToVoiceTable(work, staffType);
    const std::vector<BYTE> voices = display->GetVoiceTable();
    MCEventList voiceList;
    for (BYTE voice : voices) {
        GetDataByVoice(voiceList, work, voice);
        if (voiceList.IsEmpty())
            continue;
        DoExistingTuplets(voiceList);
        if (m_lookForBorrowed != 1)
            continue;
        if (staffType != DCctMeasure::STAFF_GRAND)
            m_split = NO_SPLIT;
        DoTuplets(voiceList);
        GuessTuplets(voiceList);
    }

    m_pStaff = nullptr;
    m_pMeasure = nullptr;
    m_pMeter = nullptr;
    m_pRuler = nullptr;
}

bool ANTimeCorrect::NormalvsBorrowed(int normalStart, int normalDuration, int borrowedStart, int borrowedDuration) {
    return (borrowedStart + borrowedDuration) >= (normalStart + normalDuration) * 0.5;
}

int ANTimeCorrect::TimeCorrect(MCEventList& list, uint16_t from, uint16_t to, ECMeasure* measure, ECMeter* meter) {
    if (!measure || !meter)
        return 1;
    ECMeasure* savedMeasure = m_pMeasure;
    ECMeter* savedMeter = m_pMeter;
    m_pMeasure = measure;
    m_pMeter = meter;
    auto inRange = [&](ECBase* element) {
        const int tick = OffsetTicks(element, measure, kNormalScale);
        return from <= tick && tick < to;
    };

    int answer = 1;
    if (m_lookForBorrowed && m_groupPulse == 0) {
        answer = 0;
    } else {
        if (m_lookForBorrowed) {
            Weight sum;
            for (POSITION pos = list.GetHeadPosition(); pos;) {
                ECBase* element = list.GetNext(pos);
                ECNote* note = ReadNote(element);
                if (!note || !inRange(element))
                    continue;
                const Weight weight = WeightStartAndDuration(note);
                sum.normalStart = static_cast<uint16_t>(sum.normalStart + weight.normalStart);
                sum.normalDuration = static_cast<uint16_t>(sum.normalDuration + weight.normalDuration);
                sum.borrowedStart = static_cast<uint16_t>(sum.borrowedStart + weight.borrowedStart);
                sum.borrowedDuration = static_cast<uint16_t>(sum.borrowedDuration + weight.borrowedDuration);
            }
            answer = NormalvsBorrowed(sum.normalStart, sum.normalDuration, sum.borrowedStart, sum.borrowedDuration)
                         ? 1
                         : 0;
        }
        for (POSITION pos = list.GetHeadPosition(); pos;) {
            ECBase* element = list.GetNext(pos);
            if (!inRange(element))
                continue;
            if (answer == 1)
                TimeCorrectNormal(element);
            else
                TimeCorrectBorrowed(element);
        }
    }
    m_pMeasure = savedMeasure;
    m_pMeter = savedMeter;
    return answer;
}
