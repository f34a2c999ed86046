#pragma once

#include <QListView>

namespace qthost {

// What the folder and file lists share for screen readers: entering a list
// names its current row, and a list that only follows the disk says nothing.
class ListView : public QListView
{
    Q_OBJECT
public:
    using QListView::QListView;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

    // While this is true, moving the current row sends screen readers no
    // focus event: the list is being filled again, not moved by the user.
    bool m_quietRows = false;

private:
    void tellCurrentRow();
};

} // namespace qthost
