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
};

// Reads the board (up to the first space) and the side to move (the next
// character: "w" White, anything else Black) into board and blackToMove.
// Squares the text does not name keep their contents. Nothing is changed when
// the text is refused.
FenError ReadFenText(const std::string& text, Board& board, bool& blackToMove);

// A Japanese sentence for the user saying what is wrong.
std::string FenErrorText(FenError error);

// Ranks 8 down to 1 separated by "/", runs of empty squares as one digit.
std::string WriteFenBoard(const Board& board);

// The whole FEN text of the position after ply `ply` of the record: the board,
// the side to move (Black after an odd ply), the castling rights of kings and
// rooks that never left their squares since ply 0, the square a pawn passed in
// a double step on that ply (whether or not a pawn can take it), the plies
// since the last capture or pawn move, and the move number.
std::string WriteFenText(const GameState& game, int ply);

// The FEN text of the start of the record (ply 0), with Black to move when the
// game starts with Black: castling rights for every king and rook on its home
// square, no passed square, the clock 0 and move 1.
std::string WriteStartFen(const GameState& game);

}  // namespace vorlik
