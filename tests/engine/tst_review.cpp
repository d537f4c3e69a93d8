// The review of a whole game, the scripted UCI engine giving each position the
// score a row chooses, and once with Stockfish: the record's PGN text after it.
#include "core/MoveCommit.h"
#include "engine/EngineBuilder.h"
#include "engine/EngineLines.h"
#include "engine/GameReview.h"
#include "records/KifuFormat.h"
#include "session/GameSession.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

using namespace vorlik;

namespace {

QString MoveText(const GameState& game)
{
    QStringList text;
    for (const std::string& line : WritePgnGame(game, GameHeader{}, false))
        if (!line.empty() && line[0] != '[')
            text << QString::fromStdString(line);
    return text.join(' ');
}

// A session holding moves, the first with a comment when one is given.
void Play(GameSession& session, const QString& moves, const QString& comment = QString())
{
    for (const QString& move : moves.split(' ', Qt::SkipEmptyParts))
        QVERIFY(session.CommitMove(move.toStdString()) == MoveVerdict::Legal);
    if (!comment.isEmpty())
        QVERIFY(session.SetComment(1, comment.toStdString()) == TreeResult::Done);
}

// A review of the session's record by the engine of set.
struct Rig {
    QTemporaryDir folder;
    GameSession session;
    std::unique_ptr<EngineProtocol> engine;
    std::unique_ptr<GameReview> review;

    void start(const EngineSettings& set)
    {
        std::string error;
        engine = StartEngine(set, folder.path(), error);
        QVERIFY2(engine, error.c_str());
        review = std::make_unique<GameReview>(*engine, session);
    }
    // The scripted engine answering position k of the main line with "info
    // depth 12 score SCORES[k]" (nothing for an empty one), after extra rules.
    void startScripted(const QStringList& scores, const QStringList& extraRules = {})
    {
        std::ofstream script(folder.filePath("script").toStdString());
        for (const QString& rule : extraRules)
            script << rule.toStdString() << "\n";
        std::string position = "position startpos";
        for (int ply = 0; ply <= session.Game().LastPly && ply < scores.size(); ++ply) {
            if (ply > 0)
                position += (ply == 1 ? " moves " : " ") + EngineMoveText(session.Game().KifuCoord[ply]);
            if (!scores[ply].isEmpty())
                script << "on " << position << ": next info depth 12 score " << scores[ply].toStdString() << "\n";
        }
        script.close();  // whole on disk before the engine starts and reads it
        EngineSettings set;
        set.Path = VORLIK_SCRIPTED_UCI_ENGINE;
        set.Arguments = "--script " + folder.filePath("script").toStdString();
        set.Protocol = EngineProtocolKind::Uci;
        start(set);
    }
};

}  // namespace

class ReviewTest : public QObject {
    Q_OBJECT
private slots:
    void plan_data();
    void plan();
    void unfinishedLeavesRecord_data();
    void unfinishedLeavesRecord();
    void stockfishFindsDroppedQueen();
    void tablesOverTheEngine();
};

