#include "xscreen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

XScreen::XScreen() : m_display(XOpenDisplay(nullptr)) {}

XScreen::~XScreen()
{
    if (m_display)
        XCloseDisplay(m_display);
}

void XScreen::key(const char *keysym)
{
    const KeyCode code = XKeysymToKeycode(m_display, XStringToKeysym(keysym));
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    XFlush(m_display);
}

void XScreen::click(QPoint at)
{
    XTestFakeMotionEvent(m_display, -1, at.x(), at.y(), CurrentTime);
    XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
    XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
    XFlush(m_display);
}

QColor XScreen::pixel(QPoint at)
{
    XImage *image = XGetImage(m_display, DefaultRootWindow(m_display), at.x(), at.y(), 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return {};
    const unsigned long value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

std::optional<QPoint> XScreen::find(const QColor &colour, int step)
{
    const Window root = DefaultRootWindow(m_display);
    XWindowAttributes attributes{};
    XGetWindowAttributes(m_display, root, &attributes);
    XImage *image = XGetImage(m_display, root, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes,
                              ZPixmap);
    if (!image)
        return std::nullopt;
    const unsigned long wanted = (unsigned long)(colour.red() << 16 | colour.green() << 8 | colour.blue());
    std::optional<QPoint> found;
    for (int y = 0; y < attributes.height && !found; y += step) {
        for (int x = 0; x < attributes.width; x += step) {
            if ((XGetPixel(image, x, y) & 0xFFFFFF) == wanted) {
                found = QPoint(x, y);
                break;
            }
        }
    }
    XDestroyImage(image);
    return found;
}
