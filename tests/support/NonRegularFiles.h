// Files that are not regular files, for tests of writers that must write
// through them or leave them alone: a private character device node (the
// null device's numbers), a named pipe with a reader, the kind of a path.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace specialfiles {

// A character device node that behaves as /dev/null; false when the system
// does not let this process make one (not root, a container without mknod).
inline bool MakeNullDevice(const std::filesystem::path& path) {
    return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

inline bool MakePipe(const std::filesystem::path& path) {
    return ::mkfifo(path.c_str(), 0666) == 0;
}

// The kind of path itself (a link is not followed): S_IFREG, S_IFCHR,
// S_IFIFO, S_IFLNK, ...; 0 when it does not exist.
inline unsigned PathKind(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & S_IFMT) : 0u;
}

// Reads everything written into a named pipe until the writer closes it.
// The reader opens the pipe at once (without waiting for a writer), so a
// writer that opens it without blocking finds a reader.
class CPipeReader {
public:
    explicit CPipeReader(const std::filesystem::path& path)
        : m_nFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
        m_thread = std::thread([this] {
            bool bWriterSeen = false;
            for (int nIdle = 0; m_nFd >= 0 && nIdle < 2000;) {
                char achBuffer[4096];
                const ssize_t n = ::read(m_nFd, achBuffer, sizeof(achBuffer));
                if (n > 0) {
                    m_strText.append(achBuffer, static_cast<std::size_t>(n));
                    bWriterSeen = true;
                    nIdle = 0;
                    continue;
                }
                if (n == 0 && bWriterSeen) {
                    break;  // the writer closed its end
                }
                ++nIdle;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    ~CPipeReader() { Finish(); }
    CPipeReader(const CPipeReader&) = delete;
    CPipeReader& operator=(const CPipeReader&) = delete;

    // Waits (at most 20 s) until the writer is done; what came through.
    const std::string& Finish() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_nFd >= 0) {
            ::close(m_nFd);
            m_nFd = -1;
        }
        return m_strText;
    }

private:
    int m_nFd;
    std::string m_strText;
    std::thread m_thread;
};

}  // namespace specialfiles
