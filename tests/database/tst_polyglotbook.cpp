// Polyglot books: the moves read for a position against what Polyglot itself
// dumps of Debian's gnuchess book (castling and promotions among them), and
// small books made byte by byte, good and bad.
#include "../core/TestSupport.h"
#include "database/PolyglotBook.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <map>

using namespace vorlik;
using namespace vorlik::test;

namespace {

const char kGnuchessBook[] = "/usr/share/games/gnuchess/book.bin";
const char kPolyglot[] = "/usr/games/polyglot";

using Shares = std::map<QString, int>;  // move as Polyglot writes it, per cent

// The moves a dump gives right after the prefix: each line of the dump is
// "1. e4{39%} e5 2. Nf3{85%} ...", the dumped colour's moves with their share.
Shares DumpedMoves(const QString& dump, const QStringList& prefix)
{
    Shares shares;
    for (const QString& line : dump.split('\n')) {
        QStringList moves;
        QList<int> percents;
        for (const QString& word : line.split(' ', Qt::SkipEmptyParts).mid(1)) {
            if (word.startsWith('{'))
                break;  // "{trans: ...}": the line goes on elsewhere
            if (word.endsWith('.'))
                continue;
            const int brace = word.indexOf('{');
            moves << word.left(brace);
            percents << (brace < 0 ? -1 : word.mid(brace + 1).chopped(2).toInt());
        }
        if (moves.size() > prefix.size() && moves.mid(0, prefix.size()) == prefix && percents[prefix.size()] >= 0)
            shares[moves[prefix.size()]] = percents[prefix.size()];
    }
    return shares;
}

}  // namespace

class TestPolyglotBook : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void againstPolyglot_data();
    void againstPolyglot();
    void rawBook_data();
    void rawBook();

private:
    QTemporaryDir folder_;
    QString dump_[2];  // white, black
};

void TestPolyglotBook::initTestCase()
{
    QVERIFY(folder_.isValid());
    if (!QFile::exists(kGnuchessBook) || !QFile::exists(kPolyglot))
        return;
    const char* colours[2] = {"white", "black"};
    for (int c = 0; c < 2; ++c) {
        const QString out = folder_.filePath(colours[c]);
        QProcess polyglot;
        polyglot.setWorkingDirectory(folder_.path());
        polyglot.start(kPolyglot, {"dump-book", "-bin", kGnuchessBook, "-color", colours[c], "-out", out});
        QVERIFY(polyglot.waitForFinished(300000));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        dump_[c] = QString::fromUtf8(file.readAll());
    }
}

void TestPolyglotBook::againstPolyglot_data()
{
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("moves");
    QTest::newRow("white castles short among others") << 0 << "e4 e5 Nf3 Nc6 Bb5 a6 Ba4 d6";
    QTest::newRow("black castles short after white's long castling")
        << 1 << "Nc3 c5 Nf3 Nc6 d4 cxd4 Nxd4 Nf6 e4 d6 Be3 e6 Bc4 Be7 Qe2 a6 Bb3 Qc7 O-O-O";
    QTest::newRow("white promotes, taking")
        << 0 << "d4 c6 c4 d5 Nf3 e6 e3 Nd7 Nc3 Ngf6 Bd3 dxc4 Bxc4 b5 Be2 Bb7 e4 b4 e5 bxc3 exf6 cxb2 fxg7 bxa1=Q";
}

void TestPolyglotBook::againstPolyglot()
{
    QFETCH(int, colour);
    QFETCH(QString, moves);
    if (dump_[colour].isEmpty())
        QSKIP("polyglot or gnuchess-book is not installed (scripts/install-deps test)");
    const Shares dumped = DumpedMoves(dump_[colour], moves.split(' ', Qt::SkipEmptyParts));
    QVERIFY(!dumped.empty());

    PolyglotBook book;
    std::string error;
    QVERIFY2(book.Open(kGnuchessBook, error), error.c_str());
    const auto game = NewGame();
    QCOMPARE(PlayAll(*game, moves), moves.count(' ') + 1);
    const std::vector<BookMove> read = book.Moves(*game, game->CurPly);
    double sum = 0;
    for (const BookMove& move : read)
        sum += move.weight;
    Shares ours;
    for (const BookMove& move : read) {
        // This program writes castling "o-o", Polyglot "O-O".
        const QString text = QString::fromStdString(move.shortText).replace("o-o", "O-O");
        ours[text] = static_cast<int>(std::lround(100 * move.weight / sum));
    }
    QCOMPARE(ours, dumped);
}

void TestPolyglotBook::rawBook_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("read");  // the start's moves, or words of the error
    const QByteArray start = QByteArray::fromHex("463b96181691fc9c");
    const QByteArray e4 = start + QByteArray::fromHex("031c000500000003"), d4 = start + QByteArray::fromHex("02db0009");
    QTest::newRow("a move the rules refuse and the empty move passed over")
        << start + QByteArray::fromHex("0324006400000000") + e4 + start + QByteArray(8, 0) + d4 + QByteArray(4, 0)
        << "d4 9 0, e4 5 3";
    QTest::newRow("cut short") << e4 + d4 << "cut short";
    QTest::newRow("a game file of a book's length")
        << QByteArray("[Event \"Kato\"]\n\n1. e4 e5 2. Nf3 Nc6 *").leftJustified(48, '\n') << "not sorted";
}

void TestPolyglotBook::rawBook()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, read);
    const QString name = folder_.filePath("raw.bin");
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    PolyglotBook book;
    std::string error;
    const bool opened = book.Open(name.toStdString(), error);
    QStringList moves;
    for (const BookMove& move : book.Moves(*NewGame(), 0))
        moves << QString("%1 %2 %3").arg(QString::fromStdString(move.shortText)).arg(move.weight).arg(move.learn);
    const QString told = QString::fromStdString(error);
    if (opened)
        QCOMPARE(moves.join(", "), read);
    else
        QVERIFY2(told.contains(name) && told.contains(read) && moves.isEmpty(), error.c_str());
}

QTEST_GUILESS_MAIN(TestPolyglotBook)
#include "tst_polyglotbook.moc"
