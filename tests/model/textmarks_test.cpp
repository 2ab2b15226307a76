// Texts, lyrics and flow-control marks: defaults and point sizes, parents by
// text type (a file's out-of-range type included), names, archive bytes and
// copies.
#include "model/textmarks.h"

#include "tests/model/marking_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using eventio::Held;
using eventio::Load;
using eventio::NewClassTag;
using eventio::Save;
using marktest::Place;
using marktest::TimedPart;
using marktest::operator+;

TEST(ECText, DefaultPointSizesByType) {
    const unsigned short sizes[ECText::TEXT_TYPE_COUNT] = {10, 9, 10, 10, 10, 10, 10, 12, 24, 14, 10, 10, 10, 12, 12, 12};
    for (int type = 0; type < ECText::TEXT_TYPE_COUNT; ++type) {
        const auto t = static_cast<unsigned char>(type);
        EXPECT_EQ(ECText::GetDefaultPointSize(t), sizes[type]) << type;
        const ECText text(t, "x");
        EXPECT_EQ(text.GetPointSize(), sizes[type]) << type;
        EXPECT_EQ(text.GetStyle(), static_cast<uint32_t>(sizes[type]) << 8) << type;
    }
    // Outside the table: the common size, and nothing is stored.
    for (unsigned char type : {16, 17, 200, 255}) {
        EXPECT_EQ(ECText::GetDefaultPointSize(type), ECText::COMMON_POINT_SIZE) << int(type);
        ECText::SetDefaultPointSize(type, 40);
        EXPECT_EQ(ECText::GetDefaultPointSize(type), ECText::COMMON_POINT_SIZE) << int(type);
        EXPECT_EQ(ECText(type, "x").GetPointSize(), ECText::COMMON_POINT_SIZE) << int(type);
    }
    // The table is the process's: a new text of the type takes the new size.
    ECText::SetDefaultPointSize(8, 30);
    EXPECT_EQ(ECText(8, "Title").GetPointSize(), 30);
    ECText::SetDefaultPointSize(8, 24);
}

TEST(ECText, CreatedByNumberAndStyled) {
    Held hold;
    auto* text = hold(DYNAMIC_DOWNCAST(ECText, ECBase::CreateEvent(ET_TEXT)));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetClassType(), ET_TEXT);
    EXPECT_EQ(text->GetTextType(), 0);
    EXPECT_EQ(text->GetText(), "");
    EXPECT_EQ(text->GetStyle(), 0x0A00u);

    text->SetBold(1);
    text->SetUnderline(1);
    EXPECT_EQ(text->GetStyle(), 0x0A05u);
    text->SetBold(0);
    text->SetItalic(1);
    text->SetPointSize(0x1234);   // the low 8 bits of the size
    EXPECT_EQ(text->GetStyle(), 0x3406u);
    EXPECT_TRUE(text->IsItalic() && text->IsUnderline() && !text->IsBold());
    EXPECT_EQ(text->GetPointSize(), 0x34);
}

TEST(ECText, ParentsFollowTheTextType) {
    const struct {
        unsigned char type;
        int parent;   // -1: none
    } cases[] = {
        {0, ET_STAFF},           {1, ET_CONDUCTORSTAFF},  {2, -1},
        {3, ET_STAFF},           {4, ET_STAFF},           {5, ET_CONDUCTORSTAFF},
        {9, ET_CONDUCTORSTAFF},  {15, ET_CONDUCTORSTAFF}, {16, -1},
        {200, -1},
    };
    for (const auto& c : cases) {
        const ECText text(c.type, "x");
        std::vector<int> parents;
        EXPECT_EQ(text.GetParentTypes(parents), c.parent < 0 ? 0 : 1) << int(c.type);
        EXPECT_EQ(parents, c.parent < 0 ? std::vector<int>{} : std::vector<int>{c.parent}) << int(c.type);
    }
    // A lyric hangs under its measure (or, in older documents, its note),
    // whatever its text type.
    ECLyric lyric("la");
    lyric.SetTextType(1);
    std::vector<int> parents;
    EXPECT_EQ(lyric.GetParentTypes(parents), 1);
    EXPECT_EQ(parents, (std::vector<int>{ET_NOTE, ET_MEASURE}));
}

