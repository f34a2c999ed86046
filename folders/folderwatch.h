#pragma once

#include "platform/platform.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <optional>

namespace folders {

// Watches the folder the lists show and tells when its files or subfolders
// may have changed: once the changes have settled (a copy of many files is
// one change, not one per file), but never later than MaxDelayMs after the
// first change of a burst, however long the burst goes on. When the system
// refuses a watch (its inotify watches used up), the folder's modification
// time is polled instead.
class FolderWatch final : public QObject
{
    Q_OBJECT
public:
    static constexpr int SettleMs = 200;
    static constexpr int MaxDelayMs = 500;
    static constexpr int PollMs = 1000;

    // Refuse stands for a system whose watches are used up.
    enum class Native { Use, Refuse };

    explicit FolderWatch(QObject *parent, Native native = Native::Use);
    // Watches `folder` (internal form) instead of the one before; watches it
    // afresh when it is another folder under the same name (removed and made
    // again), whose old watch no longer sees anything.
    void watch(const QString &folder);
    bool isPolling() const { return m_poll.isActive(); }
    // While held, changes are not told (they are told once released).
    void setHeld(bool held);

signals:
    void changed();

private:
    void noteChange();
    void tell();
    void poll();

    Native m_native;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_deadline;
    QTimer m_poll;
    QString m_folder;
    std::optional<platform::FileStamp> m_stamp;
    bool m_held = false;
    bool m_missed = false;
};

} // namespace folders
