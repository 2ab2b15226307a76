// The piano keyboard: its range, the one geometry of keys shared by drawing
// and hit-testing, the drawn keys and dots, and the notes a mouse plays on the
// capture backend's outputs.
#include "interface/controls/piano.h"

#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "tests/interface/controls/control_support.h"
#include "tests/sequencer/engine_support.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr UINT kId = 1601;

class Piano : public ::testing::Test {
protected:
    // 52 white keys of 10 pixels in 530: 5 pixels either side when centred.
    Piano() {
        EXPECT_TRUE(piano.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 530, 60), &parent, kId));
        Draw();
    }
    // A drawing of the keyboard (which also sets the centring offset).
    QImage Draw() { return piano.GetWidget()->grab().toImage(); }
    // The bytes sent at once since the last look, on `device`.
    std::vector<std::vector<std::uint8_t>> Sent(int device) {
        std::vector<std::vector<std::uint8_t>> sent;
        for (const auto& record : capture->GetMidi())
            if (record.origin == PV_ORIGIN_IMMEDIATE && record.device == device)
                sent.push_back(record.bytes);
        capture->Clear();
        return sent;
    }
    QPoint Centre(int note) const {
        const CRect key = piano.GetKeyRect(note);
        return {(key.left + key.right) / 2, key.bottom - 4};
    }

    CManualClock clock{1000};
    CCaptureBackend* capture = nullptr;
    std::unique_ptr<CPortavel> portavel = engine_support::OpenCapture(capture, false);
    control_test::CCommandParent parent;
    MCPianoCtrlMedia piano;
};

TEST_F(Piano, SetRangeOrdersTheEndsAndWidensToThirteenNotes) {
    const struct {
        int low, high, expectLow, expectHigh;
    } cases[] = {
        {60, 50, 50, 62}, {21, 108, 21, 108}, {60, 60, 60, 72}, {127, 120, 115, 127}, {-5, 200, 0, 127},
    };
    for (const auto& c : cases) {
        piano.SetRange(c.low, c.high);
        EXPECT_EQ(piano.GetLowNote(), c.expectLow) << c.low << ", " << c.high;
        EXPECT_EQ(piano.GetHighNote(), c.expectHigh) << c.low << ", " << c.high;
        EXPECT_EQ(piano.GetKeyCount(), c.expectHigh - c.expectLow + 1);
    }
}

TEST_F(Piano, KeysAreFoundWhereTheyAreDrawn) {
    // 21-108: 52 white keys of 10 pixels from x = 5.
    EXPECT_EQ(piano.GetKeyRect(21), CRect(5, 0, 15, 60));
    EXPECT_EQ(piano.GetKeyRect(108), CRect(515, 0, 525, 60));
    EXPECT_EQ(piano.FindKey(CPoint(6, 55)), 21);
    EXPECT_EQ(piano.FindKey(CPoint(524, 55)), 108);
    EXPECT_EQ(piano.FindKey(CPoint(526, 55)), -1);   // beyond the last white key
    EXPECT_EQ(piano.FindKey(CPoint(2, 55)), -1);     // in the centring margin
    // A black key lies over the line between its neighbours, b = 5 wide,
    // (60 - 1 - 0) / 1.75 = 33 long; below it the white keys answer.
    const CRect cSharp = piano.GetKeyRect(61);
    EXPECT_EQ(cSharp, CRect(piano.GetKeyRect(62).left - 2, 0, piano.GetKeyRect(62).left + 3, 33));
    EXPECT_EQ(piano.FindKey(CPoint(cSharp.left + 1, 10)), 61);
    EXPECT_EQ(piano.FindKey(CPoint(cSharp.left + 1, 40)), 60);

    const QImage drawn = Draw();
    EXPECT_EQ(drawn.pixelColor(cSharp.left + 2, 10), QColor(Qt::black));
    EXPECT_EQ(drawn.pixelColor(cSharp.left + 2, 45), QColor(Qt::white));
    EXPECT_EQ(drawn.pixelColor(piano.GetKeyRect(60).left + 4, 10), QColor(Qt::white));
    EXPECT_EQ(drawn.pixelColor(piano.GetKeyRect(60).right - 1, 45), QColor(Qt::black));   // the edge line
}

TEST_F(Piano, TheTopBlackKeyIsHalfAsWide) {
    piano.SetRange(60, 73);   // ends on C sharp: 8 white keys of 66 pixels, black ones 36 wide
    Draw();
    EXPECT_EQ(piano.GetKeyRect(61).Width(), 36);
    EXPECT_EQ(piano.GetKeyRect(73), CRect(piano.GetKeyRect(72).right - 18, 0, piano.GetKeyRect(72).right, 33));
    EXPECT_EQ(piano.FindKey(CPoint(piano.GetKeyRect(72).right - 1, 10)), 73);
    EXPECT_EQ(piano.FindKey(CPoint(piano.GetKeyRect(72).right + 1, 10)), -1);
}

