#include "host/qt/viewer/accessiblepage.h"

#include "host/qt/viewer/pagebrowser.h"
#include "host/qt/viewer/pictureview.h"

#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace qthost {

PageAccessible::PageAccessible(QTextBrowser *page) : QAccessibleWidget(page, QAccessible::Document) {}

QTextBrowser *PageAccessible::page() const
{
    return static_cast<QTextBrowser *>(widget());
}

QAccessible::State PageAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

void *PageAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

void PageAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    const QTextCursor cursor = page()->textCursor();
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && cursor.hasSelection()) {
        *startOffset = cursor.selectionStart();
        *endOffset = cursor.selectionEnd();
    }
}

int PageAccessible::selectionCount() const
{
    return page()->textCursor().hasSelection() ? 1 : 0;
}

void PageAccessible::select(int start, int end)
{
    const int last = characterCount();
    QTextCursor cursor(page()->document());
    cursor.setPosition(std::clamp(start, 0, last));
    cursor.setPosition(std::clamp(end, 0, last), QTextCursor::KeepAnchor);
    page()->setTextCursor(cursor);
}

void PageAccessible::addSelection(int startOffset, int endOffset)
{
    select(startOffset, endOffset);
}

void PageAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        setCursorPosition(cursorPosition());
}

void PageAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        select(startOffset, endOffset);
}

int PageAccessible::cursorPosition() const
{
    return page()->textCursor().position();
}

void PageAccessible::setCursorPosition(int position)
{
    select(position, position);
}

QString PageAccessible::text(int startOffset, int endOffset) const
{
    // toPlainText keeps one character for each document position.
    const QString all = page()->document()->toPlainText();
    const int start = std::clamp(startOffset, 0, int(all.size()));
    const int end = std::clamp(endOffset, start, int(all.size()));
    return all.mid(start, end - start);
}

QString PageAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                                     int *endOffset) const
{
    if (boundaryType != QAccessible::LineBoundary && boundaryType != QAccessible::ParagraphBoundary)
        return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
    const QTextBlock block = page()->document()->findBlock(std::clamp(offset, 0, characterCount()));
    int start = block.position();
    int end = block.position() + std::max(0, block.length() - 1);
    // A line is as the page shows it, wrapped; a paragraph is the whole block.
    const QTextLayout *layout = block.layout();
    if (boundaryType == QAccessible::LineBoundary && layout && layout->lineCount() > 0) {
        const QTextLine line = layout->lineForTextPosition(offset - block.position());
        if (line.isValid()) {
            start = block.position() + line.textStart();
            end = start + line.textLength();
        }
    }
    *startOffset = start;
    *endOffset = end;
    return text(start, end);
}

int PageAccessible::characterCount() const
{
    return std::max(0, page()->document()->characterCount() - 1);
}

QRect PageAccessible::characterRect(int offset) const
{
    QTextCursor cursor(page()->document());
    cursor.setPosition(std::clamp(offset, 0, characterCount()));
    const QRect local = page()->cursorRect(cursor);
    return QRect(page()->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int PageAccessible::offsetAtPoint(const QPoint &point) const
{
    return page()->cursorForPosition(page()->viewport()->mapFromGlobal(point)).position();
}

void PageAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    select(startIndex, endIndex);
    page()->ensureCursorVisible();
}

QString PageAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

QAccessibleInterface *viewerAccessible(const QString &className, QObject *object)
{
    if (!object)
        return nullptr;
    if (className == QLatin1String(PictureView::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Graphic);
    if (className == QLatin1String(PageBrowser::staticMetaObject.className()))
        return new PageAccessible(static_cast<QTextBrowser *>(object));
    return nullptr;
}

} // namespace qthost
