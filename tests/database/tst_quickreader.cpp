// The import's quick reader of plain PGN moves against the file readers:
// whatever game it takes, the readers take too, with the same positions,
// keys, plies and moves; whatever game the readers refuse, it leaves to them.
#include "bench/GameGenerator.h"
#include "database/DatabaseImport.h"
#include "database/FastGameReader.h"
#include "records/ModuleMekFile.h"

#include <QtTest>

namespace {

using namespace vorlik;

std::string Game(const std::string& moves)
{
    return "[Event \"Quick\"]\n[Result \"*\"]\n\n" + moves + " *\n\n";
}

// The knights out and back, enough times to pass the record's 400 plies.
std::string KnightDance(int times)
{
    std::string moves;
    for (int k = 0; k < times; ++k)
        moves += std::to_string(2 * k + 1) + ". Nf3 Nf6 " + std::to_string(2 * k + 2) + ". Ng1 Ng8 ";
    return moves;
}

}  // namespace

class TestQuickReader : public QObject {
    Q_OBJECT
private slots:
    void agrees_data();
    void agrees();
};

void TestQuickReader::agrees_data()
{
    QTest::addColumn<QByteArray>("pgn");
    QTest::addColumn<int>("quick");  // games the quick reader must take
    const auto row = [](const char* name, const std::string& pgn, int quick) {
        QTest::newRow(name) << QByteArray::fromStdString(pgn) << quick;
    };
    row("seeded random games to mate, with castling and promotions",
        GamesToPgn(GenerateRandomGames(31, 300)), 300);
    row("castling both ways", Game("1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. O-O d6 5. d4 Bd7 6. Nc3 Qe7 7. Bg5 O-O-O"), 1);
    row("capture in passing, the key with and without it",
        Game("1. e4 Nf6 2. e5 d5 3. exd6 cxd6 4. a4 h5 5. a5 b5 6. axb6 Nc6"), 1);
    row("promotion with and without =", Game("1. h4 g5 2. hxg5 Nf6 3. gxf6 Rg8 4. fxe7 Rg6 5. exf8=Q+ Kxf8") +
                                              Game("1. h4 g5 2. hxg5 Nf6 3. gxf6 Rg8 4. fxe7 Rg6 5. exf8Q+ Kxf8"), 2);
    row("promotion without its piece: the readers' queen",
        Game("1. h4 g5 2. hxg5 Nf6 3. gxf6 Rg8 4. fxe7 Rg6 5. exf8+ Kxf8"), 0);
    row("two rooks may go: ambiguous, then named by file", Game("1. a4 a5 2. h4 h5 3. Ra3 Ra6 4. Rhh3 Rhh6 5. Re3") +
                                                               Game("1. a4 a5 2. h4 h5 3. Ra3 Ra6 4. Rhh3 Rhh6 5. Rae3"), 1);
    row("two knights reach e4: named by their file", Game("1. d4 e5 2. Nc3 Bb4 3. a3 Nc6 4. Nf3 Nf6 5. Nd2 d6 6. Nde4"), 1);
    row("an illegal move", Game("1. e4 e5 2. Ke3 Nc6"), 0);
    row("a mate mark before the end: the readers stop there", Game("1. e4# e5 2. Nf3"), 0);
    row("a capture mark on an empty square", Game("1. e4 e5 2. Nxf3"), 0);
    row("coordinates and castling with zeros", Game("1. e2e4 e7e5 2. g1f3 b8c6 3. f1c4 g8f6 4. 0-0"), 0);
    row("past the record's 400 plies", Game(KnightDance(101)), 0);
    row("exactly 400 plies", Game(KnightDance(100)), 1);
    row("a check not answered", Game("1. e4 f5 2. exf5 Kf7 3. Qh5+ Nf6"), 0);
    row("a discovered check not answered, then answered",
        Game("1. e4 e5 2. Nf3 Nf6 3. Nxe5 Nxe4 4. Qe2 Nf6 5. Nc6+ a6") +
            Game("1. e4 e5 2. Nf3 Nf6 3. Nxe5 Nxe4 4. Qe2 Nf6 5. Nc6+ Qe7 6. Nxe7"), 1);
    row("a pinned knight moves", Game("1. d4 e5 2. Nd2 Bb4 3. Nb3"), 0);
    row("a check mark where there is none, and a mate at the end",
        Game("1. f3+ e5 2. g4 Qh4#"), 1);
}

void TestQuickReader::agrees()
{
    QFETCH(QByteArray, pgn);
    QFETCH(int, quick);
    KifuFile scan;
    ScanKifuText(scan, kKindPgn, pgn.toStdString());
    QVERIFY(scan.KifuCount > 0);
    ReadersLine readers;
    int taken = 0;
    for (int g = 1; g <= scan.KifuCount; ++g) {
        std::vector<LinePosition> fast, slow;
        int plies = 0;
        std::string reason;
        const bool read = readers.Read(scan, kKindPgn, g, slow, plies, reason);
        if (!ReadPlainMoves(scan.KifuList[g][kMoveText], fast))
            continue;
        ++taken;
        QVERIFY2(read, (std::to_string(g) + ": the readers refuse it: " + reason).c_str());
        QCOMPARE(static_cast<int>(fast.size()) - 1, plies);
        QCOMPARE(fast.size(), slow.size());
        for (std::size_t k = 0; k < fast.size(); ++k) {
            QCOMPARE(fast[k].key, slow[k].key);
            QCOMPARE(fast[k].ply, slow[k].ply);
            QCOMPARE(fast[k].move, slow[k].move);
        }
    }
    QCOMPARE(taken, quick);
}

QTEST_GUILESS_MAIN(TestQuickReader)
#include "tst_quickreader.moc"
