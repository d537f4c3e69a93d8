// The game record and the commit gate: what is stored for an accepted move,
// that a refused move leaves the record exactly as it was, and the bounds.
#include "TestSupport.h"

#include "core/GameText.h"

#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

class RecordTest : public QObject {
    Q_OBJECT

private slots:
    void standardStart();
    void setupWithBlackToMove();
    void moveInputRoutes_data();
    void moveInputRoutes();
    void refusalLeavesRecordUntouched();
    void moveFromEarlierPositionCutsRecord();
    void fullRecordRefusesMore();
    void tokenLongerThanTenCharacters();
    void castlingNeedsUnmovedKingAndRook();
    void castlingFirstInShortNotation();
    void pinnedKnightNotNamed();
    void mateMarkOnlyFromGivenText();
    void fenText_data();
    void fenText();
    void fenPosition_data();
    void fenPosition();
    void fenStartRights_data();
    void fenStartRights();
    void tokenNamesOnePiece_data();
    void tokenNamesOnePiece();
};

namespace {

bool SameRecord(const GameState& a, const GameState& b)
{
    return a.CurPly == b.CurPly && a.LastPly == b.LastPly && a.KifuBoard == b.KifuBoard &&
           a.KifuShort == b.KifuShort && a.KifuLong == b.KifuLong && a.KifuPostal == b.KifuPostal &&
           a.KifuCoord == b.KifuCoord && a.KifuNote == b.KifuNote;
}

}  // namespace

void RecordTest::standardStart()
{
    auto game = NewGame();
    QVERIFY(IsStandardStart(*game));
    QCOMPARE(game->CurPly, 0);
    QCOMPARE(game->LastPly, 0);

    game->KifuBoard[0][5][4] = 'N';  // a piece added in the middle makes a set-up position
    game->KifuBoard[0][5][4] = 0;
    QVERIFY(IsStandardStart(*game));
    game->KifuBoard[0][1][1] = 0;
    game->KifuBoard[0][1][1] = 'N';
    game->KifuBoard[0][2][1] = 'R';
}

void RecordTest::setupWithBlackToMove()
{
    auto game = NewGame("4k3/4p3/8/8/8/8/4P3/4K3 b - - 0 1");
    QCOMPARE(game->CurPly, 1);
    QCOMPARE(game->LastPly, 1);
    QCOMPARE(game->KifuBoard[0], game->KifuBoard[1]);
    QVERIFY(!IsStandardStart(*NewGame("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1")));

    QVERIFY(!Play(*game, "e4"));  // White has no move here: it is Black's turn
    QVERIFY(Play(*game, "e5"));
    QCOMPARE(game->CurPly, 2);
    QVERIFY(game->KifuShort[1].empty());
    QCOMPARE(Q(game->KifuShort[2]), QString("e5"));
    QVERIFY(Play(*game, "e4"));
    QCOMPARE(game->LastPly, 3);
}

void RecordTest::moveInputRoutes_data()
{
    QTest::addColumn<QStringList>("elements");
    QTest::addColumn<QString>("expected");

    QTest::newRow("mouse move") << QStringList{"e", "2", "e", "4"} << "e4 e2-e4 5254 e2e4";
    QTest::newRow("token Nf3") << QStringList{"N", "f", "3"} << "Nf3 Ng1-f3 7163 g1f3";
    QTest::newRow("two-character token") << QStringList{"e", "4"} << "e4 e2-e4 5254 e2e4";
    QTest::newRow("long token") << QStringList{"N", "g", "1", "-", "f", "3"} << "Nf3 Ng1-f3 7163 g1f3";
    QTest::newRow("stops at the first empty element") << QStringList{"e", "2", "e", "4", "", "q"}
                                                      << "e4 e2-e4 5254 e2e4";
    // A letter after a move that promotes nothing is no part of it: the
    // coordinate text goes to engines and into files.
    QTest::newRow("stray letter on a coordinate move") << QStringList{"e", "2", "e", "4", "q"}
                                                       << "e4 e2-e4 5254 e2e4";
    QTest::newRow("stray letter on a token") << QStringList{"c", "4", "R"} << "c4 c2-c4 3234 c2c4";
    QTest::newRow("illegal") << QStringList{"e", "2", "e", "5"} << "refused";
    QTest::newRow("nothing") << QStringList{} << "refused";
}

