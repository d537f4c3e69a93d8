// The postal ledger: the days a move used as its boxes give them, the totals,
// the time control and where the game stands.
#include "core/GameText.h"
#include "core/PostalLedger.h"

#include <QtTest>

#include <memory>

using namespace vorlik;

class LedgerTest : public QObject {
    Q_OBJECT

private slots:
    void ledger_data();
    void ledger();
    void shown_data();
    void shown();
    void moveInHand_data();
    void moveInHand();
    void dayCountFollows_data();
    void dayCountFollows();
};

namespace {

// The boxes of a CSV fixture's move lines in the form GameWithNotes reads:
// six fields for White's ply, then six for Black's, after the two moves.
QString NotesOfFixture(const QString& name)
{
    QFile file(QString(VORLIK_FIXTURES) + "/" + name);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QStringList plies;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() < 17 || !QChar(line[0]).isDigit())
            continue;
        for (int first = 5; first <= 11; first += 6)
            plies << QString::fromLatin1(fields.mid(first, 4).join(','));
    }
    return plies.join(" ; ");
}

// Plies "消印,着,発,＋ ; ...", a box list followed by "*N" standing for N plies
// alike, or "@FILE" for the boxes of a CSV fixture. Every ply holds a move.
std::unique_ptr<GameState> GameWithNotes(QString notes)
{
    if (notes.startsWith('@'))
        notes = NotesOfFixture(notes.mid(1));
    auto game = std::make_unique<GameState>();
    for (const QString& item : notes.split(';', Qt::SkipEmptyParts)) {
        const QStringList repeat = item.trimmed().split('*');
        const QStringList boxes = repeat[0].split(',');
        for (int n = repeat.size() > 1 ? repeat[1].toInt() : 1; n > 0; --n) {
            const int ply = ++game->LastPly;
            game->KifuCoord[ply] = "e2e4";
            for (int k = 0; k < boxes.size() && k < 4; ++k)
                game->KifuNote[k + 1][ply] = boxes[k].toStdString();
        }
    }
    return game;
}

int Day(const QString& iso)
{
    const QStringList parts = iso.split('-');
    return DaysFromCivil(parts[0].toInt(), parts[1].toInt(), parts[2].toInt());
}

std::vector<LeavePeriod> Periods(const QString& text)
{
    std::vector<LeavePeriod> periods;
    const QStringList days = text.split(' ', Qt::SkipEmptyParts);
    for (int k = 0; k + 1 < days.size(); k += 2)
        periods.push_back({Day(days[k]), Day(days[k + 1])});
    return periods;
}

QString DateText(const BoxDate& date)
{
    if (date.kind == BoxKind::Empty)
        return "-";
    return date.IsDate() ? QString::fromStdString(IsoDate(date.day)) : "?";
}

// "3*2 4" is "3 3 4".
QString Expanded(const QString& text)
{
    QStringList words;
    for (const QString& word : text.split(' ')) {
        const QStringList repeat = word.split('*');
        for (int n = repeat.size() > 1 ? repeat[1].toInt() : 1; n > 0; --n)
            words << repeat[0];
    }
    return words.join(' ');
}

QString Number(const std::optional<int>& value) { return value ? QString::number(*value) : "-"; }

void Row(const char* name, const char* gameDate, const char* notes, const char* leave, const char* control,
         const char* dates, const char* used, const char* totals, const char* status)
{
    QTest::newRow(name) << gameDate << QString::fromUtf8(notes) << leave << control << dates << Expanded(used) << totals
                        << status;
}

}  // namespace

