// Game files on disk: scanning, loading, saving (new file, append, insert,
// overwrite), deleting with the backup, encodings, and files that are broken.
#include "RecordsHost.h"
#include "records/KifuFormat.h"
#include "records/KifuStore.h"

#include <QtTest>

#include <algorithm>
#include <csignal>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlik;
using namespace vorlik::test;

namespace {

const QByteArray kTwoGames =
    "\r\n[Event \"One\"]\r\n[Site \"A\"]\r\n[Date \"26/1/1\"]\r\n[Round \"1\"]\r\n[White \"W1\"]\r\n[Black \"B1\"]\r\n"
    "[Result \"1-0\"]\r\n\r\n1. e4  e5 2. Nf3 1-0\r\n\r\n"
    "\r\n[Event \"Two\"]\r\n[Site \"B\"]\r\n[Date \"26/1/2\"]\r\n[Round \"2\"]\r\n[White \"W2\"]\r\n[Black \"B2\"]\r\n"
    "[Result \"0-1\"]\r\n\r\n1. d4  d5 0-1\r\n\r\n";

int Mode(const QString& path)
{
    struct stat status {};
    return ::stat(qPrintable(path), &status) == 0 ? int(status.st_mode & 0777) : -1;
}

// While it lives, files may grow to `bytes` only, as on a full disk: a write
// past it fails (EFBIG) instead of ending the program.
struct DiskRoom {
    rlimit before {};
    explicit DiskRoom(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &before);
        const rlimit small{bytes, before.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~DiskRoom() { ::setrlimit(RLIMIT_FSIZE, &before); }
};

std::string Moves(const GameState& game)
{
    std::string text;
    for (int ply = 1; ply <= game.LastPly; ++ply)
        if (!game.KifuShort[ply].empty())
            text += (text.empty() ? "" : " ") + game.KifuShort[ply];
    return text;
}

}  // namespace

class TestFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }

    // Scans a file written from bytes and loads game n.
    std::string LoadFrom(RecordsHost& host, const QByteArray& bytes, int n = 1, KifuKind kind = kKindPgn,
                         LoadReport* report = nullptr)
    {
        const QString path = Path(kind == kKindCsv ? "load.csv" : "load.pgn");
        WriteAll(path, bytes);
        KifuFile file;
        if (!ScanKifuFile(file, kind, S(path)).ok || n > file.KifuCount)
            return "<no game>";
        const LoadReport loaded = LoadInto(host.window, file, kind, n);
        if (report)
            *report = loaded;
        return Moves(host.window.Game());
    }

