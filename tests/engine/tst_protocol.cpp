// A game against the scripted engine, without a window: the exact lines the
// engine receives, and what the record, the header and the user see for each
// kind of reply, including engines that misbehave, crash or never start.
#include "core/FenText.h"
#include "core/MoveCommit.h"
#include "engine/EngineGame.h"
#include "engine/UciEngine.h"
#include "engine/XboardEngine.h"

#include <QtTest>

#include <csignal>
#include <cerrno>
#include <deque>
#include <memory>

using namespace vorlik;

namespace {

constexpr int kWaitMs = 30000;  // generous for sanitizer builds; a pass is far quicker

// The host without widgets, with a switch that makes the engine's moves
// wait as a question or a drag would.
class TestHost : public EngineHost {
public:
    struct Message {
        QString text, title;
        Icon icon;
    };

    bool UserBusy() override { return busy; }
    void ShowMessage(const std::string& text, const std::string& title, Icon icon) override
    {
        messages.push_back({QString::fromStdString(text), QString::fromStdString(title), icon});
    }
    GameStartChoice AskGameStart(bool canContinue) override
    {
        asked.push_back(canContinue);
        if (answers.empty())
            return GameStartChoice::Cancel;
        const GameStartChoice answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::string ProgramFolder() override { return folder; }
    void GameEnded() override { ++ended; }

    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const Message& message : messages)
            texts << message.text;
        return texts;
    }

    GameSession session;
    bool busy = false;
    std::vector<Message> messages;
    std::deque<GameStartChoice> answers;
    std::vector<bool> asked;
    std::string folder;
    int ended = 0;
};

// One engine game: a temporary folder with the script and the engine's log,
// the host, the settings and the game flow.
class Rig {
public:
    explicit Rig(const QString& script, const char* engine = VORLIK_SCRIPTED_ENGINE)
    {
        QFile file(dir.filePath("script.txt"));
        if (file.open(QIODevice::WriteOnly))
            file.write(script.toUtf8());
        host.folder = dir.path().toStdString();
        EngineSettings& set = config.EngSet;
        set.Name = "Scripted";
        set.Path = engine;
        set.Arguments = QString(" --log %1 --raw %2 --script %3")
                            .arg(dir.filePath("log.txt"), dir.filePath("raw.txt"), dir.filePath("script.txt"))
                            .toStdString();
        set.FirstCommand = "xboard";
        set.Level1 = "sd 1";
        set.Level2 = "sd 2";
        set.Level3 = "sd 3";
        set.TakeBack = "remove";
        set.ForceCommand = "force";
        set.EditCommand = "edit";
        config.EngLoaFg = true;
        game = std::make_unique<EngineGame>(host, config, host.session);
        QObject::connect(game.get(), &EngineGame::EngineOutput, [this](const QString& text) { shown << text; });
        // The beeps a window would sound: a take-back refused, an engine's move refused.
        QObject::connect(game.get(), &EngineGame::Refused, [this] { ++beeps; });
        QObject::connect(game.get(), &EngineGame::EngineMoved, [this](bool accepted) { beeps += !accepted; });
    }
    ~Rig() { game.reset(); }

    const GameState& Record() const { return host.session.Game(); }
    const GameHeader& Header() const { return host.session.Header(); }

    // A move on the board outside a game against the engine.
    bool Commit(const std::string& token)
    {
        static const PromotionAsk queen = [](int) { return 'q'; };
        return host.session.CommitMove(token, &queen) == MoveVerdict::Legal;
    }
    // The command set's engine waits for "go" after the user's next move.
    bool GoDue() const
    {
        const auto* xboard = qobject_cast<const XboardEngine*>(game->Player());
        return xboard && xboard->goAfterNextMove();
    }

