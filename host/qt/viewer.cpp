#include "host/qt/viewer.h"

#include "common/texts.h"
#include "host/qt/imageview.h"
#include "host/qt/twips.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

namespace qthost {

ViewerWidget::ViewerWidget(QWidget *parent)
    : QStackedWidget(parent), m_image(new ImageView(this)), m_page(new QTextBrowser(this))
{
    m_image->setObjectName(QStringLiteral("ViewImage"));
    m_page->setObjectName(QStringLiteral("ViewPage"));
    m_page->setOpenLinks(true);
    m_page->setOpenExternalLinks(false);
    m_page->setTabChangesFocus(true);
    addWidget(m_page);
    addWidget(m_image);
    setCurrentWidget(m_page);
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
    resize(toPixels(width), height());
}

void ViewerWidget::setHeight(host::Twips height)
{
    resize(width(), toPixels(height));
}

void ViewerWidget::navigate(const QString &path)
{
    const QFileInfo file(QDir::fromNativeSeparators(path));
    if (!file.isFile() || !file.isReadable()) {
        showCannotDisplay(path);
        return;
    }
    const QString suffix = file.suffix().toLower();
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html")) {
        m_image->clear();
        // A URL built from the path keeps "#", "%", "?" and spaces as name characters.
        const QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
        m_page->setSource(QUrl());
        m_page->setSource(url, QTextDocument::HtmlResource);
        setCurrentWidget(m_page);
        return;
    }
    // The image view sizes its decoding by its own size: show it first.
    setCurrentWidget(m_image);
    if (!m_image->load(file.absoluteFilePath()))
        showCannotDisplay(path);
}

void ViewerWidget::showCannotDisplay(const QString &path)
{
    m_image->clear();
    m_page->setSource(QUrl());
    m_page->setHtml(QStringLiteral("<html><head><title>%1</title></head><body>"
                                   "<h3>%2</h3><p>%3</p></body></html>")
                        .arg(texts::CannotDisplayTitle.toHtmlEscaped(), texts::CannotDisplayBody.toHtmlEscaped(),
                             path.toHtmlEscaped()));
    setCurrentWidget(m_page);
}

} // namespace qthost
