// A game against the engine: the command protocol (WinBoardStart,
// WinBoardQuit, WinBoardSend, WinBoardReceive, WinBoardEdit) and the
// sequences of the window's game commands built on it. The engine's lines
// are read and written by the protocol object of its settings (XboardEngine
// for the command set, UciEngine) on the game's process. It reaches the
// window only through MainWindowPort and EngineHost, so it runs headless
// under the tests and the command-line companion.
//
// Nothing here waits: the engine's output arrives as a signal, is cut into
// lines, and each line is handled and returns. Waiting for the engine is the
// state EngWait. A move that arrives while the user is in the middle of
// something (a question, a drag) is kept until that is over.
#pragma once

#include "EngineLines.h"
#include "EngineSettings.h"
#include "WinBoradInterfaccia.h"
#include "core/MainWindowPort.h"
#include "session/GameSession.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <string>

namespace vorlik {

class EngineProtocol;
class UciEngine;
class XboardEngine;

// The answer of the game-start dialog.
enum class GameStartChoice { Cancel = -1, NewGame = 0, FromPosition = 1 };

// What the engine link needs from its host besides the window.
class EngineHost {
public:
    virtual ~EngineHost() = default;
    virtual MainWindowPort& Window() = 0;
    using Icon = HostIcon;
    virtual void ShowMessage(const std::string& text, const std::string& title, Icon icon) = 0;
    // The game-start dialog: a new game, or (when allowed) a game from the
    // position on the board.
    virtual GameStartChoice AskGameStart(bool canContinue) = 0;
    // The folder of the program: relative engine paths are looked for there.
    virtual std::string ProgramFolder() = 0;
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
    // The game's record and phase are the session's; the window's port
    // (host.Window()) shows them.
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
    // while it thinks, "?" tells it to stop and move.
    void MoveNow();
    // "戻": takes back one ply ("undo") or two ("remove"); a new game (with a
    // beep) when that is not possible.
    void TakeBack();
    // "直接送信": the text as it is.
    void DirectSend(const std::string& text);
    // A level menu entry: checked, and its command sent at once.
    void ChooseLevel(int level);
    // Hands the position on the board to a newly started engine ("edit").
    void WinBoardEdit();
    // After a move on the board or from the engine: when it ended the game
    // by rule (mate, stalemate, or a draw by repetition, the fifty-move rule
    // or no mating material), the player is told, the result goes into the
    // result box and a game against the engine ends. True when the game is
    // over.
    bool ReactToGameEnd();
    // The window's settings were re-read: no level is checked.
    void ClearLevel() { level_ = 0; }

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

    EnginePipes EngProc;

signals:
    // Every line written to the engine, without its line end.
    void Sent(const QString& line);
    // The engine's move has been committed (true) or refused by the rules (false).
    void EngineMoved(bool accepted, const QString& move);
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

    MainWindowPort& Window() { return host_.Window(); }
    GameState& Game() { return session_.Record(); }
    ReplyRules Rules();
    void WaitFor(Awaiting what);
    // A line from the engine: shown, and kept for ProcessPending when it
    // says something.
    void LineArrived(const QString& line);
    // Handles the kept lines unless the user is in the middle of something.
    void ProcessPending();
    void HandleLine(const std::string& line);
    void EngineError();
    void CommitEngineMove(const std::string& move);
    void GameResult(const EngineReply& reply);
    void SetResult(const std::string& result);
    void EngineEnded();
    void EngineLost();
    void EndGame(bool endedByEngine);
    // The engine plays White (true) or Black: its name goes into that
    // side's player box.
    void EngineTakesSide(bool white);
    // The protocol of the settings on the process just started.
    void StartProtocol();
    // The running engine's protocol, as the one it is; null when it is the other.
    UciEngine* Uci() const;
    XboardEngine* Xboard() const;
    // The command of the level whose entry is checked; "" none.
    std::string CheckedLevel() const;
    // ---- a UCI engine ----
    // Asks the engine for its move in the position at the end of the record.
    void UciThink();
    void UciBestMove(const QString& move);
    void HandleBestMove(const std::string& move);
    // The engine's lines reach the traffic box once per read, not one by one.
    void ShowLater(const QString& line);
    void ShowLines(const std::vector<std::string>& lines);
    void StartNewGame(const std::vector<std::string>& kept);
    void ReplayKept(const std::vector<std::string>& kept);

    EngineHost& host_;
    EngineConfig& config_;
    GameSession& session_;
    int level_ = 0;
    std::deque<std::string> pending_;  // lines not yet handled
    QTimer retry_;                     // looks at pending_ again when the user is busy
    Awaiting awaiting_ = Awaiting::Nothing;
    bool handling_ = false;
    bool ended_ = false;  // the engine went away; told once its last lines are handled
    bool engineWhite_ = false;  // the side the engine plays
    std::string engineNameShown_;  // the engine name last put beside a side
    bool moveNowAsked_ = false;  // "?" was sent in this game
    QPointer<EngineProtocol> protocol_;  // the running engine's; null when none runs
    std::vector<std::string> toShow_;
    QTimer showTimer_;
};

}  // namespace vorlik
