// vorlik-kifu db book and book: a book written from a small database with a
// transposition, castling and an underpromotion, read back by Polyglot's own
// dump-book and by the book verb, and the cases that must write nothing.
#include "KifuRun.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace vorlik::test;

namespace {

const char kPolyglot[] = "/usr/games/polyglot";

// C reaches the Spanish by another move order; E promotes to a knight.
const char kGames[] = R"([White "Kato"]
[Black "Sato"]
[Result "1-0"]

1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 1-0

[White "Sato"]
[Black "Kato"]
[Result "1/2-1/2"]

1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O b5 1/2-1/2

[White "Ito"]
[Black "Kato"]
[Result "0-1"]

1. Nf3 Nc6 2. e4 e5 3. Bb5 a6 4. Bxc6 dxc6 0-1

[White "Ito"]
[Black "Sato"]
[Result "1-0"]

1. d4 d5 2. c4 e6 3. Nc3 Nf6 1-0

[White "Ito"]
[Black "Sato"]
[Result "0-1"]

1. a4 h5 2. a5 h4 3. a6 h3 4. axb7 hxg2 5. bxa8=Q gxh1=N 0-1
)";

}  // namespace

class TestBookCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dumpReadsBack();
    void bookVerb_data();
    void bookVerb();
    void nothingWritten_data();
    void nothingWritten();

private:
    QString Path(const QString& name) const { return folder_.filePath(name); }
    QTemporaryDir folder_;
};

void TestBookCli::initTestCase()
{
    QVERIFY(folder_.isValid());
    QFile pgn(Path("games.pgn"));
    QVERIFY(pgn.open(QIODevice::WriteOnly));
    pgn.write(kGames);
    pgn.close();
    const Run import = RunKifu({"db", "import", Path("games.vdb"), Path("games.pgn")});
    QCOMPARE(import.status, 0);
    const Run book = RunKifu({"db", "book", Path("games.vdb"), Path("games.bin"), "--min-games", "1"});
    QCOMPARE(book.status, 0);
    QVERIFY2(book.out.startsWith("positions "), qPrintable(book.out + book.err));
}

void TestBookCli::dumpReadsBack()
{
    if (!QFile::exists(kPolyglot))
        QSKIP("polyglot is not installed (scripts/install-deps test)");
    // Weights are 2 per win and 1 per draw of the side to move: a move that
    // only lost (1. Nf3, 1. a4, 5... Be7) is not in the book.
    const QString expected[2] = {
        "1: 1. e4{60%} e5 2. Nf3{100%} Nc6 3. Bb5{100%} a6 4. Ba4{100%} Nf6 5. O-O{100%} \n"
        "2: 1. d4{40%} d5 2. c4{100%} e6 3. Nc3{100%} \n",
        "1: 1. Nf3 Nc6{100%} 2. e4 e5{100%} 3. Bb5 a6{100%} 4. Ba4 Nf6{100%} 5. O-O b5{100%} \n"
        "2: 1. Nf3 Nc6{100%} 2. e4 e5{100%} 3. Bb5 a6{100%} 4. Bxc6 dxc6{100%} \n"
        "3: 1. a4 h5{100%} 2. a5 h4{100%} 3. a6 h3{100%} 4. axb7 hxg2{100%} 5. bxa8=Q gxh1=N{100%} \n"
        "4: 1. e4 e5{100%} 2. Nf3 Nc6{100%} {trans: line=1, ply=4}\n"};
    const char* colours[2] = {"white", "black"};
    for (int c = 0; c < 2; ++c) {
        QProcess polyglot;
        polyglot.setWorkingDirectory(folder_.path());
        polyglot.start(kPolyglot, {"dump-book", "-bin", Path("games.bin"), "-color", colours[c], "-out", Path("dump")});
        QVERIFY(polyglot.waitForFinished(120000));
        QFile dump(Path("dump"));
        QVERIFY(dump.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(dump.readAll()).split('\n');
        lines.removeFirst();  // Dump of "FILE" for COLOUR.
        QCOMPARE(lines.join('\n'), expected[c]);
    }
}

void TestBookCli::bookVerb_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::newRow("start, heaviest first") << QStringList{} << 0 << "move\te4\t3\t0\nmove\td4\t2\t0\n";
    QTest::newRow("castling, by a FEN")
        << QStringList{"--fen", "r1bqkb1r/1ppp1ppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 2 5"} << 0
        << "move\to-o\t3\t0\n";
    QTest::newRow("transposed") << QStringList{"--", "Nf3", "Nc6", "e4", "e5"} << 0 << "move\tBb5\t3\t0\n";
    QTest::newRow("underpromotion") << QStringList{"a4", "h5", "a5", "h4", "a6", "h3", "axb7", "hxg2", "bxa8=Q"} << 0
                                    << "move\tgxh1=N\t2\t0\n";
    QTest::newRow("no book move") << QStringList{"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6", "O-O", "Be7"}
                                  << 1 << "";
    QTest::newRow("refused token") << QStringList{"e4", "e4"} << 1 << "";
    QTest::newRow("bad FEN") << QStringList{"--fen", "rnbqkxnr/8 w"} << 2 << "";
    QTest::newRow("unknown option") << QStringList{"--depth", "3"} << 2 << "";
}

void TestBookCli::bookVerb()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    const Run run = RunKifu(QStringList{"book", Path("games.bin")} + args);
    QCOMPARE(run.out, out);
    QCOMPARE(run.status, status);
    if (status != 0)
        QVERIFY(!run.err.isEmpty());
}

void TestBookCli::nothingWritten_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("no move played often enough") << QStringList{"games.vdb", "new.bin", "--min-games", "9"} << 1;
    QTest::newRow("a player of no game") << QStringList{"games.vdb", "new.bin", "--player", "Suzuki"} << 1;
    QTest::newRow("the book exists") << QStringList{"games.vdb", "games.bin"} << 2;
    QTest::newRow("no database") << QStringList{"games.pgn", "new.bin"} << 2;
    QTest::newRow("max-ply is no number") << QStringList{"games.vdb", "new.bin", "--max-ply", "x"} << 2;
}

void TestBookCli::nothingWritten()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFile before(Path("games.bin"));
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray book = before.readAll();
    for (int k = 0; k < 2; ++k)
        args[k] = Path(args[k]);
    const Run run = RunKifu(QStringList{"db", "book"} + args);
    QCOMPARE(run.status, status);
    QVERIFY(!run.err.isEmpty());
    QVERIFY(!QFile::exists(Path("new.bin")));
    QFile after(Path("games.bin"));
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), book);
}

QTEST_GUILESS_MAIN(TestBookCli)
#include "tst_book_cli.moc"
