#include "tests/platform/gui/control_support.h"

namespace control_test {

BEGIN_MESSAGE_MAP(CNotedParent, CWnd)
    ON_MESSAGE(WM_HSCROLL, &CNotedParent::OnHScroll)
    ON_MESSAGE(WM_VSCROLL, &CNotedParent::OnVScroll)
END_MESSAGE_MAP()

}  // namespace control_test
