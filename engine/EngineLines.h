// Reading what an engine writes: its output cut into complete lines, and what
// one line says (an error, the engine's move, a game result). Pure functions
// and a small value type, so the tests and the fuzzer drive them directly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorlik {

constexpr std::size_t kMaxEngineLine = 4096;  // a longer line is cut there

// Collects output bytes and hands out complete lines, without their line end
// (LF, CR LF or CR). A partial line waits for its end. Bytes that are not
// UTF-8 are replaced by U+FFFD; a line longer than the bound is cut, and the
// rest of it up to its end is dropped.
class EngineLineReader {
public:
    explicit EngineLineReader(std::size_t maxLine = kMaxEngineLine) : maxLine_(maxLine) {}

    // Appends bytes and returns the lines they completed.
    std::vector<std::string> Feed(std::string_view bytes);
    // The partial line left when the engine has ended; empty when none.
    std::string Flush();
    void Clear();

private:
    void Take(std::string_view piece);
    std::string EndLine();

    std::size_t maxLine_;
    std::string line_;
    bool cut_ = false;       // the current line passed the bound
    bool afterCr_ = false;   // the last byte was CR: an LF next belongs to it
};

enum class ReplyKind { Other, Error, Move };

struct EngineReply {
    ReplyKind kind = ReplyKind::Other;
    std::string move;    // the engine's move, at most 10 characters (kMaxMoveText)
    std::string result;  // "1-0", "0-1", "1/2-1/2", or "" when the line ends no game
    bool resign = false; // the engine gives up (its side loses)
};

// The settings that decide how a line is read.
struct ReplyRules {
    std::string movePrefix;  // EngSet(7); "" the built-in "move " (at the start of a line) or ". ... "
    std::string errorText;   // EngSet(8); "" none; counts only once a ply has been played
    int curPly = 0;
};

// What one line says. The error test comes first ("Illegal move" in any
// letter case, or the configured error text in exact case): a line that
// holds both an error and a move is an error. A move ends at the first
// character below "-" (blank, "+", "#", "!", a line end) and is cut at 10
// characters. The result is read from any line, with or without a move.
EngineReply ReadEngineLine(std::string_view line, const ReplyRules& rules);

// A promotion letter goes to the engine in lower case ("e7e8q").
std::string EngineMoveText(const std::string& coord);

}  // namespace vorlik
