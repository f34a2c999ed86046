#pragma once

#include "host/host.h"

class QWidget;

namespace qthost {

class QtServices : public host::Services
{
public:
    // Dialogs open over `window` (may be null).
    explicit QtServices(QWidget *window = nullptr) : m_window(window) {}
    void setWindow(QWidget *window) { m_window = window; }

    QString programFolder() const override;
    QString userDataFolder() const override;
    bool mayReplaceFile(const QString &path) const override;
    std::optional<QByteArray> readFileHead(const QString &path, qint64 maxBytes) const override;
    host::WriteResult writeFileAtomic(const QString &path, const QByteArray &bytes) override;
    void removeInterruptedWrites(const QString &path, const std::function<bool(const QByteArray &)> &isOurs) override;
    std::unique_ptr<host::FileLock> lockFile(const QString &path, int waitMs) override;
    std::optional<qint64> fileLength(const QString &path) const override;
    std::optional<QDateTime> fileModified(const QString &path) const override;
    void beep() override;
    void alert(const QString &text) override;
    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    void messageBox(const QString &title, const QString &text) override;

private:
    QWidget *m_window;
};

} // namespace qthost
