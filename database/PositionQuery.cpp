#include "PositionQuery.h"

#include <algorithm>
#include <cmath>
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

bool QueryTree(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter,
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
    if (tally.games == 0)
        return 0;
    const long wins = whiteToMove ? tally.whiteWins : tally.blackWins;
    return 100.0 * (wins + 0.5 * tally.draws) / static_cast<double>(tally.games);
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

bool QueryGames(GameDatabase& database, std::uint64_t key, bool whiteToMove, const QueryFilter& filter, long limit,
                long offset, std::vector<GameRow>& rows, std::string& error)
{
    rows.clear();
    std::string sql =
        "SELECT g.id, g.white, g.black, g.result, g.date, g.event, p.ply, p.info FROM positions p"
        " JOIN games g ON g.id = p.game WHERE p.key = ?1" +
        GameConditions(filter, whiteToMove);
    sql += " ORDER BY g.year IS NULL, g.date DESC, g.id DESC";  // undated games last
    Statement statement(database.Handle(), sql.c_str());
    if (!statement.ok()) {
        error = database.LastError();
        return false;
    }
    BindConditions(statement, key, filter);
    long passed = 0;
    while ((limit < 0 || static_cast<long>(rows.size()) < limit) && statement.Step()) {
        if (!Passes(UnpackFacts(statement.Int(7)), whiteToMove, filter) || passed++ < offset)
            continue;
        GameRow row;
        row.id = statement.Int(0);
        row.white = statement.Text(1);
        row.black = statement.Text(2);
        row.result = statement.Text(3);
        row.date = statement.Text(4);
        row.event = statement.Text(5);
        row.ply = static_cast<int>(statement.Int(6));
        rows.push_back(std::move(row));
    }
    if (statement.error() != 0) {
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
