// Decodes each picture given in every way the window asks for one (fitted,
// whole, a part, its preview, an animation's frames) in decoder helpers that
// write each system call their filter refuses to standard error, so that
// scripts/audit-sandbox.sh can tell what the decoders need.
//   zelvo-sandbox-audit <picture>...

#include "picture/window/decodequeue.h"
#include "picture/window/helperprocess.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

using namespace picture;

namespace {

// Waits for `done` on the event loop, at most `ms`.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

void frames(const HelperProcess::Options &options, const QString &path)
{
    HelperProcess helper(options, nullptr);
    if (!waitFor([&] { return helper.isReady() || helper.hasEnded(); }, 30000) || helper.hasEnded())
        return;
    int replies = 0;
    QObject::connect(&helper, &HelperProcess::replied, [&](const protocol::Reply &, const QByteArray &, int fd) {
        if (fd >= 0)
            ::close(fd);
        ++replies;
    });
    const int fd = platform::openRegularFile(path);
    if (fd < 0)
        return;
    protocol::Request request;
    request.kind = protocol::RequestKind::Frames;
    request.boundsWidth = 400;
    request.boundsHeight = 300;
    for (quint64 id = 1; id <= 4; ++id) {
        request.id = id;
        if (!helper.send(request, {}, id == 1 ? fd : -1, -1, 400 * 300 * 8))
            break;
        request.kind = protocol::RequestKind::NextFrame;
        if (!waitFor([&] { return replies >= int(id) || helper.hasEnded(); }, 20000) || helper.hasEnded())
            break;
    }
    ::close(fd);
}

} // namespace

int main(int argc, char *argv[])
{
    // The helpers' standard error is heard: where the refusals are written.
    qputenv("QT_LOGGING_RULES", "zelvo.decoders.info=true");
    QCoreApplication application(argc, argv);
    DecodeQueue queue;
    HelperProcess::Options options = queue.helperOptions();
    options.arguments = {QStringLiteral("--audit")};
    queue.setHelper(options);
    for (const QString &path : application.arguments().mid(1)) {
        std::fprintf(stderr, "audit: %s\n", qPrintable(path));
        const QList<DecodeRequest> requests{DecodeRequest::fitted(path, QSize(400, 300)),
                                            DecodeRequest::fitted(path, QSize()),
                                            DecodeRequest::part(path, 2.0, QRect(10, 10, 50, 40)),
                                            DecodeRequest::previewOf(path, QSize(400, 300))};
        for (const DecodeRequest &request : requests) {
            bool heard = false;
            queue.decode(request, DecodeQueue::Priority::Shown, &queue, [&heard](const DecodedPicture &picture) {
                heard = true;
                std::fprintf(stderr, "audit: status %d reason %d, %dx%d\n", int(picture.status), int(picture.reason),
                             picture.image.width(), picture.image.height());
            });
            waitFor([&] { return heard; }, 30000);
        }
        frames(queue.helperOptions(), path);
    }
    return 0;
}
