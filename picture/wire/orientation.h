#pragma once

// EXIF's eight orientations (1 to 8): how a stored picture is turned and
// mirrored to stand upright. They are the turns and mirrorings of a
// rectangle, so one after another is again one of them.

#include <QImage>
#include <QImageIOHandler>

namespace picture {

// A picture stored in EXIF orientation `orientation` (1 to 8), turned upright.
QImage upright(const QImage &stored, int orientation);

// `first`, then `then` (each 1 to 8; anything else counts as 1).
int composeOrientations(int first, int then);
// What undoes `orientation`.
int inverseOrientation(int orientation);
// Quarter turns clockwise (negative: anticlockwise) as an orientation.
int turnOrientation(int quarterTurns);
// The orientation as Qt's readers report it, and back.
QImageIOHandler::Transformations transformationOf(int orientation);
int orientationOf(QImageIOHandler::Transformations transformation);

// A rectangle of the shown (oriented) picture on the stored one, as a
// reader clips it before it orients.
QRect storedRect(const QRect &shown, QSize stored, QImageIOHandler::Transformations transformation);

} // namespace picture
