#include "host/qt/viewer/pictureview.h"

#include "common/photonames.h"
#include "common/texts.h"
#include "host/qt/base/announce.h"
#include "host/qt/base/filemime.h"
#include "host/qt/base/markbadge.h"
#include "host/qt/base/twips.h"
#include "host/qt/viewer/detailspanel.h"
#include "picture/window/animationplayer.h"
#include "picture/window/picturecache.h"

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleHints>
#include <QTimer>
#include <QTransform>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>
#include <utility>

namespace qthost {
namespace {

constexpr qreal ZoomStep = 1.25;
// Posted below a repaint's own priority, so that it comes after the paint.
const QEvent::Type FillDetails = QEvent::Type(QEvent::registerEventType());
constexpr int AfterPaint = Qt::LowEventPriority - 1;
constexpr int WheelNotch = 120; // eighths of a degree

// Where an arrow key moves over a zoomed picture; nothing for other keys.
std::optional<QPointF> panFor(int key, qreal pan)
{
    switch (key) {
    case Qt::Key_Right: return QPointF(pan, 0);
    case Qt::Key_Left: return QPointF(-pan, 0);
    case Qt::Key_Down: return QPointF(0, pan);
    case Qt::Key_Up: return QPointF(0, -pan);
    default: return std::nullopt;
    }
}

// A JPEG is decoded at the view's size in a few tens of milliseconds, soon
// after its small EXIF thumbnail could be: the one helper of a window just
// opened takes its picture first. (By its name: the window reads no bytes.)
bool isJpegName(const QString &path)
{
    const QString extension = photonames::extensionOf(QFileInfo(path).fileName());
    return extension == QLatin1String("jpg") || extension == QLatin1String("jpeg") || extension == QLatin1String("jpe")
           || extension == QLatin1String("jfif");
}

} // namespace

PictureView::PictureView(QWidget *parent, DecodeQueue &queue, PictureCache &cache)
    : QWidget(parent), m_queue(queue), m_cache(cache)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    // Two key repeats without a key: a held key has been let go.
    const int repeats = std::max(1, QGuiApplication::styleHints()->keyboardAutoRepeatRate());
    m_settle->setInterval(std::max(50, 2000 / repeats));
    connect(m_settle, &QTimer::timeout, this, &PictureView::keysLetGo);
}

PictureView::~PictureView()
{
    dropPendingUpTo(m_sequence + 1);
    if (m_refit)
        m_queue.cancel(*m_refit);
    if (m_detailTicket)
        m_queue.cancel(*m_detailTicket);
    if (m_previewTicket)
        m_queue.cancel(*m_previewTicket);
    if (m_earlyDetailsTicket)
        m_queue.cancel(*m_earlyDetailsTicket);
}

QSizeF PictureView::area() const
{
    const int beside = detailsOpen() && m_detailsBeside ? m_detailsPanel->width() : 0;
    return QSizeF(std::max(0, width() - beside), height());
}

bool PictureView::detailsOpen() const
{
    return m_detailsPanel && !m_detailsPanel->isHidden();
}

void PictureView::setDetailsOpen(bool open, bool overlay)
{
    if (open == detailsOpen() && (!open || overlay != !m_detailsBeside))
        return;
    if (open && !m_detailsPanel) {
        m_detailsPanel = new DetailsPanel(this, overlay);
        connect(m_detailsPanel, &DetailsPanel::closeAsked, this, &PictureView::detailsAsked);
    }
    m_detailsBeside = !overlay;
    if (m_detailsPanel)
        m_detailsPanel->setVisible(open);
    placeDetails();
    updateDetails();
    // The picture fits what is left of the view.
    clampCentre();
    refit();
    requestDetail();
    update();
}

void PictureView::placeDetails()
{
    if (!m_detailsPanel)
        return;
    // Less than half of a narrow view, so that the picture keeps the rest.
    const int panelWidth = std::clamp(width() * 45 / 100, std::min(200, width()), DetailsPanel::Width);
    m_detailsPanel->setGeometry(width() - panelWidth, 0, panelWidth, height());
}

