// Random legal games for benchmarks and tests, deterministic for a seed.
#pragma once

#include "core/ModuleMekDim.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlik {

// Every legal move of the side to move at CurPly, as coordinate texts
// (promotions once per piece: e7e8q, e7e8r, e7e8b, e7e8n).
std::vector<std::string> LegalMoves(const GameState& game);

// One game as the short-notation texts of its plies.
using GameTokens = std::vector<std::string>;

// Plays `count` random games from the standard start, each to mate, stalemate
// or a length drawn between 60 and 400 plies. Castling and promotions are
// taken more often than chance would, so that every rule gets exercised.
std::vector<GameTokens> GenerateRandomGames(std::uint64_t seed, int count);

// The games as PGN, with "O-O" castling as other programs expect.
std::string GamesToPgn(const std::vector<GameTokens>& games);

}  // namespace vorlik
