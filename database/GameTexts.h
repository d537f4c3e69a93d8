// The games' texts in the database: consecutive games of one import share a
// block of about 64 KB, compressed by zstd as one frame (table texts, keyed by
// the id of the block's first game). Inside the frame: the number of games n,
// n lengths, then the n texts one after another; the counts and lengths are
// 32-bit little-endian. A game's block is the one with the greatest first id
// not above its own.
#pragma once

#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vorlik {

class GameDatabase;

// Gathers the texts of the games an import adds and writes a block each time
// it is full; the rest is written by Flush, before the import's commit.
// Blocks are compressed on a thread of their own while the import goes on.
class TextBlockWriter {
public:
    TextBlockWriter();
    ~TextBlockWriter();
    TextBlockWriter(const TextBlockWriter&) = delete;
    TextBlockWriter& operator=(const TextBlockWriter&) = delete;

    // The text of game id. A game that does not follow the one before starts a block of its own.
    bool Add(sqlite3* db, std::int64_t id, const std::string& text, std::string& error);
    bool Flush(sqlite3* db, std::string& error);
    // Forgets the games not written yet (the import is rolled back).
    void Clear();
    // The text of a game added but not written yet; false when it is not one.
    bool Unwritten(std::int64_t id, std::string& text) const;

    // The texts' bytes a block gathers before it is compressed (a test makes it small).
    static std::size_t blockBytes;
    // zstd's level: 1 to 3 cost about the same to read back; 1 keeps the import quick.
    static constexpr int kLevel = 1;

private:
    // A full block is compressed on another thread while the next one fills.
    struct Packing {
        std::int64_t first = 0;
        std::string header, texts, packed;  // kept between blocks: their room is made once
        std::string error;
    };
    bool Hand(sqlite3* db, std::string& error);   // the block filled so far, to be compressed
    void Pack();
    bool Write(sqlite3* db, std::string& error);  // the block compressed, once it is
    std::int64_t first_ = 0;
    std::vector<std::uint32_t> lengths_;
    std::string texts_;
    Packing packing_;
    std::future<void> packed_;
    bool busy_ = false;
    void* context_ = nullptr;  // zstd's compression context, used by one block at a time
};

// The block read last, kept so that consecutive games are decompressed once.
class TextBlockReader {
public:
    TextBlockReader();
    ~TextBlockReader();
    TextBlockReader(const TextBlockReader&) = delete;
    TextBlockReader& operator=(const TextBlockReader&) = delete;

    // The text of game id, from the block kept or the one read now.
    bool Read(sqlite3* db, std::int64_t id, std::string& text);
    // Forgets the block and the statements (before the database closes or rolls back).
    void Clear();

private:
    bool Load(sqlite3* db, std::int64_t id);

    sqlite3_stmt* find_ = nullptr;
    std::int64_t first_ = 0;
    std::vector<std::size_t> offsets_;  // of each text in raw_, and the end
    std::string raw_;
};

// The stored game: its layout ("pgn" or "csv") and text. False when there is no such game.
bool ReadStoredGame(GameDatabase& database, std::int64_t id, std::string& kind, std::string& text);

}  // namespace vorlik
