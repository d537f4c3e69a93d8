// The reference database through vorlik-kifu db: import and tree on a small
// collection with transpositions, a game that reaches a position twice, one
// that ends in it, a refused game and a duplicate; the filters; and the bad
// input an import must survive (an interrupted import, two at once, files
// that are no games or no database of ours).
#include "bench/GameGenerator.h"
#include "database/PositionQuery.h"

#include <QProcess>
#include <QTemporaryDir>
#include "tests/app/KifuRun.h"

#include <QtTest>

#include <sqlite3.h>
#include <unistd.h>

namespace {

using vorlik::test::Run;
const auto Kifu = vorlik::test::RunKifu;


void Write(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Game(const char* white, const char* black, const char* date, const char* elos, const char* moves,
                const char* result)
{
    return QByteArray("[Event \"Test\"]\n[Site \"Here\"]\n[Date \"") + date + "\"]\n[Round \"1\"]\n[White \"" + white +
           "\"]\n[Black \"" + black + "\"]\n[Result \"" + result + "\"]\n" + elos + "\n" + moves + " " + result + "\n\n";
}

// Game 1 and 2 reach the Sicilian after 1.e4 c5 2.Nf3 by two move orders,
// game 3 ends there, game 4 comes back to the start before it gets there,
// game 5 plays an illegal move, game 6 is game 1 again.
QByteArray Collection()
{
    return Game("Alpha", "Gamma", "2001.01.01", "[WhiteElo \"2400\"]\n[BlackElo \"2300\"]", "1. e4 c5 2. Nf3 d6", "1-0") +
           Game("Beta", "Delta", "2005.05.05", "[WhiteElo \"2200\"]\n[BlackElo \"2500\"]", "1. Nf3 c5 2. e4 d6", "0-1") +
           Game("Alpha", "Gamma", "2010.??.??", "", "1. e4 c5 2. Nf3", "1/2-1/2") +
           Game("Beta", "Epsilon", "????.??.??", "", "1. Nf3 Nf6 2. Ng1 Ng8 3. e4 c5 4. Nf3 Nc6", "*") +
           Game("Omega", "Gamma", "2003.03.03", "", "1. e4 e5 2. Ke3 Nc6", "1-0") +
           Game("Alpha", "Gamma", "2001.01.01", "[WhiteElo \"2400\"]\n[BlackElo \"2300\"]", "1. e4 c5 2. Nf3 d6", "1-0");
}

}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void import();
    void tree_data();
    void tree();
    void games();
    void badInput_data();
    void badInput();
    void readOnly();
    void interruptedImport();
    void twoImportsAtOnce();
    void storedText_data();
    void storedText();
    void openReaderSeesLaterImport();
    void transpositionAcrossImports();

private:
    QString Path(const char* name) const { return folder_.filePath(name); }
    QTemporaryDir folder_;
    QString db_;
    QString ready_;  // the same games, every position's tree kept ready
};

void TestDatabase::initTestCase()
{
    QVERIFY(folder_.isValid());
    Write(Path("games.pgn"), Collection());
    db_ = Path("test.vdb");
    ready_ = Path("ready.vdb");
}

void TestDatabase::import()
{
    const Run first = Kifu({"db", "import", db_, Path("games.pgn")});
    QVERIFY2(first.status == 0, qPrintable(first.err));
    QCOMPARE(first.out, QString("imported 4 skipped 1 refused 1\n"));
    QVERIFY2(first.err.contains("games.pgn: 5 "), qPrintable(first.err));  // the refused game, named by file and number
    QVERIFY2(first.err.contains("Ke3"), qPrintable(first.err));
    // Everything is there already: skipped, nothing added.
    const Run again = Kifu({"db", "import", db_, Path("games.pgn")});
    QCOMPARE(again.status, 0);
    QCOMPARE(again.out, QString("imported 0 skipped 5 refused 1\n"));
    QCOMPARE(Kifu({"db", "import", ready_, Path("games.pgn"), "--cache-rows", "1"}).status, 0);
}

