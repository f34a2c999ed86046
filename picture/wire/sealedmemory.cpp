#include "picture/wire/sealedmemory.h"

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace picture::protocol {

int sealedCopy(const void *data, size_t size)
{
    const int fd = ::memfd_create("zelvo-sealed", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    if (::ftruncate(fd, off_t(size)) != 0) {
        ::close(fd);
        return -1;
    }
    if (size > 0) {
        void *memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (memory == MAP_FAILED) {
            ::close(fd);
            return -1;
        }
        std::memcpy(memory, data, size);
        // The writable mapping goes first: the kernel refuses the write seal
        // while one is left.
        ::munmap(memory, size);
    }
    if (::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int sealedCopy(const QByteArray &bytes)
{
    return sealedCopy(bytes.constData(), size_t(bytes.size()));
}

bool isSealedWithAtLeast(int fd, qint64 size)
{
    const int seals = ::fcntl(fd, F_GET_SEALS);
    struct stat status {};
    return seals >= 0 && (seals & F_SEAL_SHRINK) && (seals & F_SEAL_WRITE) && ::fstat(fd, &status) == 0
           && S_ISREG(status.st_mode) && size >= 0 && status.st_size >= size;
}

QByteArray readSealed(int fd, qint64 maxBytes)
{
    struct stat status {};
    if (!isSealedWithAtLeast(fd, 0) || ::fstat(fd, &status) != 0 || status.st_size > maxBytes)
        return {};
    QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(done));
        if (got <= 0)
            return {};
        done += got;
    }
    return bytes;
}

} // namespace picture::protocol
