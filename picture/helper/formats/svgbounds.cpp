#include "picture/helper/formats/svgbounds.h"

#include <QBuffer>
#include <QImageReader>

#include <zlib.h>

namespace picture {
namespace {

// The text, inflated when it is gzip, or nullopt past `limit` bytes.
std::optional<QByteArray> textOf(QIODevice &device, qint64 limit)
{
    const QByteArray head = device.peek(2);
    if (head != "\x1f\x8b") {
        if (device.size() > limit)
            return std::nullopt;
        return device.readAll();
    }
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return std::nullopt;
    QByteArray text;
    QByteArray in(64 * 1024, Qt::Uninitialized);
    char out[64 * 1024];
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        const qint64 got = device.read(in.data(), in.size());
        if (got <= 0)
            break;
        stream.next_in = reinterpret_cast<Bytef *>(in.data());
        stream.avail_in = uInt(got);
        while (stream.avail_in > 0 && status != Z_STREAM_END) {
            stream.next_out = reinterpret_cast<Bytef *>(out);
            stream.avail_out = sizeof out;
            status = inflate(&stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END) {
                inflateEnd(&stream);
                return std::nullopt;
            }
            text.append(out, qsizetype(sizeof out - stream.avail_out));
            // Counted as it inflates: a bomb is stopped at the bound, not at its end.
            if (text.size() > limit) {
                inflateEnd(&stream);
                return std::nullopt;
            }
        }
    }
    inflateEnd(&stream);
    return text;
}

} // namespace

bool mayBeSvg(QIODevice &device)
{
    const QByteArray head = device.peek(4096);
    return head.startsWith("\x1f\x8b") || head.contains("<svg");
}

bool svgWithinBounds(QIODevice &device, const SvgBounds &bounds)
{
    const std::optional<QByteArray> text = textOf(device, bounds.bytes);
    device.seek(0);
    if (!text)
        return false;
    if (text->count("<image") > bounds.pictures)
        return false;
    // The pictures it holds, by their headers only.
    qint64 pixels = 0;
    for (qsizetype at = text->indexOf("data:image/"); at >= 0; at = text->indexOf("data:image/", at + 1)) {
        const qsizetype comma = text->indexOf(',', at);
        if (comma < 0 || !text->mid(at, comma - at).contains("base64"))
            continue;
        qsizetype end = comma + 1;
        while (end < text->size() && text->at(end) != '"' && text->at(end) != '\'' && text->at(end) != ')')
            ++end;
        QByteArray picture = QByteArray::fromBase64(text->mid(comma + 1, end - comma - 1));
        QBuffer buffer(&picture);
        buffer.open(QIODevice::ReadOnly);
        const QSize size = QImageReader(&buffer).size();
        pixels += size.isValid() ? qint64(size.width()) * size.height() : 0;
        if (pixels > bounds.picturePixels)
            return false;
    }
    return true;
}

} // namespace picture
