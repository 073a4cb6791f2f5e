// Writes the seed corpus of the fuzz targets into a folder:
// make_fuzz_seeds <folder> [FILE...]. The seeds of FuzzSeeds.h, then the
// Heron files the converter makes of them and of the named FILEs, for the
// description library's target.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "FuzzSeeds.h"

namespace fs = std::filesystem;
using vela::Bytes;

namespace {

// The converter's output for each source that converts.
std::vector<CFuzzSeed> HeronOutputs(const std::vector<CFuzzSeed>& sources) {
    std::vector<CFuzzSeed> outputs;
    for (const CFuzzSeed& source : sources) {
        CCnvLarkWrentoHeron converter;
        ByteBuffer out;
        const Bytes& bytes = source.vecBytes;
        if (converter.Convert(bytes.data(), static_cast<std::int32_t>(bytes.size()), out) == 1) {
            outputs.push_back({"heron_" + source.strName, out.Bytes()});
        }
    }
    return outputs;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: make_fuzz_seeds <output folder> [source file...]\n";
        return 2;
    }
    const fs::path root = argv[1];
    std::error_code error;
    fs::create_directories(root, error);
    std::vector<CFuzzSeed> seeds = MakeFuzzSeeds();
    std::vector<CFuzzSeed> named;
    for (int i = 2; i < argc; ++i) {
        const fs::path path = argv[i];
        named.push_back({"file_" + path.parent_path().filename().string() + "_" + path.filename().string(),
                         ReadFile(path)});
    }
    std::vector<CFuzzSeed> outputs = HeronOutputs(seeds);
    for (CFuzzSeed& output : HeronOutputs(named)) {
        outputs.push_back(std::move(output));
    }
    for (CFuzzSeed& output : outputs) {
        seeds.push_back(std::move(output));
    }
    for (const CFuzzSeed& seed : seeds) {
        std::ofstream out(root / seed.strName, std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.vecBytes.data()), static_cast<std::streamsize>(seed.vecBytes.size()));
        if (!out) {
            std::cerr << "cannot write " << (root / seed.strName).string() << "\n";
            return 1;
        }
    }
    return 0;
}
