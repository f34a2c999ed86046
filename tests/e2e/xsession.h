#pragma once

// Driving a real X display the way a user does: xdotool for the mouse and
// keys, wmctrl to close a window through the window manager, ImageMagick's
// import for screenshots.

#include <QDir>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTest>

namespace xsession {

inline QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000))
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// The windows of a class that are mapped now.
inline QStringList visibleWindows(const QString &windowClass)
{
    return run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--class"), windowClass})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

inline QString waitForWindow(const QString &title)
{
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')})
        .section(QLatin1Char('\n'), 0, 0);
}

// The window's client area on the screen.
inline QRect geometry(const QString &window)
{
    const QStringList lines = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"),
                                                              QStringLiteral("--shell"), window})
                                  .split(QLatin1Char('\n'));
    QRect rect;
    for (const QString &line : lines) {
        const int value = line.section(QLatin1Char('='), 1).toInt();
        if (line.startsWith(QLatin1String("X=")))
            rect.moveLeft(value);
        else if (line.startsWith(QLatin1String("Y=")))
            rect.moveTop(value);
        else if (line.startsWith(QLatin1String("WIDTH=")))
            rect.setWidth(value);
        else if (line.startsWith(QLatin1String("HEIGHT=")))
            rect.setHeight(value);
    }
    return rect;
}

inline void click(QPoint at, int button)
{
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                    QStringLiteral("click"), QString::number(button)});
}

inline void keys(const QStringList &names)
{
    run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80")}
                                       + names);
}

inline QString artifactsFolder()
{
    const QString folder = QStringLiteral(ZELVO_ARTIFACTS_DIR);
    QDir().mkpath(folder);
    return folder;
}

// Saves the whole screen as an artifact; returns its path.
inline QString screenshot(const QString &name)
{
    const QString file = artifactsFolder() + QLatin1Char('/') + name;
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    return file;
}

} // namespace xsession
