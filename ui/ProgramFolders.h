// Where the program finds its shipped files and where it keeps the user's
// settings. A program folder that holds the shipped files itself (a build
// tree, a portable copy) and can be written keeps everything beside the
// program. Installed, the shipped files lie in the data folder of the
// installation, read only, and the user's "Vorlik.ini", remembered folder and
// engine-settings files live in his configuration folder.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace vorlik {

struct ProgramFolders {
    QString Data;      // the manual, the piece sound, the shipped settings
    QString Settings;  // "Vorlik.ini", the remembered folder, the user's engine files
};

// The folders of the program whose executable lies in programFolder; an
// installation keeps its data in dataFromProgram (relative to the program
// folder). configHome is $XDG_CONFIG_HOME, or empty for ~/.config.
ProgramFolders FindProgramFolders(const QString& programFolder, const QString& dataFromProgram,
                                  const QString& configHome);

// The shipped settings a first start puts into the settings folder.
QStringList ShippedSettingsFiles(const QString& dataFolder);

// First start: when the settings folder has no "Vorlik.ini" yet, it is made
// and gets a copy of every shipped settings file it lacks; a file there is
// never replaced. False with a message naming the folder when it cannot be
// made or written.
bool SeedSettingsFolder(const ProgramFolders& folders, QString& error);

// A settings file to read: the user's own in the settings folder, else the
// shipped one of that name, else the name in the settings folder (missing).
QString SettingsFileToRead(const ProgramFolders& folders, const QString& name);

// The engine-settings files there are to choose from: the user's and the
// shipped ones, each name once, in alphabetical order.
QStringList EngineSettingsFiles(const ProgramFolders& folders);

// A window's few remembered lines (a folder, a name, a choice), in a file of
// their own in the settings folder: none when it is missing or unreadable.
std::vector<std::string> RememberedLines(const ProgramFolders& folders, const char* name);
// Writes them, replacing the file at once; false with a message naming it.
bool RememberLines(const ProgramFolders& folders, const char* name, const std::vector<std::string>& lines,
                   std::string& error);

}  // namespace vorlik
