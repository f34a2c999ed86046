#pragma once

#include "host/host.h"
#include "folders/folderwatch.h"
#include "folders/pairs.h"
#include "host/qt/window/services.h"
#include "picture/window/helperprocess.h"

#include <memory>

namespace picture {
class PhotoFacts;
}

namespace folders {
class FolderCache;
class FolderReader;
struct FolderContents;
}

namespace qthost {

class DialogAsker;
class DirListWidget;
class DriveListWidget;
class FileActions;
class FileListWidget;
class HostActionWindow;
class HostMarkWindow;
class RememberedSettings;
class MainWindow;
class MarkActions;
class MarksMenu;
class Menus;
class SortMenu;
class StatusBarWidget;
class TextBoxWidget;
class ThumbnailGrid;
class ThumbnailStrip;
class ViewerWidget;

// The host on real Qt widgets.
class QtHost final : public host::Host
{
public:
    // `watches` Refuse: the lists poll the shown folder, as on a system whose
    // watches are used up.
    explicit QtHost(folders::FolderWatch::Native watches = folders::FolderWatch::Native::Use);
    ~QtHost() override;

    // Where the lists start (before attach); empty: the current folder.
    void setStartFolder(const QString &folder) { m_startFolder = folder; }
    // What the window remembers between starts (before show): its size and
    // state, 「その他の画像形式」, the folders chosen for moving and copying.
    // Without it (the tests), nothing is remembered.
    void remember(std::unique_ptr<RememberedSettings> settings);
    // Decoder helpers the program started before its window (before
    // attach): the viewer's first decodes meet them ready.
    void startWith(std::vector<picture::StartedHelperProcess> helpers) { m_earlyHelpers = std::move(helpers); }
    void attach(const host::FormDesign &design, host::Events *events) override;
    // The file the program was opened on ("Open with"), chosen by show().
    void setStartFile(const QString &name) { m_startFile = name; }
    // Raises Load, shows the window, then chooses the start file.
    void show();

    host::Window &form() override;
    host::DriveList &drive1() override;
    host::DirList &dir1() override;
    host::FileList &file1() override;
    host::TextBox &text1() override;
    host::Viewer &view() override;
    host::StatusBar &panel() override;
    host::MenuItem &menuItem(host::MenuItemId item, int index = 0) override;
    host::Services &services() override { return m_services; }

    MainWindow *window() const { return m_window.get(); }
    // Chooses the file of that name in the file list, as a click would, and
    // lists it for the purpose when the pattern leaves it out; false when the
    // folder has no such file.
    bool chooseFile(const QString &name);
    // Reads the shown folder again: its subfolders and files, the selection
    // kept, no event raised. A folder that has gone (or can no longer be
    // read) beeps, says so in the path box and moves the lists up to the
    // nearest folder that can be read, which raises Change.
    void refreshLists();
    folders::FolderWatch *folderWatch() const { return m_watch; }
    FileActions *fileActions() const { return m_actions; }
    MarkActions *markActions() const { return m_marks; }
    ThumbnailStrip *thumbnailStrip() const { return m_strip; }
    ThumbnailGrid *thumbnailGrid() const { return m_grid; }
    // A RAW and its JPEG as one photo in the list and in what is done to
    // it, or apart (nullopt).
    void setPairs(std::optional<folders::PairShows> pairs);
    // Shows or hides the strip of thumbnails under the picture (Ctrl+B).
    void setStripShown(bool shown);
    // Shows the grid of thumbnails in place of the picture (Ctrl+G, G), or
    // the picture again, which takes the keyboard.
    void setGridShown(bool shown);

private:
    // The steps of attach: the controls from the design (with their tab
    // order and the names screen readers say), the widgets' events to the
    // event procedures, and the lists kept in step with the disk.
    void buildControls(const std::vector<host::ControlDesign> &controls, const QString &start);
    void routeEvents(host::Events *events);
    void followTheDisk();
    void actOnFiles();
    void markFiles();
    void sortFiles();
    void showThumbnails();
    void showRefreshed(const folders::FolderContents &contents);
    // Marks changed (or came in): shown everywhere, and the list keeps to its
    // filter, the next file chosen in place of one the filter now hides.
    void showMarks();
    void leaveGoneFolder();
    // The lists read the shown folder again (a file of it was acted on),
    // the selection kept where its file still is; no event raised.
    void showDisk();
    // After acting on files: when the chosen one has gone, the next file
    // that stays is chosen in its place (else the one before), the start
    // page when none is left; a file that came back is chosen, in its own
    // folder.
    void afterFilesLeft(const QStringList &paths);
    void chooseArrived(const QString &path);
    void showStartPage();
    // In the status bar while the file list is empty: how many pictures of
    // the newer formats the folder holds, unlisted.
    void hintOtherPictures(int count);
    // The file the program was started on ("Open with"): a picture of the
    // newer formats ticks 「その他の画像形式」 for this window first, so that
    // the folder's photos of every format are listed around it.
    bool chooseStartFile(const QString &name);
    // The window as it was left, and what it was, saved when it closes.
    void restoreRemembered();
    void saveRemembered();

    std::unique_ptr<folders::FolderCache> m_folders; // outlives the lists that read through it
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<Menus> m_menus;
    QtServices m_services;
    DriveListWidget *m_drive1 = nullptr;
    DirListWidget *m_dir1 = nullptr;
    FileListWidget *m_file1 = nullptr;
    TextBoxWidget *m_text1 = nullptr;
    ViewerWidget *m_view = nullptr;
    std::vector<picture::StartedHelperProcess> m_earlyHelpers;
    StatusBarWidget *m_panel = nullptr;
    std::unique_ptr<picture::PhotoFacts> m_facts; // asks the viewer's helpers
    SortMenu *m_sortMenu = nullptr;
    MarksMenu *m_marksMenu = nullptr;
    ThumbnailStrip *m_strip = nullptr; // asks the viewer's helpers
    ThumbnailGrid *m_grid = nullptr;   // likewise
    folders::FolderWatch::Native m_watches;
    QString m_startFolder;
    QString m_startFile;
    folders::FolderWatch *m_watch = nullptr;
    folders::FolderReader *m_reader = nullptr;
    host::Events *m_events = nullptr;
    std::unique_ptr<HostActionWindow> m_actionWindow;
    std::unique_ptr<DialogAsker> m_asker;
    FileActions *m_actions = nullptr;
    std::unique_ptr<HostMarkWindow> m_markWindow;
    MarkActions *m_marks = nullptr;
    std::unique_ptr<RememberedSettings> m_remembered;
    bool m_tickedForStartFile = false;
};

} // namespace qthost
