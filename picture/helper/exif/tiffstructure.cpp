#include "picture/helper/exif/tiffstructure.h"

namespace picture::exif {

TiffStructure::TiffStructure(QByteArrayView data) : m_data(data)
{
    m_valid = data.size() >= 8 && (data.startsWith("II*\0") || data.startsWith("MM\0*"));
    m_little = data.startsWith("II");
}

quint16 TiffStructure::u16(qint64 at) const
{
    if (!has(at, 2))
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(m_data.data() + at);
    return m_little ? quint16(p[0] | p[1] << 8) : quint16(p[0] << 8 | p[1]);
}

quint32 TiffStructure::u32(qint64 at) const
{
    return m_little ? quint32(u16(at)) | quint32(u16(at + 2)) << 16 : quint32(u16(at)) << 16 | quint32(u16(at + 2));
}

} // namespace picture::exif