void RecordTest::moveInputRoutes()
{
    QFETCH(QStringList, elements);
    QFETCH(QString, expected);

    auto game = NewGame();
    const bool accepted = CommitMove(*game, elements.join(QString()).toStdString());
    if (expected == "refused") {
        QVERIFY(!accepted);
        QCOMPARE(game->CurPly, 0);
        QCOMPARE(game->LastPly, 0);
        return;
    }
    QVERIFY(accepted);
    QCOMPARE(game->CurPly, 1);
    QCOMPARE(game->LastPly, 1);
    QCOMPARE(Q(game->KifuShort[1] + " " + game->KifuLong[1] + " " + game->KifuPostal[1] + " " + game->KifuCoord[1]),
             expected);
}

void RecordTest::refusalLeavesRecordUntouched()
{
    auto game = NewGame();
    QCOMPARE(PlayAll(*game, "e4 e5 Nf3 Nc6 Bb5 a6 Ba4 Nf6 O-O Be7"), 10);
    game->KifuNote[1][10] = "2026/12/01";
    game->CurPly = 5;  // looking at an earlier position
    auto before = std::make_unique<GameState>(*game);

    for (const char* move : {"e2e4", "Ke3", "O-O", "Qxf7", "h1h8", "exd5", "a1a1"}) {
        QVERIFY2(!Play(*game, move), move);
        QVERIFY2(SameRecord(*game, *before), move);
    }
}

void RecordTest::moveFromEarlierPositionCutsRecord()
{
    auto game = NewGame();
    QCOMPARE(PlayAll(*game, "e4 e5 Nf3 Nc6 Bb5 a6"), 6);
    game->CurPly = 2;
    QVERIFY(Play(*game, "d4"));
    QCOMPARE(game->CurPly, 3);
    QCOMPARE(game->LastPly, 3);
    QCOMPARE(Q(game->KifuShort[3]), QString("d4"));
    QVERIFY(Play(*game, "exd4"));
    QCOMPARE(Q(game->KifuLong[4]), QString("e5xd4"));
}

void RecordTest::fullRecordRefusesMore()
{
    auto game = NewGame();
    for (int round = 0; round < 100; ++round)
        QCOMPARE(PlayAll(*game, "Nf3 Nf6 Ng1 Ng8"), 4);
    QCOMPARE(game->LastPly, kMaxPly);
    QCOMPARE(Q(game->KifuLong[kMaxPly]), QString("Nf6-g8"));
    auto before = std::make_unique<GameState>(*game);

    QVERIFY(!Play(*game, "Nf3"));
    QVERIFY(!Play(*game, "e2e4"));
    QVERIFY(SameRecord(*game, *before));
}

void RecordTest::tokenLongerThanTenCharacters()
{
    auto game = NewGame();
    // Cut after ten characters this would read as a legal Nf3.
    QVERIFY(!CommitMove(*game, "Nf3!!!!!!!!"));
    QCOMPARE(game->LastPly, 0);
    QVERIFY(Play(*game, "Nf3!!!!!!!"));
    QCOMPARE(Q(game->KifuShort[1]), QString("Nf3"));
}

