// The note-mark, text, lyric, brace, frame and ornament-mark displays in the
// archive: each record the head and its tail, back dirty for layout, and
// inside a native document saved and opened again; and every sample drawing
// leaves the music font as it found it.
#include "notation/display/accent.h"
#include "notation/display/accidental.h"
#include "notation/display/arpeggio.h"
#include "notation/display/brace.h"
#include "notation/display/chordsymbol.h"
#include "notation/display/dot.h"
#include "notation/display/dynamic.h"
#include "notation/display/flowcontrol.h"
#include "notation/display/frame.h"
#include "notation/display/lyric.h"
#include "notation/display/ornament.h"
#include "notation/display/pedal.h"
#include "notation/display/records.h"
#include "notation/display/tempo.h"
#include "notation/display/text.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/textmarks.h"
#include "notation/layout/textfonts.h"
#include "tests/notation/display/document_support.h"
#include "tests/notation/display/marks_support.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace marks_test;

constexpr size_t HEAD_BYTES = 26;   // the display head with no owner
constexpr uint32_t CLASS_BIT_20 = 1u << 20;

struct Case {
    const char* name;
    std::function<DCctBase*()> make;
    size_t tail;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"accent", [] { return new DCctAccent; }, 0},
        {"accidental", [] { return new DCctAccidental; }, 1},
        {"arpeggio", [] { return new DCctArpeggio; }, 0},
        {"dot", [] { return new DCctDot; }, 0},
        {"text", [] { return new DCctText; }, 0},
        {"lyric", [] { return new DCctLyric; }, 0},
        {"brace", [] { return new DCctBrac; }, 0},
        {"frame", [] { return new DCctFrame; }, 0},
        {"pedal", [] { return new DCctPedal; }, 0},
        {"transposition", [] { return new DCctTranspose; }, 0},
        // The ornament marks: the dynamic's location byte after the head; the
        // others' bits travel in the head's state word.
        {"mordent", [] { return new DCctMordent; }, 0},
        {"turn", [] { return new DCctTurn; }, 0},
        {"trill", [] { return new DCctTrill; }, 0},
        {"ornament", [] { return new DCctOrnament; }, 0},
        {"dynamic", [] { return new DCctDynamic; }, 1},
        {"tempo", [] { return new DCctTempo; }, 0},
        {"flow control", [] { return new DCctFlowControl; }, 0},
        {"chord symbol", [] { return new DCctChordSymbol; }, 0},
    };
    return cases;
}

// Stored: the head and the tail; read back: the class bit kept, dirty for
// frame, position, collision and assembly.
TEST(MarksArchiveTest, HeadPlusTailAndDirtyWhenRead) {
    for (const Case& c : Cases()) {
        std::unique_ptr<DCctBase> source(c.make());
        for (int kind = 0; kind < DCctBase::DIRTY_KIND_COUNT; ++kind)
            source->SetDirtyKind(kind, 0);
        source->SetStateWord(source->GetStateWord() | CLASS_BIT_20);
        source->SetPosition(120, -340);
        const std::vector<uint8_t> bytes = StoredBytes(source.get());
        EXPECT_EQ(bytes.size(), HEAD_BYTES + c.tail) << c.name;

        std::unique_ptr<DCctBase> copy(c.make());
        for (int kind = 0; kind < DCctBase::DIRTY_KIND_COUNT; ++kind)
            copy->SetDirtyKind(kind, 0);
        LoadBytes(copy.get(), bytes);
        EXPECT_EQ(copy->GetStateWord() & CLASS_BIT_20, CLASS_BIT_20) << c.name;
        EXPECT_EQ(copy->GetPosition(), CPoint(120, -340)) << c.name;
        EXPECT_EQ(copy->FrameDirty(), 1) << c.name;
        EXPECT_EQ(copy->PositionDirty(), 1) << c.name;
        EXPECT_EQ(copy->CollisionDirty(), 1) << c.name;
        EXPECT_EQ(copy->AssembleDirty(), 1) << c.name;
        EXPECT_EQ(copy->ValueDirty(), 0) << c.name;
        EXPECT_EQ(StoredBytes(copy.get()).size(), bytes.size()) << c.name;
    }
}

