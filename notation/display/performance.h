// DCctPerformance: the display object of the performance, the root of the
// event tree. It draws nothing and has no size: the view keeps it only so
// that every element of the tree answers the display operations alike.
//
// Archive form: the DCctBase head alone. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class DCctPerformance : public DCctBase {
    DECLARE_SERIAL(DCctPerformance)
public:
    DCctPerformance() = default;
    DCctPerformance(const DCctPerformance& other) = default;
    ~DCctPerformance() override;

    // Nothing drawn: 64.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Only clears the frame kind: the root has no frame of its own.
    void CalculateFrame(CDC* dc, CPoint* point);
    void SetSize(CDC* dc) override;
};
