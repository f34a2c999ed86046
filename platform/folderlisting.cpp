#include "platform/platform.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace platform {
namespace {

EntryKind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    return EntryKind::Other;
}

} // namespace

std::optional<std::vector<FolderEntry>> listFolder(const QString &folder)
{
    DIR *dir = opendir(encodePath(folder).constData());
    if (!dir)
        return std::nullopt;
    const int dirFd = dirfd(dir);
    std::vector<FolderEntry> entries;
    while (true) {
        // readdir answers null both at the end and on an error; only errno tells
        // them apart, and a folder read half way must not pass for all of it.
        errno = 0;
        const dirent *entry = readdir(dir);
        if (!entry) {
            const int error = errno;
            closedir(dir);
            if (error != 0)
                return std::nullopt;
            return entries;
        }
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        EntryKind kind = EntryKind::Other;
        switch (entry->d_type) {
        case DT_REG: kind = EntryKind::File; break;
        case DT_DIR: kind = EntryKind::Folder; break;
        case DT_LNK:
        case DT_UNKNOWN: {
            // A link counts as what it points to; some file systems give no type.
            struct stat status {};
            if (fstatat(dirFd, name, &status, 0) == 0)
                kind = kindOf(status.st_mode);
            break;
        }
        default: break;
        }
        entries.push_back({decodePath(QByteArray(name)), kind});
    }
}

} // namespace platform
