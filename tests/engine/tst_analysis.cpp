// The protocol objects on an in-memory device, and the analysis built on
// them: scores, lines cut, stale output dropped, the engine's end.
#include "core/ModuleMekDim.h"
#include "core/MoveCommit.h"
#include "engine/EngineAnalysis.h"
#include "engine/EngineBuilder.h"
#include "engine/UciEngine.h"
#include "engine/XboardEngine.h"
#include "MemoryPipes.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace vorlik;
using vorlik::test::MemoryPipes;

namespace {

// A protocol of either kind on memory pipes, introduced and ready.
struct Rig {
    MemoryPipes pipes;
    std::unique_ptr<EngineProtocol> engine;
    std::unique_ptr<EngineAnalysis> analysis;
    std::unique_ptr<GameState> game = std::make_unique<GameState>();

    Rig(const QString& kind, bool ping = true)
    {
        if (kind == "uci")
            engine = std::make_unique<UciEngine>();
        else
            engine = std::make_unique<XboardEngine>();
        engine->setDevice(&pipes);
        engine->start();
        if (kind == "uci")
            pipes.say("uciok"), pipes.say("readyok");
        else
            pipes.say(ping ? "feature ping=1 setboard=1 done=1" : "feature done=1");
        ResetGame(*game);
        SetStartPosition(*game);
        analysis = std::make_unique<EngineAnalysis>(*engine);
    }
    void play(const QStringList& moves)
    {
        for (const QString& move : moves) {
            QVERIFY(CommitMove(*game, move.toStdString()));
        }
        analysis->setPosition(*game, game->CurPly);
    }
    QString firstLine() const
    {
        if (analysis->lines().empty())
            return "none";
        const AnalysisLine& line = analysis->lines().front();
        QStringList moves;
        for (const std::string& move : line.moves)
            moves << QString::fromStdString(move);
        return QString::fromStdString(line.score) + " " + moves.join(' ');
    }
};

QByteArray Repeated(const QByteArray& moves, int times)
{
    QByteArray text;
    for (int k = 0; k < times; ++k)
        text += moves;
    return text.trimmed();
}

}  // namespace

class AnalysisTest : public QObject {
    Q_OBJECT
private slots:
    void scores_data();
    void scores();
    void lineCut_data();
    void lineCut();
    void staleDiscarded_data();
    void staleDiscarded();
    void lastWordsKept_data();
    void lastWordsKept();
    void refusal_data();
    void refusal();
    void engineGone_data();
    void engineGone();
    void floodKeepsOneLinePerRank();
    void startWithoutPosition();
    void probe_data();
    void probe();
};

// Scores turned to White's side and into the panel's text, whatever the
// engine writes; a line whose score cannot be read still shows its moves.
void AnalysisTest::scores_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("moves");  // played before the analysis
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("shown");      // score and moves of the first line; "none" no line
    const QStringList white, black{"e4"};
    QTest::newRow("cp, White to move") << "uci" << white << QByteArray("info depth 9 score cp 35 pv e2e4") << "+0.35 e4";
    QTest::newRow("cp, Black to move") << "uci" << black << QByteArray("info depth 9 score cp 120 pv e7e5") << "−1.20 e5";
    QTest::newRow("cp 0") << "uci" << black << QByteArray("info score cp 0 pv e7e5") << "0.00 e5";
    QTest::newRow("small minus") << "uci" << white << QByteArray("info score cp -5 pv e2e4") << "−0.05 e4";
    QTest::newRow("mate for the mover") << "uci" << white << QByteArray("info score mate 3 pv e2e4") << "#3 e4";
    QTest::newRow("mate for Black") << "uci" << black << QByteArray("info score mate 2 pv e7e5") << "#−2 e5";
    QTest::newRow("mated, White to move") << "uci" << white << QByteArray("info score mate -2 pv e2e4") << "#−2 e4";
    QTest::newRow("mate 0") << "uci" << white << QByteArray("info depth 0 score mate 0") << "#−0 ";
    QTest::newRow("cp beyond 100 pawns") << "uci" << white << QByteArray("info score cp 250000 pv e2e4") << "+100.00 e4";
    QTest::newRow("cp past any integer") << "uci" << black
                                         << QByteArray("info score cp 99999999999999999999999 pv e7e5") << "−100.00 e5";
    QTest::newRow("bound kept out") << "uci" << white << QByteArray("info score cp 20 lowerbound pv e2e4") << "none";
    QTest::newRow("no score") << "uci" << white << QByteArray("info depth 4 pv d2d4 d7d5") << " d4 d5";
    QTest::newRow("score without number") << "uci" << white << QByteArray("info depth 4 score cp pv d2d4") << " d4";
    QTest::newRow("depth without number") << "uci" << white << QByteArray("info depth") << "none";
    QTest::newRow("no line in info") << "uci" << white << QByteArray("info currmove e2e4 currmovenumber 1") << "none";
    QTest::newRow("info string") << "uci" << white << QByteArray("info string score cp 5 pv e2e4") << "none";
    QTest::newRow("post, White to move") << "xboard" << white << QByteArray(" 7   35   120  5000 e2e4 e7e5") << "+0.35 e4 e5";
    QTest::newRow("post, Black to move") << "xboard" << black << QByteArray("7 35 120 5000 e7e5") << "−0.35 e5";
    QTest::newRow("post mate") << "xboard" << white << QByteArray("25 100002 1 46342 e2e4") << "#2 e4";
    QTest::newRow("post mated") << "xboard" << black << QByteArray("25 100003 1 46342 e7e5") << "#−3 e5";
    QTest::newRow("post with move numbers") << "xboard" << white << QByteArray("8. 10 3 99 1. e4 e5 2. Nf3") << "+0.10 e4 e5 Nf3";
    QTest::newRow("post, fields missing") << "xboard" << white << QByteArray("3 x") << " ";
}

