#pragma once

#include "common/marks.h"
#include "picture/window/thumbnails.h"

#include <QAbstractListModel>
#include <QHash>

#include <functional>
#include <optional>

namespace qthost {

// The folder's files as tiles: each one's thumbnail once it is made (a
// QImage for Qt::DecorationRole), or a word or two of why there is none.
class TileModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { PlaceholderRole = Qt::UserRole + 1, MarksRole };
    // A photo's marks, shown on its tile and heard with its name; nullopt
    // while not known.
    using MarksOf = std::function<std::optional<marks::Marks>(const QString &path)>;

    TileModel(QObject *parent, picture::Thumbnails &thumbnails);

    // The files of `folder` (internal form), in the file list's order.
    void setFiles(const QString &folder, const QStringList &names);
    void setMarksOf(MarksOf marksOf) { m_marksOf = std::move(marksOf); }
    QString path(int row) const;
    QStringList paths(int first, int last) const;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    void arrived(const QString &path);

    picture::Thumbnails &m_thumbnails;
    QString m_folder;
    QStringList m_names;
    QHash<QString, int> m_rows; // by name
    MarksOf m_marksOf;
};

// What a tile says in place of a picture that cannot be shown.
QString tilePlaceholder(picture::DecodedPicture::Reason reason);

} // namespace qthost
