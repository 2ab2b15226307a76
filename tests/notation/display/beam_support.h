// What the beam tests share: a beam in voice 0 of measure 1 of a treble
// staff (4/4), its members added one after the other as placed notes and
// rests with their display objects.
#pragma once

#include "model/groupmarks.h"
#include "model/notes.h"
#include "notation/display/beam.h"
#include "notation/display/clef.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/note_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace beam_test {

using namespace note_test;

constexpr int NOTEHEAD = 12;
constexpr int UP = 0;
constexpr int DOWN = 1;
constexpr int EIGHTH = 128;
constexpr int SIXTEENTH = 64;
constexpr int THIRTYSECOND = 32;

class BeamStaff {
public:
    // At a notehead height of `notehead` units, members spaced in
    // proportion to it.
    explicit BeamStaff(int notehead = NOTEHEAD) : m_step(40 * notehead / NOTEHEAD), m_font(notehead) {
        m_score.ColumnDisplay(1);
        m_measure = m_score.Display(1);
        m_measure->SetPosition(0, 0);
        ECClef* clef = m_score.AddClef(1, 0, 0);
        {
            measure_test::RegistryCell cell(ET_CLEF, RUNTIME_CLASS(DCctClef));
            EXPECT_NE(clef->GetData(DK_NOTATION, 1), nullptr);
        }
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
        w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
        event = new ECBeam;
        event->SetVoiceTrack(0, 1);
        event->SetTime(m_score.Measure(1)->GetTime());
        EXPECT_EQ(m_score.Measure(1)->AddChild(event, 1), 1);
        measure_test::RegistryCell cell(ET_BEAM, RUNTIME_CLASS(DCctBeam));
        beam = dynamic_cast<DCctBeam*>(event->GetData(DK_NOTATION, 1));
    }

    // The next member: a note of `key` lasting `value` ticks, placed by its
    // measure, then set at x = 30 + 40 per member (at the default notehead), stem `direction` (fixed
    // by the user when `override` is 1).
    DCctNote* AddNote(int key, int value = EIGHTH, int direction = UP, int override = 0) {
        auto* note = new ECNote;
        AddMember(note);
        measure_test::RegistryCell cell(ET_NOTE, RUNTIME_CLASS(DCctNote));
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        MCPitch pitch = Pitch(key);
        display->SetPitch(pitch);
        display->SetValue(static_cast<WORD>(value), 0);
        display->SetTickStart(static_cast<WORD>(m_tick));
        display->SetTickDuration(static_cast<WORD>(value));
        EXPECT_EQ(display->Position(nullptr, nullptr, nullptr, nullptr), 1);
        display->SetX(30 + m_step * m_count);
        display->SetStemDirection(direction, override);
        display->SetStemSide(direction ? 0 : 1, override);
        display->SetFlag(1);
        display->SetSize(nullptr);
        Advance(value);
        return display;
    }
    std::vector<DCctNote*> AddNotes(const std::vector<int>& keys, int value = EIGHTH, int direction = UP) {
        std::vector<DCctNote*> notes;
        for (int key : keys)
            notes.push_back(AddNote(key, value, direction));
        return notes;
    }

    // The next member: a rest of `value` ticks (a plain notated display).
    DCctNotate* AddRest(int value) {
        auto* rest = new ECRest;
        AddMember(rest);
        measure_test::RegistryCell cell(ET_REST, RUNTIME_CLASS(DCctNotate));
        auto* display = dynamic_cast<DCctNotate*>(rest->GetData(DK_NOTATION, 1));
        display->SetValue(static_cast<WORD>(value), 0);
        display->SetTickStart(static_cast<WORD>(m_tick));
        display->SetTickDuration(static_cast<WORD>(value));
        display->SetX(30 + m_step * m_count);
        Advance(value);
        return display;
    }

    int Place() { return beam->Position(nullptr, nullptr, nullptr, nullptr); }
    void Group() { beam->Group(m_score.conductor, m_score.staff); }

    // The column types of one secondary level.
    std::vector<int> Types(int level) const {
        std::vector<int> types;
        for (const DCctBeam::Column& column : beam->GetLevels().at(static_cast<size_t>(level)).columns)
            types.push_back(column.type);
        return types;
    }

    ECConductor* Conductor() { return m_score.conductor; }
    ECStaff* Staff() { return m_score.staff; }

    ECBeam* event = nullptr;   // held by the measure
    DCctBeam* beam = nullptr;
    int h = 0;
    int w = 0;

private:
    void AddMember(ECBase* member) {
        member->SetVoiceTrack(0, 1);
        const MCTime at(static_cast<float>(m_tick) / 256.0f);
        member->SetTime(&at);
        // A member has its measure as a parent too.
        EXPECT_EQ(m_score.Measure(1)->AddChild(member, 1), 1);
        EXPECT_EQ(event->AddChild(member, 1), 1);
    }
    void Advance(int value) {
        m_tick += value;
        ++m_count;
    }

    int m_step;
    MusicFontScope m_font;
    measure_test::LinksScope m_links;
    ClefLinksScope m_clefLinks;
    measure_test::Score m_score{0, 1};
    DCctMeasure* m_measure = nullptr;
    int m_count = 0;
    int m_tick = 0;
};

}  // namespace beam_test