void AnalysisTest::scores()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, moves);
    QFETCH(QByteArray, line);
    QFETCH(QString, shown);
    Rig rig(kind);
    rig.play(moves);
    rig.analysis->start();
    rig.pipes.say("pong 1");
    rig.pipes.say(line);
    QCOMPARE(rig.firstLine(), shown);
}

// A line is read no further than 64 moves, however long the engine's, and
// cut at the first move the rules refuse.
void AnalysisTest::lineCut_data()
{
    QTest::addColumn<QByteArray>("pv");
    QTest::addColumn<int>("shownMoves");  // -1: no line at all
    QTest::newRow("legal") << QByteArray("e2e4 e7e5 g1f3") << 3;
    QTest::newRow("illegal third move") << QByteArray("e2e4 e7e5 e1e3 b8c6") << 2;
    QTest::newRow("a move of the wrong side") << QByteArray("e2e4 d2d4") << 1;
    QTest::newRow("no move at all") << QByteArray("e2e4 zz99") << 1;
    QTest::newRow("illegal first move: another position's line") << QByteArray("e7e5 g1f3") << -1;
    QTest::newRow("200 moves") << Repeated("g1f3 g8f6 f3g1 f6g8 ", 50) << kMaxPvMoves;
}

void AnalysisTest::lineCut()
{
    QFETCH(QByteArray, pv);
    QFETCH(int, shownMoves);
    Rig rig("uci");
    rig.play({});
    rig.analysis->start();
    rig.pipes.say("info depth 20 score cp 10 pv " + pv);
    if (shownMoves < 0) {
        QVERIFY(rig.analysis->lines().empty());
        return;
    }
    QCOMPARE(rig.analysis->lines().size(), std::size_t(1));
    QCOMPARE(int(rig.analysis->lines().front().moves.size()), shownMoves);
}

