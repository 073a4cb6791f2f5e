#include "ConvertFile.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

#include "BatchTexts.h"
#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "IPlatform.h"
#include "PathText.h"

namespace {

// The converter takes a signed 32-bit size.
constexpr std::uint64_t kMaxInputBytes = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

// Attempts at finding a free temporary name before giving up.
constexpr int kTempNameAttempts = 1000;

// Decides whether an existing output may be replaced, asking the user while
// the run's mode is still "ask". One question at a time: with entries
// converted in parallel, a Yes or Cancel given to one question is seen by
// every entry that asks after it.
bool MayOverwrite(IPlatform& platform, FileItem& item, const std::string& strFileName) {
    static std::mutex s_mutexQuestion;
    std::lock_guard<std::mutex> lock(s_mutexQuestion);
    if (g_nOverwriteMode.load() == kOverwriteAsk) {
        switch (platform.AskYesNoCancel(strFileName + kTextOverwriteTail)) {
        case EAnswer::Yes:
            g_nOverwriteMode.store(kOverwriteAll);
            break;
        case EAnswer::Cancel:
            g_nOverwriteMode.store(kOverwriteCancel);
            break;
        case EAnswer::No:
            item.strResult = kTextConvertCancel;
            break;
        }
    }
    return g_nOverwriteMode.load() == kOverwriteAll;
}

// A name in the output folder that no other writer uses: created exclusively,
// so an existing file (of another run or program) is never touched.
std::string TempName(const IPlatform& platform, const std::string& strOutDir) {
    static std::atomic<unsigned> s_nCounter{0};
    return strOutDir + platform.Separator() + "~kst" + std::to_string(s_nCounter.fetch_add(1)) + ".tmp";
}

// Writes a new output in place: created exclusively, and removed again if
// writing it fails, so no partial file is left behind.
EWriteResult WriteFreshOutput(IPlatform& platform, const std::string& strOutPath, const ByteBuffer& output) {
    const EWriteResult eWrite = platform.WriteNewFile(strOutPath, output.Data(), output.Size());
    if (eWrite == EWriteResult::WriteFailed) {
        platform.RemoveFile(strOutPath);
    }
    return eWrite;
}

// Replaces an existing output: written next to it under a temporary name and
// renamed over it, so a failed write leaves the old output intact.
EWriteResult ReplaceOutput(IPlatform& platform, const std::string& strOutDir, const std::string& strOutPath,
                           const ByteBuffer& output, bool& bTargetRefused) {
    std::string strTemp;
    EWriteResult eWrite = EWriteResult::Exists;
    for (int nAttempt = 0; nAttempt < kTempNameAttempts && eWrite == EWriteResult::Exists; ++nAttempt) {
        strTemp = TempName(platform, strOutDir);
        eWrite = platform.WriteNewFile(strTemp, output.Data(), output.Size());
    }
    if (eWrite == EWriteResult::WriteFailed) {
        platform.RemoveFile(strTemp);
    }
    // The target itself refuses to be replaced (a folder of that name, a file
    // locked by another program): where a direct write would have failed to
    // open it.
    if (eWrite == EWriteResult::Ok && !platform.MoveReplace(strTemp, strOutPath)) {
        platform.RemoveFile(strTemp);
        bTargetRefused = true;
    }
    return eWrite;
}

int WriteOutput(IPlatform& platform, FileItem& item, const std::string& strOutDir, const std::string& strOutPath,
                bool bOutputExists, const ByteBuffer& output) {
    EWriteResult eWrite = EWriteResult::Exists;
    if (!bOutputExists) {
        eWrite = WriteFreshOutput(platform, strOutPath, output);
    }
    bool bTargetRefused = false;
    if (eWrite == EWriteResult::Exists) {
        // Existing output (or one that appeared since it was looked for).
        eWrite = ReplaceOutput(platform, strOutDir, strOutPath, output, bTargetRefused);
    }
    switch (eWrite) {
    case EWriteResult::Ok:
        break;
    case EWriteResult::Exists:
    case EWriteResult::OpenFailed:
        item.strResult = kTextOutputOpenError;
        return kResultOpenError;
    case EWriteResult::WriteFailed:
        item.strResult = kTextFileWriteError;
        return kResultWriteError;
    }
    if (bTargetRefused) {
        item.strResult = kTextOutputOpenError;
        return kResultOpenError;
    }
    return 1;
}

}  // namespace

int ConvertFile(IPlatform& platform, int nIndex, const std::string& strOutDir) {
    return ConvertFileItem(platform, g_vecFileItems[static_cast<std::size_t>(nIndex)], strOutDir);
}

int ConvertFileItem(IPlatform& platform, FileItem& item, const std::string& strOutDir) {
    const std::string strFileName = FileNameOf(platform, item.strPath);
    const std::string strOutPath = strOutDir + platform.Separator() + strFileName;

    const PathAttributes existing = platform.QueryAttributes(strOutPath);
    if (existing.bValid) {
        if (existing.bReadOnly) {
            item.strResult = kTextFileWriteError;
            return kResultWriteError;
        }
        if (!MayOverwrite(platform, item, strFileName)) {
            // No or Cancel: the existing output stays as it is.
            return 1;
        }
    }
    if (existing.bValid) {
        // A path that does not exist has no attributes to reset.
        platform.MakeAttributesNormal(strOutPath);
    }

    if (!HasVelaExtension(platform, item.strPath)) {
        item.strResult = kTextNotVela;
        return kResultNotVela;
    }

    std::int32_t nResult = 0;
    ByteBuffer output;
    {
        std::vector<std::uint8_t> vecInput;
        switch (platform.ReadWholeFile(item.strPath, vecInput, kMaxInputBytes)) {
        case EReadResult::Ok:
            break;
        case EReadResult::OpenFailed:
            item.strResult = kTextFileOpenError;
            return kResultOpenError;
        case EReadResult::TooLarge:
            // No VELA file is that long: its size field is what the
            // converter would reject.
            item.strResult = kTextFormatInvalid;
            return 0;
        }
        if (vecInput.empty()) {
            item.strResult = kTextSizeZero;
            return kResultSizeZero;
        }
        CCnvLarkWrentoHeron converter;
        nResult = converter.Convert(vecInput.data(), static_cast<std::int32_t>(vecInput.size()), output);
    }
    if (nResult == 0) {
        item.strResult = kTextFormatInvalid;
        return 0;
    }
    if (nResult < 0) {
        item.strResult = kTextConvertError;
        return nResult;
    }

    item.strResult = kTextConvertSuccess;
    const int nWrite = WriteOutput(platform, item, strOutDir, strOutPath, existing.bValid, output);
    return nWrite == 1 ? nResult : nWrite;
}
