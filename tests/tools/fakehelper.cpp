// A decoder helper that lies: it speaks the helpers' protocol, and answers
// every picture of more than a kilobyte with the lie its second argument
// names, as code running in a compromised helper could. Smaller pictures,
// and every picture with "honest", get an honest 30 x 20 answer, so that a
// test can tell a lie refused from a fake that never works. With "damages
// what it writes" it writes marks as asked but changes a byte of the
// picture, and its pictures are made from their files' bytes, so that the
// window's check of what was written has something to find.
// With "ready once asked" it says it is ready only once a request has
// come; with "ends once asked" it ends then, unready. With "needs fonts" it
// sends every request back for a helper with fonts unless it was started
// with them (then it is honest); with "needs fonts even with them" always.
//   zelvo-fake-helper <memory MiB> <lie> [--fonts]
// Started as the window starts its helpers: socket on 3, cancel word on 4.

#include "picture/wire/details.h"
#include "picture/wire/protocol.h"
#include "picture/wire/sealedmemory.h"

#include <QByteArray>
#include <QImage>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace picture::protocol;

namespace {

constexpr int Socket = 3;

// Asks for memory as an honest helper does; the memory lent, -1 when none.
int borrow(quint64 id, quint64 bytes)
{
    Reply ask;
    ask.id = id;
    ask.status = Status::NeedsMemory;
    ask.memoryBytes = bytes;
    if (!send(Socket, &ask, sizeof ask, {}, -1))
        _exit(0);
    std::optional<Received> lent = receive(Socket, MaxMessageBytes);
    if (!lent)
        _exit(0);
    return lent->fd;
}

Reply picture(quint64 id, int width, int height, QImage::Format format)
{
    Reply reply;
    reply.id = id;
    reply.status = Status::Decoded;
    reply.fullWidth = reply.width = width;
    reply.fullHeight = reply.height = height;
    reply.regionWidth = width;
    reply.regionHeight = height;
    reply.format = int(format);
    reply.bytesPerLine = int((qint64(width) * QImage::toPixelFormat(format).bitsPerPixel() + 31) / 32 * 4);
    return reply;
}

void fill(int fd, quint64 bytes, bool keepMapped = false)
{
    void *memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED)
        return;
    memset(memory, 0xC0, bytes);
    if (!keepMapped)
        munmap(memory, bytes);
}

QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[65536];
    for (ssize_t got; (got = pread(fd, buffer, sizeof buffer, off_t(bytes.size()))) > 0;)
        bytes.append(buffer, got);
    return bytes;
}

// The marks it was asked to write last, said of every picture after.
picture::PhotoDetails written;

// "damages what it writes": edits and decodes as the lie says.
void damage(const Request &request, int file)
{
    const QByteArray bytes = readAll(file);
    if (request.kind == RequestKind::Edit) {
        QByteArray changed = bytes;
        changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 0x55);
        if (request.flags & EditsRating)
            written.marks.rating = request.rating;
        if (request.flags & EditsLabel)
            written.marks.label = marks::Label(request.label);
        Reply reply;
        reply.id = request.id;
        reply.status = Status::Rewritten;
        reply.memoryBytes = quint64(changed.size());
        const int memory = borrow(request.id, reply.memoryBytes);
        void *at = mmap(nullptr, size_t(changed.size()), PROT_READ | PROT_WRITE, MAP_SHARED, memory, 0);
        memcpy(at, changed.constData(), size_t(changed.size()));
        munmap(at, size_t(changed.size()));
        close(memory);
        send(Socket, &reply, sizeof reply, {}, -1);
        return;
    }
    if (request.kind == RequestKind::Compare) {
        // Its pictures of the two files differ (the byte it changed shows):
        // the marks written last, and not the same pixels.
        Reply reply;
        reply.id = request.id;
        reply.status = Status::CannotDisplay;
        const QByteArray details = picture::encodeDetails(written);
        reply.detailsBytes = quint32(details.size());
        send(Socket, &reply, sizeof reply, details, -1);
        return;
    }
    // A picture that is its file's bytes, and the marks written last.
    Reply reply = picture(request.id, 30, 20, QImage::Format_Grayscale8);
    const quint64 size = quint64(reply.bytesPerLine) * quint64(reply.height);
    const int memory = borrow(request.id, size);
    uchar *at = static_cast<uchar *>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, memory, 0));
    // Every byte of the file counts in one pixel: any byte changed shows.
    memset(at, 0, size);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        at[quint64(i) % size] = uchar(at[quint64(i) % size] * 31 + uchar(bytes[i]));
    munmap(at, size);
    close(memory);
    const QByteArray details = picture::encodeDetails(written);
    reply.detailsBytes = quint32(details.size());
    send(Socket, &reply, sizeof reply, details, -1);
}

