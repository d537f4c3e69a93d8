#include "KifuCommands.h"

#include "core/FenText.h"
#include "core/MoveCommit.h"
#include "records/ModuleMekFile.h"
#include "records/PgnMoveText.h"
#include "session/GameSession.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

namespace vorlik {

const char kUsage[] =
    "使い方 / usage:\n"
    "  vorlik-kifu play [--fen \"FEN TEXT\"] [--] TOKEN...\n"
    "      指し手を一つずつ検査して記録し、四つの表記で表示します。\n"
    "      Plays each move token (e2e4, Nf3, exd5, e8=Q, O-O, Ng1-f3) and prints\n"
    "      PLY SHORT LONG POSTAL COORD, or PLY refused TOKEN, then the FEN, then\n"
    "      result RESULT REASON when the game has ended by rule (mate, stalemate,\n"
    "      repetition, fifty, material).\n"
    "  vorlik-kifu list FILE\n"
    "      ファイルのゲームを一行に一つずつ表示します。\n"
    "      One line per game: N EVENT SITE DATE ROUND WHITE BLACK RESULT.\n"
    "  vorlik-kifu show FILE [N]\n"
    "      N 番のゲーム(省略時は 1)を「開く」と同じに読み込み、play と同じに表示します。\n"
    "      Loads game N (default 1) as \"開く\" does and prints it as play does, refused\n"
    "      tokens in ply order; CSV ply lines end with the six postal fields; a FEN\n"
    "      file prints its fen line only. Then, before the fen line, the annotations:\n"
    "      comment PLY TEXT, nag PLY $N..., variation PLY MOVES... (PLY: \"7\" on the main\n"
    "      line; \"7.2\" its second alternative; \"7.2.9\" ply 9 inside that; \"0\", or\n"
    "      \"7.2.6\", before the first move).\n"
    "  vorlik-kifu convert FILE N OUT [--long]\n"
    "      N 番のゲームを「保存」と同じに OUT の末尾へ追加します(FEN は上書き)。\n"
    "      Loads game N and appends it to OUT as \"保存\" does; the kind of OUT is its\n"
    "      extension; a FEN file is replaced. --long: \"国際長表記で保存\" (Ng1-f3).\n"
    "      拒否された手は除き(終了コード 1)、開始局面を読めないゲームと設定局面からの CSV は保存しません。\n"
    "      Refused tokens are left out (status 1); a game whose start position\n"
    "      cannot be read, or from a set-up position into CSV, is not written.\n"
    "      OUT の種類に入らないもの(CSV・FEN では変化手順・コメント・記号、CSV 以外では郵便欄)は\n"
    "      stderr で知らせます。What OUT's kind does not keep (comments, marks and\n"
    "      variations outside PGN, the postal boxes outside CSV) is told on stderr.\n"
    "  vorlik-kifu search FILE [--long] [--] TOKEN...\n"
    "      TOKEN... を初期局面から指し、同じ手順のゲームを局面検索で探します。\n"
    "      Plays TOKEN... from the start and searches FILE: prints the numbers of\n"
    "      the matching games on one line, then the continuations as the search\n"
    "      dialog shows them (\"1.Nf3(5)  2.e4(2)  \"). --long: keys in \"国際長\" text.\n"
    "  vorlik-kifu check FILE\n"
    "      全ゲームを読み込み、ゲーム数・指した手数・拒否された手の数を表示します。\n"
    "      Loads every game and prints one line GAMES PLIES REFUSED: games in the\n"
    "      file, plies played, tokens refused; each game not read whole on stderr.\n"
    "  vorlik-kifu versus MEK [--level 1|2|3] [--plies N] [--timeout S] [--verbose] [--] TOKEN...\n"
    "      設定ファイル MEK のエンジンと「ゲーム開始」と同じに対局します(エンジンは黒)。\n"
    "      Starts the engine of the settings file MEK as \"ゲーム開始\" does (it plays\n"
    "      Black), sends level N's command, plays each TOKEN as the user's move and\n"
    "      waits for the answer; with --plies N the engine then moves on (as the\n"
    "      engine-name button) until N plies are played or the game has ended.\n"
    "      Prints PLY SHORT LONG POSTAL COORD user|engine, PLY refused TOKEN user|engine,\n"
    "      PLY withdrawn COORD, then the fen line and \"result\" with the result.\n"
    "      --timeout: seconds to wait for one answer (default 120); --verbose: the\n"
    "      engine's traffic on stderr.\n"
    "  vorlik-kifu analyse MEK [--fen FEN] [--seconds S] [--multipv K] [--] [TOKEN...]\n"
    "      TOKEN... を指した局面を設定ファイル MEK のエンジンで S 秒(省略時 5)解析します。\n"
    "      Plays TOKEN... from the start (or FEN), lets the engine of MEK analyse the\n"
    "      position reached for S seconds (default 5) with K lines (1..5, UCI) and\n"
    "      prints per line pv RANK DEPTH SCORE MOVES (SCORE from White's side, \"+0.35\"\n"
    "      or \"#3\"; the moves in short algebraic text), then best COORD.\n"
    "  vorlik-kifu print FILE N OUT.pdf [--format a7|a6|a5|postcard] [--ply P] [--game a|b] [--long] [--lines]\n"
    "      N 番のゲームの P 手目(省略時は最後)を「印刷」と同じに OUT.pdf へ印刷します。\n"
    "      Loads game N, shows ply P (default the last) and writes the page \"印刷\"\n"
    "      prints to OUT.pdf in the format (default a7); --game: game A or B of the\n"
    "      postcard; --long: \"国際長表記で保存\"; --lines: also prints the page's lines\n"
    "      as FONT SIZE COLUMN TEXT (column 0: on the same line as the one before).\n"
    "  vorlik-kifu ledger FILE N [--control N/D] [--today YYYY-MM-DD]\n"
    "      N 番のゲームの消印・着・発・＋から、一手ごとの使用日数と両者の合計を表示します。\n"
    "      Per ply PLY SHORT POSTMARK RECEIVED SENT USED WHITE_TOTAL BLACK_TOTAL (dates\n"
    "      as YYYY-MM-DD, - for an empty box, ? for no date or unknown days), then\n"
    "      status TO_MOVE WHITE_LEFT BLACK_LEFT SINCE_SENT STATE, STATE the first of\n"
    "      over-white, over-black, short (5 days left or fewer), reminder (more than\n"
    "      14 days since sent), ok. --control: N moves in D days; --today: the date\n"
    "      the days since sent are counted to (default today). The leave and control\n"
    "      the folder's desk settings keep for the game are applied.\n"
    "  vorlik-kifu desk FOLDER --me NAME [--control N/D] [--today YYYY-MM-DD]\n"
    "      フォルダの PGN・CSV ファイルの対局中 (*) のゲームのうち NAME が白か黒のものを、急ぐ順に表示します。\n"
    "      One line per game in progress in which NAME is White or Black: FILE N\n"
    "      OPPONENT COLOUR PLIES TO_MOVE MY_TOTAL MY_LEFT OPP_TOTAL OPP_LEFT SINCE_SENT\n"
    "      STATE; the player's own moves first, fewest days left first, then the\n"
    "      others, longest since sent first. --control comes before the desk's own.\n"
    "  vorlik-kifu tb --path DIR [--fen FEN] [--claim] [--] TOKEN...\n"
    "      TOKEN... を指した局面(または FEN)の結果と、すべての合法手の結果を終盤データベースで表示します。\n"
    "      The tables of DIR (folders separated by \":\") on the position after TOKEN...\n"
    "      (or FEN): wdl RESULT DTZ for the side to move, then move SHORT RESULT DTZ per\n"
    "      legal move, best first, for the side that moves (RESULT win, cursed-win,\n"
    "      draw, blessed-loss, loss; DTZ in plies, negative when losing). --claim: the\n"
    "      text of a claim to the tournament director, as claim lines. Status 1 when\n"
    "      the tables hold no result, 2 when DIR holds no tables.\n"
    "  vorlik-kifu book BOOK.bin [--fen FEN] [--] TOKEN...\n"
    "      TOKEN... を指した局面(または FEN)の Polyglot 定跡ファイルの手を、重い順に表示します。\n"
    "      The moves the Polyglot book BOOK.bin holds for the position after TOKEN...\n"
    "      (or FEN), heaviest first: move SHORT WEIGHT LEARN (the book's own numbers).\n"
    "      Status 1 when the book holds no move for the position.\n"
    "  vorlik-kifu db book DB OUT.bin [--max-ply N] [--min-games N] [FILTERS]\n"
    "      参考データベースから Polyglot 定跡ファイルを作ります (vorlik-kifu db --help)。\n"
    "      Writes a Polyglot book of the database's moves (see vorlik-kifu db --help).\n"
    "  vorlik-kifu --help | --version\n"
    "  ファイルの種類は拡張子 (.pgn .fen .csv) で決まり、--kind pgn|fen|csv で指定できます。\n"
    "  The kind of FILE is its extension unless --kind pgn|fen|csv says otherwise.\n"
    "  出力は UTF-8、欄はタブ区切りです。Output is UTF-8, fields separated by TAB.\n"
    "  終了コード 0: 成功 / exit status 0: success;\n"
    "  1: 拒否された手、読み切れないファイルやゲーム、ゲームなし (list, check)、一致なし (search)、\n"
    "     エンジンの終了・無応答 (versus) /\n"
    "     a token refused, a file or game not read whole (told on stderr, the rest is\n"
    "     printed), no games (list, check), no match (search), a move refused or withdrawn\n"
    "     or the engine gone or silent during the game (versus);\n"
    "  2: 使い方の誤り、読めないファイル、保存しない・できない、起動できないエンジン、印刷できない /\n"
    "     usage error, file not read, nothing saved, an engine that cannot be\n"
    "     started, a PDF file that cannot be written: nothing was done.\n";

// The file module's messages end with a line end of their own.
void Tell(const std::string& message)
{
    std::size_t end = message.size();
    while (end > 0 && (message[end - 1] == '\n' || message[end - 1] == '\r'))
        --end;
    std::fprintf(stderr, "vorlik-kifu: %.*s\n", static_cast<int>(end), message.c_str());
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "vorlik-kifu: %s\n%s", message.c_str(), kUsage);
    return kExitUsage;
}

