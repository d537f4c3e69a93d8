// libFuzzer target: the engine's output as lines and what a line says. The
// input is fed to the line reader in pieces whose sizes come from the input
// itself, as a pipe hands them out; every line must be UTF-8 without line
// ends and inside its bound, the same bytes in one piece must give the same
// lines, and each line is read as a reply.
#include "FuzzCommon.h"

#include "core/ModuleMekDim.h"
#include "engine/EngineLines.h"

#include <cstdint>

using namespace vorlik;
using namespace vorlik::fuzz;

namespace {

// A cut line holds at most the bound in bytes as they came; each of them
// grows to at most three (a byte that is no UTF-8 becomes U+FFFD, EF BF BD).
constexpr std::size_t kReplacementGrowth = 3;

// Strict UTF-8, written apart from the reader's own check.
bool IsUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char first = static_cast<unsigned char>(text[at]);
        std::size_t length = first < 0x80 ? 1 : first < 0xC2 ? 0 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : first < 0xF5 ? 4 : 0;
        if (length == 0 || at + length > text.size())
            return false;
        std::uint32_t value = length == 1 ? first : first & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[at + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < least[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        at += length;
    }
    return true;
}

// Lines the bytes must give: every CR, and every LF that no CR comes just before.
std::size_t LineEnds(std::string_view bytes)
{
    std::size_t ends = 0;
    for (std::size_t k = 0; k < bytes.size(); ++k)
        ends += bytes[k] == '\r' || (bytes[k] == '\n' && (k == 0 || bytes[k - 1] != '\r'));
    return ends;
}

// Feeds the bytes in pieces of 1..maxPiece bytes drawn from a generator
// seeded by the input; the partial line at the end comes last.
std::vector<std::string> ReadInPieces(EngineLineReader& reader, std::string_view bytes, std::uint32_t seed,
                                      std::size_t maxPiece)
{
    std::vector<std::string> lines;
    std::uint32_t state = seed | 1;
    for (std::size_t at = 0; at < bytes.size();) {
        state = state * 1664525u + 1013904223u;
        const std::size_t size = std::min<std::size_t>(1 + (state >> 8) % maxPiece, bytes.size() - at);
        for (std::string& line : reader.Feed(bytes.substr(at, size)))
            lines.push_back(std::move(line));
        at += size;
    }
    lines.push_back(reader.Flush());
    return lines;
}

void ExpectLines(const std::vector<std::string>& lines, std::size_t maxLine, std::size_t lineEnds)
{
    Expect(lines.size() == lineEnds + 1, "lines handed out " + std::to_string(lines.size() - 1) + " for " +
                                             std::to_string(lineEnds) + " line ends");
    for (const std::string& line : lines) {
        Expect(IsUtf8(line), "a line is not UTF-8");
        Expect(line.find_first_of("\r\n") == std::string::npos, "a line holds a line end");
        Expect(line.size() <= maxLine * kReplacementGrowth,
               "a line of " + std::to_string(line.size()) + " bytes passed the bound " + std::to_string(maxLine));
    }
}

void ExpectReply(const std::string& line, const ReplyRules& rules)
{
    const EngineReply reply = ReadEngineLine(line, rules);
    Expect(reply.move.size() <= static_cast<std::size_t>(kMaxMoveText), "a move of more than 10 characters");
    Expect(IsUtf8(reply.move), "a move cut inside a character");
    for (const char c : reply.move)
        Expect(static_cast<unsigned char>(c) >= '-', "a move holds a character that ends it");
    Expect(reply.kind == ReplyKind::Move || reply.move.empty(), "a move in a reply that is none");
    Expect(reply.result.empty() || reply.result == "1-0" || reply.result == "0-1" || reply.result == "1/2-1/2" ||
               reply.result == "mates",
           "an unknown result \"" + reply.result + "\"");
    Expect(EngineMoveText(reply.move).size() == reply.move.size(), "the sent move changed its length");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::uint32_t seed = size > 0 ? data[0] | (size > 1 ? data[size - 1] << 8 : 0) : 0;
    const std::size_t lineEnds = LineEnds(bytes);

    // The program's own bound, in one piece and in pieces of up to a pipe read.
    EngineLineReader whole;
    std::vector<std::string> once = whole.Feed(bytes);
    once.push_back(whole.Flush());
    ExpectLines(once, kMaxEngineLine, lineEnds);
    EngineLineReader pieces;
    Expect(ReadInPieces(pieces, bytes, seed, 1024) == once, "pieces gave other lines than one piece");

    // A small bound, so that cuts inside characters and line ends are common.
    const std::size_t small = 1 + (seed >> 3) % 16;
    EngineLineReader smallWhole(small);
    std::vector<std::string> smallOnce = smallWhole.Feed(bytes);
    smallOnce.push_back(smallWhole.Flush());
    ExpectLines(smallOnce, small, lineEnds);
    EngineLineReader smallPieces(small);
    Expect(ReadInPieces(smallPieces, bytes, seed, 7) == smallOnce, "pieces gave other lines than one piece (small bound)");

    ReplyRules rules;
    ReplyRules configured;
    configured.movePrefix = "My move is: ";
    configured.errorText = "Error";
    configured.curPly = 1;
    for (const std::string& line : once) {
        ExpectReply(line, rules);
        ExpectReply(line, configured);
    }
    for (const std::string& line : smallOnce)
        ExpectReply(line, rules);
    return 0;
}
