#include "DeskSettings.h"

#include "KifuStore.h"

#include <cstdlib>

namespace vorlik {

const char kDeskSettingsName[] = "VorlikDesk.ini";

namespace {

// A desk of forty games with their notes is a few kilobytes; a file far
// beyond that is no settings file.
constexpr long long kMaxDeskSettingsBytes = 1024 * 1024;

std::string InFolder(const std::string& folder, const char* name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// A note keeps its line ends as "\n", and a backslash as "\\".
std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

std::string Unescaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\'))
            out += text[++i] == 'n' ? '\n' : '\\';
        else
            out += text[i];
    }
    return out;
}

// "white 2025-12-24 2026-01-03": a side and the first and last day of its leave.
bool ReadLeave(const std::string& value, Leave& leave)
{
    std::string error;
    return ReadLeaveLine(value, leave, error);
}

std::string LeaveLine(const char* side, const LeavePeriod& period)
{
    return std::string("leave=") + side + " " + IsoDate(period.first) + " " + IsoDate(period.last);
}

// One "key=value" of a game's block; false when the key is none of a game's
// or its value cannot be read.
bool TakeGameValue(DeskGameSettings& game, const std::string& key, const std::string& value)
{
    DeskGameKey& id = game.key;
    std::string* const texts[] = {&id.file, &id.white, &id.black, &id.event, &id.date, &id.round, &game.address};
    const char* const names[] = {"file", "white", "black", "event", "date", "round", "address"};
    for (std::size_t k = 0; k < std::size(names); ++k)
        if (key == names[k]) {
            *texts[k] = Unescaped(value);
            return true;
        }
    if (key == "note") {
        game.note = Unescaped(value);
        return true;
    }
    if (key == "number") {
        const std::optional<int> number = ReadDayCount(value);
        id.number = number.value_or(0);
        return number.has_value();
    }
    if (key == "control")
        return ReadTimeControl(value, game.control);
    if (key == "leave")
        return ReadLeave(value, game.leave);
    if (key == "received") {
        game.receipt.emplace();
        return ReadReceiptLine(value, *game.receipt);
    }
    return false;
}

// One "key=value" before the first game.
bool TakeDeskValue(DeskSettings& settings, const std::string& key, const std::string& value)
{
    if (key == "control")
        return ReadTimeControl(value, settings.control);
    if (key == "reminder") {
        const std::optional<int> days = ReadDayCount(value);
        settings.reminderDays = days.value_or(settings.reminderDays);
        return days.has_value();
    }
    return false;
}

std::string LineError(std::size_t line, std::string_view text, const char* why)
{
    return std::string(kDeskSettingsName) + " の" + std::to_string(line) + "行目" + why + "「" +
           Quoted(text) + "」";
}

// The file's text; false with the reason in a settings file's words.
bool ReadSettingsText(const std::string& fileName, FileLines& lines, std::string& error)
{
    std::string bytes;
    if (!ReadFileBytes(fileName, bytes, error, kMaxDeskSettingsBytes))
        return false;
    if (GuessEncoding(bytes).binary) {
        error = "テキストファイルではありません。";
        return false;
    }
    return SplitFileLines(std::move(bytes), lines, fileName, error);
}

bool ReadSettingsFile(const std::string& fileName, DeskSettings& settings, std::string& error)
{
    FileLines lines;
    if (ReadSettingsText(fileName, lines, error) && ParseDeskSettings(lines.text, settings, error))
        return true;
    settings = DeskSettings{};
    error = "通信対局一覧の設定ファイル「" + QuotedPath(fileName) + "」を読めません。\n" + error +
            "\n設定なしで表示します。このファイルには書き込みません。";
    return false;
}

}  // namespace

bool ReadLeaveLine(std::string_view text, Leave& leave, std::string& error)
{
    const std::string line = Trimmed(text);
    const std::size_t blank = line.find_first_of(" \t");
    const std::string side = line.substr(0, blank);
    const bool white = side == "white" || side == "白";
    const std::string days = blank == std::string::npos ? std::string() : Trimmed(line.substr(blank));
    const std::size_t middle = days.find_first_of(" \t");
    const BoxDate first = ReadPostalDate(days.substr(0, middle));
    const BoxDate last = middle == std::string::npos ? BoxDate{} : ReadPostalDate(Trimmed(days.substr(middle)));
    if ((!white && side != "black" && side != "黒") || !first.IsDate() || !last.IsDate()) {
        error = "休暇「" + Quoted(line) + "」が読めません。「白 2026-12-24 2027-01-03」のように、白か黒、初日、最終日を書いてください。";
        return false;
    }
    if (last.day < first.day) {
        error = "休暇「" + Quoted(line) + "」は、最終日 (" + IsoDate(last.day) + ") が初日 (" + IsoDate(first.day) +
                ") より前です。";
        return false;
    }
    (white ? leave.white : leave.black).push_back({first.day, last.day});
    return true;
}

