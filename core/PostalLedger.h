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

// The move the side to move is thinking over: its days run from the day the
// opponent's last move was received to today.
struct MoveInHand {
    int ply = 0;               // the ply it will be
    int from = 0;              // the day counted from
    bool fromReceipt = false;  // the receipt as the player entered it; else the day the opponent's card left
    int days = 0;              // to today, less the mover's leave; 0 while `from` lies ahead
};

// When the player received the opponent's move, entered for the move in
// hand (ply): the game files have no box for a move not yet made.
struct MoveReceipt {
    int ply = 0;
    int day = 0;
};

struct Ledger {
    std::vector<LedgerPly> plies;  // the plies that hold a move, in order
    // Each side's total after each of its moves: [k] after its k-th move ([0] is 0).
    std::vector<int> whiteAfter{0};
    std::vector<int> blackAfter{0};
    bool whiteToMove = true;
    std::optional<MoveInHand> inHand;  // counted by CountMoveInHand

    // The days used, the move in hand's included for the side to move.
    int Total(bool white) const
    {
        const int done = white ? whiteAfter.back() : blackAfter.back();
        return done + (inHand && white == whiteToMove ? inHand->days : 0);
    }
    int Moves(bool white) const { return static_cast<int>((white ? whiteAfter : blackAfter).size()) - 1; }
    // The plies whose days are unknown (counted as 0).
    std::vector<int> UnknownPlies() const;
};

// The ledger of plies 1..LastPly. gameDate is the header's Date field, which
// places an "m/d" in the first boxes.
Ledger BuildLedger(const GameState& game, std::string_view gameDate, const Leave& leave = {});

// True while a game's Result says nothing yet ("" or "*"): only then is a
// move in hand.
bool ResultOpen(std::string_view result);

// Counts the days of the move in hand up to today: from the receipt the
// player entered for it, else from the day the opponent's last move left (its
// 発, or its postmark when that is later: the days up to it are the
// sender's). Nothing when no move was made or that day is not known.
void CountMoveInHand(Ledger& ledger, int today, const std::optional<MoveReceipt>& receipt = std::nullopt,
                     const Leave& leave = {});

// A date in a box that lies after the day counted to: most likely a slip of
// the pen, shown so that the player can mend it.
struct LaterDate {
    int ply = 0;
    int box = 0;  // 1 消印, 2 着, 3 発; 0 the receipt entered for the move in hand
    int day = 0;
};
std::vector<LaterDate> DatesAfter(const Ledger& ledger, int today);
// "12手目の発 2027-03-05, 13手目の着 2027-03-09"
std::string LaterDatesText(const std::vector<LaterDate>& dates);

// ---- where the game stands ---------------------------------------------------

constexpr int kShortDays = 5;      // days left at which the side to move is short of time
constexpr int kReminderDays = 14;  // days since sent after which a reminder is due

// The first that holds, in this order.
enum class LedgerState { OverWhite, OverBlack, Short, Reminder, Ok };

struct LedgerStatus {
    bool whiteToMove = true;
    std::optional<int> whiteLeft, blackLeft;  // nothing without a control
    bool whiteOver = false, blackOver = false;  // past what the control allows
    BoxDate lastSent;                         // 発 of the last move (Empty when there is none)
    std::optional<int> sinceSent;             // days from it to today, when it is a date
    LedgerState state = LedgerState::Ok;
};

// Days left to the next control for a side with `moves` moves and `total` days.
int DaysLeft(const TimeControl& control, int moves, int total);
// True as soon as the side's days in a control period pass what the period
// allows, whether or not the period's last move was made (the move in hand
// included).
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
// for its days left; without a control only the totals. The side to move
// shows the days of the move in hand: "黒 9日 + 手番中 3日 (残18)".
std::string LedgerLine(const Ledger& ledger, const TimeControl& control);

}  // namespace vorlik
