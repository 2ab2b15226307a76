#include "interface/controls/timeformat.h"

#include "model/conductor.h"
#include "platform/core/format.h"
#include "platform/core/resources.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>

// The forms, as printf writes them; the empty forms are what a field shows
// when there is nothing to convert with.
STRING_TABLE({11550, "%03d:%02d"},
             {11551, "%03d:%02d:%03d"},
             {11552, "%03d:%02d.%03d"},
             {11553, "%02d.%03d"},
             {11554, "%01d:%02d:%02d.%02d"},
             {11555, "%04d:%03d"},
             {11560, "---:--"},
             {11561, "---:--:---"},
             {11562, "---:--.---"},
             {11563, "--.---"},
             {11564, "-:--:--:--"});

namespace {

const MCTimeFormatInfo kFormats[] = {
    {11550, 11560, 6, 2, {{0, 3}, {4, 6}, {0, 0}}},
    {11551, 11561, 10, 3, {{0, 3}, {4, 6}, {7, 10}}},
    {11552, 11562, 11, 3, {{0, 3}, {4, 6}, {7, 11}}},
    {11553, 11563, 7, 2, {{0, 2}, {3, 8}, {0, 0}}},
    {11554, 11564, 10, 3, {{0, 1}, {2, 4}, {5, 10}}},
    {11555, 0, 8, 2, {{0, 4}, {5, 8}, {0, 0}}},
};

// Thousandths of a beat from ticks, and back; both round half up.
int ThousandthsOfTicks(int tick, int ppq) {
    return static_cast<int>(static_cast<double>(tick) / ppq * 1000.0 + 0.5);
}
int TicksOfThousandths(int thousandths, int ppq) {
    return static_cast<int>(thousandths / 1000.0 * ppq + 0.5);
}

// Reads a text as the C library's scanning reads "%d:%d" forms: blanks before
// a number are skipped, and reading stops at the first number or separator
// that is not there, leaving the fields after it as they were. A run of
// digits too long for an int saturates rather than wrapping.
class CTimeTextReader {
public:
    explicit CTimeTextReader(const char* text) : m_p(text ? text : "") {}

    bool Number(int& value) {
        double number = 0;
        if (!Decimal(number, false))
            return false;
        // A number typed past what an int holds stands at its limit (the
        // conversion of a larger one has no value).
        value = number >= INT_MAX ? INT_MAX : number <= INT_MIN ? INT_MIN : static_cast<int>(number);
        return true;
    }
    // A number with a fraction ("5.50").
    bool Seconds(double& value) { return Decimal(value, true); }
    bool Separator(char separator) {
        if (*m_p != separator)
            return false;
        ++m_p;
        return true;
    }

private:
    bool Decimal(double& value, bool fraction) {
        while (std::isspace(static_cast<unsigned char>(*m_p)))
            ++m_p;
        const char* p = m_p;
        const bool negative = *p == '-';
        if (*p == '-' || *p == '+')
            ++p;
        double number = 0;
        bool digits = false;
        for (; std::isdigit(static_cast<unsigned char>(*p)); ++p, digits = true)
            number = std::min(number * 10 + (*p - '0'), static_cast<double>(INT_MAX));
        if (fraction && *p == '.') {
            double scale = 0.1;
            for (++p; std::isdigit(static_cast<unsigned char>(*p)); ++p, digits = true, scale /= 10)
                number += (*p - '0') * scale;
        }
        if (!digits)
            return false;
        m_p = p;
        value = negative ? -number : number;
        return true;
    }

    const char* m_p;
};

// A bar or beat as typed: counted from 1, where 0 (or less) counts as 1.
int FromOne(int shown) {
    return shown > 1 ? shown - 1 : 0;
}

// A count from 0 shown from 1; the largest stays the largest.
int ToOne(int32_t counted) {
    return counted < INT_MAX ? counted + 1 : INT_MAX;
}

}  // namespace

const MCTimeFormatInfo& GetTimeFormatInfo(int format) {
    return kFormats[format >= 0 && format <= TIMEFMT_DURATION ? format : TIMEFMT_BAR_BEAT_TICK];
}

