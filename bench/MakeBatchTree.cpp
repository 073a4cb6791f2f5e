// Writes a folder tree of small generated source files for the batch
// benchmark: make_batch_tree <folder> [count]. Files are spread over nested
// subfolders (20 per folder) and vary in format and length, like an album
// collection; the same arguments give the same bytes. The contents repeat
// every 2,000 files, so a tree of 200,000 is quick to write and holds the
// same mix of files as one of 2,000 (per-file times compare).
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "SmallTree.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: make_batch_tree <folder> [count, default 2000]\n";
        return 2;
    }
    const fs::path root = argv[1];
    const long nCount = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 2000;
    constexpr long kDistinct = bench::kSmallTreeDistinct;
    std::vector<vela::Bytes> vecContents;
    std::size_t nBytes = 0;
    fs::path folder;
    for (long i = 0; i < nCount; ++i) {
        if (i < kDistinct) {
            vecContents.push_back(bench::SmallTreeFile(i));
        }
        const vela::Bytes& bytes = vecContents[static_cast<std::size_t>(i % kDistinct)];
        if (i % 20 == 0) {
            folder = root / ("set" + std::to_string(i / 200)) / ("album" + std::to_string(i / 20));
            std::error_code error;
            fs::create_directories(folder, error);
        }
        const fs::path path = folder / ("song" + std::to_string(i) + ".mmf");
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "cannot write " << path.string() << "\n";
            return 1;
        }
        nBytes += bytes.size();
    }
    std::cout << nCount << " files, " << nBytes << " bytes in " << root.string() << "\n";
    return 0;
}