ShownDetails PictureView::shownDetails() const
{
    ShownDetails shown;
    // The file chosen last, once what it says is read, while its picture is
    // on the way; else the picture on screen.
    const bool early = !m_earlyDetails.first.isEmpty() && m_earlyDetails.first == m_requested
                       && (m_requested != m_path || (m_details.isEmpty() && m_details.format.isEmpty()));
    if (early) {
        shown.path = m_requested;
        shown.details = m_earlyDetails.second;
        if (m_requested == m_path)
            shown.pixels = m_full; // its preview's size is the picture's
    } else {
        if (m_path.isEmpty())
            return shown;
        shown.path = m_path;
        shown.details = m_details;
        shown.pixels = m_full;
        shown.colourName = m_colourName;
    }
    // Its marks as the window knows them now (written since it was decoded).
    if (shown.path == m_path)
        shown.details.marks = shownMarks();
    // The window's own look at the file, as its status bar has.
    const QFileInfo file(shown.path);
    if (file.exists())
        shown.fileBytes = file.size();
    return shown;
}

void PictureView::updateDetails()
{
    m_detailsDue = false;
    if (detailsOpen())
        m_detailsPanel->setDetails(shownDetails());
}

void PictureView::updateDetailsAfterPaint()
{
    // A step's pixels do not wait for the panel's text: filling it takes
    // about half a millisecond, and a step filled it up to three times.
    if (!detailsOpen() || std::exchange(m_detailsDue, true))
        return;
    QCoreApplication::postEvent(this, new QEvent(FillDetails), AfterPaint);
}

bool PictureView::event(QEvent *event)
{
    if (event->type() == FillDetails) {
        if (m_detailsDue)
            updateDetails();
        return true;
    }
    return QWidget::event(event);
}

void PictureView::step(Step step)
{
    emit stepAsked(step);
}

QSize PictureView::fitBounds() const
{
    return (area() * devicePixelRatioF()).toSize();
}

QSize PictureView::requestBounds() const
{
    // A window not yet exposed has no frame yet; once the window manager
    // adds one, the layout gives the view what the frame did not take, and
    // the picture would be decoded a second time for it.
    const QWindow *shown = window()->windowHandle();
    if (shown && shown->isExposed())
        return fitBounds();
    return fitBounds() + (QSizeF(FrameAcrossPixels, FrameDownPixels) * devicePixelRatioF()).toSize();
}

void PictureView::setKeysLetGoAfter(int milliseconds)
{
    m_settle->setInterval(milliseconds);
}

void PictureView::keysLetGo()
{
    if (m_sharpDeferred == 0 || m_sharpDeferred != m_sequence)
        return;
    m_settle->stop();
    askSharp(std::exchange(m_sharpDeferred, 0), m_requested);
}

