#include "ModuleMekMoveCheck.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace vorlik {

const int kKnightSteps[8][2] = {{1, -2}, {2, -1}, {2, 1}, {1, 2}, {-1, 2}, {-2, 1}, {-2, -1}, {-1, -2}};
const int kKingSteps[8][2] = {{0, 1}, {0, -1}, {-1, 0}, {1, 0}, {-1, 1}, {-1, -1}, {1, -1}, {1, 1}};

namespace {

// Steps of direction 1..4 (index 0 unused).
const int kLineSteps[5][2] = {{0, 0}, {0, 1}, {0, -1}, {-1, 0}, {1, 0}};
const int kDiagonalSteps[5][2] = {{0, 0}, {-1, 1}, {-1, -1}, {1, -1}, {1, 1}};

bool ScanRay(RuleWork& work, const int (&steps)[5][2], int direction)
{
    if (direction < 1 || direction > 4)
        return false;
    const int fileStep = steps[direction][0];
    const int rankStep = steps[direction][1];
    for (int file = work.ToFile + fileStep, rank = work.ToRank + rankStep; OnBoard(file, rank);
         file += fileStep, rank += rankStep) {
        const char piece = work.Before.at(file, rank);
        if (piece == work.ScanPiece) {
            work.FromFile = file;
            work.FromRank = rank;
            return true;
        }
        if (piece != 0)
            return false;
    }
    return false;
}

// Texts of a knight, bishop, rook, queen or king move before disambiguation.
void SetPieceTexts(RuleWork& work, bool capture)
{
    const char letter = UpperPiece(work.ScanPiece);
    const char toFile = FileLetter(work.ToFile), toRank = RankDigit(work.ToRank);
    if (capture)
        work.WorkShort = {letter, 'x', toFile, toRank};
    else
        work.WorkShort = {letter, toFile, toRank};
    work.WorkLong = {letter, FileLetter(work.FromFile), RankDigit(work.FromRank), capture ? 'x' : '-', toFile, toRank};
}

void SetPawnTexts(RuleWork& work, bool capture)
{
    const char toFile = FileLetter(work.ToFile), toRank = RankDigit(work.ToRank);
    if (capture)
        work.WorkShort = {FileLetter(work.FromFile), 'x', toFile, toRank};
    else
        work.WorkShort = {toFile, toRank};
    work.WorkLong = {FileLetter(work.FromFile), RankDigit(work.FromRank), capture ? 'x' : '-', toFile, toRank};
}

// Short texts name the from-file, the from-rank or both when another piece of
// the same kind reaches the to-square by geometry (a pinned one counts too).
void Disambiguate(RuleWork& work)
{
    const int fromFile = work.FromFile, fromRank = work.FromRank;
    const char kind = UpperPiece(work.ScanPiece);
    int candidateFile[8], candidateRank[8];
    int count = 0;
    auto record = [&](int file, int rank) {
        if (count < 8) {
            candidateFile[count] = file;
            candidateRank[count] = rank;
            ++count;
        }
    };
    if (kind == 'N') {
        for (const auto& step : kKnightSteps) {
            const int file = work.ToFile + step[0], rank = work.ToRank + step[1];
            if (OnBoard(file, rank) && work.Before.at(file, rank) == work.ScanPiece)
                record(file, rank);
        }
    } else {
        for (int direction = 1; direction <= 4; ++direction) {
            if (kind != 'R' && ScanDiagonal(work, direction))
                record(work.FromFile, work.FromRank);
            if (kind != 'B' && ScanLine(work, direction))
                record(work.FromFile, work.FromRank);
        }
    }
    work.FromFile = fromFile;
    work.FromRank = fromRank;
    if (count <= 1)
        return;
    int sameFile = 0, sameRank = 0;
    for (int k = 0; k < count; ++k) {
        sameFile += candidateFile[k] == fromFile;
        sameRank += candidateRank[k] == fromRank;
    }
    std::string inserted;
    if (sameRank > 1 || sameFile <= 1)
        inserted += FileLetter(fromFile);
    if (sameFile > 1)
        inserted += RankDigit(fromRank);
    work.WorkShort.insert(1, inserted);
}

bool KnightMove(RuleWork& work, bool capture)
{
    const int fileDistance = std::abs(work.ToFile - work.FromFile);
    const int rankDistance = std::abs(work.ToRank - work.FromRank);
    if (!((fileDistance == 1 && rankDistance == 2) || (fileDistance == 2 && rankDistance == 1)))
        return false;
    SetPieceTexts(work, capture);
    Disambiguate(work);
    return true;
}

// Bishop, rook and queen: the from-square must be the first piece seen from
// the destination along a line of the piece's kind.
bool SliderMove(RuleWork& work, bool capture, bool lines, bool diagonals)
{
    const int fromFile = work.FromFile, fromRank = work.FromRank;
    bool reached = false;
    for (int direction = 1; direction <= 4 && !reached; ++direction) {
        if (lines && ScanLine(work, direction))
            reached = work.FromFile == fromFile && work.FromRank == fromRank;
        if (!reached && diagonals && ScanDiagonal(work, direction))
            reached = work.FromFile == fromFile && work.FromRank == fromRank;
    }
    work.FromFile = fromFile;
    work.FromRank = fromRank;
    if (!reached)
        return false;
    SetPieceTexts(work, capture);
    Disambiguate(work);
    return true;
}

}  // namespace

