#include "host/qt/actions/fileactions.h"

#include "host/qt/actions/failuretext.h"

#include "common/photonames.h"
#include "common/texts.h"
#include "host/qt/base/filemime.h"
#include "host/qt/base/popupmenu.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QImage>
#include <QMimeData>
#include <QThread>
#include <QTimer>

namespace qthost {
namespace {

using fileops::Failure;
using fileops::Outcome;
using platform::folderOf;
using platform::nameOf;

// A path as the user reads it, and as a popup item shows it ("&" would be
// an accelerator).
QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// What was done, with the companions that went along, and the free name
// the file got where its own was taken.
// The photos acted on, as a name: "IMG_1.jpg", or "IMG_1.jpg ほか 2 個".
QString namesOf(const QStringList &paths)
{
    return paths.size() == 1 ? nameOf(paths.first()) : texts::SeveralFiles.arg(nameOf(paths.first())).arg(paths.size() - 1);
}

QString withFreeName(QString text, const Outcome &outcome)
{
    if (outcome.companions > 0)
        text += texts::CompanionsToo.arg(outcome.companions);
    return outcome.freeName ? text + QLatin1Char(' ') + texts::FreeNameTaken.arg(nameOf(outcome.path)) : text;
}

} // namespace

FileActions::FileActions(Window &window, Asker &asker, QObject *parent, const QString &dataHome)
    : QObject(parent), m_window(window), m_asker(asker), m_operations(dataHome)
{
    const auto add = [this](const QString &text, const QKeySequence &key, auto slot) {
        auto *action = new QAction(text, this);
        action->setShortcut(key);
        // Only while the picture or the file list has the keyboard: the path
        // box keeps Ctrl+C for its own text.
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, slot);
        m_actions.append(action);
    };
    add(texts::ActionTrash, QKeySequence(Qt::Key_Delete), [this] { trash(); });
    add(texts::ActionDelete, QKeySequence(Qt::SHIFT | Qt::Key_Delete), [this] { deleteForGood(); });
    // Chosen in the picture's popup, the folders' popup opens once that one
    // has closed (see popup); by their keys, at once.
    add(texts::ActionMove, QKeySequence(Qt::Key_F8), [this] {
        if (m_popupOpen)
            m_fromPopup = Action::Move;
        else
            move(m_window.keyboardPopupPosition(), true);
    });
    add(texts::ActionCopy, QKeySequence(Qt::Key_F7), [this] {
        if (m_popupOpen)
            m_fromPopup = Action::Copy;
        else
            copy(m_window.keyboardPopupPosition(), true);
    });
    add(texts::ActionRename, QKeySequence(Qt::Key_F2), [this] { rename(); });
    add(texts::ActionCopyPicture, QKeySequence(Qt::CTRL | Qt::Key_C), [this] { copyPicture(); });
    add(texts::ActionCopyPath, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), [this] { copyPath(); });
    add(texts::ActionUndo, QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undo(); });
    // Undo acts on no file of its own: it works wherever the window has the
    // keyboard (the start page after the last photo of a folder left), but
    // in a text box, which keeps Ctrl+Z for its own text.
    action(Action::Undo)->setShortcutContext(Qt::WindowShortcut);
    m_cancelTransfer = new QAction(this);
    m_cancelTransfer->setShortcut(QKeySequence(Qt::Key_Escape));
    m_cancelTransfer->setShortcutContext(Qt::WindowShortcut);
    m_cancelTransfer->setEnabled(false);
    connect(m_cancelTransfer, &QAction::triggered, this, &FileActions::cancelTransfer);
    m_progress = new QTimer(this);
    m_progress->setInterval(ProgressMs);
    connect(m_progress, &QTimer::timeout, this, &FileActions::tellProgress);
}

FileActions::~FileActions()
{
    // A transfer still running stops at its next part, its copy removed,
    // the photo where it was; its end is waited for, never left behind.
    if (m_transfer) {
        m_transfer->cancelled = true;
        m_transfer->thread->wait();
    }
}

QList<QAction *> FileActions::windowActions() const
{
    return {action(Action::Undo), m_cancelTransfer};
}

void FileActions::setChosenFolders(const QStringList &folders)
{
    m_chosenFolders = folders.mid(0, MaxChosenFolders);
}

