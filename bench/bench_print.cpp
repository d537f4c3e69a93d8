// Offscreen: the print dialog opened on a 400-ply game (PrintOutInit, show,
// the first paint of the page preview), and `vorlik-kifu print` of the same
// game into a PDF file, wall clock from the start of the process.
#include "BenchSupport.h"
#include "GameGenerator.h"

#include "core/MoveCommit.h"
#include "ui/DialogMnuFilePrint.h"
#include "ui/WindowServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>

namespace {

using namespace vorlik;

// Random legal moves from the start until the record is full; a game that
// ends early starts again.
std::unique_ptr<GameState> FullGame(std::uint64_t seed, GameTokens& tokens)
{
    std::mt19937_64 random(seed);
    auto game = std::make_unique<GameState>();
    while (game->LastPly < kMaxPly) {
        ResetGame(*game);
        SetStartPosition(*game);
        tokens.clear();
        for (std::vector<std::string> legal = LegalMoves(*game); !legal.empty() && game->LastPly < kMaxPly;
             legal = LegalMoves(*game)) {
            if (!CommitMove(*game, legal[random() % legal.size()]))
                break;
            tokens.push_back(game->KifuShort[game->LastPly]);
        }
    }
    return game;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    GameTokens tokens;
    const auto game = FullGame(11, tokens);
    GameHeader header;
    header.Field[1] = "Bench";
    header.Field[5] = "White";
    header.Field[6] = "Black";
    header.Field[7] = "*";

    QuietServices services(MessageAnswer::Ok);
    std::vector<double> shown;
    for (int run = 0; run < 10; ++run) {
        DialogMnuFilePrint dialog(services);
        QElapsedTimer clock;
        clock.start();
        dialog.PrintOutInit(*game, header, false);
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            return 1;
        dialog.repaint();
        shown.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("print dialog, 400 plies: PrintOutInit + show + first paint of the page: first %.1f ms, median of "
                "10 %.1f ms (goal 100 ms)\n",
                shown.front(), Percentile(shown, 50));

    QTemporaryDir dir;
    const QString pgn = dir.filePath(QStringLiteral("full.pgn"));
    QFile file(pgn);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(QByteArray::fromStdString(GamesToPgn({tokens})));
    file.close();
    const QString kifu = QCoreApplication::applicationDirPath() + QStringLiteral("/vorlik-kifu");
    std::vector<double> printed;
    int status = -1;
    for (const char* format : {"a7", "a7", "a7", "a7", "a7", "postcard"}) {
        QProcess process;
        QElapsedTimer clock;
        clock.start();
        process.start(kifu, {QStringLiteral("print"), pgn, QStringLiteral("1"), dir.filePath(QStringLiteral("out.pdf")),
                             QStringLiteral("--format"), QString::fromLatin1(format)});
        process.waitForFinished(60000);
        printed.push_back(clock.nsecsElapsed() / 1e9);
        status = process.exitCode();
        if (status != 0) {
            std::fprintf(stderr, "vorlik-kifu print failed: %s\n", process.readAllStandardError().constData());
            return 1;
        }
    }
    std::printf("vorlik-kifu print, 400 plies to PDF (%lld bytes): A7 median of 5 %.3f s, postcard %.3f s (goal "
                "0.5 s)\n",
                static_cast<long long>(QFileInfo(dir.filePath(QStringLiteral("out.pdf"))).size()),
                Percentile({printed.begin(), printed.begin() + 5}, 50), printed.back());
    return 0;
}