// A sample of each drawn in a rectangle leaves the music font's height and
// note metrics as they were.
TEST(MarksArchiveTest, SamplesLeaveTheMusicFontAsTheyFoundIt) {
    MusicFontScope font(NOTEHEAD);
    ECAccent accent(2);
    ECAccidental accidental(1);
    ECArpeggio arpeggio(2);
    ECDot dot(2);
    ECText text(8, "Title");
    ECLyric lyric("la");
    ECBrac brace(0);
    ECBrac bracket(1);
    ECBase* owners[] = {&accent, &accidental, &arpeggio, &dot, &text, &lyric, &brace, &bracket};
    std::vector<std::unique_ptr<DCctBase>> displays;
    displays.emplace_back(new DCctAccent);
    displays.emplace_back(new DCctAccidental);
    displays.emplace_back(new DCctArpeggio);
    displays.emplace_back(new DCctDot);
    displays.emplace_back(new DCctText);
    displays.emplace_back(new DCctLyric);
    displays.emplace_back(new DCctBrac);
    displays.emplace_back(new DCctBrac);
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    MCTextFont& texts = MCTextFont::GetTextFont();
    MCLyricFont& lyrics = MCLyricFont::GetLyricFont();
    const COLORREF marker = RGB(1, 2, 3);
    for (size_t i = 0; i < displays.size(); ++i) {
        for (MCFont* shared : std::initializer_list<MCFont*>{&music, &texts, &lyrics})
            shared->SetFontColor(marker);
        DCctBase& display = *displays[i];
        display.SetOwner(owners[i]);
        LOGFONT before;
        MCMusicFont::NoteMetrics metricsBefore;
        music.SaveLogFont(&before, &metricsBefore);
        const MCMusicFont::MusicFontMetrics glyphBefore = music.GetMusicMetrics(62, FONT_NORMAL);
        TenthCanvas canvas(100, 100, 0, 100);
        CRect rect(100, 900, 900, 100);
        EXPECT_EQ(display.DrawInRect(&canvas.dc, &rect), 1) << i;
        EXPECT_FALSE(canvas.Ink().Empty()) << i;
        LOGFONT after;
        MCMusicFont::NoteMetrics metricsAfter;
        music.SaveLogFont(&after, &metricsAfter);
        EXPECT_EQ(after.lfHeight, before.lfHeight) << i;
        EXPECT_EQ(after.lfWidth, before.lfWidth) << i;
        EXPECT_EQ(metricsAfter, metricsBefore) << i;
        EXPECT_EQ(music.GetMusicMetrics(62, FONT_NORMAL), glyphBefore) << i;
        for (MCFont* shared : std::initializer_list<MCFont*>{&music, &texts, &lyrics})
            EXPECT_EQ(shared->GetFontColor(), marker) << i << (shared == &music ? " music" : shared == &texts ? " text" : " lyric");
        // Drawn in the score as well.
        display.SetPosition(300, -300);
        TenthCanvas score(100, 100, 0, 0);
        display.Draw(&score.dc, CPoint(0, 0), nullptr);
        for (MCFont* shared : std::initializer_list<MCFont*>{&music, &texts, &lyrics})
            EXPECT_EQ(shared->GetFontColor(), marker) << i << (shared == &music ? " music" : shared == &texts ? " text" : " lyric");
        display.SetOwner(nullptr);
    }
}

// ---- inside a document -----------------------------------------------------------------------

struct MarksDocumentTest : display_document::DocumentTest {};

