#include "folders/folderreader.h"

namespace folders {

FolderReader::FolderReader(QObject *parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

FolderReader::~FolderReader()
{
    m_pool.waitForDone();
}

void FolderReader::read(const QString &folder)
{
    const quint64 request = ++m_latest;
    ++m_pending;
    m_pool.start([this, request, folder] {
        std::shared_ptr<const FolderContents> contents = readFolder(folder);
        // The destructor waits for the worker, so `this` outlives the call.
        QMetaObject::invokeMethod(
            this,
            [this, request, folder, contents = std::move(contents)] {
                --m_pending;
                if (request == m_latest)
                    emit done(folder, contents);
            },
            Qt::QueuedConnection);
    });
}

} // namespace folders
