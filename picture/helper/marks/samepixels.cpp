#include "picture/helper/marks/samepixels.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace picture {
namespace {

// At most this many rows are decoded at a time (eight of the decoder's own
// rows, which are at most four).
constexpr int MaxBand = 32;

// libjpeg's default on an error ends the process; this one jumps back.
struct Failure
{
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

[[noreturn]] void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<Failure *>(info->err)->back, 1);
}

// Warnings (a stream the decoder works round) are counted, never printed.
void countWarning(j_common_ptr info, int level)
{
    if (level < 0)
        ++info->err->num_warnings;
}

void sayNothing(j_common_ptr) {}

// One file's decoder, each call under its own setjmp, so that an error
// jumps back within the thread that met it; nothing in those calls owns
// anything a jump would leak.
class BandDecoder
{
public:
    BandDecoder(QByteArrayView jpeg)
    {
        m_info.err = jpeg_std_error(&m_failure.manager);
        m_failure.manager.error_exit = jumpBack;
        m_failure.manager.emit_message = countWarning;
        m_failure.manager.output_message = sayNothing;
        jpeg_create_decompress(&m_info); // cannot fail but for memory, which ends the helper anyway
        jpeg_mem_src(&m_info, reinterpret_cast<const unsigned char *>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
    }
    ~BandDecoder() { jpeg_destroy_decompress(&m_info); }
    BandDecoder(const BandDecoder &) = delete;
    BandDecoder &operator=(const BandDecoder &) = delete;

    bool start(qint64 maxPixels)
    {
        if (setjmp(m_failure.back) != 0)
            return false;
        if (jpeg_read_header(&m_info, TRUE) != JPEG_HEADER_OK
            || qint64(m_info.image_width) * m_info.image_height > maxPixels)
            return false;
        // The decoder's accurate DCT and upsampling, the same for both files.
        m_info.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&m_info);
        m_line = size_t(m_info.output_width) * size_t(m_info.output_components);
        m_band = std::clamp(m_info.rec_outbuf_height * 8, 8, MaxBand);
        m_rows.resize(m_line * size_t(m_band));
        return true;
    }

    // The next `count` rows (at most a band) into rows().
    bool read(JDIMENSION count)
    {
        if (setjmp(m_failure.back) != 0)
            return false;
        JSAMPROW pointers[MaxBand];
        for (JDIMENSION i = 0; i < count; ++i)
            pointers[i] = m_rows.data() + m_line * i;
        for (JDIMENSION got = 0; got < count;) {
            const JDIMENSION read = jpeg_read_scanlines(&m_info, pointers + got, count - got);
            if (read == 0)
                return false;
            got += read;
        }
        return true;
    }

    const jpeg_decompress_struct &info() const { return m_info; }
    const JSAMPLE *rows() const { return m_rows.data(); }
    size_t line() const { return m_line; }
    int band() const { return m_band; }
    long warnings() const { return m_failure.manager.num_warnings; }

private:
    jpeg_decompress_struct m_info{};
    Failure m_failure{};
    std::vector<JSAMPLE> m_rows;
    size_t m_line = 0;
    int m_band = 8;
};

} // namespace

bool withinLevels(const QImage &expected, const QImage &actual, int tolerance)
{
    if (expected.isNull() || expected.size() != actual.size() || expected.format() != actual.format()
        || expected.depth() % 8 != 0)
        return false;
    const qsizetype line = qsizetype(expected.width()) * expected.depth() / 8;
    for (int y = 0; y < expected.height(); ++y) {
        const uchar *p = expected.constScanLine(y);
        const uchar *q = actual.constScanLine(y);
        for (qsizetype i = 0; i < line; ++i) {
            if (std::abs(int(p[i]) - int(q[i])) > tolerance)
                return false;
        }
    }
    return true;
}

std::optional<bool> sameJpegPixels(QByteArrayView a, QByteArrayView b, qint64 maxPixels,
                                   const std::atomic_bool &cancelled)
{
    if (a.isEmpty() || b.isEmpty())
        return std::nullopt;
    BandDecoder first(a);
    BandDecoder second(b);
    if (!first.start(maxPixels) || !second.start(maxPixels))
        return std::nullopt;
    const jpeg_decompress_struct &info = first.info();
    if (info.output_width != second.info().output_width || info.output_height != second.info().output_height
        || info.output_components != second.info().output_components)
        return false;
    const JDIMENSION band = JDIMENSION(std::min(first.band(), second.band()));
    while (info.output_scanline < info.output_height) {
        if (cancelled)
            return std::nullopt;
        const JDIMENSION count = std::min(band, info.output_height - info.output_scanline);
        // One core: a thread for the second file gained nothing measurable,
        // the other core being the window's and the decodes ahead.
        if (!first.read(count) || !second.read(count))
            return std::nullopt;
        if (std::memcmp(first.rows(), second.rows(), first.line() * count) != 0)
            return false;
    }
    // A stream cut short is padded by the decoder, with a warning: the same
    // rows from a file the rewrite damaged differ by their warnings.
    return first.warnings() == second.warnings();
}

} // namespace picture
