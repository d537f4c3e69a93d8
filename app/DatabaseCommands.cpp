// vorlik-kifu db: the reference database from the command line. import fills
// a .vdb file from game files; tree, games, show and export answer from its
// index of positions.
#include "DatabaseCommands.h"

#include "KifuCommands.h"
#include "core/MoveCommit.h"
#include "database/DatabaseImport.h"
#include "database/PositionQuery.h"
#include "records/KifuFormat.h"
#include "records/KifuStore.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace vorlik {

namespace {

const char kDatabaseUsage[] =
    "使い方 / usage:\n"
    "  vorlik-kifu db import DB FILE... [--kind pgn|csv] [--eco-file ECO] [--cache-rows N]\n"
    "      PGN・CSV ファイルのゲームをデータベース DB に取り込みます(なければ作ります)。\n"
    "      Imports the games of the files into DB (created when missing), in one\n"
    "      transaction; prints imported N skipped D refused R.\n"
    "  vorlik-kifu db tree DB [--fen FEN] [FILTERS] [--each FILE] [--] TOKEN...\n"
    "      total N W D B, eco CODE NAME, move SHORT N W D B SCORE AVGELO PERF LASTYEAR\n"
    "  vorlik-kifu db games DB [--fen FEN] [FILTERS] [--eco A00-E99] [--limit N] [--offset K] [--] TOKEN...\n"
    "      ID WHITE BLACK RESULT DATE EVENT PLY, newest first\n"
    "  vorlik-kifu db show DB ID\n"
    "  vorlik-kifu db export DB OUT [--fen FEN] [FILTERS] [--eco A00-E99] [--long] [--] TOKEN...\n"
    "  vorlik-kifu db book DB OUT.bin [--max-ply N] [--min-games N] [FILTERS]\n"
    "  FILTERS: --player NAME --year-from Y --year-to Y --min-elo E\n";

int DbUsage(const std::string& message)
{
    std::fprintf(stderr, "vorlik-kifu: %s\n%s", message.c_str(), kDatabaseUsage);
    return kExitUsage;
}

bool ParseNumber(const std::string& text, long& value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stol(text);
    return true;
}

// The options and operands of a position verb.
struct PositionArgs {
    std::vector<std::string> operands;  // DB, then OUT for export, then the tokens
    std::string fen, each;
    QueryFilter filter;
    long limit = -1, offset = 0;
    bool longForm = false;
};

// A range "A00-E99", or one code.
bool ParseEcoRange(const std::string& text, QueryFilter& filter)
{
    const std::size_t dash = text.find('-');
    filter.ecoFrom = text.substr(0, dash);
    filter.ecoTo = dash == std::string::npos ? filter.ecoFrom : text.substr(dash + 1);
    auto code = [](const std::string& c) {
        return c.size() == 3 && c[0] >= 'A' && c[0] <= 'E' && isdigit(static_cast<unsigned char>(c[1])) &&
               isdigit(static_cast<unsigned char>(c[2]));
    };
    return code(filter.ecoFrom) && code(filter.ecoTo);
}

// Empty when the words are understood, else what is wrong.
std::string ReadPositionArgs(const std::vector<std::string>& args, bool games, PositionArgs& out)
{
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--") {
            out.operands.insert(out.operands.end(), args.begin() + k + 1, args.end());
            break;
        }
        if (arg.rfind("--", 0) != 0) {
            out.operands.push_back(arg);
            continue;
        }
        if (k + 1 >= args.size() && arg != "--long")
            return arg + " のあとに値がありません (" + arg + " needs a value)";
        long number = 0;
        const std::string value = arg == "--long" ? std::string() : args[k + 1];
        if (arg == "--fen")
            out.fen = value;
        else if (arg == "--player")
            out.filter.player = value;
        else if (arg == "--each" && !games)
            out.each = value;
        else if (arg == "--eco" && games) {
            if (!ParseEcoRange(value, out.filter))
                return "--eco は A00-E99 の形です (--eco takes a range such as A00-E99): " + value;
        } else if (arg == "--long" && games) {
            out.longForm = true;
            continue;
        } else if (arg == "--year-from" || arg == "--year-to" || arg == "--min-elo" || (games && arg == "--limit") ||
                   (games && arg == "--offset")) {
            if (!ParseNumber(value, number))
                return arg + " のあとは数です (" + arg + " takes a number): " + value;
            if (arg == "--year-from")
                out.filter.yearFrom = static_cast<int>(number);
            else if (arg == "--year-to")
                out.filter.yearTo = static_cast<int>(number);
            else if (arg == "--min-elo")
                out.filter.minElo = static_cast<int>(number);
            else if (arg == "--limit")
                out.limit = number;
            else
                out.offset = number;
        } else {
            return "知らないオプションです (unknown option): " + arg;
        }
        ++k;
    }
    return out.operands.empty() ? "データベースを指定します (DB is missing)" : "";
}

