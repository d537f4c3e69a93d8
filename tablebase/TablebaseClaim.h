// The text of a claim to the tournament director from a tablebase result:
// for the clipboard and for the postcard's message space.
#pragma once

#include "Tablebase.h"

#include <string>
#include <vector>

namespace vorlik {

struct TbClaimGame {
    std::string white, black, event;  // the game's header
    std::string fen;                  // the position claimed from
    int moveNumber = 1;               // of the move proposed
    bool whiteToMove = true;
    TbResult result = TbResult::Draw;  // for the side to move, by the tables
    std::string move;                  // the tables' best move, as the move list writes it
    int dtz = 0;                       // of the position, signed from the side to move
};

// The claim's lines, or none when the side to move has nothing to claim (it
// loses). A win drawn by the fifty-move rule is claimed as a draw, and the
// text says why; so is a loss the same rule saves.
std::vector<std::string> TbClaimText(const TbClaimGame& game);

}  // namespace vorlik
