#include "picture/helper/marks/rewrite.h"

#include "picture/helper/details/exivsetup.h"
#include "picture/helper/details/orientation.h"
#include "picture/helper/details/sidecar.h"
#include "picture/helper/formats/fileinput.h"
#include "picture/helper/marks/losslessturn.h"
#include "picture/wire/orientation.h"

#include <QBuffer>
#include <QImage>

// exiv2 0.27's headers use std::auto_ptr, deprecated in C++20.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace picture {
namespace {

using Reason = DecodedPicture::Reason;

// A photo of a gigabyte is a camera's; none larger is rewritten.
constexpr qint64 MaxFileBytes = 1024LL * 1024 * 1024;

Rewritten failed(Reason reason)
{
    Rewritten result;
    result.failure = reason;
    return result;
}

template<typename Data, typename Key>
void erase(Data &data, const Key &key)
{
    for (auto datum = data.begin(); datum != data.end();) {
        if (datum->key() == key.key())
            datum = data.erase(datum);
        else
            ++datum;
    }
}

template<typename Data>
auto find(const Data &data, const std::string &key) -> decltype(&*data.begin())
{
    for (auto datum = data.begin(); datum != data.end(); ++datum) {
        if (datum->key() == key)
            return &*datum;
    }
    return nullptr;
}

// XMP's rating and label as the edit asks; `zeroIsSaid` keeps an unrated
// photo's rating as 0 (a sidecar's 0 stands over what the file says).
void writeMarks(Exiv2::XmpData &xmp, const MarkEdit &edit, bool zeroIsSaid)
{
    if (edit.rating) {
        const Exiv2::XmpKey key("Xmp.xmp.Rating");
        if (*edit.rating == 0 && !zeroIsSaid)
            erase(xmp, key);
        else
            xmp[key.key()] = std::to_string(*edit.rating);
    }
    if (edit.label) {
        const Exiv2::XmpKey key("Xmp.xmp.Label");
        if (*edit.label == marks::Label::None)
            erase(xmp, key);
        else
            xmp[key.key()] = marks::xmpLabel(*edit.label).toStdString();
    }
}

int orientationIn(const Exiv2::ExifData &exif)
{
    const Exiv2::Exifdatum *tag = find(exif, "Exif.Image.Orientation");
    const long value = tag ? tag->toLong() : 1;
    return value >= 1 && value <= 8 ? int(value) : 1;
}

void writeOrientation(Exiv2::Image &image, int orientation, bool alwaysSay)
{
    Exiv2::ExifData &exif = image.exifData();
    if (alwaysSay || orientation != 1 || find(exif, "Exif.Image.Orientation"))
        exif["Exif.Image.Orientation"] = uint16_t(orientation);
    // An XMP copy of it says the same.
    if (find(image.xmpData(), "Xmp.tiff.Orientation"))
        image.xmpData()["Xmp.tiff.Orientation"] = std::to_string(orientation);
}

// A JPEG's blocks turned: what EXIF says of its size and its thumbnail turn with it.
void turnedWithThePixels(Exiv2::ExifData &exif, int orientation)
{
    if (orientation >= 5) {
        const Exiv2::Exifdatum *width = find(exif, "Exif.Photo.PixelXDimension");
        const Exiv2::Exifdatum *height = find(exif, "Exif.Photo.PixelYDimension");
        if (width && height) {
            const long w = width->toLong();
            const long h = height->toLong();
            exif["Exif.Photo.PixelXDimension"] = uint32_t(h);
            exif["Exif.Photo.PixelYDimension"] = uint32_t(w);
        }
    }
    Exiv2::ExifThumb thumb(exif);
    const Exiv2::DataBuf old = thumb.copy();
    if (old.size_ <= 0 || std::string(thumb.mimeType()) != "image/jpeg")
        return;
    const QImage small = QImage::fromData(QByteArrayView(reinterpret_cast<const char *>(old.pData_), old.size_), "JPEG");
    if (small.isNull())
        return;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!upright(small, orientation).save(&buffer, "JPEG", 90))
        return;
    thumb.setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(encoded.constData()), long(encoded.size()));
}

QByteArray bytesOf(Exiv2::Image &image)
{
    Exiv2::BasicIo &io = image.io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf all = io.read(io.size());
    return QByteArray(reinterpret_cast<const char *>(all.pData_), qsizetype(all.size_));
}

