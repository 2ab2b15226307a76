// Tempos: the thirty types with their names, preset tempi, durations and
// relative kinds; tempo in a beat, rate and speed; the refusal of a tempo of
// 0; text, copying and comparison; mirrors; and the archive form.
#include "model/tempo.h"

#include "conductorevent_test.h"
#include "model/eventtypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace conductortest;

namespace {

void ExpectTempo(const ECTempo& tempo, float quartersPerMinute, float beat) {
    EXPECT_FLOAT_EQ(tempo.GetTempo(1.0f), quartersPerMinute);
    EXPECT_FLOAT_EQ(tempo.GetRate(), quartersPerMinute / 60.0f);
    EXPECT_FLOAT_EQ(tempo.GetSpeed(), 60.0f / quartersPerMinute);
    EXPECT_FLOAT_EQ(tempo.GetBeat(), beat);
}

}  // namespace

TEST(ECTempo, ANewTempoIsSixtyQuartersAMinute) {
    ECTempo tempo;
    EXPECT_EQ(tempo.GetTempoType(), 1);
    ExpectTempo(tempo, 60.0f, 1.0f);
    EXPECT_EQ(*tempo.GetDuration(), MCTime(0.0f));
    EXPECT_EQ(tempo.GetText(), "");
    EXPECT_EQ(tempo.HasDuration(), 0);
    EXPECT_EQ(tempo.IsRelativeTempo(), 0);
}

TEST(ECTempo, EveryTypeWithItsNameTempoAndDuration) {
    const struct {
        const char* name;
        float preset;   // 0: the tempo is kept
    } types[30] = {
        {"", 0},             {"", 0},            {"Larghissimo", 40}, {"Adagissimo", 43},
        {"Lentissimo", 47},  {"Largo", 50},      {"Adagio", 52},      {"Lento", 54},
        {"Larghetto", 56},   {"Adagietto", 58},  {"Andante", 60},     {"Andantino", 70},
        {"Moderato", 80},    {"Allegretto", 100}, {"Allegro", 120},   {"Vivace", 150},
        {"Vivo", 160},       {"Presto", 190},    {"Allegrissimo", 210}, {"Vivacissimo", 220},
        {"Prestissimo", 240}, {"accel.", 0},     {"rall.", 0},        {"rit.", 0},
        {"", 0},             {"G.P.", 0},        {"L.P.", 0},         {"a tempo", 0},
        {"rubato", 0},       {"", 0},
    };
    const MCTime span(3.0f);
    for (int type = 0; type < 30; ++type) {
        SCOPED_TRACE(type);
        ECTempo tempo;
        ASSERT_EQ(tempo.SetTempo(77.0f, 1.0f), 1);
        ASSERT_EQ(tempo.SetTempoType(static_cast<unsigned char>(type), span), 1);
        EXPECT_EQ(tempo.GetTempoType(), type);
        EXPECT_EQ(ECTempo::GetTempoString(static_cast<unsigned char>(type)), types[type].name);
        EXPECT_EQ(tempo.GetText(), types[type].name);
        const float expected = types[type].preset > 0 ? types[type].preset : 77.0f;
        ExpectTempo(tempo, expected, 1.0f);
        // Only the gradual changes take the duration they are given.
        EXPECT_EQ(*tempo.GetDuration(), type >= 21 && type <= 23 ? span : MCTime(0.0f));
        EXPECT_EQ(tempo.HasDuration(), type >= 21 && type <= 26 ? 1 : 0);
        EXPECT_EQ(tempo.IsRelativeTempo(), type >= 21 && type <= 27 ? 1 : 0);
    }

    // Allegro: 120 quarters a minute, two a second, half a second each.
    const ECTempo allegro(14, MCTime(0.0f));
    EXPECT_FLOAT_EQ(allegro.GetRate(), 2.0f);
    EXPECT_FLOAT_EQ(allegro.GetSpeed(), 0.5f);

    for (int type : {30, 31, 255}) {
        ECTempo tempo(22, span);
        EXPECT_EQ(tempo.SetTempoType(static_cast<unsigned char>(type), MCTime(9.0f)), 0) << type;
        EXPECT_EQ(tempo.GetTempoType(), 22) << type;
        EXPECT_EQ(*tempo.GetDuration(), span) << type;
        EXPECT_EQ(ECTempo::GetTempoString(static_cast<unsigned char>(type)), "") << type;
    }
}

