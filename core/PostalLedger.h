// The postal ledger: the days each side has used, worked out from the boxes
// 消印, 着, 発 and ＋ of every move, as a correspondence player keeps them on
// paper. Pure functions over the record; dates are whole days, counted from
// 1970-01-01.
#pragma once

#include "ModuleMekDim.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlik {

// ---- days --------------------------------------------------------------------

// The day of a date of the Gregorian calendar, counted from 1970-01-01.
int DaysFromCivil(int year, int month, int day);
struct CivilDate {
    int year = 1970, month = 1, day = 1;
};
// The date of a day.
CivilDate CivilFromDays(int day);
// "2026-12-08".
std::string IsoDate(int day);
// Today on this computer's calendar.
int LocalToday();

// What a postal box holds: nothing, a date, or something that is no date.
enum class BoxKind { Empty, Date, NoDate };
struct BoxDate {
    BoxKind kind = BoxKind::Empty;
    int day = 0;  // when kind is Date
    bool IsDate() const { return kind == BoxKind::Date; }
};

// A date as players write it: "yy/m/d" (00-69 are 2000-2069, 70-99 are
// 1970-1999), "yyyy/m/d", "yyyy.mm.dd", "yyyy-mm-dd", or "m/d" in the year that
// puts it nearest to `near` (no date without it). Full-width digits count.
// Anything else is no date: never guessed.
BoxDate ReadPostalDate(std::string_view text, std::optional<int> near = std::nullopt);

// The text of a ＋ box as a whole number of days, nothing when it holds none.
std::optional<int> ReadDayCount(std::string_view text);

// ---- what the game files cannot hold -----------------------------------------

// Days first..last, both counted.
struct LeavePeriod {
    int first = 0;
    int last = 0;
};

// The periods each side is on leave; days of a move inside its mover's
// leave are not counted.
struct Leave {
    std::vector<LeavePeriod> white;
    std::vector<LeavePeriod> black;
};

// N moves in D days, cumulative: by move N at most D days, by 2N at most 2D, ...
struct TimeControl {
    int moves = 0;  // 0: no control
    int days = 0;
    bool IsSet() const { return moves > 0; }
};

// "10/30"; false when the text is not two whole numbers from 1 with "/" between.
bool ReadTimeControl(std::string_view text, TimeControl& control);
std::string TimeControlText(const TimeControl& control);

// ---- the ledger ----------------------------------------------------------------

// Why a move's days are unknown.
enum class UnknownWhy { None, NoDates, SentBeforeReceived };

struct LedgerPly {
    int ply = 0;
    BoxDate postmark, received, sent;  // 消印, 着, 発
    std::optional<int> used;           // with the postmark correction and leave; nothing when unknown
    UnknownWhy why = UnknownWhy::None;
    int whiteTotal = 0;  // running totals after this ply
    int blackTotal = 0;
};

struct Ledger {
    std::vector<LedgerPly> plies;  // the plies that hold a move, in order
    // Each side's total after each of its moves: [k] after its k-th move ([0] is 0).
    std::vector<int> whiteAfter{0};
    std::vector<int> blackAfter{0};
    bool whiteToMove = true;

    int Total(bool white) const { return white ? whiteAfter.back() : blackAfter.back(); }
    int Moves(bool white) const { return static_cast<int>((white ? whiteAfter : blackAfter).size()) - 1; }
    // The plies whose days are unknown (counted as 0).
    std::vector<int> UnknownPlies() const;
};

// The ledger of plies 1..LastPly. gameDate is the header's Date field, which
// places an "m/d" in the first boxes.
Ledger BuildLedger(const GameState& game, std::string_view gameDate, const Leave& leave = {});

// ---- where the game stands ---------------------------------------------------

constexpr int kShortDays = 5;      // days left at which the side to move is short of time
constexpr int kReminderDays = 14;  // days since sent after which a reminder is due

// The first that holds, in this order.
enum class LedgerState { OverWhite, OverBlack, Short, Reminder, Ok };

struct LedgerStatus {
    bool whiteToMove = true;
    std::optional<int> whiteLeft, blackLeft;  // nothing without a control
    BoxDate lastSent;                         // 発 of the last move (Empty when there is none)
    std::optional<int> sinceSent;             // days from it to today, when it is a date
    LedgerState state = LedgerState::Ok;
};

// Days left to the next control for a side with `moves` moves and `total` days.
int DaysLeft(const TimeControl& control, int moves, int total);
// True when the side's total after one of its control moves passed the control.
bool IsOver(const Ledger& ledger, const TimeControl& control, bool white);

// The game as it stands on `today`. A reminder is due when more than
// reminderDays have passed since the last move was sent; with meWhite given,
// only while the opponent of that side is to move (it is his card that is late).
LedgerStatus JudgeLedger(const Ledger& ledger, const TimeControl& control, int today,
                         int reminderDays = kReminderDays, std::optional<bool> meWhite = std::nullopt);

// "over-white", "over-black", "short", "reminder", "ok".
const char* LedgerStateWord(LedgerState state);

// ---- what the window and the postcard show -------------------------------------

// Both sides' totals after `ply` (the last move at or before it); nothing
// while no move up to it has known days.
struct Totals {
    int white = 0, black = 0;
};
std::optional<Totals> TotalsAt(const Ledger& ledger, int ply);

// The ledger of the game's main line, whichever line the board shows.
Ledger MainLineLedger(const GameState& game, std::string_view gameDate, const Leave& leave = {});

// The totals the postcard of the move at CurPly carries in its game
// reference: nothing for a move off the main line, or while they are unknown.
std::optional<Totals> PostcardTotals(const GameState& game, std::string_view gameDate, const Leave& leave = {});

// "白 12日 (残18) ・ 黒 9日 (残21) ・ 10/30"; a side past a control has "(超過)"
// for its days left; without a control only the totals.
std::string LedgerLine(const Ledger& ledger, const TimeControl& control);

}  // namespace vorlik
