#include "WholeFileWrite.h"

#include "IPlatform.h"

std::string WriteWholeFile(IPlatform& platform, const std::string& strPath, const std::uint8_t* pData,
                           std::size_t nSize) {
    const PathAttributes existing = platform.QueryAttributes(strPath);
    if (existing.bValid && existing.bDirectory) {
        return "it is a folder";
    }
    if (existing.bValid && existing.bReadOnly) {
        return "it is read-only";
    }
    WriteOutcome outcome{EWriteResult::Exists, 0};
    if (!existing.bValid) {
        outcome = platform.WriteNewFile(strPath, pData, nSize);
    }
    // Also when the file appeared since it was looked for.
    if (outcome.eResult == EWriteResult::Exists) {
        outcome = platform.ReplaceFile(strPath, pData, nSize);
    }
    if (outcome.eResult == EWriteResult::Ok) {
        return {};
    }
    return outcome.nSystemError != 0 ? platform.SystemErrorText(outcome.nSystemError) : "cannot be written";
}