// The position after the tokens from the start (or the FEN). False with the
// reason when a token is refused or the FEN cannot be read.
struct Position {
    std::unique_ptr<GameState> record = std::make_unique<GameState>();
    std::uint64_t key = 0;
    bool whiteToMove = true;
};

bool PlayPosition(const std::string& fen, const std::vector<std::string>& tokens, Position& position,
                  std::string& why)
{
    why = PlayFromStart(*position.record, fen, tokens);
    if (!why.empty())
        return false;
    const GameState& game = *position.record;
    position.key = MainLinePositions(game).back().key;
    position.whiteToMove = game.LastPly % 2 == 0;
    return true;
}

bool OpenDatabase(GameDatabase& database, const std::string& name, GameDatabase::Mode mode)
{
    std::string error;
    if (database.Open(name, mode, error))
        return true;
    Tell(error);
    return false;
}

// The short text of a move from the position, as `play` prints it.
std::string ShortText(const GameState& base, int move)
{
    auto copy = std::make_unique<GameState>(base);
    return CommitMove(*copy, DecodeMove(move)) ? copy->KifuShort[copy->CurPly] : DecodeMove(move);
}

std::string NumberOrDash(int value) { return value < 0 || value == 0 ? "-" : std::to_string(value); }

void PrintTree(GameDatabase& database, const Position& position, const TreeAnswer& answer)
{
    std::printf("total\t%ld\t%ld\t%ld\t%ld\n", answer.total, answer.whiteWins, answer.draws, answer.blackWins);
    std::string eco, name;
    if (database.FindOpening(position.key, eco, name))
        std::printf("eco\t%s\t%s\n", eco.c_str(), Field(name).c_str());
    for (const MoveTally& tally : answer.moves) {
        std::printf("move\t%s\t%ld\t%ld\t%ld\t%ld\t%.1f\t%s\t%s\t%s\n", ShortText(*position.record, tally.move).c_str(),
                    tally.games, tally.whiteWins, tally.draws, tally.blackWins,
                    ScorePercent(tally, position.whiteToMove), NumberOrDash(AverageElo(tally)).c_str(),
                    NumberOrDash(Performance(tally)).c_str(), NumberOrDash(tally.lastYear).c_str());
    }
}

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// One tree: exit 0, 1 when the position is not legal, 2 when the database fails.
int AnswerTree(GameDatabase& database, const PositionArgs& args, const std::vector<std::string>& tokens)
{
    Position position;
    std::string why;
    if (!PlayPosition(args.fen, tokens, position, why)) {
        Tell(why);
        return kExitIncomplete;
    }
    TreeAnswer answer;
    if (!QueryTree(database, position.key, position.whiteToMove, args.filter, answer, why))
        return FileError("データベースを読めません (cannot read the database): " + why);
    PrintTree(database, position, answer);
    return kExitOk;
}

int TreeCommand(const std::vector<std::string>& args)
{
    PositionArgs parsed;
    const std::string error = ReadPositionArgs(args, false, parsed);
    if (!error.empty())
        return DbUsage(error);
    GameDatabase database;
    if (!OpenDatabase(database, parsed.operands[0], GameDatabase::Mode::ReadOnly))
        return kExitUsage;
    if (!database.HasOpenings())
        Tell("このデータベースには ECO 分類がありません (no opening names in this database: pgn-extract's "
             "eco.pgn was missing when it was imported)");
    const std::vector<std::string> tokens(parsed.operands.begin() + 1, parsed.operands.end());
    if (parsed.each.empty())
        return AnswerTree(database, parsed, tokens);
    std::ifstream each(parsed.each);
    if (!each)
        return FileError("ファイルを読めません (cannot read the file): " + parsed.each);
    int status = kExitOk;
    for (std::string line; std::getline(each, line);) {
        const int one = AnswerTree(database, parsed, Words(line));
        if (one == kExitUsage)
            return one;
        status = std::max(status, one);
        std::printf("\n");
    }
    return status;
}

