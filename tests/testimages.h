#pragma once

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>

namespace testimages {

// A picture with a light band on its left third, so that its orientation
// shows in a screenshot.
inline bool writeImage(const QString &path, QSize size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 110, 160));
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width() / 3; ++x)
            image.setPixelColor(x, y, QColor(230, 180, 60));
    return image.save(path, format);
}

// A JPEG of `image` carrying an EXIF orientation tag (1 upright, 2 mirrored,
// 6 turned 90 degrees clockwise, 8 turned 270), as cameras write it: the
// pixels stay as stored and the viewer must turn them.
inline bool writeTaggedJpeg(const QString &path, const QImage &image, quint16 orientation)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 95))
        return false;
    // "Exif", a big-endian TIFF header and one IFD entry: tag 0x0112, SHORT.
    const QByteArray tiff = QByteArray("MM\x00\x2A\x00\x00\x00\x08\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01", 18)
                            + char(orientation >> 8) + char(orientation & 0xFF) + QByteArray(6, '\0');
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    const QByteArray app1 = QByteArray("\xFF\xE1") + char(length >> 8) + char(length & 0xFF) + payload;
    jpeg.insert(2, app1); // right after the start-of-image marker
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(jpeg) == jpeg.size();
}

} // namespace testimages