bool StayedHome(const BoardHistory& history, int file, int rank, char piece)
{
    for (int ply = 0; ply < history.count; ++ply)
        if (history.boards[ply][file][rank] != piece)
            return false;
    return true;
}

bool CastlingRightHeld(const BoardHistory& history, bool white, bool kingSide)
{
    const int rank = white ? 1 : 8;
    return (history.castling & CastlingBit(white, kingSide)) != 0 && StayedHome(history, 5, rank, OfSide('K', white)) &&
           StayedHome(history, kingSide ? 8 : 1, rank, OfSide('R', white));
}

namespace {

// Castling needs the right to it (a start that gave it up keeps it given up),
// king and rook on their home squares, never moved before,
// nothing between them, and a king that is not in check and crosses no
// attacked square.
bool CastlingAllowed(const WorkLayer& before, const BoardHistory& history, bool white, bool kingSide)
{
    const int rank = white ? 1 : 8;
    const char king = OfSide('K', white), rook = OfSide('R', white);
    const int rookFile = kingSide ? 8 : 1;
    if (before.at(5, rank) != king || before.at(rookFile, rank) != rook)
        return false;
    const int firstBetween = kingSide ? 6 : 2, lastBetween = kingSide ? 7 : 4;
    for (int file = firstBetween; file <= lastBetween; ++file)
        if (before.at(file, rank) != 0)
            return false;
    const int crossed = kingSide ? 6 : 4, kingTo = kingSide ? 7 : 3;
    if (SquareAttacked(before, 5, rank, !white) || SquareAttacked(before, crossed, rank, !white) ||
        SquareAttacked(before, kingTo, rank, !white))
        return false;
    return CastlingRightHeld(history, white, kingSide);
}

bool Castle(RuleWork& work, const MoveContext& context, bool kingSide)
{
    if (!CastlingAllowed(work.Before, context.history, work.WhiteMoving, kingSide))
        return false;
    const int rank = work.FromRank;
    work.After.at(kingSide ? 8 : 1, rank) = 0;
    work.After.at(kingSide ? 6 : 4, rank) = OfSide('R', work.WhiteMoving);
    work.WorkShort = work.WorkLong = kingSide ? "o-o" : "o-o-o";
    return true;
}

bool KingMove(RuleWork& work, const MoveContext& context, bool capture)
{
    const int homeRank = work.WhiteMoving ? 1 : 8;
    if (work.MvChar[1] == 'e' && (work.MvChar[3] == 'g' || work.MvChar[3] == 'c') && work.FromRank == homeRank &&
        work.ToRank == homeRank)
        return Castle(work, context, work.MvChar[3] == 'g');
    if (std::abs(work.ToFile - work.FromFile) > 1 || std::abs(work.ToRank - work.FromRank) > 1)
        return false;
    SetPieceTexts(work, capture);
    return true;
}

char PromotionDigit(char letter)
{
    switch (UpperPiece(letter)) {
    case 'N': return '1';
    case 'B': return '2';
    case 'R': return '3';
    case 'Q': return '4';
    default: return 0;
    }
}

bool Promotion(RuleWork& work, const MoveContext& context, bool capture, int fileStep, int forward)
{
    if (forward != 1 || (capture ? fileStep != 1 : fileStep != 0))
        return false;
    if (work.MvChar[5] == 0)
        work.MvChar[5] = context.askPromotion ? (*context.askPromotion)(work.ToRank) : 'q';
    const char letter = work.MvChar[5];
    if (PromotionDigit(letter) == 0)
        return false;
    work.WorkCoord += letter;
    const char piece = OfSide(UpperPiece(letter), work.WhiteMoving);
    work.Before.at(work.FromFile, work.FromRank) = piece;
    work.WorkPostal[3] = PromotionDigit(letter);
    SetPawnTexts(work, capture);
    const std::string suffix = std::string("=") + UpperPiece(letter);
    work.WorkShort += suffix;
    work.WorkLong += suffix;
    return true;
}

// Capture in passing: only right after the enemy pawn's double step from its
// start rank. The file of that pawn, or 0 when nothing may be taken so.
int PassingFile(const WorkLayer& before, const std::string& previous, bool white)
{
    if (previous.size() < 4 || previous[0] != previous[2] || previous[1] != RankDigit(white ? 7 : 2) ||
        previous[3] != RankDigit(white ? 5 : 4))
        return 0;
    const int file = previous[0] - '0';
    if (file < 1 || file > 8 || before.at(file, white ? 5 : 4) != OfSide('P', !white))
        return 0;
    return file;
}

bool EnPassant(RuleWork& work, int fileStep, int forward)
{
    if (fileStep != 1 || forward != 1 || work.Before.at(work.ToFile, work.ToRank) != 0)
        return false;
    const int landRank = work.WhiteMoving ? 5 : 4;
    if (work.FromRank != landRank || PassingFile(work.Before, work.PrevPostal, work.WhiteMoving) != work.ToFile)
        return false;
    work.After.at(work.ToFile, landRank) = 0;
    SetPawnTexts(work, true);
    return true;
}

bool PawnMove(RuleWork& work, const MoveContext& context, bool capture)
{
    const int forward = (work.ToRank - work.FromRank) * (work.WhiteMoving ? 1 : -1);
    const int fileStep = std::abs(work.ToFile - work.FromFile);
    if (forward < 1)
        return false;
    if (work.ToRank == (work.WhiteMoving ? 8 : 1))
        return Promotion(work, context, capture, fileStep, forward);
    if ((work.ToRank == 4 || work.ToRank == 5) && forward == 2) {
        // A pawn off its start rank fails here: the square it would pass is its own.
        const int passedRank = work.WhiteMoving ? 3 : 6;
        if (fileStep != 0 || capture || work.Before.at(work.ToFile, passedRank) != 0)
            return false;
        SetPawnTexts(work, false);
        return true;
    }
    if ((work.ToRank == 3 || work.ToRank == 6) && EnPassant(work, fileStep, forward))
        return true;
    if (forward != 1 || (capture ? fileStep != 1 : fileStep != 0))
        return false;
    SetPawnTexts(work, capture);
    return true;
}

bool PieceRules(RuleWork& work, const MoveContext& context, bool capture)
{
    switch (UpperPiece(work.ScanPiece)) {
    case 'K': return KingMove(work, context, capture);
    case 'Q': return SliderMove(work, capture, true, true);
    case 'R': return SliderMove(work, capture, true, false);
    case 'B': return SliderMove(work, capture, false, true);
    case 'N': return KnightMove(work, capture);
    case 'P': return PawnMove(work, context, capture);
    default: return false;
    }
}

}  // namespace

