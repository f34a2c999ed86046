#pragma once

#include "common/marks.h"
#include "host/qt/base/step.h"
#include "host/qt/viewer/detailrows.h"
#include "picture/window/decodequeue.h"
#include "platform/platform.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace picture {
class AnimationPlayer;
class PictureCache;
}

namespace qthost {

using picture::DecodedPicture;
using picture::DecodeQueue;
using picture::DecodeRequest;
using picture::PictureCache;

class DetailsPanel;

// Paints one picture: fitted to the view (shrunk only, centred) or zoomed,
// honouring the orientation tag; an animation plays, its frames decoded by a
// helper of its own. Decoding happens in the queue's helpers; the view only
// asks and paints. When zoomed it asks for
// the part it shows at the zoom it shows it, never for the whole picture.
class PictureView final : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal MaxZoom = 32.0;

    PictureView(QWidget *parent, DecodeQueue &queue, PictureCache &cache);
    ~PictureView() override;

    // Shows the file's picture once it is decoded; the picture shown so far
    // stays meanwhile. Of several files asked for in a row, a picture is shown
    // only while nothing asked for later is on screen. A picture not decoded
    // ahead shows the preview its file carries first, where the picture will
    // be, until the picture itself replaces it.
    void showFile(const QString &path);
    void clear();

    QString path() const { return m_path; }      // the file whose picture is on screen
    QString requested() const { return m_requested; }
    bool isWaiting() const { return !m_pending.empty(); }
    QSize pictureSize() const { return m_full; } // after orientation
    QSize decodedSize() const { return m_fitted.size(); } // of the fitted picture
    bool isPreview() const { return m_isPreview; } // what shows is the file's preview
    // How long no key must come before a photo the keys ran ahead of is
    // decoded sharp (two key repeats; tests wait longer).
    void setKeysLetGoAfter(int milliseconds);
    // The keys have stopped (the user let go of the key they held, or they
    // paused): the photo they stopped at is decoded sharp now.
    void keysLetGo();
    bool isAnimated() const { return m_animation != nullptr; }
    QSize fitBounds() const; // device pixels a fitted picture may take
    // What a picture is asked for: its fit, and before the window is on the
    // screen the frame still to come, by which the view then grows.
    QSize requestBounds() const;
    QRectF pictureRect() const; // the whole picture in view coordinates

    // Zoom: device-independent pixels per picture pixel.
    qreal zoom() const;
    bool isZoomed() const { return m_zoom.has_value(); }
    void zoomAt(qreal zoom, QPointF anchor);
    void zoomToFit();
    void actualPixels();
    // The sharp part shown when zoomed: its region of the picture and the
    // zoom it was decoded for (none yet: an empty region).
    QRect detailRegion() const { return m_detail.isNull() ? QRect() : m_detailRegion; }
    QSize detailSize() const { return m_detail.size(); }
    QImage detail() const { return m_detail; }
    // The zoomed part could not be decoded (the picture is too big to cut
    // from); the view says so.
    bool isDetailRefused() const { return m_detailRefused; }

    // The file whose picture is on the screen, as it was when the picture
    // appeared; nullopt while none (or only its preview) is.
    std::optional<platform::FileStamp> shownStamp() const { return m_shownStamp; }
    // The file was rewritten by the program itself (its marks or its turn
    // written), the picture on the screen already showing it as it is now.
    void rewritten(const QString &path);
    // Turns the picture on the screen so many quarter turns clockwise, at
    // once, without decoding it again.
    void turnShown(int quarterTurns);
    // The marks shown over the picture: those `marksOf` says, else those its
    // decode read.
    void setMarksOf(std::function<std::optional<marks::Marks>(const QString &path)> marksOf)
    {
        m_marksOf = std::move(marksOf);
    }
    marks::Marks shownMarks() const;
    // The marks changed: shown again, over the picture and in the details.
    void marksChanged();

