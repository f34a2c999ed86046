#include "host/qt/window/markwindow.h"

#include "host/qt/lists/filelist.h"
#include "host/qt/viewer/viewer.h"
#include "picture/window/photofacts.h"

namespace qthost {

HostMarkWindow::HostMarkWindow(std::function<QStringList()> chosenFiles, picture::PhotoFacts &facts,
                               ViewerWidget &view, FileListWidget &files)
    : m_chosenFiles(std::move(chosenFiles)), m_facts(facts), m_view(view), m_files(files)
{
}

std::optional<marks::Marks> HostMarkWindow::marksOf(const QString &path) const
{
    if (const std::optional<marks::Marks> known = m_facts.marks(path))
        return known;
    // Not read on its own yet: what the picture's decode said, when it is shown.
    if (m_view.imageView()->path() == path)
        return m_view.imageView()->shownMarks();
    return std::nullopt;
}

std::optional<platform::FileStamp> HostMarkWindow::shownStamp(const QString &path) const
{
    return m_view.shownStamp(path);
}

bool HostMarkWindow::pairsTogether() const
{
    return m_files.pairs().has_value();
}

} // namespace qthost
