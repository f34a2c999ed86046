#include "host/qt/folders.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <dirent.h>

#include <algorithm>

namespace qthost {
namespace {

bool canList(const QString &folder)
{
    DIR *dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return false;
    closedir(dir);
    return true;
}

std::optional<QStringList> entries(const QString &folder, const QStringList &nameFilters, QDir::Filters filters)
{
    if (!canList(folder))
        return std::nullopt;
    QDir dir(folder);
    QStringList names = dir.entryList(nameFilters, filters | QDir::NoDotAndDotDot, QDir::Unsorted);
    sortNaturally(names);
    return names;
}

} // namespace

std::optional<QString> readableFolder(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo info(QDir::fromNativeSeparators(path));
    if (!info.isDir())
        return std::nullopt;
    const QString folder = QDir::cleanPath(info.absoluteFilePath());
    if (!canList(folder))
        return std::nullopt;
    return folder;
}

std::optional<QStringList> subfolders(const QString &folder)
{
    return entries(folder, {}, QDir::Dirs);
}

std::optional<QStringList> matchingFiles(const QString &folder, const QString &pattern)
{
    QStringList wildcards;
    for (const QString &part : pattern.split(QLatin1Char(';'))) {
        if (!part.trimmed().isEmpty())
            wildcards.append(part.trimmed());
    }
    if (wildcards.isEmpty())
        return canList(folder) ? std::optional<QStringList>(QStringList()) : std::nullopt;
    // Without QDir::CaseSensitive the name filters ignore letter case.
    return entries(folder, wildcards, QDir::Files);
}

QStringList folderChain(const QString &folder)
{
    QStringList chain;
    QString at = folder;
    while (true) {
        chain.prepend(at);
        const QString up = QFileInfo(at).path();
        if (up == at || at == QDir::rootPath())
            break;
        at = up;
    }
    return chain;
}

QString joinFolder(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

void sortNaturally(QStringList &names)
{
    // Numeric collation needs a real locale: the C locale ignores it.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(),
                     [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
}

} // namespace qthost
