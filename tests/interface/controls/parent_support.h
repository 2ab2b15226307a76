// The parent window of the picture-button tests: a shown top-level window
// that notes the control ids of the commands its buttons send.
#pragma once

#include "platform/ui/wnd.h"

#include <gtest/gtest.h>

#include <vector>

namespace button_test {

class CButtonParent : public CWnd {
public:
    CButtonParent() { EXPECT_TRUE(Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0)); }

    std::vector<UINT> commands;   // the ids, in order

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(LOWORD(wParam));
        return CWnd::OnCommand(wParam, lParam);
    }
};

}  // namespace button_test
