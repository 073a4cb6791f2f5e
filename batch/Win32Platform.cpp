#include "Win32Platform.h"

#include <string>

#include "PathText.h"

namespace {

// Closes a file handle when the scope ends.
class CFileHandle {
public:
    explicit CFileHandle(HANDLE hFile) : m_hFile(hFile) {}
    ~CFileHandle() {
        if (m_hFile != INVALID_HANDLE_VALUE) {
            ::CloseHandle(m_hFile);
        }
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    HANDLE Get() const { return m_hFile; }
    bool Valid() const { return m_hFile != INVALID_HANDLE_VALUE; }
    bool Close() {
        const HANDLE hFile = m_hFile;
        m_hFile = INVALID_HANDLE_VALUE;
        return hFile == INVALID_HANDLE_VALUE || ::CloseHandle(hFile) != FALSE;
    }

private:
    HANDLE m_hFile;
};

// Largest piece handed to one ReadFile or WriteFile call.
constexpr DWORD kMaxChunk = 1u << 30;

}  // namespace

CWin32Platform::CWin32Platform(HWND hOwner) : m_hOwner(hOwner) {}

bool CWin32Platform::IsLeadByte(unsigned char byValue) const {
    return ::IsDBCSLeadByte(byValue) != FALSE;
}

PathAttributes CWin32Platform::QueryAttributes(const std::string& strPath) {
    PathAttributes attributes;
    const DWORD dwAttributes = ::GetFileAttributesA(strPath.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
        return attributes;
    }
    attributes.bValid = true;
    attributes.bDirectory = (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    attributes.bReadOnly = (dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return attributes;
}

void CWin32Platform::MakeAttributesNormal(const std::string& strPath) {
    ::SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
}

bool CWin32Platform::CreateFolder(const std::string& strPath) {
    return ::CreateDirectoryA(strPath.c_str(), nullptr) != FALSE;
}

bool CWin32Platform::ChangeFolder(const std::string& strPath) {
    return ::SetCurrentDirectoryA(strPath.c_str()) != FALSE;
}

std::string CWin32Platform::CurrentFolder() {
    const DWORD dwLength = ::GetCurrentDirectoryA(0, nullptr);
    if (dwLength == 0) {
        return {};
    }
    std::string strBuffer(dwLength, '\0');
    const DWORD dwWritten = ::GetCurrentDirectoryA(dwLength, strBuffer.data());
    strBuffer.resize(dwWritten < dwLength ? dwWritten : 0);
    return strBuffer;
}

bool CWin32Platform::ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) {
    std::string strPattern = strFolder;
    const std::size_t nLast = FindLastSeparator(*this, strFolder);
    if (strFolder.empty() || nLast != strFolder.size() - 1) {
        strPattern += '\\';
    }
    strPattern += '*';

    WIN32_FIND_DATAA data{};
    const HANDLE hFind = ::FindFirstFileA(strPattern.c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) {
        // An empty drive root lists nothing at all, which is no failure.
        const DWORD dwError = ::GetLastError();
        const DWORD dwAttributes = ::GetFileAttributesA(strFolder.c_str());
        return dwError == ERROR_FILE_NOT_FOUND && dwAttributes != INVALID_FILE_ATTRIBUTES &&
               (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    do {
        const std::string strName = data.cFileName;
        if (strName == "." || strName == "..") {
            continue;
        }
        // Junctions and folder links carry the directory attribute too.
        vecEntries.push_back(FolderEntry{strName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileA(hFind, &data) != FALSE);
    ::FindClose(hFind);
    return true;
}

std::string CWin32Platform::FolderIdentity(const std::string& strFolder) {
    // FILE_FLAG_BACKUP_SEMANTICS opens folders; without FILE_FLAG_OPEN_REPARSE_POINT
    // a junction or link is followed to its target.
    CFileHandle folder(::CreateFileA(strFolder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.Valid()) {
        return {};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(folder.Get(), &info)) {
        return {};
    }
    return std::to_string(info.dwVolumeSerialNumber) + ':' + std::to_string(info.nFileIndexHigh) + ':' +
           std::to_string(info.nFileIndexLow);
}

EReadResult CWin32Platform::ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                                          std::uint64_t nMaxBytes) {
    vecData.clear();
    CFileHandle file(::CreateFileA(strPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
    if (!file.Valid()) {
        return EReadResult::OpenFailed;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
        return EReadResult::OpenFailed;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > nMaxBytes) {
        return EReadResult::TooLarge;
    }
    vecData.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t nDone = 0;
    while (nDone < vecData.size()) {
        const std::size_t nLeft = vecData.size() - nDone;
        const DWORD dwWant = nLeft > kMaxChunk ? kMaxChunk : static_cast<DWORD>(nLeft);
        DWORD dwRead = 0;
        if (!::ReadFile(file.Get(), vecData.data() + nDone, dwWant, &dwRead, nullptr)) {
            return EReadResult::OpenFailed;
        }
        if (dwRead == 0) {
            break;
        }
        nDone += dwRead;
    }
    vecData.resize(nDone);
    return EReadResult::Ok;
}

EWriteResult CWin32Platform::WriteNewFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    CFileHandle file(::CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
    if (!file.Valid()) {
        const DWORD dwError = ::GetLastError();
        return (dwError == ERROR_FILE_EXISTS || dwError == ERROR_ALREADY_EXISTS) ? EWriteResult::Exists
                                                                                 : EWriteResult::OpenFailed;
    }
    std::size_t nDone = 0;
    while (nDone < nSize) {
        const std::size_t nLeft = nSize - nDone;
        const DWORD dwWant = nLeft > kMaxChunk ? kMaxChunk : static_cast<DWORD>(nLeft);
        DWORD dwWritten = 0;
        if (!::WriteFile(file.Get(), pData + nDone, dwWant, &dwWritten, nullptr) || dwWritten == 0) {
            return EWriteResult::WriteFailed;
        }
        nDone += dwWritten;
    }
    if (!::FlushFileBuffers(file.Get()) || !file.Close()) {
        return EWriteResult::WriteFailed;
    }
    return EWriteResult::Ok;
}

bool CWin32Platform::MoveReplace(const std::string& strFrom, const std::string& strTo) {
    return ::MoveFileExA(strFrom.c_str(), strTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool CWin32Platform::RemoveFile(const std::string& strPath) {
    return ::DeleteFileA(strPath.c_str()) != FALSE;
}

EAnswer CWin32Platform::AskYesNoCancel(const std::string& strText) {
    const std::string strTitle = ApplicationTitle();
    switch (::MessageBoxA(OwnerWindow(), strText.c_str(), strTitle.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        return EAnswer::Yes;
    case IDNO:
        return EAnswer::No;
    default:
        return EAnswer::Cancel;
    }
}

void CWin32Platform::ShowNotice(const std::string& strText) {
    const std::string strTitle = ApplicationTitle();
    ::MessageBoxA(OwnerWindow(), strText.c_str(), strTitle.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

std::string CWin32Platform::ApplicationTitle() {
    char szPath[MAX_PATH + 1] = {};
    const DWORD dwLength = ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string strName = FileNameOf(*this, std::string(szPath, dwLength));
    const std::size_t nDot = strName.rfind('.');
    if (nDot != std::string::npos && nDot > 0) {
        strName.resize(nDot);
    }
    return strName;
}
