// Game files of 25,000 games: how long a scan takes, how long a position
// search takes, how much memory a scanned file holds, and how long
// `vorlik-kifu check` takes beside `pgn-extract -s` on the same files.
// The files are generated from a seed into a temporary folder and removed.
#include "KifuBenchFile.h"

#include "core/ModuleMekDim.h"
#include "core/MoveCommit.h"
#include "records/KifuFormat.h"
#include "records/ModuleMekFile.h"
#include "records/TextCodec.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace vorlik;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr double kScanGoal = 0.3;
constexpr double kSearchGoal = 0.05;
constexpr double kMemoryGoalMb = 200;
constexpr double kCheckRatioGoal = 0.5;
constexpr int kRounds = 3;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const char* Verdict(bool met)
{
    return met ? "ok" : "MISSED";
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteWhole(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string LoadAverage()
{
    std::string text = ReadWhole("/proc/loadavg");
    const std::size_t cut = text.find(' ', text.find(' ', text.find(' ') + 1) + 1);
    return text.substr(0, cut);
}

// VmRSS and VmHWM of this process in MB, from /proc/self/status.
struct Memory {
    double rss = 0, hwm = 0;
};
Memory ReadMemory()
{
    std::istringstream status(ReadWhole("/proc/self/status"));
    Memory memory;
    for (std::string line; std::getline(status, line);) {
        const double kb = std::atof(line.c_str() + line.find(':') + 1);
        if (line.rfind("VmRSS:", 0) == 0)
            memory.rss = kb / 1024;
        else if (line.rfind("VmHWM:", 0) == 0)
            memory.hwm = kb / 1024;
    }
    return memory;
}

// A child process: its exit status (-1 when it could not be started or did
// not exit normally), its wall-clock time and what it printed.
struct ChildRun {
    int status = -1;
    double seconds = 0;
    std::string out;
};

ChildRun RunChild(const std::vector<std::string>& args, const std::string& outPath)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ChildRun run;
    const auto start = Clock::now();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return run;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.seconds = SecondsSince(start);
    if (WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    run.out = ReadWhole(outPath);
    return run;
}

// Best wall-clock time of kRounds runs; the last run's status and output.
ChildRun BestOfRuns(const std::vector<std::string>& args, const std::string& outPath)
{
    ChildRun best;
    best.seconds = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        ChildRun run = RunChild(args, outPath);
        if (run.status < 0)
            return run;
        run.seconds = std::min(run.seconds, best.seconds);
        best = std::move(run);
    }
    return best;
}

std::string FindProgram(const std::vector<std::string>& candidates, const char* name)
{
    for (const std::string& path : candidates)
        if (access(path.c_str(), X_OK) == 0)
            return path;
    const char* pathList = std::getenv("PATH");
    std::istringstream dirs(pathList ? pathList : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0)
            return dir + "/" + name;
    return {};
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

struct BenchFile {
    std::string label;
    std::string path;
};

// The child that measures memory: only the scan, in a fresh process, so that
// the generator's and the other measurements' memory does not count.
int MeasureMemory(const std::string& path)
{
    const Memory before = ReadMemory();
    auto file = std::make_unique<KifuFile>();
    const ScanReport report = ScanKifuFile(*file, kKindPgn, path);
    const Memory after = ReadMemory();
    std::printf("%d %.1f %.1f %.1f %.1f %d\n", file->KifuCount, before.rss, before.hwm, after.rss, after.hwm,
                report.ok ? 1 : 0);
    return report.ok ? 0 : 1;
}

void BenchScan(const std::vector<BenchFile>& files)
{
    std::printf("\nScanKifuFile, best of %d (goal %.3f s):\n", kRounds, kScanGoal);
    for (const BenchFile& bench : files) {
        double best = 1e9;
        int count = 0;
        std::string message;
        for (int round = 0; round < kRounds; ++round) {
            auto file = std::make_unique<KifuFile>();
            const auto start = Clock::now();
            const ScanReport report = ScanKifuFile(*file, kKindPgn, bench.path);
            best = std::min(best, SecondsSince(start));
            count = file->KifuCount;
            message = report.ok ? report.message : "failed: " + report.message;
        }
        std::printf("  %-22s %6d games  %.3f s  %s%s%s\n", bench.label.c_str(), count, best,
                    Verdict(best <= kScanGoal), message.empty() ? "" : "  message: ", FirstLine(message).c_str());
    }
}

struct SearchKey {
    const char* label;
    std::vector<std::string> moves;
};

void BenchSearch(const std::vector<BenchFile>& files)
{
    const SearchKey keys[] = {
        {"start position", {}},
        {"2 plies e4 e5", {"e4", "e5"}},
        {"6 plies Ruy Lopez", {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6"}},
    };
    std::printf("\nSearchContinuations, best of %d (goal %.3f s):\n", kRounds, kSearchGoal);
    auto game = std::make_unique<GameState>();
    for (const BenchFile& bench : files) {
        KifuFile scanned;
        ScanKifuFile(scanned, kKindPgn, bench.path);
        for (const SearchKey& key : keys) {
            ResetGame(*game);
            SetStartPosition(*game);
            for (const std::string& move : key.moves) {
                CommitMove(*game, move);
            }
            double best = 1e9;
            SearchResult result;
            for (int round = 0; round < kRounds; ++round) {
                KifuFile file = scanned;  // a search replaces the front rows of the table
                const auto start = Clock::now();
                result = SearchContinuations(file, *game, false);
                best = std::min(best, SecondsSince(start));
            }
            std::printf("  %-22s %-18s %6d matches %3zu moves  %.4f s  %s  %.60s\n", bench.label.c_str(), key.label,
                        result.matches, result.tally.size(), best, Verdict(best <= kSearchGoal),
                        result.TextJo.c_str());
        }
    }
}

void BenchMemory(const std::vector<BenchFile>& files, const std::string& self, const std::string& outPath)
{
    std::printf("\nMemory with the games scanned, each in a fresh process (goal VmHWM < %.0f MB):\n", kMemoryGoalMb);
    for (const BenchFile& bench : files) {
        const ChildRun run = RunChild({self, "--memory", bench.path}, outPath);
        int count = 0, ok = 0;
        double rssBefore = 0, hwmBefore = 0, rssAfter = 0, hwmAfter = 0;
        if (std::sscanf(run.out.c_str(), "%d %lf %lf %lf %lf %d", &count, &rssBefore, &hwmBefore, &rssAfter,
                        &hwmAfter, &ok) != 6) {
            std::printf("  %-22s measurement failed (status %d)\n", bench.label.c_str(), run.status);
            continue;
        }
        std::printf("  %-22s %6d games  VmRSS %.1f -> %.1f MB (+%.1f)  VmHWM %.1f MB  %s\n", bench.label.c_str(),
                    count, rssBefore, rssAfter, rssAfter - rssBefore, hwmAfter, Verdict(hwmAfter < kMemoryGoalMb));
    }
}

void BenchCheck(const std::vector<BenchFile>& files, const std::string& binDir, const std::string& outPath)
{
    std::printf("\nvorlik-kifu check against pgn-extract -s -o /dev/null, wall clock, best of %d "
                "(goal: ratio <= %.2f):\n",
                kRounds, kCheckRatioGoal);
    const std::string kifu = binDir + "/vorlik-kifu";
    const std::string extract = FindProgram({"/usr/games/pgn-extract"}, "pgn-extract");
    if (extract.empty())
        std::printf("  pgn-extract not available (Debian package pgn-extract)\n");
    for (const BenchFile& bench : files) {
        const ChildRun check = BestOfRuns({kifu, "check", bench.path}, outPath);
        // 0: every token read, 1: some refused; anything else is no check verb.
        if (check.status != 0 && check.status != 1) {
            std::printf("  check verb not available (%s exit status %d)\n", kifu.c_str(), check.status);
            return;
        }
        std::printf("  %-22s vorlik-kifu check %.3f s (exit %d: %s)", bench.label.c_str(), check.seconds,
                    check.status, FirstLine(check.out).c_str());
        if (extract.empty()) {
            std::printf("\n");
            continue;
        }
        const ChildRun other = BestOfRuns({extract, "-s", "-o", "/dev/null", bench.path}, outPath);
        if (other.status < 0) {
            std::printf("  pgn-extract failed\n");
            continue;
        }
        const double ratio = check.seconds / other.seconds;
        std::printf("  pgn-extract %.3f s  ratio %.2f  %s\n", other.seconds, ratio, Verdict(ratio <= kCheckRatioGoal));
    }
}

// The annotated file: scan and load every game (read), then write every
// loaded game again (write), best of kRounds each; and pgn-extract reading
// the same file.
void BenchAnnotated(const BenchFile& bench, const std::string& outPath)
{
    std::printf("\nAnnotated games: read (scan + load every game) and write (every game to PGN lines), best of %d:\n",
                kRounds);
    double readBest = 1e9, writeBest = 1e9;
    int games = 0;
    long moves = 0, bytes = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto file = std::make_unique<KifuFile>();
        auto window = std::make_unique<GameState>();
        double read = 0, write = 0;
        auto start = Clock::now();
        ScanKifuFile(*file, kKindPgn, bench.path);
        read += SecondsSince(start);
        games = file->KifuCount;
        moves = bytes = 0;
        for (int g = 1; g <= file->KifuCount; ++g) {
            start = Clock::now();
            LoadKifuGame(*window, *file, kKindPgn, g);
            read += SecondsSince(start);
            moves += TreeMoves(*window);
            start = Clock::now();
            for (const std::string& line : WritePgnGame(*window, window->Header, false))
                bytes += static_cast<long>(line.size()) + 2;
            write += SecondsSince(start);
        }
        readBest = std::min(readBest, read);
        writeBest = std::min(writeBest, write);
    }
    std::printf("  %-22s %6d games %ld moves in their trees; read %.3f s, write %.3f s (%.1f MB)\n",
                bench.label.c_str(), games, moves, readBest, writeBest, bytes / 1e6);
    const std::string extract = FindProgram({"/usr/games/pgn-extract"}, "pgn-extract");
    if (extract.empty()) {
        std::printf("  pgn-extract not available (Debian package pgn-extract)\n");
        return;
    }
    const ChildRun other = BestOfRuns({extract, "-s", "-o", "/dev/null", bench.path}, outPath);
    std::printf("  pgn-extract -s reads it in %.3f s; vorlik's read takes %.2f times as long\n", other.seconds,
                readBest / other.seconds);
}

// Comments in a row, two letters each, after a move and before a variation's
// first move: reading must take time in proportion to the file, so four
// times the comments take about four times as long.
void BenchCommentRuns()
{
    std::printf("\nComments in a row (\"{ab} \" each), scan + load of one game, best of %d:\n", kRounds);
    for (const bool before : {false, true}) {
        double first = 0;
        for (const int count : {75000, 150000, 300000}) {
            std::string text = "[Event \"c\"]\n\n1. e4 ";
            if (before)
                text += "(";
            for (int k = 0; k < count; ++k)
                text += "{ab} ";
            text += before ? "1. d4) *\n" : "*\n";
            double best = 1e9;
            for (int round = 0; round < kRounds; ++round) {
                auto file = std::make_unique<KifuFile>();
                auto window = std::make_unique<GameState>();
                const auto start = Clock::now();
                ScanKifuText(*file, kKindPgn, text);
                LoadKifuGame(*window, *file, kKindPgn, 1);
                best = std::min(best, SecondsSince(start));
            }
            if (first == 0)
                first = best;
            std::printf("  %-28s %7d comments (%.1f MB): %.3f s, %.2f times the first\n",
                        before ? "before a variation's move" : "after a move", count, text.size() / 1e6, best,
                        best / first);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--memory") == 0)
        return MeasureMemory(argv[2]);

    int games = kMaxGames;
    unsigned long long seed = 20261208;
    bool keep = false;
    for (int k = 1; k < argc; ++k) {
        const std::string option = argv[k];
        if (option == "--games" && k + 1 < argc)
            games = std::atoi(argv[++k]);
        else if (option == "--seed" && k + 1 < argc)
            seed = std::strtoull(argv[++k], nullptr, 10);
        else if (option == "--keep")
            keep = true;
        else {
            std::fprintf(stderr, "usage: bench-records [--games N] [--seed S] [--keep]\n");
            return 2;
        }
    }

    std::printf("bench-records: %d games, seed %llu; %ld cores, load average %s\n", games, seed,
                sysconf(_SC_NPROCESSORS_ONLN), LoadAverage().c_str());
    char folderTemplate[] = "/tmp/vorlik-bench-records-XXXXXX";
    if (!mkdtemp(folderTemplate)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = folderTemplate;

    auto start = Clock::now();
    BenchTexts texts = MakeBenchTexts(games, seed, BenchLayout::Both);
    std::string cp932;
    if (!EncodeText(texts.vorlik, TextEncoding::Cp932, cp932)) {
        std::fprintf(stderr, "the generated games hold text CP932 cannot represent\n");
        return 1;
    }
    const BenchFile annotated{"annotated, UTF-8", folder + "/annotated.pgn"};
    const int annotatedGames = std::min(games, 2000);
    if (!WriteWhole(annotated.path, MakeAnnotatedBenchText(annotatedGames, seed))) {
        std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
        return 1;
    }
    std::printf("generated %d annotated games: %.1f MB\n", annotatedGames, fs::file_size(annotated.path) / 1e6);
    const std::vector<BenchFile> files = {
        {"vorlik layout, UTF-8", folder + "/vorlik-utf8.pgn"},
        {"vorlik layout, CP932", folder + "/vorlik-cp932.pgn"},
        {"single-blank, UTF-8", folder + "/single.pgn"},
    };
    if (!WriteWhole(files[0].path, texts.vorlik) || !WriteWhole(files[1].path, cp932) ||
        !WriteWhole(files[2].path, texts.single)) {
        std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
        return 1;
    }
    std::printf("generated %d games, %ld plies (%.1f plies a game) in %.1f s into %s\n", texts.games, texts.plies,
                texts.games ? double(texts.plies) / texts.games : 0.0, SecondsSince(start), folder.c_str());
    for (const BenchFile& bench : files)
        std::printf("  %-22s %.1f MB\n", bench.label.c_str(), fs::file_size(bench.path) / 1e6);
    texts = BenchTexts();
    cp932 = std::string();

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string binDir = fs::path(self).parent_path().string();
    const std::string outPath = folder + "/child-output.txt";

    BenchScan(files);
    BenchSearch({files[0], files[2]});
    BenchMemory({files[0], files[2]}, self, outPath);
    BenchCheck(files, binDir, outPath);
    BenchAnnotated(annotated, outPath);
    BenchCheck({annotated}, binDir, outPath);
    BenchCommentRuns();

    std::printf("\nload average at the end %s\n", LoadAverage().c_str());
    if (keep)
        std::printf("files kept in %s\n", folder.c_str());
    else
        fs::remove_all(folder);
    return 0;
}