void LedgerTest::ledger_data()
{
    QTest::addColumn<QString>("gameDate");  // the header's Date field
    QTest::addColumn<QString>("notes");     // GameWithNotes
    QTest::addColumn<QString>("leave");     // "white|black FIRST LAST ..." (ISO days)
    QTest::addColumn<QString>("control");   // N/D or empty
    QTest::addColumn<QString>("dates");     // 消印,着,発 of the first ply as read
    QTest::addColumn<QString>("used");      // days per ply, "?" unknown, "N*K" K plies of N
    QTest::addColumn<QString>("totals");    // White : Black
    QTest::addColumn<QString>("status");    // White left, Black left, since sent on 2027-02-01, state

    // Date forms, and what is no date.
    Row("yy/m/d", "", ",03/12/1,03/12/7,", "", "", "-,2003-12-01,2003-12-07", "6", "6:0", "- - 8457 reminder");
    Row("70..99 are 19xx", "", ",99/12/30,00/1/2,", "", "", "-,1999-12-30,2000-01-02", "3", "3:0", "- - 9892 reminder");
    Row("yyyy/m/d, no leap day", "", ",2026/2/27,2026/3/2,", "", "", "-,2026-02-27,2026-03-02", "3", "3:0",
        "- - 336 reminder");
    Row("yyyy.mm.dd, a leap year", "", ",2024.02.27,2024.03.02,", "", "", "-,2024-02-27,2024-03-02", "4", "4:0",
        "- - 1066 reminder");
    Row("yyyy-mm-dd", "", ",2027-01-20,2027-01-25,", "", "", "-,2027-01-20,2027-01-25", "5", "5:0", "- - 7 ok");
    Row("m/d nearest the game's date, over New Year", "26/12/20", ",12/28,1/3,", "", "",
        "-,2026-12-28,2027-01-03", "6", "6:0", "- - 29 reminder");
    Row("m/d nearest the box before, ply by ply", "", ",2026-12-30,1/4, ; ,1/6,1/9,", "", "",
        "-,2026-12-30,2027-01-04", "5 3", "5:3", "- - 23 reminder");
    Row("full-width digits", "", ",２０２７／１／２０,２０２７．０１．２２,", "", "", "-,2027-01-20,2027-01-22", "2",
        "2:0", "- - 10 ok");
    Row("29 February of 2027 is no date, not 2028's", "27/2/20", ",2/26,2/29,", "", "", "-,2027-02-26,?", "?", "0:0",
        "- - - ok");
    Row("no dates: words, 30 February, m/d with nothing before", "", "3 Mai,2026/2/30,1/5,", "", "", "?,?,?", "?",
        "0:0", "- - - ok");
    Row("sent before received", "", ",2027-01-10,2027-01-08,", "", "", "-,2027-01-10,2027-01-08", "?", "0:0",
        "- - 24 reminder");
    Row("unknown moves count 0", "", ",,, ; ,,,2 ; ,,no date,", "", "", "-,-,-", "? 2 ?", "0:2", "- - - ok");

    // The ＋ box, and the postmark added to it.
    Row("＋ box over the dates", "", ",2027-01-20,2027-01-25,3", "", "", "-,2027-01-20,2027-01-25", "3", "3:0", "- - 7 ok");
    Row("＋ box alone", "", ",,,7", "", "", "-,-,-", "7", "7:0", "- - - ok");
    Row("postmark after sent, on the dates", "", "2027-01-27,2027-01-20,2027-01-25,", "", "",
        "2027-01-27,2027-01-20,2027-01-25", "7", "7:0", "- - 7 ok");
    Row("postmark after sent, on the ＋ box", "", "2027-01-27,,2027-01-25,1", "", "", "2027-01-27,-,2027-01-25", "3",
        "3:0", "- - 7 ok");
    Row("postmark before sent", "", "2027-01-24,2027-01-20,2027-01-25,", "", "", "2027-01-24,2027-01-20,2027-01-25",
        "5", "5:0", "- - 7 ok");

    // Leave: only the mover's own, only the days inside the move.
    Row("leave across a month end", "", ",2026-04-20,2026-05-10,", "white 2026-04-28 2026-05-02", "",
        "-,2026-04-20,2026-05-10", "15", "15:0", "- - 267 reminder");
    Row("leave across New Year, Black's", "", ",2026-12-20,2026-12-22, ; ,2026-12-22,2027-01-05,",
        "black 2026-12-30 2027-01-02", "", "-,2026-12-20,2026-12-22", "2 10", "2:10", "- - 27 reminder");
    Row("leave up to the postmark", "", "2027-01-12,2027-01-01,2027-01-05,", "white 2027-01-10 2027-01-20", "",
        "2027-01-12,2027-01-01,2027-01-05", "8", "8:0", "- - 27 reminder");

    // Time controls, cumulative.
    Row("10/30 met", "", ",,,3*20", "", "10/30", "-,-,-", "3*20", "30:30",
        "30 30 - ok");
    Row("10/30 passed by White", "", ",,,3*18 ; ,,,4 ; ,,,3", "", "10/30", "-,-,-",
        "3*18 4 3", "31:30", "29 30 - over-white");
    Row("10/30 passed by White before his 10th move", "",
        ",,,5 ; ,,,0 ; ,,,5 ; ,,,0 ; ,,,5 ; ,,,0 ; ,,,5 ; ,,,0 ; ,,,5 ; ,,,0 ; ,,,5 ; ,,,0 ; ,,,5 ; ,,,0 ; ,,,5 ; ,,,0 ; ,,,1",
        "", "10/30", "-,-,-", "5 0 5 0 5 0 5 0 5 0 5 0 5 0 5 0 1", "41:0", "-11 30 - over-white");
    Row("10/50 met, Black to move short", "", ",,,5*19", "", "10/50", "-,-,-",
        "5*19", "50:45", "50 5 - short");
    Row("10/50 passed by Black on move 20", "", ",,,5*39 ; ,,,15", "", "10/50", "-,-,-", "5*39 15", "100:110",
        "50 40 - over-black");

    // A card of 30 moves worked out by hand: two forms of dates, a late
    // postmark (7), a corrected ＋ box (12), a forgotten 発 (33), White on
    // leave over New Year (21).
    Row("30 moves, by hand", "25/9/1", "@card30.csv", "white 2025-12-24 2026-01-03", "10/30",
        "-,2025-09-01,2025-09-03",
        "2 3 1 4 2 5 5 2 6 1 2 2 4 2 3 1 5 2 3 4 0 2 3 6 1 3 2 4 3 2 5 3 ? 1 4 2 3 3 2 5 1 4 2 3 2 6 3 2 4 1 "
        "3 2 5 2 3 4 2 3 1 2",
        "82:86", "38 34 158 over-white");
}

