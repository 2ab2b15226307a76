// The lyric tool in a score window: a click opens the box on the lyric
// line under the nearest note; syllables typed into it go under the
// measure at the notes' times as the keys move the box from note to note,
// show centred under their notes and stay when the document is saved and
// opened again; an existing syllable is changed in place, an emptied one
// removed; Escape stores nothing; the moves wrap round the piece.
#include "notation/tools/lyriccursor.h"

#include "model/editstates.h"
#include "model/textmarks.h"
#include "notation/tools/lyricedit.h"
#include "notation/tools/notecursor.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/insertview_support.h"
#include "tests/platform/file_support.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_LYRIC_MAIN = 29911;
constexpr UINT IDR_LYRIC_DOC = 29912;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_LYRIC_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_LYRIC_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks
constexpr int kMeasures = 2;

// Two measures of quarters, C4 up to C5.
std::vector<uint8_t> ScalePiece() {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::Track staff;
    const int keys[] = {60, 62, 64, 65, 67, 69, 71, 72};
    for (const int key : keys)
        staff.NoteOn(0, 0, static_cast<uint8_t>(key), 90).NoteOff(tool_test::kDivision, 0, static_cast<uint8_t>(key));
    staff.End();
    smf_support::File file(1, tool_test::kDivision);
    file.Add(conductor);
    file.Add(staff);
    return file.GetBytes();
}

// The edit states' items, as (event, kind).
struct EditLog {
    std::vector<std::pair<ECBase*, int>> items;
    static int Record(ECBase*, int, void* data, void* user) {
        auto* edit = dynamic_cast<SCEventEdit*>(static_cast<SCBase*>(data));
        if (!edit || edit->GetCode() != STATE_EVENTS_EDITED)
            return 0;
        for (POSITION pos = edit->GetEditList().GetHeadPosition(); pos;) {
            auto* item = static_cast<SCEventEditItem*>(edit->GetEditList().GetNext(pos));
            static_cast<EditLog*>(user)->items.emplace_back(item->GetEvent(), item->GetEditCode());
        }
        return 0;
    }
};

class LyricToolTest : public tool_test::InsertView {
protected:
    LyricToolTest() : InsertView(IDR_LYRIC_MAIN, IDR_LYRIC_DOC) {}

    void SetUp() override {
        InsertView::SetUp();
        UsePrototype([] { return static_cast<ECBase*>(new ECLyric("la")); });
    }
    void TearDown() override {
        if (performance)
            performance->RemoveStateHandler(&EditLog::Record, &edits);
        InsertView::TearDown();
    }

    bool Open() {
        if (!OpenPiece(STATE_MODE_INSERT, ScalePiece()))
            return false;
        performance->AddStateHandler(&EditLog::Record, &edits);
        return true;
    }

    CLyricCursor* Tool() { return dynamic_cast<CLyricCursor*>(view->GetMusicCursor()); }
    CLyricEdit* Box() { return Tool() ? Tool()->GetEditBox() : nullptr; }
    QLineEdit* Field() { return Box() ? qobject_cast<QLineEdit*>(Box()->GetWidget()) : nullptr; }
    bool BoxShown() { return Box() && Box()->IsWindowVisible(); }
    std::string BoxText() {
        std::string text;
        if (Box())
            Box()->GetWindowText(text);
        return text;
    }
    // The box in the view's client pixels.
    CRect BoxRect() {
        const QRect geometry = Box()->GetWidget()->geometry();
        return CRect(geometry.left(), geometry.top(), geometry.right() + 1, geometry.bottom() + 1);
    }

    // Note `index` (0-7) of the piece, and its measure.
    ECNote* NoteAt(int index) { return Notes(index / 4 + 1)[index % 4]; }
    // A point on the lyric line of the note's staff at the note's beat, a
    // little below the line's top (where a syllable's letters stand).
    CPoint UnderNote(int index) {
        const int number = index / 4 + 1;
        const int y = Column(number)->GetLyricPosition(0, 1);
        const CPoint point = ToDevice(CPoint(BeatTop(number, (index % 4) * kQuarter).x, y));
        return CPoint(point.x, point.y + 4);
    }
    void ClickUnder(int index) { Click(UnderNote(index)); }

