#pragma once

#include <QWidget>

namespace picture {
class DecodeQueue;
class PictureCache;
}

namespace qthost {

class PictureView;

// The picture alone on the whole screen; Esc asks to leave (so do F11 and a
// double-click, through the picture view).
class FullScreenWindow final : public QWidget
{
    Q_OBJECT
public:
    FullScreenWindow(picture::DecodeQueue &queue, picture::PictureCache &cache);
    PictureView *view() const { return m_view; }

signals:
    void leaveAsked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    PictureView *m_view;
};

} // namespace qthost
