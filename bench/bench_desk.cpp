// The postal desk of a player with 200 games in progress in 20 files (half
// CSV with every postal box filled in, half PGN), each game with its own
// control and leave in the desk settings: how long opening and ranking the
// desk takes. The files are generated from a seed into a temporary folder.
#include "GameGenerator.h"

#include "core/GameText.h"
#include "core/MoveCommit.h"
#include "records/KifuFormat.h"
#include "records/KifuStore.h"
#include "records/PostalDesk.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace vorlik;
using Clock = std::chrono::steady_clock;

constexpr double kGoalSeconds = 0.5;
constexpr int kFiles = 20;
constexpr int kGamesPerFile = 10;
constexpr int kRounds = 5;
const char kMe[] = "佐藤 一郎";
const int kToday = DaysFromCivil(2026, 6, 1);

// "25/9/1" as White writes it, "9/1" as Black does.
std::string BoxDateText(int day, bool withYear)
{
    const CivilDate date = CivilFromDays(day);
    const std::string text = ShortDate(date.year, date.month, date.day);
    return withYear ? text : text.substr(text.find('/') + 1);
}

// The boxes as a player fills them: received, sent, the days between;
// White writes the year, Black leaves it out.
void FillBoxes(GameState& game, std::mt19937& random, int firstDay)
{
    int received = firstDay;
    for (int ply = 1; ply <= game.LastPly; ++ply) {
        const int sent = received + static_cast<int>(random() % 6);
        game.KifuNote[2][ply] = BoxDateText(received, IsWhitePly(ply));
        game.KifuNote[3][ply] = BoxDateText(sent, IsWhitePly(ply));
        game.KifuNote[4][ply] = std::to_string(sent - received);
        received = sent + 2 + static_cast<int>(random() % 5);
    }
}

// A game of 20 to 120 plies of a generated one.
std::unique_ptr<GameState> PlayedGame(const GameTokens& tokens, std::mt19937& random)
{
    auto game = std::make_unique<GameState>();
    ResetGame(*game);
    SetStartPosition(*game);
    const std::size_t plies = std::min<std::size_t>(tokens.size(), 20 + random() % 101);
    for (std::size_t k = 0; k < plies; ++k) {
        if (!CommitMove(*game, tokens[k]))
            break;
    }
    return game;
}

// Writes the files and the settings; returns the plies written.
long WriteDesk(const std::string& folder, std::uint64_t seed)
{
    const std::vector<GameTokens> games = GenerateRandomGames(seed, kFiles * kGamesPerFile);
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    DeskSettings settings;
    settings.control = {10, 50};
    long plies = 0;
    for (int f = 0; f < kFiles; ++f) {
        const bool csv = f % 2 == 0;
        const std::string file = "desk" + std::to_string(f + 1) + (csv ? ".csv" : ".pgn");
        std::string text;
        for (int g = 0; g < kGamesPerFile; ++g) {
            const std::unique_ptr<GameState> game = PlayedGame(games[f * kGamesPerFile + g], random);
            // Begun so long ago that its last card went off lately.
            const int firstDay = kToday - 7 * game->LastPly - static_cast<int>(random() % 20);
            FillBoxes(*game, random, firstDay);
            plies += game->LastPly;
            GameHeader header;
            const std::string opponent = "Opponent " + std::to_string(f * kGamesPerFile + g + 1);
            const bool white = g % 2 == 0;
            header.Field = {"", "Bench Cup " + std::to_string(f + 1), "Post", BoxDateText(firstDay, true),
                            std::to_string(g + 1), white ? kMe : opponent, white ? opponent : kMe, "*"};
            text += "\r\n";
            for (const std::string& line : csv ? WriteCsvGame(*game, header, false) : WritePgnGame(*game, header, false))
                text += line + "\r\n";
            DeskGameSettings& own = settings.games.emplace_back();
            own.key = {file, header.Field[5], header.Field[6], header.Field[1], header.Field[3], header.Field[4], g + 1};
            own.control = {10, 30};
            own.leave.white.push_back({firstDay + 30, firstDay + 44});
        }
        std::string bytes, error;
        if (!EncodeText(text, TextEncoding::Cp932, bytes) || !WriteFileAtomically(folder + "/" + file, bytes, error))
            throw std::runtime_error("cannot write " + file + ": " + error);
    }
    std::string error;
    if (!WriteDeskSettings(folder, settings, error))
        throw std::runtime_error(error);
    return plies;
}

}  // namespace

int main(int argc, char** argv)
{
    std::uint64_t seed = 19;
    bool keep = false;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--seed") == 0 && k + 1 < argc)
            seed = std::strtoull(argv[++k], nullptr, 10);
        else if (std::strcmp(argv[k], "--keep") == 0)
            keep = true;
        else {
            std::fprintf(stderr, "usage: bench-desk [--seed S] [--keep]\n");
            return 2;
        }
    }
    char pattern[] = "/tmp/vorlik-bench-desk-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (!folder) {
        std::perror("mkdtemp");
        return 2;
    }
    const long plies = WriteDesk(folder, seed);
    const DeskRequest request{folder, kMe, kToday, {}};
    std::vector<double> seconds;
    std::size_t rows = 0;
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        const Desk desk = OpenDesk(request);
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        rows = desk.rows.size();
    }
    const double first = seconds.front();
    std::sort(seconds.begin(), seconds.end());
    std::printf("desk: %zu games in progress of %d files (%ld plies), opened and ranked\n", rows, kFiles, plies);
    std::printf("  first %.3f s, median %.3f s of %d (goal under %.1f s): %s\n", first, seconds[kRounds / 2], kRounds,
                kGoalSeconds, seconds[kRounds / 2] < kGoalSeconds && first < kGoalSeconds ? "ok" : "MISSED");
    if (keep)
        std::printf("  files kept in %s\n", folder);
    else
        std::filesystem::remove_all(folder);
    return 0;
}
