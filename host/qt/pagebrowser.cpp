#include "host/qt/pagebrowser.h"

#include "host/qt/picturedecode.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QTextDocument>

namespace qthost {
namespace {

QImage missingImage()
{
    QImage box(16, 16, QImage::Format_ARGB32_Premultiplied);
    box.fill(Qt::transparent);
    QPainter painter(&box);
    painter.setPen(Qt::gray);
    painter.drawRect(box.rect().adjusted(0, 0, -1, -1));
    return box;
}

} // namespace

QVariant PageBrowser::loadResource(int type, const QUrl &name)
{
    // Refused: never a null variant or an image that does not decode, which
    // would make the document read the file by itself; a missing image shows
    // as an empty box.
    const QVariant refused = type == QTextDocument::ImageResource ? QVariant(missingImage()) : QVariant(QByteArray());
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (!url.isLocalFile())
        return refused;
    const QFileInfo file(url.toLocalFile());
    if (!file.isFile() || file.size() > MaxResourceBytes)
        return refused;
    QFile device(file.absoluteFilePath());
    if (!device.open(QIODevice::ReadOnly))
        return refused;
    QByteArray bytes = device.read(MaxResourceBytes);
    if (type != QTextDocument::ImageResource)
        return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = allocatedSize(reader);
    if (!size.isValid() || qint64(size.width()) * size.height() > MaxPagePicturePixels)
        return refused;
    const QImage image = reader.read();
    return image.isNull() ? refused : QVariant(image);
}

} // namespace qthost
