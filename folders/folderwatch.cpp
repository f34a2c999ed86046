#include "folders/folderwatch.h"

#include <QFileInfo>

#include "platform/platform.h"

namespace folders {
namespace {

bool sameFolder(const std::optional<platform::FileStamp> &a, const std::optional<platform::FileStamp> &b)
{
    return a && b && a->device == b->device && a->inode == b->inode;
}

} // namespace

FolderWatch::FolderWatch(QObject *parent, Native native) : QObject(parent), m_native(native)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(MaxDelayMs);
    m_poll.setInterval(PollMs);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString &changed) {
        // The folder above tells of the shown one being renamed away, which
        // the shown folder's own watch does not report; its other changes
        // do not matter here.
        if (changed == m_folder || !sameFolder(platform::fileStamp(m_folder), m_stamp))
            noteChange();
    });
    connect(&m_settle, &QTimer::timeout, this, &FolderWatch::tell);
    connect(&m_deadline, &QTimer::timeout, this, &FolderWatch::tell);
    connect(&m_poll, &QTimer::timeout, this, &FolderWatch::poll);
}

void FolderWatch::watch(const QString &folder)
{
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(folder);
    const bool watching = m_poll.isActive() || m_watcher.directories().contains(folder);
    if (folder == m_folder && watching && sameFolder(stamp, m_stamp))
        return;
    if (const QStringList watched = m_watcher.directories(); !watched.isEmpty())
        m_watcher.removePaths(watched);
    m_settle.stop();
    m_deadline.stop();
    m_folder = folder;
    m_stamp = stamp;
    // Qt's watcher would watch a name whose bytes are not UTF-8 under another name.
    const bool nativeCan = m_native == Native::Use && !platform::keepsRawBytes(folder);
    if (folder.isEmpty() || (nativeCan && m_watcher.addPath(folder))) {
        m_poll.stop();
        const QString parent = QFileInfo(folder).path();
        if (parent != folder)
            m_watcher.addPath(parent);
    } else {
        m_poll.start();
    }
}

void FolderWatch::setHeld(bool held)
{
    m_held = held;
    if (!held && std::exchange(m_missed, false))
        emit changed();
}

void FolderWatch::noteChange()
{
    m_settle.start();
    if (!m_deadline.isActive())
        m_deadline.start();
}

void FolderWatch::tell()
{
    m_settle.stop();
    m_deadline.stop();
    if (m_held) {
        m_missed = true;
        return;
    }
    emit changed();
}

void FolderWatch::poll()
{
    // Only the folder's own times: a file added, removed or renamed moves
    // them, and one status call costs nothing even for a huge folder.
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(m_folder);
    if (stamp == m_stamp)
        return;
    m_stamp = stamp;
    noteChange();
}

} // namespace folders
