#include "host/qt/thumbs/tilemodel.h"

#include "common/texts.h"
#include "host/qt/base/markbadge.h"
#include "platform/paths.h"

namespace qthost {

QString tilePlaceholder(picture::DecodedPicture::Reason reason)
{
    using Reason = picture::DecodedPicture::Reason;
    switch (reason) {
    case Reason::UnknownFormat:
    case Reason::NotAFile: return texts::TileNotAPicture;
    case Reason::Damaged:
    case Reason::DecoderFailed: return texts::TileDamaged;
    case Reason::TooLarge:
    case Reason::TooMuchMemory: return texts::TileTooLarge;
    case Reason::NoPermission: return texts::TileNoPermission;
    case Reason::Unsupported: return texts::TileUnsupported;
    case Reason::TookTooLong:
    case Reason::NoDecoder:
    case Reason::None: break;
    }
    return texts::TileCannotShow;
}

TileModel::TileModel(QObject *parent, picture::Thumbnails &thumbnails)
    : QAbstractListModel(parent), m_thumbnails(thumbnails)
{
    connect(&thumbnails, &picture::Thumbnails::arrived, this, &TileModel::arrived);
}

void TileModel::setFiles(const QString &folder, const QStringList &names)
{
    if (folder == m_folder && names == m_names)
        return;
    beginResetModel();
    m_folder = folder;
    m_names = names;
    m_rows.clear();
    for (int row = 0; row < int(names.size()); ++row)
        m_rows.insert(names.at(row), row);
    endResetModel();
}

QString TileModel::path(int row) const
{
    if (row < 0 || row >= int(m_names.size()))
        return {};
    return platform::joinFolder(m_folder, m_names.at(row));
}

QStringList TileModel::paths(int first, int last) const
{
    QStringList paths;
    for (int row = std::max(first, 0); row <= std::min(last, int(m_names.size()) - 1); ++row)
        paths.append(path(row));
    return paths;
}

int TileModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant TileModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_names.size()))
        return {};
    const QString &name = m_names.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return name;
    case Qt::AccessibleTextRole: {
        const std::optional<marks::Marks> marks = m_marksOf ? m_marksOf(path(index.row())) : std::nullopt;
        const QString named = marks && !marks->isEmpty() ? texts::NameWithMarks.arg(name, spokenMarks(*marks)) : name;
        return texts::TileAccessible.arg(named).arg(index.row() + 1).arg(m_names.size());
    }
    case MarksRole: {
        const std::optional<marks::Marks> marks = m_marksOf ? m_marksOf(path(index.row())) : std::nullopt;
        return marks && !marks->isEmpty() ? QVariant::fromValue(*marks) : QVariant();
    }
    case Qt::DecorationRole: {
        const picture::Thumbnails::Tile tile = m_thumbnails.tile(path(index.row()));
        return tile.image.isNull() ? QVariant() : QVariant(tile.image);
    }
    case PlaceholderRole: {
        const picture::Thumbnails::Tile tile = m_thumbnails.tile(path(index.row()));
        return tile.known && tile.image.isNull() ? tilePlaceholder(tile.reason) : QString();
    }
    default: return {};
    }
}

void TileModel::arrived(const QString &path)
{
    if (platform::folderOf(path) != m_folder)
        return;
    const auto row = m_rows.constFind(platform::nameOf(path));
    if (row == m_rows.cend())
        return;
    const QModelIndex at = index(*row);
    emit dataChanged(at, at, {Qt::DecorationRole, PlaceholderRole});
}

} // namespace qthost
