// This program's PGN as other programs read it. Random games (castling both
// ways, promotions, mates) and set-up starts cut out of them are saved the way
// "保存" saves them, in short and in long notation, and then read by chess.js
// under node and by pgn-extract: every game with every move, and every
// position's FEN text equal to the one chess.js keeps. This program's own
// reader must read the same files back to the same moves.
#include "RecordsHost.h"
#include "bench/GameGenerator.h"
#include "core/FenText.h"
#include "records/KifuFormat.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using namespace vorlik;
using namespace vorlik::test;

namespace {

constexpr std::uint64_t kSeed = 20240611;
constexpr int kGames = 60;

const QString kInstallHint = QStringLiteral(" (scripts/install-deps test installs it)");

// What the saved games hold, for comparing with what the readers saw.
struct SavedGames {
    int games = 0, plies = 0, positions = 0;
    int shortCastles = 0, longCastles = 0, promotions = 0, mates = 0, setUps = 0, blackFirst = 0;
    std::vector<std::vector<std::string>> coords;  // per game, the moves of plies 1..LastPly
    std::vector<QStringList> fens;                 // per game, the start and every ply's FEN file line
    std::vector<Board> starts;
};

QString RunTool(const QString& program, const QStringList& arguments, int* status)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    if (!tool.waitForFinished(300000)) {
        tool.kill();
        tool.waitForFinished();
    }
    *status = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return QString::fromUtf8(tool.readAll()).trimmed();
}

}  // namespace

