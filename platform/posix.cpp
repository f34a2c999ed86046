#include "platform/platform.h"

#include <QRandomGenerator>
#include <QStringDecoder>


#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

class Iconv
{
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    // Back to the initial shift state, as a new descriptor would be.
    void reset()
    {
        if (valid())
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }

    // Converts all of `in`; an invalid or unconvertible input sequence is
    // skipped one byte at a time and replaced by `replacement`, or ends the
    // conversion with nullopt when there is none.
    std::optional<QByteArray> convert(const QByteArray &in, const QByteArray *replacement)
    {
        if (!valid())
            return std::nullopt;
        QByteArray out;
        char *src = const_cast<char *>(in.constData());
        size_t srcLeft = size_t(in.size());
        char buffer[1024];
        while (true) {
            char *dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = srcLeft ? iconv(m_cd, &src, &srcLeft, &dst, &dstLeft)
                                      : iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
            out.append(buffer, qsizetype(dst - buffer));
            if (rc != size_t(-1)) {
                if (srcLeft == 0 && dst == buffer)
                    return out;
                continue; // flushed state, or more to come
            }
            if (errno == E2BIG)
                continue;
            if (!replacement)
                return std::nullopt;
            // EILSEQ or a truncated sequence at the end (EINVAL).
            out.append(*replacement);
            ++src;
            --srcLeft;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
    }

private:
    iconv_t m_cd;
};


// Letters and digits for a temporary file's name, as mkstemp uses.
QByteArray randomLetters(int count)
{
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray letters;
    for (int i = 0; i < count; ++i)
        letters += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
    return letters;
}

EntryKind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    return EntryKind::Other;
}

} // namespace

std::optional<QByteArray> toCp932(const QString &text)
{
    // Opened once: a conversion descriptor is costly to open and is not
    // shared between threads.
    thread_local Iconv encoder("CP932", "UTF-8");
    encoder.reset();
    return encoder.convert(text.toUtf8(), nullptr);
}

QString fromCp932(const QByteArray &bytes)
{
    static const QByteArray replacement = QStringLiteral("\uFFFD").toUtf8();
    thread_local Iconv decoder("UTF-8", "CP932");
    decoder.reset();
    return QString::fromUtf8(decoder.convert(bytes, &replacement).value_or(QByteArray()));
}

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0.
qsizetype utf8Length(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return i < bytes.size() ? uchar(bytes[i]) : 0; };
    const uchar lead = byte(at);
    const auto follows = [&](qsizetype i, uchar low = 0x80, uchar high = 0xBF) {
        return byte(i) >= low && byte(i) <= high;
    };
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return follows(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms, no surrogates.
        const uchar low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return follows(at + 1, low, high) && follows(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uchar low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return follows(at + 1, low, high) && follows(at + 2) && follows(at + 3) ? 4 : 0;
    }
    return 0;
}

// A name may itself start with U+FEFF, which QString::fromUtf8 would take
// for a byte-order mark and drop.
QString fromUtf8(const char *bytes, qsizetype size)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(bytes, size));
}

bool isKeptByte(QChar c)
{
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
}

} // namespace

QString decodePath(const QByteArray &bytes)
{
    QString path;
    qsizetype run = 0; // start of the well-formed run not yet decoded
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype length = utf8Length(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        path += fromUtf8(bytes.constData() + run, at - run);
        path += QChar(0xDC00 + uchar(bytes[at]));
        run = ++at;
    }
    path += fromUtf8(bytes.constData() + run, at - run);
    return path;
}

QByteArray encodePath(const QString &path)
{
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype at = 0; at < path.size(); ++at) {
        // A kept byte stands alone: after a high surrogate it would be half of a character.
        if (!isKeptByte(path[at]) || (at > 0 && path[at - 1].isHighSurrogate()))
            continue;
        bytes += QStringView(path).mid(run, at - run).toUtf8();
        bytes += char(path[at].unicode() - 0xDC00);
        run = at + 1;
    }
    bytes += QStringView(path).mid(run).toUtf8();
    return bytes;
}

bool keepsRawBytes(const QString &path)
{
    for (qsizetype at = 0; at < path.size(); ++at) {
        if (isKeptByte(path[at]) && !(at > 0 && path[at - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

std::optional<std::vector<FolderEntry>> listFolder(const QString &folder)
{
    DIR *dir = opendir(encodePath(folder).constData());
    if (!dir)
        return std::nullopt;
    const int dirFd = dirfd(dir);
    std::vector<FolderEntry> entries;
    while (true) {
        // readdir answers null both at the end and on an error; only errno tells
        // them apart, and a folder read half way must not pass for all of it.
        errno = 0;
        const dirent *entry = readdir(dir);
        if (!entry) {
            const int error = errno;
            closedir(dir);
            if (error != 0)
                return std::nullopt;
            return entries;
        }
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        EntryKind kind = EntryKind::Other;
        switch (entry->d_type) {
        case DT_REG: kind = EntryKind::File; break;
        case DT_DIR: kind = EntryKind::Folder; break;
        case DT_LNK:
        case DT_UNKNOWN: {
            // A link counts as what it points to; some file systems give no type.
            struct stat status {};
            if (fstatat(dirFd, name, &status, 0) == 0)
                kind = kindOf(status.st_mode);
            break;
        }
        default: break;
        }
        entries.push_back({decodePath(QByteArray(name)), kind});
    }
}

std::optional<FileStamp> fileStamp(const QString &path)
{
    struct stat status {};
    if (path.isEmpty() || ::stat(encodePath(path).constData(), &status) != 0)
        return std::nullopt;
    const auto ns = [](const timespec &t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    return FileStamp{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                     ns(status.st_mtim),     ns(status.st_ctim),     S_ISREG(status.st_mode),
                     S_ISDIR(status.st_mode)};
}

bool mayRead(const QString &path, bool folder)
{
    return ::access(encodePath(path).constData(), folder ? R_OK | X_OK : R_OK) == 0;
}

bool openForReading(QFile &file, const QString &path)
{
    const int fd = ::open(encodePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

bool isRegularFile(const QString &path)
{
    const std::optional<FileStamp> stamp = fileStamp(path);
    return stamp && stamp->regular;
}

int replaceFile(const QString &target, const QString &temporaryPrefix, const QByteArray &bytes)
{
    const QByteArray targetName = encodePath(target);
    struct stat old {};
    const bool replacing = ::stat(targetName.constData(), &old) == 0;
    // A new file is made as any program makes one: 0666 less the user's
    // umask, which the kernel applies (the umask is never touched: other
    // threads may be making files meanwhile).
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = encodePath(temporaryPrefix) + randomLetters(6);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.constData());
        return error;
    };
    // The replacement keeps the permissions of the file it replaces.
    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0)
        return fail(errno);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0)
            return fail(errno);
        if (step == 0)
            return fail(EIO);
        written += step;
    }
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return error;
    }
    if (::rename(temporary.constData(), targetName.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return error;
    }
    return 0;
}

void releaseFreeMemory()
{
    malloc_trim(0);
}

} // namespace platform
