#include "ModuleMekFile.h"

#include "KifuFormat.h"
#include "KifuStore.h"
#include "core/FenText.h"
#include "core/MoveCommit.h"
#include "session/GameSession.h"

#include <algorithm>
#include <bitset>
#include <functional>
#include <map>
#include <memory>

namespace vorlik {

const char kFilterAll[] = "ＰＧＮファイル(*.pgn)|*.pgn|ポジションファイル(*.fen)|*.fen|ＣＳＶファイル[〒データ](*.csv)|*.csv|";
const char kFilterNoCsv[] = "ＰＧＮファイル(*.pgn)|*.pgn|ポジションファイル(*.fen)|*.fen|";
const char kFilterSearch[] = "ＰＧＮファイル(*.pgn)|*.pgn|ＣＳＶファイル[〒データ](*.csv)|*.csv|";

KifuKind KindOfExtension(std::string_view extension)
{
    std::string word(extension);
    for (char& c : word)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (word == "pgn")
        return kKindPgn;
    if (word == "fen")
        return kKindFen;
    if (word == "csv")
        return kKindCsv;
    return kKindNone;
}

KifuKind KindOfFileName(std::string_view fileName)
{
    const std::size_t dot = fileName.find_last_of("./");
    if (dot == std::string_view::npos || fileName[dot] != '.')
        return kKindNone;
    return KindOfExtension(fileName.substr(dot + 1));
}

namespace {

// What a scan ran into, told to the user once.
struct ScanLimits {
    int maxGames = kMaxGames;
    bool tooManyGames = false;
    int gamesWithTooManyTags = 0;
    int gamesCutInTag = 0;
};

int FieldOfTag(const std::string& name)
{
    static const char* const names[] = {"Event", "Site", "Date", "Round", "White", "Black", "Result"};
    for (int k = 0; k < 7; ++k)
        if (name == names[k])
            return k + 1;
    return 0;
}

// [Name "value"] and nothing after it.
bool IsWholeTag(std::string_view line)
{
    const std::size_t end = line.find_last_not_of(" \t");
    return end != std::string_view::npos && line[end] == ']' && line.find('"') != std::string_view::npos;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsEmptyLine(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Opens the next game at line `line`, on an empty row (a search may have
// left rows of the file before behind the count); false when the table is full.
bool NewGame(KifuFile& file, std::size_t line, ScanLimits& limits)
{
    if (file.KifuCount >= limits.maxGames) {
        limits.tooManyGames = true;
        file.GameFirstLine.push_back(line);  // where the table's last game ends
        return false;
    }
    ++file.KifuCount;
    if (file.KifuList.size() <= static_cast<std::size_t>(file.KifuCount))
        file.KifuList.emplace_back();
    else
        for (std::string& field : file.KifuList[file.KifuCount])
            field.clear();
    file.GameFirstLine.push_back(line);
    return true;
}

// A game whose tags say nothing of its result takes the one its moves end with.
void TakeResultFromMoves(KifuGame& game)
{
    if (!game[7].empty() && game[7] != "*")
        return;
    const std::string& moves = game[kMoveText];
    const std::string_view last = std::string_view(moves).substr(moves.rfind(' ') + 1);
    for (const char* result : {"1-0", "0-1", "1/2-1/2"})
        if (last == result)
            game[7] = result;
}

// PGN: a game begins at the first tag line, at every tag line that comes
// after the moves of the game before, and at a tag the game already has
// after an empty line (the game before had no moves; a tag repeated among
// the further tags typed into the window is no new game). Other programs
// order their tags as they like, so the header fields go by tag name.
// What the PGN scan knows of the game it is reading.
struct PgnGameScan {
    bool sawMoves = false;
    MoveTextState text;
    int furtherTags = 0;
    std::bitset<kStartText + 1> given;  // the header fields and the start position
    bool cutInTag = false;
    bool emptyLineAfterTags = false;
};

// One tag line into the game: a header field, the start position, or a further tag.
void TakeTag(KifuGame& game, PgnGameScan& scan, int field, const std::string& name, const std::string& value,
             ScanLimits& limits)
{
    if (field != 0) {
        game[field] = field == 3 ? DateForBox(value) : value;
        scan.given.set(field);
    } else if (scan.furtherTags < kMaxFurtherTags) {
        ++scan.furtherTags;
        (game[kFurtherTags] += TagLine(name, value)) += '\n';
    } else if (scan.furtherTags++ == kMaxFurtherTags) {
        ++limits.gamesWithTooManyTags;
    }
}

// The move text as written is kept from the first line with a comment, a
// variation or a mark on; the lines before it say no more than the
// normalised text does.
bool HasAnnotationMark(std::string_view line)
{
    for (const char c : line)
        switch (c) {
        case '{': case '}': case ';': case '(': case ')': case '$': case '!': case '?':
            return true;
        default:
            break;
        }
    return false;
}

void KeepAnnotatedText(KifuGame& game, std::string_view line)
{
    std::string& kept = game[kAnnotatedText];
    if (kept.empty() && !HasAnnotationMark(line))
        return;
    if (kept.empty())
        kept = game[kMoveText] + '\n';
    kept.append(line.data(), line.size());
    kept += '\n';
}

void ScanPgnLines(KifuFile& file, const std::vector<std::string_view>& lines, ScanLimits& limits)
{
    PgnGameScan scan;
    std::string name, value;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        // A whole tag line also ends a comment some program left open, so
        // that one stray brace cannot swallow the games after it.
        if (scan.text.inComment && IsTagLine(line) && IsWholeTag(line))
            scan.text.inComment = false;
        if (!scan.text.inComment && IsTagLine(line)) {
            bool closed = true;
            ReadTagLine(line, name, value, &closed);
            const int field = name == "FEN" ? kStartText : FieldOfTag(name);
            if (file.KifuCount == 0 || scan.sawMoves || (field != 0 && scan.given[field] && scan.emptyLineAfterTags)) {
                if (!NewGame(file, i, limits))
                    return;
                scan = PgnGameScan{};
            }
            scan.emptyLineAfterTags = false;
            if (!closed && !scan.cutInTag) {
                scan.cutInTag = true;
                ++limits.gamesCutInTag;
            }
            TakeTag(file.KifuList[file.KifuCount], scan, field, name, value, limits);
            continue;
        }
        scan.emptyLineAfterTags = scan.emptyLineAfterTags || IsEmptyLine(line);
        if (file.KifuCount == 0 || IsEmptyLine(line))
            continue;  // text before the first game belongs to none
        KifuGame& game = file.KifuList[file.KifuCount];
        KeepAnnotatedText(game, line);
        if (AppendMoveText(game[kMoveText], line, scan.text))
            scan.sawMoves = true;
    }
}

// One CSV move line: number, two postal numbers, White's and Black's move,
// then six postal fields for each ply. False when the game ends with it.
bool ReadCsvMoveLine(KifuGame& game, std::string_view line)
{
    std::vector<std::string> fields = SplitCsvLine(line);
    if (fields.size() < 4)
        return true;  // not a move line: nothing to take from it
    std::string text = fields[0] + "." + fields[3];
    if (fields.size() >= 5)
        text += " " + fields[4];
    MoveTextState state;
    AppendMoveText(game[kMoveText], text, state);
    if (fields.size() == 4)
        return false;  // a White move with nothing after it is the last line of the game
    if (fields.size() > 5) {
        if (fields.back().empty())
            fields.pop_back();  // the comma that ends every line
        game[kStartText] += kNoteMarker;
        for (std::size_t k = 5; k < fields.size(); ++k) {
            if (k > 5)
                game[kStartText] += kNoteSeparator;
            game[kStartText] += fields[k];
        }
    }
    return true;
}

// CSV: a game begins at a line starting "Event,"; its seven header lines are
// taken in order, then an empty line, then one line per full move.
void ScanCsvLines(KifuFile& file, const std::vector<std::string_view>& lines, ScanLimits& limits)
{
    std::size_t i = 0;
    while (i < lines.size()) {
        if (!StartsWith(lines[i], "Event,")) {
            ++i;
            continue;
        }
        if (!NewGame(file, i, limits))
            return;
        KifuGame& game = file.KifuList[file.KifuCount];
        for (int field = 1; field <= 7 && i < lines.size(); ++field, ++i) {
            const std::vector<std::string> values = SplitCsvLine(lines[i]);
            game[field] = values.size() > 1 ? values[1] : std::string();
        }
        if (i < lines.size() && IsEmptyLine(lines[i]))
            ++i;
        for (; i < lines.size() && !IsEmptyLine(lines[i]) && !StartsWith(lines[i], "Event,"); ++i)
            if (!ReadCsvMoveLine(game, lines[i])) {
                ++i;
                break;
            }
    }
}

std::string LimitsMessage(const ScanLimits& limits, int badBytes)
{
    std::string message;
    if (limits.tooManyGames)
        message += "ファイルには" + std::to_string(kMaxGames) + "局を超える棋譜があります。最初の" +
                   std::to_string(kMaxGames) + "局だけを読みました。\n";
    if (limits.gamesWithTooManyTags > 0)
        message += "追加のタグは1局" + std::to_string(kMaxFurtherTags) + "行までです。" +
                   std::to_string(limits.gamesWithTooManyTags) + "局で、それを超えるタグを読み飛ばしました。\n";
    if (limits.gamesCutInTag > 0)
        message += std::to_string(limits.gamesCutInTag) +
                   "局で、タグの行が途中で切れていました。読めたところまでを読みました。\n";
    if (badBytes > 0)
        message += "文字として読めないバイトが" + std::to_string(badBytes) + "か所ありました（「\xef\xbf\xbd」で表示します）。\n";
    return message;
}

}  // namespace

ScanReport ScanKifuLines(KifuFile& file, KifuKind kind, const std::vector<std::string_view>& lines, int badBytes,
                         int maxGames)
{
    ClearKifuList(file, file.KifuCount);
    file.KifuCount = 0;
    file.GameFirstLine.assign(1, 0);
    file.GameFingerprint.clear();
    if (file.KifuList.empty())
        file.KifuList.emplace_back();
    ScanLimits limits;
    limits.maxGames = maxGames;
    if (kind == kKindCsv) {
        ScanCsvLines(file, lines, limits);
    } else {
        ScanPgnLines(file, lines, limits);
        for (int g = 1; g <= file.KifuCount; ++g)
            TakeResultFromMoves(file.KifuList[g]);
    }
    ScanReport report;
    report.ok = true;
    report.message = LimitsMessage(limits, badBytes);
    return report;
}

namespace {

// ---- loading ----------------------------------------------------------------


// Plays the tokens of a PGN move text into the record: the main line, and
// each variation as an alternative to the move before its "(". A variation
// that cannot be read whole (a move the rules refuse, a limit of the record)
// keeps the moves before that point and leaves out the rest of itself.
class MoveTextLoader {
public:
    MoveTextLoader(GameState& game, LoadReport& report) : game_(game), report_(report) {}

    bool Take(PgnToken&& token)
    {
        switch (token.kind) {
        case PgnToken::Move:
            return TakeMove(token.text, token.nag);
        case PgnToken::Comment:
            TakeComment(token.text);
            return true;
        case PgnToken::Nag:
            TakeNag(token.nag);
            return true;
        case PgnToken::Open:
            Open();
            return true;
        case PgnToken::Close:
            Close();
            return true;
        case PgnToken::Result:
            return false;
        }
        return true;
    }

    // The main line on the board, at its end, as after any load.
    void Finish()
    {
        PutComments();
        if (annotated_) {
            ShowNode(game_, 0);
            GoToPly(game_, game_.LastPly);
        }
    }

private:
    struct Level {
        int lastMove = -1;   // node of the last move read at this level
        bool skipping = false;  // the rest of this variation is left out
        bool mated = false;     // after a mate no move follows
    };

    Level& Current() { return levels_.back(); }

    bool TakeMove(const std::string& text, int nag)
    {
        Level& level = Current();
        if (level.skipping || (level.mated && levels_.size() > 1))
            return true;
        const bool main = levels_.size() == 1;
        if (main && (level.mated || ambiguous_))
            return true;
        if (game_.CurPly >= kMaxPly) {
            if (main)
                report_.plyLimit = true;
            return Skip(main);
        }
        const int moves = TreeMoves(game_);
        if (!CommitMove(game_, text))  // no question: a bare pawn move to the last rank is a queen
            return Refused(text, main);
        level.lastMove = NodeAt(game_, game_.CurPly);
        level.mated = game_.KifuShort[game_.CurPly].find('#') != std::string::npos;
        if (!before_.text.empty()) {
            // A variation whose first move is one the record has already
            // merges into it: its comment joins the one written before that move.
            const bool merged = TreeMoves(game_) == moves;
            const KifuNode& node = game_.Tree.nodes[level.lastMove];
            const bool firstChild = game_.Tree.nodes[node.parent].firstChild == level.lastMove;
            if (merged && firstChild)
                AddComment({node.parent, false}, before_);
            else
                AddComment({level.lastMove, true}, before_);
            before_ = Gathered{};
        }
        TakeNag(nag);
        return true;
    }

    bool Refused(const std::string& text, bool main)
    {
        const MoveVerdict verdict = JudgeMove(game_, text);
        if (verdict == MoveVerdict::NoRoom) {
            report_.treeLimit = TreeResultText(MoveFits(game_, std::string()));
            return Skip(main);
        }
        if (!main)
            return Skip(false);
        // After a move that could be either of two, nothing that follows can be placed.
        const bool ambiguous = verdict == MoveVerdict::Ambiguous;
        report_.refused.push_back({game_.CurPly + 1, text, ambiguous});
        ambiguous_ = ambiguous_ || ambiguous;
        return true;
    }

    // The moves a refusal leaves without a place: the rest of a variation,
    // or of the main line (whose variations are then left out too).
    bool Skip(bool main)
    {
        Current().skipping = true;
        if (!main)
            ++report_.variationsLeftOut;
        return true;
    }

    // Comments in a row join into one, and so do those of a move a variation
    // repeats. Each is gathered here and put into the record once, at the
    // end: joining them in the record one by one would copy the whole
    // comment for every piece of it.
    using CommentSlot = std::pair<int, bool>;  // node, before its move
    struct Gathered {
        std::string text;
        bool cut = false;  // over kMaxComment: the rest is left out
    };

    static void Join(Gathered& into, const std::string& text)
    {
        if (into.cut || text.empty())
            return;
        if (!into.text.empty())
            into.text += ' ';
        into.text += text;
        if (into.text.size() > kMaxComment) {
            std::size_t end = kMaxComment;
            while (end > 0 && (static_cast<unsigned char>(into.text[end]) & 0xC0) == 0x80)
                --end;  // not inside a character
            into.text.resize(end);
            into.cut = true;
        }
    }

    void AddComment(const CommentSlot& slot, const Gathered& text)
    {
        Gathered& into = comments_[slot];
        Join(into, text.text);
        into.cut = into.cut || text.cut;
    }

    void TakeComment(const std::string& text)
    {
        annotated_ = true;
        Level& level = Current();
        if (level.skipping)
            return;
        // A comment before a variation's first move stands before that move;
        // one at the start of the game before the first move (the root's).
        if (level.lastMove < 0 && levels_.size() > 1) {
            Join(before_, text);
            return;
        }
        Join(comments_[{NodeAt(game_, game_.CurPly), false}], text);
    }

    void PutComments()
    {
        for (const auto& [slot, gathered] : comments_) {
            report_.commentsCut += gathered.cut ? 1 : 0;
            SetNodeComment(game_, slot.first, gathered.text, slot.second);
        }
    }

    void TakeNag(int nag)
    {
        if (nag == 0)
            return;
        annotated_ = true;
        Level& level = Current();
        if (level.skipping)
            return;
        if (nag < 1 || nag > 255 || level.lastMove < 0) {
            ++report_.marksLeftOut;
            return;
        }
        // Each mark once: a variation that repeats a move repeats its marks.
        std::vector<unsigned char> nags = game_.Tree.nodes[level.lastMove].nags;
        if (std::find(nags.begin(), nags.end(), nag) != nags.end())
            return;
        nags.push_back(static_cast<unsigned char>(nag));
        SetNags(game_, game_.CurPly, nags);
    }

    // A variation replaces the last move read: the board goes back before it.
    void Open()
    {
        annotated_ = true;
        const Level outer = Current();
        levels_.push_back(Level{});
        if (outer.skipping) {
            Current().skipping = true;  // left out with the variation around it
            return;
        }
        if (outer.lastMove < 0) {
            Skip(false);  // no move for it to replace
            return;
        }
        ShowNode(game_, outer.lastMove);
        GoToPly(game_, game_.CurPly - 1);
    }

    void Close()
    {
        if (levels_.size() == 1)
            return;
        levels_.pop_back();
        before_ = Gathered{};
        if (Current().lastMove >= 0)
            ShowNode(game_, Current().lastMove);
    }

    GameState& game_;
    LoadReport& report_;
    std::vector<Level> levels_{Level{}};
    Gathered before_;  // a comment waiting for a variation's first move
    std::map<CommentSlot, Gathered> comments_;
    bool ambiguous_ = false;
    bool annotated_ = false;
};

void LoadMoves(GameState& game, const KifuGame& kifu, LoadReport& report)
{
    const std::string& start = kifu[kStartText];
    if (!start.empty() && start.find(kNoteMarker) == std::string::npos &&
        !ReadFenBoard(game, start, &report.fenError))
        return;
    report.firstMove = game.Start.moveNumber;
    const std::string& text = kifu[kAnnotatedText].empty() ? kifu[kMoveText] : kifu[kAnnotatedText];
    MoveTextLoader loader(game, report);
    report.nesting = WalkPgnMoveText(text, [&](PgnToken&& token) { return loader.Take(std::move(token)); });
    loader.Finish();
}

// The postal fields: each move line's data holds six fields for White's ply
// and six for Black's.
void LoadNotes(GameState& game, const std::string& postal)
{
    int ply = 0;
    std::size_t i = 0;
    while ((i = postal.find(kNoteMarker, i)) != std::string::npos) {
        const std::size_t end = std::min(postal.find(kNoteMarker, i + 1), postal.size());
        std::size_t from = i + 1;
        int field = 0;
        for (; field < 12; ++field) {
            const int target = ply + 1 + field / 6;
            const std::size_t stop = std::min(postal.find(kNoteSeparator, from), end);
            if (target <= kMaxPly)
                SetNote(game, target, field % 6 + 1, postal.substr(from, stop - from));
            if (stop >= end)
                break;
            from = stop + 1;
        }
        ply += field >= 6 ? 2 : 1;
        i = end;
    }
}

void ShowLoadReport(KifuHost& host, const LoadReport& report)
{
    const std::string message = report.Message();
    if (!message.empty())
        host.ShowMessage(message, "注意", KifuHost::Icon::Warning);
}


std::string NoGameMessage(KifuKind kind, const std::string& fileName)
{
    return "ファイル「" + QuotedPath(fileName) + "」にはゲームがありません。\n(" +
           (kind == kKindCsv ? "ＣＳＶ" : "ＰＧＮ") + "ファイルとして読みました)\n";
}

// Scans with the busy pointer; tells the user what could not be read, and
// that a file holds no game (an empty list would only puzzle). True when
// there are games to choose from.
bool ScanForHost(KifuHost& host, KifuFile& file, KifuKind kind, const std::string& fileName)
{
    const ScanReport report = [&] {
        const BusyPointer busy(host);
        return ScanKifuFile(file, kind, fileName);
    }();
    if (!report.ok) {
        host.ShowMessage(report.message, "警告", KifuHost::Icon::Error);
        return false;
    }
    const bool games = file.KifuCount > 0;
    const std::string message = (games ? std::string() : NoGameMessage(kind, fileName)) + report.message;
    if (!message.empty())
        host.ShowMessage(message, "注意", KifuHost::Icon::Warning);
    return games;
}

}  // namespace

bool LoadGame(KifuHost& host, KifuFile& file, KifuKind kind, int n, LoadReport* told)
{
    if (!host.MayDiscardRecord())
        return false;
    auto record = std::make_unique<GameState>();
    const LoadReport report = LoadKifuGame(*record, file, kind, n);
    if (told)
        *told = report;
    host.Session().Replace(std::move(*record));
    host.Beep();
    ShowLoadReport(host, report);
    host.RecordMatchesFile(file.FileName);
    return true;
}

BusyPointer::BusyPointer(KifuHost& host) : host_(host) { host_.SetBusy(true); }
BusyPointer::~BusyPointer() { host_.SetBusy(false); }
void BusyPointer::Pause() { host_.SetBusy(false); }
void BusyPointer::Resume() { host_.SetBusy(true); }

void ClearKifuList(KifuFile& file, int count)
{
    for (int g = 1; g <= count && g < static_cast<int>(file.KifuList.size()); ++g)
        for (int k = 1; k <= kAnnotatedText; ++k)
            file.KifuList[g][k].clear();
}

ScanReport ScanKifuText(KifuFile& file, KifuKind kind, std::string_view text)
{
    const std::vector<std::string_view> lines = SplitLines(text);
    return ScanKifuLines(file, kind, lines, 0);
}

ScanReport ScanKifuFile(KifuFile& file, KifuKind kind, const std::string& fileName)
{
    FileLines lines;
    std::string error;
    if (!ReadFileLines(fileName, lines, error)) {
        ClearKifuList(file, file.KifuCount);
        file.KifuCount = 0;
        return {false, error};
    }
    return ScanFileLines(file, kind, fileName, lines, kMaxGames);
}

ScanReport ScanFileLines(KifuFile& file, KifuKind kind, const std::string& fileName, const FileLines& lines,
                         int maxGames)
{
    ScanReport report = ScanKifuLines(file, kind, lines.text, lines.badBytes, maxGames);
    file.FileName = fileName;
    file.Encoding = lines.guess.encoding;
    file.GameFingerprint.assign(1, 0);
    for (int g = 1; g <= file.KifuCount; ++g)
        file.GameFingerprint.push_back(GameFingerprint(file, lines, g));
    return report;
}

std::size_t GameFingerprint(const KifuFile& scan, const FileLines& lines, int n)
{
    const bool next = n + 1 < static_cast<int>(scan.GameFirstLine.size());
    std::size_t end = next ? scan.GameFirstLine[n + 1] : lines.raw.size();
    while (end > scan.GameFirstLine[n] && IsEmptyLine(lines.raw[end - 1]))
        --end;
    std::size_t fingerprint = 0;
    for (std::size_t i = scan.GameFirstLine[n]; i < end; ++i)
        fingerprint = fingerprint * 1000003 ^ std::hash<std::string_view>()(lines.raw[i]);
    return fingerprint;
}

std::string LoadReport::Message() const
{
    std::string message;
    if (!fenError.empty())
        message += "開始局面 (FEN) を読めません: " + fenError + "\n指し手は読み込みませんでした。\n";
    if (!refused.empty() && !refused.front().ambiguous) {
        const RefusedToken& first = refused.front();
        message += PlyName(first.ply, firstMove) + "の「" +
                   Quoted(first.token) + "」は指せない手なので読み飛ばしました。読み飛ばした指し手は全部で" +
                   std::to_string(refused.size()) + "個です。\n";
    }
    if (!refused.empty() && refused.back().ambiguous) {
        const RefusedToken& last = refused.back();
        message += AmbiguousMoveText(last.ply, last.token, firstMove) + "その前の手までを読み込みました。\n";
    }
    if (plyLimit)
        message += "棋譜は400手(半手)までです。それより後の指し手は読み込みませんでした。\n";
    return message + AnnotationsMessage();
}

std::string LoadReport::AnnotationsMessage() const
{
    const std::string which = game > 0 ? "第" + std::to_string(game) + "局の" : std::string("この棋譜の");
    std::string message;
    if (nesting.unclosedComments > 0)
        message += which + "指し手に閉じていないコメント「{」があります。その局の終わりまでをコメントとして読みました。\n";
    if (nesting.unmatchedParentheses > 0)
        message += which + "指し手で変化手順の「(」と「)」の対応が取れていません。対応の取れるところまでを変化手順として読みました。\n";
    if (variationsLeftOut > 0)
        message += "変化手順" + std::to_string(variationsLeftOut) +
                   "か所を、指せない手または記録の上限のため、途中から読み込みませんでした。\n";
    if (!treeLimit.empty())
        message += treeLimit + "\n";
    if (commentsCut > 0)
        message += "64KBを超えるコメントが" + std::to_string(commentsCut) +
                   "個あり（続けて書かれたコメントは一つにつなぎます）、超えた部分は読み込みませんでした。\n";
    if (marksLeftOut > 0)
        message += "指し手に付けられない注釈記号 ($) を" + std::to_string(marksLeftOut) + "個読み飛ばしました。\n";
    return message;
}

bool ReadFenBoard(GameState& game, const std::string& fenText, std::string* message)
{
    Board board = game.KifuBoard[0];
    bool blackToMove = false;
    StartRights rights;
    const FenError error = ReadFenText(fenText, board, blackToMove, &rights);
    if (error != FenError::None) {
        if (message)
            *message = FenErrorText(error);
        return false;
    }
    const GameHeader header = game.Header;  // a new start keeps the game's information
    LoadSetupPosition(game, board, blackToMove, rights);
    game.Header = header;
    return true;
}

LoadReport LoadKifu(GameState& record, const KifuFile& file, LoadPart part, int n)
{
    LoadReport report;
    if (n < 1 || n > file.KifuCount)
        return report;
    const KifuGame& kifu = file.KifuList[n];
    GameHeader& header = record.Header;
    for (int k = 1; k <= 7; ++k)
        header.Field[k] = kifu[k];
    if (header.Field[7].empty())
        header.Field[7] = "*";
    header.TextInfoS = kifu[kFurtherTags];
    if (part == LoadPart::Moves)
        LoadMoves(record, kifu, report);
    else
        LoadNotes(record, kifu[kStartText]);
    return report;
}

LoadReport LoadKifuGame(GameState& record, const KifuFile& file, KifuKind kind, int n)
{
    ResetGame(record);
    SetStartPosition(record);
    LoadReport report = LoadKifu(record, file, LoadPart::Moves, n);
    report.game = n;
    if (kind == kKindCsv)
        LoadKifu(record, file, LoadPart::Notes, n);
    return report;
}

void OpenKifuFile(KifuHost& host, KifuFile& file, KifuKind kind, const std::string& fileName)
{
    if (kind == kKindFen) {
        FileLines lines;
        std::string error;
        if (!ReadFileLines(fileName, lines, error)) {
            host.ShowMessage(error, "警告", KifuHost::Icon::Error);
            return;
        }
        const std::string first = lines.text.empty() ? std::string() : std::string(lines.text.front());
        Board board = StandardStartBoard();
        bool blackToMove = false;
        const FenError fenError = ReadFenText(first, board, blackToMove);
        if (fenError != FenError::None) {
            // Read before the new record is made: the game on the board stays.
            host.ShowMessage("ファイル「" + QuotedPath(fileName) + "」の局面を読めません: " + FenErrorText(fenError),
                             "警告", KifuHost::Icon::Error);
            return;
        }
        if (!host.MayDiscardRecord())
            return;
        // A position file starts a new game, with a new game's information.
        host.Session().NewRecord();
        auto record = std::make_unique<GameState>();
        ResetGame(*record);
        ReadFenBoard(*record, first, nullptr);
        record->Header = host.Session().Header();
        host.Session().Replace(std::move(*record));
        host.RecordMatchesFile(fileName);
        return;
    }
    if (!ScanForHost(host, file, kind, fileName))
        return;
    if (file.KifuCount == 1) {
        LoadGame(host, file, kind, 1);
        return;
    }
    file.KifuDialogMode = kind == kKindCsv ? KifuDialogMode::OpenCsv : KifuDialogMode::OpenPgn;
    host.ShowKifuDialog(file, fileName);
    if (ChosenGame(file.KifuSelect) > 0 && ChosenGame(file.KifuSelect) <= file.KifuCount)
        LoadGame(host, file, kind, ChosenGame(file.KifuSelect));
}

// ---- position search ----------------------------------------------------------

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Where the key occurs first in text, ignoring letter case, among the first
// `starts` positions; npos when it does not.
std::size_t FindNearStart(const std::string& text, const std::string& key, std::size_t starts)
{
    for (std::size_t p = 0; p < starts && p + key.size() <= text.size(); ++p) {
        std::size_t k = 0;
        while (k < key.size() && Lower(text[p + k]) == Lower(key[k]))
            ++k;
        if (k == key.size())
            return p;
    }
    return std::string::npos;
}

// The token after the key: the next move, past the move number when White is
// to move. Empty when the game ends there.
std::string_view Continuation(const std::string& text, std::size_t after, bool whiteNext)
{
    std::size_t from = after;
    if (whiteNext) {
        from = text.find(' ', from);
        if (from == std::string::npos)
            return {};
        ++from;
    }
    const std::size_t end = std::min(text.find(' ', from), text.size());
    const std::string_view token = std::string_view(text).substr(from, end - from);
    return IsPgnResultToken(token) ? std::string_view() : token;
}

}  // namespace

SearchResult SearchContinuations(KifuFile& file, const GameState& game, bool longForm)
{
    constexpr std::size_t kMaxTally = 100;
    const std::string key = SearchKey(game, longForm);
    const bool whiteNext = !IsWhitePly(game.CurPly);
    SearchResult result;
    for (int g = 1; g <= file.KifuCount; ++g) {
        const std::string& text = file.KifuList[g][kMoveText];
        // The moves must begin near the start: at most nine characters before them.
        const std::size_t p = FindNearStart(text, key, key.size() + 9);
        if (p == std::string::npos)
            continue;
        const std::string_view next = Continuation(text, p + key.size(), whiteNext);
        if (!next.empty()) {
            auto entry = std::find_if(result.tally.begin(), result.tally.end(),
                                      [&](const auto& item) { return item.first == next; });
            if (entry != result.tally.end())
                ++entry->second;
            else if (result.tally.size() < kMaxTally)
                result.tally.emplace_back(std::string(next), 1);
        }
        ++result.matches;
        result.games.push_back(g);
        if (result.matches != g)
            std::swap(file.KifuList[result.matches], file.KifuList[g]);
    }
    // Most played first; the exchange order decides between equal counts.
    auto& tally = result.tally;
    for (std::size_t i = 0; i + 1 < tally.size(); ++i)
        for (std::size_t j = i + 1; j < tally.size(); ++j)
            if (tally[i].second < tally[j].second)
                std::swap(tally[i], tally[j]);
    for (std::size_t i = 0; i < tally.size(); ++i)
        result.TextJo += std::to_string(i + 1) + "." + tally[i].first + "(" + std::to_string(tally[i].second) + ")  ";
    if (result.matches > 0)
        file.KifuCount = result.matches;
    return result;
}

SearchResult SearchContinuations(KifuHost& host, KifuFile& file)
{
    const SearchResult result = [&] {
        const BusyPointer busy(host);
        return SearchContinuations(file, host.Session().Game(), host.LongFormSave());
    }();
    if (result.matches == 0)
        host.ShowMessage("局面は存在しませんでした", "検索", KifuHost::Icon::Information);
    return result;
}

void SearchKifuFile(KifuHost& host, KifuFile& file, KifuKind kind, const std::string& fileName)
{
    if (kind == kKindFen) {
        // A position file holds one position and no moves to search.
        host.ShowMessage("ファイル「" + QuotedPath(fileName) +
                             "」はポジションファイル(*.fen)です。局面検索はＰＧＮファイルとＣＳＶファイルで行います。",
                         "注意", KifuHost::Icon::Warning);
        return;
    }
    if (!ScanForHost(host, file, kind, fileName))
        return;
    file.KifuDialogMode = KifuDialogMode::Search;
    host.ShowKifuDialog(file, fileName);
    if (ChosenGame(file.KifuSelect) > 0 && ChosenGame(file.KifuSelect) <= file.KifuCount)
        LoadGame(host, file, kind, ChosenGame(file.KifuSelect));
}

std::string FurtherTagOf(const KifuGame& game, std::string_view name)
{
    const std::string& lines = game[kFurtherTags];
    std::string tag, value;
    for (std::size_t at = 0; at < lines.size();) {
        const std::size_t end = std::min(lines.find('\n', at), lines.size());
        if (ReadTagLine(std::string_view(lines).substr(at, end - at), tag, value) && tag == name)
            return value;
        at = end + 1;
    }
    return std::string();
}

}  // namespace vorlik
