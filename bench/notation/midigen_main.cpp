// midigen small|medium|large <seed> <out.mid>: writes a seeded piece (see
// midigen.h) and says what it holds. Exit status 2 for wrong arguments, 1
// when the file cannot be written.
#include "bench/notation/midigen.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <string_view>

int main(int argc, char** argv) {
    std::optional<midigen::Size> size = argc == 4 ? midigen::ParseSize(argv[1]) : std::nullopt;
    uint64_t seed = 0;
    const std::string_view seedText = argc == 4 ? argv[2] : "";
    const auto parsed = std::from_chars(seedText.data(), seedText.data() + seedText.size(), seed);
    if (!size || seedText.empty() || parsed.ec != std::errc() || parsed.ptr != seedText.data() + seedText.size()) {
        std::fprintf(stderr, "usage: midigen small|medium|large <seed> <out.mid>\n");
        return 2;
    }
    const midigen::Piece piece = midigen::Generate(*size, seed);
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(piece.bytes.data()), static_cast<std::streamsize>(piece.bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "midigen: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("%s seed %llu: %d staves, %d bars, %d notes, key %+d, %zu bytes\n", midigen::NameOf(*size),
                static_cast<unsigned long long>(seed), piece.staves, piece.bars, piece.GetNoteCount(),
                piece.keyAccidentals, piece.bytes.size());
    return 0;
}
