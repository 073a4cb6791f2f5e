#include "ResultDetail.h"

#include "BatchState.h"
#include "IFileSystem.h"
#include "RejectText.h"

namespace {

template <class FnWords>
void Word(FileItem& item, FnWords&& fnWords) noexcept {
    try {
        item.strDetail = fnWords();
    } catch (...) {
        item.strDetail.clear();
    }
}

}  // namespace

void SetDetail(FileItem& item, const char* pszDetail) noexcept {
    Word(item, [pszDetail] { return std::string(pszDetail); });
}

void SetRejectionDetail(FileItem& item, const CRejectReason& reason) noexcept {
    Word(item, [&reason] { return fileinfo::DescribeRejection(reason); });
}

void SetSystemErrorDetail(FileItem& item, const IFileSystem& platform, int nSystemError,
                          const char* pszWithoutCode) noexcept {
    Word(item, [&] { return nSystemError != 0 ? platform.SystemErrorText(nSystemError) : std::string(pszWithoutCode); });
}