void TestDatabase::tree_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");
    QTest::newRow("start: game 4 counted once, with its first move")
        << QStringList{} << "total\t4\t1\t1\t1\n"
                            "move\tNf3\t2\t0\t0\t1\t0.0\t2200\t1700\t2005\n"
                            "move\te4\t2\t1\t1\t0\t75.0\t2400\t3100\t2010\n";
    QTest::newRow("Sicilian by either move order; game 3 ends there")
        << QStringList{"e4", "c5", "Nf3"} << "total\t4\t1\t1\t1\n"
                                             "eco\tB27\tSicilian defence\n"
                                             "move\td6\t2\t1\t0\t1\t50.0\t2400\t2300\t2005\n"
                                             "move\tNc6\t1\t0\t0\t0\t0.0\t-\t-\t-\n";
    QTest::newRow("the other move order, the same answer")
        << QStringList{"Nf3", "c5", "e4"} << "total\t4\t1\t1\t1\n"
                                             "eco\tB27\tSicilian defence\n"
                                             "move\td6\t2\t1\t0\t1\t50.0\t2400\t2300\t2005\n"
                                             "move\tNc6\t1\t0\t0\t0\t0.0\t-\t-\t-\n";
    QTest::newRow("player to move, by first letters")
        << QStringList{"--player", "Gam", "e4", "c5", "Nf3"} << "total\t2\t1\t1\t0\n"
                                                                 "eco\tB27\tSicilian defence\n"
                                                                 "move\td6\t1\t1\t0\t0\t0.0\t2300\t1600\t2001\n";
    QTest::newRow("a player not to move in it") << QStringList{"--player", "Alpha", "e4", "c5", "Nf3"}
                                                << "total\t0\t0\t0\t0\neco\tB27\tSicilian defence\n";
    QTest::newRow("years: undated games are left out")
        << QStringList{"--year-from", "2004", "--year-to", "2010", "--", "e4", "c5", "Nf3"}
        << "total\t2\t0\t1\t1\neco\tB27\tSicilian defence\nmove\td6\t1\t0\t0\t1\t100.0\t2500\t3000\t2005\n";
    QTest::newRow("rating of the side to move")
        << QStringList{"--min-elo", "2400", "e4", "c5", "Nf3"}
        << "total\t1\t0\t0\t1\neco\tB27\tSicilian defence\nmove\td6\t1\t0\t0\t1\t100.0\t2500\t3000\t2005\n";
    QTest::newRow("after the last move of games 1 and 2")
        << QStringList{"e4", "c5", "Nf3", "d6"} << "total\t2\t1\t0\t1\neco\tB50\tSicilian\n";
    QTest::newRow("a position no game reaches") << QStringList{"a4"} << "total\t0\t0\t0\t0\neco\tA00\tWare (Meadow Hay) opening\n";
}

void TestDatabase::tree()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    for (const QString& db : {db_, ready_}) {
        const Run run = Kifu(QStringList{"db", "tree", db} + args);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, expected);
    }
}

void TestDatabase::games()
{
    const Run run = Kifu({"db", "games", db_, "Nf3", "c5", "e4"});
    QCOMPARE(run.status, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QString("3\tAlpha\tGamma\t1/2-1/2\t2010.??.??\tTest\t3"));  // newest first
    QVERIFY(lines[3].startsWith("4\tBeta\tEpsilon\t*\t"));
    QVERIFY(lines[3].endsWith("\t7"));  // game 4 gets there at ply 7

    const Run show = Kifu({"db", "show", db_, "2"});
    QCOMPARE(show.status, 0);
    QVERIFY2(show.out.startsWith("1\tNf3\tNg1-f3\t"), qPrintable(show.out));

    const QString out = Path("export.pgn");
    QCOMPARE(Kifu({"db", "export", db_, out, "--player", "Gam", "e4", "c5", "Nf3"}).status, 0);
    const Run list = Kifu({"list", out});
    QCOMPARE(list.out.count('\n'), 2);
    QCOMPARE(Kifu({"db", "export", db_, out}).status, 2);  // never over an existing file
}

void TestDatabase::badInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty file") << QByteArray() << "empty.pgn" << 1 << "no games";
    QTest::newRow("not a game file") << QByteArray("just some\ntext\n") << "notes.pgn" << 1 << "no games";
    QTest::newRow("binary") << QByteArray("\x7f" "ELF\0\0\1", 7) << "binary.pgn" << 1 << "テキストファイルではありません";
    QTest::newRow("one huge comment") << "{" + QByteArray(20 << 20, 'x') + "\n" << "comment.pgn" << 1 << "no games";
}

