// The platform on Windows, through the ANSI entry points: '\' separators,
// paths in the active ANSI code page (double-byte aware).
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "IPlatform.h"

class CWin32Platform : public IPlatform {
public:
    // hOwner owns the question and notice boxes; it can be set later, from
    // any thread, with SetOwnerWindow.
    explicit CWin32Platform(HWND hOwner = nullptr);

    void SetOwnerWindow(HWND hOwner) { m_hOwner.store(hOwner); }
    HWND OwnerWindow() const { return m_hOwner.load(); }

    char Separator() const override { return '\\'; }
    bool IsLeadByte(unsigned char byValue) const override;

    PathAttributes QueryAttributes(const std::string& strPath) override;
    void MakeAttributesNormal(const std::string& strPath) override;

    bool CreateFolder(const std::string& strPath) override;
    bool ChangeFolder(const std::string& strPath) override;
    std::string CurrentFolder() override;
    // Lists strFolder\* directly (the current folder is left alone).
    bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) override;
    // "volume serial:file index".
    std::string FolderIdentity(const std::string& strFolder) override;

    EReadResult ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                              std::uint64_t nMaxBytes) override;
    EWriteResult WriteNewFile(const std::string& strPath, const std::uint8_t* pData,
                              std::size_t nSize) override;
    bool MoveReplace(const std::string& strFrom, const std::string& strTo) override;
    bool RemoveFile(const std::string& strPath) override;

    // MB_YESNOCANCEL | MB_ICONQUESTION.
    EAnswer AskYesNoCancel(const std::string& strText) override;
    // MB_OK | MB_ICONEXCLAMATION.
    void ShowNotice(const std::string& strText) override;
    // The executable's file name without its extension ("Kestrel").
    std::string ApplicationTitle() override;

private:
    std::atomic<HWND> m_hOwner;
};
