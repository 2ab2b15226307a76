// The chord picker: its controls and their order, what it opens on, the
// chord word each choice makes (spelling codes, the sorted qualities' codes,
// a bass forcing the name alone), and what OK and Cancel hand back.
#include "notation/tools/chordsymboldlg.h"

#include "model/markings.h"
#include "platform/ui/button.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/prompt_script.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Script = CDialogScript;
using Kind = DialogControlKind;

// Root and bass letters as the lists hold them (the bass list starts with
// its empty entry).
enum Letter { A, B, C, D, E, F, G };

// A chord word's four bytes.
struct Word {
    int root, bass, quality, style;
    bool operator==(const Word&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Word& w) {
    return out << "{root " << w.root << ", bass " << w.bass << ", quality " << w.quality << ", style " << w.style
               << "}";
}
Word WordOf(const ECBase* event) {
    auto* chord = dynamic_cast<const ECChordSymbol*>(event);
    if (!chord)
        return {-1, -1, -1, -1};
    return {chord->GetChordRoot(), chord->GetChordBass(), chord->GetChordFlavor(), chord->GetChordStyle()};
}

CChordSymbolDlg& Picker(CWnd& dlg) {
    return *DYNAMIC_DOWNCAST(CChordSymbolDlg, &dlg);
}
Word Sample(CWnd& dlg) {
    return WordOf(Picker(dlg).GetSample().GetEvent());
}
bool Enabled(CWnd& dlg, int id) {
    return dlg.GetDlgItem(id) && dlg.GetDlgItem(id)->GetWidget()->isEnabled();
}
UINT Checked(CWnd& dlg, int id) {
    return static_cast<CDialog&>(dlg).IsDlgButtonChecked(id);
}
// Chooses a quality by its name, as the user clicks it in the list.
void ChooseQuality(CWnd& dlg, const char* name) {
    const int entry = Picker(dlg).GetQualityList().FindStringExact(-1, name);
    ASSERT_GE(entry, 0) << name;
    Script::Choose(dlg, IDC_CHORD_QUALITY, entry);
}

class ChordPicker : public ::testing::Test {
protected:
    // Runs the picker with `action`; its result, owned here.
    std::unique_ptr<ECChordSymbol, void (*)(ECChordSymbol*)> Run(Script::Action action) {
        dialogs.Queue(IDD_CHORD_SYMBOL, std::move(action));
        CChordSymbolDlg picker;
        return {picker.PickChordSymbol(), [](ECChordSymbol* chord) {
                    if (chord)
                        chord->Unref(1);
                }};
    }

    CPromptScript prompts;
    CDialogScript dialogs;
};

TEST_F(ChordPicker, TemplateHasItsControlsInTabOrder) {
    const DialogTemplate* found = FindDialogTemplate(IDD_CHORD_SYMBOL);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->caption, "Insert Chord");
    EXPECT_EQ(found->size.cx, 421);
    EXPECT_EQ(found->size.cy, 122);
    EXPECT_EQ(found->font.face, "MS Sans Serif");
    EXPECT_EQ(found->font.pointSize, 8);
    const struct {
        int id;
        Kind kind;
        const char* text;
    } expected[] = {
        {-1, Kind::Group, "&Root"},      {-1, Kind::Static, "Key:"},       {14101, Kind::Combo, ""},
        {14102, Kind::Radio, "Sharp"},   {14103, Kind::Radio, "Normal"},   {14105, Kind::Radio, "Flat"},
        {-1, Kind::Group, "&Bass"},      {-1, Kind::Static, "Key:"},       {14106, Kind::Combo, ""},
        {14107, Kind::Radio, "Sharp"},   {14108, Kind::Radio, "Normal"},   {14109, Kind::Radio, "Flat"},
        {-1, Kind::Group, "&Quality"},   {14110, Kind::ListBox, ""},       {-1, Kind::Group, "Style"},
        {14115, Kind::Check, "&Name"},   {14116, Kind::Check, "Chord &Grid"}, {-1, Kind::Group, "Sample"},
        {14118, Kind::Push, ""},         {IDOK, Kind::Push, "OK"},         {IDCANCEL, Kind::Push, "Cancel"},
    };
    ASSERT_EQ(found->items.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const DialogItem& item = found->items[i];
        EXPECT_EQ(item.id, expected[i].id) << i;
        EXPECT_EQ(item.kind, expected[i].kind) << i;
        EXPECT_EQ(item.text, expected[i].text) << i;
    }
    // The root list drops down, the quality list sorts and tells its choices.
    EXPECT_EQ(found->items[2].style & CBS_DROPDOWNLIST, CBS_DROPDOWNLIST);
    EXPECT_EQ(found->items[13].style & (LBS_SORT | LBS_NOTIFY), LBS_SORT | LBS_NOTIFY);
    EXPECT_EQ(found->items[18].style & BS_TYPEMASK, BS_OWNERDRAW);
}

