// MCConductorCache: meters and tempos in their slots, refusal of a second one
// at the same time, relative tempos; conversions between musical, real and
// bar/pulse/tick time against a reference integration of random tempo maps
// and a reference bar count over chains of meters; and changes made one at a
// time agreeing with a cache built afresh.
#include "model/conductorcache.h"

#include "model/lists.h"
#include "model/meter.h"
#include "model/tempo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

MCTime Real(float seconds) {
    MCTime t(seconds);
    t.SetMode(TM_REAL);
    return t;
}

void ExpectBpt(const MCTime& t, int bar, int pulse, int tick, int ppq) {
    ASSERT_EQ(t.GetMode(), TM_BPT);
    const BPTTime& b = t.GetBarPulseTick();
    EXPECT_EQ(b.bar, bar);
    EXPECT_EQ(b.pulse, pulse);
    EXPECT_EQ(b.tick, tick);
    EXPECT_EQ(b.ppq, ppq);
}

// Events live in m_events (which references them); the cache borrows them.
class ConductorCacheTest : public ::testing::Test {
protected:
    template <class Event>
    Event* Keep(Event* event, float at) {
        MCTime time(at);
        event->SetTime(&time);
        m_events.AddEvent(event, UNSORTED);
        return event;
    }
    ECMeter* Meter(float at, unsigned char numerator, unsigned char denominator) {
        return Keep(new ECMeter(numerator, denominator, 255), at);
    }
    ECTempo* Tempo(float at, float quartersPerMinute) {
        auto* tempo = new ECTempo;
        tempo->SetTempo(quartersPerMinute, 1.0f);
        return Keep(tempo, at);
    }

    MCEventList m_events;
    MCConductorCache m_cache;
};

// ---- reference tempo map ---------------------------------------------------

struct TempoChange {
    double at;        // quarter notes
    double speed;     // seconds per quarter note
};

// Real seconds at musical time t: the speed of each change applies from its
// time to the next; before the first change a quarter lasts one second.
double ReferenceReal(const std::vector<TempoChange>& map, double t) {
    double real = 0.0;
    double from = 0.0;
    double speed = 1.0;
    for (const auto& change : map) {
        if (change.at >= t)
            break;
        real += (change.at - from) * speed;
        from = change.at;
        speed = change.speed;
    }
    return real + (t - from) * speed;
}

} // namespace

TEST_F(ConductorCacheTest, EmptyCacheCountsOneQuarterPerSecond) {
    EXPECT_EQ(m_cache.GetSize(), 3);
    EXPECT_EQ(m_cache.GetTempoAtTime(5.0f), nullptr);
    EXPECT_EQ(m_cache.GetPointCount(), 1);
    const MCTime real = m_cache.TranslateTime(5.0f);
    EXPECT_EQ(real.GetMode(), TM_REAL);
    EXPECT_FLOAT_EQ(real.GetSeconds(), 5.0f);
    EXPECT_FLOAT_EQ(m_cache.NormalizeTime(Real(5.0f)).GetSeconds(), 5.0f);
    ExpectBpt(m_cache.BarPulseTick(5.0f, 480), 0, 0, 0, 480);
    // Without a meter a bar/pulse/tick time has no musical place.
    EXPECT_EQ(m_cache.NormalizeTime(MCTime(1, 1, 0, 480)), MCTime(0.0f));
}

