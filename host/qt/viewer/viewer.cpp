#include "host/qt/viewer/viewer.h"

#include "common/texts.h"
#include "host/qt/base/announce.h"
#include "host/qt/base/twips.h"
#include "host/qt/viewer/fullscreenwindow.h"
#include "host/qt/viewer/heldkeywatch.h"
#include "host/qt/viewer/pagebrowser.h"
#include "host/qt/viewer/prefetcher.h"
#include "host/qt/viewer/screencolours.h"
#include "picture/window/decodequeue.h"
#include "platform/platform.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTimer>
#include <QUrl>

namespace qthost {
namespace {

// The helpers start once the window is painted: on a machine of two cores
// they would otherwise slow its building down, and a zero timer fires before
// the first paint reaches the screen. A picture asked for sooner starts a
// helper itself.
constexpr int WarmUpDelayMs = 300;

} // namespace

QString cannotDisplayReason(picture::DecodedPicture::Reason reason)
{
    using Reason = picture::DecodedPicture::Reason;
    switch (reason) {
    case Reason::UnknownFormat: return texts::WhyUnknownFormat;
    case Reason::Damaged: return texts::WhyDamaged;
    case Reason::TooLarge: return texts::WhyTooLarge;
    case Reason::NoPermission: return texts::WhyNoReadPermission;
    case Reason::NotAFile: return texts::WhyNotAPicture;
    case Reason::Unsupported: return texts::WhyUnsupported;
    case Reason::TookTooLong: return texts::WhyTookTooLong;
    case Reason::TooMuchMemory: return texts::WhyTooMuchMemory;
    case Reason::DecoderFailed: return texts::WhyDecoderFailed;
    case Reason::NoDecoder: return texts::WhyNoDecoder;
    case Reason::None: break;
    }
    return texts::WhyUnknownFormat;
}

ViewerWidget::ViewerWidget(QWidget *parent)
    : QStackedWidget(parent), m_queue(std::make_unique<DecodeQueue>()),
      m_prefetcher(std::make_unique<Prefetcher>(*m_queue, m_cache)), m_image(new PictureView(this, *m_queue, m_cache)),
      m_page(new PageBrowser(this, *m_queue))
{
    m_image->setObjectName(QStringLiteral("ViewImage"));
    m_image->setAccessibleName(texts::AccessiblePicture);
    m_page->setObjectName(QStringLiteral("ViewPage"));
    m_page->setAccessibleName(texts::AccessiblePage);
    m_page->setTabChangesFocus(true);
    connect(m_page, &PageBrowser::linkChosen, this, &ViewerWidget::navigate);
    addWidget(m_page);
    addWidget(m_image);
    setCurrentWidget(m_page);
    m_cache.setBudget(Prefetcher::budgetFor({}));
    m_queue->setScreenColours(screenColours());
    connectView(m_image);
    connect(m_image, &PictureView::pictureShown, this, &ViewerWidget::pictureShown);
    connect(new HeldKeyWatch(this), &HeldKeyWatch::letGo, this, [this] {
        m_image->keysLetGo();
        if (m_fullScreen)
            m_fullScreen->view()->keysLetGo();
    });
    // A preview is on the screen at once, even where a page is shown so far
    // (the start page, when the window opens on a photo).
    connect(m_image, &PictureView::previewShown, this, [this] { setCurrentWidget(m_image); });
    // Alt+Return wherever the window has the keyboard; I on the picture.
    auto *details = new QAction(texts::DetailsTitle, this);
    details->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Return));
    details->setShortcutContext(Qt::WindowShortcut);
    connect(details, &QAction::triggered, this, [this] {
        if (currentWidget() == m_image)
            toggleDetails();
    });
    addAction(details);
    connect(m_image, &PictureView::cannotShow, this, &ViewerWidget::showCannotDisplay);
}

ViewerWidget::~ViewerWidget()
{
    // The views and the page hand their decodes back to the queue: they go first.
    delete m_fullScreen;
    delete m_image;
    delete m_page;
}

void ViewerWidget::connectView(PictureView *view)
{
    connect(view, &PictureView::stepAsked, this, &ViewerWidget::stepAsked);
    connect(view, &PictureView::fullScreenAsked, this, &ViewerWidget::toggleFullScreen);
    connect(view, &PictureView::actionsAsked, this, &ViewerWidget::actionsAsked);
    connect(view, &PictureView::detailsAsked, this, &ViewerWidget::toggleDetails);
    connect(view, &PictureView::gridAsked, this, &ViewerWidget::gridAsked);
    view->addActions(m_pictureActions);
    view->setMarksOf(m_marksOf);
}

