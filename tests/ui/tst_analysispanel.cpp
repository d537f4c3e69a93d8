// The analysis panel on the scripted UCI engine: a change of the position on
// the board clears the lines at once and starts the engine again, a flood is
// drawn at most ten times a second, an engine's end is told once, and no
// engine process outlives the analysis. One test in the window: "解析" and the
// best move, which goes the way of a dragged move.
#include "ScriptedServices.h"
#include "WindowTestSupport.h"

#include "core/KifuTree.h"
#include "ui/AnalysisPanel.h"
#include "ui/FormMain.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

// The running processes whose command line holds text.
int ProcessesWith(const QString& text)
{
    int count = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
        if (pid.toInt() > 0 && cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text.toUtf8()))
            ++count;
    }
    return count;
}

}  // namespace

class AnalysisPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void positionChange_data();
    void positionChange();
    void floodIsDrawnTenTimesASecond();
    void engineEnd_data();
    void engineEnd();
    void noEngineOutlivesTheAnalysis_data();
    void noEngineOutlivesTheAnalysis();
    void addedLine_data();
    void addedLine();
    void windowPlaysTheBestMove();
    void analysisEngine_data();
    void analysisEngine();

private:
    // The scripted UCI engine, its script's rules before its own; it writes
    // what it hears into the log.
    EngineConfig Engine(const QByteArray& script);
    QStringList Heard() const;
    QTreeWidget* Tree() const { return panel->findChild<QTreeWidget*>(QStringLiteral("TreeAnalysis")); }
    void Play(const QStringList& moves);

    std::unique_ptr<ScriptedServices> services;
    std::unique_ptr<GameSession> session;
    std::unique_ptr<AnalysisPanel> panel;
};

void AnalysisPanelTest::init()
{
    services = std::make_unique<ScriptedServices>();
    session = std::make_unique<GameSession>();
    panel = std::make_unique<AnalysisPanel>(*services, *session);
}

void AnalysisPanelTest::cleanup()
{
    panel.reset();
    QCOMPARE(ProcessesWith(services->ProgramFolder()), 0);
    session.reset();
    services.reset();
}

EngineConfig AnalysisPanelTest::Engine(const QByteArray& script)
{
    const QString scriptFile = services->WriteProgramFile(QStringLiteral("script.txt"), script);
    EngineConfig config;
    config.EngLoaFg = true;
    config.EngSet.Name = "Scripted";
    config.EngSet.Path = VORLIK_SCRIPTED_UCI_ENGINE;
    config.EngSet.Arguments = QStringLiteral("--script '%1' --log '%2/heard.txt' --limit 60")
                                  .arg(scriptFile, services->ProgramFolder())
                                  .toStdString();
    config.EngSet.Protocol = EngineProtocolKind::Uci;
    return config;
}