namespace {

std::string KindUnknown(const std::string& name)
{
    return "ファイルの種類が分かりません。拡張子を .pgn .fen .csv にするか --kind を付けてください "
           "(unknown file kind; name it .pgn, .fen or .csv or add --kind): " + name;
}

// The kind of the file a verb reads, or kKindNone with why: no known kind, or a FEN
// file where the verb needs games (fenRefusal, when not null, says so).
KifuKind FileKind(const VerbOptions& options, const std::string& name, const char* fenRefusal, std::string& why)
{
    const KifuKind kind = ResolveKind(options, name);
    if (kind == kKindNone)
        why = KindUnknown(name);
    else if (kind == kKindFen && fenRefusal)
        why = fenRefusal + name;
    return why.empty() ? kind : kKindNone;
}

// Empty when the file can be read; otherwise what is wrong with it.
std::string CheckReadable(const std::string& name)
{
    std::error_code error;
    const auto status = std::filesystem::status(name, error);
    if (!std::filesystem::exists(status))
        return "ファイルがありません (no such file): " + name;
    if (!std::filesystem::is_regular_file(status))
        return "ファイルではありません (not a file): " + name;
    if (!std::ifstream(name, std::ios::binary))
        return "ファイルを読めません (cannot read the file): " + name;
    return std::string();
}

// The companion's host of the file module: messages go to stderr, the
// collection dialog is answered by the command line.
class CliHost : public KifuHost {
public:
    CliHost(GameSession& session, int choice, bool longForm)
        : session_(session), choice_(choice), longForm_(longForm) {}

