// Centres a window over another, or over the screen: what the splash window and
// the tip of the day do when they open. User-interface thread only.
#pragma once

class CWnd;

// Moves `wnd` (its size kept) so that its centre meets the centre of `over`'s
// window rectangle, or of the screen when `over` is null.
void CenterWindowOver(CWnd* wnd, CWnd* over);
