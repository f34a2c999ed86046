#pragma once

// Whether a JPEG rewritten from another still holds its picture: both
// decoded side by side, a band of rows at a time, and compared as they come.
// Two whole 12-megapixel pictures would cost more in memory faults than
// their decodes; a band stays in the cache.

#include <QByteArrayView>
#include <QImage>

#include <atomic>
#include <optional>

namespace picture {

// True when both are JPEGs of the same size whose decoded samples are all
// equal (the same decoder, the same settings: neither turned nor
// converted), false when they differ; nullopt when either cannot be decoded
// whole, holds more than `maxPixels` pixels, or `cancelled` was set.
std::optional<bool> sameJpegPixels(QByteArrayView a, QByteArrayView b, qint64 maxPixels,
                                   const std::atomic_bool &cancelled);

// How far a turned JPEG's pixels may differ from the picture turned: its
// blocks move whole, but the decoder rounds them anew.
inline constexpr int TurnedBlocksTolerance = 4;

// Whether `actual` is `expected` within `tolerance` levels in every channel
// of every pixel: the same size and format, 8 bits a channel.
bool withinLevels(const QImage &expected, const QImage &actual, int tolerance);

} // namespace picture