    GameSession& Session() override { return session_; }
    void ShowMessage(const std::string& text, const std::string& title, Icon) override
    {
        Tell(title + ": " + text);
        ++messages_;
    }
    void SetBusy(bool) override {}
    // Saving always appends; opening takes the game named on the command line.
    void ShowKifuDialog(KifuFile& file, const std::string&) override
    {
        file.KifuSelect = file.KifuDialogMode == KifuDialogMode::SaveInto ? KifuSelect::Append : SelectGame(choice_);
    }
    bool LongFormSave() override { return longForm_; }

    int Messages() const { return messages_; }

private:
    GameSession& session_;
    int choice_;
    bool longForm_;
    int messages_ = 0;
};

// Scans a PGN or CSV file. kExitUsage when nothing could be read; a partial
// read is told on stderr and clears complete.
int ScanFile(KifuFile& file, KifuKind kind, const std::string& name, bool& complete)
{
    const std::string problem = CheckReadable(name);
    if (!problem.empty())
        return FileError(problem);
    const ScanReport report = ScanKifuFile(file, kind, name);
    if (!report.ok)
        return FileError(report.message.empty() ? "ファイルを読めません (cannot read the file): " + name
                                                : report.message);
    complete = report.message.empty();
    if (!complete)
        Tell(report.message);
    return kExitOk;
}


// A file that holds no game says so rather than printing nothing.
int NoGames(const std::string& name)
{
    Tell("ゲームがありません (no games in the file): " + name);
    return kExitIncomplete;
}

// A FEN file through the menu's own open. False when it was not read.
bool OpenFenFile(GameSession& session, const std::string& name)
{
    CliHost host(session, 1, false);
    KifuFile file;
    OpenKifuFile(host, file, kKindFen, name);
    return host.Messages() == 0;
}


// The plies of the record with the refused tokens among them, each refused
// token before the ply that was played in its place.
void PrintGame(const GameState& game, const std::vector<RefusedToken>& refused, bool withNotes)
{
    std::size_t r = 0;
    for (int ply = 1; ply <= game.LastPly; ++ply) {
        for (; r < refused.size() && refused[r].ply <= ply; ++r)
            PrintRefused(refused[r].ply, refused[r].token);
        if (!game.KifuCoord[ply].empty())  // a game that starts with Black has no ply 1
            PrintPly(game, ply, withNotes);
    }
    for (; r < refused.size(); ++r)
        PrintRefused(refused[r].ply, refused[r].token);
}

// The comment, the marks and the variations at one node, then those inside
// each variation. A ply is named by its number on the main line, and inside
// a variation by the variation's name, a dot and its number: variation
// "7.2" is the second alternative to ply 7 of the main line, "7.2.9" ply 9
// inside it, "7.2.9.1" the first alternative to that ply, and so on; ply
// "7.2.6" (the one before the variation's first move) is where a comment
// before that first move stands, as "0" is the start's.
void PrintAnnotationsOfLine(const GameState& game, int first, const std::string& prefix);

void PrintAnnotationsAt(const GameState& game, int id, const std::string& prefix)
{
    const KifuNode node = Node(game, id);
    const std::string ply = prefix + std::to_string(node.ply);
    if (!node.commentBefore.empty())
        std::printf("comment\t%s%d\t%s\n", prefix.c_str(), node.ply - 1, Field(node.commentBefore).c_str());
    if (!node.comment.empty())
        std::printf("comment\t%s\t%s\n", ply.c_str(), Field(node.comment).c_str());
    if (!node.nags.empty()) {
        std::printf("nag\t%s\t", ply.c_str());
        for (std::size_t k = 0; k < node.nags.size(); ++k)
            std::printf(k == 0 ? "$%d" : " $%d", node.nags[k]);
        std::putchar('\n');
    }
    if (node.parent < 0 || Node(game, node.parent).firstChild != id)
        return;  // only a line's own move has alternatives beside it
    int number = 0;
    for (int s = node.nextSibling; s >= 0; s = Node(game, s).nextSibling) {
        const std::string name = ply + "." + std::to_string(++number);
        std::printf("variation\t%s\t%s\n", name.c_str(), MovesOfLine(game, s, false).c_str());
        PrintAnnotationsOfLine(game, s, name + ".");
    }
}

void PrintAnnotationsOfLine(const GameState& game, int first, const std::string& prefix)
{
    for (int id = first; id >= 0; id = game.Tree.nodes[id].firstChild)
        PrintAnnotationsAt(game, id, prefix);
}

// The plies the record holds moves for.
int PliesPlayed(const GameState& game)
{
    int plies = 0;
    for (int ply = 1; ply <= game.LastPly; ++ply)
        plies += !game.KifuCoord[ply].empty();
    return plies;
}

// What loading the games of a file found.
struct CheckTally {
    long plies = 0;
    long refused = 0;
    std::vector<std::pair<int, std::string>> faults;  // games not read whole, with the reason
};

// Loads games, a run of kChunk at a time taken from next, into one record of
// its own, until none are left.
void CheckGames(const KifuFile& file, KifuKind kind, std::atomic<int>& next, CheckTally& tally)
{
    constexpr int kChunk = 64;
    auto record = std::make_unique<GameState>();
    for (int first = next.fetch_add(kChunk); first <= file.KifuCount; first = next.fetch_add(kChunk)) {
        const int last = std::min(first + kChunk - 1, file.KifuCount);
        for (int g = first; g <= last; ++g) {
            const LoadReport report = LoadKifuGame(*record, file, kind, g);
            tally.plies += PliesPlayed(*record);
            tally.refused += static_cast<long>(report.refused.size());
            if (!report.refused.empty() || report.plyLimit || !report.fenError.empty())
                tally.faults.emplace_back(g, report.Message());
        }
    }
}

// Replaying the moves is the work: the games are shared out among the cores,
// each worker with its own record; the table is only read. Faults come back
// in game order.
CheckTally CheckAllGames(const KifuFile& file, KifuKind kind)
{
    constexpr int kGamesPerWorker = 256;
    const int cores = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const int workers = std::clamp(file.KifuCount / kGamesPerWorker, 1, cores);
    std::atomic<int> next{1};
    std::vector<CheckTally> tallies(workers);
    std::vector<std::thread> threads;
    for (int w = 1; w < workers; ++w) {
        try {
            threads.emplace_back(CheckGames, std::cref(file), kind, std::ref(next), std::ref(tallies[w]));
        } catch (const std::system_error&) {
            break;  // the games left over are loaded below all the same
        }
    }
    CheckGames(file, kind, next, tallies[0]);
    for (std::thread& thread : threads)
        thread.join();
    CheckTally total;
    for (CheckTally& tally : tallies) {
        total.plies += tally.plies;
        total.refused += tally.refused;
        std::move(tally.faults.begin(), tally.faults.end(), std::back_inserter(total.faults));
    }
    std::sort(total.faults.begin(), total.faults.end());
    return total;
}

}  // namespace

