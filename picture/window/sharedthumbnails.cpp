#include "picture/window/sharedthumbnails.h"

#include "platform/platform.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace picture {

QByteArray thumbnailUri(const QString &path)
{
    // The name's own bytes, so that one that is not UTF-8 names the entry a
    // file manager made for it; the characters QUrl leaves in a path stay.
    return "file://" + platform::encodePath(path).toPercentEncoding("/!$&'()*+,;=:@[]");
}

QString cachedThumbnailPath(const QString &path)
{
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(thumbnailUri(path), QCryptographicHash::Md5).toHex()) + QStringLiteral(".png");
    const QDir cache(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/thumbnails"));
    for (const char *size : {"xx-large", "x-large", "large", "normal"}) {
        const QString candidate = cache.filePath(QLatin1String(size) + QLatin1Char('/') + name);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

} // namespace picture
