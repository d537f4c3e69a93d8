// The reference panel on a small database: a change of the position gives
// its tree, an answer about a position already left is dropped, a
// double-click on a move plays it in the window; and the desk's games in
// progress are found by position, by any move order.
#include "ScriptedServices.h"

#include "database/DatabaseImport.h"
#include "ui/DeskPositions.h"
#include "ui/FormMain.h"
#include "ui/ReferenceImport.h"
#include "ui/ReferencePanel.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include <atomic>
#include <fstream>
#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

const char kGames[] =
    "[Event \"A\"]\n[Date \"2001.01.01\"]\n[White \"Ann\"]\n[Black \"Bob\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 Nc6 1-0\n\n"
    "[Event \"A\"]\n[Date \"2003.01.01\"]\n[White \"Bob\"]\n[Black \"Ann\"]\n[Result \"0-1\"]\n\n1. e4 e5 2. Nf3 Nf6 0-1\n\n"
    "[Event \"B\"]\n[Date \"2002.01.01\"]\n[White \"Cid\"]\n[Black \"Dan\"]\n[Result \"1/2-1/2\"]\n\n1. e4 c5 1/2-1/2\n\n";

void WriteFile(const QString& name, const char* text) { std::ofstream(name.toStdString(), std::ios::binary) << text; }

// The tree's rows as "move games", the totals row last.
QStringList Rows(const QTreeWidget* tree)
{
    QStringList rows;
    for (int k = 0; k < tree->topLevelItemCount(); ++k)
        rows << tree->topLevelItem(k)->text(0) + QLatin1Char(' ') + tree->topLevelItem(k)->text(1);
    return rows;
}

// A double-click as the user makes it: the press that picks the row, then the second click.
void DoubleClick(QTreeWidget* tree, QPoint at)
{
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

std::uint64_t KeyAfter(const QStringList& moves)
{
    GameSession session;
    for (const QString& move : moves)
        session.CommitMove(move.toStdString());
    return PositionOnBoard(session.Game()).key;
}

}  // namespace

class ReferencePanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void positionChange_data();
    void positionChange();
    void staleAnswerIsDropped();
    void opponentOnly_data();
    void opponentOnly();
    void doubleClickPlaysTheMove();
    void deskGamesByPosition_data();
    void deskGamesByPosition();
    void cancelledImport_data();
    void cancelledImport();

private:
    QTreeWidget* Tree() const { return panel->findChild<QTreeWidget*>(QStringLiteral("TreeReference")); }
    void Play(const QStringList& moves);

    QTemporaryDir folder;
    QString database;
    std::unique_ptr<ScriptedServices> services;
    std::unique_ptr<GameSession> session;
    std::unique_ptr<ReferencePanel> panel;
};

void ReferencePanelTest::initTestCase()
{
    const QString pgn = folder.filePath(QStringLiteral("games.pgn"));
    WriteFile(pgn, kGames);
    database = folder.filePath(QStringLiteral("games.vdb"));
    GameDatabase db;
    std::string error;
    QVERIFY2(db.Open(database.toStdString(), GameDatabase::Mode::ReadWrite, error) && db.Begin(error), error.c_str());
    OpeningBook noNames;
    DatabaseImport import(db, noNames);
    QVERIFY2(import.ImportFile(pgn.toStdString(), kKindPgn, error), error.c_str());
    QVERIFY2(db.FlushPositions(error) && RefreshReadyTrees(db, error) && db.Commit(error), error.c_str());
    QCOMPARE(import.Counts().imported, 3L);
}

void ReferencePanelTest::init()
{
    services = std::make_unique<ScriptedServices>();
    session = std::make_unique<GameSession>();
    panel = std::make_unique<ReferencePanel>(*services, *session);
    panel->OpenDatabase(database);
    QSignalSpy shown(panel.get(), &ReferencePanel::TreeShown);
    panel->TurnOn();
    QVERIFY(shown.wait(10000));
}

void ReferencePanelTest::cleanup()
{
    panel.reset();
    session.reset();
    services.reset();
}

void ReferencePanelTest::Play(const QStringList& moves)
{
    for (const QString& move : moves)
        QCOMPARE(session->CommitMove(move.toStdString()), MoveVerdict::Legal);
}

void ReferencePanelTest::positionChange_data()
{
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("noGames");
    QTest::newRow("a move") << QStringList{"e2e4"} << QStringList{"e5 2", "c5 1", "合計 3"} << false;
    QTest::newRow("two moves") << QStringList{"e2e4", "e7e5"} << QStringList{"Nf3 2", "合計 2"} << false;
    QTest::newRow("a position no game reached") << QStringList{"d2d4"} << QStringList{} << true;
}