void WorkLayer::load(const Board& board)
{
    static const WorkLayer kFrame = [] {
        WorkLayer frame;
        std::fill(std::begin(frame.cell), std::end(frame.cell), kBorder);
        return frame;
    }();
    *this = kFrame;
    for (int file = 1; file <= 8; ++file)
        std::copy(&board[file][1], &board[file][1] + 8, &cell[index(file, 1)]);
}

bool ScanLine(RuleWork& work, int direction) { return ScanRay(work, kLineSteps, direction); }

bool ScanDiagonal(RuleWork& work, int direction) { return ScanRay(work, kDiagonalSteps, direction); }

namespace {

// Steps as offsets into the flat cell array of a WorkLayer.
constexpr int W = WorkLayer::kWidth;
const int kKnightOffsets[8] = {2 * W + 1, 2 * W - 1, -2 * W + 1, -2 * W - 1, W + 2, W - 2, -W + 2, -W - 2};
const int kAroundOffsets[8] = {1, -1, W, -W, W + 1, W - 1, -W + 1, -W - 1};
const int kLineOffsets[4] = {1, -1, W, -W};
const int kDiagonalOffsets[4] = {W + 1, W - 1, -W + 1, -W - 1};

bool AttackedAt(const char* cell, int square, bool byWhite)
{
    const int pawnFrom = byWhite ? -1 : 1;  // a white pawn attacks from the rank below
    const char pawn = OfSide('P', byWhite);
    if (cell[square + pawnFrom - W] == pawn || cell[square + pawnFrom + W] == pawn)
        return true;
    const char knight = OfSide('N', byWhite), king = OfSide('K', byWhite);
    for (int k = 0; k < 8; ++k)
        if (cell[square + kKnightOffsets[k]] == knight || cell[square + kAroundOffsets[k]] == king)
            return true;
    const char queen = OfSide('Q', byWhite), rook = OfSide('R', byWhite), bishop = OfSide('B', byWhite);
    for (int k = 0; k < 4; ++k) {
        int at = square + kLineOffsets[k];
        while (cell[at] == 0)
            at += kLineOffsets[k];
        if (cell[at] == rook || cell[at] == queen)
            return true;
        at = square + kDiagonalOffsets[k];
        while (cell[at] == 0)
            at += kDiagonalOffsets[k];
        if (cell[at] == bishop || cell[at] == queen)
            return true;
    }
    return false;
}

// The square of the first king of one side in the order the check test
// searches (file a first, rank 1 first within a file); -1 when there is none.
int FirstKing(const char* cell, char king)
{
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            if (cell[WorkLayer::index(file, rank)] == king)
                return WorkLayer::index(file, rank);
    return -1;
}

int KingCount(const char* cell, char king)
{
    int count = 0;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            count += cell[WorkLayer::index(file, rank)] == king;
    return count;
}

// Looks for one move of one side that the rules accept, trying each on the
// layer in place and putting the squares back, so nothing is allocated.
// The moves are the ones CheckMove takes: the same piece steps, the same
// double step, capture in passing and castling conditions, and the same test
// of the own king afterwards.
class LegalMoveSearch {
public:
    LegalMoveSearch(WorkLayer& layer, bool white, int passingFile, const BoardHistory& history)
        : cell_(layer.cell), layer_(layer), white_(white), passingFile_(passingFile), history_(history),
          king_(OfSide('K', white)), kingSquare_(FirstKing(layer.cell, king_)),
          soleKing_(KingCount(layer.cell, king_) == 1)
    {
    }

