#include "picture/jxlhandler.h"

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
constexpr qint64 MaxPixels = 1'600'000'000; // libjxl itself refuses more than that

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

} // namespace

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

QVariant JxlHandler::option(ImageOption option) const
{
    if (option != Size || !device() || device()->isSequential())
        return {};
    const Decoder decoder = decoderFor(input(), JXL_DEC_BASIC_INFO);
    JxlBasicInfo info;
    if (!decoder || JxlDecoderProcessInput(decoder.get()) != JXL_DEC_BASIC_INFO
        || JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
        return {};
    return shownSize(info);
}

bool JxlHandler::read(QImage *image)
{
    const Decoder decoder = decoderFor(input(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE);
    if (!decoder)
        return false;
    // The picture's groups on every core.
    const Runner runner(JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
    if (!runner || JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS)
        return false;
    JxlBasicInfo info{};
    JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    QImage result;
    QColorSpace colours;
    while (true) {
        switch (JxlDecoderProcessInput(decoder.get())) {
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                return false;
            const QSize size = shownSize(info);
            if (size.isEmpty() || qint64(size.width()) * size.height() > MaxPixels)
                return false;
            const bool deep = info.bits_per_sample > 8;
            format.data_type = deep ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8;
            // Found by fuzzing: a header may ask for gigabytes; Qt's allocation
            // limit decides, as for its own formats.
            if (!allocateImage(size, deep ? QImage::Format_RGBA64 : QImage::Format_RGBA8888, &result))
                return false;
            break;
        }
        case JXL_DEC_COLOR_ENCODING: {
            size_t iccSize = 0;
            if (JxlDecoderGetICCProfileSize(decoder.get(), &format, JXL_COLOR_PROFILE_TARGET_DATA, &iccSize)
                    == JXL_DEC_SUCCESS
                && iccSize > 0) {
                QByteArray icc(qsizetype(iccSize), Qt::Uninitialized);
                if (JxlDecoderGetColorAsICCProfile(decoder.get(), &format, JXL_COLOR_PROFILE_TARGET_DATA,
                                                   reinterpret_cast<uint8_t *>(icc.data()), iccSize)
                    == JXL_DEC_SUCCESS)
                    colours = QColorSpace::fromIccProfile(icc);
            }
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t needed = 0;
            if (result.isNull() || JxlDecoderImageOutBufferSize(decoder.get(), &format, &needed) != JXL_DEC_SUCCESS
                || needed > size_t(result.sizeInBytes()) || result.bytesPerLine() * result.height() != qsizetype(needed))
                return false;
            if (JxlDecoderSetImageOutBuffer(decoder.get(), &format, result.bits(), needed) != JXL_DEC_SUCCESS)
                return false;
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame is the picture; an animation's others are not shown.
            result.setColorSpace(colours);
            *image = result;
            return true;
        case JXL_DEC_SUCCESS:
        case JXL_DEC_ERROR:
        case JXL_DEC_NEED_MORE_INPUT:
        default: return false;
        }
    }
}

} // namespace picture