// A TAB or a line end inside a value would break the output's columns.
std::string Field(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

int GameNumber(const std::string& text, std::string& error)
{
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const std::size_t first = digits ? std::min(text.find_first_not_of('0'), text.size()) : 0;
    if (!digits || first == text.size()) {
        error = "ゲーム番号は 1 以上の整数です (N is a game number from 1): " + text;
        return 0;
    }
    if (text.size() - first > 5 || std::stoi(text.substr(first)) > kMaxGames) {
        error = "ゲーム番号は" + std::to_string(kMaxGames) + "までです。ファイルから読むゲームは" +
                std::to_string(kMaxGames) + "局までです (a file lists at most " + std::to_string(kMaxGames) +
                " games): " + text;
        return 0;
    }
    return std::stoi(text.substr(first));
}

int FileError(const std::string& message)
{
    Tell(message);
    return kExitUsage;
}

std::string ReadEngineVerb(const std::vector<std::string>& args, const char* verb, const OwnOption& own,
                           std::string& mek, std::vector<std::string>& tokens)
{
    std::size_t k = 0;
    for (; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--") {
            ++k;
            break;
        }
        std::string error;
        if (own(args, k, error)) {
            if (!error.empty())
                return error;
        } else if (arg.rfind("--", 0) == 0) {
            return "知らないオプションです (unknown option): " + arg;
        } else if (mek.empty()) {
            mek = arg;
        } else {
            break;  // the first move token
        }
    }
    for (; k < args.size(); ++k) {
        if (mek.empty())
            mek = args[k];
        else
            tokens.push_back(args[k]);
    }
    return mek.empty() ? std::string("エンジン設定ファイルがありません (") + verb + " needs a settings file)" : "";
}

