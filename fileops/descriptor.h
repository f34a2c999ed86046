#pragma once

// What the file operations share of the system's own calls: a descriptor
// closed when it goes, and flushing a folder's entries to the disk.

#include <QString>

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace fileops {

// Closes a descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now, reporting what close says (a late write error, on NFS).
    int close()
    {
        const int fd = std::exchange(m_fd, -1);
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

private:
    int m_fd;
};

// The folder's entries (a rename into it) on the disk.
void syncFolder(const QString &folder);

} // namespace fileops
