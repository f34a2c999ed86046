#include "host/qt/lists/drivelist.h"
#include "host/qt/base/dispatch.h"

#include "common/texts.h"
#include "folders/drives.h"
#include "folders/folders.h"
#include "host/qt/base/twips.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>

namespace qthost {

using namespace folders;

DriveListWidget::DriveListWidget(QWidget *parent, const QString &start) : QComboBox(parent)
{
    const QStringList drives = mountedDrives();
    for (const QString &drive : drives)
        m_lastFolder.insert(drive, drive);
    const QString startDrive = driveOf(drives, start);
    m_lastFolder.insert(startDrive, start);
    fill(startDrive);
    // The opened list is named like the closed one, not left nameless.
    view()->setAccessibleName(texts::AccessibleDrive);

    // activated is the user's choice only; programmatic changes stay silent.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index == m_shown)
            return;
        m_shown = index;
        if (m_events)
            dispatch([this] { m_events->Drive1_Change(); });
    });
}

void DriveListWidget::fill(const QString &select)
{
    const QSignalBlocker blocker(this);
    clear();
    const QStringList drives = mountedDrives();
    for (const QString &drive : drives)
        addItem(QDir::toNativeSeparators(drive), drive);
    int index = findData(select);
    if (index < 0)
        index = findData(QDir::rootPath());
    setCurrentIndex(index);
    m_shown = index;
}

void DriveListWidget::showPopup()
{
    // Drives come and go (a stick plugged in): list them afresh on opening.
    fill(currentDrive());
    QComboBox::showPopup();
}

QString DriveListWidget::currentDrive() const
{
    return currentData().toString();
}

QString DriveListWidget::drive() const
{
    const QString root = currentDrive();
    QString folder = m_lastFolder.value(root, root);
    // The folder may have gone since; the nearest one that is still there
    // is where the user would look.
    while (folder != root && folder.size() > root.size() && !folders::existingFolder(folder))
        folder = QFileInfo(folder).path();
    return QDir::toNativeSeparators(folder);
}

void DriveListWidget::remember(const QString &folder)
{
    QStringList listed;
    for (int i = 0; i < count(); ++i)
        listed.append(itemData(i).toString());
    const QString drive = driveOf(listed, QDir::fromNativeSeparators(folder));
    if (!drive.isEmpty())
        m_lastFolder.insert(drive, QDir::fromNativeSeparators(folder));
}

} // namespace qthost
