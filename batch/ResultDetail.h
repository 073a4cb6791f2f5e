// The detail of a result: why an entry failed, in plain words, for front
// ends that show more than the result text (kestrel-cli's Detail column).
// The job words it only when an entry fails, so a valid batch pays nothing.
#pragma once

#include "RejectReason.h"

struct FileItem;
class IFileSystem;

// The job's own refusals, where no system error tells more.
inline constexpr char kDetailOutputIsInput[] = "the output would overwrite the input itself";
inline constexpr char kDetailOutputIsOtherInput[] = "the output would overwrite another input of this run";
inline constexpr char kDetailOutputReadOnly[] = "the existing output is read-only";
inline constexpr char kDetailOutputKept[] = "the existing output was kept, not overwritten";
inline constexpr char kDetailNotVela[] = "the name does not end in .mmf";
inline constexpr char kDetailEmptyInput[] = "the input file is empty";
inline constexpr char kDetailTooLarge[] = "the input is 2 GiB or larger, more than the converter takes";
inline constexpr char kDetailOutOfMemory[] = "memory ran out";
// A read or write that failed without a system error code.
inline constexpr char kDetailInputUnreadable[] = "the input could not be read";
inline constexpr char kDetailOutputNotCreated[] = "the output could not be created";
inline constexpr char kDetailOutputNotWritten[] = "the output could not be written";

// Each sets item.strDetail. A detail explains a result and never changes
// one: when memory runs out while wording it, it stays empty.
void SetDetail(FileItem& item, const char* pszDetail) noexcept;
// The converter's recorded reason, in the words kestrel-info uses too.
void SetRejectionDetail(FileItem& item, const CRejectReason& reason) noexcept;
// The system's text for the error code; pszWithoutCode when there is none.
void SetSystemErrorDetail(FileItem& item, const IFileSystem& platform, int nSystemError,
                          const char* pszWithoutCode) noexcept;