TEST_F(ConductorCacheTest, TwoTemposTranslateBothWays) {
    ASSERT_EQ(m_cache.CacheEvent(Tempo(0.0f, 120.0f)), 1);   // speed 0.5
    ECTempo* second = Tempo(8.0f, 60.0f);                      // speed 1, rate 1
    ASSERT_EQ(m_cache.CacheEvent(second), 1);

    const MCTime real = m_cache.TranslateTime(10.0f);
    EXPECT_EQ(real.GetMode(), TM_REAL);
    EXPECT_FLOAT_EQ(real.GetSeconds(), 6.0f);   // 8 x 0.5 + 2 x 1
    const MCTime musical = m_cache.NormalizeTime(Real(6.0f));
    EXPECT_EQ(musical.GetMode(), TM_NORMAL);
    EXPECT_FLOAT_EQ(musical.GetSeconds(), 10.0f);

    // A real time finds its tempo by the real starts.
    EXPECT_EQ(m_cache.GetTempoAtTime(Real(4.5f)), second);
    EXPECT_EQ(m_cache.GetTempoAtTime(Real(3.5f)), m_cache.GetTempoAtTime(0.0f));
    EXPECT_EQ(m_cache.GetTempoBeforeTime(8.0f), m_cache.GetTempoAtTime(0.0f));
    EXPECT_EQ(m_cache.GetTempoBeforeTime(8.5f), second);

    // Modes the conversions do not handle come back as they were.
    MCTime play(3.0f);
    play.SetMode(TM_PLAY);
    EXPECT_EQ(m_cache.TranslateTime(play).GetMode(), TM_PLAY);
    EXPECT_EQ(m_cache.NormalizeTime(play).GetMode(), TM_PLAY);
    EXPECT_EQ(m_cache.BarPulseTick(play, 480).GetMode(), TM_PLAY);
    EXPECT_EQ(m_cache.TranslateTime(Real(2.0f)).GetSeconds(), 2.0f);
}

TEST_F(ConductorCacheTest, BarPulseTickCountsTicksPastTheLastWholeQuarter) {
    ASSERT_EQ(m_cache.CacheEvent(Meter(0.0f, 4, 4)), 1);
    ExpectBpt(m_cache.BarPulseTick(9.5f, 480), 2, 1, 240, 480);
    EXPECT_FLOAT_EQ(m_cache.NormalizeTime(MCTime(2, 1, 240, 480)).GetSeconds(), 9.5f);
    // A PPQ below 1 reads at the global PPQ; another PPQ is re-expressed.
    EXPECT_FLOAT_EQ(m_cache.NormalizeTime(MCTime(2, 1, 240, 0)).GetSeconds(), 9.5f);
    ExpectBpt(m_cache.BarPulseTick(MCTime(2, 1, 240, 480), 96), 2, 1, 48, 96);
    ExpectBpt(m_cache.BarPulseTick(9.5f, 0), 2, 1, 240, MCTime::GlobalPPQ);

    // In 6/8 from bar 1 on: the tick is past the last whole quarter, not past
    // the eighth the time lies in.
    ASSERT_EQ(m_cache.CacheEvent(Meter(4.0f, 6, 8)), 1);
    ExpectBpt(m_cache.BarPulseTick(4.75f, 480), 1, 1, 360, 480);
    ExpectBpt(m_cache.BarPulseTick(7.0f, 480), 2, 0, 0, 480);
    EXPECT_FLOAT_EQ(m_cache.NormalizeTime(MCTime(1, 1, 360, 480)).GetSeconds(), 4.75f);
    // A tick written from the pulse's start is read so.
    EXPECT_FLOAT_EQ(m_cache.NormalizeTime(MCTime(1, 3, 0, 480)).GetSeconds(), 5.5f);
    // A PPQ below 1 finds its point at the global PPQ too: here the tempo's
    // point, which starts at (1, 2, 0).
    ASSERT_EQ(m_cache.CacheEvent(Tempo(5.0f, 120.0f)), 1);
    EXPECT_FLOAT_EQ(m_cache.TranslateTime(MCTime(1, 2, 240, 0)).GetSeconds(), 5.25f);

    // Half-note pulses keep no record of the quarter inside the pulse.
    ASSERT_EQ(m_cache.CacheEvent(Meter(7.0f, 2, 2)), 1);
    ExpectBpt(m_cache.BarPulseTick(10.5f, 480), 2, 1, 240, 480);
    EXPECT_FLOAT_EQ(m_cache.NormalizeTime(MCTime(2, 1, 240, 480)).GetSeconds(), 9.5f);
}

