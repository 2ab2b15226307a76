// Stand-ins for the measure spacing pass until it is built (spacing.cpp):
// that file defines these two members and this file is then deleted.
//
// The stand-in pass moves no mark. It does only the bookkeeping the pass ends
// with (width from group 0, the empty flag, the dirty flag cleared), so the
// conductor ruler mediates rulers whose marks were placed by other means.
#include "notation/layout/ruler.h"

void MCRuler::CleanUpRuler() {
    if (m_groups.empty())
        return;
    bool occupied = false;
    for (const RulerGroup& group : m_groups)
        for (const RulerDiv& mark : group.marks)
            occupied = occupied || mark.IsOccupied();
    m_width = static_cast<short>(m_prolog[PROLOG_END].x + m_groups[0].width);
    SetEmpty(!occupied);
    SetDirty(0);
}

void MCRuler::CalculateMinimumWidth(BYTE squeeze) {
    const BYTE kept = m_squeezeLevel;
    m_squeezeLevel = squeeze;
    CleanUpRuler();
    m_minimumWidth = m_width;
    m_squeezeLevel = kept;
    SetDirty(1);
    CleanUpRuler();
}