QStringList AnalysisPanelTest::Heard() const
{
    QFile log(services->ProgramFolder() + QStringLiteral("/heard.txt"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void AnalysisPanelTest::Play(const QStringList& moves)
{
    for (const QString& move : moves)
        QCOMPARE(session->CommitMove(move.toStdString()), MoveVerdict::Legal);
}

void AnalysisPanelTest::positionChange_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<bool>("restarted");
    QTest::addColumn<QByteArray>("newLine");  // a line of the new position, when there is one
    QTest::addColumn<QString>("shown");
    QTest::newRow("a move") << 0 << true << QByteArray("b8c6") << "2... Nc6";
    QTest::newRow("a step back") << 1 << true << QByteArray("g8f6") << "1... Nf6";
    QTest::newRow("a new record") << 2 << true << QByteArray("d2d4") << "1. d4";
    QTest::newRow("a line beside") << 3 << false << QByteArray() << "2. Nf3 Nc6";
    QTest::newRow("a comment") << 4 << false << QByteArray() << "2. Nf3 Nc6";
}

void AnalysisPanelTest::positionChange()
{
    QFETCH(int, change);
    QFETCH(bool, restarted);
    QFETCH(QByteArray, newLine);
    QFETCH(QString, shown);
    Play({"e2e4", "e7e5"});
    const EngineConfig config = Engine("on#1 go*: say info depth 5 score cp 20 pv g1f3 b8c6\n"
                                       "on#2 go*: say info depth 7 score cp 11 pv " + newLine + "\n");
    QVERIFY(panel->TurnOn(config));
    QTRY_COMPARE_WITH_TIMEOUT(Tree()->topLevelItemCount(), 1, 30000);
    QCOMPARE(Tree()->topLevelItem(0)->text(3), QStringLiteral("2. Nf3 Nc6"));

    switch (change) {
    case 0: Play({"g1f3"}); break;
    case 1: session->GoToPly(1); break;
    case 2: session->NewRecord(); break;
    case 3: QCOMPARE(session->AddLine(2, {"d2d4"}), 1); break;
    case 4: QCOMPARE(session->SetComment(2, "open"), TreeResult::Done); break;
    }
    QCoreApplication::processEvents();  // the change is handled
    // Nothing of the position left, before the engine has said anything of the new one.
    QCOMPARE(Tree()->topLevelItemCount(), restarted ? 0 : 1);
    QTRY_COMPARE_WITH_TIMEOUT(Heard().count(QStringLiteral("go infinite")), restarted ? 2 : 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(Tree()->topLevelItemCount(), 1, 30000);
    QCOMPARE(Tree()->topLevelItem(0)->text(3), shown);
    QVERIFY(Heard().contains(QStringLiteral("stop")) == restarted);
}

void AnalysisPanelTest::floodIsDrawnTenTimesASecond()
{
    QVERIFY(panel->TurnOn(Engine("on go*: stream 5 1000\non stop: quiet; bestmove\n")));
    panel->findChild<QSpinBox*>(QStringLiteral("SpinAnalysisLines"))->setValue(5);
    QTRY_COMPARE_WITH_TIMEOUT(Tree()->topLevelItemCount(), 5, 30000);
    QSignalSpy redrawn(panel.get(), &AnalysisPanel::Redrawn);
    QElapsedTimer clock;
    clock.start();
    // However slowly the machine runs, fifteen redraws take at least a second and a half.
    QTRY_VERIFY_WITH_TIMEOUT(redrawn.count() >= 15, 60000);
    const double seconds = clock.elapsed() / 1000.0;
    QVERIFY2(redrawn.count() <= 10 * seconds + 2, qPrintable(QString::number(redrawn.count())));
}

void AnalysisPanelTest::engineEnd_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("told");
    QTest::newRow("crash while thinking") << QByteArray("on go*: crash\n") << true
                                          << "エンジンが終了しました。解析を止めます。";
    QTest::newRow("end before it is ready") << QByteArray("on uci: exit 1\n") << true
                                            << "エンジンが終了しました。解析を止めます。";
    QTest::newRow("no such program") << QByteArray() << false << "エンジンが起動できません";
}

void AnalysisPanelTest::engineEnd()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, found);
    QFETCH(QString, told);
    EngineConfig config = Engine(script);
    if (!found)
        config.EngSet.Path = (services->ProgramFolder() + QStringLiteral("/missing-engine")).toStdString();
    QSignalSpy turnedOff(panel.get(), &AnalysisPanel::TurnedOff);
    QCOMPARE(panel->TurnOn(config), found);
    QTRY_VERIFY_WITH_TIMEOUT(!panel->IsOn(), 30000);
    QTest::qWait(300);  // nothing more is said
    QCOMPARE(services->shown.size(), 1);
    QCOMPARE(services->shown[0].text, told);
    QCOMPARE(turnedOff.count(), found ? 1 : 0);  // a refused start is the caller's answer
    QCOMPARE(ProcessesWith(services->ProgramFolder()), 0);
}

void AnalysisPanelTest::noEngineOutlivesTheAnalysis_data()
{
    QTest::addColumn<int>("end");
    QTest::newRow("turned off") << 0;
    QTest::newRow("panel closed") << 1;
    QTest::newRow("a game begins") << 2;
}

void AnalysisPanelTest::noEngineOutlivesTheAnalysis()
{
    QFETCH(int, end);
    QVERIFY(panel->TurnOn(Engine("on go*: stream 1 50\n")));
    QTRY_VERIFY_WITH_TIMEOUT(Tree()->topLevelItemCount() > 0, 30000);
    QCOMPARE(ProcessesWith(services->ProgramFolder()), 1);
    QSignalSpy turnedOff(panel.get(), &AnalysisPanel::TurnedOff);
    switch (end) {
    case 0: panel->TurnOff(); break;
    case 1: panel.reset(); break;
    case 2: session->SetPhase(GamePhase::UserToMove); break;
    }
    QCOMPARE(ProcessesWith(services->ProgramFolder()), 0);  // at once, not some time later
    QCOMPARE(turnedOff.count(), end == 2 ? 1 : 0);
    QVERIFY(services->shown.isEmpty());
}

void AnalysisPanelTest::addedLine_data()
{
    QTest::addColumn<int>("shownPly");  // of the record 1. e4 e5 2. Nf3
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QList<MessageAnswer>>("answers");  // empty: no question
    QTest::addColumn<int>("lastPly");
    QTest::addColumn<bool>("variation");
    using Answers = QList<MessageAnswer>;
    QTest::newRow("leaves the record") << 2 << QByteArray("f1c4 b8c6") << Answers{} << 3 << true;
    QTest::newRow("follows it, then leaves") << 1 << QByteArray("e7e5 f1c4") << Answers{} << 3 << true;
    QTest::newRow("past its end, kept out") << 3 << QByteArray("b8c6 f1b5") << Answers{MessageAnswer::No} << 3 << false;
    QTest::newRow("past its end, as asked") << 3 << QByteArray("b8c6 f1b5") << Answers{MessageAnswer::Yes} << 5 << false;
    QTest::newRow("follows it past its end") << 2 << QByteArray("g1f3 b8c6") << Answers{MessageAnswer::No} << 3
                                             << false;
}

