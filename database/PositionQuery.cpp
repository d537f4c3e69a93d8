#include "PositionQuery.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>

namespace vorlik {

namespace {

// LIKE reads % and _ as wildcards; a name is matched as written.
std::string PrefixPattern(const std::string& text)
{
    std::string pattern;
    for (const char c : text) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    return pattern + '%';
}

// The WHERE clause of the filters SQL can apply, player and ECO, after the key.
std::string GameConditions(const QueryFilter& filter, bool whiteToMove)
{
    std::string sql;
    if (!filter.player.empty())
        sql += whiteToMove ? " AND g.white LIKE ?2 ESCAPE '\\'" : " AND g.black LIKE ?2 ESCAPE '\\'";
    if (!filter.ecoFrom.empty())
        sql += " AND g.eco BETWEEN ?3 AND ?4";
    return sql;
}

void BindConditions(Statement& statement, std::uint64_t key, const QueryFilter& filter)
{
    statement.Bind(1, static_cast<std::int64_t>(key));
    if (!filter.player.empty())
        statement.Bind(2, PrefixPattern(filter.player));
    if (!filter.ecoFrom.empty())
        statement.Bind(3, filter.ecoFrom).Bind(4, filter.ecoTo);
}

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

bool RefreshReadyTrees(GameDatabase& database, std::string& error)
{
    Statement store(database.Handle(), "INSERT OR REPLACE INTO trees(key, white_to_move, tree) VALUES(?1, ?2, ?3)");
    for (const auto& [key, whiteToMove] : database.CacheCandidates()) {
        TreeAnswer answer;
        if (!ScanTree(database, key, whiteToMove, QueryFilter{}, answer, error))
            return false;
        if (answer.total < database.CacheRows())
            continue;
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
    if (NoFilter(filter) && ReadyTree(database, key, answer))
        return true;
    answer = TreeAnswer{};
    return ScanTree(database, key, whiteToMove, filter, answer, error);
}

bool ScanTree(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter,
              TreeAnswer& answer, std::string& error)
{
    answer = TreeAnswer{};
    const bool joined = !filter.player.empty() || !filter.ecoFrom.empty();
    const std::string sql = joined ? "SELECT p.move, p.info FROM positions p JOIN games g ON g.id = p.game WHERE p.key = ?1" +
                                         GameConditions(filter, whiteToMove)
                                   : std::string("SELECT move, info FROM positions WHERE key = ?1");
    Statement statement(database.Handle(), sql.c_str());
    if (!statement.ok()) {
        error = database.LastError();
        return false;
    }
    BindConditions(statement, key, filter);
    std::map<int, MoveTally> tallies;
    while (statement.Step()) {
        const GameFacts facts = UnpackFacts(statement.Int(1));
        if (!Passes(facts, whiteToMove, filter))
            continue;
        ++answer.total;
        answer.whiteWins += facts.result == 1;
        answer.draws += facts.result == 2;
        answer.blackWins += facts.result == 3;
        const int move = static_cast<int>(statement.Int(0));
        if (move == 0)
            continue;  // the game ended here
        MoveTally& tally = tallies[move];
        tally.move = move;
        Count(tally, facts, whiteToMove);
    }
    if (statement.error() != 0) {
        error = database.LastError();
        return false;
    }
    for (const auto& entry : tallies)
        answer.moves.push_back(entry.second);
    std::stable_sort(answer.moves.begin(), answer.moves.end(),
                     [](const MoveTally& a, const MoveTally& b) { return a.games > b.games; });
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

// Positions reached by at most this many games are listed from the index's
// rows, sorted here; more common ones by walking the games newest first.
constexpr long kDirectRows = 10000;

const char kGameColumns[] = "SELECT id, white, black, result, date, event, eco FROM games";

// The player and ECO filters on a game's row (columns as kGameColumns).
bool PassesGame(const Statement& game, bool whiteToMove, const QueryFilter& filter)
{
    if (!filter.player.empty()) {
        const std::string name = game.Text(whiteToMove ? 1 : 2);
        if (name.size() < filter.player.size() ||
            !std::equal(filter.player.begin(), filter.player.end(), name.begin(),
                        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                    std::tolower(static_cast<unsigned char>(b)); }))
            return false;
    }
    if (!filter.ecoFrom.empty()) {
        const std::string eco = game.Text(6);
        if (eco.empty() || eco < filter.ecoFrom || eco > filter.ecoTo)
            return false;
    }
    return true;
}

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

struct Reach {
    std::int64_t game;
    int ply;
    int day;
};

}  // namespace

bool QueryGames(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter, long limit,
                long offset, std::vector<GameRow>& rows, std::string& error)
{
    rows.clear();
    Collector collector{limit, offset, 0, rows};
    Statement reach(database.Handle(), "SELECT game, ply, info FROM positions WHERE key = ?1 LIMIT ?2");
    reach.Bind(1, static_cast<std::int64_t>(key)).Bind(2, kDirectRows + 1);
    std::vector<Reach> reached;
    long rowsSeen = 0;
    while (reach.Step()) {
        ++rowsSeen;
        const GameFacts facts = UnpackFacts(reach.Int(2));
        if (Passes(facts, whiteToMove, filter))
            reached.push_back({reach.Int(0), static_cast<int>(reach.Int(1)), facts.Ordinal()});
    }
    if (reach.error() != 0) {
        error = database.LastError();
        return false;
    }
    if (rowsSeen <= kDirectRows) {
        std::sort(reached.begin(), reached.end(), [](const Reach& a, const Reach& b) {
            return a.day != b.day ? a.day > b.day : a.game > b.game;
        });
        Statement game(database.Handle(), (std::string(kGameColumns) + " WHERE id = ?1").c_str());
        for (const Reach& one : reached) {
            if (collector.Full())
                break;
            game.Reset();
            game.Bind(1, one.game);
            if (game.Step() && PassesGame(game, whiteToMove, filter))
                collector.Take(game, one.ply);
        }
        return true;
    }
    // Many games reach it: newest first through the date index alone, each
    // game looked up in the positions; only those reaching it are read.
    Statement order(database.Handle(), "SELECT id FROM games ORDER BY day DESC, id DESC");
    Statement probe(database.Handle(), "SELECT ply, info FROM positions WHERE key = ?1 AND game = ?2");
    Statement game(database.Handle(), (std::string(kGameColumns) + " WHERE id = ?1").c_str());
    while (!collector.Full() && order.Step()) {
        probe.Reset();
        probe.Bind(1, static_cast<std::int64_t>(key)).Bind(2, order.Int(0));
        if (!probe.Step() || !Passes(UnpackFacts(probe.Int(1)), whiteToMove, filter))
            continue;
        game.Reset();
        game.Bind(1, order.Int(0));
        if (game.Step() && PassesGame(game, whiteToMove, filter))
            collector.Take(game, static_cast<int>(probe.Int(0)));
    }
    if (order.error() != 0) {
        error = database.LastError();
        return false;
    }
    return true;
}

bool ReadStoredGame(GameDatabase& database, std::int64_t id, std::string& kind, std::string& text)
{
    Statement statement(database.Handle(), "SELECT kind, text FROM games WHERE id = ?1");
    statement.Bind(1, id);
    if (!statement.Step())
        return false;
    kind = statement.Text(0);
    text = statement.Text(1);
    return true;
}

}  // namespace vorlik