// Options may stand anywhere; "--" ends them.
std::string ReadVerb(const std::vector<std::string>& args, bool allowLong, std::size_t least, std::size_t most,
                     const char* usage, VerbOptions& options, const OwnOption& own)
{
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--") {
            options.operands.insert(options.operands.end(), args.begin() + k + 1, args.end());
            break;
        }
        std::string error;
        if (own && own(args, k, error)) {
            if (!error.empty())
                return error;
        } else if (arg == "--kind") {
            options.kind = k + 1 < args.size() ? KindOfExtension(args[++k]) : kKindNone;
            if (options.kind == kKindNone)
                return "--kind のあとは pgn, fen, csv のどれかです (--kind needs pgn, fen or csv)";
        } else if (arg == "--long" && allowLong) {
            options.longForm = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return "知らないオプションです (unknown option): " + arg;
        } else {
            options.operands.push_back(arg);
        }
    }
    if (options.operands.size() < least || options.operands.size() > most)
        return usage;
    return std::string();
}

KifuKind ResolveKind(const VerbOptions& options, const std::string& name)
{
    return options.kind != kKindNone ? options.kind : KindOfFileName(name);
}

OpenedGame OpenGame(GameSession& session, const std::string& name, KifuKind kind, int n)
{
    OpenedGame opened;
    opened.kind = kind;
    if (kind == kKindNone) {
        opened.status = UsageError(KindUnknown(name));
        return opened;
    }
    if (kind == kKindFen) {
        const std::string problem = CheckReadable(name);
        if (!problem.empty())
            opened.status = FileError(problem);
        else if (n != 1)
            opened.status = FileError("FEN ファイルは局面一つだけです (a FEN file holds game 1 only): " + name);
        else
            opened.startRead = OpenFenFile(session, name);
        if (!opened.startRead)
            opened.status = kExitIncomplete;
        return opened;
    }
    KifuFile file;
    bool complete = true;
    opened.status = ScanFile(file, kind, name, complete);
    if (opened.status != kExitOk)
        return opened;
    if (n > file.KifuCount) {
        opened.status = FileError(std::to_string(n) + " 番のゲームはありません (no game " + std::to_string(n) +
                                  "; the file holds " + std::to_string(file.KifuCount) + "): " + name);
        return opened;
    }
    auto record = std::make_unique<GameState>();
    opened.report = LoadKifuGame(*record, file, kind, n);
    session.Replace(std::move(*record));
    const std::string message = opened.report.Message();
    if (!message.empty())
        Tell(message);
    if (!message.empty() || !complete)
        opened.status = kExitIncomplete;
    opened.startRead = opened.report.fenError.empty();
    return opened;
}

