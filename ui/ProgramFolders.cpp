#include "ProgramFolders.h"

#include "engine/EngineSettings.h"
#include "records/KifuStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vorlik {

namespace {

const char kIniName[] = "Vorlik.ini";

// The manual is the one shipped file every copy of the program has.
bool HoldsShippedFiles(const QString& folder) { return QFileInfo(folder + QStringLiteral("/help/index.html")).isFile(); }

QString UserConfigFolder(const QString& configHome)
{
    // A relative $XDG_CONFIG_HOME is invalid and is ignored, as the
    // freedesktop.org base-directory rules ask.
    const QString base = QDir::isAbsolutePath(configHome) ? configHome : QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/vorlik"));
}

}  // namespace

ProgramFolders FindProgramFolders(const QString& programFolder, const QString& dataFromProgram,
                                  const QString& configHome)
{
    const QString installed = QDir::cleanPath(QDir(programFolder).filePath(dataFromProgram));
    if (!HoldsShippedFiles(programFolder) && QFileInfo(installed).isDir())
        return {installed, UserConfigFolder(configHome)};
    if (QFileInfo(programFolder).isWritable())
        return {programFolder, programFolder};
    return {programFolder, UserConfigFolder(configHome)};
}

QStringList ShippedSettingsFiles(const QString& dataFolder)
{
    QStringList names = QDir(dataFolder).entryList({QStringLiteral("*.mek")}, QDir::Files, QDir::Name);
    if (QFileInfo(QDir(dataFolder).filePath(QString::fromUtf8(kIniName))).isFile())
        names.prepend(QString::fromUtf8(kIniName));
    return names;
}

bool SeedSettingsFolder(const ProgramFolders& folders, QString& error)
{
    const QDir settings(folders.Settings);
    if (folders.Settings == folders.Data || settings.exists(QString::fromUtf8(kIniName)))
        return true;
    if (!QDir().mkpath(folders.Settings)) {
        error = QStringLiteral("設定のフォルダ（%1）を作れません。").arg(folders.Settings);
        return false;
    }
    for (const QString& name : ShippedSettingsFiles(folders.Data)) {
        const QString target = settings.filePath(name);
        if (QFileInfo::exists(target))
            continue;
        // The copy is the user's own file from now on: writable, whatever
        // the shipped one's mode.
        if (!QFile::copy(QDir(folders.Data).filePath(name), target) ||
            !QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ReadOther)) {
            error = QStringLiteral("設定のフォルダ（%1）に %2 を書けません。").arg(folders.Settings, name);
            return false;
        }
    }
    return true;
}

QString SettingsFileToRead(const ProgramFolders& folders, const QString& name)
{
    const QString own = QDir(folders.Settings).filePath(name);
    const QString shipped = QDir(folders.Data).filePath(name);
    return !QFileInfo::exists(own) && QFileInfo(shipped).isFile() ? shipped : own;
}

QStringList EngineSettingsFiles(const ProgramFolders& folders)
{
    const QStringList filter{QStringLiteral("*.mek")};
    QStringList names = QDir(folders.Settings).entryList(filter, QDir::Files);
    for (const QString& name : QDir(folders.Data).entryList(filter, QDir::Files))
        if (!names.contains(name))
            names << name;
    names.sort(Qt::CaseInsensitive);
    return names;
}

namespace {

std::string RememberedFile(const ProgramFolders& folders, const char* name)
{
    return QDir(folders.Settings).filePath(QString::fromUtf8(name)).toStdString();
}

}  // namespace

std::vector<std::string> RememberedLines(const ProgramFolders& folders, const char* name)
{
    std::vector<std::string> lines;
    std::string error;
    if (!ReadSettingsLines(RememberedFile(folders, name), lines, error))
        lines.clear();
    return lines;
}

bool RememberLines(const ProgramFolders& folders, const char* name, const std::vector<std::string>& lines,
                   std::string& error)
{
    return WriteUtf8Lines(RememberedFile(folders, name), lines, error);
}

}  // namespace vorlik
