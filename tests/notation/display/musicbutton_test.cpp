// The music buttons' faces: each prototype drawn by the notation in the
// colours of its image, the clef, key and meter on staff lines of their own,
// and the symbol palette showing every symbol once the plug-in has started.
// Checked by where the ink lies.
// Before any Qt header: the model's headers name parameters "slots".
#include "tests/interface/document/doc_support.h"

#include "notation/display/musicbutton.h"

#include "interface/document/musicpage.h"
#include "interface/glyphbox/glyphbox.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/textmarks.h"
#include "notation/view/startup.h"
#include "platform/ui/frame.h"
#include "platform/ui/ownerdraw.h"
#include "platform/ui/syscolor.h"
#include "tests/platform/gui/dc_support.h"

#include <QCoreApplication>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

QRgb Rgb(COLORREF color) {
    return qRgb(GetRValue(color), GetGValue(color), GetBValue(color)) & 0xFFFFFF;
}

// The pixels of `image` of `color`, and those of neither `color` nor `background`.
struct Ink {
    int ofColor = 0;
    int other = 0;
};
Ink CountInk(const QImage& image, QRgb color, QRgb background) {
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            if (pixel == color)
                ++ink.ofColor;
            else if (pixel != background)
                ++ink.other;
        }
    return ink;
}

// The face DrawMusicButton makes for `event` in image `state`, as an image.
QImage Face(ECBase* event, UINT state, CSize size = CSize(40, 48)) {
    MCMusicButton button;
    button.SetEvent(event, -1);
    MemoryCanvas target(size.cx, size.cy);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.itemState = state;
    item.hDC = &target.dc;
    item.rcItem = CRect(0, 0, size.cx, size.cy);
    std::unique_ptr<CBitmap> face(DrawMusicButton(&button, &item));
    EXPECT_EQ(target.dc.GetMapMode(), MM_TWIPS);   // the mapping the button draws the face back in
    if (!face)
        return QImage();
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    memory.SelectObject(face.get());
    QImage image = memory.GetImage()->copy();
    memory.DeleteDC();
    return image;
}

class MusicButtonFaces : public ::testing::Test {
protected:
    void SetUp() override { InitPlugins(); }
    void TearDown() override {
        MCMusicButton::SetMusicDrawItemFunc(nullptr);
        ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
    }
};

TEST_F(MusicButtonFaces, ThePlugInInstallsTheDrawing) {
    EXPECT_EQ(MCMusicButton::GetMusicDrawItemFunc(), &DrawMusicButton);
}

TEST_F(MusicButtonFaces, EachTypeDrawsItsSymbolInTheColoursOfTheImage) {
    const struct {
        const char* name;
        ECBase* (*make)();
    } events[] = {
        {"quarter note", []() -> ECBase* {
             auto* note = new ECNote;
             const MCTime beat(1.0f);
             note->SetDuration(&beat);
             return note;
         }},
        {"triplet", []() -> ECBase* { return new ECTuplet(3, 2, 8); }},
        {"treble clef", []() -> ECBase* { return new ECClef(0); }},
        {"three sharps", []() -> ECBase* { return new ECKey(3, 0); }},
        {"three-four", []() -> ECBase* {
             auto* meter = new ECMeter;
             meter->SetMeter(3, 4, 0);
             return meter;
         }},
        {"common time", []() -> ECBase* { return new ECMeter(4, 4, 0); }},
        {"forte", []() -> ECBase* { return new ECDynamic(5, MCTime()); }},
    };
    const struct {
        UINT state;
        int background, symbol;
    } images[] = {
        {0, COLOR_BTNFACE, COLOR_WINDOWTEXT},
        {1, COLOR_WINDOW, COLOR_WINDOWTEXT},
        {2, COLOR_BTNFACE, COLOR_GRAYTEXT},
    };
    for (const auto& e : events) {
        ECBase* event = e.make();
        event->Ref();
        for (const auto& i : images) {
            SCOPED_TRACE(std::string(e.name) + ", image " + std::to_string(i.state));
            const QImage face = Face(event, i.state);
            ASSERT_EQ(face.size(), QSize(40, 48));
            const QRgb background = Rgb(GetSysColor(i.background));
            const Ink ink = CountInk(face, Rgb(GetSysColor(i.symbol)), background);
            const int pixels = face.width() * face.height();
            EXPECT_GT(pixels - ink.ofColor - ink.other, pixels / 3);   // the face's colour behind the symbol
            EXPECT_GT(ink.ofColor, 20);                                // a symbol in its colour, not a speck
        }
        // The staff of a clef, key or meter was the drawing's: the event has no parent.
        EXPECT_EQ(event->GetParents()->GetCount(), 0) << e.name;
        event->Unref(1);
    }
}

