#pragma once

// The one window: its design and its event procedures, each of which does
// its work through the operations of the browsing, history and filter code.

#include "host/host.h"

#include <QSet>

#include <optional>

class Form1 final : public host::Events
{
public:
    explicit Form1(host::Host &host);

    // Controls with their design-time twips and tab order, and both menus.
    static host::FormDesign design();

    void Form_Load() override;
    void Form_Unload() override;
    void Form_Resize() override;

    void Drive1_Change() override;
    void Dir1_Change() override;
    void Dir1_MouseDown(int button, int shift, host::Twips x, host::Twips y) override;
    void File1_Click() override;
    void File1_MouseDown(int button, int shift, host::Twips x, host::Twips y) override;

    void Rireki_Click(int index) override;
    void Save_Rireki_Click() override;
    void Filter_Click(int index) override;
    void EtcFilter_Click() override;
    void OtherFormats_Click() override;

private:
    static constexpr int RirekiLockWaitMs = 2000;

    void enterRireki(const QString &folder);

    host::Host &m_host;
    QString m_rirekiFile; // written at unload; chosen once at load: beside the program, or the user's own
    std::optional<QByteArray> m_rirekiAtLoad; // that file as it was at load, to see another window's save
    QSet<QString> m_entered;                  // the folders this window entered into the history
};
