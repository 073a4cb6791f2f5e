#include "ConvertFile.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

#include "BatchTexts.h"
#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "IPlatform.h"
#include "MemoryBudget.h"
#include "PathText.h"
#include "ResultDetail.h"
#include "RunFiles.h"
#include "WholeFileWrite.h"

namespace {

// The converter takes a signed 32-bit size.
constexpr std::uint64_t kMaxInputBytes = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

enum class EExisting {
    Replace,  // overwrite it
    Keep,     // leave it; the job ends with code 1 (strResult set as needed)
    Refuse,   // the job ends with the code returned alongside
};

// Decides whether an existing output may be replaced, asking the user while
// the run's mode is still "ask". One question at a time: with entries
// converted in parallel, a Yes or Cancel given to one question is seen by
// every entry that asks after it.
bool MayOverwrite(IPlatform& platform, FileItem& item, const std::string& strFileName) {
    static std::mutex s_mutexQuestion;
    std::lock_guard<std::mutex> lock(s_mutexQuestion);
    if (g_nOverwriteMode.load() == kOverwriteAsk) {
        switch (platform.AskYesNoCancel(strFileName + platform.PromptText(EPromptText::OverwriteTail))) {
        case EAnswer::Yes:
            g_nOverwriteMode.store(kOverwriteAll);
            break;
        case EAnswer::Cancel:
            g_nOverwriteMode.store(kOverwriteCancel);
            break;
        case EAnswer::No:
            item.strResult = kTextConvertCancel;
            SetDetail(item, kDetailOutputKept);
            break;
        }
    }
    return g_nOverwriteMode.load() == kOverwriteAll;
}

// An output that exists: the input itself and read-only files are refused,
// otherwise the overwrite question decides.
EExisting DecideOnExisting(IPlatform& platform, FileItem& item, const std::string& strFileName,
                           const std::string& strOutPath, const PathAttributes& existing,
                           const CRunFiles* pRunInputs, int& nCode) {
    if (platform.IsSameFile(item.strPath, strOutPath)) {
        item.strResult = kTextOutputOpenError;
        SetDetail(item, kDetailOutputIsInput);
        nCode = kResultOpenError;
        return EExisting::Refuse;
    }
    // Replacing a link replaces the file it leads to.
    if (existing.bLink && pRunInputs != nullptr && pRunInputs->FileAt(platform, strOutPath) != nullptr) {
        item.strResult = kTextOutputOpenError;
        SetDetail(item, kDetailOutputIsOtherInput);
        nCode = kResultOpenError;
        return EExisting::Refuse;
    }
    if (existing.bReadOnly) {
        item.strResult = kTextFileWriteError;
        SetDetail(item, kDetailOutputReadOnly);
        nCode = kResultWriteError;
        return EExisting::Refuse;
    }
    return MayOverwrite(platform, item, strFileName) ? EExisting::Replace : EExisting::Keep;
}

int WriteResultCode(const IPlatform& platform, FileItem& item, const WriteOutcome& outcome) {
    switch (outcome.eResult) {
    case EWriteResult::Ok:
        return 1;
    case EWriteResult::Exists:
    case EWriteResult::OpenFailed:
        item.strResult = kTextOutputOpenError;
        SetSystemErrorDetail(item, platform, outcome.nSystemError, kDetailOutputNotCreated);
        return kResultOpenError;
    case EWriteResult::WriteFailed:
        item.strResult = kTextFileWriteError;
        SetSystemErrorDetail(item, platform, outcome.nSystemError, kDetailOutputNotWritten);
        return kResultWriteError;
    }
    return kResultWriteError;
}

int WriteOutput(IPlatform& platform, FileItem& item, const std::string& strFileName, const std::string& strOutPath,
                bool bOutputExists, const ByteBuffer& output, const CRunFiles* pRunInputs) {
    int nLeftCode = 0;  // the job's code when an output that appeared is left alone
    const WriteOutcome outcome =
        PutWholeFile(platform, strOutPath, output.Data(), output.Size(), bOutputExists, [&] {
            if (bOutputExists) {
                return EExistingFile::Replace;  // decided before the conversion
            }
            // Another writer was quicker: the same rules as for an output
            // that was there from the start.
            const PathAttributes existing = platform.QueryAttributes(strOutPath);
            if (!existing.bValid) {
                return EExistingFile::Replace;
            }
            nLeftCode = 1;
            item.strResult.clear();
            item.strDetail.clear();
            switch (DecideOnExisting(platform, item, strFileName, strOutPath, existing, pRunInputs, nLeftCode)) {
            case EExisting::Refuse:
            case EExisting::Keep:
                return EExistingFile::Leave;
            case EExisting::Replace:
                break;
            }
            nLeftCode = 0;
            item.strResult = kTextConvertSuccess;
            platform.MakeAttributesNormal(strOutPath);
            return EExistingFile::Replace;
        });
    if (outcome.eResult == EWriteResult::Exists && nLeftCode != 0) {
        return nLeftCode;
    }
    return WriteResultCode(platform, item, outcome);
}

}  // namespace

