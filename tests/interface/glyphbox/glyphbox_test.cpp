// The symbol palette: its pages and symbols, a click choosing the prototype
// and the insert tool's event type, the copies SCMode::GetEvent answers, and
// the mode and file states it is told of.
// Before any Qt header: the model's headers name parameters "slots".
#include "tests/interface/document/doc_support.h"

#include "interface/glyphbox/glyphbox.h"

#include "interface/document/musicpage.h"
#include "model/appstates.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/states.h"
#include "platform/core/window.h"
#include "platform/ui/frame.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>

namespace {

// The main window: notes the states applied with no performance that reach it.
class CModeFrame : public CFrameWnd {
public:
    std::vector<unsigned> states;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        if (message == WM_MCSTATEMGR) {
            const auto* state = reinterpret_cast<const SCBase*>(lParam);
            if (!state->GetTarget())
                states.push_back(state->GetCode());
        }
        return CFrameWnd::OnWndMsg(message, wParam, lParam, pResult);
    }
};

class Palette : public ::testing::Test, public doc_support::DocumentParts {
protected:
    void SetUp() override {
        InitGlyphbox();
        frame = new CModeFrame;   // goes with its window
        ASSERT_TRUE(frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(100, 100, 900, 700)));
        SetMainWindow(frame->m_hWnd);
        palette = new CMusicWnd(frame, nullptr);   // goes with its window
        ASSERT_TRUE(palette->GetSafeHwnd());
    }
    void TearDown() override {
        SCMode select(STATE_MODE_SELECT);
        SetMainWindow(nullptr);
        frame->DestroyWindow();
        // The mode states posted meanwhile are delivered (and deleted).
        QCoreApplication::processEvents();
    }

    // Every music button of the palette.
    std::vector<MCMusicButton*> Buttons() const {
        std::vector<MCMusicButton*> buttons;
        for (UINT id = IDC_SYMBOL_FIRST; id <= IDC_SYMBOL_LAST; ++id)
            if (MCMusicButton* button = palette->FindButton(id))
                buttons.push_back(button);
        return buttons;
    }
    std::vector<UINT> Checked() const {
        std::vector<UINT> checked;
        for (MCMusicButton* button : Buttons())
            if (button->GetButtonState() == 1)
                checked.push_back(static_cast<UINT>(button->GetDlgCtrlID()));
        return checked;
    }
    void Click(UINT id) {
        MCMusicButton* button = palette->FindButton(id);
        ASSERT_TRUE(button);
        QTest::mouseClick(button->GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    }

    CModeFrame* frame = nullptr;
    CMusicWnd* palette = nullptr;
};

TEST_F(Palette, OffersEveryTypeOfTheInsertTools) {
    EXPECT_EQ(palette->GetPageCount(), 4);
    EXPECT_EQ(palette->GetPageTitle(0), "Notes");
    std::set<int> types;
    std::multiset<int> perType;
    for (MCMusicButton* button : Buttons()) {
        ASSERT_TRUE(button->GetEvent());
        types.insert(button->GetEvent()->GetClassType());
        perType.insert(button->GetEvent()->GetClassType());
    }
    for (int type : {ET_ACCENT, ET_ACCIDENTAL, ET_ARPEGGIO, ET_CHORDSYMBOL, ET_CLEF, ET_DOT, ET_DYNAMIC,
                     ET_FLOWCONTROL, ET_FRAME, ET_KEY, ET_LYRIC, ET_METER, ET_MORDENT, ET_NOTE, ET_ORNAMENT,
                     ET_PEDAL, ET_REPEAT, ET_SLUR, ET_TEMPO, ET_TEXT, ET_TIE, ET_TRANSPOSE, ET_TREMOLO, ET_TRILL,
                     ET_TUPLET, ET_TURN, ET_GRACENOTE, ET_REST})
        EXPECT_TRUE(types.count(type)) << "no symbol of type " << type;
    // The variants: values, accidentals, clefs, keys, meters, dynamics.
    for (int type : {ET_NOTE, ET_REST, ET_ACCIDENTAL, ET_CLEF, ET_KEY, ET_METER, ET_DYNAMIC})
        EXPECT_GE(perType.count(type), 4u) << type;
}

TEST_F(Palette, EachClefButtonOffersTheClefItIsNamedFor) {
    // The clef types the notation draws: 0 treble, 3 bass, 7 alto, 6 tenor, 8 percussion.
    const struct {
        UINT id;
        int clefType;
    } cases[] = {{31970, 0}, {31971, 3}, {31972, 7}, {31973, 6}, {31974, 8}};
    for (const auto& c : cases) {
        MCMusicButton* button = palette->FindButton(c.id);
        ASSERT_TRUE(button) << c.id;
        auto* clef = dynamic_cast<ECClef*>(button->GetEvent());
        ASSERT_TRUE(clef) << c.id;
        EXPECT_EQ(clef->GetClefType(), c.clefType) << c.id;
    }
}

