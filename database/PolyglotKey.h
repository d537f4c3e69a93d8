// The Polyglot book key of a position: the 64-bit Zobrist hash of the
// Polyglot opening-book format, so that the database and opening books share
// one key. Plain C++ over the record's boards.
#pragma once

#include "core/ModuleMekDim.h"

#include <cstdint>
#include <vector>

namespace vorlik {

// What makes a position besides its squares: the side to move, the castling
// rights still held (CastlingRight bits) and the file of a pawn that has just
// made a double step (0 when none).
struct PositionState {
    bool whiteToMove = true;
    int castling = kAllCastling;
    int passedFile = 0;
};

// The book format's 781 random numbers: 64 per piece kind (black pawn 0,
// white pawn 1, ... white king 11) by square, castling at 768, the passed
// file at 772, White to move at 780.
const std::uint64_t* PolyglotRandom();

// The key of the position. The passed file counts only when a pawn of the
// side to move stands beside the pawn that passed, as the book format has it.
std::uint64_t PolyglotKey(const Board& board, const PositionState& state);

// One position of a record's main line: its key, its ply, and the move
// played from it (0 for the last position). A move is from * 64 + to
// (square = 8 * (rank - 1) + file - 1) plus the promotion piece (n 1, b 2,
// r 3, q 4) times 4096.
struct LinePosition {
    std::uint64_t key = 0;
    int ply = 0;
    int move = 0;
};

// The positions of the record's main line, from its start to ply LastPly, in
// order; a game that starts with Black starts at ply 1.
std::vector<LinePosition> MainLinePositions(const GameState& game);

// The state of the position after ply `ply` of the main line, castling
// rights followed from the start (a king or rook that left its square loses
// them) and the passed file from the ply's own move.
PositionState StateAfter(const GameState& game, int ply, int castlingBefore);

// Encodes a coordinate move ("e2e4", "e7e8q"); 0 for a text that is none.
int EncodeMove(const std::string& coord);
// The coordinate text of an encoded move.
std::string DecodeMove(int move);

}  // namespace vorlik
