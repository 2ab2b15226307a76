// Every music-font code the ornament, dynamic, tempo, flow-control, pedal,
// transposition and chord-symbol displays draw, the composed ones too (the
// letter-pair dynamics, the metronome mark's equals sign and digits, the
// octave signs, the ending's point), is a code of the music face: a code
// missing from it would draw nothing and measure 0.
#include "notation/display/chordsymbol.h"
#include "notation/display/dynamic.h"
#include "notation/display/flowcontrol.h"
#include "notation/display/ornament.h"
#include "notation/display/pedal.h"
#include "notation/display/tempo.h"

#include "model/markings.h"
#include "model/modifiers.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "platform/gdi/symbolface.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// The codes drawn, each with the first display that draws it.
using Codes = std::map<UINT, std::string>;

void Add(Codes& codes, UINT code, const std::string& what) {
    if (code != 0)
        codes.emplace(code, what);
}

void AddText(Codes& codes, const std::string& text, const std::string& what) {
    for (char c : text)
        Add(codes, static_cast<unsigned char>(c), what);
}

// Each display of `Display` over an owner of each type in [first, last].
template <class Display, class Event, class Make>
void AddByType(Codes& codes, int first, int last, const char* what, Make make) {
    for (int type = first; type <= last; ++type) {
        Event event = make(static_cast<unsigned char>(type));
        Display display;
        display.SetOwner(&event);
        Add(codes, display.GetFontFromType(), std::string(what) + " " + std::to_string(type));
        display.SetOwner(nullptr);
    }
}

Codes DrawnCodes() {
    Codes codes;
    AddByType<DCctMordent, ECMordent>(codes, 0, 3, "mordent", [](unsigned char t) { return ECMordent(t); });
    AddByType<DCctTurn, ECTurn>(codes, 0, 0, "turn", [](unsigned char t) { return ECTurn(t); });
    for (int type = 0; type <= 3; ++type) {
        ECTrill event(static_cast<unsigned char>(type));
        DCctTrill trill;
        trill.SetOwner(&event);
        Add(codes, trill.GetFontFromType(), "trill");
        Add(codes, trill.GetAccidentalFromType(), "trill accidental " + std::to_string(type));
        trill.SetOwner(nullptr);
    }
    Add(codes, DCctTrill::TRILL_WAVE, "trill line");
    AddByType<DCctOrnament, ECOrnament>(codes, 0, 6, "ornament", [](unsigned char t) { return ECOrnament(t); });
    Add(codes, DCctOrnament::ORNAMENT_STEP_GLYPH, "ornament step");
    AddByType<DCctDynamic, ECDynamic>(codes, 0, 10, "dynamic",
                                      [](unsigned char t) { return ECDynamic(t, MCTime()); });

    // Tempo: every beat of the table, bracketed, with every digit; the pauses.
    for (float beat : {0.25f, 0.375f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 6.0f}) {
        for (float bpm : {120.0f, 345.0f, 678.0f, 9.0f}) {
            ECTempo tempo;
            tempo.SetTempo(bpm, beat);
            DCctTempo display;
            display.SetOwner(&tempo);
            display.SetExpressionWithBeatEquals(1, 0);
            const std::string mark = display.GetBeatEquals();
            EXPECT_FALSE(mark.empty()) << beat << " " << bpm;
            AddText(codes, mark, "metronome mark");
            display.SetOwner(nullptr);
        }
    }
    for (unsigned char type : {1, 24, 29}) {
        for (int location : {0, 1}) {
            ECTempo tempo(type, MCTime(0.0f));
            DCctTempo display;
            display.SetOwner(&tempo);
            display.SetLocation(location, 0);
            Add(codes, display.GetFontFromType(), "tempo " + std::to_string(type));
            display.SetOwner(nullptr);
        }
    }

    // Flow control: the signs, the repeat bars' dot and bar, every ending label.
    AddByType<DCctFlowControl, ECFlowControl>(codes, 0, 12, "flow control",
                                              [](unsigned char t) { return ECFlowControl(t); });
    Add(codes, DCctFlowControl::GLYPH_REPEAT_DOT, "repeat dot");
    Add(codes, DCctFlowControl::GLYPH_THICK_BAR, "repeat bar");
    for (int number = 1; number <= 10; ++number) {
        ECFlowControl ending(DCctFlowControl::FLOW_ENDING);
        ending.SetEndingNumber(number);
        DCctFlowControl display;
        display.SetOwner(&ending);
        AddText(codes, display.GetEndingLabel(), "ending label");
        display.SetOwner(nullptr);
    }

    AddByType<DCctPedal, ECPedal>(codes, 0, 2, "pedal", [](unsigned char t) { return ECPedal(t, MCTime()); });
    Add(codes, DCctPedal::GLYPH_RELEASE, "pedal release");
    Add(codes, DCctPedal::GLYPH_RELEASE_CODA, "pedal release, type 1");
    AddByType<DCctTranspose, ECTranspose>(codes, 0, 2, "transposition",
                                          [](unsigned char t) { return ECTranspose(t, MCTime()); });
    // The chord name's signs: flat, sharp, diminished, augmented.
    for (UINT sign : {105u, 73u, 111u, 246u})
        Add(codes, sign, "chord name sign");
    return codes;
}

TEST(MarkGlyphsTest, EveryCodeDrawnIsInTheMusicFace) {
    const CSymbolFace* face = FindSymbolFace("Norvane2");
    ASSERT_NE(face, nullptr);
    const Codes codes = DrawnCodes();
    // The composed codes are among them.
    for (UINT composed : {175u, 184u, 185u, 196u, 200u, 195u, 215u, 46u})
        EXPECT_EQ(codes.count(composed), 1u) << composed;
    for (const auto& [code, what] : codes)
        EXPECT_NE(face->Find(static_cast<uint8_t>(code)), nullptr) << code << " (" << what << ")";
}

}  // namespace
