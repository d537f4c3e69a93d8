#include "ModuleMekPGNRead.h"

#include <cstdlib>

namespace vorlik {

namespace {

int FileNumber(char c) { return IsFileLetter(c) ? c - 'a' + 1 : 0; }
int RankNumber(char c) { return IsRankDigit(c) ? c - '0' : 0; }

// From-squares found for a token, in the order the resolver met them.
struct Candidates {
    int file[kMaxCandidates];
    int rank[kMaxCandidates];
    int count = 0;

    void add(int f, int r)
    {
        for (int k = 0; k < count; ++k)
            if (file[k] == f && rank[k] == r)
                return;
        if (count < kMaxCandidates) {
            file[count] = f;
            rank[count] = r;
            ++count;
        }
    }
};

void AddIfHolds(const RuleWork& work, Candidates& found, int file, int rank)
{
    if (OnBoard(file, rank) && work.Before.at(file, rank) == work.ScanPiece)
        found.add(file, rank);
}

// Every piece of the kind seen first from the destination along the given
// directions: per direction the diagonal before the line, as the queen scans.
void AddScanHits(RuleWork& work, Candidates& found, bool lines, bool diagonals, int firstDirection = 1,
                 int lastDirection = 4)
{
    for (int direction = firstDirection; direction <= lastDirection; ++direction) {
        if (diagonals && ScanDiagonal(work, direction))
            found.add(work.FromFile, work.FromRank);
        if (lines && ScanLine(work, direction))
            found.add(work.FromFile, work.FromRank);
    }
}

void ResolveKing(const RuleWork& work, Candidates& found)
{
    for (int file = work.ToFile - 1; file <= work.ToFile + 1; ++file)
        for (int rank = work.ToRank - 1; rank <= work.ToRank + 1; ++rank)
            if (file != work.ToFile || rank != work.ToRank)
                AddIfHolds(work, found, file, rank);
}

// Queen, rook and bishop with a from-file or from-rank named in the token.
void ResolveNamedLine(RuleWork& work, Candidates& found, int code, int givenFile, int givenRank, bool lines,
                      bool diagonals)
{
    const int distance = code % 10;
    if (code == 30 || code == 50) {
        // The named file or rank is the destination's own: the move runs along it.
        if (lines)
            AddScanHits(work, found, true, false, code == 30 ? 1 : 3, code == 30 ? 2 : 4);
        return;
    }
    if (code > 30 && code < 38) {
        if (diagonals) {
            AddIfHolds(work, found, givenFile, work.ToRank + distance);
            AddIfHolds(work, found, givenFile, work.ToRank - distance);
        }
        if (lines)
            AddIfHolds(work, found, givenFile, work.ToRank);
    } else if (code > 50 && code < 58) {
        if (diagonals) {
            AddIfHolds(work, found, work.ToFile + distance, givenRank);
            AddIfHolds(work, found, work.ToFile - distance, givenRank);
        }
        if (lines)
            AddIfHolds(work, found, work.ToFile, givenRank);
    }
}

void ResolveKnight(const RuleWork& work, Candidates& found, int code, int givenFile, int givenRank)
{
    switch (code) {
    case 1:
        for (const auto& step : kKnightSteps)
            AddIfHolds(work, found, work.ToFile + step[0], work.ToRank + step[1]);
        break;
    case 31:
        AddIfHolds(work, found, givenFile, work.ToRank - 2);
        AddIfHolds(work, found, givenFile, work.ToRank + 2);
        break;
    case 32:
        AddIfHolds(work, found, givenFile, work.ToRank - 1);
        AddIfHolds(work, found, givenFile, work.ToRank + 1);
        break;
    case 51:
        AddIfHolds(work, found, work.ToFile - 2, givenRank);
        AddIfHolds(work, found, work.ToFile + 2, givenRank);
        break;
    case 52:
        AddIfHolds(work, found, work.ToFile - 1, givenRank);
        AddIfHolds(work, found, work.ToFile + 1, givenRank);
        break;
    default:
        break;
    }
}

// Resolves a token with a piece letter (K, Q, R, B, N) into from-squares.
void ResolvePiece(RuleWork& work, Candidates& found)
{
    const int code = ParseTarget(work);
    if (!OnBoard(work.ToFile, work.ToRank))
        return;
    const int givenFile = work.FromFile, givenRank = work.FromRank;
    const char kind = work.TokChar[1];
    if (kind == 'K') {
        ResolveKing(work, found);
    } else if (code == 0) {
        AddIfHolds(work, found, givenFile, givenRank);
    } else if (kind == 'N') {
        ResolveKnight(work, found, code, givenFile, givenRank);
    } else {
        const bool lines = kind != 'B', diagonals = kind != 'R';
        if (code == 1 || (kind == 'R' && (code == 30 || code == 50)))
            AddScanHits(work, found, lines, diagonals);
        else
            ResolveNamedLine(work, found, code, givenFile, givenRank, lines, diagonals);
    }
    // A square the token names rules out pieces elsewhere.
    Candidates kept;
    for (int k = 0; k < found.count; ++k)
        if ((givenFile == 0 || found.file[k] == givenFile) && (givenRank == 0 || found.rank[k] == givenRank))
            kept.add(found.file[k], found.rank[k]);
    found = kept;
}

// The promotion letter of a pawn token: after "=", or written straight after
// the destination (e8Q).
char PromotionLetter(const RuleWork& work, int afterDestination)
{
    const std::string& token = work.TokText;
    const auto equals = token.find('=');
    if (equals != std::string::npos)
        return equals + 1 < token.size() ? token[equals + 1] : 0;
    const char next = work.TokChar[afterDestination];
    return (next == 'Q' || next == 'R' || next == 'B' || next == 'N') ? next : 0;
}

void ResolvePawn(RuleWork& work, Candidates& found, char& promotion)
{
    const int back = work.WhiteMoving ? -1 : 1;
    if (work.TokText.find('x') != std::string::npos) {
        work.ToFile = FileNumber(work.TokChar[3]);
        work.ToRank = RankNumber(work.TokChar[4]);
        if (!OnBoard(work.ToFile, work.ToRank))
            return;
        AddIfHolds(work, found, FileNumber(work.TokChar[1]), work.ToRank + back);
        promotion = PromotionLetter(work, 5);
    } else {
        work.ToFile = FileNumber(work.TokChar[1]);
        work.ToRank = RankNumber(work.TokChar[2]);
        if (!OnBoard(work.ToFile, work.ToRank))
            return;
        AddIfHolds(work, found, work.ToFile, work.ToRank + back);
        AddIfHolds(work, found, work.ToFile, work.ToRank + 2 * back);
        promotion = PromotionLetter(work, 3);
    }
}

bool IsCastlingToken(const std::string& token, bool& kingSide)
{
    kingSide = false;
    if (token.empty() || (token[0] != 'O' && token[0] != 'o' && token[0] != '0'))
        return false;
    std::string plain;
    for (char c : token) {
        if (c == '+' || c == '#')
            break;
        plain += (c == 'O' || c == '0') ? 'o' : c;
    }
    kingSide = plain == "o-o";
    return kingSide || plain == "o-o-o";
}

// Long algebraic by shape: [piece letter] from-square, "-" or "x", to-square.
bool IsLongForm(const std::string& token, std::size_t& from)
{
    from = !token.empty() && IsWhitePiece(token[0]) ? 1 : 0;
    return token.size() >= from + 5 && IsFileLetter(token[from]) && IsRankDigit(token[from + 1]) &&
           (token[from + 2] == '-' || token[from + 2] == 'x') && IsFileLetter(token[from + 3]) &&
           IsRankDigit(token[from + 4]);
}

void LoadToken(RuleWork& work, const Board& board, int ply, const std::string& token)
{
    work.Before.load(board);
    work.TokText = token;
    work.TokLen = static_cast<int>(token.size());
    for (int k = 1; k <= kMaxMoveText + 1; ++k)
        work.TokChar[k] = k <= work.TokLen ? token[k - 1] : 0;
    work.WhiteMoving = IsWhitePly(ply);
}

void AddMoves(const Candidates& found, int toFile, int toRank, char promotion, TokenMoves& moves)
{
    for (int k = 0; k < found.count; ++k) {
        std::string& coord = moves.coord[moves.count++];
        coord = {FileLetter(found.file[k]), RankDigit(found.rank[k]), FileLetter(toFile), RankDigit(toRank)};
        if (promotion != 0)
            coord += promotion;
    }
}

}  // namespace

int ParseTarget(RuleWork& work)
{
    const char* c = work.TokChar;  // c[2..6]: the characters after the piece letter
    work.FromFile = work.FromRank = work.ToFile = work.ToRank = 0;
    auto setTo = [&](char file, char rank) {
        work.ToFile = FileNumber(file);
        work.ToRank = RankNumber(rank);
    };
    if (c[2] == 'x') {
        setTo(c[3], c[4]);
        return 1;
    }
    if (IsRankDigit(c[2])) {
        if (!IsFileLetter(c[3]) && c[3] != 'x')
            return 0;
        work.FromRank = RankNumber(c[2]);
        if (c[3] == 'x')
            setTo(c[4], c[5]);
        else
            setTo(c[3], c[4]);
        return 50 + (work.ToRank ? std::abs(work.FromRank - work.ToRank) : 0);
    }
    if (!IsFileLetter(c[2]))
        return 0;
    if (IsFileLetter(c[3]) || c[3] == 'x') {
        work.FromFile = FileNumber(c[2]);
        if (c[3] == 'x')
            setTo(c[4], c[5]);
        else
            setTo(c[3], c[4]);
        return 30 + (work.ToFile ? std::abs(work.FromFile - work.ToFile) : 0);
    }
    if (!IsRankDigit(c[3]))
        return 0;
    if (IsFileLetter(c[4]) || c[4] == 'x') {
        work.FromFile = FileNumber(c[2]);
        work.FromRank = RankNumber(c[3]);
        if (c[4] == 'x')
            setTo(c[5], c[6]);
        else
            setTo(c[4], c[5]);
        return 0;
    }
    setTo(c[2], c[3]);
    return 1;
}

void TranslateToken(const Board& board, int ply, const std::string& token, TokenMoves& moves)
{
    moves.count = 0;
    if (token.empty() || static_cast<int>(token.size()) > kMaxMoveText)
        return;
    const bool white = IsWhitePly(ply);
    bool kingSide = false;
    if (IsCastlingToken(token, kingSide)) {
        moves.coord[0] = std::string(white ? "e1" : "e8") + (kingSide ? "g" : "c") + (white ? "1" : "8");
        moves.count = 1;
        return;
    }
    RuleWork work;
    LoadToken(work, board, ply, token);
    Candidates found;
    char promotion = 0;
    std::size_t from = 0;
    if (IsLongForm(token, from)) {
        work.ScanPiece = OfSide(from == 1 ? token[0] : 'P', work.WhiteMoving);
        work.ToFile = FileNumber(token[from + 3]);
        work.ToRank = RankNumber(token[from + 4]);
        AddIfHolds(work, found, FileNumber(token[from]), RankNumber(token[from + 1]));
        const auto equals = token.find('=');
        if (equals != std::string::npos && equals + 1 < token.size())
            promotion = token[equals + 1];
    } else if (IsWhitePiece(work.TokChar[1]) && work.TokChar[1] != 'P') {
        work.ScanPiece = OfSide(work.TokChar[1], work.WhiteMoving);
        ResolvePiece(work, found);
    } else {
        work.ScanPiece = OfSide('P', work.WhiteMoving);
        ResolvePawn(work, found, promotion);
    }
    AddMoves(found, work.ToFile, work.ToRank, promotion, moves);
}

}  // namespace vorlik
