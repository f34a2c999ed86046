#pragma once

#include "host/host.h"
#include "host/qt/listkeys.h"

#include <QTreeWidget>

namespace qthost {

// The folder list: the chain of folders from the root down to the current
// one, then the current folder's subfolders. Double-click or Enter opens the
// highlighted folder; the arrow keys only move the highlight.
class DirListWidget final : public QTreeWidget, public host::DirList
{
    Q_OBJECT
public:
    explicit DirListWidget(QWidget *parent);
    void attach(host::Events *events, MouseDownSource mouseDown);
    // Told of every folder the list moves to.
    std::function<void(const QString &)> onMoved;

    QString path() const override;
    bool setPath(const QString &path) override;
    host::Twips top() const override;
    host::Twips height() const override;
    void setHeight(host::Twips height) override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool move(const QString &path);
    void openHighlighted();

    host::Events *m_events = nullptr;
    MouseDownSource m_mouseDown;
    QString m_path; // internal form, "/" separated
};

} // namespace qthost
