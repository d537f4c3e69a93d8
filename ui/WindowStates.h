// Which of the window's commands can be used: one table, a column per phase
// of play. The columns stand where the window's numbered modes stood: the
// buttons' modes 0 and 8 and the menus' mode 0 are NoGame, 3 with 1
// UserToMove, 2 with 1 EngineThinking, 7 with 3 SetupOpen, 6 with 0 Ended.
#pragma once

#include "session/GameSession.h"

#include <array>

namespace vorlik {

// The commands, each one or more controls that are always on or off together.
enum class WindowCommand {
    Navigation,   // the buttons "|<", "<", ">", ">|", "動 >"
    MoveList,
    MoveNow,      // the engine-name button
    TakeBack,     // "戻"
    StartButton,  // "開始"
    GameEnd,      // "終了", "ゲーム終了" and its tool button
    DirectSend,   // "直接送信"
    FileNew,
    FileOpen,
    FileSave,
    GameNew,      // "ゲーム開始" and its tool button
    GameSetup,
    GameLevel,    // each level entry, when the engine has its command
    GameEngine,
    Search,
    Annotate,        // the comment box and the marks of a move
    VariationEntry,  // "変化手順の入力"
    VariationEdit,   // promoting and deleting the variation on the board
    GameReview,      // "全手解析"
    Analysis,        // "解析" and its tool button
    Count
};

// What the table's cells depend on besides the phase.
struct WindowFacts {
    bool engineConfigured = false;
    bool atEnd = true;             // the record's last position is on the board
    bool takeBackCommand = false;  // the engine takes moves back ("undo", "remove")
    bool levelCommand = false;     // the level entry asked about has a command
    bool inVariation = false;      // the line on the board leaves the main line
};

// Whether a command can be used in a phase.
bool CommandEnabled(WindowCommand command, GamePhase phase, const WindowFacts& facts);

}  // namespace vorlik
