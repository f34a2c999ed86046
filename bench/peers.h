#pragma once

// Other photo viewers found on this machine, started on a photo as a file
// manager's "Open with" starts them, so that a first picture can be compared
// with theirs in the same rounds, on the same machine at the same moment.

#include "xscreen.h"

#include <QColor>
#include <QList>
#include <QPoint>
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

// Where on the screen one of `colours` shows once `peer` has opened `photo`
// (the middle of the rectangle of it, about `aspect` wide to high, that the
// benchmark's photos have), and which: a peer places its window and picture
// where it will, and may or may not turn a file's colours into the
// screen's. Nothing if none shows within `milliseconds`.
struct ShownAt
{
    QPoint at;
    QColor colour;
};
std::optional<ShownAt> whereShown(XScreen &x, const Peer &peer, const QString &photo, const QList<QColor> &colours,
                                  double aspect, int milliseconds);
