// The engine's output as lines, and what a line says: how pipe reads that
// cut lines anywhere come together again, and how errors, moves and results
// are told apart from the talk and thinking output around them.
#include "core/ModuleMekDim.h"
#include "engine/EngineLines.h"

#include <QtTest>

#include <random>

using namespace vorlik;

Q_DECLARE_METATYPE(vorlik::ReplyKind)

namespace {

QByteArrayList Lines(const std::vector<std::string>& lines)
{
    QByteArrayList list;
    for (const std::string& line : lines)
        list << QByteArray::fromStdString(line);
    return list;
}

bool IsUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<int>(text.size())).toUtf8() ==
           QByteArray::fromStdString(text);
}

const QByteArray kBad = "\xEF\xBF\xBD";  // U+FFFD, what a byte that is no UTF-8 becomes

}  // namespace

class TestLines : public QObject {
    Q_OBJECT

private slots:
    void reader_data()
    {
        QTest::addColumn<int>("maxLine");
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QByteArrayList>("expected");
        QTest::addColumn<QByteArray>("left");  // what Flush hands out afterwards
        const int big = static_cast<int>(kMaxEngineLine);
        using L = QByteArrayList;

        QTest::newRow("move split across two reads") << big << L{"mo", "ve e7e5\n"} << L{"move e7e5"} << QByteArray();
        QTest::newRow("CR LF split between reads")
            << big << L{"move e7e5\r", "\nmove d7d5\r\n"} << L{"move e7e5", "move d7d5"} << QByteArray();
        QTest::newRow("CR LF in one read") << big << L{"a\r\nb\r\n"} << L{"a", "b"} << QByteArray();
        QTest::newRow("CR only") << big << L{"a\rb\r", "c"} << L{"a", "b"} << QByteArray("c");
        QTest::newRow("CR then CR LF") << big << L{"a\r\r\n"} << L{"a", ""} << QByteArray();
        QTest::newRow("LF then CR: an empty line between")
            << big << L{"a\n\rb\n"} << L{"a", "", "b"} << QByteArray();
        QTest::newRow("an empty read changes nothing")
            << big << L{"a\r", "", "\nb\n"} << L{"a", "b"} << QByteArray();
        QTest::newRow("empty lines") << big << L{"\n\n"} << L{"", ""} << QByteArray();
        QTest::newRow("a line without its end waits")
            << big << L{"feature done=1"} << L{} << QByteArray("feature done=1");
        QTest::newRow("over-long line cut, its rest dropped")
            << 8 << L{"0123456789abc\nnext\n"} << L{"01234567", "next"} << QByteArray();
        QTest::newRow("over-long line across reads, ended by CR LF")
            << 8 << L{"01234", "56789", "abc", "\r", "\nx\n"} << L{"01234567", "x"} << QByteArray();
        QTest::newRow("a line of exactly the bound") << 8 << L{"01234567\n"} << L{"01234567"} << QByteArray();
        QTest::newRow("over-long line without end") << 4 << L{"abcdefgh"} << L{} << QByteArray("abcd");
        QTest::newRow("invalid byte replaced") << big << L{"a\xff" "b\n"} << L{"a" + kBad + "b"} << QByteArray();
        QTest::newRow("Japanese kept") << big << L{"エンジン\n"} << L{"エンジン"} << QByteArray();
        QTest::newRow("character split between reads") << big << L{"\xE3\x82", "\xA8\n"} << L{"エ"} << QByteArray();
        QTest::newRow("four-byte character kept")
            << big << L{"\xF0\x9F\x98\x80\n"} << L{"\xF0\x9F\x98\x80"} << QByteArray();
        QTest::newRow("overlong form") << big << L{"\xC0\xAF\n"} << L{kBad + kBad} << QByteArray();
        QTest::newRow("surrogate") << big << L{"\xED\xA0\x80\n"} << L{kBad + kBad + kBad} << QByteArray();
        QTest::newRow("above U+10FFFF") << big << L{"\xF4\x90\x80\x80\n"} << L{kBad + kBad + kBad + kBad}
                                        << QByteArray();
        QTest::newRow("sequence cut by the line end")
            << big << L{"\xE3\x82\nok\n"} << L{kBad + kBad, "ok"} << QByteArray();
        QTest::newRow("control characters become blanks, TAB stays")
            << big << L{QByteArray("a\x01\tb\x7F" "c\0d\n", 9)} << L{"a \tb c d"} << QByteArray();
    }
    void reader()
    {
        QFETCH(int, maxLine);
        QFETCH(QByteArrayList, reads);
        QFETCH(QByteArrayList, expected);
        QFETCH(QByteArray, left);
        EngineLineReader reader(static_cast<std::size_t>(maxLine));
        QByteArrayList lines;
        for (const QByteArray& read : reads)
            lines << Lines(reader.Feed(read.toStdString()));
        QCOMPARE(lines, expected);
        QCOMPARE(QByteArray::fromStdString(reader.Flush()), left);
        QCOMPARE(QByteArray::fromStdString(reader.Flush()), QByteArray());
    }

