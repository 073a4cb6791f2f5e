#include "PosixFileWrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "PosixFileDescriptor.h"
#include "TemporaryNames.h"

namespace {

// Attempts at finding a free temporary name before giving up.
constexpr int kTemporaryNameAttempts = 1000;
// LinkUnnamed's answer when the system has no way to name an unnamed file.
constexpr int kCannotLink = -1;

// How an unnamed file gets its name here; found out at the first use.
enum ELinkWay : int { kLinkUnknown, kLinkEmptyPath, kLinkProc, kLinkNone };
std::atomic<int> g_nLinkWay{kLinkUnknown};

std::atomic<unsigned long> g_nTemporaryCounter{0};

std::string NextTemporaryName() {
    return TemporaryName(static_cast<unsigned long>(::getpid()), g_nTemporaryCounter.fetch_add(1));
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

// A new file's bytes in an unnamed file, linked at its place (new) or under
// a temporary name renamed over the old file (replace). false when this
// system cannot give unnamed files a name: a named temporary file then.
bool PlaceUnnamed(const CFilePlace& place, const std::uint8_t* pData, std::size_t nSize, bool bReplace,
                  const struct stat* pOld, const std::function<void(EWriteStage)>& fnStage, WriteOutcome& outcome) {
    CFileDescriptor file(OpenUnnamed(place.nFolderFd, place.strPrefix));
    if (file.Get() < 0) {
        if (UnnamedFilesRefused(errno)) {
            return false;
        }
        outcome = {EWriteResult::OpenFailed, errno};
        return true;
    }
    // Held before it has a name, so it is never seen unheld.
    const CFileDescriptor hold(HoldTemporary(file.Get()));
    fnStage(EWriteStage::Created);
    if (const int nError = WriteAll(file.Get(), pData, nSize)) {
        outcome = {EWriteResult::WriteFailed, nError};
        return true;
    }
    if (pOld != nullptr) {
        KeepPermissions(file.Get(), *pOld);
    }
    fnStage(EWriteStage::Written);
    // The name the file gets first: its own when new; a temporary one when
    // replacing, as only a named file can be renamed over the old one.
    std::string strName;
    const char* pszName = place.pszName;
    int nError = 0;
    if (bReplace) {
        for (int nAttempt = 0; nAttempt < kTemporaryNameAttempts; ++nAttempt) {
            strName = (place.nFolderFd == AT_FDCWD ? place.strPrefix : std::string()) + NextTemporaryName();
            pszName = strName.c_str();
            nError = LinkUnnamed(file.Get(), place.nFolderFd, pszName);
            if (nError != EEXIST) {
                break;
            }
        }
    } else {
        nError = LinkUnnamed(file.Get(), place.nFolderFd, pszName);
    }
    if (nError == kCannotLink) {
        return false;
    }
    if (nError != 0) {
        outcome = {nError == EEXIST && !bReplace ? EWriteResult::Exists : EWriteResult::OpenFailed, nError};
        return true;
    }
    if (!file.Close()) {
        nError = errno;
        ::unlinkat(place.nFolderFd, pszName, 0);
        outcome = {EWriteResult::WriteFailed, nError};
        return true;
    }
    if (bReplace) {
        nError = CheckRenameTarget(place.nFolderFd, place.pszName);
        if (nError == 0 && ::renameat(place.nFolderFd, pszName, place.nFolderFd, place.pszName) != 0) {
            nError = errno;
        }
        if (nError != 0) {
            ::unlinkat(place.nFolderFd, pszName, 0);
            outcome = {EWriteResult::OpenFailed, nError};
            return true;
        }
    }
    outcome = {};
    return true;
}

// A new file's bytes under a temporary name beside the final one, renamed
// into place (over the old file when replacing, never over one otherwise).
WriteOutcome PlaceNamed(const CFilePlace& place, const std::uint8_t* pData, std::size_t nSize, bool bReplace,
                        const struct stat* pOld, const std::function<void(EWriteStage)>& fnStage) {
    std::string strTemporary;
    int nFd = -1;
    for (int nAttempt = 0; nAttempt < kTemporaryNameAttempts && nFd < 0; ++nAttempt) {
        strTemporary = (place.nFolderFd == AT_FDCWD ? place.strPrefix : std::string()) + NextTemporaryName();
        nFd = ::openat(place.nFolderFd, strTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                       0666);
        if (nFd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (nFd < 0) {
        return {EWriteResult::OpenFailed, errno};
    }
    const CFileDescriptor hold(HoldTemporary(nFd));
    CTemporaryFile temporary(place.nFolderFd, strTemporary);
    CFileDescriptor file(nFd);
    fnStage(EWriteStage::Created);
    if (const int nError = WriteAll(file.Get(), pData, nSize)) {
        return {EWriteResult::WriteFailed, nError};
    }
    if (pOld != nullptr) {
        KeepPermissions(file.Get(), *pOld);
    }
    if (!file.Close()) {
        return {EWriteResult::WriteFailed, errno};
    }
    fnStage(EWriteStage::Written);
    int nError = 0;
    if (bReplace) {
        nError = CheckRenameTarget(place.nFolderFd, place.pszName);
        if (nError == 0 && ::renameat(place.nFolderFd, strTemporary.c_str(), place.nFolderFd, place.pszName) != 0) {
            nError = errno;
        }
    } else {
        nError = RenameNoReplace(place.nFolderFd, strTemporary.c_str(), place.pszName);
    }
    if (nError == 0) {
        temporary.Placed();
        return {};
    }
    return {nError == EEXIST && !bReplace ? EWriteResult::Exists : EWriteResult::OpenFailed, nError};
}

}  // namespace

int NotReplaceableError(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? EISDIR : EOPNOTSUPP;
}

bool IsWrittenThrough(const struct stat& st) {
    return S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode);
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

// Opened without waiting (a pipe nobody reads refuses at once), then
// written with waiting. The kind is checked again on the open file, so
// nothing that became a regular file meanwhile is written in place.
WriteOutcome WriteThrough(const CFilePlace& place, const std::uint8_t* pData, std::size_t nSize) {
    CFileDescriptor file(::openat(place.nFolderFd, place.pszName, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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
WriteOutcome PlaceWholeFile(const CFilePlace& place, const std::uint8_t* pData, std::size_t nSize, bool bReplace,
                            const struct stat* pOld, bool bUnnamedFiles,
                            const std::function<void(EWriteStage)>& fnStage) {
    WriteOutcome outcome;
    if (bUnnamedFiles && UnnamedFilesPossible() && PlaceUnnamed(place, pData, nSize, bReplace, pOld, fnStage, outcome)) {
        return outcome;
    }
    return PlaceNamed(place, pData, nSize, bReplace, pOld, fnStage);
}

bool IsTemporaryHeld(const CFilePlace& place) {
    CFileDescriptor file(
        ::openat(place.nFolderFd, place.pszName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0) {
        // Gone since the listing: put in place or removed by its writer.
        return errno == ENOENT;
    }
    return ::flock(file.Get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}
