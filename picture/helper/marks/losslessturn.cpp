#include "picture/helper/marks/losslessturn.h"

#include <turbojpeg.h>

#include <memory>

namespace picture {
namespace {

int markerLength(QByteArrayView jpeg, qint64 at)
{
    return at + 4 <= jpeg.size() ? (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]) : -1;
}

// TurboJPEG's operation for what EXIF orientation `orientation` asks.
std::optional<int> operationFor(int orientation)
{
    switch (orientation) {
    case 2: return TJXOP_HFLIP;
    case 3: return TJXOP_ROT180;
    case 4: return TJXOP_VFLIP;
    case 5: return TJXOP_TRANSPOSE;
    case 6: return TJXOP_ROT90;
    case 7: return TJXOP_TRANSVERSE;
    case 8: return TJXOP_ROT270;
    default: return std::nullopt;
    }
}

} // namespace

std::optional<qint64> endOfFirstPicture(QByteArrayView jpeg)
{
    if (jpeg.size() < 4 || uchar(jpeg[0]) != 0xFF || uchar(jpeg[1]) != 0xD8)
        return std::nullopt;
    qint64 at = 2;
    while (at + 2 <= jpeg.size()) {
        if (uchar(jpeg[at]) != 0xFF)
            return std::nullopt;
        const uchar marker = uchar(jpeg[at + 1]);
        if (marker == 0xFF) { // fill bytes before a marker
            ++at;
            continue;
        }
        if (marker == 0xD9)
            return at + 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        const int length = markerLength(jpeg, at);
        if (length < 2 || at + 2 + length > jpeg.size())
            return std::nullopt;
        at += 2 + length;
        if (marker != 0xDA)
            continue;
        // Entropy-coded data: up to the next marker that is neither a
        // stuffed byte nor a restart.
        while (at + 1 < jpeg.size()) {
            if (uchar(jpeg[at]) == 0xFF) {
                const uchar next = uchar(jpeg[at + 1]);
                if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF)
                    break;
            }
            ++at;
        }
    }
    return std::nullopt;
}

bool carriesMoreThanItsPicture(QByteArrayView jpeg)
{
    const std::optional<qint64> end = endOfFirstPicture(jpeg);
    if (!end)
        return true; // not understood: nothing of it is risked
    for (qint64 at = *end; at < jpeg.size(); ++at) {
        if (jpeg[at] != 0)
            return true; // padding of zeros is no picture
    }
    return false;
}

std::optional<QByteArray> turnedWithoutLoss(QByteArrayView jpeg, int orientation)
{
    const std::optional<int> operation = operationFor(orientation);
    if (!operation || jpeg.isEmpty())
        return std::nullopt;
    const std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitTransform(), tjDestroy);
    if (!handle)
        return std::nullopt;
    tjtransform transform{};
    transform.op = *operation;
    // Refused where a partial block would have to go: pixels are never trimmed.
    transform.options = TJXOPT_PERFECT;
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    const int failed = tjTransform(handle.get(), reinterpret_cast<const unsigned char *>(jpeg.data()),
                                   static_cast<unsigned long>(jpeg.size()), 1, &out, &outSize, &transform, 0);
    const std::unique_ptr<unsigned char, void (*)(unsigned char *)> owned(out, tjFree);
    if (failed != 0 || !out || outSize == 0)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char *>(out), qsizetype(outSize));
}

} // namespace picture