bool FileActions::busy()
{
    if (!m_transfer)
        return false;
    QApplication::beep();
    emit told(texts::TransferBusy);
    return true;
}

QAction *FileActions::action(Action action) const
{
    return m_actions.at(int(action));
}

void FileActions::popup(const QPoint &globalPos, bool fromKeyboard)
{
    const QString chosen = m_window.chosenFile();
    PopupMenu menu(texts::ActionsMenu, m_window.popupParent());
    menu.setAccessibleName(texts::ActionsMenu);
    for (QAction *action : m_actions) {
        if (action == this->action(Action::Move) || action == this->action(Action::CopyPicture)
            || action == this->action(Action::Undo))
            menu.addSeparator();
        // The menu's own items, standing for the actions: screen readers
        // meet a popup's items as its children.
        QAction *item = menu.addAction(action->text());
        item->setShortcut(action->shortcut());
        item->setShortcutContext(Qt::WidgetShortcut);
        item->setEnabled(action == this->action(Action::Undo) ? m_operations.canUndo() : !chosen.isEmpty());
        connect(item, &QAction::triggered, action, &QAction::trigger);
    }
    if (!m_popupMore.isEmpty())
        menu.addSeparator();
    for (QAction *action : std::as_const(m_popupMore)) {
        QAction *item = menu.addAction(action->text());
        item->setShortcut(action->shortcut());
        item->setShortcutContext(Qt::WidgetShortcut);
        item->setEnabled(!chosen.isEmpty());
        connect(item, &QAction::triggered, action, &QAction::trigger);
    }
    m_popupOpen = true;
    m_fromPopup.reset();
    menu.open(globalPos, fromKeyboard);
    m_popupOpen = false;
    // Moving and copying open the folders' popup where this one was asked for.
    const QPoint at = fromKeyboard ? m_window.keyboardPopupPosition() : QCursor::pos();
    if (m_fromPopup == Action::Move)
        move(at, fromKeyboard);
    else if (m_fromPopup == Action::Copy)
        copy(at, fromKeyboard);
}

void FileActions::trash()
{
    const QStringList several = m_window.chosenFiles();
    if (several.size() > 1)
        return trashSeveral(several);
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
    if (busy())
        return;
    // One photo of a RAW and its JPEG: both, or one of them, as the user says.
    const QStringList halves = m_operations.pairs() == fileops::Pairs::Together ? fileops::pairedWith(path) : QStringList();
    if (!halves.isEmpty()) {
        const bool shownIsRaw = photonames::isRaw(nameOf(path));
        const QString raw = shownIsRaw ? path : halves.first();
        const QString processed = shownIsRaw ? halves.first() : path;
        switch (m_asker.pairPartToTrash(texts::PairTrashQuestion.arg(nameOf(processed), nameOf(raw)))) {
        case Asker::PairPart::Cancel: return;
        case Asker::PairPart::Raw: return trashHalf(raw, processed);
        case Asker::PairPart::Processed: return trashHalf(processed, raw);
        case Asker::PairPart::Both: break;
        }
    }
    const Outcome outcome = m_operations.trash(path);
    if (outcome.failure == Failure::NoTrash) {
        // Never deleted without asking: said, and asked.
        deleteAfterAsking(path, texts::NoTrashQuestion.arg(nameOf(path)));
        return;
    }
    if (!outcome.ok())
        return failed(path, outcome);
    emit fileLeft(path);
    emit told(withFreeName(texts::Trashed.arg(nameOf(path)), outcome));
}

void FileActions::trashSeveral(const QStringList &paths)
{
    if (busy())
        return;
    std::vector<fileops::Done> parts;
    QStringList left;
    std::optional<std::pair<QString, Outcome>> failure;
    for (const QString &path : paths) {
        const fileops::Result result = fileops::trashWithCompanions(path, m_operations.dataHome(), m_operations.pairs());
        if (result.outcome.ok()) {
            left.append(path);
            if (result.done)
                parts.push_back(*result.done);
        } else if (!failure) {
            failure = std::pair{path, result.outcome};
        }
    }
    // Undone as one, as they were trashed.
    m_operations.rememberTogether(std::move(parts));
    if (!left.isEmpty()) {
        emit filesLeft(left);
        emit told(texts::Trashed.arg(namesOf(left)));
    }
    if (failure)
        failed(failure->first, failure->second);
}

