#include "host/qt/window/qthost.h"

#include "browse/readfailure.h"
#include "common/texts.h"
#include "folders/folderreader.h"
#include "folders/folders.h"
#include "folders/folderwatch.h"
#include "host/qt/actions/actionwindow.h"
#include "host/qt/actions/fileactions.h"
#include "host/qt/marks/markactions.h"
#include "host/qt/base/accessiblepopup.h"
#include "host/qt/base/announce.h"
#include "host/qt/base/dispatch.h"
#include "host/qt/base/notice.h"
#include "host/qt/lists/accessibledrivelist.h"
#include "host/qt/lists/dirlist.h"
#include "host/qt/lists/drivelist.h"
#include "host/qt/lists/filelist.h"
#include "host/qt/viewer/accessiblepage.h"
#include "host/qt/thumbs/thumbnailgrid.h"
#include "host/qt/thumbs/thumbnailstrip.h"
#include "host/qt/viewer/viewer.h"
#include "host/qt/window/accessiblewindow.h"
#include "host/qt/window/controls.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/marksmenu.h"
#include "host/qt/window/markwindow.h"
#include "host/qt/window/menus.h"
#include "host/qt/window/remembered.h"
#include "host/qt/window/sortmenu.h"
#include "picture/window/photofacts.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QAccessible>
#include <QAction>
#include <QItemSelectionModel>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QPalette>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>

#include <algorithm>

namespace qthost {

using namespace folders;

namespace {

// Accessible objects where Qt's would mislead a screen reader, each room's
// beside the widgets it describes.
constexpr QAccessible::InterfaceFactory AccessibleFactories[] = {windowAccessible, popupAccessible, listsAccessible,
                                                                 viewerAccessible, noticeAccessible};

// The folder the lists start in: the current folder, or where it was when it
// has been deleted since (the shell still knows, unless it only says "."),
// or the nearest one above that can be read.
QString preferredStartFolder()
{
    const QString current = QDir::currentPath();
    if (!current.isEmpty())
        return current;
    const QString shell = qEnvironmentVariable("PWD");
    return QDir::isAbsolutePath(shell) ? shell : QString();
}

// What a screen reader says for each control: Japanese words, not the
// design's identifiers.
std::pair<QString, QString> accessibleTexts(host::ControlKind kind)
{
    switch (kind) {
    case host::ControlKind::DriveList: return {texts::AccessibleDrive, texts::AccessibleDriveHelp};
    case host::ControlKind::DirList: return {texts::AccessibleFolder, texts::AccessibleFolderHelp};
    case host::ControlKind::FileList: return {texts::AccessibleFile, texts::AccessibleFileHelp};
    case host::ControlKind::TextBox: return {texts::AccessiblePath, texts::AccessiblePathHelp};
    case host::ControlKind::WebBrowser: return {texts::AccessibleView, texts::AccessibleViewHelp};
    case host::ControlKind::StatusBar: return {texts::AccessibleStatus, texts::AccessibleStatusHelp};
    }
    return {};
}

// How long the status bar shows what was done to a file.
constexpr int ToldMs = 6000;

} // namespace

QtHost::QtHost(FolderWatch::Native watches)
    : m_folders(std::make_unique<FolderCache>()), m_window(std::make_unique<MainWindow>()), m_watches(watches)
{
    for (QAccessible::InterfaceFactory factory : AccessibleFactories)
        QAccessible::installFactory(factory);
    m_services.setWindow(m_window.get());
}

QtHost::~QtHost()
{
    // The dates and the strip hand their questions back to the viewer's
    // queue, and the menus belong to the window: they go first.
    m_facts.reset();
    delete m_strip;
    delete m_grid;
    m_menus.reset();
    m_window.reset();
    for (QAccessible::InterfaceFactory factory : AccessibleFactories)
        QAccessible::removeFactory(factory);
}

void QtHost::attach(const host::FormDesign &design, host::Events *events)
{
    const QString start = startFolder(m_startFolder.isEmpty() ? preferredStartFolder() : m_startFolder);
    m_window->setWindowTitle(design.caption);
    m_window->resize(toPixels(design.clientWidth), toPixels(design.clientHeight));
    buildControls(design.controls, start);
    m_menus = std::make_unique<Menus>(design.menus, m_window.get());
    routeEvents(events);
    followTheDisk();
    actOnFiles();
    sortFiles();
    showThumbnails();
    markFiles();
    m_window->attach(events, m_menus.get(), m_panel);
}

void QtHost::buildControls(const std::vector<host::ControlDesign> &controls, const QString &start)
{
    MainWindow *window = m_window.get();
    std::vector<std::pair<int, QWidget *>> tabOrder;
    for (const host::ControlDesign &control : controls) {
        QWidget *widget = nullptr;
        switch (control.kind) {
        case host::ControlKind::WebBrowser:
            widget = m_view = new ViewerWidget(window);
            m_view->queue().adopt(std::move(m_earlyHelpers));
            break;
        case host::ControlKind::DriveList: widget = m_drive1 = new DriveListWidget(window, start); break;
        case host::ControlKind::DirList: widget = m_dir1 = new DirListWidget(window, *m_folders, start); break;
        case host::ControlKind::FileList: widget = m_file1 = new FileListWidget(window, *m_folders, start); break;
        case host::ControlKind::TextBox: widget = m_text1 = new TextBoxWidget(window); break;
        case host::ControlKind::StatusBar: widget = m_panel = new StatusBarWidget(window); break;
        }
        widget->setObjectName(control.name);
        const auto [name, help] = accessibleTexts(control.kind);
        widget->setAccessibleName(name);
        widget->setAccessibleDescription(help);
        QRect rect = toPixels(control);
        if (control.kind == host::ControlKind::StatusBar)
            rect.setHeight(std::max(rect.height(), widget->sizeHint().height()));
        widget->setGeometry(rect);
        if (control.background) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::Base,
                             QColor(control.background->red, control.background->green, control.background->blue));
            widget->setPalette(palette);
        }
        tabOrder.emplace_back(control.tabIndex, widget);
    }
    std::sort(tabOrder.begin(), tabOrder.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
}

