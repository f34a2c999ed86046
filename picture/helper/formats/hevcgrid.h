#pragma once

#include "picture/helper/formats/heifgrid.h"
#include "picture/helper/pixels/ycbcrtorgb.h"

namespace picture::hevc {

// The tiles of `grid` decoded and made RGB through `matrix` straight into
// `out` (of the grid's size), the tiles shared out among `threads`: each
// tile's part of the planes is first touched by the thread that decoded it,
// where libheif clears all of them on one core before its first tile.
// False when a tile does not decode to 8-bit colour of the tiles' size; `out`
// is then partly written, and the grid is left to libheif.
bool decodeGridInto(const heifgrid::Grid &grid, const YCbCrMatrix &matrix, const RgbPlanesOf<std::uint8_t> &out,
                    int threads);

} // namespace picture::hevc