void FileActions::deleteSeveral(const QStringList &paths)
{
    if (busy() || !m_asker.confirmDelete(texts::DeleteSeveralQuestion.arg(paths.size())))
        return;
    QStringList left;
    std::optional<std::pair<QString, Outcome>> failure;
    for (const QString &path : paths) {
        const Outcome outcome = m_operations.deleteForGood(path);
        if (outcome.ok())
            left.append(path);
        else if (!failure)
            failure = std::pair{path, outcome};
    }
    if (!left.isEmpty()) {
        emit filesLeft(left);
        emit told(texts::Deleted.arg(namesOf(left)));
    }
    if (failure)
        failed(failure->first, failure->second);
}

void FileActions::trashHalf(const QString &half, const QString &other)
{
    const Outcome outcome = m_operations.trashAlone(half);
    if (!outcome.ok())
        return failed(half, outcome);
    // The other half stays, and stands for the photo now.
    emit fileLeft(half);
    emit fileArrived(other);
    emit told(withFreeName(texts::Trashed.arg(nameOf(half)), outcome));
}

void FileActions::deleteForGood()
{
    const QStringList several = m_window.chosenFiles();
    if (several.size() > 1)
        return deleteSeveral(several);
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
    if (busy())
        return;
    deleteAfterAsking(path, texts::DeleteQuestion.arg(nameOf(path)));
}

void FileActions::deleteAfterAsking(const QString &path, const QString &question)
{
    if (!m_asker.confirmDelete(question))
        return;
    const Outcome outcome = m_operations.deleteForGood(path);
    if (!outcome.ok())
        return failed(path, outcome);
    emit fileLeft(path);
    emit told(withFreeName(texts::Deleted.arg(nameOf(path)), outcome));
}

void FileActions::move(const QPoint &globalPos, bool fromKeyboard)
{
    moveOrCopy(true, globalPos, fromKeyboard);
}

void FileActions::copy(const QPoint &globalPos, bool fromKeyboard)
{
    moveOrCopy(false, globalPos, fromKeyboard);
}

QStringList FileActions::offeredFolders() const
{
    // The history's folders, then those chosen in the dialog, newest first:
    // a shoot filed into a new folder asks for it once.
    QStringList folders = m_window.recentFolders();
    for (const QString &folder : m_chosenFolders) {
        const std::optional<platform::FileStamp> stamp = platform::fileStamp(folder);
        if (!folders.contains(folder) && folder != m_window.shownFolder() && stamp && stamp->folder)
            folders.append(folder);
    }
    return folders;
}

std::optional<QString> FileActions::chooseFolder(bool move, const QPoint &globalPos, bool fromKeyboard)
{
    PopupMenu menu(move ? texts::MoveMenu : texts::CopyMenu, m_window.popupParent());
    menu.setAccessibleName(move ? texts::MoveMenu : texts::CopyMenu);
    // Its first line says what it is for: moving and copying look alike.
    menu.addAction(move ? texts::MoveFolderTitle : texts::CopyFolderTitle)->setEnabled(false);
    menu.addSeparator();
    const QStringList offered = offeredFolders();
    for (const QString &folder : offered) {
        QString text = shown(folder);
        text.replace(QLatin1Char('&'), QLatin1String("&&"));
        menu.addAction(text)->setData(folder);
    }
    if (!offered.isEmpty())
        menu.addSeparator();
    QAction *dialog = menu.addAction(texts::ChooseFolder);
    QAction *picked = menu.open(globalPos, fromKeyboard);
    if (!picked)
        return std::nullopt;
    if (picked != dialog)
        return picked->data().toString();
    const std::optional<QString> chosen =
        m_asker.folder(move ? texts::MoveFolderTitle : texts::CopyFolderTitle, shown(m_window.shownFolder()));
    if (chosen) {
        const QString folder = QDir::fromNativeSeparators(*chosen);
        m_chosenFolders.removeAll(folder);
        m_chosenFolders.prepend(folder);
        m_chosenFolders = m_chosenFolders.mid(0, MaxChosenFolders);
        emit chosenFoldersChanged(m_chosenFolders);
    }
    return chosen;
}

