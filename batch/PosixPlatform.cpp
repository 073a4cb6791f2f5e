#include "PosixPlatform.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <new>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

#include "BatchTexts.h"
#include "PosixFileDescriptor.h"
#include "PosixFileWrite.h"
#include "ReadBuffer.h"
#include "TemporaryNames.h"

namespace {

std::atomic<std::uint64_t> g_nPlatformSerial{0};

// A folder handle only looks names up.
#if defined(O_PATH)
constexpr int kFolderHandleFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderHandleFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// The folder a platform holds open on this thread (UseFolder).
struct HeldFolder {
    std::uint64_t nOwner = 0;  // the platform's serial; 0 for none
    std::string strPath;
    int nFd = -1;
    dev_t nDevice = 0;
    ino_t nInode = 0;
    bool bInUse = false;

    HeldFolder() = default;
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;
    ~HeldFolder() { Release(); }
    void Release() {
        if (nFd >= 0) {
            ::close(nFd);
        }
        nFd = -1;
        nOwner = 0;
        strPath.clear();
        bInUse = false;
    }
};
thread_local HeldFolder t_held;

// The folder part of a path with its trailing '/', empty when there is none.
std::string FolderPrefix(const std::string& strPath) {
    const std::size_t nPos = strPath.rfind('/');
    return nPos == std::string::npos ? std::string() : strPath.substr(0, nPos + 1);
}

// Whether a listed entry is a folder (or a link to one). The kind comes from
// the listing where it tells, otherwise from a look-up relative to the open
// folder, which works however long the folder's own path is.
bool IsFolderEntry(int nFolderFd, const dirent& entry) {
#if defined(DT_DIR) && defined(DT_UNKNOWN) && defined(DT_LNK)
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) {
        return false;
    }
#endif
    struct stat st {};
    return ::fstatat(nFolderFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// The folders whose stale temporary files a platform removed already, by
// device and inode; shared by the threads of its run.
struct CPosixPlatform::SweptFolders {
    std::mutex mutex;
    std::set<std::pair<dev_t, ino_t>> setFolders;
};

CPosixPlatform::CPosixPlatform(std::string strTitle)
    : m_strTitle(std::move(strTitle)),
      m_nSerial(g_nPlatformSerial.fetch_add(1) + 1),
      m_pSwept(std::make_shared<SweptFolders>()) {}

void CPosixPlatform::RemoveStaleTemporariesOnce(int nFolderFd, const std::string& strPrefix) {
    const char* pszFolder = nFolderFd != AT_FDCWD || strPrefix.empty() ? "." : strPrefix.c_str();
    struct stat st {};
    if (nFolderFd != AT_FDCWD) {
        st.st_dev = t_held.nDevice;  // the folder in use: known already
        st.st_ino = t_held.nInode;
    } else if (::fstatat(nFolderFd, pszFolder, &st, 0) != 0) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_pSwept->mutex);
        if (!m_pSwept->setFolders.insert({st.st_dev, st.st_ino}).second) {
            return;
        }
    }
    const int nListFd = ::openat(nFolderFd, pszFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nListFd >= 0) {
        RemoveStaleTemporaries(nListFd);
    }
}

CPosixPlatform::AtPath CPosixPlatform::Resolve(const std::string& strPath) const {
    const HeldFolder& held = t_held;
    const std::size_t nFolder = held.strPath.size();
    if (held.bInUse && held.nOwner == m_nSerial && strPath.size() > nFolder + 1 &&
        strPath.compare(0, nFolder, held.strPath) == 0 && strPath[nFolder] == '/' &&
        strPath.find('/', nFolder + 1) == std::string::npos) {
        return {held.nFd, strPath.c_str() + nFolder + 1};
    }
    return {AT_FDCWD, strPath.c_str()};
}

bool CPosixPlatform::UseFolder(const std::string& strFolder) {
    HeldFolder& held = t_held;
    held.bInUse = false;
    struct stat st {};
    if (strFolder.empty() || ::stat(strFolder.c_str(), &st) != 0) {
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        return true;
    }
    if (held.nOwner == m_nSerial && held.strPath == strFolder && held.nDevice == st.st_dev &&
        held.nInode == st.st_ino) {
        held.bInUse = true;
        return true;
    }
    held.Release();
    const int nFd = ::open(strFolder.c_str(), kFolderHandleFlags);
    struct stat stHeld {};
    if (nFd < 0) {
        return true;
    }
    // Replaced between the look and the open: no hold this time.
    if (::fstat(nFd, &stHeld) != 0 || stHeld.st_dev != st.st_dev || stHeld.st_ino != st.st_ino) {
        ::close(nFd);
        return true;
    }
    held.nOwner = m_nSerial;
    held.nFd = nFd;
    held.nDevice = st.st_dev;
    held.nInode = st.st_ino;
    try {
        held.strPath = strFolder;
    } catch (...) {
        held.Release();
        return true;
    }
    held.bInUse = true;
    return true;
}

