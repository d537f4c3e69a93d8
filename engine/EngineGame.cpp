#include "EngineGame.h"

#include "ChessPlayer.h"
#include "EngineBuilder.h"
#include "EngineProtocol.h"
#include "core/FenText.h"
#include "core/GameEnd.h"
#include "core/KifuTree.h"
#include "core/MoveCommit.h"

#include <utility>

namespace vorlik {

const char kEngineCannotStart[] = "エンジンが起動できません";
const char kEngineNotConfigured[] = "ゲーム→エンジンの設定 を行ってください";
const char kEngineError[] = "エンジンからエラーが返されました";
const char kEngineEnded[] = "エンジンが終了しました。ゲームを終了します。";
const char kGameEndTitle[] = "ゲーム終了";
const char kEngineNoMove[] = "エンジンが指し手を返しませんでした。";

namespace {

const char kWarning[] = "警告";
const char kCaution[] = "注意";
constexpr int kRetryMs = 50;           // a kept line is looked at again after this
constexpr int kShownLines = 2000;      // the traffic box keeps no more than these
constexpr qint64 kQuickExitMs = 1000;  // an engine gone this soon never really started

// Who wins when the engine's words do not say it: the side that made the
// last ply ("mates" after its move, "resign" from the side to move).
std::string LastMoverWins(int lastPly) { return IsWhitePly(lastPly) ? "1-0" : "0-1"; }

}  // namespace

EngineGame::EngineGame(EngineHost& host, EngineConfig& config, GameSession& session, QObject* parent)
    : QObject(parent), host_(host), config_(config), session_(session)
{
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &EngineGame::WinBoardReceive);
    connect(&EngProc, &EnginePipes::Ended, this, &EngineGame::EngineEnded);
    showTimer_.setSingleShot(true);
    connect(&showTimer_, &QTimer::timeout, this, [this] { ShowLines(std::exchange(toShow_, {})); });
}

EngineGame::~EngineGame()
{
    EngProc.disconnect(this);
    WinBoardQuit();
}

// ---- the protocol ----------------------------------------------------------

void EngineGame::WinBoardSend(const std::string& command)
{
    if (protocol_)
        protocol_->sendLine(command);  // one LF line: a CR would reach several engines as part of it
}

bool EngineGame::WinBoardStart()
{
    WinBoardQuit();  // one engine at a time
    const EngineSettings& set = config_.EngSet;
    if (!StartEnginePipes(set, QString::fromStdString(host_.ProgramFolder()), EngProc)) {
        host_.ShowMessage(kEngineCannotStart, kWarning, EngineHost::Icon::Error);
        return false;
    }
    StartProtocol();
    return true;
}

void EngineGame::WinBoardQuit()
{
    if (protocol_) {
        // It may be telling its move right now: it goes once that is over.
        protocol_->quit();
        protocol_->disconnect(this);
        protocol_->setDevice(nullptr);
        protocol_->deleteLater();
        protocol_ = nullptr;
    }
    EngProc.KillProcess();
    toShow_.clear();
    showTimer_.stop();
    pending_.clear();
    retry_.stop();
    ended_ = false;
    awaiting_ = Awaiting::Nothing;
}

void EngineGame::WinBoardReceive() { ProcessPending(); }

ChessPlayer* EngineGame::Player() const { return protocol_.data(); }

void EngineGame::Heard(PlayerWord word)
{
    // A move is the engine's only when its move is awaited: an engine that
    // goes on to move for the user's side is not followed.
    const bool move = word.kind == PlayerWord::Kind::Move || word.kind == PlayerWord::Kind::NoMove;
    if (move && awaiting_ == Awaiting::Nothing)
        return;
    pending_.push_back(std::move(word));
    ProcessPending();
}

void EngineGame::ShowLines(const std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    // Only the newest lines reach the traffic box: a flood of thinking
    // output would be cut there anyway.
    std::string shown;
    const std::size_t first = lines.size() > kShownLines ? lines.size() - kShownLines : 0;
    for (std::size_t k = first; k < lines.size(); ++k) {
        if (!shown.empty() || k > first)
            shown += '\n';
        shown += lines[k];
    }
    emit EngineOutput(QString::fromStdString(shown));
}

void EngineGame::ProcessPending()
{
    if (handling_)
        return;  // a message box of the line being handled is open
    handling_ = true;
    while (!pending_.empty() && !host_.UserBusy()) {
        const PlayerWord word = pending_.front();
        pending_.pop_front();
        Handle(word);
    }
    handling_ = false;
    if (!pending_.empty() || (ended_ && host_.UserBusy())) {
        retry_.start();
        return;
    }
    if (ended_) {
        ended_ = false;
        EngineLost();
    }
}