// Scores are as a UCI engine writes them: from the side to move. "?" ($2) beyond
// half a pawn lost, "??" ($4) beyond a pawn and a half; the engine's line then
// stands beside the move, from the position before it.
void ReviewTest::plan_data()
{
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QString>("comment");      // the user's, on the first move
    QTest::addColumn<QStringList>("scores");   // per position, from the start
    QTest::addColumn<QString>("annotated");    // the move text afterwards
    QTest::newRow("evaluations written") << "e4 e5" << ""
        << QStringList{"cp 30 pv e2e4 e7e5", "cp -30 pv e7e5", "cp 25 pv g1f3"}
        << "1. e4 {+0.30} 1... e5 {+0.25} *";
    QTest::newRow("the user's comment kept") << "e4" << "好きな手"
        << QStringList{"cp 30 pv e2e4", "cp -30 pv e7e5"} << "1. e4 {好きな手 +0.30} *";
    QTest::newRow("an earlier review's evaluation replaced") << "e4" << "好きな手 #−2"
        << QStringList{"cp 30 pv e2e4", "cp -30 pv e7e5"} << "1. e4 {好きな手 +0.30} *";
    QTest::newRow("half a pawn lost: no mark") << "e4" << ""
        << QStringList{"cp 30 pv d2d4 d7d5", "cp 20 pv e7e5"} << "1. e4 {-0.20} *";
    QTest::newRow("more than half: ? and the line") << "e4" << ""
        << QStringList{"cp 30 pv d2d4 d7d5", "cp 21 pv e7e5"} << "1. e4 $2 {-0.21} (1. d4 d5) *";
    QTest::newRow("a pawn and a half: ?") << "e4" << ""
        << QStringList{"cp 30 pv d2d4 d7d5", "cp 120 pv e7e5"} << "1. e4 $2 {-1.20} (1. d4 d5) *";
    QTest::newRow("more: ??") << "e4" << ""
        << QStringList{"cp 30 pv d2d4 d7d5", "cp 121 pv e7e5"} << "1. e4 $4 {-1.21} (1. d4 d5) *";
    QTest::newRow("Black's loss, line from before Black's move") << "e4 e5" << ""
        << QStringList{"cp 30 pv e2e4", "cp -30 pv d7d5 e4d5", "cp 300 pv g1f3"}
        << "1. e4 {+0.30} 1... e5 $4 {+3.00} (1... d5 2. exd5) *";
    QTest::newRow("the engine's own move is never marked") << "e4" << ""
        << QStringList{"cp 30 pv e2e4", "cp 200 pv e7e5"} << "1. e4 {-2.00} *";
    QTest::newRow("a mate let go") << "e4" << ""
        << QStringList{"mate 3 pv d2d4", "cp -500 pv e7e5"} << "1. e4 $4 {+5.00} (1. d4) *";
    QTest::newRow("a mate walked into") << "e4" << ""
        << QStringList{"cp 10 pv d2d4", "mate 2 pv e7e5"} << "1. e4 $4 {#-2} (1. d4) *";
    QTest::newRow("decided either way: nothing lost") << "e4" << ""
        << QStringList{"mate 5 pv d2d4", "cp -1500 pv e7e5"} << "1. e4 {+15.00} *";
    QTest::newRow("a position without a word from the engine") << "e4 e5" << ""
        << QStringList{"cp 30 pv d2d4", "", "cp 300 pv g1f3"} << "1. e4 e5 {+3.00} *";
    QTest::newRow("mate on the board needs no engine") << "f3 e5 g4 Qh4" << ""
        << QStringList{"cp 10 pv e2e4", "cp 90 pv e7e5", "cp -120 pv d2d4", "mate 1 pv d8h4"}
        << "1. f3 $2 {-0.90} (1. e4) 1... e5 {-1.20} 2. g4 $4 {#-1} (2. d4) 2... Qh4# *";
}

void ReviewTest::plan()
{
    QFETCH(QString, moves);
    QFETCH(QString, comment);
    QFETCH(QStringList, scores);
    QFETCH(QString, annotated);
    Rig rig;
    Play(rig.session, moves, comment);
    rig.session.GoToPly(1);  // the board stays where the user left it
    rig.startScripted(scores);
    QSignalSpy finished(rig.review.get(), &GameReview::finished);
    QSignalSpy changed(&rig.session, &GameSession::RecordChanged);
    rig.review->start({1});  // the engine answers at once: the review waits for its word, not the clock
    QVERIFY(finished.wait(30000));
    QCOMPARE(MoveText(rig.session.Game()), annotated);
    // A position the engine said nothing of is named in the summary.
    const QString unjudged = finished.first().first().toString();
    QCOMPARE(unjudged.contains(QString::fromUtf8("2手目の後")), scores.indexOf(QString()) == 2);
    QCOMPARE(unjudged.isEmpty(), !scores.contains(QString()));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(rig.session.Game().CurPly, 1);
    QVERIFY(IsMainLine(rig.session.Game(), rig.session.Game().LastPly));
}

// Cancelled, the engine gone or silent, the record is the same to the byte;
// why is told.
void ReviewTest::unfinishedLeavesRecord_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("rules");
    QTest::newRow("cancelled") << "cancel" << QStringList{};
    QTest::newRow("the engine crashes") << "failed" << QStringList{"on position startpos moves e2e4 e7e5: crash"};
    QTest::newRow("the engine never evaluates") << "failed" << QStringList{"on go*: sleep 0"};
}

