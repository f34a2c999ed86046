// libFuzzer target for one of the program's own picture handlers (chosen at
// build time: fuzz_heif, fuzz_jxl, fuzz_raw): any bytes are read without a crash, a
// hang or a leak, and a picture read has the size the handler announced; the
// HEIF handler's thumbnail is read too.
// Built and run by `make fuzz`.

#include "picture/helper/formats/heifhandler.h"
#include "picture/helper/formats/jxlhandler.h"
#include "picture/helper/formats/rawhandler.h"

#include <QBuffer>
#include <QImage>
#include <QVariant>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The preview a file carries, which the first look reads before the picture.
template <typename Handler>
void readCarriedPreview(Handler &handler)
{
    if constexpr (requires { handler.thumbnail(); })
        handler.thumbnail();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    picture::ZELVO_FUZZ_HANDLER handler;
    handler.setDevice(&device);
    if (!handler.canRead())
        return 0;
    const QSize announced = handler.option(QImageIOHandler::Size).toSize();
    readCarriedPreview(handler);
    QImage image;
    if (handler.read(&image) && announced.isValid() && image.size() != announced) {
        std::fprintf(stderr, "read %dx%d, announced %dx%d\n", image.width(), image.height(), announced.width(),
                     announced.height());
        std::abort();
    }
    // And shrunk to a third, as the viewer reads big pictures: the shrinking
    // ways (from a decoder's planes) see the same bytes.
    const QSize third = announced / 3;
    if (third.isEmpty())
        return 0;
    device.seek(0);
    picture::ZELVO_FUZZ_HANDLER shrinking;
    shrinking.setDevice(&device);
    shrinking.setOption(QImageIOHandler::ScaledSize, third);
    if (shrinking.canRead() && shrinking.read(&image) && image.size() != third) {
        std::fprintf(stderr, "read %dx%d, asked for %dx%d\n", image.width(), image.height(), third.width(),
                     third.height());
        std::abort();
    }
    return 0;
}