    // Typed as a person types, into whatever has the keys in the box.
    void Type(const char* text) {
        QTest::keyClicks(Field(), text);
        Settle();
    }
    using InsertView::Press;
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Field(), key, modifiers);
        Settle();
    }

    // The lyrics of measure `number`, in time order.
    std::vector<ECLyric*> Lyrics(int number) {
        std::vector<ECLyric*> lyrics;
        for (ECBase* lyric : doc_support::FindEvents(Measure(number), ET_LYRIC))
            lyrics.push_back(static_cast<ECLyric*>(lyric));
        return lyrics;
    }
    // The note's head x, device pixels.
    int HeadX(int index) { return HeadPoint(NoteAt(index)).x; }

    // Pixels of the rectangle (device) darker than the paper's mid grey.
    int InkIn(const CRect& rect) {
        const QImage& image = Surface();
        int ink = 0;
        for (int y = rect.top; y <= rect.bottom; ++y)
            for (int x = rect.left; x <= rect.right; ++x)
                ink += image.valid(x, y) && qGray(image.pixel(x, y)) < 128;
        return ink;
    }

    // The leftmost and rightmost inked columns of the lyric line of measure
    // `number` between two x (device), {0, 0} when none.
    std::pair<int, int> InkExtent(int number, int from, int to) {
        const int y = ToDevice(CPoint(0, Column(number)->GetLyricPosition(0, 1))).y;
        int left = 0, right = 0;
        for (int x = from; x <= to; ++x)
            if (InkIn(CRect(x, y, x, y + 14)) > 0) {
                left = left ? left : x;
                right = x;
            }
        return {left, right};
    }

    EditLog edits;
    file_test::TempFolder folder;
};

TEST_F(LyricToolTest, SyllablesTypedUnderTheNotesGoInShowUnderThemAndAreSaved) {
    ASSERT_TRUE(Open());
    ASSERT_NE(Tool(), nullptr);
    EXPECT_EQ(Tool()->GetCursor(), LoadStandardCursor(IDC_IBEAM));

    ClickUnder(0);
    ASSERT_TRUE(BoxShown()) << "the box opens";
    EXPECT_EQ(Tool()->GetEditedNote(), NoteAt(0));
    EXPECT_EQ(Box()->GetDlgCtrlID(), static_cast<int>(CLyricEdit::ID_LYRIC_EDIT));
    // On the lyric line below the staff, from the note on.
    const CRect lines = ColumnBand(1);
    const CPoint line = ToDevice(CPoint(FrameOf(NoteAt(0)).left, Tool()->GetLyricY()));
    EXPECT_GT(BoxRect().top, lines.bottom) << "below the staff";
    EXPECT_NEAR(BoxRect().top + 3, line.y, 2);
    EXPECT_NEAR(BoxRect().left + 3, line.x, 2);
    EXPECT_EQ(BoxText(), "");
    EXPECT_TRUE(Box()->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(Box()->m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)))
        << "the box sets its own I-beam";

    log.Clear();
    Type("la");
    EXPECT_EQ(BoxText(), "la");
    Press(Qt::Key_Space);
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    EXPECT_TRUE(document->IsModified());
    std::vector<ECLyric*> lyrics = Lyrics(1);
    ASSERT_EQ(lyrics.size(), 1u);
    EXPECT_EQ(lyrics[0]->GetText(), "la");
    EXPECT_EQ(*lyrics[0]->GetTime(), *NoteAt(0)->GetTime());
    ASSERT_EQ(lyrics[0]->GetParents()->GetCount(), 1);
    EXPECT_EQ(lyrics[0]->GetParents()->GetHead(), Measure(1)) << "under the measure, not the note";
    // The box went on to note 2, empty; the space was the tool's, not typed.
    ASSERT_TRUE(BoxShown());
    EXPECT_EQ(Tool()->GetEditedNote(), NoteAt(1));
    EXPECT_EQ(BoxText(), "");
    EXPECT_NEAR(BoxRect().left + 3, ToDevice(CPoint(FrameOf(NoteAt(1)).left, 0)).x, 2);

    // Drawn centred under note 1, on the line where the box stood.
    const CRect drawn(ToDevice(FrameOf(lyrics[0]).TopLeft()), ToDevice(FrameOf(lyrics[0]).BottomRight()));
    CRect ink = drawn;
    ink.NormalizeRect();
    EXPECT_NEAR(ink.CenterPoint().x, HeadX(0), 3);
    EXPECT_NEAR(ink.top, line.y, 3);
    EXPECT_GT(InkIn(ink), 10) << "the syllable's ink";
    if (const char* shot = std::getenv("LYRIC_SHOT"))
        Surface().save(shot);

    // Shift+Tab goes back to note 1 and shows its syllable, selected.
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Tool()->GetEditedNote(), NoteAt(0));
    EXPECT_EQ(BoxText(), "la");
    EXPECT_EQ(Field()->selectedText().toStdString(), "la");

    // Escape stores nothing and closes.
    log.Clear();
    Type("xyz");
    Press(Qt::Key_Escape);
    EXPECT_EQ(Box(), nullptr);
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);
    EXPECT_TRUE(edits.items.empty());
    EXPECT_EQ(Lyrics(1)[0]->GetText(), "la");

    // Two more, closed with Enter.
    ClickUnder(5);
    Type("ti");
    Press(Qt::Key_Insert);
    Type("do");
    Press(Qt::Key_Return);
    EXPECT_EQ(Box(), nullptr);

    const std::string path = folder.File("lyrics.mmm");
    document->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(document->OnSaveDocument(path.c_str()));
    const std::string copy = folder.File("copy.mmm");
    std::filesystem::copy_file(path, copy);
    std::unique_ptr<MCOpusDoc> reopened = MakeDocument();
    ASSERT_TRUE(reopened->OnOpenDocument(copy.c_str())) << prompts.GetLast().text;
    const struct {
        int measure;
        float time;
        const char* text;
    } expected[] = {{1, 0.0f, "la"}, {2, 5.0f, "ti"}, {2, 6.0f, "do"}};
    std::vector<std::pair<float, std::string>> found[kMeasures];
    for (int number = 1; number <= kMeasures; ++number) {
        ECMeasure* measure = reopened->GetBaseEvent()->GetConductor()->GetMeasure(1, number);
        ASSERT_NE(measure, nullptr);
        for (ECBase* lyric : doc_support::FindEvents(measure, ET_LYRIC))
            found[number - 1].emplace_back(lyric->GetTime()->GetSeconds(), static_cast<ECLyric*>(lyric)->GetText());
    }
    size_t count = 0;
    for (const auto& e : expected) {
        const auto& list = found[e.measure - 1];
        EXPECT_NE(std::find(list.begin(), list.end(), std::make_pair(e.time, std::string(e.text))), list.end())
            << e.text;
        ++count;
    }
    EXPECT_EQ(found[0].size() + found[1].size(), count);
}

