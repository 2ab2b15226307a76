// MIDI events and wave clips: creation by number (and the bank selects that
// are made only by class), their archives (time and word alone, the system
// message's type byte, the clip's file name and duration), the controller
// names, and the system message's single type.
#include "model/midievents.h"

#include "model/eventtypes.h"
#include "tests/model/eventio_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using eventio::Held;
using eventio::Load;
using eventio::NewClassTag;
using eventio::Save;
using eventio::operator+;

namespace {

struct MidiClass {
    int type;
    const CRuntimeClass* cls;
    const CRuntimeClass* base;   // the base the class record names
    bool byNumber;               // whether CreateEvent makes one
    std::vector<int> parents;
};

const std::vector<MidiClass>& MidiClasses() {
    static const std::vector<MidiClass> classes = {
        {ET_CONTROLCHANGE, RUNTIME_CLASS(ECControlChange), RUNTIME_CLASS(ECWithTime), true, {ET_STAFF}},
        {ET_BANKLSB, RUNTIME_CLASS(ECBankLSB), RUNTIME_CLASS(ECControlChange), false, {ET_STAFF}},
        {ET_BANKMSB, RUNTIME_CLASS(ECBankMSB), RUNTIME_CLASS(ECControlChange), false, {ET_STAFF}},
        {ET_CHANNELMODE, RUNTIME_CLASS(ECChannelMode), RUNTIME_CLASS(ECWithTime), true, {ET_STAFF}},
        {ET_CHANNELPRESSURE, RUNTIME_CLASS(ECChannelPressure), RUNTIME_CLASS(ECWithTime), true, {ET_STAFF}},
        {ET_PITCHBEND, RUNTIME_CLASS(ECPitchBend), RUNTIME_CLASS(ECWithTime), true, {ET_STAFF}},
        {ET_POLYPRESSURE, RUNTIME_CLASS(ECPolyPressure), RUNTIME_CLASS(ECWithTime), true, {ET_STAFF}},
        {ET_PROGRAMCHANGE, RUNTIME_CLASS(ECProgramChange), RUNTIME_CLASS(ECWithTime), true, {ET_STAFF}},
        {ET_PAN, RUNTIME_CLASS(ECPan), RUNTIME_CLASS(ECWithTime), true, {ET_MEASURE, ET_STAFF, ET_WAVETRACK}},
        {ET_SYSTEMMESSAGE, RUNTIME_CLASS(ECSystemMessage), RUNTIME_CLASS(ECWithTime), true, {ET_CONDUCTORSTAFF}},
        {ET_WAVE, RUNTIME_CLASS(ECWave), RUNTIME_CLASS(ECWithTimeChild), true, {ET_WAVETRACK}},
    };
    return classes;
}

// 2.5 quarter notes as the archive writes a time: mode 0, then the float.
const std::vector<uint8_t> kTime2_5 = {0x00, 0x00, 0x00, 0x20, 0x40};
// Voice 3, track 12.
const std::vector<uint8_t> kVoice3Track12 = {0xC3, 0x00};

void PlaceAt2_5(ECBase* event) {
    const MCTime time(2.5f);
    event->SetTime(&time);
    event->SetVoiceTrack(3, 12);
}

}  // namespace

TEST(MidiEvents, MadeByNumberOrByClassWithTheirTypesAndParents) {
    Held hold;
    for (const MidiClass& c : MidiClasses()) {
        const std::string name = c.cls->m_lpszClassName;
        EXPECT_EQ(ECBase::GetEventRuntimeClass(c.type), c.byNumber ? c.cls : nullptr) << name;
        ECBase* event = hold(c.byNumber ? ECBase::CreateEvent(c.type) : static_cast<ECBase*>(c.cls->CreateObject()));
        ASSERT_NE(event, nullptr) << name;
        eventio::ExpectEventClass(event, c.cls, c.base, c.type, c.parents, name);
        EXPECT_NE(event->GetTime(), nullptr) << name;
        EXPECT_EQ(event->GetVoiceTrack()->GetValue(), 0x7FFF) << name;
        // Only the clip has a length of its own.
        EXPECT_EQ(event->GetDuration() != nullptr, c.type == ET_WAVE) << name;
    }
}

