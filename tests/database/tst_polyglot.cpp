// The Polyglot key against the book format document's own examples: the key
// of each FEN, and the key the record's main line gives after the same moves
// (castling rights and the capture in passing followed move by move).
#include "core/FenText.h"
#include "session/GameSession.h"
#include "database/PolyglotKey.h"

#include <QtTest>

using namespace vorlik;

class TestPolyglot : public QObject {
    Q_OBJECT
private slots:
    void key_data();
    void key();
    void moveCode();
};

void TestPolyglot::key_data()
{
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QString>("fen");
    QTest::addColumn<quint64>("key");
    QTest::newRow("start") << "" << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
                           << quint64(0x463b96181691fc9cULL);
    QTest::newRow("e4: no pawn beside, no passed file")
        << "e2e4" << "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1" << quint64(0x823c9b50fd114196ULL);
    QTest::newRow("e4 d5") << "e2e4 d7d5" << "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2"
                           << quint64(0x0756b94461c50fb0ULL);
    QTest::newRow("e4 d5 e5") << "e2e4 d7d5 e4e5" << "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2"
                              << quint64(0x662fafb965db29d4ULL);
    QTest::newRow("f5 beside the e5 pawn: passed file counts")
        << "e2e4 d7d5 e4e5 f7f5" << "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"
        << quint64(0x22a48b5a8e47ff78ULL);
    QTest::newRow("white king moved") << "e2e4 d7d5 e4e5 f7f5 e1e2"
                                      << "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR b kq - 0 3"
                                      << quint64(0x652a607ca3f242c1ULL);
    QTest::newRow("both kings moved") << "e2e4 d7d5 e4e5 f7f5 e1e2 e8f7"
                                      << "rnbq1bnr/ppp1pkpp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR w - - 0 4"
                                      << quint64(0x00fdd303c946bdd9ULL);
    QTest::newRow("c4 beside the b4 pawn") << "a2a4 b7b5 h2h4 b5b4 c2c4"
                                           << "rnbqkbnr/p1pppppp/8/8/PpP4P/8/1P1PPPP1/RNBQKBNR b KQkq c3 0 3"
                                           << quint64(0x3c8123ea7b067637ULL);
    QTest::newRow("capture in passing, rook left a1") << "a2a4 b7b5 h2h4 b5b4 c2c4 b4c3 a1a3"
                                                      << "rnbqkbnr/p1pppppp/8/8/P6P/R1p5/1P1PPPP1/1NBQKBNR b Kkq - 0 4"
                                                      << quint64(0x5c3f9b829b279560ULL);
}

void TestPolyglot::key()
{
    QFETCH(QString, moves);
    QFETCH(QString, fen);
    QFETCH(quint64, key);

    Board board = StandardStartBoard();
    bool blackToMove = false;
    StartRights rights;
    QCOMPARE(ReadFenText(fen.toStdString(), board, blackToMove, &rights), FenError::None);
    const PositionState state{!blackToMove, rights.castling, rights.passedFile};
    QCOMPARE(quint64(PolyglotKey(board, state)), key);

    GameSession window;
    for (const QString& move : moves.split(' ', Qt::SkipEmptyParts))
        QVERIFY(window.CommitMove(move.toStdString()) == MoveVerdict::Legal);
    const std::vector<LinePosition> line = MainLinePositions(window.Game());
    QCOMPARE(int(line.size()), window.Game().LastPly + 1);
    QCOMPARE(quint64(line.back().key), key);
    QCOMPARE(line.back().move, 0);
    if (line.size() > 1)
        QCOMPARE(DecodeMove(line.front().move), moves.split(' ').front().toStdString());
}

void TestPolyglot::moveCode()
{
    for (const char* coord : {"e2e4", "a1h8", "h7h8q", "b2a1n", "e1g1"})
        QCOMPARE(DecodeMove(EncodeMove(coord)), std::string(coord));
    QCOMPARE(EncodeMove("O-O"), 0);
}

QTEST_GUILESS_MAIN(TestPolyglot)
#include "tst_polyglot.moc"
