#include "host/qt/services.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

namespace qthost {
namespace {

QString internal(const QString &path)
{
    return QDir::fromNativeSeparators(path);
}

bool accessible(const QString &path, int mode)
{
    return ::access(QFile::encodeName(path).constData(), mode) == 0;
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
    const QFileInfo file(internal(path));
    if (!accessible(file.absolutePath(), W_OK | X_OK))
        return false;
    return !file.exists() || accessible(file.absoluteFilePath(), W_OK);
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
    if (!QDir().mkpath(target.absolutePath()))
        return {false, QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(target.absolutePath()))};
    QSaveFile file(target.absoluteFilePath());
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return {false, error};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
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
