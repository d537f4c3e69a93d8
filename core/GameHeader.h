// The game's information: what a file keeps beside the moves.
#pragma once

#include <array>
#include <string>

namespace vorlik {

// The seven fields of a game, numbered as the window's boxes and the files'
// seven tags are.
enum HeaderField { kEvent = 1, kSite, kDate, kRound, kWhite, kBlack, kResult };

// Fields 1..7 are Event, Site, Date, Round, White, Black and Result;
// TextInfoS holds the further tag lines, one per line ("\n" between them).
struct GameHeader {
    std::array<std::string, 8> Field;  // 1..7; 0 unused
    std::string TextInfoS;

    bool operator==(const GameHeader& other) const { return Field == other.Field && TextInfoS == other.TextInfoS; }
    bool operator!=(const GameHeader& other) const { return !(*this == other); }
};

}  // namespace vorlik