void EngineGame::Handle(const PlayerWord& word)
{
    if (!EngPlay())
        return;  // after the end of a game the engine's words are only shown
    switch (word.kind) {
    case PlayerWord::Kind::Error:
        EngineError();
        break;
    case PlayerWord::Kind::Move:
        if (awaiting_ != Awaiting::Nothing)
            CommitEngineMove(word.text);
        break;
    case PlayerWord::Kind::NoMove:
        if (awaiting_ != Awaiting::Nothing)
            EngineHasNoMove();
        break;
    case PlayerWord::Kind::Result:
        GameResult(word.text);
        break;
    }
}

void EngineGame::EngineError()
{
    const Awaiting awaited = awaiting_;
    awaiting_ = Awaiting::Nothing;
    host_.ShowMessage(kEngineError, kWarning, EngineHost::Icon::Error);
    if (!EngPlay())
        return;  // the game ended while the message was open
    const GameState& game = Game();
    // The engine refused the user's move: it still holds the earlier
    // position, so the move leaves the record and the user moves again.
    // An error at any other moment takes nothing back.
    if (awaited == Awaiting::ReplyToUserMove && game.LastPly > 0 && game.CurPly == game.LastPly) {
        const std::string coord = game.KifuCoord[game.LastPly];
        session_.Truncate(game.LastPly - 1);
        emit BoardChanged();
        emit MoveWithdrawn(QString::fromStdString(coord));
    }
    if (awaited != Awaiting::Nothing)
        session_.SetPhase(GamePhase::UserToMove);
}

void EngineGame::EngineHasNoMove()
{
    awaiting_ = Awaiting::Nothing;
    session_.SetPhase(GamePhase::UserToMove);
    host_.ShowMessage(kEngineNoMove, kWarning, EngineHost::Icon::Error);
}

void EngineGame::CommitEngineMove(const std::string& move)
{
    const GameState& game = Game();
    awaiting_ = Awaiting::Nothing;
    session_.SetPhase(GamePhase::UserToMove);
    if (!session_.AtEnd()) {
        session_.GoToPly(game.LastPly);  // the engine's move follows the last ply, whatever is shown
        emit BoardChanged();
    }
    // No move is written with ten characters or more: such a token is
    // refused as the gate refuses a move, whatever its first characters say.
    bool accepted = false;
    if (move.size() < static_cast<std::size_t>(kMaxMoveText)) {
        emit MoveComing();
        const MoveVerdict verdict = session_.CommitMove(move);  // a bare pawn move to the last rank: a queen
        accepted = verdict == MoveVerdict::Legal;
        const std::string why = verdict == MoveVerdict::NoRoom ? TreeResultText(MoveFits(game, move)) : "";
        if (!why.empty())
            host_.ShowMessage(why, kWarning, EngineHost::Icon::Error);  // a limit of the record, not of the rules
    }
    // Asked to move for the user's side ("go"), the engine plays that side
    // from now on.
    if (accepted && IsWhitePly(game.LastPly) != engineWhite_)
        EngineTakesSide(!engineWhite_);
    emit EngineMoved(accepted, QString::fromStdString(move));
    if (accepted)
        ReactToGameEnd();
}

bool EngineGame::ReactToGameEnd()
{
    const GameState& game = Game();
    const GameEnd end = GameEndAfter(game);
    if (end == GameEnd::None)
        return false;
    // Outside a game the players may agree to play on after a draw by rule:
    // it is told when it comes, not again at every move after it.
    if (!EngPlay() && IsDrawByRule(end) && game.LastPly > 0 && GameEndAt(game, game.LastPly - 1) != GameEnd::None)
        return false;
    SetResult(GameEndResult(end));
    host_.ShowMessage(GameEndText(end), kGameEndTitle, EngineHost::Icon::Information);
    if (EngPlay())
        MnuGameEnd_Click();
    return true;
}

void EngineGame::GameResult(const std::string& result)
{
    SetResult(result.empty() ? LastMoverWins(Game().LastPly) : result);
    MnuGameEnd_Click();
}

void EngineGame::SetResult(const std::string& result) { session_.SetResult(result); }

void EngineGame::EngineEnded()
{
    // What it wrote before it went is still read and handled first.
    if (protocol_)
        protocol_->engineGone();
    ShowLines(std::exchange(toShow_, {}));
    ended_ = true;
    ProcessPending();
}