    bool found()
    {
        // The king first: after a check it is the piece most likely to have a way out.
        if (kingSquare_ >= 0 && kingMoves(kingSquare_))
            return true;
        for (int file = 1; file <= 8; ++file)
            for (int rank = 1; rank <= 8; ++rank) {
                const int square = WorkLayer::index(file, rank);
                if (square != kingSquare_ && own(cell_[square]) && pieceMoves(square, rank))
                    return true;
            }
        return false;
    }

private:
    bool own(char piece) const { return white_ ? IsWhitePiece(piece) : IsBlackPiece(piece); }
    bool enemy(char piece) const { return white_ ? IsBlackPiece(piece) : IsWhitePiece(piece); }
    bool open(int square) const { return cell_[square] == 0 || enemy(cell_[square]); }

    // Makes the move, asks whether the own king is attacked, takes it back.
    // `taken` is the square of a pawn captured in passing, or -1.
    bool safeAfter(int from, int to, int taken = -1)
    {
        const char moving = cell_[from], captured = cell_[to];
        const char passed = taken >= 0 ? cell_[taken] : 0;
        cell_[to] = moving;
        cell_[from] = 0;
        if (taken >= 0)
            cell_[taken] = 0;
        // A set-up position may hold a second king of the same side, which
        // may then come first in the order the check test searches.
        int king = kingSquare_;
        if (moving == king_)
            king = soleKing_ ? to : FirstKing(cell_, king_);
        const bool safe = king < 0 || !AttackedAt(cell_, king, !white_);
        if (taken >= 0)
            cell_[taken] = passed;
        cell_[from] = moving;
        cell_[to] = captured;
        return safe;
    }