void RecordTest::castlingNeedsUnmovedKingAndRook()
{
    auto kingWalked = NewGame();
    QCOMPARE(PlayAll(*kingWalked, "e4 e5 Nf3 Nc6 Bc4 Bc5 Ke2 Nf6 Ke1 d6"), 10);
    QVERIFY(!Play(*kingWalked, "O-O"));
    QVERIFY(Play(*kingWalked, "Nc3"));
    QVERIFY(Play(*kingWalked, "O-O"));  // Black's king and rook never moved
    QCOMPARE(Q(kingWalked->KifuPostal[12]), QString("5878"));

    auto rookWalked = NewGame();
    QCOMPARE(PlayAll(*rookWalked, "Nf3 Nf6 e3 e6 Be2 Be7 Rg1 O-O Rh1 Nc6"), 10);
    QVERIFY(!Play(*rookWalked, "O-O"));
    QVERIFY(!Play(*rookWalked, "e1g1"));
    QVERIFY(Play(*rookWalked, "Kf1"));

    // A set-up position counts pieces on their home squares as unmoved.
    auto setup = NewGame("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    QVERIFY(Play(*setup, "O-O-O"));
    QCOMPARE(Q(setup->KifuCoord[2]), QString("e8c8"));
    QVERIFY(Play(*setup, "O-O"));
    QCOMPARE(Q(WriteFenBoard(setup->KifuBoard[3])), QString("2kr3r/8/8/8/8/8/8/R4RK1"));
}

void RecordTest::castlingFirstInShortNotation()
{
    // Castling tokens hold "-" but never switch the game to long notation.
    auto game = NewGame("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1");
    QCOMPARE(PlayAll(*game, "O-O O-O-O Kh1 Kb8 e4 e5 Rfe1 Rhe8"), 8);
    QCOMPARE(Q(game->KifuShort[1] + " " + game->KifuShort[2]), QString("o-o o-o-o"));
    QCOMPARE(Q(game->KifuLong[7]), QString("Rf1-e1"));
}

void RecordTest::pinnedKnightNotNamed()
{
    // Another program writes Nd2: the knight on f3 is pinned, so only b1 may go.
    auto game = NewGame("4k3/8/8/3b4/8/5N2/8/1N5K w - - 0 1");
    QVERIFY(Play(*game, "Nd2"));
    QCOMPARE(Q(game->KifuCoord[1]), QString("b1d2"));
    QCOMPARE(Q(game->KifuShort[1]), QString("Nbd2"));
}

void RecordTest::mateMarkOnlyFromGivenText()
{
    auto game = NewGame("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1");
    QVERIFY(Play(*game, "Qa4#"));
    QCOMPARE(Q(game->KifuShort[1] + " " + game->KifuLong[1]), QString("Qa4# Qa1-a4#"));

    // The same move dragged again after the record was cut back to the start:
    // the old text of that ply must not lend it its "#".
    TruncateLine(*game, 0);
    QVERIFY(Play(*game, "a1a4"));
    QCOMPARE(Q(game->KifuShort[1] + " " + game->KifuLong[1]), QString("Qa4+ Qa1-a4+"));
}

void RecordTest::fenText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");  // board and side, or the error

    QTest::newRow("start") << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
                           << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w";
    QTest::newRow("black to move") << "4k3/8/8/8/8/8/8/4K3 b - - 0 1" << "4k3/8/8/8/8/8/8/4K3 b";
    QTest::newRow("any other side is Black") << "4k3/8/8/8/8/8/8/4K3 x" << "4k3/8/8/8/8/8/8/4K3 b";
    QTest::newRow("unnamed squares keep theirs") << "8/8 w" << "8/8/8/8/8/8/PPPPPPPP/RNBQKBNR w";
    QTest::newRow("a nine") << "9/8/8/8/8/8/8/8 w" << "error";
    QTest::newRow("rank too long") << "ppppppppp/8/8/8/8/8/8/8 w" << "error";
    QTest::newRow("rank too long by digits") << "4p4/8/8/8/8/8/8/8 w" << "error";
    QTest::newRow("nine ranks") << "8/8/8/8/8/8/8/8/8 w" << "error";
    QTest::newRow("no side") << "8/8/8/8/8/8/8/8" << "error";
    QTest::newRow("nothing after the space") << "8/8/8/8/8/8/8/8 " << "error";
    QTest::newRow("not a piece") << "8/8/8/8/8/8/8/7x w" << "error";
    QTest::newRow("castling not KQkq") << "4k3/8/8/8/8/8/8/4K2R w KX - 0 1" << "error";
    QTest::newRow("passed square no square") << "4k3/8/8/8/8/8/8/4K3 w - e9 0 1" << "error";
    QTest::newRow("clock no number") << "4k3/8/8/8/8/8/8/4K3 w - - x 1" << "error";
}

void RecordTest::fenText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    Board board = StandardStartBoard();
    const Board before = board;
    bool blackToMove = false;
    const FenError error = ReadFenText(text.toStdString(), board, blackToMove);
    if (expected == "error") {
        QVERIFY(error != FenError::None);
        QVERIFY(!FenErrorText(error).empty());
        QCOMPARE(board, before);
        return;
    }
    QCOMPARE(int(error), int(FenError::None));
    QCOMPARE(Q(WriteFenBoard(board)) + (blackToMove ? " b" : " w"), expected);
}

// A position handed to an engine must be one it can play from.
void RecordTest::fenPosition_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::newRow("kings and a check on the mover's opponent") << "4k3/4R3/8/8/8/8/8/4K3 b - - 0 1"
                                                               << int(FenError::None);
    QTest::newRow("no kings") << "8/8/8/8/8/8/8/8 w - - 0 1" << int(FenError::NoKing);
    QTest::newRow("no black king") << "8/8/8/8/8/8/8/4K3 w - - 0 1" << int(FenError::NoKing);
    QTest::newRow("two white kings") << "4k3/8/8/8/8/8/8/3KK3 w - - 0 1" << int(FenError::TwoKings);
    QTest::newRow("the side not to move in check") << "4k3/4R3/8/8/8/8/8/4K3 w - - 0 1"
                                                   << int(FenError::MoverInCheck);
    QTest::newRow("kings side by side") << "8/8/8/8/8/3k4/3K4/8 b - - 0 1" << int(FenError::MoverInCheck);
}

void RecordTest::fenPosition()
{
    QFETCH(QString, text);
    QFETCH(int, error);
    Board board{};
    bool blackToMove = false;
    QCOMPARE(int(ReadFenText(text.toStdString(), board, blackToMove)), int(FenError::None));
    QCOMPARE(int(CheckFenPosition(board, blackToMove)), error);
    QVERIFY(error == int(FenError::None) || !FenErrorText(FenError(error)).empty());
}

