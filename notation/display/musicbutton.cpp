#include "notation/display/musicbutton.h"

#include "interface/document/musicpage.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/plugin.h"
#include "notation/display/base.h"
#include "notation/display/key.h"
#include "notation/display/meter.h"
#include "notation/display/note.h"
#include "notation/display/tuplet.h"
#include "platform/ui/ownerdraw.h"
#include "platform/ui/syscolor.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

// The display object of `event`, made when missing, readied for a drawing
// at the origin in `color`.
DCctBase* ReadyDisplay(ECBase& event, COLORREF color) {
    auto* display = dynamic_cast<DCctBase*>(event.GetData(DK_NOTATION, 1));
    if (!display)
        return nullptr;
    display->SetColor(color);
    display->SetPosition(0, 0);
    display->SetFrameDirty(1);
    return display;
}

// A measure made for one drawing: its staff lines in grey, the symbols its
// children. The children go again (the caller's events keep their parents)
// before the measure is let go.
class SampleMeasure {
public:
    SampleMeasure() : m_measure(new ECMeasure) { m_measure->Ref(); }
    ~SampleMeasure() {
        for (ECBase* child : m_children)
            m_measure->RemoveChild(child, 0);
        m_measure->Unref(1);
    }
    SampleMeasure(const SampleMeasure&) = delete;
    SampleMeasure& operator=(const SampleMeasure&) = delete;

    void Add(ECBase& child) {
        if (m_measure->AddChild(&child, 0))
            m_children.push_back(&child);
    }
    void Draw(CDC& dc, CRect& rect) {
        if (DCctBase* display = ReadyDisplay(*m_measure, GetSysColor(COLOR_GRAYTEXT)))
            display->DrawInRect(&dc, &rect);
    }

private:
    ECMeasure* m_measure;              // one reference held
    std::vector<ECBase*> m_children;   // borrowed: the caller's events
};

// `event` drawn in `rect` as the child of a sample measure.
void DrawOnStaff(CDC& dc, CRect& rect, ECBase& event) {
    SampleMeasure measure;
    measure.Add(event);
    measure.Draw(dc, rect);
}

// Draws `event` in `rect` of `dc` (MM_TWIPS) as its type shows on a button.
void DrawSymbol(CDC& dc, CRect& rect, ECBase& event, COLORREF color) {
    DCctBase* display = ReadyDisplay(event, color);
    if (!display)
        return;
    switch (event.GetClassType()) {
    case ET_NOTE:
        if (auto* note = dynamic_cast<DCctNote*>(display); note && event.GetDuration())
            note->SetValue(static_cast<WORD>(event.GetDuration()->GetTicks(DCctBase::TICKS_PER_QUARTER)), 0);
        display->DrawInRect(&dc, &rect);
        return;
    case ET_TUPLET:
        if (auto* tuplet = dynamic_cast<DCctTuplet*>(display); tuplet)
            if (auto* group = dynamic_cast<ECTuplet*>(&event))
                tuplet->SetTuplet(group->GetIrregular(), group->GetNormal());
        display->DrawInRect(&dc, &rect);
        return;
    case ET_CLEF:
        DrawOnStaff(dc, rect, event);
        return;
    case ET_KEY: {
        auto* key = dynamic_cast<DCctKey*>(display);
        auto* signature = dynamic_cast<ECKey*>(&event);
        if (!key || !signature)
            return;
        key->SetKey(signature->GetAccidentals(), signature->GetMode());
        // The key is laid out for a treble clef, which is not drawn: at a
        // button's size a clef fills the face and would push the key out of
        // it. The clef it looks up in a score is put back afterwards (the
        // prototype goes into scores as it is).
        const BYTE clefInScore = key->GetClef();
        key->SetClef(0);
        DrawOnStaff(dc, rect, event);
        key->SetClef(clefInScore);
        return;
    }
    case ET_METER: {
        auto* meter = dynamic_cast<DCctMeter*>(display);
        auto* signature = dynamic_cast<ECMeter*>(&event);
        if (!meter || !signature)
            return;
        meter->SetMeter(*signature);
        DrawOnStaff(dc, rect, event);
        return;
    }
    default:
        display->DrawInRect(&dc, &rect);
        return;
    }
}