void QtHost::routeEvents(host::Events *events)
{
    m_events = events;
    MainWindow *window = m_window.get();
    const auto mouseDownSource = [window](auto procedure, host::Events *target) {
        return MouseDownSource{[window, procedure, target](int button, int shift, host::Twips x, host::Twips y,
                                                           std::optional<QPoint> popupAt) {
            if (popupAt)
                window->setNextPopupPosition(*popupAt);
            if (target)
                dispatch([&] { (target->*procedure)(button, shift, x, y); });
        }};
    };
    m_drive1->attach(events);
    m_dir1->attach(events, mouseDownSource(&host::Events::Dir1_MouseDown, events));
    m_file1->attach(events, mouseDownSource(&host::Events::File1_MouseDown, events));
    QObject::connect(m_dir1, &DirListWidget::openFailed, window, [this] { browse::reportReadFailure(*this); });
    QObject::connect(m_dir1, &DirListWidget::opened, window, [this](const QString &folder) {
        const QString name = QFileInfo(folder).fileName();
        tell(m_dir1, texts::FolderOpened.arg(name.isEmpty() ? folder : name).arg(m_file1->names().size()));
    });
    // The picture's keys step through the file list, whose neighbours it decodes ahead.
    m_view->neighbours = [files = m_file1](const QString &path) { return files->neighbours(path); };
    QObject::connect(m_view, &ViewerWidget::stepAsked, m_file1, &FileListWidget::step);
}

