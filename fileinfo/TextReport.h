// The human-readable outputs of kestrel-info: the summary of a file, its
// event listing and its check line.
#pragma once

#include <ostream>

#include "FileDescription.h"

namespace fileinfo {

void WriteSummary(std::ostream& out, const CFileDescription& d);
// One header line, then one line per event: tick, track, channel, type, values.
void WriteEvents(std::ostream& out, const CFileDescription& d);
// "OK: path" or "NG: path: check: detail" for every failed check.
void WriteCheck(std::ostream& out, const CFileDescription& d);
// Whether the file passes --check: a Heron file without problems.
bool PassesCheck(const CFileDescription& d);

}  // namespace fileinfo
