#include "EngineLines.h"

#include "core/ModuleMekDim.h"
#include "records/TextCodec.h"

#include <algorithm>
#include <cctype>

namespace vorlik {

namespace {

// The length of the UTF-8 character that starts at text[at], 0 when the
// bytes there are none.
std::size_t Utf8Length(std::string_view text, std::size_t at)
{
    return static_cast<unsigned char>(text[at]) < 0x80 ? 1 : Utf8SequenceLength(text, at);
}

// The line with every byte that is no UTF-8 replaced; control characters
// other than TAB become blanks, so the traffic box shows one line per line.
std::string CleanText(std::string_view raw)
{
    static const char kReplacement[] = "\xEF\xBF\xBD";
    std::string clean;
    clean.reserve(raw.size());
    for (std::size_t at = 0; at < raw.size();) {
        const std::size_t length = Utf8Length(raw, at);
        if (length == 0) {
            clean += kReplacement;
            ++at;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(raw[at]);
        if (length == 1 && ((c < 0x20 && c != '\t') || c == 0x7F))
            clean += ' ';
        else
            clean.append(raw.substr(at, length));
        at += length;
    }
    return clean;
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// Where the engine's move begins in the line; npos when the line has none.
std::size_t MoveStart(std::string_view line, const std::string& movePrefix)
{
    if (!movePrefix.empty()) {
        const std::size_t at = line.find(movePrefix);
        return at == std::string_view::npos ? at : at + movePrefix.size();
    }
    // xboard engines write their move as a line "move e7e5"; elsewhere in a
    // line the word belongs to talk ("your move is e2-e4").
    const std::string_view trimmed = TrimLeft(line);
    if (StartsWith(trimmed, "move "))
        return line.size() - trimmed.size() + 5;
    const std::size_t at = line.find(". ... ");
    return at == std::string_view::npos ? at : at + 6;
}

// The move ends at the first character that sorts below "-". A token cut at
// the bound is cut between characters, never inside one: the line is UTF-8
// and the move stays so.
std::string MoveToken(std::string_view rest)
{
    std::size_t end = 0;
    while (end < rest.size() && static_cast<unsigned char>(rest[end]) >= '-')
        ++end;
    if (end > kMaxMoveText) {
        end = kMaxMoveText;
        while (end > 0 && (static_cast<unsigned char>(rest[end]) & 0xC0) == 0x80)
            --end;
    }
    return std::string(rest.substr(0, end));
}

// A result as xboard engines announce it: "1-0 {White mates}", "0-1",
// "1/2-1/2", "resign"; and the words "mates" and "Stalemate" anywhere.
void ReadResult(std::string_view line, EngineReply& reply)
{
    const std::string_view trimmed = TrimLeft(line);
    for (const char* result : {"1/2-1/2", "1-0", "0-1"}) {
        if (StartsWith(trimmed, result)) {
            reply.result = result;
            return;
        }
    }
    // What an engine tells the user or writes as a comment ("tellics say
    // ...", "# ...") is talk, not a result.
    if (StartsWith(trimmed, "tell") || StartsWith(trimmed, "#"))
        return;
    if (StartsWith(trimmed, "resign") || line.find(" resigns") != std::string_view::npos) {
        reply.resign = true;
        return;
    }
    if (line.find("Stalemate") != std::string_view::npos)
        reply.result = "1/2-1/2";
    else if (line.find("White mates") != std::string_view::npos)
        reply.result = "1-0";
    else if (line.find("Black mates") != std::string_view::npos)
        reply.result = "0-1";
    else if (line.find("mates") != std::string_view::npos)
        reply.result = "mates";  // the side that mated is not named: the mover wins
}

}  // namespace

std::vector<std::string> EngineLineReader::Feed(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const char c = bytes[k];
        if (c != '\n' && c != '\r')
            continue;
        Take(bytes.substr(start, k - start));
        start = k + 1;
        const bool afterCr = k > 0 ? bytes[k - 1] == '\r' : afterCr_;
        if (c == '\n' && afterCr)
            continue;  // the LF of a CR LF, perhaps split between two reads
        lines.push_back(EndLine());
    }
    Take(bytes.substr(start));
    if (!bytes.empty())
        afterCr_ = bytes.back() == '\r';
    return lines;
}

void EngineLineReader::Take(std::string_view piece)
{
    if (cut_)
        return;
    const std::size_t room = maxLine_ - line_.size();
    if (piece.size() > room) {
        line_.append(piece.substr(0, room));
        cut_ = true;
        return;
    }
    line_.append(piece);
}

std::string EngineLineReader::EndLine()
{
    std::string line = CleanText(line_);
    line_.clear();
    cut_ = false;
    return line;
}

std::string EngineLineReader::Flush()
{
    if (line_.empty())
        return std::string();
    return EndLine();
}

void EngineLineReader::Clear()
{
    line_.clear();
    cut_ = false;
    afterCr_ = false;
}

EngineReply ReadEngineLine(std::string_view line, const ReplyRules& rules)
{
    EngineReply reply;
    ReadResult(line, reply);
    const bool configuredError = !rules.errorText.empty() && rules.curPly > 0 &&
                                 line.find(rules.errorText) != std::string_view::npos;
    if (Lower(line).find("illegal move") != std::string::npos || configuredError) {
        reply.kind = ReplyKind::Error;
        return reply;
    }
    const std::size_t start = MoveStart(line, rules.movePrefix);
    if (start != std::string_view::npos) {
        reply.kind = ReplyKind::Move;
        reply.move = MoveToken(line.substr(std::min(start, line.size())));
    }
    return reply;
}

std::string EngineMoveText(const std::string& coord)
{
    std::string text = coord;
    if (text.size() == 5)
        text[4] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[4])));
    return text;
}

}  // namespace vorlik
