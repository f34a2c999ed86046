#pragma once

#include <QWidget>

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

} // namespace qthost
