// Mate and stalemate at the end of the record, for the window to tell the
// player and to write the result.
#pragma once

#include "ModuleMekDim.h"

namespace vorlik {

enum class GameEnd { None, WhiteMates, BlackMates, Stalemate };

// How the game stands in the position after ply LastPly: the side to move is
// mated when its king is attacked and it has no legal move, stalemated when
// its king is not attacked and it has none. A side without a king is neither.
// Castling and capture in passing count as the rules read them from the record.
GameEnd GameEndAfter(const GameState& game);

// The result as written in CombKekka and in files: "1-0", "0-1", "1/2-1/2";
// "" for a game that goes on.
const char* GameEndResult(GameEnd end);

}  // namespace vorlik
