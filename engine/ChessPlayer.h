// A player of one game against the user: what the game asks of an engine,
// whichever protocol it speaks. The game (EngineGame) keeps the record and
// judges the moves; the player tells the engine what happens in the game and
// tells the game what the engine says, through its signals.
#pragma once

#include "core/ModuleMekDim.h"

#include <QObject>
#include <QString>

#include <string>

namespace vorlik {

// How the engine learns where a new game stands.
enum class GameHandOff {
    Moves,  // from the record's start with its moves up to the position on the board
    Board,  // the position on the board alone, set up piece by piece
};

class ChessPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Introduces the program and begins a game at a level (its command or
    // "go" arguments; "" none). The position follows with newGame.
    virtual void startGame(const std::string& level) = 0;
    // The game's record, which the player reads from now on (it outlives the
    // player), and the side the engine plays.
    virtual void newGame(const GameState& record, bool playsWhite, GameHandOff handOff) = 0;
    // The opponent's move has just become the record's last ply; an engine
    // that thinks on the opponent's moves starts thinking.
    virtual void opponentMove(const std::string& coord) = 0;
    // Chooses a move for the side to move (the engine plays it from now on).
    virtual void go() = 0;
    // While the engine thinks: it moves now, with what it has found.
    virtual void moveNow() = 0;
    // The record has lost its last plies (1 or 2).
    virtual void takeBack(int plies) = 0;
    // A level chosen during the game ("" none).
    virtual void setLevel(const std::string& level) = 0;
    // Says goodbye; the owner ends the process after it.
    virtual void quit() = 0;

signals:
    // The engine's move as it wrote it (coordinates or a token for the rules).
    void moveMade(const QString& move);
    // The engine was asked for a move and said it has none.
    void noMove();
    // The engine states the game's end: "1-0", "0-1", "1/2-1/2", or "" when
    // the side that made the last ply wins (a mate it does not name, a
    // resignation of the side to move).
    void resultClaimed(const QString& result);
    // The engine refused a command ("Illegal move", "Error (...)"): the
    // position it holds may not be the one it was given. The line as it came.
    void error(const QString& line);
    // The engine ended; why, in the program's words.
    void gone(const QString& why);
};

}  // namespace vorlik