void PictureView::showFile(const QString &path)
{
    const quint64 sequence = ++m_sequence;
    m_requested = path;
    // The photo chosen before is not on the screen sharp yet (its picture is
    // on its way, or only its preview shows, or it waits for the keys to
    // stop): keys come faster than pictures are decoded (a held key, a slow
    // photo).
    const bool keysAhead = !m_pending.empty() || m_isPreview || m_sharpDeferred != 0;
    m_settle->stop();
    m_sharpDeferred = 0;
    const QString key = PictureCache::key(path, fitBounds());
    if (const DecodedPicture *cached = m_cache.find(key)) {
        dropPendingUpTo(sequence);
        adopt(sequence, path, *cached);
        return;
    }
    // The newest decode already running goes on, so that a held key still
    // shows pictures on the way; every other earlier one is dropped.
    bool keptOne = false;
    for (auto pending = m_pending.rbegin(); pending != m_pending.rend(); ++pending) {
        if (!keptOne && m_queue.isRunning(pending->ticket)) {
            keptOne = true;
            continue;
        }
        m_queue.cancel(pending->ticket);
        pending->ticket = 0;
    }
    std::erase_if(m_pending, [](const Pending &pending) { return pending.ticket == 0; });
    // With the panel open, what the file says is read on its own too (it
    // takes a few milliseconds): a big HEIC takes far longer to decode, and
    // the panel follows the chosen file at once. Asked after the preview, it
    // never holds a helper the preview could have had; but a camera RAW's
    // preview is its full-size JPEG, as slow as a picture.
    if (m_earlyDetailsTicket)
        m_queue.cancel(*std::exchange(m_earlyDetailsTicket, std::nullopt));
    m_earlyDetails = {};
    const bool detailsBeforePreview = photonames::isRaw(QFileInfo(path).fileName());
    if (detailsBeforePreview)
        askDetails(path);
    // One step: the picture is asked for first, so that it never waits for
    // its preview; but where one helper at most is ready (the window has
    // just opened), that helper shows the preview first, a few milliseconds,
    // unless the picture is a JPEG's, nearly as quick.
    // Keys ahead of the pictures: the preview only, for now; a sharp decode
    // of each photo on the way would be stopped by the next key, and would
    // hold the helpers the previews need.
    if (keysAhead) {
        m_sharpDeferred = sequence;
        askPreview(sequence, path);
        // Counted from the key, not from its preview: the preview is decoded
        // while the keys may still come, not before the wait for them starts.
        m_settle->start();
    } else if (m_queue.readyHelpers() < 2 && !isJpegName(path)) {
        askPreview(sequence, path);
        askSharp(sequence, path);
    } else {
        askSharp(sequence, path);
        askPreview(sequence, path);
    }
    if (!detailsBeforePreview)
        askDetails(path);
}

void PictureView::askDetails(const QString &path)
{
    if (!detailsOpen())
        return;
    m_earlyDetailsTicket = m_queue.decode(DecodeRequest::detailsOf(path), DecodeQueue::Priority::Shown, this,
                                          [this, path](const DecodedPicture &read) {
                                              m_earlyDetailsTicket.reset();
                                              if (path != m_requested)
                                                  return;
                                              m_earlyDetails = {path, read.details};
                                              updateDetails();
                                          });
}

void PictureView::askPreview(quint64 sequence, const QString &path)
{
    if (m_previewTicket)
        m_queue.cancel(*m_previewTicket);
    m_previewTicket = m_queue.decode(DecodeRequest::previewOf(path, requestBounds()), DecodeQueue::Priority::Shown, this,
                                     [this, sequence, path](const DecodedPicture &preview) {
                                         m_previewTicket.reset();
                                         previewed(sequence, path, preview);
                                         // Without a preview to show there is nothing to wait for.
                                         if (m_sharpDeferred == sequence && !(m_isPreview && m_path == path))
                                             keysLetGo();
                                     });
}

void PictureView::askSharp(quint64 sequence, const QString &path)
{
    const QString key = PictureCache::key(path, fitBounds());
    const DecodeQueue::Ticket ticket = m_queue.decode(
        DecodeRequest::shown(path, requestBounds()), DecodeQueue::Priority::Shown, this,
        [this, sequence, path, key](const DecodedPicture &picture) { received(sequence, path, key, picture); });
    m_pending.push_back({sequence, ticket});
}

void PictureView::clear()
{
    m_settle->stop();
    m_sharpDeferred = 0;
    dropPendingUpTo(++m_sequence);
    m_shownSequence = m_sequence;
    m_requested.clear();
    m_path.clear();
    m_full = QSize();
    dropPicture();
    m_details = {};
    m_colourName.clear();
    updateDetails();
    update();
}

void PictureView::dropPicture()
{
    m_fitted = QImage();
    m_shownStamp.reset();
    m_isPreview = false;
    if (m_previewTicket)
        m_queue.cancel(*std::exchange(m_previewTicket, std::nullopt));
    delete std::exchange(m_animation, nullptr);
    m_zoom.reset();
    dropDetail();
    if (m_refit)
        m_queue.cancel(*std::exchange(m_refit, std::nullopt));
}

