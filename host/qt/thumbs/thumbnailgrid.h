#pragma once

#include "host/qt/thumbs/tileview.h"

namespace qthost {

class TileDelegate;

// The folder's thumbnails in a grid, in place of the picture (Ctrl+G, G on
// the picture). Moving in it chooses the file as the file list does, so that
// the path box, the status line and the file actions follow; Enter or a
// double-click opens the photo, Esc, G or Ctrl+G go back. Tiles from 96 to
// 512 pixels (Ctrl+wheel, + and -).
class ThumbnailGrid final : public TileView
{
    Q_OBJECT
public:
    ThumbnailGrid(QWidget *parent, picture::DecodeQueue &queue);

    // The tiles' side, in the window's pixels: one of the sizes offered.
    int tileSide() const;
    void setTileSide(int side);
    // The next size up or down; stays at either end.
    void growTiles(int steps);

signals:
    void openAsked(int row);
    void closeAsked();
    // The tiles' size changed (remembered between starts).
    void tileSideChanged(int side);

protected:
    std::pair<int, int> rowsOnScreen() const override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    TileDelegate *m_delegate;
};

} // namespace qthost
