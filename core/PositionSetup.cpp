#include "PositionSetup.h"

namespace vorlik {

namespace {

std::string& Hand(GameState& game) { return game.ViewBoard[0][0]; }

char HeldPiece(const GameState& game)
{
    const std::string& hand = game.ViewBoard[0][0];
    return hand.size() == 1 && IsPiece(hand[0]) ? hand[0] : 0;
}

}  // namespace

char SetupSquare(const GameState& game, int file, int rank)
{
    const std::string& square = game.ViewBoard[file][rank];
    return square.size() == 1 && IsPiece(square[0]) ? square[0] : 0;
}

void BeginSetup(GameState& game)
{
    const Board& board = game.KifuBoard[game.CurPly];
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            game.ViewBoard[file][rank] = IsPiece(board[file][rank]) ? std::string(1, board[file][rank]) : "";
    Hand(game).clear();
}

bool SetupPickUp(GameState& game, int file, int rank)
{
    const char piece = SetupSquare(game, file, rank);
    if (piece == 0)
        return false;
    Hand(game) = std::string(1, piece);
    game.ViewBoard[file][rank].clear();
    return true;
}

void SetupTake(GameState& game, char piece) { Hand(game) = IsPiece(piece) ? std::string(1, piece) : ""; }

bool SetupDrop(GameState& game, int file, int rank)
{
    const char piece = HeldPiece(game);
    if (piece == 0 || !OnBoard(file, rank))
        return false;
    game.ViewBoard[file][rank] = std::string(1, piece);
    Hand(game).clear();
    return true;
}

void SetupDiscard(GameState& game) { Hand(game).clear(); }

void SetupFill(GameState& game, bool start)
{
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            game.ViewBoard[file][rank].clear();
    if (!start)
        return;
    const char backRank[] = "RNBQKBNR";
    for (int file = 1; file <= 8; ++file) {
        game.ViewBoard[file][1] = std::string(1, backRank[file - 1]);
        game.ViewBoard[file][2] = "P";
        game.ViewBoard[file][7] = "p";
        game.ViewBoard[file][8] = std::string(1, OfSide(backRank[file - 1], false));
    }
}

bool SetupKingsValid(const GameState& game)
{
    int white = 0, black = 0;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank) {
            const char piece = SetupSquare(game, file, rank);
            white += piece == 'K';
            black += piece == 'k';
        }
    return white == 1 && black == 1;
}

Board SetupPosition(const GameState& game)
{
    Board board{};
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            board[file][rank] = SetupSquare(game, file, rank);
    return board;
}

}  // namespace vorlik
