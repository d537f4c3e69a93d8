// The rules: whether a move in coordinate form is legal, its execution, and
// its text in the four notation styles.
#pragma once

#include "ModuleMekDim.h"

#include <functional>
#include <string>

namespace vorlik {

constexpr char kBorder = '#';  // the cells around the 8 x 8 squares

// 8 x 8 squares inside a border two cells wide, so that knight and pawn probes
// from an edge square never leave the array. Indexed (file, rank), -1..10.
struct WorkLayer {
    static constexpr int kWidth = 12;
    static int index(int file, int rank) { return (file + 1) * kWidth + rank + 1; }

    char cell[kWidth * kWidth];
    char& at(int file, int rank) { return cell[index(file, rank)]; }
    char at(int file, int rank) const { return cell[index(file, rank)]; }
    void load(const Board& board);
};

// The working set of one move under test or one token being parsed.
struct RuleWork {
    WorkLayer Before;  // the position before the move
    WorkLayer After;   // the trial position
    char MvChar[6] = {};  // 1 from-file, 2 from-rank, 3 to-file, 4 to-rank, 5 promotion letter
    int FromFile = 0, FromRank = 0, ToFile = 0, ToRank = 0;
    bool WhiteMoving = true;
    char ScanPiece = 0;
    std::string WorkCoord, WorkShort, WorkLong, WorkPostal, PrevPostal;
    std::string TokText;   // the move token being parsed
    char TokChar[12] = {};  // its characters from element 1; 0 past its end
    int TokLen = 0;
};

// Knight offsets (file step, rank step) in the order every knight probe uses.
extern const int kKnightSteps[8][2];
// The eight steps of a king.
extern const int kKingSteps[8][2];

// From (ToFile, ToRank), steps along a rank or file (direction 1 up, 2 down,
// 3 towards file a, 4 towards file h) or a diagonal (1 up-left, 2 down-left,
// 3 down-right, 4 up-right) over layer Before. True when the first occupied
// square holds ScanPiece; that square goes to FromFile, FromRank.
bool ScanLine(RuleWork& work, int direction);
bool ScanDiagonal(RuleWork& work, int direction);

// Is (file, rank) attacked by the pieces of one side? An enemy king next to
// the square counts, so a king can never step beside the other king.
bool SquareAttacked(const WorkLayer& layer, int file, int rank, bool byWhite);

// Is the king of the side WhiteMoving attacked in layer After? A side without
// a king is not in check.
bool KingInCheck(const RuleWork& work);

// Asked when a pawn reaches the last rank without a promotion letter; answers
// the lower-case letter of the chosen piece ("q", "r", "b" or "n").
using PromotionAsk = std::function<char(int toRank)>;

// The positions of the record up to and including the one moved from, and
// the castling rights it started with. Castling reads them: a king or rook
// that ever left its square has moved.
struct BoardHistory {
    const Board* boards = nullptr;
    int count = 0;
    int castling = kAllCastling;  // StartRights::castling
};

// Plies 0..count-1 of the record.
inline BoardHistory RecordHistory(const GameState& game, int count)
{
    return {game.KifuBoard.data(), count, game.Start.castling};
}

// Has the piece stood on its square in every position of history? A king or
// rook that ever left its square, or was taken there, has moved; a set-up
// position counts as never moved.
bool StayedHome(const BoardHistory& history, int file, int rank, char piece);

// May this side still castle on this side of the board, as far as moves go:
// the start gave the right, and king and rook have stood on their home
// squares ever since (whether the squares between are free is the move's
// own question).
bool CastlingRightHeld(const BoardHistory& history, bool white, bool kingSide);

struct MoveContext {
    BoardHistory history;                    // empty: only the board moved from counts
    const PromotionAsk* askPromotion = nullptr;  // none: the queen
};

// Does the side to move have a move the rules accept? board is the position,
// prevPostal the postal text of the ply that led to it (capture in passing),
// history the record's positions up to this one (castling). Stops at the
// first move found and allocates nothing.
bool HasLegalMove(const Board& board, bool whiteToMove, const std::string& prevPostal,
                  const BoardHistory& history = {});

// Checks and executes one move given as coordinates (e2e4, e7e8q, e1g1) for
// ply `ply` (odd = White). On success board holds the new position; coord,
// postal, shortText and longText hold the move's four texts. shortText and
// longText come in as the text the move was given in. A check is marked "+",
// or "#" when it leaves the other side no legal move or the text given held a
// "#" (a player's mate declaration is kept as written). prevPostal is the
// postal text of the ply before, for capture in passing. Nothing is written
// on refusal.
bool CheckMove(Board& board, int ply, std::string& coord, std::string& postal,
               std::string& shortText, std::string& longText, const std::string& prevPostal,
               const MoveContext& context = {});

}  // namespace vorlik
