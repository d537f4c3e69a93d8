#include "PositionIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <future>

namespace vorlik {

namespace {

constexpr std::uint64_t kRestMask = (std::uint64_t{1} << kBucketShift) - 1;

std::int64_t BucketOf(std::uint64_t key) { return static_cast<std::int64_t>(key >> kBucketShift); }
std::uint64_t RestOf(std::uint64_t key) { return key & kRestMask; }

void PutVarint(std::string& bytes, std::uint64_t value)
{
    while (value >= 0x80) {
        bytes += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    bytes += static_cast<char>(value);
}

// Reads bytes as varints; a row cut short reads as ended.
class Reader {
public:
    Reader(const void* data, int size) : at_(static_cast<const unsigned char*>(data)), end_(at_ + size) {}
    bool More() const { return at_ < end_; }
    std::uint64_t Left() const { return static_cast<std::uint64_t>(end_ - at_); }
    const unsigned char* At() const { return at_; }
    bool Next(std::uint64_t& value)
    {
        if (at_ < end_ && *at_ < 0x80) {  // most numbers take one byte
            value = *at_++;
            return true;
        }
        value = 0;
        for (int shift = 0; at_ < end_ && shift < 64; shift += 7) {
            const unsigned char byte = *at_++;
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }

private:
    const unsigned char* at_;
    const unsigned char* end_;
};

struct Group {
    std::uint64_t rest = 0;
    std::vector<Posting> postings;
    bool whole = false;  // kept whole in the file already
    bool own = false;    // in a row of its own
};

// A position one game reached, known by the tag of its key.
struct Single {
    std::uint32_t tag = 0;
    std::uint32_t game = 0;
};

struct SharedRow {
    std::vector<Group> whole;     // by rest
    std::vector<Single> singles;  // by tag, then game
};

std::uint32_t TagOf(std::uint64_t rest) { return static_cast<std::uint32_t>(rest >> kTagShift); }

void PutPosting(std::string& bytes, const Posting& posting, std::uint32_t& last)
{
    PutVarint(bytes, posting.game - last);
    PutVarint(bytes, posting.ply);
    PutVarint(bytes, posting.move);
    last = posting.game;
}

const Posting& PostingOf(const Posting& posting) { return posting; }
const Posting& PostingOf(const IndexStaging::Entry& entry) { return entry.posting; }

// A run of one position's games, from a group's postings or straight from
// the sorted staged entries: their number, then each game.
template <typename Iterator>
void PutRun(std::string& bytes, Iterator from, Iterator to)
{
    PutVarint(bytes, static_cast<std::uint64_t>(to - from));
    std::uint32_t last = 0;
    for (Iterator at = from; at != to; ++at)
        PutPosting(bytes, PostingOf(*at), last);
}

void SortSingles(std::vector<Single>& singles)
{
    std::sort(singles.begin(), singles.end(),
              [](const Single& a, const Single& b) { return a.tag != b.tag ? a.tag < b.tag : a.game < b.game; });
}

int BitsFor(std::uint32_t value)
{
    int bits = 0;
    while (value >> bits)
        ++bits;
    return bits;
}

// The singles: their number, the widths in bits of a tag's difference and of
// a game's id, then each as those two fields packed, low bits first: about
// four bytes where varints take five, and most of the index is singles.
void PutSingles(std::string& bytes, const std::vector<Single>& singles)
{
    if (singles.empty())
        return;
    std::uint32_t widestDelta = 0, widestGame = 0, lastTag = 0;
    for (const Single& single : singles) {
        widestDelta = std::max(widestDelta, single.tag - lastTag);
        widestGame = std::max(widestGame, single.game);
        lastTag = single.tag;
    }
    const int tagBits = BitsFor(widestDelta), gameBits = BitsFor(widestGame);
    PutVarint(bytes, singles.size());
    PutVarint(bytes, static_cast<std::uint64_t>(tagBits));
    PutVarint(bytes, static_cast<std::uint64_t>(gameBits));
    std::uint64_t pending = 0;
    int held = 0;
    const auto put = [&](std::uint64_t value, int bits) {
        pending |= value << held;
        held += bits;
        for (; held >= 8; held -= 8, pending >>= 8)
            bytes += static_cast<char>(pending & 0xFF);
    };
    lastTag = 0;
    for (const Single& single : singles) {
        put(single.tag - lastTag, tagBits);
        put(single.game, gameBits);
        lastTag = single.tag;
    }
    if (held > 0)
        bytes += static_cast<char>(pending & 0xFF);
}

bool ReadSingles(Reader& reader, std::vector<Single>& singles)
{
    std::uint64_t count = 0, tagBits = 0, gameBits = 0;
    if (!reader.Next(count) || !reader.Next(tagBits) || !reader.Next(gameBits) || tagBits > 16 || gameBits > 32 ||
        count * (tagBits + gameBits) > reader.Left() * 8)
        return false;
    const unsigned char* at = reader.At();
    std::uint64_t pending = 0, bit = 0;
    int held = 0;
    const auto get = [&](std::uint64_t bits) {
        while (held < static_cast<int>(bits)) {
            pending |= static_cast<std::uint64_t>(at[bit / 8]) << held;
            bit += 8;
            held += 8;
        }
        const std::uint64_t value = pending & ((std::uint64_t{1} << bits) - 1);
        pending >>= bits;
        held -= static_cast<int>(bits);
        return value;
    };
    std::uint64_t tag = 0;
    singles.reserve(singles.size() + count);
    for (std::uint64_t k = 0; k < count; ++k) {
        tag += get(tagBits);
        const std::uint64_t game = get(gameBits);
        if (tag > 0xFFFF)
            return false;
        singles.push_back({static_cast<std::uint32_t>(tag), static_cast<std::uint32_t>(game)});
    }
    return bit / 8 == reader.Left();  // the row ends with them
}

bool ReadPostingList(Reader& reader, std::uint64_t count, std::vector<Posting>& postings)
{
    if (count > reader.Left())
        return false;  // every posting takes three bytes at least
    const std::size_t first = postings.size();
    postings.resize(first + count);  // written in place: a common position has a million
    Posting* out = postings.data() + first;
    std::uint64_t game = 0, delta = 0, ply = 0, move = 0;
    for (std::uint64_t k = 0; k < count; ++k) {
        if (!reader.Next(delta) || !reader.Next(ply) || !reader.Next(move)) {
            postings.resize(first + k);
            return false;
        }
        game += delta;
        out[k] = {static_cast<std::uint32_t>(game), static_cast<std::uint16_t>(ply), static_cast<std::uint16_t>(move)};
    }
    return true;
}

std::string EncodeShared(const SharedRow& row)
{
    std::string bytes;
    PutVarint(bytes, row.whole.size());
    std::uint64_t last = 0;
    for (const Group& group : row.whole) {
        PutVarint(bytes, group.rest - last);
        PutRun(bytes, group.postings.begin(), group.postings.end());
        last = group.rest;
    }
    PutSingles(bytes, row.singles);
    return bytes;
}

bool DecodeShared(const void* data, int size, SharedRow& row)
{
    Reader reader(data, size);
    std::uint64_t count = 0, rest = 0, delta = 0, games = 0;
    if (!reader.Next(count) || count > reader.Left())
        return false;
    row.whole.reserve(row.whole.size() + count);
    for (std::uint64_t k = 0; k < count; ++k) {
        if (!reader.Next(delta) || !reader.Next(games))
            return false;
        rest += delta;
        row.whole.push_back({rest, {}, true, false});
        if (!ReadPostingList(reader, games, row.whole.back().postings))
            return false;
    }
    return !reader.More() || ReadSingles(reader, row.singles);
}

// An own row: its count, then its postings.
std::string EncodeOwn(const std::vector<Posting>& postings)
{
    std::string bytes;
    PutRun(bytes, postings.begin(), postings.end());
    return bytes;
}

bool DecodeOwn(const void* data, int size, std::vector<Posting>& postings)
{
    Reader reader(data, size);
    std::uint64_t count = 0;
    return reader.Next(count) && ReadPostingList(reader, count, postings);
}

std::string Damaged() { return "索引が壊れています (the index of positions is damaged)"; }

// The singles under the key's tag that its games really reach, asked one by one.
bool AskSingles(const std::vector<Single>& singles, std::uint64_t key, const GameReaches& reaches,
                std::vector<Posting>& postings, std::string& error)
{
    const auto [from, to] = std::equal_range(singles.begin(), singles.end(), Single{TagOf(RestOf(key)), 0},
                                             [](const Single& a, const Single& b) { return a.tag < b.tag; });
    for (auto single = from; single != to; ++single) {
        if (single != from && single->game == (single - 1)->game)
            continue;  // two positions of one game under one tag: each is asked for once
        Posting posting{single->game, 0, 0};
        bool reached = false;
        if (!reaches(single->game, key, posting, reached, error))
            return false;
        if (reached)
            postings.push_back(posting);
    }
    return true;
}

}  // namespace

bool ReadPostings(sqlite3* db, std::uint64_t key, const GameReaches& reaches, std::vector<Posting>& postings,
                  std::string& error)
{
    postings.clear();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT key, entries FROM positions WHERE bucket = ?1 AND key IN (0, ?2) ORDER BY key DESC",
                           -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    sqlite3_bind_int64(statement, 1, BucketOf(key));
    sqlite3_bind_int64(statement, 2, static_cast<std::int64_t>(RestOf(key) + 1));
    bool ok = true;
    SharedRow row;
    int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {  // its own row comes first; with one, the shared row has nothing of it
        const void* data = sqlite3_column_blob(statement, 1);
        const int size = sqlite3_column_bytes(statement, 1);
        if (sqlite3_column_int64(statement, 0) != 0)
            ok = DecodeOwn(data, size, postings);
        else
            ok = DecodeShared(data, size, row);
        rc = SQLITE_DONE;
    }
    if (rc != SQLITE_DONE)
        error = sqlite3_errmsg(db);
    else if (!ok)
        error = Damaged();
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE || !ok)
        return false;
    const auto found = std::lower_bound(row.whole.begin(), row.whole.end(), RestOf(key),
                                        [](const Group& g, std::uint64_t rest) { return g.rest < rest; });
    if (found != row.whole.end() && found->rest == RestOf(key)) {
        postings.assign(found->postings.begin(), found->postings.end());  // keeps the caller's room
        return true;
    }
    return AskSingles(row.singles, key, reaches, postings, error);
}

// ---- staging ---------------------------------------------------------------------

IndexStaging::IndexStaging() = default;

IndexStaging::~IndexStaging() { Clear(); }

void IndexStaging::Clear()
{
    for (int slice = 0; slice < kParts; ++slice) {
        if (parts_[slice])
            std::fclose(parts_[slice]);
        parts_[slice] = nullptr;
        waiting_[slice].clear();
    }
    std::vector<Entry>().swap(unsorted_);
    staged_ = 0;
}

bool IndexStaging::Add(std::uint64_t key, const Posting& posting)
{
    const int slice = static_cast<int>(key >> (64 - 6));
    waiting_[slice].push_back({key, posting});
    ++staged_;
    return waiting_[slice].size() < 4096 || Write(slice);
}

bool IndexStaging::Write(int slice)
{
    std::vector<Entry>& waiting = waiting_[slice];
    if (waiting.empty())
        return true;
    if (!parts_[slice] && !(parts_[slice] = std::tmpfile()))
        return false;
    const bool written = std::fwrite(waiting.data(), sizeof(Entry), waiting.size(), parts_[slice]) == waiting.size();
    waiting.clear();
    return written;
}

namespace {
bool IndexEmpty(sqlite3* db);
}

bool IndexStaging::LoadPart(int k, std::vector<Entry>& entries)
{
    entries.clear();
    std::FILE*& slice = parts_[k];
    if (!slice)
        return true;
    unsorted_.resize(static_cast<std::size_t>(std::ftell(slice)) / sizeof(Entry));
    std::rewind(slice);
    const bool read = std::fread(unsorted_.data(), sizeof(Entry), unsorted_.size(), slice) == unsorted_.size();
    std::fclose(slice);
    slice = nullptr;
    // Spread by bucket, keeping the order of games (they were staged in it),
    // then each bucket's few entries by key: far quicker than one sort of all.
    constexpr int kBucketsInSlice = 1 << (64 - kBucketShift - 6);
    std::vector<std::size_t> start(kBucketsInSlice + 1, 0);
    const auto inSlice = [](const Entry& entry) {
        return static_cast<std::size_t>(BucketOf(entry.key)) & (kBucketsInSlice - 1);
    };
    for (const Entry& entry : unsorted_)
        ++start[inSlice(entry) + 1];
    for (int b = 0; b < kBucketsInSlice; ++b)
        start[b + 1] += start[b];
    entries.resize(unsorted_.size());
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (const Entry& entry : unsorted_)
        entries[next[inSlice(entry)]++] = entry;
    for (int b = 0; b < kBucketsInSlice; ++b)
        std::sort(entries.begin() + static_cast<long>(start[b]), entries.begin() + static_cast<long>(start[b + 1]),
                  [](const Entry& x, const Entry& y) {
                      return x.key != y.key ? x.key < y.key : x.posting.game < y.posting.game;
                  });
    return read;
}

bool IndexStaging::Flush(sqlite3* db, const GameReaches& reaches, std::string& error,
                         const std::function<void(int done, int parts)>& progress)
{
    const bool fresh = IndexEmpty(db);
    for (int k = 0; k < kParts; ++k) {
        if (!Write(k)) {
            error = "一時ファイルに書けません (cannot write the import's temporary file)";
            return false;
        }
    }
    // The next slice is read and sorted on the other core while this one is written.
    std::vector<Entry> entries, next;  // kept from slice to slice: fresh memory costs a fault a page
    bool read = LoadPart(0, entries);
    for (int k = 0; k < kParts; ++k) {
        std::future<bool> loading;
        if (k + 1 < kParts)
            loading = std::async(std::launch::async, [this, k, &next] { return LoadPart(k + 1, next); });
        const bool written = read && FlushPart(db, fresh, reaches, entries, error);
        read = loading.valid() ? loading.get() : true;
        if (!written) {
            if (error.empty())
                error = "一時ファイルを読めません (cannot read the import's temporary file)";
            return false;
        }
        entries.swap(next);
        if (progress)
            progress(k + 1, kParts);
    }
    Clear();
    return true;
}

namespace {

using Entry = IndexStaging::Entry;

// The rows of one bucket: what it held, the new postings merged in, written back.
class BucketWriter {
public:
    BucketWriter(sqlite3* db, const GameReaches& reaches) : db_(db), reaches_(reaches)
    {
        sqlite3_prepare_v2(db, "SELECT key, entries FROM positions WHERE bucket = ?1", -1, &select_, nullptr);
        sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO positions(bucket, key, entries) VALUES(?1, ?2, ?3)", -1, &write_,
                           nullptr);
        sqlite3_prepare_v2(db, "DELETE FROM positions WHERE bucket = ?1 AND key = 0", -1, &remove_, nullptr);
    }
    ~BucketWriter()
    {
        sqlite3_finalize(select_);
        sqlite3_finalize(write_);
        sqlite3_finalize(remove_);
    }
    bool ok() const { return select_ && write_ && remove_; }