private slots:
    void foreignPgnReadByItsSyntax_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("games");
        QTest::addColumn<int>("game");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("moves");
        QTest::newRow("this program's layout") << kTwoGames << 2 << 2 << "Two" << "0-1" << "d4 d5";
        QTest::newRow("tags in another order, LF ends")
            << QByteArray("[Event \"Rapid\"]\n[Site \"?\"]\n[UTCDate \"2026.01.01\"]\n[White \"X\"]\n[Black \"Y\"]\n"
                          "[ECO \"C20\"]\n[Opening \"King's pawn\"]\n[Result \"1/2-1/2\"]\n[Date \"2026.01.01\"]\n\n"
                          "1. e4 e5 2. Nf3 1/2-1/2\n")
            << 1 << 1 << "Rapid" << "1/2-1/2" << "e4 e5 Nf3";
        QTest::newRow("Termination before Event, no Event in game 2")
            << QByteArray("[Termination \"normal\"]\n[Event \"E1\"]\n[Result \"1-0\"]\n\n1. e4 1-0\n\n"
                          "[White \"Z\"]\n[Result \"0-1\"]\n\n1. d4 0-1\n")
            << 2 << 2 << "" << "0-1" << "d4";
        QTest::newRow("comments, variations, glyphs, marks, CR only")
            << QByteArray("[Event \"C\"]\r\r1. e4 {best\rby test} e5 (1... c5 2. Nf3 (2. c3) d6) 2. Nf3!? $1 Nc6?! "
                          "; a rest-of-line comment with Event \"x\"\r3. Bb5 a6!! 4. O-O 4... Nf6 *\r")
            << 1 << 1 << "C" << "*" << "e4 e5 Nf3 Nc6 Bb5 a6 o-o Nf6";
        QTest::newRow("Black move numbers and escape lines")
            << QByteArray("% exported\n[Event \"N\"]\n\n1.e4 1...e5 2. Nf3 2. ... Nc6 3.Bb5 *\n")
            << 1 << 1 << "N" << "*" << "e4 e5 Nf3 Nc6 Bb5";
        QTest::newRow("text before the first tag belongs to no game")
            << QByteArray("Games of 2026\n1. e4 e5\n[Event \"Only\"]\n\n1. c4 *\n") << 1 << 1 << "Only" << "*" << "c4";
        QTest::newRow("EventDate and Event in a comment start nothing")
            << QByteArray("[Event \"Real\"]\n[EventDate \"2026\"]\n\n1. e4 {Event \"no\"} e5 *\n") << 1 << 1 << "Real"
            << "*" << "e4 e5";
        QTest::newRow("a game without moves before the next")
            << QByteArray("[Event \"Empty\"]\n[FEN \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\"]\n[SetUp \"1\"]\n\n*\n\n"
                          "[Event \"Next\"]\n\n1. e4 *\n")
            << 2 << 2 << "Next" << "*" << "e4";
        QTest::newRow("an unclosed variation ends with its game")
            << QByteArray("[Event \"V\"]\n\n1. e4 (1. d4 d5 e5 *\n\n[Event \"W\"]\n\n1. c4 e5 *\n") << 2 << 2 << "W"
            << "*" << "c4 e5";
        QTest::newRow("an unclosed comment ends at the next tag")
            << QByteArray("[Event \"V\"]\n\n1. e4 {forgot to close e5 *\n\n[Event \"W\"]\n\n1. c4 e5 *\n") << 2 << 2
            << "W" << "*" << "c4 e5";
        QTest::newRow("mate ends the game") << QByteArray("[Event \"M\"]\n\n1. f3 e5 2. g4 Qh4# 3. a3 a6 0-1\n") << 1 << 1
                                            << "M" << "0-1" << "f3 e5 g4 Qh4#";
        QTest::newRow("a game of tags only keeps its own")
            << QByteArray("[Event \"Tags\"]\n[Result \"1-0\"]\n\n[Event \"Next\"]\n[Result \"0-1\"]\n\n1. d4 0-1\n") << 2
            << 1 << "Tags" << "1-0" << "";
        QTest::newRow("a tag repeated among the tags is no new game")
            << QByteArray("[Event \"A\"]\n[Site \"x\"]\n[Site \"y\"]\n\n1. e4 *\n") << 1 << 1 << "A" << "*" << "e4";
        QTest::newRow("the result in the moves only") << QByteArray("[Event \"R\"]\n\n1. e4 e5 1/2-1/2\n") << 1 << 1
                                                      << "R" << "1/2-1/2" << "e4 e5";
        QTest::newRow("the result in the moves, * in the tag")
            << QByteArray("[Event \"S\"]\n[Result \"*\"]\n\n1. e4 1-0\n") << 1 << 1 << "S" << "1-0" << "e4";
    }
    void foreignPgnReadByItsSyntax()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, games);
        QFETCH(int, game);
        QFETCH(QString, event);
        QFETCH(QString, result);
        QFETCH(QString, moves);
        const QString path = Path("foreign.pgn");
        WriteAll(path, bytes);
        KifuFile file;
        QVERIFY(ScanKifuFile(file, kKindPgn, S(path)).ok);
        QCOMPARE(file.KifuCount, games);
        QCOMPARE(QString::fromStdString(file.KifuList[game][1]), event);
        RecordsHost host;
        const LoadReport report = LoadInto(host.window, file, kKindPgn, game);
        QVERIFY2(report.Message().empty(), report.Message().c_str());
        QCOMPARE(QString::fromStdString(host.window.Header().Field[7]), result);
        QCOMPARE(QString::fromStdString(Moves(host.window.Game())), moves);
    }

    void fenTagKeepsFollowingTagsAndSide()
    {
        const QByteArray bytes = "[Event \"F\"]\n[FEN \"4k3/8/8/8/8/8/8/4K2R b K - 0 1\"]\n[Annotator \"A\"]\n"
                                 "[PlyCount \"2\"]\n\n1... Kd7 2. O-O *\n";
        RecordsHost host;
        QCOMPARE(LoadFrom(host, bytes), std::string("Kd7 o-o"));
        QCOMPARE(host.window.Game().LastPly, 3);
        QCOMPARE(host.window.Header().TextInfoS, std::string("[Annotator \"A\"]\n[PlyCount \"2\"]\n"));
    }

    void refusedTokensReportedOnce()
    {
        RecordsHost host;
        LoadReport report;
        const std::string moves =
            LoadFrom(host, "[Event \"R\"]\n\n1. e4 e5 2. Ke3 Nf3 Nc6 3. Xyz123456789 *\n", 1, kKindPgn, &report);
        QCOMPARE(moves, std::string("e4 e5 Nf3 Nc6"));  // the moves the rules accept stay
        QCOMPARE(report.refused.size(), std::size_t(2));
        QCOMPARE(report.refused.front().ply, 3);
        QCOMPARE(report.refused.back().token, std::string("Xyz123456789"));
        const std::string message = report.Message();
        QVERIFY2(message.find("2手目(白)の「Ke3」") != std::string::npos, message.c_str());
        QVERIFY(message.find("全部で2個") != std::string::npos);
        QCOMPARE(host.window.Beeps(), 0);  // reading a record makes no sound
        KifuFile file;
        ScanKifuText(file, kKindPgn, "[Event \"R\"]\n\n1. e4 e5 2. Ke3 Nf3 Nc6 3. Xyz123456789 *\n");
        QVERIFY(LoadGame(host, file, kKindPgn, 1));
        QCOMPARE(host.window.Beeps(), 1);  // the end of the load, not one per refusal
        QCOMPARE(host.shown.size(), std::size_t(1));  // the refusals told once
        host.window.MnuFileNew_Click();
        host.window.CheckChessMoveOutput("Ke3");
        QCOMPARE(host.window.Beeps(), 2);  // refusals beep again after the load
    }

    void boundsStopCleanly()
    {
        // 402 plies of knight shuffles: the record takes 400.
        QByteArray moves = "[Event \"Long\"]\n\n";
        for (int n = 1; n <= 201; ++n)
            moves += QByteArray::number(n) + (n % 2 ? ". Nf3 Nf6 " : ". Ng1 Ng8 ");
        RecordsHost host;
        LoadReport report;
        LoadFrom(host, moves + "*\n", 1, kKindPgn, &report);
        QCOMPARE(host.window.Game().LastPly, 400);
        QVERIFY(report.plyLimit);
        QVERIFY(report.Message().find("400手") != std::string::npos);

        QByteArray tags = "[Event \"T\"]\n";
        for (int k = 1; k <= kMaxFurtherTags + 2; ++k)
            tags += "[Extra" + QByteArray::number(k) + " \"v\"]\n";
        WriteAll(Path("tags.pgn"), tags + "\n1. e4 *\n");
        KifuFile file;
        const ScanReport scan = ScanKifuFile(file, kKindPgn, S(Path("tags.pgn")));
        const QString further = QString::fromStdString(file.KifuList[1][kFurtherTags]);
        QCOMPARE(further.count('\n'), kMaxFurtherTags);
        QVERIFY(further.endsWith("[Extra100 \"v\"]\n"));
        QVERIFY(scan.message.find("100行") != std::string::npos);

        QByteArray many;
        for (int g = 0; g < kMaxGames + 3; ++g)
            many += "[Event \"g\"]\n*\n";
        WriteAll(Path("many.pgn"), many);
        const ScanReport big = ScanKifuFile(file, kKindPgn, S(Path("many.pgn")));
        QCOMPARE(file.KifuCount, kMaxGames);
        QVERIFY(big.message.find("25000") != std::string::npos);
    }

    void brokenFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("games");
        QTest::addColumn<bool>("told");
        QTest::addColumn<QString>("loadTold");  // in the message of loading its first game
        QTest::newRow("binary") << QByteArray("\x7f" "ELF\0", 5) << int(kKindPgn) << false << 0 << true << "";
        QTest::newRow("truncated tag") << QByteArray("[Event \"cut") << int(kKindPgn) << true << 1 << true << "";
        QTest::newRow("cut CSV header") << QByteArray("Event,E\r\nSite,S\r\n") << int(kKindCsv) << true << 1 << false
                                        << "";
        QTest::newRow("PGN read as CSV") << kTwoGames << int(kKindCsv) << true << 0 << false << "";
        QTest::newRow("empty") << QByteArray() << int(kKindPgn) << true << 0 << false << "";
        const QByteArray second = "\n[Event \"b\"]\n\n1. d4 *\n";
        QTest::newRow("a brace never closed") << "[Event \"a\"]\n\n1. e4 {open 2. d4 *\n" + second << int(kKindPgn)
                                              << true << 2 << false << "第1局の指し手に閉じていないコメント";
        QTest::newRow("a parenthesis never closed") << "[Event \"a\"]\n\n1. e4 (1. d4 e5 *\n" + second
                                                    << int(kKindPgn) << true << 2 << false << "第1局の指し手で変化手順";
        QTest::newRow("a parenthesis never opened") << QByteArray("[Event \"a\"]\n\n1. e4 ) e5 *\n") << int(kKindPgn)
                                                    << true << 1 << false << "第1局の指し手で変化手順";
        QTest::newRow("a move the rules refuse inside a variation")
            << QByteArray("[Event \"a\"]\n\n1. e4 (1. d4 Ke7 d5) e5 *\n") << int(kKindPgn) << true << 1 << false
            << "変化手順1か所";
        QTest::newRow("a comment over 64 kB") << "[Event \"a\"]\n\n1. e4 {" + QByteArray(70000, 'x') + "} *\n"
                                              << int(kKindPgn) << true << 1 << false << "64KBを超えるコメント";
        // Comments in a row are one comment: 300,000 of them make one that is cut.
        QTest::newRow("300,000 comments after a move")
            << "[Event \"a\"]\n\n1. e4 " + QByteArray("{ab} ").repeated(300000) + "*\n" << int(kKindPgn) << true << 1
            << false << "64KBを超えるコメントが1個";
        QTest::newRow("300,000 comments before a variation's first move")
            << "[Event \"a\"]\n\n1. e4 (" + QByteArray("{ab} ").repeated(300000) + "1. d4) *\n" << int(kKindPgn)
            << true << 1 << false << "64KBを超えるコメントが1個";
        QTest::newRow("a mark past $255 however long its number")
            << QByteArray("[Event \"a\"]\n\n1. e4 $4294967297 $256 e5 *\n") << int(kKindPgn) << true << 1 << false
            << "注釈記号 ($) を2個";
        // Knights: g1f3/f3g1 and g8f6/f6g8 go on, b1c3 and b8c6 are replaced
        // by the variation after them, each one inside the one before.
        QByteArray deep = "[Event \"a\"]\n\n";
        const char* on[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
        for (int ply = 1; ply <= kMaxVariationDepth + 1; ++ply)
            deep += QByteArray(ply % 2 ? "b1c3 (" : "b8c6 (") + on[(ply - 1) % 4] + " ";
        deep += QByteArray(kMaxVariationDepth + 1, ')') + " *\n";
        QTest::newRow("variations 51 deep") << deep << int(kKindPgn) << true << 1 << false << "50段";
    }
    void brokenFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(bool, readable);
        QFETCH(int, games);
        QFETCH(bool, told);
        QFETCH(QString, loadTold);
        WriteAll(Path("broken"), bytes);
        KifuFile file;
        const ScanReport report = ScanKifuFile(file, KifuKind(kind), S(Path("broken")));
        QCOMPARE(report.ok, readable);
        QCOMPARE(file.KifuCount, games);
        QCOMPARE(!report.message.empty(), told);
        if (!readable)
            QVERIFY(report.message.find("テキストファイルではありません") != std::string::npos);
        RecordsHost host;
        OpenKifuFile(host, file, KifuKind(kind), S(Path("broken")));  // a message or an empty list, never a crash
        QCOMPARE(host.busy, 0);
        if (games > 0) {
            const std::string message = LoadInto(host.window, file, KifuKind(kind), 1).Message();
            QVERIFY2(loadTold.isEmpty() ? message.empty() : message.find(S(loadTold)) != std::string::npos,
                     message.c_str());
            QVERIFY(LineMatchesTree(host.window.Game()));
        }
    }

    void scanAfterSearchStartsFromEmptyRows()
    {
        // A search leaves the file's matching games in front; the next file's
        // games must not pick up the rows behind them.
        KifuFile file;
        ScanKifuText(file, kKindPgn, "[Event \"A1\"]\n[Site \"Osaka\"]\n[Annotator \"X\"]\n\n1. d4 *\n"
                                     "[Event \"A2\"]\n[Site \"Kobe\"]\n\n1. e4 *\n[Event \"A3\"]\n\n1. c4 *\n");
        TestBoard window;
        PlayTokens(window, "c4");
        QCOMPARE(SearchContinuations(file, window.Game(), false).matches, 1);
        ScanKifuText(file, kKindPgn, "[Event \"B1\"]\n\n1. e4 *\n[Event \"B2\"]\n\n1. e4 e5 *\n");
        QCOMPARE(file.KifuCount, 2);
        QCOMPARE(file.KifuList[2][2], std::string());
        QCOMPARE(file.KifuList[2][8], std::string());
        QCOMPARE(file.KifuList[2][kMoveText], std::string("1. e4 e5 *"));
    }

    void rewriteCountsGamesPastTheTable()
    {
        QByteArray many;
        for (int g = 1; g <= kMaxGames + 3; ++g)
            many += "[Event \"" + QByteArray::number(g) + "\"]\r\n*\r\n";
        const QString path = Path("big.pgn");
        WriteAll(path, many);
        RecordsHost host;
        KifuFile file;
        QVERIFY(DeleteKifuGame(host, file, kMaxGames, kKindPgn, S(path)));
        const QByteArray after = ReadAll(path);
        QVERIFY(!after.contains("[Event \"25000\"]"));
        QVERIFY(after.endsWith("[Event \"25003\"]\r\n*\r\n"));
        QCOMPARE(after.size(), many.size() - QByteArray("[Event \"25000\"]\r\n*\r\n").size());
    }

    void setUpPositionsKeepTheirStart_data()
    {
        QTest::addColumn<QString>("fen");
        QTest::addColumn<QString>("moves");
        QTest::newRow("an extra knight in the middle") << "rnbqkbnr/pppppppp/8/3N4/8/8/PPPPPPPP/RNBQKBNR w"
                                                       << "Nf6+ gxf6";
        QTest::newRow("the start with Black to move") << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b" << "e5 e4";
        QTest::newRow("White to move, no moves") << "4k3/8/8/8/8/8/8/4K3 w" << "";
    }
    void setUpPositionsKeepTheirStart()
    {
        QFETCH(QString, fen);
        QFETCH(QString, moves);
        RecordsHost host;
        KifuFile file;
        QVERIFY(ReadFenInto(host.window, S(fen), nullptr));
        PlayTokens(host.window, S(moves));
        const GameState before = host.window.Game();
        const QString path = Path("setup.pgn");
        QFile::remove(path);
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(path)));
        RecordsHost reader;
        OpenKifuFile(reader, file, kKindPgn, S(path));
        QVERIFY(reader.shown.empty());
        const GameState& after = reader.window.Game();
        QCOMPARE(after.LastPly, before.LastPly);
        QCOMPARE(after.CurPly, before.CurPly);
        QCOMPARE(after.KifuBoard[0], before.KifuBoard[0]);
        QCOMPARE(after.KifuBoard[after.LastPly], before.KifuBoard[before.LastPly]);
    }

    void appendAfterALastLineWithoutEnd()
    {
        const QString path = Path("open-end.pgn");
        WriteAll(path, "[Event \"Old\"]\r\n\r\n1. d4 d5 *");
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "e4");
        host.window.SetField(1, "New");
        host.answers = {-1};
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(path)));
        QVERIFY(ReadAll(path).startsWith("[Event \"Old\"]\r\n\r\n1. d4 d5 *\r\n\r\n[Event \"New\"]"));
        QVERIFY(ScanKifuFile(file, kKindPgn, S(path)).ok);
        QCOMPARE(file.KifuCount, 2);
    }

    void openMissingFileSaysSo()
    {
        RecordsHost host;
        KifuFile file;
        OpenKifuFile(host, file, kKindPgn, S(Path("no-such.pgn")));
        QVERIFY(host.LastMessage().find("no-such.pgn") != std::string::npos);
        OpenKifuFile(host, file, kKindFen, S(Path("no-such.fen")));
        QCOMPARE(host.shown.size(), std::size_t(2));
    }

    void fenFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("curPly");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("white to move") << QByteArray("4k3/8/8/8/8/8/8/4K3 w - - 0 1\r\nignored") << 0 << true;
        QTest::newRow("black to move, LF") << QByteArray("4k3/8/8/8/8/8/8/4K3 b KQkq - 0 1\n") << 1 << true;
        QTest::newRow("a nine") << QByteArray("9/8/8/8/8/8/8/8 w") << 1 << false;
        QTest::newRow("no side") << QByteArray("4k3/8/8/8/8/8/8/4K3") << 1 << false;
        QTest::newRow("empty file") << QByteArray() << 1 << false;
    }
    void fenFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, curPly);
        QFETCH(bool, accepted);
        WriteAll(Path("pos.fen"), bytes);
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "e4");
        OpenKifuFile(host, file, kKindFen, S(Path("pos.fen")));
        QCOMPARE(host.shown.empty(), accepted);
        QCOMPARE(host.window.Game().CurPly, curPly);
        QCOMPARE(host.window.Game().LastPly, accepted ? curPly : 1);  // a refusal leaves the game on the board
        QCOMPARE(host.window.Game().KifuBoard[0][5][2], accepted ? '\0' : 'P');
    }

    void csvRoundTripKeepsEverything()
    {
        RecordsHost host;
        PlayTokens(host.window, "e4 c5 Nf3 d6 d4 cxd4 Nxd4");
        const GameState& game = host.window.Game();
        for (int ply = 1; ply <= game.LastPly; ++ply)
            for (int k = 1; k <= 6; ++k)
                host.window.session.SetNote(k, ply, k == 6 ? "note, \"" + std::to_string(ply) + "\"" : std::to_string(ply * 10 + k));
        host.window.SetFields({"", "通信戦", "Site", "26/12/8", "1", "白石", "黒田", "*"});
        KifuFile file;
        QVERIFY(SaveKifuFile(host, file, kKindCsv, S(Path("game.csv"))));
        const GameState before = game;

        RecordsHost reader;
        OpenKifuFile(reader, file, kKindCsv, S(Path("game.csv")));
        QVERIFY(reader.shown.empty());
        const GameState& after = reader.window.Game();
        QCOMPARE(after.LastPly, before.LastPly);
        for (int ply = 1; ply <= before.LastPly; ++ply) {
            QCOMPARE(after.KifuShort[ply], before.KifuShort[ply]);
            for (int k = 1; k <= 6; ++k)
                QCOMPARE(after.KifuNote[k][ply], before.KifuNote[k][ply]);
        }
        QCOMPARE(reader.window.Header().Field, host.window.Header().Field);

        // ... and on to PGN, which keeps moves and header.
        QVERIFY(SaveKifuFile(reader, file, kKindPgn, S(Path("game.pgn"))));
        RecordsHost pgn;
        OpenKifuFile(pgn, file, kKindPgn, S(Path("game.pgn")));
        QCOMPARE(Moves(pgn.window.Game()), Moves(before));
        QCOMPARE(pgn.window.Header().Field, host.window.Header().Field);
    }

    void csvMoveLinesOfOtherShapes()
    {
        const QByteArray bytes = "Event,A\r\nSite,\r\nDate,\r\nRound,\r\nWhite,\r\nBlack,\r\nResult,*\r\n\r\n"
                                 "1,5254,5755,e4,e5\r\n2,7163,,Nf3\r\nnot a move line\r\n\r\n"
                                 "Event,B\r\nSite,\r\nDate,\r\nRound,\r\nWhite,\r\nBlack,\r\nResult,*\r\n"
                                 "1,,,d4,d5,a,b,c,d,e,f,g,h,i,j,k,l,\r\n";
        RecordsHost host;
        QCOMPARE(LoadFrom(host, bytes, 1, kKindCsv), std::string("e4 e5 Nf3"));
        QCOMPARE(LoadFrom(host, bytes, 2, kKindCsv), std::string("d4 d5"));  // no empty line after the header
        QCOMPARE(host.window.Game().KifuNote[6][1], std::string("f"));
        QCOMPARE(host.window.Game().KifuNote[1][2], std::string("g"));
    }

    void saveNewAppendInsertOverwrite()
    {
        const QString path = Path("book.pgn");
        QFile::remove(path);
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "e4");
        host.window.SetField(1, "First");
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(path)));
        QVERIFY(host.dialogModes.empty());
        QVERIFY(ReadAll(path).startsWith("\r\n[Event \"First\"]\r\n"));

        host.window.SetField(1, "Second");
        host.answers = {-1};
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(path)));
        QCOMPARE(host.dialogModes, std::vector<int>{2});
        QVERIFY(ReadAll(path).contains("1. e4 *\r\n\r\n\r\n[Event \"Second\"]"));
        QVERIFY(!QFile::exists(Path("book.bak")));  // appending keeps no backup

        const QByteArray twoGames = ReadAll(path);
        host.window.SetField(1, "Inserted");
        host.answers = {-2};  // before game 1
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(path)));
        QCOMPARE(ReadAll(Path("book.bak")), twoGames);
        QVERIFY(ReadAll(path).startsWith("\r\n[Event \"Inserted\"]"));
        QVERIFY(ReadAll(path).contains("\r\n\r\n[Event \"First\"]"));

        host.window.SetField(1, "Replaced");
        host.answers = {0};  // cancelled: nothing written
        QVERIFY(!SaveKifuFile(host, file, kKindPgn, S(path)));
        host.answers = {3};  // overwrite the last game
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(path)));
        QVERIFY(ScanKifuFile(file, kKindPgn, S(path)).ok);
        QCOMPARE(file.KifuCount, 3);
        QCOMPARE(file.KifuList[3][1], std::string("Replaced"));
        QVERIFY(ReadAll(path).endsWith("1. e4 *\r\n\r\n\r\n"));  // the file's closing empty line stays
        QCOMPARE(host.busy, 0);
    }

    void deleteKeepsBackup_data()
    {
        QTest::addColumn<int>("games");
        QTest::addColumn<int>("victim");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("first of two") << 2 << 1 << QStringList{"G2"};
        QTest::newRow("last of two") << 2 << 2 << QStringList{"G1"};
        QTest::newRow("middle of three") << 3 << 2 << QStringList{"G1", "G3"};
        QTest::newRow("last of three") << 3 << 3 << QStringList{"G1", "G2"};
    }
    void deleteKeepsBackup()
    {
        QFETCH(int, games);
        QFETCH(int, victim);
        QFETCH(QStringList, left);
        const QString path = Path("del.pgn");
        QFile::remove(path);
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "d4 d5");
        for (int g = 1; g <= games; ++g) {
            host.window.SetField(1, "G" + std::to_string(g));
            host.answers = {-1};
            QVERIFY(SaveKifuFile(host, file, kKindPgn, S(path)));
        }
        const QByteArray before = ReadAll(path);
        QVERIFY(DeleteKifuGame(host, file, victim, kKindPgn, S(path)));
        QCOMPARE(ReadAll(Path("del.bak")), before);
        QVERIFY(ScanKifuFile(file, kKindPgn, S(path)).ok);
        QCOMPARE(file.KifuCount, int(left.size()));
        for (int g = 1; g <= file.KifuCount; ++g)
            QCOMPARE(QString::fromStdString(file.KifuList[g][1]), left[g - 1]);
        QVERIFY(ReadAll(path).startsWith(before.left(before.indexOf("[Event \"G" + QByteArray::number(victim)))));
    }

    void encodings()
    {
        const QString path = Path("enc.pgn");
        QFile::remove(path);
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "e4");
        host.window.SetField(1, "関東大会");
        // A CP932 file keeps its encoding for a game it can hold.
        WriteAll(path, "[Event \"\x8a\xd6\x93\x8c\x91\xe5\x89\xef\"]\r\n\r\n1. d4 *\r\n");
        host.answers = {-1};
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(path)));
        QCOMPARE(ReadAll(path).count("[Event \"\x8a\xd6\x93\x8c\x91\xe5\x89\xef\"]"), 2);  // CP932 on disk

        // A name CP932 cannot hold: a new file is UTF-8; an old CP932 file
        // refuses it unless the user has the file converted.
        host.window.SetField(5, "김민준");
        const QByteArray cp932File = ReadAll(path);
        host.answers = {-1};
        QVERIFY(!SaveKifuFile(host, file, kKindPgn, S(path)));
        QVERIFY2(host.LastMessage().find("白") != std::string::npos, host.LastMessage().c_str());
        QVERIFY(host.LastMessage().find("CP932") != std::string::npos);
        QCOMPARE(ReadAll(path), cp932File);
        const QString utf8Path = Path("enc-utf8.pgn");
        QFile::remove(utf8Path);
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(utf8Path)));
        QVERIFY(ReadAll(utf8Path).contains("[White \"김민준\"]"));

        for (const QString& name : {path, utf8Path}) {
            RecordsHost reader;
            reader.answers = {1};
            OpenKifuFile(reader, file, kKindPgn, S(name));
            QCOMPARE(reader.window.Header().Field[1], std::string("関東大会"));
        }
        // A UTF-8 file takes further games in UTF-8, with a byte-order mark or without.
        WriteAll(utf8Path, "\xef\xbb\xbf" + ReadAll(utf8Path));
        host.answers = {-1};
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(utf8Path)));
        QVERIFY(ScanKifuFile(file, kKindPgn, S(utf8Path)).ok);
        QCOMPARE(file.KifuCount, 2);
        QCOMPARE(file.KifuList[2][5], std::string("김민준"));

        // One stray byte leaves a UTF-8 file UTF-8: read, told, and a game appended in UTF-8.
        WriteAll(utf8Path, "[Event \"関東大会\"]\n[Black \"x\xff\"]\n\n1. e4 *\n");
        QVERIFY(ScanKifuFile(file, kKindPgn, S(utf8Path)).message.find("読めないバイト") != std::string::npos);
        QCOMPARE(file.KifuList[1][1], std::string("関東大会"));
        host.answers = {-1};
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(utf8Path)));
        QVERIFY(ReadAll(utf8Path).contains("[White \"김민준\"]"));

        // A comment counts as the names do: a new file goes to UTF-8 whole, a CP932 file refuses it.
        RecordsHost commented;
        PlayTokens(commented.window, "e4");
        commented.window.session.SetComment(1, "Delétang's triangle");
        const QString commentPath = Path("enc-comment.pgn");
        QFile::remove(commentPath);
        QVERIFY(SaveKifuFile(commented, file, kKindPgn, S(commentPath)));
        QVERIFY(ReadAll(commentPath).contains("1. e4 {Delétang's triangle} *"));
        commented.answers = {-1};
        QVERIFY(!SaveKifuFile(commented, file, kKindPgn, S(path)));
        QVERIFY2(commented.LastMessage().find("コメント") != std::string::npos, commented.LastMessage().c_str());
    }

    // A game CP932 cannot hold, saved into a CP932 file: the user is asked,
    // and "yes" rewrites the whole file in UTF-8 through the backup, every
    // other game as it was; "no" writes nothing.
    void cp932FileConvertedWhenAsked_data()
    {
        QTest::addColumn<int>("select");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("whites");  // of the file afterwards
        QTest::newRow("append") << -1 << true << QStringList{"佐藤", "加藤", "Müller, Jürgen"};
        QTest::newRow("insert before game 2") << int(InsertBefore(2)) << true
                                              << QStringList{"佐藤", "Müller, Jürgen", "加藤"};
        QTest::newRow("overwrite game 1") << 1 << true << QStringList{"Müller, Jürgen", "加藤"};
        QTest::newRow("no") << -1 << false << QStringList{"佐藤", "加藤"};
    }
    void cp932FileConvertedWhenAsked()
    {
        QFETCH(int, select);
        QFETCH(bool, yes);
        QFETCH(QStringList, whites);
        const QString path = Path("club.pgn");
        QFile::remove(BackupName(S(path)).c_str());
        // 佐藤 and 加藤 in CP932, and a comment in the second game.
        const QByteArray cp932 = "[Event \"E\"]\r\n[White \"\x8d\xb2\x93\xa1\"]\r\n\r\n1. e4 *\r\n\r\n"
                                 "[Event \"E\"]\r\n[White \"\x89\xc1\x93\xa1\"]\r\n\r\n1. d4 {\x89\xc1} *\r\n";
        WriteAll(path, cp932);
        RecordsHost host;
        PlayTokens(host.window, "c4");
        host.window.SetField(5, "Müller, Jürgen");
        host.answers = {select};
        host.yes = {yes};
        KifuFile file;
        QCOMPARE(SaveKifuFile(host, file, kKindPgn, S(path)), yes);
        QCOMPARE(host.asked.size(), std::size_t(1));
        QVERIFY(host.asked[0].find("UTF-8") != std::string::npos);
        QCOMPARE(ReadAll(QString::fromStdString(BackupName(S(path)))).isEmpty(), !yes);
        if (yes)
            QCOMPARE(ReadAll(QString::fromStdString(BackupName(S(path)))), cp932);
        else
            QCOMPARE(ReadAll(path), cp932);
        QCOMPARE(GuessEncoding(ReadAll(path).toStdString()).encoding, yes ? TextEncoding::Utf8 : TextEncoding::Cp932);
        QVERIFY(ScanKifuFile(file, kKindPgn, S(path)).message.empty());
        QStringList read;
        for (int g = 1; g <= file.KifuCount; ++g)
            read << QString::fromStdString(file.KifuList[g][5]);
        QCOMPARE(read, whites);
        const int second = whites.indexOf("加藤") + 1;
        QVERIFY(file.KifuList[second][kAnnotatedText].find("{加}") != std::string::npos);
    }

    // The further-tags box is refused before anything is written when a line
    // of it is no tag pair, or when it holds more tags than a game keeps.
    void furtherTagsRefusedBeforeWriting_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("told");
        QTest::newRow("no tag pair") << "[ECO \"A40\"]\nhello \"world\" ]\t" << "「hello \"world\" ]";
        QString many;
        for (int k = 0; k <= kMaxFurtherTags; ++k)
            many += QString("[T%1 \"v\"]\n").arg(k);
        QTest::newRow("more than a game keeps") << many << "101行";
    }
    void furtherTagsRefusedBeforeWriting()
    {
        QFETCH(QString, box);
        QFETCH(QString, told);
        const QString path = Path("tags-refused.pgn");
        QFile::remove(path);
        QFile::remove(path + ".csv");
        RecordsHost host;
        host.window.SetFurtherTags(S(box));
        KifuFile file;
        QVERIFY(!SaveKifuFile(host, file, kKindPgn, S(path)));
        QVERIFY2(host.LastMessage().find(S(told)) != std::string::npos, host.LastMessage().c_str());
        QVERIFY(!QFile::exists(path));
        QVERIFY(SaveKifuFile(host, file, kKindCsv, S(path + ".csv")));  // CSV holds no tags
    }

    void fileSystemErrorsLeaveTheFile()
    {
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "e4");
        QVERIFY(!SaveKifuFile(host, file, kKindPgn, S(Path("missing/folder.pgn"))));
        QVERIFY(host.LastMessage().find("missing/folder.pgn") != std::string::npos);
        QVERIFY(!SaveKifuFile(host, file, kKindFen, S(dir_.path())));  // a folder is no file
        QCOMPARE(host.shown.size(), std::size_t(2));
        if (::geteuid() == 0)
            QSKIP("root writes through read-only permissions");
        const QString path = Path("ro.pgn");
        WriteAll(path, kTwoGames);
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        host.answers = {1};
        QVERIFY(!SaveKifuFile(host, file, kKindPgn, S(path)));
        QVERIFY(host.LastMessage().find("ro.pgn") != std::string::npos);
        QCOMPARE(ReadAll(path), kTwoGames);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void savesKeepPermissions_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("answer");
        QTest::newRow("shared with the group, overwritten") << 0640 << 2;
        QTest::newRow("read-only, appended to") << 0444 << -1;
    }
    void savesKeepPermissions()
    {
        QFETCH(int, mode);
        QFETCH(int, answer);
        const QString path = Path("perm.pgn");
        WriteAll(path, kTwoGames);
        ::chmod(qPrintable(path), mode);
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "c4");
        host.answers = {answer};
        SaveKifuFile(host, file, kKindPgn, S(path));  // refused when the user may not write it
        QCOMPARE(Mode(path), mode);
        if (answer > 0)
            QCOMPARE(Mode(Path("perm.bak")), mode);  // the backup is the same file
        ::chmod(qPrintable(path), 0600);
    }

    void fullDiskChangesNothing_data()
    {
        QTest::addColumn<int>("answer");  // KifuSelect; 0: delete game 1; 9: save as FEN
        QTest::newRow("append") << -1;
        QTest::newRow("delete") << 0;
        QTest::newRow("FEN") << 9;
    }
    void fullDiskChangesNothing()
    {
        QFETCH(int, answer);
        const QString path = Path(answer == 9 ? "full.fen" : "full.pgn");
        WriteAll(path, kTwoGames);
        WriteAll(Path("full.bak"), "the backup before");
        const QStringList entries = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "e4");
        host.answers = {answer};
        QVERIFY(![&] {
            const DiskRoom room(16);
            return answer == 0 ? DeleteKifuGame(host, file, 1, kKindPgn, S(path))
                               : SaveKifuFile(host, file, answer == 9 ? kKindFen : kKindPgn, S(path));
        }());
        QVERIFY2(host.LastMessage().find("保存できませんでした") != std::string::npos, host.LastMessage().c_str());
        QVERIFY(host.LastMessage().find("Unknown error") == std::string::npos);
        QCOMPARE(ReadAll(path), kTwoGames);
        QCOMPARE(ReadAll(Path("full.bak")), QByteArray("the backup before"));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), entries);  // nothing left behind
    }

    void writersNeverLoseAGame_data()
    {
        QTest::addColumn<int>("answer");    // KifuSelect
        QTest::addColumn<bool>("inFront");  // another writer puts its game first, else last,
        QTest::addColumn<bool>("locked");   // holding the lock while the save would write
        QTest::addColumn<QStringList>("events");
        QTest::newRow("append") << -1 << false << false << QStringList{"One", "Two", "Other", "Mine"};
        QTest::newRow("append, the other still writing") << -1 << false << true
                                                         << QStringList{"One", "Two", "Other", "Mine"};
        QTest::newRow("overwrite, a game added last") << 2 << false << false << QStringList{"One", "Mine", "Other"};
        QTest::newRow("overwrite, a game put first") << 2 << true << false << QStringList{"Other", "One", "Two"};
    }
    void writersNeverLoseAGame()
    {
        QFETCH(int, answer);
        QFETCH(bool, inFront);
        QFETCH(bool, locked);
        QFETCH(QStringList, events);
        const QString path = Path("shared.pgn");
        WriteAll(path, kTwoGames);
        const QByteArray other = "\r\n[Event \"Other\"]\r\n\r\n1. c4 *\r\n";
        std::thread late;
        RecordsHost host;
        host.duringDialog = [&] {
            auto lock = std::make_unique<FileLock>();
            std::string error;
            QVERIFY(!locked || lock->Take(S(path), error));
            late = std::thread([&, lock = std::move(lock), now = ReadAll(path)] {
                QTest::qSleep(locked ? 300 : 0);
                WriteAll(path, inFront ? other + now : now + other);
            });
            if (!locked)
                late.join();
        };
        KifuFile file;
        PlayTokens(host.window, "e4");
        host.window.SetField(1, "Mine");
        host.answers = {answer};
        QCOMPARE(SaveKifuFile(host, file, kKindPgn, S(path)), !inFront);
        if (late.joinable())
            late.join();
        QVERIFY(ScanKifuFile(file, kKindPgn, S(path)).ok);
        QStringList found;
        for (int g = 1; g <= file.KifuCount; ++g)
            found << QString::fromStdString(file.KifuList[g][1]);
        QCOMPARE(found, events);
    }

    void onlyRegularFiles_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("link to /dev/zero") << "device";
        QTest::newRow("folder") << "folder";
    }
    void onlyRegularFiles()
    {
        QFETCH(QString, what);
        const QString path = Path("special-" + what);
        QVERIFY(what == "pipe" ? ::mkfifo(qPrintable(path), 0600) == 0
                : what == "device" ? QFile::link("/dev/zero", path) : QDir().mkpath(path));
        std::string bytes, error, written;
        QVERIFY(!ReadFileBytes(S(path), bytes, error));
        QVERIFY(!WriteFileAtomically(S(path), "game", written));
        for (const std::string& message : {error, written})
            QVERIFY2(message.find("通常のファイルではありません") != std::string::npos, message.c_str());
    }

    void fenSaveWritesTheShownPosition()
    {
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "e4 e5 Nf3");
        host.window.session.GoToPly(2);
        QVERIFY(SaveKifuFile(host, file, kKindFen, S(Path("shown.fen"))));
        QCOMPARE(ReadAll(Path("shown.fen")), QByteArray("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2\r\n"));
    }

    void kindOfFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::newRow("upper case CSV") << "/tmp/x.CSV" << int(kKindCsv);
        QTest::newRow("pgn") << "y.pgn" << int(kKindPgn);
        QTest::newRow("mixed case FEN") << "dir/a.Fen" << int(kKindFen);
        QTest::newRow("other extension") << "z.txt" << 0;
        QTest::newRow("backup of a pgn") << "x.pgn.bak" << 0;
        QTest::newRow("no extension, dotted folder") << "games.pgn/latest" << 0;
    }
    void kindOfFileName()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QCOMPARE(KindOfFileName(S(name)), kind);
    }

    void fileWithoutGamesSaysSo_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("search");
        QTest::addColumn<QString>("readAs");
        QTest::newRow("empty file, open") << QByteArray() << int(kKindPgn) << false << "ＰＧＮ";
        QTest::newRow("PGN read as CSV, search") << kTwoGames << int(kKindCsv) << true << "ＣＳＶ";
    }
    void fileWithoutGamesSaysSo()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(bool, search);
        QFETCH(QString, readAs);
        WriteAll(Path("nothing.txt"), bytes);
        RecordsHost host;
        PlayTokens(host.window, "e4");
        KifuFile file;
        if (search)
            SearchKifuFile(host, file, KifuKind(kind), S(Path("nothing.txt")));
        else
            OpenKifuFile(host, file, KifuKind(kind), S(Path("nothing.txt")));
        QVERIFY(host.dialogModes.empty());  // no empty list to choose from
        QCOMPARE(host.shown.size(), std::size_t(1));
        QCOMPARE(host.shown[0].title, std::string("注意"));
        const QString text = QString::fromStdString(host.shown[0].text);
        QVERIFY2(text.contains("nothing.txt」にはゲームがありません"), qPrintable(text));
        QVERIFY2(text.contains(readAs + "ファイルとして読みました"), qPrintable(text));
        QCOMPARE(host.window.Game().LastPly, 1);  // the game on the board stays
        QCOMPARE(host.busy, 0);
    }

    void saveIntoFileWithoutGamesStillAsksWhere()
    {
        WriteAll(Path("blank.pgn"), "\r\n");
        RecordsHost host;
        KifuFile file;
        PlayTokens(host.window, "e4");
        host.answers = {-1};  // "追加": the only choice the empty list leaves besides cancel
        QVERIFY(SaveKifuFile(host, file, kKindPgn, S(Path("blank.pgn"))));
        QCOMPARE(host.dialogModes, std::vector<int>{2});
        QVERIFY(host.shown.empty());
        QVERIFY(ScanKifuFile(file, kKindPgn, S(Path("blank.pgn"))).ok);
        QCOMPARE(file.KifuCount, 1);
    }

    void quotedTextIsCut_data()
    {
        QTest::addColumn<QByteArray>("text");  // UTF-8
        QTest::addColumn<bool>("path");
        QTest::addColumn<QByteArray>("expected");  // empty: cut, checked by its shape
        const QByteArray kanji = QString(80, QChar(0x68cb)).toUtf8();
        QTest::newRow("short token as is") << QByteArray("Xyz123") << false << QByteArray("Xyz123");
        QTest::newRow("sixty characters as is") << QByteArray(60, 'a') << false << QByteArray(60, 'a');
        QTest::newRow("line ends become spaces") << QByteArray("a\r\nb\tc") << false << QByteArray("a  b c");
        QTest::newRow("bytes that are no UTF-8 count one each")
            << QByteArray(70, '\xff') << false << QByteArray(59, '\xff') + "…";
        QTest::newRow("long token") << QByteArray(500, 'N') << false << QByteArray();
        QTest::newRow("long Japanese token") << kanji << false << QByteArray();
        QTest::newRow("long path") << "/home/user/" + kanji + "/" + QByteArray(30, 'x') + "/last.pgn" << true
                                   << QByteArray();
    }
    void quotedTextIsCut()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, path);
        QFETCH(QByteArray, expected);
        const std::string bytes = path ? QuotedPath(text.toStdString()) : Quoted(text.toStdString());
        if (!expected.isEmpty()) {
            QCOMPARE(QByteArray::fromStdString(bytes), expected);
            return;
        }
        const QString quoted = QString::fromStdString(bytes);
        QCOMPARE(quoted.size(), int(kQuotedChars));  // characters, not bytes
        QCOMPARE(quoted.count(QChar(0x2026)), 1);
        QVERIFY(!quoted.contains(QChar::ReplacementCharacter));  // no sequence split
        if (path) {
            QVERIFY(quoted.startsWith("/home/user/"));
            QVERIFY(quoted.endsWith("x/last.pgn"));  // the file's own name stays visible
        } else {
            QVERIFY(quoted.endsWith(QChar(0x2026)));
            QVERIFY(QString::fromUtf8(text).startsWith(quoted.chopped(1)));
        }
    }

    void messagesQuoteShortly()
    {
        // A refused token as long as a line.
        const QByteArray token(3000, 'Q');
        RecordsHost host;
        LoadReport report;
        LoadFrom(host, "[Event \"R\"]\n\n1. e4 " + token + " *\n", 1, kKindPgn, &report);
        QCOMPARE(report.refused.size(), std::size_t(1));
        const QString message = QString::fromStdString(report.Message());
        QVERIFY2(message.contains("1手目(黒)の「" + QString(59, 'Q') + "…」"), qPrintable(message));
        QVERIFY(message.size() < 200);

        // A long file name without games, and a missing one.
        const QString name = QString(75, QChar(0x68cb)) + "-end.pgn";  // 233 bytes: the most a name may have, nearly
        WriteAll(Path(name), "no games here\n");
        KifuFile file;
        OpenKifuFile(host, file, kKindPgn, S(Path(name)));
        OpenKifuFile(host, file, kKindPgn, S(Path(name + "-gone.pgn")));
        QCOMPARE(host.shown.size(), std::size_t(2));
        for (const RecordsHost::Shown& shown : host.shown) {
            const QString text = QString::fromStdString(shown.text);
            QVERIFY2(text.contains("…"), qPrintable(text));
            QVERIFY2(text.contains(".pgn」"), qPrintable(text));
            const QStringList lines = text.split('\n');
            QVERIFY(std::all_of(lines.begin(), lines.end(), [](const QString& line) { return line.size() < 100; }));
        }
    }

    void backupName()
    {
        QCOMPARE(BackupName("/a/games.pgn"), std::string("/a/games.bak"));
        QCOMPARE(BackupName("/a/games.CSV"), std::string("/a/games.bak"));
        QCOMPARE(BackupName("/a.b/games"), std::string("/a.b/games.bak"));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
