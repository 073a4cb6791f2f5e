// The one way a file is written, whatever writes it (an output, a report, a
// drawing): whole or not at all. A new file appears only complete; an
// existing one is replaced in one step and kept as it was when anything
// fails. The platform keeps the rules of the step itself (the old file's
// permission bits, never a rename over anything but a regular file, a link
// followed to its file, a device or pipe written through).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "IFileSystem.h"

class CRunFiles;

enum class EExistingFile { Replace, Leave };

// Puts the bytes at strPath: as a new file unless bKnownToExist, and over
// the file that stands there (known, or appeared meanwhile) once
// fnOnExisting answers Replace. Leave gives Exists with nothing touched.
WriteOutcome PutWholeFile(IFileSystem& platform, const std::string& strPath, const std::uint8_t* pData, std::size_t nSize,
                          bool bKnownToExist, const std::function<EExistingFile()>& fnOnExisting);

// A file a user named: never one of the run's files (runFiles: its inputs
// and outputs, by identity), a folder or a read-only file; an existing one
// is replaced. Empty on success, otherwise why the file could not be
// written (the system's words where it gave a reason).
std::string WriteWholeFile(IFileSystem& platform, const std::string& strPath, const std::uint8_t* pData,
                           std::size_t nSize, const CRunFiles& runFiles);
