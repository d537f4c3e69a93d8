#include "WindowStates.h"

#include <QAction>
#include <QWidget>

namespace vorlik {

namespace {

enum class When : unsigned char {
    Off,
    On,
    Engine,    // an engine is configured
    AtEnd,     // the record's last position is shown
    TakeBack,  // shown at the end, and the engine takes moves back
    Level,     // the level has its command
    Variation, // the line on the board leaves the main line
    MoveShown, // a position after a move is on the board
    TbClaim,   // the side to move may claim by the tables
};

constexpr int kPhases = 5;

struct Row {
    WindowCommand command;
    std::array<When, kPhases> when;  // NoGame, UserToMove, EngineThinking, SetupOpen, Ended
};

using W = When;
using C = WindowCommand;

// While the engine thinks only its own buttons work; while a position is
// set up nothing that would touch the record does.
constexpr Row kTable[] = {
    {C::Navigation, {W::On, W::On, W::Off, W::Off, W::On}},
    {C::MoveList, {W::On, W::On, W::Off, W::Off, W::On}},
    {C::MoveNow, {W::Off, W::AtEnd, W::On, W::Off, W::Off}},
    {C::TakeBack, {W::Off, W::TakeBack, W::Off, W::Off, W::Off}},
    {C::StartButton, {W::Engine, W::Off, W::Off, W::Off, W::On}},
    {C::GameEnd, {W::Off, W::On, W::On, W::Off, W::Off}},
    {C::DirectSend, {W::Off, W::On, W::On, W::Off, W::Off}},
    {C::FileNew, {W::On, W::Off, W::Off, W::Off, W::On}},
    {C::FileOpen, {W::On, W::Off, W::Off, W::Off, W::On}},
    {C::FileSave, {W::On, W::On, W::On, W::Off, W::On}},
    {C::GameNew, {W::Engine, W::Off, W::Off, W::Off, W::Engine}},
    {C::GameSetup, {W::On, W::Off, W::Off, W::Off, W::On}},
    {C::GameLevel, {W::Off, W::Level, W::Level, W::Off, W::Off}},
    {C::GameEngine, {W::On, W::Off, W::Off, W::Off, W::On}},
    {C::Search, {W::On, W::On, W::On, W::Off, W::On}},
    {C::Annotate, {W::On, W::On, W::Off, W::Off, W::On}},
    {C::VariationEntry, {W::On, W::Off, W::Off, W::Off, W::On}},
    {C::VariationEdit, {W::Variation, W::Off, W::Off, W::Off, W::Variation}},
    {C::GameReview, {W::Engine, W::Off, W::Off, W::Off, W::Engine}},
    // Not beside a game against the engine; a set-up pauses a running one.
    {C::Analysis, {W::On, W::Off, W::Off, W::Off, W::On}},
    // A mark judges a move: none before the first.
    {C::Marks, {W::MoveShown, W::MoveShown, W::Off, W::Off, W::MoveShown}},
    // The postal boxes belong to a move, whatever the phase.
    {C::PostalNotes, {W::MoveShown, W::MoveShown, W::MoveShown, W::MoveShown, W::MoveShown}},
    // Claimed on the user's turn, never while the engine thinks or a position is set up.
    {C::TbClaim, {W::TbClaim, W::TbClaim, W::Off, W::Off, W::TbClaim}},
};
constexpr bool RowsInOrder()
{
    int k = 0;
    for (const Row& row : kTable)
        if (static_cast<int>(row.command) != k++)
            return false;
    return k == static_cast<int>(WindowCommand::Count);
}
static_assert(RowsInOrder(), "one row per command, in the order of WindowCommand");

bool Holds(When when, const WindowFacts& facts)
{
    switch (when) {
    case When::Off: return false;
    case When::On: return true;
    case When::Engine: return facts.engineConfigured;
    case When::AtEnd: return facts.atEnd;
    case When::TakeBack: return facts.atEnd && facts.takeBackCommand;
    case When::Level: return facts.levelCommand;
    case When::Variation: return facts.inVariation;
    case When::MoveShown: return facts.moveShown;
    case When::TbClaim: return facts.tbClaim;
    }
    return false;
}

}  // namespace

bool CommandEnabled(WindowCommand command, GamePhase phase, const WindowFacts& facts)
{
    const Row& row = kTable[static_cast<int>(command)];
    return Holds(row.when[static_cast<int>(phase)], facts);
}

void WindowStates::Add(WindowCommand command, QWidget* control) { entries_.push_back({command, control, nullptr, 0}); }

void WindowStates::Add(WindowCommand command, QAction* action) { entries_.push_back({command, nullptr, action, 0}); }

void WindowStates::AddLevel(int level, QAction* action)
{
    entries_.push_back({WindowCommand::GameLevel, nullptr, action, level});
}

void WindowStates::Apply(GamePhase phase, const WindowFacts& facts)
{
    phase_ = phase;
    facts_ = facts;
    for (const Entry& entry : entries_) {
        WindowFacts asked = facts;
        if (entry.level > 0)
            asked.levelCommand = facts.levels[static_cast<std::size_t>(entry.level)];
        const bool on = CommandEnabled(entry.command, phase, asked);
        if (entry.widget)
            Enable(entry.widget, on);
        else
            entry.action->setEnabled(on);
    }
}

bool WindowStates::Enabled(WindowCommand command) const { return CommandEnabled(command, phase_, facts_); }

void WindowStates::Enable(QWidget* control, bool on)
{
    // A window without a focus gives it to the first box when it is
    // activated: a "終了" or a box whose text the next key press replaces.
    // On the board keys only do what the navigation buttons do (nothing
    // while they are off); the focus comes back with the control unless the
    // user has put it somewhere else meanwhile.
    QWidget* window = control->window();
    if (!on && window->focusWidget() == control) {
        parkedFocus_ = control;
        focusHome_->setFocus(Qt::OtherFocusReason);
    }
    control->setEnabled(on);
    if (on && parkedFocus_ == control) {
        parkedFocus_ = nullptr;
        if (window->focusWidget() == focusHome_)
            control->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace vorlik
