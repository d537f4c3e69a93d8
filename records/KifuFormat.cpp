#include "KifuFormat.h"

#include "PgnMoveText.h"
#include "core/FenText.h"
#include "core/GameText.h"
#include "core/PostalLedger.h"

#include <algorithm>
#include <cstdio>

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

// A tag is one line of printing characters: a tab or a line end in a value
// stands as a blank.
char OneLine(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c; }

bool IsEmptyText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), IsBlank);
}

// The tags the header's own boxes and the start position write: a further
// tag of one of these names would stand twice.
bool IsOwnTag(const std::string& name)
{
    for (int k = 1; k <= 7; ++k)
        if (name == kTagNames[k])
            return true;
    return name == "FEN";
}

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
        line += OneLine(c);
    }
    return line + "\"]";
}

bool IsTagName(std::string_view name)
{
    const auto symbol = [](char c, bool first) {
        const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c);
        return alnum || (!first && std::string_view("_+#=:-").find(c) != std::string_view::npos);
    };
    for (std::size_t i = 0; i < name.size(); ++i)
        if (!symbol(name[i], i == 0))
            return false;
    return !name.empty();
}

bool ReadTagPair(std::string_view line, std::string& name, std::string& value)
{
    name.clear();
    value.clear();
    std::size_t i = 0;
    const auto blanks = [&] {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
    };
    blanks();
    if (i >= line.size() || line[i++] != '[')
        return false;
    blanks();
    while (i < line.size() && !IsBlank(line[i]) && line[i] != '"')
        name += line[i++];
    blanks();
    if (!IsTagName(name) || i >= line.size() || line[i++] != '"')
        return false;
    for (; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
            ++i;
        value += OneLine(line[i]);
    }
    if (i++ >= line.size())
        return false;
    blanks();
    if (i >= line.size() || line[i++] != ']')
        return false;
    blanks();
    return i == line.size();
}

std::vector<std::string> FurtherTagLines(const std::string& box, std::string* refused)
{
    std::vector<std::string> lines;
    std::string name, value;
    std::size_t from = 0;
    while (from < box.size()) {
        const std::size_t end = std::min(box.find_first_of("\r\n", from), box.size());
        const std::string_view line = std::string_view(box).substr(from, end - from);
        from = end + 1;
        if (IsEmptyText(line))
            continue;
        if (ReadTagPair(line, name, value) && !IsOwnTag(name)) {
            lines.push_back(TagLine(name, value));
        } else if (refused && refused->empty()) {
            *refused = std::string(line);
        }
    }
    return lines;
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
        value += OneLine(line[i]);
    }
    if (closed && i >= line.size())
        *closed = false;  // the value runs to the end of the line
    return true;
}

std::string DateForPgn(const std::string& box)
{
    const BoxDate date = ReadPostalDate(box);
    if (!date.IsDate())
        return box;
    const CivilDate civil = CivilFromDays(date.day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d.%02d.%02d", civil.year, civil.month, civil.day);
    return text;
}

std::string DateForBox(const std::string& tag)
{
    const BoxDate date = ReadPostalDate(tag);
    if (!date.IsDate())
        return tag;
    const CivilDate civil = CivilFromDays(date.day);
    // Two digits of the year stand for 1970..2069 in a box, as a new game fills it.
    if (civil.year >= 1970 && civil.year <= 2069)
        return ShortDate(civil.year, civil.month, civil.day);
    char text[24];
    std::snprintf(text, sizeof text, "%04d/%d/%d", civil.year, civil.month, civil.day);
    return text;
}

std::vector<std::string> WritePgnGame(const GameState& game, const GameHeader& header, bool longForm)
{
    std::vector<std::string> lines;
    for (int k = 1; k <= 7; ++k)
        lines.push_back(TagLine(kTagNames[k], k == 3 ? DateForPgn(header.Field[k]) : header.Field[k]));
    if (!IsStandardStart(game))
        lines.push_back(TagLine("FEN", WriteStartFen(game)));
    for (std::string& line : FurtherTagLines(header.TextInfoS, nullptr))
        lines.push_back(std::move(line));
    lines.emplace_back();  // the move text stands apart from the tags
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
