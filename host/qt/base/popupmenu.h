#pragma once

#include <QMenu>

namespace qthost {

// A popup of the window; its own class so that screen readers meet it as
// the window's child (see accessiblepopup.h). Make it a child of the window.
class PopupMenu final : public QMenu
{
    Q_OBJECT
public:
    using QMenu::QMenu;

    // Opens at `globalPos`, modally, and returns the chosen action (null when
    // dismissed). Opened from the keyboard, it tells screen readers that it
    // has the focus, so that they say it opened; Down then highlights the
    // first item.
    QAction *open(const QPoint &globalPos, bool fromKeyboard);
};

} // namespace qthost
