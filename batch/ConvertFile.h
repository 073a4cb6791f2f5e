// The per-file job: one entry of the file list becomes one output file.
#pragma once

#include <string>

#include "BatchState.h"

class IPlatform;
class CMemoryBudget;
class CRunFiles;

// Converts entry nIndex of g_vecFileItems into strOutDir (no trailing
// separator; from MakeOutputDir) and returns the result code. Sets only the
// entry's outcome (SetOutcome) and detail, g_nOverwriteMode and the file
// system.
int ConvertFile(IPlatform& platform, int nIndex, const std::string& strOutDir);

// The same for an item held anywhere. Touches nothing else of the process but
// g_nOverwriteMode (the overwrite question is asked by one thread at a time),
// so entries may be converted on several threads at once; pBudget (when
// given) bounds the memory they hold together.
//
// An output that is the input itself is refused, and so is an output that is
// a link to another input of the run (pRunInputs, when given: a link is
// followed to the file it leads to). Outputs are written whole or not at all
// (PutWholeFile, the one way files are written): a failed write or a killed
// run leaves neither a partial file nor a damaged earlier output. An output
// that appears while the input converts is treated like one that was there
// from the start: read-only refusal, then the overwrite question.
int ConvertFileItem(IPlatform& platform, FileItem& item, const std::string& strOutDir,
                    CMemoryBudget* pBudget = nullptr, const CRunFiles* pRunInputs = nullptr);

// Whether the run was cancelled at the overwrite question for this entry:
// it gets no result row.
bool WasCancelledAt(const FileItem& item);
