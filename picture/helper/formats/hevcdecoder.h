#pragma once

namespace picture::hevc {

// libheif's own HEVC decoder gives libde265 one worker thread, which leaves a
// 12 MP photo coded as one picture on one core. This one uses every core for
// it: over libde265, or over libavcodec where the helper has loaded it, which
// decodes the same pixels (both follow the standard to the bit) in about
// two thirds of the time.

// Puts this decoder ahead of libheif's own, once for the process.
void registerDecoder();

// Loads libavcodec, for the process's life; it must be called while the
// process may still open files. libavcodec brings some ninety libraries,
// 5 MiB of memory and 15 ms of start with it: only helpers for HEIF photos
// load it. False when it cannot be loaded (libde265 then decodes).
bool loadFastDecoder();
bool fastDecoderLoaded();

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

enum class Decoder { Fastest, Libde265 };

// While one lives, the pictures this process decodes use `decoder`.
class DecoderChoice
{
public:
    explicit DecoderChoice(Decoder decoder);
    ~DecoderChoice();
    DecoderChoice(const DecoderChoice &) = delete;
    DecoderChoice &operator=(const DecoderChoice &) = delete;

private:
    Decoder m_before;
};

} // namespace picture::hevc
