#include "host/qt/lists/filelist.h"

#include "common/texts.h"
#include "folders/folders.h"
#include "folders/naturalorder.h"
#include "host/qt/base/dispatch.h"
#include "host/qt/base/filemime.h"
#include "host/qt/lists/listmodels.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QSet>

#include <algorithm>

namespace qthost {

using namespace folders;

FileListWidget::FileListWidget(QWidget *parent, FolderCache &folders, const QString &start)
    : ListView(parent), m_folders(folders), m_model(new FileNamesModel(this))
{
    m_path = start;
    setModel(m_model);
    setItemDelegate(new MarkedNameDelegate(this));
    setTextElideMode(Qt::ElideMiddle);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    // A file is chosen when it becomes the selected one, by mouse or keyboard.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_quiet && m_events && selectedRow() >= 0)
            dispatch([this] { m_events->File1_Click(); });
    });
}

FileListWidget::~FileListWidget() = default;

bool FileListWidget::setPath(const QString &path)
{
    const std::optional<QString> folder = existingFolder(path);
    if (folder && *folder != m_path)
        m_alsoShown.clear();
    return folder && list(*folder, QString());
}

bool FileListWidget::alsoShow(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || !platform::isRegularFile(platform::joinFolder(m_path, name)))
        return false;
    m_alsoShown = name;
    return list(m_path, fileName());
}

void FileListWidget::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    m_alsoShown.clear();
    if (!list(m_path, QString())) {
        const QScopedValueRollback quiet(m_quiet, true);
        m_model->setNames({});
    }
}

void FileListWidget::refresh(const FolderContents &contents)
{
    // Nothing moves when nothing changed: after acting on a file the window
    // shows the disk at once, and the watch then reports the same again.
    if (contents.folder != m_path || listedNames(contents) == names())
        return;
    const int row = selectedRow();
    const QScopedValueRollback quiet(m_quietRows, true);
    fill(contents, row >= 0 ? names().at(row) : QString());
}

bool FileListWidget::list(const QString &folder, const QString &keepSelected)
{
    const std::shared_ptr<const FolderContents> contents = m_folders.read(folder);
    if (!contents)
        return false;
    fill(*contents, keepSelected);
    return true;
}

