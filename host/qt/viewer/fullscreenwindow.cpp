#include "host/qt/viewer/fullscreenwindow.h"

#include "common/texts.h"
#include "host/qt/viewer/pictureview.h"

#include <QKeyEvent>

namespace qthost {

FullScreenWindow::FullScreenWindow(picture::DecodeQueue &queue, picture::PictureCache &cache)
    : m_view(new PictureView(this, queue, cache))
{
    setObjectName(QStringLiteral("FullScreen"));
    setWindowTitle(texts::WindowCaption);
    QPalette dark = palette();
    dark.setColor(QPalette::Base, Qt::black);
    dark.setColor(QPalette::Window, Qt::black);
    setPalette(dark);
    m_view->setObjectName(QStringLiteral("FullScreenImage"));
    m_view->setAccessibleName(texts::AccessiblePicture);
    setAccessibleName(texts::AccessibleFullScreen);
}

void FullScreenWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        emit leaveAsked();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FullScreenWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_view->setGeometry(rect());
}

} // namespace qthost
