#pragma once

// The thumbnails of a folder's pictures, for the window's strip: made in the
// helpers, behind every decode the viewer asks for, and written to the
// shared cache so that every other program on the desktop has them too.
// The tiles on the screen are asked first, then the rest of the folder; the
// window keeps only so many in memory, the cache on the disk holds the rest.
// Writing an entry and shrinking a tile take a few milliseconds each, on a
// thread of their own: the window's thread only places what is finished.

#include "picture/window/decodequeue.h"
#include "platform/platform.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThreadPool>

#include <map>

namespace picture {

class Thumbnails final : public QObject
{
    Q_OBJECT
public:
    // Thumbnails are shown at most `tile` device pixels a side, and made and
    // written at the shared cache's size for `made` pixels.
    Thumbnails(DecodeQueue &queue, int tile, int made, QObject *parent = nullptr);
    ~Thumbnails() override;

    struct Tile
    {
        bool known = false; // made; else asked for when wanted
        QImage image;       // null when the picture cannot be shown
        DecodedPicture::Reason reason = DecodedPicture::Reason::None;
    };
    // What is known of the file as it was when its tile was made.
    Tile tile(const QString &path) const;
    // The files whose tiles are wanted, `first` before `rest` (which may
    // hold them again); what is no longer wanted is no longer asked for.
    void want(const QStringList &first, const QStringList &rest);
    // The file has changed on the disk (or gone): its tile is made again
    // when next wanted.
    void forget(const QString &path);
    // Forgets the tiles of files no longer as they were when made.
    void forgetChanged();
    // At most this many bytes of tiles are kept (the least recently shown go).
    void setMemoryBudget(qint64 bytes) { m_budget = bytes; }
    qint64 memoryUsed() const { return m_used; }
    // Tiles asked of the helpers, or being finished.
    int asking() const { return int(m_asking.size() + m_finishing.size()); }
    int tileSize() const { return m_tile; }
    // Tiles of another size from now on: those made so far are forgotten.
    void setSizes(int tile, int made);

signals:
    void arrived(const QString &path);

private:
    struct Known
    {
        Tile tile;
        platform::FileStamp stamp;
        std::optional<platform::FileStamp> sidecar; // its sidecar's, which may turn it
        mutable quint64 used = 0; // when last looked at, to drop the oldest
    };
    struct Asking
    {
        DecodeQueue::Ticket ticket = 0;
        platform::FileStamp stamp;
    };
    void pump();
    void made(const QString &path, const platform::FileStamp &stamp, const DecodedPicture &picture);
    void finished(const QString &path, quint64 generation, const Known &known);
    static Known finish(const QString &path, const platform::FileStamp &stamp, const DecodedPicture &picture, int tile,
                        int made);
    void keep(const QString &path, Known known);
    bool drop(const QString &path);
    void dropToBudget();

    DecodeQueue &m_queue;
    int m_tile;
    int m_made;
    QHash<QString, Known> m_known;
    std::map<QString, Asking> m_asking;
    QSet<QString> m_finishing;
    quint64 m_generation = 0; // of the sizes: tiles finished for others are dropped
    QThreadPool m_finisher;   // last: it is waited for before the rest goes
    QStringList m_wanted; // in the order asked, the first first
    qsizetype m_onScreen = 0; // how many of them are on the screen
    qsizetype m_next = 0; // where in m_wanted the next ask starts looking
    qint64 m_budget = 32 * 1024 * 1024;
    qint64 m_used = 0;
    mutable quint64 m_clock = 0;
};

} // namespace picture
