// What the database answers about one position, from its index alone: the
// tree of moves played from it, and the games that reach it.
#pragma once

#include "GameDatabase.h"
#include "GameTexts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlik {

// Filters of a tree or a game list; zero or empty means none.
struct QueryFilter {
    std::string player;   // has the move in the position: as written, or its first letters
    int yearFrom = 0, yearTo = 0;
    int minElo = 0;       // of the side to move
    std::string ecoFrom, ecoTo;  // games only: "A00", "E99"
};

// The games that played one move from the position (move 0: ended there).
struct MoveTally {
    int move = 0;
    long games = 0, whiteWins = 0, draws = 0, blackWins = 0;
    long eloSum = 0, eloCount = 0;           // the side to move's ratings
    long opponentSum = 0, opponentCount = 0;  // the opponents' ratings, where known
    long pointsAgainstRated = 0;              // half points of the side to move in those games
    int lastYear = 0;
};

struct TreeAnswer {
    long total = 0, whiteWins = 0, draws = 0, blackWins = 0;
    std::vector<MoveTally> moves;  // most games first (ties in the order of their squares); games that ended there are not among them
};

// The tree of the position with this key and side to move: its ready tree
// when it has one and no filter is asked, else counted from its rows in the
// index. False with a message when the database cannot be read.
bool QueryTree(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter,
               TreeAnswer& answer, std::string& error);
// The same, always counted from the rows.
bool ScanTree(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter,
              TreeAnswer& answer, std::string& error);
// After an import's positions went into the index: the ready trees of the
// positions it may have changed, counted again (those of enough games kept).
bool RefreshReadyTrees(GameDatabase& database, std::string& error);

// The side to move's score in per cent over the games with a result, its average rating and its
// performance (the opponents' average plus the rating difference the score
// stands for); -1 where no rating is known.
double ScorePercent(const MoveTally& tally, bool whiteToMove);
int AverageElo(const MoveTally& tally);
int Performance(const MoveTally& tally);

struct GameRow {
    std::int64_t id = 0;
    std::string white, black, result, date, event;
    int ply = 0;  // where it first reaches the position
};

// The games reaching the position, newest first.
bool QueryGames(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter, long limit,
                long offset, std::vector<GameRow>& rows, std::string& error);

}  // namespace vorlik
