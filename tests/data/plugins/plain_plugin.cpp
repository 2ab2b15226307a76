// A library for the loader's tests that has no start-up entry: the loader
// loads it, finds nothing to call and goes on to the next file.

extern "C" __attribute__((visibility("default"))) int PluginMarker() {
    return 1;
}
