// The engine of bench-engine: reads the xboard commands of the window and
// answers each move it is given with the next move of a list, written with
// one write(2). Just before that write it appends CLOCK_MONOTONIC in
// nanoseconds to a timestamps file, so that the benchmark can tell how long
// the window took from the engine's line to the redrawn board.
//
//   bench-engine-peer --moves FILE [--stamps FILE] [--delay-ms N] [--flood-bytes N]
//
// --delay-ms: sleeps that long before each answer (an engine that thinks).
// --flood-bytes: before the first answer, writes that many bytes of thinking
// lines, one write(2) a line as an engine that flushes every line does.
// Plain POSIX, no Qt: the window must not share anything with it.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct Options {
    std::string movesFile, stampsFile;
    long delayMs = 0;
    long long floodBytes = 0;
};

bool ReadOptions(int argc, char** argv, Options& options)
{
    for (int k = 1; k + 1 < argc; k += 2) {
        const std::string name = argv[k], value = argv[k + 1];
        if (name == "--moves")
            options.movesFile = value;
        else if (name == "--stamps")
            options.stampsFile = value;
        else if (name == "--delay-ms")
            options.delayMs = std::atol(value.c_str());
        else if (name == "--flood-bytes")
            options.floodBytes = std::atoll(value.c_str());
        else
            return false;
    }
    return argc % 2 == 1 && !options.movesFile.empty();
}

std::vector<std::string> ReadMoves(const std::string& path)
{
    std::vector<std::string> moves;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            moves.push_back(line);
    return moves;
}

// A coordinate move as the window sends it: e2e4, e7e8q.
bool IsMove(const std::string& line)
{
    if (line.size() != 4 && line.size() != 5)
        return false;
    const auto file = [](char c) { return c >= 'a' && c <= 'h'; };
    const auto rank = [](char c) { return c >= '1' && c <= '8'; };
    return file(line[0]) && rank(line[1]) && file(line[2]) && rank(line[3]) &&
           (line.size() == 4 || std::strchr("qrbn", line[4]) != nullptr);
}

bool WriteAll(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

long long MonotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void Sleep(long ms)
{
    timespec rest{ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

// Thinking lines of the usual layout (depth, score, time, nodes, line) until
// bytes have been written.
bool Flood(long long bytes)
{
    static const char* const kLines[] = {"e7e5 g1f3 b8c6 f1b5 a7a6", "d7d5 c2c4 e7e6 b1c3 g8f6",
                                         "c7c5 g1f3 d7d6 d2d4 c5d4", "g8f6 c2c4 g7g6 b1c3 f8g7"};
    char line[128];
    for (long long written = 0, k = 0; written < bytes; ++k) {
        const int size = std::snprintf(line, sizeof line, "%3lld  %4lld  %4lld  %8lld %s\n", 1 + k % 30,
                                       k % 201 - 100, k % 9000, 123456 + k * 37, kLines[k % 4]);
        if (!WriteAll(line, static_cast<std::size_t>(size)))
            return false;
        written += size;
    }
    return true;
}

class Answerer {
public:
    Answerer(const Options& options, std::vector<std::string> moves) : options_(options), moves_(std::move(moves))
    {
        if (!options.stampsFile.empty())
            stamps_ = std::fopen(options.stampsFile.c_str(), "w");
    }
    ~Answerer()
    {
        if (stamps_)
            std::fclose(stamps_);
    }

    // False when the window should see no more of this engine.
    bool Answer()
    {
        if (next_ >= moves_.size())
            return true;  // out of moves: silent, as an engine that thinks on
        if (options_.delayMs > 0)
            Sleep(options_.delayMs);
        if (options_.floodBytes > 0 && next_ == 0 && !Flood(options_.floodBytes))
            return false;
        const std::string line = "move " + moves_[next_++] + "\n";
        if (stamps_) {
            std::fprintf(stamps_, "%lld\n", MonotonicNs());
            std::fflush(stamps_);  // read by the window's side while this runs
        }
        return WriteAll(line.data(), line.size());
    }

private:
    const Options& options_;
    std::vector<std::string> moves_;
    std::size_t next_ = 0;
    std::FILE* stamps_ = nullptr;
};

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ReadOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: %s --moves FILE [--stamps FILE] [--delay-ms N] [--flood-bytes N]\n", argv[0]);
        return 2;
    }
    const std::vector<std::string> moves = ReadMoves(options.movesFile);
    if (moves.empty()) {
        std::fprintf(stderr, "%s: no moves in %s\n", argv[0], options.movesFile.c_str());
        return 2;
    }
    Answerer answerer(options, moves);
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "quit")
            break;
        if (IsMove(line) && !answerer.Answer())
            return 1;
    }
    return 0;
}
