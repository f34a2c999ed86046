#include "host/qt/folderwatch.h"

namespace qthost {

FolderWatch::FolderWatch(std::function<void()> changed, QObject *parent)
    : QObject(parent), m_changed(std::move(changed))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_settle, &QTimer::timeout, this, [this] { m_changed(); });
}

void FolderWatch::watch(const QString &folder)
{
    const QStringList watched = m_watcher.directories();
    if (watched == QStringList{folder})
        return;
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_settle.stop();
    m_watcher.addPath(folder);
}

} // namespace qthost
