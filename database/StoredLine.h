// A stored game's own main line, read from its text: the index keeps most
// positions that only one game reached by a tag of the key, and the game
// itself tells whether it is the one, at which ply and with which move.
#pragma once

#include "PositionIndex.h"
#include "PolyglotKey.h"
#include "records/KifuKind.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlik {

class GameDatabase;
class ReadersLine;
struct KifuFile;

// The main line of game g of a scan as the import reads it: plain PGN moves
// by the quick reader, anything else by the file readers. False with the
// readers' reason when they refuse it.
bool ReadMainLine(ReadersLine& readers, const KifuFile& scan, KifuKind kind, int g, std::vector<LinePosition>& line,
                  int& plies, std::string& reason);

class StoredLines {
public:
    explicit StoredLines(GameDatabase& database);
    ~StoredLines();
    StoredLines(const StoredLines&) = delete;
    StoredLines& operator=(const StoredLines&) = delete;

    // Where the game first reaches the key, as the index would have it.
    bool Reaches(std::uint32_t game, std::uint64_t key, Posting& posting, bool& reached, std::string& error);
    // The same, for the index's functions; valid while this object lives.
    GameReaches Asker();

private:
    GameDatabase& database_;
    std::unique_ptr<ReadersLine> readers_;  // made on first need
    std::uint32_t lineGame_ = 0;            // the game whose line is kept
    std::vector<LinePosition> line_;
};

}  // namespace vorlik