void QtHost::followTheDisk()
{
    // Files copied in or removed show without the user asking, read off the
    // window's thread; F5, or Enter on the folder shown, reads it again at once.
    MainWindow *window = m_window.get();
    m_watch = new FolderWatch(window, m_watches);
    m_watch->watch(QDir::fromNativeSeparators(m_dir1->path()));
    m_reader = new FolderReader(window);
    QObject::connect(m_watch, &FolderWatch::changed, window,
                     [this] { m_reader->read(QDir::fromNativeSeparators(m_dir1->path())); });
    QObject::connect(m_reader, &FolderReader::done, window,
                     [this](const QString &folder, std::shared_ptr<const FolderContents> contents) {
                         if (folder != QDir::fromNativeSeparators(m_dir1->path()))
                             return; // the user has moved on since
                         if (!contents) {
                             leaveGoneFolder();
                             return;
                         }
                         m_folders->adopt(contents);
                         showRefreshed(*contents);
                     });
    QObject::connect(m_dir1, &DirListWidget::moved, window, [this](const QString &folder) {
        m_drive1->remember(folder);
        m_watch->watch(QDir::fromNativeSeparators(folder));
    });
    QObject::connect(m_dir1, &DirListWidget::refreshAsked, window, [this] { refreshLists(); });
    QObject::connect(m_file1, &FileListWidget::listed, window, [this](int, int others) { hintOtherPictures(others); });
    auto *refresh = new QShortcut(QKeySequence(Qt::Key_F5), window);
    QObject::connect(refresh, &QShortcut::activated, window, [this] { refreshLists(); });
}

void QtHost::sortFiles()
{
    m_facts = std::make_unique<picture::PhotoFacts>(m_view->queue());
    m_file1->setTakenOf([facts = m_facts.get()](const QString &path) { return facts->taken(path); });
    m_file1->setMarksOf([facts = m_facts.get()](const QString &path) { return facts->marks(path); });
    // Once, when the folder's dates and marks are all in; the chosen file stays chosen.
    QObject::connect(m_facts.get(), &picture::PhotoFacts::arrived, m_file1, [this] { showMarks(); });
    // Below the file types: the marks, then the orders.
    m_marksMenu = new MarksMenu(m_menus->menu(host::MenuId::Menu_Filter));
    QObject::connect(m_marksMenu, &MarksMenu::filterChosen, m_file1, &FileListWidget::setMarkFilter);
    QObject::connect(m_marksMenu, &MarksMenu::pairsChosen, m_file1, [this](std::optional<folders::PairShows> pairs) {
        setPairs(pairs);
        if (m_remembered) {
            m_remembered->setPairs(!pairs ? QString()
                                   : *pairs == folders::PairShows::Raw ? QStringLiteral("raw")
                                                                       : QStringLiteral("processed"));
            (void)m_remembered->save();
        }
    });
    m_sortMenu = new SortMenu(m_menus->menu(host::MenuId::Menu_Filter));
    QObject::connect(m_sortMenu, &SortMenu::chosen, m_file1, [this](folders::SortOrder order) {
        m_file1->setSortOrder(order);
        if (m_remembered) {
            m_remembered->setSortOrder(folders::sortOrderName(order));
            (void)m_remembered->save();
        }
    });
}