TEST_F(LyricToolTest, AnExistingSyllableIsChangedInPlaceAndAnEmptiedOneRemoved) {
    ASSERT_TRUE(Open());
    ClickUnder(2);
    Type("la");
    Press(Qt::Key_Return);
    ASSERT_EQ(Lyrics(1).size(), 1u);
    ECLyric* lyric = Lyrics(1)[0];

    // Retyped: one edit state naming the lyric (kind -1), no command.
    ClickUnder(2);
    EXPECT_EQ(BoxText(), "la");
    log.Clear();
    edits.items.clear();
    document->SetModifiedFlag(FALSE);
    Type("lullaby");
    Press(Qt::Key_Tab);
    EXPECT_EQ(log.Count(STATE_EVENTS_EDITED), 1);
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);
    ASSERT_EQ(edits.items.size(), 1u);
    EXPECT_EQ(edits.items[0], std::make_pair(static_cast<ECBase*>(lyric), -1));
    ASSERT_EQ(Lyrics(1).size(), 1u);
    EXPECT_EQ(Lyrics(1)[0], lyric) << "the same lyric";
    EXPECT_EQ(lyric->GetText(), "lullaby");
    EXPECT_TRUE(document->IsModified());
    // Drawn whole, centred under its note again.
    const auto [left, right] = InkExtent(1, HeadX(1) + 8, HeadX(3) - 8);
    EXPECT_GT(right - left, 30) << "the longer word's ink";
    EXPECT_NEAR((left + right) / 2, HeadX(2), 3);

    // Stepping over it unchanged stores nothing.
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    log.Clear();
    document->SetModifiedFlag(FALSE);
    Press(Qt::Key_Tab);
    EXPECT_EQ(log.Count(STATE_EVENTS_EDITED), 0);
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);
    EXPECT_FALSE(document->IsModified());

    // Emptied: removed by a command.
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    log.Clear();
    Press(Qt::Key_Backspace);
    EXPECT_EQ(BoxText(), "");
    Press(Qt::Key_Return);
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    EXPECT_TRUE(Lyrics(1).empty());
}

