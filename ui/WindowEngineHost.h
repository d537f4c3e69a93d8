// The engine link's host in the window: its messages go through the window
// services, the game-start question is the window's dialog, the window says
// when the user is busy, and the end of a game lets the window write its
// settings.
#pragma once

#include "engine/EngineGame.h"

#include <functional>

class QWidget;

namespace vorlik {

class DialogMnuGameStart;
class WindowServices;

class WindowEngineHost : public EngineHost {
public:
    WindowEngineHost(WindowServices& services, QWidget* parent, std::function<void()> gameEnded);

    void ShowMessage(const std::string& text, const std::string& title, Icon icon) override;
    GameStartChoice AskGameStart(bool canContinue) override;
    std::string ProgramFolder() override;
    bool UserBusy() override { return busy && busy(); }
    void GameEnded() override;
    bool MayDiscardRecord() override { return !mayDiscard || mayDiscard(); }
    void RecordMadeNew() override
    {
        if (madeNew)
            madeNew();
    }

    std::function<bool()> mayDiscard;
    std::function<void()> madeNew;
    std::function<bool()> busy;

    DialogMnuGameStart* StartDialog();

private:
    WindowServices& services_;
    QWidget* parent_;
    std::function<void()> gameEnded_;
    DialogMnuGameStart* startDialog_ = nullptr;
};

}  // namespace vorlik
