#include "DatabaseImport.h"

#include "records/KifuFormat.h"
#include "records/KifuStore.h"
#include "records/ModuleMekFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace vorlik {

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

struct DatabaseImport::Piece {
    FileLines lines;
    KifuFile scan;
    std::unique_ptr<GameState> record;  // each game is read into it in turn
};

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
    kind_ = kind;
    fileGames_ = 0;
    Piece piece;
    piece.record = std::make_unique<GameState>();
    std::string carry;
    for (;;) {
        std::string bytes = std::move(carry);
        carry.clear();
        const std::size_t old = bytes.size();
        bytes.resize(old + kPieceBytes);
        const std::size_t read = std::fread(&bytes[old], 1, kPieceBytes, file.get());
        bytes.resize(old + read);
        if (std::ferror(file.get())) {
            error = "ファイルを読めません (cannot read the file): " + fileName;
            return false;
        }
        const bool last = read < kPieceBytes;
        // A piece ends at a line end; the rest of its last line goes with the next.
        std::size_t cut = bytes.size();
        if (!last) {
            const std::size_t end = bytes.find_last_of('\n');
            cut = end == std::string::npos ? 0 : end + 1;
        }
        std::string rest = bytes.substr(cut);
        bytes.resize(cut);
        if (rest.size() > kMaxGameBytes) {
            rest.clear();  // one line longer than any game may be: no game is in it
        }
        if (!bytes.empty()) {
            if (!SplitFileLines(std::move(bytes), piece.lines, fileName, error))
                return false;
            ScanFileLines(piece.scan, kind, fileName, piece.lines, INT_MAX);
            if (!ImportPiece(piece, last, carry, error))
                return false;
        }
        carry += rest;
        if (last)
            return true;
    }
}

// Every game of the piece but its last, which may go on in the next piece
// (its bytes are carried over), unless the file ends here.
bool DatabaseImport::ImportPiece(Piece& piece, bool last, std::string& carry, std::string& error)
{
    const int count = piece.scan.KifuCount;
    const int whole = last ? count : count - 1;
    for (int g = 1; g <= whole; ++g)
        if (!ImportGame(piece, g, error))
            return false;
    if (last || count == 0)
        return true;  // text before any game belongs to none
    const std::string_view first = piece.lines.raw[piece.scan.GameFirstLine[count]];
    const std::size_t from = static_cast<std::size_t>(first.data() - piece.lines.bytes.data());
    if (piece.lines.bytes.size() - from > kMaxGameBytes) {
        ++fileGames_;
        ++counts_.refused;
        if (onRefused)
            onRefused(fileName_, fileGames_, "ゲームが長すぎます (the game's text is over 64 MB)");
        return true;
    }
    carry.assign(piece.lines.bytes, from, std::string::npos);
    return true;
}

bool DatabaseImport::ImportGame(Piece& piece, int g, std::string& error)
{
    const long number = ++fileGames_;
    if (++gamesRead_ % 256 == 0 && onProgress)
        onProgress(gamesRead_);
    const KifuGame& kifu = piece.scan.KifuList[g];
    const LoadReport report = LoadKifuGame(*piece.record, piece.scan, kind_, g);
    if (Refused(report)) {
        ++counts_.refused;
        if (onRefused)
            onRefused(fileName_, number, OneLine(report.Message()));
        return true;
    }
    StoredGame game;
    game.fingerprint = GameFingerprintOf(&kifu[1], kMoveText);
    if (database_.HasGame(game.fingerprint)) {
        ++counts_.skipped;
        return true;
    }
    for (int k = 1; k <= 7; ++k)
        game.field[k] = kifu[k];
    if (game.field[7].empty())
        game.field[7] = "*";
    game.facts.result = ResultCode(kifu[7]);
    ReadDate(kifu[3], game.facts);
    game.facts.whiteElo = EloOfText(FurtherTagOf(kifu, "WhiteElo"));
    game.facts.blackElo = EloOfText(FurtherTagOf(kifu, "BlackElo"));
    const GameState& record = *piece.record;
    const std::vector<LinePosition> line = MainLinePositions(record);
    if (const OpeningName* name = book_.Classify(line)) {
        game.eco = name->code;
        game.opening = name->name;
    }
    game.plies = PliesPlayed(record);
    game.kind = kind_ == kKindCsv ? "csv" : "pgn";
    const std::size_t begin = piece.scan.GameFirstLine[g];
    std::size_t end = static_cast<std::size_t>(g) < piece.scan.GameFirstLine.size() - 1
                          ? piece.scan.GameFirstLine[g + 1]
                          : piece.lines.text.size();
    while (end > begin && piece.lines.text[end - 1].find_first_not_of(" \t") == std::string_view::npos)
        --end;
    for (std::size_t i = begin; i < end; ++i)
        (game.text += piece.lines.text[i]) += '\n';
    game.source = fileName_;
    game.number = static_cast<int>(number);
    if (database_.AddGame(game, FirstOccurrences(line), error) == 0) {
        databaseFailed_ = true;
        return false;
    }
    ++counts_.imported;
    return true;
}

}  // namespace vorlik
