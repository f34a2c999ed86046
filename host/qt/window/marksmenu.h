#pragma once

#include "folders/markfilter.h"
#include "folders/pairs.h"

#include <QObject>

#include <optional>

class QAction;
class QActionGroup;
class QMenu;

namespace qthost {

// The file list's popup, below the file types: which photos it lists by
// their marks (at least so many stars or only the unrated ones, rejected
// ones hidden, some colour labels), and RAW+JPEG pairs as one photo.
class MarksMenu final : public QObject
{
    Q_OBJECT
public:
    explicit MarksMenu(QMenu *menu);
    folders::MarkFilter filter() const;
    std::optional<folders::PairShows> pairs() const;
    // Ticks the pair items as `pairs` is, saying nothing.
    void showPairs(std::optional<folders::PairShows> pairs);

signals:
    void filterChosen(const folders::MarkFilter &filter);
    void pairsChosen(std::optional<folders::PairShows> pairs);

private:
    QActionGroup *m_ratings;
    QAction *m_hideRejected;
    QList<QAction *> m_labels;
    QAction *m_pairs;
    QAction *m_pairsShowRaw;
};

} // namespace qthost
