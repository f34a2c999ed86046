#include "picture/helper/preload.h"

#include "picture/helper/details/photodetails.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

namespace picture {

void loadDecoders(bool fonts)
{
    // Each format's plugin is loaded by decoding a small picture of it.
    QImage tiny(8, 8, QImage::Format_ARGB32);
    tiny.fill(Qt::gray);
    for (const QByteArray &format : QImageWriter::supportedImageFormats()) {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        if (!QImageWriter(&buffer, format).write(tiny))
            continue;
        buffer.seek(0);
        QImageReader(&buffer, format).read();
    }
    // The formats Qt only reads, and the fonts pictures draw their text in
    // (a font is opened when first drawn, and the helper may open nothing).
    // The fonts are a third of an idle helper's memory and of its start:
    // only helpers for pictures that draw text load them.
    const QByteArray svg = fonts ? "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='16'>"
                                   "<text x='0' y='12' font-family='sans-serif'>Aa あ 字</text>"
                                   "<text x='0' y='12' font-family='serif'>Aa あ 字</text>"
                                   "<text x='0' y='12' font-family='monospace'>Aa あ 字</text></svg>"
                                 : "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'>"
                                   "<rect width='8' height='8'/></svg>";
    QBuffer vector;
    vector.setData(svg);
    vector.open(QIODevice::ReadOnly);
    QImageReader(&vector, "svg").read();
    for (const QByteArray &format : {QByteArray("heic"), QByteArray("avif"), QByteArray("jxl"), QByteArray("gif")})
        QImageReader(&vector, format).canRead();
    // exiv2 sets itself up on first use (its XMP parser among it).
    QBuffer jpeg;
    jpeg.open(QIODevice::ReadWrite);
    QImageWriter(&jpeg, "jpeg").write(tiny);
    jpeg.seek(0);
    (void)readPhotoDetails(jpeg);
}

} // namespace picture