TEST_F(ConductorCacheTest, RefusesASecondEventOfTheSameKindAtTheSameTime) {
    ECMeter* meter = Meter(0.0f, 4, 4);
    ASSERT_EQ(m_cache.CacheEvent(meter), 1);
    EXPECT_EQ(m_cache.CacheEvent(meter), 0);
    EXPECT_EQ(m_cache.CacheEvent(Meter(0.0f, 3, 4)), 0);
    EXPECT_EQ(m_cache.GetMeterAtTime(1.0f), meter);
    // A tempo at that time is another kind.
    EXPECT_EQ(m_cache.CacheEvent(Tempo(0.0f, 90.0f)), 1);
    EXPECT_EQ(m_cache.CacheEvent(Tempo(0.0f, 100.0f)), 0);
    EXPECT_EQ(m_cache.GetPointCount(), 1);

    // Other kinds, no time, times outside musical time.
    auto* plain = Keep(new ECWithTime, 1.0f);
    EXPECT_EQ(m_cache.CacheEvent(plain), 0);
    EXPECT_EQ(m_cache.CacheEvent(nullptr), 0);
    EXPECT_EQ(m_cache.UncacheEvent(plain), 0);
    EXPECT_EQ(m_cache.CacheEvent(Meter(-1.0f, 3, 4)), 0);
    ECTempo* bptTempo = Tempo(0.0f, 80.0f);
    const MCTime bpt(1, 0, 0, 480);
    bptTempo->SetTime(&bpt);
    EXPECT_EQ(m_cache.CacheEvent(bptTempo), 0);
    EXPECT_EQ(m_cache.GetPointCount(), 1);

    EXPECT_EQ(MCConductorCache::IsCacheEvent(meter), 1);
    EXPECT_EQ(MCConductorCache::IsCacheEvent(plain), 0);
    EXPECT_EQ(MCConductorCache::IsCacheEvent(nullptr), 0);
    EXPECT_EQ(m_cache.EventIsCached(meter), 1);
    EXPECT_EQ(m_cache.EventIsCached(bptTempo), 0);
    EXPECT_EQ(m_cache.EventIsCached(plain), 0);
}

TEST_F(ConductorCacheTest, UncachingATempoRestoresTheEarlierOne) {
    ECTempo* slow = Tempo(0.0f, 60.0f);
    ECMeter* meter = Meter(0.0f, 4, 4);
    ECTempo* fast = Tempo(4.0f, 120.0f);
    ECMeter* waltz = Meter(8.0f, 3, 4);
    ECTempo* faster = Tempo(8.0f, 240.0f);
    for (ECBase* event : {static_cast<ECBase*>(slow), static_cast<ECBase*>(meter), static_cast<ECBase*>(fast),
                          static_cast<ECBase*>(waltz), static_cast<ECBase*>(faster)})
        ASSERT_EQ(m_cache.CacheEvent(event), 1);
    ASSERT_EQ(m_cache.GetPointCount(), 3);
    EXPECT_FLOAT_EQ(m_cache.TranslateTime(12.0f).GetSeconds(), 4.0f + 2.0f + 1.0f);

    // The point at 8 also changes the meter: it stays, with the tempo in
    // force before it.
    ASSERT_EQ(m_cache.UncacheEvent(faster), 1);
    ASSERT_EQ(m_cache.GetPointCount(), 3);
    EXPECT_EQ(m_cache.GetTempoAtTime(9.0f), fast);
    EXPECT_FLOAT_EQ(m_cache.TranslateTime(12.0f).GetSeconds(), 4.0f + 4.0f);
    // The point at 4 changes only the tempo: it goes, and the slow tempo
    // reaches every point after it.
    ASSERT_EQ(m_cache.UncacheEvent(fast), 1);
    ASSERT_EQ(m_cache.GetPointCount(), 2);
    EXPECT_EQ(m_cache.GetTempoAtTime(9.0f), slow);
    EXPECT_EQ(m_cache.GetPoint(1)->m_objects[MCConductorCache::SLOT_TEMPO], slow);
    EXPECT_FLOAT_EQ(m_cache.TranslateTime(12.0f).GetSeconds(), 12.0f);
    EXPECT_EQ(m_cache.UncacheEvent(fast), 0);

    MCTime start;
    MCTime end;
    m_cache.GetMeterScope(waltz, start, end);
    EXPECT_EQ(start, MCTime(8.0f));
    EXPECT_EQ(end, MCTime::TimeMax());
    m_cache.GetMeterScope(meter, start, end);
    EXPECT_EQ(start, MCTime(0.0f));
    EXPECT_EQ(end, MCTime(8.0f));
    m_cache.GetTempoScope(fast, start, end);   // no longer cached
    EXPECT_EQ(start, MCTime::TimeNull());
    EXPECT_EQ(end, MCTime::TimeNull());
}

