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

// The picture as the bytes of a file in `format`.
inline QByteArray encoded(const QImage &image, const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, format, quality) ? bytes : QByteArray();
}

// A JPEG of `image` carrying an EXIF orientation tag (1 upright, 2 mirrored,
// 6 turned 90 degrees clockwise, 8 turned 270), as cameras write it: the
// pixels stay as stored and the viewer must turn them.
inline bool writeTaggedJpeg(const QString &path, const QImage &image, quint16 orientation)
{
    QByteArray jpeg = encoded(image, "JPEG", 95);
    if (jpeg.isEmpty())
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

// A GIF whose canvas is `canvas` but whose `frames` frames are one pixel
// each: tiny on disk, huge to compose.
inline QByteArray gifOnCanvas(QSize canvas, int frames)
{
    const auto little16 = [](int value) { return QByteArray(1, char(value & 0xFF)) + char((value >> 8) & 0xFF); };
    QByteArray gif("GIF89a");
    gif += little16(canvas.width()) + little16(canvas.height());
    gif += QByteArray("\x80\x00\x00", 3);                 // a global table of two colours
    gif += QByteArray("\x00\x00\x00\xFF\xFF\xFF", 6);
    gif += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19); // loop for ever
    for (int i = 0; i < frames; ++i) {
        gif += QByteArray("\x21\xF9\x04\x00\x02\x00\x00\x00", 8);           // 20 ms a frame
        gif += QByteArray("\x2C", 1) + little16(i % canvas.width()) + little16(0) + little16(1) + little16(1) + '\0';
        gif += QByteArray("\x02\x02\x44\x01\x00", 5);                       // clear, colour 0, end
    }
    return gif + ';';
}

} // namespace testimages
