// The few main-window operations that file loading and the engine link call.
// The window implements them; the command-line companion and the tests
// implement them without widgets, so every layer below the window runs headless.
#pragma once

#include "ModuleMekDim.h"

#include <array>
#include <string>

namespace vorlik {

// The game information of the window: fields 1..7 are Event, Site, Date,
// Round, White, Black and Result; TextInfoS holds the further tag lines, one
// per line ("\n" between them).
struct GameHeader {
    std::array<std::string, 8> Field;  // 1..7; 0 unused
    std::string TextInfoS;
};

class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;

    virtual GameState& Game() = 0;
    // Commits the move in MoveInput as the next ply; true when it was legal.
    virtual bool CheckChessMoveOutput() = 0;
    // A new empty record with the standard start position.
    virtual void MnuFileNew_Click() = 0;
    // Redraws everything that depends on CurPly.
    virtual void AllDisplay() = 0;
    virtual void SetControlState(int mode) = 0;
    // "move", "undo" or "remove" at the current CurPly.
    virtual void UpdateMoveList(const std::string& command) = 0;

    // The game information boxes and the result selector.
    virtual GameHeader ReadGameInfo() = 0;
    virtual void ShowGameInfo(const GameHeader& header) = 0;
    // The piece-sound option; a load mutes it while it replays the moves.
    virtual bool PieceSound() = 0;
    virtual void SetPieceSound(bool on) = 0;
    // When false, a refused move makes no sound (a load reports them all at once).
    virtual void SetRefusalBeep(bool on) = 0;
    virtual void Beep() = 0;
};

}  // namespace vorlik
