// The engine as a player: each protocol object driven through the player
// interface on memory pipes (what it writes, what it tells of the engine's
// words), and a game against the scripted engine played into a session that
// no window shows, beside another session that it leaves alone.
#include "MemoryPipes.h"

#include "core/MoveCommit.h"
#include "engine/EngineGame.h"
#include "engine/UciEngine.h"
#include "engine/XboardEngine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace vorlik;
using vorlik::test::MemoryPipes;

namespace {

constexpr int kWaitMs = 30000;  // generous for sanitizer builds; a pass is far quicker


// A player of either kind on memory pipes, its game started and its words
// written down as "move X", "no move", "result X" ("result" alone: the last
// mover wins) and "error".
struct PlayerRig {
    MemoryPipes pipes;
    std::unique_ptr<EngineProtocol> player;
    GameSession session;
    QStringList heard;
    int introduced = 0;  // lines written before the game's own

    explicit PlayerRig(bool uci)
    {
        if (uci) {
            player = std::make_unique<UciEngine>();
        } else {
            auto xboard = std::make_unique<XboardEngine>();
            xboard->setReplyRules("", "Error");
            player = std::move(xboard);
        }
        player->setDevice(&pipes);
        ChessPlayer* seat = player.get();
        QObject::connect(seat, &ChessPlayer::moveMade, [this](const QString& move) { heard << "move " + move; });
        QObject::connect(seat, &ChessPlayer::noMove, [this] { heard << "no move"; });
        QObject::connect(seat, &ChessPlayer::resultClaimed,
                         [this](const QString& result) { heard << ("result " + result).trimmed(); });
        QObject::connect(seat, &ChessPlayer::error, [this] { heard << "error"; });
        seat->startGame(uci ? "movetime 50" : "sd 1");
        if (uci)
            pipes.say("uciok"), pipes.say("readyok");
        introduced = int(pipes.written().size());
    }
    QStringList Sent() const { return pipes.written().mid(introduced); }
    bool Commit(const QString& token) { return session.CommitMove(token.toStdString()) == MoveVerdict::Legal; }
};

// The window's side of a game: messages kept, every game a new one.
class QuietHost : public EngineHost {
public:
    void ShowMessage(const std::string& text, const std::string&, Icon) override { messages << QString::fromStdString(text); }
    GameStartChoice AskGameStart(bool) override { return GameStartChoice::NewGame; }
    std::string ProgramFolder() override { return folder.path().toStdString(); }

    QTemporaryDir folder;
    QStringList messages;
};

QStringList Moves(const GameState& game)
{
    QStringList moves;
    for (int ply = 1; ply <= game.LastPly; ++ply)
        moves << QString::fromStdString(game.KifuCoord[ply]);
    return moves;
}

}  // namespace

class PlayerTest : public QObject {
    Q_OBJECT

private slots:
    void playerTraffic_data();
    void playerTraffic();
    void gameIntoASecondSession();
};

