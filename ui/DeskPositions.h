// The player's own games in progress on the postal desk, found by position:
// every position of each game's main line under its book key, so that the
// reference panel names the desk's games that reached the position on the
// board, by whatever move order, and the move played there.
#pragma once

#include "core/GameText.h"
#include "records/PostalDesk.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorlik {

// A desk game that reached a position.
struct DeskMatch {
    DeskPlace place;
    std::string opponent;
    bool meWhite = true;
    int moveNumber = 0;  // of the move played from the position (or to be played)
    std::array<std::string, 5> move;  // its texts by notation (1..4); empty: the game stands there
};

class DeskPositions {
public:
    // Reads the desk's games in progress of the player `me` in folder.
    static DeskPositions Build(const std::string& folder, const std::string& me);

    // The desk games that reach the position, each once, in the desk's order.
    std::vector<DeskMatch> Find(std::uint64_t key) const;
    std::size_t Games() const { return games_; }

private:
    std::vector<DeskMatch> matches_;
    std::unordered_multimap<std::uint64_t, std::size_t> byKey_;  // into matches_
    std::size_t games_ = 0;
};

// "進行中: 加藤 (白) 23手目 Nf3", the move in the notation asked.
std::string DeskMatchText(const DeskMatch& match, NotationStyle notation);

}  // namespace vorlik
