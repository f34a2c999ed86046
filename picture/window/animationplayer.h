#pragma once

#include "picture/window/helperprocess.h"

#include <QColorSpace>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>

#include <optional>

namespace picture {

// Plays an animation whose first frame is on the screen already: a decoder
// helper of its own decodes each next frame while the one before shows, so
// the window's thread only shows them on time. Stops with the animation's
// own count of loops, or when its helper fails.
class AnimationPlayer final : public QObject
{
    Q_OBJECT
public:
    // Frames fitted within `bounds`, in `screen`'s colours; the first one
    // shows for `firstDelayMs`; `loops` as the file says (-1 for ever).
    AnimationPlayer(const QString &path, QSize bounds, const QColorSpace &screen, int firstDelayMs, int loops,
                    const HelperProcess::Options &helper, QObject *parent);

    // A helper's frame stops being waited for after this long.
    static constexpr int FrameDeadlineMs = 10000;

signals:
    void frameReady(const QImage &frame);

private:
    void open();
    void received(const protocol::Reply &reply, const QByteArray &tail, int fd);
    void askNext();
    void showDue();

    QString m_path;
    QSize m_bounds;
    int m_loops;
    int m_played = 0; // loops played to the end
    HelperProcess *m_helper;
    QTimer m_due;      // the shown frame's time is up
    QTimer m_deadline;
    std::optional<QImage> m_next;
    int m_nextDelay = 0;
    bool m_overdue = false; // the shown frame's time is up, the next not yet here
    quint64 m_asked = 0;
};

// How long a frame shows: as the file says, but at least a tenth of a second
// for the shortest delays, as browsers do.
int frameDelay(int delayMs);

} // namespace picture