int ConvertFile(IPlatform& platform, int nIndex, const std::string& strOutDir) {
    return ConvertFileItem(platform, g_vecFileItems[static_cast<std::size_t>(nIndex)], strOutDir);
}

bool WasCancelledAt(const FileItem& item) {
    return item.nResult == 1 && item.strResult.empty() && g_nOverwriteMode.load() == kOverwriteCancel;
}

int ConvertFileItem(IPlatform& platform, FileItem& item, const std::string& strOutDir, CMemoryBudget* pBudget,
                    const CRunFiles* pRunInputs) {
    const std::string strFileName = FileNameOf(platform, item.strPath);
    const std::string strOutPath = strOutDir + platform.Separator() + strFileName;

    const PathAttributes existing = platform.QueryAttributes(strOutPath);
    if (existing.bValid) {
        int nCode = 1;
        switch (DecideOnExisting(platform, item, strFileName, strOutPath, existing, pRunInputs, nCode)) {
        case EExisting::Refuse:
            return nCode;
        case EExisting::Keep:
            // No or Cancel: the existing output stays as it is.
            return 1;
        case EExisting::Replace:
            // A path that does not exist has no attributes to reset.
            platform.MakeAttributesNormal(strOutPath);
            break;
        }
    }

    if (!HasVelaExtension(platform, item.strPath)) {
        item.strResult = kTextNotVela;
        SetDetail(item, kDetailNotVela);
        return kResultNotVela;
    }

    CMemoryBudget::CReservation reservation(pBudget);
    std::int32_t nResult = 0;
    CRejectReason rejection;
    ByteBuffer output;
    {
        std::vector<std::uint8_t> vecInput;
        const ReadOutcome read = platform.ReadWholeFile(
            item.strPath, vecInput, kMaxInputBytes,
            [&reservation](std::uint64_t nSize) { reservation.Reserve(EstimatedJobMemory(nSize)); });
        switch (read.eResult) {
        case EReadResult::Ok:
            break;
        case EReadResult::OpenFailed:
            item.strResult = kTextFileOpenError;
            SetSystemErrorDetail(item, platform, read.nSystemError, kDetailInputUnreadable);
            return kResultOpenError;
        case EReadResult::TooLarge:
            // No VELA file is that long: its size field is what the
            // converter would reject.
            item.strResult = kTextFormatInvalid;
            SetDetail(item, kDetailTooLarge);
            return 0;
        }
        if (vecInput.empty()) {
            item.strResult = kTextSizeZero;
            SetDetail(item, kDetailEmptyInput);
            return kResultSizeZero;
        }
        try {
            CCnvLarkWrentoHeron converter;
            nResult = converter.Convert(vecInput.data(), static_cast<std::int32_t>(vecInput.size()), output);
            if (nResult <= 0) {
                rejection = converter.m_rejection;
            }
        } catch (const std::bad_alloc&) {
            // The input fits in memory, its conversion does not: this file
            // fails, the run goes on.
            item.strResult = kTextConvertError;
            SetRejectionDetail(item, CRejectReason{ERejectCode::OutOfMemory});
            return kResultConvertFailed;
        }
    }
    if (nResult == 0) {
        item.strResult = kTextFormatInvalid;
        SetRejectionDetail(item, rejection);
        return 0;
    }
    if (nResult < 0) {
        item.strResult = kTextConvertError;
        SetRejectionDetail(item, rejection);
        return nResult;
    }

    item.strResult = kTextConvertSuccess;
    const int nWrite = WriteOutput(platform, item, strFileName, strOutPath, existing.bValid, output, pRunInputs);
    return nWrite == 1 ? nResult : nWrite;
}
