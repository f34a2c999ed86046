#pragma once

#include <QImage>
#include <QMovie>
#include <QWidget>

#include <memory>

namespace qthost {

// Paints one picture: shrunk to fit keeping its aspect ratio when it is
// larger than the view, at its own size otherwise, centred. JPEG orientation
// tags are honoured; an animated GIF plays.
class ImageView final : public QWidget
{
    Q_OBJECT
public:
    explicit ImageView(QWidget *parent);

    // False when the file is not a picture that can be decoded.
    bool load(const QString &path);
    void clear();

    QSize pictureSize() const { return m_fullSize; } // after orientation
    QSize decodedSize() const;
    bool isAnimated() const { return m_movie != nullptr; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool decodeToFit();

    QString m_path;
    QSize m_fullSize;
    QImage m_image;
    std::unique_ptr<QMovie> m_movie;
};

} // namespace qthost
