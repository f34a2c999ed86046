#include "host/qt/actions/actionwindow.h"

#include "common/texts.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>

namespace qthost {

HostActionWindow::HostActionWindow(host::Host &host, QWidget *window, QAbstractItemView *fileList)
    : m_host(host), m_window(window), m_fileList(fileList)
{
}

QString HostActionWindow::chosenFile() const
{
    const QString name = m_host.file1().fileName();
    return name.isEmpty() ? QString() : platform::joinFolder(QDir::fromNativeSeparators(m_host.file1().path()), name);
}

QStringList HostActionWindow::chosenFiles() const
{
    const QStringList selected = m_selected ? m_selected() : QStringList();
    if (selected.size() > 1)
        return selected;
    return FileActions::Window::chosenFiles();
}

QString HostActionWindow::shownFolder() const
{
    return QDir::fromNativeSeparators(m_host.dir1().path());
}

QStringList HostActionWindow::recentFolders() const
{
    QStringList folders;
    for (int index = 1; index <= 10; ++index) {
        const QString caption = m_host.menuItem(host::MenuItemId::Rireki, index).caption();
        if (caption.isEmpty() || caption.front() == texts::PlaceholderMark)
            continue;
        const QString folder = QDir::fromNativeSeparators(caption);
        const std::optional<platform::FileStamp> stamp = platform::fileStamp(folder);
        if (folder != shownFolder() && !folders.contains(folder) && stamp && stamp->folder)
            folders.append(folder);
    }
    return folders;
}

QPoint HostActionWindow::keyboardPopupPosition() const
{
    QWidget *focus = QApplication::focusWidget();
    if (focus == m_fileList) {
        const QRect row = m_fileList->visualRect(m_fileList->currentIndex());
        if (row.isValid())
            return m_fileList->viewport()->mapToGlobal(QPoint(row.left() + 8, row.bottom()));
    }
    const QWidget *over = focus ? focus : m_window;
    return over->mapToGlobal(over->rect().center());
}

} // namespace qthost
