#pragma once

#include "host/qt/marks/markactions.h"

#include <functional>

namespace picture {
class PhotoFacts;
}

namespace qthost {

class FileActions;
class FileListWidget;
class ViewerWidget;

// What the mark actions ask the window, answered from its parts: the file
// chosen, its marks as the window knows them, its picture on the screen,
// whether pairs are one photo.
class HostMarkWindow final : public MarkActions::Window
{
public:
    HostMarkWindow(std::function<QStringList()> chosenFiles, picture::PhotoFacts &facts, ViewerWidget &view,
                   FileListWidget &files);

    QStringList chosenFiles() const override { return m_chosenFiles(); }
    std::optional<marks::Marks> marksOf(const QString &path) const override;
    std::optional<platform::FileStamp> shownStamp(const QString &path) const override;
    bool pairsTogether() const override;

private:
    std::function<QStringList()> m_chosenFiles;
    picture::PhotoFacts &m_facts;
    ViewerWidget &m_view;
    FileListWidget &m_files;
};

} // namespace qthost