void LedgerTest::ledger()
{
    QFETCH(QString, gameDate);
    QFETCH(QString, notes);
    QFETCH(QString, leave);
    QFETCH(QString, control);

    const std::unique_ptr<GameState> game = GameWithNotes(notes);
    Leave periods;
    (leave.startsWith("white") ? periods.white : periods.black) = Periods(leave.section(' ', 1));
    TimeControl timeControl;
    QCOMPARE(ReadTimeControl(control.toStdString(), timeControl), !control.isEmpty());
    const Ledger ledger = BuildLedger(*game, gameDate.toStdString(), periods);

    const LedgerPly& first = ledger.plies.front();
    const QString dates = DateText(first.postmark) + "," + DateText(first.received) + "," + DateText(first.sent);
    QStringList used;
    for (const LedgerPly& entry : ledger.plies)
        used << (entry.used ? QString::number(*entry.used) : "?");
    const QString totals = QString("%1:%2").arg(ledger.Total(true)).arg(ledger.Total(false));
    const LedgerStatus status = JudgeLedger(ledger, timeControl, Day("2027-02-01"));
    const QString judged = Number(status.whiteLeft) + " " + Number(status.blackLeft) + " " +
                           Number(status.sinceSent) + " " + LedgerStateWord(status.state);

    QTEST(dates, "dates");
    QTEST(used.join(' '), "used");
    QTEST(totals, "totals");
    QTEST(judged, "status");
}

