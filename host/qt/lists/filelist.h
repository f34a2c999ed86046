#pragma once

#include "host/host.h"
#include "host/qt/base/step.h"
#include "host/qt/lists/listview.h"
#include "folders/markfilter.h"
#include "folders/pairs.h"
#include "folders/sortorder.h"

#include <memory>

namespace folders {
class FolderCache;
struct FolderContents;
}

namespace qthost {

class FileNamesModel;

// The file list: the folder's files that match the pattern, in natural
// order. Moving the selection, by mouse or keyboard, raises Click.
class FileListWidget final : public ListView, public host::FileList
{
    Q_OBJECT
public:
    // Starts on `start` but reads nothing until it is given a pattern or a
    // path: the program sets its pattern at once, and reading a big folder
    // twice would double the start-up time.
    FileListWidget(QWidget *parent, folders::FolderCache &folders, const QString &start);
    ~FileListWidget() override;

    QString path() const override { return nativePath(); }
    bool setPath(const QString &path) override;
    void setPattern(const QString &pattern) override;
    QString pattern() const override { return m_pattern; }
    QString fileName() const override;
    void setTop(host::Twips top) override;
    void setHeight(host::Twips height) override { resizeToTwips(height); }

    // Lists the folder as read again, keeping the selected file selected
    // when it is still there; raises no Click.
    void refresh(const folders::FolderContents &contents);
    // The listed names in order, and the selected row (-1 when none).
    const QStringList &names() const;
    int selectedRow() const;
    // Selects the row as the user would, raising Click.
    void choose(int row);
    // Lists the folder's file `name` although the pattern leaves it out (a
    // file opened from the command line), until the folder or the pattern
    // changes; false when there is no such file.
    bool alsoShow(const QString &name);
    // Moves the selection as the stepping keys do; nothing at either end.
    void step(Step step);
    // The files next to `path` in the list, the following one first.
    QStringList neighbours(const QString &path) const;
    // The order the files show in (natural order by name at first), kept
    // across folders; the selected file stays selected. `takenOf` says when
    // a photo was taken, for that order.
    void setSortOrder(folders::SortOrder order);
    folders::SortOrder sortOrder() const { return m_order; }
    void setTakenOf(folders::TakenOf takenOf) { m_takenOf = std::move(takenOf); }
    // Puts the files in their order again (the dates taken came in), keeping
    // the selected one selected; raises no Click.
    void resort();
    // The photos' marks, shown beside their names and heard with them, and
    // what the list keeps to by them (nothing at first). A file asked for by
    // name is listed whatever its marks.
    void setMarksOf(folders::MarksOf marksOf);
    void setMarkFilter(const folders::MarkFilter &filter);
    const folders::MarkFilter &markFilter() const { return m_markFilter; }
    // A RAW and its JPEG listed as one (the JPEG, or the RAW as `pairs` says),
    // or apart (nullopt, the start).
    void setPairs(std::optional<folders::PairShows> pairs);
    std::optional<folders::PairShows> pairs() const { return m_pairs; }
    // The marks came in or changed: shown again, and the list keeps to its
    // filter again (the selected file kept); raises no Click.
    void marksChanged();

signals:
    // The folder's files were listed again: `listed` of them, and `others`
    // pictures of the newer formats (「その他の画像形式」) that the pattern
    // leaves out.
    void listed(int count, int others);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    bool list(const QString &folder, const QString &keepSelected);
    QStringList listedNames(const folders::FolderContents &contents) const;
    void fill(const folders::FolderContents &contents, const QString &keepSelected);

    folders::FolderCache &m_folders;
    FileNamesModel *m_model;
    QString m_pattern = QStringLiteral("*");
    QString m_alsoShown; // a name listed whatever the pattern says
    folders::SortOrder m_order;
    folders::TakenOf m_takenOf;
    folders::MarksOf m_marksOf;
    folders::MarkFilter m_markFilter;
    std::optional<folders::PairShows> m_pairs;
    bool m_quiet = false; // selection changes made by the list itself raise no Click
};

} // namespace qthost
