#include "picture/wire/protocol.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace picture::protocol {

bool send(int socket, const void *message, size_t size, const QByteArray &tail, int fd, int second, int third)
{
    iovec parts[2] = {{const_cast<void *>(message), size},
                      {const_cast<char *>(tail.constData()), size_t(tail.size())}};
    msghdr header{};
    header.msg_iov = parts;
    header.msg_iovlen = tail.isEmpty() ? 1 : 2;
    // Those given, in their order: a receiver tells which is which by the
    // request's flags.
    int fds[3] = {-1, -1, -1};
    size_t count = 0;
    for (const int given : {fd, second, third}) {
        if (given >= 0)
            fds[count++] = given;
    }
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof fds)] = {};
    if (count > 0) {
        header.msg_control = control;
        header.msg_controllen = CMSG_SPACE(sizeof(int) * count);
        cmsghdr *rights = CMSG_FIRSTHDR(&header);
        rights->cmsg_level = SOL_SOCKET;
        rights->cmsg_type = SCM_RIGHTS;
        rights->cmsg_len = CMSG_LEN(sizeof(int) * count);
        memcpy(CMSG_DATA(rights), fds, sizeof(int) * count);
    }
    while (true) {
        // MSG_NOSIGNAL: a helper that has died is a failure to report, not
        // a SIGPIPE that ends the program.
        const ssize_t sent = ::sendmsg(socket, &header, MSG_NOSIGNAL);
        if (sent >= 0)
            return size_t(sent) == size + size_t(tail.size());
        if (errno != EINTR)
            return false;
    }
}

std::optional<Received> receive(int socket, qsizetype limit, bool *gone)
{
    if (gone)
        *gone = false;
    Received received;
    received.bytes.resize(limit);
    iovec part{received.bytes.data(), size_t(limit)};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t got = -1;
    do {
        got = ::recvmsg(socket, &header, MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);
    if (gone && (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)))
        *gone = true;
    // Every descriptor that came along is taken, so that none is left open
    // by a message that is refused.
    for (cmsghdr *rights = CMSG_FIRSTHDR(&header); rights; rights = CMSG_NXTHDR(&header, rights)) {
        if (rights->cmsg_level != SOL_SOCKET || rights->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (rights->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd = -1;
            memcpy(&fd, CMSG_DATA(rights) + i * sizeof(int), sizeof fd);
            if (received.fd < 0)
                received.fd = fd;
            else if (received.second < 0)
                received.second = fd;
            else if (received.third < 0)
                received.third = fd;
            else
                ::close(fd);
        }
    }
    if (got <= 0 || (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
        for (const int fd : {received.fd, received.second, received.third}) {
            if (fd >= 0)
                ::close(fd);
        }
        return std::nullopt;
    }
    received.bytes.truncate(got);
    return received;
}

bool isWireFormat(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB888:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied: return true;
    default: return false;
    }
}

} // namespace picture::protocol
