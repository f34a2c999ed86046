#pragma once

// The interface between the program's logic and the window system that
// shows it. The logic sees only these classes; the Qt implementation lives in
// host/qt, and the tests use a fake. Lengths are twips (1/1440 inch, 15 per
// device-independent pixel), single precision. Failures are status values.

#include "host/design.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace host {

// The event procedures of the one window. The host calls them on the user
// interface thread, one at a time, except where a host operation says that it
// raises an event before it returns.
class Events
{
public:
    virtual ~Events() = default;

    virtual void Form_Load() = 0;   // once, before the window is first shown
    virtual void Form_Unload() = 0; // once, when the window closes; closing is never refused
    virtual void Form_Resize() = 0; // after every size change, first showing and minimising included

    virtual void Drive1_Change() = 0;
    virtual void Dir1_Change() = 0;
    virtual void Dir1_MouseDown(int button, int shift, Twips x, Twips y) = 0;
    virtual void File1_Click() = 0;
    virtual void File1_MouseDown(int button, int shift, Twips x, Twips y) = 0;

    virtual void Rireki_Click(int index) = 0;
    virtual void Save_Rireki_Click() = 0;
    virtual void Filter_Click(int index) = 0;
    virtual void EtcFilter_Click() = 0;
    // The newer picture formats' item of the filter popup (beyond the design's five).
    virtual void OtherFormats_Click() = 0;
};

// Mouse button codes of MouseDown.
inline constexpr int LeftButton = 1;
inline constexpr int RightButton = 2;
inline constexpr int MiddleButton = 4;

// PopupMenu flag: either mouse button may choose an item.
inline constexpr int PopupMenuRightButton = 2;

class Window
{
public:
    virtual ~Window() = default;
    virtual Twips width() const = 0;  // outer size, frame and title bar included
    virtual Twips height() const = 0;
    // Shows the menu's visible items at the mouse position (also when the
    // menu itself is hidden), modally. Returns after the popup has closed and
    // the chosen item's Click procedure has run. Never changes a check mark.
    virtual void popupMenu(MenuId menu, int flags) = 0;
};

class DriveList
{
public:
    virtual ~DriveList() = default;
    // The chosen drive as a folder path that DirList::setPath accepts: the
    // folder the user was last in on that drive (its root at first).
    virtual QString drive() const = 0;
};

class DirList
{
public:
    virtual ~DirList() = default;
    // The shown folder; ends in the separator only at the root.
    virtual QString path() const = 0;
    // Moves the list and raises Dir1_Change before it returns. A missing or
    // unreadable folder changes nothing and returns false.
    [[nodiscard]] virtual bool setPath(const QString &path) = 0;
    virtual Twips top() const = 0;
    virtual Twips height() const = 0;
    virtual void setHeight(Twips height) = 0; // the list may round what it is given
};

class FileList
{
public:
    virtual ~FileList() = default;
    virtual QString path() const = 0;
    // Lists the folder's matching files with none selected; false (and
    // nothing changed) for a missing or unreadable folder.
    [[nodiscard]] virtual bool setPath(const QString &path) = 0;
    // ";"-separated wildcards, letter case ignored; the list refreshes.
    virtual void setPattern(const QString &pattern) = 0;
    virtual QString pattern() const = 0;
    virtual QString fileName() const = 0; // the selected name, empty when none
    virtual void setTop(Twips top) = 0;
    virtual void setHeight(Twips height) = 0;
};

class TextBox
{
public:
    virtual ~TextBox() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual void setWidth(Twips width) = 0;
};

class MenuItem
{
public:
    virtual ~MenuItem() = default;
    virtual QString caption() const = 0; // exactly what was set
    virtual void setCaption(const QString &caption) = 0;
    virtual bool checked() const = 0;
    virtual void setChecked(bool checked) = 0;
    virtual bool visible() const = 0;
    virtual void setVisible(bool visible) = 0;
};

class Viewer
{
public:
    virtual ~Viewer() = default;
    virtual Twips left() const = 0;
    virtual Twips top() const = 0;
    virtual void setWidth(Twips width) = 0;
    virtual void setHeight(Twips height) = 0;
    // Shows a local HTML page or image (JPEG, GIF, PNG, BMP), whatever the
    // file name holds; a file that cannot be shown gives a page saying so.
    virtual void navigate(const QString &path) = 0;
};

class StatusBar
{
public:
    virtual ~StatusBar() = default;
    virtual Twips height() const = 0;
    virtual void setPanelText(int panel, const QString &text) = 0; // panel 1 is the first
};

struct WriteResult
{
    bool ok = false;
    QString error; // the reason, for the user, when !ok
};

class FileLock
{
public:
    virtual ~FileLock() = default;
};

class Services
{
public:
    virtual ~Services() = default;
    // The running program's folder; ends in the separator only at the root.
    virtual QString programFolder() const = 0;
    // The user's own folder for this program's data (may not exist yet).
    virtual QString userDataFolder() const = 0;
    // Whether this user may create the file, or replace it when it exists.
    virtual bool mayReplaceFile(const QString &path) const = 0;
    // At most maxBytes from the start of the file; nullopt when it is not a
    // regular file (directly or through links) or cannot be read.
    virtual std::optional<QByteArray> readFileHead(const QString &path, qint64 maxBytes) const = 0;
    // Replaces the file whole or not at all (the folder is created if
    // missing). Only a regular file is replaced, directly or through links (a
    // link keeps pointing to it); anything else there fails the write.
    virtual WriteResult writeFileAtomic(const QString &path, const QByteArray &bytes) = 0;
    // Removes the temporary files that an interrupted writeFileAtomic of this
    // path may have left beside it: only files of the program's own naming
    // whose content `isOurs` recognises; everything else stays.
    virtual void removeInterruptedWrites(const QString &path, const std::function<bool(const QByteArray &)> &isOurs) = 0;
    // Holds a lock on `path` shared by every running copy of the program
    // (a lock file beside it) until the result is destroyed; waits for
    // another holder up to `waitMs`. Null when it was not had in time or
    // cannot be had there.
    virtual std::unique_ptr<FileLock> lockFile(const QString &path, int waitMs) = 0;
    virtual std::optional<qint64> fileLength(const QString &path) const = 0; // nullopt unless a regular file
    virtual std::optional<QDateTime> fileModified(const QString &path) const = 0; // local time
    virtual void beep() = 0;
    // Tells the user's screen reader `text` at once, wherever the focus is
    // (a failure the user must hear of, whatever the window shows).
    virtual void alert(const QString &text) = 0;
    // Modal one-line input; the entered text, or an empty text on cancel.
    virtual QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) = 0;
    // Modal message with one button.
    virtual void messageBox(const QString &title, const QString &text) = 0;
};

// One window with its controls, as the design describes it.
class Host
{
public:
    virtual ~Host() = default;
    // Builds the window from the design and routes its events to `events`
    // (not owned; it must outlive the host's window).
    virtual void attach(const FormDesign &design, Events *events) = 0;

    virtual Window &form() = 0;
    virtual DriveList &drive1() = 0;
    virtual DirList &dir1() = 0;
    virtual FileList &file1() = 0;
    virtual TextBox &text1() = 0;
    virtual Viewer &view() = 0;
    virtual StatusBar &panel() = 0;
    // index is the control-array index, 0 for an item that is not in one.
    virtual MenuItem &menuItem(MenuItemId item, int index = 0) = 0;
    virtual Services &services() = 0;
};

} // namespace host