// The games of the position after the tokens; false when the verb must stop with status.
bool FindGames(GameDatabase& database, const PositionArgs& args, std::size_t firstToken, std::vector<GameRow>& rows,
               int& status)
{
    Position position;
    std::string why;
    const std::vector<std::string> tokens(args.operands.begin() + static_cast<long>(firstToken), args.operands.end());
    if (!PlayPosition(args.fen, tokens, position, why)) {
        Tell(why);
        status = kExitIncomplete;
        return false;
    }
    if (!QueryGames(database, position.key, position.whiteToMove, args.filter, args.limit, args.offset, rows, why)) {
        status = FileError("データベースを読めません (cannot read the database): " + why);
        return false;
    }
    return true;
}

int GamesCommand(const std::vector<std::string>& args)
{
    PositionArgs parsed;
    const std::string error = ReadPositionArgs(args, true, parsed);
    if (!error.empty())
        return DbUsage(error);
    GameDatabase database;
    if (!OpenDatabase(database, parsed.operands[0], GameDatabase::Mode::ReadOnly))
        return kExitUsage;
    std::vector<GameRow> rows;
    int status = kExitOk;
    if (!FindGames(database, parsed, 1, rows, status))
        return status;
    for (const GameRow& row : rows)
        std::printf("%lld\t%s\t%s\t%s\t%s\t%s\t%d\n", static_cast<long long>(row.id), Field(row.white).c_str(),
                    Field(row.black).c_str(), Field(row.result).c_str(), Field(row.date).c_str(),
                    Field(row.event).c_str(), row.ply);
    return kExitOk;
}

// The stored game read into a record of its own as "開く" reads a file's
// game; null when there is no such game.
std::unique_ptr<GameState> LoadStoredGame(GameDatabase& database, std::int64_t id, KifuKind& kind,
                                          LoadReport& report)
{
    std::string layout, text;
    if (!ReadStoredGame(database, id, layout, text))
        return nullptr;
    kind = layout == "csv" ? kKindCsv : kKindPgn;
    KifuFile file;
    ScanKifuText(file, kind, text);
    if (file.KifuCount < 1)
        return nullptr;
    auto record = std::make_unique<GameState>();
    report = LoadKifuGame(*record, file, kind, 1);
    return record;
}

int ShowGame(const std::vector<std::string>& args)
{
    long id = 0;
    if (args.size() != 2 || !ParseNumber(args[1], id))
        return DbUsage("db show にはデータベースとゲーム番号を指定します (db show takes DB ID)");
    GameDatabase database;
    if (!OpenDatabase(database, args[0], GameDatabase::Mode::ReadOnly))
        return kExitUsage;
    std::string layout, text;
    if (!ReadStoredGame(database, id, layout, text))
        return FileError(args[1] + " 番のゲームはありません (no game " + args[1] + ")");
    // show prints a file's game: the stored game is one file of one game.
    QTemporaryDir folder;
    const std::string name = folder.path().toStdString() + "/game." + (layout == "csv" ? "csv" : "pgn");
    std::ofstream(name, std::ios::binary) << text;
    return ShowCommand({name, "1"});
}

// The lines in CP932, as "保存" writes a new file, unless a game needs UTF-8.
std::string EncodeFile(const std::vector<std::string>& lines)
{
    std::string bytes, line;
    TextEncoding encoding = TextEncoding::Cp932;
    for (const std::string& text : lines)
        if (!EncodeText(text, TextEncoding::Cp932, line))
            encoding = TextEncoding::Utf8;
    for (const std::string& text : lines) {
        EncodeText(text, encoding, line);
        (bytes += line) += "\r\n";
    }
    return bytes;
}

