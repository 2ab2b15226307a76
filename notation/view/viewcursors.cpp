// The pictures of the view's quick-scroll cursors: 16 by 16 images (XPM
// text, which the toolkit reads), `#` black, `o` white, `.` clear; the hot
// spot in the palm.
#include "notation/view/viewids.h"
#include "platform/ui/uiresources.h"

namespace {

// An open hand over the score, ready to grab.
constexpr char kHandOpen[] = R"(/* XPM */
static const char* handopen[] = {
"16 16 3 1", ". c None", "# c #000000", "o c #FFFFFF",
"......##........",
"...##.#o###.....",
"..#oo##oo#o#....",
"..#oo##oo#oo#...",
"...#oo#oo#o#o#..",
"...#oo#oo#o#oo#.",
".##.#oooooo#oo#.",
"#oo##oooooooo#..",
"#ooo#oooooooo#..",
".#ooooooooooo#..",
"..#ooooooooo#...",
"..#oooooooooo#..",
"...#ooooooooo#..",
"....#ooooooo#...",
".....#oooooo#...",
"................"};
)";

// The same hand closed, while it drags the score.
constexpr char kHandClosed[] = R"(/* XPM */
static const char* handclosed[] = {
"16 16 3 1", ". c None", "# c #000000", "o c #FFFFFF",
"................",
"................",
"................",
"....##.##.##....",
"...#oo#oo#oo##..",
"...#oooooooo#o#.",
"....#ooooooooo#.",
"...##ooooooooo#.",
"..#oooooooooo#..",
"..#oooooooooo#..",
"...#ooooooooo#..",
"....#ooooooo#...",
".....#oooooo#...",
"................",
"................",
"................"};
)";

const CursorImage kHandOpenCursor{kHandOpen, sizeof kHandOpen - 1, 8, 8};
const CursorImage kHandClosedCursor{kHandClosed, sizeof kHandClosed - 1, 8, 8};

CURSOR_RESOURCE(IDC_CANTREL_GRAB_ARMED, kHandOpenCursor);
CURSOR_RESOURCE(IDC_CANTREL_GRABBING, kHandClosedCursor);

}  // namespace
