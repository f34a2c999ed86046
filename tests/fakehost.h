#pragma once

// A host without windows: state the tests set and read, answers they queue,
// and a log of the side effects whose order matters.

#include "host/host.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <deque>
#include <memory>
#include <utility>
#include <vector>

class FakeHost final : public host::Host
{
public:
    FakeHost();
    ~FakeHost() override;

    void attach(const host::FormDesign &design, host::Events *events) override;

    host::Window &form() override;
    host::DriveList &drive1() override;
    host::DirList &dir1() override;
    host::FileList &file1() override;
    host::TextBox &text1() override;
    host::Viewer &view() override;
    host::StatusBar &panel() override;
    host::MenuItem &menuItem(host::MenuItemId item, int index = 0) override;
    host::Services &services() override;

    // --- the world the fake stands in ---
    QSet<QString> folders;                     // folders that exist and can be read
    struct File { QByteArray bytes; qint64 length = -1; QDateTime modified; }; // length -1: bytes.size()
    QHash<QString, File> files;
    QSet<QString> unwritable;                  // paths mayReplaceFile refuses
    QString failWrites;                        // non-empty: every write fails with this reason
    QString programFolder = QStringLiteral("/opt/zelvo");
    QString userDataFolder = QStringLiteral("/home/user/.local/share/Zelvoviewer");
    host::Services *realServices = nullptr;    // set: file services on a real file system instead

    // --- controls ---
    QString drive = QStringLiteral("/");
    QString dirPath = QStringLiteral("/");
    float dirHeightStep = 0; // >0: the folder list rounds its height down to this step
    QString filePath = QStringLiteral("/");
    QString filePattern;
    QString fileName;
    QString text;
    QString panelText;
    float windowWidth = 8265, windowHeight = 7485;
    QHash<host::Control, host::ControlDesign> geometry; // twips as last written

    // --- popups and dialogs ---
    // What to choose in the next popups: an item, or nothing (the popup is dismissed).
    std::deque<std::optional<std::pair<host::MenuItemId, int>>> popupChoices;
    std::deque<QString> inputAnswers;          // the input box's answers; empty when none queued
    // Captions of the visible items, at each opening.
    std::vector<QStringList> popupsShown;
    QStringList log;

    // The visible captions of a menu right now ("-" for a separator).
    QStringList visibleItems(host::MenuId menu) const;
    QByteArray fileBytes(const QString &path) const { return files.value(path).bytes; }

    host::Events *events() const { return m_events; }
    void openPopup(host::MenuId menu, int flags);

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
    host::Events *m_events = nullptr;
};
