#include "fileops/identity.h"

#include "platform/platform.h"

#include <sys/stat.h>

namespace fileops {

std::optional<FileIdentity> identityOf(const QString &path)
{
    struct stat status {};
    if (::lstat(platform::encodePath(path).constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                        qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

} // namespace fileops
