// The postal desk on a folder of game files: the games in progress the
// player plays in, ranked; the settings that stay with a game when games are
// added to its file; a broken file, a huge one and a settings file edited
// into garbage.
#include "RecordsHost.h"
#include "records/PostalDesk.h"

#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

class DeskTest : public QObject {
    Q_OBJECT

private slots:
    void desk();
    void gameGoneFromItsFile();
    void settingsFollowTheHeader();
    void toldAndMarked();
    void sameGameByDate_data();
    void sameGameByDate();
};

namespace {

const char kMe[] = "佐藤 一郎";

// Ito's move is 50 days late (past his 10/50 with the days he is taking
// over it), Abe's 5 days; one game is over, one is not the player's.
const QByteArray kPostal =
    "Event,Club\r\nSite,\r\nDate,26/7/1\r\nRound,1\r\nWhite,Ito\r\nBlack,佐藤 一郎\r\nResult,*\r\n\r\n"
    "1,5254,5755,e4,e5,,26/7/20,26/7/25,,,,,26/7/28,26/8/1,,,,\r\n\r\n"
    "Event,Club\r\nSite,\r\nDate,26/7/1\r\nRound,2\r\nWhite,佐藤 一郎\r\nBlack,Ito\r\nResult,1-0\r\n\r\n"
    "1,5254,,e4,,,26/7/20,26/7/25,,,,\r\n\r\n"
    "Event,Club\r\nSite,\r\nDate,26/9/1\r\nRound,1\r\nWhite,佐藤 一郎\r\nBlack,Abe\r\nResult,*\r\n\r\n"
    "1,5254,,e4,,,26/9/10,26/9/15,,,,\r\n\r\n"
    "Event,Club\r\nSite,\r\nDate,26/7/1\r\nRound,3\r\nWhite,Ito\r\nBlack,Abe\r\nResult,*\r\n\r\n"
    "1,5254,,e4,,,26/7/20,26/7/25,,,,\r\n\r\n";

// No postal boxes in PGN: moves of unknown days.
const QByteArray kPgn =
    "[Event \"Open\"]\r\n[Site \"\"]\r\n[Date \"26/9/1\"]\r\n[Round \"1\"]\r\n[White \"佐藤 一郎\"]\r\n"
    "[Black \"Mori\"]\r\n[Result \"*\"]\r\n\r\n1. d4 *\r\n\r\n"
    "[Event \"Open\"]\r\n[Site \"\"]\r\n[Date \"26/9/1\"]\r\n[Round \"2\"]\r\n[White \"Mori\"]\r\n"
    "[Black \"佐藤 一郎\"]\r\n[Result \"*\"]\r\n\r\n1. c4 *\r\n\r\n";

// The 30-move card keeps its own control and White's leave over New Year.
const QByteArray kSettings =
    "control=10/50\r\n\r\n[game]\r\nfile=card30.csv\r\nnumber=1\r\nwhite=佐藤 一郎\r\nblack=Kato\r\n"
    "event=第12回通信選手権\r\ndate=25/9/1\r\nround=3\r\ncontrol=10/30\r\nleave=white 2025-12-24 2026-01-03\r\n";

// FILE N MINE MY_TOTAL MY_LEFT OPP_TOTAL OPP_LEFT SINCE STATE, one row a line.
QString Rows(const Desk& desk)
{
    QStringList rows;
    const auto number = [](const std::optional<int>& value) { return value ? QString::number(*value) : "-"; };
    for (const DeskRow& row : desk.rows)
        rows << QString("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                    .arg(QString::fromStdString(row.file))
                    .arg(row.number)
                    .arg(row.MyMove() ? "me" : "opp")
                    .arg(row.myTotal)
                    .arg(number(row.MyLeft()))
                    .arg(row.oppTotal)
                    .arg(number(row.OppLeft()))
                    .arg(number(row.status.sinceSent))
                    .arg(LedgerStateWord(row.status.state));
    return rows.join('\n');
}

QStringList ProblemFiles(const Desk& desk)
{
    QStringList files;
    for (const DeskFileProblem& problem : desk.files)
        files << QString::fromStdString(problem.file);
    return files;
}

}  // namespace

void DeskTest::desk()
{
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(name); };
    QVERIFY(QFile::copy(QString(VORLIK_FIXTURES) + "/card30.csv", path("card30.csv")));
    const QByteArray card = ReadAll(path("card30.csv"));
    WriteAll(path("postal.csv"), kPostal);
    WriteAll(path("open.pgn"), kPgn);
    WriteAll(path("broken.csv"), QByteArray("Event,\0\0\0", 9));
    QFile huge(path("huge.pgn"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(kMaxDeskFileBytes + 1));
    huge.close();
    WriteAll(path(kDeskSettingsName), kSettings);
    const DeskRequest request{S(dir.path()), kMe, DaysFromCivil(2026, 9, 20), {}};

    // The player's moves first, fewest days left first; then the others,
    // longest since sent first. The side to move has the days since the
    // last card left in its total (24 on the card, 50 for Ito, 5 for Abe).
    const QString ranked = "card30.csv 1 me 106 14 86 34 24 over-white\n"
                           "open.pgn 2 me 0 50 0 50 - ok\n"
                           "postal.csv 1 opp 4 46 55 -5 50 over-white\n"
                           "postal.csv 3 opp 5 45 5 45 5 ok\n"
                           "open.pgn 1 opp 0 50 0 50 - ok";
    Desk desk = OpenDesk(request);
    QCOMPARE(Rows(desk), ranked);
    QCOMPARE(ProblemFiles(desk), QStringList({"broken.csv", "huge.pgn"}));
    QVERIFY(desk.settingsError.empty());

    // Games added before and after the card, in its file's CP932: its
    // settings stay with it.
    std::string added;
    QVERIFY(EncodeText(kPostal.toStdString(), TextEncoding::Cp932, added));
    WriteAll(path("card30.csv"), QByteArray::fromStdString(added) + card + QByteArray::fromStdString(added));
    desk = OpenDesk(request);
    QVERIFY(Rows(desk).startsWith("card30.csv 5 me 106 14 86 34 24 over-white\n"));
    QStringList lookAlikes;  // the postal games now stand twice in the card's file
    for (const DeskRow& row : desk.rows)
        if (row.lookAlike)
            lookAlikes << QString::fromStdString(row.file) + " " + QString::number(row.number);
    lookAlikes.sort();
    QCOMPARE(lookAlikes, QStringList({"card30.csv 1", "card30.csv 3", "card30.csv 6", "card30.csv 8"}));

    // A note written and read back, the other games' settings kept.
    KifuFile scan;
    QVERIFY(ScanKifuFile(scan, kKindCsv, S(path("postal.csv"))).ok);
    SettingsFor(desk.settings, scan, "postal.csv", 1).note = "催促状を送った\n8/30";
    std::string error;
    QVERIFY(WriteDeskSettings(S(dir.path()), desk.settings, error));
    QVERIFY(ReadAll(path(kDeskSettingsName)).contains("催促状を送った"));  // UTF-8, as every file the program adds
    desk = OpenDesk(request);
    QCOMPARE(desk.settings.games.size(), std::size_t(2));
    QCOMPARE(desk.settings.games[1].note, std::string("催促状を送った\n8/30"));
    QVERIFY(Rows(desk).startsWith("card30.csv 5 me 106 14"));

    // A settings file edited into garbage: told, the desk shown without it,
    // and never written over.
    const QByteArray garbage = kSettings + "leave=white 2026-01-03 2025-12-24\r\n";
    WriteAll(path(kDeskSettingsName), garbage);
    desk = OpenDesk(request);
    QVERIFY(desk.settingsError.find("13行目") != std::string::npos);
    QVERIFY(Rows(desk).startsWith("card30.csv 5 me 108 - 86 - 24 ok\nopen.pgn 2 me 0 - 0 - - ok\n"));
    QVERIFY(!WriteDeskSettings(S(dir.path()), desk.settings, error));
    QCOMPARE(ReadAll(path(kDeskSettingsName)), garbage);
}

// A game opened from the desk that another program has since taken out of
// its file is told when saved back, and no other game is written over.
void DeskTest::gameGoneFromItsFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("postal.csv");
    WriteAll(file, kPostal);
    const Desk desk = OpenDesk({S(dir.path()), kMe, DaysFromCivil(2026, 9, 20), {}});
    const auto abe = std::find_if(desk.rows.begin(), desk.rows.end(), [](const DeskRow& row) { return row.opponent == "Abe"; });
    QVERIFY(abe != desk.rows.end());
    DeskPlace place = PlaceOfRow(S(dir.path()), *abe);
    RecordsHost host;
    KifuFile scan;
    QVERIFY(OpenDeskGame(host, scan, place));
    QCOMPARE(host.window.Header().Field[6], std::string("Abe"));