void FileActions::moveOrCopy(bool move, const QPoint &globalPos, bool fromKeyboard)
{
    if (m_window.chosenFiles().isEmpty())
        return QApplication::beep();
    if (busy())
        return;
    const std::optional<QString> folder = chooseFolder(move, globalPos, fromKeyboard);
    // Asked again: the choice may have taken a while.
    const QStringList paths = m_window.chosenFiles();
    if (!folder || paths.isEmpty() || busy())
        return;
    // Within one file system a move is a rename, done at once; anything
    // that copies bytes goes on a thread of its own, with its progress told
    // and Esc to stop it, and the window answering throughout.
    const std::optional<platform::FileStamp> to = platform::fileStamp(*folder);
    const bool renames = move && to && std::all_of(paths.begin(), paths.end(), [&to](const QString &path) {
                             const std::optional<platform::FileStamp> from = platform::fileStamp(folderOf(path));
                             return from && from->device == to->device;
                         });
    if (renames) {
        std::vector<fileops::Result> results;
        for (const QString &path : paths)
            results.push_back(fileops::transferWithCompanions(path, *folder, false, {}, m_operations.pairs()));
        return moved(paths, *folder, true, results);
    }
    startTransfer(paths, QDir::fromNativeSeparators(*folder), move);
}

void FileActions::moved(const QStringList &paths, const QString &folder, bool move,
                        const std::vector<fileops::Result> &results)
{
    std::vector<fileops::Done> parts;
    QStringList done;
    std::optional<std::pair<QString, Outcome>> failure;
    Outcome last;
    for (size_t i = 0; i < results.size() && i < size_t(paths.size()); ++i) {
        if (results[i].outcome.ok()) {
            done.append(paths[qsizetype(i)]);
            last = results[i].outcome;
            if (results[i].done)
                parts.push_back(*results[i].done);
        } else if (!failure) {
            failure = std::pair{paths[qsizetype(i)], results[i].outcome};
        }
    }
    m_operations.rememberTogether(std::move(parts));
    if (!done.isEmpty()) {
        if (!move)
            emit folderChanged(folder);
        else if (done.size() == 1)
            emit fileLeft(done.first());
        else
            emit filesLeft(done);
        const QString text = (move ? texts::Moved : texts::Copied).arg(namesOf(done), shown(folder));
        emit told(done.size() == 1 ? withFreeName(text, last) : text);
    }
    if (failure)
        failed(failure->first, failure->second);
}

void FileActions::startTransfer(const QStringList &paths, const QString &folder, bool move)
{
    auto transfer = std::make_unique<Transfer>();
    transfer->paths = paths;
    transfer->folder = folder;
    transfer->move = move;
    Transfer *running = transfer.get();
    const TransferObserver observer = m_transferObserver;
    const fileops::Pairs pairs = m_operations.pairs();
    // The worker holds only the transfer's own state; everything else stays
    // on the window's thread, which takes the results when the thread ends.
    transfer->thread = QThread::create([running, observer, pairs] {
        for (const QString &path : std::as_const(running->paths)) {
            if (running->cancelled.load())
                break;
            running->results.push_back(fileops::transferWithCompanions(
                path, running->folder, !running->move,
                [running, observer](qint64 done, qint64 total) {
                    running->done = done;
                    running->total = total;
                    if (observer)
                        observer(done, total);
                    return !running->cancelled.load();
                },
                pairs));
        }
    });
    transfer->thread->setParent(this);
    connect(transfer->thread, &QThread::finished, this, &FileActions::transferEnded);
    m_transfer = std::move(transfer);
    m_cancelTransfer->setEnabled(true);
    tellProgress();
    m_progress->start();
    m_transfer->thread->start();
}

void FileActions::tellProgress()
{
    if (!m_transfer)
        return;
    const qint64 total = m_transfer->total.load();
    const int percent = total > 0 ? int(m_transfer->done.load() * 100 / total) : 0;
    emit progressed((m_transfer->move ? texts::Moving : texts::Copying)
                        .arg(namesOf(m_transfer->paths), shown(m_transfer->folder))
                        .arg(percent));
}

void FileActions::cancelTransfer()
{
    if (m_transfer)
        m_transfer->cancelled = true;
}

