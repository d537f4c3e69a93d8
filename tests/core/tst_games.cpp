// Whole games: move counts of well-known positions, games whose every ply is
// checked in all four texts, and thousands of random plies cross-checked
// against pgn-extract, an independent PGN reader.
#include "TestSupport.h"

#include "bench/GameGenerator.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

class GamesTest : public QObject {
    Q_OBJECT

private slots:
    void legalMoveCounts_data();
    void legalMoveCounts();
    void wholeGamesPlyByPly();
    void randomGamesAgreeWithPgnExtract();
};

namespace {

// Leaves reached after `depth` plies, every move going through the commit gate
// so that castling and capture in passing see the record as it grows.
long Perft(GameState& game, int depth)
{
    const std::vector<std::string> moves = LegalMoves(game);
    if (depth == 1)
        return static_cast<long>(moves.size());
    const int curPly = game.CurPly;
    long leaves = 0;
    for (const std::string& move : moves) {
        if (!Play(game, move))
            return -1;
        leaves += Perft(game, depth - 1);
        TruncateLine(game, curPly);
    }
    return leaves;
}

const char kPgnExtract[] = "/usr/games/pgn-extract";

// pgn-extract's moves of every game in one output format.
QList<QStringList> PgnExtractMoves(const QString& pgnPath, const QString& format)
{
    QProcess tool;
    tool.start(kPgnExtract, {format, "--notags", "--nomovenumbers", "--noresults", "-w", "100000", "-s", pgnPath});
    tool.waitForFinished(120000);
    QList<QStringList> games;
    for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        QStringList moves = line.split(' ', Qt::SkipEmptyParts);
        moves.removeAll("*");
        games << moves;
    }
    return games;
}

// Other programs write castling "O-O", this one "o-o". Mate is "#" in both.
QString AsThisProgramWrites(QString text)
{
    if (text.startsWith("O-O"))
        text.replace('O', 'o');
    return text;
}

QString WithoutDisambiguation(QString text)
{
    return text.replace(QRegularExpression("^([QRBNK])[a-h]?[1-8]?(x?[a-h][1-8])"), "\\1\\2");
}

}  // namespace

void GamesTest::legalMoveCounts_data()
{
    QTest::addColumn<QString>("fen");
    QTest::addColumn<int>("depth");
    QTest::addColumn<qlonglong>("leaves");

    QTest::newRow("start") << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1" << 4 << 197281LL;
    QTest::newRow("castling and pins") << "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
                                       << 3 << 97862LL;
    QTest::newRow("capture in passing") << "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1" << 5 << 674624LL;
    QTest::newRow("promotions") << "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1" << 3
                                << 9467LL;
    QTest::newRow("promotion with check") << "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8" << 3
                                          << 62379LL;
    QTest::newRow("middle game") << "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"
                                 << 3 << 89890LL;
}

void GamesTest::legalMoveCounts()
{
    QFETCH(QString, fen);
    QFETCH(int, depth);
    QFETCH(qlonglong, leaves);

    auto game = NewGame(fen.toStdString());
    QCOMPARE(qlonglong(Perft(*game, depth)), leaves);
}

void GamesTest::wholeGamesPlyByPly()
{
    // Each line: the token as written, then the expected short, long, postal
    // and coordinate texts (taken from pgn-extract's output).
    QFile file(VORLIK_FIXTURES "/whole_games.tsv");
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    std::unique_ptr<GameState> game;
    int plies = 0;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith('#')) {
            game = NewGame();
            continue;
        }
        const QStringList fields = line.split('\t');
        QCOMPARE(fields.size(), 5);
        QVERIFY2(Play(*game, fields[0].toStdString()), qPrintable(line));
        const int ply = game->CurPly;
        const QString texts = QStringList{Q(game->KifuShort[ply]), Q(game->KifuLong[ply]), Q(game->KifuPostal[ply]),
                                          Q(game->KifuCoord[ply])}
                                  .join('\t');
        QCOMPARE(texts, fields.mid(1).join('\t'));
        ++plies;
    }
    QVERIFY(plies > 600);
}

void GamesTest::randomGamesAgreeWithPgnExtract()
{
    if (!QFile::exists(kPgnExtract))
        QSKIP("pgn-extract is not installed (scripts/test installs it)");
    const std::vector<GameTokens> games = GenerateRandomGames(77, 300);
    QTemporaryDir dir;
    const QString pgnPath = dir.filePath("random.pgn");
    QFile pgn(pgnPath);
    QVERIFY(pgn.open(QIODevice::WriteOnly));
    pgn.write(QByteArray::fromStdString(GamesToPgn(games)));
    pgn.close();

    const QList<QStringList> san = PgnExtractMoves(pgnPath, "-Wsan");
    const QList<QStringList> lalg = PgnExtractMoves(pgnPath, "-Wxolalg");
    const QList<QStringList> uci = PgnExtractMoves(pgnPath, "-Wuci");
    QCOMPARE(san.size(), int(games.size()));
    QCOMPARE(lalg.size(), int(games.size()));
    QCOMPARE(uci.size(), int(games.size()));

    int plies = 0, pinnedNamed = 0;
    for (std::size_t g = 0; g < games.size(); ++g) {
        auto game = NewGame();
        QCOMPARE(san[g].size(), int(games[g].size()));  // pgn-extract took every move as legal
        for (int k = 0; k < san[g].size(); ++k) {
            QVERIFY(Play(*game, games[g][k]));
            const int ply = game->CurPly;
            const QString where = QString("game %1 ply %2").arg(g + 1).arg(ply);
            QVERIFY2(Q(game->KifuCoord[ply]).compare(uci[g][k], Qt::CaseInsensitive) == 0, qPrintable(where));

            QString expectedLong = AsThisProgramWrites(lalg[g][k]);
            expectedLong.replace(QRegularExpression("^([a-h][1-8][-x][a-h][1-8])([QRBN])"),
                                                       "\\1=\\2");
            QVERIFY2(Q(game->KifuLong[ply]) == expectedLong, qPrintable(where + " " + expectedLong));

            // Short texts name a second piece even when it is pinned; other
            // programs name only pieces that may legally move.
            const QString expectedShort = AsThisProgramWrites(san[g][k]);
            const QString shortText = Q(game->KifuShort[ply]);
            if (shortText != expectedShort) {
                QVERIFY2(WithoutDisambiguation(shortText) == WithoutDisambiguation(expectedShort),
                         qPrintable(where + " " + shortText + " " + expectedShort));
                ++pinnedNamed;
            }
            ++plies;
        }
    }
    qInfo("%d plies agree with pgn-extract; %d name a pinned twin", plies, pinnedNamed);
    QVERIFY(plies > 50000);
}

QTEST_APPLESS_MAIN(GamesTest)
#include "tst_games.moc"
