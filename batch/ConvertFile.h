// The per-file job: one entry of the file list becomes one output file.
#pragma once

#include <string>

#include "BatchState.h"

class IPlatform;

// Result codes of the job besides the converter's own results (1 success,
// 0 input rejected, negative converter failure).
inline constexpr int kResultWriteError = -1;   // output read-only, or writing it failed
inline constexpr int kResultOpenError = -2;    // input or output could not be opened
inline constexpr int kResultNotVela = -3;      // name does not end in ".mmf"
inline constexpr int kResultSizeZero = -4;     // input is empty

// Converts entry nIndex of g_vecFileItems into strOutDir (no trailing
// separator; from MakeOutputDir) and returns the result code. Sets only the
// entry's strResult, g_nOverwriteMode and the file system.
int ConvertFile(IPlatform& platform, int nIndex, const std::string& strOutDir);

// The same for an item held anywhere. Touches nothing else of the process but
// g_nOverwriteMode (the overwrite question is asked by one thread at a time),
// so entries may be converted on several threads at once.
//
// A new output is created exclusively and removed again if writing it fails;
// an existing output is replaced by writing a temporary file next to it and
// renaming it over the target. Either way a failed write leaves neither a
// partial file nor a damaged earlier output.
int ConvertFileItem(IPlatform& platform, FileItem& item, const std::string& strOutDir);
