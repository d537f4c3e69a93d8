// The file module: the game table of the last scanned file, opening a game
// from a PGN, FEN or CSV file, saving the game on the board (append, insert,
// overwrite) with a backup, deleting a game, and the position search.
// A game is read into a record of its own and handed to the host's session
// in one step; messages and questions go through KifuHost.
#pragma once

#include "KifuKind.h"
#include "PgnMoveText.h"
#include "TextCodec.h"
#include "core/GameHeader.h"
#include "core/HostIcon.h"
#include "core/ModuleMekDim.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlik {

constexpr int kMaxGames = 25000;       // games a scan lists
constexpr int kFurtherTags = 8;        // field: the further tags, a tag line each, each ended by LF
constexpr int kMaxFurtherTags = 100;   // further tags of one game
constexpr int kStartText = 19;         // field: FEN text, or the postal data of a CSV game
constexpr int kMoveText = 20;          // field: the game's move text, blanks normalised
constexpr int kAnnotatedText = 21;     // field: the move text as written, kept only when it has
                                       // comments, variations or marks (lines joined by LF)

// Marks the start of one move line's postal data inside StartText; fields
// inside are separated by kNoteSeparator. Neither can be typed into a box.
constexpr char kNoteMarker = '\x1e';
constexpr char kNoteSeparator = '\x1f';

// Fields 1..21 of one game (0 and 9..18 unused).
using KifuGame = std::array<std::string, 22>;

// The value of a further tag of a scanned game ("WhiteElo"), empty when it has none.
std::string FurtherTagOf(const KifuGame& game, std::string_view name);

class GameSession;
class KifuHost;

// Shows the busy pointer for as long as it lives.
class BusyPointer {
public:
    explicit BusyPointer(KifuHost& host);
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    // Normal pointer while the user is asked something.
    void Pause();
    void Resume();

private:
    KifuHost& host_;
};

// Filter texts of the dialogs ("name|pattern|..."): all three kinds, without
// CSV (a game from a set-up position), and the position search's.
extern const char kFilterAll[];
extern const char kFilterNoCsv[];
extern const char kFilterSearch[];

// What the collection dialog is shown for; the numbers are the modes' own.
enum class KifuDialogMode { None = 0, OpenPgn = 1, SaveInto = 2, Search = 3, OpenCsv = 5 };

// The collection dialog's answer, in the numbers it has always had: a game
// n > 0 (load it, or overwrite it), 0 cancelled, -1 append, -(n + 1) insert
// before game n.
enum class KifuSelect : int { Cancel = 0, Append = -1 };
inline KifuSelect SelectGame(int n) { return static_cast<KifuSelect>(n); }
inline KifuSelect InsertBefore(int n) { return static_cast<KifuSelect>(-(n + 1)); }
// The game chosen to load or overwrite; 0 for any other answer.
inline int ChosenGame(KifuSelect select) { return static_cast<int>(select) > 0 ? static_cast<int>(select) : 0; }
// The game to insert before; 0 for any other answer.
inline int InsertPlace(KifuSelect select) { return static_cast<int>(select) < -1 ? -(static_cast<int>(select) + 1) : 0; }

// The module's state, shared with the collection dialog.
struct KifuFile {
    std::vector<KifuGame> KifuList;  // [0..KifuCount]; game 0 is never listed
    int KifuCount = 0;
    vorlik::KifuSelect KifuSelect = KifuSelect::Cancel;  // the dialog's answer
    vorlik::KifuDialogMode KifuDialogMode = KifuDialogMode::None;
    TextEncoding Encoding = TextEncoding::Cp932;  // of the last scanned file
    std::string FileName;    // of the last scan
    std::vector<std::size_t> GameFirstLine;  // [1..KifuCount] line index of each game's first line,
                                             // then that of the first game past the table, if any
    std::vector<std::size_t> GameFingerprint;  // [1..KifuCount] of the games as read from FileName
};

// What the file module needs from its host: the session of the game on the
// board, messages, the busy pointer, the collection dialog and the
// long-notation option.
class KifuHost {
public:
    virtual ~KifuHost() = default;
    // A game read from a file replaces this session's record; saves and
    // searches read it.
    virtual GameSession& Session() = 0;
    using Icon = HostIcon;
    virtual void ShowMessage(const std::string& text, const std::string& title, Icon icon) = 0;
    // A question with the answers yes and no; true for yes. A host that
    // cannot ask answers no.
    virtual bool Ask(const std::string& /*question*/, const std::string& /*title*/) { return false; }
    virtual void SetBusy(bool busy) = 0;
    // Shows the collection dialog for file.KifuDialogMode over file.KifuList;
    // the answer is left in file.KifuSelect.
    virtual void ShowKifuDialog(KifuFile& file, const std::string& fileName) = 0;
    // "国際長表記で保存": moves are written and searched in long text.
    virtual bool LongFormSave() = 0;
    // Asked just before a game from a file replaces the record on the board:
    // false keeps the record (the user would lose what was never saved).
    virtual bool MayDiscardRecord() { return true; }
    // The record on the board is now what a file holds (a game just loaded).
    virtual void RecordMatchesFile(const std::string& /*fileName*/) {}
    // A game read from a file's table ends with a beep.
    virtual void Beep() {}
};

// The outcome of a scan. message is empty when the file was read whole.
struct ScanReport {
    bool ok = false;         // false: nothing could be read (message says why)
    std::string message;     // bounds reached or bytes that could not be read
};

