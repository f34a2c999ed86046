// Writes reference-alpha.png as jxl-alpha-premultiplied.jxl: its colours
// stored multiplied by their alpha, and the file saying so. libjxl 0.7's
// encoder refuses to write that flag (a failed check ends it), so the
// colours are encoded multiplied with a named alpha channel, whose header
// then carries the flag as one bit, and that bit is found and set: the one
// flip after which libjxl reads the same picture as premultiplied.
// Built and run by make-corpus.sh.
#include <QGuiApplication>
#include <QImage>

#include <jxl/decode.h>
#include <jxl/encode.h>

#include <cstdio>
#include <fstream>
#include <vector>

static std::vector<uint8_t> encoded(const QImage &premultiplied)
{
    JxlEncoder *encoder = JxlEncoderCreate(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(premultiplied.width());
    info.ysize = uint32_t(premultiplied.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.alpha_bits = 8;
    info.num_extra_channels = 1;
    JxlEncoderSetBasicInfo(encoder, &info);
    JxlExtraChannelInfo alpha;
    JxlEncoderInitExtraChannelInfo(JXL_CHANNEL_ALPHA, &alpha);
    alpha.bits_per_sample = 8;
    JxlEncoderSetExtraChannelInfo(encoder, 0, &alpha);
    // Named, so that the channel's header is written out in full.
    JxlEncoderSetExtraChannelName(encoder, 0, "alpha", 5);
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    JxlEncoderSetColorEncoding(encoder, &srgb);
    JxlEncoderFrameSettings *settings = JxlEncoderFrameSettingsCreate(encoder, nullptr);
    JxlEncoderSetFrameDistance(settings, 0.55f); // cjxl -q 95
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::vector<uint8_t> pixels;
    for (int y = 0; y < premultiplied.height(); ++y)
        pixels.insert(pixels.end(), premultiplied.constScanLine(y),
                      premultiplied.constScanLine(y) + premultiplied.width() * 4);
    JxlEncoderAddImageFrame(settings, &format, pixels.data(), pixels.size());
    JxlEncoderCloseInput(encoder);
    std::vector<uint8_t> out(1 << 20);
    uint8_t *next = out.data();
    size_t left = out.size();
    if (JxlEncoderProcessOutput(encoder, &next, &left) != JXL_ENC_SUCCESS)
        out.clear();
    else
        out.resize(size_t(next - out.data()));
    JxlEncoderDestroy(encoder);
    return out;
}

// Whether libjxl reads the whole picture, and as premultiplied.
static bool readsAsPremultiplied(const std::vector<uint8_t> &file, const QImage &reference)
{
    JxlDecoder *decoder = JxlDecoderCreate(nullptr);
    JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    JxlDecoderSetInput(decoder, file.data(), file.size());
    JxlDecoderCloseInput(decoder);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::vector<uint8_t> pixels(size_t(reference.width()) * reference.height() * 4);
    bool premultiplied = false;
    bool whole = false;
    for (bool more = true; more;) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            JxlDecoderGetBasicInfo(decoder, &info);
            premultiplied = info.alpha_premultiplied && info.xsize == uint32_t(reference.width())
                            && info.ysize == uint32_t(reference.height());
            more = premultiplied;
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
            JxlDecoderSetImageOutBuffer(decoder, &format, pixels.data(), pixels.size());
            break;
        case JXL_DEC_FULL_IMAGE: whole = true; break;
        default: more = false;
        }
    }
    JxlDecoderDestroy(decoder);
    // The pixels as encoded: the flip changed nothing else.
    int worst = 0;
    for (int y = 0; whole && y < reference.height(); ++y)
        for (int x = 0; x < reference.width() * 4; ++x)
            worst = std::max(worst, std::abs(int(pixels[size_t(y * reference.width() * 4 + x)])
                                             - int(reference.constScanLine(y)[x])));
    return premultiplied && whole && worst <= 8;
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QImage premultiplied =
        QImage(QStringLiteral("reference-alpha.png")).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    std::vector<uint8_t> file = encoded(premultiplied);
    // The flag lies in the headers before the first frame.
    for (size_t bit = 0; bit < std::min<size_t>(file.size(), 64) * 8; ++bit) {
        file[bit / 8] ^= uint8_t(1u << (bit % 8));
        if (readsAsPremultiplied(file, premultiplied)) {
            std::ofstream("jxl-alpha-premultiplied.jxl", std::ios::binary)
                .write(reinterpret_cast<const char *>(file.data()), std::streamsize(file.size()));
            return 0;
        }
        file[bit / 8] ^= uint8_t(1u << (bit % 8));
    }
    std::fprintf(stderr, "no bit of the header made the picture premultiplied\n");
    return 1;
}