int FormatTimeWith(std::string& text, const MCTime& time, ECConductor* conductor, int format, int showDuration,
                   int indeterminate) {
    text.clear();
    if (indeterminate)
        return 1;
    const int ppq = MCTime::GlobalPPQ;
    if (showDuration) {
        double whole = 0;
        const double fraction = std::modf(static_cast<double>(time.GetSeconds()), &whole);
        int ticks = static_cast<int>(fraction * ppq + 0.5);
        // A fraction a hair below the next quarter rounds up to it: carry, so
        // that the tick group never shows the PPQ itself.
        if (ticks >= ppq) {
            whole += 1;
            ticks -= ppq;
        }
        text = Format(GetTimeFormatInfo(TIMEFMT_DURATION).formatId, static_cast<int>(whole), ticks);
        return 1;
    }
    if (conductor && time != MCTime::TimeNull()) {
        if (format == TIMEFMT_CLOCK) {
            // A clock shows real time: a musical position is first taken
            // through the tempo map.
            const MCTime real = time.GetMode() == TM_REAL ? time : conductor->TranslateTime(time);
            double rest = real.GetSeconds();
            const int hours = static_cast<int>(rest / 3600);
            rest -= hours * 3600.0;
            const int minutes = static_cast<int>(rest / 60);
            rest -= minutes * 60.0;
            const int seconds = static_cast<int>(rest);
            const int hundredths = static_cast<int>((rest - seconds) * 100);
            text = Format(GetTimeFormatInfo(format).formatId, hours, minutes, seconds, hundredths);
            return 1;
        }
        if (format < TIMEFMT_BAR_BEAT || format > TIMEFMT_CLOCK)
            return 0;
        const BPTTime bpt = conductor->BarPulseTick(time, ppq).GetBarPulseTick();
        const unsigned id = GetTimeFormatInfo(format).formatId;
        switch (format) {
        case TIMEFMT_BAR_BEAT: text = Format(id, ToOne(bpt.bar), ToOne(bpt.pulse)); break;
        case TIMEFMT_BAR_BEAT_TICK: text = Format(id, ToOne(bpt.bar), ToOne(bpt.pulse), bpt.tick); break;
        case TIMEFMT_BAR_BEAT_FRACTION:
            text = Format(id, ToOne(bpt.bar), ToOne(bpt.pulse), ThousandthsOfTicks(bpt.tick, ppq));
            break;
        default: text = Format(id, ToOne(bpt.pulse), ThousandthsOfTicks(bpt.tick, ppq)); break;
        }
        return 1;
    }
    if (format >= TIMEFMT_BAR_BEAT && format <= TIMEFMT_CLOCK)
        text = LoadString(GetTimeFormatInfo(format).emptyId);
    return 1;
}

MCTime ReadTimeWith(const char* text, ECConductor* conductor, int format, int showDuration) {
    CTimeTextReader reader(text);
    const int ppq = MCTime::GlobalPPQ;
    if (showDuration) {
        int whole = 0;
        int ticks = 0;
        if (reader.Number(whole) && reader.Separator(':'))
            reader.Number(ticks);
        return MCTime(static_cast<float>(whole + static_cast<double>(ticks) / ppq));
    }
    if (!conductor)
        return MCTime(0.0f);
    int bar = 0;
    int beat = 0;
    int tick = 0;
    switch (format) {
    case TIMEFMT_BAR_BEAT:
        if (reader.Number(bar) && reader.Separator(':'))
            reader.Number(beat);
        break;
    case TIMEFMT_BAR_BEAT_TICK:
        if (reader.Number(bar) && reader.Separator(':') && reader.Number(beat) && reader.Separator(':'))
            reader.Number(tick);
        break;
    case TIMEFMT_BAR_BEAT_FRACTION: {
        int thousandths = 0;
        if (reader.Number(bar) && reader.Separator(':') && reader.Number(beat) && reader.Separator('.') &&
            reader.Number(thousandths))
            tick = TicksOfThousandths(thousandths, ppq);
        break;
    }
    case TIMEFMT_BEAT_FRACTION: {
        int thousandths = 0;
        if (reader.Number(beat) && reader.Separator('.') && reader.Number(thousandths))
            tick = TicksOfThousandths(thousandths, ppq);
        break;
    }
    case TIMEFMT_CLOCK: {
        int hours = 0;
        int minutes = 0;
        double seconds = 0;
        if (reader.Number(hours) && reader.Separator(':') && reader.Number(minutes) && reader.Separator(':'))
            reader.Seconds(seconds);
        MCTime real(static_cast<float>(hours * 3600.0 + minutes * 60.0 + seconds));
        real.SetMode(TM_REAL);
        return real;
    }
    default:
        return MCTime(0.0f);
    }
    return conductor->NormalizeTime(MCTime(FromOne(bar), FromOne(beat), std::max(tick, 0), ppq));
}