void RecordTest::fenStartRights_data()
{
    QTest::addColumn<QString>("fen");
    QTest::addColumn<QString>("tokens");
    QTest::addColumn<QString>("played");  // per token its short text, or "refused"
    QTest::addColumn<QString>("start");   // the start written back, as in the FEN tag
    QTest::addColumn<QString>("end");     // the position after the last ply, as in a FEN file
    QTest::addColumn<QString>("line");    // the move list's last line

    const QString passing = "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3";
    QTest::newRow("capture in passing") << passing << "exd6" << "exd6" << passing
                                        << "rnbqkbnr/ppp1pppp/3P4/8/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3" << "3. exd6";
    QTest::newRow("no castling") << "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1" << "O-O O-O-O Kf1" << "refused refused Kf1"
                                 << "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1" << "r3k2r/8/8/8/8/8/8/R4K1R b - - 1 1" << "1. Kf1";
    QTest::newRow("rights where the rooks stand") << "r3k2r/8/8/8/8/8/8/4K2R w KQq - 0 1" << "O-O O-O O-O-O"
                                                  << "o-o refused o-o-o" << "r3k2r/8/8/8/8/8/8/4K2R w Kq - 0 1"
                                                  << "2kr3r/8/8/8/8/8/8/5RK1 w - - 2 2" << "1. o-o      o-o-o";
    QTest::newRow("Black first at move 23") << "4k3/8/8/8/8/8/4P3/4K3 b - - 7 23" << "Kd7" << "Kd7"
                                            << "4k3/8/8/8/8/8/4P3/4K3 b - - 7 23" << "8/3k4/8/8/8/8/4P3/4K3 w - - 8 24"
                                            << "23. ...      Kd7";
    QTest::newRow("no pawn passed d6") << "4k3/8/8/8/8/8/4P3/4K3 w - d6 0 40" << "Kd2 Kd7 e4" << "Kd2 Kd7 e4"
                                       << "4k3/8/8/8/8/8/4P3/4K3 w - - 0 40" << "8/3k4/8/8/4P3/8/3K4/8 b - e3 0 41"
                                       << "41. e4";
}

void RecordTest::fenStartRights()
{
    QFETCH(QString, fen);
    QFETCH(QString, tokens);
    QFETCH(QString, played);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, line);

    auto game = NewGame(fen.toStdString());
    QStringList texts;
    for (const QString& token : tokens.split(' ', Qt::SkipEmptyParts))
        texts << (Play(*game, token.toStdString()) ? Q(game->KifuShort[game->CurPly]) : QString("refused"));
    QCOMPARE(texts.join(' '), played);
    QCOMPARE(Q(WriteStartFen(*game)), start);
    QCOMPARE(Q(WriteFenText(*game, game->LastPly)), end);
    QCOMPARE(Q(MoveListLine(*game, kStyleShort, game->LastPly)), line);
}

void RecordTest::tokenNamesOnePiece_data()
{
    QTest::addColumn<QString>("fen");
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("expected");  // the move committed, or "ambiguous"

    QTest::newRow("two knights free to go") << "1n2k3/8/5n2/8/8/8/8/4K3 b" << "Nd7" << "ambiguous";
    QTest::newRow("the knight named by file") << "1n2k3/8/5n2/8/8/8/8/4K3 b" << "Nbd7" << "b8d7";
    QTest::newRow("rooks on one file") << "4k3/8/8/R7/8/8/8/R3K3 w" << "Ra3" << "ambiguous";
    QTest::newRow("the rook named by rank") << "4k3/8/8/R7/8/8/8/R3K3 w" << "R1a3" << "a1a3";
    QTest::newRow("one of three queens") << "k7/8/8/8/4Q2Q/8/8/K6Q w" << "Qh4e1" << "h4e1";
}

void RecordTest::tokenNamesOnePiece()
{
    QFETCH(QString, fen);
    QFETCH(QString, token);
    QFETCH(QString, expected);

    auto game = NewGame(fen.toStdString());
    const int before = game->LastPly;
    const bool ambiguous = JudgeMove(*game, token.toStdString()) == MoveVerdict::Ambiguous;
    QCOMPARE(Play(*game, token.toStdString()), !ambiguous);
    QCOMPARE(ambiguous ? QString("ambiguous") : Q(game->KifuCoord[game->LastPly]), expected);
    QCOMPARE(game->LastPly, before + !ambiguous);
}

QTEST_APPLESS_MAIN(RecordTest)
#include "tst_record.moc"
