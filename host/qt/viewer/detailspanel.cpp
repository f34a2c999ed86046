#include "host/qt/viewer/detailspanel.h"

#include "common/texts.h"
#include "host/qt/base/announce.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyle>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace qthost {

DetailsPanel::DetailsPanel(QWidget *parent, bool overlay)
    : QFrame(parent), m_title(new QLabel(texts::DetailsTitle, this)), m_list(new QTreeWidget(this)),
      m_copyPlace(new QPushButton(texts::DetailsCopyPlace, this)),
      m_openMap(new QPushButton(texts::DetailsOpenMap, this)), m_showAll(new QPushButton(texts::DetailsShowAll, this))
{
    setObjectName(QStringLiteral("Details"));
    setAccessibleName(texts::DetailsTitle);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    if (overlay) {
        // Over a black screen: light text on a dark veil that lets the
        // picture show through.
        QPalette veil = palette();
        for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase})
            veil.setColor(role, QColor(0, 0, 0, 190));
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            veil.setColor(role, QColor(235, 235, 235));
        veil.setColor(QPalette::Button, QColor(60, 60, 60));
        setPalette(veil);
    }
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_list->setObjectName(QStringLiteral("DetailsList"));
    m_list->setAccessibleName(texts::DetailsTitle);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QString(), QString()});
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setWordWrap(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // A value column as wide as what is left, set by hand: rows wrap to
    // the width a column has, which a stretched one has only once shown.
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    m_list->setFrameShape(QFrame::NoFrame);
    m_showAll->setCheckable(true);
    m_copyPlace->setObjectName(QStringLiteral("DetailsCopyPlace"));
    m_openMap->setObjectName(QStringLiteral("DetailsOpenMap"));
    m_showAll->setObjectName(QStringLiteral("DetailsShowAll"));
    // The keyboard stays with the picture when a button is clicked.
    for (QPushButton *button : {m_copyPlace, m_openMap, m_showAll})
        button->setFocusPolicy(Qt::TabFocus);

    auto *place = new QHBoxLayout;
    place->addWidget(m_copyPlace);
    place->addWidget(m_openMap);
    place->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_list, 1);
    layout->addLayout(place);
    layout->addWidget(m_showAll, 0, Qt::AlignLeft);

    connect(m_copyPlace, &QPushButton::clicked, this, [this] {
        QGuiApplication::clipboard()->setText(geoUri(m_shown.details));
        tell(this, texts::DetailsPlaceCopied);
    });
    connect(m_openMap, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl(geoUri(m_shown.details))); });
    connect(m_showAll, &QPushButton::toggled, this, &DetailsPanel::fill);
    fill();
}

void DetailsPanel::setDetails(const ShownDetails &shown)
{
    m_shown = shown;
    fill();
}

void DetailsPanel::fill()
{
    m_list->clear();
    QList<DetailRow> rows = detailRows(m_shown);
    const bool said = !m_shown.details.isEmpty();
    if (m_showAll->isChecked())
        rows += tagRows(m_shown.details);
    for (const DetailRow &row : rows) {
        auto *item = new QTreeWidgetItem(m_list, {row.name, row.value});
        // Read as one: "カメラ: Apple iPhone 15 Pro".
        item->setData(0, Qt::AccessibleTextRole, row.name + QStringLiteral(": ") + row.value);
        item->setData(1, Qt::AccessibleTextRole, row.name + QStringLiteral(": ") + row.value);
        item->setToolTip(1, row.value);
    }
    if (!said && !m_shown.path.isEmpty()) {
        auto *item = new QTreeWidgetItem(m_list, {texts::DetailsNone});
        item->setFirstColumnSpanned(true);
    }
    const bool placed = !geoUri(m_shown.details).isEmpty();
    m_copyPlace->setVisible(placed);
    m_openMap->setVisible(placed);
    m_showAll->setVisible(!m_shown.details.tags.isEmpty());
    fitValues();
}

void DetailsPanel::fitValues()
{
    // Long values wrap within the panel: the rows' heights follow its width.
    m_list->resizeColumnToContents(0);
    // Room kept for the scroll bar, so that its coming does not cut what was measured.
    const int scrollBar = m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list);
    const int valueWidth =
        std::max(40, m_list->width() - 2 * m_list->frameWidth() - scrollBar - m_list->columnWidth(0));
    m_list->setColumnWidth(1, valueWidth);
    // The view sizes rows by one line of text: each row is told its height.
    const QFontMetrics metrics(m_list->font());
    const int margins = 2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1);
    // Measured as the view wraps: at word boundaries (a word longer than
    // the column is cut short, its whole value in the row's tool tip).
    const auto heightFor = [&metrics, margins](const QString &text, int width) {
        const QRect bounds = metrics.boundingRect(QRect(0, 0, width - margins, 100000), Qt::TextWordWrap, text);
        return std::max(metrics.height(), bounds.height()) + 4;
    };
    const int rowWidth = m_list->columnWidth(0) + valueWidth;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_list->topLevelItem(i);
        if (item->isFirstColumnSpanned())
            item->setSizeHint(0, QSize(rowWidth, heightFor(item->text(0), rowWidth)));
        else
            item->setSizeHint(1, QSize(valueWidth, heightFor(item->text(1), valueWidth)));
    }
    m_list->doItemsLayout();
}

void DetailsPanel::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitValues();
}

void DetailsPanel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape || (event->key() == Qt::Key_I && event->modifiers() == Qt::NoModifier)) {
        emit closeAsked();
        event->accept();
        return;
    }
    QFrame::keyPressEvent(event);
}

} // namespace qthost
