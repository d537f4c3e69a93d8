// The line layouts: what the writers put out byte for byte, and how the
// readers' building blocks take lines, tags, CSV fields and move text apart.
#include "RecordsHost.h"
#include "core/FenText.h"
#include "records/KifuFormat.h"
#include "records/TextCodec.h"

#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

GameHeader Header(const std::string& result = "1-0")
{
    GameHeader header;
    const char* values[] = {"", "Kanto Open", "Tokyo", "26/12/8", "3", "Sato", "Suzuki"};
    for (int k = 1; k <= 6; ++k)
        header.Field[k] = values[k];
    header.Field[7] = result;
    return header;
}

}  // namespace

class TestFormats : public QObject {
    Q_OBJECT

private slots:
    void pgnLayout_data()
    {
        QTest::addColumn<QString>("fen");
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("textInfoS");
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<QString>("expected");
        const QString tags = "[Event \"Kanto Open\"]\n[Site \"Tokyo\"]\n[Date \"26/12/8\"]\n[Round \"3\"]\n"
                             "[White \"Sato\"]\n[Black \"Suzuki\"]\n";
        QTest::newRow("three full moves") << "" << "e4 e5 Nf3 Nc6 Bb5 a6" << "1-0" << "" << false
                                          << tags + "[Result \"1-0\"]\n\n1. e4  e5 2. Nf3  Nc6 3. Bb5  a6 1-0\n\n";
        QTest::newRow("odd last ply, long form") << "" << "e4 e5 Nf3" << "*" << "" << true
                                                 << tags + "[Result \"*\"]\n\n1. e2-e4  e7-e5 2. Ng1-f3 *\n\n";
        QTest::newRow("a result that is none of the four") << "" << "e4" << "0-0" << "" << false
                                                            << tags + "[Result \"0-0\"]\n\n1. e4 *\n\n";
        QTest::newRow("no moves, empty result") << "" << "" << "" << "" << false
                                                << tags + "[Result \"\"]\n\n*\n\n";
        QTest::newRow("further tags") << "" << "d4" << "*" << "[ECO \"A40\"]\n[Annotator \"me\"]\n" << false
                                      << tags + "[Result \"*\"]\n[ECO \"A40\"]\n[Annotator \"me\"]\n\n1. d4 *\n\n";
        QTest::newRow("six moves a line")
            << "" << "Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3" << "*" << "" << false
            << tags + "[Result \"*\"]\n\n1. Nf3  Nf6 2. Ng1  Ng8 3. Nf3  Nf6 4. Ng1  Ng8 5. Nf3  Nf6 6. Ng1  Ng8 \n"
                      "7. Nf3 *\n\n";
        QTest::newRow("twelve plies end the line with the result")
            << "" << "Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8" << "1/2-1/2" << "" << false
            << tags + "[Result \"1/2-1/2\"]\n\n1. Nf3  Nf6 2. Ng1  Ng8 3. Nf3  Nf6 4. Ng1  Ng8 5. Nf3  Nf6 6. Ng1  Ng8 "
                      "1/2-1/2\n\n";
        QTest::newRow("set-up start, Black first") << "4k3/8/8/8/8/8/8/4K2R b" << "Kd7 O-O" << "*" << "" << false
                                                   << tags + "[Result \"*\"]\n[FEN \"4k3/8/8/8/8/8/8/4K2R b - - 0 1\"]\n"
                                                             "\n1...  Kd7 2. o-o *\n\n";
        // A set-up position with White to move and no move yet is White's to move when read back.
        QTest::newRow("set-up start, White to move, no moves")
            << "4k3/8/8/8/8/8/8/4K2R w" << "" << "*" << "" << false
            << tags + "[Result \"*\"]\n[FEN \"4k3/8/8/8/8/8/8/4K2R w - - 0 1\"]\n\n*\n\n";
        QTest::newRow("set-up start, Black to move, no moves")
            << "4k3/8/8/8/8/8/8/4K2R b" << "" << "*" << "" << false
            << tags + "[Result \"*\"]\n[FEN \"4k3/8/8/8/8/8/8/4K2R b - - 0 1\"]\n\n1... *\n\n";
    }
    void pgnLayout()
    {
        QFETCH(QString, fen);
        QFETCH(QString, moves);
        QFETCH(QString, result);
        QFETCH(QString, textInfoS);
        QFETCH(bool, longForm);
        QFETCH(QString, expected);
        HeadlessWindow window;
        if (!fen.isEmpty())
            QVERIFY(ReadFenBoard(window, S(fen), nullptr));
        PlayTokens(window, S(moves));
        GameHeader header = Header(S(result));
        header.TextInfoS = S(textInfoS);
        QCOMPARE(QString::fromStdString(Joined(WritePgnGame(window.Game(), header, longForm))), expected);
    }

