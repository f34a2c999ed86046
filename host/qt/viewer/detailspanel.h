#pragma once

#include "host/qt/viewer/detailrows.h"

#include <QFrame>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace qthost {

// What the shown photo's file says of it, beside the picture (over it, full
// screen): a list of names and values that screen readers read as such, a
// place's buttons, and every tag on asking. It follows the shown photo.
class DetailsPanel final : public QFrame
{
    Q_OBJECT
public:
    // Its width beside a picture, in device-independent pixels.
    static constexpr int Width = 300;

    DetailsPanel(QWidget *parent, bool overlay);
    void setDetails(const ShownDetails &shown);
    const ShownDetails &details() const { return m_shown; }
    QTreeWidget *list() const { return m_list; }
    QPushButton *copyPlaceButton() const { return m_copyPlace; }
    QPushButton *openMapButton() const { return m_openMap; }
    QPushButton *showAllButton() const { return m_showAll; }

signals:
    void closeAsked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fill();
    void fitValues();

    QLabel *m_title;
    QTreeWidget *m_list;
    QPushButton *m_copyPlace;
    QPushButton *m_openMap;
    QPushButton *m_showAll;
    ShownDetails m_shown;
};

} // namespace qthost
