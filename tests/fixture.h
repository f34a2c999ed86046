#pragma once

#include "app/form1.h"
#include "common/texts.h"
#include "fakehost.h"

#include <QStringList>

// Form1 on the fake host, attached as the program attaches it.
struct Fixture
{
    FakeHost host;
    Form1 form{host};

    Fixture() { host.attach(Form1::design(), &form); }

    QStringList captions()
    {
        QStringList captions;
        for (int i = 1; i <= 10; ++i)
            captions.append(host.menuItem(host::MenuItemId::Rireki, i).caption());
        return captions;
    }

    void setCaptions(const QStringList &captions)
    {
        for (int i = 1; i <= 10; ++i)
            host.menuItem(host::MenuItemId::Rireki, i).setCaption(captions.value(i - 1));
    }

    bool saveOption() { return host.menuItem(host::MenuItemId::Save_Rireki).checked(); }
    QString rirekiPath() const { return host.programFolder + QStringLiteral("/Rireki.dat"); }
};

inline QStringList designSlots()
{
    QStringList captions;
    for (const QString &caption : texts::RirekiPlaceholders)
        captions.append(caption);
    return captions;
}

// "/a" ... as many as asked, for filling captions.
inline QStringList folderNames(const QString &prefix, int count)
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names.append(QStringLiteral("%1%2").arg(prefix).arg(i));
    return names;
}
