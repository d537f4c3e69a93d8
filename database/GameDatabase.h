// The reference database: one SQLite file (.vdb) holding every game whole and,
// for every position of every game's main line, its Polyglot key with the
// move the game played there. A tree or a game list comes from that index,
// never from replaying games. Failures travel as values with their message.
#pragma once

#include "KeySet.h"
#include "PositionIndex.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vorlik {

// One prepared statement, finalized with this object.
class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, const std::string& text);
    // The text is not copied: it must stay as it is until the statement is stepped.
    Statement& BindKept(int index, const std::string& text);
    Statement& BindBlob(int index, const std::string& bytes);
    Statement& BindNull(int index);
    // True while a row is there; false at the end or on an error (error() says).
    bool Step();
    void Reset();
    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;
    int error() const { return error_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int error_ = 0;
};

// The game's facts the index keeps beside each of its positions, so that a
// tree is counted without reading the games: result, year and both ratings.
struct GameFacts {
    int result = 0;     // 0 unknown or unfinished, 1 White won, 2 drawn, 3 Black won
    int year = 0;       // 0 unknown
    int whiteElo = 0;   // 0 unknown
    int blackElo = 0;
    int month = 0, day = 0;  // 0 unknown
    // The date as one number that sorts as dates do, unknown parts first: 0 undated.
    int Ordinal() const { return year * 512 + month * 32 + day; }
};
std::int64_t PackFacts(const GameFacts& facts);
GameFacts UnpackFacts(std::int64_t info);
// The result code of a result text ("1-0" 1, "1/2-1/2" 2, "0-1" 3, else 0).
int ResultCode(const std::string& result);
// The year of a date text ("2004.05.??" 2004, "??" 0).
int YearOfDate(const std::string& date);
// The year, month and day of a date text, 0 where unknown.
void ReadDate(const std::string& date, GameFacts& facts);
// A rating from a tag value; 0 unless it is a plain number 1..4095.
int EloOfText(const std::string& text);

// One game ready to go into the database.
struct StoredGame {
    std::string field[8];    // 1..7 Event, Site, Date, Round, White, Black, Result
    GameFacts facts;
    std::string eco, opening;
    int plies = 0;
    std::string kind;        // "pgn" or "csv": the layout of text
    std::string text;        // the game as its file held it, UTF-8, lines ended by LF
    std::int64_t source = 0; // the file it came from: its number in table sources
    int number = 0;          // its number in that file
    std::uint64_t fingerprint = 0;  // of its header and moves: the same game twice has the same one
};

// The key, ply and move of one position of a game, as the index keeps it.
struct IndexedPosition {
    std::uint64_t key = 0;
    int ply = 0;
    int move = 0;  // EncodeMove; 0 where the game ends
};

class TextBlockWriter;
class TextBlockReader;

class GameDatabase {
public:
    enum class Mode { ReadOnly, ReadWrite };
    GameDatabase();
    ~GameDatabase();
    GameDatabase(const GameDatabase&) = delete;
    GameDatabase& operator=(const GameDatabase&) = delete;

    // Opens the file; ReadWrite creates it when it is not there. False with
    // a message when it cannot be opened, is no database of this program, or
    // (ReadWrite) cannot be written.
    bool Open(const std::string& fileName, Mode mode, std::string& error);
    void Close();

    // One transaction around an import: waits up to waitMs for another writer.
    bool Begin(std::string& error, int waitMs = 10000);
    bool Commit(std::string& error);
    void Rollback();

    // True when a game with this fingerprint is there already.
    bool HasGame(std::uint64_t fingerprint);
    // Adds the game and its positions (first occurrence of each key only);
    // the positions go into the index at the commit, a part of the keys at a time. 0 on failure.
    std::int64_t AddGame(const StoredGame& game, const std::vector<IndexedPosition>& positions, std::string& error);
    // Puts the positions of the games added into the index; progress hears how far it is (done of parts).
    bool FlushPositions(std::string& error, const std::function<void(int done, int parts)>& progress = {});

