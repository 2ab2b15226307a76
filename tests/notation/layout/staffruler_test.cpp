#include "notation/layout/staffruler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Shown(const MCStaffRuler& ruler) {
    std::vector<int> shown;
    for (int i = 0; i < ruler.GetStaffCount(); ++i)
        shown.push_back(ruler.IsStaffShown(i));
    return shown;
}

std::vector<int> Levels(const MCStaffRuler& ruler) {
    std::vector<int> levels;
    for (int n = 0; n < MCStaffRuler::TEXT_LEVELS; ++n)
        levels.push_back(ruler.GetTextLevel(n));
    return levels;
}

}  // namespace

TEST(StaffRuler, ShownStaves) {
    MCStaffRuler ruler;
    EXPECT_EQ(ruler.GetDefaultHeight(), 2880);
    ruler.Init(4);
    const struct { const char* step; void (*apply)(MCStaffRuler&); std::vector<int> shown; int single, last; } steps[] = {
        {"init", [](MCStaffRuler&) {}, {1, 1, 1, 1}, 0, 3},
        {"second alone", [](MCStaffRuler& r) { r.SetDisplay(2); }, {0, 1, 0, 0}, 1, 1},
        {"a staff added", [](MCStaffRuler& r) { r.Update(5); }, {0, 1, 0, 0, 0}, 1, 1},
        {"all again", [](MCStaffRuler& r) { r.SetDisplay(0); }, {1, 1, 1, 1, 1}, 0, 4},
        {"another added", [](MCStaffRuler& r) { r.Update(6); }, {1, 1, 1, 1, 1, 1}, 0, 5},
        {"one removed", [](MCStaffRuler& r) { r.Update(5); }, {1, 1, 1, 1, 1}, 0, 4},
        {"none shown", [](MCStaffRuler& r) { for (int i = 0; i < 5; ++i) r.SetStaffShown(i, 0); }, {0, 0, 0, 0, 0}, 0, 0},
        {"first only", [](MCStaffRuler& r) { r.SetStaffShown(0, 1); }, {1, 0, 0, 0, 0}, 0, 0},
        {"first and third", [](MCStaffRuler& r) { r.SetStaffShown(2, 1); r.SetStaffShown(9, 1); }, {1, 0, 1, 0, 0}, 0, 2},
    };
    for (const auto& s : steps) {
        s.apply(ruler);
        EXPECT_EQ(Shown(ruler), s.shown) << s.step;
        EXPECT_EQ(ruler.IsSingleStaff(), s.single) << s.step;
        EXPECT_EQ(ruler.GetLastShownStaff(), s.last) << s.step;
        int count = 0;
        for (int shown : s.shown)
            count += shown;
        EXPECT_EQ(ruler.GetShownStaffCount(), count) << s.step;
    }
    EXPECT_FALSE(ruler.IsStaffShown(5));
    EXPECT_FALSE(ruler.IsStaffShown(-1));
}

TEST(StaffRuler, StaffRecordsPastTheEnd) {
    MCStaffRuler ruler;
    ruler.Init(2);
    for (int i : {-2, -1, 0, 1, 2}) {
        ruler.SetStaffY(i, -100 * (i + 2));
        ruler.SetSpaceAbove(i, 10 * (i + 2));
        ruler.SetSpaceBelow(i, -20 * (i + 2));
        ruler.SetLyricY(i, -30 * (i + 2));
    }
    // A mark outside a numbered staff asks for record -1 or -2: nothing.
    const struct { int i, staffY, above, below, lyric; } records[] = {
        {-2, 0, 0, 0, 0}, {-1, 0, 0, 0, 0}, {0, -200, 20, -40, -60}, {1, -300, 30, -60, -90}, {2, 0, 0, 0, 0},
    };
    for (const auto& r : records) {
        EXPECT_EQ(ruler.GetStaffY(r.i), r.staffY) << r.i;
        EXPECT_EQ(ruler.GetSpaceAbove(r.i), r.above) << r.i;
        EXPECT_EQ(ruler.GetSpaceBelow(r.i), r.below) << r.i;
        EXPECT_EQ(ruler.GetLyricY(r.i), r.lyric) << r.i;
    }
    // Sizing again keeps the records there are; new ones start at zero.
    ruler.Update(3);
    EXPECT_EQ(ruler.GetStaffY(1), -300);
    EXPECT_EQ(ruler.GetStaffY(2), 0);
    EXPECT_EQ(ruler.GetLyricCount(0), 0);
    EXPECT_EQ(ruler.GetLyricCount(3), 0);
    EXPECT_EQ(ruler.GetLyricCount(4), 0);
}

TEST(StaffRuler, Systems) {
    MCStaffRuler ruler;
    ruler.GetSystem(0).y = 0;
    EXPECT_EQ(ruler.GetSystemCapacity(), 5);
    EXPECT_EQ(ruler.GetSystemsUsed(), 1);
    ruler.GetSystem(1).y = -3000;
    ruler.GetSystem(2).y = -6000;
    EXPECT_EQ(ruler.GetSystemsUsed(), 3);
    EXPECT_EQ(ruler.GetSystem(1).y, -3000);   // asking again takes nothing new
    EXPECT_EQ(ruler.GetSystemsUsed(), 3);
    // The first system whose top is not above y.
    const struct { int y, system; } finds[] = {{100, 0}, {0, 0}, {-1, 1}, {-3000, 1}, {-3500, 2}, {-7000, 0}};
    for (const auto& f : finds)
        EXPECT_EQ(ruler.FindSystem(f.y), f.system) << f.y;
    for (int n = 3; n <= 5; ++n)
        ruler.GetSystem(n);
    EXPECT_EQ(ruler.GetSystemCapacity(), 10);
    EXPECT_EQ(ruler.GetSystemsUsed(), 6);
}

TEST(StaffRuler, TextLevels) {
    // Letter paper: the printable top at -1440, the paper's at -720.
    const std::vector<int> initial = {-1440, -1260, -1260, -1260, -2880, -2880, -2880, -2880};
    EXPECT_EQ(Levels(MCStaffRuler()), initial);
    const struct { int n, height; std::vector<int> levels; } cases[] = {
        {0, 500, {-1440, -1940, -1940, -1940, -2880, -2880, -2880, -2880}},
        {1, 300, {-1440, -1260, -1560, -1560, -2880, -2880, -2880, -2880}},
        {2, 0, initial},
        {3, 500, initial},
        {4, 200, {-1440, -1260, -1260, -1260, -2880, -3080, -3080, -2880}},
        {5, 200, {-1440, -1260, -1260, -1260, -2880, -2880, -3080, -2880}},
        {6, 200, {-1440, -1260, -1260, -1260, -2880, -2880, -2880, -3080}},
        {7, 500, initial},
        {200, 500, initial},
    };
    for (const auto& c : cases) {
        MCStaffRuler ruler;
        ruler.AdjustTextLevels(static_cast<MCStaffRuler::BYTE>(c.n), c.height);
        EXPECT_EQ(Levels(ruler), c.levels) << c.n;
    }
    EXPECT_EQ(MCStaffRuler().GetTextLevel(8), 0);
}
