#include "host/qt/viewer/pagebrowser.h"

#include "common/texts.h"
#include "picture/wire/decoding.h"
#include "platform/platform.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QStringDecoder>
#include <QTextDocument>

#include <algorithm>

namespace qthost {
namespace {

QImage missingImage()
{
    QImage box(16, 16, QImage::Format_ARGB32_Premultiplied);
    box.fill(Qt::transparent);
    QPainter painter(&box);
    painter.setPen(Qt::gray);
    painter.drawRect(box.rect().adjusted(0, 0, -1, -1));
    return box;
}

bool isTagStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Elements that hold nothing, or that the next one of their kind closes
// without an end tag (a list's items, a paragraph): they add no depth.
bool addsNoDepth(const QByteArray &tag)
{
    static const QList<QByteArray> flat{"area", "base", "br",  "col", "embed", "hr", "img", "input", "link", "meta",
                                        "param", "source", "track", "wbr", "li", "p", "dt", "dd", "tr", "td", "th",
                                        "option"};
    return flat.contains(tag);
}

} // namespace

qsizetype pageCut(const QByteArray &html, const PageBudget &budget)
{
    const qsizetype size = std::min(html.size(), budget.bytes);
    int tags = 0, depth = 0, pictures = 0;
    qsizetype at = 0;
    while ((at = html.indexOf('<', at)) >= 0 && at < size) {
        const qsizetype start = at++;
        if (html.mid(start, 4) == "<!--") {
            const qsizetype end = html.indexOf("-->", start + 4);
            if (end < 0 || end + 3 > size)
                return start;
            at = end + 3;
            continue;
        }
        const bool closing = at < html.size() && html[at] == '/';
        if (closing)
            ++at;
        if (at >= html.size() || !isTagStart(html[at]))
            continue;
        qsizetype end = at;
        while (end < html.size() && (isTagStart(html[end]) || (html[end] >= '0' && html[end] <= '9')))
            ++end;
        const QByteArray tag = html.mid(at, end - at).toLower();
        const qsizetype close = html.indexOf('>', end);
        const bool selfClosing = close > 0 && html[close - 1] == '/';
        if (++tags > budget.tags)
            return start;
        if (closing) {
            if (!addsNoDepth(tag))
                depth = std::max(0, depth - 1);
            continue;
        }
        if (tag == "img" && ++pictures > budget.pictures)
            return start;
        if (!selfClosing && !addsNoDepth(tag) && ++depth > budget.depth)
            return start;
    }
    return size;
}

PageBrowser::PageBrowser(QWidget *parent, picture::DecodeQueue &queue) : QTextBrowser(parent), m_queue(queue)
{
    // Links are followed here, so that a page reached by a link is bounded
    // like any other.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) {
        const QUrl url = link.isRelative() ? m_base.resolved(link) : link;
        if (url.isLocalFile() && url.adjusted(QUrl::RemoveFragment) != m_base.adjusted(QUrl::RemoveFragment))
            emit linkChosen(url.toLocalFile());
        else if (url.hasFragment())
            scrollToAnchor(url.fragment());
    });
}

PageBrowser::~PageBrowser()
{
    newPage();
}

void PageBrowser::newPage()
{
    for (const picture::DecodeQueue::Ticket ticket : std::as_const(m_tickets))
        m_queue.cancel(ticket);
    m_tickets.clear();
    m_names.clear();
    m_picturePixels = 0;
}

void PageBrowser::showHtml(const QString &html)
{
    newPage();
    m_base = QUrl();
    setHtml(html);
}

void PageBrowser::showPage(const QString &path)
{
    const PageBudget budget;
    QFile file;
    QByteArray bytes = platform::openForReading(file, path) ? file.read(budget.bytes + 1) : QByteArray();
    const qsizetype cut = pageCut(bytes, budget);
    const bool whole = cut == bytes.size();
    bytes.truncate(cut);
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringConverter::Utf8);
    QString html = decoder(bytes);
    // Said first: where the page is cut it may be a hundred levels deep.
    if (!whole)
        html.prepend(QStringLiteral("<p><i>%1</i></p><hr>").arg(texts::PageCut.toHtmlEscaped()));
    newPage();
    m_base = QUrl::fromLocalFile(path);
    setHtml(html);
}

QVariant PageBrowser::loadResource(int type, const QUrl &name)
{
    // Refused: never a null variant or an image that does not decode, which
    // would make the document read the file by itself; a missing image shows
    // as an empty box.
    const QVariant refused =
        type == QTextDocument::ImageResource ? QVariant(QPixmap::fromImage(missingImage())) : QVariant(QByteArray());
    const QUrl url = name.isRelative() ? m_base.resolved(name) : name;
    if (!url.isLocalFile())
        return refused;
    // By the path's own bytes (a URL keeps the characters that stand for bytes that are not UTF-8).
    const QString path = url.toLocalFile();
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
    if (!stamp || !stamp->regular || stamp->size > MaxResourceBytes)
        return refused;
    if (type != QTextDocument::ImageResource) {
        QFile device;
        if (!platform::openForReading(device, path))
            return refused;
        return device.read(MaxResourceBytes);
    }
    // Decoded in a helper; the page is laid out again when it arrives.
    QList<QUrl> &names = m_names[path];
    if (!names.contains(name))
        names.append(name);
    if (!m_tickets.contains(path)) {
        const QSize most(MaxPagePictureSide, MaxPagePictureSide);
        m_tickets.insert(path, m_queue.decode(picture::DecodeRequest::fitted(path, most),
                                              picture::DecodeQueue::Priority::Shown, this,
                                              [this, path](const picture::DecodedPicture &picture) {
                                                  pictureArrived(path, picture);
                                              }));
    }
    return refused;
}

void PageBrowser::pictureArrived(const QString &path, const picture::DecodedPicture &picture)
{
    m_tickets.remove(path);
    using Status = picture::DecodedPicture::Status;
    if (picture.status != Status::Decoded && picture.status != Status::Animated)
        return;
    const QSize shown = picture.fullSize;
    const qint64 pixels = qint64(shown.width()) * shown.height();
    if (shown.isEmpty() || pixels > MaxPagePicturePixels || m_picturePixels + pixels > MaxPicturePixelsPerPage)
        return; // stays a missing picture
    m_picturePixels += pixels;
    QImage image = picture.image;
    // Laid out at the picture's own size on the page, drawn from fewer pixels.
    image.setDevicePixelRatio(qreal(image.width()) / shown.width());
    // A pixmap: the document keeps what it is given and lays out every use of
    // it; an image would be turned into a pixmap again for each one.
    const QPixmap pixmap = QPixmap::fromImage(std::move(image));
    for (const QUrl &name : m_names.value(path))
        document()->addResource(QTextDocument::ImageResource, name, pixmap);
    document()->markContentsDirty(0, document()->characterCount());
}

} // namespace qthost
