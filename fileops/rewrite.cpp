#include "fileops/rewrite.h"

#include "fileops/descriptor.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <vector>

namespace fileops {
namespace {

QByteArray bytes(const QString &path)
{
    return platform::encodePath(path);
}

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

timespec timespecOf(qint64 ns)
{
    return timespec{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
}

// The file a path names, links followed: a link is never replaced by a
// file, its target is.
QString realPath(const QString &path)
{
    char resolved[PATH_MAX];
    if (::realpath(bytes(path).constData(), resolved))
        return platform::decodePath(QByteArray(resolved));
    return path;
}

Staging failedStaging(Outcome outcome)
{
    return {std::move(outcome), std::nullopt};
}

// A hidden name beside `target` nobody else uses: ".IMG_1.JPG.zelvo-x7Qa2B".
QString hiddenBeside(const QString &target)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return platform::joinFolder(platform::folderOf(target),
                                QLatin1Char('.') + platform::nameOf(target) + QStringLiteral(".zelvo-") + suffix);
}

int writeAll(int fd, const QByteArray &data)
{
    for (qsizetype written = 0; written < data.size();) {
        const ssize_t step = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0)
            return errno;
        written += step;
    }
    return 0;
}

// The old file's extended attributes (ACLs, SELinux's label, a user's own)
// given to the new one: 0, or the error of the first that cannot be.
int copyAttributes(const QByteArray &from, int to)
{
    ssize_t size = ::llistxattr(from.constData(), nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP ? 0 : errno;
    std::vector<char> names(size_t(size) + 1);
    size = ::llistxattr(from.constData(), names.data(), names.size());
    if (size < 0)
        return errno;
    for (ssize_t at = 0; at < size; at += ssize_t(std::strlen(names.data() + at)) + 1) {
        const char *name = names.data() + at;
        const ssize_t length = ::lgetxattr(from.constData(), name, nullptr, 0);
        if (length < 0)
            return errno;
        std::vector<char> value(size_t(length) + 1);
        const ssize_t got = ::lgetxattr(from.constData(), name, value.data(), value.size());
        if (got < 0)
            return errno;
        if (::fsetxattr(to, name, value.data(), size_t(got), 0) != 0)
            return errno;
    }
    return 0;
}

Staging stage(const QString &path, const QByteArray &data, bool replacing, KeepTimes keep,
              const std::optional<FileTimes> &times)
{
    const QString target = replacing ? realPath(path) : path;
    const QByteArray targetBytes = bytes(target);
    struct stat old {};
    if (replacing) {
        if (::stat(targetBytes.constData(), &old) != 0)
            return failedStaging(failureFor(errno));
        if (!S_ISREG(old.st_mode))
            return failedStaging(Outcome::failed(Failure::NotAFile));
        // Its folder may let it be replaced; the file itself must be
        // writable too, or a read-only photo would lose its protection.
        if (::access(targetBytes.constData(), W_OK) != 0)
            return failedStaging(Outcome::failed(Failure::ReadOnlyFile, errno));
    } else if (::lstat(targetBytes.constData(), &old) == 0) {
        return failedStaging(Outcome::failed(Failure::NameTaken, EEXIST));
    }
    Descriptor out;
    QString temporary;
    for (int attempt = 0; out.get() < 0; ++attempt) {
        temporary = hiddenBeside(target);
        // A new file gets the usual permissions (the umask applies); a
        // replacement is private until it has the old one's.
        out.reset(::open(bytes(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666));
        if (out.get() < 0 && (errno != EEXIST || attempt > 100))
            return failedStaging(errno == ENOENT ? Outcome::failed(Failure::NoFolder, errno) : failureFor(errno));
    }
    const auto fail = [&](Outcome outcome) {
        out.reset();
        ::unlink(bytes(temporary).constData());
        return failedStaging(std::move(outcome));
    };
    if (const int error = writeAll(out.get(), data))
        return fail(failureFor(error));
    Staged staged{target, temporary, std::nullopt, std::nullopt};
    if (replacing) {
        staged.replaces = FileIdentity{quint64(old.st_dev), quint64(old.st_ino), qint64(old.st_size),
                                       nanoseconds(old.st_mtim)};
        staged.timesBefore = FileTimes{nanoseconds(old.st_atim), nanoseconds(old.st_mtim)};
        struct stat made {};
        if (::fstat(out.get(), &made) != 0)
            return fail(failureFor(errno));
        // Its owner and group as they were, or nothing is replaced.
        if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) && ::fchown(out.get(), old.st_uid, old.st_gid) != 0)
            return fail(Outcome::failed(Failure::AttributesNotKept, errno));
        if (::fchmod(out.get(), old.st_mode & 07777) != 0)
            return fail(Outcome::failed(Failure::AttributesNotKept, errno));
        if (const int error = copyAttributes(targetBytes, out.get()))
            return fail(Outcome::failed(Failure::AttributesNotKept, error));
        const FileTimes kept = times.value_or(*staged.timesBefore);
        timespec stamps[2] = {timespecOf(kept.accessedNs), timespecOf(kept.modifiedNs)};
        if (keep == KeepTimes::Now && !times)
            stamps[1].tv_nsec = UTIME_NOW;
        if (::futimens(out.get(), stamps) != 0)
            return fail(failureFor(errno));
    }
    if (::fsync(out.get()) != 0)
        return fail(failureFor(errno));
    if (const int error = out.close())
        return fail(failureFor(error));
    return {Outcome::at(target), staged};
}

QByteArray readWhole(const QString &path, bool *ok)
{
    QFile file;
    *ok = platform::openForReading(file, path);
    if (!*ok)
        return {};
    QByteArray content = file.readAll();
    *ok = file.error() == QFileDevice::NoError;
    return content;
}

} // namespace

