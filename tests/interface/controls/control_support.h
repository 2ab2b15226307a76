// What the dial and slider tests share: a parent that notes every command's
// id and code, the shared palette the image manager maps pictures onto, and
// mouse input in a control's client coordinates.
#pragma once

#include "interface/controls/bitmap.h"
#include "interface/controls/imagemgr.h"
#include "interface/controls/palette.h"
#include "interface/document/resourcemodule.h"
#include "platform/core/resources.h"
#include "platform/ui/wnd.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace control_test {

class CCommandParent : public CWnd {
public:
    CCommandParent() { EXPECT_TRUE(Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 200, 200), nullptr, 0)); }

    struct Command {
        UINT id;
        WORD code;
        LPARAM window;
    };
    std::vector<Command> commands;

    std::vector<WORD> Codes() const {
        std::vector<WORD> codes;
        for (const Command& c : commands)
            codes.push_back(c.code);
        return codes;
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back({LOWORD(wParam), HIWORD(wParam), lParam});
        return CWnd::OnCommand(wParam, lParam);
    }
};

// The image manager's palette for a test, as the main frame sets one at
// start-up: the colours of the knob picture, which hold every key colour.
// The cached pictures go when the test ends, so each test loads its own.
class SharedPaletteScope {
public:
    SharedPaletteScope() {
        // Pictures are read from the current resource module only.
        EXPECT_TRUE(SetResourceModule("Interface.DLL"));
        MCBitmap art;
        EXPECT_TRUE(art.AttachResource(MAKEINTRESOURCE(11680), 0));
        m_palette = std::make_unique<MCPalette>(&art);
        ResetResourceModule();
        MCImageMgr::GetImageMgr()->SetPalette(m_palette.get());
    }
    ~SharedPaletteScope() {
        MCImageMgr::GetImageMgr()->RemoveImages();
        MCImageMgr::GetImageMgr()->SetPalette(nullptr);
    }

private:
    std::unique_ptr<MCPalette> m_palette;
};

inline std::string WindowText(const CWnd& window) {
    std::string text;
    window.GetWindowText(text);
    return text;
}

inline void Press(CWnd& control, QPoint point) {
    QTest::mousePress(control.GetWidget(), Qt::LeftButton, Qt::NoModifier, point);
}
inline void Release(CWnd& control, QPoint point) {
    QTest::mouseRelease(control.GetWidget(), Qt::LeftButton, Qt::NoModifier, point);
}
// A move with the button held, as a drag reports it.
inline void Drag(CWnd& control, QPoint point) {
    QMouseEvent move(QEvent::MouseMove, point, control.GetWidget()->mapToGlobal(point), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(control.GetWidget(), &move);
}

}  // namespace control_test
