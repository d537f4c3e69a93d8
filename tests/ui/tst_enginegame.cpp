// Games against an engine in the offscreen window: the settings restored at
// start-up, a real game against Fairy-Max through the board, and what the
// window does when the engine floods, dies, or answers while the user is
// asked something. Small shell scripts stand in for engines where a real
// one will not misbehave on demand.
#include "ScriptedServices.h"
#include "WindowTestSupport.h"

#include "bench/GameGenerator.h"
#include "core/FenText.h"
#include "ui/DialogMnuFile.h"
#include "ui/DialogMnuGameStart.h"
#include "ui/DialogSetup.h"
#include "ui/BoardView.h"
#include "ui/FormMain.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

bool ProcessGone(qint64 pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0; }

}  // namespace

class EngineGameTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpRestoresSettings();
    void gameAgainstFairyMax();
    void levelEntriesCarryTheirCommands();
    void closingDuringAGameReapsTheEngine();
    void engineMoveWaitsForAnOpenQuestion();
    void directSendAsksForAMove();
    void floodKeepsTheTrafficBoxBounded();
    void engineDyingEndsTheGame();
    void engineThatCannotStart();
    void takeBackThroughTheButton();
    void engineHandOffAndBarePromotion();
    void mateEndsTheGame_data();
    void mateEndsTheGame();
    void gameKeepsWhatTheUserWrote();

private:
    // A shell script engine in the program folder.
    void Open();
    void Drag(const std::string& coord);
    int ImageOf(int file, int rank) const;
    bool AwaitEngine(int ms = 20000);
    QByteArray Read(const QString& name) const;

    std::unique_ptr<ScriptedServices> services_;
    std::unique_ptr<FormMain> form_;
    WindowControls Controls() const { return WindowControls(&*form_); }
};

void EngineGameTest::init() { services_ = std::make_unique<ScriptedServices>(); }

void EngineGameTest::cleanup()
{
    form_.reset();
    services_.reset();
}