    // Positions reached by at least this many games keep their tree ready
    // (table trees), so that the start or a main line answers at once.
    void SetCacheRows(long rows) { cacheRows_ = rows; }
    long CacheRows() const { return cacheRows_; }
    // The positions whose ready tree this import may have changed or made
    // due: those it reached often, and those with a tree already. The side
    // to move goes with each.
    std::vector<std::pair<std::uint64_t, bool>> CacheCandidates() const;

    // The opening names of the ECO file the import used (key, code, name):
    // the tree names a position from them without the file.
    bool StoreOpenings(const std::vector<std::pair<std::uint64_t, std::pair<std::string, std::string>>>& names,
                       std::string& error);
    bool FindOpening(std::uint64_t key, std::string& eco, std::string& name);
    bool HasOpenings();

    // Every game's packed facts by id, read whole once the games looked up one
    // by one in this session would have cost about as much as reading them all;
    // null until then. Another program's import makes it read again.
    const std::vector<std::int64_t>* FactsByGame(std::size_t lookups);
    // A reader that answers many questions (a window's tree) reads them at its first
    // question instead: about 8 MB and a tenth of a second for a million games.
    void KeepFactsInMemory() { keepFacts_ = true; }
    // The source file's number in table sources, added when it is new (in the import's transaction).
    std::int64_t SourceId(const std::string& fileName, std::string& error);
    // The games' texts are read through it, which keeps the block read last.
    TextBlockReader& TextReader() { return *textReader_; }
    // The text of a game added by this import that waits for its block to fill; false when it is none.
    bool UnwrittenText(std::int64_t id, std::string& text) const;

    sqlite3* Handle() { return db_; }
    // The message of the database's last error.
    std::string LastError() const;
    std::string FileName() const { return fileName_; }

private:
    bool Execute(const char* sql, std::string& error);
    bool CreateSchema(std::string& error);
    bool CheckSchema(std::string& error);
    // The statements of an import, made on first use.
    bool Prepare(std::string& error);
    void NoteReach(const IndexedPosition& position);
    void StartFingerprints();
    bool ReadFingerprints();

    sqlite3* db_ = nullptr;
    std::string fileName_;
    IndexStaging staging_;  // the positions of the games added, waiting for the index
    long cacheRows_ = 2000;
    // How often this import reached each position, roughly: two counters,
    // by the key's low bits and by bits of its upper half. A position both of
    // whose counters pass half the rows is a candidate.
    std::vector<std::uint16_t> slots_;
    std::unordered_map<std::uint64_t, bool> candidates_;  // key, white to move
    std::unordered_map<std::uint64_t, bool> cached_;      // keys with a ready tree
    std::unique_ptr<Statement> insertGame_, insertFacts_, findGame_;
    // The fingerprints of the games, once this import has looked up about as
    // many as reading them all would cost; kept up to date as games are added.
    KeySet fingerprints_;
    bool fingerprintsRead_ = false;
    std::int64_t fingerprintLookups_ = 0, gamesBefore_ = 0;
    std::vector<std::int64_t> facts_;  // FactsByGame's, empty until read
    std::size_t factLookups_ = 0;
    bool keepFacts_ = false;
    std::int64_t factsVersion_ = -1;   // PRAGMA data_version when they were read
    std::unique_ptr<TextBlockWriter> textWriter_;  // the texts of the games added, a block at a time
    std::unique_ptr<TextBlockReader> textReader_;
    std::string sourceName_;           // the file of the games added last, and its number
    std::int64_t sourceId_ = 0;
};

// The schema's version, kept in SQLite's user_version; application_id names
// the file as this program's.
constexpr int kSchemaVersion = 4;
constexpr std::int32_t kApplicationId = 0x56524C4B;  // "VRLK"

}  // namespace vorlik
