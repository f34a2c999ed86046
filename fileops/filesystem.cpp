#include "fileops/filesystem.h"

#include "fileops/descriptor.h"
#include "fileops/names.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QDir>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace fileops {
namespace {

using platform::folderOf;
using platform::joinFolder;
using platform::nameOf;

QByteArray bytes(const QString &path)
{
    return platform::encodePath(path);
}

bool sameVersion(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
           && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// What a copy is told at most between two reports of its progress.
constexpr size_t CopyPartBytes = 1 << 20;

// Writes all of `size` bytes from `in` to `out`, telling `progress` after
// each part: 0, an error number, or ECANCELED when told to stop.
int copyContent(int in, int out, off_t size, const CopyProgress &progress)
{
    off_t done = 0;
    bool kernelCopy = true;
    std::vector<char> buffer;
    const auto told = [&] { return !progress || progress(qint64(done), qint64(size)); };
    while (done < size) {
        if (kernelCopy) {
            const ssize_t step =
                ::copy_file_range(in, nullptr, out, nullptr, std::min(size_t(size - done), CopyPartBytes), 0);
            if (step > 0) {
                done += step;
                if (!told())
                    return ECANCELED;
                continue;
            }
            if (step == 0)
                return EIO; // shorter than it said: changed meanwhile, told by the caller's check
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
                return errno;
            // Not between these file systems: by hand from where it got to.
            kernelCopy = false;
            if (::lseek(in, done, SEEK_SET) < 0 || ::lseek(out, done, SEEK_SET) < 0)
                return errno;
            buffer.resize(CopyPartBytes);
        }
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return EIO;
        for (ssize_t written = 0; written < got;) {
            const ssize_t step = ::write(out, buffer.data() + written, size_t(got - written));
            if (step < 0 && errno == EINTR)
                continue;
            if (step < 0)
                return errno;
            written += step;
        }
        done += got;
        if (!told())
            return ECANCELED;
    }
    return 0;
}


// Copies the regular file `source` (its status `status`, taken from the
// open descriptor `in`) to `folder`, under its name or (`anyFreeName`) a
// free one. Nothing is left behind on failure.
Outcome copyOpened(int in, const struct stat &status, const QString &name, const QString &folder, bool anyFreeName,
                   const CopyProgress &progress)
{
    // Copied under a hidden name of its own and given the real one only once
    // whole and checked: a copy cut short (a crash, a pulled disk) is never
    // a truncated photo under the photo's name.
    Descriptor out;
    QString temporary;
    for (int attempt = 0; out.get() < 0; ++attempt) {
        temporary = joinFolder(folder, QStringLiteral(".zelvo-copy-") + QString::number(::getpid()) + QLatin1Char('-')
                                           + QString::number(attempt));
        out.reset(::open(bytes(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (out.get() >= 0)
            break;
        if (errno != EEXIST || attempt > 10000)
            return errno == ENOENT || errno == ENOTDIR ? Outcome::failed(Failure::NoFolder, errno) : failureFor(errno);
    }
    const auto fail = [&](Outcome outcome) {
        out.reset();
        ::unlink(bytes(temporary).constData());
        return outcome;
    };
    int error = copyContent(in, out.get(), status.st_size, progress);
    if (error == ECANCELED)
        return fail(Outcome::failed(Failure::Cancelled));
    struct stat after {};
    // The file must still be the one that was opened, as it was: else the
    // copy may be half old, half new.
    if (::fstat(in, &after) != 0 || !sameVersion(status, after))
        return fail(Outcome::failed(Failure::Changed));
    if (error == 0) {
        const timespec times[2] = {status.st_atim, status.st_mtim};
        if (::fchmod(out.get(), status.st_mode & 07777) != 0 || ::futimens(out.get(), times) != 0)
            error = errno;
    }
    if (error == 0 && ::fsync(out.get()) != 0)
        error = errno;
    struct stat copied {};
    if (error == 0 && ::fstat(out.get(), &copied) != 0)
        error = errno;
    if (error == 0 && copied.st_size != status.st_size)
        error = EIO;
    if (error == 0)
        error = out.close();
    if (error != 0)
        return fail(failureFor(error));
    QString target;
    for (int attempt = 1; target.isEmpty(); ++attempt) {
        const QString candidate = joinFolder(folder, freeName(name, attempt));
        error = renameWithoutReplacing(temporary, candidate);
        if (error == 0)
            target = candidate;
        else if (error != EEXIST || !anyFreeName || attempt > 10000)
            return fail(failureFor(error));
    }
    syncFolder(folder);
    Outcome outcome;
    outcome.path = target;
    outcome.freeName = target != joinFolder(folder, name);
    return outcome;
}

// Moves or copies `path` to `folder`/`name` (or a free name).
Outcome transfer(const QString &path, const QString &into, const QString &name, bool keepSource, bool anyFreeName,
                 const CopyProgress &progress)
{
    const QString folder = QDir::cleanPath(into);
    const QByteArray source = bytes(path);
    struct stat own {};
    if (::lstat(source.constData(), &own) != 0)
        return errno == ENOENT ? Outcome::failed(Failure::Vanished, errno) : failureFor(errno);
    if (S_ISDIR(own.st_mode))
        return Outcome::failed(Failure::NotAFile);
    const std::optional<platform::FileStamp> place = platform::fileStamp(folder);
    if (!place || !place->folder)
        return Outcome::failed(Failure::NoFolder, ENOENT);
    // A name the folder's file system would refuse, or alter, is refused first.
    if (const NameProblem problem = nameProblemIn(name, folder); !problem.ok())
        return Outcome::refusedName(problem);
    if (!keepSource && place->device == quint64(own.st_dev) && folder == folderOf(path))
        return Outcome::failed(Failure::SameFolder);

    if (!keepSource) {
        for (int attempt = 1; attempt <= 10000; ++attempt) {
            const QString target = joinFolder(folder, freeName(name, attempt));
            const int error = renameWithoutReplacing(path, target);
            if (error == 0) {
                syncFolder(folder);
                return Outcome::at(target, attempt > 1);
            }
            if (error == EEXIST && anyFreeName)
                continue;
            if (error == EXDEV)
                break; // another file system: copied below
            if (error == ENOENT)
                return Outcome::failed(exists(path) ? Failure::NoFolder : Failure::Vanished, error);
            return failureFor(error);
        }
        // The source's folder must let it go, or the copy would be for nothing.
        if (::access(bytes(folderOf(path)).constData(), W_OK | X_OK) != 0)
            return failureFor(errno);
        if (S_ISLNK(own.st_mode)) {
            // A link is made anew, pointing where it pointed.
            std::vector<char> pointee(size_t(own.st_size) + 1);
            const ssize_t length = ::readlink(source.constData(), pointee.data(), pointee.size());
            if (length < 0 || size_t(length) >= pointee.size())
                return failureFor(length < 0 ? errno : EIO);
            pointee[size_t(length)] = '\0';
            for (int attempt = 1; attempt <= 10000; ++attempt) {
                const QString target = joinFolder(folder, freeName(name, attempt));
                if (::symlink(pointee.data(), bytes(target).constData()) == 0) {
                    if (::unlink(source.constData()) != 0) {
                        const int error = errno;
                        ::unlink(bytes(target).constData());
                        return failureFor(error);
                    }
                    return Outcome::at(target, attempt > 1);
                }
                if (errno != EEXIST || !anyFreeName)
                    return failureFor(errno);
            }
            return failureFor(EEXIST);
        }
        if (!S_ISREG(own.st_mode))
            return Outcome::failed(Failure::NotAFile); // a FIFO or device is never read
    }

    // The content, read from a descriptor opened without waiting (a FIFO
    // would wait for a writer) and refused unless it is a regular file.
    const Descriptor in(platform::openRegularFile(path));
    if (in.get() < 0) {
        if (errno == EINVAL)
            return Outcome::failed(Failure::NotAFile);
        return errno == ENOENT ? Outcome::failed(Failure::Vanished, errno) : failureFor(errno);
    }
    struct stat status {};
    if (::fstat(in.get(), &status) != 0)
        return failureFor(errno);
    Outcome copied = copyOpened(in.get(), status, name, folder, anyFreeName, progress);
    if (!copied.ok() || keepSource)
        return copied;
    // Removed only while it is still the file that was copied.
    struct stat now {};
    if (::lstat(source.constData(), &now) != 0 || !sameVersion(now, status)) {
        ::unlink(bytes(copied.path).constData());
        return Outcome::failed(Failure::Changed);
    }
    if (::unlink(source.constData()) != 0) {
        const int error = errno;
        ::unlink(bytes(copied.path).constData());
        return failureFor(error);
    }
    syncFolder(folderOf(path));
    return copied;
}

} // namespace

QString freeName(const QString &name, int attempt)
{
    if (attempt <= 1)
        return name;
    // The number goes before the extension, so that the type stays.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype stemEnd = dot > 0 ? dot : name.size();
    return name.left(stemEnd) + QStringLiteral(" (%1)").arg(attempt) + name.mid(stemEnd);
}

int renameWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray source = bytes(from);
    const QByteArray target = bytes(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: a hard link cannot replace either.
    if (::link(source.constData(), target.constData()) == 0) {
        if (::unlink(source.constData()) == 0)
            return 0;
        const int error = errno;
        ::unlink(target.constData());
        return error;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    // Nor links (FAT): looked at first, as near to the rename as can be.
    struct stat there {};
    if (::lstat(target.constData(), &there) == 0)
        return EEXIST;
    return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
}

void syncFolder(const QString &folder)
{
    const Descriptor fd(::open(bytes(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

Outcome failureFor(int error)
{
    switch (error) {
    case 0: return {};
    case ENOENT: return Outcome::failed(Failure::Vanished, error);
    case EACCES:
    case EPERM:
    case EROFS: return Outcome::failed(Failure::NotWritable, error);
    case ENOSPC:
    case EDQUOT: return Outcome::failed(Failure::DiskFull, error);
    case EEXIST:
    case ENOTEMPTY: return Outcome::failed(Failure::NameTaken, error);
    case EISDIR: return Outcome::failed(Failure::NotAFile, error);
    case ENOTDIR: return Outcome::failed(Failure::NoFolder, error);
    case ENAMETOOLONG: return Outcome::failed(Failure::NameTooLong, error);
    // What a FAT or NTFS driver answers for a name it does not take.
    case EINVAL:
    case EILSEQ: return Outcome::failed(Failure::NameNotAllowed, error);
    case EIO: return Outcome::failed(Failure::IoError, error);
    case EFBIG: return Outcome::failed(Failure::FileTooLarge, error);
    case EBUSY:
    case ETXTBSY: return Outcome::failed(Failure::Busy, error);
    case ESTALE: return Outcome::failed(Failure::Stale, error);
    case ELOOP: return Outcome::failed(Failure::LinkLoop, error);
    default: return Outcome::failed(Failure::Other, error);
    }
}

Outcome moveInto(const QString &path, const QString &folder, const CopyProgress &progress)
{
    return transfer(path, folder, nameOf(path), false, true, progress);
}

Outcome moveTo(const QString &path, const QString &target, const CopyProgress &progress)
{
    return transfer(path, folderOf(target), nameOf(target), false, false, progress);
}

Outcome copyTo(const QString &path, const QString &target, const CopyProgress &progress)
{
    return transfer(path, folderOf(target), nameOf(target), true, false, progress);
}

Outcome copyInto(const QString &path, const QString &folder, const CopyProgress &progress)
{
    return transfer(path, folder, nameOf(path), true, true, progress);
}

Outcome rename(const QString &path, const QString &name)
{
    if (!isValidName(name))
        return Outcome::failed(Failure::BadName);
    if (!exists(path))
        return Outcome::failed(Failure::Vanished, ENOENT);
    if (const NameProblem problem = nameProblemIn(name, folderOf(path)); !problem.ok())
        return Outcome::refusedName(problem);
    const QString target = joinFolder(folderOf(path), name);
    if (target == path)
        return Outcome::at(path, false);
    const int error = renameWithoutReplacing(path, target);
    if (error != 0)
        return failureFor(error);
    return Outcome::at(target, false);
}

Outcome remove(const QString &path)
{
    struct stat own {};
    if (::lstat(bytes(path).constData(), &own) != 0)
        return failureFor(errno);
    if (S_ISDIR(own.st_mode))
        return Outcome::failed(Failure::NotAFile);
    if (::unlink(bytes(path).constData()) != 0)
        return failureFor(errno);
    return Outcome::at(path, false);
}

bool exists(const QString &path)
{
    struct stat own {};
    return ::lstat(bytes(path).constData(), &own) == 0;
}

bool isValidName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace fileops
