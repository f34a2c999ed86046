#include "host/qt/lists/listmodels.h"

#include "folders/folders.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

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
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_names[index.row()];
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
