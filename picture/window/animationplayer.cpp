#include "picture/window/animationplayer.h"

#include "picture/window/decodequeue.h"
#include "picture/window/replycheck.h"
#include "platform/platform.h"

#include <unistd.h>

namespace picture {

int frameDelay(int delayMs)
{
    return delayMs <= 10 ? 100 : delayMs;
}

AnimationPlayer::AnimationPlayer(const QString &path, QSize bounds, const QColorSpace &screen, int firstDelayMs,
                                 int loops, const HelperProcess::Options &helper, QObject *parent)
    : QObject(parent), m_path(path), m_bounds(bounds), m_loops(loops), m_helper(new HelperProcess(helper, this))
{
    m_helper->setScreenProfile(screen.iccProfile());
    m_due.setSingleShot(true);
    m_deadline.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, &AnimationPlayer::showDue);
    connect(&m_deadline, &QTimer::timeout, m_helper, &HelperProcess::kill);
    connect(m_helper, &HelperProcess::ready, this, &AnimationPlayer::open);
    connect(m_helper, &HelperProcess::replied, this, &AnimationPlayer::received);
    // A helper that fails ends the animation: the frame shown stays.
    connect(m_helper, &HelperProcess::ended, this, [this] { m_due.stop(); });
    m_due.start(frameDelay(firstDelayMs));
}

void AnimationPlayer::open()
{
    const int fd = platform::openRegularFile(m_path);
    if (fd < 0) {
        m_helper->kill();
        return;
    }
    protocol::Request request;
    request.id = ++m_asked;
    request.kind = protocol::RequestKind::Frames;
    request.boundsWidth = m_bounds.width();
    request.boundsHeight = m_bounds.height();
    m_helper->send(request, {}, fd, -1, replyBytes(DecodeRequest::fitted(m_path, m_bounds)));
    ::close(fd);
    m_deadline.start(FrameDeadlineMs);
}

void AnimationPlayer::askNext()
{
    protocol::Request request;
    request.id = ++m_asked;
    request.kind = protocol::RequestKind::NextFrame;
    m_helper->send(request, {}, -1, -1, replyBytes(DecodeRequest::fitted(m_path, m_bounds)));
    m_deadline.start(FrameDeadlineMs);
}

void AnimationPlayer::received(const protocol::Reply &reply, const QByteArray &tail, int fd)
{
    m_deadline.stop();
    const DecodedPicture picture = pictureFrom(reply, tail, fd);
    if (reply.status == protocol::Status::Animated) {
        // The first frame, again: it is on the screen already.
        askNext();
        return;
    }
    if (picture.status != DecodedPicture::Status::Decoded) {
        m_helper->kill();
        return;
    }
    if (reply.frame == 0 && ++m_played > m_loops && m_loops >= 0)
        return; // played as often as the file asks: the last frame stays
    m_next = picture.image;
    m_nextDelay = picture.delayMs;
    if (m_overdue)
        showDue();
}

void AnimationPlayer::showDue()
{
    if (!m_next) {
        m_overdue = true;
        return;
    }
    m_overdue = false;
    emit frameReady(*std::exchange(m_next, std::nullopt));
    m_due.start(frameDelay(m_nextDelay));
    askNext();
}

} // namespace picture
