#pragma once

#include "host/host.h"
#include "host/qt/base/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStatusBar>

namespace qthost {

// The path box: one line, read-only (nothing reads what a user would type),
// but its text can be selected and copied.
class TextBoxWidget final : public QLineEdit, public host::TextBox
{
    Q_OBJECT
public:
    explicit TextBoxWidget(QWidget *parent) : QLineEdit(parent) { setReadOnly(true); }

    QString text() const override { return QLineEdit::text(); }
    void setText(const QString &text) override
    {
        QLineEdit::setText(text);
        setCursorPosition(0);
    }
    void setWidth(host::Twips width) override { resize(toPixels(width), height()); }
};

// A hint that gives way: it takes the room the panel leaves, shortened with
// "…" where that is too little (its whole text is its tooltip, and what
// screen readers read), so that the date and size beside it are never cut.
class YieldingLabel final : public QLabel
{
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override
    {
        return QSize(fontMetrics().averageCharWidth() * 4, QLabel::minimumSizeHint().height());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(contentsRect(), Qt::AlignVCenter | Qt::AlignRight,
                         fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width()));
    }
};

// The status bar with its one text panel; the window keeps it at the bottom.
class StatusBarWidget final : public QStatusBar, public host::StatusBar
{
    Q_OBJECT
public:
    explicit StatusBarWidget(QWidget *parent)
        : QStatusBar(parent), m_panel(new QLabel(this)), m_hint(new YieldingLabel(this))
    {
        m_panel->setObjectName(QStringLiteral("Panel1"));
        addWidget(m_panel, 1);
        m_hint->setObjectName(QStringLiteral("Hint"));
        m_hint->hide();
        addPermanentWidget(m_hint);
        setSizeGripEnabled(false);
    }

    host::Twips height() const override { return toTwips(QStatusBar::height()); }
    void setPanelText(int panel, const QString &text) override
    {
        if (panel == 1)
            m_panel->setText(text);
    }
    QString panelText() const { return m_panel->text(); }
    // A hint of the window's own beside the panel (empty: none).
    void setHint(const QString &text)
    {
        m_hint->setText(text);
        m_hint->setToolTip(text);
        m_hint->setVisible(!text.isEmpty());
    }
    QString hint() const { return m_hint->text(); }

private:
    QLabel *m_panel;
    QLabel *m_hint;
};

} // namespace qthost
