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
        // The date box's "26/12/8" is written in PGN's own form.
        const QString tags = "[Event \"Kanto Open\"]\n[Site \"Tokyo\"]\n[Date \"2026.12.08\"]\n[Round \"3\"]\n"
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
                                                   << tags + "[Result \"*\"]\n[FEN \"4k3/8/8/8/8/8/8/4K2R b K - 0 1\"]\n"
                                                             "\n1...  Kd7 2. O-O *\n\n";
        // A set-up position with White to move and no move yet is White's to move when read back.
        QTest::newRow("set-up start, White to move, no moves")
            << "4k3/8/8/8/8/8/8/4K2R w" << "" << "*" << "" << false
            << tags + "[Result \"*\"]\n[FEN \"4k3/8/8/8/8/8/8/4K2R w K - 0 1\"]\n\n*\n\n";
        QTest::newRow("set-up start, Black to move, no moves")
            << "4k3/8/8/8/8/8/8/4K2R b" << "" << "*" << "" << false
            << tags + "[Result \"*\"]\n[FEN \"4k3/8/8/8/8/8/8/4K2R b K - 0 1\"]\n\n1... *\n\n";
        // The FEN tag describes the start: every king and rook at home may castle.
        QTest::newRow("set-up start, all at home") << "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w" << "" << "*" << ""
                                                   << false
                                                   << tags + "[Result \"*\"]\n"
                                                             "[FEN \"r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1\"]"
                                                             "\n\n*\n\n";
        QTest::newRow("castling with check, long form")
            << "5k2/8/8/8/8/8/8/4K2R w" << "O-O" << "*" << "" << true
            << tags + "[Result \"*\"]\n[FEN \"5k2/8/8/8/8/8/8/4K2R w K - 0 1\"]\n\n1. O-O+ *\n\n";
        QTest::newRow("long castling with mate")
            << "2rkr3/2p1p3/8/8/8/8/8/R3K3 w" << "O-O-O#" << "1-0" << "" << false
            << tags + "[Result \"1-0\"]\n[FEN \"2rkr3/2p1p3/8/8/8/8/8/R3K3 w Q - 0 1\"]\n\n1. O-O-O# 1-0\n\n";
        QTest::newRow("both castle, long form") << "" << "e4 e5 Nf3 Nc6 Bc4 Bc5 O-O d6 d3 Bg4 Nc3 Qd7 Be3 O-O-O"
                                                << "*" << "" << true
                                                << tags + "[Result \"*\"]\n\n1. e2-e4  e7-e5 2. Ng1-f3  Nb8-c6 "
                                                          "3. Bf1-c4  Bf8-c5 4. O-O  d7-d6 5. d2-d3  Bc8-g4 "
                                                          "6. Nb1-c3  Qd8-d7 \n7. Bc1-e3  O-O-O *\n\n";
    }
    void pgnLayout()
    {
        QFETCH(QString, fen);
        QFETCH(QString, moves);
        QFETCH(QString, result);
        QFETCH(QString, textInfoS);
        QFETCH(bool, longForm);
        QFETCH(QString, expected);
        TestBoard window;
        if (!fen.isEmpty())
            QVERIFY(ReadFenInto(window, S(fen), nullptr));
        PlayTokens(window, S(moves));
        GameHeader header = Header(S(result));
        header.TextInfoS = S(textInfoS);
        QCOMPARE(QString::fromStdString(Joined(WritePgnGame(window.Game(), header, longForm))), expected);
    }

    // An annotated game read and written again: written in PGN's own syntax,
    // and that text reads back to the same text.
    void annotatedRoundTrip_data()
    {
        QTest::addColumn<QString>("start");  // FEN tag line, or empty
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QString>("written");
        QTest::newRow("comment before the first move, mark, nested variations, ; comment")
            << "" << "{Start} 1. e4 $1 e5 {main} (1... c5!? {Sicilian} 2. Nf3 (2. c3 d5) d6) 2. Nf3 ; to the end\nNc6 *"
            << "{Start} 1. e4 $1 e5 {main} (1... c5 $5 {Sicilian} 2. Nf3 (2. c3 d5) 2... d6) 2. Nf3 {to the end} "
               "2... Nc6 *";
        QTest::newRow("the six marks") << "" << "1. e4! e5? 2. Nf3!! Nc6?? 3. Bb5!? a6?! *"
                                       << "1. e4 $1 e5 $2 2. Nf3 $3 Nc6 $4 3. Bb5 $5 a6 $6 *";
        QTest::newRow("variations inside variations") << "" << "1. e4 e5 (1... c5 2. Nf3 (2. c3 e6 (2... d5))) 2. Nf3 *"
                                                      << "1. e4 e5 (1... c5 2. Nf3 (2. c3 e6 (2... d5))) 2. Nf3 *";
        QTest::newRow("a comment before a variation's first move")
            << "" << "1. e4 (1. d4) ({Or} 1. c4 {English}) e5 *" << "1. e4 (1. d4) ({Or} 1. c4 {English}) 1... e5 *";
        QTest::newRow("comments in a row become one") << "" << "1. e4 {a} {b} e5 *" << "1. e4 {a b} 1... e5 *";
        QTest::newRow("a set-up start with Black to move")
            << "[FEN \"4k3/8/8/8/8/8/8/4K2R b K - 0 1\"]" << "1... Kd7 (1... Ke7 {too} 2. O-O) 2. O-O *"
            << "1... Kd7 (1... Ke7 {too} 2. O-O) 2. O-O *";
        // A variation whose first move the record has already merges into
        // it: the comments written before that move join, each mark stays once.
        QTest::newRow("a variation repeating the main line's move")
            << "" << "{Before the first move} 1. e4 $1 ({OrBefore the first move} 1. e4 $1 $1) *"
            << "{Before the first move OrBefore the first move} 1. e4 $1 *";
        QTest::newRow("a variation repeating another variation's move")
            << "" << "1. e4 ({x} 1. d4 {a}) ({y} 1. d4 $2 {b}) *" << "1. e4 ({x y} 1. d4 $2 {a b}) *";
        QTest::newRow("a comment holding a closing brace")
            << "" << "1. e4 ; see } here\ne5 (1... c5 {c} ; or } this\n) *"
            << "1. e4 ; see } here\n1... e5 (1... c5 ; c or } this\n) *";
        QTest::newRow("a line break before every sixth White move of the main line")
            << "" << "1. Nf3 {a} Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 5. Nf3 Nf6 6. Ng1 Ng8 7. Nf3 (7. Nc3) 7... Nf6 *"
            << "1. Nf3 {a} 1... Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 5. Nf3 Nf6 6. Ng1 Ng8\n7. Nf3 (7. Nc3) 7... Nf6 *";
    }
    void annotatedRoundTrip()
    {
        QFETCH(QString, start);
        QFETCH(QString, moves);
        QFETCH(QString, written);
        std::string text = "[Event \"E\"]\n" + S(start) + "\n\n" + S(moves) + "\n";
        for (int pass = 0; pass < 2; ++pass) {
            KifuFile file;
            ScanKifuText(file, kKindPgn, text);
            TestBoard window;
            const LoadReport report = LoadInto(window, file, kKindPgn, 1);
            QCOMPARE(QString::fromStdString(report.Message()), QString());
            QCOMPARE(window.Game().CurPly, window.Game().LastPly);
            const std::vector<std::string> lines = WritePgnGame(window.Game(), window.Header(), false);
            std::string moveText;
            for (std::size_t k = 7 + !start.isEmpty(); k + 1 < lines.size(); ++k)
                moveText += (moveText.empty() ? "" : "\n") + lines[k];
            QCOMPARE(QString::fromStdString(moveText), written);
            text = Joined(lines);
        }
    }

    // With a variation on the board: CSV keeps the main line, FEN the
    // position shown, and both say that annotations would be lost.
    void annotatedGameIntoCsvAndFen()
    {
        KifuFile file;
        ScanKifuText(file, kKindPgn, "[Event \"E\"]\n\n1. e4 e5 (1... c5 2. Nf3 {Open Sicilian}) 2. Nf3 *\n");
        TestBoard window;
        LoadInto(window, file, kKindPgn, 1);
        const GameState& game = window.Game();
        window.session.ShowNode(Children(game, NodeAt(game, 1))[1]);
        QCOMPARE(QString::fromStdString(game.KifuShort[2]), QString("c5"));
        const std::vector<std::string> csv = WriteCsvGame(game, window.Header(), false);
        QCOMPARE(QString::fromStdString(csv[8]), QString("1,5254,5755,e4,e5,,,,,,,,,,,,,"));
        QCOMPARE(QString::fromStdString(csv[9]).left(12), QString("2,7163,,Nf3,"));
        QCOMPARE(QString::fromStdString(FenFileLine(game)),
                 QString("rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2"));
        QVERIFY(SaveLosesAnnotations(game, kKindCsv));
        QVERIFY(SaveLosesAnnotations(game, kKindFen));
        QVERIFY(!SaveLosesAnnotations(game, kKindPgn));
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

    // The further-tags box: each line a tag pair, written anew with the
    // escapes; anything else is refused (the first such line named).
    void furtherTagsBox_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("refused");
        QTest::newRow("tag pairs, blank lines left out") << "[ECO \"A40\"]\n\n  [Annotator  \"me\" ] \r\n"
                                                         << "[ECO \"A40\"]\n[Annotator \"me\"]" << "";
        QTest::newRow("escapes kept") << "[Note \"say \\\"hi\\\" C:\\\\x\"]" << "[Note \"say \\\"hi\\\" C:\\\\x\"]"
                                      << "";
        QTest::newRow("a tab becomes a blank") << "[Note \"a\tb\"]" << "[Note \"a b\"]" << "";
        QTest::newRow("no tag pair") << "[ECO \"A40\"]\nhello \"world\" ]\n[X \"y\"]" << "[ECO \"A40\"]\n[X \"y\"]"
                                     << "hello \"world\" ]";
        QTest::newRow("a quote not escaped") << "[Note \"say \"hi\"\"]" << "" << "[Note \"say \"hi\"\"]";
        QTest::newRow("a name with a blank") << "[Time Control \"40/2\"]" << "" << "[Time Control \"40/2\"]";
        QTest::newRow("a tag of the header's own boxes") << "[Date \"2026.12.09\"]" << "" << "[Date \"2026.12.09\"]";
        QTest::newRow("a start position") << "[FEN \"8/8/8/8/8/8/8/K6k w - - 0 1\"]" << ""
                                          << "[FEN \"8/8/8/8/8/8/8/K6k w - - 0 1\"]";
    }
    void furtherTagsBox()
    {
        QFETCH(QString, box);
        QFETCH(QString, written);
        QFETCH(QString, refused);
        std::string refusedLine;
        const std::vector<std::string> lines = FurtherTagLines(S(box), &refusedLine);
        std::string text;
        for (const std::string& line : lines)
            text += (text.empty() ? "" : "\n") + line;
        QCOMPARE(QString::fromStdString(text), written);
        QCOMPARE(QString::fromStdString(refusedLine), refused);
        // What is written reads back as the same values.
        std::string name, value;
        for (const std::string& line : lines) {
            QVERIFY(ReadTagPair(line, name, value));
            QCOMPARE(TagLine(name, value), line);
        }
    }

    // The date box against PGN's Date tag: a date is written "yyyy.mm.dd"
    // and read into the box's form; other text stands as it is both ways.
    void datesBothWays_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("reread");
        QTest::newRow("the box's own form") << "26/12/9" << "2026.12.09" << "26/12/9";
        QTest::newRow("four-digit year") << "2026/1/5" << "2026.01.05" << "26/1/5";
        QTest::newRow("ISO form") << "2026-12-09" << "2026.12.09" << "26/12/9";
        QTest::newRow("before 1970 keeps its century") << "1969/7/20" << "1969.07.20" << "1969/7/20";
        QTest::newRow("two digits from 70 are 19xx") << "85/3/9" << "1985.03.09" << "85/3/9";
        QTest::newRow("unknown date") << "????.??.??" << "????.??.??" << "????.??.??";
        QTest::newRow("no such day") << "2027/2/29" << "2027/2/29" << "2027/2/29";
        QTest::newRow("words") << "冬の大会" << "冬の大会" << "冬の大会";
    }
    void datesBothWays()
    {
        QFETCH(QString, box);
        QFETCH(QString, tag);
        QFETCH(QString, reread);
        TestBoard window;
        GameHeader header = Header();
        header.Field[3] = S(box);
        const std::vector<std::string> lines = WritePgnGame(window.Game(), header, false);
        QCOMPARE(QString::fromStdString(lines[2]), "[Date \"" + tag + "\"]");
        KifuFile file;
        ScanKifuText(file, kKindPgn, Joined(lines));
        QCOMPARE(QString::fromStdString(file.KifuList[1][3]), reread);
    }

    void csvLayout()
    {
        TestBoard window;
        PlayTokens(window, "e4 e5 Nf3");
        const GameState& game = window.Game();
        for (int k = 1; k <= 6; ++k)
            for (int ply = 1; ply <= 3; ++ply)
                window.session.SetNote(k, ply, k == 5 && ply == 2 ? "late, again" : std::to_string(10 * ply + k));
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

    void castlingKeepsItsOwnTextOutsidePgn()
    {
        TestBoard window;
        PlayTokens(window, "e4 e5 Nf3 Nc6 Bc4 Bc5 O-O");
        const GameState& game = window.Game();
        QCOMPARE(QString::fromStdString(game.KifuShort[7]), QString("o-o"));
        const std::vector<std::string> csv = WriteCsvGame(game, Header("*"), false);
        QCOMPARE(QString::fromStdString(csv[csv.size() - 2]), QString("4,5171,,o-o,,,,,,,,"));
        const std::vector<std::string> pgn = WritePgnGame(game, Header("*"), false);
        QVERIFY(pgn[pgn.size() - 2].find("4. O-O *") != std::string::npos);
    }

    void fenFileLineShowsTheBoardOnScreen()
    {
        TestBoard window;
        PlayTokens(window, "e4 e5 Nf3");
        window.session.GoToPly(1);
        QCOMPARE(QString::fromStdString(FenFileLine(window.Game())),
                 QString("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"));
    }

    void fenTextFollowsTheRecord_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QString>("expected");
        QTest::newRow("double step") << "" << "e4" << "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";
        QTest::newRow("Black's double step, no pawn to take")
            << "" << "e4 e5" << "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2";
        QTest::newRow("two single steps") << "" << "e3 e6 e4"
                                          << "rnbqkbnr/pppp1ppp/4p3/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2";
        QTest::newRow("clock since the last pawn move")
            << "" << "e4 e5 Nf3 Nc6 Bc4 Bc5" << "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4";
        QTest::newRow("White castled")
            << "" << "e4 e5 Nf3 Nc6 Bc4 Bc5 O-O" << "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b kq - 5 4";
        QTest::newRow("both castled long")
            << "" << "d4 d5 Nc3 Nc6 Bf4 Bf5 Qd2 Qd7 O-O-O O-O-O"
            << "2kr1bnr/pppqpppp/2n5/3p1b2/3P1B2/2N5/PPPQPPPP/2KR1BNR w - - 8 6";
        QTest::newRow("rooks moved and came back") << "" << "Nf3 Nf6 Rg1 Rg8 Rh1 Rh8"
                                                   << "rnbqkb1r/pppppppp/5n2/8/8/5N2/PPPPPPPP/RNBQKB1R w Qq - 6 4";
        QTest::newRow("kings moved and came back") << "" << "e4 e5 Ke2 Ke7 Ke1 Ke8"
                                                   << "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w - - 4 4";
        QTest::newRow("rook taken on its corner") << "" << "b3 g6 Bb2 Nf6 Bxf6 e6 Bxh8"
                                                  << "rnbqkb1B/pppp1p1p/4p1p1/8/8/1P6/P1PPPPPP/RN1QKBNR b KQq - 0 4";
        QTest::newRow("capture in passing") << "" << "e4 Nf6 e5 d5 exd6"
                                            << "rnbqkb1r/ppp1pppp/3P1n2/8/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3";
        QTest::newRow("set-up position, all at home") << "r3k2r/8/8/8/8/8/8/R3K2R w" << ""
                                                      << "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
        QTest::newRow("set-up position, rooks off their corners")
            << "r3k1r1/8/8/8/8/8/8/1R2K2R b" << "" << "r3k1r1/8/8/8/8/8/8/1R2K2R b Kq - 0 1";
        QTest::newRow("set-up position, Black first") << "4k3/8/8/8/8/8/8/4K2R b" << "Kd7 O-O"
                                                      << "8/3k4/8/8/8/8/8/5RK1 b - - 2 2";
        QTest::newRow("set-up position, Black's double step")
            << "4k3/4p3/8/8/8/8/8/4K3 b" << "e5" << "4k3/8/8/4p3/8/8/8/4K3 w - e6 0 2";
    }
    void fenTextFollowsTheRecord()
    {
        QFETCH(QString, start);
        QFETCH(QString, moves);
        QFETCH(QString, expected);
        TestBoard window;
        if (!start.isEmpty())
            QVERIFY(ReadFenInto(window, S(start), nullptr));
        PlayTokens(window, S(moves));
        const GameState& game = window.Game();
        QCOMPARE(game.LastPly - (StartsWithBlack(game) ? 1 : 0), int(moves.split(' ', Qt::SkipEmptyParts).size()));
        QCOMPARE(QString::fromStdString(FenFileLine(game)), expected);
        // What is written is read back to the same position and side.
        TestBoard reread;
        QVERIFY(ReadFenInto(reread, FenFileLine(game), nullptr));
        QCOMPARE(reread.Game().KifuBoard[reread.Game().CurPly], game.KifuBoard[game.CurPly]);
        QCOMPARE(reread.Game().CurPly % 2, game.CurPly % 2);
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
        TestBoard window;
        QCOMPARE(QString::fromStdString(SearchKey(window.Game(), false)), QString("1."));
        PlayTokens(window, "e4 e5 Nf3");
        QCOMPARE(QString::fromStdString(SearchKey(window.Game(), false)), QString("1. e4 e5 2. Nf3 "));
        QCOMPARE(QString::fromStdString(SearchKey(window.Game(), true)), QString("1. e2-e4 e7-e5 2. Ng1-f3 "));
        window.session.GoToPly(2);
        QCOMPARE(QString::fromStdString(SearchKey(window.Game(), false)), QString("1. e4 e5 "));
        TestBoard black;
        QVERIFY(ReadFenInto(black, "4k3/8/8/8/8/8/8/4K3 b", nullptr));
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
