// The platform on POSIX systems: '/' separators, UTF-8 paths (no double-byte
// lead bytes). Folder listings are sorted by name so runs are reproducible.
// Questions answer Cancel and notices go to standard error; a front end that
// talks to a user overrides AskYesNoCancel and ShowNotice.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "IPlatform.h"
#include "PosixFileWrite.h"

class CPosixPlatform : public IPlatform {
public:
    explicit CPosixPlatform(std::string strTitle = "Kestrel");

    char Separator() const override { return '/'; }
    bool IsLeadByte(unsigned char) const override { return false; }

    // Links are followed (and reported). A file is read-only when its owner
    // may not write it.
    PathAttributes QueryAttributes(const std::string& strPath) override;
    // Gives back the owner's write permission of an existing file.
    void MakeAttributesNormal(const std::string& strPath) override;

    // Holds the folder open on this thread (one folder per thread), so the
    // calls for files directly in it look up one name instead of the whole
    // path. The hold is checked against the path at every call: a folder
    // renamed or replaced since the last one is not used again.
    bool UseFolder(const std::string& strFolder) override;
    void EndFolderUse() override;

    bool CreateFolder(const std::string& strPath) override;
    bool ChangeFolder(const std::string& strPath) override;
    std::string CurrentFolder() override;
    // The kind of each entry is looked up relative to the open folder, so
    // it is known however long the folder's path is.
    bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) override;
    // "device:inode".
    std::string FolderIdentity(const std::string& strFolder) override;

    // Only regular files are read (a pipe or device never blocks the run).
    ReadOutcome ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                              std::uint64_t nMaxBytes,
                              const std::function<void(std::uint64_t)>& fnReserve) override;
    // Linux: an unnamed file (O_TMPFILE) linked into place. Elsewhere, or on
    // file systems without it: a temporary name, renamed without replacing.
    // The file is locked (flock) while it is written; the first write into a
    // folder removes the temporary files there that are unlocked and whose
    // process has ended.
    WriteOutcome WriteNewFile(const std::string& strPath, const std::uint8_t* pData,
                              std::size_t nSize) override;
    // The new file gets the old one's permission bits (and, for root, its
    // owner) before it is renamed over it; the rename happens only while a
    // regular file or nothing stands at the path.
    WriteOutcome ReplaceExistingFile(const std::string& strPath, const std::uint8_t* pData,
                             std::size_t nSize) override;
    // Whether somebody holds the file's lock.
    bool IsTemporaryInUse(const std::string& strPath) override;
    bool IsSameFile(const std::string& strFirst, const std::string& strSecond) override;
    std::string PathKey(const std::string& strPath) const override { return strPath; }
    std::string SystemErrorText(int nSystemError) const override;
    // Half of the smaller of the physical memory and the address-space limit.
    std::uint64_t MemoryForJobs() override;

    EAnswer AskYesNoCancel(const std::string& strText) override;
    void ShowNotice(const std::string& strText) override;
    std::string ApplicationTitle() override { return m_strTitle; }
    std::string PromptText(EPromptText eText) override;

protected:
    // Points of a file write, for tests that interrupt one at a known place.
    using EWriteStage = ::EWriteStage;
    virtual void OnWriteStage(EWriteStage /*eStage*/, const std::string& /*strPath*/) {}

    // Tests take the road of file systems without unnamed files.
    void UseUnnamedFiles(bool bUse) { m_bUnnamedFiles = bUse; }

private:
    // A path as a folder descriptor and a name in it: the folder in use and
    // the file's name when the path lies directly in it, otherwise AT_FDCWD
    // and the path itself. Valid while strPath lives.
    struct AtPath {
        int nFolderFd;
        const char* pszName;
    };
    AtPath Resolve(const std::string& strPath) const;

    // Links followed to the file to replace, at most this many in a row
    // (the target of a link is found whole, so one suffices but for races).
    static constexpr int kLinksFollowed = 8;

    // Writes the bytes beside strPath and puts them in place, replacing an
    // existing file or not.
    WriteOutcome WriteAndPlace(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize,
                               bool bReplace, int nLinksLeft);
    // Once per folder: removes the temporary files that ended processes
    // left in the folder a write puts its file in (nFolderFd, or the folder
    // strPrefix when it is AT_FDCWD).
    void RemoveStaleTemporariesOnce(int nFolderFd, const std::string& strPrefix);

    std::string m_strTitle;
    bool m_bUnnamedFiles = true;
    // Tells this platform's folder holds from those of other instances.
    std::uint64_t m_nSerial;
    struct SweptFolders;
    std::shared_ptr<SweptFolders> m_pSwept;
};
