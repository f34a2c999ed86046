#include "picture/wire/orientation.h"

#include <QTransform>

namespace picture {
namespace {

// An orientation as a mirroring left to right (or not) followed by so many
// quarter turns clockwise.
struct Dihedral
{
    int turns = 0; // 0 to 3
    bool mirrored = false;
};

// Index: EXIF orientation 1 to 8.
constexpr Dihedral Orientations[9] = {{0, false}, {0, false}, {0, true}, {2, false}, {2, true},
                                      {3, true},  {1, false}, {1, true}, {3, false}};

Dihedral dihedralOf(int orientation)
{
    return orientation >= 1 && orientation <= 8 ? Orientations[orientation] : Dihedral{};
}

int orientationOf(Dihedral d)
{
    for (int orientation = 1; orientation <= 8; ++orientation) {
        if (Orientations[orientation].turns == d.turns && Orientations[orientation].mirrored == d.mirrored)
            return orientation;
    }
    return 1;
}

} // namespace

QImage upright(const QImage &stored, int orientation)
{
    // EXIF's orientations as Qt reads them: mirror or flip, then turn.
    const QTransform quarter = QTransform().rotate(90);
    switch (orientation) {
    case 2: return stored.mirrored(true, false);
    case 3: return stored.transformed(QTransform().rotate(180));
    case 4: return stored.mirrored(false, true);
    case 5: return stored.mirrored(false, true).transformed(quarter);
    case 6: return stored.transformed(quarter);
    case 7: return stored.mirrored(true, false).transformed(quarter);
    case 8: return stored.transformed(QTransform().rotate(270));
    default: return stored;
    }
}

int composeOrientations(int first, int then)
{
    // A mirroring taken past a turn reverses the turn: M·R^k = R^-k·M.
    const Dihedral a = dihedralOf(first);
    const Dihedral b = dihedralOf(then);
    const int turns = b.turns + (b.mirrored ? -a.turns : a.turns);
    return orientationOf(Dihedral{((turns % 4) + 4) % 4, a.mirrored != b.mirrored});
}

int inverseOrientation(int orientation)
{
    const Dihedral d = dihedralOf(orientation);
    // A mirrored orientation undoes itself.
    return d.mirrored ? orientationOf(d) : orientationOf(Dihedral{(4 - d.turns) % 4, false});
}

int turnOrientation(int quarterTurns)
{
    return orientationOf(Dihedral{((quarterTurns % 4) + 4) % 4, false});
}

QImageIOHandler::Transformations transformationOf(int orientation)
{
    // Qt mirrors left to right, flips top to bottom, then turns clockwise.
    using T = QImageIOHandler::Transformation;
    switch (orientation) {
    case 2: return T::TransformationMirror;
    case 3: return T::TransformationRotate180;
    case 4: return T::TransformationFlip;
    case 5: return T::TransformationFlipAndRotate90;
    case 6: return T::TransformationRotate90;
    case 7: return T::TransformationMirrorAndRotate90;
    case 8: return T::TransformationRotate270;
    default: return T::TransformationNone;
    }
}

int orientationOf(QImageIOHandler::Transformations transformation)
{
    for (int orientation = 1; orientation <= 8; ++orientation) {
        if (transformationOf(orientation) == transformation)
            return orientation;
    }
    return 1;
}

QRect storedRect(const QRect &shown, QSize stored, QImageIOHandler::Transformations transformation)
{
    QTransform toShown;
    // Qt orients by mirroring and flipping first, then turning 90 degrees clockwise.
    if (transformation & QImageIOHandler::TransformationMirror)
        toShown = toShown * QTransform(-1, 0, 0, 1, stored.width(), 0);
    if (transformation & QImageIOHandler::TransformationFlip)
        toShown = toShown * QTransform(1, 0, 0, -1, 0, stored.height());
    if (transformation & QImageIOHandler::TransformationRotate90)
        toShown = toShown * QTransform(0, 1, -1, 0, stored.height(), 0);
    return toShown.inverted().mapRect(QRectF(shown)).toAlignedRect().intersected(QRect(QPoint(0, 0), stored));
}

} // namespace picture
