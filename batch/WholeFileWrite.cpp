#include "WholeFileWrite.h"

#include "RunFiles.h"

WriteOutcome PutWholeFile(IFileSystem& platform, const std::string& strPath, const std::uint8_t* pData, std::size_t nSize,
                          bool bKnownToExist, const std::function<EExistingFile()>& fnOnExisting) {
    if (!bKnownToExist) {
        const WriteOutcome created = platform.WriteNewFile(strPath, pData, nSize);
        if (created.eResult != EWriteResult::Exists) {
            return created;
        }
    }
    if (fnOnExisting() == EExistingFile::Leave) {
        return {EWriteResult::Exists, 0};
    }
    return platform.ReplaceExistingFile(strPath, pData, nSize);
}

std::string WriteWholeFile(IFileSystem& platform, const std::string& strPath, const std::uint8_t* pData,
                           std::size_t nSize, const CRunFiles& runFiles) {
    if (const RunFile* pFile = runFiles.FileAt(platform, strPath)) {
        return "it is " + DescribeRunFile(*pFile) + " of this run";
    }
    const PathAttributes existing = platform.QueryAttributes(strPath);
    if (existing.bValid && existing.bDirectory) {
        return "it is a folder";
    }
    if (existing.bValid && existing.bReadOnly) {
        return "it is read-only";
    }
    const WriteOutcome outcome =
        PutWholeFile(platform, strPath, pData, nSize, existing.bValid, [] { return EExistingFile::Replace; });
    if (outcome.eResult == EWriteResult::Ok) {
        return {};
    }
    return outcome.nSystemError != 0 ? platform.SystemErrorText(outcome.nSystemError) : "cannot be written";
}
