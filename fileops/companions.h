#pragma once

// The files that belong to a photo and go wherever it goes: its XMP
// sidecars (`IMG_1.CR2.xmp`, and `IMG_1.xmp`, as other programs name them)
// and the movie of an iPhone's Live Photo (`IMG_2.MOV` beside `IMG_2.HEIC`);
// and, where a RAW and its JPEG are one photo to the user, the other half
// of the pair with the files of their stem.

#include <QString>
#include <QStringList>

namespace fileops {

// Whether a RAW and the JPEG (or HEIF) of its stem go together as one photo.
enum class Pairs { Apart, Together };

// The companions of `photo` that are there now, as paths. A sidecar or
// movie named by the stem alone belongs to the photo only when no other
// file of that stem is in the folder (`IMG_1.xmp` beside `IMG_1.CR2` and
// `IMG_1.JPG` is the pair's, not one's), or when the pair goes together,
// which takes the other half and its own sidecars along too.
QStringList companionsOf(const QString &photo, Pairs pairs = Pairs::Apart);

// The other half of `photo`'s pair (the RAW of a JPEG, the JPEG of a RAW),
// as paths; empty when it has none.
QStringList pairedWith(const QString &photo);

// The name the companion `companion` gets when its photo, named
// `oldPhoto`, is named `newPhoto` (`IMG_1.xmp` → `IMG_2.xmp`).
QString companionNameFor(const QString &companion, const QString &oldPhoto, const QString &newPhoto);

} // namespace fileops
