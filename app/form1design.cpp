#include "app/form1.h"

#include "common/texts.h"

using host::Control;
using host::ControlKind;
using host::Events;
using host::MenuId;
using host::MenuItemId;

host::FormDesign Form1::design()
{
    host::FormDesign form;
    form.caption = texts::WindowCaption;
    form.clientWidth = 8145;
    form.clientHeight = 7065;

    // The left column is 2655 twips wide; the path box and the viewer start
    // 30 twips to its right.
    form.controls = {
        {Control::View, QStringLiteral("View"), ControlKind::WebBrowser, 2685, 345, 5415, 6375, 0},
        {Control::Drive1, QStringLiteral("Drive1"), ControlKind::DriveList, 0, 0, 2655, 300, 1},
        {Control::Dir1, QStringLiteral("Dir1"), ControlKind::DirList, 0, 345, 2655, 2190, 2},
        {Control::File1, QStringLiteral("File1"), ControlKind::FileList, 0, 2580, 2655, 2970, 3},
        {Control::Text1, QStringLiteral("Text1"), ControlKind::TextBox, 2685, 0, 5415, 300, 4, host::Rgb{255, 255, 192}},
        {Control::Panel, QStringLiteral("Panel"), ControlKind::StatusBar, 0, 6810, 8145, 255, 5},
    };

    host::MenuDesign rireki{MenuId::Menu_Rireki, QStringLiteral("Menu_Rireki"), texts::MenuRirekiCaption, false, {}};
    for (int i = 1; i <= 10; ++i) {
        rireki.items.push_back({MenuItemId::Rireki, QStringLiteral("Rireki"), i, texts::RirekiPlaceholders[i - 1],
                                false, false, &Events::Rireki_Click});
    }
    rireki.items.push_back({MenuItemId::区分線, QStringLiteral("区分線"), 0, texts::Separator, false, false, {}});
    rireki.items.push_back({MenuItemId::Save_Rireki, QStringLiteral("Save_Rireki"), 0, texts::SaveRireki, true, true,
                            &Events::Save_Rireki_Click, true});

    host::MenuDesign filter{MenuId::Menu_Filter, QStringLiteral("Menu_Filter"), texts::MenuFilterCaption, false, {}};
    for (int i = 1; i <= 5; ++i) {
        filter.items.push_back({MenuItemId::Filter, QStringLiteral("Filter"), i, texts::FilterCaptions[i - 1], true,
                                true, &Events::Filter_Click, true});
    }
    filter.items.push_back({MenuItemId::Filter, QStringLiteral("Filter"), 6, texts::Dummy, false, false,
                            &Events::Filter_Click, true});
    // Unticked at start, so the start-up pattern stays the five.
    filter.items.push_back({MenuItemId::OtherFormats, QStringLiteral("OtherFormats"), 0, texts::OtherFormats, false,
                            true, &Events::OtherFormats_Click, true});
    filter.items.push_back(
        {MenuItemId::区分線Filter, QStringLiteral("区分線Filter"), 0, texts::Separator, false, true, {}});
    filter.items.push_back({MenuItemId::EtcFilter, QStringLiteral("EtcFilter"), 0, texts::EtcFilter, false, true,
                            &Events::EtcFilter_Click});

    form.menus = {std::move(rireki), std::move(filter)};
    return form;
}
