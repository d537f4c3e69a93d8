// vorlik-kifu as a user runs it, on real files in a temporary folder: its
// output lines, the files it writes, its exit status and its messages.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include "tests/app/KifuRun.h"

#include <QtTest>

class KifuCliTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void play_data();
    void play();
    void list_data();
    void list();
    void show_data();
    void show();
    void convert_data();
    void convert();
    void search_data();
    void search();
    void check_data();
    void check();
    void errors_data();
    void errors();
    void notText();
    void helpWithoutArguments();
    void versusFairyMax();
    void versusStockfish();
    void analyseMateInTwo_data();
    void analyseMateInTwo();
    void analyseScripted_data();
    void analyseScripted();
    void versus_data();
    void versus();
    void print_data();
    void print();

private:
    QStringList Paths(const QStringList& args) const;
    QTemporaryDir dir_;
};

using vorlik::test::Run;
using vorlik::test::RunKifu;

namespace {


// Files as this program writes them: CR LF line ends.
QByteArray Crlf(QByteArray text) { return text.replace("\n", "\r\n"); }

QByteArray Header(const char* event, const char* site, const char* date, const char* round, const char* white,
                  const char* black, const char* result)
{
    return QByteArray("[Event \"") + event + "\"]\n[Site \"" + site + "\"]\n[Date \"" + date + "\"]\n[Round \"" +
           round + "\"]\n[White \"" + white + "\"]\n[Black \"" + black + "\"]\n[Result \"" + result + "\"]\n";
}

// One game in this program's PGN layout, appended to a new file.
QByteArray OwnPgn(const QByteArray& header, const QByteArray& moves)
{
    return Crlf("\n" + header + "\n" + moves + "\n\n");
}

const QByteArray kOwnPgn = OwnPgn(Header("Casual", "Kyoto", "2024.05.06", "1", "Sato", "Kato", "1-0"),
                                  "1. e4  e5 2. Nf3  Nc6 3. Bb5  a6 1-0");
const QByteArray kOwnLongPgn = OwnPgn(Header("Casual", "Kyoto", "2024.05.06", "1", "Sato", "Kato", "1-0"),
                                      "1. e2-e4  e7-e5 2. Ng1-f3  Nb8-c6 3. Bf1-b5  a7-a6 1-0");
const char kOwnPlies[] =
    "1\te4\te2-e4\t5254\te2e4\n"
    "2\te5\te7-e5\t5755\te7e5\n"
    "3\tNf3\tNg1-f3\t7163\tg1f3\n"
    "4\tNc6\tNb8-c6\t2836\tb8c6\n"
    "5\tBb5\tBf1-b5\t6125\tf1b5\n"
    "6\ta6\ta7-a6\t1716\ta7a6\n"
    "fen\tr1bqkbnr/1ppp1ppp/p1n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4\n";

// The CSV layout of the same game: seventeen fields a line, twelve of them postal.
const QByteArray kOwnCsv = Crlf("\nEvent,Casual\nSite,Kyoto\nDate,2024.05.06\nRound,1\nWhite,Sato\nBlack,Kato\n"
                                "Result,1-0\n\n1,5254,5755,e4,e5," + QByteArray(12, ',') +
                                "\n2,7163,2836,Nf3,Nc6," + QByteArray(12, ',') +
                                "\n3,6125,1716,Bb5,a6," + QByteArray(12, ',') + "\n\n");

// A postal game ending with White's move, with notes on most plies.
const QByteArray kPostalCsv = Crlf(
    "\nEvent,Postal Cup\nSite,JPN\nDate,2024.03.01\nRound,2\nWhite,Sato\nBlack,Kato\nResult,*\n\n"
    "1,5254,5755,e4,e5,24.1.2,24.1.5,24.1.6,1,a,b,24.1.9,24.1.12,24.1.13,1,c,d,\n"
    "2,7163,2836,Nf3,Nc6,x1,x2,x3,x4,x5,x6,,,,,,,\n"
    "3,6125,,Bb5,,p1,p2,p3,p4,p5,p6,\n\n");
const QByteArray kPostalAsPgn = OwnPgn(Header("Postal Cup", "JPN", "2024.03.01", "2", "Sato", "Kato", "*"),
                                       "1. e4  e5 2. Nf3  Nc6 3. Bb5 *");

// Black moves first from a set-up position.
const QByteArray kStudyPgn =
    OwnPgn(Header("Study", "", "", "", "", "", "*") + "[FEN \"4k3/8/8/8/8/8/4p3/K7 b - - 0 1\"]\n",
           "1...  e1=Q+ 2. Kb2 *");

// Black's king cannot step onto its own pawn; the pawn then moves in its place.
const QByteArray kRefusedPgn =
    OwnPgn(Header("Refused", "", "", "", "", "", "*"), "1. e4 Ke7 2. e5 *");

// As other programs write: LF line ends, tags in their own order, a missing
// Event, Round and Result.
const QByteArray kForeignPgn =
    "[Termination \"normal\"]\n[Event \"Club A\"]\n[Site \"Tokyo\"]\n[Date \"2024.01.02\"]\n[Round \"1\"]\n"
    "[White \"Sato\"]\n[Black \"Kato\"]\n[ECO \"C20\"]\n[Result \"1-0\"]\n\n"
    "1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0\n\n"
    "[Site \"Osaka\"]\n[White \"Ito\"]\n[Black \"Abe\"]\n[Result \"0-1\"]\n[Date \"2024.02.03\"]\n\n"
    "1. f3 e5 2. g4 Qh4# 0-1\n\n"
    "[Event \"Club B\"]\n[Round \"3\"]\n[White \"Mori\"]\n[Black \"Ueda\"]\n\n"
    "1. d4 d5 *\n";
const QByteArray kAnnotatedPgn = "[Event \"Study\"]\n\n{Start} 1. e4 e5 $1 (1... c5 {Sicilian} 2. Nf3 (2. c3 d5)) "
                                  "({Or} 1... e6) 2. Nf3 *\n";
// Dates in the form the date box shows them.
const char kForeignList[] =
    "1\tClub A\tTokyo\t24/1/2\t1\tSato\tKato\t1-0\n"
    "2\t\tOsaka\t24/2/3\t\tIto\tAbe\t0-1\n"
    "3\tClub B\t\t\t3\tMori\tUeda\t*\n";

// Thirteen further tag lines: two more than a game holds.
QByteArray ManyTagsPgn()
{
    QByteArray file = "[Event \"T\"]\n";
    for (int k = 1; k <= 102; ++k)
        file += "[Tag" + QByteArray::number(k) + " \"v\"]\n";
    return file + "\n1. e4 e5 *\n";
}

// 440 plies of knights going out and back: 40 more than a record holds.
QByteArray OverlongPgn()
{
    QByteArray file = "[Event \"L\"]\n\n";
    for (int move = 1; move <= 220; move += 2)
        file += QByteArray::number(move) + ". Nf3 Nf6 " + QByteArray::number(move + 1) + ". Ng1 Ng8\n";
    return file + "*\n";
}

// A postal game of 400 plies: the knights go out and back.
QByteArray KnightsPgn()
{
    QByteArray file = "[Event \"Knights\"]\n\n";
    for (int move = 1; move <= 200; ++move)
        file += QByteArray::number(move) + (move % 2 ? ". Nf3 Nf6\n" : ". Ng1 Ng8\n");
    return file + "*\n";
}

// Five games for the position search.
QByteArray SearchPgn()
{
    const char* moves[] = {"1. e4  e5 2. Nf3  Nc6 *", "1. d4  d5 *", "1. e4  c5 2. Nf3  d6 *",
                           "1. e4  e5 2. Bc4  Nf6 *", "1. e4  e5 2. Nf3  Nf6 *"};
    QByteArray file;
    for (int g = 0; g < 5; ++g) {
        const QByteArray event = "G" + QByteArray::number(g + 1);
        file += OwnPgn(Header(event.constData(), "", "", "", "", "", "*"), moves[g]);
    }
    return file;
}

}  // namespace

void KifuCliTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    const QByteArray event = "通信戦";
    const QByteArray eventCp932 = QByteArray::fromHex("92ca904d90ed");
    const QList<QPair<QString, QByteArray>> files = {
        {"own.pgn", kOwnPgn},
        {"long.pgn", kOwnLongPgn},
        {"foreign.pgn", kForeignPgn},
        {"games.txt", kForeignPgn},
        {"UPPER.PGN", kForeignPgn},
        {"postal.csv", kPostalCsv},
        {"study.pgn", kStudyPgn},
        {"annotated.pgn", kAnnotatedPgn},
        {"refused.pgn", kRefusedPgn},
        {"mixed.pgn", kOwnPgn + kRefusedPgn},
        {"many.pgn", (kOwnPgn + kRefusedPgn).repeated(300)},
        {"tags.pgn", ManyTagsPgn()},
        {"overlong.pgn", OverlongPgn()},
        {"knights.pgn", KnightsPgn()},
        {"search.pgn", SearchPgn()},
        {"ambiguous.pgn", "[Event \"A\"]\n[FEN \"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 9\"]\n\n9. Nd2 Kd7 *\n"},
        {"start.fen", "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2\r\n"},
        {"black.fen", "4k3/8/8/8/8/8/4p3/K7 b - - 0 1\n"},
        {"empty.pgn", "no games in here\r\n"},
        {"nine.fen", "9/8/8/8/8/8/8/8 w - - 0 1\n"},
        {"badstart.pgn", "[Event \"B\"]\n[FEN \"rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1\"]\n\n1. e4 *\n"},
        {"jp-cp932.pgn", Crlf("[Event \"" + eventCp932 + "\"]\n[White \"Sato\"]\n\n1. e4 *\n")},
        {"jp-utf8.pgn", "[Event \"" + event + "\"]\n[White \"Sato\"]\n\n1. e4 *\n"},
        // White's 10 days hold 4 of his leave, kept beside the game in the desk's settings.
        {"desk/leave.csv", Crlf("\nEvent,Cup\nSite,\nDate,2026/1/1\nRound,1\nWhite,Sato\nBlack,Kato\nResult,*\n\n"
                                "1,5254,5755,e4,e5,,2026/1/1,2026/1/11,,,,,2026/1/15,2026/1/18,,,,\n\n")},
        {"desk/VorlikDesk.ini", Crlf("[game]\nfile=leave.csv\nwhite=Sato\nblack=Kato\nevent=Cup\ndate=2026/1/1\n"
                                     "round=1\nleave=white 2026-01-05 2026-01-08\n")},
        {"noengine.mek", "None\r\nno-such-engine-anywhere\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n"},
    };
    QVERIFY(QDir(dir_.path()).mkdir("desk"));
    for (const auto& [name, bytes] : files) {
        QFile file(dir_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    QVERIFY(QDir(dir_.path()).mkdir("folder.pgn"));
}

// "@name" stands for the file name in the temporary folder.
QStringList KifuCliTest::Paths(const QStringList& args) const
{
    QStringList paths;
    for (const QString& arg : args)
        paths << (arg.startsWith('@') ? dir_.filePath(arg.mid(1)) : arg);
    return paths;
}

void KifuCliTest::play_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");

    QTest::newRow("opening") << QStringList{"play", "e4", "e5", "Nf3"} << 0
                             << "1\te4\te2-e4\t5254\te2e4\n"
                                "2\te5\te7-e5\t5755\te7e5\n"
                                "3\tNf3\tNg1-f3\t7163\tg1f3\n"
                                "fen\trnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2\n";
    QTest::newRow("refused token, next tried on the same position")
        << QStringList{"play", "e4", "Ke2", "e5", "Ng1-f3"} << 1
        << "1\te4\te2-e4\t5254\te2e4\n"
           "2\trefused\tKe2\n"
           "2\te5\te7-e5\t5755\te7e5\n"
           "3\tNf3\tNg1-f3\t7163\tg1f3\n"
           "fen\trnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2\n";
    QTest::newRow("black to move from a position")
        << QStringList{"play", "--fen", "4k3/8/8/8/8/8/4p3/K7 b - - 0 1", "e1"} << 0
        << "2\te1=Q+\te2-e1=Q+\t5254\te2e1q\n"
           "fen\t4k3/8/8/8/8/8/8/K3q3 w - - 0 2\n";
    QTest::newRow("coordinate promotion without a letter is a queen")
        << QStringList{"play", "--fen", "8/4P3/8/8/8/8/8/k3K3 w - - 0 1", "--", "e7e8", "a1b1"} << 0
        << "1\te8=Q\te7-e8=Q\t5754\te7e8q\n"
           "2\tKb1\tKa1-b1\t1121\ta1b1\n"
           "fen\t4Q3/8/8/8/8/8/8/1k2K3 w - - 1 2\n";
    QTest::newRow("a repetition ends the game")
        << QStringList{"play", "--fen", "7k/8/8/8/8/8/8/KR6 w - - 0 1", "Ka2", "Kg8", "Ka1", "Kh8", "Ka2", "Kg8",
                       "Ka1", "Kh8"}
        << 0
        << "1\tKa2\tKa1-a2\t1112\ta1a2\n2\tKg8\tKh8-g8\t8878\th8g8\n3\tKa1\tKa2-a1\t1211\ta2a1\n"
           "4\tKh8\tKg8-h8\t7888\tg8h8\n5\tKa2\tKa1-a2\t1112\ta1a2\n6\tKg8\tKh8-g8\t8878\th8g8\n"
           "7\tKa1\tKa2-a1\t1211\ta2a1\n8\tKh8\tKg8-h8\t7888\tg8h8\n"
           "fen\t7k/8/8/8/8/8/8/KR6 w - - 8 5\nresult\t1/2-1/2\trepetition\n";
    QTest::newRow("no tokens") << QStringList{"play"} << 0
                               << "fen\trnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n";
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
           "fen\trnbq1rk1/ppp1bppp/3Ppn2/8/2B5/5N2/PPPP1PPP/RNBQ1RK1 b - - 5 6\n";
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

void KifuCliTest::list_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("status");

    QTest::newRow("foreign tag order, LF ends") << QStringList{"@foreign.pgn"} << kForeignList << 0;
    QTest::newRow("kind by option") << QStringList{"--kind", "pgn", "@games.txt"} << kForeignList << 0;
    QTest::newRow("upper-case extension") << QStringList{"@UPPER.PGN"} << kForeignList << 0;
    QTest::newRow("csv") << QStringList{"@postal.csv"} << "1\tPostal Cup\tJPN\t2024.03.01\t2\tSato\tKato\t*\n" << 0;
    QTest::newRow("japanese in CP932") << QStringList{"@jp-cp932.pgn"} << "1\t通信戦\t\t\t\tSato\t\t*\n" << 0;
    QTest::newRow("japanese in UTF-8") << QStringList{"@jp-utf8.pgn"} << "1\t通信戦\t\t\t\tSato\t\t*\n" << 0;
    QTest::newRow("no games") << QStringList{"@empty.pgn"} << "" << 1;
    QTest::newRow("a PGN file read as CSV has no games") << QStringList{"--kind", "csv", "@own.pgn"} << "" << 1;
    QTest::newRow("more tag lines than a game holds") << QStringList{"@tags.pgn"} << "1\tT\t\t\t\t\t\t*\n" << 1;
}

