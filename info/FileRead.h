// Reading a file for kestrel-info: as the converter reads its inputs
// (regular files only, so a pipe or a device named like a VELA file never
// blocks the listing), but a file is read whole only when it begins like a
// VELA file and is not too large to describe; otherwise its first bytes
// describe it.
#pragma once

#include <string>

#include "FileDescription.h"
#include "IPlatform.h"

// false (with the system's reason in strError) when the file cannot be read.
bool DescribePath(IPlatform& platform, const std::string& strPath, const fileinfo::CDescribeOptions& options,
                  fileinfo::CFileDescription& d, std::string& strError);
