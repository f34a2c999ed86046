#pragma once

// Writing the shared thumbnail cache as its freedesktop.org standard asks, so that
// file managers, file choosers and other viewers show at once what this
// program made: a PNG whose tEXt chunks name the file and its version,
// written to a temporary file in the same folder and renamed over, readable
// by its owner alone, in folders only its owner may enter.

#include "platform/platform.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace picture {

struct ThumbnailKeys
{
    QByteArray uri;          // Thumb::URI
    qint64 modifiedSeconds;  // Thumb::MTime
    qint64 size;             // Thumb::Size
    QByteArray mime;         // Thumb::Mime, left out when empty
    QSize picture;           // Thumb::Image::Width and Height, when known
};

// The PNG of `image` with `keys` in tEXt chunks ahead of its pixels (where
// even the simplest reader finds them before decoding anything).
QByteArray thumbnailPng(const QImage &image, const ThumbnailKeys &keys);

// Writes `image` as the cache's entry for `path` in the class of `pixels`
// (scaled down to it when larger), for the file as `stamp` found it; false,
// writing nothing, when the file has changed since, lies in the cache
// itself, or the entry cannot be written.
bool writeThumbnailEntry(const QString &path, const platform::FileStamp &stamp, const QImage &image, int pixels,
                         QSize pictureSize = {});
// Records that no thumbnail could be made of the file as `stamp` found it.
bool writeFailureEntry(const QString &path, const platform::FileStamp &stamp);

} // namespace picture
