#pragma once

// Turning a JPEG without decoding it: its DCT blocks moved as the turn asks
// (TurboJPEG's tjTransform), its other segments (EXIF, the colour profile)
// kept as they are. Only where the turn is perfect: a picture whose size is
// not whole blocks in the direction that moves would lose its edge.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace picture {

// Where the first picture of a JPEG ends (past its EOI marker); nullopt
// when the bytes are not a JPEG that ends.
std::optional<qint64> endOfFirstPicture(QByteArrayView jpeg);

// Whether anything follows the picture: the pictures a camera or a phone
// appends (MPF's previews, a gain map), which a turn would leave behind.
bool carriesMoreThanItsPicture(QByteArrayView jpeg);

// The JPEG turned upright from EXIF orientation `orientation` (2 to 8),
// block for block; nullopt where that cannot be done perfectly.
std::optional<QByteArray> turnedWithoutLoss(QByteArrayView jpeg, int orientation);

} // namespace picture
