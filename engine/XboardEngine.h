// The command set the game against the engine speaks, for analysis: the
// position set with "new", "force", the moves (and "setboard" or "edit" for a
// set-up start), then "post" and "analyze", left with "exit". Its thinking
// output is the post line "depth score time nodes moves...". Where the engine
// offers "ping" (it says "feature ping=1" to "protover 2"), a ping before
// "analyze" marks where the new position's output begins; without it the
// caller discards lines that do not fit the position.
//
// A game against the engine speaks the first version of the command set:
// no introduction and no features, the game started at once with "new"
// (after it the engine plays Black), the moves written as they are made, and
// each reply read by the settings' move prefix and error text. A game handed
// over in force mode or piece by piece waits for "go".
#pragma once

#include "EngineProtocol.h"

#include <QTimer>

namespace vorlik {

class XboardEngine : public EngineProtocol {
    Q_OBJECT
public:
    explicit XboardEngine(QObject* parent = nullptr);

    enum class State { NotStarted, Starting, Idle, Syncing, Analysing, Stopping, Gone, Playing };

    EngineProtocolKind kind() const override { return EngineProtocolKind::Xboard; }
    // The settings' first command, sent right after the introduction.
    void setFirstCommand(const std::string& command) { firstCommand_ = command; }
    void start() override;
    void analyse(const EnginePosition& pos) override;
    void stop() override;
    void quit() override;
    void parseLine(const std::string& line) override;

    State state() const { return state_; }
    bool offersPing() const { return ping_; }

    // ---- a game ----------------------------------------------------------
    // How a reply is read: the settings' move prefix and error text.
    void setReplyRules(const std::string& movePrefix, const std::string& errorText);
    // The first command, "new" and the level's command ("" none); from then
    // on the lines written are the game's and the replies are read as a game's.
    void startGame(const std::string& levelCommand) override;
    // Moves: "force" and the moves up to the position on the board (none
    // when there are none); Board: the position piece by piece.
    void newGame(const GameState& record, bool playsWhite, GameHandOff handOff) override;
    void opponentMove(const std::string& coord) override;
    void go() override;
    // "?".
    void moveNow() override;
    // "undo" or "remove".
    void takeBack(int plies) override;
    void setLevel(const std::string& levelCommand) override;
    // A position piece by piece: "edit", "#", White's pieces, "c", Black's,
    // ".", and "black" when Black is to move.
    void editPosition(const Board& board, bool blackToMove);
    // An engine given a game in force mode or piece by piece waits for "go"
    // after the opponent's next move.
    bool goAfterNextMove() const { return goAfterNextMove_; }

    // How long an engine that has not said "feature done=0" is given to tell
    // its features; one that has, to finish telling them.
    static constexpr int kFeatureWaitMs = 2000;
    static constexpr int kLongFeatureWaitMs = 10000;

protected:
    void enterGone() override;

private:
    void onFeatures(const std::string& line);
    void onPong(std::istringstream& words);
    void onRefusal(const std::string& line);
    void onPost(const std::string& line);
    void becomeReady();
    void analyseWaiting();
    void onGameLine(const std::string& line);
    void setUp(const EnginePosition& pos);
    void sendPing(State next);

    State state_ = State::NotStarted;
    QTimer featureWait_;
    std::string firstCommand_;
    std::optional<EnginePosition> waiting_;
    bool whiteToMove_ = true;
    bool ping_ = false, setboard_ = false, usermove_ = false;
    int pingSent_ = 0;  // the number of the ping whose pong is awaited
    int pongSeen_ = 0;  // the newest pong: a refusal after it answers the setup of the next ping
    // ---- a game ----
    const GameState* record_ = nullptr;
    std::string movePrefix_, errorText_;
    bool goAfterNextMove_ = false;
    bool moveNowAsked_ = false;  // "?" was sent
};

// An xboard score from the side to move: beyond 100000 a mate in so many
// moves, else centipawns.
EngineScore XboardScore(long long value);

}  // namespace vorlik
