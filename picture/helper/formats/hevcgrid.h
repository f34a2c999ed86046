#pragma once

#include "picture/helper/formats/heifgrid.h"
#include "picture/helper/pixels/ycbcrtorgb.h"

#include <QPoint>

#include <functional>

namespace picture::hevc {

// Each tile of `grid` decoded by libde265 and made RGB through `matrix`, its
// rows handed to `take` a band at a time with their top left in the picture
// (only the part within the picture). The tiles are shared out among
// `threads`, or a picture coded whole (a grid of one) uses them all itself:
// `take` is called from all of them at once. False when a tile does not
// decode to 8-bit colour of the tiles' size (the grid is then left to
// libheif), or once `cancelled`, asked before each tile, says so.
bool decodeGridTiles(const heifgrid::Grid &grid, const YCbCrMatrix &matrix, int threads,
                     const std::function<void(const RgbPlanes &tile, QPoint origin)> &take,
                     const std::function<bool()> &cancelled);

} // namespace picture::hevc
