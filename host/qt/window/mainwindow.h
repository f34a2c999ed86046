#pragma once

#include "host/host.h"

#include <QWidget>

#include <optional>

namespace qthost {

class Menus;

// The window itself: raises Resize and Unload, keeps the status bar at the
// bottom edge, and opens the popup menus.
class MainWindow final : public QWidget, public host::Window
{
    Q_OBJECT
public:
    MainWindow();

    void attach(host::Events *events, Menus *menus, QWidget *statusBar);
    // Raises Load once.
    void load();

    host::Twips width() const override;
    host::Twips height() const override;
    void popupMenu(host::MenuId menu, int flags) override;

    // The next popup opens here instead of at the mouse (a popup asked for
    // from the keyboard opens at the list's current row).
    void setNextPopupPosition(QPoint globalPos) { m_nextPopupAt = globalPos; }

signals:
    // The window is closing, before Unload is raised.
    void closing();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void placeStatusBar();
    void raiseResize();

    host::Events *m_events = nullptr;
    Menus *m_menus = nullptr;
    QWidget *m_statusBar = nullptr;
    std::optional<QPoint> m_nextPopupAt;
    QSize m_reportedFrame;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_wasMinimized = false;
};

} // namespace qthost