void KifuCliTest::list()
{
    QFETCH(QStringList, args);
    QFETCH(QString, output);
    QFETCH(int, status);

    const Run run = RunKifu(QStringList{"list"} + Paths(args));
    QCOMPARE(run.out, output);
    QCOMPARE(run.status, status);
    // What was not read is told, and the rest still listed.
    QCOMPARE(run.err.isEmpty(), status == 0);
}

void KifuCliTest::show_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");

    QTest::newRow("own layout") << QStringList{"@own.pgn"} << 0 << kOwnPlies;
    QTest::newRow("first game by default, stops at the mate")
        << QStringList{"@foreign.pgn"} << 0
        << "1\te4\te2-e4\t5254\te2e4\n"
           "2\te5\te7-e5\t5755\te7e5\n"
           "3\tQh5\tQd1-h5\t4185\td1h5\n"
           "4\tNc6\tNb8-c6\t2836\tb8c6\n"
           "5\tBc4\tBf1-c4\t6134\tf1c4\n"
           "6\tNf6\tNg8-f6\t7866\tg8f6\n"
           "7\tQxf7#\tQh5xf7#\t8567\th5f7\n"
           "fen\tr1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4\n";
    const QString game2 = "1\tf3\tf2-f3\t6263\tf2f3\n"
                          "2\te5\te7-e5\t5755\te7e5\n"
                          "3\tg4\tg2-g4\t7274\tg2g4\n"
                          "4\tQh4#\tQd8-h4#\t4884\td8h4\n"
                          "fen\trnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3\n";
    QTest::newRow("second game") << QStringList{"@foreign.pgn", "2"} << 0 << game2;
    QTest::newRow("kind by option") << QStringList{"@games.txt", "--kind", "pgn", "2"} << 0 << game2;
    QTest::newRow("csv plies carry their postal fields")
        << QStringList{"@postal.csv"} << 0
        << "1\te4\te2-e4\t5254\te2e4\t24.1.2\t24.1.5\t24.1.6\t1\ta\tb\n"
           "2\te5\te7-e5\t5755\te7e5\t24.1.9\t24.1.12\t24.1.13\t1\tc\td\n"
           "3\tNf3\tNg1-f3\t7163\tg1f3\tx1\tx2\tx3\tx4\tx5\tx6\n"
           "4\tNc6\tNb8-c6\t2836\tb8c6\t\t\t\t\t\t\n"
           "5\tBb5\tBf1-b5\t6125\tf1b5\tp1\tp2\tp3\tp4\tp5\tp6\n"
           "fen\tr1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3\n";
    QTest::newRow("black moves first from the FEN tag")
        << QStringList{"@study.pgn", "1"} << 0
        << "2\te1=Q+\te2-e1=Q+\t5254\te2e1Q\n"
           "3\tKb2\tKa1-b2\t1122\ta1b2\n"
           "fen\t4k3/8/8/8/8/8/1K6/4q3 b - - 1 2\n";
    QTest::newRow("annotations after the plies, nested variations named by their path")
        << QStringList{"@annotated.pgn"} << 0
        << "1\te4\te2-e4\t5254\te2e4\n"
           "2\te5\te7-e5\t5755\te7e5\n"
           "3\tNf3\tNg1-f3\t7163\tg1f3\n"
           "comment\t0\tStart\n"
           "nag\t2\t$1\n"
           "variation\t2.1\t1... c5 2. Nf3\n"
           "comment\t2.1.2\tSicilian\n"
           "variation\t2.1.3.1\t2. c3 d5\n"
           "variation\t2.2\t1... e6\n"
           "comment\t2.2.1\tOr\n"
           "fen\trnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2\n";
    QTest::newRow("fen file") << QStringList{"@start.fen"} << 0
                              << "fen\trnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2\n";
    QTest::newRow("fen file with black to move") << QStringList{"@black.fen"} << 0
                                                 << "fen\t4k3/8/8/8/8/8/4p3/K7 b - - 0 1\n";
    QTest::newRow("refused token among the plies")
        << QStringList{"@refused.pgn"} << 1
        << "1\te4\te2-e4\t5254\te2e4\n"
           "2\trefused\tKe7\n"
           "2\te5\te7-e5\t5755\te7e5\n"
           "fen\trnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2\n";
    QTest::newRow("a move two knights can make ends the load")
        << QStringList{"@ambiguous.pgn"} << 1 << "1\trefused\tNd2\nfen\t4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 9\n";
    // As in the window: the standard start stays on the board, and it is told.
    const QString standard = "fen\trnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n";
    QTest::newRow("unreadable fen file") << QStringList{"@nine.fen"} << 1 << standard;
    QTest::newRow("unreadable FEN tag: no moves played") << QStringList{"@badstart.pgn"} << 1 << standard;
}

