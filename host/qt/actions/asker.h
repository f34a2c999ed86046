#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace qthost {

// What acting on a file asks the user, each question modal. The program
// asks with Qt's dialogs; a test answers by itself.
class Asker
{
public:
    virtual ~Asker() = default;
    // Whether to go on with deleting for good; the default answer is no.
    virtual bool confirmDelete(const QString &question) = 0;
    // A new name for the file `name`, shown with its name selected up to
    // the extension; nullopt when cancelled.
    virtual std::optional<QString> newName(const QString &name) = 0;
    // A folder from the folder dialog, opened at `start`; nullopt when cancelled.
    virtual std::optional<QString> folder(const QString &title, const QString &start) = 0;
    // Says why something was not done.
    virtual void warn(const QString &text) = 0;
    // Which photos of a RAW+JPEG pair go to the trash: both by default (the
    // trash gives them back), Cancel on Esc.
    enum class PairPart { Both, Raw, Processed, Cancel };
    virtual PairPart pairPartToTrash(const QString &question) = 0;
};

// Asks with Qt's dialogs over `parent`.
class DialogAsker final : public Asker
{
public:
    explicit DialogAsker(QWidget *parent) : m_parent(parent) {}

    bool confirmDelete(const QString &question) override;
    std::optional<QString> newName(const QString &name) override;
    std::optional<QString> folder(const QString &title, const QString &start) override;
    void warn(const QString &text) override;
    PairPart pairPartToTrash(const QString &question) override;

private:
    QWidget *m_parent;
};

// The part of a file name that the rename dialog selects: up to the last
// dot, unless the name starts with its only dot (a hidden file), or all.
qsizetype stemLength(const QString &name);

} // namespace qthost
