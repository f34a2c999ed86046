#include "folders/drives.h"

#include <QDir>
#include <QSet>
#include <QStorageInfo>

namespace folders {
namespace {

bool isPseudo(const QStorageInfo &volume)
{
    static const QSet<QByteArray> pseudoTypes = {
        "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "cgroup", "cgroup2", "securityfs", "pstore",
        "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "bpf", "autofs",
        "binfmt_misc", "efivarfs", "nsfs", "ramfs", "rpc_pipefs", "squashfs", "fuse.gvfsd-fuse",
        "fuse.portal", "nfsd", "selinuxfs", "overlay",
    };
    if (pseudoTypes.contains(volume.fileSystemType()))
        return true;
    const QString root = volume.rootPath();
    for (const char *system : {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/docker"}) {
        const QString prefix = QString::fromLatin1(system);
        if (root == prefix || root.startsWith(prefix + QLatin1Char('/')))
            return !root.startsWith(QStringLiteral("/run/media/"));
    }
    return false;
}

} // namespace

QStringList mountedDrives()
{
    QStringList drives{QDir::rootPath()};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !isPseudo(volume) && !drives.contains(volume.rootPath()))
            drives.append(volume.rootPath());
    }
    drives.sort();
    return drives;
}

QString driveOf(const QStringList &drives, const QString &path)
{
    QString best;
    for (const QString &drive : drives) {
        const bool holds = drive == QDir::rootPath() || path == drive || path.startsWith(drive + QLatin1Char('/'));
        if (holds && drive.size() > best.size())
            best = drive;
    }
    return best;
}

} // namespace folders