bool isJpeg(QByteArrayView bytes)
{
    return bytes.size() > 3 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xD8 && uchar(bytes[2]) == 0xFF;
}

Rewritten rewriteEmbedded(QIODevice &file, const MarkEdit &edit)
{
    const FileInput input(&file, MaxFileBytes);
    if (input.isEmpty())
        return failed(Reason::TooLarge);
    QByteArray bytes(reinterpret_cast<const char *>(input.data()), qsizetype(input.size()));
    Rewritten result;
    Exiv2::Image::AutoPtr image =
        Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()), long(bytes.size()));
    if (!image.get())
        return failed(Reason::Unsupported);
    image->readMetadata();
    std::optional<int> orientation;
    if (edit.quarterTurns % 4 != 0) {
        const int total = composeOrientations(orientationIn(image->exifData()), turnOrientation(edit.quarterTurns));
        orientation = total;
        // A JPEG's blocks turned where they can be, perfectly and with
        // nothing after the picture to leave behind; else the tag alone.
        if (total != 1 && isJpeg(bytes) && !carriesMoreThanItsPicture(bytes)) {
            if (std::optional<QByteArray> turned = turnedWithoutLoss(bytes, total)) {
                const Exiv2::ExifData before = image->exifData();
                const Exiv2::XmpData xmp = image->xmpData();
                bytes = std::move(*turned);
                image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()),
                                                  long(bytes.size()));
                if (!image.get())
                    return failed(Reason::Damaged);
                image->readMetadata();
                image->setExifData(before);
                image->setXmpData(xmp);
                turnedWithThePixels(image->exifData(), total);
                orientation = 1;
                result.pixelsTurned = true;
            }
        }
    }
    writeMarks(image->xmpData(), edit, false);
    if (edit.rating) {
        // Windows' own rating would stand beside XMP's and contradict it.
        erase(image->exifData(), Exiv2::ExifKey("Exif.Image.Rating"));
        erase(image->exifData(), Exiv2::ExifKey("Exif.Image.RatingPercent"));
    }
    if (orientation)
        writeOrientation(*image, *orientation, !result.pixelsTurned);
    image->writeMetadata();
    result.bytes = bytesOf(*image);
    return result;
}

Rewritten rewriteSidecar(QIODevice &file, QIODevice *sidecar, const MarkEdit &edit)
{
    const QByteArray existing = sidecar ? sidecarBytes(*sidecar) : QByteArray();
    if (sidecar && sidecar->size() > 0 && existing.isEmpty())
        return failed(Reason::TooLarge);
    Exiv2::Image::AutoPtr image;
    if (!existing.isEmpty()) {
        image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(existing.constData()), long(existing.size()));
        // A file of another kind under a sidecar's name is not written over.
        if (!image.get() || image->imageType() != Exiv2::ImageType::xmp)
            return failed(Reason::Damaged);
        image->readMetadata();
    } else {
        image = Exiv2::ImageFactory::create(Exiv2::ImageType::xmp,
                                            Exiv2::BasicIo::AutoPtr(new Exiv2::MemIo()));
        if (!image.get())
            return failed(Reason::Unsupported);
    }
    Exiv2::XmpData &xmp = image->xmpData();
    writeMarks(xmp, edit, true);
    if (edit.quarterTurns % 4 != 0) {
        const Exiv2::Xmpdatum *said = find(xmp, "Xmp.tiff.Orientation");
        const long now = said ? said->toLong() : 0;
        const int current = now >= 1 && now <= 8 ? int(now) : fileOrientation(file);
        xmp["Xmp.tiff.Orientation"] = std::to_string(composeOrientations(current, turnOrientation(edit.quarterTurns)));
    }
    image->writeMetadata();
    Rewritten result;
    result.bytes = bytesOf(*image);
    result.sidecar = true;
    return result;
}

} // namespace

Rewritten rewritePhoto(QIODevice &file, QIODevice *sidecar, const MarkEdit &edit)
{
    setUpExiv2();
    try {
        return keepsMarksInSidecar(file) ? rewriteSidecar(file, sidecar, edit) : rewriteEmbedded(file, edit);
    } catch (...) {
        // exiv2 throws for what it cannot read or write: nothing is written.
        return failed(Reason::Damaged);
    }
}

} // namespace picture

#pragma GCC diagnostic pop
