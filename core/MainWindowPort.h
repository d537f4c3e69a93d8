// The few main-window operations that file loading and the engine link call.
// The window implements them; the command-line companion and the tests
// implement them without widgets, so every layer below the window runs headless.
#pragma once

#include "GameHeader.h"
#include "HostIcon.h"
#include "ModuleMekDim.h"

#include <array>
#include <string>

namespace vorlik {


class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;

    virtual GameState& Game() = 0;
    // Commits a move text (e2e4, e7e8q, Nf3, O-O) as ply CurPly + 1; true
    // when it was legal.
    virtual bool CheckChessMoveOutput(const std::string& move) = 0;
    // A new empty record with the standard start position.
    virtual void MnuFileNew_Click() = 0;
    // Redraws everything that depends on CurPly.
    virtual void AllDisplay() = 0;
    // The timer that runs the clocks during a game.
    virtual void RunClock(bool on) = 0;

    // The game information boxes and the result selector.
    virtual GameHeader ReadGameInfo() = 0;
    virtual void ShowGameInfo(const GameHeader& header) = 0;
    // The piece-sound option; a load mutes it while it replays the moves.
    virtual bool PieceSound() = 0;
    virtual void SetPieceSound(bool on) = 0;
    // When false, a refused move makes no sound (a load reports them all at once).
    virtual void SetRefusalBeep(bool on) = 0;
    virtual void Beep() = 0;
    // When false, a pawn reaching the last rank without a letter becomes a
    // queen without a question (the engine's moves).
    virtual void SetPromotionQuestion(bool ask) = 0;

    // One line of the engine's output for the traffic box.
    virtual void ShowEngineOutput(const std::string& line) = 0;
    // True while the user is in the middle of something that a move from the
    // engine must not interrupt: a question or dialog is open, a piece is
    // being dragged, a move is being committed.
    virtual bool EngineMustWait() = 0;
};

}  // namespace vorlik
