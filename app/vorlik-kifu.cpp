// vorlik-kifu: the command-line companion. Plays move tokens through the same
// commit gate the window uses and prints every ply in the four notations, and
// lists, shows, converts, searches, checks and prints game files (KifuCommands).
#include "DatabaseCommands.h"
#include "KifuCommands.h"

#include "core/GameEnd.h"
#include "core/ModuleMekDim.h"
#include "core/MoveCommit.h"
#include "records/KifuFormat.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vorlik;

// The word `play` gives for why the game has ended.
const char* EndReason(GameEnd end)
{
    switch (end) {
    case GameEnd::WhiteMates:
    case GameEnd::BlackMates: return "mate";
    case GameEnd::Stalemate: return "stalemate";
    case GameEnd::Repetition: return "repetition";
    case GameEnd::FiftyMoves: return "fifty";
    case GameEnd::NoMaterial: return "material";
    case GameEnd::None: break;
    }
    return "";
}

// "result RESULT REASON" when the position on the board ends the game by rule.
void PrintGameEnd(const GameState& game)
{
    const GameEnd end = GameEndAt(game, game.CurPly);
    if (end != GameEnd::None)
        std::printf("result\t%s\t%s\n", GameEndResult(end), EndReason(end));
}

int Play(const std::vector<std::string>& args)
{
    auto game = std::make_unique<GameState>();
    std::size_t k = 0;
    std::string fen;
    if (k < args.size() && args[k] == "--fen") {
        if (k + 1 >= args.size())
            return UsageError("--fen のあとに FEN がありません (--fen needs a FEN text)");
        fen = args[k + 1];
        k += 2;
    }
    const std::string badFen = StartRecord(*game, fen);
    if (!badFen.empty())
        return UsageError(badFen);
    if (k < args.size() && args[k] == "--")
        ++k;
    else if (k < args.size() && args[k].rfind("--", 0) == 0)
        return UsageError("知らないオプションです (unknown option): " + args[k]);

    bool allAccepted = true;
    for (; k < args.size(); ++k) {
        const std::string& token = args[k];
        if (CommitMove(*game, token)) {
            PrintPly(*game, game->CurPly);
        } else {
            allAccepted = false;
            PrintRefused(game->CurPly + 1, token);
            if (JudgeMove(*game, token) == MoveVerdict::Ambiguous) {
                const std::string why = AmbiguousMoveText(game->CurPly + 1, token, game->Start.moveNumber);
                std::fprintf(stderr, "vorlik-kifu: %s (ambiguous: more than one piece can make it)\n", why.c_str());
            }
        }
    }
    PrintFenLine(*game);
    PrintGameEnd(*game);
    return allAccepted ? kExitOk : kExitIncomplete;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (args[0] == "--version") {
        std::printf("vorlik-kifu %s\n", VORLIK_VERSION);
        return kExitOk;
    }
    const std::string verb = args[0];
    args.erase(args.begin());
    if (verb == "play")
        return Play(args);
    if (verb == "list")
        return ListCommand(args);
    if (verb == "show")
        return ShowCommand(args);
    if (verb == "convert")
        return ConvertCommand(args);
    if (verb == "search")
        return SearchCommand(args);
    if (verb == "check")
        return CheckCommand(args);
    if (verb == "versus")
        return VersusCommand(args);
    if (verb == "analyse")
        return AnalyseCommand(args);
    if (verb == "print")
        return PrintCommand(args);
    if (verb == "ledger")
        return LedgerCommand(args);
    if (verb == "desk")
        return DeskCommand(args);
    if (verb == "tb")
        return TablebaseCommand(args);
    if (verb == "book")
        return BookCommand(args);
    if (verb == "db")
        return DatabaseCommand(args);
    return UsageError("知らないコマンドです (unknown command): " + verb);
}
