#pragma once

#include "host/host.h"
#include "host/qt/lists/mousedown.h"

#include <QListView>

namespace qthost {

// What the folder and file lists share: one selected row, no editing, rows
// of one height; MouseDown for every button (a right button only asks for
// the popup, the selection stays) and the popup keys; the folder shown, in
// Qt's internal form. For screen readers: entering a list names its current
// row, and a list that only follows the disk says nothing.
class ListView : public QListView
{
    Q_OBJECT
public:
    explicit ListView(QWidget *parent);
    // Where the list's events go; `events` is not owned.
    void attach(host::Events *events, MouseDownSource mouseDown);

protected:
    QString nativePath() const;
    void resizeToTwips(host::Twips height);
    // True when the key opened the popup (and so is used up).
    bool popupKeyPressed(QKeyEvent *event);

    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

    host::Events *m_events = nullptr;
    QString m_path; // internal form, "/" separated
    // While this is true, moving the current row sends screen readers no
    // focus event: the list is being filled again, not moved by the user.
    bool m_quietRows = false;

private:
    void tellCurrentRow();

    MouseDownSource m_mouseDown;
};

} // namespace qthost
