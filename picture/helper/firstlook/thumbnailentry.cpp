#include "picture/helper/firstlook/thumbnailentry.h"

#include <QHash>
#include <QImageReader>
#include <QtEndian>

#include <zlib.h>

namespace picture {
namespace {

// A zTXt chunk's text: zlib, a few hundred bytes at most for a cache key.
QByteArray inflated(QByteArrayView compressed)
{
    QByteArray text(4096, Qt::Uninitialized);
    uLongf length = uLongf(text.size());
    if (uncompress(reinterpret_cast<Bytef *>(text.data()), &length, reinterpret_cast<const Bytef *>(compressed.data()),
                   uLong(compressed.size()))
        != Z_OK)
        return {};
    text.truncate(qsizetype(length));
    return text;
}

// The text chunks before a PNG's pixels (tEXt, zTXt, and iTXt stored
// plainly). Qt's reader splits keys at colons, and the cache's have two.
QHash<QByteArray, QByteArray> pngTexts(QIODevice &png)
{
    QHash<QByteArray, QByteArray> texts;
    const QByteArray head = png.peek(64 * 1024);
    if (!head.startsWith("\x89PNG\r\n\x1a\n"))
        return texts;
    qsizetype at = 8;
    while (at + 8 <= head.size()) {
        const quint32 length = qFromBigEndian<quint32>(head.constData() + at);
        const QByteArray type = head.mid(at + 4, 4);
        if (type == "IDAT" || length > quint32(head.size() - at - 8))
            break;
        const QByteArray data = head.mid(at + 8, qsizetype(length));
        const qsizetype zero = data.indexOf('\0');
        if (type == "tEXt" && zero > 0) {
            texts.insert(data.left(zero), data.mid(zero + 1));
        } else if (type == "zTXt" && zero > 0 && data.size() > zero + 2 && data[zero + 1] == 0) {
            texts.insert(data.left(zero), inflated(QByteArrayView(data).sliced(zero + 2)));
        } else if (type == "iTXt" && zero > 0 && data.size() > zero + 2 && data[zero + 1] == 0) {
            // Past the language and translated key, each ending in a zero.
            const qsizetype language = data.indexOf('\0', zero + 3);
            const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
            if (translated > 0)
                texts.insert(data.left(zero), data.mid(translated + 1));
        }
        at += 12 + qsizetype(length);
    }
    return texts;
}

} // namespace

QImage validThumbnail(QIODevice &thumbnail, const QByteArray &uri, qint64 modifiedSeconds)
{
    // The keys come before the pixels: a stale entry is never decoded.
    const QHash<QByteArray, QByteArray> texts = pngTexts(thumbnail);
    if (texts.value("Thumb::URI") != uri || texts.value("Thumb::MTime") != QByteArray::number(modifiedSeconds))
        return {};
    QImageReader reader(&thumbnail, "png");
    // A cache entry is at most 1024 pixels a side.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > 1024 || size.height() > 1024)
        return {};
    return reader.read();
}

} // namespace picture
