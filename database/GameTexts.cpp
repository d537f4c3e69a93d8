#include "GameTexts.h"

#include "GameDatabase.h"

#include <sqlite3.h>
#include <zstd.h>

namespace vorlik {

std::size_t TextBlockWriter::blockBytes = 64u << 10;

namespace {

void PutWord(std::string& bytes, std::uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        bytes += static_cast<char>(value >> 8 * k & 0xFF);
}

std::uint32_t WordAt(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int k = 0; k < 4; ++k)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + k])) << 8 * k;
    return value;
}

// A block bigger than this is damaged: no import makes one (a game is at most 64 MB).
constexpr unsigned long long kMostBlockBytes = 1ULL << 30;

// Where each text of a block starts, and the end of the last; false when the
// block does not hold what its counts say.
bool ReadOffsets(const std::string& raw, std::vector<std::size_t>& offsets)
{
    offsets.clear();
    if (raw.size() < 4)
        return false;
    const std::size_t count = WordAt(raw, 0);
    if (count == 0 || count > (raw.size() - 4) / 4)
        return false;
    std::size_t at = 4 + 4 * count;
    offsets.reserve(count + 1);
    for (std::size_t k = 0; k < count; ++k) {
        offsets.push_back(at);
        at += WordAt(raw, 4 + 4 * k);
        if (at > raw.size())
            return false;
    }
    offsets.push_back(at);
    return at == raw.size();
}

}  // namespace

// ---- writing -------------------------------------------------------------------------

TextBlockWriter::TextBlockWriter() : context_(ZSTD_createCCtx()) {}

TextBlockWriter::~TextBlockWriter() { ZSTD_freeCCtx(static_cast<ZSTD_CCtx*>(context_)); }

bool TextBlockWriter::Add(sqlite3* db, std::int64_t id, const std::string& text, std::string& error)
{
    if (!lengths_.empty() && id != first_ + static_cast<std::int64_t>(lengths_.size()) && !Flush(db, error))
        return false;
    if (lengths_.empty())
        first_ = id;
    lengths_.push_back(static_cast<std::uint32_t>(text.size()));
    texts_ += text;
    return texts_.size() < blockBytes || Flush(db, error);
}

bool TextBlockWriter::Flush(sqlite3* db, std::string& error)
{
    if (lengths_.empty())
        return true;
    raw_.clear();
    PutWord(raw_, static_cast<std::uint32_t>(lengths_.size()));
    for (const std::uint32_t length : lengths_)
        PutWord(raw_, length);
    raw_ += texts_;
    packed_.resize(ZSTD_compressBound(raw_.size()));
    const std::size_t size = ZSTD_compressCCtx(static_cast<ZSTD_CCtx*>(context_), &packed_[0], packed_.size(),
                                               raw_.data(), raw_.size(), kLevel);
    if (!context_ || ZSTD_isError(size)) {
        error = std::string("ゲームの棋譜を圧縮できません (cannot compress the games' texts): ") +
                (context_ ? ZSTD_getErrorName(size) : "no memory");
        return false;
    }
    packed_.resize(size);
    Statement insert(db, "INSERT INTO texts(first, bytes) VALUES(?1, ?2)");
    insert.Bind(1, first_).BindBlob(2, packed_);
    if (insert.Step() || insert.error() != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    Clear();
    return true;
}

void TextBlockWriter::Clear()
{
    lengths_.clear();
    texts_.clear();
}

// ---- reading -------------------------------------------------------------------------

TextBlockReader::TextBlockReader() = default;

TextBlockReader::~TextBlockReader() { Clear(); }

void TextBlockReader::Clear()
{
    sqlite3_finalize(find_);
    find_ = nullptr;
    offsets_.clear();
    raw_.clear();
}

bool TextBlockReader::Read(sqlite3* db, std::int64_t id, std::string& text)
{
    const bool kept = !offsets_.empty() && id >= first_ && id - first_ < static_cast<std::int64_t>(offsets_.size() - 1);
    if (!kept && !Load(db, id))
        return false;
    const std::size_t index = static_cast<std::size_t>(id - first_);
    text.assign(raw_, offsets_[index], offsets_[index + 1] - offsets_[index]);
    return true;
}

bool TextBlockReader::Load(sqlite3* db, std::int64_t id)
{
    offsets_.clear();
    if (!find_ && sqlite3_prepare_v2(db, "SELECT first, bytes FROM texts WHERE first <= ?1 ORDER BY first DESC LIMIT 1",
                                     -1, &find_, nullptr) != SQLITE_OK)
        return false;
    sqlite3_reset(find_);
    sqlite3_bind_int64(find_, 1, id);
    if (sqlite3_step(find_) != SQLITE_ROW)
        return false;
    first_ = sqlite3_column_int64(find_, 0);
    const void* packed = sqlite3_column_blob(find_, 1);
    const std::size_t size = static_cast<std::size_t>(sqlite3_column_bytes(find_, 1));
    const unsigned long long bytes = packed ? ZSTD_getFrameContentSize(packed, size) : ZSTD_CONTENTSIZE_ERROR;
    bool whole = bytes <= kMostBlockBytes;
    if (whole) {
        raw_.resize(static_cast<std::size_t>(bytes));
        const std::size_t got = ZSTD_decompress(&raw_[0], raw_.size(), packed, size);
        whole = !ZSTD_isError(got) && got == raw_.size() && ReadOffsets(raw_, offsets_);
    }
    sqlite3_reset(find_);
    if (!whole)
        offsets_.clear();
    return whole && id - first_ < static_cast<std::int64_t>(offsets_.size() - 1);
}

bool ReadStoredGame(GameDatabase& database, std::int64_t id, std::string& kind, std::string& text)
{
    Statement statement(database.Handle(), "SELECT kind FROM games WHERE id = ?1");
    statement.Bind(1, id);
    if (!statement.Step())
        return false;
    kind = statement.Text(0);
    std::string error;
    if (!database.FlushTexts(error))  // a game of the import under way
        return false;
    return database.TextReader().Read(database.Handle(), id, text);
}

}  // namespace vorlik
