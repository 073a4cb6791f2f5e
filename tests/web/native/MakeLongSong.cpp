// Writes one long generated source file for the page's tests of a large
// details panel: make_long_song <file> [events, default 100000].
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "VelaBuilder.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: make_long_song <file> [events, default 100000]\n";
        return 2;
    }
    vela::CLargeInputOptions options;
    options.nEvents = argc == 3 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 100000;
    options.bRegisterWrites = false;
    const vela::Bytes bytes = vela::MakeLargeInput(options);
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::cerr << "cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
