// vorlik-kifu tb: its lines, the position reached by tokens, and its exit
// statuses.
#include "tests/app/KifuRun.h"

#include <QtTest>

using vorlik::test::Run;
using vorlik::test::RunKifu;

namespace {

const QString kTables = QStringLiteral(VORLIK_SYZYGY_DIR);


}  // namespace

class TestTbCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(kTables + QStringLiteral("/KQvK.rtbw")))
            QSKIP(qPrintable("the shared Syzygy tables are not there: " + kTables));
    }

    void tb_data()
    {
        QTest::addColumn<QStringList>("args");  // after "tb --path TABLES"
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");  // the first lines of stdout
        QTest::addColumn<QString>("err");  // a part of stderr

        const QString queen = QStringLiteral("8/8/8/8/8/3k4/8/3KQ3 w - - 0 1");
        QTest::newRow("the position and its best moves")
            << QStringList{"--fen", queen} << 0 << "wdl\twin\t9\nmove\tQe5\twin\t9\nmove\tQe6\twin\t11\n" << "";
        QTest::newRow("after tokens: the mover's side, losing")
            << QStringList{"--fen", queen, "--", "Qe5"} << 0 << "wdl\tloss\t-8\nmove\tKc4\tloss\t-8\n" << "";
        QTest::newRow("the claim") << QStringList{"--claim", "--fen", queen, "Qe5", "Kc4"} << 0 << "wdl\twin\t7\n"
                                   << "";
        QTest::newRow("from the start: castling rights, no result")
            << QStringList{"e4"} << 1 << "" << "castling rights remain";
        QTest::newRow("a refused token") << QStringList{"--fen", queen, "Qe9"} << 2 << "" << "refused move";
        QTest::newRow("unknown option") << QStringList{"--depth", "3"} << 2 << "" << "unknown option";
    }
    void tb()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run run = RunKifu(QStringList{"tb", "--path", kTables} + args);
        QVERIFY2(run.status == status, qPrintable(run.err));
        QVERIFY2(run.out.left(out.size()) == out, qPrintable(run.out));
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    }

    void claimLines()
    {
        const Run run = RunKifu({"tb", "--path", kTables, "--claim", "--fen", "8/8/8/8/8/3k4/8/3KQ3 w - - 0 41"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("claim\t申告 (claim): 白の勝ち (White wins)\n"), qPrintable(run.out));
        QVERIFY2(run.out.contains("claim\t提案する手 (move proposed): 41. Qe5\n"), qPrintable(run.out));
    }

    void folderWithoutTables()
    {
        QTemporaryDir empty;
        const Run run = RunKifu({"tb", "--path", empty.path() + ":/no/such/folder"});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains("no such folder") && run.err.contains("no tables"), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTbCli)
#include "tst_tb_cli.moc"
