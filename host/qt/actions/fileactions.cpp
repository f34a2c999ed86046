#include "host/qt/actions/fileactions.h"

#include "common/texts.h"
#include "host/qt/base/filemime.h"
#include "host/qt/base/popupmenu.h"
#include "platform/paths.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QImage>
#include <QMimeData>

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

// What the target's file system refuses in a name.
QString whyName(const Outcome &outcome)
{
    using Kind = fileops::NameProblem::Kind;
    const fileops::NameProblem &problem = outcome.nameProblem;
    switch (problem.kind) {
    case Kind::ForbiddenCharacter:
        return problem.detail.isEmpty() ? texts::WhyControlCharacter : texts::WhyForbiddenCharacter.arg(problem.detail);
    case Kind::NotUtf8: return texts::WhyNotUtf8Name;
    case Kind::ReservedName: return texts::WhyReservedName.arg(problem.detail);
    case Kind::TrailingDotOrSpace: return texts::WhyTrailingDotOrSpace;
    case Kind::TooLong:
        return (problem.inCharacters ? texts::WhyNameTooLongCharacters : texts::WhyNameTooLongBytes).arg(problem.limit);
    case Kind::None: break;
    }
    // Refused by the file system itself, or too long by its own measure.
    return outcome.failure == Failure::NameTooLong ? texts::WhyNameTooLongBytes.arg(255) : texts::WhyNameNotAllowed;
}

QString why(const Outcome &outcome)
{
    switch (outcome.failure) {
    case Failure::None: return {};
    case Failure::Vanished: return texts::WhyVanished;
    case Failure::NotAFile: return texts::WhyNotAFile;
    case Failure::NotWritable: return texts::WhyNotWritable;
    case Failure::NoTrash: return texts::WhyNoTrash;
    case Failure::NameTaken: return texts::WhyNameTaken;
    case Failure::BadName: return texts::WhyBadName;
    case Failure::Changed: return texts::WhyChanged;
    case Failure::DiskFull: return texts::WhyDiskFull;
    case Failure::NoFolder: return texts::WhyNoFolder;
    case Failure::SameFolder: return texts::WhySameFolder;
    case Failure::Cancelled: return texts::WhyCancelled;
    case Failure::NotTheSameFile: return texts::WhyNotTheSameFile;
    case Failure::NameNotAllowed:
    case Failure::NameTooLong: return whyName(outcome);
    case Failure::IoError: return texts::WhyIoError;
    case Failure::FileTooLarge: return texts::WhyFileTooLarge;
    case Failure::Busy: return texts::WhyBusy;
    case Failure::Stale: return texts::WhyStale;
    case Failure::LinkLoop: return texts::WhyLinkLoop;
    case Failure::Other: break;
    }
    return texts::WhyOther.arg(outcome.error);
}

// What was done, with the companions that went along, and the free name
// the file got where its own was taken.
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
}

FileActions::~FileActions() = default;

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
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
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

void FileActions::deleteForGood()
{
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
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

std::optional<QString> FileActions::chooseFolder(bool move, const QPoint &globalPos, bool fromKeyboard)
{
    PopupMenu menu(move ? texts::MoveMenu : texts::CopyMenu, m_window.popupParent());
    menu.setAccessibleName(move ? texts::MoveMenu : texts::CopyMenu);
    for (const QString &folder : m_window.recentFolders()) {
        QString text = shown(folder);
        text.replace(QLatin1Char('&'), QLatin1String("&&"));
        menu.addAction(text)->setData(folder);
    }
    if (!menu.actions().isEmpty())
        menu.addSeparator();
    QAction *dialog = menu.addAction(texts::ChooseFolder);
    QAction *picked = menu.open(globalPos, fromKeyboard);
    if (!picked)
        return std::nullopt;
    if (picked != dialog)
        return picked->data().toString();
    return m_asker.folder(move ? texts::MoveFolderTitle : texts::CopyFolderTitle, shown(m_window.shownFolder()));
}

void FileActions::moveOrCopy(bool move, const QPoint &globalPos, bool fromKeyboard)
{
    if (m_window.chosenFile().isEmpty())
        return QApplication::beep();
    const std::optional<QString> folder = chooseFolder(move, globalPos, fromKeyboard);
    // Asked again: the choice may have taken a while.
    const QString path = m_window.chosenFile();
    if (!folder || path.isEmpty())
        return;
    const Outcome outcome = move ? m_operations.move(path, *folder) : m_operations.copy(path, *folder);
    if (!outcome.ok())
        return failed(path, outcome);
    if (move)
        emit fileLeft(path);
    else
        emit folderChanged(*folder);
    const QString text = (move ? texts::Moved : texts::Copied).arg(nameOf(path), shown(*folder));
    emit told(withFreeName(text, outcome));
}

void FileActions::rename()
{
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
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

void FileActions::undo()
{
    const std::optional<fileops::Undone> undone = m_operations.undo();
    if (!undone) {
        emit told(texts::NothingToUndo);
        return;
    }
    const fileops::Done &done = undone->done;
    const QString name = nameOf(done.from);
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
        emit told(withFreeName(texts::UndoneCopy.arg(nameOf(done.to)), undone->outcome));
        break;
    }
}

void FileActions::failed(const QString &path, const Outcome &outcome)
{
    m_asker.warn(texts::ActionFailed.arg(nameOf(path), why(outcome)));
}

} // namespace qthost
