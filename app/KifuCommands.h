// The verbs of vorlik-kifu that work on game files (list, show, convert,
// search, check), the usage text and the output lines shared with `play`.
#pragma once

#include "core/ModuleMekDim.h"

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
// The page of a game as "印刷" prints it, into a PDF file (PrintCommand.cpp).
int PrintCommand(const std::vector<std::string>& args);

class HeadlessWindow;

// Loads game n of the file `name` of kind (0: the extension decides) into
// window as "開く" does, telling every problem on stderr: kExitOk,
// kExitIncomplete (loaded, not whole) or kExitUsage (nothing loaded).
// startRead is false when the game's own start position could not be read.
int LoadGameOfFile(HeadlessWindow& window, const std::string& name, int kind, int n, bool& startRead);
// A game number 1..kMaxGames, or 0 when the text is none.
int ParseGameNumber(const std::string& text);
// A file problem on stderr (no usage text); returns kExitUsage.
int ToldFileError(const std::string& message);

}  // namespace vorlik