TEST_F(ConductorCacheTest, ARelativeTempoCarriesOnFromTheTempoBefore) {
    ASSERT_EQ(m_cache.CacheEvent(Tempo(0.0f, 132.0f)), 1);
    auto* aTempo = Keep(new ECTempo(ECTempo::TEMPO_A_TEMPO, MCTime()), 16.0f);
    auto* rubato = Keep(new ECTempo(ECTempo::TEMPO_RUBATO, MCTime()), 24.0f);
    ASSERT_EQ(m_cache.CacheEvent(aTempo), 1);
    ASSERT_EQ(m_cache.CacheEvent(rubato), 1);
    EXPECT_FLOAT_EQ(aTempo->GetTempo(1.0f), 132.0f);
    EXPECT_FLOAT_EQ(rubato->GetTempo(1.0f), 60.0f);   // not relative: kept
}

TEST_F(ConductorCacheTest, BuildingFromAListRefusesDuplicatesAndOtherKinds) {
    ECMeter* meter = Meter(0.0f, 4, 4);
    Meter(0.0f, 3, 4);
    ECTempo* tempo = Tempo(2.0f, 90.0f);
    Keep(new ECWithTime, 1.0f);
    MCEventList elsewhere;   // holds a tempo that the rebuild must drop
    auto* dropped = new ECTempo;
    const MCTime six(6.0f);
    dropped->SetTime(&six);
    elsewhere.AddEvent(dropped, UNSORTED);
    ASSERT_EQ(m_cache.CacheEvent(dropped), 1);

    m_cache.BuildCacheFromList(&m_events);
    ASSERT_EQ(m_cache.GetPointCount(), 2);
    EXPECT_EQ(m_cache.GetMeterAtTime(10.0f), meter);
    EXPECT_EQ(m_cache.GetTempoAtTime(10.0f), tempo);
    m_cache.BuildCacheFromList(nullptr);
    EXPECT_EQ(m_cache.GetPointCount(), 0);
}

// Random tempo maps: musical -> real against the reference integration,
// real -> musical back again, in ascending order (the playback poll) and in
// random order (the cursor jumps both ways).
TEST_F(ConductorCacheTest, RandomTempoMapsMatchPiecewiseIntegration) {
    std::mt19937 random(7);
    for (int map = 0; map < 20; ++map) {
        m_cache.DeleteCache();
        std::vector<TempoChange> reference;
        const int changes = 1 + static_cast<int>(random() % 60);
        float at = (map % 2 == 0) ? 0.0f : static_cast<float>(random() % 8);   // odd maps start without a tempo
        for (int i = 0; i < changes; ++i) {
            const float bpm = 30.0f + static_cast<float>(random() % 2110) / 10.0f;
            ECTempo* tempo = Tempo(at, bpm);
            ASSERT_EQ(m_cache.CacheEvent(tempo), 1);
            reference.push_back({at, tempo->GetSpeed()});
            at += static_cast<float>(1 + random() % 64) / 8.0f;
        }
        std::sort(reference.begin(), reference.end(), [](auto& a, auto& b) { return a.at < b.at; });

        std::vector<float> times;
        for (int i = 0; i < 200; ++i)
            times.push_back(static_cast<float>(random() % 100000) / 100000.0f * (at + 8.0f));
        std::vector<float> ascending = times;
        std::sort(ascending.begin(), ascending.end());
        for (const auto* order : {&ascending, &times}) {
            for (float t : *order) {
                const double expected = ReferenceReal(reference, t);
                const double tolerance = 1e-5 * std::max(1.0, expected);
                const MCTime real = m_cache.TranslateTime(t);
                ASSERT_EQ(real.GetMode(), TM_REAL);
                ASSERT_NEAR(real.GetSeconds(), expected, tolerance) << "map " << map << " at " << t;
                const MCTime back = m_cache.NormalizeTime(Real(static_cast<float>(expected)));
                ASSERT_EQ(back.GetMode(), TM_NORMAL);
                ASSERT_NEAR(back.GetSeconds(), t, 1e-5 * std::max(1.0f, t) * 4) << "map " << map << " at " << t;
            }
        }
    }
}

