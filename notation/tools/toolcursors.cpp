// The pictures of the edit tools' cursors: 16 by 16 images (XPM text, which the toolkit reads), `#` black, `o`
// white, `.` clear. The hot spot is where the tool acts.
#include "notation/tools/toolcursors.h"

#include "platform/ui/uiresources.h"

namespace {

// The cross's centre.
constexpr char kInsert[] = R"(/* XPM */
static const char* insert[] = {
"16 16 3 1", ". c None", "# c #000000", "o c #FFFFFF",
"......ooo.......",
"......o#o.......",
"......o#o.......",
"......o#o.......",
"......o#o.......",
"......o#o.......",
"ooooooo#ooooooo.",
"o#############o.",
"ooooooo#ooooooo.",
"......o#o..ooo..",
"......o#o..o#o..",
"......o#oooo#ooo",
"......o#o#######",
"......ooooooo#oo",
"...........o#o..",
"...........ooo.."};
)";

// The arrow's tip.
constexpr char kModifier[] = R"(/* XPM */
static const char* modifier[] = {
"16 16 3 1", ". c None", "# c #000000", "o c #FFFFFF",
"#...............",
"##..............",
"#o#.............",
"#oo#............",
"#ooo#...........",
"#oooo#..........",
"#ooooo#.........",
"#oooooo#........",
"#oooo####.......",
"#o##o#..........",
"##.#oo#..##.....",
"#...#o#...##....",
".....#o#...##...",
".....#o#..##....",
"......#..##.....",
"................"};
)";

// The eraser's lower left corner.
constexpr char kErase[] = R"(/* XPM */
static const char* erase[] = {
"16 16 3 1", ". c None", "# c #000000", "o c #FFFFFF",
"..........####..",
".........#oooo#.",
"........#oooooo#",
".......#oooooo#.",
"......#oooooo#..",
".....#oooooo#...",
"....#oooooo#....",
"...##oooooo#....",
"..#o##ooo##.....",
".#ooo##o##......",
"#ooooo###.......",
"#oooooo#........",
".#oooo#.........",
"..####..........",
"................",
"................"};
)";

// The cross's centre.
constexpr char kSignature[] = R"(/* XPM */
static const char* signature[] = {
"16 16 3 1", ". c None", "# c #000000", "o c #FFFFFF",
"......ooo.......",
"......o#o.......",
"......o#o.......",
"......o#o.......",
"......o#o.......",
"......o#o.......",
"ooooooo#ooooooo.",
"o#############o.",
"ooooooo#ooooooo.",
"......o#ooo#o#o.",
"......o#oo######",
"......o#ooo#o#oo",
"......ooooo#o#o.",
"..........######",
"...........#o#oo",
"...........ooo.."};
)";

// The notehead's centre.
constexpr char kNote[] = R"(/* XPM */
static const char* note[] = {
"16 16 3 1", ". c None", "# c #000000", "o c #FFFFFF",
"..........oo....",
"..........o#o...",
"..........o#o...",
"..........o#o...",
"..........o#o...",
"..........o#o...",
"..........o#o...",
"..........o#o...",
"..........o#o...",
"......ooooo#o...",
"....oo######o...",
"...o#######o....",
"..o#######o.....",
"..o#####oo......",
"...ooooo........",
"................"};
)";

// The cross's centre; a chord's grid (strings and frets) beside it.
constexpr char kChord[] = R"(/* XPM */
static const char* chord[] = {
"16 16 3 1", ". c None", "# c #000000", "o c #FFFFFF",
"...ooo..........",
"...o#o..........",
"...o#o..........",
"oooo#oooo.......",
"o#######o.......",
"oooo#oooo.......",
"...o#o.ooooooooo",
"...o#o.o#######o",
"...ooo.o#o#o#o#o",
".......o#######o",
".......o#o#o#o#o",
".......o#######o",
".......o#o#o#o#o",
".......o#######o",
".......ooooooooo",
"................"};
)";

const CursorImage kInsertCursor = CursorImage{kInsert, sizeof kInsert - 1, 7, 7};
const CursorImage kModifierCursor = CursorImage{kModifier, sizeof kModifier - 1, 0, 0};
const CursorImage kEraseCursor = CursorImage{kErase, sizeof kErase - 1, 1, 11};
const CursorImage kSignatureCursor = CursorImage{kSignature, sizeof kSignature - 1, 7, 7};
const CursorImage kNoteCursor = CursorImage{kNote, sizeof kNote - 1, 6, 12};
const CursorImage kChordCursor = CursorImage{kChord, sizeof kChord - 1, 4, 4};

CURSOR_RESOURCE(IDC_INSERT_TOOL, kInsertCursor);
CURSOR_RESOURCE(IDC_MODIFIER_TOOL, kModifierCursor);
CURSOR_RESOURCE(IDC_ERASE_TOOL, kEraseCursor);
CURSOR_RESOURCE(IDC_SIGNATURE_TOOL, kSignatureCursor);
CURSOR_RESOURCE(IDC_NOTE_TOOL, kNoteCursor);
CURSOR_RESOURCE(IDC_CHORD_TOOL, kChordCursor);

}  // namespace
