#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

namespace qthost {

// Watches the folder the lists show and tells when its files or subfolders
// may have changed, once the changes have settled (a copy of many files is
// one change, not one per file).
class FolderWatch final : public QObject
{
    Q_OBJECT
public:
    static constexpr int SettleMs = 200;

    FolderWatch(std::function<void()> changed, QObject *parent);
    // Watches `folder` (internal form) instead of the one before.
    void watch(const QString &folder);

private:
    std::function<void()> m_changed;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

} // namespace qthost
