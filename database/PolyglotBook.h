// Polyglot opening books (.bin), the format most chess programs read: a
// series of 16-byte entries (key, move, weight, learn), highest byte first,
// sorted by the position's Polyglot key. A book is mapped into memory, so a
// book of tens of megabytes opens at once; a position's moves are found by
// binary search. Plain C++.
#pragma once

#include "PolyglotKey.h"
#include "core/ModuleMekDim.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlik {

struct BookEntry {
    std::uint64_t key = 0;
    std::uint16_t move = 0;    // to file, to rank, from file, from rank (3 bits each), promotion piece
    std::uint16_t weight = 0;  // how good the move is; the share of a move is its weight over the position's sum
    std::uint32_t learn = 0;
};

// One move of a position as the book gives it, with its texts as the record
// would hold them.
struct BookMove {
    std::string coord, shortText, longText, postal;
    int weight = 0;
    std::uint32_t learn = 0;
};

// What the moves of a position need: its board, key and castling rights,
// and the move that led to it (a capture in passing). A small value, kept by
// whoever shows the moves of a position while the record goes on changing.
struct BookPosition {
    Board board{};
    std::uint64_t key = 0;
    int ply = 0;  // of the position: its move is ply + 1
    int castling = 0;
    std::string prevPostal;
};
// The position after ply `ply` of the line on the board.
BookPosition PositionOf(const GameState& game, int ply);

class PolyglotBook {
public:
    static constexpr std::size_t kEntryBytes = 16;

    PolyglotBook() = default;
    ~PolyglotBook();
    PolyglotBook(const PolyglotBook&) = delete;
    PolyglotBook& operator=(const PolyglotBook&) = delete;

    // Maps the book; false with a message when it cannot be read, is empty,
    // is cut short or is not sorted as a book is (another kind of file).
    bool Open(const std::string& fileName, std::string& error);
    void Close();
    bool IsOpen() const { return data_ != nullptr; }
    const std::string& FileName() const { return fileName_; }
    std::size_t Size() const { return size_ / kEntryBytes; }

    // The entries of a key, in the book's order.
    std::vector<BookEntry> Entries(std::uint64_t key) const;
    // The moves the book holds for the position, those the rules accept
    // there, heaviest first.
    std::vector<BookMove> Moves(const BookPosition& position) const;
    // The same for the position after ply `ply` of the line on the board.
    std::vector<BookMove> Moves(const GameState& game, int ply) const { return Moves(PositionOf(game, ply)); }

private:
    BookEntry EntryAt(std::size_t index) const;
    bool SortedByKey() const;

    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    std::string fileName_;
};

// The coordinate text of a book move on the board it is played on: castling,
// which the book writes as the king taking its own rook (e1h1), becomes the
// king's step of two squares (e1g1). Empty for the empty move 0 or a
// promotion code the format does not have.
std::string BookMoveText(std::uint16_t move, const Board& board);
// The book's code of a coordinate move on that board (castling as the king
// taking its rook); 0 for a text that is no move.
std::uint16_t BookMoveCode(const std::string& coord, const Board& board);

// The key of the position after ply `ply` of the line on the board.
std::uint64_t PositionKey(const GameState& game, int ply);

// The order a book keeps: by key, the heaviest move first within a key.
void SortBookEntries(std::vector<BookEntry>& entries);
// Writes the entries, sorted, as a book: the whole file or, on failure,
// nothing (false with a message naming the file).
bool WriteBook(const std::string& fileName, std::vector<BookEntry> entries, std::string& error);

// A weight fitted into 16 bits: every weight of a set (a position's moves)
// by the same factor when the largest does not fit; above 0 stays above 0.
std::uint16_t ScaledWeight(long weight, long largest);

}  // namespace vorlik
