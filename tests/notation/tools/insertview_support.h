// The insert tools' tests: the tool-view fixture with a palette prototype
// made by the test, and the points and bands the insert tools are looked
// at by: a pitch's height in a measure, a measure's column on the page.
// UI thread (the test's).
#pragma once

#include "notation/display/measure.h"
#include "tests/notation/tools/toolview_support.h"

#include <functional>

namespace tool_test {

class InsertView : public ToolView {
protected:
    using ToolView::ToolView;

    void TearDown() override {
        SCMode::SetEventFunc(nullptr, nullptr);
        ToolView::TearDown();
    }

    // The palette answers a new element from `make` for every request.
    void UsePrototype(std::function<ECBase*()> make) {
        m_make = std::move(make);
        SCMode::SetEventFunc(&InsertView::MakePrototype, this);
    }

    // The staff measure's band in device pixels, normalised.
    CRect ColumnBand(int number) {
        const CRect frame = FrameOf(Measure(number));
        CRect band(ToDevice(frame.TopLeft()), ToDevice(frame.BottomRight()));
        band.NormalizeRect();
        return band;
    }
    // A point at a tick of the measure where the measure reads `pitch`
    // (the middle of that step), device pixels; the staff's middle when no
    // height reads it.
    CPoint PitchPoint(int number, int tick, int pitch) {
        const int x = BeatTop(number, tick).x;
        auto* display = dynamic_cast<DCctMeasure*>(Measure(number)->GetData(DK_NOTATION, 0));
        const CRect frame = FrameOf(Measure(number));
        long sum = 0, count = 0;
        const int reach = frame.Height();   // ledger lines above and below
        for (int y = frame.top - reach; y <= frame.bottom + reach; ++y) {
            UINT voice = CCantrel::VOICE_ALL;
            if (display && display->GetMidiPitchForYPosition(CPoint(x, y), voice) == pitch) {
                sum += y;
                ++count;
            }
        }
        const int y = count ? static_cast<int>(sum / count) : frame.CenterPoint().y;
        return ToDevice(CPoint(x, y));
    }
    // The element's display position, view units.
    static CPoint PositionOf(ECBase* element) {
        auto* display = dynamic_cast<DCctBase*>(element->GetData(DK_NOTATION, 0));
        return display ? display->GetPosition() : CPoint(0, 0);
    }

private:
    static ECBase* MakePrototype(void* data) {
        auto* self = static_cast<InsertView*>(data);
        return self->m_make ? self->m_make() : nullptr;
    }

    std::function<ECBase*()> m_make;
};

}  // namespace tool_test
