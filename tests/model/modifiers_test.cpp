// The note modifiers: each class on its base with its parents, its type byte
// through constructor, setter and copy, every byte value through the archive,
// and the records of the three bases.
#include "model/modifiers.h"

#include "model/eventtypes.h"
#include "tests/model/eventio_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using eventio::Held;
using eventio::Load;
using eventio::NewClassTag;
using eventio::Save;
using eventio::operator+;

namespace {

struct ModifierClass {
    int type;
    const CRuntimeClass* cls;
    const CRuntimeClass* base;
    std::vector<int> parents;
    ECBase* (*make)(unsigned char type);   // the one-byte constructor
    ECBase* (*copy)(ECBase* source);
    unsigned char (*get)(ECBase* event);
    void (*set)(ECBase* event, unsigned char type);
};

// A row of the table: each class has accessors named after itself.
#define MODIFIER(type, cls, Name, base, ...)                                        \
    ModifierClass {                                                                 \
        type, RUNTIME_CLASS(cls), RUNTIME_CLASS(base), {__VA_ARGS__},               \
            [](unsigned char t) -> ECBase* { return new cls(t); },                  \
            [](ECBase* e) -> ECBase* { return new cls(*static_cast<cls*>(e)); },    \
            [](ECBase* e) { return static_cast<cls*>(e)->Get##Name##Type(); },      \
            [](ECBase* e, unsigned char t) { static_cast<cls*>(e)->Set##Name##Type(t); } \
    }

const std::vector<ModifierClass>& Modifiers() {
    static const std::vector<ModifierClass> classes = {
        MODIFIER(ET_ACCENT, ECAccent, Accent, ECBase, ET_NOTE, ET_CHORD, ET_GRACENOTE),
        MODIFIER(ET_ACCIDENTAL, ECAccidental, Accidental, ECBase, ET_NOTE, ET_GRACENOTE),
        MODIFIER(ET_DOT, ECDot, Dot, ECBase, ET_NOTE, ET_CHORD, ET_REST),
        MODIFIER(ET_ARPEGGIO, ECArpeggio, Arpeggio, ECWithChild, ET_CHORD),
        MODIFIER(ET_MORDENT, ECMordent, Mordent, ECWithChild, ET_NOTE, ET_CHORD),
        MODIFIER(ET_ORNAMENT, ECOrnament, Ornament, ECWithChild, ET_NOTE),
        MODIFIER(ET_TURN, ECTurn, Turn, ECWithChild, ET_NOTE, ET_CHORD),
        MODIFIER(ET_TREMOLO, ECTremolo, Tremolo, ECWithTimeChild, ET_NOTE, ET_CHORD),
        MODIFIER(ET_TRILL, ECTrill, Trill, ECWithTimeChild, ET_NOTE, ET_CHORD),
    };
    return classes;
}

#undef MODIFIER

bool IsTimed(const ModifierClass& c) {
    return c.base == RUNTIME_CLASS(ECWithTimeChild);
}

}  // namespace

TEST(Modifiers, MadeByNumberOnTheirBasesWithTypeZero) {
    Held hold;
    for (const ModifierClass& c : Modifiers()) {
        const std::string name = c.cls->m_lpszClassName;
        ECBase* event = hold(ECBase::CreateEvent(c.type));
        ASSERT_NE(event, nullptr) << name;
        eventio::ExpectEventClass(event, c.cls, c.base, c.type, c.parents, name);
        EXPECT_TRUE(event->IsKindOf(c.base)) << name;
        EXPECT_EQ(c.get(event), 0) << name;
        EXPECT_EQ(event->GetDuration(), nullptr) << name;
        if (IsTimed(c)) {
            ASSERT_NE(event->GetTime(), nullptr) << name;
            EXPECT_EQ(*event->GetTime(), MCTime::TimeNull()) << name;
            EXPECT_EQ(event->GetFlags(), unsigned{ECBase::EF_TIME}) << name;
        } else {
            EXPECT_EQ(event->GetTime(), nullptr) << name;
            EXPECT_EQ(event->GetFlags(), 0u) << name;
        }
        EXPECT_EQ(event->GetChildren() != nullptr, c.base != RUNTIME_CLASS(ECBase)) << name;
        EXPECT_EQ(c.get(hold(c.make(0xA7))), 0xA7) << name;
    }
}

TEST(Modifiers, ACopyIsANewEventWithTheTypeByteAndTheTimedBasesTimeAndWord) {
    Held hold;
    for (const ModifierClass& c : Modifiers()) {
        const std::string name = c.cls->m_lpszClassName;
        ECBase* note = hold(new ECWithTimeChild);
        ECBase* source = c.make(200);
        note->AddChild(source, UNSORTED);
        const MCTime time(3.0f);
        source->SetTime(&time);
        source->SetVoiceTrack(4, 9);

        ECBase* copy = c.copy(source);
        EXPECT_EQ(copy->GetRefCount(), 0) << name;
        hold(copy);
        EXPECT_EQ(copy->GetRuntimeClass(), c.cls) << name;
        EXPECT_EQ(c.get(copy), 200) << name;
        EXPECT_TRUE(copy->GetParents()->IsEmpty()) << name;
        if (IsTimed(c)) {
            EXPECT_EQ(*copy->GetTime(), time) << name;
            EXPECT_EQ(*copy->GetVoiceTrack(), MCVoiceTrack(4, 9)) << name;
        }
        c.set(copy, 7);
        EXPECT_EQ(c.get(copy), 7) << name;
        EXPECT_EQ(c.get(source), 200) << name;
    }
}

TEST(Modifiers, EveryTypeByteIsStoredAndReloadedUnchanged) {
    Held hold;
    for (const ModifierClass& c : Modifiers()) {
        const std::string name = c.cls->m_lpszClassName;
        // One record with 256 of them under one parent: the class is tagged
        // once and each modifier carries its own byte.
        ECBase* parent = hold(new ECWithTimeChild);
        for (int type = 0; type < 256; ++type)
            parent->AddChild(c.make(static_cast<unsigned char>(type)), UNSORTED);
        const std::vector<uint8_t> bytes = Save(parent);

        ECBase* loaded = hold(Load(bytes));
        MCEventList* children = loaded->GetChildren();
        ASSERT_EQ(children->GetCount(), 256) << name;
        int type = 0;
        for (POSITION pos = children->GetHeadPosition(); pos; ++type) {
            ECBase* child = children->GetNext(pos);
            ASSERT_EQ(child->GetRuntimeClass(), c.cls) << name;
            EXPECT_EQ(c.get(child), type) << name;
        }
        EXPECT_EQ(Save(loaded), bytes) << name;
    }
}

TEST(Modifiers, RecordsOfTheThreeBases) {
    Held hold;
    ECAccent* accent = hold(new ECAccent(0x81));
    accent->SetIgnored(1);
    ECArpeggio* arpeggio = hold(new ECArpeggio(0xFF));
    ECTrill* trill = hold(new ECTrill(2));
    const MCTime time(0.5f);
    trill->SetTime(&time);
    trill->SetVoiceTrack(0, 1);
    const struct {
        ECBase* event;
        std::vector<uint8_t> bytes;
    } cases[] = {
        // Flag byte (ignored), the type byte.
        {accent, NewClassTag("ECAccent") + std::vector<uint8_t>{0x08, 0x81}},
        // Flag byte (no children, so no count), the type byte.
        {arpeggio, NewClassTag("ECArpeggio") + std::vector<uint8_t>{0x00, 0xFF}},
        // Flag byte (has time), time 0.5, voice 0 track 1, the type byte.
        {trill, NewClassTag("ECTrill") + std::vector<uint8_t>{0x04, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x10, 0x00, 0x02}},
    };
    for (const auto& c : cases) {
        const std::string name = c.event->GetRuntimeClass()->m_lpszClassName;
        EXPECT_EQ(Save(c.event), c.bytes) << name;
        eventio::ExpectEveryCutThrows(c.bytes, name);
    }

    // Every class refuses a shortened record.
    for (const ModifierClass& c : Modifiers()) {
        ECBase* event = hold(c.make(9));
        eventio::ExpectEveryCutThrows(Save(event), c.cls->m_lpszClassName);
    }
}
