#pragma once

// The window's design as data: controls with their twip rectangles and tab
// order, and the menus with every item. The window class owns the values; a
// host realises them.

#include <QString>

#include <optional>
#include <variant>
#include <vector>

namespace host {

using Twips = float;
inline constexpr Twips TwipsPerPixel = 15.0f;

class Events;

enum class ControlKind { WebBrowser, DriveList, DirList, FileList, TextBox, StatusBar };
enum class Control { View, Drive1, Dir1, File1, Text1, Panel };

enum class MenuId { Menu_Rireki, Menu_Filter };
// The design's own names, separators included (moc cannot read them).
#ifndef Q_MOC_RUN
enum class MenuItemId { Rireki, 区分線, Save_Rireki, Filter, OtherFormats, 区分線Filter, EtcFilter };
#endif

// The procedure that a menu item's Click raises: none, plain, or with the
// item's index in its control array.
using ClickProcedure = std::variant<std::monostate, void (Events::*)(), void (Events::*)(int)>;

struct Rgb
{
    int red = 0;
    int green = 0;
    int blue = 0;
};

struct ControlDesign
{
    Control control;
    QString name;
    ControlKind kind;
    Twips left;
    Twips top;
    Twips width;
    Twips height;
    int tabIndex;
    std::optional<Rgb> background = {};
};

struct MenuItemDesign
{
    MenuItemId item;
    QString name;
    int index; // 0 when the item is not in a control array
    QString caption; // "-" makes a separator
    bool checked;
    bool visible;
    ClickProcedure click;
    bool checkable = false; // shows its check mark, ticked or not
};

struct MenuDesign
{
    MenuId menu;
    QString name;
    QString caption;
    bool visible; // a hidden top-level menu never shows in a menu bar
    std::vector<MenuItemDesign> items;
};

struct FormDesign
{
    QString caption;
    Twips clientWidth;
    Twips clientHeight;
    std::vector<ControlDesign> controls;
    std::vector<MenuDesign> menus;
};

} // namespace host
