#include "GameSession.h"

#include "core/GameText.h"

#include <cassert>

namespace vorlik {

GameSession::GameSession(QObject* parent) : QObject(parent), game_(std::make_unique<GameState>())
{
    NewRecord();
}

GameSession::~GameSession() = default;

void GameSession::SetPhase(GamePhase phase)
{
    if (phase != GamePhase::UserToMove && phase != GamePhase::EngineThinking)
        goAfterNextMove_ = false;  // a force-mode "go" never outlives its game
    if (phase == phase_)
        return;
    phase_ = phase;
    emit PhaseChanged(phase);
}

bool GameSession::TakeGoAfterNextMove()
{
    const bool go = goAfterNextMove_;
    goAfterNextMove_ = false;
    return go;
}

bool GameSession::Intact() const
{
    return game_->CurPly >= 0 && game_->CurPly <= game_->LastPly && game_->LastPly <= kMaxPly;
}

void GameSession::Changed()
{
    assert(Intact());
    emit RecordChanged();
}

MoveVerdict GameSession::CommitMove(const std::string& move, const PromotionAsk* askPromotion)
{
    // The gate reads its move from MoveInput; a text too long for it is
    // refused there.
    SetMoveInput(*game_, move);
    if (vorlik::CommitMove(*game_, askPromotion)) {
        Changed();
        return MoveVerdict::Legal;
    }
    // Why it was refused, asked of the record as it still is.
    const MoveVerdict verdict = JudgeMove(*game_, move);
    return verdict == MoveVerdict::Legal ? MoveVerdict::Illegal : verdict;
}

bool GameSession::GoToPly(int ply)
{
    if (ply < 0 || ply > game_->LastPly)
        return false;
    if (ply != game_->CurPly) {
        game_->CurPly = ply;
        Changed();
    }
    return true;
}

bool GameSession::Truncate(int ply)
{
    if (ply < 0 || ply > game_->LastPly)
        return false;
    ClearNotes(*game_, ply + 1, game_->LastPly);
    game_->CurPly = game_->LastPly = ply;
    Changed();
    return true;
}

void GameSession::NewRecord()
{
    ResetGame(*game_);
    clockRemainder_ = {};
    SetStartPosition(*game_);
    SetPhase(GamePhase::NoGame);
    emit RecordReset();
    Changed();
}

void GameSession::LoadSetup(Board position, bool blackToMove)
{
    LoadSetupPosition(*game_, position, blackToMove);
    clockRemainder_ = {};
    SetPhase(GamePhase::NoGame);
    emit RecordReset();
    Changed();
}

bool GameSession::MarkMate()
{
    GameState& game = *game_;
    const int last = game.LastPly;
    const auto plusShort = game.KifuShort[last].find('+');
    if (plusShort == std::string::npos)
        return false;
    game.KifuShort[last] = game.KifuShort[last].substr(0, plusShort) + "#";
    const auto plusLong = game.KifuLong[last].find('+');
    if (plusLong != std::string::npos)
        game.KifuLong[last] = game.KifuLong[last].substr(0, plusLong) + "#";
    game.CurPly = last;
    Changed();
    return true;
}

void GameSession::SetNote(int k, int ply, const std::string& text)
{
    if (k < 1 || k > 6 || ply < 0 || ply > kMaxPly)
        return;
    game_->KifuNote[k][ply] = text;
}

int GameSession::AddClockTime(bool black, long long elapsedMs)
{
    int& clock = black ? game_->ClockBlack : game_->ClockWhite;
    vorlik::AddClockTime(clock, clockRemainder_[black], elapsedMs);
    return clock;
}

}  // namespace vorlik
