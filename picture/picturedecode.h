#pragma once

// Decoding one picture file, on any thread: only the pixels that will be
// shown, never more than a sane budget, and stoppable part way.

#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QRect>
#include <QString>

#include <atomic>

namespace picture {

// Pictures with more pixels than this show the "cannot display" page: a
// 30000 x 30000 PNG of a few megabytes would otherwise want 3.6 GB.
inline constexpr qint64 MaxPicturePixels = 200'000'000;
// Animations are composed frame by frame at their full canvas on the
// window's thread, so only a modest canvas plays (a 4K one does); a bigger
// one shows its first frame as a still picture, decoded off that thread.
inline constexpr qint64 MaxAnimationPixels = 8'500'000;

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

    static DecodeRequest fitted(const QString &path, QSize bounds) { return {path, bounds, 0, {}}; }
    static DecodeRequest part(const QString &path, qreal scale, const QRect &region)
    {
        return {path, {}, scale, region};
    }
};

struct DecodedPicture
{
    enum class Status { Decoded, Animated, CannotDisplay, Cancelled };
    Status status = Status::CannotDisplay;
    QImage image;   // Decoded: the fitted picture, or the region at the scale
    QSize fullSize; // the picture's own size, after orientation
    QRect region;   // the region decoded (the whole picture when fitted)
};

// Reads the file's content (not its name) to tell its format. Animations are
// left to the caller (Animated, with fullSize). Returns Cancelled soon after
// `cancelled` becomes true.
DecodedPicture decodePicture(const DecodeRequest &request, const std::atomic_bool &cancelled);

// The size a decode allocates, before orientation: the reader's size, or a
// GIF's canvas when that is larger. Invalid when the reader cannot tell.
QSize allocatedSize(QImageReader &reader);

// The size `size` takes when fitted within `bounds`, shrunk only, at least 1 x 1.
QSize fitWithin(QSize size, QSize bounds);

} // namespace picture
