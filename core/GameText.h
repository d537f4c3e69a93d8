// Texts the window shows from the record: move-list lines, clock readings,
// today's date and the day count of the postal boxes.
#pragma once

#include "ModuleMekDim.h"

#include <string>

namespace vorlik {

// Notation styles, as stored in the settings ("1".."4").
enum NotationStyle { kStyleShort = 1, kStyleLong = 2, kStylePostal = 3, kStyleCoord = 4 };

// The text of ply `ply` in a style; empty for a ply without a move, a ply
// outside the record or a style outside 1..4.
const std::string& MoveText(const GameState& game, NotationStyle style, int ply);

// The parts of the move-list line of the full move that holds ply `ply`, as
// it reads after that ply: its number, White's text ("..." when White has
// no move there) and Black's (empty after White's move).
struct MoveListEntry {
    int number = 0;
    std::string white, black;
};
MoveListEntry MoveListParts(const GameState& game, NotationStyle style, int ply);

// The move-list line of the full move that holds ply `ply`, as it reads after
// that ply: "12. Nf3" after White's move; after Black's move White's text is
// padded to nine characters and Black's follows. A missing White move is "...".
std::string MoveListLine(const GameState& game, NotationStyle style, int ply);

// hh:mm:ss of a count of seconds, each field at least two digits.
std::string ClockText(int seconds);

// The largest count a clock holds; it stops there instead of wrapping.
constexpr int kClockLimit = 32767;

// Adds elapsedMs of real time to a clock kept as whole seconds and the
// milliseconds beyond them (0..999), so that no part of a second is lost
// between two readings. Time running backwards adds nothing.
void AddClockTime(int& seconds, int& milliseconds, long long elapsedMs);

// A date as this program writes it: "yy/m/d" (26/12/8 for 8 December 2026).
std::string ShortDate(int year, int month, int day);

// Days from one date to another, written as the postal ledger reads them
// ("03/12/01", "2003/12/4", "12/4" in the year nearest the other); false
// when either is no date.
bool DaysBetween(const std::string& from, const std::string& to, int& days);

// The ＋ box after 着 or 発 was corrected from (oldReceived, oldSent): the count
// of the new dates when the box was empty or held the count the old dates
// gave (the program wrote it); a count typed by hand stays, and so does the
// box while the dates give no count.
std::string FollowedDayCount(const std::string& oldReceived, const std::string& oldSent, const std::string& received,
                             const std::string& sent, const std::string& plus);

}  // namespace vorlik
