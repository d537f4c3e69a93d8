// The postal desk: every game in progress (result "*") of a folder's PGN and
// CSV files in which the player is White or Black, one row each with the
// ledger's totals, days left and status, the player's own urgent moves first.
#pragma once

#include "DeskSettings.h"

#include <string>
#include <vector>

namespace vorlik {

// A file is read whole, so the desk bounds what it will read of one.
constexpr long long kMaxDeskFileBytes = 16 * 1024 * 1024;

struct DeskRow {
    std::string file;  // the name inside the folder
    int number = 0;    // in the file
    KifuKind kind = kKindNone;  // kKindPgn or kKindCsv
    DeskGameKey key;
    std::string opponent;
    bool meWhite = true;
    int plies = 0;         // plies that hold a move
    int lastPly = 0;       // the move in hand is the next
    std::string lastMove;  // "30... Bd2", empty before the first move
    TimeControl control;
    int myTotal = 0, oppTotal = 0;
    std::vector<int> unknownPlies;  // days not known, counted 0
    std::optional<MoveInHand> inHand;  // its days are in the total of the side to move
    std::vector<LaterDate> laterDates;  // dates after today: slips of the pen, most likely
    LedgerStatus status;
    std::string problem;  // why the game did not load whole, empty when it did
    bool lookAlike = false;  // another game of its file has the same players, event, date and round

    bool MyMove() const { return status.whiteToMove == meWhite; }
    std::optional<int> MyLeft() const { return meWhite ? status.whiteLeft : status.blackLeft; }
    std::optional<int> OppLeft() const { return meWhite ? status.blackLeft : status.whiteLeft; }
    bool MyOver() const { return meWhite ? status.whiteOver : status.blackOver; }
    bool OppOver() const { return meWhite ? status.blackOver : status.whiteOver; }
    // The days of the move in hand, when the side is to move and they are counted.
    std::optional<int> Running(bool mine) const
    {
        return inHand && MyMove() == mine ? std::optional<int>(inHand->days) : std::nullopt;
    }
};

// A file of the folder that could not be read (or only in part).
struct DeskFileProblem {
    std::string file;
    std::string message;
};

struct Desk {
    std::vector<DeskRow> rows;
    std::vector<DeskFileProblem> files;
    DeskSettings settings;
    std::string settingsError;  // the settings file could not be read: shown without it, never written
};

struct DeskRequest {
    std::string folder;
    std::string me;  // the player's name as it stands in White or Black
    int today = 0;
    TimeControl control;  // when set, for every game instead of the desk's and the game's own
};

// Where a game of the desk lies: its file and how it is known there. A
// game added to the file before it moves it to another number; its key
// still finds it.
struct DeskPlace {
    std::string path;  // the file
    KifuKind kind = kKindNone;
    DeskGameKey key;
};
DeskPlace PlaceOfRow(const std::string& folder, const DeskRow& row);

// Loads the game into the window, found by its key in its file as it is now
// (after the host's question about an unsaved record). False when it was not
// loaded: the user kept his record, or the file no longer holds the game (told).
bool OpenDeskGame(KifuHost& host, KifuFile& file, const DeskPlace& place);

// Writes the game on the board back over its game in its file, with the
// backup; the place then knows the game by the header just written, and so
// do the desk's settings of the game.
bool SaveDeskGame(KifuHost& host, DeskPlace& place);

// Reads the folder's game files and settings and ranks the games.
Desk OpenDesk(DeskRequest request);

// The default order: the games the player is to move in first, fewest days
// left first, then the others, longest since sent first.
void SortDesk(std::vector<DeskRow>& rows);

}  // namespace vorlik
