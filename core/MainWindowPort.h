// The few main-window operations that file loading and the engine link call.
// The window implements them; the command-line companion and the tests
// implement them without widgets, so every layer below the window runs headless.
#pragma once

#include "ModuleMekDim.h"

#include <string>

namespace vorlik {

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
};

}  // namespace vorlik
