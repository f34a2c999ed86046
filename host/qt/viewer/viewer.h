#pragma once

#include "host/host.h"
#include "host/qt/viewer/fullscreenwindow.h"
#include "host/qt/viewer/pictureview.h"
#include "picture/window/picturecache.h"

#include <QPointer>
#include <QStackedWidget>

class QTextBrowser;

#include <functional>
#include <memory>

namespace qthost {

class FullScreenWindow;
class Prefetcher;
class PageBrowser;

// Why a file cannot be shown, in the user's words.
QString cannotDisplayReason(picture::DecodedPicture::Reason reason);

// The viewer: pictures go to our own picture view, decoded off the window's
// thread, HTML pages to a text browser, and anything else to a page saying it
// cannot be shown. The neighbours of the shown picture in the file list are
// decoded before they are asked for.
class ViewerWidget final : public QStackedWidget, public host::Viewer
{
    Q_OBJECT
public:
    explicit ViewerWidget(QWidget *parent);
    ~ViewerWidget() override;

    host::Twips left() const override;
    host::Twips top() const override;
    void setWidth(host::Twips width) override;
    void setHeight(host::Twips height) override;
    void navigate(const QString &path) override;

    // The files to decode ahead once `path` is shown, most likely first: a
    // question, not a notification, so a function the owner of both the
    // viewer and the file list sets (and which must not outlive either).
    std::function<QStringList(const QString &path)> neighbours;

    PictureView *imageView() const { return m_image; }
    // The picture's place instead of the page, before a photo is chosen: a
    // window opening on one shows it from its first frame, and the start
    // page is then never laid out (nor its Japanese fonts loaded).
    void showPicturePlace(bool shown);
    QTextBrowser *pageView() const;
    FullScreenWindow *fullScreen() const { return m_fullScreen; }
    void toggleFullScreen();
    // Opens or closes the shown photo's details, in the window and full screen.
    void toggleDetails();
    bool detailsOpen() const { return m_detailsOpen; }
    // What can be done to the shown file: on the picture, in the window and
    // full screen, with their keys.
    void setPictureActions(const QList<QAction *> &actions);
    // Whether the picture of `path` is decoded and kept for the picture's
    // size now, so that showing it takes no decode.
    bool hasPicture(const QString &path) const;
    // Drops every decoded picture kept: the next showing reads the file again.
    void forgetPictures() { m_cache.clear(); }
    DecodeQueue &queue() { return *m_queue; }
    // A widget that shares the viewer's place, under the picture, while it
    // is shown (the strip of thumbnails): the viewer gives it `height`
    // pixels of its own. Placed again after it is shown or hidden.
    void setBelow(QWidget *below, int height);
    // A widget that takes the viewer's whole place while it is shown, the
    // strip's included (the grid of thumbnails).
    void setCover(QWidget *cover);
    // Places them again (one was shown or hidden).
    void placeBelow();
    // The marks over the picture, in the window and full screen: those
    // `marksOf` says; shown again by marksChanged.
    void setMarksOf(std::function<std::optional<marks::Marks>(const QString &path)> marksOf);
    void marksChanged();
    // The file on the screen as it was when its picture appeared (nullopt:
    // `path` is not on the screen, or only its preview).
    std::optional<platform::FileStamp> shownStamp(const QString &path) const;
    // `path` was turned (shown turned at once) or rewritten by the program.
    void turnShown(const QString &path, int quarterTurns);
    void rewritten(const QString &path);

signals:
    // Where the picture's keys and wheel ask the file list to go.
    void stepAsked(qthost::Step step);
    // A right click or the menu key on the picture.
    void actionsAsked(const QPoint &globalPos, bool fromKeyboard);
    // G on the picture.
    void gridAsked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The page that says the file cannot be shown, and why (a DecodedPicture::Reason).
    void showCannotDisplay(const QString &path, int reason);
    void pictureShown(const QString &path);
    void prefetchAround(const QString &path);
    void connectView(PictureView *view);

    std::unique_ptr<DecodeQueue> m_queue; // outlives the picture views
    PictureCache m_cache;
    std::unique_ptr<Prefetcher> m_prefetcher;
    PictureView *m_image;
    PageBrowser *m_page;
    QPointer<FullScreenWindow> m_fullScreen;
    QList<QAction *> m_pictureActions;
    bool m_warmedUp = false;
    bool m_detailsOpen = false;
    QPointer<QWidget> m_below;
    QPointer<QWidget> m_cover;
    int m_belowHeight = 0;
    bool m_placing = false; // the viewer places the widgets that share its place
    QSize m_asked; // the size the window gave the viewer, the strip's room included
    std::function<std::optional<marks::Marks>(const QString &path)> m_marksOf;
};

} // namespace qthost