void ReviewTest::unfinishedLeavesRecord()
{
    QFETCH(QString, how);
    QFETCH(QStringList, rules);
    Rig rig;
    Play(rig.session, "e4 e5 Nf3 Nc6", "好きな手");
    QCOMPARE(rig.session.AddLine(2, {"d4"}), 1);
    const QString before = MoveText(rig.session.Game());
    rig.startScripted({"cp 30 pv d2d4", "cp 300 pv e7e5", "cp 30 pv d2d4", "cp 300 pv b8c6", "cp 30 pv d2d4"}, rules);
    QSignalSpy progress(rig.review.get(), &GameReview::progress);
    QSignalSpy failed(rig.review.get(), &GameReview::failed);
    QSignalSpy changed(&rig.session, &GameSession::RecordChanged);
    rig.review->start({how == "cancel" ? 5000 : 1});
    if (how == "cancel") {
        QTRY_COMPARE_WITH_TIMEOUT(progress.count(), 1, 30000);
        rig.review->cancel();
        QTest::qWait(300);
        QCOMPARE(failed.count(), 0);
    } else {
        QVERIFY(failed.wait(30000));
        QVERIFY(failed.first().first().toString().contains(QString::fromUtf8("棋譜はそのままです")));
    }
    QVERIFY(!rig.review->running());
    QCOMPARE(MoveText(rig.session.Game()), before);
    QCOMPARE(changed.count(), 0);
}

// A real engine, a fifth of a second a position: the queen left en prise is
// the blunder.
void ReviewTest::stockfishFindsDroppedQueen()
{
    const QString stockfish = QStandardPaths::findExecutable("stockfish", {"/usr/games", "/usr/bin"});
    if (stockfish.isEmpty())
        QSKIP("stockfish is not installed");
    Rig rig;
    Play(rig.session, "e4 e5 Nf3 Qh4 Nxh4 Nf6");
    EngineSettings set;
    set.Path = stockfish.toStdString();
    set.Protocol = EngineProtocolKind::Uci;
    rig.start(set);
    QSignalSpy finished(rig.review.get(), &GameReview::finished);
    rig.review->start({200});
    QVERIFY(finished.wait(30000));
    const GameState& game = rig.session.Game();
    QCOMPARE(Node(game, NodeAt(game, 4)).nags, std::vector<unsigned char>{4});
    QCOMPARE(Children(game, NodeAt(game, 3)).size(), std::size_t(2));  // the engine's line beside Qh4
}

// Where the tables hold a position their result stands in place of the
// engine's guess: an engine that still sees a win after the move that threw
// it away marks nothing; by the tables the move is "??", the tables' move
// beside it, and a later review replaces their word as it does a score.
void ReviewTest::tablesOverTheEngine()
{
    GameSession session;
    Play(session, "e4");
    const GameState mainLine = MainLineGame(session.Game());
    std::vector<PositionVerdict> verdicts(2);
    for (PositionVerdict& verdict : verdicts) {
        verdict.score = EngineScore{};
        verdict.score->value = 900;
        verdict.line = {"g1f3"};
    }
    QVERIFY(MakeReviewPlan(mainLine, verdicts, {}).front().nags.empty());
    const TableJudge judge = [](const GameState&, int ply) {
        PositionVerdict verdict;
        verdict.score = EngineScore{};
        verdict.score->value = ply == 0 ? 1000 : 0;
        verdict.text = ply == 0 ? "TB:1-0" : "TB:1/2";
        verdict.line = {"d2d4"};
        return std::optional<PositionVerdict>(verdict);
    };
    TakeTableVerdicts(mainLine, verdicts, judge);
    const std::vector<ReviewMark> plan = MakeReviewPlan(mainLine, verdicts, {});
    QCOMPARE(plan.size(), std::size_t{1});
    QCOMPARE(plan[0].comment, std::string("TB:1/2"));
    QCOMPARE(plan[0].nags, std::vector<unsigned char>{4});
    QCOMPARE(plan[0].line, std::vector<std::string>{"d2d4"});
    QCOMPARE(ReviewComment("好きな手 TB:1/2", "+0.30"), std::string("好きな手 +0.30"));
}

QTEST_GUILESS_MAIN(ReviewTest)
#include "tst_review.moc"
