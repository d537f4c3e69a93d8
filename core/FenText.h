// FEN texts: the board and side read, the whole text written from the record.
#pragma once

#include "ModuleMekDim.h"

#include <string>

namespace vorlik {

enum class FenError {
    None,
    BadCharacter,  // neither a piece letter, a digit 1..8 nor "/"
    RankTooLong,   // more than eight squares in a rank
    TooManyRanks,  // a ninth rank
    NoSide,        // no side to move after the board
    BadCastling,   // the castling field is neither "-" nor made of K, Q, k, q
    BadPassedSquare,  // the capture-in-passing field is neither "-" nor a square
    BadCounter,    // the half-move clock or the move number is no number
    NoKing,        // a side without its king
    TwoKings,      // a side with more than one king
    MoverInCheck,  // the side that has just moved stands in check
};

// Reads the board (up to the first space) and the side to move (the next
// character: "w" White, anything else Black) into board and blackToMove.
// Squares the text does not name keep their contents. Nothing is changed when
// the text is refused. When rights is given it receives the fields after the
// side: castling (a right only where king and rook stand on their home
// squares), the square passed in a double step (only where the pawn that
// passed it stands), the half-move clock and the move number; fields the text
// leaves out are as at the standard start.
FenError ReadFenText(const std::string& text, Board& board, bool& blackToMove, StartRights* rights = nullptr);

// A position that can be played on and handed to an engine: one king a side,
// and the side that has just moved not in check (engines crash on others).
FenError CheckFenPosition(const Board& board, bool blackToMove);

// A Japanese sentence for the user saying what is wrong.
std::string FenErrorText(FenError error);

// Ranks 8 down to 1 separated by "/", runs of empty squares as one digit.
std::string WriteFenBoard(const Board& board);

// The whole FEN text of the position after ply `ply` of the record: the board,
// the side to move (Black after an odd ply), the castling rights the start
// gave to kings and rooks that never left their squares since, the square a
// pawn passed in a double step on that ply (whether or not a pawn can take
// it), the plies since the last capture or pawn move, and the move number,
// both counted on from the start's.
std::string WriteFenText(const GameState& game, int ply);

// Plies since the last capture or pawn move before the position after ply
// `ply`, counted on from the start's clock when there was none in the record.
int HalfMoveClock(const GameState& game, int ply);

// The FEN text of the start of the record, with Black to move when the game
// starts with Black: what a FEN reader reads back as the same start.
std::string WriteStartFen(const GameState& game);

}  // namespace vorlik