bool OnStaffLines(const ECBase& event) {
    const int type = event.GetClassType();
    return type == ET_CLEF || type == ET_KEY || type == ET_METER;
}

// `rect` (logical, y up) made `eighths` eighths as tall around its middle,
// and as wide too unless the symbol stands on staff lines that run from
// side to side.
CRect Shrunk(const CRect& rect, int eighths, bool keepWidth) {
    const CPoint middle((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    const int halfWidth = keepWidth ? (rect.right - rect.left) / 2 : (rect.right - rect.left) * eighths / 16;
    const int halfHeight = (rect.top - rect.bottom) * eighths / 16;
    return CRect(middle.x - halfWidth, middle.y + halfHeight, middle.x + halfWidth, middle.y - halfHeight);
}

// Whether ink of `symbol` on `background` lies on an edge of the face
// (width x height device pixels): the symbol was cut. Faint edge pixels
// of smoothed outlines are not ink; sides are not looked at when
// `sidesFree` is false (staff lines).
bool InkOnEdges(CDC& dc, int width, int height, COLORREF background, COLORREF symbol, bool sidesFree) {
    auto distance = [](COLORREF a, COLORREF b) {
        return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                         std::abs(GetBValue(a) - GetBValue(b))});
    };
    const int threshold = std::max(1, distance(symbol, background) / 2);
    auto ink = [&](int x, int y) { return distance(dc.GetPixel(x, y), background) > threshold; };
    dc.SetMapMode(MM_TEXT);
    bool cut = false;
    for (int x = 0; x < width && !cut; ++x)
        cut = ink(x, 0) || ink(x, height - 1);
    for (int y = 0; y < height && sidesFree && !cut; ++y)
        cut = ink(0, y) || ink(width - 1, y);
    dc.SetMapMode(MM_TWIPS);
    return cut;
}

// The smallest scale, in eighths, a symbol is brought down to; below it a
// symbol would be too small to read and is left cut instead.
constexpr int kSmallestEighths = 3;

}  // namespace

CBitmap* DrawMusicButton(CObject* object, DRAWITEMSTRUCT* item) {
    auto* button = dynamic_cast<MCMusicButton*>(object);
    if (!button || !item || !item->hDC)
        return nullptr;
    CDC* target = item->hDC;
    const int width = std::max(1, static_cast<int>(item->rcItem.right - item->rcItem.left));
    const int height = std::max(1, static_cast<int>(item->rcItem.bottom - item->rcItem.top));
    auto face = std::make_unique<CBitmap>();
    if (!face->CreateCompatibleBitmap(target, width, height))
        return nullptr;

    // The state is the image's index, compared whole: 1 pressed, 2 disabled.
    const UINT state = item->itemState;
    const COLORREF background = GetSysColor(state == 1 ? COLOR_WINDOW : COLOR_BTNFACE);
    const COLORREF symbol = GetSysColor(state == 2 ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);

    CDC memory;
    memory.CreateCompatibleDC(target);
    CBitmap* previousBitmap = memory.SelectObject(face.get());
    memory.SetMapMode(MM_TWIPS);
    memory.SetBkMode(TRANSPARENT);
    CRect rect(0, 0, width, height);   // the face's own pixels
    memory.DPtoLP(&rect);
    CBrush brush(background);
    CBrush* previousBrush = memory.SelectObject(&brush);
    memory.PatBlt(rect.left, rect.top, rect.Width(), rect.Height(), PATCOPY);
    // Drawn in the whole face first; a symbol the face cuts (a wide dynamic,
    // a tall clef on its staff) is drawn again smaller until it fits.
    if (ECBase* event = button->GetEvent()) {
        const bool onStaff = OnStaffLines(*event);
        for (int eighths = 8;; --eighths) {
            CRect area = Shrunk(rect, eighths, onStaff);
            DrawSymbol(memory, area, *event, symbol);
            if (eighths == kSmallestEighths || !InkOnEdges(memory, width, height, background, symbol, !onStaff))
                break;
            memory.PatBlt(rect.left, rect.top, rect.Width(), rect.Height(), PATCOPY);
        }
    }
    memory.SelectObject(previousBrush);
    memory.SelectObject(previousBitmap);
    memory.DeleteDC();
    target->SetMapMode(MM_TWIPS);
    return face.release();
}
