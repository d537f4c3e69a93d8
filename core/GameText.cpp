#include "GameText.h"

#include <algorithm>
#include <cstdio>

namespace vorlik {

namespace {

const std::string kNoText;

// Days since a fixed origin for a proleptic Gregorian date.
long DayNumber(int year, int month, int day)
{
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads "y/m/d" with one- to four-digit years; two-digit years 00..29 are
// 2000..2029 and 30..99 are 1930..1999, as short dates have always been read.
bool ParseDate(const std::string& text, long& dayNumber)
{
    int fields[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int field = 0;
    for (char c : text) {
        if (c == '/' || c == '-') {
            if (++field > 2)
                return false;
        } else if (c >= '0' && c <= '9') {
            if (++digits[field] > 4)
                return false;
            fields[field] = fields[field] * 10 + (c - '0');
        } else if (c != ' ') {
            return false;
        }
    }
    if (field != 2 || digits[0] == 0 || digits[1] == 0 || digits[2] == 0 || digits[0] == 3)
        return false;
    int year = fields[0];
    if (digits[0] <= 2)
        year += year < 30 ? 2000 : 1900;
    const int month = fields[1], day = fields[2];
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    dayNumber = DayNumber(year, month, day);
    return true;
}

}  // namespace

const std::string& MoveText(const GameState& game, int style, int ply)
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

MoveListEntry MoveListParts(const GameState& game, int style, int ply)
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

std::string MoveListLine(const GameState& game, int style, int ply)
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
    long start = 0, end = 0;
    if (!ParseDate(from, start) || !ParseDate(to, end))
        return false;
    days = static_cast<int>(end - start);
    return true;
}

}  // namespace vorlik