void PrintPly(const GameState& game, int ply, bool withNotes, const std::string& lastField)
{
    std::printf("%d\t%s\t%s\t%s\t%s", ply, game.KifuShort[ply].c_str(), game.KifuLong[ply].c_str(),
                game.KifuPostal[ply].c_str(), game.KifuCoord[ply].c_str());
    if (withNotes) {
        for (int k = 1; k <= 6; ++k)
            std::printf("\t%s", Field(game.KifuNote[k][ply]).c_str());
    }
    if (!lastField.empty())
        std::printf("\t%s", lastField.c_str());
    std::putchar('\n');
}

void PrintRefused(int ply, const std::string& token)
{
    std::printf("%d\trefused\t%s\n", ply, Field(token).c_str());
}

void PrintFenLine(const GameState& game)
{
    std::printf("fen\t%s\n", WriteFenText(game, game.CurPly).c_str());
}


int ListCommand(const std::vector<std::string>& args)
{
    VerbOptions options;
    std::string error = ReadVerb(args, false, 1, 1, "list にはファイルを一つ指定します (list takes one FILE)", options);
    if (!error.empty())
        return UsageError(error);
    const std::string& name = options.operands[0];
    const KifuKind kind =
        FileKind(options, name, "FEN ファイルは局面一つでゲームの一覧はありません (a FEN file holds one position, no games): ",
                 error);
    if (kind == kKindNone)
        return UsageError(error);
    KifuFile file;
    bool complete = true;
    if (const int status = ScanFile(file, kind, name, complete); status != kExitOk)
        return status;
    if (file.KifuCount == 0)
        return NoGames(name);
    for (int g = 1; g <= file.KifuCount; ++g) {
        std::printf("%d", g);
        for (int field = 1; field <= 6; ++field)
            std::printf("\t%s", Field(file.KifuList[g][field]).c_str());
        // A game without a result is an unfinished one, as the loader reads it.
        const std::string& result = file.KifuList[g][7];
        std::printf("\t%s\n", result.empty() ? "*" : Field(result).c_str());
    }
    return complete ? kExitOk : kExitIncomplete;
}

