// The event performers: which performer each event type gets and the kind it
// answers, the messages they fill, the dynamic, tempo and text tables, flow
// control targets, the filter performers' lists, and the archive forms —
// golden bytes, every class round trip through its event, every cut of a
// record refused (a failed load frees each object once), version-dependent
// fields and the list links of the after-load pass.
#include "sequencer/performers.h"

#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/midievents.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/plugin.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "sequencer/midimessage.h"
#include "sequencer/staffperformer.h"
#include "sequencer/trackperformer.h"
#include "tests/model/eventio_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using eventio::operator+;

namespace {

FCMidi Word(unsigned status, unsigned data1, unsigned data2) {
    return FCMidi(status | (data1 << 8) | (data2 << 16));
}

// The three message bytes of a word.
std::vector<unsigned> Bytes(const FCMidi& word) {
    return {word.GetStatusByte(), word.GetDataByte1(), word.GetDataByte2()};
}

void Place(ECBase* event, float time, int voice, int track) {
    const MCTime t(time);
    event->SetTime(&t);
    event->SetVoiceTrack(voice, track);
}

template <class T>
T* PerformerOf(ECBase* event) {
    return dynamic_cast<T*>(event->GetData(DK_SEQUENCER, 1));
}

class Performers : public ::testing::Test {
protected:
    void SetUp() override { EXPECT_EQ(RegisterPerformers(), 25); }
    eventio::Held held;
};

// ---- kinds and registration ------------------------------------------------------

TEST_F(Performers, EachEventTypeGetsItsPerformerWhichAnswersItsKind) {
    const struct {
        int eventType;
        const CRuntimeClass* cls;
        int kind;
    } cases[] = {
        {ET_ACCENT, RUNTIME_CLASS(DCsqAccent), DT_ACCENT},
        {ET_BANKLSB, RUNTIME_CLASS(DCsqBankLSB), DT_BANKLSB},
        {ET_BANKMSB, RUNTIME_CLASS(DCsqBankMSB), DT_BANKMSB},
        {ET_CHANNELMODE, RUNTIME_CLASS(DCsqMidi), DT_MIDI},
        {ET_CHANNELPRESSURE, RUNTIME_CLASS(DCsqMidi), DT_MIDI},
        {ET_CONDUCTORSTAFF, RUNTIME_CLASS(DCsqConductorStaff), DT_CONDUCTORSTAFF},
        {ET_CONTROLCHANGE, RUNTIME_CLASS(DCsqMidi), DT_MIDI},
        {ET_DYNAMIC, RUNTIME_CLASS(DCsqDynamic), DT_DYNAMIC},
        {ET_FLOWCONTROL, RUNTIME_CLASS(DCsqFlowControl), DT_FLOWCONTROL},
        {ET_GRACENOTE, RUNTIME_CLASS(DCsqNote), DT_NOTE},
        {ET_KEY, RUNTIME_CLASS(DCsqKey), DT_KEY},
        {ET_LYRIC, RUNTIME_CLASS(DCsqLyric), DT_LYRIC},
        {ET_METER, RUNTIME_CLASS(DCsqMeter), DT_METER},
        {ET_NOTE, RUNTIME_CLASS(DCsqNote), DT_NOTE},
        {ET_PEDAL, RUNTIME_CLASS(DCsqMidi), DT_MIDI},
        {ET_PITCHBEND, RUNTIME_CLASS(DCsqMidi), DT_MIDI},
        {ET_POLYPRESSURE, RUNTIME_CLASS(DCsqMidi), DT_MIDI},
        {ET_PROGRAMCHANGE, RUNTIME_CLASS(DCsqProgram), DT_PROGRAM},
        {ET_STAFF, RUNTIME_CLASS(DCsqStaff), DT_STAFF},
        {ET_SYSTEMMESSAGE, RUNTIME_CLASS(DCsqSysMsg), DT_SYSMSG},
        {ET_TEMPO, RUNTIME_CLASS(DCsqTempo), DT_TEMPO},
        {ET_TEXT, RUNTIME_CLASS(DCsqText), DT_TEXT},
        {ET_TRANSPOSE, RUNTIME_CLASS(DCsqTranspose), DT_TRANSPOSE},
        {ET_WAVE, RUNTIME_CLASS(DCsqWave), DT_WAVE},
        {ET_WAVETRACK, RUNTIME_CLASS(DCsqWaveTrack), DT_WAVETRACK},
    };
    for (const auto& c : cases) {
        std::unique_ptr<DCBase> data(CPluginData::CreateData(DK_SEQUENCER, c.eventType));
        ASSERT_NE(data, nullptr) << c.eventType;
        EXPECT_EQ(data->GetRuntimeClass(), c.cls) << c.eventType;
        EXPECT_EQ(static_cast<DCsqBase*>(data.get())->GetClassType(), c.kind) << c.eventType;
        EXPECT_TRUE(c.cls->IsVersionable()) << c.eventType;
        EXPECT_EQ(c.cls->GetSchema(), 2u) << c.eventType;
    }
    // The kinds no event type is registered for.
    EXPECT_EQ(DCsqBase().GetClassType(), DT_BASE);
    EXPECT_EQ(DCsqFilter().GetClassType(), DT_FILTER);
    EXPECT_EQ(DCsqTrack().GetClassType(), DT_TRACK);
    // Events that make no sound and mark nothing for playback have none.
    for (int type : {ET_REST, ET_CHORD, ET_CLEF, ET_MEASURE, ET_SLUR})
        EXPECT_EQ(CPluginData::CreateData(DK_SEQUENCER, type), nullptr) << type;

    UnregisterPerformers();
    EXPECT_EQ(CPluginData::CreateData(DK_SEQUENCER, ET_NOTE), nullptr);
    RegisterPerformers();
}

// ---- messages ------------------------------------------------------------------------

TEST_F(Performers, MidiPerformersFillTheMessageFromTheirOwnerAndTheirWords) {
    auto* controller = held(new ECControlChange);
    Place(controller, 1.5f, 3, 2);
    auto* midi = PerformerOf<DCsqMidi>(controller);
    midi->SetMidiData(Word(0xB2, 10, 64));
    MidiMessage message;
    midi->TransferDataTo(&message);
    EXPECT_EQ(message.m_time, MCTime(1.5f));
    EXPECT_EQ(message.m_voiceTrack, MCVoiceTrack(3, 2));
    EXPECT_EQ(Bytes(message.m_noteOn), (std::vector<unsigned>{0xB2, 10, 64}));
    EXPECT_FALSE(message.m_noteOff.HasData());

    auto* note = held(new ECNote(MCTime(2.0f), MCTime(0.5f)));
    note->SetVoiceTrack(1, 4);
    auto* performer = PerformerOf<DCsqNote>(note);
    performer->SetNoteOnData(Word(0x93, 60, 100));
    performer->SetNoteOffData(Word(0x83, 60, 0));
    MidiMessage played;
    performer->TransferDataTo(&played);
    EXPECT_EQ(played.m_time, MCTime(2.0f));
    EXPECT_EQ(played.m_duration, MCTime(0.5f));
    EXPECT_EQ(played.m_voiceTrack, MCVoiceTrack(1, 4));
    EXPECT_EQ(Bytes(played.m_noteOn), (std::vector<unsigned>{0x93, 60, 100}));
    EXPECT_EQ(Bytes(played.m_noteOff), (std::vector<unsigned>{0x83, 60, 0}));

    // A new pitch reaches both words.
    performer->ChangeMidiPitch(67);
    EXPECT_EQ(performer->GetNoteOnData().GetDataByte1(), 67);
    EXPECT_EQ(performer->GetNoteOffData().GetDataByte1(), 67);
}

TEST_F(Performers, SystemMessageSendsItsShortWordOrElseItsSystemExclusiveBytes) {
    const unsigned char gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    auto* event = held(new ECSystemMessage);
    Place(event, 0.0f, 0, 0);
    auto* performer = PerformerOf<DCsqSysMsg>(event);
    performer->SetSysExData(FCMidiSysEx(gmOn, sizeof gmOn));

    MidiMessage exclusive;
    performer->TransferDataTo(&exclusive);
    EXPECT_FALSE(exclusive.m_noteOn.HasData());
    ASSERT_EQ(exclusive.m_sysEx.GetSysExBufLength(), sizeof gmOn);
    EXPECT_TRUE(std::equal(gmOn, gmOn + sizeof gmOn, exclusive.m_sysEx.GetSysExBuf()));

    performer->SetMidiData(Word(0xF8, 0, 0));
    MidiMessage clock;
    performer->TransferDataTo(&clock);
    EXPECT_EQ(clock.m_noteOn.GetStatusByte(), 0xF8);
    EXPECT_EQ(clock.m_sysEx.GetSysExBufLength(), 0u);
}

// ---- tables ----------------------------------------------------------------------------

TEST_F(Performers, DynamicTypesGiveTheirValuesAndFactorsAndValuesFallIntoBands) {
    const int values[] = {1, 15, 29, 43, 57, 71, 85, 99, 113, 127, 85, 100, 100, 100};
    const float factors[] = {0.01f, 0.222f, 0.444f, 0.666f, 0.888f, 1.111f, 1.333f,
                             1.555f, 1.777f, 2.0f, 1.333f, 1.0f, 1.0f, 1.0f};
    for (int type = 0; type < 14; ++type) {
        EXPECT_EQ(DCsqDynamic::TypeToMidiValue(type), values[type]) << type;
        EXPECT_FLOAT_EQ(DCsqDynamic::GetMultiplierForType(type), factors[type]) << type;
    }
    const struct { int value, type; } bands[] = {
        {0, 0}, {14, 0}, {15, 1}, {28, 1}, {29, 2}, {71, 5}, {112, 7}, {113, 8}, {126, 8}, {127, 9}, {200, 9},
    };
    for (const auto& c : bands)
        EXPECT_EQ(DCsqDynamic::MidiValueToType(c.value), c.type) << c.value;
}

TEST_F(Performers, PercentChangesFollowTheDirectionOfTheirMark) {
    const struct { unsigned char type; float given, expected; } dynamics[] = {
        {11, -20.0f, 20.0f}, {14, -20.0f, 20.0f}, {12, 30.0f, -30.0f}, {13, 30.0f, -30.0f},
        {15, 30.0f, -30.0f}, {5, 30.0f, 0.0f}, {10, 30.0f, 0.0f}, {16, 30.0f, 0.0f},
    };
    for (const auto& c : dynamics) {
        auto* event = held(new ECDynamic(c.type, MCTime(1.0f)));
        auto* dynamic = PerformerOf<DCsqDynamic>(event);
        dynamic->SetPercentChange(c.given);
        EXPECT_EQ(dynamic->GetPercentChange(), c.expected) << int{c.type};
    }
    const struct { unsigned char type; float given, expected; } tempos[] = {
        {21, -10.0f, 10.0f}, {22, 10.0f, -10.0f}, {26, 10.0f, -10.0f}, {27, 10.0f, 0.0f}, {5, 10.0f, 0.0f},
    };
    for (const auto& c : tempos) {
        auto* event = held(new ECTempo(c.type, MCTime(1.0f)));
        auto* tempo = PerformerOf<DCsqTempo>(event);
        tempo->SetPercentChange(c.given);
        EXPECT_EQ(tempo->GetPercentChange(), c.expected) << int{c.type};
    }
    // Without an owner nothing can be checked: the value stays.
    DCsqDynamic loose;
    loose.SetPercentChange(-20.0f);
    EXPECT_EQ(loose.GetPercentChange(), -20.0f);
    EXPECT_EQ(DCsqTempo().GetPercentChange(), 25.0f);
}

TEST_F(Performers, TextKindsMapToMetaEventTypesAndBack) {
    const struct { int kind, value; } to[] = {{1, 2}, {3, 3}, {8, 3}, {4, 4}, {5, 6}, {6, 7}, {0, 1}, {2, 1}, {9, 1}};
    for (const auto& c : to)
        EXPECT_EQ(DCsqText::TypeToMidiValue(c.kind), c.value) << c.kind;
    const struct { int value, flag, kind; } back[] = {
        {2, 0, 1}, {3, 0, 3}, {3, 1, 8}, {4, 0, 4}, {6, 0, 5}, {7, 0, 6}, {1, 0, 0}, {5, 1, 0},
    };
    for (const auto& c : back)
        EXPECT_EQ(DCsqText::MidiValueToType(c.value, c.flag), c.kind) << c.value << "/" << c.flag;
}

TEST_F(Performers, FlowControlHasATargetForEachPassButNoneForPassZero) {
    DCsqFlowControl flow;
    DCsqKey first;
    DCsqKey second;
    flow.SetPassTarget(0, &first);   // ignored
    EXPECT_EQ(flow.GetPassTarget(0), nullptr);
    flow.SetPassTarget(2, &second);
    flow.SetPassTarget(1, &first);
    EXPECT_EQ(flow.GetPassTarget(1), &first);
    EXPECT_EQ(flow.GetPassTarget(2), &second);
    EXPECT_EQ(flow.GetPassTarget(3), nullptr);
    EXPECT_EQ(flow.GetNextTarget(), &first);
    EXPECT_EQ(flow.GetNextTarget(), &second);
    EXPECT_EQ(flow.GetNextTarget(), nullptr);   // past the last target
    flow.Reset();
    EXPECT_EQ(flow.GetPassIndex(), 0);
    EXPECT_EQ(flow.GetNextTarget(), &first);
}

// ---- filter performers --------------------------------------------------------------------

// A filter that counts its deletions.
class CountedFilter : public LCMidiFilter {
public:
    explicit CountedFilter(int& deleted) : m_deleted(deleted) {}
    ~CountedFilter() override { ++m_deleted; }

private:
    int& m_deleted;
};

TEST_F(Performers, AFilterPerformerHoldsEachFilterOnceAndDeletesOnlyWhenAsked) {
    int deleted = 0;
    {
        DCsqFilter performer;
        auto* kept = new CountedFilter(deleted);
        auto* lent = new CountedFilter(deleted);
        performer.AddFilter(kept);
        performer.AddFilter(kept);
        performer.AddFilter(lent);
        EXPECT_EQ(performer.GetFilters()->GetCount(), 2);
        EXPECT_EQ(kept->GetOwnerList(), performer.GetFilters());

        performer.RemoveFilter(lent, 0);
        EXPECT_EQ(deleted, 0);
        EXPECT_EQ(performer.GetFilters()->GetCount(), 1);
        delete lent;
        EXPECT_EQ(deleted, 1);
        performer.RemoveFilter(kept, 1);
        EXPECT_EQ(deleted, 2);

        performer.AddFilter(new CountedFilter(deleted));
        performer.AddFilter(new CountedFilter(deleted));
    }
    EXPECT_EQ(deleted, 4);   // the performer deleted what it still held
}

TEST_F(Performers, AnAccentPlaysThroughAnEnabledFilterSetFromItsMark) {
    auto* accent = held(new ECAccent(11));
    auto* performer = PerformerOf<DCsqAccent>(accent);
    LCMidiAccent* filter = performer->GetAccentFilter();
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(filter->IsEnabled());
    EXPECT_EQ(performer->GetFilters()->GetFilters(), std::vector<LCMidiFilter*>{filter});
    EXPECT_FLOAT_EQ(filter->GetDurationChange(), 1.3f);   // type 11: 30 % longer, 20 % softer
    EXPECT_FLOAT_EQ(filter->GetVelocityOnChange(), 0.8f);
}

TEST_F(Performers, ATranspositionMakesItsFilterOnceAndTriggersItWithoutAStaff) {
    auto* mark = held(new ECTranspose(2, MCTime(4.0f)));
    Place(mark, 8.0f, 0, 1);
    auto* performer = PerformerOf<DCsqTranspose>(mark);
    LCMidiTranspose* filter = performer->GetTransposeFilter();
    EXPECT_EQ(performer->GetTransposeFilter(), filter);
    filter->SetEnabled(0);
    performer->TriggerFilters(nullptr);   // no sequence: updated, added nowhere else
    EXPECT_TRUE(filter->IsEnabled());
    EXPECT_EQ(filter->GetTransposition(), 24);
    EXPECT_EQ(filter->GetBeginTime(), MCTime(8.0f));
    EXPECT_EQ(filter->GetEndTime(), MCTime(12.0f));
    EXPECT_EQ(filter->GetOwnerList(), performer->GetFilters());
}

TEST_F(Performers, ADynamicKeepsItsVolumeWordInAVolumePerformerOfTheSameEvent) {
    auto* event = held(new ECDynamic(6, MCTime(0.0f)));
    auto* dynamic = PerformerOf<DCsqDynamic>(event);
    EXPECT_TRUE(dynamic->UsesVolume());
    // Off any staff an empty word stays empty.
    EXPECT_FALSE(dynamic->GetMidiData().HasData());
    dynamic->SetMidiData(Word(0xB4, 7, 85));
    DCsqMidi* volume = dynamic->GetVolumeObject(FCMidi());
    EXPECT_EQ(volume->GetOwner(), event);
    EXPECT_EQ(Bytes(volume->GetMidiData()), (std::vector<unsigned>{0xB4, 7, 85}));
    dynamic->UseVolume(0);
    EXPECT_FALSE(dynamic->UsesVolume());
}

// ---- archives -----------------------------------------------------------------------------

std::vector<uint8_t> SaveObject(const CObject* object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(object);
    ar.Close();
    return file.Detach();
}

CObject* LoadObject(const std::vector<uint8_t>& bytes) {
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    ECLoadGuard guard;
    CObject* object = ar.ReadObject(RUNTIME_CLASS(DCsqBase));
    guard.Commit();
    return object;
}

// DCBase's part of a new performer without an owner: a word that carries
// nothing, the field's flag word (dirty), the flag value (bit 0 dirty), no owner.
const std::vector<uint8_t> kFreshDataPart = {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0};

TEST_F(Performers, MidiWordsAndSystemExclusiveBytesHaveTheirGoldenForm) {
    using Bytes8 = std::vector<uint8_t>;
    DCsqMidi controller(Word(0xB1, 7, 100));
    const Bytes8 controllerBytes = eventio::NewClassTag("DCsqMidi") + kFreshDataPart + Bytes8{0x01, 0xB1, 0x07, 0x64};
    EXPECT_EQ(SaveObject(&controller), controllerBytes);

    DCsqNote note;
    note.SetNoteOnData(Word(0x90, 60, 64));
    note.SetNoteOffData(Word(0x80, 60, 0));
    const Bytes8 noteBytes =
        eventio::NewClassTag("DCsqNote") + kFreshDataPart + Bytes8{0x01, 0x90, 0x3C, 0x40, 0x01, 0x80, 0x3C, 0x00};
    EXPECT_EQ(SaveObject(&note), noteBytes);

    const unsigned char gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    DCsqSysMsg exclusive;
    exclusive.SetSysExData(FCMidiSysEx(gmOn, sizeof gmOn));
    // The empty short word (dirty), then the field's word: dirty, length 6.
    const Bytes8 exclusiveBytes = eventio::NewClassTag("DCsqSysMsg") + kFreshDataPart +
                                  Bytes8{0x01, 0, 0, 0, 0x61, 0, 0, 0} + Bytes8(gmOn, gmOn + sizeof gmOn);
    EXPECT_EQ(SaveObject(&exclusive), exclusiveBytes);

    DCsqTempo tempo;
    const Bytes8 tempoBytes = eventio::NewClassTag("DCsqTempo") + kFreshDataPart + Bytes8{0, 0, 0xC8, 0x41};   // 25.0f
    EXPECT_EQ(SaveObject(&tempo), tempoBytes);

    // Read back, each is whole again.
    std::unique_ptr<CObject> loaded(LoadObject(exclusiveBytes));
    const FCMidiSysEx& sysEx = static_cast<DCsqSysMsg*>(loaded.get())->GetSysExData();
    ASSERT_EQ(sysEx.GetSysExBufLength(), sizeof gmOn);
    EXPECT_TRUE(std::equal(gmOn, gmOn + sizeof gmOn, sysEx.GetSysExBuf()));
    loaded.reset(LoadObject(noteBytes));
    EXPECT_EQ(Bytes(static_cast<DCsqNote*>(loaded.get())->GetNoteOffData()), (std::vector<unsigned>{0x80, 60, 0}));
}

TEST_F(Performers, ASystemExclusiveLengthBeyondTheDataIsRefusedBeforeAnythingIsMade) {
    const std::vector<uint8_t> huge = eventio::NewClassTag("DCsqSysMsg") + kFreshDataPart +
                                      std::vector<uint8_t>{0x01, 0, 0, 0, 0xF1, 0xFF, 0xFF, 0xFF, 0xF0, 0xF7};
    EXPECT_THROW(LoadObject(huge), CArchiveException);
}

// One event with its performer filled, and what its copy must show.
struct ArchiveCase {
    std::string name;
    ECBase* (*make)();
    void (*check)(ECBase* original, ECBase* loaded);
};

template <class T>
T* Of(ECBase* event) {
    return dynamic_cast<T*>(event->GetData(DK_SEQUENCER, 0));
}

const ArchiveCase kArchiveCases[] = {
    {"controller",
     [] {
         ECBase* e = new ECControlChange;
         Place(e, 1.0f, 2, 3);
         PerformerOf<DCsqMidi>(e)->SetMidiData(Word(0xB2, 64, 127));
         return e;
     },
     [](ECBase*, ECBase* loaded) {
         EXPECT_EQ(Bytes(Of<DCsqMidi>(loaded)->GetMidiData()), (std::vector<unsigned>{0xB2, 64, 127}));
     }},
    {"program",
     [] {
         ECBase* e = new ECProgramChange;
         PerformerOf<DCsqProgram>(e)->SetMidiData(Word(0xC0, 5, 0));
         return e;
     },
     [](ECBase*, ECBase* loaded) { EXPECT_EQ(Of<DCsqProgram>(loaded)->GetMidiData().GetDataByte1(), 5); }},
    {"note",
     [] {
         ECBase* e = new ECNote(MCTime(1.0f), MCTime(0.5f));
         auto* p = PerformerOf<DCsqNote>(e);
         p->SetNoteOnData(Word(0x91, 62, 90));
         p->SetNoteOffData(Word(0x81, 62, 40));
         return e;
     },
     [](ECBase*, ECBase* loaded) {
         auto* p = Of<DCsqNote>(loaded);
         EXPECT_EQ(Bytes(p->GetNoteOnData()), (std::vector<unsigned>{0x91, 62, 90}));
         EXPECT_EQ(Bytes(p->GetNoteOffData()), (std::vector<unsigned>{0x81, 62, 40}));
     }},
    {"system exclusive",
     [] {
         ECBase* e = new ECSystemMessage;
         const unsigned char reset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7};
         PerformerOf<DCsqSysMsg>(e)->SetSysExData(FCMidiSysEx(reset, sizeof reset));
         return e;
     },
     [](ECBase* original, ECBase* loaded) {
         const FCMidiSysEx& a = Of<DCsqSysMsg>(original)->GetSysExData();
         const FCMidiSysEx& b = Of<DCsqSysMsg>(loaded)->GetSysExData();
         ASSERT_EQ(b.GetSysExBufLength(), a.GetSysExBufLength());
         EXPECT_TRUE(std::equal(a.GetSysExBuf(), a.GetSysExBuf() + a.GetSysExBufLength(), b.GetSysExBuf()));
     }},
    {"tempo",
     [] {
         ECBase* e = new ECTempo(21, MCTime(2.0f));
         PerformerOf<DCsqTempo>(e)->SetPercentChange(40.0f);
         return e;
     },
     [](ECBase*, ECBase* loaded) { EXPECT_EQ(Of<DCsqTempo>(loaded)->GetPercentChange(), 40.0f); }},
    {"wave",
     [] {
         ECBase* e = new ECWave(MCTime(0.0f), "take.wav");
         PerformerOf<DCsqWave>(e)->SetDSParams(PV_DSParams{-2500, -300, 1200});
         return e;
     },
     [](ECBase*, ECBase* loaded) {
         const PV_DSParams& p = Of<DCsqWave>(loaded)->GetDSParams();
         EXPECT_EQ(p.pan, -2500);
         EXPECT_EQ(p.volume, -300);
         EXPECT_EQ(p.frequency, 1200);
     }},
    {"dynamic",
     [] {
         ECBase* e = new ECDynamic(11, MCTime(4.0f));
         auto* p = PerformerOf<DCsqDynamic>(e);
         p->SetMidiData(Word(0xB3, 7, 70));
         p->SetPercentChange(30.0f);
         return e;
     },
     [](ECBase*, ECBase* loaded) {
         auto* p = Of<DCsqDynamic>(loaded);
         EXPECT_EQ(p->GetPercentChange(), 30.0f);
         DCsqMidi* volume = p->GetVolumeObject(FCMidi());
         EXPECT_EQ(volume->GetOwner(), loaded);
         EXPECT_EQ(Bytes(volume->GetMidiData()), (std::vector<unsigned>{0xB3, 7, 70}));
     }},
    {"accent",
     [] {
         ECBase* e = new ECAccent(3);
         PerformerOf<DCsqAccent>(e);
         return e;
     },
     [](ECBase*, ECBase* loaded) {
         auto* p = Of<DCsqAccent>(loaded);
         ASSERT_NE(p->GetAccentFilter(), nullptr);
         EXPECT_EQ(p->GetFilters()->GetCount(), 1);
         EXPECT_FLOAT_EQ(p->GetAccentFilter()->GetDurationChange(), 1.8f);
     }},
    {"transposition",
     [] {
         ECBase* e = new ECTranspose(1, MCTime(4.0f));
         PerformerOf<DCsqTranspose>(e)->GetTransposeFilter()->SetEnabled(0);
         return e;
     },
     [](ECBase*, ECBase* loaded) {
         // The filter read by reference is the one of the list (no second one).
         auto* p = Of<DCsqTranspose>(loaded);
         EXPECT_EQ(p->GetFilters()->GetCount(), 1);
         EXPECT_FALSE(p->GetTransposeFilter()->IsEnabled());
         EXPECT_EQ(p->GetFilters()->GetCount(), 1);
     }},
    {"flow control", [] { ECBase* e = new ECFlowControl(2); PerformerOf<DCsqFlowControl>(e); return e; },
     [](ECBase*, ECBase* loaded) { EXPECT_NE(Of<DCsqFlowControl>(loaded), nullptr); }},
    {"key", [] { ECBase* e = new ECKey; PerformerOf<DCsqKey>(e); return e; },
     [](ECBase*, ECBase* loaded) { EXPECT_NE(Of<DCsqKey>(loaded), nullptr); }},
    {"meter", [] { ECBase* e = new ECMeter; PerformerOf<DCsqMeter>(e); return e; },
     [](ECBase*, ECBase* loaded) { EXPECT_NE(Of<DCsqMeter>(loaded), nullptr); }},
    {"lyric", [] { ECBase* e = new ECLyric("la"); PerformerOf<DCsqLyric>(e); return e; },
     [](ECBase*, ECBase* loaded) { EXPECT_NE(Of<DCsqLyric>(loaded), nullptr); }},
};

