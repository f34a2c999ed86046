#pragma once

// A HEIC's primary picture when it is a plain grid of HEVC tiles, as phones
// write their photos, or a picture coded whole (a grid of one tile): where
// each tile's coded bytes are, read from the file's boxes. libheif 1.15
// hands out no tiles, and a picture decoded through it comes in planes of
// all its megapixels, cleared on one core first; knowing the tiles, the
// viewer decodes and shrinks them a band of rows at a time.

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>

#include <optional>
#include <vector>

namespace picture::heifgrid {

struct Tile
{
    // The tile's parameter sets (from its hvcC), each after a four-byte length.
    QByteArray parameterSets;
    // Its coded picture: NAL units, each after a four-byte length, in pieces
    // of the file.
    std::vector<QByteArrayView> pieces;
};

struct Grid
{
    QSize size;     // the picture's, as the grid says
    QSize tileSize; // every tile's
    int columns = 0;
    int rows = 0;
    int quarterTurns = 0; // anticlockwise, as its irot says, once pasted
    // Coded whole, as one item: made RGB through its own colours (a grid's
    // tiles have none of their own).
    bool whole = false;
    std::vector<Tile> tiles; // row by row, from the top left
};

// What the file's item properties say of turning and mirroring: the first
// irot (quarter turns anticlockwise) and the first imir (0: top to bottom,
// 1: left to right), whichever picture they are of.
struct TurnSaid
{
    std::optional<int> quarterTurns;
    std::optional<int> mirror;
};
TurnSaid turnSaidOf(QByteArrayView file);
// What is left to turn a thumbnail (item `thumbnail`) by, so that it stands
// as the primary picture does: the primary's own turn when the thumbnail
// says none of its own (libheif applies what it says); nothing otherwise,
// or when the file's boxes cannot be read.
TurnSaid turnLeftToThumbnail(QByteArrayView file, quint32 thumbnail);

// The primary picture of `file` as such a grid; none when it is neither, or
// asks for more than pasting tiles and turning them (mirrored, cropped,
// tiles of other sizes or with colours or transformations of their own, a
// tile's colours being its own unless they are the grid's ICC profile; data
// that is not in the file itself), which is left to libheif.
std::optional<Grid> plainGridOf(QByteArrayView file);

} // namespace picture::heifgrid
