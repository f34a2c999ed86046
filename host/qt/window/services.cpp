#include "host/qt/window/services.h"

#include "common/texts.h"
#include "host/qt/base/announce.h"
#include "platform/platform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>

namespace qthost {
namespace {

QString internal(const QString &path)
{
    return QDir::fromNativeSeparators(path);
}

// A save's new file before it replaces the old one: hidden, with a marker no
// person types, so that nothing of the user's ever has its shape.
QString temporaryPrefix(const QString &target)
{
    const QFileInfo file(target);
    return file.absolutePath() + QStringLiteral("/.") + file.fileName() + QStringLiteral(".zelvo-unsaved-");
}

// Leftovers bigger than any file the program writes are not its own.
constexpr qint64 MaxLeftoverBytes = 1024 * 1024;

QString reasonFor(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT: return texts::ReasonDiskFull;
    case EACCES:
    case EPERM: return texts::ReasonNoPermission;
    case EROFS: return texts::ReasonReadOnly;
    case EFBIG: return texts::ReasonTooLarge;
    case EIO: return texts::ReasonInputOutput;
    default: return texts::ReasonOther.arg(error);
    }
}

} // namespace

QString QtServices::programFolder() const
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString QtServices::userDataFolder() const
{
    // Without a home the location starts with "//"; a path the user reads must be clean.
    return QDir::toNativeSeparators(
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

bool QtServices::mayReplaceFile(const QString &path) const
{
    // An atomic save writes a new file beside the old one and renames it, so
    // the folder must take new files; an existing file must be writable too.
    // QFileInfo asks the system for this user's rights, so root may write
    // where the permission bits say otherwise, as it really can.
    const QFileInfo file(internal(path));
    const QFileInfo folder(file.absolutePath());
    if (!folder.isWritable() || !folder.isExecutable())
        return false;
    return !file.exists() || file.isWritable();
}

std::optional<QByteArray> QtServices::readFileHead(const QString &path, qint64 maxBytes) const
{
    QFile file(internal(path));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(maxBytes);
}

host::WriteResult QtServices::writeFileAtomic(const QString &path, const QByteArray &bytes)
{
    QFileInfo target(internal(path));
    // A link keeps pointing to the file it names; that file gets the bytes.
    if (target.isSymLink() && target.isFile())
        target = QFileInfo(target.canonicalFilePath());
    // A device, a FIFO or a folder must never be replaced.
    if (target.exists() && !target.isFile())
        return {false, texts::NotARegularFile};
    const QString folder = target.absolutePath();
    if (!QDir().mkpath(folder))
        return {false, texts::ReasonNoFolder.arg(QDir::toNativeSeparators(folder))};
    const int error = platform::replaceFile(target.absoluteFilePath(), temporaryPrefix(target.absoluteFilePath()), bytes);
    if (error != 0)
        return {false, reasonFor(error)};
    return {true, {}};
}

void QtServices::removeInterruptedWrites(const QString &path, const std::function<bool(const QByteArray &)> &isOurs)
{
    // Only names that writeFileAtomic makes, beside the file or beside the
    // file a link points to, and only with content the caller recognises:
    // a file of the user's that merely looks similar stays.
    QStringList places{QFileInfo(internal(path)).absoluteFilePath()};
    const QString resolved = QFileInfo(internal(path)).canonicalFilePath();
    if (!resolved.isEmpty() && resolved != places.first())
        places.append(resolved);
    for (const QString &place : std::as_const(places)) {
        const QFileInfo prefix(temporaryPrefix(place));
        const QRegularExpression leftover(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(prefix.fileName()) + QStringLiteral("[A-Za-z0-9]{6}")));
        const QFileInfoList entries = prefix.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QFileInfo &candidate : entries) {
            if (candidate.isSymLink() || !candidate.isFile() || !leftover.match(candidate.fileName()).hasMatch())
                continue;
            const std::optional<QByteArray> content = readFileHead(candidate.absoluteFilePath(), MaxLeftoverBytes + 1);
            if (content && content->size() <= MaxLeftoverBytes && isOurs(*content))
                QFile::remove(candidate.absoluteFilePath());
        }
    }
}

namespace {

class QtFileLock final : public host::FileLock
{
public:
    explicit QtFileLock(const QString &path) : m_lock(path) {}
    QLockFile &lock() { return m_lock; }

private:
    QLockFile m_lock;
};

} // namespace

std::unique_ptr<host::FileLock> QtServices::lockFile(const QString &path, int waitMs)
{
    const QFileInfo file(internal(path));
    auto lock = std::make_unique<QtFileLock>(file.absolutePath() + QStringLiteral("/.") + file.fileName()
                                             + QStringLiteral(".lock"));
    if (!lock->lock().tryLock(waitMs))
        return nullptr;
    return lock;
}

// Asked by the path's own bytes: Qt's file classes lose any that are not UTF-8.
std::optional<qint64> QtServices::fileLength(const QString &path) const
{
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(internal(path));
    if (!stamp || !stamp->regular)
        return std::nullopt;
    return stamp->size;
}

std::optional<QDateTime> QtServices::fileModified(const QString &path) const
{
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(internal(path));
    if (!stamp || !stamp->regular)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(stamp->modifiedNs / 1'000'000);
}

void QtServices::beep()
{
    QApplication::beep();
}

void QtServices::alert(const QString &text)
{
    if (m_window)
        tell(m_window, text);
}

QString QtServices::inputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(m_window, title, prompt, QLineEdit::Normal, defaultText, &accepted);
    return accepted ? text : QString();
}

void QtServices::messageBox(const QString &title, const QString &text)
{
    QMessageBox::warning(m_window, title, text);
}

} // namespace qthost
