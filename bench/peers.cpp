#include "peers.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

std::vector<Peer> installedPeers()
{
    const std::vector<Peer> known{
        // At 100 % a photo larger than the screen would show its top left corner only.
        {QStringLiteral("feh"), QStringLiteral("feh"), {QStringLiteral("--scale-down")}},
        {QStringLiteral("qimgv"), QStringLiteral("qimgv"), {}},
        {QStringLiteral("geeqie"), QStringLiteral("geeqie"), {}},
        {QStringLiteral("gThumb"), QStringLiteral("gthumb"), {}},
    };
    std::vector<Peer> found;
    for (const Peer &peer : known) {
        const QString path = QStandardPaths::findExecutable(peer.program);
        if (!path.isEmpty())
            found.push_back({peer.name, path, peer.options});
    }
    return found;
}

PeerProcess::PeerProcess(const Peer &peer, const QString &photo)
{
    const QFileInfo file(photo);
    m_process.setWorkingDirectory(file.absolutePath());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_started = Clock::now();
    m_process.start(peer.program, peer.options + QStringList{file.absoluteFilePath()});
    m_process.waitForStarted();
}

PeerProcess::~PeerProcess()
{
    m_process.kill();
    m_process.waitForFinished();
}

std::optional<ShownAt> whereShown(XScreen &x, const Peer &peer, const QString &photo, const QList<QColor> &colours,
                                  double aspect, int milliseconds)
{
    PeerProcess process(peer, photo);
    std::vector<std::optional<QRect>> last(size_t(colours.size()));
    while (millisecondsSince(process.started()) < milliseconds) {
        for (qsizetype c = 0; c < colours.size(); ++c) {
            const std::optional<QRect> area = x.area(colours[c], 4, aspect);
            // Settled: the same area twice, half a second apart (a window still
            // being placed or a picture still being scaled moves it).
            if (area && last[size_t(c)] == area && area->width() >= 8 && area->height() >= 8)
                return ShownAt{area->center(), colours[c]};
            last[size_t(c)] = area;
        }
        QThread::msleep(500);
    }
    return std::nullopt;
}
