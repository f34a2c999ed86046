#pragma once

// Pictures decoded to fit the viewer, kept for a few screenfuls so that
// stepping back and forth shows them at once.

#include "picture/wire/decoding.h"

#include <QCache>

namespace picture {

class PictureCache
{
public:
    // The key of the file as it is on disk now: its path, identity, length
    // and times, the status-change time included (a file rewritten on disk is
    // another picture, even with its old modification time put back), and
    // the size it is fitted to. Empty when it is not a regular file.
    static QString key(const QString &path, QSize bounds);

    // Null when not kept.
    const DecodedPicture *find(const QString &key) const;
    void insert(const QString &key, const DecodedPicture &picture);
    // Bytes of pixels kept at most; the least recently used go first.
    void setBudget(qint64 bytes) { m_pictures.setMaxCost(bytes); }
    qint64 bytes() const { return m_pictures.totalCost(); }
    void clear() { m_pictures.clear(); }

private:
    QCache<QString, DecodedPicture> m_pictures;
};

} // namespace picture