void KifuCliTest::show()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, output);

    const Run run = RunKifu(QStringList{"show"} + Paths(args));
    QCOMPARE(run.out, output);
    QCOMPARE(run.status, status);
    // A load that was not whole is told once, on stderr.
    QCOMPARE(run.err.isEmpty(), status == 0);
}

void KifuCliTest::convert_data()
{
    QTest::addColumn<QStringList>("steps");  // each the arguments of one convert
    QTest::addColumn<QString>("result");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");  // of every step
    QTest::addColumn<QString>("told");  // on stderr by a step that succeeds: what the file does not keep

    QTest::newRow("pgn to csv") << QStringList{"@own.pgn 1 @a.csv"} << "a.csv"
                                << QByteArray(kOwnCsv).replace("2024.05.06", "24/5/6") << 0 << "";
    QTest::newRow("pgn to csv to pgn") << QStringList{"@own.pgn 1 @b.csv", "@b.csv 1 @b.pgn"} << "b.pgn" << kOwnPgn << 0
                                       << "";
    QTest::newRow("csv keeps the postal fields") << QStringList{"@postal.csv 1 @c.csv"} << "c.csv" << kPostalCsv << 0
                                                 << "";
    QTest::newRow("csv to pgn to csv keeps the moves")
        << QStringList{"@postal.csv 1 @d.pgn", "@d.pgn 1 @d.csv"} << "d.csv"
        << QByteArray(kPostalCsv).replace("24.1.2,24.1.5,24.1.6,1,a,b,24.1.9,24.1.12,24.1.13,1,c,d,", ",,,,,,,,,,,,")
               .replace("x1,x2,x3,x4,x5,x6,", ",,,,,,")
               .replace("p1,p2,p3,p4,p5,p6,", ",,,,,,")
               .replace("2024.03.01", "24/3/1") << 0 << "the postal boxes are saved in CSV only";
    QTest::newRow("long notation") << QStringList{"@own.pgn 1 @e.pgn --long"} << "e.pgn" << kOwnLongPgn << 0 << "";
    QTest::newRow("long notation read back") << QStringList{"@own.pgn 1 @f.pgn --long", "@f.pgn 1 @f2.pgn"}
                                             << "f2.pgn" << kOwnPgn << 0 << "";
    QTest::newRow("appended after the game there") << QStringList{"@own.pgn 1 @g.pgn", "@postal.csv 1 @g.pgn"}
                                                    << "g.pgn" << kOwnPgn + kPostalAsPgn << 0
                                                    << "the postal boxes are saved in CSV only";
    QTest::newRow("game from a set-up position") << QStringList{"@study.pgn 1 @h.pgn"} << "h.pgn" << kStudyPgn << 0
                                                 << "";
    QTest::newRow("position on the board to fen")
        << QStringList{"@own.pgn 1 @i.fen"} << "i.fen"
        << QByteArray("r1bqkbnr/1ppp1ppp/p1n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4\r\n") << 0 << "";
    QTest::newRow("fen to pgn") << QStringList{"@black.fen 1 @j.pgn"} << "j.pgn"
                                << OwnPgn(Header("", "", "", "", "", "", "*") +
                                              "[FEN \"4k3/8/8/8/8/8/4p3/K7 b - - 0 1\"]\n",
                                          "1... *") << 0 << "";
    QTest::newRow("game with a refused token keeps what was played")
        << QStringList{"@refused.pgn 1 @k.pgn"} << "k.pgn"
        << OwnPgn(Header("Refused", "", "", "", "", "", "*"), "1. e4  e5 *") << 1 << "";
    QByteArray hundredTags;
    for (int k = 1; k <= 100; ++k)
        hundredTags += "[Tag" + QByteArray::number(k) + " \"v\"]\n";
    QTest::newRow("more tag lines than a game holds: the first hundred")
        << QStringList{"@tags.pgn 1 @l.pgn"} << "l.pgn"
        << OwnPgn(Header("T", "", "", "", "", "", "*") + hundredTags, "1. e4  e5 *") << 1 << "";
    QTest::newRow("annotations into csv are told")
        << QStringList{"@annotated.pgn 1 @m.csv"} << "m.csv" << QByteArray() << 0 << "comments, marks and variations";
}