TEST(MidiEvents, SavedAndLoadedWithTimeWordAndFlags) {
    Held hold;
    for (const MidiClass& c : MidiClasses()) {
        const std::string name = c.cls->m_lpszClassName;
        auto* event = hold(static_cast<ECBase*>(c.cls->CreateObject()));
        PlaceAt2_5(event);
        event->SetIgnored(1);
        event->SetDisplayOnly(1);
        const std::vector<uint8_t> bytes = Save(event);

        ECBase* loaded = hold(Load(bytes));
        ASSERT_NE(loaded, nullptr) << name;
        EXPECT_EQ(loaded->GetRuntimeClass(), c.cls) << name;
        EXPECT_EQ(*loaded->GetTime(), MCTime(2.5f)) << name;
        EXPECT_EQ(*loaded->GetVoiceTrack(), MCVoiceTrack(3, 12)) << name;
        EXPECT_EQ(loaded->GetFlags(), event->GetFlags()) << name;
        EXPECT_EQ(Save(loaded), bytes) << name;

        eventio::ExpectEveryCutThrows(bytes, name);
    }
}

TEST(MidiEvents, AMessageEventIsArchivedAsItsTimeAndWordAlone) {
    // Its controller, program or bend value travels in its view data.
    Held hold;
    const struct {
        ECBase* event;
        const char* name;
    } cases[] = {
        {hold(new ECControlChange), "ECControlChange"},
        {hold(new ECBankMSB), "ECBankMSB"},
        {hold(new ECPitchBend), "ECPitchBend"},
        {hold(new ECPan), "ECPan"},
    };
    for (const auto& c : cases) {
        PlaceAt2_5(c.event);
        const std::vector<uint8_t> expected = NewClassTag(c.name) + std::vector<uint8_t>{0x04}   // has time
                                              + kTime2_5 + kVoice3Track12;
        EXPECT_EQ(Save(c.event), expected) << c.name;
    }
}