TEST(ECText, ArchiveBytesRoundTripAndCuts) {
    Held hold;
    auto* text = hold(new ECText(7, "Allegro"));
    text->SetBold(1);
    text->SetItalic(1);
    Place(text, 1.0f, 0, 2);
    const std::vector<uint8_t> bytes = Save(text);
    EXPECT_EQ(bytes, NewClassTag("ECText") + TimedPart(1.0f, 0x0020) + (std::vector<uint8_t>{0x07, 0x07, 'A', 'l', 'l', 'e', 'g', 'r', 'o', 0x03, 0x0C, 0x00, 0x00}));
    auto* loaded = hold(DYNAMIC_DOWNCAST(ECText, Load(bytes)));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetTextType(), 7);
    EXPECT_EQ(loaded->GetText(), "Allegro");
    EXPECT_EQ(loaded->GetStyle(), 0x0C03u);
    EXPECT_EQ(Save(loaded), bytes);
    eventio::ExpectEveryCutThrows(bytes, "ECText");

    auto* lyric = hold(DYNAMIC_DOWNCAST(ECLyric, ECBase::CreateEvent(ET_LYRIC)));
    ASSERT_NE(lyric, nullptr);
    lyric->SetText("glo-");
    lyric->SetUnderline(1);
    Place(lyric, 3.0f, 1, 1);
    const std::vector<uint8_t> lyricBytes = Save(lyric);
    EXPECT_EQ(lyricBytes, NewClassTag("ECLyric") + TimedPart(3.0f, 0x0011) + (std::vector<uint8_t>{0x00, 0x04, 'g', 'l', 'o', '-', 0x04, 0x0A, 0x00, 0x00}));
    auto* loadedLyric = hold(Load(lyricBytes));
    EXPECT_EQ(loadedLyric->GetClassType(), ET_LYRIC);
    EXPECT_EQ(Save(loadedLyric), lyricBytes);
    eventio::ExpectEveryCutThrows(lyricBytes, "ECLyric");
}

TEST(ECText, ATypeOutsideTheTableFromAFileIsKeptAndNeverIndexes) {
    Held hold;
    const std::vector<uint8_t> bytes = NewClassTag("ECText") + TimedPart(0.0f, 0x7FFF) +
                                       std::vector<uint8_t>{0xC8, 0x01, 'x', 0xFF, 0xFF, 0xFF, 0xFF};
    auto* text = hold(DYNAMIC_DOWNCAST(ECText, Load(bytes)));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetTextType(), 200);
    EXPECT_EQ(text->GetPointSize(), 0xFF);
    EXPECT_EQ(ECText::GetDefaultPointSize(text->GetTextType()), ECText::COMMON_POINT_SIZE);
    std::vector<int> parents;
    EXPECT_EQ(text->GetParentTypes(parents), 0);
    EXPECT_TRUE(parents.empty());
    EXPECT_EQ(Save(text), bytes);
}

TEST(ECText, CopiesEverything) {
    ECText text(3, "espr.");
    text.SetUnderline(1);
    Place(&text, 2.0f, 3, 4);
    ECText copy(text);
    EXPECT_EQ(copy.GetTextType(), 3);
    EXPECT_EQ(copy.GetText(), "espr.");
    EXPECT_EQ(copy.GetStyle(), text.GetStyle());
    EXPECT_EQ(*copy.GetTime(), MCTime(2.0f));
}

// ---- flow control -------------------------------------------------------------------------

TEST(ECFlowControl, NamesOfTheTypes) {
    const char* const names[] = {
        "", "", "", "", "", "Fine", "D.C.", "D.C. al Fine", "D.C. al Segno", "D.C. al Segno e poi la Coda",
        "D.S.", "D.S. al Fine", "D.S. al Coda", "", "", "", "", "",
    };
    for (int type = 0; type < static_cast<int>(std::size(names)); ++type) {
        ECFlowControl mark(static_cast<unsigned char>(type));
        EXPECT_EQ(mark.GetText(), names[type]) << type;
    }
    // Type 16 shows its own text; SetText makes any mark type 16.
    ECFlowControl mark(6);
    mark.SetText("To Coda");
    EXPECT_EQ(mark.GetFlowControlType(), 16);
    EXPECT_EQ(mark.GetText(), "To Coda");
}

