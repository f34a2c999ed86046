// Writes reference.png as HEIC files whose irot/imir boxes say to turn or
// mirror it (EXIF orientations 2, 3, 6 and 8): the viewer must show the
// reference turned so, once. Its odd size makes each a grid of one tile;
// heic-whole-orientation-6.heic, of an even size cut from it, is coded
// whole. Built and run by make-corpus.sh.
#include <QGuiApplication>
#include <QImage>

#include <libheif/heif.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QImage whole = QImage(QStringLiteral("reference.png")).convertToFormat(QImage::Format_RGB888);
    for (const int orientation : {2, 3, 6, 8, -6}) {
        const QImage reference = orientation > 0 ? whole : whole.copy(0, 0, 300, 200);
        heif_context *context = heif_context_alloc();
        heif_encoder *encoder = nullptr;
        heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
        heif_encoder_set_lossy_quality(encoder, 92);
        heif_image *image = nullptr;
        heif_image_create(reference.width(), reference.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
        heif_image_add_plane(image, heif_channel_interleaved, reference.width(), reference.height(), 8);
        int stride = 0;
        uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < reference.height(); ++y)
            std::memcpy(plane + y * stride, reference.constScanLine(y), size_t(reference.width()) * 3);
        heif_encoding_options *options = heif_encoding_options_alloc();
        options->image_orientation = heif_orientation(orientation > 0 ? orientation : -orientation);
        heif_context_encode_image(context, image, encoder, options, nullptr);
        const QByteArray name = orientation > 0 ? "heic-orientation-" + QByteArray::number(orientation) + ".heic"
                                                : QByteArray("heic-whole-orientation-6.heic");
        heif_context_write_to_file(context, name.constData());
        std::printf("%s\n", name.constData());
        heif_encoding_options_free(options);
        heif_image_release(image);
        heif_encoder_release(encoder);
        heif_context_free(context);
    }
    return 0;
}