int ExportCommand(const std::vector<std::string>& args)
{
    PositionArgs parsed;
    std::string error = ReadPositionArgs(args, true, parsed);
    if (error.empty() && parsed.operands.size() < 2)
        error = "db export にはデータベースと保存先を指定します (db export takes DB OUT)";
    if (!error.empty())
        return DbUsage(error);
    const std::string& out = parsed.operands[1];
    const int outKind = KindOfFileName(out);
    if (outKind != kKindPgn && outKind != kKindCsv)
        return DbUsage("保存先は .pgn か .csv です (OUT must be a .pgn or .csv file): " + out);
    if (FileExists(out))
        return FileError("ファイルがすでにあります。書きませんでした (the file exists; nothing written): " + out);
    GameDatabase database;
    if (!OpenDatabase(database, parsed.operands[0], GameDatabase::Mode::ReadOnly))
        return kExitUsage;
    std::vector<GameRow> rows;
    int status = kExitOk;
    if (!FindGames(database, parsed, 2, rows, status))
        return status;
    std::vector<std::string> lines;
    for (const GameRow& row : rows) {
        KifuKind kind = kKindNone;
        LoadReport report;
        const std::unique_ptr<GameState> record = LoadStoredGame(database, row.id, kind, report);
        if (!record)
            continue;
        if (outKind == kKindCsv && !IsStandardStart(*record)) {
            Tell(std::to_string(row.id) + ": 設定局面から始まるゲームは CSV に保存できません (a game from a set-up "
                                          "position cannot be saved as CSV)");
            status = kExitIncomplete;
            continue;
        }
        const std::vector<std::string> game = outKind == kKindCsv
                                                  ? WriteCsvGame(*record, record->Header, parsed.longForm)
                                                  : WritePgnGame(*record, record->Header, parsed.longForm);
        lines.insert(lines.end(), game.begin(), game.end());
    }
    if (!WriteFileAtomically(out, EncodeFile(lines), error))
        return FileError(error);
    return status;
}

// ---- import ----------------------------------------------------------------------

struct ImportArgs {
    std::vector<std::string> operands;
    KifuKind kind = kKindNone;
    std::string ecoFile = OpeningBook::kDefaultFile;
    long cacheRows = 2000;
};

std::string ReadImportArgs(const std::vector<std::string>& args, ImportArgs& out)
{
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--cache-rows") {
            long rows = 0;
            if (k + 1 >= args.size() || !ParseNumber(args[++k], rows) || rows < 1)
                return "--cache-rows のあとは 1 以上の数です (--cache-rows takes a number from 1)";
            out.cacheRows = rows;
        } else if (arg == "--kind" || arg == "--eco-file") {
            if (k + 1 >= args.size())
                return arg + " のあとに値がありません (" + arg + " needs a value)";
            if (arg == "--eco-file")
                out.ecoFile = args[++k];
            else if ((out.kind = KindOfExtension(args[++k])) != kKindPgn && out.kind != kKindCsv)
                return "--kind のあとは pgn か csv です (--kind needs pgn or csv)";
        } else if (arg == "--") {
            out.operands.insert(out.operands.end(), args.begin() + k + 1, args.end());
            break;
        } else if (arg.rfind("--", 0) == 0) {
            return "知らないオプションです (unknown option): " + arg;
        } else {
            out.operands.push_back(arg);
        }
    }
    if (out.operands.size() < 2)
        return "db import にはデータベースとファイルを指定します (db import takes DB FILE...)";
    for (std::size_t f = 1; f < out.operands.size(); ++f) {
        const KifuKind kind = out.kind ? out.kind : KindOfFileName(out.operands[f]);
        if (kind != kKindPgn && kind != kKindCsv)
            return "取り込めるのは PGN と CSV のファイルです (import reads .pgn and .csv files; or add --kind): " +
                   out.operands[f];
    }
    return "";
}

// "games, games/s" on stderr once a second after the first second.
class ImportProgress {
public:
    void Tell(long games)
    {
        const auto now = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(now - start_).count();
        if (seconds < 1.0 || now - last_ < std::chrono::seconds(1))
            return;
        last_ = now;
        std::fprintf(stderr, "vorlik-kifu: 取り込み中 (importing) %ld 局 (games), %.0f 局/秒 (games/s)\n", games,
                     games / seconds);
    }

