#include "FastGameReader.h"

#include <cstdint>
#include <cstdlib>

namespace vorlik {

namespace {

// Squares 0..63 as the key and the move codes count them: 8 * rank + file, from 0.
struct QuickBoard {
    char square[64] = {};
    bool whiteToMove = true;
    int castling = kAllCastling;
    int passedFile = 0;  // 1..8 after a double step, else 0
    std::uint64_t pieces = 0;  // the key of the squares alone
    int king[2] = {-1, -1};    // Black's, White's square
    bool inCheck = false;      // the side to move
};

int FileOf(int square) { return square & 7; }
int RankOf(int square) { return square >> 3; }
bool Inside(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }
bool OwnPiece(char piece, bool white) { return white ? IsWhitePiece(piece) : IsBlackPiece(piece); }

// The book format's piece kinds by letter: black pawn 0, white pawn 1, ... white king 11; -1 none.
int KindOf(char piece)
{
    switch (piece) {
    case 'p': return 0;
    case 'P': return 1;
    case 'n': return 2;
    case 'N': return 3;
    case 'b': return 4;
    case 'B': return 5;
    case 'r': return 6;
    case 'R': return 7;
    case 'q': return 8;
    case 'Q': return 9;
    case 'k': return 10;
    case 'K': return 11;
    default: return -1;
    }
}

std::uint64_t PieceKey(char piece, int square)
{
    const int pieceKind = KindOf(piece);
    return pieceKind < 0 ? 0 : PolyglotRandom()[64 * pieceKind + square];
}

void Put(QuickBoard& board, int square, char piece)
{
    board.pieces ^= PieceKey(board.square[square], square) ^ PieceKey(piece, square);
    board.square[square] = piece;
    if (piece == 'K' || piece == 'k')
        board.king[piece == 'K'] = square;
}

QuickBoard StartBoard()
{
    QuickBoard board;
    const char* back = "RNBQKBNR";
    for (int file = 0; file < 8; ++file) {
        Put(board, file, back[file]);
        Put(board, 8 + file, 'P');
        Put(board, 48 + file, 'p');
        Put(board, 56 + file, static_cast<char>(back[file] - 'A' + 'a'));
    }
    return board;
}

std::uint64_t KeyOf(const QuickBoard& board)
{
    std::uint64_t key = board.pieces;
    for (int right = 0; right < 4; ++right)
        if (board.castling & (1 << right))
            key ^= PolyglotRandom()[768 + right];
    if (board.passedFile) {
        // Counted only when a pawn of the side to move stands beside the one that passed.
        const int rank = board.whiteToMove ? 4 : 3;
        const char pawn = board.whiteToMove ? 'P' : 'p';
        const int file = board.passedFile - 1;
        if ((file > 0 && board.square[8 * rank + file - 1] == pawn) ||
            (file < 7 && board.square[8 * rank + file + 1] == pawn))
            key ^= PolyglotRandom()[772 + file];
    }
    if (board.whiteToMove)
        key ^= PolyglotRandom()[780];
    return key;
}

const int kKnight[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
const int kKing[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
const int kRook[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
const int kBishop[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};

// The first square holding a piece from square outward by the step; -1 at the board's edge.
int FirstOnRay(const QuickBoard& board, int square, int stepFile, int stepRank)
{
    int f = FileOf(square) + stepFile, r = RankOf(square) + stepRank;
    while (Inside(f, r) && board.square[8 * r + f] == 0) {
        f += stepFile;
        r += stepRank;
    }
    return Inside(f, r) ? 8 * r + f : -1;
}

// Is the square attacked by a piece of that side?
bool Attacked(const QuickBoard& board, int square, bool byWhite)
{
    const int file = FileOf(square), rank = RankOf(square);
    auto at = [&](int f, int r) { return board.square[8 * r + f]; };
    auto is = [&](int f, int r, char upper) { return Inside(f, r) && at(f, r) == OfSide(upper, byWhite); };
    for (const auto& step : kKnight)
        if (is(file + step[0], rank + step[1], 'N'))
            return true;
    for (const auto& step : kKing)
        if (is(file + step[0], rank + step[1], 'K'))
            return true;
    const int pawnRank = rank + (byWhite ? -1 : 1);
    if (is(file - 1, pawnRank, 'P') || is(file + 1, pawnRank, 'P'))
        return true;
    for (int line = 0; line < 2; ++line) {
        const auto& steps = line == 0 ? kRook : kBishop;
        const char slider = line == 0 ? 'R' : 'B';
        for (const auto& step : steps) {
            const int hit = FirstOnRay(board, square, step[0], step[1]);
            if (hit >= 0 && (board.square[hit] == OfSide(slider, byWhite) || board.square[hit] == OfSide('Q', byWhite)))
                return true;
        }
    }
    return false;
}

bool InCheck(const QuickBoard& board, bool white)
{
    return Attacked(board, board.king[white], !white);
}

struct Move {
    int from = -1, to = -1;
    char promotion = 0;  // upper case
    bool castle = false;
};

int RightsOf(const QuickBoard& board, int castling)
{
    // A right holds while its king and rook stand on their home squares.
    auto stands = [&](int square, char piece) { return board.square[square] == piece; };
    if (!stands(4, 'K'))
        castling &= ~(kWhiteKingSide | kWhiteQueenSide);
    if (!stands(7, 'R'))
        castling &= ~kWhiteKingSide;
    if (!stands(0, 'R'))
        castling &= ~kWhiteQueenSide;
    if (!stands(60, 'k'))
        castling &= ~(kBlackKingSide | kBlackQueenSide);
    if (!stands(63, 'r'))
        castling &= ~kBlackKingSide;
    if (!stands(56, 'r'))
        castling &= ~kBlackQueenSide;
    return castling;
}

// The squares a and b share a rank, a file or a diagonal.
bool Aligned(int a, int b)
{
    const int df = FileOf(b) - FileOf(a), dr = RankOf(b) - RankOf(a);
    return a != b && (df == 0 || dr == 0 || std::abs(df) == std::abs(dr));
}

// The first piece from the king outward through the aligned square is a
// piece of that side that moves along such a line.
bool LineAttack(const QuickBoard& board, int king, int through, bool byWhite)
{
    const int sf = (FileOf(through) > FileOf(king)) - (FileOf(through) < FileOf(king));
    const int sr = (RankOf(through) > RankOf(king)) - (RankOf(through) < RankOf(king));
    const int hit = FirstOnRay(board, king, sf, sr);
    if (hit < 0)
        return false;
    const char piece = board.square[hit];
    const char slider = sf == 0 || sr == 0 ? 'R' : 'B';
    return piece == OfSide(slider, byWhite) || piece == OfSide('Q', byWhite);
}

// The piece on from attacks the occupied square to (the squares between empty).
bool AttacksFrom(const QuickBoard& board, int from, int to)
{
    const char piece = board.square[from];
    const int df = FileOf(to) - FileOf(from), dr = RankOf(to) - RankOf(from);
    switch (UpperPiece(piece)) {
    case 'P': return std::abs(df) == 1 && dr == (IsWhitePiece(piece) ? 1 : -1);
    case 'N': return (std::abs(df) == 1 && std::abs(dr) == 2) || (std::abs(df) == 2 && std::abs(dr) == 1);
    case 'K': return std::abs(df) <= 1 && std::abs(dr) <= 1 && (df || dr);
    default: break;
    }
    const bool straight = df == 0 || dr == 0, diagonal = std::abs(df) == std::abs(dr);
    const char upper = UpperPiece(piece);
    if (from == to || (upper == 'R' && !straight) || (upper == 'B' && !diagonal) || !(straight || diagonal))
        return false;
    return FirstOnRay(board, from, (df > 0) - (df < 0), (dr > 0) - (dr < 0)) == to;
}

// Plays the move on a copy; false when it leaves the mover's king attacked.
// A full look around the king is needed only after a king's move, castling,
// a capture in passing, or when the king stood in check; otherwise only the
// line through the square the piece left can have opened onto it. The copy
// knows whether the move gives check, found the same way.
bool Play(const QuickBoard& board, const Move& move, QuickBoard& after)
{
    after = board;
    const bool white = board.whiteToMove;
    const char piece = board.square[move.from];
    after.passedFile = 0;
    bool special = move.castle || UpperPiece(piece) == 'K';
    if (UpperPiece(piece) == 'P') {
        if (FileOf(move.from) != FileOf(move.to) && board.square[move.to] == 0) {
            Put(after, 8 * RankOf(move.from) + FileOf(move.to), 0);  // taken in passing
            special = true;
        }
        if (std::abs(RankOf(move.to) - RankOf(move.from)) == 2)
            after.passedFile = FileOf(move.to) + 1;
    }
    Put(after, move.from, 0);
    Put(after, move.to, move.promotion ? OfSide(move.promotion, white) : piece);
    if (move.castle) {
        const int rank = RankOf(move.from) * 8;
        const bool kingSide = FileOf(move.to) == 6;
        Put(after, rank + (kingSide ? 7 : 0), 0);
        Put(after, rank + (kingSide ? 5 : 3), OfSide('R', white));
    }
    after.castling = RightsOf(after, board.castling);
    after.whiteToMove = !white;
    const int own = after.king[white];
    if (special || board.inCheck ? InCheck(after, white) : Aligned(own, move.from) && LineAttack(after, own, move.from, !white))
        return false;
    const int other = after.king[!white];
    after.inCheck = special ? InCheck(after, !white)
                            : AttacksFrom(after, move.to, other) ||
                                  (Aligned(other, move.from) && LineAttack(after, other, move.from, white));
    return true;
}

// The parts of a standard move token.
struct Token {
    char piece = 'P';
    int fromFile = -1, fromRank = -1;
    int to = -1;
    bool capture = false;
    char promotion = 0;
    int castle = 0;  // 1 king side, 2 queen side
    bool mate = false;
};

bool ReadToken(std::string_view text, Token& token)
{
    while (!text.empty() && (text.back() == '+' || text.back() == '#')) {
        token.mate = token.mate || text.back() == '#';
        text.remove_suffix(1);
    }
    if (text == "O-O" || text == "O-O-O") {
        token.castle = text.size() == 3 ? 1 : 2;
        return true;
    }
    std::size_t i = 0;
    if (i < text.size() && (text[i] == 'N' || text[i] == 'B' || text[i] == 'R' || text[i] == 'Q' || text[i] == 'K'))
        token.piece = text[i++];
    if (text.size() >= i + 2 && text[text.size() - 2] == '=') {
        token.promotion = text.back();
        text.remove_suffix(2);
    } else if (!text.empty() && (text.back() == 'N' || text.back() == 'B' || text.back() == 'R' || text.back() == 'Q')) {
        token.promotion = text.back();
        text.remove_suffix(1);
    }
    if (token.promotion && (token.piece != 'P' || (token.promotion != 'N' && token.promotion != 'B' &&
                                                   token.promotion != 'R' && token.promotion != 'Q')))
        return false;
    if (text.size() < i + 2 || !IsFileLetter(text[text.size() - 2]) || !IsRankDigit(text.back()))
        return false;
    token.to = 8 * (text.back() - '1') + (text[text.size() - 2] - 'a');
    std::string_view middle = text.substr(i, text.size() - 2 - i);
    if (!middle.empty() && middle.back() == 'x') {
        token.capture = true;
        middle.remove_suffix(1);
    }
    if (!middle.empty() && IsFileLetter(middle.front())) {
        token.fromFile = middle.front() - 'a';
        middle.remove_prefix(1);
    }
    if (!middle.empty() && IsRankDigit(middle.front())) {
        token.fromRank = middle.front() - '1';
        middle.remove_prefix(1);
    }
    if (!middle.empty())
        return false;
    // A pawn names its file only when it takes, and then exactly that.
    if (token.piece == 'P')
        return token.fromRank < 0 && token.capture == (token.fromFile >= 0);
    return true;
}

// The squares a piece of the token's kind (not a pawn) of the side to move
// stands on and reaches the token's square from, the squares between empty:
// looked for outward from the target, not over the whole board.
int PieceOrigins(const QuickBoard& board, const Token& token, int* origins)
{
    const char piece = OfSide(token.piece, board.whiteToMove);
    const int file = FileOf(token.to), rank = RankOf(token.to);
    int count = 0;
    const auto leap = [&](const int (*steps)[2]) {
        for (int k = 0; k < 8; ++k) {
            const int f = file + steps[k][0], r = rank + steps[k][1];
            if (Inside(f, r) && board.square[8 * r + f] == piece)
                origins[count++] = 8 * r + f;
        }
    };
    const auto slide = [&](const int (*steps)[2]) {
        for (int k = 0; k < 4; ++k) {
            const int hit = FirstOnRay(board, token.to, steps[k][0], steps[k][1]);
            if (hit >= 0 && board.square[hit] == piece)
                origins[count++] = hit;
        }
    };
    if (token.piece == 'N')
        leap(kKnight);
    else if (token.piece == 'K')
        leap(kKing);
    if (token.piece == 'R' || token.piece == 'Q')
        slide(kRook);
    if (token.piece == 'B' || token.piece == 'Q')
        slide(kBishop);
    return count;
}

// The squares a pawn of the side to move makes the token's move from: one
// diagonal step back for a capture (onto a piece, or in passing), else one
// or, from its home rank over an empty square, two steps straight back.
int PawnOrigins(const QuickBoard& board, const Token& token, int* origins)
{
    const bool white = board.whiteToMove;
    const char pawn = OfSide('P', white);
    const int forward = white ? 1 : -1, file = FileOf(token.to), rank = RankOf(token.to);
    const char target = board.square[token.to];
    int count = 0;
    if (token.capture) {
        const bool passing = target == 0 && board.passedFile == file + 1 && rank == (white ? 5 : 2);
        const int from = 8 * (rank - forward) + token.fromFile;
        if ((target != 0 || passing) && std::abs(token.fromFile - file) == 1 && Inside(token.fromFile, rank - forward) &&
            board.square[from] == pawn)
            origins[count++] = from;
        return count;
    }
    if (target != 0 || !Inside(file, rank - forward))
        return 0;
    const int one = token.to - 8 * forward;
    if (board.square[one] == pawn)
        origins[count++] = one;
    else if (board.square[one] == 0 && rank - 2 * forward == (white ? 1 : 6) && board.square[one - 8 * forward] == pawn)
        origins[count++] = one - 8 * forward;
    return count;
}

// The one legal move the token stands for; false when none or more than one (or a form left to the readers).
bool Resolve(const QuickBoard& board, const Token& token, Move& move, QuickBoard& after)
{
    const bool white = board.whiteToMove;
    if (token.castle) {
        const int rank = white ? 0 : 56;
        const bool kingSide = token.castle == 1;
        if (!(board.castling & CastlingBit(white, kingSide)))
            return false;
        for (int file = kingSide ? 5 : 1; file <= (kingSide ? 6 : 3); ++file)
            if (board.square[rank + file])
                return false;
        if (Attacked(board, rank + 4, !white) || Attacked(board, rank + (kingSide ? 5 : 3), !white))
            return false;
        move = {rank + 4, rank + (kingSide ? 6 : 2), 0, true};
        return Play(board, move, after);
    }
    const char target = board.square[token.to];
    if (OwnPiece(target, white) || UpperPiece(target) == 'K')
        return false;
    const bool lastRank = RankOf(token.to) == (white ? 7 : 0);
    if (token.piece == 'P' && lastRank != (token.promotion != 0))
        return false;  // a promotion without its piece, or a piece where none is due: the readers decide
    int origins[16];
    const int count = token.piece == 'P' ? PawnOrigins(board, token, origins) : PieceOrigins(board, token, origins);
    int found = 0;
    QuickBoard trial;
    for (int k = 0; k < count; ++k) {
        const int from = origins[k];
        if ((token.fromFile >= 0 && FileOf(from) != token.fromFile) || (token.fromRank >= 0 && RankOf(from) != token.fromRank))
            continue;
        const Move candidate{from, token.to, token.promotion, false};
        if (!Play(board, candidate, trial))
            continue;
        if (++found > 1)
            return false;
        move = candidate;
        after = trial;
    }
    return found == 1 && (token.piece == 'P' || token.capture == (target != 0) || !token.capture);
}

bool IsMoveNumber(std::string_view word)
{
    std::size_t i = 0;
    while (i < word.size() && word[i] >= '0' && word[i] <= '9')
        ++i;
    if (i == 0 || i == word.size())
        return false;
    while (i < word.size() && word[i] == '.')
        ++i;
    return i == word.size();
}

bool IsResult(std::string_view word)
{
    return word == "1-0" || word == "0-1" || word == "1/2-1/2" || word == "*" || word == "1/2";
}

int Code(const Move& move)
{
    static const char promotions[] = " NBRQ";
    int piece = 0;
    for (int k = 1; k <= 4; ++k)
        if (promotions[k] == move.promotion)
            piece = k;
    return move.from * 64 + move.to + piece * 4096;
}

}  // namespace

bool ReadPlainMoves(std::string_view moveText, std::vector<LinePosition>& line)
{
    line.clear();
    QuickBoard board = StartBoard();
    line.push_back({KeyOf(board), 0, 0});
    bool mated = false;
    std::size_t i = 0;
    while (i < moveText.size()) {
        if (moveText[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < moveText.size() && moveText[end] != ' ')
            ++end;
        const std::string_view word = moveText.substr(i, end - i);
        i = end;
        if (IsMoveNumber(word))
            continue;
        if (IsResult(word))
            break;
        Token token;
        Move move;
        QuickBoard after;
        // After a mark of mate the readers take no more moves: they decide such a game.
        if (mated || static_cast<int>(line.size()) > kMaxPly || !ReadToken(word, token) || !Resolve(board, token, move, after))
            return false;
        mated = token.mate;
        line.back().move = Code(move);
        board = after;
        line.push_back({KeyOf(board), static_cast<int>(line.size()), 0});
    }
    return true;
}

}  // namespace vorlik