void PictureView::cannotDisplay(const QString &path, DecodedPicture::Reason reason)
{
    clear();
    emit cannotShow(path, int(reason));
}

void PictureView::dropPendingUpTo(quint64 sequence)
{
    std::erase_if(m_pending, [this, sequence](const Pending &pending) {
        if (pending.sequence >= sequence)
            return false;
        m_queue.cancel(pending.ticket);
        return true;
    });
}

void PictureView::received(quint64 sequence, const QString &path, const QString &key, const DecodedPicture &picture)
{
    std::erase_if(m_pending, [sequence](const Pending &pending) { return pending.sequence == sequence; });
    m_cache.insert(key, picture);
    if (sequence <= m_shownSequence)
        return; // something asked for later is on screen already
    switch (picture.status) {
    case DecodedPicture::Status::Decoded:
        dropPendingUpTo(sequence);
        adopt(sequence, path, picture);
        break;
    case DecodedPicture::Status::Animated:
        // Its first frame at once, as a still; the others follow.
        dropPendingUpTo(sequence);
        adopt(sequence, path, picture);
        if (sequence == m_sequence)
            playAnimation(path, picture);
        break;
    case DecodedPicture::Status::CannotDisplay:
        if (sequence == m_sequence)
            cannotDisplay(path, picture.reason);
        break;
    case DecodedPicture::Status::Cancelled:
    case DecodedPicture::Status::Rewritten: break;
    }
}

void PictureView::adopt(quint64 sequence, const QString &path, const DecodedPicture &picture)
{
    // A picture shown on the way keeps the preview asked for the file chosen since.
    const std::optional<DecodeQueue::Ticket> preview =
        sequence < m_sequence ? std::exchange(m_previewTicket, std::nullopt) : std::nullopt;
    dropPicture();
    m_previewTicket = preview;
    m_shownSequence = sequence;
    m_path = path;
    m_full = picture.fullSize;
    m_fitted = picture.image;
    m_shownStamp = platform::fileStamp(path);
    m_details = picture.details;
    m_colourName = picture.colourName;
    updateDetailsAfterPaint();
    update();
    if (sequence == m_sequence)
        emit pictureShown(path);
    refit(); // the view may have grown since the decode was asked for
}

void PictureView::previewed(quint64 sequence, const QString &path, const DecodedPicture &preview)
{
    // Only while its picture is on the way and nothing later has been asked for.
    if (sequence != m_sequence || sequence <= m_shownSequence || preview.status != DecodedPicture::Status::Decoded)
        return;
    dropPendingUpTo(sequence); // what was asked before never replaces it
    dropPicture();
    m_path = path;
    m_full = preview.fullSize;
    m_fitted = preview.image;
    m_isPreview = true;
    // The file's preview says nothing of the photo: its details come with the picture.
    m_details = {};
    m_colourName.clear();
    updateDetailsAfterPaint();
    update();
    emit previewShown(path, pictureRect());
}

void PictureView::playAnimation(const QString &path, const DecodedPicture &first)
{
    m_animation = new picture::AnimationPlayer(path, fitBounds(), m_queue.screenColours(), first.delayMs, first.loops,
                                               m_queue.helperOptions(), this);
    connect(m_animation, &picture::AnimationPlayer::frameReady, this, [this](const QImage &frame) {
        m_fitted = frame;
        update();
    });
}

void PictureView::refit()
{
    // An animation's frames are fitted by its player; a preview is replaced
    // by its picture, already asked for.
    if (m_fitted.isNull() || m_animation || m_isPreview)
        return;
    const QSize wanted = picture::fitWithin(m_full, fitBounds());
    if (wanted.width() <= m_fitted.width() && wanted.height() <= m_fitted.height())
        return;
    const QString key = PictureCache::key(m_path, fitBounds());
    if (const DecodedPicture *cached = m_cache.find(key)) {
        m_fitted = cached->image;
        update();
        return;
    }
    if (m_refit)
        m_queue.cancel(*m_refit);
    const QString path = m_path;
    m_refit = m_queue.decode(DecodeRequest::shown(path, fitBounds()), DecodeQueue::Priority::Shown, this,
                             [this, path, key](const DecodedPicture &picture) {
                                 m_refit.reset();
                                 m_cache.insert(key, picture);
                                 if (path != m_path || picture.status != DecodedPicture::Status::Decoded)
                                     return;
                                 m_fitted = picture.image;
                                 requestDetail();
                                 update();
                             });
}

