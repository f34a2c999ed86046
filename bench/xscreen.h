#pragma once

// The real X display as a user meets it: keys pressed through XTest, and
// pixels read back from the screen, so that "key to pixels" is measured to
// the frame the X server actually holds.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <chrono>
#include <cstdlib>
#include <optional>

struct _XDisplay;

class XScreen
{
public:
    XScreen();
    ~XScreen();
    XScreen(const XScreen &) = delete;
    XScreen &operator=(const XScreen &) = delete;
    bool isOpen() const { return m_display != nullptr; }

    // "Down", "End", "Tab" ...: press and release.
    void key(const char *keysym);
    // Holds the key down (the X server repeats it, every `repeatMs` after
    // `delayMs`), or lets it go.
    void holdKey(const char *keysym, int delayMs, int repeatMs);
    void letGoOfKey(const char *keysym);
    void click(QPoint at);
    QColor pixel(QPoint at);
    // What the screen shows in `area`; null if it cannot be read.
    QImage grab(const QRect &area);
    // The first point of the screen, on a grid of `step`, holding exactly `colour`.
    std::optional<QPoint> find(const QColor &colour, int step);
    // The bounds of the largest area of the screen, read on a grid of `step`,
    // whose points are all near `colour` and which is a rectangle of about
    // `aspect` (width to height): where a picture's flat part shows, whatever
    // else (a thumbnail of it, a background of a like colour) shows it too.
    std::optional<QRect> area(const QColor &colour, int step, double aspect);

private:
    _XDisplay *m_display = nullptr;
};

using Clock = std::chrono::steady_clock;

inline double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline bool near(const QColor &a, const QColor &b, int tolerance = 18)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}
