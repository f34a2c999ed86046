#include "host/qt/viewer/screencolours.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <climits>

namespace qthost {
namespace {

const QString ColorManager = QStringLiteral("org.freedesktop.ColorManager");
// A profile larger than this is no display's.
constexpr qint64 MaxProfileBytes = 16 * 1024 * 1024;

// The root window's profile; empty when there is no X11 display or none is set.
QByteArray x11Profile(bool *isX11)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    *isX11 = display != nullptr;
    if (!display)
        return {};
    const Atom property = XInternAtom(display, "_ICC_PROFILE", True);
    if (property == None)
        return {};
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), property, 0, LONG_MAX / 4, False,
                                          AnyPropertyType, &type, &format, &count, &after, &data);
    QByteArray profile;
    if (status == Success && data && format == 8 && count > 0)
        profile = QByteArray(reinterpret_cast<const char *>(data), qsizetype(count));
    if (data)
        XFree(data);
    return profile;
}

// Each call waits at most this long: a colord that does not answer leaves sRGB.
constexpr int CallTimeoutMs = 500;

QDBusMessage call(QDBusConnection &bus, const QString &path, const QString &interface, const QString &method,
                  const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(ColorManager, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, CallTimeoutMs);
}

QVariant property(QDBusConnection &bus, const QString &path, const QString &interface, const QString &name)
{
    const QDBusMessage reply =
        call(bus, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
}

} // namespace

QColorSpace colordProfile(const QString &model)
{
    // colord lives on the system bus; a test may give one of its own.
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return {};
    const QDBusReply<QList<QDBusObjectPath>> devices =
        call(bus, QStringLiteral("/org/freedesktop/ColorManager"), ColorManager, QStringLiteral("GetDevicesByKind"),
             {QStringLiteral("display")});
    if (!devices.isValid())
        return {};
    QColorSpace found;
    for (const QDBusObjectPath &device : devices.value()) {
        const QString deviceInterface = ColorManager + QStringLiteral(".Device");
        const QList<QDBusObjectPath> profiles =
            qdbus_cast<QList<QDBusObjectPath>>(property(bus, device.path(), deviceInterface, QStringLiteral("Profiles")));
        if (profiles.isEmpty())
            continue;
        const QString file = property(bus, profiles.first().path(), ColorManager + QStringLiteral(".Profile"),
                                      QStringLiteral("Filename"))
                                 .toString();
        QFile icc(file);
        if (file.isEmpty() || !icc.open(QIODevice::ReadOnly) || icc.size() > MaxProfileBytes)
            continue;
        const QColorSpace space = QColorSpace::fromIccProfile(icc.readAll());
        if (!space.isValid())
            continue;
        const bool ours = model.isEmpty()
                          || property(bus, device.path(), deviceInterface, QStringLiteral("Model")).toString() == model;
        if (!found.isValid() || ours)
            found = space;
        if (ours)
            break;
    }
    return found;
}

QColorSpace screenColours()
{
    const QColorSpace standard(QColorSpace::SRgb);
    bool isX11 = false;
    const QByteArray x11 = x11Profile(&isX11);
    QColorSpace profile;
    if (isX11) {
        if (!x11.isEmpty())
            profile = QColorSpace::fromIccProfile(x11);
    } else {
        const QScreen *screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
        profile = colordProfile(screen ? screen->model() : QString());
    }
    // A profile Qt cannot use: the pictures are shown for an sRGB screen.
    return profile.isValid() ? profile : standard;
}

} // namespace qthost
