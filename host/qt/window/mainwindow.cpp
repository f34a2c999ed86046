#include "host/qt/window/mainwindow.h"
#include "host/qt/base/dispatch.h"

#include "host/qt/window/menus.h"
#include "host/qt/base/twips.h"

#include <QCloseEvent>
#include <QCursor>

#include <algorithm>

namespace qthost {

MainWindow::MainWindow() = default;

void MainWindow::attach(host::Events *events, Menus *menus, QWidget *statusBar)
{
    m_events = events;
    m_menus = menus;
    m_statusBar = statusBar;
    placeStatusBar();
}

void MainWindow::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    if (m_events)
        dispatch([this] { m_events->Form_Load(); });
}

host::Twips MainWindow::width() const
{
    const int frame = frameGeometry().width() - QWidget::width();
    return toTwips(QWidget::width() + std::min(frame, FrameAcrossPixels));
}

host::Twips MainWindow::height() const
{
    const int frame = frameGeometry().height() - QWidget::height();
    return toTwips(QWidget::height() + std::min(frame, FrameDownPixels));
}

void MainWindow::popupMenu(host::MenuId menu, int)
{
    // Either mouse button may choose an item in a Qt popup, which is what
    // the right-button flag asks for.
    const bool fromKeyboard = m_nextPopupAt.has_value();
    const QPoint at = m_nextPopupAt.value_or(QCursor::pos());
    m_nextPopupAt.reset();
    if (m_menus)
        m_menus->popup(menu, at, m_events, fromKeyboard);
}

void MainWindow::placeStatusBar()
{
    if (!m_statusBar)
        return;
    const int barHeight = m_statusBar->height();
    m_statusBar->setGeometry(0, QWidget::height() - barHeight, QWidget::width(), barHeight);
}

void MainWindow::raiseResize()
{
    m_reportedFrame = frameGeometry().size();
    if (m_loaded && m_events)
        dispatch([this] { m_events->Form_Resize(); });
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // The window manager adds its frame after the first showing: the outer
    // size changes although the client area does not.
    if (isVisible() && frameGeometry().size() != m_reportedFrame)
        raiseResize();
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // On Wayland the window draws its own frame (a client-side decoration),
    // which it gets only once it is first painted: no move or resize tells
    // of it, and a layout of the first showing would leave a frame's height
    // below the lists. Raised after the painting, not within it.
    if (isVisible() && frameGeometry().size() != m_reportedFrame) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (frameGeometry().size() != m_reportedFrame)
                    raiseResize();
            },
            Qt::QueuedConnection);
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeStatusBar();
    raiseResize();
}

void MainWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // Minimising and restoring change no pixel size, so Qt sends no resize.
    const bool minimized = isMinimized();
    if (minimized || m_wasMinimized)
        raiseResize();
    m_wasMinimized = minimized;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        emit closing();
        if (m_events)
            dispatch([this] { m_events->Form_Unload(); });
    }
    event->accept();
}

} // namespace qthost
