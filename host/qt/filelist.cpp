#include "host/qt/filelist.h"

#include "host/qt/folders.h"

#include <QDir>

namespace qthost {

FileListWidget::FileListWidget(QWidget *parent) : QListWidget(parent)
{
    setContextMenuPolicy(Qt::PreventContextMenu);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    list(QDir::currentPath());
    // A file is chosen when it becomes the selected one, by mouse or keyboard.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!selectedItems().isEmpty() && m_events)
            dispatch([this] { m_events->File1_Click(); });
    });
}

void FileListWidget::attach(host::Events *events, MouseDownSource mouseDown)
{
    m_events = events;
    m_mouseDown = std::move(mouseDown);
}

QString FileListWidget::path() const
{
    return QDir::toNativeSeparators(m_path);
}

bool FileListWidget::setPath(const QString &path)
{
    const std::optional<QString> folder = readableFolder(path);
    return folder && list(*folder);
}

void FileListWidget::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    if (!list(m_path))
        showFiles(m_path, {});
}

bool FileListWidget::list(const QString &folder)
{
    const std::optional<QStringList> files = matchingFiles(folder, m_pattern);
    if (!files)
        return false;
    showFiles(folder, *files);
    return true;
}

void FileListWidget::showFiles(const QString &folder, const QStringList &files)
{
    const QSignalBlocker blocker(this);
    m_path = folder;
    clear();
    addItems(files);
    setCurrentRow(-1);
}

QString FileListWidget::fileName() const
{
    const QListWidgetItem *item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void FileListWidget::setTop(host::Twips top)
{
    move(x(), toPixels(top));
}

void FileListWidget::setHeight(host::Twips height)
{
    resize(width(), toPixels(height));
}

void FileListWidget::focusInEvent(QFocusEvent *event)
{
    // Qt makes the first row current on focus; the first arrow key would then
    // skip it. With no file chosen, keep none current.
    const bool hadCurrent = currentIndex().isValid();
    QListWidget::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid() && selectedItems().isEmpty()) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(QModelIndex());
    }
}

void FileListWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::RightButton)
        QListWidget::mousePressEvent(event);
    if (m_mouseDown.raise)
        m_mouseDown.mousePressed(event);
}

void FileListWidget::keyPressEvent(QKeyEvent *event)
{
    if (m_mouseDown.raise && m_mouseDown.keyPressed(this, event))
        return;
    QListWidget::keyPressEvent(event);
}

} // namespace qthost