void QtHost::showThumbnails()
{
    MainWindow *window = m_window.get();
    m_strip = new ThumbnailStrip(window, m_view->queue());
    m_view->setBelow(m_strip, m_strip->stripHeight());
    m_grid = new ThumbnailGrid(window, m_view->queue());
    m_view->setCover(m_grid);
    // The strip and the grid show what the file list lists, in its order,
    // and its choice; a choice in either is the file list's.
    const auto relist = [this] {
        const QString folder = QDir::fromNativeSeparators(m_file1->path());
        m_strip->setFiles(folder, m_file1->names());
        m_grid->setFiles(folder, m_file1->names());
        m_strip->setChosen(m_file1->selectedRow());
        m_grid->setChosen(m_file1->selectedRow());
    };
    QAbstractItemModel *files = m_file1->model();
    QObject::connect(files, &QAbstractItemModel::modelReset, m_strip, relist);
    QObject::connect(files, &QAbstractItemModel::layoutChanged, m_strip, relist);
    QObject::connect(files, &QAbstractItemModel::rowsInserted, m_strip, relist);
    QObject::connect(files, &QAbstractItemModel::rowsRemoved, m_strip, relist);
    QObject::connect(m_file1->selectionModel(), &QItemSelectionModel::selectionChanged, m_strip, [this] {
        m_strip->setChosen(m_file1->selectedRow());
        m_grid->setChosen(m_file1->selectedRow());
    });
    QObject::connect(m_strip, &ThumbnailStrip::chosen, m_file1, &FileListWidget::choose);
    QObject::connect(m_grid, &ThumbnailGrid::chosen, m_file1, &FileListWidget::choose);
    QObject::connect(m_grid, &ThumbnailGrid::openAsked, window, [this](int row) {
        m_file1->choose(row);
        setGridShown(false);
    });
    QObject::connect(m_grid, &ThumbnailGrid::closeAsked, window, [this] { setGridShown(false); });
    QObject::connect(m_grid, &ThumbnailGrid::tileSideChanged, window, [this](int side) {
        tell(m_grid, texts::GridSize.arg(side));
        if (m_remembered) {
            m_remembered->setGridTileSide(side);
            (void)m_remembered->save();
        }
    });
    QObject::connect(m_view, &ViewerWidget::gridAsked, window, [this] {
        if (m_view->fullScreen())
            m_view->toggleFullScreen();
        setGridShown(true);
    });
    // Delete, F8, F7, F2 and the rest act on the photo chosen in the grid.
    m_grid->addActions(m_actions->actions());
    relist();
    auto *grid = new QAction(texts::GridAccessible, window);
    grid->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    grid->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(grid, &QAction::triggered, window, [this] { setGridShown(m_grid->isHidden()); });
    window->addAction(grid);
    auto *toggle = new QAction(texts::StripToggle, window);
    toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    toggle->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(toggle, &QAction::triggered, window, [this] {
        setStripShown(m_strip->isHidden());
        tell(m_strip->isHidden() ? static_cast<QWidget *>(m_window.get()) : m_strip,
             m_strip->isHidden() ? texts::StripHidden : texts::StripShown);
        if (m_remembered) {
            m_remembered->setThumbnailStrip(!m_strip->isHidden());
            (void)m_remembered->save();
        }
    });
    window->addAction(toggle);
}

void QtHost::markFiles()
{
    MainWindow *window = m_window.get();
    // Several photos selected in the grid are acted on and marked together.
    m_actionWindow->setSelected([this] { return m_grid->isHidden() ? QStringList() : m_grid->selectedPaths(); });
    m_markWindow = std::make_unique<HostMarkWindow>([this] { return m_actionWindow->chosenFiles(); }, *m_facts,
                                                    *m_view, *m_file1);
    QObject::connect(m_grid, &ThumbnailGrid::selectedCountChanged, window, [this](int count) {
        if (count > 1)
            tell(m_grid, texts::TilesSelected.arg(count));
    });
    m_marks = new MarkActions(*m_markWindow, m_view->queue(), window);
    const auto marksOf = [facts = m_facts.get()](const QString &path) { return facts->marks(path); };
    m_view->setMarksOf(marksOf);
    m_strip->setMarksOf(marksOf);
    m_grid->setMarksOf(marksOf);
    // Anywhere in the window (and full screen); X and U on the picture alone.
    window->addActions(m_marks->windowActions());
    m_view->setPictureActions(m_actions->actions() + m_marks->windowActions() + m_marks->pictureActions());
    m_grid->addActions(m_marks->pictureActions());
    m_actions->addToPopup({m_marks->turnRight(), m_marks->turnLeft()});
    QObject::connect(m_marks, &MarkActions::marksPending, window,
                     [this](const QString &path, const std::optional<marks::Marks> &marks) {
                         m_facts->setPending(path, marks);
                         showMarks();
                     });
    QObject::connect(m_marks, &MarkActions::marksWritten, window, [this](const QString &path, const marks::Marks &marks) {
        m_facts->setPending(path, std::nullopt);
        m_facts->setMarks(path, marks);
        showMarks();
    });
    QObject::connect(m_marks, &MarkActions::turnShown, window,
                     [this](const QString &path, int quarterTurns) { m_view->turnShown(path, quarterTurns); });
    QObject::connect(m_marks, &MarkActions::rewritten, window, [this](const fileops::Done &done, const QStringList &photos) {
        m_actions->remember(done);
        for (const QString &photo : photos)
            m_view->rewritten(photo);
        // Each photo is another file now: the lists and the tiles take it in.
        showDisk();
    });
    QObject::connect(m_marks, &MarkActions::writing, m_actions, &FileActions::holdUndo);
    QObject::connect(m_marks, &MarkActions::told, m_actions, &FileActions::told);
    QObject::connect(m_marks, &MarkActions::refusedBecause, window, [this](const QString &text) { m_asker->warn(text); });
    // Undone: the file is what it was, and shows as it is now.
    QObject::connect(m_actions, &FileActions::fileRewritten, window, [this](const QString &path) {
        showDisk();
        if (m_view->imageView()->path() == path)
            m_view->navigate(path);
        showMarks();
    });
}

