// The chord-symbol tool in a score window: a click over a measure opens the
// chord picker over the main window; the chord chosen there goes in at the
// clicked division and its name shows above the staff; Cancel leaves the
// document as it was; a click off the staves opens nothing.
#include "notation/tools/chordcursor.h"

#include "model/markings.h"
#include "notation/display/chordsymbol.h"
#include "notation/tools/chordsymboldlg.h"
#include "notation/tools/toolcursors.h"
#include "platform/ui/cursor.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/insertview_support.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr UINT IDR_CHORD_MAIN = 29947;
constexpr UINT IDR_CHORD_DOC = 29948;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_CHORD_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_CHORD_DOC, kDocMenu);

using Script = CDialogScript;

constexpr int kQuarter = 256;   // display ticks
// The list entries of C and of E in the bass list (after its empty entry).
constexpr int kRootC = 2;
constexpr int kBassE = 5;

// The palette's chord, which the tool does not use: the picker makes the chord.
ECBase* PaletteChord() {
    return new ECChordSymbol(1, 18, 0, 3);
}

class ChordToolTest : public tool_test::InsertView {
protected:
    ChordToolTest() : InsertView(IDR_CHORD_MAIN, IDR_CHORD_DOC) {}

    CChordCursor* Tool() { return dynamic_cast<CChordCursor*>(view->GetMusicCursor()); }

    std::vector<ECChordSymbol*> Chords(int measure) {
        std::vector<ECChordSymbol*> chords;
        for (ECBase* event : doc_support::FindEvents(Measure(measure), ET_CHORDSYMBOL))
            chords.push_back(static_cast<ECChordSymbol*>(event));
        return chords;
    }
    // Dark grey to black pixels of the window's surface in a device
    // rectangle: the music's ink, not the insert line's colour.
    int InkIn(const CRect& rect) {
        const QImage& image = Surface();
        int ink = 0;
        for (int y = rect.top; y <= rect.bottom; ++y)
            for (int x = rect.left; x <= rect.right; ++x) {
                if (!image.valid(x, y))
                    continue;
                const QRgb pixel = image.pixel(x, y);
                const int spread = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) -
                                   std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
                ink += qGray(pixel) < 128 && spread < 40;
            }
        return ink;
    }
    CRect DeviceFrame(ECBase* element) {
        const CRect frame = FrameOf(element);
        CRect device(ToDevice(frame.TopLeft()), ToDevice(frame.BottomRight()));
        device.NormalizeRect();
        return device;
    }

    CDialogScript dialogs;
};

