// Writes reference.png as HEIC files that say how they are turned only in
// their EXIF (orientation 6, "turn 90 degrees clockwise"), as an iPhone's
// do, with no irot or imir box: heic-exif-orientation-6.heic with the brands
// libheif writes (heic, mif1), which the viewer turns as Apple's viewers
// do, and heic-exif-orientation-6-miaf.heic, which claims MIAF, whose
// files say how they are turned in their boxes only: shown as stored; and
// heic-irot-and-exif-6.heic, turned by its irot box and saying so in its
// EXIF too: turned once, never twice.
// Built and run by make-corpus.sh.
#include <QGuiApplication>
#include <QImage>

#include <libheif/heif.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QImage reference = QImage(QStringLiteral("reference.png")).convertToFormat(QImage::Format_RGB888);
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
    // A little-endian TIFF with one directory holding Orientation = 6.
    const unsigned char exif[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                                  0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0};
    for (const bool box : {false, true}) {
        heif_context *written = box ? heif_context_alloc() : context;
        heif_encoding_options *options = heif_encoding_options_alloc();
        if (box)
            options->image_orientation = heif_orientation(6);
        heif_image_handle *handle = nullptr;
        heif_context_encode_image(written, image, encoder, options, &handle);
        heif_context_add_exif_metadata(written, handle, exif, int(sizeof exif));
        heif_context_write_to_file(written, box ? "heic-irot-and-exif-6.heic" : "heic-exif-orientation-6.heic");
        heif_image_handle_release(handle);
        heif_encoding_options_free(options);
        if (box)
            heif_context_free(written);
    }
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    // The same, claiming MIAF among its compatible brands (in place of heic).
    std::ifstream in("heic-exif-orientation-6.heic", std::ios::binary);
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const unsigned size = (unsigned char)data[0] << 24 | (unsigned char)data[1] << 16 | (unsigned char)data[2] << 8
                          | (unsigned char)data[3];
    for (unsigned at = 16; at + 4 <= size; at += 4) {
        if (std::memcmp(&data[at], "heic", 4) == 0)
            std::memcpy(&data[at], "miaf", 4);
    }
    std::ofstream("heic-exif-orientation-6-miaf.heic", std::ios::binary).write(data.data(), std::streamsize(data.size()));
    std::printf("heic-exif-orientation-6.heic heic-exif-orientation-6-miaf.heic heic-irot-and-exif-6.heic\n");
    return 0;
}
