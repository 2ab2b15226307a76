// What the voice and clef tests share: a piece of 4/4 staves with the
// notation's display classes registered, and played notes placed in one call
// (a performer holding the MIDI key, a note display holding the quantized
// tick start and length the time correction would have written).
#pragma once

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/plugin.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/records.h"
#include "sequencer/performers.h"
#include "tests/model/piece_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

namespace played_test {

// Registers a performer class for notes while it lives.
class PerformerClass {
public:
    explicit PerformerClass(const CRuntimeClass* cls)
        : m_cell(CPluginData::GetDataClass(DK_SEQUENCER, ET_NOTE)), m_saved(m_cell) {
        m_cell = cls;
    }
    ~PerformerClass() { m_cell = m_saved; }
    PerformerClass(const PerformerClass&) = delete;
    PerformerClass& operator=(const PerformerClass&) = delete;

private:
    const CRuntimeClass*& m_cell;
    const CRuntimeClass* m_saved;
};

// A note that has no performer (made by splitting another).
constexpr int UNPLAYED = -1;
constexpr int DRUM_CHANNEL = 10;

class PlayedTest : public piece::PieceTest {
protected:
    void SetUp() override {
        PieceTest::SetUp();
        notation_test::StartPlugin();
    }

    ECMeasure* Bar(int track, int number) { return m_conductor->GetMeasure(track, number); }

    // A note of `key` (UNPLAYED: none) on `channel` at tick `start` (256 a
    // quarter) of the bar, notated `length` long, in `voice`.
    ECNote* PutNote(ECBase* parent, ECMeasure* bar, int key, int start, int length, int voice = 0,
                    int channel = 1) {
        MCTime time = *bar->GetTime();
        time += MCTime(static_cast<float>(start) / 256.0f);
        auto* note = new ECNote(time, MCTime(static_cast<float>(length) / 256.0f));
        note->SetVoiceTrack(voice, bar->GetVoiceTrack()->GetTrack());
        parent->AddChild(note, SORTED);
        if (key != UNPLAYED)
            Play(note, key, channel);
        if (auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1))) {
            display->SetTickStart(static_cast<WORD>(start));
            display->SetTickDuration(static_cast<WORD>(length));
        }
        return note;
    }
    ECNote* PutNote(ECMeasure* bar, int key, int start, int length, int voice = 0, int channel = 1) {
        return PutNote(bar, bar, key, start, length, voice, channel);
    }

    static void Play(ECNote* note, int key, int channel = 1) {
        PerformerClass performers(RUNTIME_CLASS(DCsqNote));
        auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 1));
        ASSERT_NE(performer, nullptr);
        performer->GetMidiData().SetStatusByte(static_cast<unsigned char>(0x90 | (channel - 1)));
        performer->GetMidiData().SetDataByte1(static_cast<unsigned char>(key));
    }

    static DCctNotate* Notate(ECBase* element) {
        return dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0));
    }
    static int Length(ECBase* element) { return Notate(element)->GetTickDuration(1); }
    static int VoiceOf(ECBase* element) { return element->GetVoiceTrack()->GetVoice(); }
    static bool IsChildOf(ECBase* event, ECBase* parent) {
        return event->GetParents()->Find(parent) != nullptr && parent->GetChildren()->Find(event) != nullptr;
    }
};

}  // namespace played_test
