#include "host/qt/marks/markactions.h"

#include "common/texts.h"
#include "fileops/companions.h"
#include "host/qt/base/markbadge.h"
#include "platform/paths.h"

#include <QAction>
#include <QApplication>

namespace qthost {
namespace {

using picture::MarkEdit;

marks::Marks applied(marks::Marks marks, const MarkEdit &edit)
{
    if (edit.rating)
        marks.rating = *edit.rating;
    if (edit.label)
        marks.label = *edit.label;
    return marks;
}

constexpr Qt::Key LabelKeys[] = {Qt::Key_6, Qt::Key_7, Qt::Key_8, Qt::Key_9};
constexpr marks::Label Labels[] = {marks::Label::Red, marks::Label::Yellow, marks::Label::Green, marks::Label::Blue};

} // namespace

MarkActions::MarkActions(Window &window, picture::DecodeQueue &queue, QObject *parent)
    : QObject(parent), m_window(window), m_writer(new MarkWriter(queue, this))
{
    for (int stars = 0; stars <= marks::MaxStars; ++stars) {
        add(QStringLiteral("MarkStars%1").arg(stars), QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + stars)), false,
            [this, stars] { rate(stars); });
    }
    add(QStringLiteral("MarkReject"), QKeySequence(Qt::Key_X), true, [this] { reject(true); });
    add(QStringLiteral("MarkRejectAnywhere"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X), false,
        [this] { reject(true); });
    add(QStringLiteral("MarkUnreject"), QKeySequence(Qt::Key_U), true, [this] { reject(false); });
    add(QStringLiteral("MarkUnrejectAnywhere"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U), false,
        [this] { reject(false); });
    for (int i = 0; i < 4; ++i) {
        add(QStringLiteral("MarkLabel") + marks::xmpLabel(Labels[i]), QKeySequence(Qt::CTRL | LabelKeys[i]), false,
            [this, i] { toggleLabel(Labels[i]); });
    }
    m_turnRight = add(QStringLiteral("TurnRight"), QKeySequence(Qt::CTRL | Qt::Key_R), false, [this] { turn(1); });
    m_turnRight->setText(texts::ActionTurnRight);
    m_turnLeft = add(QStringLiteral("TurnLeft"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), false,
                     [this] { turn(-1); });
    m_turnLeft->setText(texts::ActionTurnLeft);
    connect(m_writer, &MarkWriter::written, this, &MarkActions::written);
    connect(m_writer, &MarkWriter::refused, this, &MarkActions::refused);
}

QAction *MarkActions::add(const QString &name, const QKeySequence &key, bool onPictureOnly, std::function<void()> act)
{
    auto *action = new QAction(this);
    action->setObjectName(name);
    action->setShortcut(key);
    // Plain letters belong to the picture (a list finds its names by them);
    // the rest act wherever the window has the keyboard.
    action->setShortcutContext(onPictureOnly ? Qt::WidgetShortcut : Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, std::move(act));
    (onPictureOnly ? m_pictureActions : m_windowActions).append(action);
    return action;
}

void MarkActions::rate(int stars)
{
    MarkEdit edit;
    edit.rating = stars;
    order(edit, [stars](const QString &name) {
        return stars == 0 ? texts::StarsCleared.arg(name) : texts::StarsSet.arg(name).arg(stars);
    });
}

void MarkActions::reject(bool rejected)
{
    const QStringList paths = m_window.chosenFiles();
    // Taking back a rejection that is not there changes nothing.
    if (!rejected && (paths.size() != 1 || m_window.marksOf(paths.first()).value_or(marks::Marks{}).rating != marks::Rejected))
        return QApplication::beep();
    MarkEdit edit;
    edit.rating = rejected ? marks::Rejected : 0;
    order(edit, [rejected](const QString &name) {
        return rejected ? texts::RejectSet.arg(name) : texts::RejectCleared.arg(name);
    });
}