void EngineGame::EngineLost()
{
    const bool quick = EngProc.Age() < kQuickExitMs;
    EngProc.KillProcess();  // reaps it and whatever it started
    if (!EngPlay())
        return;
    host_.ShowMessage(quick ? kEngineCannotStart : kEngineEnded, kWarning, EngineHost::Icon::Error);
    EndGame(true);
}

void EngineGame::WinBoardEdit()
{
    const GameState& start = Game();
    const FenError unplayable = CheckFenPosition(start.KifuBoard[start.CurPly], IsWhitePly(start.LastPly));
    if (unplayable != FenError::None) {
        // An engine handed a position without a king, or with the side not to
        // move in check, crashes or plays nonsense: the set-up stays the user's.
        host_.ShowMessage(FenErrorText(unplayable) + "。この局面はエンジンに渡せません。", kWarning,
                          EngineHost::Icon::Error);
        MnuGameEnd_Click();
        return;
    }
    session_.SetPhase(GamePhase::UserToMove);
    if (!WinBoardStart()) {
        MnuGameEnd_Click();
        return;
    }
    const bool engineWhite = IsWhitePly(Game().LastPly);  // the side not to move: the user moves first
    protocol_->newGame(Game(), engineWhite, GameHandOff::Board);
    EngineTakesSide(engineWhite);
}

// ---- the window's commands ---------------------------------------------------

void EngineGame::WaitFor(Awaiting what)
{
    awaiting_ = what;
    session_.SetPhase(GamePhase::EngineThinking);
}

void EngineGame::MnuGameNew_Click()
{
    if (!config_.EngLoaFg) {
        host_.ShowMessage(kEngineNotConfigured, kCaution, EngineHost::Icon::Warning);
        return;
    }
    const GameState& game = Game();
    std::vector<std::string> kept;
    if (game.LastPly > 0) {
        // Continuing replays the moves from the standard start into a new
        // record and hands them to the engine in force mode.
        const bool canContinue = IsStandardStart(game) && Capabilities(config_.EngSet).force;
        const GameStartChoice choice = host_.AskGameStart(canContinue);
        if (choice == GameStartChoice::Cancel)
            return;
        if (choice == GameStartChoice::FromPosition && canContinue) {
            for (int ply = 1; ply <= game.CurPly; ++ply)
                kept.push_back(game.KifuCoord[ply]);
        }
    }
    // A new game replaces the record; a continued one loses only the plies
    // after the position on the board.
    if ((kept.empty() || game.CurPly < game.LastPly) && !host_.MayDiscardRecord())
        return;
    StartNewGame(kept);
}

void EngineGame::EngineTakesSide(bool white)
{
    // The engine's name stands beside the side it plays. When it changes
    // sides the two names change places, so the user's name follows the user.
    // A name an engine of an earlier game left there is no player's either.
    engineWhite_ = white;
    GameHeader header = session_.Header();
    std::string& engineSide = header.Field[white ? 5 : 6];
    std::string& userSide = header.Field[white ? 6 : 5];
    const auto anEngine = [this](const std::string& name) {
        return !name.empty() && (name == config_.EngSet.Name || name == engineNameShown_);
    };
    if (anEngine(userSide))
        userSide = anEngine(engineSide) ? std::string() : engineSide;
    engineSide = config_.EngSet.Name;
    engineNameShown_ = config_.EngSet.Name;
    session_.SetHeader(header);
}

void EngineGame::StartNewGame(const std::vector<std::string>& kept)
{
    WinBoardQuit();
    // A continued game keeps its information and the notes of the moves kept.
    GameHeader header = session_.Header();
    const auto notes = Game().KifuNote;
    session_.NewRecord();
    for (std::size_t ply = 1; ply <= kept.size(); ++ply)
        for (int k = 1; k <= 6; ++k)
            session_.SetNote(k, static_cast<int>(ply), notes[k][ply]);
    session_.SetPhase(GamePhase::UserToMove);
    emit BoardChanged();
    if (!kept.empty()) {
        header.Field[kResult] = "*";  // the game goes on
        session_.SetHeader(header);
    } else {
        session_.SetResult("*");
    }
    EngineTakesSide(false);  // after "new" the engine plays Black
    if (kept.empty())
        host_.RecordMadeNew();
    // Without a level some engines think for minutes: the quickest one
    // stands until the user chooses another.
    if (level_ == 0 && !config_.EngSet.LevelCommand(1).empty()) {
        level_ = 1;
        emit LevelChosen(1);
    }
    if (!WinBoardStart()) {
        MnuGameEnd_Click();
        return;
    }
    // The clocks run from the position the game goes on from: the engine's
    // start and the replay of the moves kept are nobody's time.
    ReplayKept(kept);
    if (EngPlay())
        emit ClockRunning(true);
}

