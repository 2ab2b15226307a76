// Ties and slurs on the printed page and on the screen, with a file opened
// as the program opens it (the document manager, the score window, which
// notates and lays the file out itself, the view's duration gate):
//   - the notation fixtures' file "values-in-three-bars" notates as its
//     golden says, and its one tie (a B4 half tied into bar 3) is a curve
//     between the two noteheads in the printed PDF and ink on the screen;
//   - a piece with a tie inside a bar, one over a bar line and two slurs
//     added by a command prints one curve for each tie and slur.
#include "model/command.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/groupmarks.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/display/base.h"
#include "notation/layout/pagelayout.h"
#include "notation/view/cantrel.h"
#include "platform/ui/menu.h"
#include "sequencer/performer.h"
#include "sequencer/performers.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/support/dump.h"
#include "tests/notation/support/golden.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/view/openedprogram_support.h"
#include "tests/notation/view/pdf_paths.h"
#include "tests/notation/view/pdf_support.h"
#include "tests/notation/view/printprogram_support.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_SPANS_MAIN = 29894;
constexpr UINT IDR_SPANS_DOC = 29895;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_OPEN, "&Open..."}}}}};
MENU_RESOURCE(IDR_SPANS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_SPANS_DOC, kDocMenu);
STRING_TABLE({IDR_SPANS_MAIN, "Spans"}, {IDR_SPANS_DOC, "Spanned"});

using pdf_support::PdfPath;
using pdf_support::PdfWord;

constexpr int MELODY_STAFF = 1;

// The elements of a type under `root`, in tree order.
MCEventList& FindAll(ACFindEvents& find, ECBase* root, int type) {
    find.AddEvtType(type);
    find.Apply(root);
    return find.GetEvents();
}

class PrintedSpansTest : public view_test::OpenedProgram {
protected:
    PrintedSpansTest() : OpenedProgram(IDR_SPANS_MAIN, IDR_SPANS_DOC) {}

    void TearDown() override {
        SetProgramPrinter({});
        OpenedProgram::TearDown();
    }

    // The file opened with its score window; null when either is missing.
    CCantrel* OpenScore(const std::string& path) {
        MCOpusDoc* document = OpenFile(path);
        EXPECT_NE(document, nullptr) << (prompts.GetCount() ? prompts.GetLast().text : std::string());
        return document ? ScoreViewOf(document) : nullptr;
    }
    // The bytes as the file `name` in the test's folder; its path.
    std::string WriteFile(const char* name, const std::vector<uint8_t>& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path.toStdString();
    }
    QString Print(CCantrel* view, const char* name) {
        const QString path = dir.filePath(name);
        view_test::PrintViewToPdf(view, path);
        return path;
    }
};

// ---- the fixtures' file -----------------------------------------------------------------

// A notehead of the printed page: its word's box, and where the heads of
// its size stand (the face's baseline, 0.8 of the em below the box's top)
// and a staff space (a quarter of the em).
struct Head {
    PdfWord word;
    double Centre() const { return word.top + 0.8 * (word.bottom - word.top); }
    double Space() const { return (word.bottom - word.top) / 4; }
};

// The words of page 1 that begin with one of the glyphs, left to right.
std::vector<Head> HeadsOf(const QString& pdf, std::vector<char32_t> glyphs) {
    std::vector<Head> heads;
    for (const PdfWord& word : pdf_support::ReadPdfWords(pdf)) {
        const QList<uint> codes = QString::fromStdString(word.text).toUcs4();
        if (word.page == 1 && !codes.isEmpty() &&
            std::find(glyphs.begin(), glyphs.end(), static_cast<char32_t>(codes.front())) != glyphs.end())
            heads.push_back({word});
    }
    std::sort(heads.begin(), heads.end(), [](const Head& a, const Head& b) { return a.word.left < b.word.left; });
    return heads;
}

