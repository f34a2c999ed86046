#include "picture/helper/formats/avcodechevc.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <utility>

namespace picture::hevc {
namespace {

// The calls used, looked up in the library the headers describe.
struct Avcodec
{
    decltype(&avcodec_find_decoder) findDecoder = nullptr;
    decltype(&avcodec_alloc_context3) allocContext = nullptr;
    decltype(&avcodec_open2) open = nullptr;
    decltype(&avcodec_free_context) freeContext = nullptr;
    decltype(&avcodec_send_packet) sendPacket = nullptr;
    decltype(&avcodec_receive_frame) receiveFrame = nullptr;
    decltype(&av_packet_alloc) packetAlloc = nullptr;
    decltype(&av_packet_free) packetFree = nullptr;
    decltype(&av_frame_alloc) frameAlloc = nullptr;
    decltype(&av_frame_free) frameFree = nullptr;
    decltype(&av_frame_unref) frameUnref = nullptr;
    decltype(&av_pix_fmt_desc_get) describe = nullptr;
    decltype(&av_log_set_level) setLogLevel = nullptr;
    const AVCodec *hevc = nullptr;
};

Avcodec &avcodec()
{
    static Avcodec loaded;
    return loaded;
}

template<typename Call>
bool find(void *library, const char *name, Call *call)
{
    *call = reinterpret_cast<Call>(::dlsym(library, name));
    return *call != nullptr;
}

heif_error failed(heif_suberror_code why, const char *what)
{
    return {heif_error_Decoder_plugin_error, why, what};
}

constexpr heif_error Unsupported{heif_error_Unsupported_feature, heif_suberror_Unsupported_color_conversion,
                                 "a pixel format libheif does not take"};

// libheif's chroma for the frame's format; nullopt-like false for any other
// than planar YCbCr or grey of one depth, in this machine's byte order.
bool chromaOf(const AVPixFmtDescriptor *format, heif_chroma *chroma)
{
    if (!format || (format->flags & (AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_FLOAT
                                     | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_ALPHA)))
        return false;
    for (int c = 0; c < format->nb_components; ++c) {
        if (format->comp[c].plane != c || format->comp[c].depth != format->comp[0].depth || format->comp[c].shift)
            return false;
    }
    if (format->nb_components == 1) {
        *chroma = heif_chroma_monochrome;
        return true;
    }
    if (format->nb_components != 3 || !(format->flags & AV_PIX_FMT_FLAG_PLANAR))
        return false;
    const int w = format->log2_chroma_w, h = format->log2_chroma_h;
    *chroma = w == 1 && h == 1 ? heif_chroma_420 : w == 1 && h == 0 ? heif_chroma_422 : heif_chroma_444;
    return (w == 1 && h <= 1) || (w == 0 && h == 0);
}

heif_error toHeifImage(const AVFrame *frame, heif_image **made)
{
    const AVPixFmtDescriptor *format = avcodec().describe(AVPixelFormat(frame->format));
    heif_chroma chroma = heif_chroma_undefined;
    if (!chromaOf(format, &chroma))
        return Unsupported;
    if (frame->width <= 0 || frame->height <= 0)
        return failed(heif_suberror_Invalid_image_size, "an empty picture");
    const bool mono = chroma == heif_chroma_monochrome;
    heif_error error = heif_image_create(frame->width, frame->height,
                                         mono ? heif_colorspace_monochrome : heif_colorspace_YCbCr, chroma, made);
    if (error.code != heif_error_Ok)
        return error;
    const int bits = format->comp[0].depth;
    const heif_channel planes[] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    for (int c = 0; c < (mono ? 1 : 3); ++c) {
        // A chroma plane covers the odd last row and column too.
        const int width = c ? -((-frame->width) >> format->log2_chroma_w) : frame->width;
        const int height = c ? -((-frame->height) >> format->log2_chroma_h) : frame->height;
        error = heif_image_add_plane(*made, planes[c], width, height, bits);
        int toStride = 0;
        uint8_t *to = error.code == heif_error_Ok ? heif_image_get_plane(*made, planes[c], &toStride) : nullptr;
        const uint8_t *from = frame->data[c];
        if (!to || !from) {
            heif_image_release(std::exchange(*made, nullptr));
            return error.code != heif_error_Ok ? error : failed(heif_suberror_Unspecified, "a plane without its samples");
        }
        const size_t rowBytes = size_t(width) * size_t((bits + 7) / 8);
        for (int y = 0; y < height; ++y)
            std::memcpy(to + size_t(y) * size_t(toStride), from + ptrdiff_t(y) * frame->linesize[c], rowBytes);
    }
    return {heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

} // namespace

bool loadAvcodec()
{
    static std::once_flag tried;
    std::call_once(tried, [] {
        // The library these headers were written for, by its version.
        void *library = ::dlopen("libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return;
        Avcodec calls;
        const bool found = find(library, "avcodec_find_decoder", &calls.findDecoder)
                           && find(library, "avcodec_alloc_context3", &calls.allocContext)
                           && find(library, "avcodec_open2", &calls.open)
                           && find(library, "avcodec_free_context", &calls.freeContext)
                           && find(library, "avcodec_send_packet", &calls.sendPacket)
                           && find(library, "avcodec_receive_frame", &calls.receiveFrame)
                           && find(library, "av_packet_alloc", &calls.packetAlloc)
                           && find(library, "av_packet_free", &calls.packetFree)
                           && find(library, "av_frame_alloc", &calls.frameAlloc)
                           && find(library, "av_frame_free", &calls.frameFree)
                           && find(library, "av_frame_unref", &calls.frameUnref)
                           && find(library, "av_pix_fmt_desc_get", &calls.describe)
                           && find(library, "av_log_set_level", &calls.setLogLevel);
        calls.hevc = found ? calls.findDecoder(AV_CODEC_ID_HEVC) : nullptr;
        if (!calls.hevc) {
            ::dlclose(library);
            return;
        }
        // What a broken file makes it say is of no use to anyone.
        calls.setLogLevel(AV_LOG_QUIET);
        avcodec() = calls;
    });
    return avcodecLoaded();
}

bool avcodecLoaded()
{
    return avcodec().hevc != nullptr;
}

heif_error decodeWithAvcodec(const std::vector<uint8_t> &stream, int threads, heif_image **made)
{
    const Avcodec &av = avcodec();
    *made = nullptr;
    if (!av.hevc)
        return failed(heif_suberror_Unspecified, "libavcodec is not loaded");
    if (stream.size() > size_t(INT32_MAX) - AV_INPUT_BUFFER_PADDING_SIZE)
        return failed(heif_suberror_Unspecified, "a stream too large");
    AVCodecContext *context = av.allocContext(av.hevc);
    AVPacket *packet = av.packetAlloc();
    AVFrame *frame = av.frameAlloc();
    heif_error result = failed(heif_suberror_Unspecified, "no picture decoded");
    if (context && packet && frame) {
        // A photo is one picture: rows of blocks in parallel, not pictures.
        context->thread_count = threads;
        context->thread_type = FF_THREAD_SLICE;
        // Copied, with the padding it reads past the end, when sent.
        packet->data = const_cast<uint8_t *>(stream.data());
        packet->size = int(stream.size());
        if (av.open(context, av.hevc, nullptr) == 0 && av.sendPacket(context, packet) == 0
            && av.sendPacket(context, nullptr) == 0) {
            // The last picture of the item is the one kept, as libheif's own decoder does.
            while (av.receiveFrame(context, frame) == 0) {
                if (*made)
                    heif_image_release(std::exchange(*made, nullptr));
                result = toHeifImage(frame, made);
                av.frameUnref(frame);
                if (result.code != heif_error_Ok)
                    break;
            }
        }
    }
    av.frameFree(&frame);
    av.packetFree(&packet);
    av.freeContext(&context);
    if (result.code != heif_error_Ok && *made)
        heif_image_release(std::exchange(*made, nullptr));
    return result;
}

} // namespace picture::hevc