qreal PictureView::fitZoom() const
{
    const QSizeF view = area();
    if (m_full.isEmpty() || view.width() <= 0 || view.height() <= 0)
        return 1.0;
    // Never enlarged: a small picture shows its own pixels, one to a device
    // pixel, so on a 2x screen it is decoded and painted at device pixels.
    return std::min({1.0 / devicePixelRatioF(), view.width() / m_full.width(), view.height() / m_full.height()});
}

qreal PictureView::zoom() const
{
    return m_zoom.value_or(fitZoom());
}

QRectF PictureView::pictureRect() const
{
    const qreal z = zoom();
    const QSizeF shown = QSizeF(m_full) * z;
    const QPointF viewCentre(area().width() / 2.0, area().height() / 2.0);
    if (!m_zoom)
        return {viewCentre - QPointF(shown.width(), shown.height()) / 2.0, shown};
    return {viewCentre - m_centre * z, shown};
}

void PictureView::zoomAt(qreal newZoom, QPointF anchor)
{
    if (m_fitted.isNull() || m_full.isEmpty())
        return;
    const qreal fit = fitZoom();
    newZoom = std::clamp(newZoom, fit, MaxZoom);
    if (newZoom <= fit * 1.0001) {
        zoomToFit();
        return;
    }
    const qreal old = zoom();
    const QPointF viewCentre(area().width() / 2.0, area().height() / 2.0);
    const QPointF centre = m_zoom ? m_centre : QPointF(m_full.width(), m_full.height()) / 2.0;
    const QPointF underAnchor = centre + (anchor - viewCentre) / old;
    m_zoom = newZoom;
    m_centre = underAnchor - (anchor - viewCentre) / newZoom;
    clampCentre();
    requestDetail();
    update();
}

void PictureView::zoomToFit()
{
    m_zoom.reset();
    dropDetail();
    update();
}

void PictureView::announceZoom()
{
    // As the picture's own pixels count: 100% is one picture pixel to one
    // pixel of the screen.
    announce(this, texts::ZoomShown.arg(qRound(zoom() * devicePixelRatioF() * 100)));
}

void PictureView::actualPixels()
{
    zoomAt(1.0 / devicePixelRatioF(), QPointF(area().width() / 2.0, area().height() / 2.0));
}

void PictureView::clampCentre()
{
    if (!m_zoom)
        return;
    const qreal z = *m_zoom;
    const auto clampAxis = [z](qreal centre, int picture, int view) {
        if (picture * z <= view)
            return picture / 2.0;
        const qreal half = view / 2.0 / z;
        return std::clamp(centre, half, picture - half);
    };
    m_centre = QPointF(clampAxis(m_centre.x(), m_full.width(), int(area().width())),
                       clampAxis(m_centre.y(), m_full.height(), int(area().height())));
}

void PictureView::panBy(QPointF delta)
{
    if (!m_zoom)
        return;
    m_centre += delta / *m_zoom;
    clampCentre();
    requestDetail();
    update();
}

void PictureView::dropDetail()
{
    m_detailRefused = false;
    m_detail = QImage();
    m_detailRegion = QRect();
    m_detailZoom = 0;
    if (m_detailTicket)
        m_queue.cancel(*std::exchange(m_detailTicket, std::nullopt));
}

