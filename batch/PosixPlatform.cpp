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
#include "ReadBuffer.h"
#include "TemporaryNames.h"

namespace {

// Closes a descriptor when the scope ends.
class CFileDescriptor {
public:
    explicit CFileDescriptor(int nFd) : m_nFd(nFd) {}
    ~CFileDescriptor() {
        if (m_nFd >= 0) {
            ::close(m_nFd);
        }
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_nFd; }
    // Closes now and tells whether closing succeeded (a late write error).
    bool Close() {
        const int nFd = std::exchange(m_nFd, -1);
        return nFd < 0 || ::close(nFd) == 0;
    }

private:
    int m_nFd;
};

// Attempts at finding a free temporary name before giving up.
constexpr int kTemporaryNameAttempts = 1000;
// LinkUnnamed's answer when the system has no way to name an unnamed file.
constexpr int kCannotLink = -1;

// How an unnamed file gets its name here; found out at the first use.
enum ELinkWay : int { kLinkUnknown, kLinkEmptyPath, kLinkProc, kLinkNone };
std::atomic<int> g_nLinkWay{kLinkUnknown};

std::atomic<unsigned long> g_nTemporaryCounter{0};

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

std::string NextTemporaryName() {
    return TemporaryName(static_cast<unsigned long>(::getpid()), g_nTemporaryCounter.fetch_add(1));
}

// The folder part of a path with its trailing '/', empty when there is none.
std::string FolderPrefix(const std::string& strPath) {
    const std::size_t nPos = strPath.rfind('/');
    return nPos == std::string::npos ? std::string() : strPath.substr(0, nPos + 1);
}

// Writes every byte; 0 or the errno of the failure.
int WriteAll(int nFd, const std::uint8_t* pData, std::size_t nSize) {
    std::size_t nDone = 0;
    while (nDone < nSize) {
        const ssize_t nWritten = ::write(nFd, pData + nDone, nSize - nDone);
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten < 0) {
            return errno;
        }
        if (nWritten == 0) {
            return ENOSPC;
        }
        nDone += static_cast<std::size_t>(nWritten);
    }
    return 0;
}

// Holds a temporary file (a lock on it) from its creation until it is in its
// final place or gone: the descriptor is a second one of the same open file,
// so closing the first (to see a late write error) keeps the lock.
// IsTemporaryInUse tests the lock; it is released whenever the process ends.
int HoldTemporary(int nFd) {
    if (::flock(nFd, LOCK_EX) != 0) {
        return -1;  // a file system without locks: nothing tells the file is in use
    }
    return ::fcntl(nFd, F_DUPFD_CLOEXEC, 0);
}

// Why a path that is neither a regular file nor written through is refused.
int NotReplaceableError(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? EISDIR : EOPNOTSUPP;
}

bool IsWrittenThrough(const struct stat& st) {
    return S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode);
}

