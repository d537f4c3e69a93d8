// Which of the window's commands can be used: one table, a column per phase
// of play, and the one owner that sets every control's enabled state from
// it. The columns stand where the window's numbered modes stood: the
// buttons' modes 0 and 8 and the menus' mode 0 are NoGame, 3 with 1
// UserToMove, 2 with 1 EngineThinking, 7 with 3 SetupOpen, 6 with 0 Ended.
#pragma once

#include "session/GameSession.h"

#include <QPointer>

#include <array>
#include <vector>

class QAction;
class QWidget;

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
    FileOpen,     // "開く", and a game opened from the desk
    FileSave,
    GameNew,      // "ゲーム開始" and its tool button
    GameSetup,
    GameLevel,    // each level entry, when the engine has its command
    GameEngine,
    Search,
    Annotate,        // the comment box
    VariationEntry,  // "変化手順の入力"
    VariationEdit,   // promoting and deleting the variation on the board
    GameReview,      // "全手解析"
    Analysis,        // "解析" and its tool button
    Marks,           // the marks of the move on the board
    PostalNotes,     // the postal boxes of the move on the board
    TbClaim,         // "テーブルベースで申告..."
    Count
};

// What the table's cells depend on besides the phase.
struct WindowFacts {
    bool engineConfigured = false;
    bool atEnd = true;             // the record's last position is on the board
    bool takeBackCommand = false;  // the engine takes moves back ("undo", "remove")
    bool levelCommand = false;     // the level entry asked about has a command
    bool inVariation = false;      // the line on the board leaves the main line
    bool moveShown = false;        // the board shows a position after a move
    bool tbClaim = false;          // the tables give the side to move a win or a draw
    std::array<bool, 4> levels{};  // 1..3: the level entries that have a command
};

// Whether a command can be used in a phase.
bool CommandEnabled(WindowCommand command, GamePhase phase, const WindowFacts& facts);

// The one place that enables and disables the window's controls: each
// control is registered under its command once, and every change of the
// phase or of the facts sets them all again.
class WindowStates {
public:
    // focusHome: where the keyboard focus waits while the control that had
    // it is off (the board).
    explicit WindowStates(QWidget* focusHome) : focusHome_(focusHome) {}

    void Add(WindowCommand command, QWidget* control);
    void Add(WindowCommand command, QAction* action);
    // A level entry (1..3): on as GameLevel is when that level has its command.
    void AddLevel(int level, QAction* action);

    void Apply(GamePhase phase, const WindowFacts& facts);
    // As the last Apply set it.
    bool Enabled(WindowCommand command) const;

private:
    // Qt hands the focus of a control it disables to the next one; it waits
    // on the board instead and comes back when the control does.
    void Enable(QWidget* control, bool on);

    struct Entry {
        WindowCommand command;
        QWidget* widget;
        QAction* action;
        int level;
    };
    QWidget* focusHome_;
    std::vector<Entry> entries_;
    GamePhase phase_ = GamePhase::NoGame;
    WindowFacts facts_;
    QPointer<QWidget> parkedFocus_;  // a disabled control the focus returns to
};

}  // namespace vorlik
