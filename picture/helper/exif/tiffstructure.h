#pragma once

// A TIFF structure inside a block of bytes, as EXIF (a JPEG's APP1, a HEIF's
// Exif item) and MPF store one: byte order, directories of 12-byte entries.
// Every read is bounded by the block: an offset or count that points outside
// reads as 0, so a hostile block can make it wrong but never read past it.

#include <QByteArrayView>
#include <QtGlobal>

namespace picture::exif {

class TiffStructure
{
public:
    explicit TiffStructure(QByteArrayView data);
    bool isValid() const { return m_valid; }
    QByteArrayView data() const { return m_data; }
    bool has(qint64 at, qint64 length) const { return at >= 0 && length >= 0 && at + length <= m_data.size(); }
    quint16 u16(qint64 at) const;
    quint32 u32(qint64 at) const;
    quint32 firstDirectory() const { return u32(4); }

    // Calls `entry(tag, valueAt)` for each entry of the directory at `at`
    // (valueAt: where its value, or the offset of it, is); returns the next
    // directory's offset (0: none, or a directory cut short).
    template<typename Entry>
    quint32 directory(quint32 at, Entry entry) const
    {
        const quint16 count = u16(at);
        if (at == 0 || !has(qint64(at) + 2, qint64(count) * 12 + 4))
            return 0;
        for (quint16 i = 0; i < count; ++i) {
            const qint64 item = qint64(at) + 2 + qint64(i) * 12;
            entry(u16(item), item + 8);
        }
        return u32(qint64(at) + 2 + qint64(count) * 12);
    }

private:
    QByteArrayView m_data;
    bool m_valid = false;
    bool m_little = true;
};

} // namespace picture::exif
