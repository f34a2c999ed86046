#include "fakehost.h"

#include <cmath>

namespace {

using host::Control;

struct FakeWindow final : host::Window
{
    FakeHost &f;
    explicit FakeWindow(FakeHost &fake) : f(fake) {}
    host::Twips width() const override { return f.windowWidth; }
    host::Twips height() const override { return f.windowHeight; }
    void popupMenu(host::MenuId menu, int flags) override { f.openPopup(menu, flags); }
};

struct FakeDriveList final : host::DriveList
{
    FakeHost &f;
    explicit FakeDriveList(FakeHost &fake) : f(fake) {}
    QString drive() const override { return f.drive; }
};

struct FakeDirList final : host::DirList
{
    FakeHost &f;
    explicit FakeDirList(FakeHost &fake) : f(fake) {}
    QString path() const override { return f.dirPath; }
    bool setPath(const QString &path) override
    {
        if (!f.folders.contains(path))
            return false;
        f.dirPath = path;
        f.log.append(QStringLiteral("dir1 ") + path);
        if (f.events())
            f.events()->Dir1_Change();
        return true;
    }
    host::Twips top() const override { return f.geometry.value(Control::Dir1).top; }
    host::Twips height() const override { return f.geometry.value(Control::Dir1).height; }
    void setHeight(host::Twips height) override
    {
        if (f.dirHeightStep > 0)
            height = std::floor(height / f.dirHeightStep) * f.dirHeightStep;
        f.geometry[Control::Dir1].height = height;
    }
};

struct FakeFileList final : host::FileList
{
    FakeHost &f;
    explicit FakeFileList(FakeHost &fake) : f(fake) {}
    QString path() const override { return f.filePath; }
    bool setPath(const QString &path) override
    {
        if (!f.folders.contains(path))
            return false;
        f.filePath = path;
        f.fileName.clear();
        return true;
    }
    void setPattern(const QString &pattern) override
    {
        f.filePattern = pattern;
        f.log.append(QStringLiteral("pattern ") + pattern);
    }
    QString pattern() const override { return f.filePattern; }
    QString fileName() const override { return f.fileName; }
    void setTop(host::Twips top) override { f.geometry[Control::File1].top = top; }
    void setHeight(host::Twips height) override { f.geometry[Control::File1].height = height; }
};

struct FakeTextBox final : host::TextBox
{
    FakeHost &f;
    explicit FakeTextBox(FakeHost &fake) : f(fake) {}
    QString text() const override { return f.text; }
    void setText(const QString &text) override { f.text = text; }
    void setWidth(host::Twips width) override { f.geometry[Control::Text1].width = width; }
};

struct FakeViewer final : host::Viewer
{
    FakeHost &f;
    explicit FakeViewer(FakeHost &fake) : f(fake) {}
    host::Twips left() const override { return f.geometry.value(Control::View).left; }
    host::Twips top() const override { return f.geometry.value(Control::View).top; }
    void setWidth(host::Twips width) override { f.geometry[Control::View].width = width; }
    void setHeight(host::Twips height) override { f.geometry[Control::View].height = height; }
    void navigate(const QString &path) override { f.log.append(QStringLiteral("navigate ") + path); }
};

struct FakeStatusBar final : host::StatusBar
{
    FakeHost &f;
    explicit FakeStatusBar(FakeHost &fake) : f(fake) {}
    host::Twips height() const override { return f.geometry.value(Control::Panel).height; }
    void setPanelText(int panel, const QString &text) override
    {
        if (panel == 1)
            f.panelText = text;
    }
};

struct FakeServices final : host::Services
{
    FakeHost &f;
    explicit FakeServices(FakeHost &fake) : f(fake) {}
    QString programFolder() const override { return f.programFolder; }
    QString userDataFolder() const override { return f.userDataFolder; }
    bool mayReplaceFile(const QString &path) const override { return !f.unwritable.contains(path); }
    std::optional<QByteArray> readFileHead(const QString &path, qint64 maxBytes) const override
    {
        if (!f.files.contains(path))
            return std::nullopt;
        return f.files.value(path).bytes.left(maxBytes);
    }
    host::WriteResult writeFileAtomic(const QString &path, const QByteArray &bytes) override
    {
        if (!f.failWrites.isEmpty())
            return {false, f.failWrites};
        f.files[path].bytes = bytes;
        f.log.append(QStringLiteral("write ") + path);
        return {true, {}};
    }
    void removeInterruptedWrites(const QString &path, const std::function<bool(const QByteArray &)> &) override
    {
        f.log.append(QStringLiteral("clean ") + path);
    }
    std::unique_ptr<host::FileLock> lockFile(const QString &path, int) override
    {
        f.log.append(QStringLiteral("lock ") + path);
        return std::make_unique<host::FileLock>();
    }
    std::optional<qint64> fileLength(const QString &path) const override
    {
        if (!f.files.contains(path))
            return std::nullopt;
        const FakeHost::File file = f.files.value(path);
        return file.length >= 0 ? file.length : file.bytes.size();
    }
    std::optional<QDateTime> fileModified(const QString &path) const override
    {
        if (!f.files.contains(path))
            return std::nullopt;
        return f.files.value(path).modified;
    }
    void beep() override { f.log.append(QStringLiteral("beep")); }
    void alert(const QString &text) override { f.log.append(QStringLiteral("alert ") + text); }
    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        f.log.append(QStringLiteral("input [%1] [%2] [%3]").arg(title, prompt, defaultText));
        if (f.inputAnswers.empty())
            return {};
        const QString answer = f.inputAnswers.front();
        f.inputAnswers.pop_front();
        return answer;
    }
    void messageBox(const QString &title, const QString &text) override
    {
        f.log.append(QStringLiteral("message [%1] %2").arg(title, text));
    }
};