    const int first = kPostal.indexOf("Event,Club\r\nSite,\r\nDate,26/9/1");
    const QByteArray without = kPostal.left(first) + kPostal.mid(kPostal.indexOf("Event,Club", first + 1));
    WriteAll(file, without);
    QVERIFY(!SaveDeskGame(host, place));
    QVERIFY2(host.LastMessage().find("見当たりません") != std::string::npos, host.LastMessage().c_str());
    QCOMPARE(ReadAll(file), without);
    QVERIFY(!QFile::exists(dir.filePath("postal.bak")));
}

// The round corrected on the board and saved back: the game keeps its control and leave.
void DeskTest::settingsFollowTheHeader()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QString(VORLIK_FIXTURES) + "/card30.csv", dir.filePath("card30.csv")));
    WriteAll(dir.filePath(kDeskSettingsName), kSettings);
    const Desk desk = OpenDesk({S(dir.path()), kMe, DaysFromCivil(2026, 9, 20), {}});
    DeskPlace place = PlaceOfRow(S(dir.path()), desk.rows.front());
    RecordsHost host;
    KifuFile scan;
    QVERIFY(OpenDeskGame(host, scan, place));
    host.window.SetField(4, "4");
    QVERIFY(SaveDeskGame(host, place));
    DeskSettings settings;
    std::string error;
    QVERIFY(ReadDeskSettings(S(dir.path()), settings, error));
    QCOMPARE(settings.games.size(), std::size_t(1));
    QCOMPARE(settings.games[0].key.round, std::string("4"));
    QCOMPARE(TimeControlText(settings.games[0].control), std::string("10/30"));
    QCOMPARE(OpenDesk({S(dir.path()), kMe, DaysFromCivil(2026, 9, 20), {}}).rows.front().MyLeft(), std::optional<int>(14));
}