void CPosixPlatform::EndFolderUse() {
    t_held.bInUse = false;
}

PathAttributes CPosixPlatform::QueryAttributes(const std::string& strPath) {
    PathAttributes attributes;
    struct stat st {};
    if (strPath.empty()) {
        return attributes;
    }
    const AtPath at = Resolve(strPath);
    if (::fstatat(at.nFolderFd, at.pszName, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return attributes;
    }
    attributes.bLink = S_ISLNK(st.st_mode);
    if (attributes.bLink && ::fstatat(at.nFolderFd, at.pszName, &st, 0) != 0) {
        return PathAttributes{};
    }
    attributes.bValid = true;
    attributes.bDirectory = S_ISDIR(st.st_mode);
    attributes.bReadOnly = (st.st_mode & S_IWUSR) == 0;
    return attributes;
}

void CPosixPlatform::MakeAttributesNormal(const std::string& strPath) {
    struct stat st {};
    const AtPath at = Resolve(strPath);
    if (::fstatat(at.nFolderFd, at.pszName, &st, 0) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        if (::fchmodat(at.nFolderFd, at.pszName, (st.st_mode & 07777) | S_IWUSR, 0) != 0) {
            return;  // callers go on either way; the write that follows reports
        }
    }
}

bool CPosixPlatform::CreateFolder(const std::string& strPath) {
    return ::mkdir(strPath.c_str(), 0777) == 0;
}

bool CPosixPlatform::ChangeFolder(const std::string& strPath) {
    return !strPath.empty() && ::chdir(strPath.c_str()) == 0;
}

std::string CPosixPlatform::CurrentFolder() {
    std::string strBuffer(256, '\0');
    while (::getcwd(strBuffer.data(), strBuffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        strBuffer.resize(strBuffer.size() * 2);
    }
    strBuffer.resize(strBuffer.find('\0'));
    return strBuffer;
}

bool CPosixPlatform::ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) {
    DIR* pDir = ::opendir(strFolder.c_str());
    if (pDir == nullptr) {
        return false;
    }
    const int nFolderFd = ::dirfd(pDir);
    const std::size_t nFirst = vecEntries.size();
    while (const dirent* pEntry = ::readdir(pDir)) {
        const std::string strName = pEntry->d_name;
        if (strName == "." || strName == "..") {
            continue;
        }
        vecEntries.push_back(FolderEntry{strName, IsFolderEntry(nFolderFd, *pEntry)});
    }
    ::closedir(pDir);
    std::sort(vecEntries.begin() + static_cast<std::ptrdiff_t>(nFirst), vecEntries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.strName < b.strName; });
    return true;
}

std::string CPosixPlatform::FolderIdentity(const std::string& strFolder) {
    struct stat st {};
    if (::stat(strFolder.c_str(), &st) != 0) {
        return {};
    }
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ':' +
           std::to_string(static_cast<unsigned long long>(st.st_ino));
}

ReadOutcome CPosixPlatform::ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                                          std::uint64_t nMaxBytes,
                                          const std::function<void(std::uint64_t)>& fnReserve) {
    vecData.clear();
    // O_NONBLOCK: opening a pipe must not wait for a writer.
    const AtPath at = Resolve(strPath);
    CFileDescriptor file(::openat(at.nFolderFd, at.pszName, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.Get() < 0) {
        return {EReadResult::OpenFailed, errno};
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0) {
        return {EReadResult::OpenFailed, errno};
    }
    if (!S_ISREG(st.st_mode)) {
        return {EReadResult::OpenFailed, S_ISDIR(st.st_mode) ? EISDIR : EINVAL};
    }
    const std::uint64_t nSize = static_cast<std::uint64_t>(st.st_size);
    switch (PrepareReadBuffer(nSize, nMaxBytes, fnReserve, vecData)) {
    case EReadBuffer::TooLarge:
        return {EReadResult::TooLarge, EFBIG};
    case EReadBuffer::NoMemory:
        return {EReadResult::OpenFailed, ENOMEM};
    case EReadBuffer::Ready:
        break;
    }
    std::size_t nDone = 0;
    while (nDone < vecData.size()) {
        const ssize_t nRead = ::read(file.Get(), vecData.data() + nDone, vecData.size() - nDone);
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0) {
            const int nError = errno;
            std::vector<std::uint8_t>().swap(vecData);
            return {EReadResult::OpenFailed, nError};
        }
        if (nRead == 0) {
            break;  // shrank while being read: take what is there
        }
        nDone += static_cast<std::size_t>(nRead);
    }
    vecData.resize(nDone);
    return {};
}

WriteOutcome CPosixPlatform::WriteNewFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    return WriteAndPlace(strPath, pData, nSize, false, kLinksFollowed);
}

