#include "PolyglotBook.h"

#include "core/ModuleMekMoveCheck.h"
#include "records/KifuStore.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlik {

namespace {

std::uint64_t ReadBigEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int k = 0; k < count; ++k)
        value = value << 8 | bytes[k];
    return value;
}

void WriteBigEndian(std::string& out, std::uint64_t value, int count)
{
    for (int k = count - 1; k >= 0; --k)
        out += static_cast<char>((value >> (8 * k)) & 0xff);
}

std::string CannotRead(const std::string& fileName, const std::string& why)
{
    return "定跡ファイルを読めません (cannot read the book): " + fileName + ": " + why;
}

// A king on its home square moving two files, or onto its own rook's corner:
// the two ways of writing castling.
bool KingHome(const Board& board, int file, int rank)
{
    return file == 5 && ((rank == 1 && board[5][1] == 'K') || (rank == 8 && board[5][8] == 'k'));
}

// Maps the file whole when its length can be a book's; null with why not.
const unsigned char* MapBook(const std::string& fileName, std::size_t& size, std::string& why)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = fd < 0 ? std::strerror(errno) : "ファイルではありません (not a file)";
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    size = static_cast<std::size_t>(info.st_size);
    void* mapped = MAP_FAILED;
    if (size == 0)
        why = "空です (the file is empty)";
    else if (size % PolyglotBook::kEntryBytes != 0)
        why = "途中で切れているか、定跡ファイルではありません (cut short, or no Polyglot book)";
    else if ((mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)) == MAP_FAILED)
        why = std::strerror(errno);
    ::close(fd);
    if (mapped != MAP_FAILED)
        return static_cast<const unsigned char*>(mapped);
    size = 0;
    return nullptr;
}

}  // namespace

PolyglotBook::~PolyglotBook() { Close(); }

bool PolyglotBook::Open(const std::string& fileName, std::string& error)
{
    Close();
    std::string why;
    data_ = MapBook(fileName, size_, why);
    if (!data_) {
        error = CannotRead(fileName, why);
        return false;
    }
    fileName_ = fileName;
    if (SortedByKey())
        return true;
    Close();
    error = CannotRead(fileName, "並びが定跡ファイルのものではありません (not sorted as a Polyglot book is)");
    return false;
}

bool PolyglotBook::SortedByKey() const
{
    // A book is; another file of a book's length hardly ever is.
    for (std::size_t k = 1; k < Size(); ++k)
        if (ReadBigEndian(data_ + k * kEntryBytes, 8) < ReadBigEndian(data_ + (k - 1) * kEntryBytes, 8))
            return false;
    return true;
}

void PolyglotBook::Close()
{
    if (data_)
        ::munmap(const_cast<unsigned char*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
    fileName_.clear();
}

BookEntry PolyglotBook::EntryAt(std::size_t index) const
{
    const unsigned char* bytes = data_ + index * kEntryBytes;
    BookEntry entry;
    entry.key = ReadBigEndian(bytes, 8);
    entry.move = static_cast<std::uint16_t>(ReadBigEndian(bytes + 8, 2));
    entry.weight = static_cast<std::uint16_t>(ReadBigEndian(bytes + 10, 2));
    entry.learn = static_cast<std::uint32_t>(ReadBigEndian(bytes + 12, 4));
    return entry;
}

std::vector<BookEntry> PolyglotBook::Entries(std::uint64_t key) const
{
    std::vector<BookEntry> entries;
    std::size_t low = 0, high = Size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (EntryAt(middle).key < key)
            low = middle + 1;
        else
            high = middle;
    }
    for (std::size_t k = low; k < Size() && EntryAt(k).key == key; ++k)
        entries.push_back(EntryAt(k));
    return entries;
}

BookPosition PositionOf(const GameState& game, int ply)
{
    BookPosition position;
    ply = std::clamp(ply, 0, game.LastPly);
    if (ply == 0 && StartsWithBlack(game))
        ply = 1;  // plies 0 and 1 both hold the start; Black's first move is ply 2
    position.board = game.KifuBoard[ply];
    position.key = PositionKey(game, ply);
    position.ply = ply;
    position.prevPostal = PreviousPostal(game, ply + 1);
    const BoardHistory history = RecordHistory(game, ply + 1);
    for (int right = 0; right < 4; ++right)
        if (CastlingRightHeld(history, right < 2, right % 2 == 0))
            position.castling |= 1 << right;
    return position;
}

