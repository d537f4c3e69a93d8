// The end of a game by rule at a position of the record, for the window to
// tell the player and to write the result.
#pragma once

#include "ModuleMekDim.h"

namespace vorlik {

enum class GameEnd {
    None,
    WhiteMates,
    BlackMates,
    Stalemate,
    Repetition,  // the same position for the third time
    FiftyMoves,  // 100 plies without a capture or a pawn move
    NoMaterial,  // neither side has the pieces to mate
};

// How the game stands in the position after ply `ply`: the side to move is
// mated when its king is attacked and it has no legal move, stalemated when
// its king is not attacked and it has none. A side without a king is neither.
// Then the draws: no mating material left (bare kings, a king with one
// knight or bishop against a bare king, or only bishops on squares of one
// colour), the third occurrence of the position with the same side to move,
// castling rights and capture in passing, or 100 plies without a capture or
// a pawn move (a FEN start's clock counts on). Mate comes first: a mate on
// the hundredth ply wins.
GameEnd GameEndAt(const GameState& game, int ply);
inline GameEnd GameEndAfter(const GameState& game) { return GameEndAt(game, game.LastPly); }

// A draw the players may agree to play on from (every end but mate and stalemate).
inline bool IsDrawByRule(GameEnd end)
{
    return end == GameEnd::Repetition || end == GameEnd::FiftyMoves || end == GameEnd::NoMaterial;
}

// The result as written in CombKekka and in files: "1-0", "0-1", "1/2-1/2";
// "" for a game that goes on.
const char* GameEndResult(GameEnd end);

// What the player is told, in one sentence; "" for a game that goes on.
const char* GameEndText(GameEnd end);

}  // namespace vorlik
