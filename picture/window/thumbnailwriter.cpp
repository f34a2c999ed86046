#include "picture/window/thumbnailwriter.h"

#include "picture/window/sharedthumbnails.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeDatabase>
#include <QTemporaryFile>
#include <QtEndian>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace picture {
namespace {

// Where the signature and the header chunk end: text chunks go right after.
constexpr qsizetype AfterHeader = 8 + 4 + 4 + 13 + 4;

QByteArray chunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(data.size()), bytes.data());
    const QByteArray body = type + data;
    bytes += body;
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()));
    QByteArray tail(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(crc), tail.data());
    return bytes + tail;
}

QByteArray text(const char *key, const QByteArray &value)
{
    return chunk("tEXt", QByteArray(key) + '\0' + value);
}

// The folder, made for its owner alone when it is not there.
bool makeFolder(const QString &folder)
{
    return ::mkdir(platform::encodePath(folder).constData(), 0700) == 0 || errno == EEXIST;
}

bool ensureFolders(const QString &entry)
{
    // ~/.cache as the system makes it; the cache's own folders are private.
    const QString root = thumbnailCacheFolder();
    if (!QDir().mkpath(QFileInfo(root).path()) || !makeFolder(root))
        return false;
    QString folder = root;
    for (const QString &part : QFileInfo(entry).path().mid(root.size() + 1).split(QLatin1Char('/'))) {
        folder += QLatin1Char('/') + part;
        if (!makeFolder(folder))
            return false;
    }
    return true;
}

bool writeEntry(const QString &entry, const QByteArray &png)
{
    if (!ensureFolders(entry))
        return false;
    // Made for its owner alone (another user may not see which pictures
    // this one looked at), written whole, then renamed over the entry, so a
    // reader never meets half a file. Not flushed to the disk first, as a
    // saved document would be: a cache entry lost to a crash is made again.
    QTemporaryFile file(entry + QStringLiteral(".XXXXXX"));
    if (!file.open() || file.write(png) != png.size() || !file.flush())
        return false;
    file.setAutoRemove(false);
    file.close();
    const QByteArray written = platform::encodePath(file.fileName());
    if (::rename(written.constData(), platform::encodePath(entry).constData()) != 0) {
        ::unlink(written.constData());
        return false;
    }
    return true;
}

std::optional<ThumbnailKeys> keysFor(const QString &path, const platform::FileStamp &stamp)
{
    // A thumbnail of a thumbnail would name itself; and a file changed
    // since it was read would get an entry its new version contradicts.
    if (isInThumbnailCache(path) || platform::fileStamp(path) != stamp)
        return std::nullopt;
    const QByteArray mime = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toLatin1();
    return ThumbnailKeys{thumbnailUri(path), stamp.modifiedNs / 1'000'000'000, stamp.size,
                         mime == "application/octet-stream" ? QByteArray() : mime, {}};
}

} // namespace

QByteArray thumbnailPng(const QImage &image, const ThumbnailKeys &keys)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // zlib's fastest levels: its default costs the window five times as
    // long for a file a fifth smaller.
    writer.setQuality(80);
    if (!writer.write(image) || png.size() < AfterHeader)
        return {};
    QByteArray texts = text("Thumb::URI", keys.uri) + text("Thumb::MTime", QByteArray::number(keys.modifiedSeconds))
                       + text("Thumb::Size", QByteArray::number(keys.size));
    if (!keys.mime.isEmpty())
        texts += text("Thumb::Mime", keys.mime);
    if (!keys.picture.isEmpty())
        texts += text("Thumb::Image::Width", QByteArray::number(keys.picture.width()))
                 + text("Thumb::Image::Height", QByteArray::number(keys.picture.height()));
    texts += text("Software", "Zelvoviewer " ZELVO_PROGRAM_VERSION);
    return png.insert(AfterHeader, texts);
}

bool writeThumbnailEntry(const QString &path, const platform::FileStamp &stamp, const QImage &image, int pixels,
                         QSize pictureSize)
{
    std::optional<ThumbnailKeys> keys = keysFor(path, stamp);
    if (!keys || image.isNull())
        return false;
    keys->picture = pictureSize;
    const int side = thumbnailClassPixels(pixels);
    QImage shown = image;
    if (image.width() > side || image.height() > side)
        shown = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QByteArray png = thumbnailPng(shown, *keys);
    return !png.isEmpty() && writeEntry(thumbnailEntryPath(path, pixels), png);
}

bool writeFailureEntry(const QString &path, const platform::FileStamp &stamp)
{
    const std::optional<ThumbnailKeys> keys = keysFor(path, stamp);
    if (!keys)
        return false;
    // What a failure record holds: one transparent pixel and the keys.
    QImage pixel(1, 1, QImage::Format_ARGB32);
    pixel.fill(Qt::transparent);
    const QByteArray png = thumbnailPng(pixel, *keys);
    return !png.isEmpty() && writeEntry(failureEntryPath(path), png);
}

} // namespace picture