// A with no accidental, no bass, the grid alone, no quality (0, "Major"); the
// qualities sorted by name, each keeping its code.
TEST_F(ChordPicker, OpensOnANaturalShowingTheGridWithTheQualitiesSorted) {
    std::vector<std::string> names;
    std::vector<int> codes;
    auto chord = Run([&](CWnd& dlg) {
        EXPECT_EQ(Script::GetText(dlg, IDC_CHORD_ROOT), "A");
        EXPECT_EQ(Checked(dlg, IDC_CHORD_ROOT_NATURAL), BST_CHECKED);
        EXPECT_EQ(Script::GetText(dlg, IDC_CHORD_BASS), "");
        EXPECT_EQ(Checked(dlg, IDC_CHORD_BASS_NATURAL), BST_CHECKED);
        EXPECT_EQ(Checked(dlg, IDC_CHORD_NAME), BST_UNCHECKED);
        EXPECT_EQ(Checked(dlg, IDC_CHORD_GRID), BST_CHECKED);
        EXPECT_TRUE(Enabled(dlg, IDC_CHORD_NAME));
        EXPECT_TRUE(Enabled(dlg, IDC_CHORD_GRID));
        CListBox& qualities = Picker(dlg).GetQualityList();
        std::string text;
        EXPECT_EQ(qualities.GetCurSel(), LB_ERR);
        for (int entry = 0; entry < qualities.GetCount(); ++entry) {
            qualities.GetText(entry, text);
            names.push_back(text);
            codes.push_back(static_cast<int>(qualities.GetItemData(entry)));
        }
        EXPECT_EQ(Sample(dlg), (Word{16, 0, 0, 2}));
        // The sample is a picture: its button takes no clicks.
        EXPECT_EQ(Picker(dlg).GetSample().GetButtonStyle(), MCStateButton::STYLE_INERT);
        EXPECT_EQ(Picker(dlg).GetSample().GetButtonMode(), 0);
        Script::Click(dlg, IDOK);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"6", "6 9", "7", "7 Sus", "9", "Add 9", "Aug", "Diminished", "Major",
                                               "Major 7 Add 9", "Major 7th", "Minor", "Minor 6 9", "Minor 6th",
                                               "Minor 7 Flat 5", "Minor 7th", "Minor 9", "Sus", "Undefined"}));
    EXPECT_EQ(codes, (std::vector<int>{6, 11, 2, 16, 7, 9, 17, 3, 0, 10, 8, 1, 13, 4, 14, 5, 12, 15, 18}));
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(WordOf(chord.get()), (Word{16, 0, 0, 2})) << "OK with no quality chosen gives Major";
}

