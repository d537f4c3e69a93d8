#include "PgnMoveText.h"

#include <algorithm>
#include <cstdlib>

namespace vorlik {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Where a word of the move text ends; asked of every character, so no search.
bool EndsWord(char c)
{
    switch (c) {
    case ' ': case '\t': case '\r': case '\n': case '{': case '}': case '(': case ')': case ';':
        return true;
    default:
        return false;
    }
}

// Move numbers ("12.", "12...", "12", "...") stand in no ply; a number glued
// to its move ("12.Nf3") is taken off it.
std::string_view WithoutMoveNumber(std::string_view token)
{
    std::size_t digits = 0;
    while (digits < token.size() && token[digits] >= '0' && token[digits] <= '9')
        ++digits;
    std::size_t dots = digits;
    while (dots < token.size() && token[dots] == '.')
        ++dots;
    if (dots == token.size() || dots > digits)
        return token.substr(dots);
    return token;
}

std::string CommentText(std::string_view body)
{
    std::string comment(body);
    for (char& c : comment)
        if (IsSpace(c))
            c = ' ';
    const std::size_t first = comment.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return comment.substr(first, comment.find_last_not_of(' ') - first + 1);
}

// The number of "$n"; a number past 255 stays past it (256) however many
// digits it has, so that it is left out as any mark out of range is.
int NagNumber(std::string_view digits)
{
    int nag = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            break;
        nag = std::min(nag * 10 + (c - '0'), 256);
    }
    return nag;
}

class Walk {
public:
    Walk(std::string_view text, const std::function<bool(PgnToken&&)>& take) : text_(text), take_(take) {}

    PgnNesting Run()
    {
        while (i_ < text_.size() && Step()) {
        }
        nesting_.unmatchedParentheses += depth_;
        for (; depth_ > 0 && !stopped_; --depth_)
            Give(PgnToken::Close);
        return nesting_;
    }

private:
    bool Give(PgnToken::Kind kind, std::string text = {}, int nag = 0)
    {
        stopped_ = !take_(PgnToken{kind, std::move(text), nag});
        return !stopped_;
    }

    bool AtLineStart() const { return i_ == 0 || text_[i_ - 1] == '\n' || text_[i_ - 1] == '\r'; }

    std::size_t EndOr(std::size_t found) const { return found == std::string_view::npos ? text_.size() : found; }

    bool Step()
    {
        const char c = text_[i_];
        if (IsSpace(c)) {
            ++i_;
            return true;
        }
        if (c == '%' && AtLineStart()) {
            i_ = EndOr(text_.find('\n', i_));
            return true;
        }
        if (c == '{' || c == ';')
            return TakeComment(c == '{');
        if (c == '(' || c == ')')
            return TakeParenthesis(c == '(');
        if (c == '}') {
            ++i_;  // a brace no comment opened
            return true;
        }
        return TakeWord();
    }

    bool TakeComment(bool braced)
    {
        const std::size_t found = text_.find(braced ? '}' : '\n', i_ + 1);
        if (braced && found == std::string_view::npos)
            ++nesting_.unclosedComments;
        const std::size_t end = EndOr(found);
        std::string comment = CommentText(text_.substr(i_ + 1, end - i_ - 1));
        i_ = std::min(end + 1, text_.size());
        return comment.empty() || Give(PgnToken::Comment, std::move(comment));
    }

    bool TakeParenthesis(bool open)
    {
        ++i_;
        if (!open && depth_ == 0) {
            ++nesting_.unmatchedParentheses;
            return true;
        }
        depth_ += open ? 1 : -1;
        return Give(open ? PgnToken::Open : PgnToken::Close);
    }

    bool TakeWord()
    {
        std::size_t end = i_;
        while (end < text_.size() && !EndsWord(text_[end]))
            ++end;
        std::string_view token = text_.substr(i_, end - i_);
        i_ = end;
        if (token[0] == '$')
            return Give(PgnToken::Nag, {}, NagNumber(token.substr(1)));
        token = WithoutMoveNumber(token);
        if (token.empty())
            return true;
        if (IsPgnResultToken(token)) {
            if (depth_ > 0)
                return true;
            Give(PgnToken::Result, std::string(token));
            return false;
        }
        std::size_t marks = token.size();
        while (marks > 0 && (token[marks - 1] == '!' || token[marks - 1] == '?'))
            --marks;
        return marks == 0 || Give(PgnToken::Move, std::string(token.substr(0, marks)), SuffixNag(token.substr(marks)));
    }

    std::string_view text_;
    const std::function<bool(PgnToken&&)>& take_;
    std::size_t i_ = 0;
    int depth_ = 0;
    bool stopped_ = false;
    PgnNesting nesting_;
};

// ---- writing ------------------------------------------------------------------

