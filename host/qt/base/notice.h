#pragma once

#include <QWidget>

class QAccessibleInterface;

namespace qthost {

// A message for screen readers only, heard wherever the keyboard is: each
// time it is told something it appears (0 by 0 pixels) as a notification,
// which screen readers speak on appearing.
class Notice final : public QWidget
{
    Q_OBJECT
public:
    explicit Notice(QWidget *window);

    void tell(const QString &text);
    QString text() const { return m_text; }

    // The notice of the window that holds `widget`, made on first use.
    static Notice *of(QWidget *widget);

private:
    QString m_text;
};

// The notice as screen readers meet it: a notification named by its text.
// An accessibility factory (QAccessible::installFactory).
QAccessibleInterface *noticeAccessible(const QString &className, QObject *object);

} // namespace qthost
