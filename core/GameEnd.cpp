#include "GameEnd.h"

#include "FenText.h"
#include "ModuleMekMoveCheck.h"

#include <algorithm>

namespace vorlik {

namespace {

constexpr int kFiftyMovePlies = 100;

bool HasKing(const Board& board, bool white)
{
    const char king = OfSide('K', white);
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            if (board[file][rank] == king)
                return true;
    return false;
}

GameEnd NoMoveEnd(const GameState& game, int ply)
{
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

// Kings alone, a king with one knight or bishop against a bare king, or
// bishops on squares of one colour only: no sequence of moves mates.
bool NoMatingMaterial(const Board& board)
{
    int minors = 0, knights = 0;
    bool darkBishop = false, lightBishop = false;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank) {
            const char piece = UpperPiece(board[file][rank]);
            if (piece == 'Q' || piece == 'R' || piece == 'P')
                return false;
            if (piece == 'N')
                ++knights, ++minors;
            if (piece == 'B') {
                ++minors;
                ((file + rank) % 2 == 0 ? darkBishop : lightBishop) = true;  // a1 is dark
            }
        }
    return minors <= 1 || (knights == 0 && !(darkBishop && lightBishop));
}

// What makes two positions the same for the repetition: the squares, the
// side to move, the castling rights and the file of a legal capture in
// passing (a double step that no pawn can take leaves no right behind).
struct PositionKey {
    Board board;
    bool whiteToMove;
    int castling;
    int passingFile;

    bool operator==(const PositionKey& other) const
    {
        return board == other.board && whiteToMove == other.whiteToMove && castling == other.castling &&
               passingFile == other.passingFile;
    }
};

// The castling rights held after ply `ply`: those the start gave, for kings
// and rooks that never left their squares since.
int CastlingAfter(const GameState& game, int ply)
{
    int rights = 0;
    for (const bool white : {true, false})
        for (const bool kingSide : {true, false})
            if (CastlingRightHeld(RecordHistory(game, ply + 1), white, kingSide))
                rights |= CastlingBit(white, kingSide);
    return rights;
}

// The file a pawn of the side to move may take in passing after ply `ply`, or 0.
int LegalPassingFile(const GameState& game, int ply)
{
    const std::string previous = PreviousPostal(game, ply + 1);
    const bool white = IsWhitePly(ply + 1);
    if (previous.size() < 4 || previous[0] != previous[2] || previous[3] - previous[1] != (white ? -2 : 2))
        return 0;
    const int file = previous[0] - '0', landRank = white ? 5 : 4;
    for (const int from : {file - 1, file + 1}) {
        if (from < 1 || from > 8 || game.KifuBoard[ply][from][landRank] != OfSide('P', white))
            continue;
        Board board = game.KifuBoard[ply];
        std::string coord{FileLetter(from), RankDigit(landRank), FileLetter(file), RankDigit(white ? 6 : 3)};
        std::string postal, shortText, longText;
        if (CheckMove(board, ply + 1, coord, postal, shortText, longText, previous,
                      MoveContext{RecordHistory(game, ply + 1)}))
            return file;
    }
    return 0;
}

bool ThirdOccurrence(const GameState& game, int ply)
{
    // Only the plies since the last capture or pawn move can repeat the
    // position; a game that starts with Black holds its start in plies 0 and
    // 1, and only ply 1, with Black to move, is a position of the game.
    const int first = std::max(ply - HalfMoveClock(game, ply), StartsWithBlack(game) ? 1 : 0);
    if (ply - first < 8)
        return false;  // a third time needs two round trips of four plies
    const auto key = [&](int p) {
        return PositionKey{game.KifuBoard[p], IsWhitePly(p + 1), CastlingAfter(game, p), LegalPassingFile(game, p)};
    };
    const PositionKey now = key(ply);
    int seen = 1;
    for (int p = ply - 2; p >= first && seen < 3; p -= 2)
        seen += game.KifuBoard[p] == now.board && key(p) == now;
    return seen >= 3;
}

}  // namespace

GameEnd GameEndAt(const GameState& game, int ply)
{
    if (ply < 0 || ply > kMaxPly)
        return GameEnd::None;
    const GameEnd noMove = NoMoveEnd(game, ply);
    if (noMove != GameEnd::None)
        return noMove;
    if (NoMatingMaterial(game.KifuBoard[ply]))
        return GameEnd::NoMaterial;
    if (ThirdOccurrence(game, ply))
        return GameEnd::Repetition;
    if (HalfMoveClock(game, ply) >= kFiftyMovePlies)
        return GameEnd::FiftyMoves;
    return GameEnd::None;
}

const char* GameEndResult(GameEnd end)
{
    switch (end) {
    case GameEnd::WhiteMates: return "1-0";
    case GameEnd::BlackMates: return "0-1";
    case GameEnd::Stalemate:
    case GameEnd::Repetition:
    case GameEnd::FiftyMoves:
    case GameEnd::NoMaterial: return "1/2-1/2";
    case GameEnd::None: break;
    }
    return "";
}

const char* GameEndText(GameEnd end)
{
    switch (end) {
    case GameEnd::WhiteMates: return "チェックメイトです。白の勝ちです。";
    case GameEnd::BlackMates: return "チェックメイトです。黒の勝ちです。";
    case GameEnd::Stalemate: return "ステイルメイトです。引き分けです。";
    case GameEnd::Repetition: return "同じ局面が3回現れました。引き分けです。";
    case GameEnd::FiftyMoves: return "50手の間、駒を取る手もポーンの手もありませんでした。引き分けです。";
    case GameEnd::NoMaterial: return "どちらにもチェックメイトできる駒がありません。引き分けです。";
    case GameEnd::None: break;
    }
    return "";
}

}  // namespace vorlik
