#pragma once

// The models behind the folder and file lists: plain arrays of names, one
// row each, no item object per row, so that a folder of 100,000 files costs
// little more than its names.

#include "common/marks.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QStringList>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>

namespace qthost {

// The file list's rows: file names, shown as they are, with the full name as
// the tooltip (the list elides long names); a photo's marks beside its name,
// and heard with it.
class FileNamesModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { MarksRole = Qt::UserRole }; // marks::Marks, when known and any

    using QAbstractListModel::QAbstractListModel;

    void setNames(QStringList names);
    const QStringList &names() const { return m_names; }
    // The marks of the file of that name; nullopt while not known.
    using MarksOfName = std::function<std::optional<marks::Marks>(const QString &name)>;
    void setMarksOf(MarksOfName marksOf) { m_marksOf = std::move(marksOf); }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QStringList m_names;
    MarksOfName m_marksOf;
};

// Draws a file's name, elided in the middle, with its marks at the right.
class MarkedNameDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// The folder list's rows: the folders from the root down to the shown one,
// each one step further in, then the shown folder's subfolders one step
// further still.
class FolderRowsModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { PathRole = Qt::UserRole, DepthRole };

    FolderRowsModel(QIcon open, QIcon closed, QObject *parent);

    // `chain` from the root to the shown folder (internal paths), `children`
    // the shown folder's subfolder names.
    void setFolders(QStringList chain, QStringList children);
    int currentRow() const { return int(m_chain.size()) - 1; }
    const QStringList &children() const { return m_children; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QString path(int row) const;

    QIcon m_open;
    QIcon m_closed;
    QStringList m_chain;
    QStringList m_children;
};

// Draws each row of the folder list indented by its depth.
class IndentDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int Indent = 12;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace qthost
