// Writing a file a user named (a report, a drawing) the way outputs are
// written: whole or not at all. A new file appears only complete; an existing
// one is replaced in one step, and kept as it was when anything fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class IPlatform;

// Empty on success, otherwise why the file could not be written (the
// system's words where it gave a reason).
std::string WriteWholeFile(IPlatform& platform, const std::string& strPath, const std::uint8_t* pData,
                           std::size_t nSize);