// Chains of meters, each starting on a bar line of the one before, with
// tempo changes anywhere inside them. BarPulseTick must count bars across the
// chain and never restart at a tempo change; where the pulse is a quarter or
// shorter NormalizeTime must give the time back; real and bar/pulse/tick
// times must agree through both conversions.
TEST_F(ConductorCacheTest, BarPulseTickAgainstAReferenceCountAndBack) {
    constexpr int PPQ = 480;
    struct Fraction { unsigned char numerator, denominator; };
    const Fraction fractions[] = {{4, 4}, {3, 4}, {6, 8}, {7, 8}, {5, 16}, {2, 4}, {12, 16}, {2, 2}, {3, 2}};

    struct Span { double start; int firstBar; double length, pulse; int numerator; };
    std::mt19937 random(11);
    for (int chain = 0; chain < 12; ++chain) {
        m_cache.DeleteCache();
        std::vector<Span> spans;
        double at = 0.0;
        int bar = 0;
        for (int i = 0; i < 6; ++i) {
            const Fraction& f = fractions[random() % std::size(fractions)];
            ECMeter* meter = Meter(static_cast<float>(at), f.numerator, f.denominator);
            ASSERT_EQ(m_cache.CacheEvent(meter), 1);
            spans.push_back({at, bar, meter->GetMeasureLength(), meter->GetPulse(), f.numerator});
            const int bars = 1 + static_cast<int>(random() % 5);
            at += bars * meter->GetMeasureLength();
            bar += bars;
        }
        // A composite meter: 2+2+3 eighths.
        auto* composite = Meter(static_cast<float>(at), 4, 4);
        ASSERT_EQ(composite->SetMeter({2, 2, 3}, {8}, 1), 1);
        ASSERT_EQ(m_cache.CacheEvent(composite), 1);
        spans.push_back({at, bar, composite->GetMeasureLength(), composite->GetPulse(), composite->GetNumerator()});
        const double end = at + 4 * composite->GetMeasureLength();
        for (int i = 0; i < 40; ++i) {
            const float tempoAt = static_cast<float>(random() % static_cast<unsigned>(end * PPQ)) / PPQ;
            m_cache.CacheEvent(Tempo(tempoAt, 40.0f + static_cast<float>(random() % 200)));
        }

        for (int probe = 0; probe < 300; ++probe) {
            const float t = static_cast<float>(random() % static_cast<unsigned>(end * PPQ)) / PPQ;
            const Span& span = *std::prev(std::upper_bound(spans.begin(), spans.end(), t,
                                                           [](double v, const Span& s) { return v < s.start; }));
            // The reference count, from the meter's start.
            const double measures = (t - span.start) / span.length;
            const double rest = (measures - std::floor(measures)) * span.length;
            int expectBar = span.firstBar + static_cast<int>(std::floor(measures));
            int expectPulse = static_cast<int>(std::floor(rest / span.pulse));
            int expectTick = static_cast<int>(std::trunc((rest - std::floor(rest)) * PPQ + 0.5));
            if (expectTick >= PPQ) {
                expectTick -= PPQ;
                ++expectPulse;
            }
            if (expectPulse >= span.numerator) {
                expectPulse -= span.numerator;
                ++expectBar;
            }

            const MCTime bpt = m_cache.BarPulseTick(t, PPQ);
            SCOPED_TRACE(testing::Message() << "chain " << chain << " at " << t);
            ExpectBpt(bpt, expectBar, expectPulse, expectTick, PPQ);
            // A real time counts through the tempo in force at it. Its round
            // trip is not exact, so compare where the positions lead.
            const MCTime real = m_cache.TranslateTime(t);
            const MCTime fromReal = m_cache.BarPulseTick(real, PPQ);
            if (span.pulse <= 1.0) {
                EXPECT_NEAR(m_cache.NormalizeTime(fromReal).GetSeconds(), t, 2e-3);
                EXPECT_NEAR(m_cache.NormalizeTime(bpt).GetSeconds(), t, 1e-4);
                EXPECT_NEAR(m_cache.TranslateTime(bpt).GetSeconds(), real.GetSeconds(), 1e-4 * std::max(1.0f, real.GetSeconds()));
            }
        }
    }
}

