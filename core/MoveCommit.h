// The one gate through which every move enters the record: moves dragged on
// the board, moves from the engine and moves read from files.
#pragma once

#include "KifuTree.h"
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

// What a whole-game review (or any tool) writes on one move of the main line.
struct MoveAnnotation {
    int ply = 0;
    std::string comment;              // the move's whole comment
    std::vector<unsigned char> nags;  // the move's marks
    std::vector<std::string> line;    // a line from the position before the move, added as a variation ("" none)
};
// Writes the annotations into the main line of game; the line and ply shown
// stay. Done, or why the record's tree would not take them (the record may
// then be half written: apply it to a copy).
TreeResult ApplyAnnotations(GameState& game, const std::vector<MoveAnnotation>& marks);

// A new record from the standard start, or from a FEN text when one is given;
// empty when all went well, else why the FEN was refused.
std::string StartRecord(GameState& game, const std::string& fen);
// StartRecord, then the tokens played from there through the gate (a pawn
// reaching the last rank without a letter becomes a queen): the position a
// command works on. Empty when all went well, else what is wrong.
std::string PlayFromStart(GameState& game, const std::string& fen, const std::vector<std::string>& tokens);

}  // namespace vorlik
