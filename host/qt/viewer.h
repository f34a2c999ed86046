#pragma once

#include "host/host.h"

#include <QStackedWidget>

class QTextBrowser;

namespace qthost {

class ImageView;

// The viewer: pictures go to our own image view, HTML pages to a text
// browser, and anything else to a page saying it cannot be shown.
class ViewerWidget final : public QStackedWidget, public host::Viewer
{
    Q_OBJECT
public:
    explicit ViewerWidget(QWidget *parent);

    host::Twips left() const override;
    host::Twips top() const override;
    void setWidth(host::Twips width) override;
    void setHeight(host::Twips height) override;
    void navigate(const QString &path) override;

    ImageView *imageView() const { return m_image; }
    QTextBrowser *pageView() const { return m_page; }

private:
    void showCannotDisplay(const QString &path);

    ImageView *m_image;
    QTextBrowser *m_page;
};

} // namespace qthost