TEST(ECTempo, TempoInABeat) {
    // Sixty dotted quarters a minute are ninety quarters.
    ECTempo tempo;
    ASSERT_EQ(tempo.SetTempo(60.0f, 1.5f), 1);
    ExpectTempo(tempo, 90.0f, 1.5f);
    EXPECT_FLOAT_EQ(tempo.GetTempo(2.0f), 60.0f);   // any beat but 1.0 asks for the given one
    EXPECT_FLOAT_EQ(tempo.GetTempo(1.5f), 60.0f);

    ASSERT_EQ(tempo.SetTempo(100.0f, 0.5f), 1);
    ExpectTempo(tempo, 50.0f, 0.5f);
    EXPECT_FLOAT_EQ(tempo.GetTempo(0.5f), 100.0f);
}

TEST(ECTempo, ATempoOfZeroIsRefused) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float tempo, beat;
    } refused[] = {
        {0, 1}, {60, 0}, {-60, 1}, {60, -1}, {-60, -1}, {inf, 1}, {nan, 1}, {60, nan}, {3e38f, 1e3f},
    };
    for (const auto& r : refused) {
        ECTempo tempo;
        tempo.SetTempo(120.0f, 1.5f);
        EXPECT_EQ(tempo.SetTempo(r.tempo, r.beat), 0) << r.tempo << " x " << r.beat;
        ExpectTempo(tempo, 180.0f, 1.5f);
        EXPECT_TRUE(std::isfinite(tempo.GetSpeed()));
    }
}

TEST(ECTempo, TextReplacesTheName) {
    ECTempo tempo(14, MCTime(0.0f));
    tempo.SetText("Schneller");
    EXPECT_EQ(tempo.GetText(), "Schneller");
    tempo.SetTempoType(27, MCTime(0.0f));
    EXPECT_EQ(tempo.GetText(), "Schneller");
    tempo.SetText("");
    EXPECT_EQ(tempo.GetText(), "a tempo");
}

TEST(ECTempo, CopiesAndComparison) {
    ECTempo source(22, MCTime(2.0f));
    source.SetTempo(80.0f, 1.5f);
    source.SetText("poco rall.");
    const MCTime at(16.0f);
    source.SetTime(&at);
    source.SetVoiceTrack(14, 0);

    ECTempo copy(source);
    EXPECT_TRUE(copy == source);
    EXPECT_EQ(copy.GetText(), "poco rall.");
    EXPECT_EQ(*copy.GetTime(), at);
    EXPECT_EQ(copy.GetVoiceTrack()->GetVoice(), 14);
    EXPECT_EQ(*copy.GetDuration(), MCTime(2.0f));
    EXPECT_FLOAT_EQ(copy.GetRate(), 2.0f);

    // Text and time are not compared; type, duration, tempo and beat are.
    ECTempo other(source);
    other.SetText("");
    const MCTime elsewhere(1.0f);
    other.SetTime(&elsewhere);
    EXPECT_TRUE(other == source);
    const MCTime longer(3.0f);
    other.SetDuration(&longer);
    EXPECT_TRUE(other != source);
    EXPECT_TRUE(ECTempo(22, MCTime(2.0f)) != ECTempo(23, MCTime(2.0f)));
    ECTempo sameQuarters;
    sameQuarters.SetTempo(120.0f, 1.0f);
    ECTempo inDottedQuarters;
    inDottedQuarters.SetTempo(80.0f, 1.5f);
    EXPECT_TRUE(sameQuarters != inDottedQuarters);   // the beat differs
}

TEST(ECTempo, IsTheTempoEventUnderTheConductorStaffWithMirrors) {
    EventPtr<ECBase> created(ECBase::CreateEvent(ET_TEMPO));
    ASSERT_NE(DYNAMIC_DOWNCAST(ECTempo, created.get()), nullptr);
    EXPECT_EQ(created->GetClassType(), ET_TEMPO);
    std::vector<int> parents;
    EXPECT_EQ(created->GetParentTypes(parents), 1);
    EXPECT_EQ(parents, std::vector<int>{ET_CONDUCTORSTAFF});
    const MCTime at(3.0f);
    created->SetTime(&at);
    EXPECT_EQ(*created->GetTime(), at);

    TestMirror m2(2.0f), m6(6.0f);
    m2.Ref();
    m6.Ref();
    {
        ECTempo tempo;
        tempo.AddMirror(&m6);
        tempo.AddMirror(&m2);
        EXPECT_EQ(TimesOf(*tempo.GetMirrors()), (std::vector<float>{2, 6}));
        EXPECT_EQ(m2.m_event, &tempo);
        EXPECT_EQ(m2.m_registered, 0);
        tempo.RemoveMirrors(MCTime(5.0f));
        EXPECT_EQ(TimesOf(*tempo.GetMirrors()), std::vector<float>{2});
        EXPECT_EQ(m6.GetRefCount(), 1);
    }
    EXPECT_EQ(m2.GetRefCount(), 1);
    m2.Unref(0);
    m6.Unref(0);
}

