// vorlik-kifu tb: what the endgame tables say about a position and each of
// its legal moves.
#include "KifuCommands.h"

#include "core/FenText.h"
#include "core/MoveCommit.h"
#include "tablebase/Tablebase.h"
#include "tablebase/TablebaseClaim.h"

#include <cstdio>
#include <memory>

namespace vorlik {

namespace {

struct TbOptions {
    std::string path, fen;
    bool claim = false;
    std::vector<std::string> tokens;
};

// Empty when the words are well formed, else what is wrong.
std::string ReadOptions(const std::vector<std::string>& args, TbOptions& options)
{
    std::size_t k = 0;
    for (; k < args.size() && args[k].rfind("--", 0) == 0; ++k) {
        const std::string& arg = args[k];
        if (arg == "--") {
            ++k;
            break;
        }
        if (arg == "--claim") {
            options.claim = true;
            continue;
        }
        if (arg != "--path" && arg != "--fen")
            return "知らないオプションです (unknown option): " + arg;
        if (k + 1 >= args.size())
            return arg + " のあとに値がありません (" + arg + " needs a value)";
        (arg == "--path" ? options.path : options.fen) = args[++k];
    }
    options.tokens.assign(args.begin() + static_cast<std::ptrdiff_t>(k), args.end());
    if (options.path.empty())
        return "--path で終盤データベースのフォルダを指定します (tb needs --path DIR)";
    return "";
}

void PrintClaim(const GameState& game, const TbAnswer& answer)
{
    TbClaimGame claim;
    claim.white = claim.black = "?";
    claim.fen = WriteFenText(game, game.CurPly);
    claim.moveNumber = MoveNumber(game, game.CurPly + 1);
    claim.whiteToMove = !IsWhitePly(game.CurPly);
    claim.result = answer.result;
    claim.move = answer.moves.empty() ? "" : answer.moves.front().shortText;
    claim.dtz = answer.dtz;
    for (const std::string& line : TbClaimText(claim))
        std::printf("claim\t%s\n", line.c_str());
}

}  // namespace

int TablebaseCommand(const std::vector<std::string>& args)
{
    TbOptions options;
    const std::string wrong = ReadOptions(args, options);
    if (!wrong.empty())
        return UsageError(wrong);
    auto game = std::make_unique<GameState>();
    const std::string badPosition = PlayFromStart(*game, options.fen, options.tokens);
    if (!badPosition.empty())
        return UsageError(badPosition);

    const Tablebase tables(QString::fromStdString(options.path));
    for (const QString& problem : tables.report().problems)
        Tell(problem.toStdString());
    if (!tables.usable()) {
        Tell("終盤データベースのファイルがありません (no tables in): " + options.path);
        return kExitUsage;
    }
    const TbAnswer answer = tables.probe(TbPositionAt(*game, game->CurPly));
    if (!answer.found) {
        Tell(answer.why.toStdString());
        return kExitIncomplete;
    }
    std::printf("wdl\t%s\t%d\n", TbResultWord(answer.result), answer.dtz);
    for (const TbMove& move : answer.moves)
        std::printf("move\t%s\t%s\t%d\n", move.shortText.c_str(), TbResultWord(move.result), move.dtz);
    if (options.claim)
        PrintClaim(*game, answer);
    return kExitOk;
}

}  // namespace vorlik
