// The drawing order of the visible elements: a single selected frame is
// drawn last, over what it overlaps.
#include "notation/view/cantrel.h"

#include "model/frame.h"
#include "model/lists.h"
#include "model/notes.h"
#include "notation/display/base.h"
#include "notation/view/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Listed {
    const char* name;
    ECBase* event;
};

std::string Order(MCEventList& events, const std::vector<Listed>& names) {
    std::string order;
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        ECBase* event = events.GetNext(pos);
        for (const Listed& listed : names)
            if (listed.event == event)
                order += listed.name;
    }
    return order;
}

void Select(ECBase* event) {
    auto* display = dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    display->SetSelected(1);
}

TEST(ViewDrawOrder, TheFirstSelectedLeadingFrameIsDrawnLast) {
    InitPlugins();
    struct Case {
        const char* what;
        const char* selected;   // names of the selected elements
        const char* expected;
    };
    const Case cases[] = {
        {"a selected frame among the leading frames goes last", "B", "ACnB"},
        {"only the first selected frame moves", "AB", "BCnA"},
        {"nothing selected: as found", "", "ABCn"},
        {"a frame after the first note is not a leading frame", "n", "ABCn"},
    };
    for (const Case& c : cases) {
        auto* a = new ECFrame(0);
        auto* b = new ECFrame(0);
        auto* cFrame = new ECFrame(0);
        auto* note = new ECNote();
        const std::vector<Listed> names = {{"A", a}, {"B", b}, {"C", cFrame}, {"n", note}};
        for (const Listed& listed : names)
            if (std::string(c.selected).find(listed.name) != std::string::npos)
                Select(listed.event);
        {
            MCEventList events(10);   // holds the only references: they go with it
            for (const Listed& listed : names)
                events.AddEvent(listed.event, UNSORTED);
            CCantrel::MoveSelectedFrameLast(events);
            EXPECT_EQ(Order(events, names), c.expected) << c.what;
            EXPECT_EQ(events.GetCount(), 4) << c.what;
        }
    }
}

}  // namespace