// ---- archive ------------------------------------------------------------------------

namespace {

// A rall. over 2.0 at 4.0, given as 80 dotted quarters.
std::vector<uint8_t> RallBytes() {
    return Concat(NewClassTag("ECTempo", 2), {
        0x04,                          // flags: has time
        0x00, 0x00, 0x00, 0x80, 0x40,  // time: mode 0, 4.0
        0xFF, 0x7F,                    // no voice, no track
        0x00, 0x00, 0xF0, 0x42,        // tempo 120
        0x00, 0x00, 0x00, 0x40,        // rate 2
        0x00, 0x00, 0x00, 0x3F,        // speed 0.5
        0x00, 0x00, 0xC0, 0x3F,        // beat 1.5
        0x16,                          // type 22
        0x00, 0x00, 0x00, 0x00, 0x40,  // duration: mode 0, 2.0
        0x00,                          // no text
    });
}

ECTempo Rall() {
    ECTempo tempo(22, MCTime(2.0f));
    tempo.SetTempo(80.0f, 1.5f);
    const MCTime at(4.0f);
    tempo.SetTime(&at);
    return tempo;
}

}  // namespace

TEST(ECTempo, ArchiveBytes) {
    const ECTempo rall = Rall();
    EXPECT_EQ(StoreEvent(rall), RallBytes());

    EventPtr<ECTempo> loaded = LoadEvent<ECTempo>(RallBytes());
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(*loaded == rall);
    EXPECT_EQ(*loaded->GetTime(), MCTime(4.0f));
    EXPECT_FLOAT_EQ(loaded->GetRate(), 2.0f);

    // "a tempo" is relative without a duration: none is stored. The text
    // comes back whole.
    ECTempo aTempo(27, MCTime(5.0f));
    aTempo.SetText("Tempo I\xC2\xB0");
    const std::vector<uint8_t> bytes = StoreEvent(aTempo);
    EXPECT_EQ(bytes.size(), RallBytes().size() - 5 + 8);   // no duration; eight characters
    EventPtr<ECTempo> back = LoadEvent<ECTempo>(bytes);
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == aTempo);
    EXPECT_EQ(back->GetText(), "Tempo I\xC2\xB0");
    EXPECT_EQ(*back->GetDuration(), MCTime(0.0f));
}

TEST(ECTempo, LoadingRepairsATempoThatWouldStopTime) {
    const size_t tempoAt = NewClassTag("ECTempo", 2).size() + 8;
    const auto withFloat = [&](size_t offset, float value) {
        std::vector<uint8_t> bytes = RallBytes();
        std::memcpy(&bytes[tempoAt + offset], &value, sizeof value);
        return bytes;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* what;
        size_t offset;
        float value;
        float tempo, beat;
    } cases[] = {
        {"tempo 0", 0, 0.0f, 60.0f, 1.5f},
        {"negative tempo", 0, -120.0f, 60.0f, 1.5f},
        {"infinite rate", 4, inf, 120.0f, 1.5f},
        {"speed 0", 8, 0.0f, 120.0f, 1.5f},
        {"beat 0", 12, 0.0f, 120.0f, 1.0f},
    };
    for (const auto& c : cases) {
        EventPtr<ECTempo> loaded = LoadEvent<ECTempo>(withFloat(c.offset, c.value));
        ASSERT_TRUE(loaded) << c.what;
        ExpectTempo(*loaded, c.tempo, c.beat);
        EXPECT_EQ(loaded->GetTempoType(), 22) << c.what;
    }
}

TEST(ECTempo, TruncatedArchivesThrow) {
    const std::vector<uint8_t> bytes = RallBytes();
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(LoadEvent<ECTempo>(part), CArchiveException) << cut;
    }
}
