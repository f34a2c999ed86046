#pragma once

#include "app/form1.h"

#include <QStringList>

#include <functional>

// Form1 behind a log of the procedures the host raised, with an optional
// look at the host from inside each one.
class Recorder final : public host::Events
{
public:
    explicit Recorder(Form1 &form) : m_form(form) {}

    QStringList log;
    std::function<void(const QString &)> inside;

    void Form_Load() override { run(QStringLiteral("Form_Load"), [&] { m_form.Form_Load(); }); }
    // Off by default: a test window closing must not write a history file into the build.
    bool forwardUnload = false;
    void Form_Unload() override
    {
        run(QStringLiteral("Form_Unload"), [&] {
            if (forwardUnload)
                m_form.Form_Unload();
        });
    }
    void Form_Resize() override { run(QStringLiteral("Form_Resize"), [&] { m_form.Form_Resize(); }); }
    void Drive1_Change() override { run(QStringLiteral("Drive1_Change"), [&] { m_form.Drive1_Change(); }); }
    void Dir1_Change() override { run(QStringLiteral("Dir1_Change"), [&] { m_form.Dir1_Change(); }); }
    void Dir1_MouseDown(int button, int shift, host::Twips x, host::Twips y) override
    {
        run(QStringLiteral("Dir1_MouseDown %1").arg(button), [&] { m_form.Dir1_MouseDown(button, shift, x, y); });
    }
    void File1_Click() override { run(QStringLiteral("File1_Click"), [&] { m_form.File1_Click(); }); }
    void File1_MouseDown(int button, int shift, host::Twips x, host::Twips y) override
    {
        run(QStringLiteral("File1_MouseDown %1").arg(button), [&] { m_form.File1_MouseDown(button, shift, x, y); });
    }
    void Rireki_Click(int index) override
    {
        run(QStringLiteral("Rireki_Click %1").arg(index), [&] { m_form.Rireki_Click(index); });
    }
    void Save_Rireki_Click() override
    {
        run(QStringLiteral("Save_Rireki_Click"), [&] { m_form.Save_Rireki_Click(); });
    }
    void Filter_Click(int index) override
    {
        run(QStringLiteral("Filter_Click %1").arg(index), [&] { m_form.Filter_Click(index); });
    }
    void EtcFilter_Click() override { run(QStringLiteral("EtcFilter_Click"), [&] { m_form.EtcFilter_Click(); }); }
    void OtherFormats_Click() override
    {
        run(QStringLiteral("OtherFormats_Click"), [&] { m_form.OtherFormats_Click(); });
    }

    int count(const QString &entry) const { return int(log.count(entry)); }

private:
    template<typename F>
    void run(const QString &name, F &&procedure)
    {
        log.append(name);
        if (inside)
            inside(name);
        procedure();
    }

    Form1 &m_form;
};