void QtHost::showMarks()
{
    const QString chosen = m_file1->fileName();
    const QStringList before = m_file1->names();
    m_file1->marksChanged();
    m_view->marksChanged();
    m_strip->marksChanged();
    m_grid->marksChanged();
    // The chosen photo left by the filter (rejected while rejected ones are
    // hidden): the one after it shows, as after a file has gone.
    if (!chosen.isEmpty() && m_file1->fileName().isEmpty() && !m_file1->names().contains(chosen)) {
        const qsizetype row = before.indexOf(chosen);
        for (qsizetype next = row + 1; row >= 0 && next < before.size(); ++next) {
            if (chooseFile(before.at(next)))
                return;
        }
        for (qsizetype previous = row - 1; previous >= 0; --previous) {
            if (chooseFile(before.at(previous)))
                return;
        }
    }
}

void QtHost::setPairs(std::optional<folders::PairShows> pairs)
{
    m_file1->setPairs(pairs);
    m_actions->setPairs(pairs ? fileops::Pairs::Together : fileops::Pairs::Apart);
}

void QtHost::setStripShown(bool shown)
{
    m_strip->setVisible(shown);
    m_view->placeBelow();
}

void QtHost::setGridShown(bool shown)
{
    if (shown == !m_grid->isHidden())
        return;
    m_grid->setVisible(shown);
    m_view->placeBelow();
    if (shown) {
        // Kept in view at the size it now has, not the one it was shown at.
        m_grid->setChosen(m_file1->selectedRow());
        m_grid->setFocus(Qt::OtherFocusReason);
        tell(m_grid, texts::GridShown);
        return;
    }
    // Back to the picture, which takes the keyboard, as the grid had it.
    QWidget *shownView = m_view->currentWidget();
    shownView->setFocus(Qt::OtherFocusReason);
    tell(shownView, texts::GridHidden);
}

void QtHost::actOnFiles()
{
    // On the picture (in the window and full screen) and in the file list:
    // the keys of the file actions, and the picture's popup.
    MainWindow *window = m_window.get();
    m_actionWindow = std::make_unique<HostActionWindow>(*this, window, m_file1);
    m_asker = std::make_unique<DialogAsker>(window);
    m_actions = new FileActions(*m_actionWindow, *m_asker, window);
    m_view->setPictureActions(m_actions->actions());
    m_file1->addActions(m_actions->actions());
    window->addActions(m_actions->windowActions());
    QObject::connect(m_actions, &FileActions::progressed, window, [this](const QString &text) {
        if (text.isEmpty())
            m_panel->clearMessage();
        else
            m_panel->showMessage(text);
    });
    QObject::connect(m_view, &ViewerWidget::actionsAsked, m_actions, &FileActions::popup);
    QObject::connect(m_actions, &FileActions::fileLeft, window, [this](const QString &path) { afterFilesLeft({path}); });
    QObject::connect(m_actions, &FileActions::filesLeft, window, [this](const QStringList &paths) { afterFilesLeft(paths); });
    QObject::connect(m_actions, &FileActions::fileArrived, window,
                     [this](const QString &path) { chooseArrived(path); });
    QObject::connect(m_actions, &FileActions::folderChanged, window, [this](const QString &folder) {
        if (folder == QDir::fromNativeSeparators(m_dir1->path()))
            showDisk();
    });
    QObject::connect(m_actions, &FileActions::told, window, [this](const QString &text) {
        m_panel->showMessage(text, ToldMs);
        tell(m_window.get(), text);
    });
    QObject::connect(m_actions, &FileActions::pictureWanted, window, [this](const QString &path) {
        // Decoded as any other picture is, at most the screen's size: what is
        // pasted is looked at, and a 200-megapixel photo on the clipboard
        // would hold its gigabyte for as long as it stays there.
        const QScreen *screen = m_window->screen();
        const QSize bounds = screen ? screen->size() * screen->devicePixelRatio() : QSize(3840, 2160);
        m_view->queue().decode(picture::DecodeRequest::fitted(path, bounds), picture::DecodeQueue::Priority::Shown,
                               m_actions, [actions = m_actions, path](const picture::DecodedPicture &decoded) {
                                   const bool ok = decoded.status == picture::DecodedPicture::Status::Decoded;
                                   actions->pictureDecoded(path, ok ? decoded.image : QImage());
                               });
    });
}

