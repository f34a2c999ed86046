#include "host/qt/services.h"

#include "common/texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace qthost {
namespace {

QString internal(const QString &path)
{
    return QDir::fromNativeSeparators(path);
}

} // namespace

QString QtServices::programFolder() const
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString QtServices::userDataFolder() const
{
    return QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
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
    const QFileInfo target(internal(path));
    // QSaveFile follows links and renames its new file onto whatever is
    // there: a device, a FIFO or a folder must never be replaced.
    if (target.exists() && !target.isFile())
        return {false, texts::NotARegularFile};
    if (!QDir().mkpath(target.absolutePath()))
        return {false, QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(target.absolutePath()))};
    QSaveFile file(target.absoluteFilePath());
    // Unbuffered, so that a failing write (a full disk) fails here: Qt 6.4
    // commits a file whose last buffered write failed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {false, file.errorString()};
    // A write cut short (a file-size limit) is retried once for the rest,
    // which then fails with the reason.
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 step = file.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0)
            break;
        written += step;
    }
    if (written != bytes.size() || !file.flush()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return {false, error};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

void QtServices::removeInterruptedWrites(const QString &path)
{
    // QSaveFile writes "<name>.XXXXXX" (six letters or digits) beside the
    // file it replaces, which is the file a link points to.
    QStringList places{internal(path)};
    const QString resolved = QFileInfo(internal(path)).canonicalFilePath();
    if (!resolved.isEmpty() && resolved != places.first())
        places.append(resolved);
    for (const QString &place : std::as_const(places)) {
        const QFileInfo file(place);
        const QRegularExpression leftover(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(file.fileName()) + QStringLiteral("\\.[A-Za-z0-9]{6}")));
        const QFileInfoList entries = file.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QFileInfo &candidate : entries) {
            if (!candidate.isSymLink() && candidate.isFile() && leftover.match(candidate.fileName()).hasMatch())
                QFile::remove(candidate.absoluteFilePath());
        }
    }
}

std::optional<qint64> QtServices::fileLength(const QString &path) const
{
    const QFileInfo file(internal(path));
    if (!file.isFile())
        return std::nullopt;
    return file.size();
}

std::optional<QDateTime> QtServices::fileModified(const QString &path) const
{
    const QFileInfo file(internal(path));
    if (!file.isFile())
        return std::nullopt;
    return file.lastModified();
}

void QtServices::beep()
{
    QApplication::beep();
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
