#include "picture/helper/firstlook/previews.h"

#include "picture/helper/firstlook/jpegpreviews.h"
#include "picture/helper/firstlook/thumbnailentry.h"
#include "picture/helper/formats/heifhandler.h"
#include "picture/helper/formats/rawhandler.h"
#include "picture/helper/formats/svgbounds.h"
#include "picture/helper/pixels/colour.h"
#include "picture/wire/orientation.h"
#include "picture/helper/pixels/shape.h"

#include <QFileDevice>
#include <QImageReader>

#include <sys/stat.h>

namespace picture {

DecodedPicture decodePreview(const DecodeRequest &request, QIODevice &file, QIODevice *thumbnail, const QByteArray &uri)
{
    DecodedPicture result;
    QImage preview;
    QSize full;
    const QByteArray head = file.peek(3);
    if (head == "\xFF\xD8\xFF") {
        const JpegPreview jpeg = readJpegPreview(file);
        preview = upright(jpeg.preview, jpeg.orientation);
        full = jpeg.orientation >= 5 ? jpeg.size.transposed() : jpeg.size;
    } else if (HeifHandler::canRead(&file)) {
        HeifHandler heif;
        heif.setDevice(&file);
        full = heif.option(QImageIOHandler::Size).toSize();
        preview = heif.thumbnail();
    } else if (RawHandler::canRead(&file)) {
        RawHandler raw;
        raw.setDevice(&file);
        full = raw.option(QImageIOHandler::Size).toSize();
        preview = raw.preview(request.bounds);
    } else if (thumbnail) {
        // Another format, whose only preview can be the cache's: its size,
        // when the reader tells it from the header.
        QImageReader reader(&file);
        reader.setAutoTransform(true);
        if (!mayBeSvg(file) && reader.canRead())
            full = reader.transformation() & QImageIOHandler::TransformationRotate90 ? reader.size().transposed()
                                                                                        : reader.size();
    }
    // A file manager's thumbnail of the file as it is now, when larger.
    const auto *behind = qobject_cast<QFileDevice *>(&file);
    struct stat status {};
    if (thumbnail && behind && ::fstat(behind->handle(), &status) == 0) {
        const QImage cached = validThumbnail(*thumbnail, uri, qint64(status.st_mtime));
        if (qint64(cached.width()) * cached.height() > qint64(preview.width()) * preview.height())
            preview = cached;
    }
    if (preview.isNull() || full.isEmpty())
        return result;
    // Another shape would jump when the picture replaces it.
    if (!sameShape(preview.size(), full))
        return result;
    const QSize shown = fitWithin(preview.size(), request.bounds);
    if (shown != preview.size())
        preview = preview.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    result.status = DecodedPicture::Status::Decoded;
    result.image = inScreenColours(std::move(preview), request.screen);
    result.fullSize = full;
    result.region = QRect(QPoint(0, 0), full);
    return result;
}

} // namespace picture
