// The window's operations without a window: for the command-line companion,
// the tests and the benchmarks. A pawn reaching the last rank without a letter
// becomes a queen, the promotion dialog's default.
#pragma once

#include "MainWindowPort.h"

#include <functional>
#include <memory>

namespace vorlik {

class HeadlessWindow : public MainWindowPort {
public:
    HeadlessWindow();
    // Works on a record someone else owns (a game session's).
    explicit HeadlessWindow(GameState& record);

    GameState& Game() override { return *game_; }
    bool CheckChessMoveOutput(const std::string& move) override;
    void MnuFileNew_Click() override;
    void AllDisplay() override {}
    void RunClock(bool) override {}
    GameHeader ReadGameInfo() override { return header_; }
    void ShowGameInfo(const GameHeader& header) override { header_ = header; }
    bool PieceSound() override { return pieceSound_; }
    void SetPieceSound(bool on) override { pieceSound_ = on; }
    void SetRefusalBeep(bool on) override { refusalBeep_ = on; }
    void Beep() override { ++beeps_; }
    void SetPromotionQuestion(bool) override {}  // a headless promotion is always a queen
    void ShowEngineOutput(const std::string& line) override
    {
        if (onEngineOutput)
            onEngineOutput(line);
    }
    bool EngineMustWait() override { return false; }

    // Where the engine's lines go (the companion's --verbose); nowhere when empty.
    std::function<void(const std::string&)> onEngineOutput;

    GameHeader& Header() { return header_; }
    int Beeps() const { return beeps_; }

private:
    std::unique_ptr<GameState> own_;
    GameState* game_;
    GameHeader header_;
    bool pieceSound_ = false;
    bool refusalBeep_ = true;
    int beeps_ = 0;
};

}  // namespace vorlik
