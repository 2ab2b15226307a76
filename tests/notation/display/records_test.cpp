// The display-data records and the plug-in's start-up entry.
#include "notation/display/records.h"

#include "model/eventtypes.h"
#include "model/plugin.h"
#include "notation/display/base.h"
#include "notation/display/staff.h"
#include "platform/core/library.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

std::string ClassNameFor(int type) {
    const CRuntimeClass* cls = CPluginData::GetDataClass(DK_NOTATION, type);
    return cls ? cls->m_lpszClassName : "";
}

TEST(DisplayRecordsTest, InOrderOfEventTypeAndAllForTheNotationView) {
    int previous = -1;
    for (const CPluginData& record : DisplayDataRecords()) {
        EXPECT_EQ(record.GetViewCode(), DK_NOTATION);
        EXPECT_GT(record.GetEventType(), previous);
        previous = record.GetEventType();
    }
}

TEST(DisplayRecordsTest, InitPluginsFillsTheTable) {
    EXPECT_EQ(InitPlugins(), 87);
    const struct {
        int type;
        const char* name;
    } cases[] = {
        {ET_ACCENT, "DCctAccent"},
        {ET_ACCIDENTAL, "DCctAccidental"},
        {ET_ARPEGGIO, "DCctArpeggio"},
        {ET_BRAC, "DCctBrac"},
        {ET_FRAME, "DCctFrame"},
        {ET_LYRIC, "DCctLyric"},
        {ET_TEXT, "DCctText"},
        {ET_BASE, "DCctBase"},
        {ET_BEAM, "DCctBeam"},
        {ET_CHORD, "DCctChord"},
        {ET_CHORDSYMBOL, "DCctChordSymbol"},
        {ET_DOT, "DCctDot"},
        {ET_DYNAMIC, "DCctDynamic"},
        {ET_FLOWCONTROL, "DCctFlowControl"},
        {ET_PEDAL, "DCctPedal"},
        {ET_TRANSPOSE, "DCctTranspose"},
        {ET_SLUR, "DCctSlur"},
        {ET_STAFF, "DCctStaff"},
        {ET_TEMPO, "DCctTempo"},
        {ET_TIE, "DCctTie"},
        {ET_TUPLET, "DCctTuplet"},
        {ET_MORDENT, "DCctMordent"},
        {ET_ORNAMENT, "DCctOrnament"},
        {ET_TRILL, "DCctTrill"},
        {ET_TURN, "DCctTurn"},
        {17, ""},   // a MIDI-only event has no display
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassNameFor(c.type), c.name) << c.type;
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_STAFF), RUNTIME_CLASS(DCctStaff));
}

// The built module, as the program loads it: its own records (its own class
// records, alike by name) fill the table. The test's table is put back and the
// module freed afterwards, so no later test makes the module's objects.
TEST(DisplayRecordsTest, TheBuiltModuleRegistersItsDisplays) {
    std::array<const CRuntimeClass*, ET_COUNT> before{};
    for (int type = 0; type < ET_COUNT; ++type)
        before[type] = CPluginData::GetDataClass(DK_NOTATION, type);
    for (int type = 0; type < ET_COUNT; ++type)
        CPluginData::GetDataClass(DK_NOTATION, type) = nullptr;

    const std::string path = CPlugin::GetPluginFolder(STAFFWRIGHT_PROGRAM_FOLDER) + "/Cantrel.so";
    ASSERT_EQ(CPlugin::InitPlugin(path), 1) << path;
    EXPECT_EQ(ClassNameFor(ET_MEASURE), "DCctMeasure");
    EXPECT_EQ(ClassNameFor(17), "");
    // Every row of the table, each by its own class's name.
    for (const CPluginData& record : DisplayDataRecords())
        EXPECT_EQ(ClassNameFor(record.GetEventType()), record.GetDataClass()->m_lpszClassName)
            << record.GetEventType();
    EXPECT_NE(CPluginData::GetDataClass(DK_NOTATION, ET_STAFF), RUNTIME_CLASS(DCctStaff));   // the module's
    using StartupFunction = int (*)();
    auto startup = reinterpret_cast<StartupFunction>(GetProcAddress(GetModuleHandle(path), "InitPlugins"));
    ASSERT_NE(startup, nullptr);
    EXPECT_EQ(startup(), 87);

    for (int type = 0; type < ET_COUNT; ++type)
        CPluginData::GetDataClass(DK_NOTATION, type) = before[type];
    CPlugin::FreePlugin(path);
}

}  // namespace
