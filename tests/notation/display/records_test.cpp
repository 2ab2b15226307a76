// The display-data records and the plug-in's start-up entry.
#include "notation/display/records.h"

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
        {ET_FLOWCONTROL, "DCctFlowControl"},
        {ET_SLUR, "DCctSlur"},
        {ET_STAFF, "DCctStaff"},
        {ET_TEMPO, "DCctTempo"},
        {ET_TIE, "DCctTie"},
        {ET_TUPLET, "DCctTuplet"},
        {ET_NOTE, "DCctNote"},
        {17, ""},   // a MIDI-only event has no display
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassNameFor(c.type), c.name) << c.type;
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