    // New groups of the bucket, sorted by rest, their postings by game, merged into what it held.
    bool Write(std::int64_t bucket, std::vector<Group>& added, std::string& error)
    {
        SharedRow held;
        if (!Load(bucket, held, error))
            return false;
        if (!held.singles.empty() && !Claim(bucket, held, added, error))
            return false;
        std::vector<Group> merged;
        Merge(held.whole, added, merged);
        SharedRow shared;
        shared.singles = std::move(held.singles);
        for (Group& group : merged) {
            if (group.own || group.postings.size() > kOwnRowGames) {
                if (!Put(bucket, static_cast<std::int64_t>(group.rest + 1), EncodeOwn(group.postings), error))
                    return false;
            } else if (group.whole || group.postings.size() > 1) {
                shared.whole.push_back(std::move(group));
            } else {
                shared.singles.push_back({TagOf(group.rest), group.postings.front().game});
            }
        }
        SortSingles(shared.singles);
        if (!shared.whole.empty() || !shared.singles.empty())
            return Put(bucket, 0, EncodeShared(shared), error);
        sqlite3_reset(remove_);
        sqlite3_bind_int64(remove_, 1, bucket);
        return Done(sqlite3_step(remove_), error);
    }

    // A bucket of an index that was empty, straight from its sorted entries.
    bool WriteFresh(std::int64_t bucket, const Entry* from, const Entry* to, std::string& error)
    {
        whole_.clear();
        singles_.clear();
        std::uint64_t last = 0, groups = 0;
        for (const Entry* run = from; run != to;) {
            const Entry* end = run + 1;
            while (end != to && end->key == run->key)
                ++end;
            const std::uint64_t rest = RestOf(run->key), games = static_cast<std::uint64_t>(end - run);
            if (games > kOwnRowGames) {
                own_.clear();
                PutRun(own_, run, end);
                if (!Put(bucket, static_cast<std::int64_t>(rest + 1), own_, error))
                    return false;
            } else if (games > 1) {
                PutVarint(whole_, rest - last);
                PutRun(whole_, run, end);
                last = rest;
                ++groups;
            } else {
                singles_.push_back({TagOf(rest), run->posting.game});
            }
            run = end;
        }
        if (groups == 0 && singles_.empty())
            return true;
        SortSingles(singles_);  // one tag's games by id
        row_.clear();
        PutVarint(row_, groups);
        row_ += whole_;
        PutSingles(row_, singles_);
        return Put(bucket, 0, row_, error);
    }

private:
    bool Done(int rc, std::string& error)
    {
        if (rc == SQLITE_DONE)
            return true;
        error = sqlite3_errmsg(db_);
        return false;
    }

