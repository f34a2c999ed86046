#include "platform/platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

FileStamp stampFrom(const struct stat &status)
{
    const auto ns = [](const timespec &t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    return FileStamp{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                     ns(status.st_mtim),     ns(status.st_ctim),     S_ISREG(status.st_mode),
                     S_ISDIR(status.st_mode)};
}

} // namespace

std::optional<FileStamp> fileStamp(const QString &path)
{
    struct stat status {};
    if (path.isEmpty() || ::stat(encodePath(path).constData(), &status) != 0)
        return std::nullopt;
    return stampFrom(status);
}

std::optional<FileStamp> fileStamp(int fd)
{
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0)
        return std::nullopt;
    return stampFrom(status);
}

bool mayRead(const QString &path, bool folder)
{
    return ::access(encodePath(path).constData(), folder ? R_OK | X_OK : R_OK) == 0;
}

bool openForReading(QFile &file, const QString &path)
{
    const int fd = ::open(encodePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

int openRegularFile(const QString &path)
{
    // O_NONBLOCK: opening a FIFO would wait for a writer; O_NOCTTY: a
    // terminal never becomes the program's.
    const int fd = ::open(encodePath(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, 0);
    return fd;
}

bool isRegularFile(const QString &path)
{
    const std::optional<FileStamp> stamp = fileStamp(path);
    return stamp && stamp->regular;
}

} // namespace platform
