#include "host/qt/actions/asker.h"

#include "common/texts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace qthost {

qsizetype stemLength(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? dot : name.size();
}

bool DialogAsker::confirmDelete(const QString &question)
{
    QMessageBox box(QMessageBox::Warning, texts::DeleteTitle, question, QMessageBox::NoButton, m_parent);
    QPushButton *remove = box.addButton(texts::DeleteButton, QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(texts::CancelButton, QMessageBox::RejectRole);
    // Enter, or a hasty Space, keeps the file.
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == remove;
}

std::optional<QString> DialogAsker::newName(const QString &name)
{
    QDialog dialog(m_parent);
    dialog.setWindowTitle(texts::RenameTitle);
    auto *edit = new QLineEdit(name, &dialog);
    auto *label = new QLabel(texts::RenamePrompt, &dialog);
    label->setBuddy(edit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(texts::CancelButton);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(name) + 40);
    // Typing replaces the name and keeps the type.
    edit->setSelection(0, int(stemLength(name)));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return edit->text();
}

std::optional<QString> DialogAsker::folder(const QString &title, const QString &start)
{
    const QString chosen = QFileDialog::getExistingDirectory(m_parent, title, start);
    if (chosen.isEmpty())
        return std::nullopt;
    return QDir::fromNativeSeparators(chosen);
}

Asker::PairPart DialogAsker::pairPartToTrash(const QString &question)
{
    QMessageBox box(QMessageBox::Question, texts::PairTrashTitle, question, QMessageBox::NoButton, m_parent);
    QPushButton *both = box.addButton(texts::PairTrashBoth, QMessageBox::AcceptRole);
    QPushButton *raw = box.addButton(texts::PairTrashRaw, QMessageBox::AcceptRole);
    QPushButton *processed = box.addButton(texts::PairTrashProcessed, QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(texts::CancelButton, QMessageBox::RejectRole);
    box.setDefaultButton(both);
    box.setEscapeButton(cancel);
    box.exec();
    const QAbstractButton *clicked = box.clickedButton();
    return clicked == both ? PairPart::Both : clicked == raw ? PairPart::Raw : clicked == processed ? PairPart::Processed
                                                                                                    : PairPart::Cancel;
}

void DialogAsker::warn(const QString &text)
{
    QMessageBox::warning(m_parent, texts::ApplicationTitle, text);
}

} // namespace qthost
