#pragma once

#include "picture/helper/pixels/ycbcrtorgb.h"

#include <QSize>

namespace picture::hevc {

// libheif's own HEVC decoder gives libde265 one worker thread, which leaves a
// 12 MP photo coded as one picture on one core. This one, over the same
// libde265 and bit for bit the same planes, uses every core for it.

// Puts this decoder ahead of libheif's own, once for the process.
void registerDecoder();

// While one lives, the HEVC pictures libheif decodes in this thread use
// `count` threads. A grid's tiles are decoded in libheif's own threads, a
// tile per core, and keep one each.
class Workers
{
public:
    explicit Workers(int count);
    ~Workers();
    Workers(const Workers &) = delete;
    Workers &operator=(const Workers &) = delete;

private:
    int m_before;
};

// While one lives, an 8-bit HEVC picture of `size` (either way up) that
// libheif decodes in this thread is handed over as RGB planes, made through
// `matrix` on its workers: libheif makes every picture RGB planes, but on one
// core. `matrix` must be the one libheif would use (the picture's nclx, else
// BT.601 over the full range). A grid's tiles, of another size and decoded
// in libheif's own threads, are left to libheif.
class MadeRgb
{
public:
    MadeRgb(const YCbCrMatrix &matrix, QSize size);
    ~MadeRgb();
    MadeRgb(const MadeRgb &) = delete;
    MadeRgb &operator=(const MadeRgb &) = delete;

    const YCbCrMatrix &matrix() const { return m_matrix; }
    QSize size() const { return m_size; }

private:
    YCbCrMatrix m_matrix;
    QSize m_size;
    const MadeRgb *m_before;
};

} // namespace picture::hevc
