#include "host/qt/notice.h"

namespace qthost {

Notice::Notice(QWidget *window) : QWidget(window)
{
    setObjectName(QStringLiteral("Notice"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
    hide();
}

void Notice::tell(const QString &text)
{
    m_text = text;
    // Screen readers speak a notification as it appears, so it appears anew
    // for every message, the same one again included.
    hide();
    show();
}

Notice *Notice::of(QWidget *widget)
{
    QWidget *window = widget->window();
    if (auto *notice = window->findChild<Notice *>(QString(), Qt::FindDirectChildrenOnly))
        return notice;
    return new Notice(window);
}

} // namespace qthost
