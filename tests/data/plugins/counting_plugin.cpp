// A plug-in for the loader's tests: its start-up entry counts its calls, and a
// second export lets the test read the count. The entry answers 0 on purpose:
// the loader ignores the answer, so a 0 must not end the folder scan.
// Built several times under different names into the test plug-in folder.

namespace {
int s_initCalls = 0;
}

extern "C" __attribute__((visibility("default"))) int InitPlugins() {
    ++s_initCalls;
    return 0;
}

extern "C" __attribute__((visibility("default"))) int PluginInitCalls() {
    return s_initCalls;
}