void ViewerWidget::setMarksOf(std::function<std::optional<marks::Marks>(const QString &path)> marksOf)
{
    m_marksOf = std::move(marksOf);
    m_image->setMarksOf(m_marksOf);
    if (m_fullScreen)
        m_fullScreen->view()->setMarksOf(m_marksOf);
}

void ViewerWidget::marksChanged()
{
    for (PictureView *view : {m_image, m_fullScreen ? m_fullScreen->view() : nullptr}) {
        if (view)
            view->marksChanged();
    }
}

std::optional<platform::FileStamp> ViewerWidget::shownStamp(const QString &path) const
{
    return m_image->path() == path ? m_image->shownStamp() : std::nullopt;
}

void ViewerWidget::turnShown(const QString &path, int quarterTurns)
{
    for (PictureView *view : {m_image, m_fullScreen ? m_fullScreen->view() : nullptr}) {
        if (view && view->path() == path)
            view->turnShown(quarterTurns);
    }
}

void ViewerWidget::rewritten(const QString &path)
{
    for (PictureView *view : {m_image, m_fullScreen ? m_fullScreen->view() : nullptr}) {
        if (view)
            view->rewritten(path);
    }
}

void ViewerWidget::setPictureActions(const QList<QAction *> &actions)
{
    m_pictureActions = actions;
    m_image->addActions(actions);
    if (m_fullScreen)
        m_fullScreen->view()->addActions(actions);
}

QTextBrowser *ViewerWidget::pageView() const
{
    return m_page;
}

bool ViewerWidget::hasPicture(const QString &path) const
{
    return m_cache.find(PictureCache::key(path, m_image->fitBounds())) != nullptr;
}

host::Twips ViewerWidget::left() const
{
    return toTwips(geometry().left());
}

host::Twips ViewerWidget::top() const
{
    return toTwips(geometry().top());
}

void ViewerWidget::setWidth(host::Twips width)
{
    if (!m_placing) {
        resize(toPixels(width), height());
        return;
    }
    m_asked.setWidth(toPixels(width));
    placeBelow();
}

void ViewerWidget::setHeight(host::Twips height)
{
    if (!m_placing) {
        resize(width(), toPixels(height));
        return;
    }
    m_asked.setHeight(toPixels(height));
    placeBelow();
}

void ViewerWidget::setBelow(QWidget *below, int height)
{
    if (!m_placing)
        m_asked = size();
    m_placing = true;
    m_below = below;
    m_belowHeight = height;
    placeBelow();
}

void ViewerWidget::setCover(QWidget *cover)
{
    if (!m_placing)
        m_asked = size();
    m_placing = true;
    m_cover = cover;
    placeBelow();
}

void ViewerWidget::placeBelow()
{
    // At most half the place: the picture stays the larger part.
    const int below = m_below && !m_below->isHidden() ? std::min(m_belowHeight, m_asked.height() / 2) : 0;
    resize(m_asked.width(), m_asked.height() - below);
    if (below > 0)
        m_below->setGeometry(x(), y() + m_asked.height() - below, m_asked.width(), below);
    if (m_cover && !m_cover->isHidden()) {
        m_cover->setGeometry(QRect(pos(), m_asked));
        m_cover->raise();
    }
}

void ViewerWidget::resizeEvent(QResizeEvent *event)
{
    QStackedWidget::resizeEvent(event);
    // The stack sizes only the page it shows; pictures are decoded for the
    // picture page's size, so it must be right while the HTML page shows.
    m_image->setGeometry(contentsRect());
    m_cache.setBudget(Prefetcher::budgetFor(m_image->fitBounds()));
}

