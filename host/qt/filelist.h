#pragma once

#include "host/host.h"
#include "host/qt/listkeys.h"

#include <QListWidget>

namespace qthost {

// The file list: the folder's files that match the pattern, in natural
// order. Moving the selection, by mouse or keyboard, raises Click.
class FileListWidget final : public QListWidget, public host::FileList
{
    Q_OBJECT
public:
    explicit FileListWidget(QWidget *parent);
    void attach(host::Events *events, MouseDownSource mouseDown);

    QString path() const override;
    bool setPath(const QString &path) override;
    void setPattern(const QString &pattern) override;
    QString pattern() const override { return m_pattern; }
    QString fileName() const override;
    void setTop(host::Twips top) override;
    void setHeight(host::Twips height) override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    bool list(const QString &folder);
    void showFiles(const QString &folder, const QStringList &files);

    host::Events *m_events = nullptr;
    MouseDownSource m_mouseDown;
    QString m_path; // internal form
    QString m_pattern = QStringLiteral("*");
};

} // namespace qthost