void answer(QByteArray lie, const Request &request, int file)
{
    if (lie == "damages what it writes")
        return damage(request, file);
    const quint64 id = request.id;
    struct stat status {};
    if (file < 0 || fstat(file, &status) != 0 || status.st_size <= 1024)
        lie = "honest";
    if (lie == "crash") {
        // A fault, as a decoder's own: a signal it sent itself would not
        // end the first process of a PID namespace.
        *static_cast<volatile int *>(nullptr) = 0;
    }
    if (lie == "silent")
        return; // never answers: only the deadline ends it
    if (lie == "another id") {
        Reply reply = picture(id + 1000, 30, 20, QImage::Format_RGB32);
        send(Socket, &reply, sizeof reply, {}, -1);
        return;
    }
    if (lie == "flood") {
        // Thousands of answers to nothing, then the truth.
        for (int i = 0; i < 5000; ++i) {
            Reply noise = picture(id + 1 + quint64(i), 30, 20, QImage::Format_RGB32);
            send(Socket, &noise, sizeof noise, {}, -1);
        }
    }
    if (lie == "its own memory" || lie == "a 900-megapixel memfd of its own") {
        // Pixels in memory of its own, sealed: the window takes only what it lent.
        const bool huge = lie.startsWith("a 900");
        const Reply reply = picture(id, huge ? 30000 : 30, huge ? 30000 : 20, QImage::Format_RGB32);
        const int memory = memfd_create("lie", MFD_ALLOW_SEALING);
        if (ftruncate(memory, off_t(qint64(reply.bytesPerLine) * reply.height)) != 0)
            _exit(1);
        fcntl(memory, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
        send(Socket, &reply, sizeof reply, {}, memory);
        close(memory);
        return;
    }
    if (lie == "900 megapixels asked for") {
        const Reply reply = picture(id, 30000, 30000, QImage::Format_RGB32);
        const int memory = borrow(id, quint64(reply.bytesPerLine) * quint64(reply.height));
        if (memory >= 0)
            close(memory);
        send(Socket, &reply, sizeof reply, {}, -1);
        return;
    }
    QImage::Format format = QImage::Format_RGB32;
    if (lie == "mono")
        format = QImage::Format_Mono;
    else if (lie == "indexed")
        format = QImage::Format_Indexed8;
    Reply reply = picture(id, 30, 20, format);
    quint64 bytes = quint64(reply.bytesPerLine) * quint64(reply.height);
    if (lie == "larger than its memory")
        reply.height = 2000; // memory for 20 lines, a claim of 2000
    const int memory = borrow(id, bytes);
    if (memory < 0)
        return;
    fill(memory, bytes, lie == "keeps writing");
    // Let go of before the reply, as an honest helper does (the window looks).
    if (lie != "keeps the memory")
        close(memory);
    if (lie == "descriptors it was not asked for") {
        const int extra = open("/dev/null", O_RDONLY);
        send(Socket, &reply, sizeof reply, {}, extra, extra);
        close(extra);
    } else {
        send(Socket, &reply, sizeof reply, {}, -1);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    close_range(4, ~0U, 0); // the cancel word too: it never stops

    if (argc < 3)
        return 2;
    QByteArray lie = argv[2];
    const bool fonts = argc > 3 && std::strcmp(argv[3], "--fonts") == 0;
    // As a helper still starting when its first picture is handed over:
    // ready only once asked, or gone before it has read it.
    if (lie == "ready once asked" || lie == "ends once asked") {
        pollfd asked{Socket, POLLIN, 0};
        if (poll(&asked, 1, -1) != 1 || lie == "ends once asked")
            return 1;
        lie = "honest";
    }
    Reply ready;
    ready.status = Status::Ready;
    if (!send(Socket, &ready, sizeof ready, {}, -1))
        return 0;
    while (true) {
        std::optional<Received> received = receive(Socket, MaxMessageBytes);
        if (!received)
            return 0;
        const std::optional<Request> request = parse<Request>(received->bytes);
        const bool sendsBack = lie == "needs fonts even with them" || (lie == "needs fonts" && !fonts);
        if (request && request->kind != RequestKind::ScreenProfile && request->kind != RequestKind::Memory) {
            if (sendsBack) {
                Reply back;
                back.id = request->id;
                back.status = Status::NeedsFonts;
                send(Socket, &back, sizeof back, {}, -1);
            } else {
                answer(lie == "needs fonts" ? QByteArray("honest") : lie, *request, received->fd);
            }
        }
        for (const int fd : {received->fd, received->second, received->third}) {
            if (fd >= 0)
                close(fd);
        }
    }
}
