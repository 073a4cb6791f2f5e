// What the batch front end needs of the operating system: file-system queries
// and changes, the user's answers to questions and notices, and how paths are
// spelt. One implementation per system (CPosixPlatform, CWin32Platform); tests
// use an in-memory one.
//
// Method names avoid the Win32 macro names (DeleteFile, MessageBox, ...), so
// this header can be included before or after <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Result of an attribute query. bValid false: the path does not exist or
// cannot be queried (INVALID_FILE_ATTRIBUTES on Windows).
struct PathAttributes {
    bool bValid = false;
    bool bDirectory = false;
    bool bReadOnly = false;
};

// One entry of a folder listing. bFolder is true for folders and for links
// that lead to a folder, which the folder scan enters like any other folder.
struct FolderEntry {
    std::string strName;
    bool bFolder = false;
};

enum class EAnswer { Yes, No, Cancel };

enum class EReadResult {
    Ok,          // the whole file is in the buffer (possibly 0 bytes)
    OpenFailed,  // missing, not a regular file, no permission, locked, ...
    TooLarge,    // longer than the caller's limit; nothing was read
};

enum class EWriteResult {
    Ok,
    Exists,       // the path already exists; nothing was touched
    OpenFailed,   // could not be created; nothing was written
    WriteFailed,  // created, but writing, flushing or closing failed; the
                  // incomplete file is left for the caller to remove
};

class IPlatform {
public:
    virtual ~IPlatform() = default;

    // --- path text ---------------------------------------------------------
    // The folder separator: '\\' on Windows, '/' on POSIX.
    virtual char Separator() const = 0;
    // Whether byValue begins a double-byte character in the code page of path
    // texts (Windows ANSI code page). Its trail byte may equal the separator
    // code, so separator searches skip it. Always false for UTF-8 and
    // single-byte code pages.
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

    // --- files -------------------------------------------------------------
    // Reads the whole file. Opens existing files only, without sharing where
    // the system offers it. Files longer than nMaxBytes are not read.
    virtual EReadResult ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                                      std::uint64_t nMaxBytes) = 0;
    // Creates strPath, which must not exist yet, writes nSize bytes and
    // flushes them to the disk before closing.
    virtual EWriteResult WriteNewFile(const std::string& strPath, const std::uint8_t* pData,
                                      std::size_t nSize) = 0;
    // Renames strFrom to strTo, replacing an existing strTo in one step.
    virtual bool MoveReplace(const std::string& strFrom, const std::string& strTo) = 0;
    virtual bool RemoveFile(const std::string& strPath) = 0;

    // --- the user ------------------------------------------------------------
    // Modal Yes/No/Cancel question with the question-mark icon, captioned with
    // ApplicationTitle(). Closing the question answers Cancel. May be called
    // on the worker thread.
    virtual EAnswer AskYesNoCancel(const std::string& strText) = 0;
    // Modal notice with an OK button and the exclamation icon, captioned with
    // ApplicationTitle().
    virtual void ShowNotice(const std::string& strText) = 0;
    // The program's name: the executable's file name without its extension.
    virtual std::string ApplicationTitle() = 0;
};
