// vorlik-kifu: the command-line companion. Plays move tokens through the same
// commit gate the window uses and prints every ply in the four notations.
#include "core/FenText.h"
#include "core/ModuleMekDim.h"
#include "core/MoveCommit.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vorlik;

const char kUsage[] =
    "使い方 / usage:\n"
    "  vorlik-kifu play [--fen \"FEN TEXT\"] [--] TOKEN...\n"
    "      指し手を一つずつ検査して記録し、四つの表記で表示します。\n"
    "      Plays each move token (e2e4, Nf3, exd5, e8=Q, O-O, Ng1-f3) and prints\n"
    "      PLY SHORT LONG POSTAL COORD, or PLY refused TOKEN, then the FEN.\n"
    "  vorlik-kifu --help\n";

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "vorlik-kifu: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// The companion has no dialog: a pawn reaching the last rank without a letter
// becomes a queen, the dialog's default.
const PromotionAsk kQueen = [](int) { return 'q'; };

void PrintPly(const GameState& game, int ply)
{
    std::printf("%d\t%s\t%s\t%s\t%s\n", ply, game.KifuShort[ply].c_str(), game.KifuLong[ply].c_str(),
                game.KifuPostal[ply].c_str(), game.KifuCoord[ply].c_str());
}

int Play(const std::vector<std::string>& args)
{
    auto game = std::make_unique<GameState>();
    ResetGame(*game);
    SetStartPosition(*game);
    std::size_t k = 0;
    if (k < args.size() && args[k] == "--fen") {
        if (k + 1 >= args.size())
            return UsageError("--fen のあとに FEN がありません (--fen needs a FEN text)");
        Board board = game->KifuBoard[0];
        bool blackToMove = false;
        const FenError error = ReadFenText(args[k + 1], board, blackToMove);
        if (error != FenError::None)
            return UsageError(FenErrorText(error) + ": " + args[k + 1]);
        LoadSetupPosition(*game, board, blackToMove);
        k += 2;
    }
    if (k < args.size() && args[k] == "--")
        ++k;
    else if (k < args.size() && args[k].rfind("--", 0) == 0)
        return UsageError("知らないオプションです (unknown option): " + args[k]);

    bool allAccepted = true;
    for (; k < args.size(); ++k) {
        const std::string& token = args[k];
        SetMoveInput(*game, token);
        if (CommitMove(*game, &kQueen)) {
            PrintPly(*game, game->CurPly);
        } else {
            allAccepted = false;
            std::printf("%d\trefused\t%s\n", game->CurPly + 1, token.c_str());
        }
    }
    const bool blackToMove = game->CurPly % 2 == 1;
    std::printf("fen\t%s%s\n", WriteFenBoard(game->KifuBoard[game->CurPly]).c_str(), FenSideText(blackToMove));
    return allAccepted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::string verb = args[0];
    args.erase(args.begin());
    if (verb == "play")
        return Play(args);
    return UsageError("知らないコマンドです (unknown command): " + verb);
}