void LedgerTest::shown_data()
{
    // The line beside the postal boxes, and the totals the postcard's
    // reference takes at a ply ("-" while no move up to it has known days).
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("ply");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("totals");

    QTest::newRow("no control") << "26/1/1,26/1/3,26/1/5 ; 26/1/10,26/1/12,26/1/20" << "" << 2
                                << "白 2日 ・ 黒 8日" << "2:8";
    QTest::newRow("days left") << "26/1/1,26/1/3,26/1/5 ; 26/1/10,26/1/12,26/1/20" << "10/30" << 1
                               << "白 2日 (残28) ・ 黒 8日 (残22) ・ 10/30" << "2:0";
    QTest::newRow("control passed") << "26/1/1,26/1/1,26/2/10" << "1/30" << 1
                                    << "白 40日 (超過) ・ 黒 0日 (残30) ・ 1/30" << "40:0";
    QTest::newRow("period passed before its last move") << "26/1/1,26/1/1,26/2/10" << "10/30" << 1
                                                        << "白 40日 (超過) ・ 黒 0日 (残30) ・ 10/30" << "40:0";
    QTest::newRow("no days known") << "x,y,z ; ,," << "10/30" << 2
                                   << "白 0日 (残30) ・ 黒 0日 (残30) ・ 10/30" << "-";
    QTest::newRow("known only later") << ",, ; 26/1/1,26/1/2,26/1/4" << "" << 1
                                      << "白 0日 ・ 黒 2日" << "-";
}

void LedgerTest::shown()
{
    QFETCH(QString, notes);
    QFETCH(QString, control);
    QFETCH(int, ply);

    const std::unique_ptr<GameState> game = GameWithNotes(notes);
    TimeControl timeControl;
    ReadTimeControl(control.toStdString(), timeControl);
    const Ledger ledger = BuildLedger(*game, "");
    const std::optional<Totals> totals = TotalsAt(ledger, ply);

    QTEST(QString::fromStdString(LedgerLine(ledger, timeControl)), "line");
    QTEST(totals ? QString("%1:%2").arg(totals->white).arg(totals->black) : QString("-"), "totals");
}

void LedgerTest::moveInHand_data()
{
    // White sent 1.e4 on 2027-01-03 (received 01-01); Black thinks it over
    // until 2027-01-10, unless a row says otherwise.
    QTest::addColumn<QString>("notes");    // GameWithNotes
    QTest::addColumn<QString>("receipt");  // "PLY DAY" entered on the desk, or empty
    QTest::addColumn<QString>("leave");    // Black's, "FIRST LAST"
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("inHand");  // "PLY FROM received|sent DAYS", "-" for none
    QTest::addColumn<QString>("status");  // White left, Black left, state
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("later");  // LaterDatesText at 2027-01-10

    const char* e4 = ",2027-01-01,2027-01-03,";
    QTest::newRow("from the opponent's 発") << e4 << "" << "" << "10/30" << "2 2027-01-03 sent 7" << "28 23 ok"
                                            << "白 2日 (残28) ・ 黒 0日 + 手番中 7日 (残23) ・ 10/30" << "";
    QTest::newRow("from a later postmark, whose days are the sender's")
        << "2027-01-05,2027-01-01,2027-01-03," << "" << "" << "10/30" << "2 2027-01-05 sent 5" << "26 25 ok"
        << "白 4日 (残26) ・ 黒 0日 + 手番中 5日 (残25) ・ 10/30" << "";
    QTest::newRow("from the receipt entered") << e4 << "2 2027-01-08" << "" << "" << "2 2027-01-08 received 2" << "- - ok"
                                              << "白 2日 ・ 黒 0日 + 手番中 2日" << "";
    QTest::newRow("a receipt entered for another move") << e4 << "4 2027-01-08" << "" << "" << "2 2027-01-03 sent 7"
                                                        << "- - ok" << "白 2日 ・ 黒 0日 + 手番中 7日" << "";
    QTest::newRow("leave inside it") << e4 << "" << "2027-01-05 2027-01-07" << "10/30" << "2 2027-01-03 sent 4"
                                     << "28 26 ok" << "白 2日 (残28) ・ 黒 0日 + 手番中 4日 (残26) ・ 10/30" << "";
    QTest::newRow("it passes the control") << e4 << "" << "" << "1/5" << "2 2027-01-03 sent 7" << "8 -2 over-black"
                                           << "白 2日 (残8) ・ 黒 0日 + 手番中 7日 (超過) ・ 1/5" << "";
    QTest::newRow("it makes the side short") << e4 << "" << "" << "1/10" << "2 2027-01-03 sent 7" << "18 3 short"
                                             << "白 2日 (残18) ・ 黒 0日 + 手番中 7日 (残3) ・ 1/10" << "";
    QTest::newRow("no 発 on the last move") << ",2027-01-01,,2" << "" << "" << "" << "-" << "- - ok"
                                            << "白 2日 ・ 黒 0日" << "";
    QTest::newRow("no move yet") << "" << "" << "" << "10/30" << "-" << "30 30 ok" << "白 0日 (残30) ・ 黒 0日 (残30) ・ 10/30"
                                 << "";
    QTest::newRow("a receipt after today") << e4 << "2 2027-01-12" << "" << "" << "2 2027-01-12 received 0" << "- - ok"
                                           << "白 2日 ・ 黒 0日 + 手番中 0日" << "2手目の受け取り 2027-01-12";
    QTest::newRow("dates after today") << "2027-01-14,2027-01-01,2027-01-13," << "" << "" << "" << "2 2027-01-14 sent 0"
                                       << "- - ok" << "白 13日 ・ 黒 0日 + 手番中 0日"
                                       << "1手目の消印 2027-01-14, 1手目の発 2027-01-13";
}

