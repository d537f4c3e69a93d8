// The games' texts kept in compressed blocks, and the import's order: a game
// comes back byte for byte wherever its block begins or ends, a block never
// holds games of two imports (nor of one rolled back), and the games of a file
// read by several threads keep their numbers, refusals and duplicates in file order.
#include "bench/GameGenerator.h"
#include "database/DatabaseImport.h"
#include "database/GameTexts.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <zstd.h>

#include <fstream>
#include <map>

namespace {

using namespace vorlik;

// One game as its file holds it: seeded random moves, every fifth with a
// comment and names in Japanese (read by the file readers, not the quick one).
std::string GameText(std::uint64_t seed, int k)
{
    std::string text = GamesToPgn(GenerateRandomGames(seed * 1000 + static_cast<std::uint64_t>(k), 1));
    text.replace(text.find("Random 1"), 8, "Game " + std::to_string(seed) + "-" + std::to_string(k));
    if (k % 5 == 4) {
        text.replace(text.find("[White \"?\"]"), 11, "[White \"山田 太郎\"]\n[Annotator \"鈴木\"]");
        text.insert(text.find("\n\n") + 2, "{序盤の研究} ");
    }
    return text;
}

// An illegal king's step after 1.e4 e5: the readers refuse it.
std::string RefusedText(int k)
{
    return "[Event \"Bad " + std::to_string(k) + "\"]\n[Site \"?\"]\n[Date \"?\"]\n[Round \"?\"]\n[White \"?\"]\n"
           "[Black \"?\"]\n[Result \"*\"]\n\n1. e4 e5 2. Ke3 Nc6 *\n\n";
}

// The text the database keeps of a game: its lines without the blank one after it.
std::string Stored(const std::string& text) { return text.substr(0, text.size() - 1); }

void WriteFile(const QString& name, const std::string& bytes)
{
    std::ofstream(name.toStdString(), std::ios::binary) << bytes;
}

// Every block of table texts read as the manual tells another tool to read it: game id -> text.
std::map<std::int64_t, std::string> BlocksAsDocumented(sqlite3* db, std::vector<std::pair<std::int64_t, std::int64_t>>& spans)
{
    std::map<std::int64_t, std::string> texts;
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(db, "SELECT first, bytes FROM texts ORDER BY first", -1, &read, nullptr);
    while (sqlite3_step(read) == SQLITE_ROW) {
        const std::int64_t first = sqlite3_column_int64(read, 0);
        const void* packed = sqlite3_column_blob(read, 1);
        const std::size_t size = static_cast<std::size_t>(sqlite3_column_bytes(read, 1));
        std::string raw(ZSTD_getFrameContentSize(packed, size), '\0');
        if (ZSTD_decompress(&raw[0], raw.size(), packed, size) != raw.size())
            break;
        auto word = [&raw](std::size_t at) {
            std::uint32_t value = 0;
            for (int k = 0; k < 4; ++k)
                value |= static_cast<std::uint32_t>(static_cast<unsigned char>(raw[at + k])) << 8 * k;
            return value;
        };
        const std::uint32_t count = word(0);
        std::size_t at = 4 + 4 * std::size_t{count};
        for (std::uint32_t k = 0; k < count; ++k) {
            texts[first + k] = raw.substr(at, word(4 + 4 * k));
            at += word(4 + 4 * k);
        }
        spans.emplace_back(first, first + count - 1);
    }
    sqlite3_finalize(read);
    return texts;
}

struct Refusal {
    long number;
    std::string reason;
};

}  // namespace

class TestGameTexts : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void textsComeBackWhole_data();
    void textsComeBackWhole();
    void fileOrder_data();
    void fileOrder();
    void duplicatesFound_data();
    void duplicatesFound();

private:
    QTemporaryDir folder_;
};

void TestGameTexts::cleanup()
{
    TextBlockWriter::blockBytes = 64u << 10;
    DatabaseImport::pieceBytes = 8u << 20;
}

void TestGameTexts::textsComeBackWhole_data()
{
    QTest::addColumn<int>("blockBytes");
    QTest::addColumn<QList<int>>("imports");  // games per import; a negative count is rolled back
    QTest::newRow("one block holds them all") << (1 << 20) << QList<int>{40};
    QTest::newRow("blocks of a few games") << 1500 << QList<int>{40};
    QTest::newRow("a block for every game") << 1 << QList<int>{25};
    QTest::newRow("two imports: the second starts a block of its own") << 1500 << QList<int>{23, 17};
    QTest::newRow("a rolled-back import leaves no block, its ids are taken again") << 1500 << QList<int>{20, -15, 10};
}

