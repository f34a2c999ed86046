#pragma once

namespace picture::hevc {

// libheif's own HEVC decoder gives libde265 one worker thread, which leaves a
// 12 MP photo coded as one picture on one core. This one, over the same
// libde265 and bit for bit the same pixels, uses every core for it.

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

} // namespace picture::hevc
