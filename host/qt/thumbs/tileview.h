#pragma once

#include "common/marks.h"

#include <QListView>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace picture {
class DecodeQueue;
class Thumbnails;
}

namespace qthost {

class TileModel;

// What the strip and the grid of thumbnails share: the file list's files in
// its order as tiles, the file list's choice shown without a word to screen
// readers, the user's own choice told (`chosen`), entering naming the tile
// the user is on, and thumbnails asked for only while shown: the tiles on
// the screen first, then the rest of the folder.
class TileView : public QListView
{
    Q_OBJECT
public:
    // Tiles of `tile` device pixels, made at `made` for the shared cache.
    TileView(QWidget *parent, picture::DecodeQueue &queue, int tile, int made);
    ~TileView() override;

    // The files of `folder` (internal form), in the file list's order; the
    // file chosen stays chosen.
    void setFiles(const QString &folder, const QStringList &names);
    // Highlights the row the file list has chosen (-1: none) and keeps it in
    // view; raises no `chosen`. A row among several the user has selected
    // keeps them selected.
    void setChosen(int row);
    // The files the user has selected, in the list's order (the grid takes
    // several with Shift and Ctrl; the strip one).
    QStringList selectedPaths() const;
    // The folder was read again: files changed on the disk get new tiles.
    void refreshed();
    // The photos' marks, on their tiles (shown again by marksChanged).
    void setMarksOf(std::function<std::optional<marks::Marks>(const QString &path)> marksOf);
    void marksChanged();
    picture::Thumbnails &thumbnails() { return *m_thumbnails; }

signals:
    // The user chose the row here.
    void chosen(int row);
    // How many files are selected, once the user has changed it.
    void selectedCountChanged(int count);

protected:
    // The rows on the screen, first and last.
    virtual std::pair<int, int> rowsOnScreen() const = 0;
    void askVisible();

    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    // While the user's own click or key is being taken in, the view's choice
    // is the user's: the file list following it leaves the selection alone.
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyboardSearch(const QString &) override {}

private:
    std::unique_ptr<picture::Thumbnails> m_thumbnails;
    TileModel *m_model;
    bool m_quiet = false;
    bool m_usersMove = false;
};

} // namespace qthost
