#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <vector>

namespace picture {

// `image` at `size`. Where it at least halves and the picture is in one of
// the decoders' formats (RGB888, RGBA8888, RGBA64), each shown pixel is the mean
// of the stored pixels that fall in it, summed row by row: no second copy of
// a picture that may be hundreds of megabytes, as Qt's smooth scaling makes
// of these formats. Other sizes and formats go through Qt's smooth scaling.
QImage shrunk(QImage image, QSize size);

// Which shown index each of `stored` indexes falls in when they shrink to
// `shown`, and how many fall in each.
void spread(int stored, int shown, std::vector<int> &of, std::vector<std::uint64_t> &counts);

} // namespace picture
