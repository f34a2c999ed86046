#include "host/qt/window/marksmenu.h"

#include "common/texts.h"
#include "host/qt/base/markbadge.h"

#include <QActionGroup>
#include <QMenu>

namespace qthost {
namespace {

// What a rating item keeps to: at least so many stars (1 to 5), or only
// the unrated (-1).
constexpr int Unrated = -1;

QAction *tickBox(QMenu *menu, const QString &text, const QString &name)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    action->setCheckable(true);
    return action;
}

} // namespace

MarksMenu::MarksMenu(QMenu *menu) : QObject(menu), m_ratings(new QActionGroup(this))
{
    // One rating at most: choosing the ticked one again unticks it.
    m_ratings->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    menu->addSeparator();
    for (int stars = 1; stars <= marks::MaxStars; ++stars) {
        const QString text = stars == marks::MaxStars ? texts::FilterFiveStars : texts::FilterAtLeastStars.arg(stars);
        QAction *action = tickBox(menu, text, QStringLiteral("FilterStars%1").arg(stars));
        action->setData(stars);
        m_ratings->addAction(action);
    }
    QAction *unrated = tickBox(menu, texts::FilterUnrated, QStringLiteral("FilterUnrated"));
    unrated->setData(Unrated);
    m_ratings->addAction(unrated);
    m_hideRejected = tickBox(menu, texts::FilterHideRejected, QStringLiteral("FilterHideRejected"));
    for (const marks::Label label : {marks::Label::Red, marks::Label::Yellow, marks::Label::Green, marks::Label::Blue}) {
        QAction *action = tickBox(menu, texts::FilterLabel.arg(labelName(label)),
                                  QStringLiteral("FilterLabel") + marks::xmpLabel(label));
        action->setData(int(label));
        m_labels.append(action);
    }
    menu->addSeparator();
    m_pairs = tickBox(menu, texts::PairsTogether, QStringLiteral("PairsTogether"));
    m_pairsShowRaw = tickBox(menu, texts::PairsShowRaw, QStringLiteral("PairsShowRaw"));
    m_pairsShowRaw->setEnabled(false);

    const auto filterChanged = [this] { emit filterChosen(filter()); };
    connect(m_ratings, &QActionGroup::triggered, this, filterChanged);
    connect(m_hideRejected, &QAction::triggered, this, filterChanged);
    for (QAction *label : std::as_const(m_labels))
        connect(label, &QAction::triggered, this, filterChanged);
    const auto pairsChanged = [this] {
        m_pairsShowRaw->setEnabled(m_pairs->isChecked());
        emit pairsChosen(pairs());
    };
    connect(m_pairs, &QAction::triggered, this, pairsChanged);
    connect(m_pairsShowRaw, &QAction::triggered, this, pairsChanged);
}

folders::MarkFilter MarksMenu::filter() const
{
    folders::MarkFilter filter;
    if (const QAction *ticked = m_ratings->checkedAction()) {
        if (ticked->data().toInt() == Unrated)
            filter.unrated = true;
        else
            filter.atLeast = ticked->data().toInt();
    }
    filter.hideRejected = m_hideRejected->isChecked();
    for (const QAction *label : m_labels) {
        if (label->isChecked())
            filter.labels |= folders::labelBit(marks::Label(label->data().toInt()));
    }
    return filter;
}

std::optional<folders::PairShows> MarksMenu::pairs() const
{
    if (!m_pairs->isChecked())
        return std::nullopt;
    return m_pairsShowRaw->isChecked() ? folders::PairShows::Raw : folders::PairShows::Processed;
}

void MarksMenu::showPairs(std::optional<folders::PairShows> pairs)
{
    m_pairs->setChecked(pairs.has_value());
    m_pairsShowRaw->setChecked(pairs == folders::PairShows::Raw);
    m_pairsShowRaw->setEnabled(pairs.has_value());
}

} // namespace qthost
