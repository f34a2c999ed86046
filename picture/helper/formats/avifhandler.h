#pragma once

#include "picture/helper/formats/fileinput.h"
#include "picture/helper/formats/ownhandler.h"

#include <memory>
#include <optional>

namespace picture {

// AVIF image sequences (brand avis) through libavif, which the libheif of
// Debian 12 cannot decode: the frames one after the other with their
// durations, played for ever, in the picture's colours (HDR tone mapped),
// turned and mirrored as the file says. Still AVIF pictures go to libheif.
class AvifSequenceHandler final : public OwnHandler<AvifSequenceHandler>
{
public:
    static constexpr const char *Name = "avifs";
    AvifSequenceHandler();
    ~AvifSequenceHandler() override;
    using OwnHandler::canRead;
    bool read(QImage *image) override;
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;
    int imageCount() const override;
    int loopCount() const override { return -1; }
    int nextImageDelay() const override { return m_nextDelay; }
    int currentImageNumber() const override { return m_frame; }

    // An AVIF file whose brands say it holds a sequence.
    static bool canRead(QIODevice *device);

    struct Decoding;

private:
    Decoding *decoding() const;
    mutable std::unique_ptr<Decoding> m_decoding;
    int m_frame = -1;
    int m_nextDelay = 0;
};

} // namespace picture
