// The sample source files shipped under samples/: written by the
// make_samples tool and replayed by the engine tests (whole conversions,
// truncations and bit flips), so both always use the same inputs.
#pragma once

#include <string>
#include <vector>

#include "VelaBuilder.h"

namespace vela {

struct CSampleFile {
    std::string strPath;         // relative, '/' separated, e.g. "album/format1_audio.mmf"
    std::string strDescription;  // one line for samples/README.md
    Bytes vecBytes;
};

std::vector<CSampleFile> MakeSampleFiles();

}  // namespace vela
