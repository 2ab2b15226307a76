// A scroll view for the view-action tests: one logical unit a pixel, y up,
// logical (0, 0) at the view area's top-left corner, drawing nothing of its
// own (what a test draws into it shows in its surface and update region).
#pragma once

#include "interface/document/scrollview.h"

namespace view_test {

class FlatView : public MCScrollView {
public:
    void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr) override {
        pDC->SetMapMode(MM_ANISOTROPIC);
        pDC->SetWindowExt(1, 1);
        pDC->SetViewportExt(1, -1);
        MCScrollView::OnPrepareDC(pDC, pInfo);
    }
    void OnDraw(CDC*) override {}
};

}  // namespace view_test