    void tagValuesEscapedBothWays()
    {
        const std::string line = TagLine("Event", "The \"Big\" C:\\Games");
        QCOMPARE(QString::fromStdString(line), QString("[Event \"The \\\"Big\\\" C:\\\\Games\"]"));
        std::string name, value;
        QVERIFY(ReadTagLine("  " + line, name, value));
        QCOMPARE(name, std::string("Event"));
        QCOMPARE(value, std::string("The \"Big\" C:\\Games"));
        QVERIFY(ReadTagLine("[Site \"unterminated", name, value));
        QCOMPARE(value, std::string("unterminated"));
        QVERIFY(ReadTagLine("[Round]", name, value));
        QCOMPARE(name, std::string("Round"));
        QVERIFY(value.empty());
        QVERIFY(!ReadTagLine("1. e4 [%clk 0:01]", name, value));
    }

    void csvLayout()
    {
        HeadlessWindow window;
        PlayTokens(window, "e4 e5 Nf3");
        GameState& game = window.Game();
        for (int k = 1; k <= 6; ++k)
            for (int ply = 1; ply <= 3; ++ply)
                game.KifuNote[k][ply] = k == 5 && ply == 2 ? "late, again" : std::to_string(10 * ply + k);
        GameHeader header = Header("*");
        header.Field[1] = "Cup \"A\", final";
        const std::string expected = "Event,\"Cup \"\"A\"\", final\"\nSite,Tokyo\nDate,26/12/8\nRound,3\nWhite,Sato\n"
                                     "Black,Suzuki\nResult,*\n\n"
                                     "1,5254,5755,e4,e5,11,12,13,14,15,16,21,22,23,24,\"late, again\",26,\n"
                                     "2,7163,,Nf3,,31,32,33,34,35,36,\n\n";
        QCOMPARE(QString::fromStdString(Joined(WriteCsvGame(game, header, false))), QString::fromStdString(expected));
        const std::vector<std::string> fields = SplitCsvLine("1,5254,5755,e4,e5,\"late, again\",\"say \"\"hi\"\"\",");
        QCOMPARE(fields.size(), std::size_t(8));
        QCOMPARE(fields[5], std::string("late, again"));
        QCOMPARE(fields[6], std::string("say \"hi\""));
        QCOMPARE(fields[7], std::string());
    }

    void fenFileLineShowsTheBoardOnScreen()
    {
        HeadlessWindow window;
        PlayTokens(window, "e4 e5 Nf3");
        window.Game().CurPly = 1;
        QCOMPARE(QString::fromStdString(FenFileLine(window.Game())),
                 QString("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b - - 0 1"));
    }

