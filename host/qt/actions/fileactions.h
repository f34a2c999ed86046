#pragma once

#include "fileops/operations.h"
#include "host/qt/actions/asker.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QImage;
class QThread;
class QTimer;
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
        // The files the actions act on: several the user selected (in the
        // grid), else the one chosen; empty when none is.
        virtual QStringList chosenFiles() const
        {
            const QString chosen = chosenFile();
            return chosen.isEmpty() ? QStringList() : QStringList{chosen};
        }
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
    // Those that act wherever the window has the keyboard (undo, and Esc to
    // stop a move or copy under way), for the windows to take on.
    QList<QAction *> windowActions() const;

    // The folders chosen in the folder dialog, newest first (ten at most),
    // offered after the history's; as remembered from an earlier start.
    void setChosenFolders(const QStringList &folders);
    QStringList chosenFolders() const { return m_chosenFolders; }
    // An action done elsewhere (marks or a turn written), to undo later.
    void remember(fileops::Done done);
    // While something is being written to be remembered, undo waits.
    void holdUndo(bool held) { m_undoHeld = held; }
    // Whether a RAW and its JPEG go together in every action from now on.
    void setPairs(fileops::Pairs pairs) { m_operations.setPairs(pairs); }
    // Whether a move or copy is under way.
    bool transferring() const { return m_transfer != nullptr; }
    // Called on the transfer's thread after each part of a move or copy
    // across file systems (for tests, which hold the copy there to act).
    using TransferObserver = std::function<void(qint64 done, qint64 total)>;
    void setTransferObserver(TransferObserver observer) { m_transferObserver = std::move(observer); }

    // More for the picture's popup, after the file actions.
    void addToPopup(const QList<QAction *> &more) { m_popupMore += more; }
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
    // Several files at once, likewise.
    void filesLeft(const QStringList &paths);
    // A file to choose and show (back from the trash, renamed, moved back).
    void fileArrived(const QString &path);
    // A file rewritten in its place (its marks or its turn undone): what
    // shows of it is read again.
    void fileRewritten(const QString &path);
    // A new file in `folder` (a copy): lists showing it read it again.
    void folderChanged(const QString &folder);
    // What was done, to show for a moment and to say to screen readers.
    void told(const QString &text);
    // Wanted on the clipboard: the window decodes it and calls pictureDecoded.
    void pictureWanted(const QString &path);
    // How a move or copy under way goes (empty: it has ended), for the status bar.
    void progressed(const QString &text);
    void chosenFoldersChanged(const QStringList &folders);

private:
    // A move or copy that copies bytes, on a thread of its own: the photos
    // one after another.
    struct Transfer
    {
        QStringList paths;
        QString folder;
        bool move = false;
        std::atomic<qint64> done{0};
        std::atomic<qint64> total{0};
        std::atomic_bool cancelled{false};
        std::vector<fileops::Result> results; // written by the thread before it ends
        QThread *thread = nullptr;
    };
    static constexpr int MaxChosenFolders = 10;
    static constexpr int ProgressMs = 200;

    void moveOrCopy(bool move, const QPoint &globalPos, bool fromKeyboard);
    QStringList offeredFolders() const;
    // What came of moving or copying `paths` (each its result, in order).
    void moved(const QStringList &paths, const QString &folder, bool move, const std::vector<fileops::Result> &results);
    void startTransfer(const QStringList &paths, const QString &folder, bool move);
    void trashSeveral(const QStringList &paths);
    void deleteSeveral(const QStringList &paths);
    void tellProgress();
    void cancelTransfer();
    void transferEnded();
    // True, with a beep and a word, while a transfer is under way.
    bool busy();
    std::optional<QString> chooseFolder(bool move, const QPoint &globalPos, bool fromKeyboard);
    void deleteAfterAsking(const QString &path, const QString &question);
    // One half of a RAW+JPEG pair to the trash; `other` stays and is shown.
    void trashHalf(const QString &half, const QString &other);
    void failed(const QString &path, const fileops::Outcome &outcome);

    Window &m_window;
    Asker &m_asker;
    fileops::Operations m_operations;
    QList<QAction *> m_actions;
    QList<QAction *> m_popupMore;
    QString m_pictureWanted;
    bool m_popupOpen = false;
    std::optional<Action> m_fromPopup; // chosen in the picture's popup, done once it has closed
    QStringList m_chosenFolders;
    std::unique_ptr<Transfer> m_transfer;
    QAction *m_cancelTransfer = nullptr;
    QTimer *m_progress = nullptr;
    TransferObserver m_transferObserver;
    bool m_undoHeld = false;
};

} // namespace qthost
