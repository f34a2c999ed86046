#pragma once

#include <QListView>

#include <memory>

namespace picture {
class DecodeQueue;
class Thumbnails;
}

namespace qthost {

class TileModel;

// The strip of thumbnails under the picture: the file list's files in its
// order, the chosen one highlighted and kept in view. A click or the arrow
// keys choose a file as the file list does. Thumbnails are asked for only
// while the strip is shown: the tiles on the screen first, then the rest.
class ThumbnailStrip final : public QListView
{
    Q_OBJECT
public:
    ThumbnailStrip(QWidget *parent, picture::DecodeQueue &queue);
    ~ThumbnailStrip() override;

    // The files of `folder` (internal form), in the file list's order.
    void setFiles(const QString &folder, const QStringList &names);
    // Highlights the row the file list has chosen (-1: none); raises no `chosen`.
    void setChosen(int row);
    // The folder was read again: files changed on the disk get new tiles.
    void refreshed();
    // The height the strip takes under the picture.
    int stripHeight() const;
    picture::Thumbnails &thumbnails() { return *m_thumbnails; }

signals:
    // The user chose the row here.
    void chosen(int row);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void focusInEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyboardSearch(const QString &) override {}

private:
    void askVisible();

    std::unique_ptr<picture::Thumbnails> m_thumbnails;
    TileModel *m_model;
    bool m_quiet = false;
};

} // namespace qthost
