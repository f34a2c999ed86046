#include "picture/window/picturecache.h"

#include "platform/platform.h"
#include "platform/sidecars.h"

#include <QFileInfo>

namespace picture {

QString PictureCache::key(const QString &path, QSize bounds)
{
    // Which file (device and inode) and when its content last changed: a copy
    // that keeps the old times (cp -p, rsync -t) still moves the status-change
    // time, and a file renamed into place is another inode.
    // One status call: the key is made for every picture shown or decoded ahead.
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
    if (!stamp || !stamp->regular)
        return {};
    QString key = QStringLiteral("%1|%2:%3|%4|%5|%6|%7x%8")
                      .arg(QFileInfo(path).absoluteFilePath())
                      .arg(stamp->device)
                      .arg(stamp->inode)
                      .arg(stamp->size)
                      .arg(stamp->modifiedNs)
                      .arg(stamp->changedNs)
                      .arg(bounds.width())
                      .arg(bounds.height());
    // A sidecar may turn the photo: another sidecar, another picture.
    if (const std::optional<platform::FileStamp> side = platform::sidecarStampOf(path))
        key += QStringLiteral("|%1:%2|%3").arg(side->inode).arg(side->changedNs).arg(side->size);
    return key;
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

} // namespace picture