int ShowCommand(const std::vector<std::string>& args)
{
    VerbOptions options;
    const std::string error =
        ReadVerb(args, false, 1, 2, "show にはファイルとゲーム番号を指定します (show takes FILE [N])", options);
    if (!error.empty())
        return UsageError(error);
    std::string wrong;
    const int n = options.operands.size() == 2 ? GameNumber(options.operands[1], wrong) : 1;
    if (n == 0)
        return UsageError(wrong);
    const std::string& name = options.operands[0];
    GameSession session;
    const OpenedGame opened = OpenGame(session, name, ResolveKind(options, name), n);
    if (opened.status == kExitUsage)
        return opened.status;
    // Like the window, an unreadable start position leaves the standard one
    // on the board; the status and the message say so.
    if (opened.kind == kKindFen) {
        PrintFenLine(session.Game());
        return opened.status;
    }
    PrintGame(session.Game(), opened.report.refused, opened.kind == kKindCsv);
    PrintAnnotationsOfLine(session.Game(), 0, std::string());
    PrintFenLine(session.Game());
    return opened.status;
}

namespace {

// What a save into a file of this kind leaves out, as the window's question says it.
std::string LossInEnglish(const GameState& game, KifuKind kind)
{
    std::string text;
    if (SaveLosesAnnotations(game, kind))
        text += kind == kKindCsv ? "comments, marks and variations are not saved in CSV"
                                 : "comments, marks and variations are not saved in FEN";
    if (SaveLosesNotes(game, kind))
        text += std::string(text.empty() ? "" : "; ") + "the postal boxes are saved in CSV only";
    return text;
}

}  // namespace