void TestDatabase::badInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(int, status);
    QFETCH(QString, message);
    Write(Path(qPrintable(name)), bytes);
    const QString db = Path("bad.vdb");
    const Run run = Kifu({"db", "import", db, Path(qPrintable(name))});
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFile::exists(db));  // a database this import would have made empty is not left behind
}

void TestDatabase::readOnly()
{
    // A file that is no database, and another program's SQLite file, are refused and left as they are.
    const QString text = Path("text.vdb");
    Write(text, "not a database at all, but long enough to look like a file of some kind........");
    const QString other = Path("other.vdb");
    sqlite3* handle = nullptr;
    QCOMPARE(sqlite3_open(qPrintable(other), &handle), SQLITE_OK);
    QCOMPARE(sqlite3_exec(handle, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(handle);
    const QByteArray otherBefore = [&] { QFile f(other); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    for (const QString& db : {text, other}) {
        const Run import = Kifu({"db", "import", db, Path("games.pgn")});
        QCOMPARE(import.status, 2);
        QVERIFY2(import.err.contains("not a Vorlik database"), qPrintable(import.err));
        QCOMPARE(Kifu({"db", "tree", db}).status, 2);
    }
    QFile after(other);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), otherBefore);

    // A database of an earlier schema is named as such, never read with the new one.
    for (const int version : {1, 2, 3}) {
        const QString old = Path("old.vdb") + QString::number(version);
        QCOMPARE(sqlite3_open(qPrintable(old), &handle), SQLITE_OK);
        const QByteArray sql = "CREATE TABLE games(id INTEGER PRIMARY KEY); PRAGMA application_id=1448234059;"
                               " PRAGMA user_version=" + QByteArray::number(version) + ";";
        QCOMPARE(sqlite3_exec(handle, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(handle);
        for (const QStringList& args : {QStringList{"db", "import", old, Path("games.pgn")}, QStringList{"db", "tree", old}}) {
            const Run run = Kifu(args);
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.contains("古い形式のデータベースです"), qPrintable(run.err));
        }
    }

    if (geteuid() == 0)
        QSKIP("root writes read-only files");
    const QString copy = Path("readonly.vdb");
    QVERIFY(QFile::copy(db_, copy));
    QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner));
    QCOMPARE(Kifu({"db", "tree", copy, "e4", "c5", "Nf3"}).out.left(8), QString("total\t4\t"));
    const Run import = Kifu({"db", "import", copy, Path("games.pgn")});
    QCOMPARE(import.status, 2);
    QVERIFY2(import.err.contains("cannot be written"), qPrintable(import.err));
}

void TestDatabase::interruptedImport()
{
    const QString big = Path("big.pgn");
    Write(big, QByteArray::fromStdString(vorlik::GamesToPgn(vorlik::GenerateRandomGames(11, 400))));
    const QString db = Path("interrupted.vdb");
    QVERIFY(QFile::copy(db_, db));
    const QString before = Kifu({"db", "tree", db}).out;

    // Killed while it holds its games inside the transaction, as a kill or a
    // power cut would find it.
    QProcess import;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VORLIK_IMPORT_HOLD", "1");
    import.setProcessEnvironment(environment);
    import.start(VORLIK_KIFU, {"db", "import", db, big});
    QByteArray said;
    QVERIFY(QTest::qWaitFor([&] { return (said += import.readAllStandardError()).contains("import held") ||
                                         import.state() == QProcess::NotRunning; }, 600000));
    QVERIFY2(import.state() == QProcess::Running, said.constData());
    import.kill();
    import.waitForFinished();
    QCOMPARE(Kifu({"db", "tree", db}).out, before);
    const Run again = Kifu({"db", "import", db, big});
    QCOMPARE(again.status, 0);
    QVERIFY2(again.out.startsWith("imported 400 "), qPrintable(again.out));
}