QByteArray EngineGameTest::Read(const QString& name) const
{
    QFile in(services_->ProgramFolder() + "/" + name);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

void EngineGameTest::Open()
{
    form_ = std::make_unique<FormMain>(*services_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

int EngineGameTest::ImageOf(int file, int rank) const
{
    const int row = Controls().MnuGameTurn()->isChecked() ? 9 - rank : rank;
    return (file - 1) * 8 + row;
}

void EngineGameTest::Drag(const std::string& coord)
{
    BoardView* board = Controls().ImaCheBoa();
    const QPoint start = board->ImageRect(ImageOf(coord[0] - 'a' + 1, coord[1] - '0')).center();
    const QPoint end = board->ImageRect(ImageOf(coord[2] - 'a' + 1, coord[3] - '0')).center();
    QTest::mousePress(board, Qt::LeftButton, {}, start);
    QTest::mouseMove(board, end);
    QTest::mouseRelease(board, Qt::LeftButton, {}, end);
}

bool EngineGameTest::AwaitEngine(int ms)
{
    return QTest::qWaitFor([this] { return !form_->Engine().EngWait() || !form_->Engine().EngPlay(); }, ms);
}

void EngineGameTest::startUpRestoresSettings()
{
    const QString engine = services_->ScriptEngine("quiet", "while read line; do :; done");
    services_->Configure(Mek("Quiet", engine, "", "", {"st 1", "", "st 30"}, "01001"),
              "Quiet.mek\r\nTrue\r\nTrue\r\n3\r\nFalse\r\nTrue\r\n");
    Open();
    QVERIFY(form_->Settings().EngLoaFg);
    QCOMPARE(form_->Settings().EngFileName, std::string("Quiet.mek"));
    QVERIFY(Controls().MnuGameTurn()->isChecked());
    QVERIFY(Controls().MnuGameSound()->isChecked());
    QVERIFY(Controls().MnuGameHyoukiHyouki(3)->isChecked());
    QVERIFY(!Controls().MnuGameHyoukiHyouki(1)->isChecked());
    QVERIFY(Controls().MnuOptionKifuWrite()->isChecked());
    QCOMPARE(Controls().CommandMain(0)->text(), QString("Quiet"));
    QVERIFY(Controls().MnuGameNew()->isEnabled());
    QVERIFY(Controls().ToolbarButton(7)->isEnabled());
    QVERIFY(Controls().CommandMain(7)->isEnabled());
    QCOMPARE(Controls().MnuGameLevelLevel(1)->text(), QString("st 1"));
    QCOMPARE(Controls().MnuGameLevelLevel(3)->text(), QString("st 30"));
    QCOMPARE(form_->Settings().EngSet.TakeBack, std::string("remove"));
    QCOMPARE(form_->Settings().EngSet.ForceCommand, std::string("force"));

    // Leaving writes the options back as they are now.
    Controls().MnuGameTurn()->trigger();
    form_->MnuFileEnd_Click();
    QCOMPARE(Read("Vorlik.ini"), QByteArray("Quiet.mek\r\nFalse\r\nTrue\r\n3\r\nFalse\r\nTrue\r\n"));
}

void EngineGameTest::gameAgainstFairyMax()
{
    const QString fairyMax = QStandardPaths::findExecutable("fairymax", {"/usr/games", "/usr/bin"});
    QVERIFY2(!fairyMax.isEmpty(), "fairymax is not installed (scripts/install-deps test installs it)");
    services_->Configure(Mek("Fairy-Max", "fairymax", "", "", {"sd 2", "sd 3", "sd 4"}, "01101"));
    Open();
    QSignalSpy moved(&form_->Engine(), &EngineGame::EngineMoved);
    Controls().CommandMain(7)->click();
    QVERIFY(form_->Engine().EngPlay());
    QVERIFY(form_->Engine().EngineRunning());
    QCOMPARE(Controls().TextInfo(6)->text(), QString("Fairy-Max"));
    QVERIFY(Controls().MnuGameLevelLevel(1)->isChecked());  // a game starts at the quickest level
    QVERIFY(!Controls().MnuGameEngine()->isEnabled());
    const qint64 pid = form_->Engine().EngProc.ProcessId();

    const GameState& game = form_->Game();
    for (int move = 0; move < 6 && form_->Engine().EngPlay(); ++move) {
        std::string chosen;
        for (const std::string& coord : LegalMoves(game))
            if (coord.size() == 4) {
                chosen = coord;
                break;
            }
        QVERIFY(!chosen.empty());
        const int before = game.LastPly;
        Drag(chosen);
        QCOMPARE(game.LastPly, before + 1);
        QVERIFY(AwaitEngine());
        QCOMPARE(game.LastPly, before + 2);
        QVERIFY(Controls().CommandMain(8)->isEnabled());
    }
    QCOMPARE(moved.count(), 6);
    for (const QList<QVariant>& call : moved)
        QVERIFY2(call.at(0).toBool(), qPrintable(call.at(1).toString()));
    QTRY_VERIFY_WITH_TIMEOUT(Controls().TextEngMas()->toPlainText().contains("move "), 30000);
    QCOMPARE(Controls().ListMain()->count(), 6);

    Controls().CommandMain(8)->click();
    QVERIFY(!form_->Engine().EngPlay());
    QVERIFY(QTest::qWaitFor([pid] { return ProcessGone(pid); }, 30000));
    QVERIFY(Controls().MnuGameEngine()->isEnabled());
    QCOMPARE(game.LastPly, 12);  // the record stays
    QVERIFY(Read("Vorlik.ini").startsWith("Fairy-Max.mek\r\n"));
}

void EngineGameTest::levelEntriesCarryTheirCommands()
{
    const QString log = services_->ProgramFolder() + "/received.txt";
    const QString engine = services_->ScriptEngine("logger", "while read line; do echo \"$line\" >> '" + log + "'; done");
    services_->Configure(Mek("Logger", engine, "", "xboard", {"st 1", "", "st 30"}, "00000"));
    Open();
    form_->MnuGameNew_Click();
    QVERIFY(Controls().MnuGameLevelLevel(1)->isEnabled());
    QVERIFY(!Controls().MnuGameLevelLevel(2)->isEnabled());  // no command: not offered
    Controls().MnuGameLevelLevel(3)->trigger();
    QVERIFY(Controls().MnuGameLevelLevel(3)->isChecked());
    QVERIFY(!Controls().MnuGameLevelLevel(1)->isChecked());
    QVERIFY(QTest::qWaitFor([&] { return QFile(log).size() >= 20; }, 30000));
    QFile in(log);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), QByteArray("xboard\nnew\nst 1\nst 30\n"));
    form_->MnuGameEnd_Click();
}

void EngineGameTest::closingDuringAGameReapsTheEngine()
{
    // An engine that thinks forever, and has a child of its own.
    const QString engine = services_->ScriptEngine("thinker", "sleep 600 & while read line; do :; done");
    services_->Configure(Mek("Thinker", engine, "", "", {}, "00000"));
    Open();
    form_->MnuGameNew_Click();
    const qint64 pid = form_->Engine().EngProc.ProcessId();
    QVERIFY(pid > 0);
    Drag("e2e4");
    QVERIFY(form_->Engine().EngWait());
    QVERIFY(!Controls().CommandMain(1)->isEnabled());  // the board and the navigation wait
    QVERIFY(Controls().CommandMain(8)->isEnabled());
    services_->answers << MessageAnswer::Yes;  // the game's record may go
    form_->close();
    QVERIFY(ProcessGone(pid));
    // The whole process group went: no "sleep" of it is left behind.
    QVERIFY(QTest::qWaitFor([pid] { return ::kill(-static_cast<pid_t>(pid), 0) != 0; }, 30000));
}

void EngineGameTest::engineMoveWaitsForAnOpenQuestion()
{
    const QString engine = services_->ScriptEngine("replier", "while read line; do case \"$line\" in e2e4) echo 'move e7e5';; esac; done");
    services_->Configure(Mek("Replier", engine, "", "", {}, "00000"));
    Open();
    form_->MnuGameNew_Click();
    int plyWhileOpen = -1;
    // A question opens before the answer can be handled and stays open a while.
    QTimer::singleShot(0, form_.get(), [&] {
        QDialog question(form_.get());
        QTimer::singleShot(600, &question, [&] {
            plyWhileOpen = form_->Game().LastPly;
            question.accept();
        });
        question.exec();
    });
    Drag("e2e4");
    QVERIFY(AwaitEngine(30000));
    QCOMPARE(plyWhileOpen, 1);  // the answer waited for the question
    QCOMPARE(form_->Game().LastPly, 2);
    QCOMPARE(form_->Game().KifuCoord[2], std::string("e7e5"));
}

// "直接送信" of "go" with the user to move: the engine moves for the side to
// move, as it was asked, and the move is taken.
void EngineGameTest::directSendAsksForAMove()
{
    const QString engine = services_->ScriptEngine("goer", "while read line; do case \"$line\" in go) echo 'move e2e4';; esac; done");
    services_->Configure(Mek("Goer", engine, "", "", {}, "00000"));
    Open();
    form_->MnuGameNew_Click();
    Controls().TextInfo(14)->setText("go");
    QTest::mouseClick(Controls().CommandMain(9), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return form_->Game().LastPly == 1; }, 30000));
    QCOMPARE(form_->Game().KifuCoord[1], std::string("e2e4"));
    form_->MnuGameEnd_Click();
}

