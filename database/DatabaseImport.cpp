#include "DatabaseImport.h"

#include "FastGameReader.h"
#include "records/KifuFormat.h"
#include "records/KifuStore.h"
#include "records/ModuleMekFile.h"

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

namespace vorlik {

std::size_t DatabaseImport::pieceBytes = 8u << 20;

std::uint64_t GameFingerprintOf(const std::string* fields, int count)
{
    // FNV-1a: stable across builds and machines, as a stored value must be.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (int k = 0; k < count; ++k) {
        for (const char c : fields[k]) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ULL;
        }
        hash ^= 0x1f;  // parts "ab","c" and "a","bc" differ
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

namespace {

int PliesPlayed(const GameState& game)
{
    int plies = 0;
    for (int ply = 1; ply <= game.LastPly; ++ply)
        plies += !game.KifuCoord[ply].empty();
    return plies;
}

// A game counts once for a position: where it first reaches it.
std::vector<IndexedPosition> FirstOccurrences(const std::vector<LinePosition>& line)
{
    std::vector<IndexedPosition> positions;
    positions.reserve(line.size());
    for (const LinePosition& position : line) {
        bool seen = false;
        for (const IndexedPosition& earlier : positions)
            seen = seen || earlier.key == position.key;
        if (!seen)
            positions.push_back({position.key, position.ply, position.move});
    }
    return positions;
}

std::string OneLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    return text;
}

bool Refused(const LoadReport& report)
{
    return !report.refused.empty() || report.plyLimit || !report.fenError.empty();
}

}  // namespace

ReadersLine::ReadersLine() : record_(std::make_unique<GameState>()) {}
ReadersLine::~ReadersLine() = default;

bool ReadersLine::Read(const KifuFile& scan, KifuKind kind, int g, std::vector<LinePosition>& line, int& plies,
                       std::string& reason)
{
    const LoadReport report = LoadKifuGame(*record_, scan, kind, g);
    if (Refused(report)) {
        reason = OneLine(report.Message());
        return false;
    }
    line = MainLinePositions(*record_);
    plies = PliesPlayed(*record_);
    return true;
}

namespace {

// One piece of a file, scanned, and what became of its games.
struct Piece {
    FileLines lines;
    KifuFile scan;
    std::vector<ReadGame> games;
    bool last = false;
    bool failed = false;
    std::string error;
};

// Reads the pieces of a file and their games, one piece ahead of the thread that stores them.
class PieceReader {
public:
    PieceReader(std::FILE* file, const std::string& fileName, KifuKind kind, const OpeningBook& book)
        : file_(file), fileName_(fileName), kind_(kind), book_(book), thread_([this] { Run(); })
    {
    }
    ~PieceReader()
    {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // The next piece in file order; null after the last.
    std::unique_ptr<Piece> Next()
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [this] { return !ready_.empty() || finished_; });
        if (ready_.empty())
            return nullptr;
        std::unique_ptr<Piece> piece = std::move(ready_.front());
        ready_.pop_front();
        changed_.notify_all();
        return piece;
    }

private:
    void Run()
    {
        std::string carry;
        for (;;) {
            auto piece = std::make_unique<Piece>();
            const bool more = ReadPiece(*piece, carry);
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait(guard, [this] { return ready_.size() < 2 || stop_; });
            if (stop_)
                break;
            ready_.push_back(std::move(piece));
            changed_.notify_all();
            if (!more)
                break;
        }
        std::lock_guard<std::mutex> guard(lock_);
        finished_ = true;
        changed_.notify_all();
    }

    // False when the file ends with this piece (or cannot be read).
    bool ReadPiece(Piece& piece, std::string& carry)
    {
        std::string bytes = std::move(carry);
        carry.clear();
        const std::size_t old = bytes.size();
        bytes.resize(old + DatabaseImport::pieceBytes);
        const std::size_t read = std::fread(&bytes[old], 1, DatabaseImport::pieceBytes, file_);
        bytes.resize(old + read);
        if (std::ferror(file_)) {
            piece.failed = true;
            piece.error = "ファイルを読めません (cannot read the file): " + fileName_;
            return false;
        }
        piece.last = read < DatabaseImport::pieceBytes;
        // A piece ends at a line end; the rest of its last line goes with the next.
        std::size_t cut = bytes.size();
        if (!piece.last) {
            const std::size_t end = bytes.find_last_of('\n');
            cut = end == std::string::npos ? 0 : end + 1;
        }
        std::string rest = bytes.substr(cut);
        bytes.resize(cut);
        if (rest.size() > DatabaseImport::kMaxGameBytes)
            rest.clear();  // one line longer than any game may be: no game is in it
        if (!bytes.empty()) {
            if (!SplitFileLines(std::move(bytes), piece.lines, fileName_, piece.error)) {
                piece.failed = true;
                return false;
            }
            ScanFileLines(piece.scan, kind_, fileName_, piece.lines, INT_MAX);
            ReadGames(piece, carry);
        }
        carry += rest;
        return !piece.last;
    }