TEST(ECFlowControl, DefaultsAndCopy) {
    Held hold;
    auto* mark = hold(DYNAMIC_DOWNCAST(ECFlowControl, ECBase::CreateEvent(ET_FLOWCONTROL)));
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->GetFlowControlType(), 0);
    EXPECT_EQ(mark->GetEndingNumber(), 1);
    EXPECT_EQ(mark->GetSequenceNumber(), 0);
    std::vector<int> parents;
    mark->GetParentTypes(parents);
    EXPECT_EQ(parents, std::vector<int>{ET_CONDUCTORSTAFF});

    // The fields travel; the time and word stay the new event's own.
    mark->SetText("Coda");
    mark->SetEndingNumber(3);
    mark->SetSequenceNumber(9);
    Place(mark, 16.0f, 14, 0);
    ECFlowControl copy(*mark);
    EXPECT_EQ(copy.GetText(), "Coda");
    EXPECT_EQ(copy.GetEndingNumber(), 3);
    EXPECT_EQ(copy.GetSequenceNumber(), 9);
    EXPECT_EQ(*copy.GetTime(), MCTime::TimeNull());
    EXPECT_EQ(copy.GetVoiceTrack()->GetValue(), 0x7FFF);
}

TEST(ECFlowControl, ArchiveKeepsTheNumberOfItsType) {
    const struct {
        const char* what;
        unsigned char type;
        int ending;
        int sequence;
        std::vector<uint8_t> own;
    } cases[] = {
        {"ending", 2, 300, 9, {0x02, 0x2C, 0x01, 0x00, 0x00}},
        {"sequence number", 14, 300, 0x01020304, {0x0E, 0x04, 0x03, 0x02, 0x01}},
        {"fine", 5, 300, 9, {0x05}},
        {"own text", 16, 300, 9, {0x10}},
    };
    for (const auto& c : cases) {
        Held hold;
        auto* mark = hold(new ECFlowControl(c.type));
        mark->SetEndingNumber(c.ending);
        mark->SetSequenceNumber(c.sequence);
        Place(mark, 8.0f, 14, 0);
        const std::vector<uint8_t> bytes = Save(mark);
        EXPECT_EQ(bytes, NewClassTag("ECFlowControl") + TimedPart(8.0f, 0x000E) + c.own) << c.what;
        auto* loaded = hold(DYNAMIC_DOWNCAST(ECFlowControl, Load(bytes)));
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->GetFlowControlType(), c.type) << c.what;
        EXPECT_EQ(Save(loaded), bytes) << c.what;
        eventio::ExpectEveryCutThrows(bytes, c.what);
    }
}

TEST(ECFlowControl, OwnTextIsNotStored) {
    Held hold;
    auto* mark = hold(new ECFlowControl);
    mark->SetText("al Coda");
    auto* loaded = hold(DYNAMIC_DOWNCAST(ECFlowControl, Load(Save(mark))));
    EXPECT_EQ(loaded->GetFlowControlType(), 16);
    EXPECT_EQ(loaded->GetText(), "");
}

TEST(ECFlowControl, Version0FilesHoldTheEndingInOneByte) {
    Held hold;
    // Version 0: the time is a bare float; the ending number one byte.
    const std::vector<uint8_t> bytes = NewClassTag("ECFlowControl") + std::vector<uint8_t>{0x04} +
                                       marktest::FloatBytes(8.0f) + std::vector<uint8_t>{0x0E, 0x00, 0x02, 0x07};
    auto* mark = hold(DYNAMIC_DOWNCAST(ECFlowControl, Load(bytes, 0)));
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->GetFlowControlType(), 2);
    EXPECT_EQ(mark->GetEndingNumber(), 7);
    EXPECT_EQ(*mark->GetTime(), MCTime(8.0f));
    // Saved again, in the current form: four bytes.
    EXPECT_EQ(Save(mark), NewClassTag("ECFlowControl") + TimedPart(8.0f, 0x000E) + (std::vector<uint8_t>{0x02, 0x07, 0x00, 0x00, 0x00}));
}

}  // namespace
