// The names of the wallpapers (string 0x6000 + n for bitmap 0x6000 + n), as
// tools/drawappart.py draws them; the list ends at the first missing string.
#include "platform/core/resources.h"

namespace {

STRING_TABLE({0x6000, "Manuscript Paper"}, {0x6001, "Slate"}, {0x6002, "Linen"});

}  // namespace