    // The panel of the photo's details, following the shown picture: beside
    // it (the picture keeps to the rest of the view) or over it.
    void setDetailsOpen(bool open, bool overlay);
    bool detailsOpen() const;
    DetailsPanel *detailsPanel() const { return m_detailsPanel; }
    ShownDetails shownDetails() const;

signals:
    // The file asked for last turns out not to be a picture that can be
    // shown, for `reason` (a DecodedPicture::Reason).
    void cannotShow(const QString &path, int reason);
    // Its picture appears.
    void pictureShown(const QString &path);
    // Its preview appears, at `where` in the view (the picture's place).
    void previewShown(const QString &path, const QRectF &where);
    // The keys and the wheel ask for another file, or for the whole screen.
    void stepAsked(qthost::Step step);
    void fullScreenAsked();
    // I or Alt+Return, or Esc while the details are open.
    void detailsAsked();
    // G: the folder's thumbnails in place of the picture.
    void gridAsked();
    // A right click or the menu key asks for what can be done to the file.
    void actionsAsked(const QPoint &globalPos, bool fromKeyboard);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    struct Pending
    {
        quint64 sequence;
        DecodeQueue::Ticket ticket;
    };

    void step(Step step);
    qreal fitZoom() const;
    void received(quint64 sequence, const QString &path, const QString &key, const DecodedPicture &picture);
    void adopt(quint64 sequence, const QString &path, const DecodedPicture &picture);
    void previewed(quint64 sequence, const QString &path, const DecodedPicture &preview);
    void askSharp(quint64 sequence, const QString &path);
    void askPreview(quint64 sequence, const QString &path);
    void askDetails(const QString &path);
    void playAnimation(const QString &path, const DecodedPicture &first);
    void dropPendingUpTo(quint64 sequence);
    void refit();
    void panBy(QPointF delta);
    void clampCentre();
    void requestDetail();
    void dropDetail();
    void announceZoom();
    // Forgets the picture on screen and the work still asked for it.
    void dropPicture();
    QSizeF area() const; // where the picture may show: the view but the panel beside it
    void placeDetails();
    void updateDetails();
    // The panel filled once the picture just changed has been painted.
    void updateDetailsAfterPaint();
    void cannotDisplay(const QString &path, DecodedPicture::Reason reason);

    DecodeQueue &m_queue;
    PictureCache &m_cache;
    quint64 m_sequence = 0; // of the latest showFile
    quint64 m_shownSequence = 0;
    QString m_requested;
    std::vector<Pending> m_pending;

    QString m_path;
    QSize m_full;
    QImage m_fitted;
    picture::AnimationPlayer *m_animation = nullptr;
    bool m_isPreview = false;
    std::optional<DecodeQueue::Ticket> m_previewTicket;
    // Keys came faster than pictures: the file asked for last is decoded
    // sharp once its preview has shown and no key has followed for a while.
    QTimer *m_settle = nullptr;
    quint64 m_sharpDeferred = 0; // the sequence waiting for it, 0: none
    std::optional<DecodeQueue::Ticket> m_refit;
    bool m_detailsDue = false; // the panel is to be filled after the next paint

    std::optional<qreal> m_zoom;
    QPointF m_centre; // picture coordinates at the view's centre
    QImage m_detail;
    QRect m_detailRegion;
    qreal m_detailZoom = 0;
    bool m_detailRefused = false;
    std::optional<DecodeQueue::Ticket> m_detailTicket;

    QPoint m_dragFrom;
    bool m_dragging = false;  // panning a zoomed picture
    std::optional<QPoint> m_pressedAt; // the left button is down here, over a fitted picture
    int m_wheelSteps = 0; // eighths of a degree not yet turned into a step

    picture::PhotoDetails m_details; // of the shown picture, as its decode said
    QString m_colourName;
    DetailsPanel *m_detailsPanel = nullptr;
    std::pair<QString, picture::PhotoDetails> m_earlyDetails; // read alone, for the file asked for last
    std::optional<DecodeQueue::Ticket> m_earlyDetailsTicket;
    bool m_detailsBeside = false;
    std::optional<platform::FileStamp> m_shownStamp;
    std::function<std::optional<marks::Marks>(const QString &path)> m_marksOf;
};

} // namespace qthost
