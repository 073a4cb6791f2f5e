// A file descriptor closed when its scope ends.
#pragma once

#include <unistd.h>

#include <utility>

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