// One staff of two measures; a chord in the second with an accent placed
// below, an arpeggio and a double dot; a boxed lyric under the measure; a
// title; a bracket over the staves.
void SaveMarks(const std::string& path) {
    std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
    ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
    ASSERT_NE(conductor->GetMeasure(1, MCTime(7.5f), 1, 1), nullptr);
    ECMeasure* measure = conductor->GetMeasure(1, 2);
    ASSERT_NE(measure, nullptr);
    auto* chord = new ECChord;
    chord->SetTime(measure->GetTime());
    chord->SetVoiceTrack(0, 1);
    ASSERT_EQ(measure->AddChild(chord, 1), 1);
    auto* note = new ECNote;
    note->SetTime(measure->GetTime());
    note->SetVoiceTrack(0, 1);
    ASSERT_EQ(chord->AddChild(note, 1), 1);
    auto* accent = new ECAccent(1);
    ASSERT_EQ(note->AddChild(accent, 1), 1);
    auto* accentDisplay = dynamic_cast<DCctAccent*>(accent->GetData(DK_NOTATION, 1));
    ASSERT_NE(accentDisplay, nullptr);
    accentDisplay->SetLocation(DCctAccent::PLACE_BELOW, 0);
    auto* arpeggio = new ECArpeggio(2);
    ASSERT_EQ(chord->AddChild(arpeggio, 1), 1);
    ASSERT_NE(dynamic_cast<DCctArpeggio*>(arpeggio->GetData(DK_NOTATION, 1)), nullptr);
    auto* dot = new ECDot(2);
    ASSERT_EQ(note->AddChild(dot, 1), 1);
    ASSERT_NE(dynamic_cast<DCctDot*>(dot->GetData(DK_NOTATION, 1)), nullptr);
    auto* lyric = new ECLyric("la");
    lyric->SetTime(measure->GetTime());
    ASSERT_EQ(measure->AddChild(lyric, 1), 1);
    auto* lyricDisplay = dynamic_cast<DCctLyric*>(lyric->GetData(DK_NOTATION, 1));
    ASSERT_NE(lyricDisplay, nullptr);
    lyricDisplay->SetBoxText(1);
    auto* title = new ECText(8, "Sonata");
    ASSERT_EQ(conductor->GetTrack(1, 0, 0)->AddChild(title, 1), 1);
    ASSERT_NE(dynamic_cast<DCctText*>(title->GetData(DK_NOTATION, 1)), nullptr);
    auto* bracket = new ECBrac(1);
    ASSERT_EQ(conductor->GetMeasure(0, 1)->AddChild(bracket, 1), 1);
    ASSERT_NE(dynamic_cast<DCctBrac*>(bracket->GetData(DK_NOTATION, 1)), nullptr);
    ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
}

TEST_F(MarksDocumentTest, DisplaysComeBackByClassWithTheirBits) {
    const std::string path = folder.File("marks.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveMarks(path));
    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    ECBase* root = reopened->GetBaseEvent();
    const struct {
        int type;
        const char* name;
    } cases[] = {
        {ET_ACCENT, "DCctAccent"}, {ET_ARPEGGIO, "DCctArpeggio"}, {ET_DOT, "DCctDot"},
        {ET_LYRIC, "DCctLyric"},   {ET_TEXT, "DCctText"},         {ET_BRAC, "DCctBrac"},
    };
    for (const auto& c : cases) {
        const auto events = doc_support::FindEvents(root, c.type);
        ASSERT_EQ(events.size(), 1u) << c.name;
        DCctBase* display = NotationDisplayOf(events[0]);
        ASSERT_NE(display, nullptr) << c.name;
        EXPECT_STREQ(display->GetRuntimeClass()->m_lpszClassName, c.name);
        EXPECT_EQ(display->GetOwner(), events[0]) << c.name;
        EXPECT_EQ(display->FrameDirty(), 1) << c.name;
        EXPECT_EQ(display->PositionDirty(), 1) << c.name;
    }
    auto* accent = dynamic_cast<DCctAccent*>(NotationDisplayOf(doc_support::FindEvents(root, ET_ACCENT)[0]));
    EXPECT_EQ(accent->GetLocation(), DCctAccent::PLACE_BELOW);
    auto* lyric = dynamic_cast<DCctLyric*>(NotationDisplayOf(doc_support::FindEvents(root, ET_LYRIC)[0]));
    EXPECT_EQ(lyric->GetBoxText(), 1);
    reopened->OnCloseDocument();
}

}  // namespace