TEST_F(LyricToolTest, MovesWrapRoundThePieceAtItsEnds) {
    ASSERT_TRUE(Open());
    const int last = Conductor()->GetMaxMeasureNumber();
    ASSERT_GE(last, kMeasures);
    ClickUnder(7);
    EXPECT_EQ(Tool()->GetEditedNote(), NoteAt(7));
    Type("end");
    Press(Qt::Key_Space);
    ASSERT_EQ(Lyrics(2).size(), 1u);
    EXPECT_EQ(Lyrics(2)[0]->GetText(), "end");
    if (last == kMeasures) {
        EXPECT_EQ(Tool()->GetEditedNote(), NoteAt(0)) << "on to the first note of measure 1";
        EXPECT_EQ(Tool()->GetEditedMeasure(), Measure(1));
    }

    // Back from the first note of measure 1: the last stop of the last measure.
    ClickUnder(0);
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Tool()->GetEditedMeasure(), Measure(last));
    std::vector<ECBase*> stops;
    for (ECBase* stop : doc_support::FindEvents(Measure(last), ET_NOTE))
        stops.push_back(stop);
    for (ECBase* stop : doc_support::FindEvents(Measure(last), ET_REST))
        stops.push_back(stop);
    ASSERT_NE(Tool()->GetEditedNote(), nullptr);
    for (ECBase* stop : stops)
        EXPECT_LE(*stop->GetTime(), *Tool()->GetEditedNote()->GetTime());
}

TEST_F(LyricToolTest, HalfwayBetweenTwoNotesTheEarlierIsTheTarget) {
    ASSERT_TRUE(Open());
    const struct {
        int tick;
        int note;
    } cases[] = {{0, 0}, {kQuarter / 2, 0}, {kQuarter, 1}, {3 * kQuarter / 2, 1}, {3 * kQuarter, 3}};
    for (const auto& c : cases) {
        Move(ToDevice(CPoint(BeatTop(1, c.tick).x, Column(1)->GetLyricPosition(0, 1))));
        EXPECT_EQ(Tool()->GetTarget(), NoteAt(c.note)) << c.tick;
        EXPECT_EQ(Tool()->GetTime(), *NoteAt(c.note)->GetTime()) << c.tick;
    }
}

TEST_F(LyricToolTest, AClickOffTheMusicStoresTheSyllableAndOpensNoBox) {
    ASSERT_TRUE(Open());
    ClickUnder(4);
    Type("mi");
    log.Clear();
    Press(CPoint(2, 2));   // the page's corner: no measure there
    Release(CPoint(2, 2));
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    ASSERT_EQ(Lyrics(2).size(), 1u);
    EXPECT_EQ(Lyrics(2)[0]->GetText(), "mi");
    EXPECT_EQ(Box(), nullptr);
}

TEST_F(LyricToolTest, SwitchingThePaletteToANoteWhileTypingStoresTheSyllableAndNoNote) {
    ASSERT_TRUE(Open());
    ClickUnder(1);
    Type("ka");
    const size_t notesBefore = Notes(1).size();
    log.Clear();
    // The palette now offers a quarter note, and says so.
    UsePrototype([] { return static_cast<ECBase*>(new ECNote(MCTime(0.0f), MCTime(1.0f))); });
    (new SCMode(STATE_MODE_INSERT))->Apply(performance);
    Settle();
    EXPECT_NE(dynamic_cast<CNoteCursor*>(view->GetMusicCursor()), nullptr) << "the note tool now";
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    ASSERT_EQ(Lyrics(1).size(), 1u);
    EXPECT_EQ(Lyrics(1)[0]->GetText(), "ka");
    EXPECT_EQ(*Lyrics(1)[0]->GetTime(), *NoteAt(1)->GetTime());
    EXPECT_EQ(Notes(1).size(), notesBefore) << "no note went in";
    EXPECT_EQ(view->GetDlgItem(CLyricEdit::ID_LYRIC_EDIT), nullptr) << "the box is gone";
}

}  // namespace