void ViewerWidget::navigate(const QString &path)
{
    // Names only: the system is asked by the path's own bytes.
    const QFileInfo file(QDir::fromNativeSeparators(path));
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(file.filePath());
    if (!stamp || !stamp->regular || !platform::mayRead(file.filePath(), false)) {
        using Reason = picture::DecodedPicture::Reason;
        showCannotDisplay(path, int(stamp && stamp->regular ? Reason::NoPermission : Reason::NotAFile));
        return;
    }
    const QString suffix = file.suffix().toLower();
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html")) {
        m_image->clear();
        if (m_fullScreen)
            toggleFullScreen();
        m_page->showPage(file.absoluteFilePath());
        setCurrentWidget(m_page);
        return;
    }
    // What is still being decoded ahead for the picture left behind, and is
    // not next to this one, is not wanted any more. The picture itself may be
    // among it: its decode goes on, now to be shown. A step to a picture
    // already decoded ahead usually finds nothing under way, and costs nothing.
    const QString shown = file.absoluteFilePath();
    if (m_prefetcher->decodingAhead())
        m_prefetcher->keepOnly(QStringList{shown} + (neighbours ? neighbours(shown) : QStringList()),
                               m_image->fitBounds());
    // The picture shown so far stays until the new one is decoded.
    m_image->showFile(shown);
    if (m_fullScreen)
        m_fullScreen->view()->showFile(shown);
}

void ViewerWidget::showPicturePlace(bool shown)
{
    if (shown)
        setCurrentWidget(m_image);
    else
        setCurrentWidget(m_page);
}

void ViewerWidget::pictureShown(const QString &path)
{
    setCurrentWidget(m_image);
    announce(m_image, texts::PictureShown.arg(QFileInfo(path).fileName()));
    // Queued behind the paint the picture has just asked for: the neighbours'
    // decodes start once it is on the screen.
    QMetaObject::invokeMethod(
        this, [this, path] { prefetchAround(path); }, Qt::QueuedConnection);
}

void ViewerWidget::showEvent(QShowEvent *event)
{
    QStackedWidget::showEvent(event);
    if (!m_warmedUp) {
        m_warmedUp = true;
        // Once the window is up, not while it is being built.
        QTimer::singleShot(WarmUpDelayMs, m_queue.get(), &DecodeQueue::warmUp);
    }
}

void ViewerWidget::prefetchAround(const QString &path)
{
    m_prefetcher->around(neighbours ? neighbours(path) : QStringList(), m_image->fitBounds());
}

void ViewerWidget::showCannotDisplay(const QString &path, int reason)
{
    m_image->clear();
    if (m_fullScreen)
        toggleFullScreen();
    const QString why = cannotDisplayReason(picture::DecodedPicture::Reason(reason));
    m_page->showHtml(QStringLiteral("<html><head><title>%1</title></head><body>"
                                   "<h3>%2</h3><p>%3</p><p>%4</p></body></html>")
                        .arg(texts::CannotDisplayTitle.toHtmlEscaped(), texts::CannotDisplayBody.toHtmlEscaped(),
                             why.toHtmlEscaped(), path.toHtmlEscaped()));
    setCurrentWidget(m_page);
}

void ViewerWidget::toggleDetails()
{
    m_detailsOpen = !m_detailsOpen;
    m_image->setDetailsOpen(m_detailsOpen, false);
    if (m_fullScreen)
        m_fullScreen->view()->setDetailsOpen(m_detailsOpen, true);
    m_cache.setBudget(Prefetcher::budgetFor(m_image->fitBounds()));
    PictureView *view = m_fullScreen ? m_fullScreen->view() : m_image;
    announce(view, m_detailsOpen ? texts::DetailsOpened : texts::DetailsClosed);
}

void ViewerWidget::toggleFullScreen()
{
    if (m_fullScreen) {
        m_fullScreen->hide();
        m_fullScreen->deleteLater(); // may be inside one of its own events
        m_fullScreen.clear();
        m_image->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (m_image->requested().isEmpty())
        return;
    m_fullScreen = new FullScreenWindow(*m_queue, m_cache);
    connectView(m_fullScreen->view());
    connect(m_fullScreen->view(), &PictureView::cannotShow, this, [this] { toggleFullScreen(); });
    connect(m_fullScreen, &FullScreenWindow::leaveAsked, this, &ViewerWidget::toggleFullScreen);
    // Full screen, each picture that appears is spoken as in the window.
    connect(m_fullScreen->view(), &PictureView::pictureShown, m_fullScreen, [view = m_fullScreen->view()](const QString &path) {
        announce(view, texts::PictureShown.arg(QFileInfo(path).fileName()));
    });
    m_fullScreen->view()->setDetailsOpen(m_detailsOpen, true);
    m_fullScreen->view()->showFile(m_image->requested());
    m_fullScreen->showFullScreen();
    m_fullScreen->view()->setFocus(Qt::OtherFocusReason);
}

} // namespace qthost
