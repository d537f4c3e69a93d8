// vorlik-kifu book and db book: the moves a Polyglot opening book holds for a
// position, and a book written from the reference database's trees.
#include "KifuCommands.h"

#include "core/ModuleMekMoveCheck.h"
#include "core/MoveCommit.h"
#include "database/PolyglotBook.h"
#include "database/PositionQuery.h"
#include "records/KifuStore.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <unordered_set>

namespace vorlik {

namespace {

bool ReadCount(const std::string& text, long& value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stol(text);
    return true;
}

}  // namespace

namespace {

// The book and the tokens, and the FEN when one is given; empty when the
// words are understood, else what is wrong.
std::string ReadBookArgs(const std::vector<std::string>& args, std::string& fen, std::vector<std::string>& operands)
{
    for (std::size_t k = 0; k < args.size(); ++k) {
        if (args[k] == "--") {
            operands.insert(operands.end(), args.begin() + static_cast<long>(k) + 1, args.end());
            break;
        }
        if (args[k] == "--fen") {
            if (++k >= args.size())
                return "--fen のあとに FEN がありません (--fen needs a FEN text)";
            fen = args[k];
        } else if (args[k].rfind("--", 0) == 0) {
            return "知らないオプションです (unknown option): " + args[k];
        } else {
            operands.push_back(args[k]);
        }
    }
    return operands.empty() ? "book には定跡ファイルを指定します (book takes BOOK.bin)" : "";
}

}  // namespace

int BookCommand(const std::vector<std::string>& args)
{
    std::string fen;
    std::vector<std::string> operands;
    const std::string wrong = ReadBookArgs(args, fen, operands);
    if (!wrong.empty())
        return UsageError(wrong);
    // A FEN that cannot be read is a usage error; a refused move is not.
    auto game = std::make_unique<GameState>();
    const std::string badFen = StartRecord(*game, fen);
    if (!badFen.empty())
        return UsageError(badFen);
    PolyglotBook book;
    std::string error;
    if (!book.Open(operands[0], error))
        return FileError(error);
    const std::string why = PlayFromStart(*game, fen, {operands.begin() + 1, operands.end()});
    if (!why.empty()) {
        Tell(why);
        return kExitIncomplete;
    }
    const std::vector<BookMove> moves = book.Moves(*game, game->CurPly);
    for (const BookMove& move : moves)
        std::printf("move\t%s\t%d\t%u\n", move.shortText.c_str(), move.weight, static_cast<unsigned>(move.learn));
    if (moves.empty())
        Tell("この局面の手は定跡ファイルにありません (the book holds no move for this position)");
    return moves.empty() ? kExitIncomplete : kExitOk;
}

namespace {

// ---- db book: a book from the database ----------------------------------------------

struct DbBookArgs {
    std::vector<std::string> operands;  // DB OUT
    int maxPly = 20;
    long minGames = 3;
    QueryFilter filter;
};

// One option with its value; empty when understood, else what is wrong.
std::string ReadDbBookOption(const std::string& option, const std::string& value, DbBookArgs& out)
{
    if (option == "--player") {
        out.filter.player = value;
        return "";
    }
    long number = 0;
    int* const field = option == "--year-from" ? &out.filter.yearFrom
                       : option == "--year-to" ? &out.filter.yearTo
                       : option == "--min-elo" ? &out.filter.minElo
                       : option == "--max-ply" ? &out.maxPly
                                               : nullptr;
    if (!field && option != "--min-games")
        return "知らないオプションです (unknown option): " + option;
    if (!ReadCount(value, number))
        return option + " のあとは数です (" + option + " takes a number): " + value;
    if (option == "--min-games")
        out.minGames = std::max<long>(number, 1);
    else
        *field = static_cast<int>(option == "--max-ply" ? std::clamp<long>(number, 1, kMaxPly) : number);
    return "";
}

std::string ReadDbBookArgs(const std::vector<std::string>& args, DbBookArgs& out)
{
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--") {
            out.operands.insert(out.operands.end(), args.begin() + static_cast<long>(k) + 1, args.end());
            break;
        }
        if (arg.rfind("--", 0) != 0) {
            out.operands.push_back(arg);
            continue;
        }
        if (++k >= args.size())
            return arg + " のあとに値がありません (" + arg + " needs a value)";
        const std::string wrong = ReadDbBookOption(arg, args[k], out);
        if (!wrong.empty())
            return wrong;
    }
    return out.operands.size() == 2 ? "" : "db book にはデータベースと定跡ファイルを指定します (db book takes DB OUT.bin)";
}

// One position of the walk from the start: what its key and its moves need.
struct WalkNode {
    Board board;
    int castling = kAllCastling;
    int passedFile = 0;
    std::string prevPostal;  // the move that led here, for a capture in passing
    int ply = 0;

    bool WhiteToMove() const { return ply % 2 == 0; }
    std::uint64_t Key() const { return PolyglotKey(board, PositionState{WhiteToMove(), castling, passedFile}); }
};