void QtHost::showDisk()
{
    m_folders->forget();
    const std::shared_ptr<const FolderContents> contents =
        m_folders->read(QDir::fromNativeSeparators(m_dir1->path()));
    if (!contents) {
        leaveGoneFolder();
        return;
    }
    showRefreshed(*contents);
}

void QtHost::afterFilesLeft(const QStringList &paths)
{
    const QString shown = QDir::fromNativeSeparators(m_file1->path());
    QStringList gone;
    for (const QString &path : paths) {
        if (platform::folderOf(path) == shown)
            gone.append(platform::nameOf(path));
    }
    const bool chosen = gone.contains(m_file1->fileName());
    // The next file that stays, or the one before the first that went.
    const QStringList before = m_file1->names();
    const qsizetype row = before.indexOf(m_file1->fileName());
    QStringList candidates;
    for (qsizetype next = row + 1; chosen && next < before.size(); ++next)
        candidates.append(before.at(next));
    for (qsizetype previous = row - 1; chosen && previous >= 0; --previous)
        candidates.append(before.at(previous));
    showDisk();
    if (!chosen)
        return;
    for (const QString &name : std::as_const(candidates)) {
        if (!gone.contains(name) && chooseFile(name))
            return;
    }
    showStartPage();
}

void QtHost::chooseArrived(const QString &path)
{
    const QString folder = platform::folderOf(path);
    if (folder == QDir::fromNativeSeparators(m_dir1->path()))
        showDisk();
    else if (!m_dir1->setPath(QDir::toNativeSeparators(folder)))
        return;
    chooseFile(platform::nameOf(path));
}

void QtHost::showStartPage()
{
    // As at start-up: the start page, its path, an empty status line.
    m_text1->setText(m_services.programFolder() + QDir::separator() + texts::StartPageName);
    m_view->navigate(m_text1->text());
    m_panel->setPanelText(1, QString());
}

bool QtHost::chooseStartFile(const QString &name)
{
    if (!m_file1->names().contains(name) && FilePattern(texts::OtherFormatsPattern).matches(name)
        && !m_menus->item(host::MenuItemId::OtherFormats, 0).checked() && m_events) {
        // As the user would tick it: the window's pattern is built from the ticks.
        dispatch([this] { m_events->OtherFormats_Click(); });
        m_tickedForStartFile = true;
    }
    return chooseFile(name);
}

void QtHost::hintOtherPictures(int count)
{
    const QString hint = count > 0 ? texts::OtherPicturesHint.arg(count) : QString();
    if (hint == m_panel->hint())
        return;
    m_panel->setHint(hint);
    if (!hint.isEmpty())
        tell(m_window.get(), hint);
}

bool QtHost::chooseFile(const QString &name)
{
    // A file the pattern leaves out (a page, a hidden file) was still asked
    // for by name: it is listed and shown as a click would.
    if (!m_file1->names().contains(name) && !m_file1->alsoShow(name))
        return false;
    const qsizetype row = m_file1->names().indexOf(name);
    if (row < 0)
        return false;
    m_file1->choose(int(row));
    return true;
}

void QtHost::refreshLists()
{
    m_view->forgetPictures();
    showDisk();
}

void QtHost::showRefreshed(const FolderContents &contents)
{
    // The same name may now be another folder (removed and made again),
    // which the old watch does not see.
    m_watch->watch(contents.folder);
    m_dir1->refresh(contents);
    m_file1->refresh(contents);
    m_strip->refreshed();
    m_grid->refreshed();
}

