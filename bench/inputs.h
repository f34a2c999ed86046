#pragma once

// The benchmark's inputs, made on first use under build/ (nothing large is
// kept in the repository).

#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>

#include <utility>

namespace inputs {

inline constexpr int PhotoCount = 200;

// The flat colour in the middle of photo `index`: 216 colours 40 apart, so
// that a pixel read from the screen tells which photo is shown.
QColor photoColour(int index);
// The photo whose colour `colour` is, or -1.
int photoOf(const QColor &colour);

// PhotoCount 12-megapixel JPEGs (4000 x 3000, noisy like a photo, a flat
// square in the middle): photo000.jpg ... Returns their paths.
QStringList photos(const QString &folder);

// PhotoCount HEIC photos of 12 megapixels made from the first ten JPEG
// photos (heif-enc, once), each a file of its own. Returns their paths.
QStringList heicPhotos(const QString &folder, const QStringList &jpegs);

// Copies of `jpeg` that carry the previews a camera writes: `count` JPEGs
// with a 160 x 120 EXIF thumbnail, and `count` HEICs of it (heif-enc) with a
// 320-pixel thumbnail item, made once in `folder`: (JPEGs, HEICs). Each a
// file of its own, so that none is decoded ahead of being measured.
std::pair<QStringList, QStringList> photosWithPreviews(const QString &folder, const QString &jpeg, int count);

// Photos to open at start-up whose previews show another photo's colour
// (photoColour(OpenedPreview)) than their pictures (photoColour(OpenedPicture),
// a red no viewer's own grey is near), so that the screen tells which of the
// two is on it: a JPEG with an EXIF thumbnail and a HEIC with a thumbnail
// item, each alone in a folder of its own under `folder`. Made once: (JPEG, HEIC).
inline constexpr int OpenedPicture = 5;
inline constexpr int OpenedPreview = 1;
std::pair<QString, QString> photosToOpen(const QString &folder, const QStringList &jpegs);

// A camera RAW file (DNG) carrying the 4000 x 3000 JPEG photo `jpeg` as its
// preview, as cameras write it beside the mosaic (which here only stands in:
// it is small, its directory names the photo's size), alone in `folder`,
// made once with the tests' DNG writer `maker`. Returns its path.
QString dngWithPreview(const QString &folder, const QString &jpeg, const QString &maker);
// A HEIC as phones write one (a grid of 512 x 512 tiles and a 320 x 240
// thumbnail), of jpegs[OpenedPicture], its thumbnail of jpegs[OpenedPreview],
// made by `maker` (make-grid-heic.py).
QString gridHeicToOpen(const QString &folder, const QStringList &jpegs, const QString &maker);

// HEICs as today's phones write their photos, of the same pictures as
// gridHeicToOpen's, in Display P3 by an ICC profile: (a 12 MP photo taken
// upright, stored on its side and turned by its irot, thumbnail and all; a
// 24 MP photo (5712 x 4284, 12 x 9 tiles) with an HDR gain map of half its
// size beside it). Made once in folders of their own under `folder`.
std::pair<QString, QString> phoneHeicsToOpen(const QString &folder, const QStringList &jpegs, const QString &maker);

// Two HEICs an iPhone took, fetched once into `folder` by `fetcher` (from a
// Debian source package's tests); none when they cannot be had.
QStringList phoneHeicsTaken(const QString &folder, const QString &fetcher);

// `count` HEICs an iPhone took in a row, made once in `folder` from
// phoneHeicsTaken's: copies of the first, then the second (taken upright)
// last, so that the last photo's picture is its own.
QStringList phoneHeicsInARow(const QString &folder, const QStringList &taken, int count);

// A picture of flat `colour` shown `size`, made once in `folder`: where a
// viewer shows a photo of that size, found by its colour.
QString flatPicture(const QString &folder, QSize size, const QColor &colour);

// `count` 12-megapixel HEICs with thumbnail items, photoColour(i) in the
// picture of the i-th and photoColour(i + 100) in its preview, made once in
// `folder` from the JPEG photos. Returns their paths.
QStringList heicsWithPreviews(const QString &folder, const QStringList &jpegs, int count);

// The same as grids of 512 x 512 tiles with 320 x 240 thumbnails, as
// phones write their HEICs, made once by `maker` (make-grid-heic.py).
QStringList gridHeicsWithPreviews(const QString &folder, const QStringList &jpegs, int count, const QString &maker);

// A folder of `count` 12-megapixel JPEGs, hard links to the photos in turn
// (each name its own entry in the thumbnail cache), made once. Its path.
QString manyPhotos(const QString &parent, const QStringList &photos, int count);

// A folder of `count` empty files, one in twenty of them not a picture.
QString manyFiles(const QString &parent, int count);

} // namespace inputs
