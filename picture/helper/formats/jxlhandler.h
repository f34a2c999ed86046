#pragma once

#include "picture/helper/formats/fileinput.h"
#include "picture/helper/formats/ownhandler.h"

#include <memory>
#include <optional>

namespace picture {

// JPEG XL through libjxl: oriented as the file says (the decoder applies the
// orientation), with more than 8 bits kept as 16, alpha, the colour profile
// of the decoded pixels as the image's colour space, HDR (PQ, HLG) tone
// mapped to SDR; an animation frame after frame, each as it shows (the
// decoder composes them).
class JxlHandler final : public OwnHandler<JxlHandler>
{
public:
    static constexpr const char *Name = "jxl";
    JxlHandler();
    ~JxlHandler() override;
    using OwnHandler::canRead;
    // The next frame; the only one of a still.
    bool read(QImage *image) override;
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;
    // A still asked smaller is averaged down as it is decoded.
    void setOption(ImageOption option, const QVariant &value) override;
    int imageCount() const override;
    int loopCount() const override;
    int nextImageDelay() const override { return m_nextDelay; }
    int currentImageNumber() const override { return m_frame; }

    // Looks at the first bytes only.
    static bool canRead(QIODevice *device);

    struct Decoding;

private:
    // The file's bytes, mapped (or read) once for the size, the frames and their count.
    const FileInput &input() const;
    mutable std::optional<FileInput> m_input;
    std::unique_ptr<Decoding> m_decoding; // kept from one frame to the next
    mutable int m_frames = -1;            // counted when first asked
    int m_frame = -1;
    int m_nextDelay = 0;
    QSize m_scaledSize;
};

} // namespace picture
