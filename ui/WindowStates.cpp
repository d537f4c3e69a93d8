#include "WindowStates.h"

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
    }
    return false;
}

}  // namespace

bool CommandEnabled(WindowCommand command, GamePhase phase, const WindowFacts& facts)
{
    const Row& row = kTable[static_cast<int>(command)];
    return Holds(row.when[static_cast<int>(phase)], facts);
}

}  // namespace vorlik