// After the position changes, nothing the engine still says about the old
// one is shown: UCI waits for the "bestmove" that answers "stop", the
// command set for the pong of the ping sent with the new position, and an
// engine without ping has its lines checked against the position.
void AnalysisTest::staleDiscarded_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("ping");
    QTest::addColumn<QByteArrayList>("said");    // after the move 1.e4 is made on the board
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("lastSent");       // the last command, or "" not checked
    QTest::newRow("uci: old line before bestmove")
        << "uci" << true << QByteArrayList{"info depth 30 score cp 5 pv e7e5"} << "none" << "stop";
    QTest::newRow("uci: new line after bestmove")
        << "uci" << true << QByteArrayList{"info score cp 5 pv d2d4", "bestmove d2d4", "info score cp 30 pv e7e5"}
        << "−0.30 e5" << "go infinite";
    QTest::newRow("uci: the stale best move is not told")
        << "uci" << true << QByteArrayList{"bestmove d2d4"} << "none" << "go infinite";
    QTest::newRow("ping: old line before pong")
        << "xboard" << true << QByteArrayList{"9 5 10 100 e7e5", "pong 1", "9 5 10 100 d2d4"} << "none" << "";
    QTest::newRow("ping: new line after pong")
        << "xboard" << true << QByteArrayList{"pong 1", "pong 2", "9 5 10 100 e7e5"} << "−0.05 e5" << "analyze";
    QTest::newRow("no ping: a line of the old position")
        << "xboard" << false << QByteArrayList{"9 5 10 100 d2d4 d7d5"} << "none" << "analyze";
    QTest::newRow("no ping: a line of the new one")
        << "xboard" << false << QByteArrayList{"9 5 10 100 d7d5"} << "−0.05 d5" << "analyze";
    // An engine that refuses a move of the new position thinks about one of its own.
    QTest::newRow("ping: the new position's move refused")
        << "xboard" << true << QByteArrayList{"pong 1", "Illegal move: e2e4", "pong 2", "9 5 10 100 d7d5"} << "none"
        << "";
    QTest::newRow("no ping: a refusal")
        << "xboard" << false << QByteArrayList{"Illegal move: e2e4", "9 5 10 100 d7d5"} << "none" << "";
}

void AnalysisTest::staleDiscarded()
{
    QFETCH(QString, kind);
    QFETCH(bool, ping);
    QFETCH(QByteArrayList, said);
    QFETCH(QString, shown);
    QFETCH(QString, lastSent);
    Rig rig(kind, ping);
    rig.play({});
    rig.analysis->start();
    rig.pipes.say("pong 1");
    rig.pipes.say(kind == "uci" ? "info score cp 20 pv d2d4" : "9 20 10 100 d2d4");
    QCOMPARE(rig.firstLine(), QString("+0.20 d4"));
    QSignalSpy finished(rig.analysis.get(), &EngineAnalysis::finished);
    rig.play({"e4"});
    for (const QByteArray& line : said)
        rig.pipes.say(line);
    QCOMPARE(rig.firstLine(), shown);
    if (!lastSent.isEmpty())
        QCOMPARE(rig.pipes.written().last(), lastSent);
    QCOMPARE(finished.count(), 0);
}

// What the engine says between the stop and its confirmation is its last word
// on the position: the line ends as the best move does. Not once another
// position is on the board.
void AnalysisTest::lastWordsKept_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("moved");              // a move is made before the engine confirms
    QTest::addColumn<QByteArrayList>("said");     // after the stop
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("best");
    QTest::newRow("uci: the last info before bestmove")
        << "uci" << false << QByteArrayList{"info depth 21 score cp 40 pv g1f3 d7d5", "bestmove g1f3"}
        << "+0.40 Nf3 d5" << "g1f3";
    QTest::newRow("post before the pong")
        << "xboard" << false << QByteArrayList{"12 40 10 100 g1f3 d7d5", "pong 2"} << "+0.40 Nf3 d5" << "g1f3";
    QTest::newRow("uci: not for the position made since")
        << "uci" << true << QByteArrayList{"info depth 21 score cp 40 pv e7e5", "bestmove g1f3"} << "none" << "";
}

void AnalysisTest::lastWordsKept()
{
    QFETCH(QString, kind);
    QFETCH(bool, moved);
    QFETCH(QByteArrayList, said);
    QFETCH(QString, shown);
    QFETCH(QString, best);
    Rig rig(kind);
    rig.play({});
    rig.analysis->start();
    rig.pipes.say("pong 1");
    rig.pipes.say(kind == "uci" ? "info depth 20 score cp 20 pv d2d4" : "11 20 10 100 d2d4");
    QSignalSpy finished(rig.analysis.get(), &EngineAnalysis::finished);
    rig.analysis->stop();
    if (moved)
        rig.play({"e4"});
    for (const QByteArray& line : said)
        rig.pipes.say(line);
    QCOMPARE(rig.firstLine(), shown);
    QCOMPARE(finished.count(), 1);
    if (!best.isEmpty())
        QCOMPARE(finished.first().first().toString(), best);
}

