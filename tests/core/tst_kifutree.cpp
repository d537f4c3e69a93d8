// The record as a tree: moves, variations, take-back, promotion and deletion,
// with the line on the board equal to the tree after every step.
#include "TestSupport.h"

#include "bench/GameGenerator.h"
#include "core/KifuTree.h"

#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

class KifuTreeTest : public QObject {
    Q_OBJECT
private slots:
    void operations_data();
    void operations();
};

namespace {

QString Line(const GameState& game, int last)
{
    QStringList moves;
    for (int ply = 1; ply <= last; ++ply)
        moves << Q(game.KifuShort[ply]);
    return moves.join(' ');
}

// Plies of the shown line whose first postal box holds something.
QString NotedPlies(const GameState& game)
{
    QStringList plies;
    for (int ply = 0; ply <= game.LastPly; ++ply)
        if (!game.KifuNote[1][ply].empty())
            plies << QString::number(ply);
    return plies.join(' ');
}

// Why a move was refused, as the scripts name it.
QString Refusal(const GameState& game, const std::string& move)
{
    return JudgeMove(game, move) == MoveVerdict::NoRoom ? "no room" : "refused";
}

// Every other legal move as an alternative at every ply, each with one reply,
// beside a main line of knight moves, until the record refuses a move.
QString FillTree(GameState& game)
{
    const char* shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int ply = 1; ply < kMaxPly; ++ply) {
        const std::string main = shuffle[(ply - 1) % 4];
        if (!Play(game, main))
            return Refusal(game, main);
        GoToPly(game, ply - 1);
        for (const std::string& move : LegalMoves(game)) {
            if (move == main)
                continue;
            if (!Play(game, move))
                return Refusal(game, move);
            const std::string reply = LegalMoves(game).front();
            if (!Play(game, reply))
                return Refusal(game, reply);
            GoToPly(game, ply - 1);
        }
        Play(game, main);  // back on the main line
    }
    return {};
}

// Nests a variation inside the last one until the record refuses a move.
QString NestVariations(GameState& game)
{
    for (;;) {
        const std::vector<std::string> moves = LegalMoves(game);
        const int ply = game.CurPly;
        if (!Play(game, moves[0]))
            return Refusal(game, moves[0]);
        GoToPly(game, ply);
        if (!Play(game, moves[1]))
            return Refusal(game, moves[1]);
    }
}

// One step of a script: a move, or "@n" go to ply n, "<n" cut after ply n,
// "^n" promote and "xn" delete the variation at ply n, "#" mark mate, "main"
// the main line, "=n" a note at ply n, "{N" a comment of N bytes on the
// board's ply, "fill" and "nest" up to a limit. The refusal, if any, is
// returned as text.
QString Step(GameState& game, const QString& step)
{
    const int n = step.mid(1).toInt();
    const auto text = [](TreeResult result) { return result == TreeResult::Done ? QString() : Q(TreeResultText(result)); };
    if (step.startsWith('@'))
        GoToPly(game, n);
    else if (step.startsWith('<'))
        TruncateLine(game, n);
    else if (step.startsWith('^'))
        return text(PromoteVariation(game, n));
    else if (step.startsWith('x'))
        return text(DeleteVariation(game, n));
    else if (step == "#")
        return text(MarkMate(game));
    else if (step == "main")
        game = MainLineGame(game);
    else if (step.startsWith('='))
        return text(SetNote(game, n, 1, "note"));
    else if (step.startsWith('{'))
        return text(SetComment(game, game.CurPly, std::string(n, 'x')));
    else if (step == "fill")
        return FillTree(game);
    else if (step == "nest")
        return NestVariations(game);
    else if (!Play(game, step.toStdString()))
        return Refusal(game, step.toStdString());
    return {};
}

}  // namespace

