// vorlik-kifu as a user runs it: its output lines, exit status and messages.
#include <QProcess>
#include <QtTest>

class KifuCliTest : public QObject {
    Q_OBJECT

private slots:
    void play_data();
    void play();
    void usageErrors_data();
    void usageErrors();
    void helpWithoutArguments();
};

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

Run RunKifu(const QStringList& args)
{
    QProcess process;
    process.start(VORLIK_KIFU, args);
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

void KifuCliTest::play_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");

    QTest::newRow("opening") << QStringList{"play", "e4", "e5", "Nf3"} << 0
                             << "1\te4\te2-e4\t5254\te2e4\n"
                                "2\te5\te7-e5\t5755\te7e5\n"
                                "3\tNf3\tNg1-f3\t7163\tg1f3\n"
                                "fen\trnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b - - 0 1\n";
    QTest::newRow("refused token, next tried on the same position")
        << QStringList{"play", "e4", "Ke2", "e5", "Ng1-f3"} << 1
        << "1\te4\te2-e4\t5254\te2e4\n"
           "2\trefused\tKe2\n"
           "2\te5\te7-e5\t5755\te7e5\n"
           "3\tNf3\tNg1-f3\t7163\tg1f3\n"
           "fen\trnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b - - 0 1\n";
    QTest::newRow("black to move from a position")
        << QStringList{"play", "--fen", "4k3/8/8/8/8/8/4p3/K7 b - - 0 1", "e1"} << 0
        << "2\te1=Q+\te2-e1=Q+\t5254\te2e1q\n"
           "fen\t4k3/8/8/8/8/8/8/K3q3 w - - 0 1\n";
    QTest::newRow("coordinate promotion without a letter is a queen")
        << QStringList{"play", "--fen", "8/4P3/8/8/8/8/8/k3K3 w - - 0 1", "--", "e7e8", "a1b1"} << 0
        << "1\te8=Q\te7-e8=Q\t5754\te7e8q\n"
           "2\tKb1\tKa1-b1\t1121\ta1b1\n"
           "fen\t4Q3/8/8/8/8/8/8/1k2K3 w - - 0 1\n";
    QTest::newRow("no tokens") << QStringList{"play"} << 0
                               << "fen\trnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1\n";
    QTest::newRow("castling and capture in passing")
        << QStringList{"play", "e4", "Nf6", "e5", "d5", "exd6", "e6", "Nf3", "Be7", "Bc4", "O-O", "O-O"} << 0
        << "1\te4\te2-e4\t5254\te2e4\n"
           "2\tNf6\tNg8-f6\t7866\tg8f6\n"
           "3\te5\te4-e5\t5455\te4e5\n"
           "4\td5\td7-d5\t4745\td7d5\n"
           "5\texd6\te5xd6\t5546\te5d6\n"
           "6\te6\te7-e6\t5756\te7e6\n"
           "7\tNf3\tNg1-f3\t7163\tg1f3\n"
           "8\tBe7\tBf8-e7\t6857\tf8e7\n"
           "9\tBc4\tBf1-c4\t6134\tf1c4\n"
           "10\to-o\to-o\t5878\te8g8\n"
           "11\to-o\to-o\t5171\te1g1\n"
           "fen\trnbq1rk1/ppp1bppp/3Ppn2/8/2B5/5N2/PPPP1PPP/RNBQ1RK1 b - - 0 1\n";
}

void KifuCliTest::play()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, output);

    const Run run = RunKifu(args);
    QCOMPARE(run.out, output);
    QCOMPARE(run.status, status);
    QVERIFY(run.err.isEmpty());
}

void KifuCliTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown verb") << QStringList{"replay", "e4"};
    QTest::newRow("fen without text") << QStringList{"play", "--fen"};
    QTest::newRow("fen with a nine") << QStringList{"play", "--fen", "9/8/8/8/8/8/8/8 w", "e4"};
    QTest::newRow("fen without side") << QStringList{"play", "--fen", "8/8/8/8/8/8/8/8"};
    QTest::newRow("unknown option") << QStringList{"play", "--long", "e4"};
}

void KifuCliTest::usageErrors()
{
    QFETCH(QStringList, args);
    const Run run = RunKifu(args);
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.err.contains("vorlik-kifu play"));
}

void KifuCliTest::helpWithoutArguments()
{
    const Run run = RunKifu({});
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.contains("vorlik-kifu play [--fen"));
}

QTEST_APPLESS_MAIN(KifuCliTest)
#include "tst_kifu_cli.moc"
