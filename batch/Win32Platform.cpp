#include "Win32Platform.h"

#include <atomic>
#include <mutex>
#include <new>
#include <set>
#include <string>

#include "BatchTexts.h"
#include "ReadBuffer.h"
#include "PathText.h"
#include "TemporaryNames.h"

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

// Attempts at finding a free temporary name before giving up.
constexpr int kTemporaryNameAttempts = 1000;

std::atomic<unsigned long> g_nTemporaryCounter{0};

// Links followed to the file to replace, at most this many in a row.
constexpr int kLinksFollowed = 8;

// The folders (PathKey of their prefix) whose stale temporary files this
// process looked for already.
std::mutex g_mutexSwept;
std::set<std::string> g_setSwept;

// Whether the process a temporary name carries has ended. Never for this
// process.
bool ProcessHasEnded(unsigned long nProcess) {
    if (nProcess == 0 || nProcess > 0xFFFFFFFFul || nProcess == ::GetCurrentProcessId()) {
        return false;
    }
    const HANDLE hProcess = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(nProcess));
    if (hProcess == nullptr) {
        return ::GetLastError() == ERROR_INVALID_PARAMETER;
    }
    const bool bEnded = ::WaitForSingleObject(hProcess, 0) == WAIT_OBJECT_0;
    ::CloseHandle(hProcess);
    return bEnded;
}

// Deletes, once per folder and process, the temporary files in the folder
// strPrefix (with its trailing separator, or empty for the current folder)
// whose process has ended. A file still open somewhere is not deleted.
void RemoveStaleTemporariesOnce(const IPlatform& platform, const std::string& strPrefix) {
    {
        std::lock_guard<std::mutex> lock(g_mutexSwept);
        if (!g_setSwept.insert(platform.PathKey(strPrefix.empty() ? std::string(".") : strPrefix)).second) {
            return;
        }
    }
    WIN32_FIND_DATAA data{};
    const HANDLE hFind = ::FindFirstFileA((strPrefix + ".~kst*.tmp").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        unsigned long nProcess = 0;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            TemporaryNameProcess(data.cFileName, nProcess) && ProcessHasEnded(nProcess)) {
            ::DeleteFileA((strPrefix + data.cFileName).c_str());
        }
    } while (::FindNextFileA(hFind, &data));
    ::FindClose(hFind);
}

// The path of the file an open handle leads to, in the usual spelling.
std::string FinalPathOf(HANDLE hFile) {
    char szPath[32768] = {};
    const DWORD dwLength = ::GetFinalPathNameByHandleA(hFile, szPath, sizeof(szPath), FILE_NAME_NORMALIZED);
    if (dwLength == 0 || dwLength >= sizeof(szPath)) {
        return {};
    }
    std::string strPath(szPath, dwLength);
    if (strPath.compare(0, 8, "\\\\?\\UNC\\") == 0) {
        strPath = "\\\\" + strPath.substr(8);
    } else if (strPath.compare(0, 4, "\\\\?\\") == 0) {
        strPath = strPath.substr(4);
    }
    return strPath;
}

