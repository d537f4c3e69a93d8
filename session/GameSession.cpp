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
    // The board waits for the engine's move: a set-up cannot open then.
    assert(!(phase == GamePhase::SetupOpen && phase_ == GamePhase::EngineThinking));
    phase_ = phase;
    emit PhaseChanged(phase);
}

bool GameSession::Intact() const
{
    return game_->CurPly >= 0 && game_->CurPly <= game_->LastPly && game_->LastPly <= kMaxPly &&
           LineMatchesTree(*game_);
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
    const int before = game_->CurPly;
    if (vorlik::CommitMove(*game_, move, askPromotion)) {
        assert(game_->CurPly == before + 1);  // the move is the ply after the one that was shown
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
        assert(game_->CurPly == ply);
        Changed(false);
    }
    return true;
}

void GameSession::ShowNode(int id)
{
    assert(id >= 0 && id < static_cast<int>(game_->Tree.nodes.size()));
    vorlik::ShowNode(*game_, id);
    Changed(false);
}

bool GameSession::Truncate(int ply)
{
    if (ply < 0 || ply > game_->LastPly)
        return false;
    TruncateLine(*game_, ply);
    assert(game_->LastPly == ply && game_->CurPly == ply);
    Changed();
    return true;
}

void GameSession::NewRecord()
{
    ResetGame(*game_);
    SetStartPosition(*game_);
    assert(game_->LastPly == 0 && game_->CurPly == 0);
    Restarted(true);
}

void GameSession::LoadSetup(Board position, bool blackToMove)
{
    LoadSetupPosition(*game_, position, blackToMove);
    assert(game_->LastPly == (blackToMove ? 1 : 0) && game_->CurPly == game_->LastPly);
    Restarted(true);
}

bool GameSession::MarkMate()
{
    if (vorlik::MarkMate(*game_) != TreeResult::Done)
        return false;
    vorlik::GoToPly(*game_, game_->LastPly);
    assert(game_->KifuShort[game_->LastPly].find('#') != std::string::npos);
    Changed();
    return true;
}

int GameSession::AddLine(int ply, const std::vector<std::string>& moves)
{
    const int shown = game_->CurPly;
    const int placed = vorlik::AddLine(*game_, ply, moves);
    assert(placed >= 0 && placed <= static_cast<int>(moves.size()) && game_->CurPly == shown);
    if (placed > 0)
        Changed();
    return placed;
}

TreeResult GameSession::Edit(const std::function<TreeResult(GameState&)>& change)
{
    assert(change);
    auto edited = std::make_unique<GameState>(*game_);
    const TreeResult result = change(*edited);
    if (result != TreeResult::Done)
        return result;
    *game_ = std::move(*edited);  // in place: views hold the record by reference
    Changed();
    return result;
}

TreeResult GameSession::Annotate(const std::vector<MoveAnnotation>& marks)
{
    const TreeResult result = Edit([&marks](GameState& game) { return ApplyAnnotations(game, marks); });
    assert(result != TreeResult::Done || Intact());  // the shown line is still the tree's
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
    assert(record.CurPly >= 0 && record.CurPly <= record.LastPly && LineMatchesTree(record));  // read whole, not half
    *game_ = std::move(record);  // in place: views hold the record by reference
    game_->Revision = revision;  // counted on from this session's, so a saved revision is never met again
    Restarted(false);
}

void GameSession::Restarted(bool started)
{
    clockRemainder_ = {};
    SetPhase(GamePhase::NoGame);
    emit RecordReset();
    if (started)
        emit RecordStarted();
    emit HeaderChanged();
    Changed();
}

void GameSession::SetHeader(const GameHeader& header)
{
    if (header == game_->Header)
        return;
    assert(header.Field[0].empty());  // fields are numbered from 1
    game_->Header = header;
    ++game_->Revision;
    emit HeaderChanged();
}

void GameSession::SetResult(const std::string& result)
{
    assert(!result.empty());  // an open game is "*"
    GameHeader header = game_->Header;
    header.Field[kResult] = result;
    SetHeader(header);
}

TreeResult GameSession::Changed(TreeResult result)
{
    assert(result == TreeResult::Done || Intact());  // a refused change leaves the record as it was
    if (result == TreeResult::Done)
        Changed();
    return result;
}

TreeResult GameSession::PromoteVariation(int ply) { return Changed(vorlik::PromoteVariation(*game_, ply)); }

TreeResult GameSession::DeleteVariation(int ply) { return Changed(vorlik::DeleteVariation(*game_, ply)); }

TreeResult GameSession::SetComment(int ply, const std::string& text)
{
    assert(ply >= 0 && ply <= game_->LastPly);  // a ply of the line on the board
    return Changed(vorlik::SetComment(*game_, ply, text));
}

TreeResult GameSession::SetNags(int ply, const std::vector<unsigned char>& nags)
{
    assert(ply >= 1 && ply <= game_->LastPly);  // marks belong to a move
    return Changed(vorlik::SetNags(*game_, ply, nags));
}

int GameSession::AddClockTime(bool black, long long elapsedMs)
{
    int& clock = black ? game_->ClockBlack : game_->ClockWhite;
    vorlik::AddClockTime(clock, clockRemainder_[black], elapsedMs);
    assert(clockRemainder_[black] >= 0 && clockRemainder_[black] < 1000);
    return clock;
}

}  // namespace vorlik
