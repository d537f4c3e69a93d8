// The analysis of a position by an engine: the engine's reports turned into
// lines ready to show, each from the position shown and legal from it, the
// score from White's side, the moves in short algebraic text. Only the newest
// report of each rank is kept, so a flood of thinking output costs no memory.
#pragma once

#include "EngineProtocol.h"
#include "core/GameText.h"
#include "core/ModuleMekDim.h"

#include <QObject>

#include <optional>
#include <string>
#include <vector>

namespace vorlik {

// One line of the analysis.
struct AnalysisLine {
    int rank = 1;
    int depth = 0;
    std::string score;                // "+0.35", "−1.20", "#3", "#−2"; "" when the engine gave none
    std::optional<EngineScore> value; // the same score as a value, to compare
    long long nodes = -1;             // -1 when not given
    long long timeMs = -1;
    std::vector<std::string> moves;   // short algebraic ("Nf3", "exd5+")
    std::vector<std::string> coords;  // the same moves as coordinates ("g1f3")
    std::vector<std::string> longMoves;    // long algebraic ("Ng1-f3")
    std::vector<std::string> postalMoves;  // postal digits ("7163")
};

// The moves of a line in a notation style of the move list (1 short, 2 long,
// 3 postal, 4 coordinates; the short texts for any other).
const std::vector<std::string>& LineMoves(const AnalysisLine& line, NotationStyle style);

// The score as the panel shows it: pawns from White's side with two decimals
// and a sign ("+0.35", "−1.20" with U+2212, "0.00"), or a mate ("#3", "#−2").
std::string ScoreText(const EngineScore& score);

// Where the analysed position stands in its record: enough to play the
// engine's line on from it by the rules.
struct AnalysisRoot {
    std::vector<Board> history;  // the positions of the record up to this one
    int ply = 0;                 // of this position
    int castling = kAllCastling; // the record's start rights
    std::string prevPostal;      // the move that led here, for capture in passing
    EnginePosition engine;       // the same as the engine is told it
};

// The root of the position after ply `ply` of the record.
AnalysisRoot RootOf(const GameState& game, int ply);

// The moves of an engine's line, coordinates or short algebraic, played by
// the rules from the root: cut at the first one the rules refuse.
void PlayLine(const AnalysisRoot& root, const std::vector<std::string>& pv, AnalysisLine& line);

class EngineAnalysis : public QObject {
    Q_OBJECT
public:
    // The protocol stays the caller's; it is started here when it has not been.
    explicit EngineAnalysis(EngineProtocol& protocol, QObject* parent = nullptr);

    // The position to analyse (the standard start until one is given);
    // analysed at once while the analysis runs. A position without one king
    // a side, or with the side not to move in check, is not handed to the
    // engine: it gets no lines.
    void setPosition(const GameState& game, int ply);
    void start();
    // Ends the analysis; finished() follows when the engine has stopped.
    void stop();
    // 1..5 lines (UCI); takes effect with the next position.
    void setLineCount(int count);

    bool running() const { return running_; }
    // The newest line of each rank, best first.
    const std::vector<AnalysisLine>& lines() const { return lines_; }

signals:
    void linesChanged();
    // The analysis has stopped; the engine's best move as coordinates ("" none).
    void finished(const QString& best);
    // The engine has gone during the analysis; told once.
    void engineLost(const QString& why);

private:
    void onReport(const AnalysisReport& report);
    void onBestMove(const QString& move);
    void onStopped();
    void onRefused();
    void sendPosition();
    void onGone(const QString& why);

    EngineProtocol& protocol_;
    AnalysisRoot root_;
    std::vector<AnalysisLine> lines_;
    int lineCount_ = 1;
    std::string best_;
    bool running_ = false;
    bool stopping_ = false;
    bool lateReports_ = false;
    bool refused_ = false;      // the engine refused the position: its lines are of another  // what the engine says between the stop and its confirmation
};

}  // namespace vorlik
