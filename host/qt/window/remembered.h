#pragma once

// What the window remembers between starts beyond the history: its size
// and state, the tick of 「その他の画像形式」, the folders chosen for
// moving and copying, the file list's order, RAW+JPEG pairs and the thumbnails. Kept in the user's configuration folder, never in
// Rireki.dat, which holds the history alone.

#include <QByteArray>
#include <QSettings>
#include <QStringList>

namespace qthost {

class RememberedSettings
{
public:
    // The settings in `file` (created when first saved).
    explicit RememberedSettings(const QString &file);
    // Where the program keeps them: $XDG_CONFIG_HOME/Zelvoviewer/settings.conf.
    static QString defaultFile();

    QByteArray windowGeometry() const;
    void setWindowGeometry(const QByteArray &geometry);
    bool otherFormats() const;
    void setOtherFormats(bool ticked);
    // Most recent first.
    QStringList chosenFolders() const;
    void setChosenFolders(const QStringList &folders);
    // The file list's order, as sortOrderName names it.
    QString sortOrder() const;
    void setSortOrder(const QString &order);
    // RAW+JPEG pairs: "processed" (the JPEG stands for the pair), "raw", or
    // empty (apart).
    QString pairs() const;
    void setPairs(const QString &pairs);
    // Whether the strip of thumbnails shows under the picture.
    bool thumbnailStrip() const;
    void setThumbnailStrip(bool shown);
    // The grid's tiles' side in pixels; 0 when never chosen.
    int gridTileSide() const;
    void setGridTileSide(int side);
    // Written to the disk; false when it could not be.
    bool save();

private:
    QSettings m_settings;
};

} // namespace qthost