    void moveTextNormalised_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("expected");
        QTest::newRow("this program's two blanks") << QStringList{"1. e4  e5 2. Nf3  Nc6 *"} << "1. e4 e5 2. Nf3 Nc6 *";
        QTest::newRow("no blank after the number") << QStringList{"1.e4 e5 2.Nf3"} << "1. e4 e5 2. Nf3";
        QTest::newRow("Black's number after White's move")
            << QStringList{"12. d4 {c} 12...Nf6 13. Nf3 (13. c4) 13. ... Bg4"} << "12. d4 Nf6 13. Nf3 Bg4";
        QTest::newRow("a game that starts with Black") << QStringList{"1...  Kd7 2. O-O"} << "1... Kd7 2. O-O";
        QTest::newRow("... after the number") << QStringList{"1. ... Kd7 2.O-O"} << "1... Kd7 2. O-O";
        QTest::newRow(".. alone") << QStringList{"1. .. Kd7"} << "1... Kd7";
        QTest::newRow("lines joined, tabs") << QStringList{"1. e4\te5", "  2. Nf3"} << "1. e4 e5 2. Nf3";
        QTest::newRow("semicolon comment") << QStringList{"1. e4 ; best by test {not a brace", "e5"} << "1. e4 e5";
        QTest::newRow("brace over lines holds ;") << QStringList{"1. e4 {a; b", "c} e5"} << "1. e4 e5";
        QTest::newRow("escape line") << QStringList{"% private", "1. d4"} << "1. d4";
        QTest::newRow("comment before the moves") << QStringList{"{see 1.e4} 1. d4"} << "1. d4";
        QTest::newRow("nested variations over lines")
            << QStringList{"1. e4 (1. d4 d5 (1... Nf6", "2. c4)) e5{x}2.Nf3"} << "1. e4 e5 2. Nf3";
        QTest::newRow("glyphs and marks") << QStringList{"1. e4! $1 e5?! $14 2. Nf3!!"} << "1. e4 e5 2. Nf3";
    }
    void moveTextNormalised()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, expected);
        std::string text;
        MoveTextState state;
        for (const QString& line : lines)
            AppendMoveText(text, S(line), state);
        QCOMPARE(QString::fromStdString(text), expected);
    }

    void searchKey()
    {
        HeadlessWindow window;
        QCOMPARE(QString::fromStdString(SearchKey(window.Game(), false)), QString("1."));
        PlayTokens(window, "e4 e5 Nf3");
        QCOMPARE(QString::fromStdString(SearchKey(window.Game(), false)), QString("1. e4 e5 2. Nf3 "));
        QCOMPARE(QString::fromStdString(SearchKey(window.Game(), true)), QString("1. e2-e4 e7-e5 2. Ng1-f3 "));
        window.Game().CurPly = 2;
        QCOMPARE(QString::fromStdString(SearchKey(window.Game(), false)), QString("1. e4 e5 "));
        HeadlessWindow black;
        QVERIFY(ReadFenBoard(black, "4k3/8/8/8/8/8/8/4K3 b", nullptr));
        PlayTokens(black, "Kd7");
        QCOMPARE(QString::fromStdString(SearchKey(black.Game(), false)), QString("1... Kd7 "));
    }

    void linesEndAtCrLfCrOrLf()
    {
        const std::vector<std::string_view> lines = SplitLines("a\r\nb\rc\nd\r\n\r\ne");
        const std::vector<std::string_view> expected = {"a", "b", "c", "d", "", "e"};
        QCOMPARE(lines.size(), expected.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i], expected[i]);
        QVERIFY(SplitLines("").empty());
        QCOMPARE(SplitLines("x\r\n").size(), std::size_t(1));
    }

    void encodingGuessedAndConverted()
    {
        const std::string cp932Event = "\x8a\xd6\x93\x8c";  // 関東 in CP932
        const std::string utf8Event = "関東";
        QCOMPARE(GuessEncoding("[Event \"" + cp932Event + "\"]").encoding, TextEncoding::Cp932);
        QCOMPARE(GuessEncoding("[Event \"" + utf8Event + "\"]").encoding, TextEncoding::Utf8);
        QCOMPARE(GuessEncoding("\xef\xbb\xbfplain").encoding, TextEncoding::Utf8);
        QVERIFY(GuessEncoding("plain").asciiOnly);
        QVERIFY(GuessEncoding(std::string("a\0b", 3)).binary);
        QCOMPARE(DecodeText(cp932Event, TextEncoding::Cp932), utf8Event);
        std::string out;
        QVERIFY(EncodeText(utf8Event, TextEncoding::Cp932, out));
        QCOMPARE(out, cp932Event);
        QVERIFY(!EncodeText("Kim 김", TextEncoding::Cp932, out));
        QVERIFY(EncodeText("Kim 김", TextEncoding::Utf8, out));
        int bad = 0;
        QCOMPARE(DecodeText("a\xff" "b", TextEncoding::Utf8, &bad), std::string("a\xef\xbf\xbd" "b"));
        QCOMPARE(bad, 1);
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