void EngineGameTest::floodKeepsTheTrafficBoxBounded()
{
    const QString engine = services_->ScriptEngine(
        "flooder", "while read line; do case \"$line\" in e2e4) i=0; while [ $i -lt 30000 ]; do "
                   "echo \" 5 23 100 12345 e2e4 e7e5 g1f3 b8c6 $i\"; i=$((i+1)); done; echo 'move e7e5';; esac; done");
    services_->Configure(Mek("Flooder", engine, "", "", {}, "00000"));
    Open();
    form_->MnuGameNew_Click();
    Drag("e2e4");
    QVERIFY(AwaitEngine(60000));
    QCOMPARE(form_->Game().LastPly, 2);
    // The heading and the newest 2000 lines; the last of them shown soon after.
    QTRY_VERIFY_WITH_TIMEOUT(Controls().TextEngMas()->toPlainText().endsWith("move e7e5"), 30000);
    QCOMPARE(Controls().TextEngMas()->document()->blockCount(), 2001);
    QVERIFY(Controls().TextEngMas()->toPlainText().startsWith("エンジンとの送受信\n"));
}

void EngineGameTest::engineDyingEndsTheGame()
{
    const QString engine = services_->ScriptEngine("dier", "sleep 2; while read line; do case \"$line\" in e2e4) exit 3;; esac; done");
    services_->Configure(Mek("Dier", engine, "", "", {}, "00000"));
    Open();
    form_->MnuGameNew_Click();
    // Past the first second: an engine gone sooner never really started.
    QVERIFY(QTest::qWaitFor([this] { return form_->Engine().EngProc.Age() > 1100; }, 30000));
    Drag("e2e4");
    QVERIFY(QTest::qWaitFor([this] { return !form_->Engine().EngPlay(); }, 30000));
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, QString::fromUtf8(kEngineEnded));
    QCOMPARE(services_->shown[0].title, QString("警告"));
    QCOMPARE(form_->Game().LastPly, 1);  // the record stays
    QVERIFY(Controls().CommandMain(7)->isEnabled());
    QVERIFY(!Controls().CommandMain(8)->isEnabled());
    QVERIFY(!form_->Engine().EngWait());
    Drag("e7e5");  // the board is the user's again
    QCOMPARE(form_->Game().LastPly, 2);
}