TEST_F(Piano, LabelsStandUnderEveryCMiddleCInItsColour) {
    piano.SetRange(48, 72);
    piano.SetLabels(MCPianoCtrl::LABEL_OCTAVES);
    const QImage drawn = Draw();
    // Text ink in the strip under C4 (middle C, purple) and under C3 (navy):
    // the most strongly inked pixel of each strip tells its colour.
    const auto ink = [&](int note) {
        const CRect key = piano.GetKeyRect(note);
        QColor darkest(Qt::white);
        for (int y = key.bottom; y < 60; ++y)
            for (int x = key.left; x < key.right; ++x)
                if (drawn.pixelColor(x, y).lightness() < darkest.lightness())
                    darkest = drawn.pixelColor(x, y);
        return darkest;
    };
    EXPECT_EQ(piano.GetKeyRect(60).bottom, 48);
    const QColor middle = ink(60);
    const QColor other = ink(48);
    EXPECT_GT(middle.red(), middle.green() + 60) << middle.name().toStdString();    // purple
    EXPECT_GT(middle.blue(), middle.green() + 40) << middle.name().toStdString();
    EXPECT_LT(other.red(), 90) << other.name().toStdString();                      // navy
    EXPECT_GT(other.blue(), other.red() + 40) << other.name().toStdString();
    EXPECT_GT(ink(50).lightness(), 200);   // no label under D
}

TEST_F(Piano, DraggingOverThreeKeysPlaysEachInTurnOnTheSetDevice) {
    piano.SetDevice(1);
    piano.SetChannel(1);
    control_test::Press(piano, Centre(60));
    control_test::Drag(piano, Centre(60) + QPoint(1, 0));   // the same key: nothing
    control_test::Drag(piano, Centre(62));
    control_test::Drag(piano, Centre(64));
    control_test::Release(piano, Centre(64));
    const std::vector<std::vector<std::uint8_t>> expected = {
        {0x90, 0x3C, 0x64}, {0x80, 0x3C, 0x00}, {0x90, 0x3E, 0x64},
        {0x80, 0x3E, 0x00}, {0x90, 0x40, 0x64}, {0x80, 0x40, 0x00},
    };
    EXPECT_EQ(Sent(1), expected);
    EXPECT_EQ(piano.GetCurrentKey(), -1);

    // Channel 16, other velocities; a release off the keys stops the last one.
    piano.SetChannel(16);
    piano.SetNoteOnVolume(0x1FF);
    piano.SetNoteOffVolume(64);
    control_test::Press(piano, Centre(61));
    control_test::Drag(piano, QPoint(528, 30));
    control_test::Release(piano, QPoint(528, 30));
    EXPECT_EQ(Sent(1), (std::vector<std::vector<std::uint8_t>>{{0x9F, 0x3D, 0x7F}, {0x8F, 0x3D, 0x40}}));
}

TEST_F(Piano, ModeOneKeepsTheLastKeyMarkedAndSendsNoSecondNoteOff) {
    piano.SetMode(MCPianoCtrl::MODE_KEEP_LAST);
    Draw();
    const QPoint at = Centre(64);
    control_test::Press(piano, at);
    control_test::Release(piano, at);
    EXPECT_EQ(piano.GetCurrentKey(), 64);
    const QImage marked = piano.GetWidget()->grab().toImage();
    // The red dot above the key's bottom line.
    const CRect key = piano.GetKeyRect(64);
    EXPECT_EQ(marked.pixelColor((key.left + key.right) / 2, key.bottom - 1 - (5 / 2 + 2)), QColor(Qt::red));

    control_test::Press(piano, Centre(67));
    control_test::Release(piano, Centre(67));
    EXPECT_EQ(Sent(0), (std::vector<std::vector<std::uint8_t>>{
                           {0x90, 0x40, 0x64}, {0x80, 0x40, 0x00}, {0x90, 0x43, 0x64}, {0x80, 0x43, 0x00}}));
    // A click off the keys changes nothing.
    control_test::Press(piano, QPoint(528, 30));
    control_test::Release(piano, QPoint(528, 30));
    EXPECT_EQ(piano.GetCurrentKey(), 67);
    EXPECT_EQ(Sent(0), (std::vector<std::vector<std::uint8_t>>{{0x80, 0x43, 0x00}}));
}

TEST_F(Piano, WithoutSoundNothingIsSent) {
    piano.EnableSoundNote(0);
    control_test::Press(piano, Centre(60));
    control_test::Release(piano, Centre(60));
    EXPECT_TRUE(Sent(0).empty());
}

}  // namespace
