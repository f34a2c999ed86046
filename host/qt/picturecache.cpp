#include "host/qt/picturecache.h"

#include <QDateTime>
#include <QFileInfo>

namespace qthost {

QString PictureCache::key(const QString &path, QSize bounds)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return {};
    return QStringLiteral("%1|%2|%3|%4x%5")
        .arg(file.absoluteFilePath())
        .arg(file.size())
        .arg(file.lastModified().toMSecsSinceEpoch())
        .arg(bounds.width())
        .arg(bounds.height());
}

const DecodedPicture *PictureCache::find(const QString &key) const
{
    return key.isEmpty() ? nullptr : m_pictures.object(key);
}

void PictureCache::insert(const QString &key, const DecodedPicture &picture)
{
    if (key.isEmpty() || picture.status != DecodedPicture::Status::Decoded)
        return;
    m_pictures.insert(key, new DecodedPicture(picture), qMax<qint64>(1, picture.image.sizeInBytes()));
}

} // namespace qthost
