// Replays a fuzz target over the files of its seed folder, plus a fixed set of
// truncations and byte flips of each, so the ordinary test run exercises the
// target without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            std::vector<uint8_t> head(bytes.begin(), bytes.begin() + cut);
            LLVMFuzzerTestOneInput(head.data(), head.size());
        }
        for (size_t at = 0; at < bytes.size(); ++at) {
            for (uint8_t flip : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
                std::vector<uint8_t> changed = bytes;
                changed[at] ^= flip;
                LLVMFuzzerTestOneInput(changed.data(), changed.size());
            }
        }
        ++inputs;
    }
    std::printf("replayed %d seed(s)\n", inputs);
    return inputs > 0 ? 0 : 1;
}
