// The tests of the tools that place clefs, keys, meters and other marks:
// the insert-tool fixture with the commands of every batch logged, the marks
// under a measure, and points on a staff (or on a grand staff's lower staff)
// near a division. UI thread (the test's).
#pragma once

#include "model/command.h"
#include "model/markings.h"
#include "model/staff.h"
#include "tests/notation/tools/insertview_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace tool_test {

// The commands of every batch, in order, and whether each was carried out
// at once.
struct CommandLog {
    std::vector<int> ids;
    std::vector<int> synchronous;
    static int OnCommand(ECBase*, int phase, void* data, void* user) {
        if (phase != 0)
            return 1;
        auto* self = static_cast<CommandLog*>(user);
        auto* batch = static_cast<MCCommandList*>(data);
        for (POSITION pos = batch->GetHeadPosition(); pos;) {
            CCBase* command = batch->GetNext(pos);
            self->ids.push_back(command->GetCommandId());
            self->synchronous.push_back(command->IsSynchronous());
        }
        return 1;
    }
};

class MarkView : public InsertView {
protected:
    using InsertView::InsertView;

    void TearDown() override {
        if (performance)
            performance->RemoveCommandHandler(&CommandLog::OnCommand, &commands);
        InsertView::TearDown();
    }

    // The piece opened in insert mode with the palette offering `make`'s
    // elements, commands logged from here.
    bool OpenWith(std::function<ECBase*()> make) {
        UsePrototype(std::move(make));
        if (!OpenPiece(STATE_MODE_INSERT))
            return false;
        performance->AddCommandHandler(&CommandLog::OnCommand, &commands);
        return true;
    }

    // The piece's staff made a grand staff and the piece notated and laid
    // out again, as a file holding one opens.
    void MakeGrandStaff() {
        static constexpr unsigned char kGrandStaff = 1;
        auto* staff = dynamic_cast<ECStaff*>(Measure(1)->GetAncestor(ET_STAFF, -1));
        ASSERT_NE(staff, nullptr);
        staff->SetStaffType(kGrandStaff);
        SCBase closed(STATE_FILE_CLOSED), opened(STATE_FILE_OPENED);
        document->UpdateAllViews(nullptr, STATE_FILE_CLOSED, &closed);
        document->UpdateAllViews(nullptr, STATE_FILE_OPENED, &opened);
        view->SendMessage(WM_PAINT);
        view->UpdateWindow();
    }

    // The events of the type directly under measure `number`, in order.
    template <class Event>
    std::vector<Event*> Marks(int number, int type) {
        std::vector<Event*> found;
        MCEventList* children = Measure(number)->GetChildren();
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == type)
                found.push_back(static_cast<Event*>(child));
        }
        return found;
    }
    std::vector<ECClef*> Clefs(int number) { return Marks<ECClef>(number, ET_CLEF); }
    std::vector<ECKey*> Keys(int number) { return Marks<ECKey>(number, ET_KEY); }
    // Every event of the type in the piece.
    std::vector<ECBase*> All(int type) {
        ACFindEvents find;
        find.AddEvtType(type);
        find.Apply(Conductor());
        std::vector<ECBase*> found;
        for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;)
            found.push_back(find.GetEvents().GetNext(pos));
        return found;
    }

    // A point on the staff a few pixels right of a tick's division: nearer
    // that division than the next.
    CPoint NearDivision(int number, int tick) {
        CPoint point = StaffPoint(number, tick);
        point.x += 3;
        return point;
    }
    // As NearDivision, at the height where the measure shows the voices of
    // the lower staff of a grand staff (4 and up), or of the upper one.
    CPoint NearDivisionOnHand(int number, int tick, bool lower) {
        const int x = BeatTop(number, tick).x;
        auto* display = dynamic_cast<DCctMeasure*>(Measure(number)->GetData(DK_NOTATION, 0));
        const CRect frame = FrameOf(Measure(number));
        long sum = 0, count = 0;
        for (int y = frame.top; display && y <= frame.bottom; ++y) {
            UINT voice = CCantrel::VOICE_ALL;
            display->GetMidiPitchForYPosition(CPoint(x, y), voice);
            if ((voice >= 4) == lower) {
                sum += y;
                ++count;
            }
        }
        const int y = count ? static_cast<int>(sum / count) : frame.CenterPoint().y;
        return ToDevice(CPoint(x, y)) + CSize(3, 0);
    }

    static MCTime Quarters(float quarters) { return MCTime(quarters); }
    // How many black pixels of the rectangle (device) an image holds.
    static int InkIn(const QImage& image, const CRect& rect) {
        const int top = std::max(0, static_cast<int>(rect.top));
        const int bottom = std::min(image.height() - 1, static_cast<int>(rect.bottom));
        const int left = std::max(0, static_cast<int>(rect.left));
        const int right = std::min(image.width() - 1, static_cast<int>(rect.right));
        int count = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x)
                count += (image.pixel(x, y) & 0xFFFFFF) == 0;
        return count;
    }
    // The element's frame on the window, device pixels.
    CRect DeviceFrame(ECBase* element) {
        const CRect frame = FrameOf(element);
        CRect box(ToDevice(frame.TopLeft()), ToDevice(frame.BottomRight()));
        box.NormalizeRect();
        return box;
    }

    CommandLog commands;
};

}  // namespace tool_test
