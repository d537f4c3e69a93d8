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
    if (phase == phase_)
        return;
    phase_ = phase;
    emit PhaseChanged(phase);
}

bool GameSession::Intact() const
{
    return game_->CurPly >= 0 && LineMatchesTree(*game_);
}

void GameSession::Changed(bool content)
{
    assert(Intact());
    if (content)
        ++game_->Revision;
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
        vorlik::GoToPly(*game_, ply);
        Changed(false);
    }
    return true;
}

void GameSession::ShowNode(int id)
{
    vorlik::ShowNode(*game_, id);
    Changed(false);
}

bool GameSession::Truncate(int ply)
{
    if (ply < 0 || ply > game_->LastPly)
        return false;
    TruncateLine(*game_, ply);
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
    emit RecordStarted();
    emit HeaderChanged();
    Changed();
}

void GameSession::LoadSetup(Board position, bool blackToMove)
{
    LoadSetupPosition(*game_, position, blackToMove);
    clockRemainder_ = {};
    SetPhase(GamePhase::NoGame);
    emit RecordReset();
    emit RecordStarted();
    emit HeaderChanged();
    Changed();
}

bool GameSession::MarkMate()
{
    if (vorlik::MarkMate(*game_) != TreeResult::Done)
        return false;
    vorlik::GoToPly(*game_, game_->LastPly);
    Changed();
    return true;
}

int GameSession::AddLine(int ply, const std::vector<std::string>& moves)
{
    const int placed = vorlik::AddLine(*game_, ply, moves);
    if (placed > 0)
        Changed();
    return placed;
}

TreeResult GameSession::Edit(const std::function<TreeResult(GameState&)>& change)
{
    auto edited = std::make_unique<GameState>(*game_);
    const TreeResult result = change(*edited);
    if (result != TreeResult::Done)
        return result;
    *game_ = std::move(*edited);  // in place: views hold the record by reference
    Changed();
    return result;
}

void GameSession::SetNote(int k, int ply, const std::string& text)
{
    assert(k >= 1 && k <= 6 && ply >= 0 && ply <= kMaxPly);
    if (game_->KifuNote[k][ply] == text)
        return;
    vorlik::SetNote(*game_, ply, k, text);
    ++game_->Revision;
}

void GameSession::Replace(GameState record)
{
    const long long revision = game_->Revision;
    *game_ = std::move(record);  // in place: views hold the record by reference
    game_->Revision = revision + 1;
    clockRemainder_ = {};
    SetPhase(GamePhase::NoGame);
    emit RecordReset();
    emit HeaderChanged();
    Changed(false);
}

void GameSession::SetHeader(const GameHeader& header)
{
    if (header == game_->Header)
        return;
    game_->Header = header;
    ++game_->Revision;
    assert(game_->Header == header);
    emit HeaderChanged();
}

void GameSession::SetResult(const std::string& result)
{
    GameHeader header = game_->Header;
    header.Field[kResult] = result;
    SetHeader(header);
}

TreeResult GameSession::Changed(TreeResult result)
{
    if (result == TreeResult::Done)
        Changed();
    return result;
}

TreeResult GameSession::PromoteVariation(int ply) { return Changed(vorlik::PromoteVariation(*game_, ply)); }

TreeResult GameSession::DeleteVariation(int ply) { return Changed(vorlik::DeleteVariation(*game_, ply)); }

TreeResult GameSession::SetComment(int ply, const std::string& text)
{
    return Changed(vorlik::SetComment(*game_, ply, text));
}

TreeResult GameSession::SetNags(int ply, const std::vector<unsigned char>& nags)
{
    return Changed(vorlik::SetNags(*game_, ply, nags));
}

int GameSession::AddClockTime(bool black, long long elapsedMs)
{
    int& clock = black ? game_->ClockBlack : game_->ClockWhite;
    vorlik::AddClockTime(clock, clockRemainder_[black], elapsedMs);
    return clock;
}

}  // namespace vorlik
