#include "host/qt/lists/listmodels.h"

#include "common/texts.h"
#include "folders/folders.h"
#include "host/qt/base/markbadge.h"
#include "platform/paths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>

namespace qthost {

using namespace folders;

void FileNamesModel::setNames(QStringList names)
{
    beginResetModel();
    m_names = std::move(names);
    endResetModel();
}

int FileNamesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant FileNamesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return {};
    const QString &name = m_names[index.row()];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return name;
    if ((role == MarksRole || role == Qt::AccessibleTextRole) && m_marksOf) {
        const std::optional<marks::Marks> marks = m_marksOf(name);
        if (!marks || marks->isEmpty())
            return {};
        if (role == MarksRole)
            return QVariant::fromValue(*marks);
        return texts::NameWithMarks.arg(name, spokenMarks(*marks));
    }
    return {};
}

Qt::ItemFlags FileNamesModel::flags(const QModelIndex &index) const
{
    // A row can be dragged out: the list offers its file (see FileListWidget).
    return QAbstractListModel::flags(index) | (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

FolderRowsModel::FolderRowsModel(QIcon open, QIcon closed, QObject *parent)
    : QAbstractListModel(parent), m_open(std::move(open)), m_closed(std::move(closed))
{}

void FolderRowsModel::setFolders(QStringList chain, QStringList children)
{
    beginResetModel();
    m_chain = std::move(chain);
    m_children = std::move(children);
    endResetModel();
}

int FolderRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_chain.size() + m_children.size());
}

QString FolderRowsModel::path(int row) const
{
    if (row < m_chain.size())
        return m_chain[row];
    return platform::joinFolder(m_chain.last(), m_children[row - m_chain.size()]);
}

QVariant FolderRowsModel::data(const QModelIndex &index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row >= rowCount())
        return {};
    const bool inChain = row < m_chain.size();
    switch (role) {
    case Qt::DisplayRole:
        if (!inChain)
            return m_children[row - m_chain.size()];
        return m_chain[row] == QDir::rootPath() ? QDir::toNativeSeparators(m_chain[row])
                                                : QFileInfo(m_chain[row]).fileName();
    case Qt::ToolTipRole: return QDir::toNativeSeparators(path(row));
    case Qt::DecorationRole: return inChain ? m_open : m_closed;
    case PathRole: return path(row);
    case DepthRole: return inChain ? row : int(m_chain.size());
    default: return {};
    }
}

void MarkedNameDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QVariant marked = index.data(FileNamesModel::MarksRole);
    if (!marked.isValid())
        return QStyledItemDelegate::paint(painter, option, index);
    const auto marks = marked.value<marks::Marks>();
    QStyleOptionViewItem shown(option);
    initStyleOption(&shown, index);
    const QStyle *style = shown.widget ? shown.widget->style() : QApplication::style();
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &shown, shown.widget);
    const int badge = badgeWidth(shown.font, marks);
    // The name gives way to the marks, elided in the middle as the list does.
    shown.text = shown.fontMetrics.elidedText(shown.text, Qt::ElideMiddle, std::max(0, text.width() - badge - 4));
    style->drawControl(QStyle::CE_ItemViewItem, &shown, painter, shown.widget);
    const bool selected = shown.state & QStyle::State_Selected;
    painter->setFont(shown.font);
    paintBadge(*painter, text.adjusted(0, 0, -2, 0), marks,
               shown.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
}

void IndentDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem indented(option);
    indented.rect.setLeft(option.rect.left() + Indent * index.data(FolderRowsModel::DepthRole).toInt());
    QStyledItemDelegate::paint(painter, indented, index);
}

QSize IndentDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    return {size.width() + Indent * index.data(FolderRowsModel::DepthRole).toInt(), size.height()};
}

} // namespace qthost
