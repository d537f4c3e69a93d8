// The index's packed rows across imports: every game of a position is found
// again, in game order, whether the position shares its bucket's row, is known
// by one game under a tag, or has grown a row of its own between two imports.
#include "database/PositionIndex.h"

#include <QtTest>

#include <sqlite3.h>

#include <map>

namespace {

using namespace vorlik;

// Keys in one bucket (same top 20 bits) and one in another; kNear and kNext
// also share their tag, as kFar and kTwin do.
constexpr std::uint64_t kBucket = 0x12345ULL << kBucketShift;
const std::uint64_t kNear = kBucket | 0x10, kNext = kBucket | 0x11, kFar = kBucket | 0xFFFFFFFFFFFULL;
const std::uint64_t kTwin = kBucket | 0xFFFF0000001ULL;
const std::uint64_t kOther = (0xFEDCBULL << kBucketShift) | 7;

// What the stored games would tell: the positions each reaches, with its posting there.
using GameLines = std::map<std::uint32_t, std::map<std::uint64_t, Posting>>;

// Counts the questions to a game none of whose positions shares the key's bucket and tag.
GameReaches AskLines(const GameLines& lines, int& stray)
{
    return [&lines, &stray](std::uint32_t game, std::uint64_t key, Posting& posting, bool& reached, std::string&) {
        const auto under = [key](const auto& entry) { return entry.first >> kTagShift == key >> kTagShift; };
        stray += std::none_of(lines.at(game).begin(), lines.at(game).end(), under);
        const auto found = lines.at(game).find(key);
        reached = found != lines.at(game).end();
        if (reached)
            posting = found->second;
        return true;
    };
}

using Import = std::vector<std::pair<std::uint64_t, int>>;  // a key and how many games reach it
using ImportList = std::vector<Import>;

}  // namespace

Q_DECLARE_METATYPE(ImportList)

class TestPositionIndex : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void damagedRow_data();
    void damagedRow();
};

void TestPositionIndex::roundTrip_data()
{
    QTest::addColumn<ImportList>("imports");
    const int own = static_cast<int>(kOwnRowGames);
    QTest::newRow("neighbours in one shared row") << ImportList{{{kNear, 1}, {kNext, 3}, {kFar, 2}, {kOther, 1}}};
    QTest::newRow("single games under one tag") << ImportList{{{kNear, 1}, {kNext, 1}, {kFar, 1}, {kTwin, 1}}};
    QTest::newRow("a single game joined in later imports")
        << ImportList{{{kNear, 1}, {kFar, 1}}, {{kNext, 1}, {kNear, 1}}, {{kNear, 1}, {kTwin, 1}}};
    QTest::newRow("a single game's position grows a row of its own") << ImportList{{{kFar, 1}}, {{kFar, own + 1}}};
    QTest::newRow("a position with a row of its own") << ImportList{{{kNear, own + 1}, {kNext, 2}}};
    QTest::newRow("grows out of the shared row in a later import")
        << ImportList{{{kNear, own - 1}, {kNext, 1}}, {{kNear, 2}, {kFar, 1}}};
    QTest::newRow("own row and shared row both added to")
        << ImportList{{{kNear, own + 5}, {kNext, 1}}, {{kNear, 3}, {kNext, 2}}, {{kOther, 4}}};
}

void TestPositionIndex::roundTrip()
{
    QFETCH(ImportList, imports);
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "CREATE TABLE positions(bucket INTEGER NOT NULL, key INTEGER NOT NULL, entries BLOB NOT NULL,"
                              " PRIMARY KEY(bucket, key)) WITHOUT ROWID", nullptr, nullptr, nullptr), SQLITE_OK);
    std::map<std::uint64_t, std::vector<Posting>> expected;
    GameLines lines;
    int stray = 0;
    const GameReaches reaches = AskLines(lines, stray);
    std::uint32_t game = 0;
    std::string error;
    for (const Import& import : imports) {
        IndexStaging staging;
        for (const auto& [key, games] : import) {
            for (int k = 0; k < games; ++k) {
                // Ids grow from import to import, as the games table gives them.
                const Posting posting{++game, static_cast<std::uint16_t>(k % 300),
                                      static_cast<std::uint16_t>(game % 20000)};
                QVERIFY(staging.Add(key, posting));
                expected[key].push_back(posting);
                lines[posting.game][key] = posting;
            }
        }
        QVERIFY2(staging.Flush(db, reaches, error), error.c_str());
    }
    for (const auto& [key, postings] : expected) {
        std::vector<Posting> found;
        QVERIFY2(ReadPostings(db, key, reaches, found, error), error.c_str());
        QCOMPARE(found.size(), postings.size());
        for (std::size_t k = 0; k < found.size(); ++k) {
            QCOMPARE(found[k].game, postings[k].game);
            QCOMPARE(found[k].ply, postings[k].ply);
            QCOMPARE(found[k].move, postings[k].move);
        }
    }
    std::vector<Posting> none;
    QVERIFY(ReadPostings(db, kBucket | 0x12, reaches, none, error));  // a key no game reached, under a tag that has games
    QVERIFY(none.empty());
    QCOMPARE(stray, 0);
    sqlite3_close(db);
}

void TestPositionIndex::damagedRow_data()
{
    QTest::addColumn<QString>("row");
    QTest::newRow("a whole position's games cut short") << "10058190";
    QTest::newRow("singles cut short") << "000510200102";
    QTest::newRow("singles wider than a tag") << "0001112001020304";
    QTest::newRow("bytes after the singles") << "000101010100";
}

void TestPositionIndex::damagedRow()
{
    // A row cut short or overlong is told as damage, never read past its end.
    QFETCH(QString, row);
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    const std::string sql = "CREATE TABLE positions(bucket INTEGER NOT NULL, key INTEGER NOT NULL, entries BLOB NOT NULL,"
                            " PRIMARY KEY(bucket, key)) WITHOUT ROWID;"
                            "INSERT INTO positions VALUES(74565, 0, x'" + row.toStdString() + "');";
    QCOMPARE(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    std::vector<Posting> found;
    std::string error;
    const GameReaches never = [](std::uint32_t, std::uint64_t, Posting&, bool& reached, std::string&) {
        reached = false;
        return true;
    };
    QVERIFY(!ReadPostings(db, kNear, never, found, error));
    QVERIFY2(error.find("damaged") != std::string::npos, error.c_str());
    sqlite3_close(db);
}

QTEST_GUILESS_MAIN(TestPositionIndex)
#include "tst_positionindex.moc"