    // Every line the engine has logged so far.
    QStringList Log() const
    {
        QFile file(dir.filePath("log.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return QStringList();
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        lines.removeLast();  // after the last line end
        return lines;
    }
    QByteArray Raw() const
    {
        QFile file(dir.filePath("raw.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The lines the engine received up to now: a marker is sent and waited
    // for, so nothing sent before it can still be on its way.
    QStringList Received()
    {
        const QString marker = QStringLiteral("marker %1").arg(++markers_);
        game->WinBoardSend(marker.toStdString());
        if (!QTest::qWaitFor([&] { return Log().contains(marker); }, kWaitMs))
            return {QStringLiteral("(the marker never arrived)")};
        QStringList lines;
        for (const QString& line : Log().mid(0, Log().indexOf(marker)))
            if (!line.startsWith("marker "))
                lines << line;
        return lines;
    }

    bool WaitForLog(const QString& line)
    {
        return QTest::qWaitFor([&] { return Log().contains(line); }, kWaitMs);
    }
    bool WaitForPly(int ply)
    {
        return QTest::qWaitFor([&] { return Record().LastPly == ply; }, kWaitMs);
    }

    // The user's move on the board, committed and handed to the engine.
    bool UserMove(const std::string& token)
    {
        if (!Commit(token))
            return false;
        game->UserMoved();
        return true;
    }

    // A new game against the engine at level 1.
    bool NewGame()
    {
        game->ChooseLevel(1);
        game->MnuGameNew_Click();
        return game->EngPlay() && game->EngineRunning();
    }

    QTemporaryDir dir;
    TestHost host;
    EngineConfig config;
    std::unique_ptr<EngineGame> game;
    QStringList shown;  // what the traffic box was handed
    int beeps = 0;

private:
    int markers_ = 0;
};

const QStringList kStart = {"xboard", "new", "sd 1"};

QStringList Moves(const GameState& game)
{
    QStringList moves;
    for (int ply = 1; ply <= game.LastPly; ++ply)
        moves << QString::fromStdString(game.KifuCoord[ply]);
    return moves;
}

bool Gone(qint64 pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH; }

// The pieces of the standard start as the hand-off sends them, file by file.
const QStringList kStartWhite = {"Ra1", "Pa2", "Nb1", "Pb2", "Bc1", "Pc2", "Qd1", "Pd2",
                                 "Ke1", "Pe2", "Bf1", "Pf2", "Ng1", "Pg2", "Rh1", "Ph2"};
const QStringList kStartBlack = {"Pa7", "Ra8", "Pb7", "Nb8", "Pc7", "Bc8", "Pd7", "Qd8",
                                 "Pe7", "Ke8", "Pf7", "Bf8", "Pg7", "Ng8", "Ph7", "Rh8"};

}  // namespace


class TestProtocol : public QObject {
    Q_OBJECT

private slots:
    // ---- start ---------------------------------------------------------------

    void startCommands_data()
    {
        QTest::addColumn<QString>("firstCommand");
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("newGame");  // through the new-game command, else WinBoardStart alone
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("first command and level 2") << "xboard" << 2 << false << QStringList{"xboard", "new", "sd 2"};
        QTest::newRow("no level checked") << "xboard" << 0 << false << QStringList{"xboard", "new"};
        QTest::newRow("no first command") << "" << 3 << false << QStringList{"new", "sd 3"};
        QTest::newRow("new game at level 2") << "xboard" << 2 << true << QStringList{"xboard", "new", "sd 2"};
        // A game starts at the quickest level until the user chooses one.
        QTest::newRow("new game without a level") << "xboard" << 0 << true << QStringList{"xboard", "new", "sd 1"};
    }
    void startCommands()
    {
        QFETCH(QString, firstCommand);
        QFETCH(int, level);
        QFETCH(bool, newGame);
        QFETCH(QStringList, expected);
        Rig rig("");
        rig.config.EngSet.FirstCommand = firstCommand.toStdString();
        rig.game->ClearLevel();
        rig.game->ChooseLevel(level);
        if (newGame) {
            rig.game->MnuGameNew_Click();
            QVERIFY(rig.game->EngPlay());
            QCOMPARE(QString::fromStdString(rig.Header().Field[kBlack]), QString("Scripted"));
        } else {
            QVERIFY(rig.game->WinBoardStart());
        }
        QVERIFY(rig.game->EngineRunning());
        QCOMPARE(rig.Received(), expected);
        // Each command is one line ended by LF alone.
        QCOMPARE(rig.Raw(), (expected.join('\n') + "\nmarker 1\n").toUtf8());
        QVERIFY(rig.host.messages.empty());
    }

    void notConfigured()
    {
        Rig rig("");
        rig.config.EngLoaFg = false;
        rig.game->MnuGameNew_Click();
        QCOMPARE(rig.host.messages.size(), std::size_t(1));
        QCOMPARE(rig.host.messages[0].text, QString("ゲーム→エンジンの設定 を行ってください"));
        QCOMPARE(rig.host.messages[0].title, QString("注意"));
        QCOMPARE(rig.host.messages[0].icon, EngineHost::Icon::Warning);
        QVERIFY(!rig.game->EngPlay());
        QVERIFY(!rig.game->EngineRunning());
    }

    void cannotStart_data()
    {
        QTest::addColumn<QString>("path");  // "@" stands for the temporary folder
        QTest::addColumn<QString>("script");
        QTest::newRow("missing path") << "@/no-such-engine" << "";
        QTest::newRow("empty path") << "" << "";
        QTest::newRow("not executable") << "@/script.txt" << "";
        QTest::newRow("a folder") << "@" << "";
        QTest::newRow("exits at once") << "" << "start: exit 1";
        QTest::newRow("writes a banner and exits") << "" << "start: say Engine 1.0 starting; exit 0";
        QTest::newRow("crashes at once") << "" << "start: crash";
    }
    void cannotStart()
    {
        QFETCH(QString, path);
        QFETCH(QString, script);
        Rig rig(script);
        if (script.isEmpty())
            rig.config.EngSet.Path = QString(path).replace("@", rig.dir.path()).toStdString();
        rig.game->MnuGameNew_Click();
        QVERIFY(QTest::qWaitFor([&] { return !rig.host.messages.empty() && !rig.game->EngPlay(); }, kWaitMs));
        QTest::qWait(20);  // room for a second message, which must not come
        QCOMPARE(rig.host.MessageTexts(), QStringList{"エンジンが起動できません"});
        QCOMPARE(rig.host.messages[0].title, QString("警告"));
        QCOMPARE(rig.host.messages[0].icon, EngineHost::Icon::Error);
        QVERIFY(!rig.game->EngineRunning());
        QVERIFY(!rig.game->EngWait());
    }

    // The engine runs in its own folder, found through the program folder
    // when its path is relative, with arguments split as a shell splits
    // them; the files of the delete pattern go first, and the program's own
    // folder stays where it was.
    void engineFolder()
    {
        Rig rig("start: say cwd={cwd}");
        const QString folder = rig.dir.filePath("my engine");
        QVERIFY(QDir().mkpath(folder));
        const QString engine = folder + "/engine";
        QVERIFY(QFile::copy(VORLIK_SCRIPTED_ENGINE, engine));
        QVERIFY(QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        for (const char* name : {"book.tmp", "x.tmp", "keep.txt"}) {
            QFile file(folder + "/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        rig.host.folder = rig.dir.path().toStdString();
        rig.config.EngSet.Path = "my engine/engine";
        rig.config.EngSet.DeleteFile = "*.tmp";
        rig.config.EngSet.Arguments = QString(" --log '%1' --script \"%2\"")
                                          .arg(rig.dir.filePath("engine log.txt"), rig.dir.filePath("script.txt"))
                                          .toStdString();
        const QString ownFolder = QDir::currentPath();
        QVERIFY(rig.NewGame());
        QVERIFY(QTest::qWaitFor([&] { return rig.shown.join('\n').contains("cwd="); }, kWaitMs));
        QVERIFY(rig.shown.join('\n').contains("cwd=" + QFileInfo(folder).canonicalFilePath()));
        QCOMPARE(QDir::currentPath(), ownFolder);
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"engine", "keep.txt"}));
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo(rig.dir.filePath("engine log.txt")).size() > 0; }, kWaitMs));
    }

    // A UCI settings file starts a game: the engine is introduced the UCI
    // way, and nothing of the command set reaches it.
    void uciEngineStartsAGame()
    {
        Rig rig("", VORLIK_SCRIPTED_UCI_ENGINE);
        rig.config.EngSet.Protocol = EngineProtocolKind::Uci;
        rig.config.EngSet.FirstCommand = "setoption name Hash value 16";
        rig.game->MnuGameNew_Click();
        QVERIFY(rig.game->EngPlay() && rig.WaitForLog("isready"));
        QCOMPARE(rig.Received(), (QStringList{"uci", "setoption name Hash value 16", "ucinewgame", "isready"}));
    }

    // The file to delete is a pattern inside the engine's folder, and never
    // takes a program or the program's own files with it.
    void deletePatternStaysInItsFolder_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("left");  // in the engine's folder afterwards
        QTest::newRow("everything") << "*" << QStringList{"engine"};
        QTest::newRow("one kind") << "*.lrn" << QStringList{"engine", "keep.txt"};
        QTest::newRow("one letter") << "?eep.txt" << QStringList{"book.lrn", "engine"};
        QTest::newRow("the folder above") << "../*" << QStringList{"book.lrn", "engine", "keep.txt"};
        QTest::newRow("a path") << "sub/*" << QStringList{"book.lrn", "engine", "keep.txt"};
        QTest::newRow("nothing") << "" << QStringList{"book.lrn", "engine", "keep.txt"};
    }
    void deletePatternStaysInItsFolder()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, left);
        QTemporaryDir dir;
        const QString folder = dir.filePath("engines");
        QVERIFY(QDir().mkpath(folder + "/sub"));
        for (const char* name : {"engines/book.lrn", "engines/keep.txt", "engines/engine", "engines/sub/x", "above"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        // The program's own files may share the engine's folder: no pattern takes them.
        const QStringList own = {"Vorlik.ini", "Fairy-Max.mek", "PieceMove.wav", "game.PGN", "game.bak", ".hidden"};
        for (const QString& name : own)
            QVERIFY(QFile(folder + "/" + name).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(folder + "/engine", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        DeleteEngineFiles(folder, pattern);
        QStringList after = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        for (const QString& name : own)
            QVERIFY2(after.removeOne(name), qPrintable(name));
        QCOMPARE(after, left);
        QVERIFY(QFile::exists(dir.filePath("above")));
        QVERIFY(QFile::exists(folder + "/sub/x"));
    }

    // Only the newest engine runs: starting again ends the one before.
    void oneEngineAtATime()
    {
        Rig rig("");
        QVERIFY(rig.NewGame());
        const qint64 first = rig.game->EngProc.ProcessId();
        QVERIFY(first > 0);
        QVERIFY(rig.game->WinBoardStart());
        const qint64 second = rig.game->EngProc.ProcessId();
        QVERIFY(second > 0 && second != first);
        QVERIFY(Gone(first));
        rig.game->WinBoardEdit();
        const qint64 third = rig.game->EngProc.ProcessId();
        QVERIFY(third > 0 && third != second);
        QVERIFY(Gone(second));
        rig.game->MnuGameEnd_Click();
        QVERIFY(Gone(third));
        QVERIFY(!rig.game->EngPlay());
        QVERIFY(rig.host.messages.empty());
    }

    // ---- moves -----------------------------------------------------------------

    void userMoveAndReply()
    {
        Rig rig("on move: reply e7e5 b8c6");
        QVERIFY(rig.NewGame());
        QSignalSpy moved(rig.game.get(), &EngineGame::EngineMoved);
        QVERIFY(rig.UserMove("e4"));
        QVERIFY(rig.game->EngWait());
        QVERIFY(rig.WaitForPly(2));
        QVERIFY(!rig.game->EngWait());
        QCOMPARE(moved.size(), 1);
        QCOMPARE(moved[0][0].toBool(), true);
        QCOMPARE(moved[0][1].toString(), QString("e7e5"));
        QVERIFY(rig.UserMove("Nf3"));
        QVERIFY(rig.WaitForPly(4));
        QCOMPARE(Moves(rig.Record()), (QStringList{"e2e4", "e7e5", "g1f3", "b8c6"}));
        QCOMPARE(rig.Received(), (kStart + QStringList{"e2e4", "g1f3"}));
        QVERIFY(rig.shown.join('\n').contains("move b8c6"));
        QVERIFY(rig.host.messages.empty());
    }

    // How a reply can arrive: the move is found in each of these.
    void engineReply_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("move");  // the record's ply 2
        QTest::newRow("move") << "" << "say move e7e5" << "e7e5";
        QTest::newRow(". ... form") << "" << "say 1. ... e7e5" << "e7e5";
        QTest::newRow("piece letter") << "" << "say move Nf6" << "g8f6";
        QTest::newRow("check sign") << "" << "say move d7d5+" << "d7d5";
        QTest::newRow("split over two writes") << "" << "split mo|ve e7e5\\n 100" << "e7e5";
        QTest::newRow("CR LF split between writes") << "" << "split move e7e5\\r|\\n 100" << "e7e5";
        QTest::newRow("CR only") << "" << "write move e7e5\\r" << "e7e5";
        QTest::newRow("talk before the move") << "" << "say your move is e2e4; say move d7d5" << "d7d5";
        QTest::newRow("thinking output before the move")
            << "" << "say  9 -101 0 1234 e7e5 g1f3; say move d7d5" << "d7d5";
        QTest::newRow("flood before the move") << "" << "flood 1000000; say move e7e5" << "e7e5";
        QTest::newRow("garbage before the move") << "" << "garbage 3000 5; say; say move e7e5" << "e7e5";
        QTest::newRow("configured prefix") << "My move is: " << "say move d7d5; say My move is: e7e5" << "e7e5";
    }
    void engineReply()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, rule);
        QFETCH(QString, move);
        Rig rig("on move: " + rule);
        rig.config.EngSet.MovePrefix = prefix.toStdString();
        QVERIFY(rig.NewGame());
        QVERIFY(rig.UserMove("e4"));
        QVERIFY(rig.WaitForPly(2));
        QCOMPARE(QString::fromStdString(rig.Record().KifuCoord[2]), move);
        QVERIFY(!rig.game->EngWait());
        QVERIFY(rig.game->EngPlay());
        QVERIFY(rig.host.messages.empty());
        for (const QString& text : rig.shown)
            QCOMPARE(QString::fromUtf8(text.toUtf8()), text);  // what is shown is text
    }

    // The engine-name button while the engine thinks: "?" and nothing else;
    // an engine that ignores it is still waited for.
    void moveNowWhileThinking_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("plies");  // in the record afterwards
        QTest::newRow("the engine moves at once") << "on ?: say move e7e5" << 2;
        QTest::newRow("the engine ignores it") << "" << 1;
        QTest::newRow("the engine does not know it") << "on ?: say Error (unknown command): ?" << 1;
    }
    void moveNowWhileThinking()
    {
        QFETCH(QString, script);
        QFETCH(int, plies);
        Rig rig(script);
        rig.config.EngSet.ErrorText = "Error";
        QVERIFY(rig.NewGame());
        QVERIFY(rig.UserMove("e4"));
        rig.game->MoveNow();
        QCOMPARE(rig.Received(), (kStart + QStringList{"e2e4", "?"}));
        const QString answer = script.mid(script.indexOf("say ") + 4);
        if (!script.isEmpty())  // its answer has been read and handled
            QVERIFY(QTest::qWaitFor([&] { return rig.shown.join('\n').contains(answer); }, kWaitMs));
        QCOMPARE(rig.Record().LastPly, plies);
        QCOMPARE(rig.game->EngWait(), plies == 1);
        QVERIFY(rig.game->EngPlay());
        QVERIFY(rig.host.messages.empty());
    }

    // A reply the rules refuse: nothing enters the record, and the user is
    // to move again.
    void engineMoveRefused_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("token");  // as handed to the rules
        QTest::newRow("a White move") << "say move e2e4" << "e2e4";
        QTest::newRow("token of 12 characters") << "say move abcdefghijkl" << "abcdefghij";
        QTest::newRow("a move with 8 characters more") << "say move e7e5e7e5e7e5" << "e7e5e7e5e7";
        // Ten characters fill every slot and leave none for the end of the move.
        QTest::newRow("token of exactly 10 characters") << "say move e7e5e7e5e7" << "e7e5e7e5e7";
        QTest::newRow("nothing after the prefix") << "say move\\x20" << "";
    }
    void engineMoveRefused()
    {
        QFETCH(QString, rule);
        QFETCH(QString, token);
        Rig rig("on move: " + rule);
        QVERIFY(rig.NewGame());
        QSignalSpy moved(rig.game.get(), &EngineGame::EngineMoved);
        QVERIFY(rig.UserMove("e4"));
        QVERIFY(QTest::qWaitFor([&] { return moved.size() == 1; }, kWaitMs));
        QCOMPARE(moved[0][0].toBool(), false);
        QCOMPARE(moved[0][1].toString(), token);
        QCOMPARE(rig.Record().LastPly, 1);
        QCOMPARE(rig.Record().CurPly, 1);
        QVERIFY(!rig.game->EngWait());
        QVERIFY(rig.game->EngPlay());
    }

    // The engine's move waits while the user is in the middle of something.
    void moveWaitsForTheUser()
    {
        Rig rig("on move: say move e7e5");
        QVERIFY(rig.NewGame());
        rig.host.busy = true;
        QVERIFY(rig.UserMove("e4"));
        QVERIFY(QTest::qWaitFor([&] { return rig.shown.join('\n').contains("move e7e5"); }, kWaitMs));
        QCOMPARE(rig.Record().LastPly, 1);
        rig.host.busy = false;
        QVERIFY(rig.WaitForPly(2));
        QCOMPARE(QString::fromStdString(rig.Record().KifuCoord[2]), QString("e7e5"));
    }

    // ---- errors ------------------------------------------------------------------

    void illegalMove_data()
    {
        QTest::addColumn<QString>("errorText");
        QTest::addColumn<QString>("reply");
        QTest::newRow("Illegal move") << "" << "Illegal move: {line}";
        QTest::newRow("ILLEGAL MOVE") << "" << "ILLEGAL MOVE {line}";
        QTest::newRow("configured error text") << "Error" << "Error (bad move): {line}";
        QTest::newRow("error and move in one line") << "" << "Illegal move: {line} move e7e5";
        QTest::newRow("split over two writes") << "" << "Ille|gal move: {line}\\n";
    }
    void illegalMove()
    {
        QFETCH(QString, errorText);
        QFETCH(QString, reply);
        const QString action = reply.contains('|') ? "split " + reply + " 50" : "say " + reply;
        Rig rig("on#1 move: " + action + "\non move: reply e7e5\n");
        rig.config.EngSet.ErrorText = errorText.toStdString();
        QVERIFY(rig.NewGame());
        QSignalSpy withdrawn(rig.game.get(), &EngineGame::MoveWithdrawn);
        QVERIFY(rig.UserMove("e4"));
        QVERIFY(QTest::qWaitFor([&] { return withdrawn.size() == 1; }, kWaitMs));
        QCOMPARE(withdrawn[0][0].toString(), QString("e2e4"));
        QCOMPARE(rig.Record().CurPly, 0);
        QCOMPARE(rig.Record().LastPly, 0);
        QVERIFY(!rig.game->EngWait());
        QVERIFY(rig.game->EngPlay());
        QCOMPARE(rig.host.MessageTexts(), QStringList{"エンジンからエラーが返されました"});
        QCOMPARE(rig.host.messages[0].title, QString("警告"));
        QCOMPARE(rig.host.messages[0].icon, EngineHost::Icon::Error);
        // The engine still holds the start: the user's next move is answered.
        QVERIFY(rig.UserMove("d4"));
        QVERIFY(rig.WaitForPly(2));
        QCOMPARE(Moves(rig.Record()), (QStringList{"d2d4", "e7e5"}));
        QCOMPARE(rig.Received(), (kStart + QStringList{"e2e4", "d2d4"}));
    }

    // With nothing played there is nothing to withdraw; the configured error
    // text does not count there at all.
    void errorAtPlyZero_data()
    {
        QTest::addColumn<QString>("errorText");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("lastPly");
        QTest::newRow("Illegal move") << "" << "say Illegal move: go" << QStringList{"エンジンからエラーが返されました"}
                                      << 0;
        QTest::newRow("configured error text") << "Error" << "say Error (command): go; say move e2e4"
                                               << QStringList{} << 1;
    }
    void errorAtPlyZero()
    {
        QFETCH(QString, errorText);
        QFETCH(QString, rule);
        QFETCH(QStringList, messages);
        QFETCH(int, lastPly);
        Rig rig("on go: " + rule);
        rig.config.EngSet.ErrorText = errorText.toStdString();
        QVERIFY(rig.NewGame());
        rig.game->MoveNow();
        QVERIFY(rig.game->EngWait());
        QVERIFY(QTest::qWaitFor([&] { return !rig.game->EngWait(); }, kWaitMs));
        QCOMPARE(rig.host.MessageTexts(), messages);
        QCOMPARE(rig.Record().LastPly, lastPly);
        QCOMPARE(rig.Record().CurPly, lastPly);
        QVERIFY(rig.game->EngPlay());
        QCOMPARE(rig.Received(), kStart + QStringList{"go"});
    }

    // ---- results -------------------------------------------------------------------

    // The fool's mate with the engine as Black; its last reply varies. A mate
    // on the board is the program's own finding, told once; a result the
    // engine announces without a move ends the game silently.
    void results_data()
    {
        QTest::addColumn<QString>("lastReply");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("lastPly");
        QTest::addColumn<bool>("told");
        QTest::newRow("move and 0-1 {Black mates}") << "say move d8h4; say 0-1 {Black mates}" << "0-1" << 4 << true;
        QTest::newRow("move and mates in one line") << "say move d8h4 mates" << "0-1" << 4 << true;
        QTest::newRow("result in the same write") << "say move d8h4\\n0-1 {Black mates}" << "0-1" << 4 << true;
        QTest::newRow("mate without a result") << "say move d8h4" << "0-1" << 4 << true;
        QTest::newRow("result without a move") << "say 0-1 {White resigns}" << "0-1" << 3 << false;
        QTest::newRow("draw without a move") << "say 1/2-1/2 {Draw by repetition}" << "1/2-1/2" << 3 << false;
        QTest::newRow("resign: the engine's side loses") << "say resign" << "1-0" << 3 << false;
    }
    void results()
    {
        QFETCH(QString, lastReply);
        QFETCH(QString, result);
        QFETCH(int, lastPly);
        QFETCH(bool, told);
        Rig rig("on#2 move: " + lastReply + "\non move: reply e7e5\n");
        QVERIFY(rig.NewGame());
        QVERIFY(rig.UserMove("f3"));
        QVERIFY(rig.WaitForPly(2));
        QVERIFY(rig.UserMove("g4"));
        QVERIFY(QTest::qWaitFor([&] { return !rig.game->EngPlay(); }, kWaitMs));
        QCOMPARE(rig.Record().LastPly, lastPly);
        QCOMPARE(QString::fromStdString(rig.Header().Field[kResult]), result);
        QVERIFY(!rig.game->EngWait());
        QVERIFY(!rig.game->EngineRunning());
        QVERIFY(rig.host.ended >= 1);
        QCOMPARE(rig.host.MessageTexts(), told ? QStringList{"チェックメイトです。黒の勝ちです。"} : QStringList{});
    }

    void resultNamedInTalkEndsNothing()
    {
        Rig rig("on move: say tellics say 1-0 would be nice; say  9 -101 0 1234 e7e5; say move e7e5");
        QVERIFY(rig.NewGame());
        QVERIFY(rig.UserMove("e4"));
        QVERIFY(rig.WaitForPly(2));
        QVERIFY(rig.game->EngPlay());
        QCOMPARE(QString::fromStdString(rig.Header().Field[kResult]), QString("*"));
    }

    // ---- an engine that goes away --------------------------------------------------

    void engineGoesAway_data()
    {
        QTest::addColumn<QString>("action");  // "kill": from outside
        QTest::newRow("crash") << "crash";
        QTest::newRow("abort") << "crash abort";
        QTest::newRow("exit 0") << "exit 0";
        QTest::newRow("exit 3") << "exit 3";
        QTest::newRow("a last word, then exit") << "say move b8c6; exit 0";
        QTest::newRow("a last word without its line end, then exit") << "write move b8c6; exit 0";
        QTest::newRow("killed from outside") << "kill";
    }
    void engineGoesAway()
    {
        QFETCH(QString, action);
        Rig rig(action == "kill" ? "on move: reply e7e5" : "on#2 move: " + action + "\non move: reply e7e5 b8c6\n");
        QVERIFY(rig.NewGame());
        QSignalSpy over(rig.game.get(), &EngineGame::GameOver);
        QVERIFY(rig.UserMove("e4"));
        QVERIFY(rig.WaitForPly(2));
        // Past the first second: an engine gone sooner never really started.
        QVERIFY(QTest::qWaitFor([&] { return rig.game->EngProc.Age() > 1100; }, kWaitMs));
        const qint64 pid = rig.game->EngProc.ProcessId();
        QVERIFY(rig.UserMove("Nf3"));
        if (action == "kill")
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        QVERIFY(QTest::qWaitFor([&] { return !rig.game->EngPlay(); }, kWaitMs));
        QTest::qWait(20);  // room for a second message, which must not come
        QCOMPARE(rig.host.messages.size(), std::size_t(1));
        QCOMPARE(rig.host.messages[0].text, QString::fromUtf8(kEngineEnded));
        QCOMPARE(over.size(), 1);
        QCOMPARE(over[0][0].toBool(), true);
        QVERIFY(!rig.game->EngWait());
        QVERIFY(!rig.game->EngineRunning());
        QVERIFY(Gone(pid));
        // The record stays as it was; a last move before the exit is in it.
        const QStringList played = {"e2e4", "e7e5", "g1f3"};
        QCOMPARE(Moves(rig.Record()),
                 action.contains("b8c6") ? played + QStringList{"b8c6"} : played);
    }

    // The end button leaves a wait for an engine that never answers.
    void endWhileWaiting()
    {
        Rig rig("on move: hang");
        QVERIFY(rig.NewGame());
        const qint64 pid = rig.game->EngProc.ProcessId();
        QVERIFY(rig.UserMove("e4"));
        QVERIFY(rig.WaitForLog("e2e4"));
        QVERIFY(rig.game->EngWait());
        rig.game->MnuGameEnd_Click();
        QVERIFY(!rig.game->EngWait());
        QVERIFY(!rig.game->EngPlay());
        QVERIFY(Gone(pid));
        QCOMPARE(rig.Record().LastPly, 1);
        QVERIFY(rig.host.messages.empty());
    }

    // ---- force mode ------------------------------------------------------------------

    void forceMode_data()
    {
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QStringList>("sent");  // after the start commands
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QString>("reply");  // the engine's move after "go"
        QTest::newRow("3 plies: Black to move, go at once")
            << "e4 e5 Nf3" << QStringList{"force", "e2e4", "e7e5", "g1f3", "go"} << false << "b8c6";
        QTest::newRow("4 plies: White to move, go after the user's move")
            << "e4 e5 Nf3 Nc6" << QStringList{"force", "e2e4", "e7e5", "g1f3", "b8c6"} << true << "a7a6";
        QTest::newRow("a promotion goes in small letters")
            << "b4 a5 bxa5 Ra6 h3 b6 axb6 Nc6 b7 Nd4 bxc8=Q"
            << QStringList{"force", "b2b4", "a7a5", "b4a5", "a8a6", "h2h3", "b7b6", "a5b6", "b8c6",
                           "b6b7", "c6d4", "b7c8q", "go"}
            << false << "d8c8";
    }
    void forceMode()
    {
        QFETCH(QString, moves);
        QFETCH(QStringList, sent);
        QFETCH(bool, marker);
        QFETCH(QString, reply);
        Rig rig("on go: reply " + reply);
        const GameState& record = rig.Record();
        for (const QString& token : moves.split(' ')) {
            QVERIFY2(rig.Commit(token.toStdString()), qPrintable(token));
        }
        const int kept = record.LastPly;
        rig.host.answers.push_back(GameStartChoice::FromPosition);
        QVERIFY(rig.NewGame());
        QCOMPARE(rig.host.asked, std::vector<bool>{true});
        QCOMPARE(rig.Record().LastPly, kept);
        if (!marker) {
            QVERIFY(rig.WaitForPly(kept + 1));
            QCOMPARE(QString::fromStdString(rig.Record().KifuCoord[kept + 1]), reply);
            QCOMPARE(rig.Received(), kStart + sent);
            QVERIFY(!rig.GoDue());
            return;
        }
        QVERIFY(rig.GoDue());
        QCOMPARE(rig.Received(), kStart + sent);
        QVERIFY(!rig.game->EngWait());
        QVERIFY(rig.UserMove("Bb5"));
        QVERIFY(rig.WaitForPly(kept + 2));
        QVERIFY(!rig.GoDue());
        QCOMPARE(QString::fromStdString(rig.Record().KifuCoord[kept + 2]), reply);
        QCOMPARE(rig.Received(), (kStart + sent + QStringList{"f1b5", "go"}));
    }

    // The force-mode marker belongs to the game that set it: a later new
    // game must not send "go" after the user's first move, or an engine that
    // has already answered would then move for White.
    void markerEndsWithItsGame()
    {
        Rig rig("on go: reply a7a6\non move: reply e7e5");
        const GameState& record = rig.Record();
        for (const char* token : {"e4", "e5", "Nf3", "Nc6"}) {
            QVERIFY(rig.Commit(token));
        }
        rig.host.answers = {GameStartChoice::FromPosition, GameStartChoice::NewGame};
        QVERIFY(rig.NewGame());
        QVERIFY(rig.GoDue());
        rig.game->MnuGameEnd_Click();
        QVERIFY(rig.NewGame());
        QCOMPARE(record.LastPly, 0);
        const int before = rig.Received().size();
        QVERIFY(rig.UserMove("d4"));
        QVERIFY(rig.WaitForPly(2));
        QCOMPARE(rig.Received().mid(before), QStringList{"d2d4"});
    }

    // Without force mode a continued game is a new one from the start.
    void continueWithoutForce()
    {
        Rig rig("");
        rig.config.EngSet.ForceCommand = "";
        QVERIFY(rig.Commit("e4"));
        rig.host.answers.push_back(GameStartChoice::NewGame);
        QVERIFY(rig.NewGame());
        QCOMPARE(rig.host.asked, std::vector<bool>{false});
        QCOMPARE(rig.Record().LastPly, 0);
        QCOMPARE(rig.Received(), kStart);
    }

    void cancelKeepsTheGame()
    {
        Rig rig("");
        QVERIFY(rig.Commit("e4"));
        rig.game->MnuGameNew_Click();  // the question is answered with cancel
        QCOMPARE(rig.host.asked.size(), std::size_t(1));
        QVERIFY(!rig.game->EngPlay());
        QVERIFY(!rig.game->EngineRunning());
        QCOMPARE(rig.Record().LastPly, 1);
    }

    // ---- take-back -------------------------------------------------------------------

    void takeBack_data()
    {
        QTest::addColumn<QString>("command");   // EngSet(15)
        QTest::addColumn<int>("userMoves");     // each answered by the engine
        QTest::addColumn<int>("curPly");        // after the take-back
        QTest::addColumn<bool>("newGame");      // else the command is sent
        QTest::newRow("remove at ply 4") << "remove" << 2 << 2 << false;
        QTest::newRow("remove at ply 6") << "remove" << 3 << 4 << false;
        QTest::newRow("remove at ply 2: new game") << "remove" << 1 << 0 << true;
        QTest::newRow("undo at ply 2") << "undo" << 1 << 1 << false;
        QTest::newRow("undo at ply 0: new game") << "undo" << 0 << 0 << true;
        QTest::newRow("not offered: new game") << "" << 2 << 0 << true;
    }
    void takeBack()
    {
        QFETCH(QString, command);
        QFETCH(int, userMoves);
        QFETCH(int, curPly);
        QFETCH(bool, newGame);
        Rig rig("on move: reply e7e5 b8c6 g8f6");
        rig.config.EngSet.TakeBack = command.toStdString();
        QVERIFY(rig.NewGame());
        const char* tokens[] = {"e4", "Nf3", "Bc4"};
        QStringList played;
        for (int k = 0; k < userMoves; ++k) {
            QVERIFY(rig.UserMove(tokens[k]));
            QVERIFY(rig.WaitForPly(2 * k + 2));
            played << QString::fromStdString(rig.Record().KifuCoord[2 * k + 1]);
        }
        const qint64 pid = rig.game->EngProc.ProcessId();
        const QStringList before = rig.Received();
        QCOMPARE(before, kStart + played);
        rig.host.answers.push_back(GameStartChoice::NewGame);
        const int beeps = rig.beeps;
        rig.game->TakeBack();
        QCOMPARE(rig.Record().CurPly, curPly);
        QCOMPARE(rig.Record().LastPly, curPly);
        QCOMPARE(rig.beeps, beeps + (newGame ? 1 : 0));
        QVERIFY(rig.game->EngPlay());
        QVERIFY(rig.game->EngineRunning());
        QCOMPARE(Gone(pid), newGame);
        // The engine that is quit may be killed before it reads "quit".
        QStringList after = rig.Received().mid(before.size());
        after.removeAll("quit");
        QCOMPARE(after, newGame ? kStart : QStringList{command});
    }

    // ---- direct send and levels ------------------------------------------------------

    void directSend()
    {
        Rig rig("on ping 7: say pong 7\non : say empty line");
        rig.game->DirectSend("ping 7");  // no engine yet: goes nowhere
        QVERIFY(rig.shown.isEmpty());
        QVERIFY(rig.NewGame());
        rig.game->DirectSend("ping 7");
        QVERIFY(QTest::qWaitFor([&] { return rig.shown.join('\n').contains("pong 7"); }, kWaitMs));
        rig.game->DirectSend("");
        QVERIFY(QTest::qWaitFor([&] { return rig.shown.join('\n').contains("empty line"); }, kWaitMs));
        QCOMPARE(rig.Received(), (kStart + QStringList{"ping 7", ""}));
        QCOMPARE(rig.Record().LastPly, 0);
    }

    void chooseLevel()
    {
        Rig rig("");
        rig.game->ChooseLevel(3);  // no engine yet: only checked
        QCOMPARE(rig.game->Level(), 3);
        rig.game->MnuGameNew_Click();
        rig.game->ChooseLevel(2);
        QCOMPARE(rig.game->Level(), 2);
        rig.game->ChooseLevel(4);  // no such level
        QCOMPARE(rig.game->Level(), 2);
        QCOMPARE(rig.Received(), (QStringList{"xboard", "new", "sd 3", "sd 2"}));
    }

    // ---- position hand-off -------------------------------------------------------------

    void handOff_data()
    {
        QTest::addColumn<QString>("fen");  // "" the standard start
        QTest::addColumn<QString>("played");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("start, White to move") << "" << "" << kStartWhite + QStringList{"c"} + kStartBlack
                                              + QStringList{"."};
        QStringList afterE4 = kStartWhite;
        afterE4[afterE4.indexOf("Pe2")] = "Pe4";
        QTest::newRow("after e4, Black to move") << "" << "e4" << afterE4 + QStringList{"c"} + kStartBlack
                                                 + QStringList{".", "black"};
        // No level is chosen for a hand-off: the default.
        QTest::newRow("set-up, Black to move") << "4k3/8/8/8/8/8/1p6/R3K3 b" << ""
                                               << QStringList{"Ra1", "Ke1", "c", "Pb2", "Ke8", ".", "black"};
    }
    void handOff()
    {
        QFETCH(QString, fen);
        QFETCH(QString, played);
        QFETCH(QStringList, pieces);
        Rig rig("");
        if (!fen.isEmpty()) {
            Board board{};
            bool blackToMove = false;
            QCOMPARE(ReadFenText(fen.toStdString(), board, blackToMove), FenError::None);
            rig.host.session.LoadSetup(board, blackToMove);
        }
        if (!played.isEmpty()) {
            QVERIFY(rig.Commit(played.toStdString()));
        }
        rig.game->ClearLevel();
        rig.game->WinBoardEdit();
        QVERIFY(rig.game->EngPlay());
        QVERIFY(rig.game->EngineRunning());
        QCOMPARE(rig.Received(), (QStringList{"xboard", "new", "edit", "#"} + pieces));
    }

    // A promotion on a handed-off position goes to the engine in small letters,
    // followed by "go" (engines wait for it after a hand-off), and the
    // engine's answer is played on that position.
    void handOffPromotion()
    {
        Rig rig("on move: say move e8d7");
        const GameState& record = rig.Record();
        Board board{};
        bool blackToMove = false;
        QCOMPARE(ReadFenText("4k3/1P6/8/8/8/8/8/4K3 w", board, blackToMove), FenError::None);
        rig.host.session.LoadSetup(board, blackToMove);
        rig.game->ClearLevel();
        rig.game->WinBoardEdit();
        QVERIFY(rig.UserMove("b8=Q"));
        QVERIFY(rig.WaitForPly(2));
        QCOMPARE(QString::fromStdString(record.KifuCoord[1]).toLower(), QString("b7b8q"));
        QCOMPARE(rig.Received(),
                 (QStringList{"xboard", "new", "edit", "#", "Pb7", "Ke1", "c", "Ke8", ".", "b7b8q", "go"}));
    }

    // ---- a UCI engine -------------------------------------------------------------

    // A game against the scripted UCI engine, step by step: every move it is
    // asked for goes with the whole position and the level's "go", only once
    // it is ready. Steps: "new", "level N", "board TOKEN" (a move before the
    // game), "continue", "setup FEN", "play TOKEN" (and wait for the answer),
    // "name" (the engine-name button), "back", "send TEXT", "age" (past the
    // first second), "await".
    void uciGame_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("sent");   // after "uci", "ucinewgame", "isready"
        QTest::addColumn<QStringList>("moves");  // the record afterwards
        QTest::addColumn<QStringList>("messages");
        const QString go = "go movetime 50";
        QTest::newRow("moves") << "on go*: reply e7e5 b8c6" << "new; play e4; send ping; play Nf3"
                               << QStringList{"position startpos moves e2e4", go, "ping",
                                              "position startpos moves e2e4 e7e5 g1f3", go}
                               << QStringList{"e2e4", "e7e5", "g1f3", "b8c6"} << QStringList{};
        QTest::newRow("a level that is no go argument")
            << "on go*: reply e7e5" << "level 2; new; play e4"
            << QStringList{"position startpos moves e2e4", "go movetime 1000"} << QStringList{"e2e4", "e7e5"}
            << QStringList{};
        QTest::newRow("take back two plies")
            << "on go*: reply e7e5 b8c6 g8f6" << "new; play e4; play Nf3; back; play d4"
            << QStringList{"position startpos moves e2e4", go, "position startpos moves e2e4 e7e5 g1f3", go,
                           "position startpos moves e2e4 e7e5 d2d4", go}
            << QStringList{"e2e4", "e7e5", "d2d4", "g8f6"} << QStringList{};
        // The engine thinks until it is told to stop; its move is then played.
        QTest::newRow("move now") << "" << "new; name; name; await"
                                  << QStringList{"position startpos", go, "stop"} << QStringList{"e2e4"}
                                  << QStringList{};
        QTest::newRow("continued, Black to move")
            << "on go*: reply b8c6" << "board e4; board e5; board Nf3; continue; await"
            << QStringList{"position startpos moves e2e4 e7e5 g1f3", go} << QStringList{"e2e4", "e7e5", "g1f3", "b8c6"}
            << QStringList{};
        // No level is chosen for a hand-off: the default.
        QTest::newRow("set-up, Black to move")
            << "on go*: reply a1a7" << "setup 4k3/8/8/8/8/8/1p6/R3K3 b; play Kd7"
            << QStringList{"position fen 4k3/8/8/8/8/8/1p6/R3K3 b Q - 0 1 moves e8d7", "go movetime 1000"}
            << QStringList{"", "e8d7", "a1a7"} << QStringList{};
        QTest::newRow("the engine mates") << "on go*: reply e7e5 d8h4" << "new; play f3; play g4"
                                          << QStringList{"position startpos moves f2f3", go,
                                                         "position startpos moves f2f3 e7e5 g2g4", go}
                                          << QStringList{"f2f3", "e7e5", "g2g4", "d8h4"}
                                          << QStringList{"チェックメイトです。黒の勝ちです。"};
        QTest::newRow("no move") << "on go*: say bestmove (none)" << "new; play e4"
                                 << QStringList{"position startpos moves e2e4", go} << QStringList{"e2e4"}
                                 << QStringList{QString::fromUtf8(kEngineNoMove)};
        QTest::newRow("the engine dies")
            << "on#2 go*: crash\non go*: reply e7e5" << "new; play e4; age; play Nf3"
            << QStringList{"position startpos moves e2e4", go, "position startpos moves e2e4 e7e5 g1f3", go}
            << QStringList{"e2e4", "e7e5", "g1f3"} << QStringList{QString::fromUtf8(kEngineEnded)};
    }
    void uciGame()
    {
        QFETCH(QString, script);
        QFETCH(QString, steps);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, moves);
        QFETCH(QStringList, messages);
        Rig rig(script, VORLIK_SCRIPTED_UCI_ENGINE);
        EngineSettings& set = rig.config.EngSet;
        set.Protocol = EngineProtocolKind::Uci;
        set.FirstCommand = "";
        set.Level1 = "movetime 50";
        set.Level2 = "sd 2";
        QSignalSpy written(rig.game.get(), &EngineGame::Sent);
        const auto settled = [&] { return !rig.game->EngWait() || !rig.game->EngPlay(); };
        for (const QString& step : steps.split("; ")) {
            const QString word = step.section(' ', 0, 0), rest = step.section(' ', 1);
            if (word == "new" || word == "continue") {
                rig.host.answers.push_back(GameStartChoice::FromPosition);
                rig.game->MnuGameNew_Click();
            } else if (word == "level") {
                rig.game->ChooseLevel(rest.toInt());
            } else if (word == "board") {
                QVERIFY(rig.Commit(rest.toStdString()));
            } else if (word == "setup") {
                Board board{};
                bool blackToMove = false;
                QCOMPARE(ReadFenText(rest.toStdString(), board, blackToMove), FenError::None);
                rig.host.session.LoadSetup(board, blackToMove);
                rig.game->WinBoardEdit();
            } else if (word == "play") {
                QVERIFY(rig.UserMove(rest.toStdString()));
                QVERIFY(QTest::qWaitFor(settled, kWaitMs));
            } else if (word == "name") {
                rig.game->MoveNow();
            } else if (word == "back") {
                rig.game->TakeBack();
            } else if (word == "send") {
                rig.game->DirectSend(rest.toStdString());
            } else if (word == "age") {
                QVERIFY(QTest::qWaitFor([&] { return rig.game->EngProc.Age() > 1100; }, kWaitMs));
            } else if (word == "await") {
                QVERIFY(QTest::qWaitFor(settled, kWaitMs));
            }
        }
        QCOMPARE(rig.host.MessageTexts(), messages);
        QCOMPARE(Moves(rig.Record()), moves);
        QStringList lines;
        for (const QList<QVariant>& call : written)
            lines << call.at(0).toString();
        QCOMPARE(lines.mid(0, 3), (QStringList{"uci", "ucinewgame", "isready"}));
        QCOMPARE(lines.mid(3, sent.size()), sent);
        // The end: "quit", and no engine is left.
        const qint64 pid = rig.game->EngProc.ProcessId();
        QCOMPARE(rig.game->EngPlay(), !messages.contains(QString::fromUtf8(kEngineEnded)) && !moves.contains("d8h4"));
        rig.game->MnuGameEnd_Click();
        QVERIFY(!rig.game->EngineRunning());
        QVERIFY(pid == 0 || Gone(pid));
        if (pid)
            QCOMPARE(written.last().at(0).toString(), QString("quit"));
    }

    void handOffCannotStart()
    {
        Rig rig("");
        rig.config.EngSet.Path = rig.dir.filePath("no-such-engine").toStdString();
        rig.game->WinBoardEdit();
        QCOMPARE(rig.host.MessageTexts(), QStringList{"エンジンが起動できません"});
        QVERIFY(!rig.game->EngPlay());
        QVERIFY(!rig.game->EngineRunning());
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