class TestOtherReaders : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    SavedGames saved_;

    QString Path(const QString& name) const { return dir_.filePath(name); }

    // Plays the tokens on the host's board and returns how many it took; a
    // token the record refuses ends the game.
    static int Play(TestBoard& window, const GameTokens& tokens, std::size_t from)
    {
        int played = 0;
        for (std::size_t k = from; k < tokens.size(); ++k, ++played) {
            if (!window.CheckChessMoveOutput(tokens[k]))
                break;
        }
        return played;
    }

    void Count(const GameState& game, bool mated)
    {
        ++saved_.games;
        saved_.setUps += !IsStandardStart(game);
        saved_.blackFirst += StartsWithBlack(game);
        std::vector<std::string> coords;
        for (int ply = 1; ply <= game.LastPly; ++ply) {
            const std::string& text = game.KifuShort[ply];
            saved_.plies += !game.KifuCoord[ply].empty();
            saved_.shortCastles += text.rfind("o-o", 0) == 0 && text.rfind("o-o-o", 0) != 0;
            saved_.longCastles += text.rfind("o-o-o", 0) == 0;
            saved_.promotions += text.find('=') != std::string::npos;
            coords.push_back(game.KifuCoord[ply]);
        }
        saved_.mates += mated;
        saved_.coords.push_back(std::move(coords));
        saved_.starts.push_back(game.KifuBoard[0]);
    }

    // The FEN file line of the start and of every ply, as the readers should see them.
    void AppendPositions(QByteArray& fens, int number, const GameState& record)
    {
        const auto copy = std::make_unique<GameState>(record);  // stepped through on a copy
        GameState& game = *copy;
        QStringList positions;
        for (int ply = StartsWithBlack(game) ? 1 : 0; ply <= game.LastPly; ++ply) {
            game.CurPly = ply;
            positions << QString::fromStdString(FenFileLine(game));
            fens += QByteArray::number(number) + '\t' + positions.back().toUtf8() + '\n';
        }
        saved_.positions += positions.size();
        saved_.fens.push_back(positions);
    }

    void Save(RecordsHost& host, int number, QByteArray& fens)
    {
        const GameState& game = host.window.Game();
        GameHeader header;
        header.Field[1] = "Random " + std::to_string(number);
        for (int k = 2; k <= 6; ++k)
            header.Field[k] = "?";
        // A game that ended in mate or stalemate says so, as pgn-extract expects.
        const bool ended = game.LastPly > 0 && LegalMoves(game).empty();
        const bool mated = ended && game.KifuShort[game.LastPly].find_first_of("+#") != std::string::npos;
        header.Field[7] = !ended ? "*" : !mated ? "1/2-1/2" : IsWhitePly(game.LastPly) ? "1-0" : "0-1";
        host.window.session.SetHeader(header);
        for (const bool longForm : {false, true}) {
            host.longForm = longForm;
            host.answers = {-1};  // append when the file is there
            KifuFile file;
            QVERIFY(SaveKifuFile(host, file, kKindPgn, S(Path(longForm ? "long.pgn" : "short.pgn"))));
        }
        Count(game, mated);
        AppendPositions(fens, number, game);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        const std::vector<GameTokens> games = GenerateRandomGames(kSeed, kGames);
        QByteArray fens;
        int number = 0;
        for (std::size_t g = 0; g < games.size(); ++g) {
            RecordsHost host;
            QCOMPARE(Play(host.window, games[g], 0), int(games[g].size()));
            Save(host, ++number, fens);
            // Every third game also starts from one of its own positions, with
            // White or Black to move, as a set-up position would.
            const int cut = 20 + static_cast<int>(g / 3 % 2);
            if (g % 3 != 0 || host.window.Game().LastPly <= cut + 10)
                continue;
            const std::string start = WriteFenText(host.window.Game(), cut);
            RecordsHost setUp;
            QVERIFY(ReadFenInto(setUp.window, start, nullptr));
            // The start keeps its castling rights and passed square: every move plays on.
            QCOMPARE(Play(setUp.window, games[g], static_cast<std::size_t>(cut)), int(games[g].size()) - cut);
            Save(setUp, ++number, fens);
        }
        WriteAll(Path("expected.fen"), fens);
    }

    // The games must reach the rules the readers could disagree about.
    void gamesCoverTheRules()
    {
        QVERIFY(saved_.shortCastles > 0);
        QVERIFY(saved_.longCastles > 0);
        QVERIFY(saved_.promotions > 0);
        QVERIFY(saved_.mates > 0);
        QVERIFY(saved_.setUps > 0);
        QVERIFY(saved_.blackFirst > 0);
        QVERIFY(saved_.plies > 5000);
        qInfo("%d games, %d plies: %d o-o, %d o-o-o, %d promotions, %d mates, %d set-up starts (%d Black first)",
              saved_.games, saved_.plies, saved_.shortCastles, saved_.longCastles, saved_.promotions, saved_.mates,
              saved_.setUps, saved_.blackFirst);
    }

    void chessJsReadsEveryMove_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("short notation") << "short.pgn";
        QTest::newRow("long notation") << "long.pgn";
    }
    void chessJsReadsEveryMove()
    {
        QFETCH(QString, file);
        const QString node = QStandardPaths::findExecutable("node");
        QVERIFY2(!node.isEmpty(), qPrintable("node is not installed" + kInstallHint));
        const QString script = QStringLiteral(VORLIK_SOURCE_DIR "/tests/tools/check_pgn.mjs");
        int status = 0;
        const QString output = RunTool(node, {script, Path(file), Path("expected.fen")}, &status);
        qInfo("chess.js: %s", qPrintable(output));
        QCOMPARE(output, QString("games %1 plies %2 positions %3").arg(saved_.games).arg(saved_.plies)
                             .arg(saved_.positions));
        QCOMPARE(status, 0);
    }

    void pgnExtractReadsEveryMove_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("short notation") << "short.pgn";
        QTest::newRow("long notation") << "long.pgn";
    }
    void pgnExtractReadsEveryMove()
    {
        QFETCH(QString, file);
        const QString pgnExtract = QStandardPaths::findExecutable("pgn-extract", {"/usr/games", "/usr/bin"});
        QVERIFY2(!pgnExtract.isEmpty(), qPrintable("pgn-extract is not installed" + kInstallHint));
        // Each game on one line with pgn-extract's FEN text after every move
        // (the capture-in-passing square after every double step). A game
        // with a move it cannot play is left out and reported in the log.
        const QString out = Path("extracted-" + file), log = Path("log-" + file + ".txt");
        int status = 0;
        RunTool(pgnExtract,
                {"-s", "--fencomments", "--notags", "--nomovenumbers", "-w1000000", "-o" + out, "-l" + log, Path(file)},
                &status);
        QCOMPARE(status, 0);
        const QString diagnostics = QString::fromUtf8(ReadAll(log)).trimmed();
        QVERIFY2(diagnostics.isEmpty(), qPrintable(diagnostics.left(2000)));
        const QStringList games = QString::fromUtf8(ReadAll(out)).split('\n', Qt::SkipEmptyParts);
        const QRegularExpression comment("\\{ ([^}]*) \\}");
        int plies = 0;
        for (int g = 0; g < games.size() && g < saved_.games; ++g) {
            QStringList fens;
            for (QRegularExpressionMatchIterator it = comment.globalMatch(games[g]); it.hasNext();)
                fens << it.next().captured(1);
            QCOMPARE(fens, saved_.fens[g].mid(1));
            plies += fens.size();
        }
        qInfo("pgn-extract: games %lld plies %d", static_cast<long long>(games.size()), plies);
        QCOMPARE(games.size(), saved_.games);
        QCOMPARE(plies, saved_.plies);
    }

    // "開く" reads "O-O" with its marks and the full FEN tag back to the same game.
    void ownReaderReadsItBack_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("short notation") << "short.pgn";
        QTest::newRow("long notation") << "long.pgn";
    }
    void ownReaderReadsItBack()
    {
        QFETCH(QString, file);
        KifuFile scanned;
        ScanKifuFile(scanned, kKindPgn, S(Path(file)));
        QCOMPARE(scanned.KifuCount, saved_.games);
        for (int n = 1; n <= scanned.KifuCount; ++n) {
            TestBoard window;
            const LoadReport report = LoadInto(window, scanned, kKindPgn, n);
            QVERIFY2(report.Message().empty(), qPrintable(QString("game %1: ").arg(n) + report.Message().c_str()));
            const GameState& game = window.Game();
            QCOMPARE(game.KifuBoard[0], saved_.starts[n - 1]);
            QStringList coords, expected;
            for (int ply = 1; ply <= game.LastPly; ++ply)
                coords << QString::fromStdString(game.KifuCoord[ply]);
            for (const std::string& coord : saved_.coords[n - 1])
                expected << QString::fromStdString(coord);
            QCOMPARE(coords, expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestOtherReaders)
#include "tst_other_readers.moc"