    // Every game of the piece but its last, which may go on in the next piece
    // (its bytes are carried over), unless the file ends here.
    void ReadGames(Piece& piece, std::string& carry)
    {
        const int count = piece.scan.KifuCount;
        const int whole = piece.last ? count : count - 1;
        piece.games.resize(static_cast<std::size_t>(std::max(whole, 0)));
        for (int g = 1; g <= whole; ++g)
            ReadOne(piece, g, piece.games[static_cast<std::size_t>(g - 1)]);
        if (piece.last || count == 0)
            return;  // text before any game belongs to none
        const std::string_view first = piece.lines.raw[piece.scan.GameFirstLine[count]];
        const std::size_t from = static_cast<std::size_t>(first.data() - piece.lines.bytes.data());
        if (piece.lines.bytes.size() - from > DatabaseImport::kMaxGameBytes) {
            piece.games.push_back({true, "ゲームが長すぎます (the game's text is over 64 MB)", {}, {}});
            return;
        }
        carry.assign(piece.lines.bytes, from, std::string::npos);
    }

    // The main line's positions: plain PGN moves by the quick reader, anything else by the readers.
    bool ReadLine(const KifuFile& scan, int g, ReadGame& read, std::vector<LinePosition>& line)
    {
        const KifuGame& kifu = scan.KifuList[g];
        if (kind_ == kKindPgn && kifu[kStartText].empty() && kifu[kAnnotatedText].empty() &&
            ReadPlainMoves(kifu[kMoveText], line)) {
            read.game.plies = static_cast<int>(line.size()) - 1;
            return true;
        }
        read.refused = !readers_.Read(scan, kind_, g, line, read.game.plies, read.reason);
        return !read.refused;
    }

    void ReadOne(Piece& piece, int g, ReadGame& read)
    {
        const KifuGame& kifu = piece.scan.KifuList[g];
        std::vector<LinePosition> line;
        if (!ReadLine(piece.scan, g, read, line))
            return;
        StoredGame& game = read.game;
        game.fingerprint = GameFingerprintOf(&kifu[1], kMoveText);
        for (int k = 1; k <= 7; ++k)
            game.field[k] = kifu[k];
        if (game.field[7].empty())
            game.field[7] = "*";
        game.facts.result = ResultCode(kifu[7]);
        ReadDate(kifu[3], game.facts);
        game.facts.whiteElo = EloOfText(FurtherTagOf(kifu, "WhiteElo"));
        game.facts.blackElo = EloOfText(FurtherTagOf(kifu, "BlackElo"));
        if (const OpeningName* name = book_.Classify(line)) {
            game.eco = name->code;
            game.opening = name->name;
        }
        game.kind = kind_ == kKindCsv ? "csv" : "pgn";
        const std::size_t begin = piece.scan.GameFirstLine[g];
        std::size_t end = static_cast<std::size_t>(g) < piece.scan.GameFirstLine.size() - 1
                              ? piece.scan.GameFirstLine[g + 1]
                              : piece.lines.text.size();
        while (end > begin && piece.lines.text[end - 1].find_first_not_of(" \t") == std::string_view::npos)
            --end;
        std::string& text = game.text;
        for (std::size_t i = begin; i < end; ++i)
            (text += piece.lines.text[i]) += '\n';
        read.positions = FirstOccurrences(line);
    }

    std::FILE* file_;
    std::string fileName_;
    KifuKind kind_;
    const OpeningBook& book_;
    ReadersLine readers_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Piece>> ready_;
    bool stop_ = false, finished_ = false;
    std::thread thread_;  // last: starts once everything above is made
};

}  // namespace

bool DatabaseImport::ImportFile(const std::string& fileName, KifuKind kind, std::string& error)
{
    std::error_code code;
    if (!std::filesystem::is_regular_file(fileName, code)) {
        error = (std::filesystem::exists(fileName, code) ? "ファイルではありません (not a file): "
                                                         : "ファイルがありません (no such file): ") + fileName;
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(fileName.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = "ファイルを読めません (cannot read the file): " + fileName + ": " + std::strerror(errno);
        return false;
    }
    fileName_ = fileName;
    fileGames_ = 0;
    PieceReader reader(file.get(), fileName, kind, book_);
    while (std::unique_ptr<Piece> piece = reader.Next()) {
        if (piece->failed) {
            error = piece->error;
            return false;
        }
        for (ReadGame& read : piece->games)
            if (!StoreGame(read, error))
                return false;
        if (onPieceStored)
            onPieceStored();
    }
    return true;
}

bool DatabaseImport::StoreGame(ReadGame& read, std::string& error)
{
    const long number = ++fileGames_;
    if (++gamesRead_ % 256 == 0 && onProgress)
        onProgress(gamesRead_);
    if (read.refused) {
        ++counts_.refused;
        if (onRefused)
            onRefused(fileName_, number, read.reason);
        return true;
    }
    if (database_.HasGame(read.game.fingerprint)) {
        ++counts_.skipped;
        return true;
    }
    read.game.source = database_.SourceId(fileName_, error);
    if (read.game.source == 0) {
        databaseFailed_ = true;
        return false;
    }
    read.game.number = static_cast<int>(number);
    if (database_.AddGame(read.game, read.positions, error) == 0) {
        databaseFailed_ = true;
        return false;
    }
    ++counts_.imported;
    return true;
}

}  // namespace vorlik
