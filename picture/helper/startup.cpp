#include "picture/helper/startup.h"

#include "picture/helper/containment.h"
#include "picture/helper/preload.h"
#include "picture/wire/decoding.h"
#include "picture/wire/protocol.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>

#include <cstring>
#include <malloc.h>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace picture {
namespace {

constexpr int Socket = 3;
constexpr int CancelWord = 4;
constexpr int CpuSeconds = 600;

bool hasOption(int argc, char *argv[], const char *option)
{
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            return true;
    }
    return false;
}

} // namespace

std::optional<ReadyHelper> startContained(int argc, char *argv[], int *status)
{
    *status = 2;
    // Nothing of the program's but what it handed over.
    ::close_range(CancelWord + 1, ~0U, 0);
    if (argc < 2)
        return std::nullopt;
    const bool audit = hasOption(argc, argv, "--audit");
    const bool fonts = hasOption(argc, argv, "--fonts");
    // Where no empty root can be made, it runs in a folder that is empty
    // and stays so: made, entered and removed.
    QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/zelvo-decoder-XXXXXX";
    if (!::mkdtemp(folder.data()) || ::chdir(folder.constData()) != 0 || ::rmdir(folder.constData()) != 0)
        return std::nullopt;
    void *shared = ::mmap(nullptr, sizeof(std::atomic_bool), PROT_READ | PROT_WRITE, MAP_SHARED, CancelWord, 0);
    if (shared == MAP_FAILED)
        return std::nullopt;
    // The mapping stays; the descriptor goes, so that it holds no memfd.
    ::close(CancelWord);
    // Fewer malloc arenas: each holds on to memory it has freed, which the
    // limit counts.
    ::mallopt(M_ARENA_MAX, 2);
    // A picture's big buffers go back to the system as they are freed. Left
    // to itself, malloc raises this bound after the first big free and keeps
    // the next ones in its heap, which then holds the decoders' buffers
    // beside the pixels converted from them: a 12 MP HEIC's decode peaked
    // at 161 MB against 118 MB.
    ::mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);

    // For the fonts of pictures that draw text, without any display. Made
    // once, for the helper's life (the application object stays, as in main()).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
    QImageReader::setAllocationLimit(int(MaxPicturePixels * 4 / (1024 * 1024)) + 1);
    loadDecoders(fonts);

    ContainmentLimits limits;
    limits.data = QByteArray(argv[1]).toULongLong() * 1024 * 1024;
    limits.reply = quint64(MaxPicturePixels) * 8;
    limits.cpuSeconds = CpuSeconds;
#if defined(__SANITIZE_ADDRESS__)
    limits.data = 0; // the sanitizer's shadow memory is terabytes
#endif
    const quint32 contained = containThisProcess(limits, audit);
    if (!(contained & protocol::SystemCallFilter)) {
        *status = 3;
        return std::nullopt;
    }
    protocol::Reply ready;
    ready.status = protocol::Status::Ready;
    ready.containment = contained;
    if (!protocol::send(Socket, &ready, sizeof ready, {}, -1)) {
        *status = 0;
        return std::nullopt;
    }
    return ReadyHelper{Socket, new (shared) std::atomic_bool(false), fonts};
}

} // namespace picture
