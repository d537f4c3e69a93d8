// The move-text parser: every token shape a game file may hold, resolved on
// a real position into the coordinate moves it may stand for.
#include "TestSupport.h"

#include "core/ModuleMekPGNRead.h"

#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

class ParserTest : public QObject {
    Q_OBJECT

private slots:
    void translate_data();
    void translate();
    void parseTarget_data();
    void parseTarget();
};

namespace {

const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w";

void Row(const char* name, const char* fen, const char* token, const char* expected)
{
    QTest::newRow(name) << fen << token << expected;
}

}  // namespace

void ParserTest::translate_data()
{
    QTest::addColumn<QString>("fen");
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("expected");  // the candidate moves, comma-separated

    Row("knight", kStart, "Nf3", "g1f3");
    Row("pawn double step", kStart, "e4", "e2e4");
    Row("pawn step", kStart, "e3", "e2e3");
    Row("black knight", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b", "Nc6", "b8c6");
    Row("check suffix", kStart, "Nf3+", "g1f3");
    Row("rook by file", "4k3/8/8/8/8/8/8/R3K2R w", "Rad1", "a1d1");
    Row("rook by rank", "4k3/8/8/R7/8/8/8/R3K3 w", "R1a3", "a1a3");
    Row("knight by file", "4k3/8/8/8/8/5N2/8/1N2K3 w", "Nbd2", "b1d2");
    Row("other knight by file", "4k3/8/8/8/8/5N2/8/1N2K3 w", "Nfd2", "f3d2");
    Row("knight by rank", "4k3/8/8/8/8/1N6/8/1N2K3 w", "N3d2", "b3d2");
    Row("knight capture by file", "4k3/8/8/8/8/5N2/3p4/1N2K3 w", "Nbxd2", "b1d2");
    Row("knight from square", "4k3/8/8/8/8/5N2/8/1N2K3 w", "Nb1d2", "b1d2");
    Row("knight from square capturing", "4k3/8/8/8/8/5N2/3p4/1N2K3 w", "Nb1xd2", "b1d2");
    Row("white pawn capture", "4k3/8/8/3p4/4P3/8/8/4K3 w", "exd5", "e4d5");
    Row("black pawn capture", "4k3/8/8/4p3/3P4/8/8/4K3 b", "exd4", "e5d4");
    Row("king onto its own queen (the rules refuse it)", kStart, "Kd1", "e1d1");
    Row("king step", "4k3/8/8/8/8/8/8/4K3 w", "Kf2", "e1f2");
    Row("promotion", "8/4P3/8/8/8/8/8/k3K3 w", "e8=Q", "e7e8Q");
    Row("capturing promotion", "3r4/4P3/8/8/8/8/8/k3K3 w", "exd8=N", "e7d8N");
    Row("promotion without =", "8/4P3/8/8/8/8/8/k3K3 w", "e8N", "e7e8N");

    // Castling in every spelling.
    Row("O-O black", "r3k2r/8/8/8/8/8/8/R3K2R b", "O-O", "e8g8");
    Row("o-o-o white", "r3k2r/8/8/8/8/8/8/R3K2R w", "o-o-o", "e1c1");
    Row("O-O+", "r3k2r/8/8/8/8/8/8/R3K2R w", "O-O+", "e1g1");
    Row("O-O-O# black", "r3k2r/8/8/8/8/8/8/R3K2R b", "O-O-O#", "e8c8");
    Row("zeros", "r3k2r/8/8/8/8/8/8/R3K2R w", "0-0", "e1g1");
    Row("zeros long", "r3k2r/8/8/8/8/8/8/R3K2R w", "0-0-0", "e1c1");

    // Long algebraic, recognised by its shape.
    Row("long knight", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b", "Ng8-f6", "g8f6");
    Row("long pawn", kStart, "e2-e4", "e2e4");
    Row("long capture", "4k3/2p5/8/1B6/8/8/8/4K3 w", "Bb5xc7", "b5c7");
    Row("long pawn capture", "4k3/8/8/3p4/4P3/8/8/4K3 w", "e4xd5", "e4d5");
    Row("long promotion", "8/4P3/8/8/8/8/8/k3K3 w", "e7-e8=Q", "e7e8Q");
    Row("long names the wrong piece", kStart, "Bg1-f3", "");

    // Queen and bishop with the named file or rank the destination's own.
    Row("queen along the named file", "4k3/8/8/8/Q7/8/8/3QK3 w", "Qdd4", "d1d4");
    Row("queen along the named rank", "4k3/8/8/8/Q7/8/8/3QK3 w", "Q4d4", "a4d4");
    Row("bishop cannot stay on its file", "4k3/8/8/8/8/8/8/2B1K3 w", "Bcc4", "");
    Row("rook named file rules out the other", "4k3/8/8/8/8/7R/8/R3K3 w", "Raa3", "a1a3");
    Row("queen from-file with distance", "4k3/8/8/8/8/8/8/1Q2K3 w", "Qbd3", "b1d3");
    Row("bishop from-rank with distance", "4k3/8/8/8/8/8/8/2B1K3 w", "B1e3", "c1e3");

    // Two pieces by geometry: both are offered, in the resolver's order.
    Row("knights, one pinned", "4k3/8/8/3b4/8/5N2/8/1N5K w", "Nd2", "f3d2,b1d2");
    Row("rooks on one file", "4k3/8/8/R7/8/8/8/R3K3 w", "Ra3", "a5a3,a1a3");

    // Tokens that are no move.
    Row("result", kStart, "1-0", "");
    Row("star", kStart, "*", "");
    Row("empty", kStart, "", "");
    Row("bad square", kStart, "Nz9", "");
    Row("lower-case knight", kStart, "nf3", "");
    Row("longer than ten characters", kStart, "Nf3!!!!!!!!", "");
    Row("ten characters", kStart, "Nf3!!!!!!!", "g1f3");
}

void ParserTest::translate()
{
    QFETCH(QString, fen);
    QFETCH(QString, token);
    QFETCH(QString, expected);

    const Board board = BoardFromFen(fen.section(' ', 0, 0).toStdString());
    const int ply = fen.endsWith('b') ? 2 : 1;
    TokenMoves moves;
    TranslateToken(board, ply, token.toStdString(), moves);
    QStringList coords;
    for (int k = 0; k < moves.count; ++k)
        coords << Q(moves.coord[k]);
    QCOMPARE(coords.join(','), expected);
}

void ParserTest::parseTarget_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("squares");  // from-file from-rank to-file to-rank, 0 = not given

    QTest::newRow("capture") << "Nxf3" << 1 << "0 0 6 3";
    QTest::newRow("rank given") << "N1f3" << 52 << "0 1 6 3";
    QTest::newRow("rank given, capture") << "N1xf3" << 52 << "0 1 6 3";
    QTest::newRow("rank then junk") << "N1+" << 0 << "0 0 0 0";
    QTest::newRow("junk") << "N+" << 0 << "0 0 0 0";
    QTest::newRow("file given") << "Nbd2" << 32 << "2 0 4 2";
    QTest::newRow("file given, capture") << "Nbxd2" << 32 << "2 0 4 2";
    QTest::newRow("from square") << "Ng1f3" << 0 << "7 1 6 3";
    QTest::newRow("from square, capture") << "Ng1xf3" << 0 << "7 1 6 3";
    QTest::newRow("destination") << "Nf3" << 1 << "0 0 6 3";
    QTest::newRow("destination, check") << "Nf3+" << 1 << "0 0 6 3";
    QTest::newRow("file then junk") << "Nb=" << 0 << "0 0 0 0";
    QTest::newRow("same file") << "Qdd4" << 30 << "4 0 4 4";
    QTest::newRow("same rank") << "Q4d4" << 50 << "0 4 4 4";
}

void ParserTest::parseTarget()
{
    QFETCH(QString, token);
    QFETCH(int, code);
    QFETCH(QString, squares);

    RuleWork work;
    const std::string text = token.toStdString();
    for (int k = 1; k <= 10; ++k)
        work.TokChar[k] = k <= static_cast<int>(text.size()) ? text[k - 1] : 0;
    QCOMPARE(ParseTarget(work), code);
    QCOMPARE(QString("%1 %2 %3 %4").arg(work.FromFile).arg(work.FromRank).arg(work.ToFile).arg(work.ToRank), squares);
}

QTEST_APPLESS_MAIN(ParserTest)
#include "tst_parser.moc"