void QtHost::leaveGoneFolder()
{
    // As for a history entry that has gone: the beep and the message, and the
    // lists go to the nearest folder above that can still be read.
    const QString gone = QDir::fromNativeSeparators(m_dir1->path());
    (void)m_dir1->setPath(QDir::toNativeSeparators(startFolder(QFileInfo(gone).path())));
    browse::reportReadFailure(*this);
}

void QtHost::remember(std::unique_ptr<RememberedSettings> settings)
{
    m_remembered = std::move(settings);
}

void QtHost::show()
{
    if (m_remembered && !m_remembered->windowGeometry().isEmpty())
        m_window->restoreGeometry(m_remembered->windowGeometry());
    m_window->load();
    // Opened on a file: the picture's place shows from the first frame (a
    // page, chosen, takes it). The start page is then never laid out, which
    // spares the window's showing its Japanese fonts (a third of the
    // window's memory, a third of its start).
    const bool openedOnFile = !m_startFile.isEmpty();
    if (openedOnFile)
        m_view->showPicturePlace(true);
    m_window->show();
    if (m_remembered)
        restoreRemembered();
    if (openedOnFile && !chooseStartFile(m_startFile))
        m_view->showPicturePlace(false);
}

void QtHost::restoreRemembered()
{
    QStringList folders;
    for (const QString &folder : m_remembered->chosenFolders())
        folders.append(platform::decodePath(QByteArray::fromPercentEncoding(folder.toLatin1())));
    m_actions->setChosenFolders(folders);
    if (m_remembered->thumbnailStrip())
        setStripShown(true);
    if (m_remembered->gridTileSide() > 0) {
        const QSignalBlocker quiet(m_grid); // as it was: nothing to tell or save
        m_grid->setTileSide(m_remembered->gridTileSide());
    }
    const QString pairs = m_remembered->pairs();
    if (!pairs.isEmpty()) {
        const auto shows = pairs == QLatin1String("raw") ? folders::PairShows::Raw : folders::PairShows::Processed;
        m_marksMenu->showPairs(shows);
        setPairs(shows);
    }
    const folders::SortOrder order = folders::sortOrderNamed(m_remembered->sortOrder());
    m_sortMenu->show(order);
    m_file1->setSortOrder(order);
    // As the user would tick it: the window's pattern is built from the ticks.
    if (m_remembered->otherFormats() && !m_menus->item(host::MenuItemId::OtherFormats, 0).checked() && m_events)
        dispatch([this] { m_events->OtherFormats_Click(); });
    QObject::connect(m_window.get(), &MainWindow::closing, m_window.get(), [this] { saveRemembered(); });
    QObject::connect(m_actions, &FileActions::chosenFoldersChanged, m_window.get(), [this] { saveRemembered(); });
}

void QtHost::saveRemembered()
{
    m_remembered->setWindowGeometry(m_window->saveGeometry());
    // A tick the program gave for the file it was opened on is this window's
    // only; what the user chose is remembered.
    const bool ticked = m_menus->item(host::MenuItemId::OtherFormats, 0).checked();
    if (!m_tickedForStartFile || !ticked)
        m_remembered->setOtherFormats(ticked);
    // By the folders' own bytes: a name that is not UTF-8 comes back as it is.
    QStringList folders;
    for (const QString &folder : m_actions->chosenFolders())
        folders.append(QString::fromLatin1(platform::encodePath(folder).toPercentEncoding("/")));
    m_remembered->setChosenFolders(folders);
    (void)m_remembered->save();
}

host::Window &QtHost::form()
{
    return *m_window;
}

host::DriveList &QtHost::drive1()
{
    return *m_drive1;
}

host::DirList &QtHost::dir1()
{
    return *m_dir1;
}

host::FileList &QtHost::file1()
{
    return *m_file1;
}

host::TextBox &QtHost::text1()
{
    return *m_text1;
}

host::Viewer &QtHost::view()
{
    return *m_view;
}

host::StatusBar &QtHost::panel()
{
    return *m_panel;
}

host::MenuItem &QtHost::menuItem(host::MenuItemId item, int index)
{
    return m_menus->item(item, index);
}

} // namespace qthost