void ReferencePanelTest::positionChange()
{
    QFETCH(QStringList, moves);
    QFETCH(QStringList, rows);
    QFETCH(bool, noGames);
    QCOMPARE(Rows(Tree()), (QStringList{"e4 3", "合計 3"}));
    QSignalSpy shown(panel.get(), &ReferencePanel::TreeShown);
    Play(moves);
    QVERIFY(shown.wait(10000));
    QCOMPARE(Rows(Tree()), rows);
    const QString heading = panel->findChild<QLabel*>(QStringLiteral("LabelReference"))->text();
    QCOMPARE(heading.contains(QStringLiteral("この局面のゲームはありません")), noGames);
    // Back at the start: the start's tree again.
    QVERIFY(session->GoToPly(0));
    QVERIFY(shown.wait(10000));
    QCOMPARE(Rows(Tree()), (QStringList{"e4 3", "合計 3"}));
}

void ReferencePanelTest::staleAnswerIsDropped()
{
    // The answer about 1.e4 is held back until the board has gone on to 1.e4 e5.
    QSemaphore held, release;
    std::atomic<bool> holdNext{true};
    panel->Queries().beforeSending = [&](const ReferenceAnswer& answer) {
        if (answer.question.kind == ReferenceQuestion::Kind::Tree && holdNext.exchange(false)) {
            held.release();
            release.acquire();
        }
    };
    QSignalSpy shown(panel.get(), &ReferencePanel::TreeShown);
    Play({"e2e4"});
    QTRY_VERIFY_WITH_TIMEOUT(held.available() > 0, 10000);
    const std::uint64_t asked = panel->Queries().LastSerial();
    Play({"e7e5"});
    // The panel asks about 1.e4 e5 before the old answer is let go.
    QTRY_VERIFY(panel->Queries().LastSerial() > asked);
    release.release();
    QVERIFY(shown.wait(10000));
    QCOMPARE(Rows(Tree()), (QStringList{"Nf3 2", "合計 2"}));
    QCOMPARE(shown.count(), 1);
    panel->Queries().beforeSending = nullptr;
}

void ReferencePanelTest::opponentOnly_data()
{
    QTest::addColumn<QString>("me");  // the desk's player, or none
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("opponent");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("no desk: the side to move") << QString() << QStringList{"e2e4"} << "Bob" << QStringList{"e5 1", "合計 1"};
    QTest::newRow("the desk's player is White") << "Ann" << QStringList{} << "Bob" << QStringList{"e4 1", "合計 1"};
    QTest::newRow("the desk's player is Black") << "Bob" << QStringList{"e2e4"} << "Ann" << QStringList{"e5 1", "合計 1"};
}