// Opened as the program opens it, the file notates as the fixture notates
// it (q e e h | q. e h~ | q h.): the program reads it through the duration
// gate, the fixture exactly as written. Printed, its tie is one filled curve
// from the B4 half's head (bar 2's, the second half note) to the next head
// (bar 3's B4), beside them; on the screen it is ink the view draws.
TEST_F(PrintedSpansTest, TheFixtureFilesTieIsACurveBetweenItsNoteheads) {
    if (!pdf_support::HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    const char32_t half = pdf_support::MusicGlyphCode("noteheads.s1");
    const char32_t filled = pdf_support::MusicGlyphCode("noteheads.s2");
    if (half == 0 || filled == 0)
        GTEST_SKIP() << "the music font or python3-fonttools is not installed (tools/setup)";
    CCantrel* view = OpenScore(notation_golden::DataPath("values-in-three-bars.mid"));
    ASSERT_NE(view, nullptr);
    ECConductor* conductor = view->GetBaseEvent()->GetConductor();
    EXPECT_TRUE(notation_golden::MatchesGolden("values-in-three-bars", notation_dump::DumpPiece(conductor)));
    ACFindEvents findTies;
    MCEventList& ties = FindAll(findTies, view->GetBaseEvent(), ET_TIE);
    ASSERT_EQ(ties.GetCount(), 1);

    const QString pdf = Print(view, "three-bars.pdf");
    const std::vector<PdfPath> curves = pdf_support::ReadPdfFilledCurves(pdf);
    ASSERT_EQ(curves.size(), 1u) << "one tie, no slur";
    const PdfPath& tie = curves.front();
    std::vector<Head> halves = HeadsOf(pdf, {half});
    ASSERT_EQ(halves.size(), 3u) << "F4, B4 and C5";
    const Head& from = halves[1];
    std::vector<Head> after = HeadsOf(pdf, {half, filled});
    after.erase(std::remove_if(after.begin(), after.end(),
                               [&](const Head& head) { return head.word.left <= from.word.right; }),
                after.end());
    ASSERT_FALSE(after.empty());
    const Head& to = after.front();
    EXPECT_GE(tie.left, from.word.left);
    EXPECT_LE(tie.left, from.word.right) << "the tie starts at the half note's head";
    EXPECT_GE(tie.right, to.word.left);
    EXPECT_LE(tie.right, to.word.right) << "the tie ends at bar 3's head";
    EXPECT_NEAR(from.Centre(), to.Centre(), 0.01) << "one pitch";
    // Beside the heads, never through their middle: its ends within a staff
    // space of it, its bow within three.
    const double middle = from.Centre();
    const bool below = tie.top > middle;
    EXPECT_TRUE(below || tie.bottom < middle) << tie.top << " " << tie.bottom << " " << middle;
    EXPECT_LE(std::abs((below ? tie.top : tie.bottom) - middle), from.Space());
    EXPECT_LE(std::abs((below ? tie.bottom : tie.top) - middle), 3 * from.Space());

    // On the screen: the tie's frame holds the ink of the tie, which goes
    // when the tie is hidden.
    DCctBase* display = NotationDisplayOf(ties.GetHead());
    ASSERT_NE(display, nullptr);
    CRect frame;
    display->GetFrame(&frame, 0);
    const CPoint corner = view_test::ViewToPixel(view, frame.TopLeft());
    const CPoint opposite = view_test::ViewToPixel(view, frame.BottomRight());
    const QRect area = QRect(QPoint(corner.x, corner.y), QPoint(opposite.x, opposite.y)).normalized();
    ASSERT_GT(area.width(), 10) << "a tie over most of a bar";
    auto inkIn = [&](const QImage& image) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += pdf_support::Inked(image, x, y);
        return count;
    };
    const int shown = inkIn(view_test::PaintView(view));
    display->SetHidden(1);
    const int hidden = inkIn(view_test::PaintView(view));
    display->SetHidden(0);
    EXPECT_GT(shown, hidden + area.width()) << "at least a pixel a column more";
}

// ---- a piece with ties and slurs --------------------------------------------------------

constexpr int DIVISION = 480;
constexpr int Q = DIVISION;

// How long a note of `length` ticks is played to read back as that length
// through the view's duration gate: the quarters before its last one whole,
// and 66 % of the rest.
int Played(int length) {
    const int whole = (length - 1) / Q * Q;
    return whole + (length - whole) * CCantrel::kDefaultDurationGate / 100;
}

