// What the batch needs of the file system: queries and changes of files and
// folders, and how paths are spelt. One implementation per system
// (CPosixPlatform, CWin32Platform) and one in memory (the page, the tests).
//
// Method names avoid the Win32 macro names (DeleteFile, ReplaceFile, ...), so
// this header can be included before or after <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Result of an attribute query. bValid false: the path does not exist or
// cannot be queried (INVALID_FILE_ATTRIBUTES on Windows).
struct PathAttributes {
    bool bValid = false;
    bool bDirectory = false;
    bool bReadOnly = false;
    // The path itself is a link (a symbolic link, a reparse point); the
    // fields above describe what it leads to.
    bool bLink = false;
};

// One entry of a folder listing. bFolder is true for folders and for links
// that lead to a folder, which the folder scan enters like any other folder.
struct FolderEntry {
    std::string strName;
    bool bFolder = false;
};


enum class EReadResult {
    Ok,          // the whole file is in the buffer (possibly 0 bytes)
    OpenFailed,  // missing, not a regular file, no permission, locked, no memory for it, ...
    TooLarge,    // longer than the caller's limit; nothing was read
};

enum class EWriteResult {
    Ok,
    Exists,       // the path already exists; nothing was touched
    OpenFailed,   // could not be created or put in place; nothing was changed
    WriteFailed,  // writing failed (disk full, ...); nothing was changed
};

// A read or write result with the system's error code of the failure (errno
// or GetLastError), 0 when there is none. SystemErrorText gives its text.
struct ReadOutcome {
    EReadResult eResult = EReadResult::Ok;
    int nSystemError = 0;
};
struct WriteOutcome {
    EWriteResult eResult = EWriteResult::Ok;
    int nSystemError = 0;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // --- path text ---------------------------------------------------------
    // The folder separator: '\\' on Windows, '/' on POSIX.
    virtual char Separator() const = 0;
    // Whether byValue begins a double-byte character in the code page of path
    // texts (Windows ANSI code page). Its trail byte may equal the separator
    // code, so separator searches skip it. Always false for UTF-8 and
    // single-byte code pages, and for ASCII bytes (below 0x80) in any code
    // page, which the path functions therefore do not ask about.
    virtual bool IsLeadByte(unsigned char byValue) const = 0;

    // --- attributes --------------------------------------------------------
    virtual PathAttributes QueryAttributes(const std::string& strPath) = 0;
    // Drops read-only, hidden and system attributes (FILE_ATTRIBUTE_NORMAL).
    // Failure, a missing path included, is ignored by every caller.
    virtual void MakeAttributesNormal(const std::string& strPath) = 0;

    // --- folders -----------------------------------------------------------
    // Creates one folder level; false when it could not be created.
    virtual bool CreateFolder(const std::string& strPath) = 0;
    virtual bool ChangeFolder(const std::string& strPath) = 0;
    virtual std::string CurrentFolder() = 0;
    // Lists the entries of strFolder, "." and ".." left out. false when the
    // folder cannot be listed (missing, no permission, not a folder).
    virtual bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) = 0;
    // A text that is equal for two paths exactly when they lead to the same
    // folder (device and inode, volume and file index, or a canonical path);
    // empty when it cannot be determined.
    virtual std::string FolderIdentity(const std::string& strFolder) = 0;

    // Whether strFolder exists (anything under that name), as
    // QueryAttributes(strFolder).bValid; and a notice that the calls on this
    // thread until EndFolderUse concern files in that folder. A platform may
    // then hold the folder open and work relative to it, so the files land
    // in the folder found at this call even if it is renamed meanwhile; the
    // next call looks it up by its path again.
    virtual bool UseFolder(const std::string& strFolder) { return QueryAttributes(strFolder).bValid; }
    virtual void EndFolderUse() {}

    // --- files -------------------------------------------------------------
    // Reads the whole file. Opens existing files only, without sharing where
    // the system offers it. Files longer than nMaxBytes are not read. Once
    // the size is known, and before the buffer is allocated, fnReserve (when
    // given) is called with it; it may wait until that much memory is free.
    // A buffer that cannot be allocated is an OpenFailed.
    virtual ReadOutcome ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                                      std::uint64_t nMaxBytes,
                                      const std::function<void(std::uint64_t)>& fnReserve) = 0;
    // Creates strPath with the nSize bytes, all or nothing: they are written
    // aside (to an unnamed file where the system offers one, otherwise under
    // a temporary name that IsTemporaryName recognises) and put in place
    // only when complete, never over a file that exists by then (Exists).
    // Whenever the program is killed, strPath is either missing or complete.
    // Nothing is flushed to the disk: the guarantee covers the program's
    // end, not the machine's. A platform that names temporary files holds
    // them (IsTemporaryInUse) while it writes, and removes, in each folder
    // it writes to, those that ended processes left behind.
    virtual WriteOutcome WriteNewFile(const std::string& strPath, const std::uint8_t* pData,
                                      std::size_t nSize) = 0;
    // Replaces the file strPath by the nSize bytes in one step, the same way:
    // until the complete new file takes its place, the old one stays as it
    // was. Keeps the old file's permission bits where the system has them.
    // A link is followed: the file it leads to is replaced, the link stays.
    // A character device or a named pipe is written through, in place (a
    // pipe nobody reads refuses at once). Nothing else that is not a
    // regular file is ever replaced: a folder, a locked file, any other kind
    // of file, or a link that leads nowhere refuses (OpenFailed).
    virtual WriteOutcome ReplaceExistingFile(const std::string& strPath, const std::uint8_t* pData,
                                     std::size_t nSize) = 0;
    // Whether strPath, a file named like a temporary file (IsTemporaryName),
    // is held by a writer still at work, on this machine or another one
    // sharing the folder. Folder scans leave such files out and take any
    // other file, one that only looks like a temporary file too. Platforms
    // that never leave temporary files behind hold none.
    virtual bool IsTemporaryInUse(const std::string& /*strPath*/) { return false; }
    // Whether both paths lead to the same existing file (device and inode,
    // volume and file ID), however they are spelt.
    virtual bool IsSameFile(const std::string& strFirst, const std::string& strSecond) = 0;
    // A text under which two spellings of one path compare equal as far as
    // the text tells: the path itself on POSIX; on Windows case-folded, with
    // '/' read as '\'.
    virtual std::string PathKey(const std::string& strPath) const = 0;
    // The system's text for an error code of a ReadOutcome or WriteOutcome.
    virtual std::string SystemErrorText(int nSystemError) const = 0;
    // How many bytes the jobs of one run may hold in memory at once: a share
    // of the memory the process may use.
    virtual std::uint64_t MemoryForJobs() = 0;
};
