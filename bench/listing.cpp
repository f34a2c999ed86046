#include "listing.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <fnmatch.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace listing {

int plainReadFilterSort(const QString &folder)
{
    static const char *const patterns[] = {"*.jpeg", "*.jpg", "*.gif", "*.png", "*.bmp"};
    const QByteArray name = QFile::encodeName(folder);
    DIR *dir = opendir(name.constData());
    if (!dir)
        return -1;
    struct Entry
    {
        std::string name;
        std::string key; // lower case, for a natural comparison that ignores case
    };
    std::vector<Entry> kept;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (entry->d_type != DT_REG) {
            struct stat status {};
            if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
                continue;
            if (fstatat(dirfd(dir), entry->d_name, &status, 0) != 0 || !S_ISREG(status.st_mode))
                continue;
        }
        for (const char *pattern : patterns) {
            if (fnmatch(pattern, entry->d_name, FNM_CASEFOLD) == 0) {
                std::string key = entry->d_name;
                std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(std::tolower(c)); });
                kept.push_back({entry->d_name, std::move(key)});
                break;
            }
        }
    }
    closedir(dir);
    std::sort(kept.begin(), kept.end(),
              [](const Entry &a, const Entry &b) { return strverscmp(a.key.c_str(), b.key.c_str()) < 0; });
    return int(kept.size());
}

} // namespace listing
