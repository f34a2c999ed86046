#include "fileops/trash.h"

#include "platform/paths.h"
#include "platform/platform.h"

#include <QDateTime>
#include <QFile>
#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fileops {
namespace {

using platform::folderOf;

QByteArray bytes(const QString &path)
{
    return platform::encodePath(path);
}

std::optional<struct stat> statusOf(const QString &path, bool followLinks)
{
    struct stat status {};
    const int rc = followLinks ? ::stat(bytes(path).constData(), &status) : ::lstat(bytes(path).constData(), &status);
    if (rc != 0)
        return std::nullopt;
    return status;
}

// The device that `path` is on, or would be on once made: its nearest
// existing folder's.
std::optional<dev_t> deviceFor(QString path)
{
    while (true) {
        if (const auto status = statusOf(path, true))
            return status->st_dev;
        if (path == QLatin1String("/") || path.isEmpty())
            return std::nullopt;
        path = folderOf(path);
    }
}

// A folder of this user's that is really there: made (0700) when missing,
// never someone else's, and never a link unless `throughLink` (the home
// trash may be a link the user made to a folder of theirs).
bool ownFolder(const QString &path, bool makeParents, bool throughLink = false)
{
    if (makeParents && !QDir().mkpath(folderOf(path)))
        return false;
    if (::mkdir(bytes(path).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    const auto status = statusOf(path, throughLink);
    return status && S_ISDIR(status->st_mode) && status->st_uid == ::getuid();
}

// The folder itself, links resolved: where a file reached through a link to
// another disk really lies. Empty when it cannot be resolved.
QString realFolder(const QString &folder)
{
    char *resolved = ::realpath(bytes(folder).constData(), nullptr);
    if (!resolved)
        return {};
    const QString real = platform::decodePath(QByteArray(resolved));
    ::free(resolved);
    return real;
}

// The top folder of the file system that holds `folder`: the highest folder
// above it on the same device.
QString topFolderOf(QString folder, dev_t device)
{
    while (folder != QLatin1String("/")) {
        const QString parent = folderOf(folder);
        const auto status = statusOf(parent, true);
        if (!status || status->st_dev != device)
            break;
        folder = parent;
    }
    return folder;
}

struct TrashPlace
{
    QString folder;   // holds files/ and info/
    QString relativeTo; // the info's Path is relative to this; empty: absolute
};

// Where the file goes: the home trash when it is on the home trash's file
// system, else the file system's own trash, if one can be used.
std::optional<TrashPlace> trashFor(const QString &realPath, dev_t device, const QString &dataHome)
{
    if (!dataHome.isEmpty()) {
        const QString home = QDir::cleanPath(dataHome) + QStringLiteral("/Trash");
        const std::optional<dev_t> homeDevice = deviceFor(home);
        if (homeDevice && *homeDevice == device)
            return ownFolder(home, true, true) ? std::optional(TrashPlace{home, {}}) : std::nullopt;
    }
    // The file system's top is found from where the file really is: a
    // folder reached through a link to another disk is on that disk.
    const QString top = topFolderOf(folderOf(realPath), device);
    const QString uid = QString::number(::getuid());
    const QString base = top == QLatin1String("/") ? QString() : top;
    const QString shared = base + QStringLiteral("/.Trash");
    // An administrator's shared trash: a real folder, sticky, never a link.
    if (const auto status = statusOf(shared, false);
        status && S_ISDIR(status->st_mode) && (status->st_mode & S_ISVTX)) {
        const QString mine = shared + QLatin1Char('/') + uid;
        if (ownFolder(mine, false) && deviceFor(mine) == device)
            return TrashPlace{mine, top};
    }
    const QString own = base + QStringLiteral("/.Trash-") + uid;
    if (ownFolder(own, false) && deviceFor(own) == device)
        return TrashPlace{own, top};
    return std::nullopt;
}

// The information file's Path: the bytes of the path, percent-encoded.
QByteArray infoPath(const QString &path, const QString &relativeTo)
{
    QString written = path;
    if (!relativeTo.isEmpty()) {
        written = relativeTo == QLatin1String("/") ? path.mid(1) : path.mid(relativeTo.size() + 1);
    }
    return bytes(written).toPercentEncoding("/");
}

} // namespace

QString userDataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

TrashOutcome moveToTrash(const QString &path, const QString &dataHome)
{
    TrashOutcome result;
    const auto status = statusOf(path, false);
    if (!status) {
        result.outcome = Outcome::failed(errno == ENOENT ? Failure::Vanished : Failure::Other, errno);
        return result;
    }
    if (S_ISDIR(status->st_mode)) {
        result.outcome = Outcome::failed(Failure::NotAFile);
        return result;
    }
    // A folder that takes no changes would refuse deleting too: said as such.
    if (::access(bytes(folderOf(path)).constData(), W_OK | X_OK) != 0) {
        result.outcome = failureFor(errno);
        return result;
    }
    // The file itself is never followed; its folder is, for where it really lies.
    const QString name = platform::nameOf(path);
    const QString real = realFolder(folderOf(path));
    const QString realPath = real.isEmpty() ? path : platform::joinFolder(real, name);
    const std::optional<TrashPlace> place = trashFor(realPath, status->st_dev, dataHome);
    if (!place || !ownFolder(place->folder + QStringLiteral("/files"), false)
        || !ownFolder(place->folder + QStringLiteral("/info"), false)) {
        result.outcome = Outcome::failed(Failure::NoTrash);
        return result;
    }
    // The home trash names the file as the user reached it; a file system's
    // own trash relative to its top, which only the real path lies under.
    const QByteArray info = "[Trash Info]\nPath="
                            + infoPath(place->relativeTo.isEmpty() ? path : realPath, place->relativeTo)
                            + "\nDeletionDate="
                            + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1()
                            + "\n";
    // The information file first, made exclusively: it reserves the name
    // against another program trashing a file of the same name meanwhile.
    for (int attempt = 1; attempt <= 10000; ++attempt) {
        const QString trashedName = freeName(name, attempt);
        const QString infoFile = place->folder + QStringLiteral("/info/") + trashedName + QStringLiteral(".trashinfo");
        const QString file = place->folder + QStringLiteral("/files/") + trashedName;
        const int fd = ::open(bytes(infoFile).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        // A disk that is full is said so: the trash is there, it has no room.
        const auto noRoom = [](int error) {
            return error == ENOSPC || error == EDQUOT ? Outcome::failed(Failure::DiskFull, error)
                                                      : Outcome::failed(Failure::NoTrash, error);
        };
        if (fd < 0) {
            result.outcome = noRoom(errno);
            return result;
        }
        const ssize_t wrote = ::write(fd, info.constData(), size_t(info.size()));
        int error = wrote == info.size() ? 0 : wrote < 0 ? errno : ENOSPC;
        if (error == 0 && ::fsync(fd) != 0)
            error = errno;
        if (::close(fd) != 0 && error == 0)
            error = errno;
        if (error != 0) {
            ::unlink(bytes(infoFile).constData());
            result.outcome = noRoom(error);
            return result;
        }
        error = renameWithoutReplacing(path, file);
        if (error == EEXIST) {
            // A file left in the trash without its information: another name.
            ::unlink(bytes(infoFile).constData());
            continue;
        }
        if (error != 0) {
            ::unlink(bytes(infoFile).constData());
            result.outcome = error == EXDEV ? Outcome::failed(Failure::NoTrash, error) : failureFor(error);
            return result;
        }
        result.outcome.path = file;
        result.trashed = {path, file, infoFile, info, identityOf(file).value_or(FileIdentity())};
        return result;
    }
    result.outcome = Outcome::failed(Failure::NoTrash, EEXIST);
    return result;
}

Outcome restoreFromTrash(const TrashedFile &trashed)
{
    if (!exists(trashed.file))
        return Outcome::failed(Failure::Vanished, ENOENT);
    // Only the file this trashed, with the information it wrote: the trash
    // may have been emptied and another file of the name trashed since.
    QFile info;
    if (identityOf(trashed.file) != trashed.identity || !platform::openForReading(info, trashed.info)
        || info.read(trashed.infoBytes.size() + 1) != trashed.infoBytes)
        return Outcome::failed(Failure::NotTheSameFile);
    const auto folder = statusOf(folderOf(trashed.original), true);
    if (!folder || !S_ISDIR(folder->st_mode))
        return Outcome::failed(Failure::NoFolder, ENOENT);
    const int error = renameWithoutReplacing(trashed.file, trashed.original);
    if (error != 0)
        return failureFor(error);
    ::unlink(bytes(trashed.info).constData());
    return Outcome::at(trashed.original, false);
}

} // namespace fileops