void PlayerTest::playerTraffic_data()
{
    // Steps: "move TOKEN" (the opponent's move, committed and told), "engine
    // TOKEN" (the engine's move, committed only), "say LINE" (the engine
    // writes it).
    QTest::addColumn<bool>("uci");
    QTest::addColumn<QString>("moves");  // in the record before the game
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("sent");  // after the introduction and "new"
    QTest::addColumn<QStringList>("heard");
    QTest::addColumn<bool>("goDue");  // the command set's "go" after the next move
    QTest::newRow("xboard: a reply that mates") << false << "" << "move e4; say move e7e5 mates"
                                                << QStringList{"e2e4"} << QStringList{"move e7e5", "result"} << false;
    QTest::newRow("xboard: results stated, talk ignored")
        << false << "" << "say 0-1 {White resigns}; say 1/2-1/2 {Draw}; say resign; say tellics say 1-0"
        << QStringList{} << QStringList{"result 0-1", "result 1/2-1/2", "result"} << false;
    QTest::newRow("xboard: a refusal") << false << "" << "move e4; say Illegal move: e2e4" << QStringList{"e2e4"}
                                       << QStringList{"error"} << false;
    QTest::newRow("xboard: force mode, go due") << false << "e4 e5 Nf3 Nc6" << ""
                                                << QStringList{"force", "e2e4", "e7e5", "g1f3", "b8c6"}
                                                << QStringList{} << true;
    QTest::newRow("xboard: force mode, go after the opponent's next move only")
        << false << "e4 e5 Nf3 Nc6" << "move Bb5; say move a7a6; engine a6; move Ba4"
        << QStringList{"force", "e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "go", "b5a4"} << QStringList{"move a7a6"}
        << false;
    const QString go = "go movetime 50";
    QTest::newRow("uci: a reply") << true << "" << "move e4; say bestmove e7e5 ponder g1f3"
                                  << QStringList{"position startpos moves e2e4", go} << QStringList{"move e7e5"}
                                  << false;
    QTest::newRow("uci: no move") << true << "" << "move e4; say bestmove (none)"
                                  << QStringList{"position startpos moves e2e4", go} << QStringList{"no move"} << false;
}

void PlayerTest::playerTraffic()
{
    QFETCH(bool, uci);
    QFETCH(QString, moves);
    QFETCH(QString, steps);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, heard);
    QFETCH(bool, goDue);
    PlayerRig rig(uci);
    for (const QString& token : moves.split(' ', Qt::SkipEmptyParts))
        QVERIFY(rig.Commit(token));
    const GameState& game = rig.session.Game();
    ChessPlayer& player = *rig.player;
    player.newGame(game, false, GameHandOff::Moves);  // after "new" the engine plays Black
    for (const QString& step : steps.split("; ", Qt::SkipEmptyParts)) {
        const QString word = step.section(' ', 0, 0), rest = step.section(' ', 1);
        if (word == "move" || word == "engine")
            QVERIFY2(rig.Commit(rest), qPrintable(step));
        if (word == "move")
            player.opponentMove(game.KifuCoord[game.CurPly]);
        else if (word == "say")
            rig.pipes.say(rest.toUtf8());
    }
    QCOMPARE(rig.Sent(), sent);
    QCOMPARE(rig.heard, heard);
    const auto* xboard = qobject_cast<XboardEngine*>(rig.player.get());
    QCOMPARE(xboard && xboard->goAfterNextMove(), goDue);
}

// A game against the scripted engine in a session of its own: the session a
// window would show is not touched, not even told of it.
void PlayerTest::gameIntoASecondSession()
{
    GameSession shown;
    QVERIFY(shown.CommitMove("d4") == MoveVerdict::Legal);
    GameHeader names = shown.Header();
    names.Field[kWhite] = "利用者";
    shown.SetHeader(names);
    const GameHeader headerBefore = shown.Header();
    const long long revisionBefore = shown.Game().Revision;
    QSignalSpy changed(&shown, &GameSession::RecordChanged);
    QSignalSpy headerChanged(&shown, &GameSession::HeaderChanged);
    QSignalSpy phase(&shown, &GameSession::PhaseChanged);

    QuietHost host;
    QFile script(host.folder.filePath("script.txt"));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("on move: reply e7e5 b8c6\n");
    script.close();
    EngineConfig config;
    config.EngSet.Name = "Scripted";
    config.EngSet.Path = VORLIK_SCRIPTED_ENGINE;
    config.EngSet.Arguments = " --script " + host.folder.filePath("script.txt").toStdString();
    config.EngSet.Level1 = "sd 1";
    config.EngLoaFg = true;
    GameSession desk;
    EngineGame game(host, config, desk);
    game.MnuGameNew_Click();
    QVERIFY(game.EngPlay());
    for (const char* token : {"e4", "Nf3"}) {
        const int ply = desk.Game().LastPly + 2;
        QVERIFY(desk.CommitMove(token) == MoveVerdict::Legal);
        game.UserMoved();
        QVERIFY(QTest::qWaitFor([&] { return desk.Game().LastPly == ply; }, kWaitMs));
    }
    game.MnuGameEnd_Click();
    QCOMPARE(Moves(desk.Game()), (QStringList{"e2e4", "e7e5", "g1f3", "b8c6"}));
    QCOMPARE(QString::fromStdString(desk.Header().Field[kBlack]), QString("Scripted"));
    QCOMPARE(QString::fromStdString(desk.Header().Field[kResult]), QString("*"));
    QCOMPARE(desk.Phase(), GamePhase::Ended);
    QVERIFY(host.messages.isEmpty());

    QCOMPARE(Moves(shown.Game()), QStringList{"d2d4"});
    QVERIFY(shown.Header() == headerBefore);
    QCOMPARE(shown.Game().Revision, revisionBefore);
    QCOMPARE(shown.Phase(), GamePhase::NoGame);
    QCOMPARE(changed.size() + headerChanged.size() + phase.size(), 0);
}

QTEST_GUILESS_MAIN(PlayerTest)
#include "tst_player.moc"
