// A quick reader of a plain PGN main line for import: standard move tokens
// played on a small board of its own, with the Polyglot key of each position
// followed move by move, and none of the four move texts a record keeps.
// Whatever it is not sure of (a token of another form, an illegal or
// ambiguous move, a mark that ends the game early) it hands back, and the
// import reads that game with the file readers instead, so that the same
// games are refused for the same reasons.
#pragma once

#include "PolyglotKey.h"

#include <string_view>
#include <vector>

namespace vorlik {

// Reads the moves of a game from the standard start. True with the positions
// of its main line (as MainLinePositions gives them) when every move token
// was a plain one it could play; false when the readers must decide.
bool ReadPlainMoves(std::string_view moveText, std::vector<LinePosition>& line);

}  // namespace vorlik
