#pragma once

#include "picture/fileinput.h"
#include "picture/ownhandler.h"

#include <optional>

namespace picture {

// JPEG XL through libjxl: the first frame, oriented as the file says (the
// decoder applies the orientation), with more than 8 bits kept as 16, alpha,
// and the colour profile of the decoded pixels as the image's colour space.
class JxlHandler final : public OwnHandler<JxlHandler>
{
public:
    static constexpr const char *Name = "jxl";
    using OwnHandler::canRead;
    bool read(QImage *image) override;
    QVariant option(ImageOption option) const override;

    // Looks at the first bytes only.
    static bool canRead(QIODevice *device);

private:
    // The file's bytes, mapped (or read) once for both the size and the pixels.
    const FileInput &input() const;
    mutable std::optional<FileInput> m_input;
};

} // namespace picture
