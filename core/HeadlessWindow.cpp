#include "HeadlessWindow.h"

#include "MoveCommit.h"

namespace vorlik {

HeadlessWindow::HeadlessWindow() : game_(std::make_unique<GameState>())
{
    MnuFileNew_Click();
}

bool HeadlessWindow::CheckChessMoveOutput()
{
    static const PromotionAsk queen = [](int) { return 'q'; };
    const bool legal = CommitMove(*game_, &queen);
    if (!legal && refusalBeep_)
        ++beeps_;
    return legal;
}

void HeadlessWindow::ResetGame() { vorlik::ResetGame(*game_); }

void HeadlessWindow::MnuFileNew_Click()
{
    vorlik::ResetGame(*game_);
    header_ = GameHeader{};
    header_.Field[7] = "*";
    SetStartPosition(*game_);
}

}  // namespace vorlik
