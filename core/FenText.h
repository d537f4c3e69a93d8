// The board part of a FEN text, read and written.
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

// The fixed fields this program writes after the board.
inline const char* FenSideText(bool blackToMove) { return blackToMove ? " b - - 0 1" : " w - - 0 1"; }

}  // namespace vorlik
