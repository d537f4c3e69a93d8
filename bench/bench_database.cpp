// bench-database: the reference database against Scid on the same PGN file.
// Generates games from a seed (a tree of a few thousand opening lines, some
// reached by two move orders, then random legal play), imports them with
// `vorlik-kifu db import` and with Scid's `sc_base import`, and prints the
// import rates, the tree time per position (warm, one process) beside Scid's
// board search and tree, the first 100 games, the file sizes, the memory, and
// the tree's counts against a count made while the games were played.
#include "bench/GameGenerator.h"
#include "core/FenText.h"
#include "session/GameSession.h"
#include "database/PolyglotKey.h"
#include "database/PositionQuery.h"
#include "records/PgnMoveText.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>
#include <unordered_map>

extern char** environ;

namespace {

using namespace vorlik;

using Line = std::vector<std::string>;  // coordinate moves

constexpr int kChunk = 1000;  // games generated from one seed, so threads never change the file

// The tree of opening lines: each line extends an earlier one by one to four
// plies; now and then a line is played again with two of one side's moves
// swapped, reaching the same position by another order.
std::vector<Line> OpeningLines(std::uint64_t seed, int count)
{
    std::mt19937_64 random(seed);
    std::vector<Line> lines{Line{}};
    GameSession window;
    while (static_cast<int>(lines.size()) < count) {
        const Line& parent = lines[random() % lines.size()];
        if (parent.size() > 18)
            continue;
        window.NewRecord();
        for (const std::string& move : parent)
            window.CommitMove(move);
        Line line = parent;
        const int extra = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < extra; ++k) {
            std::vector<std::string> moves = LegalMoves(window.Game());
            if (moves.empty())
                break;
            // Popular moves: the first few of the list far more often.
            const std::size_t pick = std::min<std::size_t>(moves.size() - 1, random() % 3 == 0 ? random() % moves.size() : random() % 4);
            window.CommitMove(moves[pick]);
            line.push_back(moves[pick]);
        }
        lines.push_back(line);
        if (line.size() >= 4 && random() % 4 == 0) {
            Line swapped = line;
            const std::size_t a = random() % (line.size() - 2);
            std::swap(swapped[a], swapped[a + 2]);
            window.NewRecord();
            bool legal = true;
            for (const std::string& move : swapped)
                legal = legal && (window.CommitMove(move) == MoveVerdict::Legal);
            if (legal && window.Game().KifuBoard[window.Game().CurPly] == [&] {
                    GameSession again;
                    again.NewRecord();
                    for (const std::string& move : line)
                        again.CommitMove(move);
                    return again.Game().KifuBoard[again.Game().CurPly];
                }())
                lines.push_back(swapped);
        }
    }
    return lines;
}

// What a sampled position's count made by replay holds: games and per move.
struct Tally {
    long total = 0;
    std::map<int, long> moves;
};
using Tallies = std::unordered_map<std::uint64_t, Tally>;

void TallyGame(const GameState& game, Tallies& tallies)
{
    std::vector<std::uint64_t> seen;
    for (const LinePosition& position : MainLinePositions(game)) {
        if (std::find(seen.begin(), seen.end(), position.key) != seen.end())
            continue;
        seen.push_back(position.key);
        const auto found = tallies.find(position.key);
        if (found == tallies.end())
            continue;
        ++found->second.total;
        if (position.move)
            ++found->second.moves[position.move];
    }
}

// One chunk of games as PGN text, tallied for the sampled keys.
std::string MakeChunk(const std::vector<Line>& lines, std::uint64_t seed, int chunk, int games, Tallies* tallies,
                      std::vector<std::vector<Line>>* keep)
{
    std::mt19937_64 random(seed * 1000003 + static_cast<std::uint64_t>(chunk));
    std::string text;
    GameSession window;
    const char* results[] = {"1-0", "1/2-1/2", "0-1"};
    for (int g = 0; g < games; ++g) {
        window.NewRecord();
        // Zipf-like: a few lines carry most games.
        const double u = std::uniform_real_distribution<double>(0, 1)(random);
        const std::size_t which = static_cast<std::size_t>(std::pow(u, 3) * static_cast<double>(lines.size()));
        Line played = lines[std::min(which, lines.size() - 1)];
        for (const std::string& move : played)
            window.CommitMove(move);
        const int length = static_cast<int>(played.size()) + 20 + static_cast<int>(random() % 80);
        while (window.Game().CurPly < length) {
            const std::vector<std::string> moves = LegalMoves(window.Game());
            if (moves.empty())
                break;
            const std::string& move = moves[random() % moves.size()];
            window.CommitMove(move);
            played.push_back(move);
        }
        const GameState& game = window.Game();
        const std::string result = results[random() % 3];
        const int number = chunk * kChunk + g + 1;
        std::ostringstream pgn;
        pgn << "[Event \"Bench " << number % 97 << "\"]\n[Site \"Net\"]\n[Date \"" << 1990 + random() % 36 << "."
            << 1 + random() % 12 << "." << 1 + random() % 28 << "\"]\n[Round \"" << 1 + random() % 9
            << "\"]\n[White \"Player " << random() % 5000 << "\"]\n[Black \"Player " << random() % 5000
            << "\"]\n[Result \"" << result << "\"]\n[WhiteElo \"" << 1800 + random() % 900 << "\"]\n[BlackElo \""
            << 1800 + random() % 900 << "\"]\n\n";
        std::string moves;
        for (int ply = 1; ply <= game.LastPly; ++ply) {
            if (ply % 2 == 1)
                moves += std::to_string((ply + 1) / 2) + ". ";
            moves += PgnMove(game.KifuShort[ply]) + " ";
        }
        pgn << moves << result << "\n\n";
        text += pgn.str();
        if (tallies)
            TallyGame(game, *tallies);
        if (keep)
            keep->back().push_back(played);
    }
    return text;
}

