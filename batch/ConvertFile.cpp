#include "ConvertFile.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

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
    Keep,     // leave it: declined, or the run was cancelled (the outcome is set)
    Refuse,   // the job ends with the outcome set
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
            SetOutcome(item, EFileOutcome::Declined);
            SetDetail(item, kDetailOutputKept);
            return false;
        }
    }
    if (g_nOverwriteMode.load() == kOverwriteAll) {
        return true;
    }
    SetOutcome(item, EFileOutcome::Cancelled);
    return false;
}

// An output that exists: the input itself and read-only files are refused,
// otherwise the overwrite question decides.
EExisting DecideOnExisting(IPlatform& platform, FileItem& item, const std::string& strFileName,
                           const std::string& strOutPath, const PathAttributes& existing,
                           const CRunFiles* pRunInputs) {
    if (platform.IsSameFile(item.strPath, strOutPath)) {
        SetOutcome(item, EFileOutcome::OutputOpenError);
        SetDetail(item, kDetailOutputIsInput);
        return EExisting::Refuse;
    }
    // Replacing a link replaces the file it leads to.
    if (existing.bLink && pRunInputs != nullptr && pRunInputs->FileAt(platform, strOutPath) != nullptr) {
        SetOutcome(item, EFileOutcome::OutputOpenError);
        SetDetail(item, kDetailOutputIsOtherInput);
        return EExisting::Refuse;
    }
    if (existing.bReadOnly) {
        SetOutcome(item, EFileOutcome::WriteError);
        SetDetail(item, kDetailOutputReadOnly);
        return EExisting::Refuse;
    }
    return MayOverwrite(platform, item, strFileName) ? EExisting::Replace : EExisting::Keep;
}

// Records the outcome of writing the output; true when it was written.
bool RecordWrite(const IPlatform& platform, FileItem& item, const WriteOutcome& outcome) {
    switch (outcome.eResult) {
    case EWriteResult::Ok:
        SetOutcome(item, EFileOutcome::Converted);
        return true;
    case EWriteResult::Exists:
    case EWriteResult::OpenFailed:
        SetOutcome(item, EFileOutcome::OutputOpenError);
        SetSystemErrorDetail(item, platform, outcome.nSystemError, kDetailOutputNotCreated);
        return false;
    case EWriteResult::WriteFailed:
        break;
    }
    SetOutcome(item, EFileOutcome::WriteError);
    SetSystemErrorDetail(item, platform, outcome.nSystemError, kDetailOutputNotWritten);
    return false;
}

// Writes the converted output and records the entry's outcome.
void WriteOutput(IPlatform& platform, FileItem& item, const std::string& strFileName, const std::string& strOutPath,
                 bool bOutputExists, const ByteBuffer& output, const CRunFiles* pRunInputs) {
    bool bLeft = false;  // an output that appeared meanwhile is left alone (the outcome is recorded)
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
            switch (DecideOnExisting(platform, item, strFileName, strOutPath, existing, pRunInputs)) {
            case EExisting::Refuse:
            case EExisting::Keep:
                bLeft = true;
                return EExistingFile::Leave;
            case EExisting::Replace:
                break;
            }
            platform.MakeAttributesNormal(strOutPath);
            return EExistingFile::Replace;
        });
    if (outcome.eResult == EWriteResult::Exists && bLeft) {
        return;
    }
    RecordWrite(platform, item, outcome);
}

}  // namespace

int ConvertFile(IPlatform& platform, int nIndex, const std::string& strOutDir) {
    return ConvertFileItem(platform, g_vecFileItems[static_cast<std::size_t>(nIndex)], strOutDir);
}

bool WasCancelledAt(const FileItem& item) {
    return item.eOutcome == EFileOutcome::Cancelled;
}

int ConvertFileItem(IPlatform& platform, FileItem& item, const std::string& strOutDir, CMemoryBudget* pBudget,
                    const CRunFiles* pRunInputs) {
    const std::string strFileName = FileNameOf(platform, item.strPath);
    const std::string strOutPath = strOutDir + platform.Separator() + strFileName;

    const PathAttributes existing = platform.QueryAttributes(strOutPath);
    if (existing.bValid) {
        switch (DecideOnExisting(platform, item, strFileName, strOutPath, existing, pRunInputs)) {
        case EExisting::Refuse:
        case EExisting::Keep:
            // No or Cancel: the existing output stays as it is.
            return ResultCode(item.eOutcome);
        case EExisting::Replace:
            // A path that does not exist has no attributes to reset.
            platform.MakeAttributesNormal(strOutPath);
            break;
        }
    }

    if (!HasVelaExtension(platform, item.strPath)) {
        const int nCode = SetOutcome(item, EFileOutcome::NotVela);
        SetDetail(item, kDetailNotVela);
        return nCode;
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
        case EReadResult::OpenFailed: {
            const int nCode = SetOutcome(item, EFileOutcome::InputOpenError);
            SetSystemErrorDetail(item, platform, read.nSystemError, kDetailInputUnreadable);
            return nCode;
        }
        case EReadResult::TooLarge: {
            // No VELA file is that long: its size field is what the
            // converter would reject.
            const int nCode = SetOutcome(item, EFileOutcome::FormatInvalid);
            SetDetail(item, kDetailTooLarge);
            return nCode;
        }
        }
        if (vecInput.empty()) {
            const int nCode = SetOutcome(item, EFileOutcome::InputEmpty);
            SetDetail(item, kDetailEmptyInput);
            return nCode;
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
            const int nCode = SetOutcome(item, EFileOutcome::OutOfMemory);
            SetRejectionDetail(item, CRejectReason{ERejectCode::OutOfMemory});
            return nCode;
        }
    }
    if (nResult <= 0) {
        const int nCode = SetOutcome(item, nResult == 0 ? EFileOutcome::FormatInvalid : EFileOutcome::ConvertFailed,
                                     nResult);
        SetRejectionDetail(item, rejection);
        return nCode;
    }

    WriteOutput(platform, item, strFileName, strOutPath, existing.bValid, output, pRunInputs);
    return ResultCode(item.eOutcome);
}
