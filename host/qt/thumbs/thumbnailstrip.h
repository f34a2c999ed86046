#pragma once

#include "host/qt/thumbs/tileview.h"

namespace qthost {

// The strip of thumbnails under the picture (Ctrl+B): one row, the chosen
// tile highlighted and kept in view; a click or the arrow keys choose a file
// as the file list does.
class ThumbnailStrip final : public TileView
{
    Q_OBJECT
public:
    ThumbnailStrip(QWidget *parent, picture::DecodeQueue &queue);

    // The height the strip takes under the picture.
    int stripHeight() const;

protected:
    std::pair<int, int> rowsOnScreen() const override;
    void wheelEvent(QWheelEvent *event) override;
};

} // namespace qthost
