#include "PositionQuery.h"

#include "StoredLine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include <sqlite3.h>

namespace vorlik {

namespace {

// The year and rating filters, on the facts the index keeps.
bool Passes(const GameFacts& facts, bool whiteToMove, const QueryFilter& filter)
{
    if (filter.yearFrom && (facts.year == 0 || facts.year < filter.yearFrom))
        return false;
    if (filter.yearTo && (facts.year == 0 || facts.year > filter.yearTo))
        return false;
    const int elo = whiteToMove ? facts.whiteElo : facts.blackElo;
    return !filter.minElo || (elo != 0 && elo >= filter.minElo);
}

void Count(MoveTally& tally, const GameFacts& facts, bool whiteToMove)
{
    ++tally.games;
    tally.whiteWins += facts.result == 1;
    tally.draws += facts.result == 2;
    tally.blackWins += facts.result == 3;
    const int own = whiteToMove ? facts.whiteElo : facts.blackElo;
    const int other = whiteToMove ? facts.blackElo : facts.whiteElo;
    if (own) {
        tally.eloSum += own;
        ++tally.eloCount;
    }
    if (other && facts.result) {
        tally.opponentSum += other;
        ++tally.opponentCount;
        const bool won = facts.result == (whiteToMove ? 1 : 3);
        tally.pointsAgainstRated += won ? 2 : facts.result == 2 ? 1 : 0;
    }
    tally.lastYear = std::max(tally.lastYear, facts.year);
}

}  // namespace

namespace {

// One read transaction around a query: without it every lookup would take and
// drop the file's lock and check the file again, many times slower than the lookup.
class ReadTransaction {
public:
    explicit ReadTransaction(GameDatabase& database) : db_(database.Handle())
    {
        open_ = sqlite3_get_autocommit(db_) && sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~ReadTransaction()
    {
        if (open_)
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    sqlite3* db_;
    bool open_ = false;
};

// The player and ECO filters on a game's names and code.
bool PassesNames(const std::string& white, const std::string& black, const std::string& eco, bool whiteToMove,
                 const QueryFilter& filter)
{
    if (!filter.player.empty()) {
        const std::string& name = whiteToMove ? white : black;
        if (name.size() < filter.player.size() ||
            !std::equal(filter.player.begin(), filter.player.end(), name.begin(),
                        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                    std::tolower(static_cast<unsigned char>(b)); }))
            return false;
    }
    return filter.ecoFrom.empty() || (!eco.empty() && eco >= filter.ecoFrom && eco <= filter.ecoTo);
}

// A game that reaches the position, with its facts.
struct Reached {
    Posting posting;
    GameFacts facts;
};

// The facts of the games of the postings (sorted by game): looked up one by
// one when they are few among the games, else read in one pass over their range.
bool FactsOf(GameDatabase& database, const std::vector<Posting>& postings, std::vector<GameFacts>& facts,
             std::string& error)
{
    facts.assign(postings.size(), GameFacts{});
    if (postings.empty())
        return true;
    if (const std::vector<std::int64_t>* all = database.FactsByGame(postings.size())) {
        for (std::size_t k = 0; k < postings.size(); ++k)
            if (postings[k].game < all->size())
                facts[k] = UnpackFacts((*all)[postings[k].game]);
        return true;
    }
    const std::int64_t first = postings.front().game, last = postings.back().game;
    const bool dense = static_cast<std::int64_t>(postings.size()) * 16 > last - first;
    Statement read(database.Handle(), dense ? "SELECT game, info FROM facts WHERE game BETWEEN ?1 AND ?2"
                                            : "SELECT game, info FROM facts WHERE game = ?1");
    if (!read.ok()) {
        error = database.LastError();
        return false;
    }
    if (dense) {
        read.Bind(1, first).Bind(2, last);
        std::size_t k = 0;
        while (k < postings.size() && read.Step()) {
            const std::int64_t game = read.Int(0);
            while (k < postings.size() && postings[k].game < game)
                ++k;
            if (k < postings.size() && postings[k].game == game)
                facts[k++] = UnpackFacts(read.Int(1));
        }
    } else {
        for (std::size_t k = 0; k < postings.size(); ++k) {
            read.Reset();
            read.Bind(1, static_cast<std::int64_t>(postings[k].game));
            if (read.Step())
                facts[k] = UnpackFacts(read.Int(1));
        }
    }
    if (read.error() != 0) {
        error = database.LastError();
        return false;
    }
    return true;
}

// Those of the position's games (its postings) that pass the filters.
bool Passing(GameDatabase& database, const std::vector<Posting>& postings, bool whiteToMove, const QueryFilter& filter,
             std::vector<Reached>& reached, std::string& error)
{
    static thread_local std::vector<GameFacts> facts;  // kept: see ReachedBy
    if (!FactsOf(database, postings, facts, error))
        return false;
    reached.reserve(reached.size() + postings.size());
    const bool named = !filter.player.empty() || !filter.ecoFrom.empty();
    Statement names(database.Handle(), "SELECT white, black, eco FROM games WHERE id = ?1");
    for (std::size_t k = 0; k < postings.size(); ++k) {
        if (!Passes(facts[k], whiteToMove, filter))
            continue;
        if (named) {
            names.Reset();
            names.Bind(1, static_cast<std::int64_t>(postings[k].game));
            if (!names.Step() || !PassesNames(names.Text(0), names.Text(1), names.Text(2), whiteToMove, filter))
                continue;
        }
        reached.push_back({postings[k], facts[k]});
    }
    return true;
}

// The games reaching the position that pass the filters.
bool ReachedBy(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter,
               std::vector<Reached>& reached, std::string& error)
{
    // Kept between queries: memory taken afresh for every common position costs more than reading it.
    static thread_local std::vector<Posting> postings;
    StoredLines lines(database);
    return ReadPostings(database.Handle(), key, lines.Asker(), postings, error) &&
           Passing(database, postings, whiteToMove, filter, reached, error);
}

// The tree of the games that reach a position.
void TallyTree(const std::vector<Reached>& reached, bool whiteToMove, TreeAnswer& answer)
{
    // A move's tally found by its code at once: the start has a million games.
    static thread_local std::vector<int> slotOf(1 << 16, -1);
    for (const Reached& one : reached) {
        ++answer.total;
        answer.whiteWins += one.facts.result == 1;
        answer.draws += one.facts.result == 2;
        answer.blackWins += one.facts.result == 3;
        if (one.posting.move == 0)
            continue;  // the game ended here
        int& slot = slotOf[one.posting.move];
        if (slot < 0) {
            slot = static_cast<int>(answer.moves.size());
            answer.moves.push_back(MoveTally{});
            answer.moves.back().move = one.posting.move;
        }
        Count(answer.moves[static_cast<std::size_t>(slot)], one.facts, whiteToMove);
    }
    for (const MoveTally& tally : answer.moves)
        slotOf[static_cast<std::size_t>(tally.move)] = -1;
    // Most games first; ties in the order of their squares.
    std::sort(answer.moves.begin(), answer.moves.end(),
              [](const MoveTally& a, const MoveTally& b) { return a.games != b.games ? a.games > b.games : a.move < b.move; });
}

bool NoFilter(const QueryFilter& filter)
{
    return filter.player.empty() && !filter.yearFrom && !filter.yearTo && !filter.minElo && filter.ecoFrom.empty();
}

constexpr int kTallyFields = 11;

// A ready tree as it is stored: numbers of 8 bytes, the totals, then each move's tally.
std::string PackTree(const TreeAnswer& answer)
{
    std::vector<std::int64_t> numbers{answer.total, answer.whiteWins, answer.draws, answer.blackWins};
    for (const MoveTally& t : answer.moves)
        numbers.insert(numbers.end(), {t.move, t.games, t.whiteWins, t.draws, t.blackWins, t.eloSum, t.eloCount,
                                       t.opponentSum, t.opponentCount, t.pointsAgainstRated, t.lastYear});
    return std::string(reinterpret_cast<const char*>(numbers.data()), numbers.size() * sizeof(std::int64_t));
}

bool UnpackTree(const std::string& bytes, TreeAnswer& answer)
{
    std::vector<std::int64_t> n(bytes.size() / sizeof(std::int64_t));
    std::memcpy(n.data(), bytes.data(), n.size() * sizeof(std::int64_t));
    if (n.size() < 4 || (n.size() - 4) % kTallyFields != 0)
        return false;
    answer.total = n[0];
    answer.whiteWins = n[1];
    answer.draws = n[2];
    answer.blackWins = n[3];
    for (std::size_t k = 4; k < n.size(); k += kTallyFields) {
        MoveTally t;
        t.move = static_cast<int>(n[k]);
        t.games = n[k + 1];
        t.whiteWins = n[k + 2];
        t.draws = n[k + 3];
        t.blackWins = n[k + 4];
        t.eloSum = n[k + 5];
        t.eloCount = n[k + 6];
        t.opponentSum = n[k + 7];
        t.opponentCount = n[k + 8];
        t.pointsAgainstRated = n[k + 9];
        t.lastYear = static_cast<int>(n[k + 10]);
        answer.moves.push_back(t);
    }
    return true;
}

bool ReadyTree(GameDatabase& database, std::uint64_t key, TreeAnswer& answer)
{
    Statement ready(database.Handle(), "SELECT tree FROM trees WHERE key = ?1");
    ready.Bind(1, static_cast<std::int64_t>(key));
    return ready.ok() && ready.Step() && UnpackTree(ready.Text(0), answer);
}

}  // namespace

namespace {

// Every game's facts by id, read in one pass: the ready trees of an import
// count many games each.
bool AllFacts(GameDatabase& database, std::vector<std::int64_t>& facts, std::string& error)
{
    Statement read(database.Handle(), "SELECT game, info FROM facts ORDER BY game");
    while (read.Step()) {
        const std::int64_t game = read.Int(0);
        if (game < 0 || game > (std::int64_t{1} << 32))
            continue;
        if (static_cast<std::size_t>(game) >= facts.size())
            facts.resize(static_cast<std::size_t>(game) + 1, 0);
        facts[static_cast<std::size_t>(game)] = read.Int(1);
    }
    if (read.error() == 0)
        return true;
    error = database.LastError();
    return false;
}

}  // namespace

bool RefreshReadyTrees(GameDatabase& database, std::string& error)
{
    const auto candidates = database.CacheCandidates();
    if (candidates.empty())
        return true;
    std::vector<std::int64_t> facts;
    if (!AllFacts(database, facts, error))
        return false;
    Statement store(database.Handle(), "INSERT OR REPLACE INTO trees(key, white_to_move, tree) VALUES(?1, ?2, ?3)");
    std::vector<Posting> postings;
    std::vector<Reached> reached;
    // Most candidates only share a counter with a common position and were
    // reached by one game: such a position gets no ready tree, and its game
    // is not read to confirm it.
    const GameReaches noSingles = [](std::uint32_t, std::uint64_t, Posting&, bool& reached, std::string&) {
        reached = false;
        return true;
    };
    for (const auto& [key, whiteToMove] : candidates) {
        if (!ReadPostings(database.Handle(), key, noSingles, postings, error))
            return false;
        if (static_cast<long>(postings.size()) < database.CacheRows())
            continue;
        reached.clear();
        for (const Posting& posting : postings)
            reached.push_back({posting, UnpackFacts(posting.game < facts.size() ? facts[posting.game] : 0)});
        TreeAnswer answer;
        TallyTree(reached, whiteToMove, answer);
        store.Reset();
        store.Bind(1, static_cast<std::int64_t>(key)).Bind(2, whiteToMove ? 1 : 0).Bind(3, PackTree(answer));
        if (store.Step() || store.error() != 0) {
            error = database.LastError();
            return false;
        }
    }
    return true;
}

bool QueryTree(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter,
               TreeAnswer& answer, std::string& error)
{
    answer = TreeAnswer{};
    ReadTransaction reading(database);
    if (NoFilter(filter) && ReadyTree(database, key, answer))
        return true;
    answer = TreeAnswer{};
    return ScanTree(database, key, whiteToMove, filter, answer, error);
}

bool ScanTree(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter,
              TreeAnswer& answer, std::string& error)
{
    answer = TreeAnswer{};
    ReadTransaction reading(database);
    std::vector<Reached> reached;
    if (!ReachedBy(database, key, whiteToMove, filter, reached, error))
        return false;
    TallyTree(reached, whiteToMove, answer);
    return true;
}

double ScorePercent(const MoveTally& tally, bool whiteToMove)
{
    // A game still in progress, or without a result, has no score yet.
    const long decided = tally.whiteWins + tally.draws + tally.blackWins;
    if (decided == 0)
        return 0;
    const long wins = whiteToMove ? tally.whiteWins : tally.blackWins;
    return 100.0 * (wins + 0.5 * tally.draws) / static_cast<double>(decided);
}

int AverageElo(const MoveTally& tally)
{
    return tally.eloCount ? static_cast<int>(std::lround(static_cast<double>(tally.eloSum) / tally.eloCount)) : -1;
}

int Performance(const MoveTally& tally)
{
    if (tally.opponentCount == 0)
        return -1;
    const double average = static_cast<double>(tally.opponentSum) / tally.opponentCount;
    const double score = tally.pointsAgainstRated / (2.0 * tally.opponentCount);
    // The rating difference a score stands for, as the rating tables have it, capped at 800.
    double difference = 800;
    if (score <= 0.01)
        difference = -800;
    else if (score < 0.99)
        difference = 400 * std::log10(score / (1 - score));
    return static_cast<int>(std::lround(average + difference));
}

namespace {

// Positions reached by at most this many games are listed from the index,
// sorted here; more common ones by walking the games newest first.
constexpr std::size_t kDirectRows = 10000;

const char kGameColumns[] = "SELECT id, white, black, result, date, event, eco FROM games";

GameRow RowOf(const Statement& game, int ply)
{
    GameRow row;
    row.id = game.Int(0);
    row.white = game.Text(1);
    row.black = game.Text(2);
    row.result = game.Text(3);
    row.date = game.Text(4);
    row.event = game.Text(5);
    row.ply = ply;
    return row;
}

// Takes one game that reaches the position: skips the first `offset` that pass.
struct Collector {
    long limit, offset, passed = 0;
    std::vector<GameRow>& rows;
    bool Full() const { return limit >= 0 && static_cast<long>(rows.size()) >= limit; }
    void Take(const Statement& game, int ply)
    {
        if (passed++ >= offset)
            rows.push_back(RowOf(game, ply));
    }
};

// Games newest first: by date, then by id; only the first `count` need their place.
void NewestFirst(std::vector<Reached>& reached, std::size_t count)
{
    const auto newer = [](const Reached& a, const Reached& b) {
        return a.facts.Ordinal() != b.facts.Ordinal() ? a.facts.Ordinal() > b.facts.Ordinal()
                                                      : a.posting.game > b.posting.game;
    };
    if (count < reached.size())
        std::partial_sort(reached.begin(), reached.begin() + static_cast<long>(count), reached.end(), newer);
    else
        std::sort(reached.begin(), reached.end(), newer);
}

}  // namespace

bool QueryGames(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter, long limit,
                long offset, std::vector<GameRow>& rows, std::string& error)
{
    rows.clear();
    ReadTransaction reading(database);
    Collector collector{limit, offset, 0, rows};
    // Kept between queries: a common position has a million postings, and memory
    // taken afresh each time costs more than reading them.
    static thread_local std::vector<Posting> postings;
    StoredLines lines(database);
    if (!ReadPostings(database.Handle(), key, lines.Asker(), postings, error))
        return false;
    Statement game(database.Handle(), (std::string(kGameColumns) + " WHERE id = ?1").c_str());
    auto take = [&](std::int64_t id, int ply) {
        game.Reset();
        game.Bind(1, id);
        if (game.Step() && PassesNames(game.Text(1), game.Text(2), game.Text(6), whiteToMove, filter))
            collector.Take(game, ply);
    };
    if (postings.size() <= kDirectRows) {
        // The names are read with each game's row: only the facts filter here.
        QueryFilter byFacts = filter;
        byFacts.player.clear();
        byFacts.ecoFrom.clear();
        std::vector<Reached> reached;
        if (!Passing(database, postings, whiteToMove, byFacts, reached, error))
            return false;
        // With a name filter any of them may be wanted; else the page is the first offset + limit.
        const bool named = !filter.player.empty() || !filter.ecoFrom.empty();
        NewestFirst(reached, named || limit < 0 ? reached.size() : static_cast<std::size_t>(std::max(0L, offset) + limit));
        for (const Reached& one : reached) {
            if (collector.Full())
                break;
            take(one.posting.game, one.posting.ply);
        }
        return true;
    }
    // Many games reach it: newest first through the date index alone, each
    // game looked up among the postings; only those reaching it are read. The
    // facts come from memory when this session has read them all.
    const std::vector<std::int64_t>* facts = database.FactsByGame(0);
    Statement order(database.Handle(), facts ? "SELECT id, 0 FROM games ORDER BY day DESC, id DESC"
                                             : "SELECT g.id, f.info FROM games g JOIN facts f ON f.game = g.id"
                                               " ORDER BY g.day DESC, g.id DESC");
    while (!collector.Full() && order.Step()) {
        const std::int64_t id = order.Int(0);
        const auto found = std::lower_bound(postings.begin(), postings.end(), static_cast<std::uint32_t>(id),
                                            [](const Posting& p, std::uint32_t game) { return p.game < game; });
        if (found == postings.end() || found->game != id)
            continue;
        const std::int64_t info = !facts ? order.Int(1) : id < static_cast<std::int64_t>(facts->size()) ? (*facts)[static_cast<std::size_t>(id)] : 0;
        if (Passes(UnpackFacts(info), whiteToMove, filter))
            take(id, found->ply);
    }
    if (order.error() != 0) {
        error = database.LastError();
        return false;
    }
    return true;
}

}  // namespace vorlik
