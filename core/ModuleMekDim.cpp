#include "ModuleMekDim.h"

#include <algorithm>

namespace vorlik {

void ResetGame(GameState& game)
{
    game.CurPly = 0;
    game.LastPly = 0;
    game.Start = StartRights{};
    game.ClockWhite = 0;
    game.ClockBlack = 0;
    for (auto& board : game.KifuBoard)
        board = Board{};
    // Element 0 of the texts belongs to the start position and is left alone.
    for (int ply = 1; ply <= kMaxPly; ++ply) {
        game.KifuShort[ply].clear();
        game.KifuLong[ply].clear();
        game.KifuPostal[ply].clear();
        game.KifuCoord[ply].clear();
    }
    // A new record starts without notes, however it is made: a set-up or a
    // new game never shows the postal data of the game before it.
    ClearNotes(game, 0, kMaxPly);
    ResetTree(game);
    game.Header = GameHeader{};
    game.Header.Field[kResult] = "*";  // a game without a result yet
}

void ClearNotes(GameState& game, int first, int last)
{
    for (int ply = std::max(first, 0); ply <= std::min(last, kMaxPly); ++ply)
        for (int k = 1; k <= 6; ++k)
            game.KifuNote[k][ply].clear();
}

Board StandardStartBoard()
{
    static const char kBackRank[] = "RNBQKBNR";
    Board board{};
    for (int file = 1; file <= 8; ++file) {
        board[file][1] = kBackRank[file - 1];
        board[file][2] = 'P';
        board[file][7] = 'p';
        board[file][8] = static_cast<char>(kBackRank[file - 1] - 'A' + 'a');
    }
    return board;
}

void SetStartPosition(GameState& game)
{
    const Board start = StandardStartBoard();
    for (int file = 1; file <= 8; ++file)
        for (int rank : {1, 2, 7, 8})
            game.KifuBoard[0][file][rank] = start[file][rank];
    game.CurPly = 0;
}

bool IsStandardStart(const GameState& game)
{
    return !StartsWithBlack(game) && game.Start == StartRights{} && game.KifuBoard[0] == StandardStartBoard();
}

std::string PreviousPostal(const GameState& game, int ply)
{
    const int before = ply - 1;
    if (before < 0 || before > kMaxPly)
        return std::string();
    const int file = game.Start.passedFile;
    if (!HoldsStart(game, before) || file < 1 || file > 8)
        return game.KifuPostal[before];
    const bool whiteStepped = !IsWhitePly(ply);
    const char digit = static_cast<char>('0' + file);
    return {digit, whiteStepped ? '2' : '7', digit, whiteStepped ? '4' : '5'};
}

void LoadSetupPosition(GameState& game, const Board& position, bool blackToMove, const StartRights& rights)
{
    ResetGame(game);
    game.Start = rights;
    game.CurPly = game.LastPly = blackToMove ? 1 : 0;
    game.KifuBoard[0] = position;
    game.KifuBoard[game.CurPly] = position;
    ResetTree(game);
}

}  // namespace vorlik
