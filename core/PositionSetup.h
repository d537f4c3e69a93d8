// Editing a position on the board: the set-up rules, on a grid of their own
// apart from the record.
#pragma once

#include "ModuleMekDim.h"

#include <array>
#include <string>

namespace vorlik {

// The position being edited, a piece letter or "" on each square, and the
// piece in hand while it is dragged from the palette or from a square.
struct SetupGrid {
    std::array<std::array<std::string, 9>, 9> squares;  // [file][rank], both 1..8
    std::string hand;
};

// The grid becomes the position `board`; nothing in hand.
void BeginSetup(SetupGrid& grid, const Board& board);
// Lifts the piece of a square into the hand; false (and nothing changes) on
// an empty square.
bool SetupPickUp(SetupGrid& grid, int file, int rank);
// Takes a palette piece into the hand.
void SetupTake(SetupGrid& grid, char piece);
// Puts the piece in hand on a square, replacing what stood there; false
// when nothing is in hand.
bool SetupDrop(SetupGrid& grid, int file, int rank);
// The piece in hand is gone (dropped off the squares).
void SetupDiscard(SetupGrid& grid);
// Empties the 64 squares; with start, then the standard start position.
void SetupFill(SetupGrid& grid, bool start);
// Exactly one white and one black king: the only rule a set-up position obeys.
bool SetupKingsValid(const SetupGrid& grid);
// The edited position as a board.
Board SetupPosition(const SetupGrid& grid);
// The letter on a square of the grid, 0 for an empty one.
char SetupSquare(const SetupGrid& grid, int file, int rank);

}  // namespace vorlik
