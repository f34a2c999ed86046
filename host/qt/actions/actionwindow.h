#pragma once

#include "host/host.h"
#include "host/qt/actions/fileactions.h"

#include <functional>

class QAbstractItemView;

namespace qthost {

// What the file actions ask the window, answered from its controls through
// the host interface: the file chosen in the file list, the folder shown,
// the history's folders, where a popup opens.
class HostActionWindow final : public FileActions::Window
{
public:
    // `window` owns the popups; a popup asked for from the keyboard while
    // `fileList` has the focus opens under its current row.
    HostActionWindow(host::Host &host, QWidget *window, QAbstractItemView *fileList);

    QString chosenFile() const override;
    // Several the user selected (the window says which), else the chosen one.
    QStringList chosenFiles() const override;
    void setSelected(std::function<QStringList()> selected) { m_selected = std::move(selected); }
    QString shownFolder() const override;
    // The history's real entries that are folders now, but the one shown.
    QStringList recentFolders() const override;
    QWidget *popupParent() const override { return m_window; }
    QPoint keyboardPopupPosition() const override;

private:
    host::Host &m_host;
    QWidget *m_window;
    QAbstractItemView *m_fileList;
    std::function<QStringList()> m_selected;
};

} // namespace qthost
