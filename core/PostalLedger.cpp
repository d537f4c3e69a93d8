#include "PostalLedger.h"

#include "KifuTree.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <ctime>

namespace vorlik {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsCivilDate(int year, int month, int day)
{
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// Full-width digits, "／", "．", "－" and the full-width blank, as a Japanese
// input method types them, read as their ASCII twins.
std::string AsciiForm(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        if (i + 2 < text.size() && byte(i) == 0xEF && byte(i + 1) == 0xBC && byte(i + 2) >= 0x8D &&
            byte(i + 2) <= 0x99) {
            out += static_cast<char>('-' + (byte(i + 2) - 0x8D));  // U+FF0D..FF19 are "-./0..9"
            i += 2;
        } else if (i + 2 < text.size() && byte(i) == 0xE3 && byte(i + 1) == 0x80 && byte(i + 2) == 0x80) {
            out += ' ';
            i += 2;
        } else {
            out += text[i];
        }
    }
    const std::size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The parts of "a/b/c" split at one kind of separator; empty when any part
// is no number of one to four digits.
std::vector<std::string> DateParts(const std::string& text, char& separator)
{
    const std::size_t at = text.find_first_of("/.-");
    separator = at == std::string::npos ? '\0' : text[at];
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (true) {
        const std::size_t stop = text.find(separator, from);
        parts.push_back(text.substr(from, stop == std::string::npos ? std::string::npos : stop - from));
        if (!AllDigits(parts.back()) || parts.back().size() > 4)
            return {};
        if (stop == std::string::npos)
            return parts;
        from = stop + 1;
    }
}

BoxDate DateOf(int year, int month, int day)
{
    if (!IsCivilDate(year, month, day))
        return {BoxKind::NoDate, 0};
    return {BoxKind::Date, DaysFromCivil(year, month, day)};
}

// "m/d" in the year, of the three around `near`, that puts it nearest. The
// year is chosen first and the date tried in it: a 29 February written in a
// year without one is no date, never a day of a leap year further off.
BoxDate NearestDate(int month, int day, int near)
{
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return {BoxKind::NoDate, 0};
    const int year = CivilFromDays(near).year;
    int best = year;
    for (int y = year - 1; y <= year + 1; ++y)
        if (std::abs(DaysFromCivil(y, month, day) - near) < std::abs(DaysFromCivil(best, month, day) - near))
            best = y;
    return DateOf(best, month, day);
}

// Days of (from, to] that fall inside any of the periods.
int DaysOnLeave(int from, int to, const std::vector<LeavePeriod>& periods)
{
    std::vector<LeavePeriod> sorted = periods;
    std::sort(sorted.begin(), sorted.end(), [](const LeavePeriod& a, const LeavePeriod& b) { return a.first < b.first; });
    int days = 0;
    int counted = from;  // days up to here are counted already (periods may overlap)
    for (const LeavePeriod& period : sorted) {
        const int first = std::max(period.first, counted + 1);
        const int last = std::min(period.last, to);
        if (first <= last) {
            days += last - first + 1;
            counted = last;
        }
    }
    return days;
}

// The ＋ box when it holds a whole number (the player may have corrected it),
// else 発 − 着 when both are dates and run forward.
std::optional<int> DaysWritten(const LedgerPly& entry, const std::string& plusBox)
{
    if (const std::optional<int> days = ReadDayCount(plusBox))
        return days;
    if (entry.received.IsDate() && entry.sent.IsDate() && entry.sent.day >= entry.received.day)
        return entry.sent.day - entry.received.day;
    return std::nullopt;
}

// The last day of a move's days, when the boxes place it.
std::optional<int> LastDayOfMove(const LedgerPly& entry, int days)
{
    if (entry.sent.IsDate())
        return std::max(entry.sent.day, entry.postmark.IsDate() ? entry.postmark.day : entry.sent.day);
    if (entry.received.IsDate())
        return entry.received.day + days;
    return std::nullopt;
}

// The days one move used, and why not when they are unknown.
void WorkOutDays(LedgerPly& entry, const std::string& plusBox, const Leave& leave)
{
    std::optional<int> days = DaysWritten(entry, plusBox);
    if (!days) {
        const bool bothDates = entry.received.IsDate() && entry.sent.IsDate();
        entry.why = bothDates ? UnknownWhy::SentBeforeReceived : UnknownWhy::NoDates;
        return;
    }
    // The sender posted later than he wrote: the days until the postmark are his.
    if (entry.postmark.IsDate() && entry.sent.IsDate() && entry.postmark.day > entry.sent.day)
        *days += entry.postmark.day - entry.sent.day;
    if (const std::optional<int> last = LastDayOfMove(entry, *days))
        *days -= DaysOnLeave(*last - *days, *last, IsWhitePly(entry.ply) ? leave.white : leave.black);
    entry.used = days;
}

}  // namespace

int DaysFromCivil(int year, int month, int day)
{
    // The year counted from March, so that a leap day ends it.
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate CivilFromDays(int day)
{
    CivilDate date;
    date.year = 1970 + day / 366;
    while (DaysFromCivil(date.year + 1, 1, 1) <= day)
        ++date.year;
    while (DaysFromCivil(date.year, 1, 1) > day)
        --date.year;
    while (date.month < 12 && DaysFromCivil(date.year, date.month + 1, 1) <= day)
        ++date.month;
    date.day = day - DaysFromCivil(date.year, date.month, 1) + 1;
    return date;
}

std::string IsoDate(int day)
{
    const CivilDate date = CivilFromDays(day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

int LocalToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

BoxDate ReadPostalDate(std::string_view text, std::optional<int> near)
{
    const std::string ascii = AsciiForm(text);
    if (ascii.empty())
        return {BoxKind::Empty, 0};
    char separator = '\0';
    const std::vector<std::string> parts = DateParts(ascii, separator);
    const auto shortPart = [&](std::size_t k) { return parts[k].size() <= 2; };
    if (parts.size() == 2 && separator == '/' && shortPart(0) && shortPart(1) && near)
        return NearestDate(std::stoi(parts[0]), std::stoi(parts[1]), *near);
    if (parts.size() != 3 || !shortPart(1) || !shortPart(2))
        return {BoxKind::NoDate, 0};
    const std::size_t yearDigits = parts[0].size();
    int year = std::stoi(parts[0]);
    if (yearDigits == 2 && separator == '/')
        year += year < 70 ? 2000 : 1900;
    else if (yearDigits != 4)
        return {BoxKind::NoDate, 0};
    return DateOf(year, std::stoi(parts[1]), std::stoi(parts[2]));
}

std::optional<int> ReadDayCount(std::string_view text)
{
    const std::string ascii = AsciiForm(text);
    if (!AllDigits(ascii) || ascii.size() > 5)
        return std::nullopt;
    return std::stoi(ascii);
}

bool ReadTimeControl(std::string_view text, TimeControl& control)
{
    const std::string ascii = AsciiForm(text);
    const std::size_t slash = ascii.find('/');
    if (slash == std::string::npos)
        return false;
    const std::optional<int> moves = ReadDayCount(ascii.substr(0, slash));
    const std::optional<int> days = ReadDayCount(ascii.substr(slash + 1));
    if (!moves || !days || *moves == 0 || *days == 0)
        return false;
    control = {*moves, *days};
    return true;
}

std::string TimeControlText(const TimeControl& control)
{
    return std::to_string(control.moves) + "/" + std::to_string(control.days);
}

std::vector<int> Ledger::UnknownPlies() const
{
    std::vector<int> unknown;
    for (const LedgerPly& entry : plies)
        if (!entry.used)
            unknown.push_back(entry.ply);
    return unknown;
}

Ledger BuildLedger(const GameState& game, std::string_view gameDate, const Leave& leave)
{
    Ledger ledger;
    std::optional<int> near;  // the date read last places the next "m/d"
    const auto read = [&near](const std::string& box) {
        const BoxDate date = ReadPostalDate(box, near);
        if (date.IsDate())
            near = date.day;
        return date;
    };
    read(std::string(gameDate));
    for (int ply = 1; ply <= game.LastPly; ++ply) {
        if (game.KifuCoord[ply].empty())
            continue;  // ply 1 of a game that starts with Black
        LedgerPly entry;
        entry.ply = ply;
        entry.postmark = read(game.KifuNote[1][ply]);
        entry.received = read(game.KifuNote[2][ply]);
        entry.sent = read(game.KifuNote[3][ply]);
        WorkOutDays(entry, game.KifuNote[4][ply], leave);
        std::vector<int>& after = IsWhitePly(ply) ? ledger.whiteAfter : ledger.blackAfter;
        after.push_back(after.back() + entry.used.value_or(0));
        entry.whiteTotal = ledger.whiteAfter.back();
        entry.blackTotal = ledger.blackAfter.back();
        ledger.plies.push_back(entry);
    }
    ledger.whiteToMove = !IsWhitePly(game.LastPly);
    return ledger;
}

bool ResultOpen(std::string_view result)
{
    const std::string text = AsciiForm(result);
    return text.empty() || text == "*";
}

namespace {

// The day the move in hand's days run from, when it is known.
std::optional<MoveInHand> StartOfMoveInHand(const Ledger& ledger, const std::optional<MoveReceipt>& receipt)
{
    if (ledger.plies.empty())
        return std::nullopt;  // no move of the opponent's to answer yet
    const LedgerPly& last = ledger.plies.back();
    MoveInHand hand;
    hand.ply = last.ply + 1;
    if (receipt && receipt->ply == hand.ply) {
        hand.from = receipt->day;
        hand.fromReceipt = true;
        return hand;
    }
    if (!last.sent.IsDate())
        return std::nullopt;
    hand.from = std::max(last.sent.day, last.postmark.IsDate() ? last.postmark.day : last.sent.day);
    return hand;
}

}  // namespace

void CountMoveInHand(Ledger& ledger, int today, const std::optional<MoveReceipt>& receipt, const Leave& leave)
{
    ledger.inHand = StartOfMoveInHand(ledger, receipt);
    if (!ledger.inHand || ledger.inHand->from >= today)
        return;
    MoveInHand& hand = *ledger.inHand;
    hand.days = today - hand.from - DaysOnLeave(hand.from, today, IsWhitePly(hand.ply) ? leave.white : leave.black);
}

std::vector<LaterDate> DatesAfter(const Ledger& ledger, int today)
{
    std::vector<LaterDate> later;
    for (const LedgerPly& entry : ledger.plies) {
        const BoxDate* boxes[] = {&entry.postmark, &entry.received, &entry.sent};
        for (int box = 1; box <= 3; ++box)
            if (boxes[box - 1]->IsDate() && boxes[box - 1]->day > today)
                later.push_back({entry.ply, box, boxes[box - 1]->day});
    }
    if (ledger.inHand && ledger.inHand->fromReceipt && ledger.inHand->from > today)
        later.push_back({ledger.inHand->ply, 0, ledger.inHand->from});
    return later;
}

std::string LaterDatesText(const std::vector<LaterDate>& dates)
{
    static const char* const kBoxes[] = {"受け取り", "消印", "着", "発"};
    std::string text;
    for (const LaterDate& date : dates)
        text += (text.empty() ? "" : ", ") + std::to_string(date.ply) + "手目の" + kBoxes[date.box] + " " +
                IsoDate(date.day);
    return text;
}

int DaysLeft(const TimeControl& control, int moves, int total)
{
    return control.days * (moves / control.moves + 1) - total;
}

bool IsOver(const Ledger& ledger, const TimeControl& control, bool white)
{
    if (!control.IsSet())
        return false;
    // After its k-th move a side is in the period that ends at its move
    // ceil(k / N); the days the period allows are its number times D.
    const std::vector<int>& after = white ? ledger.whiteAfter : ledger.blackAfter;
    for (std::size_t k = 1; k < after.size(); ++k) {
        const int period = static_cast<int>((k - 1) / control.moves) + 1;
        if (after[k] > period * control.days)
            return true;
    }
    return DaysLeft(control, ledger.Moves(white), ledger.Total(white)) < 0;  // the move in hand
}

LedgerStatus JudgeLedger(const Ledger& ledger, const TimeControl& control, int today, int reminderDays,
                         std::optional<bool> meWhite)
{
    LedgerStatus status;
    status.whiteToMove = ledger.whiteToMove;
    if (control.IsSet()) {
        status.whiteLeft = DaysLeft(control, ledger.Moves(true), ledger.Total(true));
        status.blackLeft = DaysLeft(control, ledger.Moves(false), ledger.Total(false));
    }
    if (!ledger.plies.empty())
        status.lastSent = ledger.plies.back().sent;
    if (status.lastSent.IsDate())
        status.sinceSent = today - status.lastSent.day;
    const std::optional<int> toMoveLeft = ledger.whiteToMove ? status.whiteLeft : status.blackLeft;
    const bool opponentToMove = !meWhite || *meWhite != ledger.whiteToMove;
    status.whiteOver = IsOver(ledger, control, true);
    status.blackOver = IsOver(ledger, control, false);
    if (status.whiteOver)
        status.state = LedgerState::OverWhite;
    else if (status.blackOver)
        status.state = LedgerState::OverBlack;
    else if (toMoveLeft && *toMoveLeft <= kShortDays)
        status.state = LedgerState::Short;
    else if (status.sinceSent && *status.sinceSent > reminderDays && opponentToMove)
        status.state = LedgerState::Reminder;
    return status;
}

const char* LedgerStateWord(LedgerState state)
{
    switch (state) {
    case LedgerState::OverWhite: return "over-white";
    case LedgerState::OverBlack: return "over-black";
    case LedgerState::Short: return "short";
    case LedgerState::Reminder: return "reminder";
    case LedgerState::Ok: break;
    }
    return "ok";
}

std::optional<Totals> TotalsAt(const Ledger& ledger, int ply)
{
    std::optional<Totals> totals;
    bool known = false;
    for (const LedgerPly& entry : ledger.plies) {
        if (entry.ply > ply)
            break;
        known = known || entry.used.has_value();
        totals = Totals{entry.whiteTotal, entry.blackTotal};
    }
    return known ? totals : std::nullopt;
}

namespace {

// "白 12日 (残18)", "白 40日 (超過)"
std::string SideText(const Ledger& ledger, const TimeControl& control, bool white)
{
    const bool inHand = ledger.inHand && white == ledger.whiteToMove;
    const int running = inHand ? ledger.inHand->days : 0;
    std::string text = std::string(white ? "白 " : "黒 ") + std::to_string(ledger.Total(white) - running) + "日";
    if (inHand)
        text += " + 手番中 " + std::to_string(running) + "日";
    if (IsOver(ledger, control, white))
        text += " (超過)";  // what is left after a passed control is no comfort
    else if (control.IsSet())
        text += " (残" + std::to_string(DaysLeft(control, ledger.Moves(white), ledger.Total(white))) + ")";
    return text;
}

}  // namespace

std::string LedgerLine(const Ledger& ledger, const TimeControl& control)
{
    std::string line = SideText(ledger, control, true) + " ・ " + SideText(ledger, control, false);
    if (control.IsSet())
        line += " ・ " + TimeControlText(control);
    return line;
}

Ledger MainLineLedger(const GameState& game, std::string_view gameDate, const Leave& leave)
{
    // A shown line that is the whole main line needs no copy of the record.
    if (IsMainLine(game, game.LastPly) && Children(game, NodeAt(game, game.LastPly)).empty())
        return BuildLedger(game, gameDate, leave);
    return BuildLedger(MainLineGame(game), gameDate, leave);
}

std::optional<Totals> PostcardTotals(const GameState& game, std::string_view gameDate, const Leave& leave)
{
    if (!IsMainLine(game, game.CurPly))
        return std::nullopt;
    return TotalsAt(MainLineLedger(game, gameDate, leave), game.CurPly);
}

}  // namespace vorlik