bool ReadReceiptLine(std::string_view text, MoveReceipt& receipt)
{
    const std::string line = Trimmed(text);
    const std::size_t blank = line.find_first_of(" \t");
    const std::optional<int> ply = ReadDayCount(line.substr(0, blank));
    const BoxDate day = blank == std::string::npos ? BoxDate{} : ReadPostalDate(Trimmed(line.substr(blank)));
    if (!ply || *ply < 1 || *ply > kMaxPly + 1 || !day.IsDate())
        return false;
    receipt = {*ply, day.day};
    return true;
}

std::string ReceiptText(const MoveReceipt& receipt)
{
    return std::to_string(receipt.ply) + " " + IsoDate(receipt.day);
}

std::string LeaveText(bool white, const LeavePeriod& period)
{
    return std::string(white ? "白 " : "黒 ") + IsoDate(period.first) + " " + IsoDate(period.last);
}

std::string Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::string();
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

namespace {

// A game's date kept in an older form ("2026/1/5") is the same date the
// reader now shows as "26/1/5": dates are compared by the day they mean.
bool SameDate(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    const BoxDate first = ReadPostalDate(a), second = ReadPostalDate(b);
    return first.IsDate() && second.IsDate() && first.day == second.day;
}

}  // namespace

bool DeskGameKey::SameGame(const DeskGameKey& other) const
{
    return file == other.file && white == other.white && black == other.black && event == other.event &&
           SameDate(date, other.date) && round == other.round;
}

DeskGameKey KeyOfGame(const KifuFile& scan, const std::string& file, int n)
{
    const KifuGame& game = scan.KifuList[n];
    return {file, Trimmed(game[5]), Trimmed(game[6]), Trimmed(game[1]), Trimmed(game[3]), Trimmed(game[4]), n};
}

DeskGameKey KeyOfHeader(const std::string& file, const GameHeader& header, int n)
{
    const auto& field = header.Field;
    return {file, Trimmed(field[5]), Trimmed(field[6]), Trimmed(field[1]), Trimmed(field[3]), Trimmed(field[4]), n};
}

int FindGameOfKey(const KifuFile& scan, const DeskGameKey& key)
{
    int best = 0;
    for (int n = 1; n <= scan.KifuCount; ++n) {
        const bool nearer = best == 0 || std::abs(n - key.number) < std::abs(best - key.number);
        if (nearer && key.SameGame(KeyOfGame(scan, key.file, n)))
            best = n;
    }
    return best;
}

bool ParseDeskSettings(const std::vector<std::string_view>& lines, DeskSettings& settings, std::string& error)
{
    settings = DeskSettings{};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = Trimmed(lines[i]);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line == "[game]") {
            settings.games.emplace_back();
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string key = Trimmed(line.substr(0, std::min(equals, line.size())));
        const std::string value = equals == std::string::npos ? std::string() : Trimmed(line.substr(equals + 1));
        const bool read = equals != std::string::npos &&
                          (settings.games.empty() ? TakeDeskValue(settings, key, value)
                                                  : TakeGameValue(settings.games.back(), key, value));
        if (!read) {
            error = LineError(i + 1, lines[i], "が読めません: ");
            return false;
        }
    }
    for (const DeskGameSettings& game : settings.games)
        if (game.key.file.empty()) {
            error = std::string(kDeskSettingsName) + " に、ゲームのファイル名 (file=) のない [game] があります。";
            return false;
        }
    return true;
}

