#include "HeadlessWindow.h"

#include "MoveCommit.h"

namespace vorlik {

HeadlessWindow::HeadlessWindow() : own_(std::make_unique<GameState>()), game_(own_.get())
{
    MnuFileNew_Click();
}

HeadlessWindow::HeadlessWindow(GameState& record) : game_(&record)
{
    header_.Field[7] = "*";
}

bool HeadlessWindow::CheckChessMoveOutput(const std::string& move)
{
    static const PromotionAsk queen = [](int) { return 'q'; };
    SetMoveInput(*game_, move);
    const bool legal = CommitMove(*game_, &queen);
    if (!legal && refusalBeep_)
        ++beeps_;
    return legal;
}

void HeadlessWindow::MnuFileNew_Click()
{
    vorlik::ResetGame(*game_);
    header_ = GameHeader{};
    header_.Field[7] = "*";
    SetStartPosition(*game_);
}

}  // namespace vorlik
