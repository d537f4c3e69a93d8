// The one gate through which every move enters the record: moves dragged on
// the board, moves from the engine and moves read from files.
#pragma once

#include "ModuleMekMoveCheck.h"

#include <string>
#include <vector>

namespace vorlik {

// What the gate makes of a move text.
enum class MoveVerdict {
    Legal,
    Illegal,
    Ambiguous,  // a token that more than one piece may legally play ("Nd7" with both knights free to go)
    NoRoom,     // legal, but the record is full (MoveFits tells which limit)
};

// Tries a move text (at most 10 characters) as ply CurPly + 1. A coordinate move
// (e2e4, e7e8q) goes to the rules; anything else is a token for the parser
// first. On success the move enters the tree (PlaceMove): at the end of the
// line the new position and the move's four texts are stored at the new ply
// and CurPly = LastPly = that ply; from an earlier position it follows or
// adds a variation. On refusal the record is untouched. Without askPromotion
// a pawn reaching the last rank without a letter becomes a queen.
bool CommitMove(GameState& game, const std::string& move, const PromotionAsk* askPromotion = nullptr);

// The verdict the gate would give a move text as ply CurPly + 1, without
// committing it: why a move was refused. A pawn reaching the last rank
// without a letter is taken as a queen.
MoveVerdict JudgeMove(const GameState& game, const std::string& text);

// Adds moves (coordinate or short texts) after ply `ply` of the line on the
// board: a move already there is followed, any other becomes an alternative
// (at the end of the line: its continuation). Stops at the first move the
// rules or the tree's limits refuse; the line and the ply shown stay.
// Returns how many moves were placed.
int AddLine(GameState& game, int ply, const std::vector<std::string>& moves);

}  // namespace vorlik