// Opens a file or folder only to ask who it is: no access, every sharing
// mode, so it works on files that others hold open. Links are followed.
HANDLE OpenForIdentity(const std::string& strPath) {
    return ::CreateFileA(strPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The volume serial and file ID of an open file: the 128-bit ID where the
// system offers it (unique on ReFS too), else the 64-bit file index.
std::string HandleIdentity(HANDLE hFile) {
    FILE_ID_INFO id{};
    if (::GetFileInformationByHandleEx(hFile, FileIdInfo, &id, sizeof(id))) {
        static constexpr char kHex[] = "0123456789abcdef";
        std::string strIdentity = "id:" + std::to_string(id.VolumeSerialNumber) + ':';
        for (const BYTE by : id.FileId.Identifier) {
            strIdentity += kHex[by >> 4];
            strIdentity += kHex[by & 0x0F];
        }
        return strIdentity;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(hFile, &info)) {
        return {};
    }
    return std::to_string(info.dwVolumeSerialNumber) + ':' + std::to_string(info.nFileIndexHigh) + ':' +
           std::to_string(info.nFileIndexLow);
}

std::string FullPathOf(const std::string& strPath) {
    const DWORD dwLength = ::GetFullPathNameA(strPath.c_str(), 0, nullptr, nullptr);
    if (dwLength == 0) {
        return {};
    }
    std::string strFull(dwLength, '\0');
    const DWORD dwWritten = ::GetFullPathNameA(strPath.c_str(), dwLength, strFull.data(), nullptr);
    strFull.resize(dwWritten < dwLength ? dwWritten : 0);
    return strFull;
}

// Writes every byte to the handle; 0 or the error of the failure (a write
// that takes nothing counts as a full disk).
DWORD WriteAll(HANDLE hFile, const std::uint8_t* pData, std::size_t nSize) {
    std::size_t nDone = 0;
    while (nDone < nSize) {
        const std::size_t nLeft = nSize - nDone;
        const DWORD dwWant = nLeft > kMaxChunk ? kMaxChunk : static_cast<DWORD>(nLeft);
        DWORD dwWritten = 0;
        if (!::WriteFile(hFile, pData + nDone, dwWant, &dwWritten, nullptr) || dwWritten == 0) {
            const DWORD dwError = ::GetLastError();
            return dwError == ERROR_SUCCESS ? ERROR_DISK_FULL : dwError;
        }
        nDone += dwWritten;
    }
    return 0;
}

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
    attributes.bLink = (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
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
    CFileHandle folder(OpenForIdentity(strFolder));
    return folder.Valid() ? HandleIdentity(folder.Get()) : std::string();
}

ReadOutcome CWin32Platform::ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                                          std::uint64_t nMaxBytes,
                                          const std::function<void(std::uint64_t)>& fnReserve) {
    vecData.clear();
    CFileHandle file(::CreateFileA(strPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
    if (!file.Valid()) {
        return {EReadResult::OpenFailed, static_cast<int>(::GetLastError())};
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
        return {EReadResult::OpenFailed, static_cast<int>(::GetLastError())};
    }
    const std::uint64_t nSize = static_cast<std::uint64_t>(size.QuadPart);
    switch (PrepareReadBuffer(nSize, nMaxBytes, fnReserve, vecData)) {
    case EReadBuffer::TooLarge:
        return {EReadResult::TooLarge, ERROR_FILE_TOO_LARGE};
    case EReadBuffer::NoMemory:
        return {EReadResult::OpenFailed, ERROR_NOT_ENOUGH_MEMORY};
    case EReadBuffer::Ready:
        break;
    }
    std::size_t nDone = 0;
    while (nDone < vecData.size()) {
        const std::size_t nLeft = vecData.size() - nDone;
        const DWORD dwWant = nLeft > kMaxChunk ? kMaxChunk : static_cast<DWORD>(nLeft);
        DWORD dwRead = 0;
        if (!::ReadFile(file.Get(), vecData.data() + nDone, dwWant, &dwRead, nullptr)) {
            const int nError = static_cast<int>(::GetLastError());
            std::vector<std::uint8_t>().swap(vecData);
            return {EReadResult::OpenFailed, nError};
        }
        if (dwRead == 0) {
            break;
        }
        nDone += dwRead;
    }
    vecData.resize(nDone);
    return {};
}

WriteOutcome CWin32Platform::WriteNewFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    return WriteAndMove(strPath, pData, nSize, 0, kLinksFollowed);
}

WriteOutcome CWin32Platform::ReplaceExistingFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    return WriteAndMove(strPath, pData, nSize, MOVEFILE_REPLACE_EXISTING, kLinksFollowed);
}

bool CWin32Platform::IsTemporaryInUse(const std::string& strPath) {
    CFileHandle file(::CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid()) {
        return false;
    }
    // Gone since the listing: put in place or deleted by its writer.
    const DWORD dwError = ::GetLastError();
    return dwError == ERROR_SHARING_VIOLATION || dwError == ERROR_FILE_NOT_FOUND;
}

WriteOutcome CWin32Platform::WriteThrough(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    CFileHandle file(::CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        return {EWriteResult::OpenFailed, static_cast<int>(::GetLastError())};
    }
    const DWORD dwType = ::GetFileType(file.Get());
    if (dwType != FILE_TYPE_CHAR && dwType != FILE_TYPE_PIPE) {
        return {EWriteResult::OpenFailed, ERROR_ACCESS_DENIED};  // a disk file now: never written in place
    }
    if (const DWORD dwError = WriteAll(file.Get(), pData, nSize)) {
        return {EWriteResult::WriteFailed, static_cast<int>(dwError)};
    }
    if (!file.Close()) {
        return {EWriteResult::WriteFailed, static_cast<int>(::GetLastError())};
    }
    return {};
}

// No FlushFileBuffers and no MOVEFILE_WRITE_THROUGH, as on POSIX: flushing
// every file makes a batch of small files many times slower, and what is
// promised is that no end of the program exposes a partial file, which the
// move provides.
WriteOutcome CWin32Platform::WriteAndMove(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize,
                                          DWORD dwMoveFlags, int nLinksLeft) {
    const bool bReplace = (dwMoveFlags & MOVEFILE_REPLACE_EXISTING) != 0;
    const DWORD dwAttributes = bReplace ? ::GetFileAttributesA(strPath.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (dwAttributes != INVALID_FILE_ATTRIBUTES) {
        // What stands there, links followed: a device or pipe takes the
        // bytes in place; the file a link leads to is the one replaced.
        CFileHandle target(OpenForIdentity(strPath));
        const DWORD dwType = target.Valid() ? ::GetFileType(target.Get()) : FILE_TYPE_UNKNOWN;
        if (dwType == FILE_TYPE_CHAR || dwType == FILE_TYPE_PIPE) {
            target.Close();
            return WriteThrough(strPath, pData, nSize);
        }
        if ((dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            const std::string strTarget = target.Valid() ? FinalPathOf(target.Get()) : std::string();
            if (strTarget.empty() || nLinksLeft == 0) {
                return {EWriteResult::OpenFailed, ERROR_CANT_RESOLVE_FILENAME};
            }
            target.Close();
            return WriteAndMove(strTarget, pData, nSize, dwMoveFlags, nLinksLeft - 1);
        }
    }
    const std::size_t nLast = FindLastSeparator(*this, strPath);
    const std::string strPrefix = nLast == std::string::npos ? std::string() : strPath.substr(0, nLast + 1);
    RemoveStaleTemporariesOnce(*this, strPrefix);
    std::string strTemporary;
    HANDLE hFile = INVALID_HANDLE_VALUE;
    DWORD dwError = ERROR_SUCCESS;
    for (int nAttempt = 0; nAttempt < kTemporaryNameAttempts && hFile == INVALID_HANDLE_VALUE; ++nAttempt) {
        strTemporary = strPrefix + TemporaryName(::GetCurrentProcessId(), g_nTemporaryCounter.fetch_add(1));
        hFile = ::CreateFileA(strTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
        dwError = ::GetLastError();
        if (hFile == INVALID_HANDLE_VALUE && dwError != ERROR_FILE_EXISTS && dwError != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (hFile == INVALID_HANDLE_VALUE) {
        return {EWriteResult::OpenFailed, static_cast<int>(dwError)};
    }
    CFileHandle file(hFile);
    dwError = WriteAll(file.Get(), pData, nSize);
    if (dwError != 0) {
        file.Close();
        ::DeleteFileA(strTemporary.c_str());
        return {EWriteResult::WriteFailed, static_cast<int>(dwError)};
    }
    if (!file.Close()) {
        dwError = ::GetLastError();
        ::DeleteFileA(strTemporary.c_str());
        return {EWriteResult::WriteFailed, static_cast<int>(dwError)};
    }
    // Never a move over a link or anything else that took the file's place.
    const DWORD dwNow = bReplace ? ::GetFileAttributesA(strPath.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (dwNow != INVALID_FILE_ATTRIBUTES && (dwNow & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        ::DeleteFileA(strTemporary.c_str());
        return {EWriteResult::OpenFailed, ERROR_ACCESS_DENIED};
    }
    if (!::MoveFileExA(strTemporary.c_str(), strPath.c_str(), dwMoveFlags)) {
        dwError = ::GetLastError();
        ::DeleteFileA(strTemporary.c_str());
        const bool bTaken = (dwMoveFlags & MOVEFILE_REPLACE_EXISTING) == 0 &&
                            (dwError == ERROR_ALREADY_EXISTS || dwError == ERROR_FILE_EXISTS);
        return {bTaken ? EWriteResult::Exists : EWriteResult::OpenFailed, static_cast<int>(dwError)};
    }
    return {};
}

bool CWin32Platform::IsSameFile(const std::string& strFirst, const std::string& strSecond) {
    CFileHandle first(OpenForIdentity(strFirst));
    CFileHandle second(OpenForIdentity(strSecond));
    if (first.Valid() && second.Valid()) {
        const std::string strIdentity = HandleIdentity(first.Get());
        if (!strIdentity.empty()) {
            return strIdentity == HandleIdentity(second.Get());
        }
    }
    // Not both open (one locked, say): the full paths, case ignored.
    const std::string strFull = FullPathOf(strFirst);
    return !strFull.empty() && PathKey(strFull) == PathKey(FullPathOf(strSecond));
}

std::string CWin32Platform::PathKey(const std::string& strPath) const {
    std::string strKey = strPath;
    // '/' (0x2F) is never a trail byte of a double-byte character.
    for (char& ch : strKey) {
        if (ch == '/') {
            ch = '\\';
        }
    }
    if (!strKey.empty()) {
        ::CharUpperBuffA(strKey.data(), static_cast<DWORD>(strKey.size()));
    }
    return strKey;
}

std::string CWin32Platform::SystemErrorText(int nSystemError) const {
    char szText[512] = {};
    const DWORD dwLength =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(nSystemError), 0, szText, sizeof(szText), nullptr);
    std::string strText(szText, dwLength);
    while (!strText.empty() && (strText.back() == '\r' || strText.back() == '\n' || strText.back() == ' ')) {
        strText.pop_back();
    }
    return strText.empty() ? "error " + std::to_string(nSystemError) : strText;
}

std::uint64_t CWin32Platform::MemoryForJobs() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!::GlobalMemoryStatusEx(&status)) {
        return std::uint64_t{1} << 30;
    }
    const std::uint64_t nPhysical = status.ullTotalPhys;
    const std::uint64_t nVirtual = status.ullTotalVirtual;
    return (nPhysical < nVirtual ? nPhysical : nVirtual) / 2;
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

std::string CWin32Platform::PromptText(EPromptText eText) {
    return eText == EPromptText::NoAccessTail ? kTextNoAccessTail : kTextOverwriteTail;
}
