// The display-data records and the plug-in's start-up entry.
#include "notation/display/records.h"

#include "model/eventtypes.h"
#include "model/plugin.h"
#include "notation/display/base.h"
#include "notation/display/staff.h"

#include <gtest/gtest.h>

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
        {ET_BASE, "DCctBase"},
        {ET_STAFF, "DCctStaff"},
        {17, ""},   // a MIDI-only event has no display
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassNameFor(c.type), c.name) << c.type;
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_STAFF), RUNTIME_CLASS(DCctStaff));
}

}  // namespace
