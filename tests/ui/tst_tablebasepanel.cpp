// The endgame tables beside the move list, on the shared three- and
// four-piece tables: a change of the position gives its answer and an answer
// overtaken by the board is never shown; a folder that goes is told once and
// leaves no answer behind; in the window a double-click plays the move; a
// claim is printed whole on the postcard's message space.
#include "ScriptedServices.h"

#include "core/FenText.h"
#include "ui/FormMain.h"
#include "ui/PrintOut.h"
#include "ui/TablebasePanel.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

namespace {

const QString kTables = QStringLiteral(VORLIK_SYZYGY_DIR);
// White's queen wins; White to move.
const char kQueenEnding[] = "8/8/8/4k3/8/8/8/K2Q4 w - - 0 1";

void Load(GameSession& session, const char* fen)
{
    Board board{};
    bool blackToMove = false;
    if (ReadFenText(fen, board, blackToMove) != FenError::None)
        qFatal("bad FEN in the test: %s", fen);
    session.LoadSetup(board, blackToMove);
}

QString Status(const QWidget* panel) { return panel->findChild<QLabel*>(QStringLiteral("LabelTablebase"))->text(); }
QTreeWidget* Tree(const QWidget* panel) { return panel->findChild<QTreeWidget*>(QStringLiteral("TreeTablebase")); }

}  // namespace

class TablebasePanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(kTables + QStringLiteral("/KQvK.rtbw")))
            QSKIP(qPrintable("the shared Syzygy tables are not there: " + kTables));
    }

    void answerFollowsTheBoard()
    {
        ScriptedServices services;
        GameSession session;
        TablebasePanel panel(services, session);
        panel.SetFolders(kTables);
        Load(session, kQueenEnding);
        QSignalSpy answered(&panel, &TablebasePanel::Answered);
        panel.TurnOn();  // the question for White's position is out...
        QVERIFY(session.CommitMove("d1d2") == MoveVerdict::Legal);  // ...when the board moves on
        QVERIFY(answered.wait(30000));
        // The one answer shown is Black's: White's came back too late and was dropped.
        QCOMPARE(answered.count(), 1);
        QVERIFY(panel.Shown().found);
        QVERIFY2(Status(&panel).startsWith(QStringLiteral("黒番　白の勝ち　DTZ -")), qPrintable(Status(&panel)));
        QCOMPARE(Tree(&panel)->topLevelItemCount(), static_cast<int>(panel.Shown().moves.size()));
        QCOMPARE(Tree(&panel)->topLevelItem(0)->text(1), QStringLiteral("白の勝ち"));
        // Back a move: White's answer, with its moves in the list's notation.
        panel.SetNotation(kStylePostal);
        QVERIFY(session.GoToPly(0));
        QVERIFY(answered.wait(30000));
        QVERIFY2(Status(&panel).startsWith(QStringLiteral("白番　白の勝ち　DTZ ")), qPrintable(Status(&panel)));
        const QString best = Tree(&panel)->topLevelItem(0)->text(0);
        QVERIFY2(best.size() == 4 && best.toInt() > 0, qPrintable(best));
        // Five pieces are beyond these tables: said plainly, no move listed.
        Load(session, "8/8/8/4k3/8/8/1P6/K2QR3 w - - 0 1");
        QVERIFY(answered.wait(30000));
        QVERIFY(!panel.Shown().found);
        QVERIFY(Status(&panel).startsWith(QStringLiteral("終盤データベースの外の局面です")));
        QCOMPARE(Tree(&panel)->topLevelItemCount(), 0);
    }

    void folderThatGoesIsToldOnce()
    {
        ScriptedServices services;
        GameSession session;
        TablebasePanel panel(services, session);
        QTemporaryDir folder;
        for (const char* name : {"KQvK.rtbw", "KQvK.rtbz"})
            QVERIFY(QFile::copy(kTables + '/' + name, folder.filePath(name)));
        panel.SetFolders(folder.path());
        Load(session, kQueenEnding);
        QSignalSpy answered(&panel, &TablebasePanel::Answered);
        panel.TurnOn();
        QVERIFY(answered.wait(30000));
        QVERIFY(panel.Shown().found);
        QVERIFY(QDir(folder.path()).removeRecursively());
        for (int step = 0; step < 3; ++step) {
            QVERIFY(step % 2 == 0 ? session.CommitMove("d1d2") == MoveVerdict::Legal : session.GoToPly(0));
            QVERIFY(answered.wait(30000));
            QVERIFY(!panel.Shown().found);
            QCOMPARE(Tree(&panel)->topLevelItemCount(), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(services.shown.size(), 1, 30000);
        QVERIFY2(services.shown[0].text.contains(folder.path()), qPrintable(services.shown[0].text));
    }

    void windowPlaysTheChosenMove()
    {
        ScriptedServices services;
        services.WriteProgramFile(QStringLiteral("VorlikTablebase.ini"), kTables.toUtf8() + "\r\n");
        FormMain form(services);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Load(form.Session(), kQueenEnding);
        form.AllDisplay();
        auto* claim = form.findChild<QAction*>(QStringLiteral("MnuGameTbClaim"));
        QVERIFY(claim->isEnabled());  // White wins: a claim to make
        auto* panel = form.findChild<TablebasePanel*>();
        QSignalSpy answered(panel, &TablebasePanel::Answered);
        form.findChild<QAction*>(QStringLiteral("MnuGameTablebase"))->trigger();
        QVERIFY(answered.wait(30000));
        QTreeWidgetItem* item = Tree(panel)->topLevelItem(0);
        const QString move = item->data(0, Qt::UserRole).toString();
        const QPoint at = Tree(panel)->visualItemRect(item).center();
        QTest::mousePress(Tree(panel)->viewport(), Qt::LeftButton, {}, at);  // the press the double click follows
        QTest::mouseDClick(Tree(panel)->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(form.Game().LastPly, 1);
        QCOMPARE(QString::fromStdString(form.Game().KifuCoord[1]), move);
        QVERIFY(!claim->isEnabled());  // Black to move loses: nothing to claim
        QVERIFY(answered.wait(30000));
        QVERIFY(Status(panel).startsWith(QStringLiteral("黒番")));
        form.CloseWithoutAsking();
    }

    // The whole claim goes on the card, in place of the last free text, cut
    // to the card's width.
    void claimOnThePostcard()
    {
        PrintFields fields;
        fields.format = PrintFormat::Postcard;
        fields.TextDataA[5] = QStringLiteral("いつもの挨拶");
        fields.Claim = {QStringLiteral("終盤データベースによる申告 (tablebase claim)"),
                        QStringLiteral("局面 (position): 8/8/8/3k4/8/8/3Q4/K7 b - - 1 1"),
                        QStringLiteral("理由 (reason): 白の勝ちの局面ですが、50手規則までに勝ち切れません"
                                       " (won, but not before the fifty-move rule draws it)")};
        QString printed;
        int lines = 0;
        for (const PrintLine& line : PageLines(fields)) {
            QVERIFY(!line.text.contains(QStringLiteral("いつもの挨拶")));
            if (line.size < 12 && line.size > 6) {
                QVERIFY2(line.text.size() <= 9 + 60, qPrintable(line.text));  // never past the card's edge
                printed += line.text;
                ++lines;
            }
        }
        QVERIFY(lines > fields.Claim.size());  // the long lines were cut
        QCOMPARE(printed.remove(QLatin1Char(' ')), fields.Claim.join(QString()).remove(QLatin1Char(' ')));
    }
};

QTEST_MAIN(TablebasePanelTest)
#include "tst_tablebasepanel.moc"
