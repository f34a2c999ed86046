#include "picture/helper/thumbnaildecode.h"

#include "picture/helper/firstlook/previews.h"
#include "picture/helper/firstlook/thumbnailentry.h"
#include "picture/helper/picturedecode.h"
#include "picture/helper/pixels/colour.h"

#include <QFileDevice>

#include <sys/stat.h>

namespace picture {
namespace {

std::optional<qint64> modifiedSeconds(QIODevice &file)
{
    const auto *behind = qobject_cast<QFileDevice *>(&file);
    struct stat status {};
    if (!behind || ::fstat(behind->handle(), &status) != 0)
        return std::nullopt;
    return qint64(status.st_mtime);
}

} // namespace

DecodedPicture decodeThumbnail(const DecodeRequest &request, QIODevice &file, QIODevice *entry, bool entryIsFailure,
                               const QByteArray &uri, const std::atomic_bool &cancelled)
{
    const std::optional<qint64> modified = modifiedSeconds(file);
    if (entry && modified) {
        QImage cached = validThumbnail(*entry, uri, *modified);
        if (!cached.isNull()) {
            DecodedPicture result;
            result.fromSharedCache = true;
            if (entryIsFailure) {
                result.reason = DecodedPicture::Reason::Damaged;
                return result;
            }
            const QSize shown = fitWithin(cached.size(), request.bounds);
            if (shown != cached.size())
                cached = cached.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            result.status = DecodedPicture::Status::Decoded;
            result.image = inScreenColours(std::move(cached), request.screen);
            result.fullSize = shown;
            result.region = QRect(QPoint(0, 0), shown);
            return result;
        }
    }
    // The file's own preview, when it is as large as the thumbnail wanted
    // (one of another shape is refused there).
    DecodedPicture preview = decodePreview(request, file);
    if (preview.status == DecodedPicture::Status::Decoded) {
        const QSize wanted = fitWithin(preview.fullSize, request.bounds);
        if (preview.image.width() + 1 >= wanted.width() && preview.image.height() + 1 >= wanted.height())
            return preview;
    }
    if (!file.seek(0))
        return {};
    DecodedPicture decoded = decodePicture(request, file, cancelled);
    // The first frame stands for an animation.
    if (decoded.status == DecodedPicture::Status::Animated)
        decoded.status = DecodedPicture::Status::Decoded;
    return decoded;
}

} // namespace picture
