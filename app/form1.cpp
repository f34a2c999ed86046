#include "app/form1.h"

#include "app/formresize.h"
#include "browse/filedisplay.h"
#include "browse/navigation.h"
#include "browse/readfailure.h"
#include "common/texts.h"
#include "filter/filter.h"
#include "history/historypopup.h"
#include "history/rireki.h"
#include "history/rirekifile.h"

#include <QDir>

Form1::Form1(host::Host &host) : m_host(host) {}

void Form1::Form_Load()
{
    const history::RirekiFiles files = history::rirekiFiles(m_host.services());
    m_rirekiFile = files.write;
    m_host.services().removeInterruptedWrites(m_rirekiFile, history::isWrittenRirekiFile);
    const std::optional<QByteArray> read = history::Read_Rireki(m_host, files.read);
    m_rirekiAtLoad = files.read == files.write ? read
                                               : m_host.services().readFileHead(files.write, history::MaxRirekiFileBytes);
    m_host.file1().setPattern(texts::StartupPattern);
    m_host.text1().setText(m_host.services().programFolder() + QDir::separator() + texts::StartPageName);
    m_host.view().navigate(m_host.text1().text());
    // The host always starts the folder list on a folder; an empty path would
    // only stand for one in the history.
    if (!m_host.dir1().path().isEmpty())
        enterRireki(m_host.dir1().path());
}

void Form1::enterRireki(const QString &folder)
{
    history::Enter_Rireki(m_host, folder);
    m_entered.insert(folder);
}

void Form1::Form_Unload()
{
    // Another window of the program may have saved since this one read the
    // file: its folders stay, below this window's. The lock keeps a third
    // from saving in between; without it in time, this window saves anyway.
    const std::unique_ptr<host::FileLock> lock = m_host.services().lockFile(m_rirekiFile, RirekiLockWaitMs);
    if (m_host.menuItem(host::MenuItemId::Save_Rireki).checked()) {
        const std::optional<QByteArray> now = m_host.services().readFileHead(m_rirekiFile, history::MaxRirekiFileBytes);
        if (now && now != m_rirekiAtLoad)
            history::Merge_Rireki(m_host, m_entered, history::parseRirekiFile(*now));
    }
    const host::WriteResult written = history::Write_Rireki(m_host, m_rirekiFile);
    if (!written.ok) {
        m_host.services().messageBox(texts::ApplicationTitle,
                                     texts::RirekiWriteFailed.arg(QDir::toNativeSeparators(m_rirekiFile),
                                                                  written.error));
    }
}

void Form1::Form_Resize()
{
    layoutOnResize(m_host);
}

void Form1::Drive1_Change()
{
    browse::Drive1_Change(m_host);
}

void Form1::Dir1_Change()
{
    browse::Dir1_Change(m_host);
    m_entered.insert(m_host.dir1().path());
}

void Form1::Dir1_MouseDown(int button, int, host::Twips, host::Twips)
{
    history::Dir1_MouseDown(m_host, button);
}

void Form1::File1_Click()
{
    browse::File1_Click(m_host);
}

void Form1::File1_MouseDown(int button, int, host::Twips, host::Twips)
{
    filter::File1_MouseDown(m_host, button);
}

void Form1::Rireki_Click(int index)
{
    // A folder that has gone since is reported as browsing reports any.
    if (!history::Rireki_Click(m_host, index))
        browse::reportReadFailure(m_host);
}

void Form1::Save_Rireki_Click()
{
    history::Save_Rireki_Click(m_host);
}

void Form1::Filter_Click(int index)
{
    filter::Filter_Click(m_host, index);
}

void Form1::EtcFilter_Click()
{
    filter::EtcFilter_Click(m_host);
}

void Form1::OtherFormats_Click()
{
    filter::OtherFormats_Click(m_host);
}
