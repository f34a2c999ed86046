#include "host/qt/viewer/screencolours.h"

#include <QGuiApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <climits>

namespace qthost {

QColorSpace screenColours()
{
    const QColorSpace standard(QColorSpace::SRgb);
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return standard;
    const Atom property = XInternAtom(display, "_ICC_PROFILE", True);
    if (property == None)
        return standard;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), property, 0, LONG_MAX / 4, False,
                                          AnyPropertyType, &type, &format, &count, &after, &data);
    QColorSpace profile;
    if (status == Success && data && format == 8 && count > 0)
        profile = QColorSpace::fromIccProfile(QByteArray(reinterpret_cast<const char *>(data), qsizetype(count)));
    if (data)
        XFree(data);
    // A profile Qt cannot use: the pictures are shown for an sRGB screen.
    return profile.isValid() ? profile : standard;
}

} // namespace qthost
