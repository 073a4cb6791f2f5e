#include "PosixPlatform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

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

}  // namespace

CPosixPlatform::CPosixPlatform(std::string strTitle) : m_strTitle(std::move(strTitle)) {}

PathAttributes CPosixPlatform::QueryAttributes(const std::string& strPath) {
    PathAttributes attributes;
    struct stat st {};
    if (strPath.empty() || ::stat(strPath.c_str(), &st) != 0) {
        return attributes;
    }
    attributes.bValid = true;
    attributes.bDirectory = S_ISDIR(st.st_mode);
    attributes.bReadOnly = (st.st_mode & S_IWUSR) == 0;
    return attributes;
}

void CPosixPlatform::MakeAttributesNormal(const std::string& strPath) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        ::chmod(strPath.c_str(), (st.st_mode & 07777) | S_IWUSR);
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
    const std::string strPrefix = (!strFolder.empty() && strFolder.back() == '/') ? strFolder : strFolder + '/';
    const std::size_t nFirst = vecEntries.size();
    while (const dirent* pEntry = ::readdir(pDir)) {
        const std::string strName = pEntry->d_name;
        if (strName == "." || strName == "..") {
            continue;
        }
        // Links are followed: a link to a folder is a folder. A dangling link
        // is a file entry, which then fails to open.
        struct stat st {};
        const bool bFolder = ::stat((strPrefix + strName).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        vecEntries.push_back(FolderEntry{strName, bFolder});
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

EReadResult CPosixPlatform::ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                                          std::uint64_t nMaxBytes) {
    vecData.clear();
    // O_NONBLOCK: opening a pipe must not wait for a writer.
    CFileDescriptor file(::open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.Get() < 0) {
        return EReadResult::OpenFailed;
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return EReadResult::OpenFailed;
    }
    if (static_cast<std::uint64_t>(st.st_size) > nMaxBytes) {
        return EReadResult::TooLarge;
    }
    vecData.resize(static_cast<std::size_t>(st.st_size));
    std::size_t nDone = 0;
    while (nDone < vecData.size()) {
        const ssize_t nRead = ::read(file.Get(), vecData.data() + nDone, vecData.size() - nDone);
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0) {
            return EReadResult::OpenFailed;
        }
        if (nRead == 0) {
            break;  // shrank while being read: take what is there
        }
        nDone += static_cast<std::size_t>(nRead);
    }
    vecData.resize(nDone);
    return EReadResult::Ok;
}

EWriteResult CPosixPlatform::WriteNewFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    CFileDescriptor file(::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    if (file.Get() < 0) {
        return errno == EEXIST ? EWriteResult::Exists : EWriteResult::OpenFailed;
    }
    std::size_t nDone = 0;
    while (nDone < nSize) {
        const ssize_t nWritten = ::write(file.Get(), pData + nDone, nSize - nDone);
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten <= 0) {
            return EWriteResult::WriteFailed;
        }
        nDone += static_cast<std::size_t>(nWritten);
    }
    // Write and close errors are checked; no fsync per file, which would make
    // a batch of small files many times slower than copying them. The rename
    // that follows still never exposes a partly written output.
    if (!file.Close()) {
        return EWriteResult::WriteFailed;
    }
    return EWriteResult::Ok;
}

bool CPosixPlatform::MoveReplace(const std::string& strFrom, const std::string& strTo) {
    return ::rename(strFrom.c_str(), strTo.c_str()) == 0;
}

bool CPosixPlatform::RemoveFile(const std::string& strPath) {
    return ::unlink(strPath.c_str()) == 0;
}

EAnswer CPosixPlatform::AskYesNoCancel(const std::string&) {
    // Nobody to ask: leave the existing file alone and end the run.
    return EAnswer::Cancel;
}

void CPosixPlatform::ShowNotice(const std::string& strText) {
    std::fprintf(stderr, "%s: %s\n", m_strTitle.c_str(), strText.c_str());
}
