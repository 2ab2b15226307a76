// The plug-in the library tests load: an export to call, an entry the plug-in
// scan looks for, a string table and a picture of its own.
#include "platform/core/resources.h"

// 20001 is also in the test program's table: which text a lookup finds shows
// which module it searched first.
STRING_TABLE({20001, "From the plug-in"}, {20002, "Only in the plug-in"});

namespace {
const unsigned char kPicture[] = {'B', 'M', 1, 2, 3};
const CResourceData s_picture(RT_BITMAP, "ZoomIn0", kPicture, sizeof kPicture);
int s_initCalls = 0;
}  // namespace

extern "C" int TestPlugInTwice(int value) {
    return 2 * value;
}

extern "C" int InitPlugins() {
    return ++s_initCalls;
}
