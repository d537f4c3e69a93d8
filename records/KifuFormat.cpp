#include "KifuFormat.h"

#include "PgnMoveText.h"
#include "core/FenText.h"

#include <algorithm>

namespace vorlik {

std::string PlyName(int ply, int firstMove)
{
    return std::to_string(MoveNumber(ply, firstMove)) + "手目" + (IsWhitePly(ply) ? "(白)" : "(黒)");
}

std::string AmbiguousMoveText(int ply, const std::string& token, int firstMove)
{
    return PlyName(ply, firstMove) + "の「" + token + "」は指せる駒が二つ以上あるので、どの駒の手か分かりません。";
}

namespace {

const char* const kTagNames[8] = {"", "Event", "Site", "Date", "Round", "White", "Black", "Result"};
const char* const kCsvKeys[8] = {"", "Event,", "Site,", "Date,", "Round,", "White,", "Black,", "Result,"};

const std::string& WrittenMove(const GameState& game, int ply, bool longForm)
{
    return longForm ? game.KifuLong[ply] : game.KifuShort[ply];
}

// The result that closes the move text. Only the four results of the game may
// stand there: anything else typed into the box ("0-0", "2-0") would be read
// back as a move, so the tag alone keeps it.
std::string ResultToken(const GameHeader& header)
{
    for (const char* result : {"1-0", "0-1", "1/2-1/2", "*"})
        if (header.Field[7] == result)
            return result;
    return "*";
}

// The further tag lines as the writer puts them out: every line of the box,
// and an empty line after the last line end (none when the box is empty of lines).
std::vector<std::string> BoxLines(const std::string& text)
{
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

void AppendMoveLines(std::vector<std::string>& lines, const GameState& game, const GameHeader& header, bool longForm)
{
    std::string line;
    int groups = 0;
    for (int i = 1; i <= game.LastPly; i += 2) {
        line += std::to_string(MoveNumber(game, i)) + ".";
        line += game.KifuLong[i].empty() ? std::string(".. ") : " " + PgnMove(WrittenMove(game, i, longForm)) + " ";
        if (i < game.LastPly)
            line += " " + PgnMove(WrittenMove(game, i + 1, longForm)) + " ";
        if (i + 1 >= game.LastPly)
            break;
        if (++groups == 6) {
            lines.push_back(line);
            line.clear();
            groups = 0;
        }
    }
    lines.push_back(line + ResultToken(header));
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The dots of a move number ("12." 1, "12..." 3, "..." alone 3), or 0 when
// the token is none.
std::size_t NumberDots(std::string_view token)
{
    std::size_t i = 0;
    while (i < token.size() && IsDigit(token[i]))
        ++i;
    const std::size_t digits = i;
    while (i < token.size() && token[i] == '.')
        ++i;
    return i == token.size() ? i - digits : 0;
}

// Puts one token of move text after the others. Black's move number is kept
// only where it says the game starts with Black ("1..." first); after White's
// move, where other programs repeat it behind a comment, it says nothing.
void PutToken(std::string& moveText, std::string_view token)
{
    if (token.empty())
        return;
    if (NumberDots(token) > 1 && !moveText.empty()) {
        const std::size_t space = moveText.rfind(' ');
        const std::size_t last = space == std::string::npos ? 0 : space + 1;
        if (NumberDots(std::string_view(moveText).substr(last)) == 1) {
            // "1. ..." is one number: Black's
            if (last == 0)
                moveText += "..";
            else
                moveText.erase(last - 1);
        }
        return;
    }
    if (!moveText.empty())
        moveText += ' ';
    moveText += token;
}

}  // namespace

std::string TagLine(const std::string& name, const std::string& value)
{
    std::string line = "[" + name + " \"";
    for (const char c : value) {
        if (c == '"' || c == '\\')
            line += '\\';
        line += c;
    }
    return line + "\"]";
}

bool IsTagLine(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    return i < line.size() && line[i] == '[';
}

bool ReadTagLine(std::string_view line, std::string& name, std::string& value, bool* closed)
{
    name.clear();
    value.clear();
    if (closed) {
        const std::size_t last = line.find_last_not_of(" \t");
        *closed = last != std::string_view::npos && line[last] == ']';
    }
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i >= line.size() || line[i] != '[')
        return false;
    ++i;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    while (i < line.size() && !IsBlank(line[i]) && line[i] != '"' && line[i] != ']')
        name += line[i++];
    const std::size_t quote = line.find('"', i);
    if (quote == std::string_view::npos)
        return true;
    for (i = quote + 1; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
            ++i;
        value += line[i];
    }
    if (closed && i >= line.size())
        *closed = false;  // the value runs to the end of the line
    return true;
}

std::vector<std::string> WritePgnGame(const GameState& game, const GameHeader& header, bool longForm)
{
    std::vector<std::string> lines;
    for (int k = 1; k <= 7; ++k)
        lines.push_back(TagLine(kTagNames[k], header.Field[k]));
    if (!IsStandardStart(game))
        lines.push_back(TagLine("FEN", WriteStartFen(game)));
    for (std::string& line : BoxLines(header.TextInfoS))
        lines.push_back(std::move(line));
    if (HasAnnotations(game)) {
        for (std::string& line : AnnotatedMoveLines(game, longForm, ResultToken(header)))
            lines.push_back(std::move(line));
    } else {
        AppendMoveLines(lines, game, header, longForm);
    }
    lines.emplace_back();
    return lines;
}

std::string CsvValue(const std::string& value)
{
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::vector<std::string> SplitCsvLine(std::string_view line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                fields.back() += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else
                quoted = false;
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::string> WriteCsvGame(const GameState& shown, const GameHeader& header, bool longForm)
{
    // A CSV file holds one line of moves: the main line, whatever is shown.
    GameState mainLine;
    const bool onMain = IsMainLine(shown, shown.LastPly) && Children(shown, NodeAt(shown, shown.LastPly)).empty();
    if (!onMain)
        mainLine = MainLineGame(shown);
    const GameState& game = onMain ? shown : mainLine;
    std::vector<std::string> lines;
    for (int k = 1; k <= 7; ++k)
        lines.push_back(kCsvKeys[k] + CsvValue(header.Field[k]));
    lines.emplace_back();
    auto notes = [&game](std::string& line, int ply) {
        for (int k = 1; k <= 6; ++k)
            line += CsvValue(game.KifuNote[k][ply]) + ",";
    };
    for (int i = 1; i <= game.LastPly; i += 2) {
        const bool both = i < game.LastPly;
        std::string line = std::to_string(MoveNumber(game, i)) + "," + game.KifuPostal[i] + ",";
        line += (both ? game.KifuPostal[i + 1] : std::string()) + ",";
        line += WrittenMove(game, i, longForm) + ",";
        line += (both ? WrittenMove(game, i + 1, longForm) : std::string()) + ",";
        notes(line, i);
        if (both)
            notes(line, i + 1);
        lines.push_back(std::move(line));
    }
    lines.emplace_back();
    return lines;
}

std::string FenFileLine(const GameState& game)
{
    return WriteFenText(game, game.CurPly);
}

namespace {

bool EndsWord(char c)
{
    return IsBlank(c) || c == '\r' || c == '\n' || c == '{' || c == '}' || c == '(' || c == ')' || c == ';';
}

// One word of move text outside comments: an annotation glyph ($1) and the
// marks of how good a move was (!, ?) are left out, and a move number
// written together with its move ("12.e4", "1...e5") is split from it.
void PutWord(std::string& moveText, std::string_view word)
{
    if (word[0] == '$') {
        std::size_t digits = 1;
        while (digits < word.size() && IsDigit(word[digits]))
            ++digits;
        word.remove_prefix(digits);
    }
    std::string unmarked;
    if (std::any_of(word.begin(), word.end(), [](char c) { return c == '!' || c == '?'; })) {
        for (const char c : word)
            if (c != '!' && c != '?')
                unmarked += c;
        word = unmarked;
    }
    std::size_t i = 0;
    while (i < word.size() && IsDigit(word[i]))
        ++i;
    if (i > 0 && i < word.size() && word[i] == '.') {
        while (i < word.size() && word[i] == '.')
            ++i;
        PutToken(moveText, word.substr(0, i));
        word.remove_prefix(i);
    }
    PutToken(moveText, word);
}

}  // namespace

bool AppendMoveText(std::string& moveText, std::string_view line, MoveTextState& state)
{
    if (!state.inComment && !line.empty() && line[0] == '%')
        return false;  // an escape line: for other programs only
    bool seen = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (IsBlank(c) || c == '\r' || c == '\n')
            continue;
        seen = true;
        if (state.inComment) {
            const std::size_t end = line.find('}', i);
            if (end == std::string_view::npos)
                break;
            state.inComment = false;
            i = end;
        } else if (c == ';') {
            break;  // a comment to the end of the line
        } else if (c == '{') {
            state.inComment = true;
        } else if (c == '(' || c == ')') {
            state.variation = std::max(0, state.variation + (c == '(' ? 1 : -1));
        } else if (c != '}') {
            std::size_t end = i;
            while (end < line.size() && !EndsWord(line[end]))
                ++end;
            if (state.variation == 0)
                PutWord(moveText, line.substr(i, end - i));
            i = end - 1;
        }
    }
    return seen;
}

std::string SearchKey(const GameState& game, bool longForm)
{
    if (game.CurPly == 0)
        return "1.";
    std::string key;
    for (int b = 1; b <= game.CurPly; ++b) {
        const std::string& move = WrittenMove(game, b, longForm);
        if (IsWhitePly(b)) {
            key += std::to_string(MoveNumber(b)) + (move.empty() ? "... " : ". ");
            if (move.empty())
                continue;
        }
        key += move + " ";
    }
    return key;
}

}  // namespace vorlik
