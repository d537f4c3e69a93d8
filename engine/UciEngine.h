// The UCI protocol: "uci" / "uciok", "isready" / "readyok", "position",
// "go infinite", "stop" / "bestmove". Thinking output that arrives between a
// "stop" and its "bestmove" belongs to the position left and is dropped.
//
// A game needs no more: UCI keeps no game in the engine, so each move it is
// asked for goes with the whole position ("position ... moves ...") and the
// level's "go" arguments, and a take-back or a set-up start is simply a
// different position the next time.
#pragma once

#include "EngineProtocol.h"

#include <sstream>

namespace vorlik {

class UciEngine : public EngineProtocol {
    Q_OBJECT
public:
    using EngineProtocol::EngineProtocol;

    enum class State { NotStarted, Starting, Syncing, Idle, Analysing, Stopping, Gone, Playing };

    EngineProtocolKind kind() const override { return EngineProtocolKind::Uci; }
    void start() override;
    void analyse(const EnginePosition& pos) override;
    void stop() override;
    void setLineCount(int count) override;
    void quit() override;
    void parseLine(const std::string& line) override;

    // ---- a game ----------------------------------------------------------
    // Sent after "uciok", before the new game ("setoption ..."); "" none.
    void setFirstCommand(const std::string& command) { firstCommand_ = command; }
    // Introduces the program; the level's text gives the "go" arguments of
    // each move (UciGoArguments).
    void startGame(const std::string& level) override;
    // Nothing is sent: each move goes with the record's whole position.
    void newGame(const GameState& record, bool playsWhite, GameHandOff handOff) override;
    void opponentMove(const std::string& coord) override;
    void go() override;
    // While it chooses: it moves now, with what it has found ("stop").
    void moveNow() override;
    // Nothing is sent: the next move goes with the position as it is then.
    void takeBack(int plies) override;
    void setLevel(const std::string& level) override { level_ = level; }
    // The engine chooses its move in pos, thinking as goArguments say
    // ("movetime 1000"); moveMade() or noMove() follows. Asked before the
    // engine is ready, it goes once the engine is.
    void play(const EnginePosition& pos, const std::string& goArguments);

    State state() const { return state_; }

protected:
    void enterGone() override { state_ = State::Gone; }

private:
    void onUciOk();
    void onReadyOk();
    void onBestMove(std::istringstream& words);
    void onMoveChosen(std::istringstream& words);
    void onInfo(std::istringstream& words);
    void sendPosition();

    State state_ = State::NotStarted;
    std::string firstCommand_;
    std::string goArguments_ = "infinite";   // of the next "go"
    bool playing_ = false;                   // the next "go" asks for a move of a game
    bool moveAtOnce_ = false;                // "stop" follows that "go" at once
    std::optional<EnginePosition> waiting_;  // to analyse once the engine is free
    bool whiteToMove_ = true;                // of the position being analysed
    int lineCount_ = 1;
    int sentLineCount_ = 1;                  // the MultiPV the engine was last told
    bool stopWanted_ = false;                // the program asked for the stop (not a new position)
    const GameState* record_ = nullptr;      // of the game played
    std::string level_;                      // of the game played
};

// The command that sets up a position: "position startpos|fen FEN [moves ...]".
std::string UciPositionCommand(const EnginePosition& pos);

// A game's moves think this long when a level gives no "go" arguments.
constexpr char kUciDefaultGo[] = "movetime 1000";

// The "go" arguments of a level's text: the text itself when it starts with
// a word "go" knows ("movetime 1000", "depth 12", "wtime ..."), else the
// default. A bare "go", or one with words it does not know (a command-set
// level such as "sd 3"), would let the engine think for ever.
std::string UciGoArguments(const std::string& level);

}  // namespace vorlik