void TestDatabase::twoImportsAtOnce()
{
    const QString a = Path("a.pgn"), b = Path("b.pgn");
    Write(a, QByteArray::fromStdString(vorlik::GamesToPgn(vorlik::GenerateRandomGames(21, 300))));
    Write(b, QByteArray::fromStdString(vorlik::GamesToPgn(vorlik::GenerateRandomGames(22, 50))));
    const QString db = Path("two.vdb");
    QProcess first, second;
    first.start(VORLIK_KIFU, {"db", "import", db, a});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(db), 60000);
    second.start(VORLIK_KIFU, {"db", "import", db, b});
    QVERIFY(first.waitForFinished(600000));
    QVERIFY(second.waitForFinished(600000));
    QCOMPARE(first.exitCode(), 0);
    // The second waited its turn, or was refused with a reason: never a mixed or broken database.
    const QString secondOut = QString::fromUtf8(second.readAllStandardOutput());
    const long expected = secondOut.startsWith("imported 50") ? 350 : 300;
    if (expected == 300) {
        QCOMPARE(second.exitCode(), 2);
        QVERIFY(QString::fromUtf8(second.readAllStandardError()).contains("another import"));
    }
    const Run tree = Kifu({"db", "tree", db});
    QVERIFY2(tree.out.startsWith(QString("total\t%1\t").arg(expected)), qPrintable(tree.out));
}

// A stored game comes back as its file had it (squeezed with the file's
// dictionary or without), and names the file it came from.
void TestDatabase::storedText_data()
{
    QTest::addColumn<QByteArray>("game");
    QTest::newRow("plain moves") << Game("Alpha", "Gamma", "2001.01.01", "[WhiteElo \"2400\"]", "1. d4 d5 2. c4 e6", "1-0");
    QTest::newRow("comments, variations and marks")
        << Game("Beta", "Delta", "2002.02.02", "[Annotator \"Kappa\"]",
                "1. e4 {the king's pawn} e5 (1... c5 2. Nf3 $1) 2. Nf3! Nc6 {again}", "0-1");
    QTest::newRow("names in Japanese, a long game")
        << Game("山田 太郎", "鈴木 花子", "2026.12.09", "",
                "1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 5. e4 e5 6. Nf3 Nc6 7. Bb5 a6 8. Ba4 Nf6 9. O-O Be7",
                "1/2-1/2");
}

