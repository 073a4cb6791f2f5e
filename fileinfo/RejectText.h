// Plain words for the reasons the converter records when it rejects a file,
// for every front end (kestrel-info, kestrel-cli's Detail column).
#pragma once

#include <string>

#include "RejectReason.h"

namespace fileinfo {

// Stable short name of a code, for scripts: "too-short", "crc-mismatch", ...
const char* RejectCodeName(ERejectCode eCode);

// One sentence without a final full stop, e.g.
// chunk "Mtsq" at offset 35 with size 200 reaches past the end of the input (length 60)
std::string DescribeRejection(const CRejectReason& reason);

}  // namespace fileinfo