// Reads the games of a PGN (kind 1) or CSV (kind 3) file into KifuList.
ScanReport ScanKifuFile(KifuFile& file, KifuKind kind, const std::string& fileName);

// Scans text already in memory (UTF-8), or its lines.
ScanReport ScanKifuText(KifuFile& file, KifuKind kind, std::string_view text);
// maxGames lifts the table's bound for a rewrite, which must count every game.
ScanReport ScanKifuLines(KifuFile& file, KifuKind kind, const std::vector<std::string_view>& lines, int badBytes = 0,
                         int maxGames = kMaxGames);

// Empties games 1..count of the table.
void ClearKifuList(KifuFile& file, int count);

// One token the rules refused during a load.
struct RefusedToken {
    int ply;  // the ply it was tried as
    std::string token;
    bool ambiguous = false;  // more than one piece may play it: the load stopped there
};

struct LoadReport {
    std::vector<RefusedToken> refused;
    bool plyLimit = false;       // the game held more than 400 plies
    int game = 0;                // its number in the file, as messages name it
    int variationsLeftOut = 0;   // beyond a limit, or after a move that could not be played in it
    int commentsCut = 0;         // longer than 64 kB: the rest was left out
    int marksLeftOut = 0;        // $n outside 1..255, or before any move
    PgnNesting nesting;          // unbalanced braces and parentheses
    std::string treeLimit;       // the limit of the record that was reached, if one was
    std::string fenError;        // the FEN start could not be read: no moves were played
    int firstMove = 1;           // the number of the game's first move, as messages name plies
    // One message for the user, empty when the game loaded whole.
    std::string Message() const;
    // The part of it about comments, variations and marks.
    std::string AnnotationsMessage() const;
};

// What LoadKifu puts into a record besides the header, numbered as it always was.
enum class LoadPart { Moves = 1, Notes = 3 };

// Puts game n of the table into a record: the header, and the start position
// and the moves (Moves) or the postal fields (Notes). A pawn reaching the
// last rank without a letter becomes a queen.
LoadReport LoadKifu(GameState& record, const KifuFile& file, LoadPart part, int n);

// "開く" of game n into a record: a new record, then the moves, and for a CSV
// file the postal fields.
LoadReport LoadKifuGame(GameState& record, const KifuFile& file, KifuKind kind, int n);

// Sets the start position from a FEN text; false and a message when the text
// is no FEN board (the position is then left alone).
bool ReadFenBoard(GameState& record, const std::string& fenText, std::string* message);

// Game n of the table scanned last replaces the host session's record, after
// the host's question, telling what could not be read (and, when report is
// given, handing it back); false when the user kept his record.
bool LoadGame(KifuHost& host, KifuFile& file, KifuKind kind, int n, LoadReport* report = nullptr);

// The menu's open: scans, lets the user choose when the file holds more than
// one game, loads the game and tells the user what could not be read, or
// that the file holds no game.
void OpenKifuFile(KifuHost& host, KifuFile& file, KifuKind kind, const std::string& fileName);

// The menu's save: FEN replaces the file; PGN and CSV go into a new file, or
// into an existing one after the collection dialog (append, insert, overwrite).
// True when the file was written.
bool SaveKifuFile(KifuHost& host, KifuFile& file, KifuKind kind, const std::string& fileName);

// Writes the game on the board over the game of the file that `which` picks
// from the file as it is now (0: it is no longer there; told, nothing
// written), keeping the old file as the backup. n is the game written over.
using GamePicker = std::function<int(const KifuFile& now)>;
bool SaveOverGame(KifuHost& host, KifuKind kind, const std::string& fileName, const GamePicker& which, int& n);

// True when saving the record as a file of this kind would lose its
// variations, comments or marks (CSV keeps the main line, FEN the position):
// the window asks first.
bool SaveLosesAnnotations(const GameState& game, KifuKind kind);
// True when saving as this kind would lose the postal boxes of the main
// line: only CSV holds them.
bool SaveLosesNotes(const GameState& game, KifuKind kind);
// What a save of this kind would lose, for the user; empty when nothing.
std::string SaveLossText(const GameState& game, KifuKind kind);

// Removes game n from the file, keeping the old file as the backup.
bool DeleteKifuGame(KifuHost& host, KifuFile& file, int n, KifuKind kind, const std::string& fileName);

// The backup of a file: its extension replaced by "bak" (x.pgn -> x.bak).
std::string BackupName(const std::string& fileName);

// The menu's position search: scans the file (PGN or CSV), shows the dialog
// in search mode and loads the game chosen there; a file without games is
// only told.
void SearchKifuFile(KifuHost& host, KifuFile& file, KifuKind kind, const std::string& fileName);

// The search button: keeps the games of the table whose move text begins
// with the moves on the board, and tallies the moves played next.
struct SearchResult {
    int matches = 0;
    std::vector<int> games;  // the matching games' numbers in the list that was searched
    std::vector<std::pair<std::string, int>> tally;  // move and count, most played first, at most 100
    std::string TextJo;  // "1.Nf3(5)  2.e4(2)  "
};
SearchResult SearchContinuations(KifuFile& file, const GameState& game, bool longForm);

// The same for the host: busy pointer, and the message when nothing matched.
SearchResult SearchContinuations(KifuHost& host, KifuFile& file);

}  // namespace vorlik
