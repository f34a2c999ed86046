#pragma once

#include "fileops/operations.h"
#include "host/qt/actions/asker.h"

#include <QList>
#include <QObject>
#include <QPoint>

#include <optional>

class QAction;
class QImage;
class QWidget;

namespace qthost {

// Acting on the chosen file, as the user sorts photos: to the trash, deleted
// for good, moved or copied into a recent folder, renamed, put on the
// clipboard; and undoing each, newest first. Each is a QAction with its key,
// for the widgets that show the file to take on. The window is told what
// changed by signals; it is asked what is chosen through `Window`.
class FileActions final : public QObject
{
    Q_OBJECT
public:
    enum class Action { Trash, Delete, Move, Copy, Rename, CopyPicture, CopyPath, Undo };

    // What the actions ask the window, each time they act.
    class Window
    {
    public:
        virtual ~Window() = default;
        // The file chosen and shown, in internal form; empty when none is.
        virtual QString chosenFile() const = 0;
        virtual QString shownFolder() const = 0;
        // The history's folders, most recent first.
        virtual QStringList recentFolders() const = 0;
        // The window the popups belong to.
        virtual QWidget *popupParent() const = 0;
        // Where a popup asked for from the keyboard opens.
        virtual QPoint keyboardPopupPosition() const = 0;
    };

    FileActions(Window &window, Asker &asker, QObject *parent, const QString &dataHome = fileops::userDataHome());
    ~FileActions() override;

    QAction *action(Action action) const;
    // All of them, in the order of the picture's popup.
    QList<QAction *> actions() const { return m_actions; }

    // The picture's popup of every action, at `globalPos`.
    void popup(const QPoint &globalPos, bool fromKeyboard);

    void trash();
    void deleteForGood();
    // The popup of recent folders, then the move or copy into the one chosen.
    void move(const QPoint &globalPos, bool fromKeyboard);
    void copy(const QPoint &globalPos, bool fromKeyboard);
    void rename();
    void copyPicture();
    void copyPath();
    void undo();

    // The picture asked for by pictureWanted, decoded (null when it could
    // not be): it goes on the clipboard with the file.
    void pictureDecoded(const QString &path, const QImage &picture);

signals:
    // The file is no longer in its folder (trashed, deleted, moved away).
    void fileLeft(const QString &path);
    // A file to choose and show (back from the trash, renamed, moved back).
    void fileArrived(const QString &path);
    // A new file in `folder` (a copy): lists showing it read it again.
    void folderChanged(const QString &folder);
    // What was done, to show for a moment and to say to screen readers.
    void told(const QString &text);
    // Wanted on the clipboard: the window decodes it and calls pictureDecoded.
    void pictureWanted(const QString &path);

private:
    void moveOrCopy(bool move, const QPoint &globalPos, bool fromKeyboard);
    std::optional<QString> chooseFolder(bool move, const QPoint &globalPos, bool fromKeyboard);
    void deleteAfterAsking(const QString &path, const QString &question);
    void failed(const QString &path, const fileops::Outcome &outcome);

    Window &m_window;
    Asker &m_asker;
    fileops::Operations m_operations;
    QList<QAction *> m_actions;
    QString m_pictureWanted;
    bool m_popupOpen = false;
    std::optional<Action> m_fromPopup; // chosen in the picture's popup, done once it has closed
};

} // namespace qthost
