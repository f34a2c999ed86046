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
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
    MarkEdit edit;
    edit.rating = stars;
    const QString name = platform::nameOf(path);
    order(edit, m_window.marksOf(path).value_or(marks::Marks{}),
          stars == 0 ? texts::StarsCleared.arg(name) : texts::StarsSet.arg(name).arg(stars));
}

void MarkActions::reject(bool rejected)
{
    const QString path = m_window.chosenFile();
    const marks::Marks shown = m_window.marksOf(path).value_or(marks::Marks{});
    // Taking back a rejection that is not there changes nothing.
    if (path.isEmpty() || (!rejected && shown.rating != marks::Rejected))
        return QApplication::beep();
    MarkEdit edit;
    edit.rating = rejected ? marks::Rejected : 0;
    const QString name = platform::nameOf(path);
    order(edit, shown, rejected ? texts::RejectSet.arg(name) : texts::RejectCleared.arg(name));
}

void MarkActions::toggleLabel(marks::Label label)
{
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
    const marks::Marks shown = m_window.marksOf(path).value_or(marks::Marks{});
    MarkEdit edit;
    // The label it has already: taken off.
    edit.label = shown.label == label ? marks::Label::None : label;
    const QString name = platform::nameOf(path);
    order(edit, shown,
          *edit.label == marks::Label::None ? texts::LabelCleared.arg(name) : texts::LabelSet.arg(name, labelName(label)));
}

void MarkActions::turn(int quarterTurns)
{
    const QString path = m_window.chosenFile();
    if (path.isEmpty())
        return QApplication::beep();
    MarkEdit edit;
    edit.quarterTurns = quarterTurns;
    const QString name = platform::nameOf(path);
    emit turnShown(path, quarterTurns);
    order(edit, m_window.marksOf(path).value_or(marks::Marks{}),
          (quarterTurns > 0 ? texts::TurnedRight : texts::TurnedLeft).arg(name));
}

void MarkActions::order(const MarkEdit &edit, const marks::Marks &shown, const QString &done)
{
    const QString path = m_window.chosenFile();
    MarkWriter::Order order;
    order.photos = QStringList{path};
    if (m_window.pairsTogether())
        order.photos += fileops::pairedWith(path);
    order.edit = edit;
    order.shown = m_window.shownStamp(path);
    m_given.push_back({done});
    if (m_waiting++ == 0)
        emit writing(true);
    // On the screen at once; written after.
    if (edit.rating || edit.label)
        emit marksPending(path, applied(shown, edit));
    m_writer->write(order);
}

void MarkActions::written(const MarkWriter::Order &order, const QList<fileops::Rewrite> &rewrites,
                          const QList<marks::Marks> &marksNow)
{
    const Given given = m_given.front();
    m_given.pop_front();
    for (qsizetype i = 0; i < order.photos.size() && i < marksNow.size(); ++i)
        emit marksWritten(order.photos.at(i), marksNow.at(i));
    const QString photo = order.photos.first();
    const auto kind = order.edit.quarterTurns % 4 != 0 ? fileops::Done::Kind::Turned : fileops::Done::Kind::Marked;
    emit rewritten(fileops::Done{kind, photo, photo, {}, {}, std::vector(rewrites.begin(), rewrites.end())},
                   order.photos);
    emit told(given.told);
    if (--m_waiting == 0)
        emit writing(false);
}

void MarkActions::refused(const MarkWriter::Order &order, const QString &photo, const QString &why)
{
    m_given.pop_front();
    // What was shown at once goes back to what the files say.
    const QString first = order.photos.first();
    if (order.edit.quarterTurns % 4 != 0)
        emit turnShown(first, -order.edit.quarterTurns);
    if (order.edit.rating || order.edit.label)
        emit marksPending(first, std::nullopt);
    if (--m_waiting == 0)
        emit writing(false);
    emit refusedBecause(texts::ActionFailed.arg(platform::nameOf(photo), why));
}

} // namespace qthost