// The staff is the drawing's and grey; the clef is in the colour of the
// image: the window text's, the grey text's in the disabled image.
TEST_F(MusicButtonFaces, AClefStandsOnGreyStaffLines) {
    const QRgb background = Rgb(GetSysColor(COLOR_BTNFACE));
    const QRgb grey = Rgb(GetSysColor(COLOR_GRAYTEXT));
    const QRgb text = Rgb(GetSysColor(COLOR_WINDOWTEXT));
    for (UINT state : {0u, 2u}) {
        SCOPED_TRACE("image " + std::to_string(state));
        ECBase* clef = new ECClef(0);
        clef->Ref();
        const QImage face = Face(clef, state, CSize(60, 60));
        clef->Unref(1);
        // Runs of rows inked most of the way across, in grey (the lines are
        // smoothed: no darker than the grey): the staff's lines (the clef is
        // far narrower than the face).
        int lines = 0;
        bool inLine = false;
        for (int y = 0; y < face.height(); ++y) {
            int inked = 0;
            int greyInk = 0;
            for (int x = 0; x < face.width(); ++x) {
                const QRgb pixel = face.pixel(x, y) & 0xFFFFFF;
                inked += pixel != background;
                greyInk += pixel != background && qGray(pixel) >= qGray(grey) - 8;
            }
            const bool across = inked > face.width() * 3 / 5;
            if (across)
                EXPECT_GT(greyInk, face.width() / 2) << "row " << y;
            lines += across && !inLine;
            inLine = across;
        }
        EXPECT_GE(lines, 5);
        const int textInk = CountInk(face, text, background).ofColor;
        if (state == 2)
            EXPECT_EQ(textInk, 0);
        else
            EXPECT_GT(textInk, 20);
    }
}

// A clef in a score keeps its measure: the drawing's measure takes it for a
// moment and lets it go without releasing it.
TEST_F(MusicButtonFaces, AClefInAMeasureKeepsItsParent) {
    auto* home = new ECMeasure;
    home->Ref();
    auto* clef = new ECClef(3);
    ASSERT_TRUE(home->AddChild(clef, 0));
    const int references = clef->GetRefCount();
    const QImage face = Face(clef, 0, CSize(33, 21));
    EXPECT_EQ(face.size(), QSize(33, 21));   // the item's own size, whatever it is
    ASSERT_EQ(clef->GetParents()->GetCount(), 1);
    EXPECT_EQ(clef->GetParents()->GetHead(), home);
    EXPECT_EQ(home->GetChildren()->GetCount(), 1);
    EXPECT_EQ(clef->GetRefCount(), references);
    home->RemoveChildren(1);
    home->Unref(1);
}

// The palette the program shows: every button of every tab has its symbol,
// without a document (disabled, grey) and with one.
class PaletteFaces : public MusicButtonFaces, public doc_support::DocumentParts {
protected:
    void SetUp() override {
        MusicButtonFaces::SetUp();
        InitGlyphbox();
        frame = new CFrameWnd;   // goes with its window
        ASSERT_TRUE(frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(100, 100, 900, 700)));
        palette = new CMusicWnd(frame, nullptr);   // goes with its window
        ASSERT_TRUE(palette->GetSafeHwnd());
    }
    void TearDown() override {
        frame->DestroyWindow();
        QCoreApplication::processEvents();
        MusicButtonFaces::TearDown();
    }

    // The buttons of page `index` with too little ink, by id.
    std::vector<UINT> BlankButtons(int index) {
        std::vector<UINT> blank;
        for (UINT id = IDC_SYMBOL_FIRST; id <= IDC_SYMBOL_LAST; ++id) {
            // FIXME: the embedded-object frame's display draws nothing by
            // itself (no glyph, no size until an object is placed), so its
            // button has no face yet.
            constexpr UINT kFrameSymbol = 31988;
            MCMusicButton* button = palette->FindButton(id);
            if (!button || button->GetParent() != palette->GetPage(index) || id == kFrameSymbol)
                continue;
            const QImage face = button->GetWidget()->grab().toImage();
            const Ink ink = CountInk(face, 0xFFFFFFFF, Rgb(GetSysColor(COLOR_BTNFACE)));
            if (face.isNull() || ink.other == 0)
                blank.push_back(id);
        }
        return blank;
    }

    CFrameWnd* frame = nullptr;
    CMusicWnd* palette = nullptr;
};

