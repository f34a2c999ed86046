#include "platform/platform.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Letters and digits for a temporary file's name, as mkstemp uses.
QByteArray randomLetters(int count)
{
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray letters;
    for (int i = 0; i < count; ++i)
        letters += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
    return letters;
}

} // namespace

int replaceFile(const QString &target, const QString &temporaryPrefix, const QByteArray &bytes)
{
    const QByteArray targetName = encodePath(target);
    struct stat old {};
    const bool replacing = ::stat(targetName.constData(), &old) == 0;
    // A new file is made as any program makes one: 0666 less the user's
    // umask, which the kernel applies (the umask is never touched: other
    // threads may be making files meanwhile).
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = encodePath(temporaryPrefix) + randomLetters(6);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.constData());
        return error;
    };
    // The replacement keeps the permissions of the file it replaces.
    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0)
        return fail(errno);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0)
            return fail(errno);
        if (step == 0)
            return fail(EIO);
        written += step;
    }
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return error;
    }
    if (::rename(temporary.constData(), targetName.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return error;
    }
    return 0;
}

} // namespace platform
