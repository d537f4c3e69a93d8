// Polyglot books: the moves read for a position against what Polyglot itself
// dumps of Debian's gnuchess book (castling and promotions among them), a
// small book written here and read back, and files that are no book.
#include "core/MoveCommit.h"
#include "database/PolyglotBook.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>

using namespace vorlik;

namespace {

const char kGnuchessBook[] = "/usr/share/games/gnuchess/book.bin";
const char kPolyglot[] = "/usr/games/polyglot";

// The record after the tokens from the start.
std::unique_ptr<GameState> Played(const QString& moves)
{
    auto game = std::make_unique<GameState>();
    ResetGame(*game);
    SetStartPosition(*game);
    for (const QString& token : moves.split(' ', Qt::SkipEmptyParts))
        if (!CommitMove(*game, token.toStdString()))
            return nullptr;
    return game;
}

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
    void writtenAndRead();
    void notABook_data();
    void notABook();
    void scaledWeight_data();
    void scaledWeight();

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
    QTest::newRow("start") << 0 << "";
    QTest::newRow("white castles short among others") << 0 << "e4 e5 Nf3 Nc6 Bb5 a6 Ba4 d6";
    QTest::newRow("black castles short after white's long castling")
        << 1 << "Nc3 c5 Nf3 Nc6 d4 cxd4 Nxd4 Nf6 e4 d6 Be3 e6 Bc4 Be7 Qe2 a6 Bb3 Qc7 O-O-O";
    QTest::newRow("white promotes, taking")
        << 0 << "d4 c6 c4 d5 Nf3 e6 e3 Nd7 Nc3 Ngf6 Bd3 dxc4 Bxc4 b5 Be2 Bb7 e4 b4 e5 bxc3 exf6 cxb2 fxg7 bxa1=Q";
    QTest::newRow("black promotes with check")
        << 1
        << "Nc3 c5 Nf3 Nc6 d4 cxd4 Nxd4 Nf6 e4 d6 Be3 e6 Bc4 Be7 Qe2 a6 Bb3 Qc7 O-O-O O-O g4 Nxd4 Rxd4 Nd7 g5 Nc5 "
           "Rg1 b5 Qh5 g6 Qh6 Rd8 e5 Bf8 Qh3 Bg7 Rxd6 Bb7 Bf4 Rxd6 exd6 Qc6 Rd1 b4 Ne2 a5 Bc4 a4 Qe3 b3 Nc3 a3 "
           "Be5 axb2+ Kxb2 Na4+ Nxa4 bxc2 Rd4 Bxe5 Qxe5 Rxa4 d7";
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
    const auto game = Played(moves);
    QVERIFY(game);
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
    for (std::size_t k = 1; k < read.size(); ++k)
        QVERIFY(read[k - 1].weight >= read[k].weight);
}

void TestPolyglotBook::writtenAndRead()
{
    // Given out of order, with an illegal move, an empty move and a castling
    // written as the king taking its rook.
    const auto start = Played("");
    const auto italian = Played("e4 e5 Nf3 Nc6 Bc4 Bc5");
    const auto promotion = Played("a4 h5 a5 h4 a6 h3 axb7 hxg2");
    const std::uint64_t startKey = PositionKey(*start, 0), italianKey = PositionKey(*italian, italian->CurPly);
    const std::uint64_t promotionKey = PositionKey(*promotion, promotion->CurPly);
    const Board& italianBoard = italian->KifuBoard[italian->CurPly];
    const std::vector<BookEntry> entries{
        {italianKey, BookMoveCode("e1g1", italianBoard), 7, 3},
        {startKey, BookMoveCode("e2e4", start->KifuBoard[0]), 5, 0},
        {promotionKey, BookMoveCode("b7a8n", promotion->KifuBoard[promotion->CurPly]), 1, 0},
        {startKey, BookMoveCode("e2e5", start->KifuBoard[0]), 100, 0},
        {startKey, 0, 50, 0},
        {promotionKey, BookMoveCode("b7a8q", promotion->KifuBoard[promotion->CurPly]), 9, 0},
        {startKey, BookMoveCode("d2d4", start->KifuBoard[0]), 9, 0},
    };
    QCOMPARE(BookMoveCode("e1g1", italianBoard), std::uint16_t(7 | 0 << 3 | 4 << 6 | 0 << 9));  // e1h1
    const QString name = folder_.filePath("small.bin");
    std::string error;
    QVERIFY2(WriteBook(name.toStdString(), entries, error), error.c_str());
    QCOMPARE(QFileInfo(name).size(), qint64(entries.size() * PolyglotBook::kEntryBytes));

    PolyglotBook book;
    QVERIFY2(book.Open(name.toStdString(), error), error.c_str());  // sorted, or Open refuses it
    auto texts = [&book](const GameState& game) {
        QStringList moves;
        for (const BookMove& move : book.Moves(game, game.CurPly))
            moves << QString("%1 %2 %3").arg(QString::fromStdString(move.coord)).arg(move.weight).arg(move.learn);
        return moves.join(", ");
    };
    QCOMPARE(texts(*start), QString("d2d4 9 0, e2e4 5 0"));
    QCOMPARE(texts(*italian), QString("e1g1 7 3"));
    QCOMPARE(texts(*promotion), QString("b7a8q 9 0, b7a8n 1 0"));
    QCOMPARE(book.Moves(*start, 0).front().shortText, std::string("d4"));
}

void TestPolyglotBook::notABook_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    const QByteArray entry = QByteArray::fromHex("463b96181691fc9c031c000100000000");
    const QByteArray later = QByteArray::fromHex("823c9b50fd114196099c000100000000");
    QTest::newRow("empty") << QByteArray() << "empty";
    QTest::newRow("cut short") << (entry + later).left(27) << "cut short";
    QTest::newRow("keys out of order") << later + entry << "not sorted";
    QTest::newRow("a game file of a book's length")
        << QByteArray("[Event \"Kato\"]\n\n1. e4 e5 2. Nf3 Nc6 *").leftJustified(48, '\n') << "not sorted";
    QTest::newRow("missing") << QByteArray("-") << "No such file";
}

void TestPolyglotBook::notABook()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    const QString name = folder_.filePath("bad.bin");
    QFile::remove(name);
    if (bytes != "-") {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    PolyglotBook book;
    std::string error;
    QVERIFY(!book.Open(name.toStdString(), error));
    QVERIFY(!book.IsOpen());
    QVERIFY2(QString::fromStdString(error).contains(name), error.c_str());
    QVERIFY2(QString::fromStdString(error).contains(why), error.c_str());
    QVERIFY(book.Moves(*Played(""), 0).empty());
}

void TestPolyglotBook::scaledWeight_data()
{
    QTest::addColumn<int>("weight");
    QTest::addColumn<int>("largest");
    QTest::addColumn<int>("fitted");
    QTest::newRow("fits: kept as it is") << 25310 << 65535 << 25310;
    QTest::newRow("the largest fills 16 bits") << 145826 << 145826 << 65535;
    QTest::newRow("the others by the same factor") << 25310 << 145826 << 11374;
    QTest::newRow("a rare move is not lost") << 1 << 1000000 << 1;
    QTest::newRow("a move that only lost") << 0 << 145826 << 0;
}

void TestPolyglotBook::scaledWeight()
{
    QFETCH(int, weight);
    QFETCH(int, largest);
    QFETCH(int, fitted);
    QCOMPARE(int(ScaledWeight(weight, largest)), fitted);
}

QTEST_GUILESS_MAIN(TestPolyglotBook)
#include "tst_polyglotbook.moc"