TEST_F(PaletteFaces, EveryTabShowsItsSymbolsWithAndWithoutADocument) {
    ASSERT_EQ(palette->GetPageCount(), 4);
    for (bool active : {false, true}) {
        MCOpusDoc::SetActiveDoc(active ? doc.get() : nullptr);
        palette->OnUpdate(STATE_FILE_OPENED, nullptr);
        for (int page = 0; page < palette->GetPageCount(); ++page)
            EXPECT_EQ(BlankButtons(page), std::vector<UINT>()) << palette->GetPageTitle(page)
                                                               << (active ? " with" : " without") << " a document";
    }
    MCOpusDoc::SetActiveDoc(nullptr);
}

// Where a face's ink lies: the dark pixels' bounds, and whether ink touches
// each edge (a symbol cut by its button).
struct InkBounds {
    QRect bounds;
    bool top = false, bottom = false, left = false, right = false;
};
InkBounds BoundsOfInk(const QImage& face) {
    InkBounds ink;
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x)
            if (qGray(face.pixel(x, y)) < 96)
                ink.bounds |= QRect(x, y, 1, 1);
    if (ink.bounds.isEmpty())
        return ink;
    ink.top = ink.bounds.top() == 0;
    ink.bottom = ink.bounds.bottom() == face.height() - 1;
    ink.left = ink.bounds.left() == 0;
    ink.right = ink.bounds.right() == face.width() - 1;
    return ink;
}

// Every symbol is drawn whole inside its button: no ink is cut by an edge
// (staff lines of the clef, key and meter samples run from side to side on
// purpose, so only their top and bottom count).
TEST_F(PaletteFaces, EverySymbolStandsWholeInItsButton) {
    MCOpusDoc::SetActiveDoc(doc.get());   // enabled: black on the face
    palette->OnUpdate(STATE_FILE_OPENED, nullptr);
    std::vector<std::string> cut;   // "symbol (type): edges"
    for (UINT id = IDC_SYMBOL_FIRST; id <= IDC_SYMBOL_LAST; ++id) {
        MCMusicButton* button = palette->FindButton(id);
        if (!button || !button->GetEvent())
            continue;
        const InkBounds ink = BoundsOfInk(button->GetWidget()->grab().toImage());
        const int type = button->GetEvent()->GetClassType();
        const bool onStaff = type == ET_CLEF || type == ET_KEY || type == ET_METER;
        std::string edges = std::string(ink.top ? " top" : "") + (ink.bottom ? " bottom" : "");
        if (!onStaff)
            edges += std::string(ink.left ? " left" : "") + (ink.right ? " right" : "");
        if (!edges.empty())
            cut.push_back(std::to_string(id) + " (" + std::to_string(type) + "):" + edges);
    }
    MCOpusDoc::SetActiveDoc(nullptr);
    EXPECT_EQ(cut, std::vector<std::string>());
}

// The quarter note's button shows a notehead, and the whole note inside
// the face: its stem is not cut by the top edge, nor its head by the bottom.
TEST_F(PaletteFaces, TheQuarterNoteStandsWholeInItsButton) {
    MCOpusDoc::SetActiveDoc(doc.get());   // enabled: black on the face
    palette->OnUpdate(STATE_FILE_OPENED, nullptr);
    MCMusicButton* button = palette->FindButton(IDC_SYMBOL_QUARTER_NOTE);
    ASSERT_NE(button, nullptr);
    const QImage face = button->GetWidget()->grab().toImage();
    MCOpusDoc::SetActiveDoc(nullptr);
    ASSERT_FALSE(face.isNull());
    int top = face.height();
    int bottom = -1;
    int widest = 0;   // the widest dark run of a row: the head's, not the stem's
    for (int y = 0; y < face.height(); ++y) {
        int run = 0;
        for (int x = 0; x < face.width(); ++x) {
            const bool dark = qGray(face.pixel(x, y)) < 96;
            run = dark ? run + 1 : 0;
            widest = std::max(widest, run);
            if (dark) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    EXPECT_GE(widest, 5);
    EXPECT_GT(top, 0);
    EXPECT_LT(bottom, face.height() - 1);
    EXPECT_GT(bottom - top, face.height() / 2);   // a stem, not a head alone
}

}  // namespace