void ReferencePanelTest::opponentOnly()
{
    QFETCH(QString, me);
    QFETCH(QStringList, moves);
    QFETCH(QString, opponent);
    QFETCH(QStringList, rows);
    std::string error;
    if (!me.isEmpty()) {  // the desk window's folder and player, as it remembers them
        QVERIFY(RememberLines(services->Folders(), "VorlikDeskWindow.ini", {folder.path().toStdString(), me.toStdString()}, error));
        panel->TurnOff();
        panel->TurnOn();
    }
    GameHeader header = session->Header();
    header.Field[5] = "Ann";
    header.Field[6] = "Bob";
    session->SetHeader(header);
    QSignalSpy shown(panel.get(), &ReferencePanel::TreeShown);
    Play(moves);
    panel->findChild<QPushButton*>(QStringLiteral("ComReferenceOpponent"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(Rows(Tree()), rows, 10000);
    QCOMPARE(panel->findChild<QLineEdit*>(QStringLiteral("TextReferencePlayer"))->text(), opponent);
    QVERIFY(panel->findChild<QLabel*>(QStringLiteral("LabelReference"))->text().contains(QStringLiteral("絞り込み: 選手 ") + opponent));
}

void ReferencePanelTest::doubleClickPlaysTheMove()
{
    panel.reset();
    RememberLines(services->Folders(), "VorlikReference.ini", {database.toStdString()}, *std::make_unique<std::string>());
    FormMain form(*services);
    auto* reference = form.findChild<ReferencePanel*>();
    QSignalSpy shown(reference, &ReferencePanel::TreeShown);
    form.findChild<QAction*>(QStringLiteral("MnuGameReference"))->trigger();
    QVERIFY(shown.wait(10000));
    form.show();
    auto* tree = reference->findChild<QTreeWidget*>(QStringLiteral("TreeReference"));
    QTRY_VERIFY(tree->isVisible());
    const QRect row = tree->visualItemRect(tree->topLevelItem(0));
    DoubleClick(tree, row.center());
    QCOMPARE(form.Game().LastPly, 1);
    QCOMPARE(form.Game().KifuCoord[1], std::string("e2e4"));
    QVERIFY(shown.wait(10000));
    QCOMPARE(Rows(tree), (QStringList{"e5 2", "c5 1", "合計 3"}));
    // The totals row plays nothing.
    DoubleClick(tree, tree->visualItemRect(tree->topLevelItem(2)).center());
    QCOMPARE(form.Game().LastPly, 1);
}

void ReferencePanelTest::deskGamesByPosition_data()
{
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("the start") << QStringList{}
                               << QStringList{"進行中: 加藤 (白) 1手目 Nf3", "進行中: 鈴木 (黒) 1手目 d4"};
    QTest::newRow("one order") << QStringList{"d2d4"} << QStringList{"進行中: 鈴木 (黒) 1手目 d5"};
    QTest::newRow("a transposition") << QStringList{"d2d4", "d7d5", "g1f3"}
                                     << QStringList{"進行中: 加藤 (白) 2手目 (この局面で手番)", "進行中: 鈴木 (黒) 2手目 Nf6"};
    QTest::newRow("reached by no game") << QStringList{"e2e4"} << QStringList{};
}

void ReferencePanelTest::deskGamesByPosition()
{
    QFETCH(QStringList, moves);
    QFETCH(QStringList, found);
    // Games in progress where 私 plays, one finished, one of others.
    QTemporaryDir desk;
    WriteFile(desk.filePath(QStringLiteral("games.pgn")),
              "[Event \"Cup\"]\n[White \"私\"]\n[Black \"加藤\"]\n[Result \"*\"]\n\n1. Nf3 d5 2. d4 *\n\n"
              "[Event \"Cup\"]\n[White \"鈴木\"]\n[Black \"私\"]\n[Result \"*\"]\n\n1. d4 d5 2. Nf3 Nf6 *\n\n"
              "[Event \"Cup\"]\n[White \"私\"]\n[Black \"林\"]\n[Result \"1-0\"]\n\n1. d4 d5 2. Nf3 1-0\n\n"
              "[Event \"Cup\"]\n[White \"林\"]\n[Black \"鈴木\"]\n[Result \"*\"]\n\n1. d4 d5 *\n\n");
    const DeskPositions index = DeskPositions::Build(desk.path().toStdString(), "私");
    QCOMPARE(index.Games(), std::size_t(2));
    QStringList texts;
    for (const DeskMatch& match : index.Find(KeyAfter(moves)))
        texts << QString::fromStdString(DeskMatchText(match, kStyleShort));
    texts.sort();
    found.sort();
    QCOMPARE(texts, found);
}

void ReferencePanelTest::cancelledImport_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("into the database open") << true;
    QTest::newRow("into a new database") << false;
}

void ReferencePanelTest::cancelledImport()
{
    QFETCH(bool, existing);
    // Enough games that the import is still running when it tells its first count.
    std::string games;
    for (int round = 1; round <= 40000; ++round)
        games += "[Event \"Long\"]\n[Round \"" + std::to_string(round) + "\"]\n[Result \"*\"]\n\n1. d4 d5 2. c4 *\n\n";
    const QString pgn = folder.filePath(QStringLiteral("long.pgn"));
    WriteFile(pgn, games.c_str());
    const QString target = existing ? folder.filePath(QStringLiteral("copy.vdb")) : folder.filePath(QStringLiteral("new.vdb"));
    QFile::remove(target);
    if (existing)
        QVERIFY(QFile::copy(database, target));
    QVERIFY(QFile::link(QStringLiteral(VORLIK_KIFU), services->ProgramFolder() + QStringLiteral("/vorlik-kifu")));
    QWidget window;
    ReferenceImport import(*services, &window);
    QSignalSpy finished(&import, &ReferenceImport::Finished);
    QVERIFY(import.Start(target, pgn));
    QTRY_VERIFY_WITH_TIMEOUT(import.Games() > 0 || !finished.isEmpty(), 60000);
    QVERIFY2(finished.isEmpty(), "the import ended before it could be cancelled");
    import.Cancel();
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished[0][1].toBool(), false);
    QCOMPARE(services->shown.last().text, QStringLiteral("取り込みを中止しました。データベースは元のままです。"));
    QCOMPARE(QFileInfo::exists(target), existing);
    if (existing) {  // as it was: the three games, nothing of the file
        GameDatabase db;
        std::string error;
        QVERIFY2(db.Open(target.toStdString(), GameDatabase::Mode::ReadOnly, error), error.c_str());
        std::vector<GameRow> rows;
        QVERIFY(QueryGames(db, KeyAfter({}), true, QueryFilter(), 100, 0, rows, error));
        QCOMPARE(rows.size(), std::size_t(3));
    }
}

QTEST_MAIN(ReferencePanelTest)
#include "tst_referencepanel.moc"