void KifuCliTest::convert()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, result);
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(QString, told);

    QString errors;
    for (const QString& step : steps) {
        const Run run = RunKifu(QStringList{"convert"} + Paths(step.split(' ')));
        QCOMPARE(run.out, QString());
        // What could not be read is not dropped silently: the status says so.
        QCOMPARE(run.status, status);
        if (told.isEmpty())
            QCOMPARE(run.err.isEmpty(), status == 0);
        errors += run.err;
    }
    QVERIFY2(errors.contains(told), qPrintable(errors));
    QFile file(dir_.filePath(result));
    QVERIFY(file.open(QIODevice::ReadOnly));
    if (!bytes.isEmpty())
        QCOMPARE(file.readAll(), bytes);
}

void KifuCliTest::search_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");

    QTest::newRow("start: white's first moves") << QStringList{"@search.pgn"} << 0
                                                << "1\t2\t3\t4\t5\n1.e4(4)  2.d4(1)  \n";
    QTest::newRow("one ply: black's replies") << QStringList{"@search.pgn", "e4"} << 0
                                              << "1\t3\t4\t5\n1.e5(3)  2.c5(1)  \n";
    QTest::newRow("two plies: white's second moves") << QStringList{"@search.pgn", "e4", "e5"} << 0
                                                     << "1\t4\t5\n1.Nf3(2)  2.Bc4(1)  \n";
    QTest::newRow("tokens in any notation") << QStringList{"@search.pgn", "e2e4", "e7-e5", "Ng1-f3"} << 0
                                            << "1\t5\n1.Nc6(1)  2.Nf6(1)  \n";
    QTest::newRow("csv") << QStringList{"@postal.csv", "e4", "e5"} << 0 << "1\n1.Nf3(1)  \n";
    QTest::newRow("long keys find long text") << QStringList{"--long", "@long.pgn", "e4"} << 0 << "1\n1.e7-e5(1)  \n";
    QTest::newRow("nothing matched") << QStringList{"@search.pgn", "d4", "e5"} << 1 << "";
}

void KifuCliTest::search()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, output);

    const Run run = RunKifu(QStringList{"search"} + Paths(args));
    QCOMPARE(run.out, output);
    QCOMPARE(run.status, status);
    if (status == 1)
        QVERIFY(run.err.contains("局面は存在しませんでした"));
    else
        QCOMPARE(run.err, QString());
}

void KifuCliTest::check_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("faults");  // games named on stderr, in this order

    QTest::newRow("three foreign games") << "@foreign.pgn" << 0 << "3\t13\t0\n" << QStringList();
    QTest::newRow("csv") << "@postal.csv" << 0 << "1\t5\t0\n" << QStringList();
    QTest::newRow("black moves first") << "@study.pgn" << 0 << "1\t2\t0\n" << QStringList();
    QTest::newRow("fen") << "@start.fen" << 0 << "1\t0\t0\n" << QStringList();
    QTest::newRow("a refused token") << "@refused.pgn" << 1 << "1\t2\t1\n" << QStringList{"1"};
    QTest::newRow("one game of two with a refused token") << "@mixed.pgn" << 1 << "2\t8\t1\n" << QStringList{"2"};
    QStringList everySecond;
    for (int g = 2; g <= 600; g += 2)
        everySecond << QString::number(g);
    QTest::newRow("600 games, shared out among workers") << "@many.pgn" << 1 << "600\t2400\t300\n" << everySecond;
    QTest::newRow("no games") << "@empty.pgn" << 1 << "0\t0\t0\n" << QStringList();
    QTest::newRow("unreadable fen file") << "@nine.fen" << 1 << "1\t0\t0\n" << QStringList();
    QTest::newRow("unreadable FEN tag") << "@badstart.pgn" << 1 << "1\t0\t0\n" << QStringList{"1"};
    QTest::newRow("more tag lines than a game holds") << "@tags.pgn" << 1 << "1\t2\t0\n" << QStringList();
    QTest::newRow("more plies than a record holds") << "@overlong.pgn" << 1 << "1\t400\t0\n" << QStringList{"1"};
}

void KifuCliTest::check()
{
    QFETCH(QString, file);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QStringList, faults);

    const Run run = RunKifu(QStringList{"check"} + Paths({file}));
    QCOMPARE(run.out, output);
    QCOMPARE(run.status, status);
    QCOMPARE(run.err.isEmpty(), status == 0);
    QStringList named;
    const QRegularExpression game(R"(\(game (\d+)\))");
    for (auto match = game.globalMatch(run.err); match.hasNext();)
        named << match.next().captured(1);
    QCOMPARE(named, faults);
}

