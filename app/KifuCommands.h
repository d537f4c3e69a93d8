// The verbs of vorlik-kifu that work on game files (list, show, convert,
// search, check, ledger, desk), the usage text and the output lines shared with `play`.
#pragma once

#include "core/ModuleMekDim.h"
#include "records/ModuleMekFile.h"

#include <functional>
#include <string>
#include <vector>

namespace vorlik {

// Exit statuses: everything read and played; a token refused or a game not
// read whole (or, for search, nothing matched); bad arguments or an
// unreadable file.
constexpr int kExitOk = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitUsage = 2;

extern const char kUsage[];

// One message on stderr.
void Tell(const std::string& message);
// The message and the usage text on stderr; returns kExitUsage.
int UsageError(const std::string& message);

// "PLY SHORT LONG POSTAL COORD", with the six postal fields after it when
// withNotes is set, and lastField after everything when it is not empty.
void PrintPly(const GameState& game, int ply, bool withNotes = false, const std::string& lastField = "");
// "PLY refused TOKEN".
void PrintRefused(int ply, const std::string& token);
// "fen" and the full FEN text of the position of ply CurPly.
void PrintFenLine(const GameState& game);

// args are the words after the verb.
int ListCommand(const std::vector<std::string>& args);
int ShowCommand(const std::vector<std::string>& args);
int ConvertCommand(const std::vector<std::string>& args);
int SearchCommand(const std::vector<std::string>& args);
int CheckCommand(const std::vector<std::string>& args);
// A game against the engine of a settings file (VersusCommand.cpp).
int VersusCommand(const std::vector<std::string>& args);
// The evaluation and best lines of a position from an engine (AnalyseCommand.cpp).
int AnalyseCommand(const std::vector<std::string>& args);
// The page of a game as "印刷" prints it, into a PDF file (PrintCommand.cpp).
int PrintCommand(const std::vector<std::string>& args);
// The days each side has used per move of a postal game (LedgerCommands.cpp).
int LedgerCommand(const std::vector<std::string>& args);
// Every game in progress of a folder in which the player plays (LedgerCommands.cpp).
int DeskCommand(const std::vector<std::string>& args);
// The moves an opening book holds for a position (BookCommands.cpp).
int BookCommand(const std::vector<std::string>& args);
// An opening book from the reference database's trees: db book (BookCommands.cpp).
int DatabaseBookCommand(const std::vector<std::string>& args);
// What the endgame tables say about a position and its moves (TablebaseCommand.cpp).
int TablebaseCommand(const std::vector<std::string>& args);

class GameSession;

// What every file verb takes besides its operands.
struct VerbOptions {
    KifuKind kind = kKindNone;  // --kind, 0 when the extension decides
    bool longForm = false;
    std::vector<std::string> operands;
};

// A verb's own option at args[k]: true when it is one, having read its value
// at ++k, with error set when that value is wrong.
using OwnOption = std::function<bool(const std::vector<std::string>& args, std::size_t& k, std::string& error)>;

// The options and operands of a verb: --kind, --long when allowLong, the
// verb's own, "--" ending them. Empty when all is well, else what is wrong
// (usage when there are fewer than least or more than most operands).
std::string ReadVerb(const std::vector<std::string>& args, bool allowLong, std::size_t least, std::size_t most,
                     const char* usage, VerbOptions& options, const OwnOption& own = nullptr);
// The options, settings file and move tokens of an engine verb (versus,
// analyse): its own options until the settings file, every word after that
// file a token; "--" ends the options. Empty when all is well, else what is
// wrong.
std::string ReadEngineVerb(const std::vector<std::string>& args, const char* verb, const OwnOption& own,
                           std::string& mek, std::vector<std::string>& tokens);
// The kind of the file: --kind, else its extension; 0 when neither tells.
KifuKind ResolveKind(const VerbOptions& options, const std::string& name);

// A game number 1..kMaxGames, or 0 with error saying why the text is none.
int GameNumber(const std::string& text, std::string& error);
// A file problem on stderr (no usage text, it is no usage problem); returns kExitUsage.
int FileError(const std::string& message);
// A TAB or a line end inside a value would break the output's columns: blanks.
std::string Field(std::string text);

struct OpenedGame {
    int status = kExitOk;  // kExitUsage: nothing loaded; kExitIncomplete: not read whole
    KifuKind kind = kKindNone;
    LoadReport report;
    bool startRead = true;  // false: the board shows the standard start instead of the file's
};
// Game n of the file `name` of kind loaded into the session as "開く" loads it,
// every problem told on stderr.
OpenedGame OpenGame(GameSession& session, const std::string& name, KifuKind kind, int n);

}  // namespace vorlik