struct ChildRun {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system: on a shared machine the wall time also counts the others' work
    long maxRssKb = 0;
    int status = -1;
};

// Runs a program, its output into outFile; the wall time and its peak memory.
ChildRun RunChild(const std::vector<std::string>& args, const std::string& outFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (outFile + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.maxRssKb = usage.ru_maxrss;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

long PeakRssKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

struct Probe {
    std::string name;
    Line moves;
    std::uint64_t key = 0;
    bool whiteToMove = true;
    std::string fen;
};

Probe MakeProbe(const std::string& name, const Line& moves)
{
    GameSession window;
    window.NewRecord();
    Probe probe{name, {}, 0, true, {}};
    for (const std::string& move : moves) {
        if (window.CommitMove(move) != MoveVerdict::Legal)
            break;
        probe.moves.push_back(move);
    }
    probe.key = MainLinePositions(window.Game()).back().key;
    probe.whiteToMove = window.Game().LastPly % 2 == 0;
    probe.fen = WriteFenText(window.Game(), window.Game().CurPly);
    return probe;
}

double Millis(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

// The CPU this thread has used, in ms: on a shared machine the wall time also counts the others' work.
double CpuMillis()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is known
    int games = 1000000;
    std::uint64_t seed = 1;
    bool keep = false, scid = true;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--games" && k + 1 < argc)
            games = std::atoi(argv[++k]);
        else if (arg == "--seed" && k + 1 < argc)
            seed = std::strtoull(argv[++k], nullptr, 10);
        else if (arg == "--keep")
            keep = true;
        else if (arg == "--no-scid")
            scid = false;
        else {
            std::fprintf(stderr, "usage: bench-database [--games N] [--seed S] [--keep] [--no-scid]\n");
            return 2;
        }
    }
    QTemporaryDir folder(QDir::tempPath() + "/bench-database-XXXXXX");
    folder.setAutoRemove(!keep);
    const std::string dir = folder.path().toStdString();
    const std::string pgn = dir + "/games.pgn", vdb = dir + "/games.vdb";
    std::printf("bench-database: %d games, seed %llu, folder %s\n", games, static_cast<unsigned long long>(seed),
                dir.c_str());

    // ---- the games, and the positions asked about ----
    QElapsedTimer timer;
    timer.start();
    const std::vector<Line> lines = OpeningLines(seed, 3000);
    std::vector<std::vector<Line>> firstGames(1);
    const int chunks = (games + kChunk - 1) / kChunk;
    std::ofstream out(pgn, std::ios::binary);
    out << MakeChunk(lines, seed, 0, std::min(games, kChunk), nullptr, &firstGames);

    std::mt19937_64 random(seed + 7);
    std::vector<Probe> probes{MakeProbe("start", {})};
    for (int k = 0; k < 20; ++k)  // common openings: the most played lines, at their ends
        probes.push_back(MakeProbe("opening", lines[1 + k * 3]));
    for (int k = 0; k < 10; ++k) {  // rare middlegame positions of played games
        const Line& game = firstGames[0][random() % firstGames[0].size()];
        const std::size_t ply = std::min<std::size_t>(game.size(), 30 + random() % 10);
        probes.push_back(MakeProbe("rare", Line(game.begin(), game.begin() + static_cast<long>(ply))));
    }
    for (int k = 0; k < 8; ++k) {  // absent: lines no game is likely to play
        GameSession window;
        window.NewRecord();
        Line moves;
        for (int p = 0; p < 14; ++p) {
            const std::vector<std::string> legal = LegalMoves(window.Game());
            moves.push_back(legal[random() % legal.size()]);
            window.CommitMove(moves.back());
        }
        probes.push_back(MakeProbe("absent", moves));
    }
    // The sample checked against a count by replay: the probes, and positions of played games.
    Tallies sample;
    for (const Probe& probe : probes)
        sample[probe.key];
    while (sample.size() < 100) {
        const Line& game = firstGames[0][random() % firstGames[0].size()];
        sample[MakeProbe("sample", Line(game.begin(), game.begin() + static_cast<long>(random() % game.size()))).key];
    }
    {
        GameSession window;
        for (const Line& game : firstGames[0]) {
            window.NewRecord();
            for (const std::string& move : game)
                window.CommitMove(move);
            TallyGame(window.Game(), sample);
        }
    }
    // The other chunks, two at a time, written in order.
    std::mutex lock;
    int nextChunk = 1, written = 1;
    std::map<int, std::string> done;
    auto worker = [&] {
        Tallies own = sample;
        for (auto& entry : own)
            entry.second = Tally{};
        for (;;) {
            int chunk = 0;
            {
                std::lock_guard<std::mutex> guard(lock);
                chunk = nextChunk++;
            }
            if (chunk >= chunks)
                break;
            std::string text = MakeChunk(lines, seed, chunk, std::min(kChunk, games - chunk * kChunk), &own, nullptr);
            std::lock_guard<std::mutex> guard(lock);
            done[chunk] = std::move(text);
            while (done.count(written)) {
                out << done[written];
                done.erase(written++);
            }
        }
        std::lock_guard<std::mutex> guard(lock);
        for (auto& [key, tally] : own) {
            sample[key].total += tally.total;
            for (const auto& [move, count] : tally.moves)
                sample[key].moves[move] += count;
        }
    };
    std::thread second(worker);
    worker();
    second.join();
    out.close();
    const double pgnBytes = static_cast<double>(QFileInfo(QString::fromStdString(pgn)).size());
    std::printf("generated %d games (%.0f MB) in %.1f s\n", games, pgnBytes / 1e6, Millis(timer) / 1000);

    // ---- import ----
    const std::string kifu = QCoreApplication::applicationDirPath().toStdString() + "/vorlik-kifu";
    const ChildRun import = RunChild({kifu, "db", "import", vdb, pgn}, dir + "/import.out");
    std::ifstream importOut(dir + "/import.out");
    std::string importLine;
    std::getline(importOut, importLine);
    const double ourRate = games / import.seconds;
    std::printf("vorlik import: %.1f s (CPU %.1f s), %.0f games/s, peak %ld MB, \"%s\" (status %d)\n", import.seconds,
                import.cpuSeconds, ourRate, import.maxRssKb / 1024, importLine.c_str(), import.status);
    const double vdbBytes = static_cast<double>(QFileInfo(QString::fromStdString(vdb)).size());

    // ---- the trees, warm, in this process ----
    GameDatabase database;
    std::string error;
    if (!database.Open(vdb, GameDatabase::Mode::ReadOnly, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    database.KeepFactsInMemory();  // as the window's tree does: it answers many questions
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak from here on
    TreeAnswer answer;
    for (const Probe& probe : probes) {  // warm the cache as a user's session would
        QueryTree(database, probe.key, probe.whiteToMove, {}, answer, error);
        std::vector<GameRow> rows;
        QueryGames(database, probe.key, probe.whiteToMove, {}, 100, 0, rows, error);
    }
    double treeTotal = 0, treeWorst = 0, startTree = 0, gamesWorst = 0, treeCpu = 0, startCpu = 0, gamesCpuWorst = 0;
    std::map<std::string, double> byKind;
    for (const Probe& probe : probes) {
        timer.restart();
        double cpu = CpuMillis();
        QueryTree(database, probe.key, probe.whiteToMove, {}, answer, error);
        const double ms = Millis(timer);
        cpu = CpuMillis() - cpu;
        treeCpu += cpu;
        treeTotal += ms;
        treeWorst = std::max(treeWorst, ms);
        byKind[probe.name] = std::max(byKind[probe.name], ms);
        if (probe.name == "start") {
            startTree = ms;
            startCpu = cpu;
        }
        std::vector<GameRow> rows;
        timer.restart();
        cpu = CpuMillis();
        QueryGames(database, probe.key, probe.whiteToMove, {}, 100, 0, rows, error);
        gamesWorst = std::max(gamesWorst, Millis(timer));
        gamesCpuWorst = std::max(gamesCpuWorst, CpuMillis() - cpu);
    }
    const long answeringMb = PeakRssKb() / 1024;

    // ---- the counts against the replay ----
    int agree = 0;
    for (const auto& [key, tally] : sample) {
        // The side to move decides only the filters' columns, not the counts.
        QueryTree(database, key, true, {}, answer, error);
        bool same = answer.total == tally.total;
        long moves = 0;
        for (const MoveTally& move : answer.moves) {
            const auto found = tally.moves.find(move.move);
            same = same && found != tally.moves.end() && found->second == move.games;
            ++moves;
        }
        same = same && moves == static_cast<long>(tally.moves.size());
        agree += same;
    }

    // ---- Scid on the same file ----
    double scidImport = 0, scidTrees = 0, scidStart = 0, scidBytes = 0;
    long scidAgree = 0;
    if (scid) {
        std::ofstream script(dir + "/scid.tcl");
        script << "proc ::progressCallBack {args} {}\n"
               << "set base [sc_base create " << dir << "/scid]\n"
               << "set t0 [clock microseconds]\nsc_base import $base " << pgn << "\n"
               << "puts \"import [expr {[clock microseconds]-$t0}]\"\nsc_base switch $base\n";
        for (const Probe& probe : probes)
            script << "sc_game new\nsc_game startBoard \"" << probe.fen << "\"\n"
                   << "set t0 [clock microseconds]\nsc_search board RESET Exact false 0\n"
                   << "set s [sc_tree stats $base dbfilter 0 frequency]\n"
                   << "puts \"tree [expr {[clock microseconds]-$t0}] [sc_filter count $base dbfilter]\"\n";
        script << "exit\n";
        script.close();
        const ChildRun run = RunChild({"xvfb-run", "-a", "/usr/games/tkscid", dir + "/scid.tcl"}, dir + "/scid.out");
        std::ifstream scidOut(dir + "/scid.out");
        std::size_t p = 0;
        for (std::string word; scidOut >> word;) {
            double value = 0;
            scidOut >> value;
            if (word == "import")
                scidImport = value / 1e6;
            if (word != "tree")
                continue;
            long count = 0;
            scidOut >> count;
            scidTrees += value / 1e3;
            if (p == 0)
                scidStart = value / 1e3;
            if (p < probes.size()) {
                QueryTree(database, probes[p].key, probes[p].whiteToMove, {}, answer, error);
                scidAgree += answer.total == count;
                if (answer.total != count)
                    std::printf("scid differs: %s %s: ours %ld, Scid's %ld\n", probes[p].name.c_str(),
                                probes[p].fen.c_str(), answer.total, count);
            }
            ++p;
        }
        for (const char* ext : {".si4", ".sg4", ".sn4"})
            scidBytes += static_cast<double>(QFileInfo(QString::fromStdString(dir + "/scid" + ext)).size());
        std::printf("scid: status %d, %zu trees read, whole run %.1f s (CPU %.1f s)\n", run.status, p, run.seconds,
                    run.cpuSeconds);
    }

    std::printf("\n| figure | Vorlik | Scid | ratio | goal |\n|---|---|---|---|---|\n");
    std::printf("| import, games/s | %.0f | %.0f | %.2f | >= 20000 and >= 0.5 x Scid |\n", ourRate,
                scidImport > 0 ? games / scidImport : 0, scidImport > 0 ? ourRate / (games / scidImport) : 0);
    std::printf("| %zu trees, ms in all (CPU) | %.1f (%.1f) | %.1f | %.2f | < 0.5 x Scid |\n", probes.size(), treeTotal,
                treeCpu, scidTrees, scidTrees > 0 ? treeTotal / scidTrees : 0);
    std::printf("| tree of the start, ms (CPU) | %.2f (%.2f) | %.2f | | < 20 |\n", startTree, startCpu, scidStart);
    std::printf("| slowest tree, ms | %.2f (opening %.2f, rare %.2f, absent %.2f) | | | < 20 |\n", treeWorst,
                byKind["opening"], byKind["rare"], byKind["absent"]);
    std::printf("| first 100 games, slowest, ms (CPU) | %.2f (%.2f) | | | < 20 |\n", gamesWorst, gamesCpuWorst);
    std::printf("| file size / PGN | %.2f | %.2f | | <= 1.5 |\n", vdbBytes / pgnBytes, scidBytes / pgnBytes);
    std::printf("| memory answering, MB | %ld | | | <= 500 |\n", answeringMb);
    std::printf("| counts = replay count | %d / %zu | Scid totals equal ours: %ld / %zu | | all |\n", agree,
                sample.size(), scidAgree, probes.size());
    return agree == static_cast<int>(sample.size()) ? 0 : 1;
}