std::vector<BookMove> PolyglotBook::Moves(const BookPosition& position) const
{
    std::vector<BookMove> moves;
    if (!IsOpen() || position.ply + 1 > kMaxPly)
        return moves;
    // The rights already say what the moves before did to king and rook.
    const MoveContext context{BoardHistory{&position.board, 1, position.castling}, nullptr};
    for (const BookEntry& entry : Entries(position.key)) {
        BookMove move;
        move.coord = BookMoveText(entry.move, position.board);
        if (move.coord.empty() ||
            std::any_of(moves.begin(), moves.end(), [&move](const BookMove& m) { return m.coord == move.coord; }))
            continue;
        Board after = position.board;
        move.shortText = move.longText = move.coord;
        if (!CheckMove(after, position.ply + 1, move.coord, move.postal, move.shortText, move.longText,
                       position.prevPostal, context))
            continue;  // a move of another position with the same key, or a broken entry
        move.weight = entry.weight;
        move.learn = entry.learn;
        moves.push_back(std::move(move));
    }
    std::stable_sort(moves.begin(), moves.end(), [](const BookMove& a, const BookMove& b) { return a.weight > b.weight; });
    return moves;
}

std::string BookMoveText(std::uint16_t move, const Board& board)
{
    const int promotion = move >> 12;
    if ((move & 0xfff) == 0 || promotion > 4)
        return std::string();
    std::string coord = DecodeMove(move);
    const int fromFile = coord[0] - 'a' + 1, fromRank = coord[1] - '0';
    const int toFile = coord[2] - 'a' + 1, toRank = coord[3] - '0';
    if (KingHome(board, fromFile, fromRank) && toRank == fromRank && (toFile == 8 || toFile == 1))
        coord[2] = toFile == 8 ? 'g' : 'c';
    return coord;
}

std::uint16_t BookMoveCode(const std::string& coord, const Board& board)
{
    std::string text = coord;
    if (text.size() >= 4 && IsFileLetter(text[0]) && IsRankDigit(text[1]) &&
        KingHome(board, text[0] - 'a' + 1, text[1] - '0') && text[3] == text[1] && (text[2] == 'g' || text[2] == 'c'))
        text[2] = text[2] == 'g' ? 'h' : 'a';
    return static_cast<std::uint16_t>(EncodeMove(text));
}

std::uint64_t PositionKey(const GameState& game, int ply)
{
    const std::vector<LinePosition> line = MainLinePositions(game);
    const int first = StartsWithBlack(game) ? 1 : 0;
    const int index = std::clamp(ply - first, 0, static_cast<int>(line.size()) - 1);
    return line[static_cast<std::size_t>(index)].key;
}

void SortBookEntries(std::vector<BookEntry>& entries)
{
    std::sort(entries.begin(), entries.end(), [](const BookEntry& a, const BookEntry& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return a.weight != b.weight ? a.weight > b.weight : a.move < b.move;
    });
}

bool WriteBook(const std::string& fileName, std::vector<BookEntry> entries, std::string& error)
{
    SortBookEntries(entries);
    std::string bytes;
    bytes.reserve(entries.size() * PolyglotBook::kEntryBytes);
    for (const BookEntry& entry : entries) {
        WriteBigEndian(bytes, entry.key, 8);
        WriteBigEndian(bytes, entry.move, 2);
        WriteBigEndian(bytes, entry.weight, 2);
        WriteBigEndian(bytes, entry.learn, 4);
    }
    return WriteFileAtomically(fileName, bytes, error);
}

std::uint16_t ScaledWeight(long weight, long largest)
{
    constexpr long kMost = 0xffff;
    if (weight <= 0)
        return 0;
    if (largest <= kMost)
        return static_cast<std::uint16_t>(weight);
    const long scaled = static_cast<long>(static_cast<long double>(weight) * kMost / largest);
    return static_cast<std::uint16_t>(std::clamp(scaled, 1L, kMost));
}

}  // namespace vorlik