TEST_F(Performers, EveryPerformerComesBackWithItsEventAndEveryCutOfTheRecordIsRefused) {
    for (const ArchiveCase& c : kArchiveCases) {
        ECBase* original = held(c.make());
        const std::vector<uint8_t> bytes = eventio::Save(original);
        ECBase* loaded = held(eventio::Load(bytes));
        ASSERT_NE(loaded, nullptr) << c.name;
        auto* performer = Of<DCsqBase>(loaded);
        ASSERT_NE(performer, nullptr) << c.name;
        EXPECT_EQ(performer->GetRuntimeClass(), Of<DCsqBase>(original)->GetRuntimeClass()) << c.name;
        EXPECT_EQ(performer->GetOwner(), loaded) << c.name;
        c.check(original, loaded);
        // Every shorter record throws; what the failed load made is freed
        // once (the dynamic's volume performer included).
        eventio::ExpectEveryCutThrows(bytes, c.name);
    }
}

TEST_F(Performers, WaveValuesAreReadOnlyFromFileVersionTwo) {
    ECBase* wave = held(new ECWave(MCTime(0.0f), "a.wav"));
    PerformerOf<DCsqWave>(wave)->SetDSParams(PV_DSParams{1, 2, 3});
    // The event written without the twelve bytes: what a version-1 file holds.
    std::vector<uint8_t> bytes = eventio::Save(wave);
    const std::vector<uint8_t> twelve = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    auto at = std::search(bytes.begin(), bytes.end(), twelve.begin(), twelve.end());
    ASSERT_NE(at, bytes.end());
    bytes.erase(at, at + 12);
    ECBase* loaded = held(eventio::Load(bytes, 1));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(Of<DCsqWave>(loaded)->GetDSParams().volume, 0);
}

TEST_F(Performers, TheListLinksTravelInTheAfterLoadPass) {
    DCsqMidi first(Word(0xB0, 1, 2));
    DCsqNote second;
    first.SetNext(&second);
    second.SetPrev(&first);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(&first);
        ar.WriteObject(&second);
        first.PostSerialize(ar);
        second.PostSerialize(ar);
        ar.Close();
    }
    CMemFile in(file.Detach());
    CArchive ar(&in, CArchive::load);
    std::unique_ptr<DCsqBase> a(static_cast<DCsqBase*>(ar.ReadObject(RUNTIME_CLASS(DCsqBase))));
    std::unique_ptr<DCsqBase> b(static_cast<DCsqBase*>(ar.ReadObject(RUNTIME_CLASS(DCsqBase))));
    a->PostSerialize(ar);
    b->PostSerialize(ar);
    EXPECT_EQ(a->GetPrev(), nullptr);
    EXPECT_EQ(a->GetNext(), b.get());
    EXPECT_EQ(b->GetPrev(), a.get());
    EXPECT_EQ(b->GetNext(), nullptr);
}

}   // namespace
