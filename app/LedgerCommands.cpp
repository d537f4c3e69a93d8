// The postal verbs of vorlik-kifu: the ledger of one game, the days each side
// has used per move; and the desk, every game in progress of a folder.
#include "KifuCommands.h"

#include "session/GameSession.h"
#include "core/PostalLedger.h"
#include "records/PostalDesk.h"

#include <cstdio>
#include <filesystem>

namespace vorlik {

namespace {

// What the postal verbs take besides the file verbs' options.
struct PostalOptions {
    TimeControl control;  // not set when not given
    int today = 0;
    std::string me;
};

// --control N/D, --today YYYY-MM-DD, and --me NAME where the verb takes it.
OwnOption PostalOption(PostalOptions& postal, bool takesMe)
{
    return [&postal, takesMe](const std::vector<std::string>& args, std::size_t& k, std::string& error) {
        const std::string& arg = args[k];
        if (arg != "--control" && arg != "--today" && !(takesMe && arg == "--me"))
            return false;
        if (k + 1 >= args.size()) {
            error = arg + " のあとに値がありません (" + arg + " needs a value)";
            return true;
        }
        const std::string& value = args[++k];
        if (arg == "--me") {
            postal.me = value;
        } else if (arg == "--control") {
            if (!ReadTimeControl(value, postal.control))
                error = "持ち時間は「手数/日数」です (--control takes N/D, as 10/30): " + value;
        } else {
            const BoxDate date = ReadPostalDate(value);
            postal.today = date.day;
            if (!date.IsDate())
                error = "日付が読めません (--today takes a date, as 2026-12-08): " + value;
        }
        return true;
    };
}

// A date after the day counted to ends in "!": most likely a slip of the pen.
std::string DateField(const BoxDate& date, int today)
{
    if (date.kind == BoxKind::Empty)
        return "-";
    if (!date.IsDate())
        return "?";
    return IsoDate(date.day) + (date.day > today ? "!" : "");
}

std::string NumberField(const std::optional<int>& value) { return value ? std::to_string(*value) : "-"; }

// Days since sent: "-" when nothing was sent or its box is empty, "?" when it holds no date.
std::string SinceSentField(const LedgerStatus& status)
{
    return status.lastSent.kind == BoxKind::NoDate ? "?" : NumberField(status.sinceSent);
}

void PrintLedger(const GameState& game, const Ledger& ledger, const LedgerStatus& status, int today)
{
    for (const LedgerPly& entry : ledger.plies)
        std::printf("%d\t%s\t%s\t%s\t%s\t%s\t%d\t%d\n", entry.ply, game.KifuShort[entry.ply].c_str(),
                    DateField(entry.postmark, today).c_str(), DateField(entry.received, today).c_str(),
                    DateField(entry.sent, today).c_str(), entry.used ? std::to_string(*entry.used).c_str() : "?",
                    entry.whiteTotal, entry.blackTotal);
    if (const std::optional<MoveInHand>& hand = ledger.inHand)
        std::printf("inhand\t%d\t%s\t%s\t%d\t%d\t%d\n", hand->ply,
                    DateField({BoxKind::Date, hand->from}, today).c_str(), hand->fromReceipt ? "received" : "sent",
                    hand->days, ledger.Total(true), ledger.Total(false));
    std::printf("status\t%s\t%s\t%s\t%s\t%s\n", status.whiteToMove ? "white" : "black",
                NumberField(status.whiteLeft).c_str(), NumberField(status.blackLeft).c_str(),
                SinceSentField(status).c_str(), LedgerStateWord(status.state));
}

void PrintDeskRow(const DeskRow& row)
{
    std::printf("%s\t%d\t%s\t%s\t%d\t%s\t%d\t%s\t%d\t%s\t%s\t%s\n", Field(row.file).c_str(), row.number,
                Field(row.opponent).c_str(), row.meWhite ? "white" : "black", row.plies,
                row.MyMove() ? "me" : "opponent", row.myTotal, NumberField(row.MyLeft()).c_str(),
                row.oppTotal, NumberField(row.OppLeft()).c_str(), SinceSentField(row.status).c_str(),
                LedgerStateWord(row.status.state));
}

// What could not be read, on stderr; false when anything was not read whole.
bool TellDeskProblems(const Desk& desk)
{
    if (!desk.settingsError.empty())
        Tell(desk.settingsError);
    for (const DeskFileProblem& problem : desk.files)
        Tell((problem.file.empty() ? std::string() : problem.file + ": ") + problem.message);
    bool gamesWhole = true;
    for (const DeskRow& row : desk.rows) {
        const std::string game = row.file + " " + std::to_string(row.number) + ": ";
        if (!row.problem.empty())
            Tell(game + row.problem);
        if (!row.laterDates.empty())
            Tell(game + "今日より後の日付があります (dates after today): " + LaterDatesText(row.laterDates));
        if (row.lookAlike)
            Tell(game + "同じファイルに、対局者・大会・日付・ラウンドの同じゲームがほかにもあります。設定はゲームの番号で"
                        "見分けます (another game of the file has the same players, event, date and round)");
        gamesWhole = gamesWhole && row.problem.empty();
    }
    return gamesWhole && desk.files.empty() && desk.settingsError.empty();
}

}  // namespace

int LedgerCommand(const std::vector<std::string>& args)
{
    VerbOptions options;
    PostalOptions postal;
    postal.today = LocalToday();
    const std::string error = ReadVerb(args, false, 2, 2,
                                       "ledger にはファイルとゲーム番号を指定します (ledger takes FILE N)", options,
                                       PostalOption(postal, false));
    if (!error.empty())
        return UsageError(error);
    const std::string& name = options.operands[0];
    std::string wrong;
    const int n = GameNumber(options.operands[1], wrong);
    if (n == 0)
        return UsageError(wrong);
    const KifuKind kind = ResolveKind(options, name);
    if (kind == kKindFen)
        return UsageError("FEN ファイルは局面一つで指し手がありません (a FEN file holds a position, no moves): " + name);
    GameSession session;
    const OpenedGame opened = OpenGame(session, name, kind, n);
    if (opened.status == kExitUsage)
        return opened.status;
    const GameDesk desk = DeskOfGame(name, session.Header(), n);
    if (!desk.error.empty())
        Tell(desk.error);
    const TimeControl control = postal.control.IsSet() ? postal.control : desk.control;
    Ledger ledger = BuildLedger(session.Game(), session.Header().Field[3], desk.leave);
    if (ResultOpen(session.Header().Field[7]))
        CountMoveInHand(ledger, postal.today, desk.receipt, desk.leave);
    PrintLedger(session.Game(), ledger, JudgeLedger(ledger, control, postal.today, desk.reminderDays), postal.today);
    return desk.error.empty() ? opened.status : kExitIncomplete;
}

int DeskCommand(const std::vector<std::string>& args)
{
    VerbOptions options;
    PostalOptions postal;
    postal.today = LocalToday();
    const std::string error = ReadVerb(args, false, 1, 1, "desk にはフォルダを一つ指定します (desk takes one FOLDER)",
                                       options, PostalOption(postal, true));
    if (!error.empty())
        return UsageError(error);
    if (postal.me.empty())
        return UsageError("desk には --me で自分の名前を指定します (desk needs --me NAME, as White or Black name you)");
    const std::string& folder = options.operands[0];
    std::error_code failure;
    if (!std::filesystem::is_directory(folder, failure))
        return FileError("フォルダがありません (no such folder): " + folder);
    const Desk desk = OpenDesk({folder, postal.me, postal.today, postal.control});
    const bool whole = TellDeskProblems(desk);
    for (const DeskRow& row : desk.rows)
        PrintDeskRow(row);
    return whole ? kExitOk : kExitIncomplete;
}

}  // namespace vorlik
