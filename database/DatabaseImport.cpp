#include "DatabaseImport.h"

#include "StoredLine.h"
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
#include <map>
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
    std::size_t sequence = 0;  // its place in the file
    FileLines lines;
    KifuFile scan;
    int whole = 0;             // the games of the scan that end in this piece
    std::vector<ReadGame> games;
    bool last = false;
    bool lastTooLong = false;  // its last game goes on past 64 MB: refused
    bool failed = false;       // the file cannot be read
    std::string error;
};

// Frees the piece's bytes and scan, which only its reading needs.
void Release(Piece& piece)
{
    std::string().swap(piece.lines.bytes);
    std::vector<std::string_view>().swap(piece.lines.raw);
    std::vector<std::string_view>().swap(piece.lines.text);
    std::deque<std::string>().swap(piece.lines.decoded);
    piece.scan = KifuFile();
}

// Cuts a file into pieces that end at a game's start (the bytes of a game
// that may go on are carried into the next piece) and scans them. One
// thread at a time: each piece's start depends on the scan of the one before.
class PieceCutter {
public:
    PieceCutter(std::FILE* file, const std::string& fileName, KifuKind kind)
        : file_(file), fileName_(fileName), kind_(kind)
    {
    }

    // False when the file ended with the piece before (or could not be read).
    bool Cut(Piece& piece)
    {
        if (done_)
            return false;
        piece.sequence = cut_++;
        done_ = !ReadPiece(piece);
        return true;
    }

private:
    // False when the file ends with this piece (or cannot be read).
    bool ReadPiece(Piece& piece)
    {
        std::string bytes = std::move(carry_);
        carry_.clear();
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
            CarryLastGame(piece);
        }
        carry_ += rest;
        return !piece.last;
    }

    // Every game of the piece but its last, which may go on in the next piece
    // (its bytes are carried over), unless the file ends here.
    void CarryLastGame(Piece& piece)
    {
        const int count = piece.scan.KifuCount;
        piece.whole = std::max(piece.last ? count : count - 1, 0);
        if (piece.last || count == 0)
            return;  // text before any game belongs to none
        const std::string_view first = piece.lines.raw[piece.scan.GameFirstLine[count]];
        const std::size_t from = static_cast<std::size_t>(first.data() - piece.lines.bytes.data());
        if (piece.lines.bytes.size() - from > DatabaseImport::kMaxGameBytes)
            piece.lastTooLong = true;
        else
            carry_.assign(piece.lines.bytes, from, std::string::npos);
    }

    std::FILE* file_;
    std::string fileName_;
    KifuKind kind_;
    std::string carry_;
    std::size_t cut_ = 0;
    bool done_ = false;
};

// Reads the games of a scanned piece; one for each thread that reads.
class PieceGames {
public:
    PieceGames(KifuKind kind, const OpeningBook& book) : kind_(kind), book_(book) {}

    void Read(Piece& piece)
    {
        piece.games.resize(static_cast<std::size_t>(piece.whole));
        for (int g = 1; g <= piece.whole; ++g)
            ReadOne(piece, g, piece.games[static_cast<std::size_t>(g - 1)]);
        if (piece.lastTooLong)
            piece.games.push_back({true, "ゲームが長すぎます (the game's text is over 64 MB)", {}, {}});
    }

private:
    // The main line's positions: plain PGN moves by the quick reader, anything else by the readers.
    bool ReadLine(const KifuFile& scan, int g, ReadGame& read, std::vector<LinePosition>& line)
    {
        read.refused = !ReadMainLine(readers_, scan, kind_, g, line, read.game.plies, read.reason);
        return !read.refused;
    }

    void ReadOne(Piece& piece, int g, ReadGame& read)
    {
        const KifuGame& kifu = piece.scan.KifuList[g];
        line_.clear();
        if (!ReadLine(piece.scan, g, read, line_))
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
        if (const OpeningName* name = book_.Classify(line_)) {
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
        std::size_t bytes = 0;
        for (std::size_t i = begin; i < end; ++i)
            bytes += piece.lines.text[i].size() + 1;
        text.reserve(bytes);
        for (std::size_t i = begin; i < end; ++i)
            (text += piece.lines.text[i]) += '\n';
        read.positions = FirstOccurrences(line_);
    }

    KifuKind kind_;
    const OpeningBook& book_;
    ReadersLine readers_;
    std::vector<LinePosition> line_;  // kept: its room is made once
};

// Reads the pieces of a file and their games on two threads, a few pieces
// ahead of the thread that stores them, and hands them over in file order.
// The pieces' scans are freed on those threads and the pieces stored are
// given back to them to free, so the storing thread only stores.
class PieceReader {
public:
    PieceReader(std::FILE* file, const std::string& fileName, KifuKind kind, const OpeningBook& book)
        : cutter_(file, fileName, kind)
    {
        for (int k = 0; k < kThreads; ++k)
            threads_.emplace_back([this, kind, &book] { Run(kind, book); });
    }
    ~PieceReader()
    {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

    // The next piece in file order; null after the last.
    std::unique_ptr<Piece> Next()
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [this] { return ready_.count(handed_) || (running_ == 0 && handed_ == cut_); });
        const auto found = ready_.find(handed_);
        if (found == ready_.end())
            return nullptr;
        std::unique_ptr<Piece> piece = std::move(found->second);
        ready_.erase(found);
        ++handed_;
        changed_.notify_all();
        return piece;
    }

    // A piece whose games are stored: freed by a reading thread.
    void Done(std::unique_ptr<Piece> piece)
    {
        std::lock_guard<std::mutex> guard(lock_);
        spent_.push_back(std::move(piece));
    }

    static constexpr int kThreads = 2;

private:
    void Run(KifuKind kind, const OpeningBook& book)
    {
        PieceGames games(kind, book);
        for (;;) {
            auto piece = std::make_unique<Piece>();
            {
                std::lock_guard<std::mutex> guard(cutting_);
                if (!cutter_.Cut(*piece))
                    break;
            }
            {
                std::lock_guard<std::mutex> guard(lock_);
                cut_ = std::max(cut_, piece->sequence + 1);
            }
            if (!piece->failed)
                games.Read(*piece);
            Release(*piece);
            if (!HandOver(std::move(piece)))
                break;
        }
        std::lock_guard<std::mutex> guard(lock_);
        --running_;
        changed_.notify_all();
    }

    // False when the import stops.
    bool HandOver(std::unique_ptr<Piece> piece)
    {
        std::vector<std::unique_ptr<Piece>> spent;
        {
            std::unique_lock<std::mutex> guard(lock_);
            // The piece to hand over next is always let in, so the window never closes on it.
            changed_.wait(guard, [&] { return piece->sequence < handed_ + kAhead || stop_; });
            if (stop_)
                return false;
            ready_[piece->sequence] = std::move(piece);
            spent.swap(spent_);
        }
        changed_.notify_all();
        return true;  // spent pieces are freed here, outside the lock
    }

    static constexpr std::size_t kAhead = 3;

    PieceCutter cutter_;
    std::mutex cutting_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::map<std::size_t, std::unique_ptr<Piece>> ready_;
    std::vector<std::unique_ptr<Piece>> spent_;
    std::size_t cut_ = 0, handed_ = 0;
    int running_ = kThreads;
    bool stop_ = false;
    std::vector<std::thread> threads_;  // last: they start once everything above is made
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
        reader.Done(std::move(piece));
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
