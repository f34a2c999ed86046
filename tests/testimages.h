#pragma once

#include <QColor>
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

} // namespace testimages