TEST(MidiEvents, ControllerStrings) {
    const struct {
        unsigned char controller;
        int form;
        const char* text;
    } cases[] = {
        {7, ECControlChange::CS_NUMBER_AND_NAME, "007)  Main Volume (MSB)"},
        {3, ECControlChange::CS_NAME, ""},                     // no name
        {3, ECControlChange::CS_NUMBER_AND_NAME, "003)  "},    // an empty name part
        {200, ECControlChange::CS_NUMBER, "200"},
        {0, ECControlChange::CS_NUMBER, "0"},
        {0, ECControlChange::CS_NAME, "Bank Change (MSB)"},
        {32, 7, "Bank Change (LSB)"},                          // any other form: the name
        {64, -1, "Damper Pedal"},
        {95, ECControlChange::CS_NUMBER_AND_NAME, "095)  FX Send 5 (Phaser)"},
        {96, ECControlChange::CS_NAME, ""},
        {255, ECControlChange::CS_NUMBER_AND_NAME, "255)  "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ECControlChange::GetControllerString(c.controller, c.form), c.text) << int(c.controller);

    // 34 controllers have a name, each its own.
    std::vector<std::string> names;
    for (int controller = 0; controller < 256; ++controller) {
        std::string name = ECControlChange::GetControllerString(static_cast<unsigned char>(controller), 1);
        if (!name.empty())
            names.push_back(name);
    }
    EXPECT_EQ(names.size(), 34u);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

TEST(ECSystemMessage, ZeroIsTheOnlyType) {
    Held hold;
    EXPECT_EQ(hold(new ECSystemMessage(5))->GetMsgType(), 0);
    ECSystemMessage* message = hold(new ECSystemMessage);
    message->SetMsgType(255);
    EXPECT_EQ(message->GetMsgType(), 0);

    PlaceAt2_5(message);
    const std::vector<uint8_t> stored =
        NewClassTag("ECSystemMessage") + std::vector<uint8_t>{0x04} + kTime2_5 + kVoice3Track12 + std::vector<uint8_t>{0x00};
    EXPECT_EQ(Save(message), stored);

    // A file holding another type loads type 0.
    std::vector<uint8_t> other = stored;
    other.back() = 0x07;
    auto* loaded = hold(static_cast<ECSystemMessage*>(Load(other)));
    EXPECT_EQ(loaded->GetMsgType(), 0);
    EXPECT_EQ(Save(loaded), stored);
}

TEST(ECWave, ConstructorsPutTheClipAtZeroUnlessGivenATime) {
    Held hold;
    const MCTime at(6.0f);
    const struct {
        ECWave* wave;
        MCTime time;
        const char* file;
    } cases[] = {
        {hold(new ECWave), MCTime(0.0f), ""},
        {hold(new ECWave(std::string("drums.wav"))), MCTime(0.0f), "drums.wav"},
        {hold(new ECWave(at, "bass.wav")), at, "bass.wav"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(*c.wave->GetTime(), c.time) << c.file;
        EXPECT_EQ(c.wave->GetTime()->GetMode(), TM_NORMAL) << c.file;
        EXPECT_EQ(c.wave->GetFileName(), c.file);
        EXPECT_EQ(*c.wave->GetDuration(), MCTime()) << c.file;
        EXPECT_EQ(c.wave->GetVoiceTrack()->GetValue(), 0x7FFF) << c.file;
    }
}

TEST(ECWave, ACopyKeepsTimeWordAndFileButNotTheDuration) {
    Held hold;
    ECWave* source = hold(new ECWave(MCTime(3.0f), "take 2.wav"));
    source->SetVoiceTrack(14, 2);
    const MCTime length(7.25f);
    source->SetDuration(&length);
    source->SetDuration(nullptr);   // ignored
    ASSERT_EQ(*source->GetDuration(), length);

    ECWave* copy = hold(new ECWave(*source));
    EXPECT_EQ(*copy->GetTime(), MCTime(3.0f));
    EXPECT_EQ(*copy->GetVoiceTrack(), MCVoiceTrack(14, 2));
    EXPECT_EQ(copy->GetFileName(), "take 2.wav");
    EXPECT_EQ(*copy->GetDuration(), MCTime());
    EXPECT_EQ(copy->GetRefCount(), 1);   // a new event: only the test's hold
}

TEST(ECWave, SavedAndLoadedWithFileNameAndDuration) {
    Held hold;
    ECWave* wave = hold(new ECWave(MCTime(2.5f), "Vox.wav"));
    wave->SetVoiceTrack(3, 12);
    const MCTime length(1.5f);
    wave->SetDuration(&length);
    const std::vector<uint8_t> expected = NewClassTag("ECWave") +
                                          std::vector<uint8_t>{0x04} +   // has time, no children
                                          kTime2_5 + kVoice3Track12 +
                                          std::vector<uint8_t>{7, 'V', 'o', 'x', '.', 'w', 'a', 'v'} +
                                          std::vector<uint8_t>{0x00, 0x00, 0x00, 0xC0, 0x3F};   // 1.5
    ASSERT_EQ(Save(wave), expected);

    auto* loaded = hold(static_cast<ECWave*>(Load(expected)));
    EXPECT_EQ(loaded->GetFileName(), "Vox.wav");
    EXPECT_EQ(*loaded->GetDuration(), length);
    EXPECT_EQ(*loaded->GetTime(), MCTime(2.5f));

    // A clip in a document older than version 1: both times are bare floats.
    const std::vector<uint8_t> old = NewClassTag("ECWave") + std::vector<uint8_t>{0x04, 0x00, 0x00, 0x20, 0x40} +
                                     kVoice3Track12 + std::vector<uint8_t>{1, 'a'} +
                                     std::vector<uint8_t>{0x00, 0x00, 0xC0, 0x3F};
    auto* older = hold(static_cast<ECWave*>(Load(old, 0)));
    EXPECT_EQ(*older->GetTime(), MCTime(2.5f));
    EXPECT_EQ(older->GetFileName(), "a");
    EXPECT_EQ(*older->GetDuration(), length);
}