std::vector<std::string> DeskSettingsLines(const DeskSettings& settings)
{
    std::vector<std::string> lines = {
        "# Vorlik 通信対局一覧の設定 (desk settings)",
        "# [game] の下はそのゲームのもの: 持ち時間 control=手数/日数、休暇 leave=white|black 初日 最終日、"
        "手番の手の着 received=半手番号 日付",
        "reminder=" + std::to_string(settings.reminderDays)};
    if (settings.control.IsSet())
        lines.push_back("control=" + TimeControlText(settings.control));
    for (const DeskGameSettings& game : settings.games) {
        const DeskGameKey& key = game.key;
        lines.insert(lines.end(), {"", "[game]", "file=" + Escaped(key.file), "number=" + std::to_string(key.number),
                                   "white=" + Escaped(key.white), "black=" + Escaped(key.black),
                                   "event=" + Escaped(key.event), "date=" + Escaped(key.date),
                                   "round=" + Escaped(key.round)});
        if (game.control.IsSet())
            lines.push_back("control=" + TimeControlText(game.control));
        for (const LeavePeriod& period : game.leave.white)
            lines.push_back(LeaveLine("white", period));
        for (const LeavePeriod& period : game.leave.black)
            lines.push_back(LeaveLine("black", period));
        if (game.receipt)
            lines.push_back("received=" + ReceiptText(*game.receipt));
        if (!game.address.empty())
            lines.push_back("address=" + Escaped(game.address));
        if (!game.note.empty())
            lines.push_back("note=" + Escaped(game.note));
    }
    return lines;
}

bool ReadDeskSettings(const std::string& folder, DeskSettings& settings, std::string& error)
{
    settings = DeskSettings{};
    const std::string fileName = InFolder(folder, kDeskSettingsName);
    return !FileExists(fileName) || ReadSettingsFile(fileName, settings, error);
}

bool WriteDeskSettings(const std::string& folder, const DeskSettings& settings, std::string& error)
{
    const std::string fileName = InFolder(folder, kDeskSettingsName);
    FileLock lock;
    if (!lock.Take(fileName, error))
        return false;
    DeskSettings onDisk;
    if (FileExists(fileName) && !ReadSettingsFile(fileName, onDisk, error))
        return false;
    std::string text;
    for (const std::string& line : DeskSettingsLines(settings))
        text += line + "\r\n";
    FileReplacement replacement(fileName);
    return replacement.Write(text, error) && replacement.Commit(error);  // UTF-8, as every file this program adds
}

std::vector<const DeskGameSettings*> SettingsOfGames(const DeskSettings& settings, const KifuFile& scan,
                                                     const std::string& file)
{
    std::vector<const DeskGameSettings*> ofGame(scan.KifuCount + 1, nullptr);
    std::vector<DeskGameKey> keys;
    for (const DeskGameSettings& entry : settings.games) {
        if (entry.key.file != file)
            continue;
        for (int n = static_cast<int>(keys.size()) + 1; n <= scan.KifuCount; ++n)
            keys.push_back(KeyOfGame(scan, file, n));
        int best = 0;
        for (int n = 1; n <= scan.KifuCount; ++n) {
            const bool nearer = best == 0 || std::abs(n - entry.key.number) < std::abs(best - entry.key.number);
            if (!ofGame[n] && nearer && entry.key.SameGame(keys[n - 1]))
                best = n;
        }
        if (best != 0)
            ofGame[best] = &entry;
    }
    return ofGame;
}

const DeskGameSettings* SettingsOfKey(const DeskSettings& settings, const DeskGameKey& key)
{
    const DeskGameSettings* best = nullptr;
    for (const DeskGameSettings& entry : settings.games) {
        const bool nearer = !best || std::abs(entry.key.number - key.number) < std::abs(best->key.number - key.number);
        if (entry.key.SameGame(key) && nearer)
            best = &entry;
    }
    return best;
}

TimeControl ControlOfGame(const DeskSettings& settings, const DeskGameSettings* own, const TimeControl& given)
{
    if (given.IsSet())
        return given;
    return own && own->control.IsSet() ? own->control : settings.control;
}

GameDesk DeskOfGame(const std::string& fileName, const GameHeader& header, int n)
{
    GameDesk desk;
    const std::size_t slash = fileName.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : fileName.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    DeskSettings settings;
    if (!ReadDeskSettings(folder, settings, desk.error))
        return desk;
    const DeskGameSettings* own = SettingsOfKey(settings, KeyOfHeader(file, header, n));
    desk.control = ControlOfGame(settings, own);
    desk.reminderDays = settings.reminderDays;
    if (own) {
        desk.leave = own->leave;
        desk.receipt = own->receipt;
    }
    return desk;
}

DeskGameSettings& SettingsFor(DeskSettings& settings, const KifuFile& scan, const std::string& file, int n)
{
    const DeskGameSettings* found = SettingsOfGames(settings, scan, file)[n];
    if (!found) {
        settings.games.emplace_back();
        found = &settings.games.back();
    }
    DeskGameSettings& entry = settings.games[found - settings.games.data()];
    entry.key = KeyOfGame(scan, file, n);
    return entry;
}

}  // namespace vorlik
