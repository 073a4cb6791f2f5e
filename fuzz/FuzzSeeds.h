// The seed corpus of the fuzz targets: the sample set, small generated files
// of both formats and hand-made files for the corners of the analysis.
#pragma once

#include <string>
#include <vector>

#include "VelaBuilder.h"

struct CFuzzSeed {
    std::string strName;
    vela::Bytes vecBytes;
};

std::vector<CFuzzSeed> MakeFuzzSeeds();
