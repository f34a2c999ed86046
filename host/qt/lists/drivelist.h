#pragma once

#include "host/host.h"

#include <QComboBox>
#include <QHash>

namespace qthost {

// The drive list: one row per mounted file system. It remembers the folder
// the user was last in on each drive, so that choosing a drive again goes back
// there, as the classic drive list does.
class DriveListWidget final : public QComboBox, public host::DriveList
{
    Q_OBJECT
public:
    // Starts on the drive that holds `start`.
    DriveListWidget(QWidget *parent, const QString &start);
    void attach(host::Events *events) { m_events = events; }

    QString drive() const override;

    // Called whenever the folder list shows a new folder.
    void remember(const QString &folder);

    void showPopup() override;

private:
    void fill(const QString &select);
    QString currentDrive() const;

    host::Events *m_events = nullptr;
    QHash<QString, QString> m_lastFolder; // drive root -> folder
    int m_shown = -1;
};

} // namespace qthost
