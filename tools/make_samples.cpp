// Writes the sample source files into a folder: make_samples <folder>.
// The files come from the shared sample set of the test helpers, so the
// committed samples are exactly the inputs the engine tests convert. A
// README.md listing them is written alongside.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "SampleFiles.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_samples <output folder>\n";
        return 2;
    }
    const fs::path root = argv[1];
    std::ofstream readme(root / "README.md", std::ios::binary);
    if (!readme) {
        std::cerr << "cannot write " << (root / "README.md").string() << "\n";
        return 1;
    }
    readme << "# Sample files\n\n"
              "Source files for the Lark/Wren generations, made by `tools/make_samples` "
              "(regenerate with `make_samples samples` from a build folder). The subfolder "
              "`album/` shows how a batch run mirrors input folders below OUTPUT.\n\n";
    for (const auto& sample : vela::MakeSampleFiles()) {
        const fs::path path = root / fs::path(sample.strPath);
        std::error_code error;
        fs::create_directories(path.parent_path(), error);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(sample.vecBytes.data()),
                  static_cast<std::streamsize>(sample.vecBytes.size()));
        if (!out) {
            std::cerr << "cannot write " << path.string() << "\n";
            return 1;
        }
        readme << "- `" << sample.strPath << "` (" << sample.vecBytes.size() << " bytes): " << sample.strDescription
               << ".\n";
        std::cout << path.string() << " " << sample.vecBytes.size() << " bytes\n";
    }
    return readme ? 0 : 1;
}