void PictureView::requestDetail()
{
    if (!m_zoom || m_fitted.isNull() || m_animation) {
        dropDetail();
        return;
    }
    const qreal z = *m_zoom;
    const qreal device = z * devicePixelRatioF();
    // The fitted decode is sharp enough up to its own scale.
    if (device <= qreal(m_fitted.width()) / m_full.width() * 1.001) {
        dropDetail();
        return;
    }
    const QRectF shown = pictureRect();
    const QRectF visible =
        QRectF(-shown.left() / z, -shown.top() / z, area().width() / z, area().height() / z)
            .intersected(QRectF(QPointF(), m_full));
    if (!m_detail.isNull() && m_detailZoom == z && QRectF(m_detailRegion).contains(visible))
        return;
    // A margin around what shows, so that a short pan needs no new decode.
    const QRect region = visible.adjusted(-visible.width() / 4, -visible.height() / 4, visible.width() / 4,
                                          visible.height() / 4)
                             .toAlignedRect()
                             .intersected(QRect(QPoint(0, 0), m_full));
    if (m_detailTicket)
        m_queue.cancel(*m_detailTicket);
    const QString path = m_path;
    m_detailTicket = m_queue.decode(DecodeRequest::part(path, device, region), DecodeQueue::Priority::Shown, this,
                                    [this, path, z](const DecodedPicture &picture) {
                                        m_detailTicket.reset();
                                        if (path != m_path || !m_zoom || *m_zoom != z)
                                            return;
                                        if (picture.status != DecodedPicture::Status::Decoded) {
                                            // Said on screen, not dropped without a word.
                                            m_detailRefused = picture.status == DecodedPicture::Status::CannotDisplay;
                                            update();
                                            return;
                                        }
                                        m_detail = picture.image;
                                        m_detailRegion = picture.region;
                                        m_detailZoom = z;
                                        update();
                                    });
}

void PictureView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_fitted.isNull())
        return;
    // Picture pixels stay crisp squares when looked at closely.
    const qreal device = zoom() * devicePixelRatioF();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, device < 2.0);
    const QRectF whole = pictureRect();
    painter.drawImage(whole, m_fitted);
    if (!m_detail.isNull() && m_detailZoom == zoom()) {
        const qreal z = zoom();
        const QRectF part(whole.topLeft() + QPointF(m_detailRegion.topLeft()) * z, QSizeF(m_detailRegion.size()) * z);
        painter.drawImage(part, m_detail);
    }
    if (const marks::Marks marks = shownMarks(); !marks.isEmpty() && !m_isPreview) {
        // In the corner of the view, on a plate any photo leaves readable.
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 1.4);
        painter.setFont(font);
        const int height = painter.fontMetrics().height() + 6;
        const QRect plate(8, int(area().height()) - height - 8, badgeWidth(font, marks) + 10, height);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 150));
        painter.drawRoundedRect(plate, 4, 4);
        paintBadge(painter, plate.adjusted(0, 0, -6, 0), marks, Qt::white);
        painter.setFont(QFont());
    }
    if (m_detailRefused) {
        const QRect box = painter.fontMetrics().boundingRect(texts::CannotZoom).adjusted(-6, -4, 6, 4);
        const QRect at = box.translated(QPoint(8, 8) - box.topLeft());
        painter.fillRect(at, QColor(0, 0, 0, 170));
        painter.setPen(Qt::white);
        painter.drawText(at, Qt::AlignCenter, texts::CannotZoom);
    }
}

marks::Marks PictureView::shownMarks() const
{
    if (m_path.isEmpty())
        return {};
    if (m_marksOf) {
        if (const std::optional<marks::Marks> known = m_marksOf(m_path))
            return *known;
    }
    return m_details.marks;
}

void PictureView::marksChanged()
{
    updateDetailsAfterPaint();
    update();
}

void PictureView::rewritten(const QString &path)
{
    if (path == m_path && !m_isPreview && !m_fitted.isNull())
        m_shownStamp = platform::fileStamp(path);
    update();
}

void PictureView::turnShown(int quarterTurns)
{
    if (m_fitted.isNull() || m_animation || quarterTurns % 4 == 0)
        return;
    const QTransform turn = QTransform().rotate(90.0 * quarterTurns);
    m_fitted = m_fitted.transformed(turn);
    if (quarterTurns % 2 != 0)
        m_full.transpose();
    // Looked at closely, the view starts again from the whole picture.
    m_zoom.reset();
    dropDetail();
    if (m_refit)
        m_queue.cancel(*std::exchange(m_refit, std::nullopt));
    update();
}

