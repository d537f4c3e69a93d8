// Import of game files into the database: the file is read a piece at a
// time (a collection of millions of games never lies in memory whole). Two
// worker threads take turns to cut and scan the next piece, then read its
// games side by side, plain move texts by a quick reader of their own and the
// rest by the same readers as "開く"; this thread stores them in file order,
// so numbers, refusals and duplicates come out as from one reader.
#pragma once

#include "GameDatabase.h"
#include "OpeningBook.h"
#include "records/KifuKind.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorlik {

struct ImportCounts {
    long imported = 0;
    long skipped = 0;   // already in the database
    long refused = 0;   // the readers could not read them whole
};

// One game of a file, read and ready to store, or refused with its reason.
struct ReadGame {
    bool refused = false;
    std::string reason;
    StoredGame game;
    std::vector<IndexedPosition> positions;  // the first visit of each position
};

struct KifuFile;

// The main line of game g of a scan as the file readers ("開く") read it:
// its positions and plies, or false with the reason they refuse it.
class ReadersLine {
public:
    ReadersLine();
    ~ReadersLine();
    bool Read(const KifuFile& scan, KifuKind kind, int g, std::vector<LinePosition>& line, int& plies, std::string& reason);

private:
    std::unique_ptr<GameState> record_;  // each game is read into it in turn
};

class DatabaseImport {
public:
    DatabaseImport(GameDatabase& database, const OpeningBook& book) : database_(database), book_(book) {}

    // Told for each refused game: the file, its number in it and why.
    std::function<void(const std::string& file, long number, const std::string& reason)> onRefused;
    // Called every few hundred games with the games read so far.
    std::function<void(long gamesRead)> onProgress;
    // Called once a piece of the file is stored: a test stops the import there.
    std::function<void()> onPieceStored;

    // Imports one file of this kind (kKindPgn or kKindCsv). False with a
    // message when the file cannot be read, or the database cannot be
    // written (then the whole import must be rolled back).
    bool ImportFile(const std::string& fileName, KifuKind kind, std::string& error);
    bool DatabaseFailed() const { return databaseFailed_; }
    // The games found in the file imported last.
    long FileGames() const { return fileGames_; }

    const ImportCounts& Counts() const { return counts_; }

    // A single game's text bigger than this is refused rather than held in memory.
    static constexpr std::size_t kMaxGameBytes = 64u << 20;
    // The bytes read from a file at a time.
    static std::size_t pieceBytes;

private:
    bool StoreGame(ReadGame& read, std::string& error);

    GameDatabase& database_;
    const OpeningBook& book_;
    ImportCounts counts_;
    long gamesRead_ = 0;
    long fileGames_ = 0;
    bool databaseFailed_ = false;
    std::string fileName_;
};

// The fingerprint a game is known again by: its header fields, further tags,
// start position and moves.
std::uint64_t GameFingerprintOf(const std::string* fields, int count);

}  // namespace vorlik
