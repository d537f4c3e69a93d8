// Editing a position on the board: the set-up rules. The position being
// edited is ViewBoard; ViewBoard[0][0] holds the piece in hand while it is
// dragged from the palette or from a square.
#pragma once

#include "ModuleMekDim.h"

namespace vorlik {

// ViewBoard becomes the position on the board; nothing in hand.
void BeginSetup(GameState& game);
// Lifts the piece of a square into the hand; false (and nothing changes) on
// an empty square.
bool SetupPickUp(GameState& game, int file, int rank);
// Takes a palette piece into the hand.
void SetupTake(GameState& game, char piece);
// Puts the piece in hand on a square, replacing what stood there; false
// when nothing is in hand.
bool SetupDrop(GameState& game, int file, int rank);
// The piece in hand is gone (dropped off the squares).
void SetupDiscard(GameState& game);
// Empties the 64 squares; with start, then the standard start position.
void SetupFill(GameState& game, bool start);
// Exactly one white and one black king: the only rule a set-up position obeys.
bool SetupKingsValid(const GameState& game);
// The edited position as a board.
Board SetupPosition(const GameState& game);
// The letter on a square of ViewBoard, 0 for an empty one.
char SetupSquare(const GameState& game, int file, int rank);

}  // namespace vorlik
