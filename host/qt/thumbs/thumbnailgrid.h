#pragma once

#include <QListView>

#include <memory>

namespace picture {
class DecodeQueue;
class Thumbnails;
}

namespace qthost {

class TileModel;
class TileDelegate;

// The folder's thumbnails in a grid, in the file list's order, in place of
// the picture (Ctrl+G, G on the picture). Moving in it chooses the file as
// the file list does, so that the path box, the status line and the file
// actions follow; Enter or a double-click opens the photo, Esc or Ctrl+G
// goes back. Tiles from 96 to 512 pixels (Ctrl+wheel, + and -).
class ThumbnailGrid final : public QListView
{
    Q_OBJECT
public:
    ThumbnailGrid(QWidget *parent, picture::DecodeQueue &queue);
    ~ThumbnailGrid() override;

    void setFiles(const QString &folder, const QStringList &names);
    // The file list's choice, shown; raises no `chosen`.
    void setChosen(int row);
    void refreshed();
    // The tiles' side, in the window's pixels: one of the sizes offered.
    int tileSide() const;
    void setTileSide(int side);
    // The next size up or down; stays at either end.
    void growTiles(int steps);
    picture::Thumbnails &thumbnails() { return *m_thumbnails; }

signals:
    void chosen(int row);
    void openAsked(int row);
    void closeAsked();
    // The tiles' size changed (remembered between starts).
    void tileSideChanged(int side);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyboardSearch(const QString &) override {}

private:
    void askVisible();

    std::unique_ptr<picture::Thumbnails> m_thumbnails;
    TileModel *m_model;
    TileDelegate *m_delegate;
    bool m_quiet = false;
};

} // namespace qthost
