#include "FenText.h"

#include "ModuleMekMoveCheck.h"

#include <algorithm>

namespace vorlik {

FenError ReadFenText(const std::string& text, Board& board, bool& blackToMove)
{
    Board read = board;
    int rank = 8, file = 0;
    std::size_t k = 0;
    for (; k < text.size() && text[k] != ' '; ++k) {
        const char c = text[k];
        if (c == '/') {
            if (--rank < 1)
                return FenError::TooManyRanks;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            for (int empty = c - '0'; empty > 0; --empty) {
                if (++file > 8)
                    return FenError::RankTooLong;
                read[file][rank] = 0;
            }
        } else if (IsPiece(c)) {
            if (++file > 8)
                return FenError::RankTooLong;
            read[file][rank] = c;
        } else {
            return FenError::BadCharacter;
        }
    }
    if (k + 1 >= text.size())
        return FenError::NoSide;
    board = read;
    blackToMove = text[k + 1] != 'w';
    return FenError::None;
}

std::string FenErrorText(FenError error)
{
    switch (error) {
    case FenError::None: return std::string();
    case FenError::BadCharacter: return "FENの盤面に駒でも数字でもない文字があります";
    case FenError::RankTooLong: return "FENの盤面の段が8マスを超えています";
    case FenError::TooManyRanks: return "FENの盤面が8段を超えています";
    case FenError::NoSide: return "FENに手番がありません";
    }
    return std::string();
}

std::string WriteFenBoard(const Board& board)
{
    std::string text;
    for (int rank = 8; rank >= 1; --rank) {
        int empty = 0;
        for (int file = 1; file <= 8; ++file) {
            const char piece = board[file][rank];
            if (IsPiece(piece)) {
                if (empty > 0)
                    text += static_cast<char>('0' + empty);
                empty = 0;
                text += piece;
            } else {
                ++empty;
            }
        }
        if (empty > 0)
            text += static_cast<char>('0' + empty);
        if (rank > 1)
            text += '/';
    }
    return text;
}

namespace {

struct PlyMove {
    int fromFile = 0, fromRank = 0, toFile = 0, toRank = 0;
};

// The squares of a ply's move from its coordinates; false for a ply without
// one (the empty first ply of a game that starts with Black).
bool MoveOfPly(const GameState& game, int ply, PlyMove& move)
{
    const std::string& coord = game.KifuCoord[ply];
    if (coord.size() < 4 || !IsFileLetter(coord[0]) || !IsRankDigit(coord[1]) || !IsFileLetter(coord[2]) ||
        !IsRankDigit(coord[3]))
        return false;
    move = {coord[0] - 'a' + 1, coord[1] - '0', coord[2] - 'a' + 1, coord[3] - '0'};
    return true;
}

// The rules' own test before castling, over the record up to ply.
bool NeverMoved(const GameState& game, int ply, int file, int rank, char piece)
{
    return StayedHome(BoardHistory{game.KifuBoard.data(), ply + 1}, file, rank, piece);
}

std::string CastlingRights(const GameState& game, int ply)
{
    std::string rights;
    for (const bool white : {true, false}) {
        const int rank = white ? 1 : 8;
        if (!NeverMoved(game, ply, 5, rank, OfSide('K', white)))
            continue;
        if (NeverMoved(game, ply, 8, rank, OfSide('R', white)))
            rights += OfSide('K', white);
        if (NeverMoved(game, ply, 1, rank, OfSide('R', white)))
            rights += OfSide('Q', white);
    }
    return rights.empty() ? "-" : rights;
}

std::string PassedSquare(const GameState& game, int ply)
{
    PlyMove move;
    if (ply < 1 || !MoveOfPly(game, ply, move))
        return "-";
    const bool white = IsWhitePly(ply);
    const char pawn = OfSide('P', white);
    const int startRank = white ? 2 : 7, landRank = white ? 4 : 5;
    if (move.fromFile != move.toFile || move.fromRank != startRank || move.toRank != landRank ||
        game.KifuBoard[ply - 1][move.fromFile][startRank] != pawn || game.KifuBoard[ply][move.toFile][landRank] != pawn)
        return "-";
    return {FileLetter(move.toFile), RankDigit((startRank + landRank) / 2)};
}

int PieceCount(const Board& board)
{
    int count = 0;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            count += IsPiece(board[file][rank]);
    return count;
}

// Plies since the last capture or pawn move, counted within the record: a
// set-up start counts from 0.
int HalfMoveClock(const GameState& game, int ply)
{
    int clock = 0;
    for (int p = ply; p >= 1; --p) {
        PlyMove move;
        if (!MoveOfPly(game, p, move))
            continue;
        const bool pawnMove = UpperPiece(game.KifuBoard[p - 1][move.fromFile][move.fromRank]) == 'P';
        if (pawnMove || PieceCount(game.KifuBoard[p]) < PieceCount(game.KifuBoard[p - 1]))
            break;
        ++clock;
    }
    return clock;
}

}  // namespace

std::string WriteFenText(const GameState& game, int ply)
{
    ply = std::clamp(ply, 0, kMaxPly);
    // Ply 1 is always White's first move (a game that starts with Black leaves
    // it empty), so the move number follows from the ply alone.
    return WriteFenBoard(game.KifuBoard[ply]) + (IsWhitePly(ply) ? " b " : " w ") + CastlingRights(game, ply) + " " +
           PassedSquare(game, ply) + " " + std::to_string(HalfMoveClock(game, ply)) + " " +
           std::to_string(ply / 2 + 1);
}

std::string WriteStartFen(const GameState& game)
{
    return WriteFenBoard(game.KifuBoard[0]) + (StartsWithBlack(game) ? " b " : " w ") + CastlingRights(game, 0) +
           " - 0 1";
}

}  // namespace vorlik
