#include "picture/helper/marks/storeddecode.h"

#include <turbojpeg.h>

#include <memory>
#include <sys/mman.h>

namespace picture {

QImage jpegAsStored(QByteArrayView jpeg, qint64 maxPixels)
{
    const std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitDecompress(), tjDestroy);
    if (!handle || jpeg.isEmpty())
        return {};
    const auto *bytes = reinterpret_cast<const unsigned char *>(jpeg.data());
    const auto size = static_cast<unsigned long>(jpeg.size());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes, size, &width, &height, &subsampling, &colourspace) != 0 || width <= 0
        || height <= 0 || qint64(width) * height > maxPixels)
        return {};
    // Its memory populated at once: a page at a time, a picture's worth of
    // faults costs more than its decode.
    const qsizetype line = qsizetype(width) * 4;
    const size_t bytesNeeded = size_t(line) * size_t(height);
    void *memory = ::mmap(nullptr, bytesNeeded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (memory == MAP_FAILED)
        return {};
    struct Mapping
    {
        void *address;
        size_t length;
    };
    QImage image(static_cast<uchar *>(memory), width, height, line, QImage::Format_RGBX8888,
                 [](void *info) {
                     auto *mapping = static_cast<Mapping *>(info);
                     ::munmap(mapping->address, mapping->length);
                     delete mapping;
                 },
                 new Mapping{memory, bytesNeeded});
    // The decoder's own accurate DCT and upsampling, the same every time.
    if (tjDecompress2(handle.get(), bytes, size, image.bits(), width, int(image.bytesPerLine()), height, TJPF_RGBX, 0)
        != 0)
        return {};
    return image;
}

} // namespace picture
