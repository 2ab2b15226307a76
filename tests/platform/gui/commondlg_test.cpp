// The colour and font dialogs under a script: what they open on, what a user's
// choice gives back, and Cancel giving nothing.
#include "platform/ui/colordialog.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/fontdialog.h"
#include "platform/ui/prompt_script.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ColorDialog, GivesTheChosenColourOnOkOnly) {
    CColorDialog dialog(RGB(10, 20, 30));
    EXPECT_EQ(dialog.GetColor(), RGB(10, 20, 30));
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CColorDialog), [&](CWnd& dlg) {
        static_cast<CColorDialog&>(dlg).SetCurrentColor(RGB(200, 100, 50));
        CDialogScript::Click(dlg, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetColor(), RGB(200, 100, 50));
    script.Queue(RUNTIME_CLASS(CColorDialog), [&](CWnd& dlg) {
        static_cast<CColorDialog&>(dlg).SetCurrentColor(RGB(1, 2, 3));
        CDialogScript::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.GetColor(), RGB(200, 100, 50));
}

// The height of a size in tenths of a point at the headless 96 dpi.
TEST(FontDialog, TheHeightIsMinusPointsTimesDpiOver72) {
    const struct {
        const char* typed;
        int tenths;
        int32_t height;
    } cases[] = {{"8", 80, -11}, {"10", 100, -13}, {"10.5", 105, -14}, {"12", 120, -16}, {"72", 720, -96}};
    for (const auto& c : cases) {
        CFontDialog dialog;
        CDialogScript script;
        script.Queue(RUNTIME_CLASS(CFontDialog), [&](CWnd& dlg) {
            CDialogScript::SetText(dlg, cmb3, c.typed);
            CDialogScript::Click(dlg, IDOK);
        });
        ASSERT_EQ(dialog.DoModal(), IDOK) << c.typed;
        EXPECT_EQ(dialog.GetSize(), c.tenths) << c.typed;
        LOGFONT chosen;
        dialog.GetCurrentFont(&chosen);
        EXPECT_EQ(chosen.lfHeight, c.height) << c.typed;
    }
}

TEST(FontDialog, OpensOnTheFontGivenAndReturnsTheChoice) {
    LOGFONT font;
    font.lfHeight = -16;   // 12 points
    font.lfWeight = FW_BOLD;
    std::string firstFace;
    {
        // Any scalable face the machine has, as the dialog lists them.
        CFontDialog probe;
        CDialogScript script;
        script.Queue(RUNTIME_CLASS(CFontDialog),
                     [&](CWnd& dlg) { firstFace = CDialogScript::GetText(dlg, cmb1); });
        probe.DoModal();
    }
    ASSERT_FALSE(firstFace.empty());
    SetFaceName(font, firstFace);
    CFontDialog dialog(&font);
    dialog.m_cf.rgbColors = RGB(0, 0, 128);
    std::string face, style, size, colour;
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CFontDialog), [&](CWnd& dlg) {
        face = CDialogScript::GetText(dlg, cmb1);
        style = CDialogScript::GetText(dlg, cmb2);
        size = CDialogScript::GetText(dlg, cmb3);
        colour = CDialogScript::GetText(dlg, cmb4);
        CDialogScript::Choose(dlg, cmb2, 3);   // Bold Italic
        CDialogScript::Choose(dlg, cmb4, 9);   // Red
        CDialogScript::Click(dlg, chx2);       // underline
        CDialogScript::SetText(dlg, cmb3, "9");
        CDialogScript::Click(dlg, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(face, firstFace);
    EXPECT_EQ(style, "Bold");
    EXPECT_EQ(size, "12");
    EXPECT_EQ(colour, "Navy");
    EXPECT_EQ(dialog.GetFaceName(), GetFaceName(font));
    EXPECT_EQ(dialog.GetStyleName(), "Bold Italic");
    EXPECT_TRUE(dialog.IsBold() && dialog.IsItalic() && dialog.IsUnderline());
    EXPECT_FALSE(dialog.IsStrikeOut());
    EXPECT_EQ(dialog.GetColor(), RGB(255, 0, 0));
    EXPECT_EQ(dialog.GetSize(), 90);
    EXPECT_EQ(font.lfHeight, -12);   // the caller's font was given the choice
    EXPECT_EQ(font.lfItalic, 1);
}

TEST(FontDialog, ASizeThatIsNoNumberKeepsTheDialogAndCancelChangesNothing) {
    LOGFONT font;
    font.lfHeight = -16;
    CFontDialog dialog(&font);
    CPromptScript prompts;
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CFontDialog), [](CWnd& dlg) {
        CDialogScript::SetText(dlg, cmb3, "big");
        CDialogScript::Click(dlg, IDOK);
    });
    script.Queue(RUNTIME_CLASS(CFontDialog), [](CWnd& dlg) {
        CDialogScript::SetText(dlg, cmb3, "-3");
        CDialogScript::Click(dlg, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);   // the script ran out: Cancel
    EXPECT_EQ(prompts.GetCount(), 2u);
    EXPECT_EQ(prompts.GetLast().text, "Size must be a number.");
    EXPECT_EQ(font.lfHeight, -16);
    EXPECT_EQ(dialog.GetSize(), 0);
}

}  // namespace
