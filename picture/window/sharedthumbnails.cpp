#include "picture/window/sharedthumbnails.h"

#include "platform/platform.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace picture {
namespace {

struct SizeClass
{
    const char *folder;
    int pixels;
};
// Smallest first.
constexpr SizeClass Classes[] = {{"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};

QString entryName(const QString &path)
{
    return QString::fromLatin1(QCryptographicHash::hash(thumbnailUri(path), QCryptographicHash::Md5).toHex())
           + QStringLiteral(".png");
}

const SizeClass &classFor(int pixels)
{
    for (const SizeClass &sizeClass : Classes) {
        if (pixels <= sizeClass.pixels)
            return sizeClass;
    }
    return Classes[std::size(Classes) - 1];
}

} // namespace

QByteArray thumbnailUri(const QString &path)
{
    // The name's own bytes, so that one that is not UTF-8 names the entry a
    // file manager made for it; the characters QUrl leaves in a path stay.
    return "file://" + platform::encodePath(path).toPercentEncoding("/!$&'()*+,;=:@[]");
}

QString thumbnailCacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/thumbnails");
}

QString cachedThumbnailPath(const QString &path)
{
    const QString name = entryName(path);
    const QDir cache(thumbnailCacheFolder());
    for (auto sizeClass = std::rbegin(Classes); sizeClass != std::rend(Classes); ++sizeClass) {
        const QString candidate = cache.filePath(QLatin1String(sizeClass->folder) + QLatin1Char('/') + name);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

int thumbnailClassPixels(int pixels)
{
    return classFor(pixels).pixels;
}

QString thumbnailEntryPath(const QString &path, int pixels)
{
    return thumbnailCacheFolder() + QLatin1Char('/') + QLatin1String(classFor(pixels).folder) + QLatin1Char('/')
           + entryName(path);
}

QString thumbnailEntryFor(const QString &path, int pixels)
{
    const QString name = entryName(path);
    const QDir cache(thumbnailCacheFolder());
    for (const SizeClass &sizeClass : Classes) {
        if (sizeClass.pixels < classFor(pixels).pixels)
            continue;
        const QString candidate = cache.filePath(QLatin1String(sizeClass.folder) + QLatin1Char('/') + name);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

QString failureEntryPath(const QString &path)
{
    return thumbnailCacheFolder() + QStringLiteral("/fail/zelvoviewer-") + QStringLiteral(ZELVO_PROGRAM_VERSION)
           + QLatin1Char('/') + entryName(path);
}

bool isInThumbnailCache(const QString &path)
{
    const QString cache = QDir::cleanPath(thumbnailCacheFolder()) + QLatin1Char('/');
    return QDir::cleanPath(path).startsWith(cache);
}

} // namespace picture
