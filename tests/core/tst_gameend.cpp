// Mate and stalemate: how the last move of a game is written and what the
// window is told about the position it leaves.
#include "TestSupport.h"

#include "bench/GameGenerator.h"
#include "core/GameEnd.h"
#include "core/ModuleMekMoveCheck.h"

#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

class GameEndTest : public QObject {
    Q_OBJECT

private slots:
    void wholeGames_data();
    void wholeGames();
    void resultTexts();
    void searchAgreesWithEveryMoveTried();
};

namespace {

QString EndName(GameEnd end)
{
    switch (end) {
    case GameEnd::None: return "none";
    case GameEnd::WhiteMates: return "white mates";
    case GameEnd::BlackMates: return "black mates";
    case GameEnd::Stalemate: return "stalemate";
    case GameEnd::Repetition: return "repetition";
    case GameEnd::FiftyMoves: return "fifty";
    case GameEnd::NoMaterial: return "material";
    }
    return "?";
}

void Row(const char* name, const char* fen, const char* tokens, const char* lastShort, const char* lastLong,
         const char* end)
{
    QTest::newRow(name) << fen << tokens << lastShort << lastLong << end;
}

}  // namespace

void GameEndTest::wholeGames_data()
{
    QTest::addColumn<QString>("fen");        // the start, or empty for the standard one
    QTest::addColumn<QString>("tokens");     // the moves as a file gives them
    QTest::addColumn<QString>("lastShort");  // KifuShort of the last ply
    QTest::addColumn<QString>("lastLong");   // KifuLong of the last ply
    QTest::addColumn<QString>("end");        // GameEndAfter afterwards

    Row("fool's mate", "", "f3 e5 g4 Qh4", "Qh4#", "Qd8-h4#", "black mates");
    Row("fool's mate read with +", "", "f3 e5 g4 Qh4+", "Qh4#", "Qd8-h4#", "black mates");
    Row("fool's mate read with #", "", "f3 e5 g4 Qh4#", "Qh4#", "Qd8-h4#", "black mates");
    Row("fool's mate from the engine", "", "f2f3 e7e5 g2g4 d8h4", "Qh4#", "Qd8-h4#", "black mates");
    Row("scholar's mate, by capture", "", "e4 e5 Bc4 Nc6 Qh5 Nf6 Qxf7", "Qxf7#", "Qh5xf7#", "white mates");
    Row("smothered", "", "e4 c6 d4 d5 Nc3 dxe4 Nxe4 Nd7 Qe2 Ngf6 Nd6", "Nd6#", "Ne4-d6#", "white mates");
    Row("back rank", "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "Ra8", "Ra8#", "Ra1-a8#", "white mates");
    Row("back rank with a way out", "6k1/5pp1/7p/8/8/8/8/R5K1 w - - 0 1", "Ra8", "Ra8+", "Ra1-a8+", "none");
    Row("promotion", "k7/2P5/1K6/8/8/8/8/8 w - - 0 1", "c8=Q", "c8=Q#", "c7-c8=Q#", "white mates");
    Row("promotion to a rook", "k7/2P5/1K6/8/8/8/8/8 w - - 0 1", "c8=R", "c8=R#", "c7-c8=R#", "white mates");
    Row("black promotes with capture", "8/8/8/8/8/1k6/2p5/K2R4 b - - 0 1", "cxd1=Q", "cxd1=Q#", "c2xd1=Q#",
        "black mates");
    Row("castling", "4rkr1/4p1p1/8/8/8/8/8/4K2R w K - 0 1", "O-O", "o-o#", "o-o#", "white mates");
    Row("castling written small", "4rkr1/4p1p1/8/8/8/8/8/4K2R w K - 0 1", "o-o", "o-o#", "o-o#", "white mates");
    Row("the only way out, in passing, opens the file", "k3rr2/6p1/7p/5P2/5K2/r7/8/3b4 b - - 0 1", "g5", "g5#",
        "g7-g5#", "black mates");
    Row("in passing is the way out", "k3r3/6p1/7p/5P2/5K2/r7/8/3b4 b - - 0 1", "g5", "g5+", "g7-g5+", "none");
    Row("taken in passing out of check", "k3r3/6p1/7p/5P2/5K2/r7/8/3b4 b - - 0 1", "g5 fxg6", "fxg6", "f5xg6",
        "none");
    Row("a single step gives no passing", "k3r3/8/6pp/5P2/5K2/r7/8/3b4 b - - 0 1", "g5", "g5#", "g6-g5#",
        "black mates");
    Row("double step blocks the check", "1r5k/8/2n5/7r/K7/8/4P3/1n6 b - - 0 1", "Rh4", "Rh4+", "Rh5-h4+", "none");
    Row("no step to block with", "1r5k/8/2n5/7r/K7/4p3/4P3/1n6 b - - 0 1", "Rh4", "Rh4#", "Rh5-h4#",
        "black mates");
    Row("Loyd's stalemate", "",
        "e3 a5 Qh5 Ra6 Qxa5 h5 h4 Rah6 Qxc7 f6 Qxd7+ Kf7 Qxb7 Qd3 Qxb8 Qh7 Qxc8 Kg6 Qe6", "Qe6", "Qc8-e6",
        "stalemate");
    Row("king and queen stalemate", "7k/4Q3/6K1/8/8/8/8/8 w - - 0 1", "Qf7", "Qf7", "Qe7-f7", "stalemate");
    Row("stalemate of white", "8/8/8/8/8/6k1/4q3/7K b - - 0 1", "Qf2", "Qf2", "Qe2-f2", "stalemate");
    Row("in passing saves from stalemate", "k7/8/1Q6/8/3p4/3P4/4P3/7K w - - 0 1", "e4", "e4", "e2-e4", "none");
    Row("stalemate once the pawn is blocked", "k7/8/1Q6/8/3p4/3P4/4P3/7K w - - 0 1", "Kg1", "Kg1", "Kh1-g1",
        "stalemate");
    Row("check, not mate", "", "e4 f5 Qh5", "Qh5+", "Qd1-h5+", "none");
    Row("check declared as mate stays", "", "e4 f5 Qh5#", "Qh5#", "Qd1-h5#", "none");

    // Draws by rule.
    Row("repetition: knights out and back twice", "", "Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8", "Ng8", "Nf6-g8",
        "repetition");
    Row("twice is no repetition", "", "Nf3 Nf6 Ng1 Ng8", "Ng8", "Nf6-g8", "none");
    Row("a file plays on after a repetition", "", "Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 e4", "e4", "e2-e4", "none");
    Row("castling rights lost make another position", "", "e4 e5 Ke2 Ke7 Ke1 Ke8 Ke2 Ke7 Ke1 Ke8", "Ke8",
        "Ke7-e8", "none");
    Row("a capture in passing open makes another position",
        "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3", "Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8", "Ng8",
        "Nf6-g8", "none");
    Row("a double step no pawn can take leaves no right",
        "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2", "Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8", "Ng8",
        "Nf6-g8", "repetition");
    Row("fifty moves counted on from the FEN's clock", "7k/8/8/8/8/8/8/KR6 w - - 98 60", "Rb2 Kg8", "Kg8", "Kh8-g8",
        "fifty");
    Row("one ply short of fifty moves", "7k/8/8/8/8/8/8/KR6 w - - 98 60", "Rb2", "Rb2", "Rb1-b2", "none");
    Row("a mate on the hundredth ply wins", "7k/8/6K1/8/8/8/8/1R6 w - - 99 60", "Rb8", "Rb8#", "Rb1-b8#",
        "white mates");
    Row("bare kings after a capture", "7k/8/8/8/8/8/1q6/K7 w - - 0 1", "Kxb2", "Kxb2", "Ka1xb2", "material");
    Row("king and knight against a king", "7k/8/8/8/8/8/8/KN6 w - - 0 1", "Kb2", "Kb2", "Ka1-b2", "material");
    Row("two knights may still mate", "7k/8/8/8/8/8/8/KNN5 w - - 0 1", "Ka2", "Ka2", "Ka1-a2", "none");
    Row("bishops on one colour", "7k/8/8/8/8/8/b7/KB6 w - - 0 1", "Bc2", "Bc2", "Bb1-c2", "material");
    Row("bishops on both colours", "7k/8/8/8/8/b7/8/KB6 w - - 0 1", "Bc2", "Bc2", "Bb1-c2", "none");
}

void GameEndTest::wholeGames()
{
    QFETCH(QString, fen);
    QFETCH(QString, tokens);
    QFETCH(QString, lastShort);
    QFETCH(QString, lastLong);
    QFETCH(QString, end);

    auto game = NewGame(fen.toStdString());
    const QStringList moves = tokens.split(' ');
    const int accepted = PlayAll(*game, tokens);
    QCOMPARE(accepted, int(moves.size()));
    const int ply = game->LastPly;
    QCOMPARE(Q(game->KifuShort[ply]), lastShort);
    QCOMPARE(Q(game->KifuLong[ply]), lastLong);
    QVERIFY(Q(game->KifuPostal[ply]).indexOf(QRegularExpression("[+#]")) < 0);
    QVERIFY(Q(game->KifuCoord[ply]).indexOf(QRegularExpression("[+#]")) < 0);
    QCOMPARE(EndName(GameEndAfter(*game)), end);
}

void GameEndTest::resultTexts()
{
    auto game = NewGame();
    PlayAll(*game, "f3 e5 g4 Qh4");
    QCOMPARE(QString(GameEndResult(GameEndAfter(*game))), QString("0-1"));
    game = NewGame();
    PlayAll(*game, "e4 e5 Bc4 Nc6 Qh5 Nf6 Qxf7");
    QCOMPARE(QString(GameEndResult(GameEndAfter(*game))), QString("1-0"));
    game = NewGame("7k/4Q3/6K1/8/8/8/8/8 w - - 0 1");
    PlayAll(*game, "Qf7");
    QCOMPARE(QString(GameEndResult(GameEndAfter(*game))), QString("1/2-1/2"));
    game = NewGame();
    QCOMPARE(QString(GameEndResult(GameEndAfter(*game))), QString());
}

void GameEndTest::searchAgreesWithEveryMoveTried()
{
    // Random games position by position: the quick search must find a move
    // exactly when trying every candidate through the rules finds one, and
    // every check must be marked "#" exactly when it leaves no move.
    const std::vector<GameTokens> games = GenerateRandomGames(4242, 120);
    int positions = 0, mates = 0, stalemates = 0;
    for (std::size_t g = 0; g < games.size(); ++g) {
        auto game = NewGame();
        for (const std::string& token : games[g]) {
            QVERIFY(Play(*game, token));
            const int ply = game->CurPly;
            const bool anyMove = !LegalMoves(*game).empty();
            const BoardHistory history{game->KifuBoard.data(), ply + 1};
            const QString where = QString("game %1 ply %2").arg(g + 1).arg(ply);
            QVERIFY2(HasLegalMove(game->KifuBoard[ply], IsWhitePly(ply + 1), game->KifuPostal[ply], history) ==
                         anyMove,
                     qPrintable(where));
            const GameEnd end = GameEndAfter(*game);
            QVERIFY2((end == GameEnd::None || IsDrawByRule(end)) == anyMove, qPrintable(where));
            const bool markedMate = game->KifuShort[ply].back() == '#';
            QVERIFY2(markedMate == (end == GameEnd::WhiteMates || end == GameEnd::BlackMates), qPrintable(where));
            mates += markedMate;
            stalemates += end == GameEnd::Stalemate;
            ++positions;
        }
    }
    qInfo("%d positions, %d mates, %d stalemates", positions, mates, stalemates);
    QVERIFY(mates > 0 && stalemates > 0);
}

QTEST_APPLESS_MAIN(GameEndTest)
#include "tst_gameend.moc"