void KifuCliTest::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("usage");  // the usage text follows the message

    QTest::newRow("unknown verb") << QStringList{"replay", "e4"} << "(unknown command)" << true;
    QTest::newRow("analyse, no such engine") << QStringList{"analyse", "@noengine.mek"} << "エンジンが起動できません"
                                             << false;
    QTest::newRow("analyse, a move refused") << QStringList{"analyse", "@noengine.mek", "e4", "e4"}
                                             << "(refused move) 2: e4" << true;
    QTest::newRow("analyse, no black king") << QStringList{"analyse", "@noengine.mek", "--fen", "8/8/8/8/8/8/8/4K3 w"}
                                            << "(no engine can analyse this position)" << true;
    QTest::newRow("analyse, the side not to move in check")
        << QStringList{"analyse", "@noengine.mek", "--fen", "4k3/4R3/8/8/8/8/8/4K3 w"}
        << "(no engine can analyse this position)" << true;
    QTest::newRow("analyse, six lines") << QStringList{"analyse", "@noengine.mek", "--multipv", "6"}
                                        << "(--multipv takes 1..5)" << true;
    QTest::newRow("versus without settings") << QStringList{"versus"} << "(versus needs a settings file)" << true;
    QTest::newRow("versus, settings missing") << QStringList{"versus", "@missing.mek", "e4"} << "missing.mek" << false;
    QTest::newRow("versus, no such engine") << QStringList{"versus", "@noengine.mek", "e4"} << "エンジンが起動できません"
                                            << false;
    QTest::newRow("fen without text") << QStringList{"play", "--fen"} << "(--fen needs a FEN text)" << true;
    QTest::newRow("fen with a nine") << QStringList{"play", "--fen", "9/8/8/8/8/8/8/8 w", "e4"} << "" << true;
    QTest::newRow("fen without side") << QStringList{"play", "--fen", "8/8/8/8/8/8/8/8"} << "" << true;
    QTest::newRow("play has no --long") << QStringList{"play", "--long", "e4"} << "(unknown option)" << true;
    QTest::newRow("list without file") << QStringList{"list"} << "(list takes one FILE)" << true;
    QTest::newRow("list of two files") << QStringList{"list", "@own.pgn", "@foreign.pgn"} << "(list takes one FILE)"
                                       << true;
    QTest::newRow("list has no --long") << QStringList{"list", "--long", "@own.pgn"} << "(unknown option)" << true;
    QTest::newRow("unknown kind") << QStringList{"list", "@games.txt"} << "(unknown file kind" << true;
    QTest::newRow("bad --kind") << QStringList{"list", "--kind", "txt", "@games.txt"} << "(--kind needs" << true;
    QTest::newRow("--kind without word") << QStringList{"list", "@games.txt", "--kind"} << "(--kind needs" << true;
    QTest::newRow("list of a fen file") << QStringList{"list", "@start.fen"} << "no games)" << true;
    QTest::newRow("show game 0") << QStringList{"show", "@own.pgn", "0"} << "(N is a game number from 1)" << true;
    QTest::newRow("show game x") << QStringList{"show", "@own.pgn", "x"} << "(N is a game number from 1)" << true;
    QTest::newRow("show game 25001") << QStringList{"show", "@own.pgn", "25001"} << "(a file lists at most 25000 games)"
                                     << true;
    QTest::newRow("show game past the end") << QStringList{"show", "@foreign.pgn", "4"}
                                            << "(no game 4; the file holds 3)" << false;
    QTest::newRow("show position 2 of a fen file") << QStringList{"show", "@start.fen", "2"}
                                                   << "(a FEN file holds game 1 only)" << false;
    QTest::newRow("convert without OUT") << QStringList{"convert", "@own.pgn", "1"} << "(convert takes FILE N OUT)"
                                         << true;
    QTest::newRow("convert into an unknown kind") << QStringList{"convert", "@own.pgn", "1", "@out.txt"}
                                                  << "(unknown file kind" << true;
    QTest::newRow("set-up game into csv") << QStringList{"convert", "@study.pgn", "1", "@study.csv"}
                                          << "(a game from a set-up position cannot be saved as CSV)" << false;
    QTest::newRow("unreadable fen file not converted") << QStringList{"convert", "@nine.fen", "1", "@n1.pgn"}
                                                       << "nothing written)" << false;
    QTest::newRow("unreadable FEN tag not converted") << QStringList{"convert", "@badstart.pgn", "1", "@n2.pgn"}
                                                      << "nothing written)" << false;
    QTest::newRow("convert into a missing folder")
        << QStringList{"convert", "@own.pgn", "1", "@nowhere/out.pgn"} << "" << false;
    QTest::newRow("search of a fen file") << QStringList{"search", "@start.fen"} << "(search reads PGN and CSV" << true;
    QTest::newRow("search with a refused move") << QStringList{"search", "@search.pgn", "e4", "e4"}
                                                << "(refused move) 2: e4" << true;
    for (const char* verb : {"list", "show", "check", "search"})
        QTest::newRow(qPrintable(QString(verb) + " of a missing file"))
            << QStringList{verb, "@missing.pgn"} << "(no such file)" << false;
    QTest::newRow("convert of a missing file") << QStringList{"convert", "@missing.csv", "1", "@m.pgn"}
                                               << "(no such file)" << false;
    QTest::newRow("folder for a file") << QStringList{"check", "@folder.pgn"} << "(not a file)" << false;
    QTest::newRow("print without OUT") << QStringList{"print", "@own.pgn", "1"} << "(print takes FILE N OUT.pdf)"
                                       << true;
    QTest::newRow("print, bad format") << QStringList{"print", "@own.pgn", "1", "@p.pdf", "--format", "a4"}
                                       << "(--format needs" << true;
    QTest::newRow("print, bad game") << QStringList{"print", "@own.pgn", "1", "@p.pdf", "--game", "c"}
                                     << "(--game needs a or b)" << true;
    QTest::newRow("print past the last ply") << QStringList{"print", "@own.pgn", "1", "@p.pdf", "--ply", "7"}
                                             << "(no such ply; the game has 6)" << true;
    QTest::newRow("unreadable FEN tag not printed") << QStringList{"print", "@badstart.pgn", "1", "@p2.pdf"}
                                                    << "nothing printed)" << false;
    QTest::newRow("print into a missing folder") << QStringList{"print", "@own.pgn", "1", "@nowhere/p.pdf"}
                                                 << "nowhere/p.pdf" << false;
}

void KifuCliTest::errors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QFETCH(bool, usage);

    const QStringList paths = Paths(args);
    const Run run = RunKifu(paths);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.startsWith("vorlik-kifu: "), qPrintable(run.err));
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.err.contains("vorlik-kifu play [--fen"), usage);
    if ((args[0] == "convert" || args[0] == "print") && paths.size() >= 4)  // nothing written
        QVERIFY(!QFile::exists(paths[3]));
}