struct FakeMenuItem final : host::MenuItem
{
    host::MenuItemDesign design;
    host::MenuId menu;
    QString text;
    bool tick;
    bool shown;
    FakeMenuItem(const host::MenuItemDesign &itemDesign, host::MenuId owner)
        : design(itemDesign), menu(owner), text(itemDesign.caption), tick(itemDesign.checked),
          shown(itemDesign.visible)
    {}
    QString caption() const override { return text; }
    void setCaption(const QString &caption) override { text = caption; }
    bool checked() const override { return tick; }
    void setChecked(bool checked) override { tick = checked; }
    bool visible() const override { return shown; }
    void setVisible(bool visible) override { shown = visible; }
};

} // namespace

struct FakeHost::Parts
{
    explicit Parts(FakeHost &f)
        : window(f), drives(f), dirs(f), files(f), textBox(f), viewer(f), statusBar(f), services(f)
    {}
    FakeWindow window;
    FakeDriveList drives;
    FakeDirList dirs;
    FakeFileList files;
    FakeTextBox textBox;
    FakeViewer viewer;
    FakeStatusBar statusBar;
    FakeServices services;
    std::vector<std::unique_ptr<FakeMenuItem>> items;
};

FakeHost::FakeHost() : m_parts(std::make_unique<Parts>(*this))
{
    folders.insert(QStringLiteral("/"));
}

FakeHost::~FakeHost() = default;

void FakeHost::attach(const host::FormDesign &design, host::Events *events)
{
    m_events = events;
    for (const host::ControlDesign &control : design.controls)
        geometry.insert(control.control, control);
    for (const host::MenuDesign &menu : design.menus) {
        for (const host::MenuItemDesign &itemDesign : menu.items)
            m_parts->items.push_back(std::make_unique<FakeMenuItem>(itemDesign, menu.menu));
    }
}

host::Window &FakeHost::form() { return m_parts->window; }
host::DriveList &FakeHost::drive1() { return m_parts->drives; }
host::DirList &FakeHost::dir1() { return m_parts->dirs; }
host::FileList &FakeHost::file1() { return m_parts->files; }
host::TextBox &FakeHost::text1() { return m_parts->textBox; }
host::Viewer &FakeHost::view() { return m_parts->viewer; }
host::StatusBar &FakeHost::panel() { return m_parts->statusBar; }
host::Services &FakeHost::services() { return realServices ? *realServices : m_parts->services; }

host::MenuItem &FakeHost::menuItem(host::MenuItemId item, int index)
{
    for (const auto &candidate : m_parts->items) {
        if (candidate->design.item == item && candidate->design.index == index)
            return *candidate;
    }
    qFatal("FakeHost: no menu item %d(%d)", int(item), index);
}

QStringList FakeHost::visibleItems(host::MenuId menu) const
{
    QStringList shown;
    for (const auto &item : m_parts->items) {
        if (item->menu == menu && item->shown)
            shown.append(item->tick ? item->text + QStringLiteral(" ✓") : item->text);
    }
    return shown;
}

void FakeHost::openPopup(host::MenuId menu, int flags)
{
    log.append(QStringLiteral("popup %1 flags %2").arg(menu == host::MenuId::Menu_Rireki ? QStringLiteral("Menu_Rireki")
                                                                                         : QStringLiteral("Menu_Filter"))
                   .arg(flags));
    popupsShown.push_back(visibleItems(menu));
    if (popupChoices.empty())
        return;
    const auto choice = popupChoices.front();
    popupChoices.pop_front();
    if (!choice)
        return;
    for (const auto &item : m_parts->items) {
        if (item->menu != menu || item->design.item != choice->first || item->design.index != choice->second)
            continue;
        // A hidden item cannot be chosen, as in a real popup.
        if (!item->shown || !m_events)
            return;
        const host::ClickProcedure click = item->design.click;
        if (auto plain = std::get_if<void (host::Events::*)()>(&click))
            (m_events->**plain)();
        else if (auto indexed = std::get_if<void (host::Events::*)(int)>(&click))
            (m_events->**indexed)(item->design.index);
        return;
    }
}
