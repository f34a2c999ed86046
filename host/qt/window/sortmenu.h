#pragma once

#include "folders/sortorder.h"

#include <QObject>

class QAction;
class QActionGroup;
class QMenu;

namespace qthost {

// The file list's orders at the foot of its popup, below the filter: one
// of 名前順, 撮影日時順, 更新日時順, サイズ順 ticked, and 逆順.
class SortMenu final : public QObject
{
    Q_OBJECT
public:
    explicit SortMenu(QMenu *menu);
    // Ticks the items as `order` is, saying nothing.
    void show(folders::SortOrder order);
    folders::SortOrder order() const;
    QAction *item(folders::SortKey key) const;
    QAction *reversedItem() const { return m_reversed; }

signals:
    void chosen(folders::SortOrder order);

private:
    QActionGroup *m_keys;
    QAction *m_reversed;
};

} // namespace qthost