// Just before a rename over the name pszName: 0 when nothing or a regular
// file stands there (the old file may have been swapped meanwhile), else
// the error that refuses the rename.
int CheckRenameTarget(int nFolderFd, const char* pszName) {
    struct stat st {};
    if (::fstatat(nFolderFd, pszName, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISREG(st.st_mode)) {
        return 0;
    }
    return NotReplaceableError(st);
}

// Whether the process a temporary name carries has ended (on this machine;
// the lock tells about writers elsewhere). Never for this process or a
// number that is no process number at all.
bool ProcessHasEnded(unsigned long nProcess) {
    if (nProcess == 0 || nProcess > static_cast<unsigned long>(std::numeric_limits<pid_t>::max()) ||
        static_cast<pid_t>(nProcess) == ::getpid()) {
        return false;
    }
    return ::kill(static_cast<pid_t>(nProcess), 0) != 0 && errno == ESRCH;
}

// Removes the temporary files in the open folder nListFd that ended
// processes left behind: the process in the name has ended and nobody holds
// the file. Closes nListFd.
void RemoveStaleTemporaries(int nListFd) {
    DIR* pDir = ::fdopendir(nListFd);
    if (pDir == nullptr) {
        ::close(nListFd);
        return;
    }
    std::vector<std::string> vecStale;
    while (const dirent* pEntry = ::readdir(pDir)) {
        unsigned long nProcess = 0;
        if (TemporaryNameProcess(pEntry->d_name, nProcess) && ProcessHasEnded(nProcess)) {
            vecStale.emplace_back(pEntry->d_name);
        }
    }
    const int nFolderFd = ::dirfd(pDir);
    for (const std::string& strName : vecStale) {
        CFileDescriptor file(
            ::openat(nFolderFd, strName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat stOpen {};
        struct stat stNow {};
        // Removed only while this process holds it, and only if the name
        // still leads to the file that was held.
        if (file.Get() >= 0 && ::fstat(file.Get(), &stOpen) == 0 && S_ISREG(stOpen.st_mode) &&
            ::flock(file.Get(), LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(nFolderFd, strName.c_str(), &stNow, AT_SYMLINK_NOFOLLOW) == 0 &&
            stNow.st_dev == stOpen.st_dev && stNow.st_ino == stOpen.st_ino) {
            ::unlinkat(nFolderFd, strName.c_str(), 0);
        }
    }
    ::closedir(pDir);
}

// The old file's owner (root only) and permission bits for its replacement.
void KeepPermissions(int nFd, const struct stat& stOld) {
    if (::geteuid() == 0 && ::fchown(nFd, stOld.st_uid, stOld.st_gid) != 0) {
        // Owner not kept (a file system without owners): the bits still are.
    }
    ::fchmod(nFd, stOld.st_mode & 07777);
}

// Removes a named temporary file (a name in the folder nFolderFd) when the
// scope ends, unless it was put in its final place.
class CTemporaryFile {
public:
    CTemporaryFile(int nFolderFd, std::string strName) : m_nFolderFd(nFolderFd), m_strName(std::move(strName)) {}
    ~CTemporaryFile() {
        if (!m_strName.empty()) {
            ::unlinkat(m_nFolderFd, m_strName.c_str(), 0);
        }
    }
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;
    void Placed() { m_strName.clear(); }

private:
    int m_nFolderFd;
    std::string m_strName;
};

#if defined(O_TMPFILE) && !defined(__EMSCRIPTEN__)
bool UnnamedFilesPossible() {
    return g_nLinkWay.load() != kLinkNone;
}

// An unnamed file in the folder nFolderFd, or (AT_FDCWD) in the folder strPrefix.
int OpenUnnamed(int nFolderFd, const std::string& strPrefix) {
    const char* pszFolder = nFolderFd != AT_FDCWD || strPrefix.empty() ? "." : strPrefix.c_str();
    return ::openat(nFolderFd, pszFolder, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

// Gives the unnamed file behind nFd the name pszName in nFolderFd, never
// replacing a file of that name (EEXIST). 0, an errno, or kCannotLink.
int LinkUnnamed(int nFd, int nFolderFd, const char* pszName) {
    const int nWay = g_nLinkWay.load();
    if (nWay == kLinkUnknown || nWay == kLinkEmptyPath) {
        // Needs CAP_DAC_READ_SEARCH; without it the answer is ENOENT.
        if (::linkat(nFd, "", nFolderFd, pszName, AT_EMPTY_PATH) == 0) {
            g_nLinkWay.store(kLinkEmptyPath);
            return 0;
        }
        if (nWay == kLinkEmptyPath || (errno != ENOENT && errno != EPERM)) {
            return errno;
        }
    }
    const std::string strProc = "/proc/self/fd/" + std::to_string(nFd);
    if (::linkat(AT_FDCWD, strProc.c_str(), nFolderFd, pszName, AT_SYMLINK_FOLLOW) == 0) {
        g_nLinkWay.store(kLinkProc);
        return 0;
    }
    const int nError = errno;
    if (nError == ENOENT && ::access("/proc/self/fd", F_OK) != 0) {
        g_nLinkWay.store(kLinkNone);
        return kCannotLink;
    }
    return nError;
}
#else
bool UnnamedFilesPossible() {
    return false;
}
int OpenUnnamed(int, const std::string&) {
    errno = EOPNOTSUPP;
    return -1;
}
int LinkUnnamed(int, int, const char*) {
    return kCannotLink;
}
#endif

// Whether an O_TMPFILE open failed only because the kernel or the file
// system does not offer unnamed files.
bool UnnamedFilesRefused(int nError) {
    return nError == EOPNOTSUPP || nError == EISDIR || nError == EINVAL || nError == ENOSYS;
}

// Renames the name pszFrom to pszTo (both in nFolderFd) unless pszTo exists
// (EEXIST). 0 or an errno.
int RenameNoReplace(int nFolderFd, const char* pszFrom, const char* pszTo) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(nFolderFd, pszFrom, nFolderFd, pszTo, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return errno;
    }
#endif
    if (::linkat(nFolderFd, pszFrom, nFolderFd, pszTo, 0) == 0) {
        ::unlinkat(nFolderFd, pszFrom, 0);
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    // No hard links either (FAT, in-memory file systems): look, then rename.
    // Only a file made in the moment between the two could be replaced.
    struct stat st {};
    if (::fstatat(nFolderFd, pszTo, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return EEXIST;
    }
    return ::renameat(nFolderFd, pszFrom, nFolderFd, pszTo) == 0 ? 0 : errno;
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

WriteOutcome CPosixPlatform::ReplaceFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    return WriteAndPlace(strPath, pData, nSize, true, kLinksFollowed);
}

bool CPosixPlatform::IsTemporaryInUse(const std::string& strPath) {
    const AtPath at = Resolve(strPath);
    CFileDescriptor file(::openat(at.nFolderFd, at.pszName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0) {
        // Gone since the listing: put in place or removed by its writer.
        return errno == ENOENT;
    }
    return ::flock(file.Get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

// A character device or a named pipe takes the bytes as they come: opened
// without waiting (a pipe nobody reads refuses at once), then written with
// waiting. The kind is checked again on the open file, so nothing that
// became a regular file meanwhile is written in place.
WriteOutcome CPosixPlatform::WriteThrough(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    const AtPath at = Resolve(strPath);
    CFileDescriptor file(::openat(at.nFolderFd, at.pszName, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0) {
        return {EWriteResult::OpenFailed, errno};
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0) {
        return {EWriteResult::OpenFailed, errno};
    }
    if (!IsWrittenThrough(st)) {
        return {EWriteResult::OpenFailed, S_ISREG(st.st_mode) ? EAGAIN : NotReplaceableError(st)};
    }
    const int nFlags = ::fcntl(file.Get(), F_GETFL);
    if (nFlags < 0 || ::fcntl(file.Get(), F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
        return {EWriteResult::OpenFailed, errno};
    }
    if (const int nError = WriteAll(file.Get(), pData, nSize)) {
        return {EWriteResult::WriteFailed, nError};
    }
    if (!file.Close()) {
        return {EWriteResult::WriteFailed, errno};
    }
    return {};
}

// No fsync: a batch of small files would become many times slower than
// copying them, and what is promised is that no program end (kill, crash,
// full disk) exposes a partial file, which the rename or link provides.
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
                return WriteThrough(strPath, pData, nSize);
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
            return WriteThrough(strPath, pData, nSize);
        }
        if (!S_ISREG(stOld.st_mode)) {
            return {EWriteResult::OpenFailed, NotReplaceableError(stOld)};
        }
        bKeepPermissions = true;
    }
    const std::string strPrefix = FolderPrefix(strPath);
    RemoveStaleTemporariesOnce(at.nFolderFd, strPrefix);

    if (m_bUnnamedFiles && UnnamedFilesPossible()) {
        CFileDescriptor file(OpenUnnamed(at.nFolderFd, strPrefix));
        if (file.Get() < 0 && !UnnamedFilesRefused(errno)) {
            return {EWriteResult::OpenFailed, errno};
        }
        if (file.Get() >= 0) {
            // Held before it has a name, so it is never seen unheld.
            const CFileDescriptor hold(HoldTemporary(file.Get()));
            OnWriteStage(EWriteStage::Created, strPath);
            if (const int nError = WriteAll(file.Get(), pData, nSize)) {
                return {EWriteResult::WriteFailed, nError};
            }
            if (bKeepPermissions) {
                KeepPermissions(file.Get(), stOld);
            }
            OnWriteStage(EWriteStage::Written, strPath);
            // The name the file gets first: its own when new; a temporary
            // one when replacing, as only a named file can be renamed over
            // the old one. (A name in at.nFolderFd, like the final one.)
            std::string strName;
            const char* pszName = at.pszName;
            int nError = 0;
            if (bReplace) {
                for (int nAttempt = 0; nAttempt < kTemporaryNameAttempts; ++nAttempt) {
                    strName = (at.nFolderFd == AT_FDCWD ? strPrefix : std::string()) + NextTemporaryName();
                    pszName = strName.c_str();
                    nError = LinkUnnamed(file.Get(), at.nFolderFd, pszName);
                    if (nError != EEXIST) {
                        break;
                    }
                }
            } else {
                nError = LinkUnnamed(file.Get(), at.nFolderFd, pszName);
            }
            if (nError == 0) {
                if (!file.Close()) {
                    nError = errno;
                    ::unlinkat(at.nFolderFd, pszName, 0);
                    return {EWriteResult::WriteFailed, nError};
                }
                if (bReplace) {
                    nError = CheckRenameTarget(at.nFolderFd, at.pszName);
                    if (nError == 0 && ::renameat(at.nFolderFd, pszName, at.nFolderFd, at.pszName) != 0) {
                        nError = errno;
                    }
                    if (nError != 0) {
                        ::unlinkat(at.nFolderFd, pszName, 0);
                        return {EWriteResult::OpenFailed, nError};
                    }
                }
                return {};
            }
            if (nError == EEXIST && !bReplace) {
                return {EWriteResult::Exists, EEXIST};
            }
            if (nError != kCannotLink) {
                return {EWriteResult::OpenFailed, nError};
            }
            // This system cannot give unnamed files a name: a named one then.
        }
    }

    // A temporary name beside the final one (a name in at.nFolderFd).
    std::string strTemporary;
    int nFd = -1;
    for (int nAttempt = 0; nAttempt < kTemporaryNameAttempts && nFd < 0; ++nAttempt) {
        strTemporary = (at.nFolderFd == AT_FDCWD ? strPrefix : std::string()) + NextTemporaryName();
        nFd = ::openat(at.nFolderFd, strTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (nFd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (nFd < 0) {
        return {EWriteResult::OpenFailed, errno};
    }
    const CFileDescriptor hold(HoldTemporary(nFd));
    CTemporaryFile temporary(at.nFolderFd, strTemporary);
    CFileDescriptor file(nFd);
    OnWriteStage(EWriteStage::Created, strPath);
    if (const int nError = WriteAll(file.Get(), pData, nSize)) {
        return {EWriteResult::WriteFailed, nError};
    }
    if (bKeepPermissions) {
        KeepPermissions(file.Get(), stOld);
    }
    if (!file.Close()) {
        return {EWriteResult::WriteFailed, errno};
    }
    OnWriteStage(EWriteStage::Written, strPath);
    int nError = 0;
    if (bReplace) {
        nError = CheckRenameTarget(at.nFolderFd, at.pszName);
        if (nError == 0 && ::renameat(at.nFolderFd, strTemporary.c_str(), at.nFolderFd, at.pszName) != 0) {
            nError = errno;
        }
    } else {
        nError = RenameNoReplace(at.nFolderFd, strTemporary.c_str(), at.pszName);
    }
    if (nError == 0) {
        temporary.Placed();
        return {};
    }
    return {nError == EEXIST && !bReplace ? EWriteResult::Exists : EWriteResult::OpenFailed, nError};
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