void PictureView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeDetails();
    clampCentre();
    refit();
    requestDetail();
}

void PictureView::keyPressEvent(QKeyEvent *event)
{
    const qreal pan = std::max(area().width(), area().height()) / 10.0;
    const QPointF centre(area().width() / 2.0, area().height() / 2.0);
    // Zoomed in, the arrows move over the picture instead of stepping.
    const std::optional<QPointF> panned = isZoomed() ? panFor(event->key(), pan) : std::nullopt;
    if (panned) {
        panBy(*panned);
        event->accept();
        return;
    }
    if (const std::optional<Step> asked = stepForKey(event->key())) {
        step(*asked);
        event->accept();
        return;
    }
    const bool altReturn = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
                           && event->modifiers() == Qt::AltModifier;
    if ((event->key() == Qt::Key_I && event->modifiers() == Qt::NoModifier) || altReturn
        || (event->key() == Qt::Key_Escape && detailsOpen())) {
        emit detailsAsked();
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAt(zoom() * ZoomStep, centre);
        announceZoom();
        break;
    case Qt::Key_Minus:
        zoomAt(zoom() / ZoomStep, centre);
        announceZoom();
        break;
    case Qt::Key_1:
        actualPixels();
        announceZoom();
        break;
    case Qt::Key_0:
        zoomToFit();
        announceZoom();
        break;
    case Qt::Key_F11:
        emit fullScreenAsked();
        break;
    case Qt::Key_G:
        if (event->modifiers() != Qt::NoModifier) {
            QWidget::keyPressEvent(event);
            return;
        }
        emit gridAsked();
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void PictureView::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        zoomAt(zoom() * std::pow(ZoomStep, delta / qreal(WheelNotch)), event->position());
        announceZoom();
    } else {
        // Touchpads send small steps: a picture per notch's worth.
        m_wheelSteps += delta;
        while (m_wheelSteps >= WheelNotch) {
            m_wheelSteps -= WheelNotch;
            step(Step::Previous);
        }
        while (m_wheelSteps <= -WheelNotch) {
            m_wheelSteps += WheelNotch;
            step(Step::Next);
        }
    }
    event->accept();
}

void PictureView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton && isZoomed()) {
        m_dragging = true;
        m_dragFrom = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
    } else if (event->button() == Qt::LeftButton && !m_path.isEmpty()) {
        m_pressedAt = event->position().toPoint();
    }
    QWidget::mousePressEvent(event);
}

void PictureView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging) {
        const QPoint at = event->position().toPoint();
        panBy(QPointF(m_dragFrom - at));
        m_dragFrom = at;
    } else if (m_pressedAt && (event->buttons() & Qt::LeftButton)
               && (event->position().toPoint() - *m_pressedAt).manhattanLength() >= QApplication::startDragDistance()) {
        // Dragged out of the window, the picture offers its file: to a file
        // manager, a browser's upload, a chat.
        m_pressedAt.reset();
        auto *drag = new QDrag(this);
        drag->setMimeData(fileMimeData(m_path));
        if (!m_fitted.isNull())
            drag->setPixmap(QPixmap::fromImage(m_fitted.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        drag->exec(Qt::CopyAction);
    }
    QWidget::mouseMoveEvent(event);
}

void PictureView::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressedAt.reset();
    if (m_dragging) {
        m_dragging = false;
        unsetCursor();
    }
    QWidget::mouseReleaseEvent(event);
}

void PictureView::contextMenuEvent(QContextMenuEvent *event)
{
    const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
    emit actionsAsked(fromKeyboard ? mapToGlobal(rect().center()) : event->globalPos(), fromKeyboard);
}

void PictureView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    if (isZoomed())
        zoomToFit();
    else
        emit fullScreenAsked();
}

} // namespace qthost