void TestDatabase::storedText()
{
    QFETCH(QByteArray, game);
    const QString file = Path(QTest::currentDataTag()).replace(' ', '_').replace(',', '_') + ".pgn";
    Write(file, game);
    const QString db = Path("texts.vdb");
    const Run import = Kifu({"db", "import", db, file});
    QVERIFY2(import.out == "imported 1 skipped 0 refused 0\n", qPrintable(import.out + import.err));
    sqlite3* handle = nullptr;
    QCOMPARE(sqlite3_open_v2(qPrintable(db), &handle, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* find = nullptr;
    QCOMPARE(sqlite3_prepare_v2(handle, "SELECT g.id FROM games g JOIN sources s ON s.id = g.source WHERE s.name = ?1",
                                -1, &find, nullptr), SQLITE_OK);
    const QByteArray name = file.toUtf8();
    sqlite3_bind_text(find, 1, name.constData(), name.size(), SQLITE_TRANSIENT);
    const bool found = sqlite3_step(find) == SQLITE_ROW;
    const QString id = found ? QString::number(sqlite3_column_int64(find, 0)) : QString();
    sqlite3_finalize(find);
    sqlite3_close(handle);
    QVERIFY2(found, "the game names its file");
    vorlik::GameDatabase reader;
    std::string error, kind, text;
    QVERIFY2(reader.Open(db.toStdString(), vorlik::GameDatabase::Mode::ReadOnly, error), error.c_str());
    QVERIFY(vorlik::ReadStoredGame(reader, id.toLongLong(), kind, text));
    QCOMPARE(QByteArray::fromStdString(text), game.chopped(1));  // its text byte for byte, without the blank line after it
    const Run stored = Kifu({"db", "show", db, id});
    QCOMPARE(stored.status, 0);
    QCOMPARE(stored.out, Kifu({"show", file, "1"}).out);
}

// A reader kept open (a window's tree) keeps what it learnt of the games
// between queries, and still sees the games another program imports meanwhile.
void TestDatabase::openReaderSeesLaterImport()
{
    const QString db = Path("reader.vdb"), more = Path("more.pgn");
    QCOMPARE(Kifu({"db", "import", db, Path("games.pgn")}).status, 0);
    Write(more, Game("Zeta", "Eta", "2020.02.02", "[WhiteElo \"2600\"]", "1. e4 c5 2. Nf3 Nc6", "1-0"));
    vorlik::GameDatabase reader;
    std::string error;
    QVERIFY2(reader.Open(db.toStdString(), vorlik::GameDatabase::Mode::ReadOnly, error), error.c_str());
    const std::uint64_t start = 0x463b96181691fc9cULL;  // the start position's Polyglot key
    vorlik::QueryFilter rated;
    rated.minElo = 2000;
    std::vector<vorlik::GameRow> rows;
    QVERIFY2(vorlik::QueryGames(reader, start, true, rated, 100, 0, rows, error), error.c_str());
    QCOMPARE(rows.size(), std::size_t(2));  // games 1 and 2 have White's rating
    QCOMPARE(Kifu({"db", "import", db, more}).out, QString("imported 1 skipped 0 refused 0\n"));
    QVERIFY2(vorlik::QueryGames(reader, start, true, rated, 100, 0, rows, error), error.c_str());
    QCOMPARE(rows.size(), std::size_t(3));
    QCOMPARE(rows.front().white, std::string("Zeta"));  // the newest
}

void TestDatabase::transpositionAcrossImports()
{
    // A position only one game had reached is reached by another move order in
    // a later import, and again in a third: each game counts, with its move and
    // ply. The first game has a comment, so the file readers confirm it; every
    // position keeps a ready tree, which each import must bring up to date.
    const QString db = Path("joined.vdb");
    Write(Path("first.pgn"), Game("Kilo", "Lima", "2011.01.01", "", "1. d4 {the main line} Nf6 2. c4 e6 3. Nc3 Bb4 4. e3", "1-0"));
    Write(Path("second.pgn"), Game("Mike", "Nova", "2012.02.02", "", "1. c4 e6 2. Nc3 Nf6 3. d4 d5", "0-1"));
    Write(Path("third.pgn"), Game("Oscar", "Papa", "2013.03.03", "", "1. c4 Nf6 2. Nc3 e6 3. d4 c5", "1/2-1/2"));
    const QStringList position{"d4", "Nf6", "c4", "e6", "Nc3"};
    const QStringList onlyFirst{"d4", "Nf6", "c4", "e6", "Nc3", "Bb4"};
    const auto tree = [&](const QStringList& moves) {
        const Run run = Kifu(QStringList{"db", "tree", db} + moves);
        QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        lines.removeIf([](const QString& line) { return line.startsWith("eco"); });
        return lines.join('\n');
    };
    QCOMPARE(Kifu({"db", "import", db, Path("first.pgn"), "--cache-rows", "1"}).status, 0);
    QCOMPARE(tree(position), QString("total\t1\t1\t0\t0\nmove\tBb4\t1\t1\t0\t0\t0.0\t-\t-\t2011"));
    QCOMPARE(Kifu({"db", "import", db, Path("second.pgn"), "--cache-rows", "1"}).status, 0);
    QCOMPARE(tree(position), QString("total\t2\t1\t0\t1\n"
                                     "move\td5\t1\t0\t0\t1\t100.0\t-\t-\t2012\n"
                                     "move\tBb4\t1\t1\t0\t0\t0.0\t-\t-\t2011"));
    QCOMPARE(Kifu({"db", "import", db, Path("third.pgn"), "--cache-rows", "1"}).status, 0);
    QCOMPARE(tree(position).section('\n', 0, 0), QString("total\t3\t1\t1\t1"));
    QCOMPARE(tree(onlyFirst), QString("total\t1\t1\t0\t0\nmove\te3\t1\t1\t0\t0\t100.0\t-\t-\t2011"));
    const Run games = Kifu(QStringList{"db", "games", db} + position);
    QCOMPARE(games.status, 0);
    const QStringList lines = games.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    for (const QString& line : lines)
        QVERIFY2(line.endsWith("\t5"), qPrintable(line));  // each reaches it at ply 5
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
