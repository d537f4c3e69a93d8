// Talking to an engine over a device it is handed: a process's pipes, or an
// in-memory device in the tests. One subclass per protocol (UciEngine, and
// XboardEngine for the command set the game against the engine speaks); each
// reads complete lines, handles each in its parseLine, keeps its state in one
// enum and tells what it learnt through signals. Each is an analyser and a
// player of a game (ChessPlayer).
#pragma once

#include "ChessPlayer.h"
#include "EngineLines.h"
#include "EngineSettings.h"
#include "core/ModuleMekDim.h"

#include <QObject>
#include <QPointer>

#include <optional>
#include <string>
#include <vector>

class QIODevice;

namespace vorlik {

constexpr int kMaxPvMoves = 64;   // a principal line is read no further
constexpr int kMaxMultiPv = 5;
constexpr int kMaxScoreCp = 10000;  // 100 pawns: anything beyond is no evaluation any more

// An evaluation from White's side: pawns in hundredths, or a mate in so many
// moves (positive: White mates; negative: White is mated; 0 with matedWhite
// telling who is mated in the position itself).
struct EngineScore {
    enum class Kind { Centipawns, Mate } kind = Kind::Centipawns;
    int value = 0;
    bool matedWhite = false;  // only for a mate in 0
    bool bound = false;       // a lower or upper bound, not the evaluation
};

// One line of thinking output: "info ... pv ..." or a post line.
struct AnalysisReport {
    int rank = 1;                       // MultiPV line, 1 the best
    int depth = 0;                      // 0 when not given
    std::optional<EngineScore> score;   // none when not given
    long long nodes = -1;               // -1 when not given
    long long timeMs = -1;
    std::vector<std::string> pv;        // the moves as the engine wrote them, at most kMaxPvMoves
};

// The position to analyse: where the record starts and the moves played from there.
struct EnginePosition {
    Board start{};                   // the start's squares (for an engine set up piece by piece)
    bool blackToMoveAtStart = false;
    std::string startFen;            // "" the standard start
    std::vector<std::string> moves;  // coordinate moves, promotion letters in lower case
    bool WhiteToMove() const { return (moves.size() % 2 == 0) != blackToMoveAtStart; }
};

// Reads an integer word; none when it is no number. Values past the range of
// long long are held at its ends, so no engine's number can overflow.
std::optional<long long> ReadEngineNumber(const std::string& word);

// The score of the side to move turned to White's side. cp beyond 100 pawns
// is held at 100 pawns.
EngineScore WhiteScore(EngineScore sideToMove, bool whiteToMove);

class EngineProtocol : public ChessPlayer {
    Q_OBJECT
public:
    explicit EngineProtocol(QObject* parent = nullptr);

    // Reads from and writes to device from now on; the protocol does not own it.
    void setDevice(QIODevice* device);
    virtual EngineProtocolKind kind() const = 0;

    // Introduces the program to the engine; ready() follows when it is.
    virtual void start() = 0;
    // Analyses pos until stop(). A position given while the engine still
    // thinks about another waits until the engine has let that one go.
    virtual void analyse(const EnginePosition& pos) = 0;
    // Ends the analysis; stopped() follows once the engine has confirmed it.
    virtual void stop() = 0;
    // Lines to show at once (UCI's MultiPV); 1 for engines that show one.
    virtual void setLineCount(int count) { Q_UNUSED(count); }
    // One complete line from the engine, without its line end.
    virtual void parseLine(const std::string& line) = 0;
    // The user's own line to the engine, as it is ("直接送信").
    void sendLine(const std::string& line) { write(line); }

    bool isGone() const { return gone_; }

public slots:
    // The engine has gone (its process ended, the device closed). Told once.
    void engineGone();

signals:
    void ready();
    void report(const vorlik::AnalysisReport& report);
    // The engine's choice after an analysis ("" when it gave none).
    void bestMove(const QString& move);
    // An analysis has ended at the program's wish.
    void stopped();
    // The engine refused part of the newest position it was given (one of its
    // moves), so what it says until the next position is about another one.
    void positionRefused();
    // Every line written to the engine and every line read, for a traffic box.
    void sent(const QString& line);
    void received(const QString& line);

protected:
    void write(const std::string& line);
    // A subclass's own reaction to the engine going; the state it enters.
    virtual void enterGone() = 0;

private:
    void readArrived();

    QPointer<QIODevice> device_;
    EngineLineReader reader_;
    bool gone_ = false;
};

}  // namespace vorlik

Q_DECLARE_METATYPE(vorlik::AnalysisReport)
