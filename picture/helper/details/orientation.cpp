#include "picture/helper/details/orientation.h"

#include "picture/helper/details/exivsetup.h"
#include "picture/helper/formats/fileinput.h"

// exiv2 0.27's headers use std::auto_ptr, deprecated in C++20.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>

namespace picture {

int leftOrientation(QIODevice &file)
{
    const FileInput input(&file, 1024LL * 1024 * 1024);
    if (input.isEmpty())
        return 1;
    setUpExiv2();
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(input.data(), long(input.size()));
        if (!image.get() || (image->imageType() != Exiv2::ImageType::png && image->imageType() != Exiv2::ImageType::webp))
            return 1;
        image->readMetadata();
        const Exiv2::ExifData &exif = image->exifData();
        for (const Exiv2::Exifdatum &datum : exif) {
            if (datum.key() == "Exif.Image.Orientation") {
                const long orientation = datum.toLong();
                return orientation >= 1 && orientation <= 8 ? int(orientation) : 1;
            }
        }
    } catch (...) {
        // Metadata exiv2 cannot read turns nothing.
    }
    return 1;
}

} // namespace picture

#pragma GCC diagnostic pop
