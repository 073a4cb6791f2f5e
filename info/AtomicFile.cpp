#include "AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool WriteFileAtomically(const std::string& strPath, const std::string& strContents, std::string& strError) {
    const std::string strTemp = strPath + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        strError = std::strerror(errno);
        return false;
    }
    const char* p = strContents.data();
    std::size_t nLeft = strContents.size();
    bool bOk = true;
    while (nLeft > 0) {
        const ssize_t n = ::write(fd, p, nLeft);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            bOk = false;
            break;
        }
        p += n;
        nLeft -= static_cast<std::size_t>(n);
    }
    if (bOk && ::fsync(fd) != 0) {
        bOk = false;
    }
    if (!bOk) {
        strError = std::strerror(errno);
    }
    if (::close(fd) != 0 && bOk) {
        strError = std::strerror(errno);
        bOk = false;
    }
    if (bOk && ::rename(strTemp.c_str(), strPath.c_str()) != 0) {
        strError = std::strerror(errno);
        bOk = false;
    }
    if (!bOk) {
        ::unlink(strTemp.c_str());
    }
    return bOk;
}
