// The platform on POSIX systems: '/' separators, UTF-8 paths (no double-byte
// lead bytes). Folder listings are sorted by name so runs are reproducible.
// Questions answer Cancel and notices go to standard error; a front end that
// talks to a user overrides AskYesNoCancel and ShowNotice.
#pragma once

#include <string>

#include "IPlatform.h"

class CPosixPlatform : public IPlatform {
public:
    explicit CPosixPlatform(std::string strTitle = "Kestrel");

    char Separator() const override { return '/'; }
    bool IsLeadByte(unsigned char) const override { return false; }

    // Links are followed. A file is read-only when its owner may not write it.
    PathAttributes QueryAttributes(const std::string& strPath) override;
    // Gives back the owner's write permission of an existing file.
    void MakeAttributesNormal(const std::string& strPath) override;

    bool CreateFolder(const std::string& strPath) override;
    bool ChangeFolder(const std::string& strPath) override;
    std::string CurrentFolder() override;
    bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) override;
    // "device:inode".
    std::string FolderIdentity(const std::string& strFolder) override;

    // Only regular files are read (a pipe or device never blocks the run).
    EReadResult ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                              std::uint64_t nMaxBytes) override;
    EWriteResult WriteNewFile(const std::string& strPath, const std::uint8_t* pData,
                              std::size_t nSize) override;
    bool MoveReplace(const std::string& strFrom, const std::string& strTo) override;
    bool RemoveFile(const std::string& strPath) override;

    EAnswer AskYesNoCancel(const std::string& strText) override;
    void ShowNotice(const std::string& strText) override;
    std::string ApplicationTitle() override { return m_strTitle; }

private:
    std::string m_strTitle;
};
