#include "GameEnd.h"

#include "ModuleMekMoveCheck.h"

namespace vorlik {

namespace {

bool HasKing(const Board& board, bool white)
{
    const char king = OfSide('K', white);
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            if (board[file][rank] == king)
                return true;
    return false;
}

}  // namespace

GameEnd GameEndAfter(const GameState& game)
{
    const int ply = game.LastPly;
    const Board& board = game.KifuBoard[ply];
    const bool white = IsWhitePly(ply + 1);
    if (!HasKing(board, white))
        return GameEnd::None;
    if (HasLegalMove(board, white, PreviousPostal(game, ply + 1), RecordHistory(game, ply + 1)))
        return GameEnd::None;
    RuleWork work;
    work.After.load(board);
    work.WhiteMoving = white;
    if (!KingInCheck(work))
        return GameEnd::Stalemate;
    return white ? GameEnd::BlackMates : GameEnd::WhiteMates;
}

const char* GameEndResult(GameEnd end)
{
    switch (end) {
    case GameEnd::WhiteMates: return "1-0";
    case GameEnd::BlackMates: return "0-1";
    case GameEnd::Stalemate: return "1/2-1/2";
    case GameEnd::None: break;
    }
    return "";
}

}  // namespace vorlik