Staging stageReplacement(const QString &path, const QByteArray &data, KeepTimes keep,
                         const std::optional<FileTimes> &times)
{
    return stage(path, data, true, keep, times);
}

Staging stageNewFile(const QString &path, const QByteArray &data)
{
    return stage(path, data, false, KeepTimes::Now, std::nullopt);
}

Outcome commitStaged(const Staged &staged)
{
    const QByteArray temporary = bytes(staged.temporary);
    const auto fail = [&](Outcome outcome) {
        ::unlink(temporary.constData());
        return outcome;
    };
    if (staged.replaces) {
        // As near to the rename as can be: the file is still the one read.
        if (identityOf(staged.target) != staged.replaces)
            return fail(Outcome::failed(Failure::NotTheSameFile));
        if (::rename(temporary.constData(), bytes(staged.target).constData()) != 0)
            return fail(failureFor(errno));
    } else if (const int error = renameWithoutReplacing(staged.temporary, staged.target)) {
        return fail(failureFor(error));
    }
    syncFolder(platform::folderOf(staged.target));
    return Outcome::at(staged.target);
}

void abandonStaged(const Staged &staged)
{
    ::unlink(bytes(staged.temporary).constData());
}

std::optional<Rewrite> recordRewrite(const Staged &staged, const std::optional<QByteArray> &oldBytes,
                                     const QByteArray &newBytes)
{
    const std::optional<FileIdentity> after = identityOf(staged.target);
    if (!after)
        return std::nullopt;
    Rewrite rewrite;
    rewrite.path = staged.target;
    rewrite.after = *after;
    rewrite.before = staged.replaces;
    rewrite.created = !oldBytes;
    rewrite.oldTimes = staged.timesBefore.value_or(FileTimes{});
    if (!oldBytes)
        return rewrite;
    const QByteArray &old = *oldBytes;
    const qint64 shorter = std::min(old.size(), newBytes.size());
    qint64 prefix = 0;
    while (prefix < shorter && old[prefix] == newBytes[prefix])
        ++prefix;
    qint64 suffix = 0;
    while (suffix < shorter - prefix && old[old.size() - 1 - suffix] == newBytes[newBytes.size() - 1 - suffix])
        ++suffix;
    rewrite.prefix = prefix;
    rewrite.suffix = suffix;
    rewrite.middle = old.mid(prefix, old.size() - prefix - suffix);
    rewrite.oldDigest = QCryptographicHash::hash(old, QCryptographicHash::Sha256);
    return rewrite;
}

bool canUndoRewrite(const Rewrite &rewrite)
{
    return identityOf(rewrite.path) == rewrite.after;
}

Outcome undoRewrite(const Rewrite &rewrite)
{
    if (!canUndoRewrite(rewrite))
        return Outcome::failed(exists(rewrite.path) ? Failure::NotTheSameFile : Failure::Vanished);
    if (rewrite.created)
        return remove(rewrite.path);
    bool ok = false;
    const QByteArray now = readWhole(rewrite.path, &ok);
    if (!ok)
        return Outcome::failed(Failure::IoError);
    if (rewrite.prefix + rewrite.suffix > now.size())
        return Outcome::failed(Failure::NotTheSameFile);
    const QByteArray old = now.left(rewrite.prefix) + rewrite.middle + now.right(rewrite.suffix);
    if (QCryptographicHash::hash(old, QCryptographicHash::Sha256) != rewrite.oldDigest)
        return Outcome::failed(Failure::NotTheSameFile);
    const Staging staging = stageReplacement(rewrite.path, old, KeepTimes::Old, rewrite.oldTimes);
    if (!staging.staged)
        return staging.outcome;
    // Read a moment ago: still the file the rewrite left, or nothing changes.
    if (staging.staged->replaces != rewrite.after) {
        abandonStaged(*staging.staged);
        return Outcome::failed(Failure::NotTheSameFile);
    }
    return commitStaged(*staging.staged);
}

} // namespace fileops
