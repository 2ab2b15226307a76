// A score window for the edit tools' tests: one treble staff in 4/4 read
// from a MIDI file into the window's document, attached and laid out as an
// opened file is, page view at the screen's zoom. Measure 2 holds quarters
// on beats 1, 2 and 4 (G4, B4, E4: beat 3 rests); measure 3 is empty;
// measure 4 begins a G4 that lasts into measure 6, notated as tied notes.
//
// Points are given to the view as the mouse gives them: device pixels of
// its client area, found from the laid-out display objects (a beat's x on
// the conductor measure's ruler, a note's head from its frame).
// UI thread (the test's).
#pragma once

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/display/base.h"
#include "notation/display/conductormeasure.h"
#include "notation/view/cantrel.h"
#include "notation/view/findactions.h"
#include "platform/ui/messages.h"
#include "platform/ui/paint.h"
#include "tests/notation/view/scoreprogram_support.h"
#include "tests/platform/messaging_support.h"
#include "tests/support/smf_support.h"

#include <QImage>

#include <algorithm>
#include <string>
#include <vector>

namespace tool_test {

inline constexpr int kDivision = 480;
inline constexpr int kG4 = 67, kB4 = 71, kE4 = 64;

// The piece described above.
inline std::vector<uint8_t> PieceFile() {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::Track staff;
    const uint32_t bar = 4 * kDivision;
    // Measure 2: beats 1, 2 and 4.
    staff.NoteOn(bar, 0, kG4, 90).NoteOff(kDivision, 0, kG4);
    staff.NoteOn(0, 0, kB4, 90).NoteOff(kDivision, 0, kB4);
    staff.NoteOn(kDivision, 0, kE4, 90).NoteOff(kDivision, 0, kE4);
    // Measures 4 to 6: a note held nine quarters from beat 1.
    staff.NoteOn(bar, 0, kG4, 90).NoteOff(9 * kDivision, 0, kG4);
    staff.End(3 * kDivision);
    smf_support::File file(1, kDivision);
    file.Add(conductor);
    file.Add(staff);
    return file.GetBytes();
}

// Every state the performance sends, by code, with status texts kept.
struct StateLog {
    std::vector<unsigned> codes;
    std::vector<std::string> statusTexts;
    static int Record(ECBase*, int, void* data, void* user) {
        auto* self = static_cast<StateLog*>(user);
        auto* state = static_cast<SCBase*>(data);
        self->codes.push_back(state->GetCode());
        if (auto* status = dynamic_cast<SCStatus*>(state); status && state->GetCode() == STATE_STATUS_TEXT)
            self->statusTexts.push_back(status->GetMessage());
        return 0;
    }
    int Count(unsigned code) const { return static_cast<int>(std::count(codes.begin(), codes.end(), code)); }
    void Clear() {
        codes.clear();
        statusTexts.clear();
    }
};

class ToolView : public view_test::ScoreProgram {
protected:
    ToolView(UINT mainMenu, UINT documentMenu) : ScoreProgram(mainMenu, documentMenu) {}

    void TearDown() override {
        if (performance)
            performance->RemoveStateHandler(&StateLog::Record, &log);
        SCMode::s_nMode = STATE_MODE_SELECT;
        ScoreProgram::TearDown();
    }

    // The piece (or the file `bytes`) opened in a score window in `mode`;
    // false when it did not open.
    bool OpenPiece(int mode = STATE_MODE_SELECT, const std::vector<uint8_t>& bytes = PieceFile()) {
        SCMode::s_nMode = mode;
        view = OpenScore();
        if (!view)
            return false;
        document = static_cast<MCOpusDoc*>(view->GetDocument());
        CMemFile source(bytes);
        CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
        MCMidiRead reader;
        if (reader.LoadMidiFile(ar, document) != 1)
            return false;
        messaging_test::PumpPending();
        MCOpusDoc::SetActiveDoc(document);
        SCBase closed(STATE_FILE_CLOSED), opened(STATE_FILE_OPENED);
        document->UpdateAllViews(nullptr, STATE_FILE_CLOSED, &closed);
        document->UpdateAllViews(nullptr, STATE_FILE_OPENED, &opened);
        performance = document->GetBaseEvent();
        if (!performance || view->GetBaseEvent() != performance)
            return false;
        view->SendMessage(WM_PAINT);
        view->UpdateWindow();
        performance->AddStateHandler(&StateLog::Record, &log);
        return true;
    }

