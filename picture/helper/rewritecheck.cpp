#include "picture/helper/rewritecheck.h"

#include "picture/helper/details/photodetails.h"
#include "picture/helper/formats/fileinput.h"
#include "picture/helper/marks/samepixels.h"
#include "picture/helper/picturedecode.h"
#include "picture/wire/orientation.h"

#include <utility>

namespace picture {
namespace {

// Both whole pictures as stored; nullopt when either cannot be decoded.
std::optional<std::pair<QImage, QImage>> bothAsStored(QIODevice &original, QIODevice &rewritten,
                                                      const std::atomic_bool &cancelled)
{
    const DecodedPicture first = decodeAsStored(original, cancelled);
    if (first.status != DecodedPicture::Status::Decoded)
        return std::nullopt;
    const DecodedPicture second = decodeAsStored(rewritten, cancelled);
    if (second.status != DecodedPicture::Status::Decoded)
        return std::nullopt;
    return std::pair{first.image, second.image};
}

} // namespace

std::optional<bool> sameStoredPixels(QIODevice &original, QIODevice &rewritten, const std::atomic_bool &cancelled)
{
    const QByteArrayView jpegStart("\xFF\xD8\xFF");
    if (original.peek(3) == jpegStart && rewritten.peek(3) == jpegStart) {
        const FileInput first(&original, 1024LL * 1024 * 1024);
        const FileInput second(&rewritten, 1024LL * 1024 * 1024);
        const auto view = [](const FileInput &input) {
            return QByteArrayView(reinterpret_cast<const char *>(input.data()), input.size());
        };
        return sameJpegPixels(view(first), view(second), MaxPicturePixels, cancelled);
    }
    const auto both = bothAsStored(original, rewritten, cancelled);
    if (!both)
        return std::nullopt;
    const auto &[first, second] = *both;
    // Another format is another picture: a conversion to compare them could hide a loss.
    return first.format() == second.format() && first == second;
}

std::optional<bool> turnedStoredPixels(QIODevice &original, QIODevice &rewritten, int orientation,
                                       const std::atomic_bool &cancelled)
{
    const auto both = bothAsStored(original, rewritten, cancelled);
    if (!both)
        return std::nullopt;
    const auto &[first, second] = *both;
    QImage expected = upright(first, orientation);
    if (expected.format() != second.format())
        expected.convertTo(second.format()); // a turn may leave another 32-bit format: no level lost
    return withinLevels(expected, second, TurnedBlocksTolerance);
}

bool showsAsAsked(QIODevice &original, QIODevice &rewritten, int quarterTurns, PhotoDetails &details,
                  const std::atomic_bool &cancelled)
{
    // An orientation tag absent and one that says upright show the same.
    const auto orientationOf = [](const PhotoDetails &said) { return said.orientation == 0 ? 1 : said.orientation; };
    if (!original.seek(0) || !rewritten.seek(0))
        return false;
    const int was = orientationOf(readPhotoDetails(original, nullptr));
    details = readPhotoDetails(rewritten, nullptr);
    const int now = orientationOf(details);
    if (!original.seek(0) || !rewritten.seek(0))
        return false;
    const int wanted = composeOrientations(was, turnOrientation(quarterTurns));
    if (now == wanted)
        return sameStoredPixels(original, rewritten, cancelled).value_or(false);
    // Only a turn may move pixels, and then only to stand upright.
    if (quarterTurns % 4 != 0 && now == 1)
        return turnedStoredPixels(original, rewritten, wanted, cancelled).value_or(false);
    return false;
}

} // namespace picture
