#include "picture/helper/formats/fileinput.h"

#include <QFileDevice>

namespace picture {

FileInput::FileInput(QIODevice *device, qint64 maxBytes)
{
    if (!device || device->isSequential() || device->size() > maxBytes || device->size() <= 0)
        return;
    QIODevice *behind = device;
    if (auto *stand = dynamic_cast<FileBehind *>(device))
        behind = &stand->file();
    // Mapped as it is; the mapping lives as long as the file stays open,
    // which is longer than any decode of it.
    if (auto *file = qobject_cast<QFileDevice *>(behind)) {
        if (uchar *mapped = file->map(0, file->size())) {
            m_data = mapped;
            m_size = file->size();
            return;
        }
    }
    const qint64 at = device->pos();
    device->seek(0);
    m_read = device->readAll();
    device->seek(at);
    m_data = reinterpret_cast<const uchar *>(m_read.constData());
    m_size = m_read.size();
}

} // namespace picture
