#include "xscreen.h"

#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct DestroyImage
{
    void operator()(XImage *image) const { XDestroyImage(image); }
};
using Image = std::unique_ptr<XImage, DestroyImage>;

Image wholeScreen(Display *display)
{
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, root, &attributes);
    return Image(
        XGetImage(display, root, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes, ZPixmap));
}

} // namespace

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

void XScreen::holdKey(const char *keysym, int delayMs, int repeatMs)
{
    XAutoRepeatOn(m_display);
    XkbSetAutoRepeatRate(m_display, XkbUseCoreKbd, unsigned(delayMs), unsigned(repeatMs));
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, XStringToKeysym(keysym)), True, CurrentTime);
    XFlush(m_display);
}

void XScreen::letGoOfKey(const char *keysym)
{
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, XStringToKeysym(keysym)), False, CurrentTime);
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

QImage XScreen::grab(const QRect &area)
{
    const Image image(XGetImage(m_display, DefaultRootWindow(m_display), area.x(), area.y(), unsigned(area.width()),
                                unsigned(area.height()), AllPlanes, ZPixmap));
    if (!image)
        return {};
    QImage grabbed(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(grabbed.scanLine(y));
        for (int x = 0; x < area.width(); ++x)
            line[x] = QRgb(XGetPixel(image.get(), x, y) | 0xFF000000);
    }
    return grabbed;
}

std::optional<QPoint> XScreen::find(const QColor &colour, int step)
{
    const Image image = wholeScreen(m_display);
    if (!image)
        return std::nullopt;
    const unsigned long wanted = (unsigned long)(colour.red() << 16 | colour.green() << 8 | colour.blue());
    std::optional<QPoint> found;
    for (int y = 0; y < image->height && !found; y += step) {
        for (int x = 0; x < image->width; x += step) {
            if ((XGetPixel(image.get(), x, y) & 0xFFFFFF) == wanted) {
                found = QPoint(x, y);
                break;
            }
        }
    }
    return found;
}

std::optional<QRect> XScreen::area(const QColor &colour, int step, double aspect)
{
    const Image image = wholeScreen(m_display);
    if (!image)
        return std::nullopt;
    const int columns = image->width / step, rows = image->height / step;
    std::vector<char> isNear(size_t(columns) * size_t(rows), 0);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const unsigned long value = XGetPixel(image.get(), column * step, row * step);
            const QColor seen(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
            isNear[size_t(row) * size_t(columns) + size_t(column)] = near(seen, colour) ? 1 : 0;
        }
    }

    // Connected areas of near points (4-neighbours); the largest of the shape wins.
    std::vector<char> seen(isNear.size(), 0);
    std::optional<QRect> largest;
    size_t largestCount = 0;
    std::vector<QPoint> pending;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const size_t start = size_t(row) * size_t(columns) + size_t(column);
            if (!isNear[start] || seen[start])
                continue;
            seen[start] = 1;
            pending.assign(1, QPoint(column, row));
            QRect bounds(column, row, 1, 1);
            size_t count = 0;
            while (!pending.empty()) {
                const QPoint at = pending.back();
                pending.pop_back();
                ++count;
                bounds |= QRect(at, QSize(1, 1));
                for (const QPoint next : {at + QPoint(1, 0), at - QPoint(1, 0), at + QPoint(0, 1), at - QPoint(0, 1)}) {
                    if (next.x() < 0 || next.y() < 0 || next.x() >= columns || next.y() >= rows)
                        continue;
                    const size_t index = size_t(next.y()) * size_t(columns) + size_t(next.x());
                    if (isNear[index] && !seen[index]) {
                        seen[index] = 1;
                        pending.push_back(next);
                    }
                }
            }
            // A flat rectangle of about that shape: not a window's background
            // of a like colour, which has the picture as a hole in it.
            const double shape = double(bounds.width()) / bounds.height();
            const bool rectangle = count * 10 >= size_t(bounds.width()) * size_t(bounds.height()) * 9;
            if (rectangle && std::abs(shape / aspect - 1.0) <= 0.15 && count > largestCount) {
                largestCount = count;
                largest = QRect(bounds.x() * step, bounds.y() * step, bounds.width() * step, bounds.height() * step);
            }
        }
    }
    return largest;
}
