#include "host/qt/base/notice.h"

#include <QAccessibleWidget>

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

namespace {

class NoticeAccessible final : public QAccessibleWidget
{
public:
    explicit NoticeAccessible(Notice *notice) : QAccessibleWidget(notice, QAccessible::Notification) {}

    QString text(QAccessible::Text text) const override
    {
        return text == QAccessible::Name ? static_cast<Notice *>(widget())->text() : QString();
    }
};

} // namespace

QAccessibleInterface *noticeAccessible(const QString &className, QObject *object)
{
    if (object && className == QLatin1String(Notice::staticMetaObject.className()))
        return new NoticeAccessible(static_cast<Notice *>(object));
    return nullptr;
}

} // namespace qthost
