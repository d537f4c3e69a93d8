#include "FenText.h"

#include "ModuleMekMoveCheck.h"

#include <algorithm>
#include <vector>

namespace vorlik {

namespace {

std::vector<std::string> Words(const std::string& text, std::size_t from)
{
    std::vector<std::string> words;
    for (std::size_t k = from; k < text.size(); ++k) {
        if (text[k] == ' ' || text[k] == '\t')
            continue;
        const std::size_t end = std::min(text.find_first_of(" \t", k), text.size());
        words.push_back(text.substr(k, end - k));
        k = end;
    }
    return words;
}

// "KQkq", any of them, or "-". A right stays only where the king and that
// rook stand on their home squares.
bool ReadCastling(const std::string& field, const Board& board, int& castling)
{
    castling = 0;
    if (field == "-")
        return true;
    for (const char c : field) {
        if (UpperPiece(c) != 'K' && UpperPiece(c) != 'Q')
            return false;
        const bool white = IsWhitePiece(c), kingSide = UpperPiece(c) == 'K';
        const int bit = CastlingBit(white, kingSide);
        if (CastlingRightHeld(BoardHistory{&board, 1, bit}, white, kingSide))
            castling |= bit;
    }
    return true;
}

// "-" or the square a pawn passed in a double step; a square that the pawn of
// the side that moved last did not just pass reads as none.
bool ReadPassedSquare(const std::string& field, const Board& board, bool blackToMove, int& passedFile)
{
    passedFile = 0;
    if (field == "-")
        return true;
    if (field.size() != 2 || !IsFileLetter(field[0]) || !IsRankDigit(field[1]))
        return false;
    const int file = field[0] - 'a' + 1;
    const bool whiteStepped = blackToMove;
    const int passedRank = whiteStepped ? 3 : 6, step = whiteStepped ? 1 : -1;
    if (field[1] - '0' == passedRank && board[file][passedRank + step] == OfSide('P', whiteStepped) &&
        board[file][passedRank] == 0 && board[file][passedRank - step] == 0)
        passedFile = file;
    return true;
}

// A clock or move number; one beyond all reason is held at 99999, so that the
// number written after the moves of a record still reads back.
bool ReadCounter(const std::string& field, int& value)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (field.empty() || field.size() > 6 || !std::all_of(field.begin(), field.end(), digit))
        return false;
    value = std::min(std::stoi(field), 99999);
    return true;
}

// The fields after the side to move; those left out keep the standard start's.
FenError ReadRights(const std::vector<std::string>& fields, const Board& board, bool blackToMove, StartRights& rights)
{
    if (fields.size() > 0 && !ReadCastling(fields[0], board, rights.castling))
        return FenError::BadCastling;
    if (fields.size() > 1 && !ReadPassedSquare(fields[1], board, blackToMove, rights.passedFile))
        return FenError::BadPassedSquare;
    if (fields.size() > 2 && !ReadCounter(fields[2], rights.halfMoveClock))
        return FenError::BadCounter;
    if (fields.size() > 3 && !ReadCounter(fields[3], rights.moveNumber))
        return FenError::BadCounter;
    rights.moveNumber = std::max(rights.moveNumber, 1);  // some programs write 0
    return FenError::None;
}

}  // namespace

FenError ReadFenText(const std::string& text, Board& board, bool& blackToMove, StartRights* rights)
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
    const bool black = text[k + 1] != 'w';
    StartRights readRights;
    const FenError error = ReadRights(Words(text, k + 2), read, black, readRights);
    if (error != FenError::None)
        return error;
    board = read;
    blackToMove = black;
    if (rights)
        *rights = readRights;
    return FenError::None;
}

FenError CheckFenPosition(const Board& board, bool blackToMove)
{
    int kings[2] = {0, 0};
    int moverFile = 0, moverRank = 0;
    const bool whiteMoved = blackToMove;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank) {
            const char piece = board[file][rank];
            if (!IsPiece(piece) || UpperPiece(piece) != 'K')
                continue;
            ++kings[IsWhitePiece(piece) ? 0 : 1];
            if (IsWhitePiece(piece) == whiteMoved)
                moverFile = file, moverRank = rank;
        }
    if (kings[0] == 0 || kings[1] == 0)
        return FenError::NoKing;
    if (kings[0] > 1 || kings[1] > 1)
        return FenError::TwoKings;
    WorkLayer layer;
    layer.load(board);
    if (SquareAttacked(layer, moverFile, moverRank, !whiteMoved))
        return FenError::MoverInCheck;
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
    case FenError::BadCastling: return "FENのキャスリングの欄は「-」か K, Q, k, q の文字です";
    case FenError::BadPassedSquare: return "FENのアンパッサンの欄は「-」かマス(e3 など)です";
    case FenError::BadCounter: return "FENの手数の欄が数字ではありません";
    case FenError::NoKing: return "FENの局面にキングのない側があります";
    case FenError::TwoKings: return "FENの局面に同じ側のキングが2つ以上あります";
    case FenError::MoverInCheck: return "FENの局面で手番でない側のキングがチェックされています";
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
std::string CastlingRights(const GameState& game, int ply)
{
    const BoardHistory history = RecordHistory(game, ply + 1);
    std::string rights;
    for (const bool white : {true, false})
        for (const bool kingSide : {true, false})
            if (CastlingRightHeld(history, white, kingSide))
                rights += OfSide(kingSide ? 'K' : 'Q', white);
    return rights.empty() ? "-" : rights;
}

std::string PassedSquare(const GameState& game, int ply)
{
    if (HoldsStart(game, ply)) {
        const int file = game.Start.passedFile;
        if (file < 1 || file > 8)
            return "-";
        return {FileLetter(file), IsWhitePly(ply) ? '3' : '6'};
    }
    PlyMove move;
    if (!MoveOfPly(game, ply, move))
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

}  // namespace

int HalfMoveClock(const GameState& game, int ply)
{
    int clock = 0;
    for (int p = ply; p >= 1; --p) {
        PlyMove move;
        if (!MoveOfPly(game, p, move))
            continue;
        const bool pawnMove = UpperPiece(game.KifuBoard[p - 1][move.fromFile][move.fromRank]) == 'P';
        if (pawnMove || PieceCount(game.KifuBoard[p]) < PieceCount(game.KifuBoard[p - 1]))
            return clock;
        ++clock;
    }
    return clock + game.Start.halfMoveClock;
}

std::string WriteFenText(const GameState& game, int ply)
{
    ply = std::clamp(ply, 0, kMaxPly);
    // Ply 1 is always White's first move (a game that starts with Black leaves
    // it empty), so the side to move is that of the next ply, and so is the
    // move number.
    return WriteFenBoard(game.KifuBoard[ply]) + (IsWhitePly(ply) ? " b " : " w ") + CastlingRights(game, ply) + " " +
           PassedSquare(game, ply) + " " + std::to_string(HalfMoveClock(game, ply)) + " " +
           std::to_string(MoveNumber(game, ply + 1));
}

std::string WriteStartFen(const GameState& game)
{
    // A game that starts with Black keeps its start in ply 1 as well.
    return WriteFenText(game, StartsWithBlack(game) ? 1 : 0);
}

}  // namespace vorlik