    // A pipe hands out whatever it holds; cut anywhere, a long stream of
    // thinking output comes out line for line, and a line far past the bound
    // costs no more than the bound.
    void readerFlood()
    {
        std::string stream;
        std::vector<std::string> sent;
        for (int k = 0; k < 20000; ++k) {
            sent.push_back(" " + std::to_string(k % 30) + "  " + std::to_string(k * 7 % 300 - 150) + "  " +
                           std::to_string(k) + "  12345 e2e4 e7e5 g1f3");
            stream += sent.back() + (k % 3 == 0 ? "\r\n" : "\n");
        }
        sent.push_back(std::string(kMaxEngineLine, 'x'));
        stream += std::string(100000, 'x') + "\nmove e7e5\n";
        sent.push_back("move e7e5");

        std::mt19937 random(7);
        EngineLineReader reader;
        std::vector<std::string> lines;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t size = std::min<std::size_t>(1 + random() % 1024, stream.size() - at);
            for (std::string& line : reader.Feed(std::string_view(stream).substr(at, size)))
                lines.push_back(std::move(line));
            at += size;
        }
        QCOMPARE(lines.size(), sent.size());
        QVERIFY(lines == sent);
    }

    void clearDropsPartialLine()
    {
        EngineLineReader reader;
        QVERIFY(reader.Feed("move e7").empty());
        reader.Clear();
        QCOMPARE(Lines(reader.Feed("move d7d5\n")), QByteArrayList{"move d7d5"});
    }

    void readLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("prefix");     // EngSet(7)
        QTest::addColumn<QString>("errorText");  // EngSet(8)
        QTest::addColumn<int>("curPly");
        QTest::addColumn<ReplyKind>("kind");
        QTest::addColumn<QString>("move");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("resign");
        const ReplyKind other = ReplyKind::Other, error = ReplyKind::Error, move = ReplyKind::Move;

        // Errors.
        QTest::newRow("Illegal move") << "Illegal move: e2e5" << "" << "" << 1 << error << "" << "" << false;
        QTest::newRow("ILLEGAL MOVE") << "ILLEGAL MOVE" << "" << "" << 1 << error << "" << "" << false;
        QTest::newRow("illegal move in parentheses")
            << "Illegal move (in check): e1e2" << "" << "" << 3 << error << "" << "" << false;
        QTest::newRow("error before move: a line holding both")
            << "move e7e5 Illegal move" << "" << "" << 1 << error << "" << "" << false;
        QTest::newRow("Illegal move at ply 0 still counts")
            << "Illegal move: go" << "" << "" << 0 << error << "" << "" << false;
        QTest::newRow("configured error text") << "Error (unknown command): e2e5" << "" << "Error" << 1 << error
                                               << "" << "" << false;
        QTest::newRow("configured error text, other case")
            << "error (unknown command): e2e5" << "" << "Error" << 1 << other << "" << "" << false;
        QTest::newRow("configured error text at ply 0")
            << "Error (unknown command): go" << "" << "Error" << 0 << other << "" << "" << false;
        QTest::newRow("configured error text beats a move")
            << "move e7e5 Error" << "" << "Error" << 2 << error << "" << "" << false;

        // Moves with the built-in prefixes.
        QTest::newRow("move") << "move e7e5" << "" << "" << 1 << move << "e7e5" << "" << false;
        QTest::newRow("move after blanks") << "  move g8f6" << "" << "" << 1 << move << "g8f6" << "" << false;
        QTest::newRow("move in the middle is talk")
            << "your move is e2-e4" << "" << "" << 1 << other << "" << "" << false;
        QTest::newRow("Move in capitals is no prefix")
            << "Move e7e5" << "" << "" << 1 << other << "" << "" << false;
        QTest::newRow("move without a blank") << "move" << "" << "" << 1 << other << "" << "" << false;
        QTest::newRow(". ... form") << "1. ... e7e5" << "" << "" << 1 << move << "e7e5" << "" << false;
        QTest::newRow(". ... with a piece letter")
            << "12. ... Nf6" << "" << "" << 23 << move << "Nf6" << "" << false;
        QTest::newRow("move at the start wins over . ...")
            << "move e7e5 after 1. ... d7d5" << "" << "" << 1 << move << "e7e5" << "" << false;
        QTest::newRow("move with promotion") << "move e2e1q" << "" << "" << 9 << move << "e2e1q" << "" << false;
        QTest::newRow("move ends at +") << "move Qh4+" << "" << "" << 1 << move << "Qh4" << "" << false;
        QTest::newRow("move ends at #") << "move Qxf7#" << "" << "" << 1 << move << "Qxf7" << "" << false;
        QTest::newRow("move ends at !") << "move e7e5!?" << "" << "" << 1 << move << "e7e5" << "" << false;
        QTest::newRow("move ends at a blank")
            << "move e7e5 {book}" << "" << "" << 1 << move << "e7e5" << "" << false;
        QTest::newRow("move ends at a TAB") << "move e7e5\tx" << "" << "" << 1 << move << "e7e5" << "" << false;
        QTest::newRow("castling and = stay") << "move O-O-O" << "" << "" << 1 << move << "O-O-O" << "" << false;
        QTest::newRow("token of 12 characters cut at 10")
            << "move abcdefghijkl" << "" << "" << 1 << move << "abcdefghij" << "" << false;
        QTest::newRow("token of exactly 10") << "move e7e8=Q/abc" << "" << "" << 1 << move << "e7e8=Q/abc" << ""
                                             << false;

        // A configured prefix replaces both built-in ones.
        QTest::newRow("configured prefix") << "My move is: e7e5" << "My move is: " << "" << 1 << move << "e7e5" << ""
                                           << false;
        QTest::newRow("configured prefix anywhere")
            << "  8 ply, best: d7d5 ponder c2c4" << "best: " << "" << 1 << move << "d7d5" << "" << false;
        QTest::newRow("configured prefix: move is no prefix")
            << "move e7e5" << "My move is: " << "" << 1 << other << "" << "" << false;
        QTest::newRow("configured prefix: . ... is no prefix")
            << "1. ... e7e5" << "My move is: " << "" << 1 << other << "" << "" << false;

        // Results.
        QTest::newRow("1-0 {White mates}") << "1-0 {White mates}" << "" << "" << 5 << other << "" << "1-0" << false;
        QTest::newRow("0-1") << "0-1" << "" << "" << 6 << other << "" << "0-1" << false;
        QTest::newRow("0-1 {White resigns}")
            << "0-1 {White resigns}" << "" << "" << 6 << other << "" << "0-1" << false;
        QTest::newRow("1/2-1/2 {Stalemate}")
            << "1/2-1/2 {Stalemate}" << "" << "" << 9 << other << "" << "1/2-1/2" << false;
        QTest::newRow("Stalemate in talk") << "That is Stalemate" << "" << "" << 9 << other << "" << "1/2-1/2"
                                           << false;
        QTest::newRow("stalemate in small letters")
            << "no stalemate here" << "" << "" << 9 << other << "" << "" << false;
        QTest::newRow("Black mates") << "Black mates" << "" << "" << 9 << other << "" << "0-1" << false;
        QTest::newRow("resign") << "resign" << "" << "" << 9 << other << "" << "" << true;
        QTest::newRow("thinking output") << "9 -101 0 1234 e2e4" << "" << "" << 9 << other << "" << "" << false;
        QTest::newRow("thinking output from depth 10")
            << "10 -1 0 1234 e2e4 e7e5" << "" << "" << 9 << other << "" << "" << false;
        QTest::newRow("a result named in talk")
            << "book says 1-0 after 0-1 moves" << "" << "" << 9 << other << "" << "" << false;
        QTest::newRow("a move and a result in one line")
            << "move Qxf7# 1-0 {White mates}" << "" << "" << 6 << move << "Qxf7" << "1-0" << false;
    }
    void readLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, prefix);
        QFETCH(QString, errorText);
        QFETCH(int, curPly);
        ReplyRules rules;
        rules.movePrefix = prefix.toStdString();
        rules.errorText = errorText.toStdString();
        rules.curPly = curPly;
        const EngineReply reply = ReadEngineLine(line.toStdString(), rules);
        QTEST(reply.kind, "kind");
        QTEST(QString::fromStdString(reply.move), "move");
        QTEST(QString::fromStdString(reply.result), "result");
        QTEST(reply.resign, "resign");
    }

    // The move is handed to the rules one character a slot; a cut through a
    // character would hand them half of one.
    void moveCutAtCharacter()
    {
        const EngineReply reply = ReadEngineLine("move abcdefghiエ", ReplyRules());
        QCOMPARE(reply.kind, ReplyKind::Move);
        QVERIFY(reply.move.size() <= static_cast<std::size_t>(kMaxMoveText));
        QVERIFY(IsUtf8(reply.move));
        QCOMPARE(QString::fromStdString(reply.move), QString("abcdefghi"));
    }

    void engineMoveText_data()
    {
        QTest::addColumn<QString>("coord");
        QTest::addColumn<QString>("sent");
        QTest::newRow("plain move") << "e2e4" << "e2e4";
        QTest::newRow("castling as the king's move") << "e1g1" << "e1g1";
        QTest::newRow("promotion in capitals") << "e7e8Q" << "e7e8q";
        QTest::newRow("knight promotion") << "b2a1N" << "b2a1n";
        QTest::newRow("promotion already small") << "a7a8r" << "a7a8r";
    }
    void engineMoveText()
    {
        QFETCH(QString, coord);
        QTEST(QString::fromStdString(EngineMoveText(coord.toStdString())), "sent");
    }
};

QTEST_GUILESS_MAIN(TestLines)
#include "tst_lines.moc"
