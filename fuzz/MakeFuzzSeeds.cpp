// Writes the seed corpus of the fuzz targets (FuzzSeeds.h) into a folder:
// make_fuzz_seeds <folder>.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "FuzzSeeds.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_fuzz_seeds <output folder>\n";
        return 2;
    }
    const fs::path root = argv[1];
    std::error_code error;
    fs::create_directories(root, error);
    for (const CFuzzSeed& seed : MakeFuzzSeeds()) {
        std::ofstream out(root / seed.strName, std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.vecBytes.data()), static_cast<std::streamsize>(seed.vecBytes.size()));
        if (!out) {
            std::cerr << "cannot write " << (root / seed.strName).string() << "\n";
            return 1;
        }
    }
    return 0;
}