void TestGameTexts::textsComeBackWhole()
{
    QFETCH(int, blockBytes);
    QFETCH(QList<int>, imports);
    TextBlockWriter::blockBytes = static_cast<std::size_t>(blockBytes);
    DatabaseImport::pieceBytes = 4000;  // the games of a block come from several pieces
    const QString name = folder_.filePath(QString("texts-%1.vdb").arg(QTest::currentDataTag()).replace(' ', '_'));
    GameDatabase db;
    std::string error;
    QVERIFY2(db.Open(name.toStdString(), GameDatabase::Mode::ReadWrite, error), error.c_str());
    OpeningBook noNames;
    std::vector<std::string> expected{""};  // by id
    std::vector<std::pair<std::int64_t, std::int64_t>> importSpans;
    for (int i = 0; i < imports.size(); ++i) {
        const bool commit = imports[i] > 0;
        std::string file;
        std::vector<std::string> games;
        for (int k = 0; k < std::abs(imports[i]); ++k) {
            games.push_back(GameText(static_cast<std::uint64_t>(i + 1), k));
            file += games.back();
        }
        const QString pgn = folder_.filePath(QString("import-%1.pgn").arg(i));
        WriteFile(pgn, file);
        QVERIFY2(db.Begin(error), error.c_str());
        DatabaseImport import(db, noNames);
        QVERIFY2(import.ImportFile(pgn.toStdString(), kKindPgn, error), error.c_str());
        QCOMPARE(import.Counts().imported, static_cast<long>(games.size()));
        const std::int64_t first = static_cast<std::int64_t>(expected.size());
        if (!commit) {
            // Read before the rollback, the last ones before their block is
            // written: a game rolled back must not be remembered.
            for (std::size_t k = 0; k < games.size(); ++k) {
                std::string kind, text;
                QVERIFY(ReadStoredGame(db, first + static_cast<std::int64_t>(k), kind, text));
                QCOMPARE(text, Stored(games[k]));
            }
            db.Rollback();
            continue;
        }
        QVERIFY2(db.Commit(error), error.c_str());
        importSpans.emplace_back(first, first + static_cast<std::int64_t>(games.size()) - 1);
        for (const std::string& game : games)
            expected.push_back(Stored(game));
    }
    // Forwards (each block read once) and backwards (blocks read again).
    for (const int step : {1, -1}) {
        const std::int64_t last = static_cast<std::int64_t>(expected.size()) - 1;
        for (std::int64_t id = step > 0 ? 1 : last; id >= 1 && id <= last; id += step) {
            std::string kind, text;
            QVERIFY2(ReadStoredGame(db, id, kind, text), qPrintable(QString::number(id)));
            QCOMPARE(kind, std::string("pgn"));
            QCOMPARE(text, expected[static_cast<std::size_t>(id)]);
        }
    }
    std::string kind, text;
    QVERIFY(!ReadStoredGame(db, static_cast<std::int64_t>(expected.size()), kind, text));

    // As another tool reads the file: every game once, no block across two imports.
    std::vector<std::pair<std::int64_t, std::int64_t>> blocks;
    const std::map<std::int64_t, std::string> documented = BlocksAsDocumented(db.Handle(), blocks);
    QCOMPARE(documented.size(), expected.size() - 1);
    for (const auto& [id, stored] : documented)
        QCOMPARE(stored, expected[static_cast<std::size_t>(id)]);
    for (const auto& [from, to] : blocks)
        QVERIFY(std::any_of(importSpans.begin(), importSpans.end(),
                            [from = from, to = to](const auto& span) { return from >= span.first && to <= span.second; }));
    if (blockBytes == 1)
        QCOMPARE(blocks.size(), expected.size() - 1);
}

void TestGameTexts::fileOrder_data()
{
    QTest::addColumn<int>("pieceBytes");
    QTest::newRow("the file in one piece") << (1 << 20);
    QTest::newRow("pieces of a few games") << 3000;
    QTest::newRow("pieces shorter than a game") << 200;
}