void MarkActions::toggleLabel(marks::Label label)
{
    const QStringList paths = m_window.chosenFiles();
    if (paths.isEmpty())
        return QApplication::beep();
    // The label the first has already: taken off (of all of them).
    const bool hasIt = m_window.marksOf(paths.first()).value_or(marks::Marks{}).label == label;
    MarkEdit edit;
    edit.label = hasIt ? marks::Label::None : label;
    order(edit, [hasIt, label](const QString &name) {
        return hasIt ? texts::LabelCleared.arg(name) : texts::LabelSet.arg(name, labelName(label));
    });
}

void MarkActions::turn(int quarterTurns)
{
    MarkEdit edit;
    edit.quarterTurns = quarterTurns;
    for (const QString &path : m_window.chosenFiles())
        emit turnShown(path, quarterTurns);
    order(edit, [quarterTurns](const QString &name) {
        return (quarterTurns > 0 ? texts::TurnedRight : texts::TurnedLeft).arg(name);
    });
}

void MarkActions::order(const MarkEdit &edit, const std::function<QString(const QString &name)> &told)
{
    const QStringList chosen = m_window.chosenFiles();
    if (chosen.isEmpty())
        return QApplication::beep();
    MarkWriter::Order order;
    Given given;
    for (const QString &path : chosen) {
        const QStringList halves = m_window.pairsTogether() ? fileops::pairedWith(path) : QStringList();
        order.photos += path;
        order.photos += halves;
        given.photosPerChoice.append(int(halves.size()) + 1);
    }
    order.edit = edit;
    // Only the photo on the screen was seen as it is.
    order.shown = chosen.size() == 1 ? m_window.shownStamp(chosen.first()) : std::nullopt;
    const QString first = platform::nameOf(chosen.first());
    given.told = told(chosen.size() == 1 ? first : texts::SeveralFiles.arg(first).arg(chosen.size() - 1));
    m_given.push_back(given);
    if (m_waiting++ == 0)
        emit writing(true);
    // On the screen at once; written after.
    if (edit.rating || edit.label) {
        for (const QString &path : chosen)
            emit marksPending(path, applied(m_window.marksOf(path).value_or(marks::Marks{}), edit));
    }
    m_writer->write(order);
}

void MarkActions::written(const MarkWriter::Order &order, const QList<fileops::Rewrite> &rewrites,
                          const QList<marks::Marks> &marksNow)
{
    const Given given = m_given.front();
    m_given.pop_front();
    for (qsizetype i = 0; i < order.photos.size() && i < marksNow.size(); ++i)
        emit marksWritten(order.photos.at(i), marksNow.at(i));
    // One part for each photo chosen, with its pair: undone together, each
    // photo as far as it still can be.
    const auto kind = order.edit.quarterTurns % 4 != 0 ? fileops::Done::Kind::Turned : fileops::Done::Kind::Marked;
    std::vector<fileops::Done> parts;
    qsizetype at = 0;
    for (const int count : std::as_const(given.photosPerChoice)) {
        const QString photo = order.photos.value(at);
        parts.push_back(fileops::Done{kind, photo, photo, {}, {},
                                      std::vector(rewrites.begin() + std::min(at, rewrites.size()),
                                                  rewrites.begin() + std::min(at + count, rewrites.size()))});
        at += count;
    }
    fileops::Done done = parts.front();
    if (parts.size() > 1) {
        done.rewrites.clear();
        done.parts = std::move(parts);
    }
    emit rewritten(done, order.photos);
    emit told(given.told);
    if (--m_waiting == 0)
        emit writing(false);
}

void MarkActions::refused(const MarkWriter::Order &order, const QString &photo, const QString &why)
{
    const Given given = m_given.front();
    m_given.pop_front();
    // What was shown at once goes back to what the files say.
    qsizetype at = 0;
    for (const int count : std::as_const(given.photosPerChoice)) {
        const QString chosen = order.photos.value(at);
        if (order.edit.quarterTurns % 4 != 0)
            emit turnShown(chosen, -order.edit.quarterTurns);
        if (order.edit.rating || order.edit.label)
            emit marksPending(chosen, std::nullopt);
        at += count;
    }
    if (--m_waiting == 0)
        emit writing(false);
    emit refusedBecause(texts::ActionFailed.arg(platform::nameOf(photo), why));
}

} // namespace qthost
