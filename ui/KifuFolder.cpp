#include "KifuFolder.h"

#include "engine/EngineSettings.h"
#include "records/KifuStore.h"

#include <QDir>
#include <QFileInfo>

#include <string>
#include <vector>

namespace vorlik {

const char kKifuFolderFile[] = "VorlikFolder.ini";

KifuFolder::KifuFolder(const QString& programFolder)
    : settingsFile_(QDir(programFolder).filePath(QString::fromUtf8(kKifuFolderFile)))
{
    std::vector<std::string> lines;
    std::string error;
    // No file yet is the first run; an unreadable one counts as none.
    if (!ReadSettingsLines(settingsFile_.toStdString(), lines, error) || lines.empty())
        return;
    const QString folder = QString::fromStdString(lines.front());
    if (QDir::isAbsolutePath(folder))
        remembered_ = folder;
}

QString KifuFolder::Folder() const
{
    if (!remembered_.isEmpty() && QFileInfo(remembered_).isDir())
        return remembered_;
    return QDir::homePath();
}

bool KifuFolder::Remember(const QString& fileName, std::string& error)
{
    const QString folder = QFileInfo(fileName).absolutePath();
    if (folder == remembered_)
        return true;
    remembered_ = folder;
    return WriteUtf8Lines(settingsFile_.toStdString(), {folder.toStdString()}, error);
}

}  // namespace vorlik