void EngineGameTest::engineThatCannotStart()
{
    const QString quitter = services_->ScriptEngine("quitter", "exit 0");
    services_->Configure(Mek("Quitter", quitter, "", "", {}, "00000"));
    Open();
    form_->MnuGameNew_Click();
    QVERIFY(QTest::qWaitFor([this] { return !form_->Engine().EngPlay(); }, 30000));
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, QString("エンジンが起動できません"));

    // A path that leads nowhere: told at once, nothing runs.
    form_->Settings().EngSet.Path = "no-such-engine-anywhere";
    form_->MnuGameNew_Click();
    QCOMPARE(services_->shown.size(), 2);
    QCOMPARE(services_->shown[1].text, QString("エンジンが起動できません"));
    QVERIFY(!form_->Engine().EngPlay());
    QVERIFY(Controls().MnuGameEngine()->isEnabled());
}

void EngineGameTest::takeBackThroughTheButton()
{
    const QString engine = services_->ScriptEngine(
        "answerer", "while read line; do case \"$line\" in e2e4) echo 'move e7e5';; g1f3) echo 'move b8c6';; esac; done");
    services_->Configure(Mek("Answerer", engine, "", "", {}, "01000"));  // "remove"
    Open();
    form_->MnuGameNew_Click();
    Drag("e2e4");
    QVERIFY(AwaitEngine(30000));
    Drag("g1f3");
    QVERIFY(AwaitEngine(30000));
    QCOMPARE(form_->Game().LastPly, 4);
    QVERIFY(Controls().CommandMain(6)->isEnabled());
    Controls().CommandMain(6)->click();
    QCOMPARE(form_->Game().LastPly, 2);
    QCOMPARE(Controls().ListMain()->count(), 1);
    // Too few plies for another "remove": a new game is offered, with a beep.
    services_->answers.clear();
    const int beeps = services_->beeps;
    QTimer::singleShot(0, form_.get(), [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    Controls().CommandMain(6)->click();
    QCOMPARE(services_->beeps, beeps + 1);
    QCOMPARE(form_->Game().LastPly, 2);  // the question was cancelled: nothing changed
    form_->MnuGameEnd_Click();
}

// A position handed to the engine ("edit"); the engine's pawn reaches the
// last rank without a letter and becomes a queen without a question.
void EngineGameTest::engineHandOffAndBarePromotion()
{
    const QString log = services_->ProgramFolder() + "/received.txt";
    const QString engine = services_->ScriptEngine(
        "promoter", "while read line; do echo \"$line\" >> '" + log + "'; case \"$line\" in e1d2) echo 'move a2a1';; esac; done");
    services_->Configure(Mek("Promoter", engine, "", "", {}, "00101"));
    Open();
    Board board{};
    bool blackToMove = false;
    QCOMPARE(int(ReadFenText("4k3/8/8/8/8/8/p7/4K3 w - - 0 1", board, blackToMove)), int(FenError::None));
    form_->Session().LoadSetup(board, blackToMove);
    form_->AllDisplay();
    form_->Engine().WinBoardEdit();
    QVERIFY(form_->Engine().EngPlay());
    // A promotion question would wait for an answer: say so instead of hanging.
    bool asked = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (auto* dialog = qobject_cast<DialogSetup*>(QApplication::activeModalWidget())) {
            asked = true;
            dialog->CommandPromotionOK_Click();
        }
    });
    watch.start(50);
    Drag("e1d2");
    QVERIFY(AwaitEngine(30000));
    QVERIFY(!asked);
    QCOMPARE(form_->Game().LastPly, 2);
    QCOMPARE(form_->Game().KifuCoord[2], std::string("a2a1q"));
    QCOMPARE(form_->Game().KifuBoard[2][1][1], 'q');
    QVERIFY(QTest::qWaitFor([&] { return QFile(log).size() >= 33; }, 30000));
    QFile in(log);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), QByteArray("new\nedit\n#\nKe1\nc\nPa2\nKe8\n.\ne1d2\ngo\n"));
    form_->MnuGameEnd_Click();
}

