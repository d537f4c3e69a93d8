#include "GameTexts.h"

#include "GameDatabase.h"

#include <sqlite3.h>
#include <zstd.h>

#include <system_error>

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

TextBlockWriter::~TextBlockWriter()
{
    Clear();
    ZSTD_freeCCtx(static_cast<ZSTD_CCtx*>(context_));
}

bool TextBlockWriter::Add(sqlite3* db, std::int64_t id, const std::string& text, std::string& error)
{
    if (!lengths_.empty() && id != first_ + static_cast<std::int64_t>(lengths_.size()) && !Hand(db, error))
        return false;
    if (lengths_.empty())
        first_ = id;
    lengths_.push_back(static_cast<std::uint32_t>(text.size()));
    texts_ += text;
    return texts_.size() < blockBytes || Hand(db, error);
}

bool TextBlockWriter::Flush(sqlite3* db, std::string& error) { return Hand(db, error) && Write(db, error); }

bool TextBlockWriter::Hand(sqlite3* db, std::string& error)
{
    if (lengths_.empty())
        return true;
    if (!Write(db, error))  // one block at a time on the other thread
        return false;
    packing_.first = first_;
    packing_.header.clear();
    PutWord(packing_.header, static_cast<std::uint32_t>(lengths_.size()));
    for (const std::uint32_t length : lengths_)
        PutWord(packing_.header, length);
    packing_.texts.swap(texts_);
    texts_.clear();
    lengths_.clear();
    busy_ = true;
    try {
        packed_ = std::async(std::launch::async, [this] { Pack(); });
    } catch (const std::system_error&) {
        Pack();  // no thread to be had: here, then
        packed_ = std::future<void>();
    }
    return true;
}

void TextBlockWriter::Pack()
{
    ZSTD_CCtx* context = static_cast<ZSTD_CCtx*>(context_);
    Packing& block = packing_;
    block.error.clear();
    const std::size_t total = block.header.size() + block.texts.size();
    block.packed.resize(ZSTD_compressBound(total));
    ZSTD_outBuffer out{&block.packed[0], block.packed.size(), 0};
    ZSTD_inBuffer header{block.header.data(), block.header.size(), 0};
    ZSTD_inBuffer texts{block.texts.data(), block.texts.size(), 0};
    // The header and the texts as one frame that names its size, without copying them together.
    std::size_t rest = context ? ZSTD_CCtx_reset(context, ZSTD_reset_session_only) : 0;
    if (context && !ZSTD_isError(rest))
        rest = ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, kLevel);
    if (context && !ZSTD_isError(rest))
        rest = ZSTD_CCtx_setPledgedSrcSize(context, total);
    while (context && !ZSTD_isError(rest) && header.pos < header.size)
        rest = ZSTD_compressStream2(context, &out, &header, ZSTD_e_continue);
    do
        rest = context && !ZSTD_isError(rest) ? ZSTD_compressStream2(context, &out, &texts, ZSTD_e_end) : rest;
    while (context && !ZSTD_isError(rest) && rest != 0);
    if (!context || ZSTD_isError(rest)) {
        block.error = std::string("ゲームの棋譜を圧縮できません (cannot compress the games' texts): ") +
                      (context ? ZSTD_getErrorName(rest) : "no memory");
        return;
    }
    block.packed.resize(out.pos);
}

bool TextBlockWriter::Write(sqlite3* db, std::string& error)
{
    if (!busy_)
        return true;
    if (packed_.valid())
        packed_.get();
    busy_ = false;
    if (!packing_.error.empty()) {
        error = packing_.error;
        return false;
    }
    Statement insert(db, "INSERT INTO texts(first, bytes) VALUES(?1, ?2)");
    insert.Bind(1, packing_.first).BindBlob(2, packing_.packed);
    if (insert.Step() || insert.error() != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    return true;
}

bool TextBlockWriter::Unwritten(std::int64_t id, std::string& text) const
{
    if (!lengths_.empty() && id >= first_ && id - first_ < static_cast<std::int64_t>(lengths_.size())) {
        std::size_t at = 0;
        for (std::int64_t k = first_; k < id; ++k)
            at += lengths_[static_cast<std::size_t>(k - first_)];
        text.assign(texts_, at, lengths_[static_cast<std::size_t>(id - first_)]);
        return true;
    }
    // The block on the other thread: only read there, so it may be read here too.
    const std::string& header = packing_.header;
    if (!busy_ || id < packing_.first || id - packing_.first >= static_cast<std::int64_t>(WordAt(header, 0)))
        return false;
    std::size_t at = 0;
    for (std::int64_t k = 0; k < id - packing_.first; ++k)
        at += WordAt(header, 4 + 4 * static_cast<std::size_t>(k));
    text.assign(packing_.texts, at, WordAt(header, 4 + 4 * static_cast<std::size_t>(id - packing_.first)));
    return true;
}

void TextBlockWriter::Clear()
{
    if (packed_.valid())
        packed_.wait();
    busy_ = false;
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
    // A game of the import under way may wait for its block to fill.
    return database.UnwrittenText(id, text) || database.TextReader().Read(database.Handle(), id, text);
}

}  // namespace vorlik
