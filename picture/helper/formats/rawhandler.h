#pragma once

#include "picture/helper/formats/ownhandler.h"

#include <QRect>
#include <QSize>

#include <memory>

namespace picture {

// Camera RAW files through LibRaw: the embedded preview (the largest JPEG or
// bitmap the camera wrote) whenever it has the pixels asked for, else the
// raw data developed as the camera saw it (its white balance, sRGB), both
// turned as the file says (the handler turns them, so it reports no further
// transformation). Asked for a smaller picture or a part of it, it develops
// at half size where that is enough.
class RawHandler final : public OwnHandler<RawHandler>
{
public:
    static constexpr const char *Name = "raw";
    RawHandler();
    ~RawHandler() override;
    using OwnHandler::canRead;
    bool read(QImage *image) override;
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant &value) override;
    // The camera's own preview alone, upright, fitted within `bounds`; null
    // when it stores none.
    QImage preview(QSize bounds) const;

    // A camera RAW file by its content: the first bytes of a RAW format,
    // then LibRaw recognises a camera's raw data in it (a TIFF that is only
    // a picture is not one).
    static bool canRead(QIODevice *device);

    struct File;

private:
    File *file() const;
    mutable std::unique_ptr<File> m_file;
    QSize m_scaledSize;
    QRect m_clipRect;
};

} // namespace picture
