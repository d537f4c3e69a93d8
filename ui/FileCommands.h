// The window's file commands: open, save, print, the position search and the
// desk of postal games, with the folder the file dialogs start in. It knows
// which file the record came from or went to, and whether the record has
// changed since (the title's "[*]").
#pragma once

#include "records/ModuleMekFile.h"
#include "records/PostalDesk.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMainWindow;

namespace vorlik {

class DeskWindow;
class DialogMnuFilePrint;
class GameInfoBoxes;
class GameSession;
class KifuFolder;
class WindowKifuHost;
class WindowServices;
class WindowStates;

// The entries of "ファイル" that open and save, numbered as their menu entries.
enum class FileCommand { Open = 1, Save = 3 };

class FileCommands : public QObject {
    Q_OBJECT
public:
    // longFormOption: the checkable "国際長表記で保存".
    FileCommands(WindowServices& services, GameSession& session, GameInfoBoxes& info,
                 const WindowStates& states, QAction* longFormOption, QMainWindow& window);
    ~FileCommands() override;

    void MnuFileOpenSave_Click(FileCommand command);
    // Opens a game file as "開く" does (a file given on the command line);
    // its kind is its extension, else entryKind.
    void OpenGameFile(const QString& fileName, KifuKind entryKind = kKindPgn);
    void MnuFilePrint_Click();
    // The print dialog on the postcard, with this claim on its message space.
    void PrintClaim(const QStringList& claim);
    // "通信対局一覧": the desk window, and a game opened from it.
    void MnuFileDesk_Click();
    void OpenFromDesk(const DeskPlace& place);
    void MnuOptionSearch_Click();
    void CloseDesk();

    // True when the record has changed since the last open, save or new record.
    bool RecordUnsaved() const;
    // Asks whether to discard an unsaved record; true when there is none or
    // the user said yes.
    bool MayDiscardRecord();
    // The record is now what fileName holds (none: a new record).
    void RecordSaved(const QString& fileName);
    // The title's unsaved mark and the ledger, once the present event is handled.
    void ShowRecordState();
    // A new record: the print dialog forgets the old one.
    void NewRecord();

    // The game table of the last file opened, saved into or searched.
    KifuFile& Kifu() { return kifuFile_; }
    KifuHost& Host();
    // Before a game from a file replaces the record (the game against the
    // engine ends).
    std::function<void()> beforeReplace;

signals:
    // A game from a file is on the board: the move list is written anew.
    void Loaded();

private:
    void OpenFile();
    void SaveFile();
    // A game opened from the desk goes back to its place in its file; false
    // when the player would rather choose where.
    bool SaveToDesk();
    // Asks before a save into a file of this kind loses the record's
    // variations, comments or marks; true to go on.
    bool MayLoseAnnotations(KifuKind kind);
    // The folder of a game file just chosen, for the next file dialog; a
    // failure to write it down is told.
    void RememberFolder(const QString& fileName);
    // The time control and leave the desk folder of fileName keeps for the
    // game on the board; none for a game of no file.
    void ReadDeskOfGame(const QString& fileName);
    void WarnError(const std::string& text);

    WindowServices& services_;
    GameSession& session_;
    GameInfoBoxes& info_;
    const WindowStates& states_;
    QAction* longFormOption_;
    QMainWindow& window_;
    KifuFile kifuFile_;
    std::unique_ptr<WindowKifuHost> kifuHost_;
    std::unique_ptr<KifuFolder> kifuFolder_;  // where the game-file dialogs start
    DialogMnuFilePrint* printDialog_ = nullptr;
    std::unique_ptr<DeskWindow> deskWindow_;  // a window of its own, so that it never covers the board for good
    std::optional<DeskPlace> deskPlace_;         // where the game on the board came from on the desk
    std::optional<DeskPlace> pendingDeskPlace_;  // the same while it loads or is saved
    long long savedRevision_ = -1;  // the record's revision when it last matched a file
    bool recordStateDue_ = false;   // the title's unsaved mark is to be read
};

}  // namespace vorlik
