// Seeded PGN files for the file benchmarks: random legal games that open with
// well-known lines (so that a position search finds many games) and last
// 40 to 160 plies, written in this program's own layout and in the
// single-blank layout that other chess programs write.
#pragma once

#include <cstdint>
#include <string>

namespace vorlik {

// The texts of one set of games, UTF-8. Either layout can be skipped.
struct BenchTexts {
    // This program's layout: CR LF, one empty line before each game, seven
    // tags, the moves two blanks after White's move, six moves a line.
    std::string vorlik;
    // Other programs' layout: LF, tags in their own order and beyond the seven,
    // "1. e4 e5 2. Nf3" with single blanks, lines up to 79 columns, now and
    // then a comment or an annotation glyph.
    std::string single;
    int games = 0;
    long plies = 0;
};

enum class BenchLayout { Vorlik, Single, Both };

// Plays `games` games from `seed`; the same seed gives the same bytes.
// Throws std::runtime_error when a book move is refused (a fault in the rules).
BenchTexts MakeBenchTexts(int games, std::uint64_t seed, BenchLayout layout);

// `games` random games (the main lines of GenerateRandomGames, cut to 100
// plies) with a comment on most moves, marks on some and a variation of one
// to four moves on about half of them, some with a variation inside, as
// this program writes them: a PGN file, UTF-8 with LF ends.
std::string MakeAnnotatedBenchText(int games, std::uint64_t seed);

}  // namespace vorlik
