// The display-data records and the plug-in's start-up entry.
#include "notation/display/records.h"
#include "notation/view/startup.h"

#include "interface/document/pluginrecords.h"
#include "model/eventtypes.h"
#include "model/notes.h"
#include "model/plugin.h"
#include "notation/display/base.h"
#include "notation/display/staff.h"
#include "notation/view/cantrel.h"
#include "notation/view/scorewnd.h"
#include "platform/core/resources.h"
#include "platform/core/library.h"

#include <gtest/gtest.h>

#include <array>
#include <iterator>
#include <span>
#include <string>
#include <vector>

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

// The forty rows in declaration order, every one for the notation view
// (kind 2) and entered by InitPlugins; the event types between them have no
// display class.
TEST(DisplayRecordsTest, InitPluginsFillsTheTable) {
    const struct {
        int type;
        const char* name;
    } rows[] = {
        {0, "DCctAccent"},           {1, "DCctAccidental"},        {2, "DCctArpeggio"},
        {5, "DCctBarline"},          {6, "DCctBase"},              {7, "DCctBeam"},
        {8, "DCctBrac"},             {11, "DCctChord"},            {12, "DCctChordSymbol"},
        {13, "DCctClef"},            {14, "DCctConductor"},        {15, "DCctConductorMeasure"},
        {16, "DCctConductorStaff"},  {18, "DCctDot"},              {19, "DCctDynamic"},
        {20, "DCctFlowControl"},     {21, "DCctFrame"},            {23, "DCctKey"},
        {24, "DCctLyric"},           {25, "DCctMeasure"},          {26, "DCctMeter"},
        {27, "DCctMirror"},          {28, "DCctMordent"},          {29, "DCctNote"},
        {30, "DCctOrnament"},        {31, "DCctPedal"},            {32, "DCctPerformance"},
        {36, "DCctRepeat"},          {37, "DCctRest"},             {38, "DCctSlur"},
        {39, "DCctStaff"},           {41, "DCctTempo"},            {42, "DCctText"},
        {43, "DCctTie"},             {44, "DCctTranspose"},        {45, "DCctTremolo"},
        {46, "DCctTrill"},           {47, "DCctTuplet"},           {48, "DCctTurn"},
        {56, "DCctGraceNote"},
    };
    const int withoutClass[] = {3, 4, 9, 10, 17, 22, 33, 34, 35, 40, 49, 50, 51, 52, 53, 54, 55};

    const std::span<const CPluginData> records = DisplayDataRecords();
    ASSERT_EQ(records.size(), std::size(rows));
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].GetViewCode(), 2) << i;
        EXPECT_EQ(records[i].GetEventType(), rows[i].type) << i;
        EXPECT_STREQ(records[i].GetDataClass()->m_lpszClassName, rows[i].name) << i;
    }

    EXPECT_EQ(InitPlugins(), 87);
    for (const auto& row : rows)
        EXPECT_EQ(ClassNameFor(row.type), row.name) << row.type;
    for (int type : withoutClass)
        EXPECT_EQ(ClassNameFor(type), "") << type << ": no display class";
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_STAFF), RUNTIME_CLASS(DCctStaff));
    ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
}

// The view's record comes first and is listed once, however often the
// plug-in starts; the start also installs the view's duration pair.
TEST(DisplayRecordsTest, InitPluginsListsTheNotationViewOnceAndGatesDurations) {
    InitPlugins();
    EXPECT_EQ(InitPlugins(), 87);
    int listed = 0;
    MCPtrList& views = CPluginView::GetPlugins();
    for (POSITION pos = views.GetHeadPosition(); pos != nullptr;)
        listed += static_cast<CPluginView*>(views.GetNext(pos))->GetViewClass() == RUNTIME_CLASS(CCantrel);
    EXPECT_EQ(listed, 1);

    const CPluginView* view = CPluginView::FindPlugin(12274u);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view, &ViewRecord());
    EXPECT_EQ(view->GetViewClass(), RUNTIME_CLASS(CCantrel));
    EXPECT_EQ(view->GetFrameClass(), RUNTIME_CLASS(CScoreWnd));
    EXPECT_EQ(view->GetViewIndex(), 2u);
    EXPECT_EQ(view->GetOrder(), 10);
    std::string title;
    EXPECT_TRUE(view->LoadTitleString(title));
    EXPECT_EQ(title, "Music Score");

    const int ppq = MCTime::GlobalPPQ;
    MCTime half;
    half.SetTicks(2 * ppq, ppq);
    EXPECT_EQ(ECNote::ScaleDuration(&half, 0), CCantrel::DurFunc(&half, nullptr));
    EXPECT_LT(ECNote::ScaleDuration(&half, 0).GetTicks(ppq), 2 * ppq);
    ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
}

// The mark displays are serial with the versionable schema 2.
TEST(DisplayRecordsTest, MarkDisplaysAreVersionableSchemaTwo) {
    for (int type : {ET_MORDENT, ET_TURN, ET_TRILL, ET_ORNAMENT, ET_DYNAMIC, ET_TEMPO, ET_FLOWCONTROL, ET_PEDAL,
                     ET_TRANSPOSE, ET_CHORDSYMBOL}) {
        const CRuntimeClass* cls = nullptr;
        for (const CPluginData& record : DisplayDataRecords())
            if (record.GetEventType() == type)
                cls = record.GetDataClass();
        ASSERT_NE(cls, nullptr) << type;
        EXPECT_EQ(cls->m_wSchema, VERSIONABLE_SCHEMA | 2u) << cls->m_lpszClassName;
    }
}

// The built module, as the program loads it: its own records (its own class
// records, alike by name) fill the table. The test's table is put back and the
// module freed afterwards, so no later test makes the module's objects.
TEST(DisplayRecordsTest, TheBuiltModuleRegistersItsDisplays) {
    std::array<const CRuntimeClass*, ET_COUNT> before{};
    for (int type = 0; type < ET_COUNT; ++type)
        before[type] = CPluginData::GetDataClass(DK_NOTATION, type);
    // The module lists its own view record too; it goes with the module.
    std::vector<void*> viewsBefore;
    MCPtrList& views = CPluginView::GetPlugins();
    for (POSITION pos = views.GetHeadPosition(); pos != nullptr;)
        viewsBefore.push_back(views.GetNext(pos));
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
    views.RemoveAll();
    for (void* record : viewsBefore)
        views.AddTail(record);
    ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
    CPlugin::FreePlugin(path);
}

}  // namespace