    bool Load(std::int64_t bucket, SharedRow& held, std::string& error)
    {
        sqlite3_reset(select_);
        sqlite3_bind_int64(select_, 1, bucket);
        int rc = 0;
        bool ok = true;
        while (ok && (rc = sqlite3_step(select_)) == SQLITE_ROW) {
            const std::int64_t key = sqlite3_column_int64(select_, 0);
            const void* data = sqlite3_column_blob(select_, 1);
            const int size = sqlite3_column_bytes(select_, 1);
            if (key == 0) {
                ok = DecodeShared(data, size, held);
            } else {
                held.whole.push_back({static_cast<std::uint64_t>(key) - 1, {}, true, true});
                ok = DecodeOwn(data, size, held.whole.back().postings);
            }
        }
        sqlite3_reset(select_);
        if (!ok) {
            error = Damaged();
            return false;
        }
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            return Done(rc, error);
        // The own rows come after the shared one: into the order of rests.
        std::sort(held.whole.begin(), held.whole.end(), [](const Group& a, const Group& b) { return a.rest < b.rest; });
        return true;
    }

    // A position a single game of an earlier import reached, and new games
    // reach now, is kept whole from now on: its old game joins them.
    bool Claim(std::int64_t bucket, SharedRow& held, std::vector<Group>& added, std::string& error)
    {
        std::vector<Posting> claimed;
        for (Group& group : added) {
            const auto known = std::lower_bound(held.whole.begin(), held.whole.end(), group.rest,
                                                [](const Group& g, std::uint64_t rest) { return g.rest < rest; });
            if (known != held.whole.end() && known->rest == group.rest)
                continue;
            const std::uint64_t key = (static_cast<std::uint64_t>(bucket) << kBucketShift) | group.rest;
            claimed.clear();
            if (!AskSingles(held.singles, key, reaches_, claimed, error))
                return false;
            if (claimed.empty())
                continue;
            group.postings.insert(group.postings.begin(), claimed.begin(), claimed.end());
            std::sort(group.postings.begin(), group.postings.end(),
                      [](const Posting& x, const Posting& y) { return x.game < y.game; });
            // One single per game goes: another of the same game under this tag is another position.
            for (const Posting& posting : claimed) {
                const auto single = std::find_if(held.singles.begin(), held.singles.end(), [&](const Single& one) {
                    return one.tag == TagOf(group.rest) && one.game == posting.game;
                });
                held.singles.erase(single);
            }
        }
        return true;
    }

