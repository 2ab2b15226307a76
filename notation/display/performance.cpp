// DCctPerformance: the root's display object.
#include "notation/display/performance.h"

#include "platform/core/archive.h"

IMPLEMENT_SERIAL(DCctPerformance, DCctBase, VERSIONABLE_SCHEMA | 2)

DCctPerformance::~DCctPerformance() = default;

int DCctPerformance::Draw(CDC*, CPoint, CRect*) {
    return DRAW_NOTHING;
}

void DCctPerformance::CalculateFrame(CDC*, CPoint*) {
    SetFrameDirty(0);
}

void DCctPerformance::SetSize(CDC* dc) {
    CalculateFrame(dc, nullptr);
}
