#pragma once

#include "folders/folders.h"

#include <QObject>
#include <QThreadPool>

#include <memory>

namespace folders {

// Reads a folder again off the window's thread: a folder of 300,000 files
// takes a second to read and sort, which the window must not wait for. Only
// the newest request is answered; the worker holds copies only.
class FolderReader final : public QObject
{
    Q_OBJECT
public:
    explicit FolderReader(QObject *parent = nullptr);
    // Waits for a read under way: it only reads names.
    ~FolderReader() override;

    void read(const QString &folder);
    bool isReading() const { return m_pending > 0; }

signals:
    // The folder as it is now; null when it can no longer be read.
    void done(const QString &folder, std::shared_ptr<const FolderContents> contents);

private:
    QThreadPool m_pool;
    quint64 m_latest = 0;
    int m_pending = 0;
};

} // namespace folders