void FileListWidget::fill(const FolderContents &contents, const QString &keepSelected)
{
    const QScopedValueRollback quiet(m_quiet, true);
    m_path = contents.folder;
    m_model->setNames(listedNames(contents));
    // Photos of the newer formats that the pattern leaves out (an iPhone's
    // HEICs beside a camera's JPEGs) are counted, so that the window can
    // say they are there.
    qsizetype others = 0;
    const QStringList newer = matchingNames(contents.files, FilePattern(texts::OtherFormatsPattern));
    if (!newer.isEmpty()) {
        const QSet<QString> shown(m_model->names().cbegin(), m_model->names().cend());
        others = std::count_if(newer.cbegin(), newer.cend(), [&shown](const QString &name) { return !shown.contains(name); });
    }
    emit listed(int(m_model->names().size()), int(others));
    const qsizetype keep = keepSelected.isEmpty() ? -1 : m_model->names().indexOf(keepSelected);
    if (keep >= 0)
        selectionModel()->setCurrentIndex(m_model->index(int(keep)), QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->clear();
}

QStringList FileListWidget::listedNames(const FolderContents &contents) const
{
    QStringList names = matchingNames(contents.files, FilePattern(m_pattern));
    if (!m_alsoShown.isEmpty() && !names.contains(m_alsoShown)
        && platform::isRegularFile(platform::joinFolder(contents.folder, m_alsoShown))) {
        names.append(m_alsoShown);
        sortNaturally(names);
    }
    if (m_pairs) {
        // The file asked for by name stays, whichever half it is.
        const bool asked = !m_alsoShown.isEmpty() && names.contains(m_alsoShown);
        joinPairs(names, *m_pairs);
        if (asked && !names.contains(m_alsoShown)) {
            names.append(m_alsoShown);
            sortNaturally(names);
        }
    }
    filterByMarks(names, contents.folder, m_markFilter, m_marksOf, m_alsoShown);
    sortNames(names, contents.folder, m_order, m_takenOf);
    return names;
}

const QStringList &FileListWidget::names() const
{
    return m_model->names();
}

int FileListWidget::selectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

QString FileListWidget::fileName() const
{
    const int row = selectedRow();
    return row >= 0 ? names().at(row) : QString();
}

void FileListWidget::choose(int row)
{
    if (row < 0 || row >= names().size())
        return;
    const QModelIndex index = m_model->index(row);
    // Chosen from elsewhere (the picture's keys, the command line), the row
    // changes without telling screen readers that the keyboard moved to the
    // list; the picture's own announcement names the file.
    const QScopedValueRollback quiet(m_quietRows, !hasFocus());
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void FileListWidget::step(Step step)
{
    const int count = int(names().size());
    if (count == 0)
        return;
    const int row = selectedRow();
    int target = 0;
    switch (step) {
    case Step::Next: target = row < 0 ? 0 : std::min(row + 1, count - 1); break;
    case Step::Previous: target = row < 0 ? 0 : std::max(row - 1, 0); break;
    case Step::First: target = 0; break;
    case Step::Last: target = count - 1; break;
    }
    if (target != row)
        choose(target);
}

QStringList FileListWidget::neighbours(const QString &path) const
{
    const QFileInfo file(path);
    if (file.absolutePath() != m_path)
        return {};
    const qsizetype row = names().indexOf(file.fileName());
    if (row < 0)
        return {};
    QStringList around;
    for (const qsizetype near : {row + 1, row - 1}) {
        if (near >= 0 && near < names().size())
            around.append(platform::joinFolder(m_path, names().at(near)));
    }
    return around;
}

void FileListWidget::setSortOrder(SortOrder order)
{
    if (order == m_order)
        return;
    m_order = order;
    resort();
}

void FileListWidget::resort()
{
    if (const std::shared_ptr<const FolderContents> contents = m_folders.read(m_path))
        refresh(*contents);
}

void FileListWidget::setMarksOf(MarksOf marksOf)
{
    m_marksOf = marksOf;
    m_model->setMarksOf([this, marksOf](const QString &name) -> std::optional<marks::Marks> {
        return marksOf ? marksOf(platform::joinFolder(m_path, name)) : std::nullopt;
    });
}

void FileListWidget::setMarkFilter(const MarkFilter &filter)
{
    if (filter == m_markFilter)
        return;
    m_markFilter = filter;
    resort();
}

void FileListWidget::setPairs(std::optional<PairShows> pairs)
{
    if (pairs == m_pairs)
        return;
    m_pairs = pairs;
    resort();
}

void FileListWidget::marksChanged()
{
    resort();
    viewport()->update();
}

void FileListWidget::setTop(host::Twips top)
{
    move(x(), toPixels(top));
}

void FileListWidget::startDrag(Qt::DropActions)
{
    // The row's file, as the picture offers it: copied, never moved away
    // behind the list's back.
    const int row = selectedRow();
    if (row < 0)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(fileMimeData(platform::joinFolder(m_path, names().at(row))));
    drag->exec(Qt::CopyAction);
}

void FileListWidget::focusInEvent(QFocusEvent *event)
{
    // Qt makes the first row current on focus; the first arrow key would then
    // skip it. With no file chosen, keep none current.
    const bool hadCurrent = currentIndex().isValid();
    ListView::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid() && selectedRow() < 0) {
        const QScopedValueRollback quiet(m_quiet, true);
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
}

void FileListWidget::keyPressEvent(QKeyEvent *event)
{
    if (popupKeyPressed(event))
        return;
    // The picture's stepping keys, the same here.
    if (event->modifiers() == Qt::NoModifier) {
        if (const std::optional<Step> asked = stepForKey(event->key())) {
            step(*asked);
            return;
        }
    }
    ListView::keyPressEvent(event);
}

} // namespace qthost
