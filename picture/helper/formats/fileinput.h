#pragma once

// A picture file's bytes as a library that wants them all at once reads
// them: mapped, not read, when the device is a file, so that a large file
// costs address space, not memory, and is never read twice.

#include <QByteArray>
#include <QIODevice>

namespace picture {

// A device standing for a file that the decode may stop reading: the file
// behind it, for mapping, and whether the decode is still wanted, for a
// decoder that works on the mapping without reading.
class FileBehind
{
public:
    virtual ~FileBehind() = default;
    virtual QIODevice &file() = 0;
    virtual bool cancelled() const = 0;
};

class FileInput
{
public:
    // The whole content of `device`, at most `maxBytes` (empty: none, or
    // more than that).
    FileInput(QIODevice *device, qint64 maxBytes);
    const uchar *data() const { return m_data; }
    qint64 size() const { return m_size; }
    bool isEmpty() const { return m_size <= 0; }

private:
    QByteArray m_read;
    const uchar *m_data = nullptr;
    qint64 m_size = 0;
};

} // namespace picture
