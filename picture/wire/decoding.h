#pragma once

// What the window asks of a decoder helper and what it is told back, in the
// terms both sides use: the picture wanted, and the picture decoded or why
// there is none. The limits here bind both sides: a helper keeps to them,
// and the window refuses a reply past them.

#include "picture/wire/details.h"

#include "common/marks.h"
#include "platform/platform.h"

#include <QColorSpace>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace picture {

// Pictures with more pixels than this show the "cannot display" page: a
// 30000 x 30000 PNG of a few megabytes would otherwise want 3.6 GB.
inline constexpr qint64 MaxPicturePixels = 200'000'000;
// Animations are composed frame by frame at their full canvas, so only a
// modest canvas plays (a 4K one does); a bigger one shows its first frame as
// a still picture.
inline constexpr qint64 MaxAnimationPixels = 8'500'000;

// A change to a photo's marks or turn, asked of a helper: it writes it into
// the bytes of the photo's file, or of its sidecar where the photo keeps its
// marks there, and hands those bytes back for the window to check and write.
struct MarkEdit
{
    std::optional<int> rating;         // -1 rejected, 0 none, 1 to 5 stars
    std::optional<marks::Label> label; // None: no label
    int quarterTurns = 0;              // clockwise; negative: anticlockwise

    bool operator==(const MarkEdit &) const = default;
};

struct DecodeRequest
{
    QString path;
    // The whole picture is fitted within this many device pixels (never
    // enlarged); empty: its own size.
    QSize bounds;
    // When valid, the picture is shown at `scale` device pixels per picture
    // pixel and only `region` of it (picture pixels, after orientation) is
    // decoded.
    qreal scale = 0;
    QRect region;
    // The colours the picture is turned into when it names its own (an
    // embedded profile, an nclx description); untagged pictures stay as
    // they are.
    QColorSpace screen = QColorSpace(QColorSpace::SRgb);
    // Only the preview the file carries of itself, for a first look.
    bool preview = false;
    // What the file says of the photo too (PhotoDetails), read with its decode.
    bool details = false;
    // Those details alone, without decoding the picture (sorting by date taken).
    bool detailsOnly = false;
    // A thumbnail fitted within `bounds`, from the fastest source that fills
    // them: the shared cache, the file's own preview, or a decode at that size.
    bool thumbnail = false;
    // No picture: the edit written, the new bytes handed back.
    std::optional<MarkEdit> edit = std::nullopt;
    // No picture: whether this file, rewritten from the photo, shows it as
    // it was turned by `comparedTurn` quarter turns clockwise (0: a mark,
    // the same pixels as stored and the same orientation), with this file's
    // details.
    QString comparedWith = {};
    int comparedTurn = 0;
    // The sidecar handed over with the photo in place of its own (one being
    // checked before it takes the place); empty: the photo's own, if any.
    QString sidecar = {};

    static DecodeRequest fitted(const QString &path, QSize bounds) { return {path, bounds, 0, {}}; }
    static DecodeRequest detailsOf(const QString &path)
    {
        DecodeRequest request;
        request.path = path;
        request.details = request.detailsOnly = true;
        return request;
    }
    // Fitted, with what the file says of the photo: as the viewer shows it.
    static DecodeRequest shown(const QString &path, QSize bounds)
    {
        DecodeRequest request = fitted(path, bounds);
        request.details = true;
        return request;
    }
    static DecodeRequest thumbnailOf(const QString &path, QSize bounds)
    {
        DecodeRequest request = fitted(path, bounds);
        request.thumbnail = true;
        return request;
    }
    static DecodeRequest part(const QString &path, qreal scale, const QRect &region)
    {
        return {path, {}, scale, region};
    }
    static DecodeRequest previewOf(const QString &path, QSize bounds)
    {
        DecodeRequest request = fitted(path, bounds);
        request.preview = true;
        return request;
    }
    static DecodeRequest comparisonOf(const QString &path, const QString &rewritten, int quarterTurns)
    {
        DecodeRequest request;
        request.path = path;
        request.comparedWith = rewritten;
        request.comparedTurn = quarterTurns;
        request.details = true;
        return request;
    }
    static DecodeRequest editOf(const QString &path, const MarkEdit &edit)
    {
        DecodeRequest request;
        request.path = path;
        request.edit = edit;
        return request;
    }
};

struct DecodedPicture
{
    enum class Status { Decoded, Animated, CannotDisplay, Cancelled, Rewritten };
    // Why a picture cannot be shown, for the user.
    enum class Reason : quint8 {
        None,
        UnknownFormat,  // not a picture format this program reads
        Damaged,        // damaged or cut short
        TooLarge,       // more pixels than the program shows
        NoPermission,   // this user may not read it
        NotAFile,       // a folder, FIFO or device
        Unsupported,    // a kind of this format that this version cannot show
        TookTooLong,    // its decoder was stopped at its deadline
        TooMuchMemory,  // its decoder went over its memory limit
        DecoderFailed,  // its decoder stopped (crashed)
        NoDecoder,      // the decoder helper could not be started
    };
    Status status = Status::CannotDisplay;
    Reason reason = Reason::None;
    QImage image;   // Decoded: the fitted picture, or the region at the scale;
                    // Animated: its first frame, fitted
    QSize fullSize; // the picture's own size, after orientation
    QRect region;   // the region decoded (the whole picture when fitted)
    int delayMs = 0; // an animation's frame: how long it shows
    int loops = 0;   // an animation: how often it plays, -1 for ever
    QString colourName;  // the name of the colour profile it was stored in
    PhotoDetails details; // when asked for
    // A thumbnail taken from the shared cache as it stands (or its record
    // that none can be made), so there is nothing to write back.
    bool fromSharedCache = false;
    // Rewritten: the photo's file whole with the edit in it, or its sidecar
    // (rewroteSidecar); pixelsTurned when a JPEG's pixels were turned
    // without loss, not only its orientation tag.
    QByteArray rewritten;
    bool rewroteSidecar = false;
    bool pixelsTurned = false;
    // A comparison (DecodeRequest::comparedWith): the rewritten file shows
    // the photo as it was, turned as asked.
    bool samePixels = false;
    // The photo's file and its sidecar as the helper was handed them (set
    // by the window's queue): what the answer is of, whatever the path names
    // by the time it comes.
    std::optional<platform::FileStamp> readFile, readSidecar;
};

// The size `size` takes when fitted within `bounds`, shrunk only, at least 1 x 1.
inline QSize fitWithin(QSize size, QSize bounds)
{
    if (bounds.isEmpty() || (size.width() <= bounds.width() && size.height() <= bounds.height()))
        return size;
    return size.scaled(bounds, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

} // namespace picture
