// The rules as a player meets them: which moves are accepted, what the board
// looks like afterwards, and the four texts each move is written in.
#include "TestSupport.h"

#include "core/ModuleMekMoveCheck.h"

#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

class RulesTest : public QObject {
    Q_OBJECT

private slots:
    void moves_data();
    void moves();
    void promotionQuestion();
    void kingSquareProbesStayInside();
};

namespace {

const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w";

void Row(const char* name, const char* fen, const char* coord, const char* expected, const char* after = "",
         const char* prev = "", const char* given = "")
{
    QTest::newRow(name) << fen << coord << prev << given << expected << after;
}

}  // namespace

void RulesTest::moves_data()
{
    QTest::addColumn<QString>("fen");        // board and the side to move
    QTest::addColumn<QString>("coord");      // the move tried
    QTest::addColumn<QString>("prev");       // postal text of the ply before
    QTest::addColumn<QString>("given");      // the text the move came in
    QTest::addColumn<QString>("expected");   // short|long|postal|coord, or refused
    QTest::addColumn<QString>("after");      // the board afterwards, when it matters

    // Texts of ordinary moves.
    Row("pawn step", kStart, "e2e4", "e4|e2-e4|5254|e2e4");
    Row("knight", kStart, "g1f3", "Nf3|Ng1-f3|7163|g1f3");
    Row("pawn capture", "4k3/8/8/3p4/4P3/8/8/4K3 w", "e4d5", "exd5|e4xd5|5445|e4d5");
    Row("king step", "8/8/8/3k4/8/3K4/8/8 w", "d3c3", "Kc3|Kd3-c3|4333|d3c3");
    Row("check", "4k3/8/8/8/8/8/8/Q3K3 w", "a1a4", "Qa4+|Qa1-a4+|1114|a1a4");
    Row("check given as mate", "4k3/8/8/8/8/8/8/Q3K3 w", "a1a4", "Qa4#|Qa1-a4#|1114|a1a4", "", "", "Qa4#");

    // Pawn moves that are refused.
    Row("double step onto a piece", "4k3/8/8/8/4p3/8/4P3/4K3 w", "e2e4", "refused");
    Row("step onto a piece", "4k3/8/8/8/8/4n3/4P3/4K3 w", "e2e3", "refused");
    Row("diagonal onto nothing", kStart, "e2d3", "refused");
    Row("double step off the start rank", "4k3/8/8/8/8/4P3/8/4K3 w", "e3e5", "refused");
    Row("pawn backwards", "4k3/8/8/8/4P3/8/8/4K3 w", "e4e3", "refused");

    // Capture in passing, only right after the enemy pawn's double step.
    Row("black takes in passing", "4k3/8/8/8/3pP3/8/8/4K3 b", "d4e3", "dxe3|d4xe3|4453|d4e3",
        "4k3/8/8/8/8/4p3/8/4K3", "5254");
    Row("white takes in passing", "4k3/8/8/3pP3/8/8/8/4K3 w", "e5d6", "exd6|e5xd6|5546|e5d6",
        "4k3/8/3P4/8/8/8/8/4K3", "4745");
    Row("not after a rook's two squares", "4k3/8/8/8/3pR3/8/8/4K3 b", "d4e3", "refused", "", "5254");
    Row("not after a single step", "4k3/8/8/8/3pP3/8/8/4K3 b", "d4e3", "refused", "", "5354");
    Row("not a move later", "4k3/8/8/8/3pP3/8/8/4K3 b", "d4e3", "refused", "", "7163");

    // Castling.
    Row("white short", "r3k2r/8/8/8/8/8/8/R3K2R w", "e1g1", "o-o|o-o|5171|e1g1", "r3k2r/8/8/8/8/8/8/R4RK1");
    Row("white long", "r3k2r/8/8/8/8/8/8/R3K2R w", "e1c1", "o-o-o|o-o-o|5131|e1c1", "r3k2r/8/8/8/8/8/8/2KR3R");
    Row("black short", "r3k2r/8/8/8/8/8/8/R3K2R b", "e8g8", "o-o|o-o|5878|e8g8", "r4rk1/8/8/8/8/8/8/R3K2R");
    Row("black long", "r3k2r/8/8/8/8/8/8/R3K2R b", "e8c8", "o-o-o|o-o-o|5838|e8c8", "2kr3r/8/8/8/8/8/8/R3K2R");
    Row("castling with check", "5k2/8/8/8/8/8/8/4K2R w", "e1g1", "o-o+|o-o+|5171|e1g1");
    Row("no rook on the corner", "4k3/8/8/8/8/8/8/4K3 w", "e1g1", "refused", "4k3/8/8/8/8/8/8/4K3");
    Row("crossing an attacked square", "4kr2/8/8/8/8/8/8/4K2R w", "e1g1", "refused");
    Row("out of check", "4k3/8/8/8/8/8/8/r3K2R w", "e1g1", "refused");
    Row("into check", "4k1r1/8/8/8/8/8/8/4K2R w", "e1g1", "refused");
    Row("knight between on the long side", "4k3/8/8/8/8/8/8/RN2K3 w", "e1c1", "refused");
    Row("white king on the black side", "4K2R/8/8/8/8/8/8/k7 w", "e8g8", "refused");

    // The own king.
    Row("pinned bishop", "4k3/4r3/8/8/8/8/4B3/4K3 w", "e2d3", "refused");
    Row("king beside the king", "8/8/8/3k4/8/3K4/8/8 w", "d3d4", "refused");
    Row("no black king", "8/8/8/8/8/8/4P3/4K3 w", "e2e4", "e4|e2-e4|5254|e2e4");
    Row("no white king", "4k3/8/8/8/8/8/4P3/8 w", "e2e4", "e4|e2-e4|5254|e2e4");
    Row("no kings at all", "8/8/8/8/8/8/8/R7 w", "a1a8", "Ra8|Ra1-a8|1118|a1a8");
    Row("kings in the corners", "K7/8/8/8/8/8/8/7k w", "a8b8", "Kb8|Ka8-b8|1828|a8b8");

    // Disambiguation by geometry, pinned pieces included.
    Row("by file", "4k3/8/8/8/8/5N2/8/1N2K3 w", "b1d2", "Nbd2|Nb1-d2|2142|b1d2");
    Row("by rank", "4k3/8/8/R7/8/8/8/R3K3 w", "a1a3", "R1a3|Ra1-a3|1113|a1a3");
    Row("by file and rank", "1k6/8/8/8/4Q2Q/8/8/K6Q w", "h4e1", "Qh4e1|Qh4-e1|8451|h4e1");
    Row("pinned knight still counts", "4k3/8/8/3b4/8/5N2/8/1N5K w", "b1d2", "Nbd2|Nb1-d2|2142|b1d2");
    Row("pinned knight cannot go", "4k3/8/8/3b4/8/5N2/8/1N5K w", "f3d2", "refused");

    // Promotion.
    Row("to a knight", "8/4P3/8/8/8/8/8/k3K3 w", "e7e8n", "e8=N|e7-e8=N|5751|e7e8n", "4N3/8/8/8/8/8/8/k3K3");
    Row("letter kept as written", "8/4P3/8/8/8/8/8/k3K3 w", "e7e8Q", "e8=Q|e7-e8=Q|5754|e7e8Q");
    Row("no letter: the queen", "8/4P3/8/8/8/8/8/k3K3 w", "e7e8", "e8=Q|e7-e8=Q|5754|e7e8q");
    Row("capturing to a knight", "3r4/4P3/8/8/8/8/8/k3K3 w", "e7d8n", "exd8=N|e7xd8=N|5741|e7d8n");
    Row("capturing to a bishop", "3r4/4P3/8/8/8/8/8/k3K3 w", "e7d8b", "exd8=B|e7xd8=B|5742|e7d8b");
    Row("black rook with check", "4k3/8/8/8/8/8/3p4/K7 b", "d2d1r", "d1=R+|d2-d1=R+|4243|d2d1r",
        "4k3/8/8/8/8/8/8/K2r4");
    Row("to a king", "8/4P3/8/8/8/8/8/k3K3 w", "e7e8k", "refused");
    Row("to a pawn", "8/4P3/8/8/8/8/8/k3K3 w", "e7e8p", "refused");
    Row("to an unknown letter", "8/4P3/8/8/8/8/8/k3K3 w", "e7e8x", "refused");

    // Paths and squares.
    Row("bishop blocked", kStart, "c1e3", "refused");
    Row("rook behind a rook", "4k3/8/8/8/8/R7/8/R3K3 w", "a1a5", "refused");
    Row("knight off its jump", kStart, "g1g3", "refused");
    Row("own piece", kStart, "d1d2", "refused");
    Row("same square", kStart, "e2e2", "refused");
    Row("other side's piece", kStart, "e7e5", "refused");
    Row("empty square", kStart, "e3e4", "refused");
    Row("too short", kStart, "e2", "refused");
    Row("off the board", kStart, "e2e9", "refused");
    Row("not squares", kStart, "z9z9", "refused");
}