// Meters and tempos added and removed one at a time, in random order, with
// conversions asked between the changes (so that stale derived times would
// be used): after every change the cache must equal one built afresh from the
// events then cached, point for point and in every derived start.
TEST_F(ConductorCacheTest, ChangesOneAtATimeAgreeWithARebuild) {
    std::mt19937 random(3);
    std::vector<ECBase*> pool;
    for (int i = 0; i < 60; ++i) {
        const float at = static_cast<float>(random() % 96) / 2.0f;
        if (random() % 3 == 0)
            pool.push_back(Meter(at, static_cast<unsigned char>(2 + random() % 6), 4));
        else
            pool.push_back(Tempo(at, 40.0f + static_cast<float>(random() % 200)));
    }

    std::vector<ECBase*> cached;
    for (int step = 0; step < 300; ++step) {
        ECBase* event = pool[random() % pool.size()];
        const auto it = std::find(cached.begin(), cached.end(), event);
        if (it != cached.end()) {
            ASSERT_EQ(m_cache.UncacheEvent(event), 1);
            cached.erase(it);
        } else if (m_cache.CacheEvent(event) == 1) {
            cached.push_back(event);
        }
        for (int i = 0; i < 3; ++i) {
            const float t = static_cast<float>(random() % 5200) / 100.0f;
            m_cache.TranslateTime(t);
            m_cache.BarPulseTick(t, 480);
        }

        MCEventList sorted;
        for (ECBase* e : cached)
            sorted.AddEvent(e, SORTED);
        MCConductorCache fresh;
        fresh.BuildCacheFromList(&sorted);
        ASSERT_EQ(m_cache.GetPointCount(), fresh.GetPointCount()) << "step " << step;
        for (int i = 0; i < fresh.GetPointCount(); ++i) {
            SCOPED_TRACE(testing::Message() << "step " << step << " point " << i);
            const CachePoint& mine = *m_cache.GetPoint(i);
            const CachePoint& theirs = *fresh.GetPoint(i);
            ASSERT_EQ(mine.m_time, theirs.m_time);
            ASSERT_EQ(mine.m_objects, theirs.m_objects);
            const MCTime at = mine.m_time;
            ASSERT_EQ(m_cache.TranslateTime(at), fresh.TranslateTime(at));
            ASSERT_EQ(m_cache.BarPulseTick(at, 480), fresh.BarPulseTick(at, 480));
            const MCTime later(at.GetSeconds() + 0.75f);
            ASSERT_EQ(m_cache.TranslateTime(later), fresh.TranslateTime(later));
            ASSERT_EQ(m_cache.NormalizeTime(Real(at.GetSeconds())), fresh.NormalizeTime(Real(at.GetSeconds())));
        }
        // Dropping them all leaves the point at 0 only.
        if (step == 150) {
            for (ECBase* e : cached)
                ASSERT_EQ(m_cache.UncacheEvent(e), 1);
            cached.clear();
            ASSERT_EQ(m_cache.GetPointCount(), 1);
            EXPECT_EQ(m_cache.GetPoint(0)->m_objects, (std::vector<void*>{nullptr, nullptr, nullptr}));
        }
    }
}

TEST_F(ConductorCacheTest, ResetCurrentPositionAcceptsEveryConvertibleMode) {
    ASSERT_EQ(m_cache.CacheEvent(Meter(0.0f, 4, 4)), 1);
    ECTempo* tempo = Tempo(8.0f, 120.0f);
    ASSERT_EQ(m_cache.CacheEvent(tempo), 1);
    // Whatever the cursor, lookups in any mode land on the same point.
    for (const MCTime& reset : {MCTime(0.0f), MCTime(100.0f), Real(9.0f), MCTime(3, 0, 0, 480)}) {
        m_cache.ResetCurrentPosition(reset);
        EXPECT_EQ(m_cache.GetTempoAtTime(Real(8.5f)), tempo);
        m_cache.ResetCurrentPosition(reset);
        EXPECT_EQ(m_cache.GetTempoAtTime(MCTime(2, 0, 0, 480)), tempo);
        m_cache.ResetCurrentPosition(reset);
        EXPECT_EQ(m_cache.GetTempoAtTime(MCTime(1, 3, 479, 480)), nullptr);
    }
}
