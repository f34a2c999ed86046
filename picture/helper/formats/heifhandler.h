#pragma once

#include "picture/helper/formats/ownhandler.h"

#include <memory>

namespace picture {

// HEIF, HEIC and AVIF through libheif: the file's primary image, turned and
// mirrored as the file says (libheif applies irot and imir, so the handler
// reports no further transformation and EXIF orientation is not applied a
// second time), with 10 and 12-bit samples kept as 16 bits, alpha, and the
// embedded ICC profile or nclx description as the image's colour space.
class HeifHandler final : public OwnHandler<HeifHandler>
{
public:
    static constexpr const char *Name = "heif";
    HeifHandler();
    ~HeifHandler() override;
    using OwnHandler::canRead;
    bool read(QImage *image) override;
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant &value) override;
    // The largest thumbnail the file stores of its primary image (an
    // iPhone's is 320 or 512 pixels wide), in 8 bits; null when it has none.
    QImage thumbnail() const;

    // Looks at the first bytes only.
    static bool canRead(QIODevice *device);
    // Pictures wider or higher than this are refused by libheif itself, and
    // larger ones than MaxPixels by the handler, before decoding.
    static constexpr int MaxSide = 40000;
    static constexpr qint64 MaxPixels = 400'000'000;

    struct File;

private:
    // The file, mapped and parsed once for both the size and the pixels.
    File *file() const;
    QImage atScaledSize(QImage picture) const;
    mutable std::unique_ptr<File> m_file;
    QSize m_scaledSize; // as shown, turned; none: the picture's own
};

} // namespace picture
