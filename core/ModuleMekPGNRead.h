// The move-text parser: turns one move token (Nf3, exd5, e8=Q, O-O, Ng1-f3)
// into the coordinate moves it may stand for. It only resolves squares; the
// rules decide which of them, if any, is legal.
#pragma once

#include "ModuleMekMoveCheck.h"

#include <string>

namespace vorlik {

constexpr int kMaxCandidates = 8;

// The coordinate moves a token may stand for, in the order they are tried.
struct TokenMoves {
    std::string coord[kMaxCandidates];
    int count = 0;
};

// Resolves a token for ply `ply` (odd = White) on board. A token the parser
// cannot place gives no moves.
void TranslateToken(const Board& board, int ply, const std::string& token, TokenMoves& moves);

// Reads TokChar(2..6): sets ToFile, ToRank and, when the token gives them,
// FromFile and/or FromRank (0 when not given). Returns 0 (the from-square in
// full, or no pattern), 1 (destination only), 30 + d (from-file given, d files
// from the destination) or 50 + d (from-rank given, d ranks away).
int ParseTarget(RuleWork& work);

}  // namespace vorlik