    // The index is built after the last game is read: a long import says how far.
    void TellIndexing(int done, int parts)
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::seconds(1))
            return;
        last_ = now;
        std::fprintf(stderr, "vorlik-kifu: 索引を作成中 (indexing the positions) %d%%\n", done * 100 / parts);
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_ = start_;
};

int ImportCommand(const std::vector<std::string>& args)
{
    ImportArgs parsed;
    const std::string wrong = ReadImportArgs(args, parsed);
    if (!wrong.empty())
        return DbUsage(wrong);
    const std::string& name = parsed.operands[0];
    OpeningBook book;
    std::string error;
    if (!book.Load(parsed.ecoFile, error))
        Tell("ECO ファイルを読めないので、ゲームに ECO 分類を付けません (no opening names: the ECO file cannot be "
             "read; install pgn-extract): " + parsed.ecoFile);
    const bool created = !FileExists(name);
    GameDatabase database;
    if (!OpenDatabase(database, name, GameDatabase::Mode::ReadWrite))
        return kExitUsage;
    database.SetCacheRows(parsed.cacheRows);
    if (!database.Begin(error))
        return FileError(error);
    if (!book.Empty() && !database.StoreOpenings(book.All(), error)) {
        database.Rollback();
        return FileError("データベースに書き込めません (the database cannot be written): " + error);
    }
    DatabaseImport import(database, book);
    import.onRefused = [](const std::string& file, long number, const std::string& reason) {
        Tell(file + ": " + std::to_string(number) + " 番 (game " + std::to_string(number) + "): " + reason);
    };
    ImportProgress progress;
    import.onProgress = [&progress](long games) { progress.Tell(games); };
    // For the tests of an interrupted import: with VORLIK_IMPORT_HOLD set, the
    // import stops inside its transaction once a piece is stored, says so,
    // and waits for its standard input to end.
    if (std::getenv("VORLIK_IMPORT_HOLD"))
        import.onPieceStored = [held = false]() mutable {
            if (held)
                return;
            held = true;
            Tell("取り込みの途中で止めています (import held inside its transaction)");
            while (std::getchar() != EOF) {
            }
        };
    for (std::size_t f = 1; f < parsed.operands.size(); ++f) {
        const std::string& file = parsed.operands[f];
        if (import.ImportFile(file, parsed.kind ? parsed.kind : KindOfFileName(file), error)) {
            if (import.FileGames() == 0)
                Tell("ゲームがありません (no games in the file): " + file);
            continue;
        }
        if (import.DatabaseFailed()) {
            database.Rollback();
            return FileError("データベースに書き込めません。何も取り込みませんでした (the database cannot be written; "
                             "nothing was imported): " + error);
        }
        Tell(error);
    }
    const auto indexing = [&progress](int done, int parts) { progress.TellIndexing(done, parts); };
    if (!database.FlushPositions(error, indexing) || !RefreshReadyTrees(database, error) || !database.Commit(error)) {
        database.Rollback();
        return FileError("データベースに書き込めません。何も取り込みませんでした (the database cannot be written; "
                         "nothing was imported): " + error);
    }
    const ImportCounts& counts = import.Counts();
    std::printf("imported %ld skipped %ld refused %ld\n", counts.imported, counts.skipped, counts.refused);
    if (counts.imported > 0 || counts.skipped > 0)
        return kExitOk;
    if (created) {
        database.Close();
        std::error_code code;
        std::filesystem::remove(name, code);  // an empty database made by this import goes with it
    }
    return kExitIncomplete;
}

}  // namespace

int DatabaseCommand(const std::vector<std::string>& args)
{
    if (args.empty())
        return DbUsage("db のあとに import, tree, games, show, export, book のどれかを指定します (db needs a verb)");
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kDatabaseUsage, stdout);
        return kExitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "import")
        return ImportCommand(rest);
    if (args[0] == "tree")
        return TreeCommand(rest);
    if (args[0] == "games")
        return GamesCommand(rest);
    if (args[0] == "show")
        return ShowGame(rest);
    if (args[0] == "export")
        return ExportCommand(rest);
    if (args[0] == "book")
        return DatabaseBookCommand(rest);
    return DbUsage("知らないコマンドです (unknown command): db " + args[0]);
}

}  // namespace vorlik
