// The music button (its event held by one reference, its faces from the
// draw-item function, its archive) and the palette's symbol array.
#include "interface/document/musicpage.h"

#include "model/appstates.h"
#include "model/notes.h"
#include "model/states.h"
#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "platform/ui/syscolor.h"
#include "tests/interface/controls/parent_support.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr UINT kId = 601;

QRgb Rgb(COLORREF color) {
    return qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
}

// A draw-item function painting a black picture of the item's size under a
// mapping of its own, as the notation's does.
CBitmap* BlackFace(CObject*, DRAWITEMSTRUCT* item) {
    item->hDC->SetMapMode(MM_ANISOTROPIC);
    item->hDC->SetWindowExt(1000, 1000);
    auto* picture = new CBitmap;
    const CRect& rect = item->rcItem;
    picture->CreateCompatibleBitmap(item->hDC, rect.right - rect.left, rect.bottom - rect.top);   // black
    return picture;
}

class MusicButton : public ::testing::Test {
protected:
    void TearDown() override { MCMusicButton::SetMusicDrawItemFunc(nullptr); }
    QImage Face() { return button.GetWidget()->grab().toImage(); }
    bool AllFace(const QImage& face) {
        const QRgb color = Rgb(GetSysColor(COLOR_BTNFACE));
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x)
                if ((face.pixel(x, y) & 0xFFFFFF) != (color & 0xFFFFFF))
                    return false;
        return true;
    }

    button_test::CButtonParent parent;
    MCMusicButton button;
};

TEST_F(MusicButton, GivenTheEventItHoldsByTheLastReferenceKeepsIt) {
    auto* note = new ECNote;
    button.SetEvent(note, 0);
    ASSERT_EQ(note->GetRefCount(), 1);
    button.SetEvent(note, 7);
    EXPECT_EQ(button.GetEvent(), note);
    EXPECT_EQ(button.GetEventCode(), 7);
    EXPECT_EQ(note->GetRefCount(), 1);
    EXPECT_EQ(note->GetClassType(), 29);

    // Another event: the old one is released.
    note->Ref();
    auto* rest = new ECRest;
    button.SetEvent(rest, 1);
    EXPECT_EQ(note->GetRefCount(), 1);
    EXPECT_EQ(rest->GetRefCount(), 1);
    note->Unref(1);
}

TEST_F(MusicButton, WithoutADrawFunctionADisabledButtonDrawsNothing) {
    ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 24, 24), &parent, kId));
    EXPECT_EQ(button.GetBitmapCount(), 3);   // the three empty slots
    button.EnableWindow(FALSE);
    EXPECT_TRUE(AllFace(Face()));
    button.EnableWindow(TRUE);
    EXPECT_TRUE(AllFace(Face()));
}

TEST_F(MusicButton, TheDrawFunctionGivesTheFacesAndTheCheckedOneIsFramed) {
    ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 24, 24), &parent, kId));
    button.SetButtonMode(0);   // no hover frame
    MCMusicButton::SetMusicDrawItemFunc(&BlackFace);

    const struct {
        const char* name;
        int state;
        QRgb edge;
    } cases[] = {
        {"unchecked", 0, qRgb(0, 0, 0)},
        {"checked", 1, Rgb(GetSysColor(COLOR_HIGHLIGHT))},
    };
    for (const auto& c : cases) {
        button.SetButtonState(c.state);
        const QImage face = Face();
        // The picture covers the button under the mapping it was drawn with.
        EXPECT_EQ(face.pixel(12, 12) & 0xFFFFFF, 0u) << c.name;
        // The frame's edges (its corners are antialiased).
        for (QPoint edge : {QPoint(12, 0), QPoint(0, 12), QPoint(23, 12), QPoint(12, 23)})
            EXPECT_EQ(face.pixel(edge) & 0xFFFFFF, c.edge & 0xFFFFFF) << c.name << " " << edge.x() << "," << edge.y();
    }
}

TEST_F(MusicButton, ArchivesItsFieldsAndItsEventAndNeedsTheEventToRead) {
    ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(4, 6, 28, 30), &parent, kId));
    button.SetEvent(new ECNote, 0);
    button.SetButtonState(1);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        button.Serialize(ar);
        ar.Close();
    }
    // The placement record, seven fields, then the event's own bytes.
    EXPECT_GT(file.GetLength(), 44u + 7 * 4);

    MCMusicButton empty;
    file.SeekToBegin();
    {
        CArchive ar(&file, CArchive::load);
        EXPECT_THROW(empty.Serialize(ar), CArchiveException);
    }

    MCMusicButton loaded;
    ASSERT_TRUE(loaded.Create("", BS_OWNERDRAW, CRect(0, 0, 10, 10), &parent, kId + 1));
    loaded.SetEvent(new ECNote, 0);
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    loaded.Serialize(ar);
    EXPECT_EQ(loaded.GetButtonState(), 1);
    EXPECT_EQ(loaded.GetDisabledState(), 2);
    EXPECT_EQ(loaded.GetTransparentColor(), RGB(255, 0, 0));
    EXPECT_EQ(ar.GetRemaining(), 0u);   // the event read its bytes
    EXPECT_EQ(loaded.GetWidget()->geometry(), QRect(4, 6, 24, 24));
}

TEST(MusicPageSymbols, NoneIsFoundInTheSelectAndEraseModes) {
    MCMusicPage::AddSymbol(11, 1);
    MCMusicPage::AddSymbol(12, 0);
    const struct {
        unsigned mode;
        int found;
    } cases[] = {{STATE_MODE_INSERT, 1}, {STATE_MODE_SELECT, 0}, {STATE_MODE_ERASE, 0}};
    for (const auto& c : cases) {
        SCMode mode(c.mode);
        EXPECT_EQ(MCMusicPage::FindSymbol(12), c.found) << c.mode;
    }
    MCMusicPage::AddSymbol(13, 1);
    EXPECT_EQ(MCMusicPage::GetSymbols(), std::vector<UINT>{13});
}

}  // namespace
