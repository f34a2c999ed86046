#pragma once

// When a folder's photos were taken, for sorting by it: read in the helpers
// (exiv2 parses the files there, never here), in the background and in
// parallel, and remembered by the file's identity (device, inode, size,
// modification time), so that a renamed or moved photo is not read again
// and a rewritten one is.

#include "picture/window/decodequeue.h"
#include "platform/platform.h"

#include <QHash>
#include <QObject>

#include <map>
#include <optional>

namespace picture {

class TakenDates final : public QObject
{
    Q_OBJECT
public:
    explicit TakenDates(DecodeQueue &queue, QObject *parent = nullptr);
    ~TakenDates() override;

    struct Taken
    {
        bool known = false;           // read already; else it is asked for now
        std::optional<qint64> msecs;  // since the epoch; none when the file says no date
    };
    // What is known of the file as it is now; asks the helpers when nothing is.
    Taken taken(const QString &path);
    // Stops asking for what has not come in yet.
    void forgetAsked();
    int asked() const { return int(m_asked.size()); }

signals:
    // Every date asked for is in.
    void arrived();

private:
    struct Identity
    {
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedNs = 0;
        bool operator==(const Identity &) const = default;
    };
    friend size_t qHash(const Identity &identity, size_t seed = 0)
    {
        return qHashMulti(seed, identity.device, identity.inode, identity.size, identity.modifiedNs);
    }
    static Identity identityOf(const platform::FileStamp &stamp)
    {
        return {stamp.device, stamp.inode, stamp.size, stamp.modifiedNs};
    }

    DecodeQueue &m_queue;
    QHash<Identity, std::optional<qint64>> m_known;
    std::map<QString, DecodeQueue::Ticket> m_asked;
};

// "2024-07-14 10:03:22" with its offset ("+09:00", or none: the local
// time), in milliseconds since the epoch; none when it is no date.
std::optional<qint64> takenMsecs(const QString &taken, const QString &offset);

} // namespace picture