// A mate or stalemate, made on the board or by the engine, is recorded with
// "#", told once, written into the result box, and ends a game; so does a
// draw by rule, which on the board is told when it comes and not again at
// the moves played on after it.
void EngineGameTest::mateEndsTheGame_data()
{
    QTest::addColumn<bool>("engine");   // a game against the engine (it plays Black)
    QTest::addColumn<QString>("user");  // the user's moves, as squares
    QTest::addColumn<QString>("black"); // the answers (the engine's, or dragged)
    QTest::addColumn<QString>("last");  // KifuShort of the last ply
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("result");
    QTest::newRow("fool's mate on the board")
        << false << "f2f3 g2g4" << "e7e5 d8h4" << "Qh4#" << "チェックメイトです。黒の勝ちです。" << "0-1";
    QTest::newRow("the engine mates") << true << "f2f3 g2g4" << "e7e5 d8h4" << "Qh4#"
                                      << "チェックメイトです。黒の勝ちです。" << "0-1";
    QTest::newRow("the user mates the engine") << true << "e2e4 f1c4 d1h5 h5f7" << "e7e5 b8c6 g8f6" << "Qxf7#"
                                               << "チェックメイトです。白の勝ちです。" << "1-0";
    QTest::newRow("the engine repeats the position") << true << "g1f3 f3g1 g1f3 f3g1" << "g8f6 f6g8 g8f6 f6g8"
                                                     << "Ng8" << "同じ局面が3回現れました。引き分けです。" << "1/2-1/2";
    QTest::newRow("a repetition on the board, played on") << false << "g1f3 f3g1 g1f3 f3g1 g1f3"
                                                          << "g8f6 f6g8 g8f6 f6g8" << "Nf3"
                                                          << "同じ局面が3回現れました。引き分けです。" << "1/2-1/2";
}

void EngineGameTest::mateEndsTheGame()
{
    QFETCH(bool, engine);
    QFETCH(QString, user);
    QFETCH(QString, black);
    QFETCH(QString, last);
    QFETCH(QString, message);
    QFETCH(QString, result);
    const QStringList answers = black.split(' ');
    QString cases;
    for (const QString& move : user.split(' '))
        if (user.split(' ').indexOf(move) < answers.size())
            cases += QString("%1) echo 'move %2';; ").arg(move, answers[user.split(' ').indexOf(move)]);
    const QString script = services_->ScriptEngine("answers", "while read line; do case \"$line\" in " + cases + "esac; done");
    services_->Configure(Mek("Answers", script, "", "", {}, "00000"));
    Open();
    if (engine)
        form_->MnuGameNew_Click();
    const QStringList moves = user.split(' ');
    for (int k = 0; k < moves.size(); ++k) {
        Drag(moves[k].toStdString());
        if (engine)
            QVERIFY(AwaitEngine(30000));
        else if (k < answers.size())
            Drag(answers[k].toStdString());
    }
    const GameState& game = form_->Game();
    QCOMPARE(QString::fromStdString(game.KifuShort[game.LastPly]), last);
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, message);
    QCOMPARE(Controls().CombKekka()->currentText(), result);
    QVERIFY(!form_->Engine().EngPlay());
    QVERIFY(!form_->Engine().EngineRunning());
}

