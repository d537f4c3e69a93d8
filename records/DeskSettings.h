// The settings of a postal desk: what the game files cannot hold (the time
// control, each side's leave, the opponent's address, notes), kept in one
// text file of the desk folder that a player can read and edit. A game is
// found by its file, players, event, date and round, so that its settings
// stay with it when games are added to the file; its number there is only a
// hint, for two games that look alike.
#pragma once

#include "ModuleMekFile.h"
#include "core/PostalLedger.h"

#include <string>
#include <string_view>
#include <vector>

namespace vorlik {

extern const char kDeskSettingsName[];  // the file's name inside the desk folder

// A header field or a settings value without the blanks and tabs around it.
std::string Trimmed(std::string_view text);

// A leave period as a player writes it: "白 2026-12-24 2027-01-03" (白, 黒,
// white or black, then the first and the last day in any form a postal box
// takes). False with the reason when it cannot be read or ends before it begins.
bool ReadLeaveLine(std::string_view text, Leave& leave, std::string& error);
// The same line written: "白 2026-12-24 2027-01-03".
std::string LeaveText(bool white, const LeavePeriod& period);

// "31 2026-01-14": the receipt of the opponent's move for the move in hand,
// ply 31. False when it is not a ply from 1 and a date.
bool ReadReceiptLine(std::string_view text, MoveReceipt& receipt);
std::string ReceiptText(const MoveReceipt& receipt);

// How the settings know a game.
struct DeskGameKey {
    std::string file;  // the game file's name inside the folder
    std::string white, black, event, date, round;
    int number = 0;  // its number in the file when the settings were written: a hint

    bool SameGame(const DeskGameKey& other) const;  // all but the number
};

// The key of game n of a scanned file.
DeskGameKey KeyOfGame(const KifuFile& scan, const std::string& file, int n);
// The key of the game with this header, number n of the file.
DeskGameKey KeyOfHeader(const std::string& file, const GameHeader& header, int n);
// The number of the game of a scanned file with this key, of two alike the
// one nearest its number; 0 when the file has none.
int FindGameOfKey(const KifuFile& scan, const DeskGameKey& key);

struct DeskGameSettings {
    DeskGameKey key;
    TimeControl control;  // not set: the desk's
    Leave leave;
    std::optional<MoveReceipt> receipt;  // when the opponent's move was received, for the move in hand
    std::string address;
    std::string note;  // may hold line ends
};

struct DeskSettings {
    TimeControl control;  // for the games without one of their own
    int reminderDays = kReminderDays;
    std::vector<DeskGameSettings> games;  // kept in the file's order, games no longer found included
};

// The file's lines read into settings; false with a message that names the
// line when one cannot be read.
bool ParseDeskSettings(const std::vector<std::string_view>& lines, DeskSettings& settings, std::string& error);
std::vector<std::string> DeskSettingsLines(const DeskSettings& settings);

// Reads the folder's settings; a folder without them has empty ones. False
// with a message when the file is there but cannot be read as settings.
bool ReadDeskSettings(const std::string& folder, DeskSettings& settings, std::string& error);

// Replaces the folder's settings file whole, or writes it anew. A file that
// cannot be read as settings is left as it is (the player may have edited it
// by hand and would lose it): false with the message.
bool WriteDeskSettings(const std::string& folder, const DeskSettings& settings, std::string& error);

// The settings of each game of a scanned file ([n] for game n, null where it
// has none): an entry belongs to the game with its key, of two alike the one
// nearest its number.
std::vector<const DeskGameSettings*> SettingsOfGames(const DeskSettings& settings, const KifuFile& scan,
                                                     const std::string& file);

// The settings of the game with this key, the entry nearest its number of
// two alike; null when it has none. For a game known by its header, not by
// a scan of its file.
const DeskGameSettings* SettingsOfKey(const DeskSettings& settings, const DeskGameKey& key);

// The control a game is played under: the one given for every game (on the
// command line), else its own, else the desk's; not set when there is none.
TimeControl ControlOfGame(const DeskSettings& settings, const DeskGameSettings* own, const TimeControl& given = {});

// What the desk folder of a game file keeps for one of its games, as the
// window and the postcard count its days.
struct GameDesk {
    TimeControl control;  // not set: none
    Leave leave;
    std::optional<MoveReceipt> receipt;
    int reminderDays = kReminderDays;
    std::string error;  // the folder's settings could not be read: counted without them
};
// The settings of the game with this header, number n of fileName (a hint
// for two alike; 0 for none), read from the settings file of its folder.
GameDesk DeskOfGame(const std::string& fileName, const GameHeader& header, int n);

// The entry of game n of a scanned file, made when it has none; its number
// hint is brought up to date.
DeskGameSettings& SettingsFor(DeskSettings& settings, const KifuFile& scan, const std::string& file, int n);

}  // namespace vorlik
