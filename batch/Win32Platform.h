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
    // The volume serial and the 128-bit file ID where the system offers it
    // (so ReFS folders are told apart), else the 64-bit file index.
    std::string FolderIdentity(const std::string& strFolder) override;

    ReadOutcome ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                              std::uint64_t nMaxBytes,
                              const std::function<void(std::uint64_t)>& fnReserve) override;
    // A temporary name beside the target, then MoveFileExA without
    // MOVEFILE_REPLACE_EXISTING, which fails when the target has appeared.
    WriteOutcome WriteNewFile(const std::string& strPath, const std::uint8_t* pData,
                              std::size_t nSize) override;
    // A temporary name beside the target, then MoveFileExA with
    // MOVEFILE_REPLACE_EXISTING. A link (reparse point) is followed to its
    // file (GetFinalPathNameByHandle), which is replaced; a character device
    // or a pipe is written through.
    WriteOutcome ReplaceExistingFile(const std::string& strPath, const std::uint8_t* pData,
                             std::size_t nSize) override;
    // A temporary file is written without sharing: opening it fails with a
    // sharing violation while its writer works. The first write into a
    // folder deletes the temporary files there whose process has ended
    // (which fails for any that is still open).
    bool IsTemporaryInUse(const std::string& strPath) override;
    // By volume and file ID; when a path cannot be opened, by its full path
    // with case ignored.
    bool IsSameFile(const std::string& strFirst, const std::string& strSecond) override;
    // Upper case in the ANSI code page, '/' as '\\'.
    std::string PathKey(const std::string& strPath) const override;
    std::string SystemErrorText(int nSystemError) const override;
    // Half of the smaller of the physical memory and the address space.
    std::uint64_t MemoryForJobs() override;

    // MB_YESNOCANCEL | MB_ICONQUESTION.
    EAnswer AskYesNoCancel(const std::string& strText) override;
    // MB_OK | MB_ICONEXCLAMATION.
    void ShowNotice(const std::string& strText) override;
    // The executable's file name without its extension ("Kestrel").
    std::string ApplicationTitle() override;
    // The built-in copies; the dialog application loads its resources.
    std::string PromptText(EPromptText eText) override;

private:
    WriteOutcome WriteAndMove(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize,
                              DWORD dwMoveFlags, int nLinksLeft);
    WriteOutcome WriteThrough(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize);

    std::atomic<HWND> m_hOwner;
};
