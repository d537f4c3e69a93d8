// A game against the engine: the referee between a game session and a
// player, the engine's protocol object on the game's process (a ChessPlayer:
// XboardEngine for the command set, UciEngine). It starts and quits the
// engine (WinBoardStart, WinBoardQuit), hands it the user's moves, commits
// its moves through the session and keeps the result and the players' names
// in the session's header. It never asks which protocol the engine speaks and
// never reaches the window: what a window shows follows its signals and the
// session's, so it runs headless under the tests and the command-line companion.
//
// Nothing here waits: the engine's output arrives as a signal, is cut into
// lines, and what each line says is handled and returns. Waiting for the
// engine is the state EngWait. A move that arrives while the user is in the
// middle of something (a question, a drag) is kept until that is over.
#pragma once

#include "EngineSettings.h"
#include "WinBoradInterfaccia.h"
#include "core/HostIcon.h"
#include "session/GameSession.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <string>

namespace vorlik {

class ChessPlayer;
class EngineProtocol;

// The answer of the game-start dialog.
enum class GameStartChoice { Cancel = -1, NewGame = 0, FromPosition = 1 };

// What the engine link needs from its host: the user's answers and the program's place.
class EngineHost {
public:
    virtual ~EngineHost() = default;
    using Icon = HostIcon;
    virtual void ShowMessage(const std::string& text, const std::string& title, Icon icon) = 0;
    // The game-start dialog: a new game, or (when allowed) a game from the
    // position on the board.
    virtual GameStartChoice AskGameStart(bool canContinue) = 0;
    // The folder of the program: relative engine paths are looked for there.
    virtual std::string ProgramFolder() = 0;
    // True while the user is in the middle of something that a move from the
    // engine must not interrupt: a question or dialog is open, a piece is
    // being dragged, a move is being committed.
    virtual bool UserBusy() { return false; }
    // The game has ended (a result, the end button, a lost engine): the
    // window writes its settings.
    virtual void GameEnded() {}
    // Asked before a new game replaces the record on the board: false keeps
    // the record (the user would lose what was never saved).
    virtual bool MayDiscardRecord() { return true; }
    // A new game has made the record new: nothing in it needs saving yet.
    virtual void RecordMadeNew() {}
};

// Why the engine link spoke to the user; tests and the companion read these.
extern const char kEngineCannotStart[];   // "エンジンが起動できません"
extern const char kEngineNotConfigured[]; // "ゲーム→エンジンの設定 を行ってください"
extern const char kEngineError[];         // "エンジンからエラーが返されました"
extern const char kEngineEnded[];         // the engine ended during a game
extern const char kGameEndTitle[];        // "ゲーム終了"
extern const char kEngineNoMove[];        // a UCI engine answered "bestmove (none)"

class EngineGame : public QObject {
    Q_OBJECT
public:
    // The game's record, its information and its phase are the session's.
    EngineGame(EngineHost& host, EngineConfig& config, GameSession& session, QObject* parent = nullptr);
    ~EngineGame() override;  // an engine still running is quit

    // A game against the engine is running; its move is awaited (the
    // session's phase, read here).
    bool EngPlay() const { return session_.EngPlay(); }
    bool EngWait() const { return session_.EngWait(); }
    // The level whose menu entry is checked, 1..3; 0 none.
    int Level() const { return level_; }

    // The window's commands.
    void MnuGameNew_Click();
    void MnuGameEnd_Click();
    // The user's move has been committed in a game: hand it to the engine.
    void UserMoved();
    // The engine-name button: the engine moves now, for the side to move;
    // while it thinks, it is told to stop and move.
    void MoveNow();
    // "戻": takes back one ply or two, as the engine's capabilities say; a
    // new game (with a beep) when that is not possible.
    void TakeBack();
    // "直接送信": the text as it is.
    void DirectSend(const std::string& text);
    // A level menu entry: checked, and the player told at once.
    void ChooseLevel(int level);
    // Hands the position on the board to a newly started engine, which
    // takes the side not to move.
    void WinBoardEdit();
    // After a move on the board or from the engine: when it ended the game
    // by rule (mate, stalemate, or a draw by repetition, the fifty-move rule
    // or no mating material), the player is told, the result goes into the
    // game's information and a game against the engine ends. True when the
    // game is over.
    bool ReactToGameEnd();
    // The window's settings were re-read: no level is checked.
    void ClearLevel();

