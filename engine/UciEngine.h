// The UCI protocol: "uci" / "uciok", "isready" / "readyok", "position",
// "go infinite", "stop" / "bestmove". Thinking output that arrives between a
// "stop" and its "bestmove" belongs to the position left and is dropped.
#pragma once

#include "EngineProtocol.h"

#include <sstream>

namespace vorlik {

class UciEngine : public EngineProtocol {
    Q_OBJECT
public:
    using EngineProtocol::EngineProtocol;

    enum class State { NotStarted, Starting, Syncing, Idle, Analysing, Stopping, Gone };

    EngineProtocolKind kind() const override { return EngineProtocolKind::Uci; }
    void start() override;
    void analyse(const EnginePosition& pos) override;
    void stop() override;
    void setLineCount(int count) override;
    void quit() override;
    void parseLine(const std::string& line) override;

    State state() const { return state_; }

protected:
    void enterGone() override { state_ = State::Gone; }

private:
    void onUciOk();
    void onReadyOk();
    void onBestMove(std::istringstream& words);
    void onInfo(std::istringstream& words);
    void go();

    State state_ = State::NotStarted;
    std::optional<EnginePosition> waiting_;  // to analyse once the engine is free
    bool whiteToMove_ = true;                // of the position being analysed
    int lineCount_ = 1;
    int sentLineCount_ = 1;                  // the MultiPV the engine was last told
    bool stopWanted_ = false;                // the program asked for the stop (not a new position)
};

// The command that sets up a position: "position startpos|fen FEN [moves ...]".
std::string UciPositionCommand(const EnginePosition& pos);

}  // namespace vorlik