    static void Merge(std::vector<Group>& held, std::vector<Group>& added, std::vector<Group>& merged)
    {
        std::size_t a = 0, b = 0;
        while (a < held.size() || b < added.size()) {
            if (b == added.size() || (a < held.size() && held[a].rest < added[b].rest)) {
                merged.push_back(std::move(held[a++]));
            } else if (a == held.size() || added[b].rest < held[a].rest) {
                merged.push_back(std::move(added[b++]));
            } else {
                Group group = std::move(held[a++]);
                group.postings.insert(group.postings.end(), added[b].postings.begin(), added[b].postings.end());
                std::sort(group.postings.begin(), group.postings.end(),
                          [](const Posting& x, const Posting& y) { return x.game < y.game; });
                merged.push_back(std::move(group));
                ++b;
            }
        }
    }

    bool Put(std::int64_t bucket, std::int64_t key, const std::string& bytes, std::string& error)
    {
        sqlite3_reset(write_);
        sqlite3_bind_int64(write_, 1, bucket);
        sqlite3_bind_int64(write_, 2, key);
        sqlite3_bind_blob(write_, 3, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
        return Done(sqlite3_step(write_), error);
    }

    sqlite3* db_;
    sqlite3_stmt* select_ = nullptr;
    sqlite3_stmt* write_ = nullptr;
    sqlite3_stmt* remove_ = nullptr;
    const GameReaches& reaches_;
    std::string whole_, own_, row_;  // kept from bucket to bucket
    std::vector<Single> singles_;
};

bool IndexEmpty(sqlite3* db)
{
    sqlite3_stmt* any = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM positions LIMIT 1", -1, &any, nullptr);
    const bool empty = any && sqlite3_step(any) == SQLITE_DONE;
    sqlite3_finalize(any);
    return empty;
}

}  // namespace

bool IndexStaging::FlushPart(sqlite3* db, bool fresh, const GameReaches& reaches, std::vector<Entry>& entries,
                             std::string& error)
{
    BucketWriter writer(db, reaches);
    if (!writer.ok()) {
        error = sqlite3_errmsg(db);
        return false;
    }
    std::vector<Group> groups;
    for (std::size_t from = 0, to = 0; from < entries.size(); from = to) {
        const std::int64_t bucket = BucketOf(entries[from].key);
        while (to < entries.size() && BucketOf(entries[to].key) == bucket)
            ++to;
        // An index that held nothing when the import began has no rows to merge with.
        if (fresh) {
            if (!writer.WriteFresh(bucket, entries.data() + from, entries.data() + to, error))
                return false;
            continue;
        }
        groups.clear();
        for (std::size_t k = from; k < to; ++k) {
            if (groups.empty() || groups.back().rest != RestOf(entries[k].key))
                groups.push_back({RestOf(entries[k].key), {}, false, false});
            groups.back().postings.push_back(entries[k].posting);
        }
        if (!writer.Write(bucket, groups, error))
            return false;
    }
    return true;
}

}  // namespace vorlik
