#include "WindowEngineHost.h"

#include "DialogMnuGameStart.h"
#include "WindowServices.h"

namespace vorlik {

WindowEngineHost::WindowEngineHost(WindowServices& services, QWidget* parent, std::function<void()> gameEnded)
    : services_(services), parent_(parent), gameEnded_(std::move(gameEnded))
{
}

void WindowEngineHost::ShowMessage(const std::string& text, const std::string& title, Icon icon)
{
    ShowHostMessage(services_, parent_, text, title, icon);
}

DialogMnuGameStart* WindowEngineHost::StartDialog()
{
    if (!startDialog_)
        startDialog_ = new DialogMnuGameStart(parent_);
    return startDialog_;
}

GameStartChoice WindowEngineHost::AskGameStart(bool canContinue) { return StartDialog()->Ask(canContinue); }

std::string WindowEngineHost::ProgramFolder() { return services_.ProgramFolder().toStdString(); }

void WindowEngineHost::GameEnded()
{
    if (gameEnded_)
        gameEnded_();
}

}  // namespace vorlik
