#include "host/qt/imageview.h"

#include <QImageReader>
#include <QPainter>

namespace qthost {
namespace {

QSize fitWithin(QSize size, QSize bounds)
{
    if (size.width() <= bounds.width() && size.height() <= bounds.height())
        return size;
    return size.scaled(bounds.expandedTo(QSize(1, 1)), Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

} // namespace

ImageView::ImageView(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void ImageView::clear()
{
    m_movie.reset();
    m_image = QImage();
    m_path.clear();
    m_fullSize = QSize();
    update();
}

bool ImageView::load(const QString &path)
{
    clear();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return false;

    if (reader.supportsAnimation() && reader.imageCount() != 1) {
        auto movie = std::make_unique<QMovie>(path);
        if (movie->isValid()) {
            m_movie = std::move(movie);
            m_path = path;
            connect(m_movie.get(), &QMovie::frameChanged, this, [this] { update(); });
            m_movie->start();
            m_fullSize = m_movie->currentImage().size();
            return true;
        }
    }
    m_path = path;
    if (!decodeToFit()) {
        m_path.clear();
        return false;
    }
    return true;
}

QSize ImageView::decodedSize() const
{
    return m_movie ? m_movie->currentImage().size() : m_image.size();
}

bool ImageView::decodeToFit()
{
    QImageReader reader(m_path);
    reader.setAutoTransform(true);
    QSize stored = reader.size();
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    m_fullSize = turned ? stored.transposed() : stored;

    // Decoding only the pixels the view can show keeps a large photo quick
    // (JPEG scales while it decodes).
    const QSize bounds = size() * devicePixelRatioF();
    if (stored.isValid() && !bounds.isEmpty()) {
        const QSize fit = fitWithin(m_fullSize, bounds);
        if (fit != m_fullSize)
            reader.setScaledSize(turned ? fit.transposed() : fit);
    }
    QImage image = reader.read();
    if (image.isNull())
        return false;
    if (!m_fullSize.isValid())
        m_fullSize = image.size();
    m_image = std::move(image);
    m_image.setDevicePixelRatio(1.0);
    update();
    return true;
}

void ImageView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_movie || m_image.isNull())
        return;
    // Decoded smaller than the view now wants: decode again.
    const QSize wanted = fitWithin(m_fullSize, size() * devicePixelRatioF());
    if (wanted.width() > m_image.width() || wanted.height() > m_image.height())
        decodeToFit();
}

void ImageView::paintEvent(QPaintEvent *)
{
    const QImage frame = m_movie ? m_movie->currentImage() : m_image;
    if (frame.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal ratio = devicePixelRatioF();
    // Logical size of the whole picture, shrunk to fit the view.
    const QSizeF logical = QSizeF(m_fullSize.isValid() ? m_fullSize : frame.size()) / ratio;
    QSizeF shown = logical;
    if (logical.width() > width() || logical.height() > height())
        shown = logical.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - shown.width()) / 2.0, (height() - shown.height()) / 2.0), shown);
    painter.drawImage(target, frame);
}

} // namespace qthost