    bool steps(int square, const int (&offsets)[8])
    {
        for (int offset : offsets)
            if (open(square + offset) && safeAfter(square, square + offset))
                return true;
        return false;
    }

    bool slides(int square, const int (&offsets)[4])
    {
        for (int offset : offsets)
            for (int to = square + offset; open(to); to += offset) {
                if (safeAfter(square, to))
                    return true;
                if (cell_[to] != 0)
                    break;
            }
        return false;
    }

    bool castles(bool kingSide)
    {
        const int rank = white_ ? 1 : 8;
        if (!CastlingAllowed(layer_, history_, white_, kingSide))
            return false;
        const int rookFrom = WorkLayer::index(kingSide ? 8 : 1, rank);
        const int rookTo = WorkLayer::index(kingSide ? 6 : 4, rank);
        cell_[rookTo] = cell_[rookFrom];
        cell_[rookFrom] = 0;
        const bool safe = safeAfter(WorkLayer::index(5, rank), WorkLayer::index(kingSide ? 7 : 3, rank));
        cell_[rookFrom] = cell_[rookTo];
        cell_[rookTo] = 0;
        return safe;
    }

    bool kingMoves(int square)
    {
        if (steps(square, kAroundOffsets))
            return true;
        if (square != WorkLayer::index(5, white_ ? 1 : 8))
            return false;
        return castles(true) || castles(false);
    }

    bool pawnMoves(int square, int rank)
    {
        const int forward = white_ ? 1 : -1;
        const int ahead = square + forward;
        if (cell_[ahead] == 0) {
            if (safeAfter(square, ahead))
                return true;
            const int twoAhead = ahead + forward;
            if (rank == (white_ ? 2 : 7) && cell_[twoAhead] == 0 && safeAfter(square, twoAhead))
                return true;
        }
        for (int side : {-W, W})
            if (enemy(cell_[ahead + side]) && safeAfter(square, ahead + side))
                return true;
        if (passingFile_ == 0 || rank != (white_ ? 5 : 4))
            return false;
        const int pawnSquare = WorkLayer::index(passingFile_, rank);
        if (pawnSquare != square - W && pawnSquare != square + W)
            return false;
        return cell_[pawnSquare + forward] == 0 && safeAfter(square, pawnSquare + forward, pawnSquare);
    }

    bool pieceMoves(int square, int rank)
    {
        switch (UpperPiece(cell_[square])) {
        case 'K': return kingMoves(square);
        case 'Q': return slides(square, kLineOffsets) || slides(square, kDiagonalOffsets);
        case 'R': return slides(square, kLineOffsets);
        case 'B': return slides(square, kDiagonalOffsets);
        case 'N': return steps(square, kKnightOffsets);
        case 'P': return pawnMoves(square, rank);
        default: return false;
        }
    }