WriteOutcome CPosixPlatform::ReplaceExistingFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    return WriteAndPlace(strPath, pData, nSize, true, kLinksFollowed);
}

bool CPosixPlatform::IsTemporaryInUse(const std::string& strPath) {
    const AtPath at = Resolve(strPath);
    return IsTemporaryHeld(CFilePlace{at.nFolderFd, at.pszName, {}});
}

// A link is followed to its file, a device or pipe written through, and
// nothing else but a regular file replaced; the writing itself is
// PlaceWholeFile's.
WriteOutcome CPosixPlatform::WriteAndPlace(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize,
                                           bool bReplace, int nLinksLeft) {
    const AtPath at = Resolve(strPath);
    struct stat stOld {};
    bool bKeepPermissions = false;
    if (bReplace && ::fstatat(at.nFolderFd, at.pszName, &stOld, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(stOld.st_mode)) {
            // The file the link leads to is the one to replace.
            struct stat stTarget {};
            if (::fstatat(at.nFolderFd, at.pszName, &stTarget, 0) != 0) {
                return {EWriteResult::OpenFailed, errno};
            }
            if (IsWrittenThrough(stTarget)) {
                return WriteThrough(CFilePlace{at.nFolderFd, at.pszName, {}}, pData, nSize);
            }
            if (!S_ISREG(stTarget.st_mode)) {
                return {EWriteResult::OpenFailed, NotReplaceableError(stTarget)};
            }
            if (nLinksLeft == 0) {
                return {EWriteResult::OpenFailed, ELOOP};
            }
            char* pszTarget = ::realpath(strPath.c_str(), nullptr);
            if (pszTarget == nullptr) {
                return {EWriteResult::OpenFailed, errno};
            }
            std::string strTarget;
            try {
                strTarget = pszTarget;
            } catch (...) {
                std::free(pszTarget);
                throw;
            }
            std::free(pszTarget);
            return WriteAndPlace(strTarget, pData, nSize, true, nLinksLeft - 1);
        }
        if (IsWrittenThrough(stOld)) {
            return WriteThrough(CFilePlace{at.nFolderFd, at.pszName, {}}, pData, nSize);
        }
        if (!S_ISREG(stOld.st_mode)) {
            return {EWriteResult::OpenFailed, NotReplaceableError(stOld)};
        }
        bKeepPermissions = true;
    }
    const std::string strPrefix = FolderPrefix(strPath);
    RemoveStaleTemporariesOnce(at.nFolderFd, strPrefix);
    return PlaceWholeFile(CFilePlace{at.nFolderFd, at.pszName, strPrefix}, pData, nSize, bReplace,
                          bKeepPermissions ? &stOld : nullptr, m_bUnnamedFiles,
                          [&](EWriteStage eStage) { OnWriteStage(eStage, strPath); });
}

bool CPosixPlatform::IsSameFile(const std::string& strFirst, const std::string& strSecond) {
    struct stat stFirst {};
    struct stat stSecond {};
    const AtPath first = Resolve(strFirst);
    const AtPath second = Resolve(strSecond);
    return ::fstatat(first.nFolderFd, first.pszName, &stFirst, 0) == 0 &&
           ::fstatat(second.nFolderFd, second.pszName, &stSecond, 0) == 0 &&
           stFirst.st_dev == stSecond.st_dev && stFirst.st_ino == stSecond.st_ino;
}

std::string CPosixPlatform::SystemErrorText(int nSystemError) const {
    return std::error_code(nSystemError, std::generic_category()).message();
}

std::uint64_t CPosixPlatform::MemoryForJobs() {
    std::uint64_t nLimit = std::numeric_limits<std::uint64_t>::max();
    const long nPages = ::sysconf(_SC_PHYS_PAGES);
    const long nPageSize = ::sysconf(_SC_PAGE_SIZE);
    if (nPages > 0 && nPageSize > 0) {
        nLimit = static_cast<std::uint64_t>(nPages) * static_cast<std::uint64_t>(nPageSize);
    }
    for (const int nResource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit limit {};
        if (::getrlimit(nResource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
            nLimit = std::min<std::uint64_t>(nLimit, static_cast<std::uint64_t>(limit.rlim_cur));
        }
    }
    constexpr std::uint64_t kUnknown = std::uint64_t{2} << 30;
    return nLimit == std::numeric_limits<std::uint64_t>::max() ? kUnknown / 2 : nLimit / 2;
}

EAnswer CPosixPlatform::AskYesNoCancel(const std::string&) {
    // Nobody to ask: leave the existing file alone and end the run.
    return EAnswer::Cancel;
}

void CPosixPlatform::ShowNotice(const std::string& strText) {
    std::fprintf(stderr, "%s: %s\n", m_strTitle.c_str(), strText.c_str());
}

std::string CPosixPlatform::PromptText(EPromptText eText) {
    return eText == EPromptText::NoAccessTail ? kTextNoAccessTail : kTextOverwriteTail;
}
