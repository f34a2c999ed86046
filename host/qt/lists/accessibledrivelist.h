#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;

namespace qthost {

// The drive list as screen readers meet it: Qt 6.4 names a combo box by its
// current text, so a screen reader would say "/" for it; here the name is
// the list's own, its choice the value. An accessibility factory
// (QAccessible::installFactory).
QAccessibleInterface *listsAccessible(const QString &className, QObject *object);

} // namespace qthost
