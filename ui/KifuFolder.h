// The folder the game-file dialogs (open, save, position search) start in:
// the folder of the game file used last, remembered across runs in a small
// settings file of its own beside "Vorlik.ini"; the user's home folder the
// first time, and when the remembered folder is gone.
#pragma once

#include <QString>

#include <string>

namespace vorlik {

// One line: the folder, as the other settings files are written.
extern const char kKifuFolderFile[];

class KifuFolder {
public:
    // Reads the remembered folder from the settings file in programFolder.
    explicit KifuFolder(const QString& programFolder);

    // Where a game-file dialog starts.
    QString Folder() const;
    // The folder of a game file just chosen, written down when it changed.
    // False with the reason when the settings file could not be written: the
    // folder is then remembered for this run only.
    bool Remember(const QString& fileName, std::string& error);

private:
    QString settingsFile_;
    QString remembered_;  // empty: none yet
};

}  // namespace vorlik