// 4/4: C4 five eighths (tied inside bar 1), D4 an eighth, E4 two beats over
// the bar line; F4 G4 A4 quarters; B4 a dotted half, C5 a quarter; D5 a whole.
std::vector<notation_test::PlayedNote> TiedMelody() {
    const struct {
        int key, start, length;
    } notes[] = {
        {60, 0, 5 * Q / 2}, {62, 5 * Q / 2, Q / 2}, {64, 3 * Q, 2 * Q}, {65, 5 * Q, Q},  {67, 6 * Q, Q},
        {69, 7 * Q, Q},     {71, 8 * Q, 3 * Q},     {72, 11 * Q, Q},    {74, 12 * Q, 4 * Q},
    };
    std::vector<notation_test::PlayedNote> played;
    for (const auto& note : notes)
        played.push_back({note.key, note.start, Played(note.length)});
    return played;
}

// The note played with `key` (not a tied remainder, which plays nothing).
ECBase* NoteWithKey(MCEventList& notes, int key) {
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        ECBase* note = notes.GetNext(pos);
        auto* performer = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 0));
        if (performer && performer->GetNoteOnData().GetDataByte1() == key)
            return note;
    }
    return nullptr;
}

// A piece printed with as many filled curves as its notation holds ties and
// slurs: ties inside a bar and over a bar line made by the notation, and
// two slurs over bar lines (D4 to F4, A4 to C5; bars 1 to 3 make the first
// system) added as the slur tool adds them, by a command.
TEST_F(PrintedSpansTest, EveryTieAndSlurPrintsAsACurve) {
    if (!pdf_support::HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    CCantrel* view = OpenScore(WriteFile("tied.mid", notation_test::MelodyFile(TiedMelody(), DIVISION, {4, 2})));
    ASSERT_NE(view, nullptr);
    ECPerformance* performance = view->GetBaseEvent();
    ECConductor* conductor = performance->GetConductor();
    auto* staff = static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, MELODY_STAFF, 0));
    ASSERT_NE(staff, nullptr);

    ACFindEvents findNotes;
    MCEventList& notes = FindAll(findNotes, staff, ET_NOTE);
    const int slurred[][3] = {{62, 64, 65}, {69, 71, 72}};
    auto* command = new CCAdd;
    for (const auto& keys : slurred) {
        auto* slur = new ECSlur;
        ECBase* first = NoteWithKey(notes, keys[0]);
        ASSERT_NE(first, nullptr) << keys[0];
        slur->SetTime(first->GetTime());
        slur->SetVoiceTrack(first->GetVoiceTrack());
        for (int key : keys) {
            ECBase* note = NoteWithKey(notes, key);
            ASSERT_NE(note, nullptr) << key;
            slur->AddChild(note, SORTED);
        }
        ASSERT_NE(command->Add(slur, staff, FCMidi::MidiNull()), nullptr);
    }
    command->SetSynchronous(1);
    ASSERT_EQ(command->Apply(performance), 1);

    ACFindEvents findTies;
    ACFindEvents findSlurs;
    MCEventList& ties = FindAll(findTies, performance, ET_TIE);
    MCEventList& slurs = FindAll(findSlurs, performance, ET_SLUR);
    ASSERT_EQ(slurs.GetCount(), 2);
    int inside = 0;
    int across = 0;
    for (POSITION pos = ties.GetHeadPosition(); pos;) {
        MCEventList* tied = ties.GetNext(pos)->GetChildren();
        ASSERT_EQ(tied->GetCount(), 2);
        const bool sameBar = tied->GetHead()->GetAncestor(ET_MEASURE, -1) == tied->GetTail()->GetAncestor(ET_MEASURE, -1);
        (sameBar ? inside : across) += 1;
    }
    ASSERT_GE(inside, 1) << notation_dump::DumpPiece(conductor);
    ASSERT_GE(across, 1) << notation_dump::DumpPiece(conductor);

    const QString pdf = Print(view, "tied.pdf");
    EXPECT_EQ(pdf_support::ReadPdfFilledCurves(pdf).size(), static_cast<size_t>(ties.GetCount() + slurs.GetCount()))
        << notation_dump::DumpPiece(conductor);
}