// A game continued from the board, a date typed while the engine thinks, the
// engine sent to the user's side, and a game loaded by the position search.
void EngineGameTest::gameKeepsWhatTheUserWrote()
{
    const QString engine = services_->ScriptEngine(
        "slow", "while read line; do case \"$line\" in go) n=$((n+1)); [ $n = 1 ] && echo 'move e7e5' || echo "
                "'move f1c4';; g1f3) sleep 1; echo 'move b8c6';; esac; done");
    services_->Configure(Mek("Slow", engine, "", "", {}, "00001"));
    Open();
    Drag("e2e4");
    Controls().TextInfo(1)->setText("Club");
    Controls().TextInfo(5)->setText("Sato");
    QTimer::singleShot(0, this, [] {
        auto* dialog = qobject_cast<DialogMnuGameStart*>(QApplication::activeModalWidget());
        dialog->OptiGS[1]->setChecked(true);
        dialog->OKButton_Click();
    });
    services_->answers << MessageAnswer::Yes << MessageAnswer::Yes;  // the record may go, whenever asked
    form_->MnuGameNew_Click();  // from the position on the board
    QVERIFY(AwaitEngine(30000));
    QCOMPARE(Controls().TextInfo(1)->text() + Controls().TextInfo(5)->text() + Controls().TextInfo(6)->text(),
             QString("ClubSatoSlow"));
    Drag("g1f3");
    QTest::keyClicks(Controls().TextInfo(8), "26/1/6");
    QVERIFY(AwaitEngine(30000));
    QCOMPARE(form_->Game().KifuNote[1][3], std::string("26/1/6"));
    Controls().CommandMain(0)->click();  // the engine moves for White
    QVERIFY(AwaitEngine(30000));
    QCOMPARE(Controls().TextInfo(5)->text() + Controls().TextInfo(6)->text(), QString("SlowSato"));
    // Another engine goes on from the position: the first one's name is no player's.
    form_->MnuGameEnd_Click();
    form_->StepBack();  // White, the user, to move: the engine waits
    form_->Settings().EngSet.Name = "Other";
    QTimer::singleShot(0, this, [] {
        auto* dialog = qobject_cast<DialogMnuGameStart*>(QApplication::activeModalWidget());
        dialog->OptiGS[1]->setChecked(true);
        dialog->OKButton_Click();
    });
    services_->answers << MessageAnswer::Yes << MessageAnswer::Yes;
    form_->MnuGameNew_Click();
    QCOMPARE(Controls().TextInfo(5)->text() + "/" + Controls().TextInfo(6)->text(), QString("Sato/Other"));

    const QString file = services_->WriteProgramFile("two.pgn", "[Event \"A\"]\n\n1. d4 *\n\n[Event \"B\"]\n\n1. e4 *\n");
    QFile::remove(services_->ProgramFolder() + "/Vorlik.ini");
    services_->fileAnswers << ScriptedServices::FileAnswer{file, 1};
    QTimer::singleShot(0, this, [] { qobject_cast<DialogMnuFile*>(QApplication::activeModalWidget())->OKButton_Click(); });
    Controls().MnuOptionSearch()->trigger();
    QVERIFY(!form_->Engine().EngineRunning() && Controls().MnuGameNew()->isEnabled() && !Read("Vorlik.ini").isEmpty());
}

QTEST_MAIN(EngineGameTest)
#include "tst_enginegame.moc"
