#pragma once

#include "host/host.h"
#include "host/qt/lists/listview.h"

namespace folders {
class FolderCache;
struct FolderContents;
}

namespace qthost {

class FolderRowsModel;

// The folder list: the chain of folders from the root down to the current
// one, then the current folder's subfolders. Double-click or Enter opens the
// highlighted folder; the arrow keys only move the highlight.
class DirListWidget final : public ListView, public host::DirList
{
    Q_OBJECT
public:
    DirListWidget(QWidget *parent, folders::FolderCache &folders, const QString &start);

    QString path() const override { return nativePath(); }
    bool setPath(const QString &path) override;
    host::Twips top() const override;
    host::Twips height() const override;
    void setHeight(host::Twips height) override { resizeToTwips(height); }

    // Reads the shown folder again (its subfolders changed), keeping the
    // highlight and raising no event.
    void refresh(const folders::FolderContents &contents);
    QString highlightedPath() const;

signals:
    // Every folder the list moves to.
    void moved(const QString &folder);
    // The user opened a folder that cannot be read (the highlight has gone
    // back to the shown folder).
    void openFailed();
    // The user opened the folder already shown: read it again.
    void refreshAsked();
    // The user opened `folder` (Enter or a double-click) and it was read.
    void opened(const QString &folder);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool move(const QString &path);
    void openHighlighted();
    void highlight(int row);

    folders::FolderCache &m_folders;
    FolderRowsModel *m_model;
};

} // namespace qthost
