#include "PostalDesk.h"

#include "KifuStore.h"
#include "session/GameSession.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

namespace vorlik {

namespace {

// The PGN and CSV files of the folder, by name. Whatever else carries such a
// name (a broken link, a pipe) is listed too, to be named as unreadable.
std::vector<std::string> GameFiles(const std::string& folder, std::string& error)
{
    std::vector<std::string> names;
    std::error_code failure;
    for (std::filesystem::directory_iterator it(folder, failure), end; !failure && it != end; it.increment(failure)) {
        const KifuKind kind = KindOfFileName(it->path().filename().string());
        std::error_code unknown;  // a broken link is no folder
        if ((kind == kKindPgn || kind == kKindCsv) && !it->is_directory(unknown))
            names.push_back(it->path().filename().string());
    }
    if (failure)
        error = "フォルダ「" + QuotedPath(folder) + "」を読めません。\n(" + failure.message() + ")";
    std::sort(names.begin(), names.end());
    return names;
}

// An empty file is a desk's file not yet used; one with text and no game is no game file.
bool HasText(const FileLines& lines)
{
    return std::any_of(lines.text.begin(), lines.text.end(),
                       [](std::string_view line) { return !Trimmed(line).empty(); });
}

bool InProgress(const KifuGame& game) { return Trimmed(game[7]).empty() || Trimmed(game[7]) == "*"; }

// The games of a file that share their key with another: their settings can
// only be told apart by their numbers.
std::vector<bool> LookAlikes(const KifuFile& scan, const std::string& file)
{
    using Key = std::tuple<std::string, std::string, std::string, std::string, std::string>;
    std::map<Key, int> seen;
    std::vector<Key> keys(scan.KifuCount + 1);
    for (int n = 1; n <= scan.KifuCount; ++n) {
        const DeskGameKey key = KeyOfGame(scan, file, n);
        keys[n] = {key.white, key.black, key.event, key.date, key.round};
        ++seen[keys[n]];
    }
    std::vector<bool> alike(scan.KifuCount + 1, false);
    for (int n = 1; n <= scan.KifuCount; ++n)
        alike[n] = seen[keys[n]] > 1;
    return alike;
}

std::string LastMoveText(const GameState& game)
{
    if (game.LastPly == 0 || game.KifuShort[game.LastPly].empty())
        return std::string();
    const int ply = game.LastPly;
    return std::to_string(MoveNumber(game, ply)) + (IsWhitePly(ply) ? ". " : "... ") + game.KifuShort[ply];
}

// The row of game n, loaded into game.
DeskRow MakeRow(GameState& game, const KifuFile& scan, const std::string& file, KifuKind kind, int n,
                const DeskGameSettings* own, const Desk& desk, const DeskRequest& request)
{
    DeskRow row;
    row.file = file;
    row.number = n;
    row.kind = kind;
    row.key = KeyOfGame(scan, file, n);
    row.meWhite = row.key.white == request.me;
    row.opponent = row.meWhite ? row.key.black : row.key.white;
    const LoadReport report = LoadKifuGame(game, scan, kind, n);
    row.problem = report.Message();
    const Leave leave = own ? own->leave : Leave{};
    Ledger ledger = BuildLedger(game, scan.KifuList[n][3], leave);
    CountMoveInHand(ledger, request.today, own ? own->receipt : std::nullopt, leave);
    row.inHand = ledger.inHand;
    row.laterDates = DatesAfter(ledger, request.today);
    row.lastPly = game.LastPly;
    row.plies = static_cast<int>(ledger.plies.size());
    row.lastMove = LastMoveText(game);
    row.control = ControlOfGame(desk.settings, own, request.control);
    row.myTotal = ledger.Total(row.meWhite);
    row.oppTotal = ledger.Total(!row.meWhite);
    row.unknownPlies = ledger.UnknownPlies();
    row.status = JudgeLedger(ledger, row.control, request.today, desk.settings.reminderDays, row.meWhite);
    return row;
}

// The rows of one file's games in progress that the player plays in.
void ReadDeskFile(Desk& desk, const DeskRequest& request, const std::string& file, GameState& record)
{
    const std::string path = (std::filesystem::path(request.folder) / file).string();
    const KifuKind kind = KindOfFileName(file);
    FileLines lines;
    std::string error;
    if (!ReadFileLines(path, lines, error, kMaxDeskFileBytes)) {
        desk.files.push_back({file, error});
        return;
    }
    KifuFile scan;
    const ScanReport report = ScanFileLines(scan, kind, path, lines, kMaxGames);
    if (!report.message.empty())
        desk.files.push_back({file, report.message});
    else if (scan.KifuCount == 0 && HasText(lines))
        desk.files.push_back({file, "ファイル「" + QuotedPath(path) + "」にゲームが見つかりません。" +
                                        (kind == kKindPgn ? "PGN" : "CSV") + " の棋譜ではないようです。"});
    const std::vector<const DeskGameSettings*> settings = SettingsOfGames(desk.settings, scan, file);
    const std::vector<bool> alike = LookAlikes(scan, file);
    for (int n = 1; n <= scan.KifuCount; ++n) {
        const KifuGame& kifu = scan.KifuList[n];
        if (!InProgress(kifu) || (Trimmed(kifu[5]) != request.me && Trimmed(kifu[6]) != request.me))
            continue;
        desk.rows.push_back(MakeRow(record, scan, file, kind, n, settings[n], desk, request));
        desk.rows.back().lookAlike = alike[n];
    }
}

}  // namespace

Desk OpenDesk(DeskRequest request)
{
    request.me = Trimmed(request.me);
    Desk desk;
    if (!ReadDeskSettings(request.folder, desk.settings, desk.settingsError))
        desk.settings = DeskSettings{};
    std::string error;
    const std::vector<std::string> files = GameFiles(request.folder, error);
    if (!error.empty())
        desk.files.push_back({std::string(), error});
    auto record = std::make_unique<GameState>();  // each game is read into it in turn
    for (const std::string& file : files)
        ReadDeskFile(desk, request, file, *record);
    SortDesk(desk.rows);
    return desk;
}

DeskPlace PlaceOfRow(const std::string& folder, const DeskRow& row)
{
    return {(std::filesystem::path(folder) / row.file).string(), row.kind, row.key};
}

bool OpenDeskGame(KifuHost& host, KifuFile& file, const DeskPlace& place)
{
    const ScanReport report = [&] {
        const BusyPointer busy(host);
        return ScanKifuFile(file, place.kind, place.path);
    }();
    if (!report.ok) {
        host.ShowMessage(report.message, "警告", KifuHost::Icon::Error);
        return false;
    }
    const int n = FindGameOfKey(file, place.key);
    if (n == 0) {
        host.ShowMessage("ファイル「" + QuotedPath(place.path) + "」に、このゲーム（白 " + place.key.white + "・黒 " +
                             place.key.black + "）が見当たりません。一覧を更新してください。",
                         "警告", KifuHost::Icon::Error);
        return false;
    }
    file.KifuSelect = SelectGame(n);  // which of two alike the window's ledger takes
    return LoadGame(host, file, place.kind, n);
}

namespace {

// The game's settings stay with it when its players, event, date or round
// were changed on the board. Settings that cannot be read are left as they are.
void MoveSettings(KifuHost& host, const std::string& path, const DeskGameKey& from, const DeskGameKey& to)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    DeskSettings settings;
    std::string error;
    if (from.SameGame(to) || !ReadDeskSettings(folder, settings, error))
        return;
    const DeskGameSettings* entry = SettingsOfKey(settings, from);
    if (!entry)
        return;
    settings.games[entry - settings.games.data()].key = to;
    if (!WriteDeskSettings(folder, settings, error))
        host.ShowMessage(error + "\n対局の設定 (持ち時間・休暇など) は元のゲーム情報のまま残っています。", "注意",
                         KifuHost::Icon::Warning);
}

}  // namespace

bool SaveDeskGame(KifuHost& host, DeskPlace& place)
{
    int n = 0;
    const auto which = [&place](const KifuFile& now) { return FindGameOfKey(now, place.key); };
    if (!SaveOverGame(host, place.kind, place.path, which, n))
        return false;
    const DeskGameKey written = KeyOfHeader(place.key.file, host.Session().Header(), n);
    MoveSettings(host, place.path, place.key, written);
    place.key = written;
    return true;
}

void SortDesk(std::vector<DeskRow>& rows)
{
    // Smaller is more urgent.
    const auto rank = [](const DeskRow& row) {
        const int left = row.MyMove() ? row.MyLeft().value_or(INT_MAX) : 0;
        const int waiting = row.status.sinceSent.value_or(INT_MIN + 1);
        return std::make_tuple(!row.MyMove(), left, -waiting, row.file, row.number);
    };
    std::sort(rows.begin(), rows.end(), [&](const DeskRow& a, const DeskRow& b) { return rank(a) < rank(b); });
}

}  // namespace vorlik