    char* cell_;
    const WorkLayer& layer_;
    bool white_;
    int passingFile_;
    const BoardHistory& history_;
    char king_;
    int kingSquare_;
    bool soleKing_;
};

bool AnyLegalMove(WorkLayer layer, bool white, const std::string& prevPostal, const BoardHistory& history)
{
    return LegalMoveSearch(layer, white, PassingFile(layer, prevPostal, white), history).found();
}

}  // namespace

bool SquareAttacked(const WorkLayer& layer, int file, int rank, bool byWhite)
{
    return AttackedAt(layer.cell, WorkLayer::index(file, rank), byWhite);
}

bool HasLegalMove(const Board& board, bool whiteToMove, const std::string& prevPostal, const BoardHistory& history)
{
    WorkLayer layer;
    layer.load(board);
    return AnyLegalMove(layer, whiteToMove, prevPostal, history);
}

bool KingInCheck(const RuleWork& work)
{
    const char king = OfSide('K', work.WhiteMoving);
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            if (work.After.at(file, rank) == king)
                return SquareAttacked(work.After, file, rank, !work.WhiteMoving);
    return false;
}

bool CheckMove(Board& board, int ply, std::string& coord, std::string& postal, std::string& shortText,
               std::string& longText, const std::string& prevPostal, const MoveContext& context)
{
    RuleWork work;
    for (int k = 1; k <= 5; ++k)
        work.MvChar[k] = k <= static_cast<int>(coord.size()) ? coord[k - 1] : 0;
    if (!IsFileLetter(work.MvChar[1]) || !IsRankDigit(work.MvChar[2]) || !IsFileLetter(work.MvChar[3]) ||
        !IsRankDigit(work.MvChar[4]))
        return false;
    work.Before.load(board);
    work.After = work.Before;
    work.WorkCoord = coord.substr(0, 4);  // a promotion adds its letter; a stray fifth character is dropped
    work.FromFile = work.MvChar[1] - 'a' + 1;
    work.FromRank = work.MvChar[2] - '0';
    work.ToFile = work.MvChar[3] - 'a' + 1;
    work.ToRank = work.MvChar[4] - '0';
    work.WorkPostal = {static_cast<char>('0' + work.FromFile), work.MvChar[2], static_cast<char>('0' + work.ToFile),
                       work.MvChar[4]};
    work.PrevPostal = prevPostal.empty() ? "0000" : prevPostal;
    work.ScanPiece = work.Before.at(work.FromFile, work.FromRank);
    if (work.FromFile == work.ToFile && work.FromRank == work.ToRank)
        return false;
    work.WhiteMoving = IsWhitePly(ply);
    const bool own = work.WhiteMoving ? IsWhitePiece(work.ScanPiece) : IsBlackPiece(work.ScanPiece);
    if (!own)
        return false;
    const char target = work.Before.at(work.ToFile, work.ToRank);
    if (work.WhiteMoving ? IsWhitePiece(target) : IsBlackPiece(target))
        return false;
    if (!PieceRules(work, context, target != 0))
        return false;

    work.After.at(work.ToFile, work.ToRank) = work.Before.at(work.FromFile, work.FromRank);
    work.After.at(work.FromFile, work.FromRank) = 0;
    if (KingInCheck(work))
        return false;
    work.WhiteMoving = !work.WhiteMoving;
    if (KingInCheck(work)) {
        const bool mateGiven =
            shortText.find('#') != std::string::npos || longText.find('#') != std::string::npos;
        // Only a checking move pays for the search, so a long file loads as fast as before.
        const bool mate = mateGiven || !AnyLegalMove(work.After, work.WhiteMoving, work.WorkPostal, context.history);
        const char* mark = mate ? "#" : "+";
        work.WorkShort += mark;
        work.WorkLong += mark;
    }

    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            board[file][rank] = work.After.at(file, rank);
    coord = std::move(work.WorkCoord);
    postal = std::move(work.WorkPostal);
    shortText = std::move(work.WorkShort);
    longText = std::move(work.WorkLong);
    return true;
}

}  // namespace vorlik
