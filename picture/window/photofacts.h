#pragma once

// What a folder's photos say of themselves that the file list sorts and
// filters by, and shows beside their names: when each was taken and its
// marks (stars, rejected, colour label). Read in the helpers (exiv2 parses
// the files there, never here), in the background and in parallel, and
// remembered by the file's identity (device, inode, size, modification
// time) and its sidecar's, so that a renamed or moved photo is not read
// again and a rewritten one is.

#include "picture/window/decodequeue.h"
#include "platform/platform.h"

#include <QHash>
#include <QObject>

#include <map>
#include <optional>

namespace picture {

class PhotoFacts final : public QObject
{
    Q_OBJECT
public:
    explicit PhotoFacts(DecodeQueue &queue, QObject *parent = nullptr);
    ~PhotoFacts() override;

    struct Facts
    {
        std::optional<qint64> taken; // ms since the epoch; none when the file says no date
        marks::Marks marks;
    };
    // What is known of the file as it is now; nullopt while nothing is, and
    // then it is asked for. A file that is not a regular one says nothing.
    std::optional<Facts> facts(const QString &path);
    std::optional<qint64> taken(const QString &path);
    std::optional<marks::Marks> marks(const QString &path);
    // What a decode of the file said of it (the viewer's decodes bring it
    // along), taken in without asking again.
    void learn(const QString &path, const PhotoDetails &details);
    // The marks the file has now (just written, the file or its sidecar
    // replaced): what else was known of it before stays known.
    void setMarks(const QString &path, const marks::Marks &marks);
    // Marks to say of the file while they are being written, whatever it
    // says itself (nullopt: what it says again).
    void setPending(const QString &path, const std::optional<marks::Marks> &marks);
    // Stops asking for what has not come in yet.
    void forgetAsked();
    int asked() const { return int(m_asked.size()); }

signals:
    // Everything asked for is in.
    void arrived();

private:
    struct Identity
    {
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedNs = 0;
        quint64 sidecarInode = 0;
        qint64 sidecarChangedNs = 0;
        bool operator==(const Identity &) const = default;
    };
    friend size_t qHash(const Identity &identity, size_t seed = 0)
    {
        return qHashMulti(seed, identity.device, identity.inode, identity.size, identity.modifiedNs,
                          identity.sidecarInode, identity.sidecarChangedNs);
    }
    // The file's identity, with its sidecar's (none: no sidecar).
    static std::optional<Identity> identityFrom(const std::optional<platform::FileStamp> &file,
                                                const std::optional<platform::FileStamp> &sidecar);
    static std::optional<Identity> identityOf(const QString &path);
    void remember(const QString &path, const Identity &identity, const Facts &facts);

    DecodeQueue &m_queue;
    QHash<Identity, Facts> m_known;
    QHash<QString, Identity> m_lastSeen; // what each path was when last read
    QHash<QString, marks::Marks> m_pending; // being written
    std::map<QString, DecodeQueue::Ticket> m_asked;
};

// "2024-07-14 10:03:22" with its offset ("+09:00", or none: the local
// time), in milliseconds since the epoch; none when it is no date.
std::optional<qint64> takenMsecs(const QString &taken, const QString &offset);

} // namespace picture
