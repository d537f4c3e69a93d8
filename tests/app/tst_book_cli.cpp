// vorlik-kifu db book and book: a book written from a small database with a
// transposition, castling and an underpromotion, read back by Polyglot's own
// dump-book; the book verb's lines and statuses, and the cases that write nothing.
#include "KifuRun.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace vorlik::test;

namespace {

const char kPolyglot[] = "/usr/games/polyglot";

QByteArray Bytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The third game reaches the Spanish by another move order; the last promotes to a knight.
const char kGames[] = R"([Result "1-0"]
1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 1-0

[Result "1/2-1/2"]
1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O b5 1/2-1/2

[Result "0-1"]
1. Nf3 Nc6 2. e4 e5 3. Bb5 a6 4. Bxc6 dxc6 0-1

[Result "1-0"]
1. d4 d5 2. c4 e6 3. Nc3 Nf6 1-0

[Result "0-1"]
1. a4 h5 2. a5 h4 3. a6 h3 4. axb7 hxg2 5. bxa8=Q gxh1=N 0-1
)";

}  // namespace

class TestBookCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dumpReadsBack();
    void verbs_data();
    void verbs();

private:
    QString Path(const QString& name) const { return folder_.filePath(name); }
    QTemporaryDir folder_;
    QByteArray book_;
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
    book_ = Bytes(Path("games.bin"));
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
        QStringList lines = QString::fromUtf8(Bytes(Path("dump"))).split('\n');
        lines.removeFirst();  // Dump of "FILE" for COLOUR.
        QCOMPARE(lines.join('\n'), expected[c]);
    }
}

void TestBookCli::verbs_data()
{
    QTest::addColumn<QStringList>("args");  // file names are in the test's folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    const QStringList book{"book", "games.bin"}, make{"db", "book", "games.vdb"};
    QTest::newRow("start, heaviest first") << book << 0 << "move\te4\t3\t0\nmove\td4\t2\t0\n";
    QTest::newRow("castling, by a FEN")
        << book + QStringList{"--fen", "r1bqkb1r/1ppp1ppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 2 5"} << 0
        << "move\to-o\t3\t0\n";
    QTest::newRow("no book move") << book + QString("-- Nf3 Nc6 e4 e5 Bb5 a6 Ba4 Nf6 O-O Be7").split(' ') << 1 << "";
    QTest::newRow("no move played often enough") << make + QStringList{"new.bin", "--min-games", "9"} << 1 << "";
    QTest::newRow("the book exists") << make + QStringList{"games.bin"} << 2 << "";
    QTest::newRow("no database") << QStringList{"db", "book", "games.pgn", "new.bin"} << 2 << "";
}

void TestBookCli::verbs()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    for (QString& arg : args)
        if (arg.startsWith("games.") || arg.startsWith("new."))
            arg = Path(arg);
    const Run run = RunKifu(args);
    QCOMPARE(run.out, out);
    QCOMPARE(run.status, status);
    QVERIFY(status == 0 || !run.err.isEmpty());
    QVERIFY(!QFile::exists(Path("new.bin")));  // nothing written when it fails
    QCOMPARE(Bytes(Path("games.bin")), book_);
}

QTEST_GUILESS_MAIN(TestBookCli)
#include "tst_book_cli.moc"
