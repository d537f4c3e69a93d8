// The position search: which games of a file reach the board's position by the
// same moves, and which moves followed there.
#include "RecordsHost.h"

#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

namespace {

std::string Game(const std::string& event, const std::string& moves)
{
    return "[Event \"" + event + "\"]\r\n\r\n" + moves + "\r\n\r\n";
}

QStringList Events(const KifuFile& file)
{
    QStringList events;
    for (int g = 1; g <= file.KifuCount; ++g)
        events << QString::fromStdString(file.KifuList[g][1]);
    return events;
}

}  // namespace

class TestSearch : public QObject {
    Q_OBJECT

private slots:
    void tallyOfTheNextMove_data()
    {
        QTest::addColumn<QString>("played");
        QTest::addColumn<QStringList>("matches");
        QTest::addColumn<QString>("textJo");
        QTest::newRow("start position") << "" << QStringList{"A", "B", "C", "D", "E", "F"}
                                        << "1.e4(4)  2.E4(1)  3.d4(1)  ";
        QTest::newRow("one ply: Black's replies") << "e4" << QStringList{"A", "B", "C", "D", "E"}
                                                  << "1.e5(4)  2.c5(1)  ";
        QTest::newRow("two plies: White's second moves") << "e4 e5" << QStringList{"A", "B", "C", "D"}
                                                         << "1.Nf3(4)  ";
        QTest::newRow("three plies") << "e4 e5 Nf3" << QStringList{"A", "B", "C", "D"} << "1.Nc6(2)  2.d6(1)  ";
        QTest::newRow("no such position") << "h4" << QStringList{} << "";
    }
    void tallyOfTheNextMove()
    {
        QFETCH(QString, played);
        QFETCH(QStringList, matches);
        QFETCH(QString, textJo);
        // This program's two blanks, other programs' one, CSV moves without a
        // blank after the number, a comment in front, and the same move in capitals.
        const std::string pgn = Game("A", "1. e4  e5 2. Nf3  Nc6 *") + Game("B", "1. e4 e5 2. Nf3 Nc6 3. Bb5 *") +
                                Game("C", "1.e4 {Black's number repeated} 1...e5 2.Nf3 d6 *") + Game("D", "1. E4 e5 2. Nf3 *") +
                                Game("E", "1. e4 c5 *") + Game("F", "1. d4 d5 *");
        KifuFile file;
        ScanKifuText(file, kKindPgn, pgn);
        TestBoard window;
        PlayTokens(window, S(played));
        const SearchResult result = SearchContinuations(file, window.Game(), false);
        QCOMPARE(result.matches, int(matches.size()));
        QCOMPARE(int(result.games.size()), result.matches);
        for (int m = 0; m < result.matches; ++m)
            QCOMPARE(result.games[m], int(matches[m][0].unicode() - 'A' + 1));  // events A.. are games 1..
        QCOMPARE(QString::fromStdString(result.TextJo), textJo);
        if (!matches.isEmpty())
            QCOMPARE(Events(file), matches);
        else
            QCOMPARE(file.KifuCount, 6);  // nothing found: the list stays
    }

    void csvGamesMatchLongKeys()
    {
        const std::string csv = "Event,P\r\nSite,\r\nDate,\r\nRound,\r\nWhite,\r\nBlack,\r\nResult,*\r\n\r\n"
                                "1,5254,5755,e4,e5,\r\n2,7163,2836,Nf3,Nc6,\r\n3,6125,,Bb5,,\r\n\r\n";
        KifuFile file;
        ScanKifuText(file, kKindCsv, csv);
        TestBoard window;
        PlayTokens(window, "e4 e5 Nf3 Nc6");
        const SearchResult result = SearchContinuations(file, window.Game(), false);
        QCOMPARE(result.matches, 1);
        QCOMPARE(QString::fromStdString(result.TextJo), QString("1.Bb5(1)  "));
    }

    void movesMustBeginNearTheStart()
    {
        // The key "1. e4 " may begin up to eight characters past its own length
        // (words before the moves stay in the move text; comments do not).
        KifuFile file;
        ScanKifuText(file, kKindPgn, Game("near", "Postal-Cup-26 1. e4 e5 *") + Game("far", "Postal-Cup-26: 1. e4 e5 *"));
        TestBoard window;
        PlayTokens(window, "e4");
        const SearchResult result = SearchContinuations(file, window.Game(), false);
        QCOMPARE(result.matches, 1);
        QCOMPARE(result.games, std::vector<int>{1});
        QCOMPARE(Events(file), QStringList{"near"});
    }

    void equalCountsKeepTheExchangeOrder()
    {
        std::string pgn;
        for (const char* move : {"a3", "b3", "b3", "a3", "c3", "a3", "c3", "a3", "a3"})
            pgn += Game(move, std::string("1. ") + move + " *");
        KifuFile file;
        ScanKifuText(file, kKindPgn, pgn);
        TestBoard window;
        const SearchResult result = SearchContinuations(file, window.Game(), false);
        QCOMPARE(QString::fromStdString(result.TextJo), QString("1.a3(5)  2.b3(2)  3.c3(2)  "));
    }

    void atMostAHundredContinuations()
    {
        // 120 different first moves by their long text (a king walk is not needed:
        // the tally reads text, not boards).
        std::string pgn;
        for (int k = 0; k < 120; ++k)
            pgn += Game("g", "1. m" + std::to_string(k) + " *");
        pgn += Game("g", "1. m0 *");
        KifuFile file;
        ScanKifuText(file, kKindPgn, pgn);
        TestBoard window;
        const SearchResult result = SearchContinuations(file, window.Game(), false);
        QCOMPARE(result.matches, 121);
        QCOMPARE(result.tally.size(), std::size_t(100));
        QCOMPARE(result.tally.front(), std::make_pair(std::string("m0"), 2));
        QVERIFY(QString::fromStdString(result.TextJo).endsWith("100.m99(1)  "));
    }

    void searchingAgainSearchesTheList()
    {
        RecordsHost host;
        KifuFile file;
        ScanKifuText(file, kKindPgn, Game("A", "1. e4 e5 *") + Game("B", "1. d4 d5 *") + Game("C", "1. e4 c5 *"));
        PlayTokens(host.window, "e4");
        QCOMPARE(SearchContinuations(host, file).matches, 2);
        host.window.MnuFileNew_Click();
        PlayTokens(host.window, "d4");
        QCOMPARE(SearchContinuations(host, file).matches, 0);
        QCOMPARE(host.LastMessage(), std::string("局面は存在しませんでした"));
        QCOMPARE(host.shown.back().title, std::string("検索"));
        QCOMPARE(Events(file), (QStringList{"A", "C"}));
        QCOMPARE(host.busy, 0);
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
