#pragma once

#include <QAccessibleWidget>

class QTextBrowser;

namespace qthost {

// The viewer's HTML page as a read-only document: Qt 6.4 presents a
// read-only text browser as a label, whose text screen readers never read.
// As a document, its current line is read when it takes the focus and the
// whole text on request.
class PageAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit PageAccessible(QTextBrowser *page);

    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(QAccessible::Text t) const override { return QAccessibleWidget::text(t); }
    QString text(int startOffset, int endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    QTextBrowser *page() const;
    void select(int start, int end);
};

// The viewer's parts as screen readers meet them: the picture an image, the
// page a document. An accessibility factory (QAccessible::installFactory).
QAccessibleInterface *viewerAccessible(const QString &className, QObject *object);

} // namespace qthost