TEST_F(Palette, TheHairpinsAreWedgesLastingABeat) {
    const struct {
        UINT id;
        int type;
    } cases[] = {{31996, 14}, {31997, 15}};   // Crescendo, Decrescendo: opening, closing
    for (const auto& c : cases) {
        MCMusicButton* button = palette->FindButton(c.id);
        ASSERT_TRUE(button) << c.id;
        auto* hairpin = dynamic_cast<ECDynamic*>(button->GetEvent());
        ASSERT_TRUE(hairpin) << c.id;
        EXPECT_EQ(hairpin->GetDynamicType(), c.type) << c.id;
        EXPECT_EQ(*hairpin->GetDuration(), MCTime(1.0f)) << c.id;
        EXPECT_TRUE(ECDynamic::HasDuration(hairpin->GetDynamicType())) << c.id;
    }
}

TEST_F(Palette, ClickingTheQuarterNoteChoosesItForTheInsertTool) {
    SCMode::s_eventType = -1;
    Click(IDC_SYMBOL_HALF_NOTE);
    Click(IDC_SYMBOL_QUARTER_NOTE);
    EXPECT_EQ(SCMode::s_eventType, ET_NOTE);
    EXPECT_EQ(SCMode::s_nMode, STATE_MODE_INSERT);
    // Each click applied the insert mode with no performance: the main window gets it.
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->states, (std::vector<unsigned>{STATE_MODE_INSERT, STATE_MODE_INSERT}));
    EXPECT_EQ(MCMusicPage::GetSymbolPage(), palette->GetPage(0));
    EXPECT_EQ(Checked(), std::vector<UINT>{IDC_SYMBOL_QUARTER_NOTE});
    EXPECT_EQ(GetGlyphboxPrototype(), palette->FindButton(IDC_SYMBOL_QUARTER_NOTE)->GetEvent());

    // Each asking gives a new quarter note, the caller's alone.
    ECBase* first = SCMode::GetEvent();
    ECBase* second = SCMode::GetEvent();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    for (ECBase* copy : {first, second}) {
        EXPECT_NE(copy, GetGlyphboxPrototype());
        EXPECT_EQ(copy->GetClassType(), ET_NOTE);
        EXPECT_EQ(*copy->GetDuration(), MCTime(1.0f));
        EXPECT_EQ(copy->GetRefCount(), 0);
        copy->Unref(1);
    }
}

TEST_F(Palette, ACopyOfThePrototypeHasItsOwnChildren) {
    Click(IDC_SYMBOL_TRIPLET);
    EXPECT_EQ(SCMode::s_eventType, ET_TUPLET);
    ECBase* copy = SCMode::GetEvent();
    ASSERT_TRUE(copy);
    copy->Ref();
    ASSERT_TRUE(copy->GetChildren());
    ASSERT_EQ(copy->GetChildren()->GetCount(), 1);
    ECBase* note = copy->GetChildren()->GetHead();
    EXPECT_EQ(note->GetClassType(), ET_NOTE);
    EXPECT_NE(note, GetGlyphboxPrototype()->GetChildren()->GetHead());
    copy->RemoveChildren(1);
    copy->Unref(1);
}

TEST_F(Palette, TheModeStatesUncheckAndCheckThePrototypesButton) {
    Click(IDC_SYMBOL_QUARTER_NOTE);
    {
        SCMode select(STATE_MODE_SELECT);
        palette->OnUpdate(STATE_MODE_SELECT, nullptr);
        EXPECT_EQ(SCMode::GetEvent(), nullptr);
        EXPECT_TRUE(Checked().empty());
    }
    {
        SCMode insert(STATE_MODE_INSERT);
        palette->OnUpdate(STATE_MODE_INSERT, nullptr);
        EXPECT_EQ(Checked(), std::vector<UINT>{IDC_SYMBOL_QUARTER_NOTE});
    }
    {
        SCMode erase(STATE_MODE_ERASE);
        palette->OnUpdate(STATE_MODE_ERASE, nullptr);
        EXPECT_TRUE(Checked().empty());
    }
}

TEST_F(Palette, TheButtonsAreEnabledOnlyWithAnActiveDocument) {
    const struct {
        const char* name;
        MCOpusDoc* active;
        long state;
        BOOL enabled;
    } cases[] = {
        {"no document", nullptr, STATE_FILE_CLOSED, FALSE},
        {"a document opened", doc.get(), STATE_FILE_OPENED, TRUE},
        {"closed again", nullptr, STATE_FILE_CLOSED, FALSE},
    };
    for (const auto& c : cases) {
        MCOpusDoc::SetActiveDoc(c.active);
        palette->OnUpdate(c.state, nullptr);
        for (MCMusicButton* button : Buttons())
            ASSERT_EQ(button->IsWindowEnabled(), c.enabled) << c.name << " " << button->GetDlgCtrlID();
    }
}

}  // namespace