void KifuTreeTest::operations_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("line");  // the shown line, root to LastPly
    QTest::addColumn<int>("curPly");
    QTest::addColumn<QString>("mainLine");
    QTest::addColumn<int>("moves");      // in the whole tree
    QTest::addColumn<QString>("noted");  // plies of the line with a note
    QTest::addColumn<QString>("refusal");

    QTest::newRow("moves at the end append") << "e4 e5 Nf3" << "e4 e5 Nf3" << 3 << "e4 e5 Nf3" << 3 << "" << "";
    QTest::newRow("a move at an earlier ply starts a variation")
        << "e4 e5 Nf3 @1 c5 Nf3" << "e4 c5 Nf3" << 3 << "e4 e5 Nf3" << 5 << "" << "";
    QTest::newRow("a move already there is followed, its line shown")
        << "e4 e5 Nf3 Nc6 @1 e5" << "e4 e5 Nf3 Nc6" << 2 << "e4 e5 Nf3 Nc6" << 4 << "" << "";
    QTest::newRow("a variation promoted becomes the main line")
        << "e4 e5 Nf3 @1 c5 Nf3 ^3" << "e4 c5 Nf3" << 3 << "e4 c5 Nf3" << 5 << "" << "";
    QTest::newRow("promoting the main line is refused")
        << "e4 e5 ^2" << "e4 e5" << 2 << "e4 e5" << 2 << "" << Q(TreeResultText(TreeResult::NotInVariation));
    QTest::newRow("a nested variation rises one level")
        << "e4 e5 Nf3 @1 c5 Nf3 @2 d4 ^3 ^2" << "e4 c5 d4" << 3 << "e4 c5 d4" << 6 << "" << "";
    QTest::newRow("a deleted variation shows the move it stood beside")
        << "e4 e5 Nf3 @1 c5 Nf3 d6 x3" << "e4 e5 Nf3" << 2 << "e4 e5 Nf3" << 3 << "" << "";
    QTest::newRow("a cut keeps the alternatives; the same move ends the line again")
        << "e4 e5 Nf3 @1 c5 <1 e5" << "e4 e5" << 2 << "e4 e5 Nf3" << 3 << "" << "";
    QTest::newRow("take-back then another move")
        << "e4 e5 Nf3 Nc6 <2 d4" << "e4 e5 d4" << 3 << "e4 e5 d4" << 3 << "" << "";
    QTest::newRow("the last check becomes mate")
        << "e4 f5 Qh5+ #" << "e4 f5 Qh5#" << 3 << "e4 f5 Qh5#" << 3 << "" << "";
    QTest::newRow("notes stay with the main line's plies")
        << "e4 =1 e5 =2 @1 c5 =2 main" << "e4 e5" << 1 << "e4 e5" << 3 << "1 2" << "";
    QTest::newRow("a variation's ply starts without the main line's note")
        << "e4 e5 =2 @1 c5" << "e4 c5" << 2 << "e4 e5" << 3 << "" << "";
    QTest::newRow("a comment of 64 kB") << "e4 {65536" << "e4" << 1 << "e4" << 1 << "" << "";
    QTest::newRow("a longer comment is refused")
        << "e4 {65537" << "e4" << 1 << "e4" << 1 << "" << Q(TreeResultText(TreeResult::CommentTooLong));
    QTest::newRow("variations nest 50 deep, no deeper") << "nest" << "" << -1 << "" << 101 << "" << "no room";
    QTest::newRow("the tree holds 10000 moves, no more")
        << "fill" << "" << -1 << "" << kMaxTreeMoves << "" << "no room";
}

void KifuTreeTest::operations()
{
    QFETCH(QString, script);
    QFETCH(QString, line);
    QFETCH(int, curPly);
    QFETCH(QString, mainLine);
    QFETCH(int, moves);
    QFETCH(QString, noted);
    QFETCH(QString, refusal);

    auto game = NewGame();
    QString refused;
    for (const QString& step : script.split(' ')) {
        refused = Step(*game, step);
        QVERIFY2(LineMatchesTree(*game), qPrintable(step));
    }
    QCOMPARE(refused, refusal);
    QCOMPARE(TreeMoves(*game), moves);
    if (curPly < 0)
        return;  // a limit: the count and the refusal tell it
    QCOMPARE(Line(*game, game->LastPly), line);
    QCOMPARE(game->CurPly, curPly);
    const GameState main = MainLineGame(*game);
    QCOMPARE(Line(main, main.LastPly), mainLine);
    QCOMPARE(NotedPlies(*game), noted);
}

QTEST_APPLESS_MAIN(KifuTreeTest)
#include "tst_kifutree.moc"
