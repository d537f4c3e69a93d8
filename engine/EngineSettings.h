// The engine settings: EngSet, the current engine's description, with the
// layouts of its ".mek" file and of "Vorlik.ini", the program's own settings.
// Plain values and pure functions from lines to records and back; the file
// reading and writing sit at the edge (ReadSettingsLines, WriteSettingsLines).
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorlik {

// The protocol an engine speaks: the command set of the game against the
// engine (a file without a protocol line), or UCI.
enum class EngineProtocolKind { Xboard, Uci };

// EngSet as a record. Entries 0..14 are the 15 lines of a ".mek" file (entry
// k is line k + 1); 15..19 are derived from the five boxes by ApplyEngSet; 20
// is the notation style, kept in "Vorlik.ini".
struct EngineSettings {
    std::string Name;          // 0  display name, also the base name of its ".mek" file
    std::string Path;          // 1  the engine's executable
    std::string Arguments;     // 2  its arguments, split as a shell splits words
    std::string FirstCommand;  // 3  sent right after start; "" none
    std::string Level1;        // 4  command of level 1
    std::string Level2;        // 5
    std::string Level3;        // 6
    std::string MovePrefix;    // 7  what comes before the engine's move; "" "move " or ". ... "
    std::string ErrorText;     // 8  an error reply besides "Illegal move"; "" none
    std::string DeleteFile;    // 9  a file-name pattern deleted in the engine's folder before it starts
    std::string UndoBox;       // 10 the five boxes, as the file holds them (" 1 " on, " 0 " off)
    std::string RemoveBox;     // 11
    std::string EditBox;       // 12
    std::string BlackBox;      // 13
    std::string ForceBox;      // 14
    std::string TakeBack;      // 15 "undo", "remove" or "": take-back not offered
    std::string Unused;        // 16 cleared with 15..19, read by nobody
    std::string EditCommand;   // 17 "edit" when the engine takes a set-up position
    std::string BlackCommand;  // 18 "black" (stored; the hand-off goes by the side to move)
    std::string ForceCommand;  // 19 "force" when a game can be continued from the board
    std::string Style = "1";   // 20 notation style "1".."4"
    // Line 16 of a ".mek" file, which only a UCI engine's file has.
    EngineProtocolKind Protocol = EngineProtocolKind::Xboard;

    // EngSet(index), 0..20; the one table from the indexes to the fields.
    std::string& operator[](int index);
    const std::string& operator[](int index) const;

    // The command of level 1..3.
    const std::string& LevelCommand(int level) const { return (*this)[3 + level]; }
};

// What an engine can do in a game beyond answering moves, as its settings say.
struct EngineCapabilities {
    enum class TakeBack { None, OnePly, TwoPlies };
    TakeBack takeBack = TakeBack::None;
    bool edit = false;   // takes a set-up position piece by piece
    bool force = false;  // takes a game's moves without answering them: a game goes on from the board

    // The plies one take-back removes; 0 when it is not offered.
    int TakeBackPlies() const { return takeBack == TakeBack::TwoPlies ? 2 : takeBack == TakeBack::OnePly ? 1 : 0; }
};

// The capabilities of the settings' derived commands (EngSet 15, 17, 19).
EngineCapabilities Capabilities(const EngineSettings& set);

constexpr int kEngSetSize = 21;
constexpr int kMekLines = 15;    // lines of a ".mek" file of the design's layout
constexpr int kMekProtocolLine = 15;  // index of the protocol line after them: "protocol=uci"
constexpr int kFirstBox = 10;    // EngSet(10..14): undo, remove, edit, black, force
constexpr int kIniLines = 6;     // lines of "Vorlik.ini"

// The integer a box line holds, blanks around it ignored; none when it is no number.
std::optional<int> BoxValue(const std::string& text);
bool BoxOn(const std::string& text);
// A box as the file writes it: a blank, the digit, a blank.
std::string BoxText(bool on);

// Reads up to 15 lines into EngSet(0..14), and the protocol from a 16th;
// lines not there leave their entries as they were (a file without a 16th
// line is the command set of the game against the engine). False when a box
// line (11..15) is no number or the protocol line names no protocol known.
bool ReadMekLines(const std::vector<std::string>& lines, EngineSettings& set);
// The protocol line: "protocol=uci" or "protocol=xboard" (letter case and
// blanks around it ignored); any line that names no protocol is the command
// set, as such lines were always left unread. False for "protocol=" with a
// protocol not known.
bool ReadProtocolLine(const std::string& line, EngineProtocolKind& protocol);
// The 15 lines of a ".mek" file, and "protocol=uci" after them for a UCI engine.
std::vector<std::string> MekLines(const EngineSettings& set);
// Derives EngSet(15..19) from the five boxes (16 is only cleared).
void ApplyEngSet(EngineSettings& set);

// The options of "Vorlik.ini", in the order of its lines.
struct VorlikIni {
    std::string EngFileName;  // 1 the current ".mek" file, relative to the program folder; "" none
    bool Turn = false;        // 2 "盤の反転"
    bool Sound = false;       // 3 "駒音"
    std::string Style = "1";  // 4 notation style "1".."4"
    bool Win120DPI = false;   // 5 "画面・大きなサイズ（120dpi)"
    bool KifuWrite = false;   // 6 "国際長表記で保存"
};

// Reads the lines in order into ini and returns how many were readable; 6
// when the whole file was. Reading stops at the first missing or unreadable
// line (a Boolean that is no Boolean, a style outside 1..4).
int ReadVorlikIniLines(const std::vector<std::string>& lines, VorlikIni& ini);
std::vector<std::string> VorlikIniLines(const VorlikIni& ini);

// The engine-settings dialog's state: the current engine and whether one is loaded.
struct EngineConfig {
    EngineSettings EngSet;
    bool EngLoaFg = false;    // an engine configuration is loaded: games may start
    std::string EngFileName;  // the current ".mek" file, relative to the program folder
};

// Start-up: reads "Vorlik.ini" of the folder into ini (the lines that were
// readable are applied even when a later one is not) and the engine file it
// names into config. Sets and returns EngLoaFg. problem says why a file that
// is there could not be read (not a regular file, far too large, a line
// longer than any setting); a missing file or a value that does not read
// leaves it empty, as the first run does.
bool LoadEngine(const std::string& folder, EngineConfig& config, VorlikIni& ini, std::string& problem);
// The same, with each settings file read where fileOf(name) says: an
// installed program reads the user's own file, else the shipped one.
bool LoadEngine(const std::function<std::string(const std::string& name)>& fileOf, EngineConfig& config,
                VorlikIni& ini, std::string& problem);

// Writes "Vorlik.ini" into the folder; false with a message naming the file.
bool Vorlik_iniFile(const std::string& folder, const VorlikIni& ini, std::string& error);

// Reads a ".mek" file into set (up to 15 lines) and derives 15..19.
bool ReadMekFile(const std::string& fileName, EngineSettings& set, std::string& error);
// Writes the 15 lines of set into a ".mek" file, replacing it atomically.
bool WriteMekFile(const std::string& fileName, const EngineSettings& set, std::string& error);

// A display name that can be a file name in the program folder: not empty of
// meaning ("." or ".."), no "/" and no control characters. The message says why not.
bool EngineNameIsFileName(const std::string& name, std::string& why);

// A settings file is a few hundred bytes; the longest sane line is a path.
// A larger file is refused before it is read, a longer line once it is, so
// that no settings file can stall the start.
constexpr std::size_t kMaxSettingsLine = 4096;
constexpr long long kMaxSettingsBytes = 64 * 1024;

// Lines of a settings file, read with the same encoding and line-end rules as
// game files (only a regular file within the limits above); written in CP932
// (UTF-8 when CP932 cannot hold the text), CR LF, atomically.
bool ReadSettingsLines(const std::string& fileName, std::vector<std::string>& lines, std::string& error);
bool WriteSettingsLines(const std::string& fileName, const std::vector<std::string>& lines, std::string& error);

}  // namespace vorlik
