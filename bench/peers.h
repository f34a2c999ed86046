#pragma once

// Other photo viewers found on this machine, started on a photo as a file
// manager's "Open with" starts them, so that a first picture can be compared
// with theirs in the same rounds, on the same machine at the same moment.

#include "xscreen.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct Peer
{
    QString name;
    QString program;
    // Before the photo's path: each shows the whole photo in its window, as ours does.
    QStringList options;
};

// feh, qimgv, geeqie and gThumb, those installed (make bench installs them).
std::vector<Peer> installedPeers();

class PeerProcess
{
public:
    PeerProcess(const Peer &peer, const QString &photo);
    ~PeerProcess();
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;
    Clock::time_point started() const { return m_started; }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
    Clock::time_point m_started;
};

// Where on the screen `colour` shows once `peer` has opened `photo` (the
// middle of the 4:3 rectangle of it the benchmark's photos have), or nothing
// if it never does within `milliseconds`: a peer places its window and
// picture where it will.
std::optional<QPoint> whereShown(XScreen &x, const Peer &peer, const QString &photo, const QColor &colour,
                                 int milliseconds);