// C sharp minor 9 over E chosen in the picker lands at the clicked division
// of measure 2 (beat 2), drawn by name above the staff.
TEST_F(ChordToolTest, TheChordPickedGoesInAtTheClickedDivisionAndShowsAboveTheStaff) {
    UsePrototype(&PaletteChord);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    ASSERT_NE(Tool(), nullptr);
    EXPECT_TRUE(Tool()->IsSnap());
    EXPECT_EQ(Tool()->GetCursor(), LoadResourceCursor(IDC_CHORD_TOOL));
    // A little right of beat 2: the tool snaps back to it.
    const CPoint beat2 = StaffPoint(2, kQuarter);
    const CPoint click(beat2.x + 3, beat2.y);
    Move(click);
    Settle();
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "002:02:000");

    CWnd* owner = nullptr;
    std::vector<int> sample;
    bool namesEnabled = true, gridEnabled = true;
    int styleWithoutBass = -1;
    dialogs.Queue(IDD_CHORD_SYMBOL, [&](CWnd& dlg) {
        owner = dlg.GetOwner();
        auto& picker = *DYNAMIC_DOWNCAST(CChordSymbolDlg, &dlg);
        Script::Choose(dlg, IDC_CHORD_ROOT, kRootC);
        Script::Click(dlg, IDC_CHORD_ROOT_SHARP);
        Script::Choose(dlg, IDC_CHORD_BASS, 0);
        styleWithoutBass = static_cast<ECChordSymbol*>(picker.GetSample().GetEvent())->GetChordStyle();
        Script::Choose(dlg, IDC_CHORD_BASS, kBassE);
        Script::Click(dlg, IDC_CHORD_BASS_NATURAL);
        Script::Choose(dlg, IDC_CHORD_QUALITY, picker.GetQualityList().FindStringExact(-1, "Minor 9"));
        auto* shown = static_cast<ECChordSymbol*>(picker.GetSample().GetEvent());
        sample = {shown->GetChordRoot(), shown->GetChordBass(), shown->GetChordFlavor(), shown->GetChordStyle()};
        namesEnabled = dlg.GetDlgItem(IDC_CHORD_NAME)->GetWidget()->isEnabled();
        gridEnabled = dlg.GetDlgItem(IDC_CHORD_GRID)->GetWidget()->isEnabled();
        Script::Click(dlg, IDOK);
    });
    log.Clear();
    Press(click);
    Release(click);
    Settle();

    EXPECT_EQ(dialogs.GetShown(), (std::vector<UINT>{IDD_CHORD_SYMBOL}));
    EXPECT_EQ(owner, main) << "no owner given: the main window owns the picker";
    EXPECT_EQ(sample, (std::vector<int>{2, 7, 12, 1}));
    EXPECT_FALSE(namesEnabled);
    EXPECT_FALSE(gridEnabled);
    EXPECT_EQ(styleWithoutBass, 3);

    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    EXPECT_TRUE(document->IsModified());
    const std::vector<ECChordSymbol*> chords = Chords(2);
    ASSERT_EQ(chords.size(), 1u);
    ECChordSymbol* chord = chords[0];
    EXPECT_EQ(chord->GetChordType(), 2u | 7u << 8 | 12u << 16 | 1u << 24);
    EXPECT_EQ(*chord->GetTime(), MCTime(5.0f)) << "beat 2 of measure 2";
    EXPECT_EQ(chord->GetParents()->GetHead(), Measure(2));
    EXPECT_TRUE(Chords(1).empty() && Chords(3).empty());

    // The name, drawn above the staff and over the division.
    auto* display = dynamic_cast<DCctChordSymbol*>(chord->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetName(), "C#min7(add 9)E");
    const CRect name = DeviceFrame(chord);
    const CRect staff = ColumnBand(2);
    EXPECT_LE(name.bottom, staff.top) << "above the staff";
    EXPECT_LE(name.left, beat2.x);
    EXPECT_GE(name.right, beat2.x);
    EXPECT_GT(InkIn(name), 20) << "the name is drawn";
}

TEST_F(ChordToolTest, CancelInsertsNothingAndLeavesTheDocumentUnmodified) {
    UsePrototype(&PaletteChord);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const CPoint click = StaffPoint(3, 2 * kQuarter);
    const CRect above(click.x - 20, ColumnBand(3).top - 40, click.x + 20, ColumnBand(3).top - 4);
    Move(click);
    Settle();
    const int inkBefore = InkIn(above);   // the insert line's part there
    dialogs.Queue(IDD_CHORD_SYMBOL, [](CWnd& dlg) {
        Script::Choose(dlg, IDC_CHORD_ROOT, kRootC);
        Script::Click(dlg, IDCANCEL);
    });
    log.Clear();
    Press(click);
    Release(click);
    Settle();
    EXPECT_EQ(dialogs.GetShown(), (std::vector<UINT>{IDD_CHORD_SYMBOL}));
    EXPECT_TRUE(Chords(3).empty());
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);
    EXPECT_FALSE(document->IsModified());
    EXPECT_EQ(InkIn(above), inkBefore);
}

// Off every staff the tool has no measure: no picker, and no rubber band
// (the base tool's) either.
TEST_F(ChordToolTest, AClickOffTheStavesOpensNoPickerAndStartsNoBand) {
    UsePrototype(&PaletteChord);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const CPoint off(2, 2);
    Move(off);
    Press(off);
    EXPECT_EQ(view->GetFlags() & MCScrollView::SV_MOUSE_DRAG, 0u);
    Release(off);
    Settle();
    EXPECT_TRUE(dialogs.GetShown().empty());
    EXPECT_EQ(Tool()->CanInsert(ET_CHORDSYMBOL), 0);
    EXPECT_FALSE(document->IsModified());
}

}  // namespace
