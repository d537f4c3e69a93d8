#include "MoveCommit.h"

#include "ModuleMekPGNRead.h"

#include <utility>

namespace vorlik {

namespace {

std::string TakeMoveInput(GameState& game)
{
    std::string text;
    bool ended = false;
    for (int k = 1; k <= kMaxMoveInput; ++k) {
        ended = ended || game.MoveInput[k].empty();
        if (!ended)
            text += game.MoveInput[k];
        game.MoveInput[k].clear();
    }
    return text;
}

// A plain coordinate move starts with a file letter, a rank digit and a file
// letter; everything else (Nf3, O-O, the two characters of e4) is a token.
bool IsCoordinateMove(const std::string& text)
{
    return text.size() >= 3 && IsFileLetter(text[0]) && IsRankDigit(text[1]) && IsFileLetter(text[2]);
}

struct TriedMove {
    Board board;
    std::string coord, postal, shortText, longText;
};

// Runs the rules on one coordinate move. The texts start as the move was
// given, so that a "#" written in a token becomes the check mark.
bool TryMove(const GameState& game, int ply, const std::string& coord, const std::string& given,
             const MoveContext& context, TriedMove& tried)
{
    tried.board = game.KifuBoard[ply - 1];
    tried.coord = coord;
    tried.shortText = tried.longText = given;
    return CheckMove(tried.board, ply, tried.coord, tried.postal, tried.shortText, tried.longText,
                     PreviousPostal(game, ply), context);
}

}  // namespace

bool CommitMove(GameState& game, const PromotionAsk* askPromotion)
{
    const std::string input = TakeMoveInput(game);
    if (input.empty() || game.CurPly >= kMaxPly)
        return false;
    const int ply = game.CurPly + 1;
    const MoveContext context{RecordHistory(game, ply), askPromotion};
    TriedMove tried;
    bool legal = false;
    if (IsCoordinateMove(input)) {
        legal = TryMove(game, ply, input, input, context, tried);
    } else {
        // Another program's file may name a piece that is one of two by
        // geometry but the only one free to move: try each in turn.
        TokenMoves moves;
        TranslateToken(game.KifuBoard[ply - 1], ply, input, moves);
        for (int k = 0; k < moves.count && !legal; ++k)
            legal = TryMove(game, ply, moves.coord[k], input, context, tried);
    }
    if (!legal)
        return false;
    game.KifuBoard[ply] = tried.board;
    game.KifuCoord[ply] = std::move(tried.coord);
    game.KifuPostal[ply] = std::move(tried.postal);
    game.KifuShort[ply] = std::move(tried.shortText);
    game.KifuLong[ply] = std::move(tried.longText);
    game.CurPly = game.LastPly = ply;
    return true;
}

bool SetMoveInput(GameState& game, const std::string& text)
{
    for (int k = 1; k <= kMaxMoveInput; ++k)
        game.MoveInput[k].clear();
    if (text.size() > static_cast<std::size_t>(kMaxMoveInput))
        return false;
    for (std::size_t k = 0; k < text.size(); ++k)
        game.MoveInput[k + 1].assign(1, text[k]);
    return true;
}

bool CoordToMoveInput(GameState& game, int ply)
{
    if (ply < 0 || ply > kMaxPly) {
        SetMoveInput(game, std::string());
        return false;
    }
    return SetMoveInput(game, game.KifuCoord[ply]);
}

}  // namespace vorlik
