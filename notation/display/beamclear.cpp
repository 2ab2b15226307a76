// DCctBeam: keeping the beam's band clear of what stands under it: the heads
// of the notes it joins and their accidentals. A beam laid from its end
// stems may still run through a head of a chord in its middle or through the
// sign before a note (a flat reaches well above its head); the beam then
// moves away from the noteheads, its stems lengthened, by whole steps (half
// spaces) until every head and sign is a quarter space clear of it.
#include "notation/display/beam.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/display/accidental.h"
#include "notation/display/note.h"

#include <algorithm>

namespace {

DCctBase* DisplayOf(ECBase* event) {
    return event ? dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 0)) : nullptr;
}

// The notes of a member: a chord's note children, or the member itself.
std::vector<ECBase*> NotesOf(ECBase* member) {
    std::vector<ECBase*> notes;
    if (!member)
        return notes;
    if (member->GetClassType() != ET_CHORD) {
        notes.push_back(member);
        return notes;
    }
    MCEventList* children = member->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child && child->GetClassType() == ET_NOTE)
            notes.push_back(child);
    }
    return notes;
}

}  // namespace

int DCctBeam::GetBandDepth() const {
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(GetFontSize());
    const int levels = std::max<int>(1, static_cast<int>(m_levels.size()));
    return (levels - 1) * (3 * h / 4) + h / 2;
}

void DCctBeam::CollectObstacles(const std::vector<ECBase*>& members, std::vector<CRect>& out) {
    out.clear();
    // The members are drawn at the beam's size (a beam of grace notes is small too).
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(GetFontSize());
    const int w = MCMusicFont::GetMusicFont().GetNoteheadWidth(GetFontSize());
    for (ECBase* member : members) {
        for (ECBase* event : NotesOf(member)) {
            auto* note = dynamic_cast<DCctNote*>(DisplayOf(event));
            if (!note)
                continue;
            // The head: centred on the note's y (y up).
            out.emplace_back(note->GetX(), note->GetY() + h / 2, note->GetX() + w, note->GetY() - h / 2);
            // Its signs beside it, in the note's frame.
            MCEventList* children = event->GetChildren();
            for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
                auto* sign = dynamic_cast<DCctAccidental*>(DisplayOf(children->GetNext(pos)));
                if (!sign || sign->IsHidden() || sign->IsAbove())
                    continue;
                sign->SetSize(nullptr);
                CRect frame;
                sign->GetFrame(&frame, 0);
                frame.NormalizeRect();
                if (frame.IsRectEmpty())
                    continue;
                frame.OffsetRect(note->GetPosition());
                out.push_back(frame);
            }
        }
    }
}

int DCctBeam::ClearanceShift(const std::vector<ECBase*>& members, CPoint start, CPoint end) {
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(GetFontSize());
    if (h <= 0 || end.x <= start.x)
        return 0;
    const double slope = static_cast<double>(end.y - start.y) / (end.x - start.x);
    auto line = [&](int x) { return start.y + static_cast<int>((x - start.x) * slope); };
    const int depth = GetBandDepth();
    const int clearance = h / 4;
    const bool up = GetDirection() == 0;
    std::vector<CRect> obstacles;
    CollectObstacles(members, obstacles);
    int need = 0;
    for (const CRect& box : obstacles) {
        // Only what stands under the band, between the outer stems.
        const int left = std::max<int>(std::min(box.left, box.right), start.x);
        const int right = std::min<int>(std::max(box.left, box.right), end.x);
        if (left > right)
            continue;
        if (up) {
            // Stems up: the band's lower edge stays above the ink's top.
            const int top = std::max(box.top, box.bottom);
            need = std::max(need, top + clearance - (std::min(line(left), line(right)) - depth));
        } else {
            const int bottom = std::min(box.top, box.bottom);
            need = std::max(need, (std::max(line(left), line(right)) + depth) + clearance - bottom);
        }
    }
    if (need <= 0)
        return 0;
    const int step = h / 2;
    const int shift = (need + step - 1) / step * step;
    return up ? shift : -shift;
}
