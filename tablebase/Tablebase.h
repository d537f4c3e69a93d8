// Endgame tablebases: the exact result of a position of few pieces and of
// every legal move from it, read from Syzygy tables through libfathom.
#pragma once

#include "core/ModuleMekDim.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QTemporaryDir;

namespace vorlik {

// A result for one side, with libfathom's numbers. A cursed win is won but
// drawn by the fifty-move rule; a blessed loss is its other side.
enum class TbResult { Loss = 0, BlessedLoss = 1, Draw = 2, CursedWin = 3, Win = 4 };

// "win", "cursed-win", "draw", "blessed-loss", "loss".
const char* TbResultWord(TbResult result);

// The result for the other side of the board.
TbResult TbOtherSide(TbResult result);

// A position as the tables are asked about it.
struct TbPosition {
    Board board{};
    bool whiteToMove = true;
    int castling = 0;    // CastlingRight bits still open
    int passedFile = 0;  // the file of a pawn that has just made a double step, 0 when none
    int halfMoveClock = 0;
};

// The position after ply `ply` of the record, with the castling rights and
// the capture in passing its moves leave.
TbPosition TbPositionAt(const GameState& game, int ply);

// The position after the moves (coordinates) played from `position` by the
// rules: the fifty-move count, the capture in passing and the castling
// rights follow them. False when the rules refuse one (position is then
// where the moves before it left it).
bool TbPlayMoves(TbPosition& position, const std::vector<std::string>& coords);

struct TbMove {
    std::string coord;      // e7e8q
    std::string shortText;  // as the move list writes it: Qe5+, exf6
    TbResult result = TbResult::Draw;  // for the side that moves
    int dtz = 0;  // plies to the next capture or pawn move; negative when the mover loses
};

// What the tables say about a position, or why they say nothing.
struct TbAnswer {
    bool found = false;
    QString why;  // when not found, one sentence
    TbResult result = TbResult::Draw;  // for the side to move
    int dtz = 0;                       // signed as TbMove::dtz, from the side to move
    std::vector<TbMove> moves;         // every legal move, best first
};

// What opening the folders found.
struct TbOpenReport {
    int tables = 0;        // table files in use (win/draw/loss and distance files)
    int largest = 0;       // pieces of the largest table
    QStringList problems;  // files refused and folders not read, one sentence each
};

// One set of tables. libfathom keeps one set per process; every Tablebase
// shares it through this class, which hands it over (under a lock) to the
// set that asks.
class Tablebase {
public:
    // The tables in `folders`, folders separated by ":" (the first that holds
    // a table is used). A truncated or foreign file is refused and told in the
    // report; the rest is used.
    explicit Tablebase(const QString& folders);
    ~Tablebase();
    Tablebase(const Tablebase&) = delete;
    Tablebase& operator=(const Tablebase&) = delete;

    const TbOpenReport& report() const { return report_; }
    bool usable() const { return report_.tables > 0; }

    // The position's result and every legal move's. A position with more
    // pieces than the tables hold, with castling rights, that no rule allows,
    // or whose table is missing, has none: the tables never guess.
    TbAnswer probe(const TbPosition& position) const;
    // The position's result alone, without distances or moves: cheap enough
    // to ask on every redraw. The fifty-move count is taken as fresh.
    TbAnswer probeResult(const TbPosition& position) const;

private:
    void gather(const QString& folder);
    void claimLibrary() const;
    // Why the position cannot be asked about; empty when it can.
    QString refusal(const TbPosition& position) const;

    std::unique_ptr<QTemporaryDir> shelf_;  // links to the files accepted
    TbOpenReport report_;
};

}  // namespace vorlik
