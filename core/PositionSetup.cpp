#include "PositionSetup.h"

namespace vorlik {

namespace {

char HeldPiece(const SetupGrid& grid)
{
    const std::string& hand = grid.hand;
    return hand.size() == 1 && IsPiece(hand[0]) ? hand[0] : 0;
}

}  // namespace

char SetupSquare(const SetupGrid& grid, int file, int rank)
{
    const std::string& square = grid.squares[file][rank];
    return square.size() == 1 && IsPiece(square[0]) ? square[0] : 0;
}

void BeginSetup(SetupGrid& grid, const Board& board)
{
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            grid.squares[file][rank] = IsPiece(board[file][rank]) ? std::string(1, board[file][rank]) : "";
    grid.hand.clear();
}

bool SetupPickUp(SetupGrid& grid, int file, int rank)
{
    const char piece = SetupSquare(grid, file, rank);
    if (piece == 0)
        return false;
    grid.hand = std::string(1, piece);
    grid.squares[file][rank].clear();
    return true;
}

void SetupTake(SetupGrid& grid, char piece) { grid.hand = IsPiece(piece) ? std::string(1, piece) : ""; }

bool SetupDrop(SetupGrid& grid, int file, int rank)
{
    const char piece = HeldPiece(grid);
    if (piece == 0 || !OnBoard(file, rank))
        return false;
    grid.squares[file][rank] = std::string(1, piece);
    grid.hand.clear();
    return true;
}

void SetupDiscard(SetupGrid& grid) { grid.hand.clear(); }

void SetupFill(SetupGrid& grid, bool start)
{
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            grid.squares[file][rank].clear();
    if (!start)
        return;
    const char backRank[] = "RNBQKBNR";
    for (int file = 1; file <= 8; ++file) {
        grid.squares[file][1] = std::string(1, backRank[file - 1]);
        grid.squares[file][2] = "P";
        grid.squares[file][7] = "p";
        grid.squares[file][8] = std::string(1, OfSide(backRank[file - 1], false));
    }
}

bool SetupKingsValid(const SetupGrid& grid)
{
    int white = 0, black = 0;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank) {
            const char piece = SetupSquare(grid, file, rank);
            white += piece == 'K';
            black += piece == 'k';
        }
    return white == 1 && black == 1;
}

Board SetupPosition(const SetupGrid& grid)
{
    Board board{};
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            board[file][rank] = SetupSquare(grid, file, rank);
    return board;
}

}  // namespace vorlik
