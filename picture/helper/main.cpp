// zelvo-decoder: the program's decoder helper, started by the program
// itself (picture/window/helperprocess.h) with its socket as descriptor 3 and the
// word that cancels a decode, shared, as descriptor 4. Argument: its
// memory limit in MiB (0: none).

#include "picture/helper/containment.h"
#include "picture/helper/picturedecode.h"
#include "picture/helper/server.h"
#include "picture/wire/protocol.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QtPlugin>

#include <csignal>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

// The program's own picture formats (HEIF, AVIF, JPEG XL, camera RAW), for
// every QImageReader here. Only the helpers decode, so only they load the
// formats' libraries: the window starts without them.
Q_IMPORT_PLUGIN(ZelvoImageFormats)

namespace {

constexpr int Socket = 3;
constexpr int CancelWord = 4;
constexpr int CpuSeconds = 600;

} // namespace

int main(int argc, char *argv[])
{
    // Nothing of the program's but what it handed over.
    ::close_range(CancelWord + 1, ~0U, 0);
    // Goes with the program, however the program ends.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc < 2 || ::getppid() == 1)
        return 2;
    // It runs in a folder that is empty and stays so: made, entered and
    // removed, so that nothing can be made in it.
    QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/zelvo-decoder-XXXXXX";
    if (!::mkdtemp(folder.data()) || ::chdir(folder.constData()) != 0 || ::rmdir(folder.constData()) != 0)
        return 2;
    void *shared = ::mmap(nullptr, sizeof(std::atomic_bool), PROT_READ | PROT_WRITE, MAP_SHARED, CancelWord, 0);
    if (shared == MAP_FAILED)
        return 2;
    // Fewer malloc arenas: each holds on to memory it has freed, which the
    // limit counts.
    ::mallopt(M_ARENA_MAX, 2);

    // Fonts, for pictures that draw text, without any display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QImageReader::setAllocationLimit(int(picture::MaxPicturePixels * 4 / (1024 * 1024)) + 1);
    picture::loadDecoders();

    quint64 memory = QByteArray(argv[1]).toULongLong() * 1024 * 1024;
#if defined(__SANITIZE_ADDRESS__)
    memory = 0; // the sanitizer's shadow memory is terabytes
#endif
    if (!picture::containThisProcess(memory, CpuSeconds))
        return 3;

    picture::protocol::Reply ready;
    ready.status = picture::protocol::Status::Ready;
    if (!picture::protocol::send(Socket, &ready, sizeof ready, {}, -1))
        return 0;
    // Ends without the C library's clean-up: nothing is left to save.
    ::_exit(picture::serveDecodes(Socket, new (shared) std::atomic_bool(false)));
}