// A file that is no text at all: a message, no crash, no output.
void KifuCliTest::notText()
{
    QFile file(dir_.filePath("binary.pgn"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray bytes;
    for (int i = 0; i < 4096; ++i)
        bytes.append(static_cast<char>((i * 37) & 0xff));
    file.write(bytes);
    file.close();
    for (const char* verb : {"list", "show", "check", "search"}) {
        const Run run = RunKifu({verb, file.fileName()});
        QVERIFY2(run.status == 1 || run.status == 2, verb);
        QVERIFY2(!run.err.isEmpty(), verb);
    }
}

void KifuCliTest::helpWithoutArguments()
{
    const Run run = RunKifu({});
    QCOMPARE(run.status, 0);
    for (const char* verb : {"play", "list", "show", "convert", "search", "check", "print"})
        QVERIFY(run.out.contains(QString("vorlik-kifu ") + verb));
}

namespace {

// A settings file of 15 lines; boxes in the order undo, remove, edit, black, force.
QByteArray Mek(const QString& path, const QString& arguments, const QString& level1, const QString& boxes)
{
    QStringList lines = {"Test", path, arguments, "", level1, "", "", "", "", ""};
    for (const QChar box : boxes)
        lines << QStringLiteral(" %1 ").arg(box);
    return lines.join("\r\n").toUtf8() + "\r\n";
}

}  // namespace

// A short game against the real Fairy-Max: every engine move is accepted by
// the rules and printed as the engine's.
void KifuCliTest::versusFairyMax()
{
    QFile mek(dir_.filePath("fairy.mek"));
    QVERIFY(mek.open(QIODevice::WriteOnly));
    mek.write(Mek("fairymax", "", "sd 2", "01101"));
    mek.close();
    const Run run = RunKifu({"versus", mek.fileName(), "--plies", "8", "e4", "Nf3"});
    QCOMPARE(run.status, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 10);
    for (int ply = 1; ply <= 8; ++ply) {
        const QStringList fields = lines[ply - 1].split('\t');
        QCOMPARE(fields.size(), 6);
        QCOMPARE(fields[0], QString::number(ply));
        QCOMPARE(fields.last(), QString(ply == 1 || ply == 3 ? "user" : "engine"));
    }
    QVERIFY(lines[8].startsWith("fen\t"));
    QCOMPARE(lines[9], QString("result\t*"));
}

// Stockfish with the settings the program ships: UCI, without an adapter;
// every answer is taken by the rules (a refused one would fail the run).
void KifuCliTest::versusStockfish()
{
    const Run run = RunKifu({"versus", VORLIK_SETTINGS_DIR "/Stockfish.mek", "--plies", "8", "e4", "Nf3"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out.count("\tengine\n"), 6);
    QVERIFY(run.out.endsWith("result\t*\n"));
}

// The real engines with the settings the program ships find the mate in two
// (1.Nf6+ gxf6 2.Bxf7#), one through UCI, the other through "analyze".
void KifuCliTest::analyseMateInTwo_data()
{
    QTest::addColumn<QString>("mek");
    QTest::newRow("Stockfish, UCI") << "Stockfish.mek";
    QTest::newRow("Fairy-Max, analyze") << "Fairy-Max.mek";
}

void KifuCliTest::analyseMateInTwo()
{
    QFETCH(QString, mek);
    const Run run = RunKifu({"analyse", QStringLiteral(VORLIK_SETTINGS_DIR "/") + mek, "--seconds", "1", "--fen",
                             "r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1"});
    QCOMPARE(run.status, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    const QStringList best = lines[0].split('\t');
    QCOMPARE(best.size(), 5);
    QCOMPARE(best[0] + " " + best[1] + " " + best[3] + " " + best[4], QString("pv 1 #2 Nf6+ gxf6 Bxf7#"));
    QCOMPARE(lines[1], QString("best\td5f6"));
}

// Through real pipes: a flood of thinking at three lines, a line of 200
// moves, and an engine that dies while it thinks.
void KifuCliTest::analyseScripted_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines");  // every column but the depth
    QTest::addColumn<QString>("told");
    QTest::newRow("flood") << "on go*: info 20000 3" << 0
                           << QStringList{"pv 1 +0.20 e4 e5 Nf3", "pv 2 +0.10 d4 d5 c4", "pv 3 0.00 e4 e5 Nf3",
                                          "best e2e4"} << "";
    QTest::newRow("200 moves") << "on go*: longpv 200" << 0
                               << QStringList{"pv 1 +0.10 " + QString("Nf3 Nf6 Ng1 Ng8 ").repeated(16).trimmed(),
                                              "best g1f3"} << "";
    QTest::newRow("dies") << "on go*: info 2 1; crash" << 1 << QStringList{"pv 1 +0.20 e4 e5 Nf3"}
                          << "エンジンが終了しました";
}

void KifuCliTest::analyseScripted()
{
    QFETCH(QString, script);
    QFETCH(int, status);
    QFETCH(QStringList, lines);
    QFETCH(QString, told);
    QFile scriptFile(dir_.filePath("analyse.script"));
    QVERIFY(scriptFile.open(QIODevice::WriteOnly));
    scriptFile.write(script.toUtf8() + "\n");
    scriptFile.close();
    QFile mek(dir_.filePath("uci.mek"));
    QVERIFY(mek.open(QIODevice::WriteOnly));
    mek.write(Mek(VORLIK_SCRIPTED_UCI_ENGINE, "--script " + scriptFile.fileName(), "", "00000") + "protocol=uci\r\n");
    mek.close();
    const Run run = RunKifu({"analyse", mek.fileName(), "--seconds", "0.5", "--multipv", "3"});
    QCOMPARE(run.status, status);
    QStringList shown;
    for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
        QStringList fields = line.split('\t');
        if (fields[0] == "pv")
            fields.removeAt(2);
        shown << fields.join(' ');
    }
    QCOMPARE(shown, lines);
    QVERIFY2(run.err.contains(told), qPrintable(run.err));
}

// The scripted engine's answers: refusals, withdrawals, results, a crash,
// silence; and the arguments.
void KifuCliTest::versus_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("args");  // after the settings file
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines");  // columns 1 and 2, and the last, of each output line
    QTest::newRow("a game") << "on move: reply e7e5 b8c6" << QStringList{"e4", "Nf3"} << 0
                            << QStringList{"1 e4 user", "2 e5 engine", "3 Nf3 user", "4 Nc6 engine", "fen", "result *"};
    QTest::newRow("engine refuses the move")
        << "on move: say Illegal move: {line}" << QStringList{"e4"} << 1
        << QStringList{"1 e4 user", "1 withdrawn e2e4", "fen", "result *"};
    QTest::newRow("user token refused") << "on move: reply e7e5" << QStringList{"e5", "e4"} << 1
                                        << QStringList{"1 refused e5 user", "1 e4 user", "2 e5 engine", "fen", "result *"};
    QTest::newRow("engine move refused") << "on move: say move e2e4" << QStringList{"e4"} << 1
                                         << QStringList{"1 e4 user", "2 refused engine", "fen", "result *"};
    QTest::newRow("engine resigns") << "on move: say resign" << QStringList{"e4", "d4"} << 0
                                    << QStringList{"1 e4 user", "fen", "result 1-0"};
    // One write, as an engine that mates sends it: a result written later
    // would race the user's next move.
    QTest::newRow("result with the move")
        << "on move: write move e7e5\\n0-1 {Black mates}\\n" << QStringList{"e4", "d4"} << 0
        << QStringList{"1 e4 user", "2 e5 engine", "fen", "result 0-1"};
    QTest::newRow("engine crashes") << "start: sleep 1200\non move: crash" << QStringList{"e4", "d4"} << 1
                                    << QStringList{"1 e4 user", "fen", "result *"};
    QTest::newRow("engine silent") << "on move: hang" << QStringList{"--timeout", "1", "e4"} << 1
                                   << QStringList{"1 e4 user", "fen", "result *"};
    QTest::newRow("bad level") << "" << QStringList{"--level", "4", "e4"} << 2 << QStringList{};
}

void KifuCliTest::versus()
{
    QFETCH(QString, script);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QStringList, lines);
    QFile scriptFile(dir_.filePath("versus.script"));
    QVERIFY(scriptFile.open(QIODevice::WriteOnly));
    scriptFile.write(script.toUtf8() + "\n");
    scriptFile.close();
    QFile mek(dir_.filePath("scripted.mek"));
    QVERIFY(mek.open(QIODevice::WriteOnly));
    mek.write(Mek(VORLIK_SCRIPTED_ENGINE, "--log " + dir_.filePath("versus.log") + " --script " + scriptFile.fileName(),
                  "", "00000"));
    mek.close();
    const Run run = RunKifu(QStringList{"versus", mek.fileName()} + args);
    QCOMPARE(run.status, status);
    QStringList shown;
    for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split('\t');
        if (fields[0] == "fen")
            shown << "fen";
        else if (fields.size() <= 3)
            shown << fields.join(' ');
        else
            shown << fields[0] + ' ' + fields[1] + ' ' + fields.last();
    }
    QCOMPARE(shown, lines);
}

