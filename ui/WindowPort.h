// The window as the file module and the engine link still call it: each call
// is handed to the part of the window, or the session, that owns it.
#pragma once

#include "core/MainWindowPort.h"

namespace vorlik {

class FormMain;

class WindowPort : public MainWindowPort {
public:
    explicit WindowPort(FormMain& window) : window_(window) {}

    GameState& Game() override;
    bool CheckChessMoveOutput(const std::string& move) override;
    void MnuFileNew_Click() override;
    void AllDisplay() override;
    void RunClock(bool on) override;
    GameHeader ReadGameInfo() override;
    // A header with no result shows and keeps the open one, "*".
    void ShowGameInfo(const GameHeader& header) override;
    bool PieceSound() override;
    void SetPieceSound(bool on) override;
    void SetRefusalBeep(bool on) override;
    void Beep() override;
    void SetPromotionQuestion(bool ask) override;
    void ShowEngineOutput(const std::string& lines) override;
    bool EngineMustWait() override;

private:
    FormMain& window_;
};

}  // namespace vorlik
