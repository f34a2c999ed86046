#include "picture/helper/details/heifmetadata.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace picture {
namespace {

// Blocks larger than this are no photo's metadata.
constexpr size_t MaxBlockBytes = 4 * 1024 * 1024;

QByteArray block(heif_image_handle *image, const char *type, const char *contentType)
{
    heif_item_id ids[8];
    const int count = heif_image_handle_get_list_of_metadata_block_IDs(image, type, ids, 8);
    for (int i = 0; i < count; ++i) {
        if (contentType && std::strcmp(heif_image_handle_get_metadata_content_type(image, ids[i]), contentType) != 0)
            continue;
        const size_t size = heif_image_handle_get_metadata_size(image, ids[i]);
        if (size == 0 || size > MaxBlockBytes)
            continue;
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        if (heif_image_handle_get_metadata(image, ids[i], bytes.data()).code == heif_error_Ok)
            return bytes;
    }
    return {};
}

} // namespace

HeifMetadata readHeifMetadata(const uchar *data, qint64 size)
{
    HeifMetadata metadata;
    if (size < 12 || heif_check_filetype(data, int(std::min<qint64>(size, 64))) == heif_filetype_no)
        return metadata;
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    if (!context
        || heif_context_read_from_memory_without_copy(context.get(), data, size_t(size), nullptr).code != heif_error_Ok)
        return metadata;
    heif_image_handle *primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok || !primary)
        return metadata;
    const std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> image(primary,
                                                                                       heif_image_handle_release);
    metadata.heif = true;
    const QByteArray exif = block(primary, "Exif", nullptr);
    // It begins with where its TIFF header is, counted past those four bytes.
    if (exif.size() > 4) {
        const auto *bytes = reinterpret_cast<const uchar *>(exif.constData());
        const quint32 offset = quint32(bytes[0]) << 24 | quint32(bytes[1]) << 16 | quint32(bytes[2]) << 8 | bytes[3];
        if (offset < quint32(exif.size() - 4))
            metadata.exif = exif.mid(4 + offset);
    }
    metadata.xmp = block(primary, "mime", "application/rdf+xml");
    return metadata;
}

} // namespace picture