namespace {

QString Poppler(const QString& tool, const QStringList& args)
{
    QProcess process;
    process.start(tool, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

// The page "印刷" prints, written to a real PDF file and read back with the
// Poppler tools: its paper, its pages, the header and the score on them.
void KifuCliTest::print_data()
{
    QTest::addColumn<QStringList>("args");  // after FILE N OUT
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSizeF>("paper");  // in millimetres
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("texts");  // on the last page
    QTest::addColumn<QString>("line");  // one line of --lines

    QTest::newRow("A7") << QStringList{} << "own.pgn" << QSizeF(74, 105) << 1
                        << QStringList{"イベント：Casual", "1.e4 e5 2.Nf3 Nc6 3.Bb5 a6", "3. ... a6"}
                        << "ＭＳ ゴシック\t9\t4\t　　白　：Sato";
    QTest::newRow("A6 at ply 3") << QStringList{"--format", "a6", "--ply", "3"} << "own.pgn" << QSizeF(105, 148) << 1
                                 << QStringList{"2. Nf3", "1.e4 e5 2.Nf3 Nc6"} << "Vorlik\t19\t5\tみりりりりりりりりみ";
    QTest::newRow("A5 long") << QStringList{"--format", "a5", "--long"} << "own.pgn" << QSizeF(148, 210) << 1
                             << QStringList{"1.e2-e4 e7-e5 2.Ng1-f3"}
                             << "ＭＳ ゴシック\t13\t9\t1.e2-e4 e7-e5 2.Ng1-f3 Nb8-c6 3.Bf1-b5 a7-a6";
    QTest::newRow("postcard A") << QStringList{"--format", "postcard"} << "postal.csv" << QSizeF(100, 148) << 1
                                << QStringList{"Postal Cup 2", "Ａ局", "3. Bb5", "( 1 : 1) A"}
                                << "ＭＳ ゴシック\t12\t0\t2. ... Nc6";
    QTest::newRow("postcard B by choice") << QStringList{"--format", "postcard", "--game", "b"} << "postal.csv"
                                          << QSizeF(100, 148) << 1 << QStringList{"( 1 : 1) A"}
                                          << "ＭＳ ゴシック\t12\t1\t" + QString(23, ' ') + "( 1 : 1) A";
    QTest::newRow("postcard counted with the desk's leave")
        << QStringList{"--format", "postcard"} << "desk/leave.csv" << QSizeF(100, 148) << 1 << QStringList{"( 6 : 3) B"}
        << "ＭＳ ゴシック\t12\t1\t" + QString(23, ' ') + "( 6 : 3) B";
    QTest::newRow("400 plies on A7") << QStringList{} << "knights.pgn" << QSizeF(74, 105) << 3
                                     << QStringList{"199.Nf3 Nf6 200.Ng1", "Vorlik Print"} << "ＭＳ ゴシック\t9\t18\t200. ... Ng8";
}

void KifuCliTest::print()
{
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    const QString pdf = dir_.filePath(QString(QTest::currentDataTag()).replace(' ', '_') + ".pdf");
    const Run run = RunKifu(QStringList{"print", dir_.filePath(file), "1", pdf, "--lines"} + args);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QString());
    QFETCH(QString, line);
    QVERIFY2(run.out.split('\n').contains(line), qPrintable(run.out));

    const QString info = Poppler("pdfinfo", {pdf});
    const QRegularExpressionMatch size = QRegularExpression("Page size: +([0-9.]+) x ([0-9.]+) pts").match(info);
    QVERIFY2(size.hasMatch(), qPrintable(info));
    QFETCH(QSizeF, paper);
    QVERIFY(qAbs(size.captured(1).toDouble() * 25.4 / 72 - paper.width()) < 0.5);
    QVERIFY(qAbs(size.captured(2).toDouble() * 25.4 / 72 - paper.height()) < 0.5);
    QFETCH(int, pages);
    QVERIFY2(info.contains(QRegularExpression(QString("Pages: +%1\n").arg(pages))), qPrintable(info));
    const QString last = Poppler("pdftotext", {"-f", QString::number(pages), "-layout", pdf, "-"});
    QFETCH(QStringList, texts);
    for (const QString& text : texts)
        QVERIFY2(last.contains(text), qPrintable(text + " not in:\n" + last));
}

QTEST_APPLESS_MAIN(KifuCliTest)
#include "tst_kifu_cli.moc"
