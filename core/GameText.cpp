#include "GameText.h"

#include "PostalLedger.h"

#include <algorithm>
#include <cstdio>

namespace vorlik {

namespace {

const std::string kNoText;

}  // namespace

const std::string& MoveText(const GameState& game, NotationStyle style, int ply)
{
    if (ply < 0 || ply > kMaxPly)
        return kNoText;
    switch (style) {
    case kStyleShort: return game.KifuShort[ply];
    case kStyleLong: return game.KifuLong[ply];
    case kStylePostal: return game.KifuPostal[ply];
    case kStyleCoord: return game.KifuCoord[ply];
    default: return kNoText;
    }
}

MoveListEntry MoveListParts(const GameState& game, NotationStyle style, int ply)
{
    MoveListEntry entry;
    if (ply < 1 || ply > kMaxPly)
        return entry;
    entry.number = MoveNumber(game, ply);
    const bool blackMoved = !IsWhitePly(ply);
    entry.white = MoveText(game, style, blackMoved ? ply - 1 : ply);
    if (entry.white.empty())
        entry.white = "...";
    if (blackMoved)
        entry.black = MoveText(game, style, ply);
    return entry;
}

std::string MoveListLine(const GameState& game, NotationStyle style, int ply)
{
    if (ply < 1 || ply > kMaxPly)
        return std::string();
    const MoveListEntry entry = MoveListParts(game, style, ply);
    std::string line = std::to_string(entry.number) + ". " + entry.white;
    if (!IsWhitePly(ply)) {
        if (entry.white.size() < 9)
            line.append(9 - entry.white.size(), ' ');
        line += entry.black;
    }
    return line;
}

std::string ClockText(int seconds)
{
    if (seconds < 0)
        seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds % 3600 / 60, seconds % 60);
    return text;
}

void AddClockTime(int& seconds, int& milliseconds, long long elapsedMs)
{
    const long long total = std::max(0LL, elapsedMs) + milliseconds;
    const long long whole = std::min<long long>(total / 1000, kClockLimit);
    milliseconds = static_cast<int>(total % 1000);
    seconds = static_cast<int>(std::min<long long>(seconds + whole, kClockLimit));
}

std::string ShortDate(int year, int month, int day)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%d/%d", year % 100, month, day);
    return text;
}

bool DaysBetween(const std::string& from, const std::string& to, int& days)
{
    // An "m/d" takes its year from the other date.
    BoxDate start = ReadPostalDate(from);
    const BoxDate end = ReadPostalDate(to, start.IsDate() ? std::optional<int>(start.day) : std::nullopt);
    if (!start.IsDate() && end.IsDate())
        start = ReadPostalDate(from, end.day);
    if (!start.IsDate() || !end.IsDate())
        return false;
    days = end.day - start.day;
    return true;
}

std::string FollowedDayCount(const std::string& oldReceived, const std::string& oldSent, const std::string& received,
                             const std::string& sent, const std::string& plus)
{
    int now = 0;
    if (!DaysBetween(received, sent, now))
        return plus;
    int before = 0;
    const bool blank = plus.find_first_not_of(" \t") == std::string::npos;
    const bool made = blank || (DaysBetween(oldReceived, oldSent, before) &&
                                (plus == std::to_string(before) || ReadDayCount(plus) == before));
    return made ? std::to_string(now) : plus;
}

}  // namespace vorlik