TEST_F(ChordPicker, RootsAreSpelledByLetterAndAccidental) {
    const struct {
        Letter letter;
        int radio;
        int code;
    } cases[] = {
        {C, IDC_CHORD_ROOT_SHARP, 2}, {C, IDC_CHORD_ROOT_FLAT, 21},   {F, IDC_CHORD_ROOT_FLAT, 9},
        {A, IDC_CHORD_ROOT_SHARP, 17}, {B, IDC_CHORD_ROOT_NATURAL, 19}, {G, IDC_CHORD_ROOT_SHARP, 14},
    };
    for (const auto& c : cases) {
        int shown = -1;
        auto chord = Run([&](CWnd& dlg) {
            Script::Choose(dlg, IDC_CHORD_ROOT, c.letter);
            Script::Click(dlg, c.radio);
            shown = Sample(dlg).root;
            Script::Click(dlg, IDOK);
        });
        EXPECT_EQ(shown, c.code) << c.letter << " " << c.radio;
        ASSERT_NE(chord, nullptr);
        EXPECT_EQ(chord->GetChordRoot(), c.code) << c.letter << " " << c.radio;
    }
}

// C sharp minor 9 over E: the bass forces the name alone and greys both
// checks; the empty bass again brings both back.
TEST_F(ChordPicker, ABassNoteShowsTheNameAloneUntilTheBassIsEmptiedAgain) {
    Word withBass{}, withoutBass{}, again{};
    auto chord = Run([&](CWnd& dlg) {
        Script::Choose(dlg, IDC_CHORD_ROOT, C);
        Script::Click(dlg, IDC_CHORD_ROOT_SHARP);
        Script::Choose(dlg, IDC_CHORD_BASS, 1 + E);
        Script::Click(dlg, IDC_CHORD_BASS_NATURAL);
        ChooseQuality(dlg, "Minor 9");
        withBass = Sample(dlg);
        EXPECT_EQ(Checked(dlg, IDC_CHORD_NAME), BST_CHECKED);
        EXPECT_EQ(Checked(dlg, IDC_CHORD_GRID), BST_UNCHECKED);
        EXPECT_FALSE(Enabled(dlg, IDC_CHORD_NAME));
        EXPECT_FALSE(Enabled(dlg, IDC_CHORD_GRID));

        Script::Choose(dlg, IDC_CHORD_BASS, 0);
        withoutBass = Sample(dlg);
        EXPECT_EQ(Checked(dlg, IDC_CHORD_NAME), BST_CHECKED);
        EXPECT_EQ(Checked(dlg, IDC_CHORD_GRID), BST_CHECKED);
        EXPECT_TRUE(Enabled(dlg, IDC_CHORD_NAME));
        EXPECT_TRUE(Enabled(dlg, IDC_CHORD_GRID));

        Script::Choose(dlg, IDC_CHORD_BASS, 1 + E);
        Script::Click(dlg, IDC_CHORD_BASS_FLAT);
        again = Sample(dlg);
        Script::Click(dlg, IDOK);
    });
    EXPECT_EQ(withBass, (Word{2, 7, 12, 1}));
    EXPECT_EQ(withoutBass, (Word{2, 0, 12, 3}));
    EXPECT_EQ(again, (Word{2, 6, 12, 1}));
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(WordOf(chord.get()), again) << "OK hands back what the sample shows";
}

TEST_F(ChordPicker, TheStyleChecksSetTheirBits) {
    Word both{}, none{};
    Run([&](CWnd& dlg) {
        Script::Click(dlg, IDC_CHORD_NAME);
        both = Sample(dlg);
        Script::Click(dlg, IDC_CHORD_NAME);
        Script::Click(dlg, IDC_CHORD_GRID);
        none = Sample(dlg);
        Script::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(both.style, 3);
    EXPECT_EQ(none.style, 0);
}

TEST_F(ChordPicker, CancelHandsBackNoChord) {
    auto chord = Run([](CWnd& dlg) {
        Script::Choose(dlg, IDC_CHORD_ROOT, D);
        Script::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(chord, nullptr);
    EXPECT_EQ(dialogs.GetShown(), (std::vector<UINT>{IDD_CHORD_SYMBOL}));
}

}  // namespace
