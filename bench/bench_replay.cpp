// Replays a seeded set of random legal games, written in short notation,
// through the commit gate and prints plies per second. When pgn-extract is
// installed it validates the same games as PGN, for comparison.
#include "GameGenerator.h"

#include "core/MoveCommit.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

using namespace vorlik;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Plays every game from the start; returns the plies accepted, or -1 when a
// token was refused (the games are legal, so that is a fault).
long ReplayAll(GameState& game, const std::vector<GameTokens>& games)
{
    long plies = 0;
    for (const GameTokens& tokens : games) {
        ResetGame(game);
        SetStartPosition(game);
        for (const std::string& token : tokens) {
            if (!CommitMove(game, token)) {
                std::fprintf(stderr, "refused %s at ply %d\n", token.c_str(), game.CurPly + 1);
                return -1;
            }
            ++plies;
        }
    }
    return plies;
}

double TimePgnExtract(const std::string& pgnPath)
{
    const char* tool = "/usr/games/pgn-extract";
    if (std::system((std::string("test -x ") + tool).c_str()) != 0)
        return -1;
    const std::string command = std::string(tool) + " -s -o /dev/null " + pgnPath;
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv)
{
    int count = 10000;
    unsigned long long seed = 20261208;
    for (int k = 1; k + 1 < argc; k += 2) {
        const std::string option = argv[k];
        if (option == "--games")
            count = std::atoi(argv[k + 1]);
        else if (option == "--seed")
            seed = std::strtoull(argv[k + 1], nullptr, 10);
    }

    auto start = Clock::now();
    const std::vector<GameTokens> games = GenerateRandomGames(seed, count);
    std::printf("generated %d games (seed %llu) in %.1f s\n", count, seed, SecondsSince(start));

    auto game = std::make_unique<GameState>();
    double best = 1e9;
    long plies = 0;
    for (int round = 0; round < 3; ++round) {
        start = Clock::now();
        plies = ReplayAll(*game, games);
        if (plies < 0)
            return 1;
        best = std::min(best, SecondsSince(start));
    }
    const double rate = plies / best;
    std::printf("vorlik commit gate: %ld plies in %.3f s = %.0f plies/s (best of 3)\n", plies, best, rate);

    const std::string pgnPath = "/tmp/vorlik-bench-replay.pgn";
    std::ofstream(pgnPath, std::ios::binary) << GamesToPgn(games);
    const double extractSeconds = TimePgnExtract(pgnPath);
    if (extractSeconds > 0)
        std::printf("pgn-extract -s: %ld plies in %.3f s = %.0f plies/s; vorlik is %.2f x as fast\n", plies,
                    extractSeconds, plies / extractSeconds, rate / (plies / extractSeconds));
    else
        std::printf("pgn-extract not available for comparison\n");
    return 0;
}