// Settings kept under a date in another form still belong to their game.
void DeskTest::sameGameByDate_data()
{
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("read");
    QTest::addColumn<bool>("same");
    QTest::newRow("four-digit year") << "2026/1/5" << "26/1/5" << true;
    QTest::newRow("the standard form") << "2026.01.05" << "26/1/5" << true;
    QTest::newRow("another day") << "26/1/6" << "26/1/5" << false;
    QTest::newRow("no date, the same text") << "夏" << "夏" << true;
    QTest::newRow("no date, other text") << "夏" << "26/1/5" << false;
}

void DeskTest::sameGameByDate()
{
    QFETCH(QString, kept);
    QFETCH(QString, read);
    QFETCH(bool, same);
    DeskGameKey a{"f.pgn", "Sato", "Kato", "Club", S(kept), "1"};
    DeskGameKey b = a;
    b.date = S(read);
    QCOMPARE(a.SameGame(b), same);
}

// A file of words and a settings file of bytes are named for what they are;
// a date after today is marked on its row; the receipt entered for the move
// in hand counts from its day.
void DeskTest::toldAndMarked()
{
    QTemporaryDir dir;
    const QByteArray game = "Event,Club\r\nSite,\r\nDate,26/9/1\r\nRound,1\r\nWhite,佐藤 一郎\r\nBlack,Abe\r\n"
                            "Result,*\r\n\r\n1,5254,,e4,,,26/9/10,26/9/25,,,,\r\n\r\n";
    WriteAll(dir.filePath("postal.csv"), game);
    WriteAll(dir.filePath("words.pgn"), "Dear Abe,\r\nthank you for your card.\r\n");
    WriteAll(dir.filePath("new.pgn"), "");
    WriteAll(dir.filePath(kDeskSettingsName), QByteArray("\x00\x01\x02\xff\xfe", 5).repeated(40));
    const DeskRequest request{S(dir.path()), kMe, DaysFromCivil(2026, 9, 20), {}};
    Desk desk = OpenDesk(request);
    QCOMPARE(ProblemFiles(desk), QStringList{"words.pgn"});
    QVERIFY2(desk.settingsError.find("通信対局一覧の設定ファイル") == 0 && desk.settingsError.find("棋譜") == std::string::npos,
             desk.settingsError.c_str());
    QCOMPARE(QString::fromStdString(LaterDatesText(desk.rows.at(0).laterDates)), QString("1手目の発 2026-09-25"));

    WriteAll(dir.filePath(kDeskSettingsName), "[game]\r\nfile=postal.csv\r\nwhite=佐藤 一郎\r\nblack=Abe\r\n"
                                             "event=Club\r\ndate=26/9/1\r\nround=1\r\nreceived=2 2026-09-28\r\n");
    desk = OpenDesk({S(dir.path()), kMe, DaysFromCivil(2026, 10, 3), {}});
    QVERIFY(desk.settingsError.empty());
    QCOMPARE(Rows(desk), QString("postal.csv 1 opp 15 - 5 - 8 ok"));
    std::string error;
    QVERIFY(WriteDeskSettings(S(dir.path()), desk.settings, error));
    QVERIFY(ReadAll(dir.filePath(kDeskSettingsName)).contains("received=2 2026-09-28\r\n"));
}

QTEST_APPLESS_MAIN(DeskTest)
#include "tst_desk.moc"
