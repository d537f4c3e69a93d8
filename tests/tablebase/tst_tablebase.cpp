// The tables' answers against Debian's fathom on the shared three- and
// four-piece tables, the positions that have none, folders with bad files,
// and the claim text.
#include "core/ModuleMekDim.h"
#include "core/FenText.h"
#include "tablebase/Tablebase.h"
#include "tablebase/TablebaseClaim.h"

#include <QtTest>

using namespace vorlik;

namespace {

const QString kTables = QStringLiteral(VORLIK_SYZYGY_DIR);

TbPosition FromFen(const std::string& fen)
{
    TbPosition position;
    bool blackToMove = false;
    StartRights rights;
    if (ReadFenText(fen, position.board, blackToMove, &rights) != FenError::None)
        qFatal("bad FEN in the test: %s", fen.c_str());
    position.whiteToMove = !blackToMove;
    position.castling = rights.castling;
    position.passedFile = rights.passedFile;
    position.halfMoveClock = rights.halfMoveClock;
    return position;
}

// The moves by fathom's three lists: won, drawn (cursed wins and blessed
// losses among them), lost; without check marks, as fathom writes them.
QString MovesOf(const TbAnswer& answer, TbResult low, TbResult high)
{
    QStringList moves;
    for (const TbMove& move : answer.moves) {
        if (move.result >= low && move.result <= high)
            moves << QString::fromStdString(move.shortText).remove('+').remove('#');
    }
    moves.sort();
    return moves.join(", ");
}

QString Sorted(const QString& list)
{
    QStringList moves = list.split(", ", Qt::SkipEmptyParts);
    moves.sort();
    return moves.join(", ");
}

void CopyTable(const QString& name, const QString& folder)
{
    QVERIFY(QFile::copy(kTables + '/' + name, folder + '/' + name));
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class TestTablebase : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(kTables + QStringLiteral("/KQvK.rtbw")))
            QSKIP(qPrintable("the shared Syzygy tables are not there: " + kTables));
        all_ = std::make_unique<Tablebase>(kTables);
    }

    // Expected values are fathom's (fathom --path=... FEN), its DTZ signed
    // from the side to move.
    void probe_data()
    {
        QTest::addColumn<QString>("fen");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("dtz");
        QTest::addColumn<QString>("best");
        QTest::addColumn<QString>("winning");
        QTest::addColumn<QString>("drawing");
        QTest::addColumn<QString>("losing");

        QTest::newRow("win") << "8/8/8/8/8/3k4/8/3KQ3 w - - 0 1" << "win" << 9 << "Qe5"
                             << "Kc1, Qf1, Qg1, Qh1, Qd2, Qe2, Qf2, Qg3, Qb4, Qh4, Qa5, Qe5, Qe6, Qe7, Qe8"
                             << "Qc3, Qe3, Qe4" << "";
        QTest::newRow("cursed win: the clock leaves too few plies")
            << "8/8/8/8/8/3k4/8/3KQ3 w - - 93 1" << "cursed-win" << 9 << "Qe5" << ""
            << "Kc1, Qf1, Qg1, Qh1, Qd2, Qe2, Qf2, Qg3, Qb4, Qh4, Qa5, Qe5, Qe6, Qe7, Qe8, Qc3, Qe3, Qe4" << "";
        QTest::newRow("loss") << "8/8/8/4Q3/8/3k4/8/3K4 b - - 0 1" << "loss" << -8 << "Kc4" << "" << ""
                              << "Kc4";
        QTest::newRow("blessed loss") << "8/8/8/4Q3/8/3k4/8/3K4 b - - 95 1" << "blessed-loss" << -8 << "Kc4"
                                      << "" << "Kc4" << "";
        QTest::newRow("draw, capture in passing among the moves")
            << "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1" << "draw" << 0 << "Kd1" << ""
            << "Kd1, Kf1, Kd2, Ke2, Kf2, exd6, e6" << "";
        QTest::newRow("capture in passing throws the win away")
            << "8/8/8/8/3pP3/8/8/k6K b - e3 0 1" << "win" << 1 << "d3" << "Kb1, Ka2, Kb2, d3" << "dxe3" << "";
        // fathom calls the mated side's result "Win"; it has lost.
        QTest::newRow("mated: lost, no move") << "3k4/3Q4/3K4/8/8/8/8/8 b - - 0 1" << "loss" << 0 << "" << ""
                                              << "" << "";
    }
    void probe()
    {
        QFETCH(QString, fen);
        QFETCH(QString, result);
        QFETCH(int, dtz);
        QFETCH(QString, best);
        QFETCH(QString, winning);
        QFETCH(QString, drawing);
        QFETCH(QString, losing);

        QVERIFY2(all_->report().problems.isEmpty(), qPrintable(all_->report().problems.join('\n')));
        QCOMPARE(all_->report().largest, 4);
        const TbAnswer answer = all_->probe(FromFen(fen.toStdString()));
        QVERIFY2(answer.found, qPrintable(answer.why));
        QCOMPARE(QString(TbResultWord(answer.result)), result);
        // The result alone agrees where the fifty-move count has not begun.
        const TbPosition position = FromFen(fen.toStdString());
        if (position.halfMoveClock == 0)
            QCOMPARE(all_->probeResult(position).result, answer.result);
        QCOMPARE(answer.dtz, dtz);
        QCOMPARE(answer.moves.empty() ? QString() : QString::fromStdString(answer.moves.front().shortText)
                                                        .remove('+'),
                 best);
        QCOMPARE(MovesOf(answer, TbResult::Win, TbResult::Win), Sorted(winning));
        QCOMPARE(MovesOf(answer, TbResult::BlessedLoss, TbResult::CursedWin), Sorted(drawing));
        QCOMPARE(MovesOf(answer, TbResult::Loss, TbResult::Loss), Sorted(losing));
    }

    // A position played on keeps what the tables ask about: the count since
    // the last capture or pawn move, the pawn that may be taken in passing,
    // the castling rights whose king and rook still stand.
    void playMoves_data()
    {
        QTest::addColumn<QString>("fen");
        QTest::addColumn<QString>("moves");
        QTest::addColumn<bool>("legal");
        QTest::addColumn<int>("castling");
        QTest::addColumn<int>("passedFile");
        QTest::addColumn<int>("clock");
        QTest::addColumn<bool>("whiteToMove");
        QTest::newRow("a rook leaves its corner") << "r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1" << "h1h2" << true
                                                 << int(kBlackQueenSide) << 0 << 1 << false;
        QTest::newRow("a double step") << "4k3/8/8/8/3p4/8/4P3/4K3 w - - 5 1" << "e2e4" << true << 0 << 5 << 0
                                       << false;
        QTest::newRow("taken in passing, then a king's step")
            << "4k3/8/8/8/3p4/8/4P3/4K3 w - - 5 1" << "e2e4 d4e3 e1e2" << true << 0 << 0 << 1 << false;
        QTest::newRow("a capture starts the count again") << "4k3/8/8/8/8/8/3p4/4K3 w - - 7 1" << "e1d2 e8e7"
                                                          << true << 0 << 0 << 1 << true;
        QTest::newRow("a move the rules refuse") << "4k3/8/8/8/8/8/8/4K3 w - - 0 1" << "e1e3" << false << 0 << 0
                                                 << 0 << true;
    }
    void playMoves()
    {
        QFETCH(QString, fen);
        QFETCH(QString, moves);
        QFETCH(bool, legal);
        TbPosition position = FromFen(fen.toStdString());
        std::vector<std::string> coords;
        for (const QString& move : moves.split(' '))
            coords.push_back(move.toStdString());
        QCOMPARE(TbPlayMoves(position, coords), legal);
        if (!legal)
            return;
        QTEST(position.castling, "castling");
        QTEST(position.passedFile, "passedFile");
        QTEST(position.halfMoveClock, "clock");
        QTEST(position.whiteToMove, "whiteToMove");
    }

    void noResult_data()
    {
        QTest::addColumn<QString>("fen");
        QTest::addColumn<QString>("why");
        QTest::newRow("castling right in a four-piece ending") << "4k3/8/8/8/8/8/8/R3K2R w K - 0 1" << "castling";
        QTest::newRow("five pieces") << "4k3/8/8/8/8/8/8/RN2K2R w - - 0 1" << "more pieces";
        QTest::newRow("the side not to move in check") << "4k3/8/8/8/8/8/4Q3/4K3 w - - 0 1" << "in check";
        QTest::newRow("two white kings") << "4k3/8/8/8/8/8/8/K3K3 w - - 0 1" << "one king";
        QTest::newRow("no black king") << "8/8/8/8/8/8/8/Q3K3 w - - 0 1" << "one king";
        QTest::newRow("a pawn on the last rank") << "3Pk3/8/8/8/8/8/8/4K3 b - - 0 1" << "pawn";
    }
    void noResult()
    {
        QFETCH(QString, fen);
        QFETCH(QString, why);
        const TbAnswer answer = all_->probe(FromFen(fen.toStdString()));
        QVERIFY(!answer.found);
        QVERIFY(answer.moves.empty());
        QVERIFY2(answer.why.contains(why), qPrintable(answer.why));
    }

    // A truncated and a foreign file are told once each and left out; the
    // next folder of the list gives the table the first could not, a file
    // that is no table is passed over, a missing folder is told.
    void badFilesAreToldAndTheRestUsed()
    {
        QTemporaryDir first, second;
        CopyTable(QStringLiteral("KQvK.rtbw"), first.path());
        CopyTable(QStringLiteral("KQvK.rtbz"), first.path());
        QFile whole(kTables + QStringLiteral("/KRvK.rtbw"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        WriteFile(first.filePath(QStringLiteral("KRvK.rtbw")), whole.read(whole.size() / 2 + 1));
        CopyTable(QStringLiteral("KRvK.rtbz"), first.path());
        WriteFile(first.filePath(QStringLiteral("KNvKN.rtbw")), QByteArray(272, 'x'));
        CopyTable(QStringLiteral("KNvKN.rtbz"), first.path());
        WriteFile(first.filePath(QStringLiteral("README.txt")), "tables\n");
        CopyTable(QStringLiteral("KRvK.rtbw"), second.path());

        const Tablebase tables(first.path() + ':' + second.path() + QStringLiteral(":/no/such/folder"));
        const QStringList problems = tables.report().problems;
        QCOMPARE(problems.size(), 3);
        QVERIFY(problems[0].contains(QStringLiteral("KNvKN.rtbw")) && problems[0].contains("not a Syzygy table"));
        QVERIFY(problems[1].contains(QStringLiteral("KRvK.rtbw")) && problems[1].contains("truncated"));
        QVERIFY(problems[2].contains(QStringLiteral("/no/such/folder")));
        QCOMPARE(tables.report().tables, 5);

        QVERIFY(tables.probe(FromFen("8/8/8/8/8/3k4/8/3KQ3 w - - 0 1")).found);
        QVERIFY(tables.probe(FromFen("8/8/8/8/8/3k4/8/3KR3 w - - 0 1")).found);
        QVERIFY(!tables.probe(FromFen("8/8/8/4n3/8/3k4/8/3KN3 w - - 0 1")).found);

        const Tablebase none(second.path() + QStringLiteral("/nothing"));
        QVERIFY(!none.usable());
        QVERIFY(!none.probe(FromFen("8/8/8/8/8/3k4/8/3KQ3 w - - 0 1")).found);
    }

    // A folder taken away while its set is in use: the tables already read
    // still answer, the others have no result; nothing crashes.
    void folderRemovedMeanwhile()
    {
        auto folder = std::make_unique<QTemporaryDir>();
        for (const char* name : {"KQvK.rtbw", "KQvK.rtbz", "KRvK.rtbw", "KRvK.rtbz"})
            CopyTable(QString::fromLatin1(name), folder->path());
        const Tablebase tables(folder->path());
        const TbPosition queen = FromFen("8/8/8/8/8/3k4/8/3KQ3 w - - 0 1");
        QCOMPARE(tables.probe(queen).dtz, 9);
        folder.reset();
        QCOMPARE(tables.probe(queen).dtz, 9);
        const TbAnswer rook = tables.probe(FromFen("8/8/8/8/8/3k4/8/3KR3 w - - 0 1"));
        QVERIFY(!rook.found);
        QVERIFY(rook.moves.empty());
    }

    // libfathom holds one set at a time: two sets asked in turn each answer
    // from their own tables.
    void setsTakeTurns()
    {
        QTemporaryDir queens;
        CopyTable(QStringLiteral("KQvK.rtbw"), queens.path());
        CopyTable(QStringLiteral("KQvK.rtbz"), queens.path());
        const Tablebase few(queens.path());
        const Tablebase all(kTables);
        const TbPosition rook = FromFen("8/8/8/8/8/3k4/8/3KR3 w - - 0 1");
        for (int turn = 0; turn < 3; ++turn) {
            QVERIFY(!few.probe(rook).found);
            QVERIFY(all.probe(rook).found);
        }
        {
            const Tablebase brief(kTables);
            QVERIFY(brief.probe(rook).found);
        }
        QVERIFY(!few.probe(rook).found);
        QCOMPARE(all.probe(rook).result, TbResult::Win);
    }

    void claim_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("whiteToMove");
        QTest::addColumn<QString>("claimed");  // the claim line, empty for none
        QTest::addColumn<bool>("reason");
        QTest::newRow("win") << int(TbResult::Win) << false << "黒の勝ち (Black wins)" << false;
        QTest::newRow("draw") << int(TbResult::Draw) << true << "引き分け (draw)" << false;
        QTest::newRow("cursed win claimed as a draw") << int(TbResult::CursedWin) << true << "引き分け (draw)" << true;
        QTest::newRow("blessed loss claimed as a draw") << int(TbResult::BlessedLoss) << true << "引き分け (draw)"
                                                        << true;
        QTest::newRow("loss: nothing to claim") << int(TbResult::Loss) << true << "" << false;
    }
    void claim()
    {
        QFETCH(int, result);
        QFETCH(bool, whiteToMove);
        QFETCH(QString, claimed);
        QFETCH(bool, reason);
        TbClaimGame game;
        game.white = "佐藤";
        game.black = "Kato";
        game.event = "第5回通信選手権";
        game.fen = whiteToMove ? "8/8/8/8/8/3k4/8/3KQ3 w - - 0 41" : "8/8/8/8/8/3K4/8/3kq3 b - - 0 41";
        game.moveNumber = 41;
        game.whiteToMove = whiteToMove;
        game.result = static_cast<TbResult>(result);
        game.move = whiteToMove ? "Qe5" : "Qe4";
        game.dtz = 9;
        const QStringList lines = [&] {
            QStringList list;
            for (const std::string& line : TbClaimText(game))
                list << QString::fromStdString(line);
            return list;
        }();
        if (claimed.isEmpty()) {
            QVERIFY(lines.isEmpty());
            return;
        }
        const QString text = lines.join('\n');
        QVERIFY2(text.contains("佐藤") && text.contains("Kato") && text.contains("第5回通信選手権"), qPrintable(text));
        QVERIFY(lines.contains("局面 (position): " + QString::fromStdString(game.fen)));
        QVERIFY2(lines.contains("申告 (claim): " + claimed), qPrintable(text));
        QVERIFY2(text.contains(whiteToMove ? "41. Qe5" : "41... Qe4"), qPrintable(text));
        QVERIFY(text.contains("DTZ: 9"));
        QCOMPARE(text.contains("50手規則"), reason);
    }

private:
    std::unique_ptr<Tablebase> all_;  // one set for the probes: libfathom tells every change of set on stderr
};

QTEST_GUILESS_MAIN(TestTablebase)
#include "tst_tablebase.moc"
