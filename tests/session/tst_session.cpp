// The game session: its record operations and its phases, step by step, with
// the record's bounds checked after every step.
#include "session/GameSession.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace vorlik;

namespace {

// Knights out and home again: 400 plies without a capture or a pawn move.
QString KnightDance()
{
    QStringList plies;
    for (int k = 0; k < 100; ++k)
        plies << "Nf3" << "Nf6" << "Ng1" << "Ng8";
    return plies.join(' ');
}

GamePhase PhaseNamed(const QString& name)
{
    if (name == "user")
        return GamePhase::UserToMove;
    if (name == "thinking")
        return GamePhase::EngineThinking;
    if (name == "setup")
        return GamePhase::SetupOpen;
    if (name == "ended")
        return GamePhase::Ended;
    return GamePhase::NoGame;
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    void steps_data();
    void steps();
};

void SessionTest::steps_data()
{
    // A step is a move (refused when written "!e4", ambiguous when "?Nd2"),
    // "@N" to show ply N ("@N!" when that is refused), "cut" to end the
    // record at the ply shown, "note" to type a note at the ply shown, "new",
    // "black" (a set-up with Black to move), "mate", "+N:m,m,..." (a line added after ply N; "+N:m,m=K" when
    // only K of its moves are placed), or a phase.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("curPly");
    QTest::addColumn<int>("lastPly");
    QTest::addColumn<QString>("lastMove");
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("resets");
    QTest::addColumn<int>("notes");  // plies whose first note is not empty
    const int none = int(GamePhase::NoGame);
    QTest::newRow("moves") << "e4 e5 Nf3" << 3 << 3 << "Nf3" << none << 0 << 0;
    QTest::newRow("refused") << "e4 !e4 !e2e5 !Qxf7#junk-too-long" << 1 << 1 << "e4" << none << 0 << 0;
    QTest::newRow("ambiguous") << "d4 d5 Nf3 Nf6 ?Nd2" << 4 << 4 << "Nf6" << none << 0 << 0;
    QTest::newRow("look back") << "e4 e5 Nf3 @1" << 1 << 3 << "Nf3" << none << 0 << 0;
    QTest::newRow("outside the record") << "e4 e5 @3! @-1!" << 2 << 2 << "e5" << none << 0 << 0;
    QTest::newRow("cut back") << "e4 note e5 note Nf3 note @1 cut" << 1 << 1 << "e4" << none << 0 << 1;
    QTest::newRow("cut then move") << "e4 e5 Nf3 @1 cut c5" << 2 << 2 << "c5" << none << 0 << 0;
    QTest::newRow("full record") << KnightDance() + " !Nf3 @399 @400" << 400 << 400 << "Ng8" << none << 0 << 0;
    QTest::newRow("new record") << "e4 note e5 user new" << 0 << 0 << "" << none << 1 << 0;
    QTest::newRow("set-up, Black to move") << "e4 black e5" << 2 << 2 << "e5" << none << 1 << 0;
    QTest::newRow("mate mark") << "e4 e5 Qh5 Nc6 Qxf7+ @2 mate" << 5 << 5 << "Qxf7#" << none << 0 << 0;
    QTest::newRow("no mate mark without a check") << "e4 mate" << 1 << 1 << "e4" << none << 0 << 0;
    QTest::newRow("engine thinking in a game") << "user thinking" << 0 << 0 << "" << int(GamePhase::EngineThinking) << 0 << 0;
    QTest::newRow("a game ended") << "user ended" << 0 << 0 << "" << int(GamePhase::Ended) << 0 << 0;
    QTest::newRow("line beside the record") << "e4 e5 Nf3 @1 +1:c5,Nf3,d6" << 1 << 3 << "Nf3" << none << 0 << 0;
    QTest::newRow("line cut at a refused move") << "e4 e5 Nf3 +0:d4,d5,Ke3,c4=2" << 3 << 3 << "Nf3" << none << 0 << 0;
    QTest::newRow("line following the record") << "e4 e5 Nf3 +1:e5,Nc3" << 3 << 3 << "Nf3" << none << 0 << 0;
    QTest::newRow("line at the end continues it") << "e4 e5 +2:Nf3,Nc6" << 2 << 4 << "Nc6" << none << 0 << 0;
    QTest::newRow("set-up open") << "e4 setup" << 1 << 1 << "e4" << int(GamePhase::SetupOpen) << 0 << 0;
}

void SessionTest::steps()
{
    QFETCH(QString, steps);
    QFETCH(int, curPly);
    QFETCH(int, lastPly);
    QFETCH(QString, lastMove);
    QFETCH(int, phase);
    QFETCH(int, resets);
    QFETCH(int, notes);
    GameSession session;
    QSignalSpy reset(&session, &GameSession::RecordReset);
    QSignalSpy changed(&session, &GameSession::RecordChanged);
    QSignalSpy phases(&session, &GameSession::PhaseChanged);
    int phaseSteps = 0;
    const GameState& game = session.Game();
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        const int changesBefore = changed.count();
        const int lastBefore = game.LastPly;
        if (step.startsWith('@')) {
            const bool refused = step.endsWith('!');
            const int ply = step.mid(1, step.size() - 1 - refused).toInt();
            QVERIFY2(session.GoToPly(ply) != refused, qPrintable(step));
        } else if (step == "cut") {
            QVERIFY(session.Truncate(game.CurPly));
        } else if (step == "note") {
            session.SetNote(1, game.CurPly, "着 " + std::to_string(game.CurPly));
        } else if (step == "new") {
            session.NewRecord();
        } else if (step == "black") {
            session.LoadSetup(game.KifuBoard[game.CurPly], true);
        } else if (step == "mate") {
            session.MarkMate();
        } else if (step.startsWith('+')) {
            const QStringList parts = step.mid(1).split(QRegularExpression("[:=]"));
            std::vector<std::string> line;
            for (const QString& move : parts[1].split(','))
                line.push_back(move.toStdString());
            const int placed = parts.size() > 2 ? parts[2].toInt() : int(line.size());
            const int shown = NodeAt(game, game.CurPly);
            QCOMPARE(session.AddLine(parts[0].toInt(), line), placed);
            QCOMPARE(NodeAt(game, game.CurPly), shown);
            QCOMPARE(changed.count() - changesBefore, placed > 0 ? 1 : 0);
        } else if (step == "user" || step == "thinking" || step == "setup" || step == "ended") {
            session.SetPhase(PhaseNamed(step));
            ++phaseSteps;
        } else {
            const MoveVerdict expected = step.startsWith('!')   ? MoveVerdict::Illegal
                                         : step.startsWith('?') ? MoveVerdict::Ambiguous
                                                                : MoveVerdict::Legal;
            const QString move = expected == MoveVerdict::Legal ? step : step.mid(1);
            QCOMPARE(int(session.CommitMove(move.toStdString())), int(expected));
            // A refused move leaves the record alone, and says nothing.
            if (expected != MoveVerdict::Legal) {
                QCOMPARE(game.LastPly, lastBefore);
                QCOMPARE(changed.count(), changesBefore);
            }
        }
        QVERIFY2(session.Intact(), qPrintable(step));
    }
    QCOMPARE(game.CurPly, curPly);
    QCOMPARE(game.LastPly, lastPly);
    QCOMPARE(QString::fromStdString(game.KifuShort[game.LastPly]), lastMove);
    QCOMPARE(int(session.Phase()), phase);
    QCOMPARE(reset.count(), resets);
    QCOMPARE(phases.count(), phaseSteps + (resets > 0 && phaseSteps > 0 ? 1 : 0));
    int noted = 0;
    for (int ply = 0; ply <= kMaxPly; ++ply)
        noted += !game.KifuNote[1][ply].empty();
    QCOMPARE(noted, notes);
}

QTEST_GUILESS_MAIN(SessionTest)
#include "tst_session.moc"
