// The grace note's display data: grace size, the slash and slur choices with
// their override marks, the copy, the archive tail and the registration.
#include "notation/display/gracenote.h"

#include "model/eventtypes.h"
#include "model/plugin.h"
#include "notation/display/records.h"
#include "platform/core/archive.h"
#include "tests/notation/display/display_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(GraceNoteDisplayTest, StartsGraceSizedWithSlashAndSlur) {
    DCctGraceNote grace;
    EXPECT_EQ(grace.IsGrace(), 1);
    EXPECT_EQ(grace.GetSlash(), 1);
    EXPECT_EQ(grace.IsSlashOverride(), 0);
    EXPECT_EQ(grace.GetSlur(), 1);
    EXPECT_EQ(grace.IsSlurOverride(), 0);
    EXPECT_EQ(grace.GetSlurByte(), 0x01);   // the unused bits at 0
}

// A choice made with override 1 survives later calls without it; a call with
// override 1 always wins. The same rule for the slash and the slur.
TEST(GraceNoteDisplayTest, TheUsersChoiceSurvivesAutomaticCalls) {
    const struct {
        const char* name;
        int firstValue, firstOverride, secondValue, secondOverride;
        int value, override;
    } cases[] = {
        {"automatic then automatic", 1, 0, 0, 0, 0, 0},
        {"user's on then automatic off", 1, 1, 0, 0, 1, 1},
        {"user's on then user's off", 1, 1, 0, 1, 0, 1},
        {"user's off then automatic on", 0, 1, 1, 0, 0, 1},
        {"override 2 is not the user's", 0, 1, 1, 2, 0, 1},
    };
    for (const auto& c : cases) {
        DCctGraceNote grace;
        grace.SetSlash(c.firstValue, c.firstOverride);
        grace.SetSlash(c.secondValue, c.secondOverride);
        EXPECT_EQ(grace.GetSlash(), c.value) << c.name;
        EXPECT_EQ(grace.IsSlashOverride(), c.override) << c.name;
        grace.SetSlur(c.firstValue, c.firstOverride);
        grace.SetSlur(c.secondValue, c.secondOverride);
        EXPECT_EQ(grace.GetSlur(), c.value) << c.name;
        EXPECT_EQ(grace.IsSlurOverride(), c.override) << c.name;
        EXPECT_EQ(grace.GetSlurByte() & ~0x03, 0) << c.name;
    }
}

TEST(GraceNoteDisplayTest, ACopyKeepsSlashSlurAndGraceSize) {
    DCctGraceNote source;
    source.SetSlash(0, 1);
    source.SetSlur(0, 1);
    source.SetValue(64, 0);
    DCctGraceNote copy(source);
    EXPECT_EQ(copy.IsGrace(), 1);
    EXPECT_EQ(copy.GetSlash(), 0);
    EXPECT_EQ(copy.IsSlashOverride(), 1);
    EXPECT_EQ(copy.GetSlur(), 0);
    EXPECT_EQ(copy.IsSlurOverride(), 1);
    EXPECT_EQ(copy.GetSlurByte(), source.GetSlurByte());
}

// The note's record, then one byte: the slur byte.
TEST(GraceNoteDisplayTest, TheArchiveAddsTheSlurByte) {
    DCctGraceNote grace;
    grace.SetValue(128, 0);
    grace.SetSlur(0, 1);
    grace.SetSlash(0, 1);
    DCctNote plain;
    plain.SetStateWord(grace.GetStateWord());
    plain.SetValue(128, 0);
    const Bytes noteBytes = StoreBytes(&plain);
    const Bytes bytes = StoreBytes(&grace);
    ASSERT_EQ(bytes.size(), noteBytes.size() + 1);
    EXPECT_EQ(bytes.back(), 0x02);   // not slurred, by the user

    DCctGraceNote loaded;
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    loaded.Serialize(ar);
    ar.Close();
    EXPECT_EQ(loaded.GetSlur(), 0);
    EXPECT_EQ(loaded.IsSlurOverride(), 1);
    EXPECT_EQ(loaded.GetSlash(), 0);
    EXPECT_EQ(loaded.IsSlashOverride(), 1);
    EXPECT_EQ(loaded.IsGrace(), 1);
    EXPECT_EQ(StoreBytes(&loaded), bytes);
}

TEST(GraceNoteDisplayTest, AGraceNoteEventGetsThisDisplay) {
    InitPlugins();
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_GRACENOTE), RUNTIME_CLASS(DCctGraceNote));
}

}  // namespace