void EngineGame::ReplayKept(const std::vector<std::string>& kept)
{
    for (const std::string& move : kept)  // the kept moves carry their letters
        if (session_.CommitMove(move) != MoveVerdict::Legal)
            break;
    if (!kept.empty())
        emit BoardChanged();
    const GameState& game = Game();
    protocol_->newGame(game, false, GameHandOff::Moves);
    if (!kept.empty() && IsWhitePly(game.CurPly)) {
        WaitFor(Awaiting::EngineMove);  // Black, the engine, is to move
        protocol_->go();
        WinBoardReceive();
    }
}

void EngineGame::MnuGameEnd_Click() { EndGame(false); }

void EngineGame::EndGame(bool endedByEngine)
{
    WinBoardQuit();  // a force-mode "go" never outlives its game: it goes with its player
    emit ClockRunning(false);
    session_.SetPhase(GamePhase::Ended);
    host_.GameEnded();
    emit GameOver(endedByEngine);
}

void EngineGame::UserMoved()
{
    if (!EngPlay() || !protocol_)
        return;
    const GameState& game = Game();
    WaitFor(Awaiting::ReplyToUserMove);
    protocol_->opponentMove(game.KifuCoord[game.CurPly]);
    WinBoardReceive();
}

void EngineGame::MoveNow()
{
    if (!EngPlay() || !protocol_)
        return;
    if (EngWait()) {
        // The move it gives is the awaited one; an engine that ignores the
        // request is still waited for as before.
        protocol_->moveNow();
        return;
    }
    WaitFor(Awaiting::EngineMove);
    protocol_->go();
    WinBoardReceive();
}

void EngineGame::TakeBack()
{
    const GameState& game = Game();
    const int plies = Capabilities(config_.EngSet).TakeBackPlies();
    if (plies == 0 || game.CurPly <= plies) {
        MnuGameNew_Click();
        emit Refused();
        return;
    }
    session_.Truncate(game.CurPly - plies);
    emit BoardChanged();
    if (protocol_)
        protocol_->takeBack(plies);
}

void EngineGame::DirectSend(const std::string& text)
{
    if (awaiting_ == Awaiting::Nothing)
        awaiting_ = Awaiting::DirectReply;
    WinBoardSend(text);
    WinBoardReceive();
}

void EngineGame::ChooseLevel(int level)
{
    if (level < 1 || level > 3)
        return;
    level_ = level;
    if (protocol_)
        protocol_->setLevel(CheckedLevel());
}

void EngineGame::ClearLevel()
{
    level_ = 0;
    if (protocol_)
        protocol_->setLevel(std::string());
}

// ---- the protocol objects ------------------------------------------------------

void EngineGame::StartProtocol()
{
    protocol_ = MakeProtocol(config_.EngSet).release();
    protocol_->setParent(this);
    protocol_->setDevice(EngProc.Device());
    connect(protocol_, &EngineProtocol::sent, this, [this](const QString& line) {
        ShowLines(std::exchange(toShow_, {}));  // what it said before this came first
        emit Sent(line);
    });
    connect(protocol_, &EngineProtocol::received, this, &EngineGame::ShowLater);
    using Kind = PlayerWord::Kind;
    connect(protocol_, &ChessPlayer::moveMade, this,
            [this](const QString& move) { Heard({Kind::Move, move.toStdString()}); });
    connect(protocol_, &ChessPlayer::noMove, this, [this] { Heard({Kind::NoMove, {}}); });
    connect(protocol_, &ChessPlayer::resultClaimed, this,
            [this](const QString& result) { Heard({Kind::Result, result.toStdString()}); });
    connect(protocol_, &ChessPlayer::error, this, [this] { Heard({Kind::Error, {}}); });
    protocol_->startGame(CheckedLevel());
}

std::string EngineGame::CheckedLevel() const
{
    return level_ >= 1 && level_ <= 3 ? config_.EngSet.LevelCommand(level_) : std::string();
}

void EngineGame::ShowLater(const QString& line)
{
    if (toShow_.size() >= 2 * kShownLines)  // a flood read at once: only the newest are shown
        toShow_.erase(toShow_.begin(), toShow_.begin() + kShownLines);
    toShow_.push_back(line.toStdString());
    if (!showTimer_.isActive())
        showTimer_.start(0);
}

}  // namespace vorlik
