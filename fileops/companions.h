#pragma once

// The files that belong to a photo and go wherever it goes: its XMP
// sidecars (`IMG_1.CR2.xmp`, and `IMG_1.xmp`, as other programs name them)
// and the movie of an iPhone's Live Photo (`IMG_2.MOV` beside `IMG_2.HEIC`).

#include <QString>
#include <QStringList>

namespace fileops {

// The companions of `photo` that are there now, as paths. A sidecar or
// movie named by the stem alone belongs to the photo only when no other
// file of that stem is in the folder (`IMG_1.xmp` beside `IMG_1.CR2` and
// `IMG_1.JPG` is the pair's, not one's).
QStringList companionsOf(const QString &photo);

// The name the companion `companion` gets when its photo, named
// `oldPhoto`, is named `newPhoto` (`IMG_1.xmp` → `IMG_2.xmp`).
QString companionNameFor(const QString &companion, const QString &oldPhoto, const QString &newPhoto);

} // namespace fileops
