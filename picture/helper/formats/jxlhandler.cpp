#include "picture/helper/formats/jxlhandler.h"

#include "picture/helper/pixels/boxshrink.h"
#include "picture/helper/pixels/hdr.h"

#include <QColorSpace>
#include <QImage>
#include <QIODevice>
#include <QVariant>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <cstring>
#include <memory>

namespace picture {
namespace {

constexpr qint64 MaxFileBytes = 512 * 1024 * 1024;
// Twice the program's own cap, far below libjxl's (1.6 gigapixels): a
// header alone cannot make the handler allocate gigabytes.
constexpr qint64 MaxPixels = 400'000'000;

struct DecoderFree
{
    void operator()(JxlDecoder *decoder) const { JxlDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<JxlDecoder, DecoderFree>;

struct RunnerFree
{
    void operator()(void *runner) const { JxlThreadParallelRunnerDestroy(runner); }
};
using Runner = std::unique_ptr<void, RunnerFree>;

// A decoder over all of `input`, told of the events asked for.
Decoder decoderFor(const FileInput &input, int events)
{
    Decoder decoder(JxlDecoderCreate(nullptr));
    if (!decoder || input.isEmpty() || JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS
        || JxlDecoderSetInput(decoder.get(), input.data(), size_t(input.size())) != JXL_DEC_SUCCESS)
        return nullptr;
    JxlDecoderCloseInput(decoder.get());
    return decoder;
}

// The size as shown: the decoder turns the picture as its orientation says.
QSize shownSize(const JxlBasicInfo &info)
{
    const QSize stored(int(info.xsize), int(info.ysize));
    return info.orientation >= JXL_ORIENT_TRANSPOSE ? stored.transposed() : stored;
}

// H.273's number for libjxl's primaries.
int nclxPrimaries(JxlPrimaries primaries)
{
    switch (primaries) {
    case JXL_PRIMARIES_SRGB: return 1;
    case JXL_PRIMARIES_2100: return 9;
    case JXL_PRIMARIES_P3: return 12;
    default: return 0;
    }
}

} // namespace

// The decoder of the frames read so far, and what it has said.
struct JxlHandler::Decoding
{
    Decoder decoder;
    Runner runner;
    JxlBasicInfo info{};
    JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    QColorSpace colours;
    std::optional<HdrTransfer> hdr;
    int primaries = 0;
    bool started = false;
};

JxlHandler::JxlHandler() = default;

JxlHandler::~JxlHandler() = default;

bool JxlHandler::canRead(QIODevice *device)
{
    if (!device)
        return false;
    const QByteArray head = device->peek(16);
    const JxlSignature signature = JxlSignatureCheck(reinterpret_cast<const uint8_t *>(head.constData()), size_t(head.size()));
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

const FileInput &JxlHandler::input() const
{
    if (!m_input)
        m_input.emplace(device(), MaxFileBytes);
    return *m_input;
}

bool JxlHandler::supportsOption(ImageOption option) const
{
    if (option == ScaledSize)
        return imageCount() == 1;
    return option == Animation ? imageCount() > 1 : OwnHandler::supportsOption(option);
}

void JxlHandler::setOption(ImageOption option, const QVariant &value)
{
    if (option == ScaledSize)
        m_scaledSize = value.toSize();
}

QVariant JxlHandler::option(ImageOption option) const
{
    if (option == Description) {
        if (!turnSaid() && device() && !device()->isSequential()) {
            const Decoder decoder = decoderFor(input(), JXL_DEC_BASIC_INFO);
            JxlBasicInfo info;
            // JPEG XL's orientations are EXIF's, numbered alike; a decoder
            // that turns the picture itself says 1 unless asked to keep it.
            if (decoder && JxlDecoderSetKeepOrientation(decoder.get(), JXL_TRUE) == JXL_DEC_SUCCESS
                && JxlDecoderProcessInput(decoder.get()) == JXL_DEC_BASIC_INFO
                && JxlDecoderGetBasicInfo(decoder.get(), &info) == JXL_DEC_SUCCESS)
                turnedBy(int(info.orientation));
        }
        return description();
    }
    if (option == Animation)
        return imageCount() > 1;
    if (option != Size || !device() || device()->isSequential())
        return {};
    const Decoder decoder = decoderFor(input(), JXL_DEC_BASIC_INFO);
    JxlBasicInfo info;
    if (!decoder || JxlDecoderProcessInput(decoder.get()) != JXL_DEC_BASIC_INFO
        || JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
        return {};
    return shownSize(info);
}

int JxlHandler::imageCount() const
{
    if (m_frames >= 0)
        return m_frames;
    // The frames' headers only: the pixels are not decoded to count them.
    m_frames = 0;
    const Decoder decoder = decoderFor(input(), JXL_DEC_BASIC_INFO | JXL_DEC_FRAME);
    if (!decoder)
        return m_frames;
    while (true) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder.get());
        if (status == JXL_DEC_FRAME) {
            ++m_frames;
        } else if (status != JXL_DEC_BASIC_INFO) {
            break;
        }
    }
    return std::max(m_frames, 1);
}

int JxlHandler::loopCount() const
{
    const Decoder decoder = decoderFor(input(), JXL_DEC_BASIC_INFO);
    JxlBasicInfo info;
    if (!decoder || JxlDecoderProcessInput(decoder.get()) != JXL_DEC_BASIC_INFO
        || JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS || !info.have_animation)
        return 0;
    // JPEG XL counts 0 for ever, Qt -1; a number of plays Qt counts as repeats.
    return info.animation.num_loops == 0 ? -1 : int(info.animation.num_loops) - 1;
}

bool JxlHandler::read(QImage *image)
{
    if (!m_decoding) {
        m_decoding = std::make_unique<Decoding>();
        m_decoding->decoder =
            decoderFor(input(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FRAME | JXL_DEC_FULL_IMAGE);
        // The picture's groups on every core.
        m_decoding->runner.reset(JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
        // Colours stored premultiplied come out straight, as every other
        // picture's do: shrinking, tone mapping and the window take them so.
        if (!m_decoding->decoder || !m_decoding->runner
            || JxlDecoderSetUnpremultiplyAlpha(m_decoding->decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS
            || JxlDecoderSetParallelRunner(m_decoding->decoder.get(), JxlThreadParallelRunner, m_decoding->runner.get())
                   != JXL_DEC_SUCCESS) {
            failedBecause(input().isEmpty() ? "too-large" : "memory");
            return false;
        }
    }
    Decoding &d = *m_decoding;
    JxlDecoder *decoder = d.decoder.get();
    QImage result;
    while (true) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(decoder, &d.info) != JXL_DEC_SUCCESS) {
                failedBecause("damaged");
                return false;
            }
            const QSize size = shownSize(d.info);
            if (size.isEmpty() || qint64(size.width()) * size.height() > MaxPixels) {
                failedBecause(size.isEmpty() ? "damaged" : "too-large");
                return false;
            }
            break;
        }
        case JXL_DEC_COLOR_ENCODING: {
            JxlColorEncoding encoding{};
            if (JxlDecoderGetColorAsEncodedProfile(decoder, &d.format, JXL_COLOR_PROFILE_TARGET_DATA, &encoding)
                == JXL_DEC_SUCCESS) {
                d.hdr = hdrTransferFromNclx(int(encoding.transfer_function));
                d.primaries = nclxPrimaries(encoding.primaries);
            }
            if (d.hdr) {
                d.colours = linearSpace(d.primaries);
                break;
            }
            size_t iccSize = 0;
            if (JxlDecoderGetICCProfileSize(decoder, &d.format, JXL_COLOR_PROFILE_TARGET_DATA, &iccSize)
                    == JXL_DEC_SUCCESS
                && iccSize > 0) {
                QByteArray icc(qsizetype(iccSize), Qt::Uninitialized);
                if (JxlDecoderGetColorAsICCProfile(decoder, &d.format, JXL_COLOR_PROFILE_TARGET_DATA,
                                                   reinterpret_cast<uint8_t *>(icc.data()), iccSize)
                    == JXL_DEC_SUCCESS)
                    d.colours = QColorSpace::fromIccProfile(icc);
            }
            break;
        }
        case JXL_DEC_FRAME: {
            JxlFrameHeader header{};
            m_nextDelay = 0;
            if (d.info.have_animation && JxlDecoderGetFrameHeader(decoder, &header) == JXL_DEC_SUCCESS
                && d.info.animation.tps_numerator > 0)
                m_nextDelay = int(qint64(header.duration) * 1000 * d.info.animation.tps_denominator
                                  / d.info.animation.tps_numerator);
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            const bool deep = d.info.bits_per_sample > 8 || d.hdr;
            // An opaque photo in three bytes a pixel, not four: a quarter
            // less of the largest buffer a panorama needs.
            const bool threeBytes = !deep && d.info.alpha_bits == 0;
            d.format.data_type = deep ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8;
            d.format.num_channels = threeBytes ? 3 : 4;
            d.format.align = 4; // QImage's rows
            const QImage::Format format = deep         ? QImage::Format_RGBA64
                                          : threeBytes ? QImage::Format_RGB888
                                                       : QImage::Format_RGBA8888;
            // Found by fuzzing: a header may ask for gigabytes; Qt's allocation
            // limit decides, as for its own formats.
            size_t needed = 0;
            if (!allocateImage(shownSize(d.info), format, &result)) {
                failedBecause("memory");
                return false;
            }
            if (JxlDecoderImageOutBufferSize(decoder, &d.format, &needed) != JXL_DEC_SUCCESS
                || needed > size_t(result.sizeInBytes())
                || JxlDecoderSetImageOutBuffer(decoder, &d.format, result.bits(), needed) != JXL_DEC_SUCCESS) {
                failedBecause("damaged");
                return false;
            }
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            if (m_scaledSize.isValid() && m_scaledSize != result.size())
                result = shrunk(std::move(result), m_scaledSize);
            if (result.isNull()) {
                failedBecause("memory");
                return false;
            }
            if (d.hdr)
                toneMapToSdr(result, *d.hdr, d.info.intensity_target);
            result.setColorSpace(d.colours);
            ++m_frame;
            *image = result;
            return true;
        case JXL_DEC_SUCCESS: return false; // no frames left
        case JXL_DEC_ERROR:
        case JXL_DEC_NEED_MORE_INPUT:
        default:
            qCInfo(lcDecoders, "libjxl: the codestream could not be decoded");
            failedBecause("damaged");
            return false;
        }
    }
}

} // namespace picture