void FileActions::transferEnded()
{
    if (!m_transfer)
        return;
    m_progress->stop();
    m_cancelTransfer->setEnabled(false);
    const std::unique_ptr<Transfer> transfer = std::move(m_transfer);
    transfer->thread->deleteLater();
    emit progressed({});
    std::vector<fileops::Result> results = transfer->results;
    // Those stopped before their turn were not touched: cancelled too.
    while (results.size() < size_t(transfer->paths.size()))
        results.push_back(fileops::Result{Outcome::failed(Failure::Cancelled), std::nullopt});
    moved(transfer->paths, transfer->folder, transfer->move, results);
}

void FileActions::rename()
{
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
    if (busy())
        return;
    const std::optional<QString> name = m_asker.newName(nameOf(path));
    if (!name || *name == nameOf(path))
        return;
    // Refused before anything is touched, each with its own reason.
    if (name->isEmpty())
        return m_asker.warn(texts::ActionFailed.arg(nameOf(path), texts::WhyEmptyName));
    if (name->contains(QLatin1Char('/')))
        return m_asker.warn(texts::ActionFailed.arg(nameOf(path), texts::WhySlashInName));
    const Outcome outcome = m_operations.rename(path, *name);
    if (!outcome.ok())
        return failed(path, outcome);
    emit fileArrived(outcome.path);
    emit told(withFreeName(texts::Renamed.arg(nameOf(path), *name), outcome));
}

void FileActions::copyPicture()
{
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
    m_pictureWanted = path;
    emit pictureWanted(path);
}

void FileActions::pictureDecoded(const QString &path, const QImage &picture)
{
    if (path != m_pictureWanted)
        return; // another was asked for since
    m_pictureWanted.clear();
    QApplication::clipboard()->setMimeData(fileMimeData(path, picture));
    emit told(texts::PictureCopied.arg(nameOf(path)));
}

void FileActions::copyPath()
{
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
    QApplication::clipboard()->setText(shown(path));
    emit told(texts::PathCopied.arg(nameOf(path)));
}

void FileActions::remember(fileops::Done done)
{
    m_operations.remember(std::move(done));
}

void FileActions::undo()
{
    if (busy())
        return;
    if (m_undoHeld) {
        // What is being written now goes on the stack when it is done.
        QApplication::beep();
        emit told(texts::MarksBusy);
        return;
    }
    const std::optional<fileops::Undone> undone = m_operations.undo();
    if (!undone) {
        emit told(texts::NothingToUndo);
        return;
    }
    const fileops::Done &done = undone->done;
    QStringList photos{done.from};
    if (!done.parts.empty()) {
        photos.clear();
        for (const fileops::Done &part : done.parts)
            photos.append(part.from);
    }
    const QString name = namesOf(photos);
    if (!undone->outcome.ok()) {
        // Nothing overwritten: the file stays where it is, and says where.
        if (undone->outcome.failure == Failure::NameTaken)
            m_asker.warn(texts::ActionFailed.arg(name, texts::WhyPlaceTaken.arg(shown(done.to))));
        else
            failed(done.to, undone->outcome);
        return;
    }
    switch (done.kind) {
    case fileops::Done::Kind::Trashed:
        emit fileArrived(done.from);
        emit told(withFreeName(texts::UndoneTrash.arg(name), undone->outcome));
        break;
    case fileops::Done::Kind::Moved:
        emit fileArrived(done.from);
        emit told(withFreeName(texts::UndoneMove.arg(name, shown(folderOf(done.from))), undone->outcome));
        break;
    case fileops::Done::Kind::Renamed:
        emit fileArrived(done.from);
        emit told(withFreeName(texts::UndoneRename.arg(name), undone->outcome));
        break;
    case fileops::Done::Kind::Copied:
        emit fileLeft(done.to);
        emit told(withFreeName(texts::UndoneCopy.arg(done.parts.empty() ? nameOf(done.to) : name), undone->outcome));
        break;
    case fileops::Done::Kind::Marked:
    case fileops::Done::Kind::Turned:
        emit fileRewritten(done.from);
        emit told((done.kind == fileops::Done::Kind::Marked ? texts::UndoneMarks : texts::UndoneTurn).arg(name));
        break;
    }
}

void FileActions::failed(const QString &path, const Outcome &outcome)
{
    m_asker.warn(texts::ActionFailed.arg(nameOf(path), failureText(outcome)));
}

} // namespace qthost