// Ties over every bar line of a piece of three pages: a tie over a system's
// end prints a piece in each system, the systems on one page or on two.
TEST_F(PrintedSpansTest, ATieOverASystemOrPageEndPrintsAPieceInEachSystem) {
    if (!pdf_support::HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    // A half, then from beat 3 of every bar a note held to beat 3 of the next.
    constexpr int BARS = 40;
    std::vector<notation_test::PlayedNote> played{{60, 0, Played(2 * Q)}};
    for (int bar = 0; bar < BARS; ++bar)
        played.push_back({62 + bar % 12, (4 * bar + 2) * Q, Played(bar + 1 < BARS ? 4 * Q : 2 * Q)});
    CCantrel* view = OpenScore(WriteFile("long.mid", notation_test::MelodyFile(played, DIVISION, {4, 2})));
    ASSERT_NE(view, nullptr);
    ASSERT_GE(view->GetPagenate().GetPages().GetPageCount(), 3);
    ACFindEvents findTies;
    MCEventList& ties = FindAll(findTies, view->GetBaseEvent(), ET_TIE);
    ASSERT_EQ(ties.GetCount(), BARS - 1);

    const QString pdf = Print(view, "long.pdf");
    // The measures of one system share their display's y.
    auto systemOf = [](ECBase* note) { return NotationDisplayOf(note->GetAncestor(ET_MEASURE, -1))->GetY(); };
    size_t pieces = 0;
    for (POSITION pos = ties.GetHeadPosition(); pos;) {
        MCEventList* tied = ties.GetNext(pos)->GetChildren();
        pieces += systemOf(tied->GetHead()) == systemOf(tied->GetTail()) ? 1 : 2;
    }
    ASSERT_GT(pieces, static_cast<size_t>(BARS)) << "ties over system ends";
    const std::vector<PdfPath> curves = pdf_support::ReadPdfFilledCurves(pdf);
    EXPECT_EQ(curves.size(), pieces);

    // A piece that goes on from the system before is cut just before its
    // system's first note, clear of the clef that opens the system.
    const char32_t clef = pdf_support::MusicGlyphCode("clefs.G");
    if (clef != 0) {
        std::vector<PdfWord> clefs;
        for (const PdfWord& word : pdf_support::ReadPdfWords(pdf))
            if (QString::fromStdString(word.text).toUcs4().value(0) == clef)
                clefs.push_back(word);
        int continued = 0;
        for (const PdfPath& piece : curves) {
            if (piece.clipLeft <= piece.left)
                continue;   // not cut: the tie's first piece, or one in a single system
            ++continued;
            const PdfWord* opening = nullptr;   // the clef of the piece's system
            for (const PdfWord& word : clefs)
                if (word.page == piece.page &&
                    (!opening || std::abs(word.bottom - piece.top) < std::abs(opening->bottom - piece.top)))
                    opening = &word;
            ASSERT_NE(opening, nullptr);
            EXPECT_GE(piece.clipLeft, opening->right) << "page " << piece.page << " at " << piece.top;
        }
        EXPECT_EQ(continued, static_cast<int>(pieces) - (BARS - 1)) << "every later piece is cut";
    }

    // On the screen, with page 2 alone in view (its top margin at the top of
    // the window): the tie into it from page 1, to be placed again, is placed
    // by the paint.
    auto pageOf = [&](ECBase* note) {
        DCctBase* measure = NotationDisplayOf(note->GetAncestor(ET_MEASURE, -1));
        return view->GetPagenate().GetPageAtPoint(measure->GetVirtualPosition());
    };
    DCctBase* intoPage2 = nullptr;
    for (POSITION pos = ties.GetHeadPosition(); pos && !intoPage2;) {
        ECBase* tie = ties.GetNext(pos);
        if (pageOf(tie->GetChildren()->GetHead()) == 1 && pageOf(tie->GetChildren()->GetTail()) == 2)
            intoPage2 = NotationDisplayOf(tie);
    }
    ASSERT_NE(intoPage2, nullptr);
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    view->ScrollTo(CPoint(0, layout.GetPageRect(2, layout.GetPageRect()).top - CCantrel::kTwipsPerInch / 2));
    intoPage2->SetPositionDirty(1);
    view_test::PaintView(view);
    EXPECT_FALSE(intoPage2->PositionDirty());
}

}  // namespace