// A comment as PGN can hold it, on one line: in braces, or, when it holds
// a closing brace, after ";" to the end of the line (the writer then breaks
// the line after it).
std::string CommentToken(const std::string& comment)
{
    const bool braced = comment.find('}') == std::string::npos;
    std::string text = braced ? "{" : "; ";
    for (const char c : comment)
        text += (c == '\r' || c == '\n') ? ' ' : c;
    return braced ? text + "}" : text;
}

class Writer {
public:
    Writer(const GameState& game, bool longForm) : game_(game), longForm_(longForm) {}

    // The line from node id on; siblings of a first child follow it as variations.
    void Line(int id, int depth)
    {
        bool number = true;
        for (; id >= 0; id = game_.Tree.nodes[id].firstChild) {
            const KifuNode node = Node(game_, id);
            if (!node.commentBefore.empty()) {
                Put(CommentToken(node.commentBefore));
                number = true;
            }
            if (!node.Coord.empty()) {
                PutMove(node, number, depth);
                number = false;
            }
            if (!node.comment.empty()) {
                Put(CommentToken(node.comment));
                number = true;
            }
            const KifuNode& parent = game_.Tree.nodes[std::max(node.parent, 0)];
            if (node.parent >= 0 && parent.firstChild == id)
                for (int s = node.nextSibling; s >= 0; s = game_.Tree.nodes[s].nextSibling) {
                    Put("(");
                    Line(s, depth + 1);
                    Put(")");
                    number = true;
                }
        }
    }

    void Put(const std::string& token)
    {
        if (lineEnds_)
            BreakLine();
        if (!current_.empty() && current_.back() != '(' && token != ")")
            current_ += ' ';
        current_ += token;
        lineEnds_ = token[0] == ';';  // nothing more fits on its line
    }

    std::vector<std::string> Finish(const std::string& result)
    {
        Put(result);
        lines_.push_back(current_);
        return std::move(lines_);
    }

    std::string Text() const { return current_; }

private:
    void PutMove(const KifuNode& node, bool number, int depth)
    {
        const bool white = IsWhitePly(node.ply);
        if (white && depth == 0 && whiteMoves_++ > 0 && whiteMoves_ % 6 == 1)
            BreakLine();
        if (white || number)
            Put(std::to_string(MoveNumber(game_, node.ply)) + (white ? "." : "..."));
        Put(PgnMove(longForm_ ? node.Long : node.Short));
        for (const unsigned char nag : node.nags)
            Put("$" + std::to_string(nag));
    }

    void BreakLine()
    {
        if (!current_.empty())
            lines_.push_back(current_);
        current_.clear();
        lineEnds_ = false;
    }

    const GameState& game_;
    bool longForm_;
    std::vector<std::string> lines_;
    std::string current_;
    bool lineEnds_ = false;
    int whiteMoves_ = 0;
};

}  // namespace

bool IsPgnResultToken(std::string_view token)
{
    for (const char* result : {"*", "1-0", "0-1", "1/2"})
        if (token.find(result) != std::string_view::npos)
            return true;
    return false;
}

std::string PgnMove(std::string move)
{
    if (move.compare(0, 3, "o-o") == 0)
        for (std::size_t k = 0; k < move.size() && (move[k] == 'o' || move[k] == '-'); ++k)
            if (move[k] == 'o')
                move[k] = 'O';
    return move;
}

int SuffixNag(std::string_view marks)
{
    static const char* const kMarks[] = {"", "!", "?", "!!", "??", "!?", "?!"};
    for (int nag = 1; nag <= 6; ++nag)
        if (marks == kMarks[nag])
            return nag;
    return 0;
}

PgnNesting WalkPgnMoveText(std::string_view text, const std::function<bool(PgnToken&&)>& take)
{
    return Walk(text, take).Run();
}

std::vector<std::string> AnnotatedMoveLines(const GameState& game, bool longForm, const std::string& result)
{
    Writer writer(game, longForm);
    const KifuNode& root = game.Tree.nodes[0];
    if (!root.comment.empty())
        writer.Put(CommentToken(root.comment));
    writer.Line(root.firstChild, 0);
    return writer.Finish(result);
}

std::string MovesOfLine(const GameState& game, int firstNode, bool longForm)
{
    Writer writer(game, longForm);
    for (int id = firstNode; id >= 0; id = game.Tree.nodes[id].firstChild) {
        const KifuNode node = Node(game, id);
        if (node.Coord.empty())
            continue;
        const bool white = IsWhitePly(node.ply);
        if (white || id == firstNode)
            writer.Put(std::to_string(MoveNumber(game, node.ply)) + (white ? "." : "..."));
        writer.Put(PgnMove(longForm ? node.Long : node.Short));
    }
    return writer.Text();
}

}  // namespace vorlik