int ConvertCommand(const std::vector<std::string>& args)
{
    VerbOptions options;
    const std::string error = ReadVerb(args, true, 3, 3,
                                       "convert にはファイル、ゲーム番号、保存先を指定します (convert takes FILE N OUT)", options);
    if (!error.empty())
        return UsageError(error);
    const std::string& name = options.operands[0];
    const std::string& out = options.operands[2];
    std::string wrong;
    const int n = GameNumber(options.operands[1], wrong);
    if (n == 0)
        return UsageError(wrong);
    const KifuKind outKind = KindOfFileName(out);
    if (outKind == kKindNone)
        return UsageError(KindUnknown(out));
    GameSession session;
    const OpenedGame opened = OpenGame(session, name, ResolveKind(options, name), n);
    if (opened.status == kExitUsage)
        return opened.status;
    // Written out, the standard start would pass for the game's own.
    if (!opened.startRead)
        return FileError("開始局面を読めないので保存しません (the start position could not be read; nothing "
                         "written): " + out);
    // The CSV layout has no start position: the save dialog does not offer it.
    if (outKind == kKindCsv && !IsStandardStart(session.Game()))
        return FileError("設定局面から始まるゲームは CSV に保存できません "
                         "(a game from a set-up position cannot be saved as CSV): " + out);
    // The window asks first; here the user is told what the file does not keep.
    if (const std::string loss = SaveLossText(session.Game(), outKind); !loss.empty())
        Tell("注意: " + loss + " (" + LossInEnglish(session.Game(), outKind) + ")");
    CliHost host(session, -1, options.longForm);
    KifuFile outFile;
    if (!SaveKifuFile(host, outFile, outKind, out)) {
        if (host.Messages() == 0)
            return FileError("保存できませんでした (could not save): " + out);
        return kExitUsage;
    }
    return opened.status;
}

int SearchCommand(const std::vector<std::string>& args)
{
    VerbOptions options;
    std::string error = ReadVerb(args, true, 1, args.size(),
                                 "search にはファイルを指定します (search takes FILE TOKEN...)", options);
    if (!error.empty())
        return UsageError(error);
    const std::string& name = options.operands[0];
    const KifuKind kind =
        FileKind(options, name, "局面検索は PGN と CSV のファイルだけです (search reads PGN and CSV files only): ", error);
    if (kind == kKindNone)
        return UsageError(error);

    GameSession session;
    for (std::size_t k = 1; k < options.operands.size(); ++k) {
        if (session.CommitMove(options.operands[k]) != MoveVerdict::Legal)
            return UsageError("指せない手です (refused move) " + std::to_string(session.Game().CurPly + 1) + ": " +
                              options.operands[k]);
    }
    KifuFile file;
    bool complete = true;
    if (const int status = ScanFile(file, kind, name, complete); status != kExitOk)
        return status;
    const SearchResult result = SearchContinuations(file, session.Game(), options.longForm);
    if (result.matches == 0) {
        Tell("局面は存在しませんでした (the position did not occur)");
        return kExitIncomplete;
    }
    for (std::size_t m = 0; m < result.games.size(); ++m)
        std::printf(m == 0 ? "%d" : "\t%d", result.games[m]);
    std::printf("\n%s\n", result.TextJo.c_str());
    return complete ? kExitOk : kExitIncomplete;
}

int CheckCommand(const std::vector<std::string>& args)
{
    VerbOptions options;
    std::string error = ReadVerb(args, false, 1, 1, "check にはファイルを一つ指定します (check takes one FILE)", options);
    if (!error.empty())
        return UsageError(error);
    const std::string& name = options.operands[0];
    const KifuKind kind = FileKind(options, name, nullptr, error);
    if (kind == kKindNone)
        return UsageError(error);
    if (kind == kKindFen) {
        if (const std::string problem = CheckReadable(name); !problem.empty())
            return FileError(problem);
        GameSession session;
        const bool read = OpenFenFile(session, name);
        std::printf("1\t0\t0\n");
        return read ? kExitOk : kExitIncomplete;
    }
    KifuFile file;
    bool complete = true;
    if (const int status = ScanFile(file, kind, name, complete); status != kExitOk)
        return status;
    const CheckTally tally = CheckAllGames(file, kind);
    for (const auto& [game, message] : tally.faults)
        Tell(std::to_string(game) + " 番 (game " + std::to_string(game) + "): " + message);
    complete = complete && tally.faults.empty();
    std::printf("%d\t%ld\t%ld\n", file.KifuCount, tally.plies, tally.refused);
    if (file.KifuCount == 0)
        return NoGames(name);
    return complete ? kExitOk : kExitIncomplete;
}

}  // namespace vorlik
