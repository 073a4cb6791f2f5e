// Path splitting that respects double-byte characters: in a double-byte code
// page the trail byte of a character may equal the separator code ("表" is
// 95 5C in Shift-JIS), and such a byte is not a separator.
#pragma once

#include <cstddef>
#include <string>

class IFileSystem;

// Offset of the last separator of strPath, or std::string::npos.
std::size_t FindLastSeparator(const IFileSystem& platform, const std::string& strPath);
// Whether nOffset is the start of a character (or the end of the text).
bool IsCharBoundary(const IFileSystem& platform, const std::string& strText, std::size_t nOffset);
// The part after the last separator; the whole path when it has none.
std::string FileNameOf(const IFileSystem& platform, const std::string& strPath);
// The part before the last separator; empty when it has none.
std::string FolderOf(const IFileSystem& platform, const std::string& strPath);
// Whether the last four characters are ".mmf", case ignored.
bool HasVelaExtension(const IFileSystem& platform, const std::string& strPath);