    // The protocol.
    bool WinBoardStart();
    void WinBoardQuit();
    void WinBoardSend(const std::string& command);
    // Handles the engine's lines that have arrived and wait to be handled
    // (the user was in the middle of something); returns at once when none do.
    void WinBoardReceive();

    bool EngineRunning() const { return EngProc.Running(); }
    // Whether the user's last move was sent and its answer is awaited.
    bool AwaitingReply() const { return awaiting_ == Awaiting::ReplyToUserMove; }
    // The running engine as a player; null when none runs.
    ChessPlayer* Player() const;

    EnginePipes EngProc;

signals:
    // Every line written to the engine, without its line end.
    void Sent(const QString& line);
    // Lines the engine wrote, "\n" between them: the newest only when it
    // floods, so that a traffic box never takes more than it can show.
    void EngineOutput(const QString& lines);
    // The game's clock runs (a game goes on) or stops (it has ended).
    void ClockRunning(bool on);
    // The engine's move is about to be committed: the time up to it is the mover's.
    void MoveComing();
    // The engine's move has been committed (true) or refused by the rules (false).
    void EngineMoved(bool accepted, const QString& move);
    // The record or the position shown changed by the game's own step (a new
    // game, a take-back, the board brought to the last ply).
    void BoardChanged();
    // A take-back that cannot be made: a new game starts instead, with a beep.
    void Refused();
    // The user's move was refused by the engine and taken off the record.
    void MoveWithdrawn(const QString& coord);
    // A level was chosen for the game (a game starts at level 1 until the
    // user chooses another): the window checks its entry.
    void LevelChosen(int level);
    // The game has ended; endedByEngine when the engine went away during it.
    void GameOver(bool endedByEngine);

private:
    // What the engine's next move answers. DirectReply: a command the user
    // sent may ask it to move ("go"), without the window waiting for it.
    enum class Awaiting { Nothing, ReplyToUserMove, EngineMove, DirectReply };
    // What the player said, kept until the user is free to see it.
    struct PlayerWord {
        enum class Kind { Move, NoMove, Result, Error } kind;
        std::string text;  // the move, or the result ("" the last mover wins)
    };

    const GameState& Game() const { return session_.Game(); }
    void WaitFor(Awaiting what);
    // A word of the player: kept, and handled unless the user is busy.
    void Heard(PlayerWord word);
    // Handles the kept words unless the user is in the middle of something.
    void ProcessPending();
    void Handle(const PlayerWord& word);
    void EngineError();
    void EngineHasNoMove();
    void CommitEngineMove(const std::string& move);
    void GameResult(const std::string& result);
    void SetResult(const std::string& result);
    void EngineEnded();
    void EngineLost();
    void EndGame(bool endedByEngine);
    // The engine plays White (true) or Black: its name goes beside that side.
    void EngineTakesSide(bool white);
    // The player of the settings on the process just started.
    void StartProtocol();
    // The command of the level whose entry is checked; "" none.
    std::string CheckedLevel() const;
    // The engine's lines reach the traffic box once per read, not one by one.
    void ShowLater(const QString& line);
    void ShowLines(const std::vector<std::string>& lines);
    void StartNewGame(const std::vector<std::string>& kept);
    void ReplayKept(const std::vector<std::string>& kept);

    EngineHost& host_;
    EngineConfig& config_;
    GameSession& session_;
    int level_ = 0;
    std::deque<PlayerWord> pending_;  // words not yet handled
    QTimer retry_;                    // looks at pending_ again when the user is busy
    Awaiting awaiting_ = Awaiting::Nothing;
    bool handling_ = false;
    bool ended_ = false;  // the engine went away; told once its last words are handled
    bool engineWhite_ = false;  // the side the engine plays
    std::string engineNameShown_;  // the engine name last put beside a side
    QPointer<EngineProtocol> protocol_;  // the running engine's; null when none runs
    std::vector<std::string> toShow_;
    QTimer showTimer_;
};

}  // namespace vorlik
