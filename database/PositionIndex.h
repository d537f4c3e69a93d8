// The index of positions as the file keeps it: rows of packed runs. A
// position's key splits into a bucket (its top 20 bits) and the rest (44
// bits). Each bucket has one row (rest 0) holding the positions few games
// reach; a position reached by more games has a row of its own (rest + 1).
// Most positions of a collection are reached by one game only: those keep
// just the top 16 bits of their rest (the tag) and the game, and the game's
// own moves tell, when asked, whether it is the one and where. A row's bytes
// are varints (7 bits a byte, low first). The shared row: the number of
// positions kept whole, then per such position the difference of its rest
// from the one before and its number of games, then per game the difference
// of its id from the one before (the first: the id itself), its ply and its
// move; then, to the row's end, the positions of one game, by tag and game:
// the difference of the tag from the one before and the game's id. An own
// row: its number of games, then its games as in the shared row.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;

namespace vorlik {

// One game's first visit to a position: where, and the move it played there.
struct Posting {
    std::uint32_t game = 0;
    std::uint16_t ply = 0;
    std::uint16_t move = 0;  // EncodeMove; 0 where the game ended
};

constexpr int kBucketShift = 44;
// Games beyond which a position gets a row of its own.
constexpr std::size_t kOwnRowGames = 48;
constexpr int kTagShift = 28;  // the tag: the top 16 bits of the rest

// Asks a stored game whether it reaches the position with this key: reached
// says so, posting then holds its ply and move there. False with a message
// when the game cannot be read.
using GameReaches = std::function<bool(std::uint32_t game, std::uint64_t key, Posting& posting, bool& reached,
                                       std::string& error)>;

// The games of the position with this key, by game id; a game known only by
// the tag is asked through reaches. False with a message when the database
// cannot be read.
bool ReadPostings(sqlite3* db, std::uint64_t key, const GameReaches& reaches, std::vector<Posting>& postings,
                  std::string& error);

// The positions of an import wait in files of their own, split by key, and
// go into the rows at the end, a slice at a time, each row written once.
class IndexStaging {
public:
    IndexStaging();
    ~IndexStaging();
    IndexStaging(const IndexStaging&) = delete;
    IndexStaging& operator=(const IndexStaging&) = delete;

    bool Add(std::uint64_t key, const Posting& posting);
    bool Empty() const { return staged_ == 0; }
    // Merges everything staged into the rows of positions; the staging is
    // empty after. A position one game reached in an earlier import and a new
    // one reaches now may be under a tag: reaches tells.
    // progress hears the slices written so far and their number.
    bool Flush(sqlite3* db, const GameReaches& reaches, std::string& error,
               const std::function<void(int done, int parts)>& progress = {});
    void Clear();

    struct Entry {
        std::uint64_t key;
        Posting posting;
    };

private:
    static constexpr int kParts = 64;
    // The slice's entries, sorted by key and game; its file is closed.
    bool LoadPart(int slice, std::vector<Entry>& entries);
    // Writes a slice's sorted entries into the rows.
    bool FlushPart(sqlite3* db, bool fresh, const GameReaches& reaches, std::vector<Entry>& entries,
                   std::string& error);
    bool Write(int slice);
    std::FILE* parts_[kParts] = {};
    std::vector<Entry> waiting_[kParts];  // written to the slice's file a block at a time
    std::vector<Entry> unsorted_;         // a slice as read, before its sort
    long staged_ = 0;
};

}  // namespace vorlik