void TestGameTexts::fileOrder()
{
    QFETCH(int, pieceBytes);
    DatabaseImport::pieceBytes = static_cast<std::size_t>(pieceBytes);
    // Refused games every fourth, a game of the file again every seventh.
    std::string file;
    std::vector<long> refusedNumbers, storedNumbers;
    long skipped = 0;
    std::string lastStored;
    for (int k = 1; k <= 120; ++k) {
        if (k % 4 == 0) {
            file += RefusedText(k);
            refusedNumbers.push_back(k);
        } else if (k % 7 == 0) {
            file += lastStored;
            ++skipped;
        } else {
            lastStored = GameText(9, k);
            file += lastStored;
            storedNumbers.push_back(k);
        }
    }
    const QString pgn = folder_.filePath("order.pgn");
    WriteFile(pgn, file);
    const QString name = folder_.filePath(QString("order-%1.vdb").arg(pieceBytes));
    GameDatabase db;
    std::string error;
    QVERIFY2(db.Open(name.toStdString(), GameDatabase::Mode::ReadWrite, error) && db.Begin(error), error.c_str());
    OpeningBook noNames;
    DatabaseImport import(db, noNames);
    std::vector<Refusal> told;
    import.onRefused = [&told](const std::string&, long number, const std::string& reason) {
        told.push_back({number, reason});
    };
    QVERIFY2(import.ImportFile(pgn.toStdString(), kKindPgn, error), error.c_str());
    QVERIFY2(db.Commit(error), error.c_str());
    QCOMPARE(import.FileGames(), 120L);
    QCOMPARE(import.Counts().imported, static_cast<long>(storedNumbers.size()));
    QCOMPARE(import.Counts().skipped, skipped);
    QCOMPARE(import.Counts().refused, static_cast<long>(refusedNumbers.size()));
    std::vector<long> toldNumbers;
    for (const Refusal& refusal : told) {
        toldNumbers.push_back(refusal.number);
        QVERIFY2(refusal.reason.find("Ke3") != std::string::npos, refusal.reason.c_str());
    }
    QCOMPARE(toldNumbers, refusedNumbers);
    std::vector<long> numbers;
    Statement byId(db.Handle(), "SELECT number FROM games ORDER BY id");
    while (byId.Step())
        numbers.push_back(static_cast<long>(byId.Int(0)));
    QCOMPARE(numbers, storedNumbers);
}

// A game already in the database is skipped whether the import looks it up in
// the file's index (a few games into many) or reads all the fingerprints first.
void TestGameTexts::duplicatesFound_data()
{
    QTest::addColumn<int>("before");          // games in the database first
    QTest::addColumn<QList<int>>("imported");  // then a file of these games (numbers above before are new)
    QTest::addColumn<long>("skipped");
    QTest::newRow("a few games into many") << 100 << QList<int>{5, 101, 50, 102} << 2L;
    QTest::newRow("many games into few") << 3 << QList<int>{1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 2, 12, 3} << 4L;
    QTest::newRow("into an empty database, one game twice") << 0 << QList<int>{1, 2, 1, 3} << 1L;
}

void TestGameTexts::duplicatesFound()
{
    QFETCH(int, before);
    QFETCH(QList<int>, imported);
    QFETCH(long, skipped);
    const QString name = folder_.filePath(QString("duplicates-%1.vdb").arg(before));
    GameDatabase db;
    std::string error;
    QVERIFY2(db.Open(name.toStdString(), GameDatabase::Mode::ReadWrite, error), error.c_str());
    OpeningBook noNames;
    std::vector<long> counts;
    for (const QList<int>& games : {[before] { QList<int> all; for (int k = 1; k <= before; ++k) all << k; return all; }(), imported}) {
        std::string file;
        for (const int k : games)
            file += GameText(7, k);
        const QString pgn = folder_.filePath("duplicates.pgn");
        WriteFile(pgn, file);
        QVERIFY2(db.Begin(error), error.c_str());
        DatabaseImport import(db, noNames);
        QVERIFY2(import.ImportFile(pgn.toStdString(), kKindPgn, error), error.c_str());
        QVERIFY2(db.Commit(error), error.c_str());
        counts.push_back(import.Counts().skipped);
        counts.push_back(import.Counts().imported);
    }
    QCOMPARE(counts, (std::vector<long>{0, before, skipped, imported.size() - skipped}));
}

QTEST_GUILESS_MAIN(TestGameTexts)
#include "tst_gametexts.moc"