void RulesTest::moves()
{
    QFETCH(QString, fen);
    QFETCH(QString, coord);
    QFETCH(QString, prev);
    QFETCH(QString, given);
    QFETCH(QString, expected);
    QFETCH(QString, after);

    Board board = BoardFromFen(fen.section(' ', 0, 0).toStdString());
    const Board before = board;
    const int ply = fen.endsWith('b') ? 2 : 1;
    std::string coordText = coord.toStdString(), postal, shortText = given.toStdString(), longText = shortText;
    const bool accepted = CheckMove(board, ply, coordText, postal, shortText, longText, prev.toStdString());

    if (expected == "refused") {
        QVERIFY(!accepted);
        QCOMPARE(Q(WriteFenBoard(board)), Q(WriteFenBoard(before)));
        QCOMPARE(Q(coordText), coord);
        return;
    }
    QVERIFY(accepted);
    QCOMPARE(Q(shortText + "|" + longText + "|" + postal + "|" + coordText), expected);
    if (!after.isEmpty())
        QCOMPARE(Q(WriteFenBoard(board)), after);
}

void RulesTest::promotionQuestion()
{
    int askedRank = 0, asked = 0;
    const PromotionAsk ask = [&](int rank) {
        askedRank = rank;
        ++asked;
        return 'n';
    };
    MoveContext context;
    context.askPromotion = &ask;

    Board board = BoardFromFen("8/4P3/8/8/8/8/8/k3K3");
    std::string coord = "e7e8", postal, shortText, longText;
    QVERIFY(CheckMove(board, 1, coord, postal, shortText, longText, "", context));
    QCOMPARE(askedRank, 8);
    QCOMPARE(Q(coord + " " + shortText + " " + postal), QString("e7e8n e8=N 5751"));

    board = BoardFromFen("4k3/8/8/8/8/8/3p4/K7");
    coord = "d2d1";
    QVERIFY(CheckMove(board, 2, coord, postal, shortText, longText, "", context));
    QCOMPARE(askedRank, 1);
    QCOMPARE(Q(coord), QString("d2d1n"));

    // A pawn that cannot reach the square is refused without a question.
    asked = 0;
    board = BoardFromFen("8/4P3/8/8/8/8/8/k3K3");
    coord = "e7d8";
    QVERIFY(!CheckMove(board, 1, coord, postal, shortText, longText, "", context));
    QCOMPARE(asked, 0);
}

void RulesTest::kingSquareProbesStayInside()
{
    // Kings and knights on every edge and corner square: the attack probes
    // reach two squares beyond the board and must stay inside the work array
    // (the sanitizer build checks the reads).
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank) {
            if (file > 1 && file < 8 && rank > 1 && rank < 8)
                continue;
            RuleWork work;
            Board board{};
            board[file][rank] = 'K';
            work.After.load(board);
            work.WhiteMoving = true;
            QVERIFY(!KingInCheck(work));
            board[file][rank] = 'k';
            board[9 - file][9 - rank] = 'N';
            work.After.load(board);
            work.WhiteMoving = false;
            QCOMPARE(KingInCheck(work), false);
        }
}

QTEST_APPLESS_MAIN(RulesTest)
#include "tst_rules.moc"