void AnalysisPanelTest::addedLine()
{
    QFETCH(int, shownPly);
    QFETCH(QByteArray, line);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(int, lastPly);
    QFETCH(bool, variation);
    Play({"e2e4", "e7e5", "g1f3"});
    session->GoToPly(shownPly);
    services->answers = answers;
    QVERIFY(panel->TurnOn(Engine("on go*: say info depth 9 score cp 30 pv " + line + "\n")));
    auto* add = panel->findChild<QPushButton*>(QStringLiteral("ComAnalysisAdd"));
    QTRY_VERIFY_WITH_TIMEOUT(add->isEnabled(), 30000);
    add->click();
    QCOMPARE(services->shown.size(), answers.size());
    QCOMPARE(session->Game().LastPly, lastPly);
    QCOMPARE(session->Game().CurPly, shownPly);
    QCOMPARE(HasAnnotations(session->Game()), variation);
}

void AnalysisPanelTest::windowPlaysTheBestMove()
{
    panel.reset();
    const EngineConfig engine = Engine(QByteArray());
    services->Configure(QStringLiteral("Scripted\r\n%1\r\n%2\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n"
                                       "protocol=uci\r\n")
                            .arg(QString::fromStdString(engine.EngSet.Path), QString::fromStdString(engine.EngSet.Arguments))
                            .toUtf8());
    FormMain form(*services);
    const WindowControls controls(&form);
    auto* analysis = form.findChild<QAction*>(QStringLiteral("MnuGameAnalysis"));
    auto* best = form.findChild<QPushButton*>(QStringLiteral("ComAnalysisBest"));
    analysis->trigger();
    QVERIFY(analysis->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(best->isEnabled(), 30000);
    best->click();  // the best line of the scripted engine starts e2e4
    QCOMPARE(form.Game().LastPly, 1);
    QCOMPARE(form.Game().KifuCoord[1], std::string("e2e4"));
    // From an earlier position the record is cut only if the user agrees.
    controls.CommandMain(1)->click();
    QTRY_VERIFY_WITH_TIMEOUT(best->isEnabled(), 30000);
    best->click();
    QCOMPARE(services->shown.size(), 1);
    QCOMPARE(services->shown[0].text, QStringLiteral("局面を変更すると以降の棋譜は削除されます？"));
    QCOMPARE(form.Game().LastPly, 1);
    analysis->trigger();
    QVERIFY(!analysis->isChecked());
    QCOMPARE(ProcessesWith(services->ProgramFolder()), 0);
}


void AnalysisPanelTest::analysisEngine_data()
{
    // Settings files in the program folder ("Name:program", the program
    // "missing" when it is not installed), the one remembered for analysis,
    // and the engine the panel analyses with ("" the game's own).
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("analysedWith");
    QTest::newRow("nothing but the game's engine") << QStringList() << "" << "";
    QTest::newRow("Stockfish installed") << QStringList{"Stockfish:engine"} << "" << "Stockfish.mek";
    QTest::newRow("Stockfish not installed") << QStringList{"Stockfish:missing"} << "" << "";
    QTest::newRow("chosen before") << QStringList{"Stockfish:engine", "Toga2:engine"} << "Toga2.mek" << "Toga2.mek";
    QTest::newRow("chosen one gone") << QStringList{"Stockfish:engine"} << "Toga2.mek" << "Stockfish.mek";
    QTest::newRow("chosen one uninstalled") << QStringList{"Stockfish:engine", "Toga2:missing"} << "Toga2.mek"
                                            << "Stockfish.mek";
}

void AnalysisPanelTest::analysisEngine()
{
    QFETCH(QStringList, files);
    QFETCH(QString, remembered);
    QFETCH(QString, analysedWith);
    const EngineConfig game = Engine(QByteArray());
    for (const QString& file : files) {
        const QStringList parts = file.split(':');
        EngineSettings set = game.EngSet;
        set.Name = parts[0].toStdString();
        set.Path = parts[1] == "missing" ? "no-such-engine" : game.EngSet.Path;
        std::string error;
        QVERIFY(WriteMekFile((services->ProgramFolder() + "/" + parts[0] + ".mek").toStdString(), set, error));
    }
    if (!remembered.isEmpty())
        services->WriteProgramFile(QStringLiteral("VorlikAnalysis.ini"), remembered.toUtf8() + "\r\n");
    QVERIFY(panel->TurnOn(game));
    auto* box = panel->findChild<QComboBox*>(QStringLiteral("ComboAnalysisEngine"));
    QCOMPARE(box->currentData().toString(), analysedWith);
    QCOMPARE(box->count(), files.size() + (analysedWith.isEmpty() ? 1 : 0));
}

QTEST_MAIN(AnalysisPanelTest)
#include "tst_analysispanel.moc"