void LedgerTest::moveInHand()
{
    QFETCH(QString, notes);
    QFETCH(QString, receipt);
    QFETCH(QString, leave);
    QFETCH(QString, control);

    const std::unique_ptr<GameState> game = GameWithNotes(notes);
    Ledger ledger = BuildLedger(*game, "");
    std::optional<MoveReceipt> entered;
    if (!receipt.isEmpty())
        entered = MoveReceipt{receipt.section(' ', 0, 0).toInt(), Day(receipt.section(' ', 1))};
    Leave periods;
    periods.black = Periods(leave);
    const int today = Day("2027-01-10");
    CountMoveInHand(ledger, today, entered, periods);
    TimeControl timeControl;
    ReadTimeControl(control.toStdString(), timeControl);
    const LedgerStatus status = JudgeLedger(ledger, timeControl, today);

    QString inHand = "-";
    if (const std::optional<MoveInHand>& hand = ledger.inHand)
        inHand = QString("%1 %2 %3 %4")
                     .arg(hand->ply)
                     .arg(QString::fromStdString(IsoDate(hand->from)))
                     .arg(hand->fromReceipt ? "received" : "sent")
                     .arg(hand->days);
    QTEST(inHand, "inHand");
    QTEST(Number(status.whiteLeft) + " " + Number(status.blackLeft) + " " + LedgerStateWord(status.state), "status");
    QTEST(QString::fromStdString(LedgerLine(ledger, timeControl)), "line");
    QTEST(QString::fromStdString(LaterDatesText(DatesAfter(ledger, today))), "later");
}

void LedgerTest::dayCountFollows_data()
{
    // 着 and 発 before and after the correction, and the ＋ box.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("plus");
    QTest::addColumn<QString>("followed");

    QTest::newRow("empty ＋ takes the count") << "," << "03/12/01,03/12/04" << "" << "3";
    QTest::newRow("the program's count follows 着") << "03/12/01,03/12/04" << "03/12/02,03/12/04" << "3" << "2";
    QTest::newRow("the program's count follows 発") << "03/12/01,03/12/04" << "03/12/01,12/9" << "3" << "8";
    QTest::newRow("a count in full-width digits follows") << "03/12/01,03/12/04" << "03/12/01,03/12/09" << "３" << "8";
    QTest::newRow("a count of dates sent before received follows") << "03/12/04,03/12/01" << "03/12/01,03/12/04" << "-3"
                                                                   << "3";
    QTest::newRow("a count typed by hand stays") << "03/12/01,03/12/04" << "03/12/01,03/12/09" << "5" << "5";
    QTest::newRow("a count typed before the dates stays") << "," << "03/12/01,03/12/04" << "1" << "1";
    QTest::newRow("no count from the new dates") << "03/12/01,03/12/04" << "03/12/01,not a date" << "3" << "3";
}

void LedgerTest::dayCountFollows()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, plus);
    const auto box = [](const QString& pair, int k) { return pair.section(',', k, k).toStdString(); };
    const std::string followed =
        FollowedDayCount(box(before, 0), box(before, 1), box(after, 0), box(after, 1), plus.toStdString());
    QTEST(QString::fromStdString(followed), "followed");
}

QTEST_APPLESS_MAIN(LedgerTest)
#include "tst_ledger.moc"