    ECConductor* Conductor() { return performance->GetConductor(); }
    ECMeasure* Measure(int number) { return Conductor()->GetMeasure(1, number); }
    DCctConductorMeasure* Column(int number) {
        ECMeasure* measure = Conductor()->GetMeasure(TRACK_CONDUCTOR, number);
        return measure ? dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    }
    // The notes of a measure, in time order.
    std::vector<ECNote*> Notes(int number) {
        std::vector<ECNote*> notes;
        ACFindEvents find;
        find.AddEvtType(ET_NOTE);
        find.Apply(Measure(number));
        for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;)
            notes.push_back(static_cast<ECNote*>(find.GetEvents().GetNext(pos)));
        return notes;
    }
    int CountOf(int number, int type) {
        ACFindEvents find;
        find.AddEvtType(type);
        find.Apply(Measure(number));
        return static_cast<int>(find.GetEvents().GetCount());
    }
    std::vector<ECBase*> Selected() {
        std::vector<ECBase*> selected;
        MCEventList& events = document->GetSelection(0).GetEvents(0);
        for (POSITION pos = events.GetHeadPosition(); pos;)
            selected.push_back(events.GetNext(pos));
        return selected;
    }

    // ---- points ---------------------------------------------------------------------------
    CPoint ToDevice(CPoint viewPoint) {
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->VPtoDP(&dc, &viewPoint);
        return viewPoint;
    }
    // The element's frame in view units, normalised.
    static CRect FrameOf(ECBase* element) {
        auto* display = dynamic_cast<DCctBase*>(element->GetData(DK_NOTATION, 0));
        CRect frame;
        if (display)
            display->GetVirtualFrame(&frame, 0);
        frame.NormalizeRect();
        return frame;
    }
    // The middle of where a click hits the element (a note's head, not its
    // stem), in device pixels; the frame's middle when nothing hits.
    CPoint HeadPoint(ECBase* element) {
        const CRect frame = FrameOf(element);
        constexpr int kStep = 10;
        long sumX = 0, sumY = 0, count = 0;
        for (int y = frame.top; y <= frame.bottom; y += kStep)
            for (int x = frame.left; x <= frame.right; x += kStep) {
                ACFindInRect find;
                find.AddEvtType(element->GetClassType());
                find.SetHitSize(2, 2);
                find.SetTieExpansion(0);
                find.SetPoint(x, y);
                find.Apply(Conductor());
                if (find.GetEvents().Find(element)) {
                    sumX += x;
                    sumY += y;
                    ++count;
                }
            }
        if (count == 0)
            return ToDevice(frame.CenterPoint());
        return ToDevice(CPoint(static_cast<int>(sumX / count), static_cast<int>(sumY / count)));
    }
    // The view x of a tick (256 a quarter) of measure `number`, and the
    // column's top and bottom y.
    CPoint BeatTop(int number, int tick) {
        CPoint top, bottom;
        Column(number)->CalcCursorPosition(static_cast<WORD>(tick), &top, &bottom, 1,
                                           DCctConductorMeasure::NO_BORROWED_PULSE);
        return top;
    }
    // A point on the staff (the middle line's height, B4) at a tick of a measure, device pixels.
    CPoint StaffPoint(int number, int tick) {
        const CRect measure = FrameOf(Measure(number));
        return ToDevice(CPoint(BeatTop(number, tick).x, measure.CenterPoint().y));
    }

    // ---- the mouse and keys, as the window gets them ----------------------------------
    void Move(CPoint point, UINT flags = 0) {
        view->SendMessage(WM_MOUSEMOVE, flags, MAKELPARAM(point.x, point.y));
        messaging_test::PumpPending();
    }
    void Press(CPoint point, UINT flags = 0) {
        view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | flags, MAKELPARAM(point.x, point.y));
        messaging_test::PumpPending();
    }
    void Release(CPoint point, UINT flags = 0) {
        view->SendMessage(WM_LBUTTONUP, flags, MAKELPARAM(point.x, point.y));
        messaging_test::PumpPending();
    }
    void Click(CPoint point, UINT flags = 0) {
        Move(point, flags);
        Press(point, flags);
        Release(point, flags);
    }
    void Key(UINT key) {
        view->SendMessage(WM_KEYDOWN, key, 1);
        messaging_test::PumpPending();
    }
    // Lets posted commands and states arrive.
    static void Settle() {
        for (int i = 0; i < 5; ++i)
            messaging_test::PumpPending();
    }

    // ---- drawings ---------------------------------------------------------------------------
    const QImage& Surface() { return *platform_detail::WindowSurface(*view); }
    // How many pixels of the column at x, from y0 to y1 (device), have the colour.
    int ColourRun(int x, int y0, int y1, QRgb colour) {
        const QImage& image = Surface();
        int count = 0;
        for (int y = std::max(0, y0); y <= std::min(image.height() - 1, y1); ++y)
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
        return count;
    }
    // How many pixels of the rectangle (device) have the colour.
    int ColourIn(const CRect& rect, QRgb colour) {
        int count = 0;
        for (int x = rect.left; x <= rect.right; ++x)
            count += ColourRun(x, rect.top, rect.bottom, colour);
        return count;
    }
    // A COLORREF (0x00BBGGRR) as the surface's colour.
    static QRgb Rgb(uint32_t colorref) {
        return qRgb(colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF);
    }

    CCantrel* view = nullptr;
    MCOpusDoc* document = nullptr;
    ECPerformance* performance = nullptr;
    StateLog log;
};

}  // namespace tool_test