// A command the engine refused is told; talk that merely mentions an error is not.
void AnalysisTest::refusal_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("told");
    QTest::newRow("illegal move") << QByteArray("Illegal move: e2e5") << true;
    QTest::newRow("unknown command") << QByteArray("Error (unknown command): setboard") << true;
    QTest::newRow("talk") << QByteArray("tellics say no Error here") << false;
}

void AnalysisTest::refusal()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, told);
    Rig rig("xboard");
    QSignalSpy error(rig.engine.get(), &EngineProtocol::error);
    rig.pipes.say(line);
    QCOMPARE(error.count(), told ? 1 : 0);
}

// An engine that goes during the analysis is told once, however its end is
// noticed, and nothing more is written to it.
void AnalysisTest::engineGone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("uci") << "uci";
    QTest::newRow("xboard") << "xboard";
}

void AnalysisTest::engineGone()
{
    QFETCH(QString, kind);
    Rig rig(kind);
    rig.play({});
    rig.analysis->start();
    QSignalSpy lost(rig.analysis.get(), &EngineAnalysis::engineLost);
    const int sent = rig.pipes.written().size();
    rig.pipes.close();       // the pipe closes
    rig.engine->engineGone();  // and the process is seen to end
    QCOMPARE(lost.count(), 1);
    QVERIFY(!rig.analysis->running());
    rig.play({"e4"});
    rig.analysis->start();
    rig.analysis->stop();
    QCOMPARE(rig.pipes.written().size(), sent);
    QCOMPARE(lost.count(), 1);
}

// Hundreds of reports at five lines keep five lines, each the newest.
void AnalysisTest::floodKeepsOneLinePerRank()
{
    Rig rig("uci");
    rig.play({});
    rig.analysis->setLineCount(5);
    rig.analysis->start();
    for (int k = 1; k <= 2000; ++k)
        rig.pipes.say("info depth " + QByteArray::number(k / 5) + " multipv " + QByteArray::number(k % 7 + 1) +
                      " score cp 10 pv e2e4 e7e5");
    QCOMPARE(rig.analysis->lines().size(), std::size_t(5));
    for (std::size_t rank = 1; rank <= 5; ++rank) {
        QCOMPARE(rig.analysis->lines()[rank - 1].rank, int(rank));
        QVERIFY(rig.analysis->lines()[rank - 1].depth >= 398);
    }
    QVERIFY(rig.pipes.written().contains("setoption name MultiPV value 5"));
}

// Started before any position is given, it analyses the standard start.
void AnalysisTest::startWithoutPosition()
{
    Rig rig("uci");
    rig.analysis->start();
    QCOMPARE(rig.pipes.written().last(), QString("go infinite"));
    rig.pipes.say("info score cp 25 pv e2e4 e7e5");
    QCOMPARE(rig.firstLine(), QString("+0.25 e4 e5"));
}

// "設定読込み" asks the engine "uci": UCI when it answers "uciok", the
// command set when it says something else, ends, or stays silent.
void AnalysisTest::probe_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("found");  // "uci", "xboard", or "failed"
    QTest::newRow("a UCI engine") << VORLIK_SCRIPTED_UCI_ENGINE << "" << "uci";
    QTest::newRow("Fairy-Max") << "fairymax" << "" << "xboard";
    QTest::newRow("an engine that ends") << "/bin/true" << "" << "xboard";
    QTest::newRow("no engine") << "no-such-engine-anywhere" << "" << "failed";
}

void AnalysisTest::probe()
{
    QFETCH(QString, path);
    QFETCH(QString, arguments);
    QFETCH(QString, found);
    EngineSettings set;
    set.Path = path.toStdString();
    set.Arguments = arguments.toStdString();
    EngineProbe probe;
    QSignalSpy foundSpy(&probe, &EngineProbe::found);
    QSignalSpy failedSpy(&probe, &EngineProbe::failed);
    probe.start(set, QDir::tempPath());
    if (found == "failed") {
        QCOMPARE(failedSpy.count(), 1);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(foundSpy.count(), 1, EngineProbe::kWaitMs + 2000);
    const auto protocol = foundSpy.first().first().value<EngineProtocolKind>();
    QCOMPARE(protocol == EngineProtocolKind::Uci ? QString("uci") : QString("xboard"), found);
}

QTEST_GUILESS_MAIN(AnalysisTest)
#include "tst_analysis.moc"