// The position after the move, or false when the rules refuse it there.
bool Advance(const WalkNode& node, const std::string& coord, WalkNode& next)
{
    next.board = node.board;
    std::string played = coord, shortText = coord, longText = coord;
    const MoveContext context{BoardHistory{&node.board, 1, node.castling}, nullptr};
    if (!CheckMove(next.board, node.ply + 1, played, next.prevPostal, shortText, longText, node.prevPostal, context))
        return false;
    // A right is kept while king and rook stood on their squares before and after the move.
    const std::array<Board, 2> both{node.board, next.board};
    next.castling = 0;
    for (int right = 0; right < 4; ++right)
        if (CastlingRightHeld(BoardHistory{both.data(), 2, node.castling}, right < 2, right % 2 == 0))
            next.castling |= 1 << right;
    const int toFile = played[2] - 'a' + 1, toRank = played[3] - '0', fromRank = played[1] - '0';
    next.passedFile =
        UpperPiece(next.board[toFile][toRank]) == 'P' && (toRank - fromRank == 2 || fromRank - toRank == 2) ? toFile : 0;
    next.ply = node.ply + 1;
    return true;
}

// "positions walked" on stderr once a second after the first second.
class WalkProgress {
public:
    void Tell(long positions, std::size_t moves)
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::seconds(1))
            return;
        last_ = now;
        std::fprintf(stderr, "vorlik-kifu: 定跡を作成中 (making the book) %ld 局面 (positions), %zu 手 (moves)\n",
                     positions, moves);
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_ = start_;
};

// Polyglot's own book maker weighs a move by 2 per win and 1 per draw of the side that plays it.
long ResultWeight(const MoveTally& tally, bool whiteToMove)
{
    return 2 * (whiteToMove ? tally.whiteWins : tally.blackWins) + tally.draws;
}

// The entries of one position: its moves of at least minGames games, their
// weights fitted into 16 bits by one factor for the position when the largest
// does not fit, so that a rare line keeps the differences of its few games.
// A move that only lost is left out, as a book maker leaves it.
void AddEntries(std::uint64_t key, const WalkNode& node, const TreeAnswer& tree, long minGames,
                std::vector<BookEntry>& entries)
{
    long largest = 0;
    for (const MoveTally& tally : tree.moves)
        if (tally.games >= minGames)
            largest = std::max(largest, ResultWeight(tally, node.WhiteToMove()));
    for (const MoveTally& tally : tree.moves) {
        const std::uint16_t weight = ScaledWeight(ResultWeight(tally, node.WhiteToMove()), largest);
        if (tally.games >= minGames && weight > 0)
            entries.push_back({key, BookMoveCode(DecodeMove(tally.move), node.board), weight, 0});
    }
}

// Walks the database's trees from the start, each position once (the first
// time it is reached, fewest plies from the start), following the moves
// played in at least minGames games. The player filter picks the moves
// written (his own, where he has the move) but not the positions walked,
// so that the opponents' replies lead on to his next choices.
bool WalkTrees(GameDatabase& database, const DbBookArgs& args, std::vector<BookEntry>& entries, std::string& error)
{
    QueryFilter walkFilter = args.filter;
    walkFilter.player.clear();
    WalkNode start;
    start.board = StandardStartBoard();
    std::deque<WalkNode> queue{start};
    std::unordered_set<std::uint64_t> seen{start.Key()};
    WalkProgress progress;
    TreeAnswer walked, chosen;
    long positions = 0;
    for (; !queue.empty(); queue.pop_front()) {
        const WalkNode& node = queue.front();
        const std::uint64_t key = node.Key();
        if (!QueryTree(database, key, node.WhiteToMove(), walkFilter, walked, error))
            return false;
        if (!args.filter.player.empty() &&
            !QueryTree(database, key, node.WhiteToMove(), args.filter, chosen, error))
            return false;
        AddEntries(key, node, args.filter.player.empty() ? walked : chosen, args.minGames, entries);
        ++positions;
        for (const MoveTally& tally : walked.moves) {
            WalkNode next;
            if (tally.games < args.minGames || node.ply + 1 >= args.maxPly ||
                !Advance(node, DecodeMove(tally.move), next) || !seen.insert(next.Key()).second)
                continue;
            queue.push_back(std::move(next));
        }
        progress.Tell(positions, entries.size());
    }
    return true;
}

}  // namespace

int DatabaseBookCommand(const std::vector<std::string>& args)
{
    DbBookArgs parsed;
    const std::string wrong = ReadDbBookArgs(args, parsed);
    if (!wrong.empty())
        return UsageError(wrong);
    const std::string& out = parsed.operands[1];
    if (FileExists(out))
        return FileError("ファイルがすでにあります。書きませんでした (the file exists; nothing written): " + out);
    GameDatabase database;
    std::string error;
    if (!database.Open(parsed.operands[0], GameDatabase::Mode::ReadOnly, error))
        return FileError(error);
    std::vector<BookEntry> entries;
    if (!WalkTrees(database, parsed, entries, error))
        return FileError("データベースを読めません (cannot read the database): " + error);
    if (entries.empty()) {
        Tell("定跡にする手がありません。書きませんでした (no move qualifies for the book; nothing written)");
        return kExitIncomplete;
    }
    if (!WriteBook(out, entries, error))
        return FileError(error);
    std::unordered_set<std::uint64_t> keys;
    for (const BookEntry& entry : entries)
        keys.insert(entry.key);
    std::printf("positions %zu moves %zu\n", keys.size(), entries.size());
    return kExitOk;
}

}  // namespace vorlik
