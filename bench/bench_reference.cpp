// bench-reference: the window (offscreen) with 参考棋譜 on over a database of
// generated games, stepping forward and back through a 60-ply game of it
// with the arrow key: the time from the key to the new position's tree in
// the panel (median, 90th percentile, worst) and the longest stall of the
// window's event loop meanwhile.
//
//   bench-reference [--games N] [--db FILE] [--plies P]
//
// Without --db the games are made and imported by bench-database (beside
// this program) with the same generator: N games (default 1,000,000; a
// smaller N for a quick run), kept in a folder under the temporary folder.
#include "BenchSupport.h"

#include "database/PositionQuery.h"
#include "ui/FileCommands.h"
#include "ui/FormMain.h"
#include "ui/ReferencePanel.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace vorlik;

namespace {

// Settings written into a folder of its own, never beside the program.
class BenchServices : public QuietServices {
public:
    BenchServices() : QuietServices(MessageAnswer::Yes) {}
    QString ProgramFolder() override { return folder_.path(); }

private:
    QTemporaryDir folder_;
};

// Makes the games with bench-database and returns its database; empty on failure.
QString MakeDatabase(int games)
{
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    make.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench-database"),
               {QStringLiteral("--games"), QString::number(games), QStringLiteral("--keep"), QStringLiteral("--no-scid")});
    if (!make.waitForFinished(-1) || make.exitCode() != 0)
        return {};
    const QString output = QString::fromUtf8(make.readAllStandardOutput());
    std::fputs(output.toUtf8().constData(), stdout);
    const QRegularExpressionMatch folder = QRegularExpression(QStringLiteral("folder (\\S+)")).match(output);
    return folder.hasMatch() ? folder.captured(1) + QStringLiteral("/games.vdb") : QString();
}

// The first stored game of at least `plies` plies, as the panel opens one.
bool LongGame(const QString& file, int plies, ReferenceGame& game)
{
    GameDatabase database;
    std::string error;
    if (!database.Open(file.toStdString(), GameDatabase::Mode::ReadOnly, error))
        return false;
    for (std::int64_t id = 1; id <= 1000; ++id) {
        std::string kind;
        if (!ReadStoredGame(database, id, kind, game.text))
            continue;
        game.kind = kind == "csv" ? kKindCsv : kKindPgn;
        GameSession session;
        KifuFile scan;
        ScanKifuText(scan, game.kind, game.text);
        auto record = std::make_unique<GameState>();
        LoadKifuGame(*record, scan, game.kind, 1);
        if (record->LastPly >= plies)
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int games = 1000000, plies = 60;
    QString file;
    for (int k = 1; k < argc; ++k) {
        const QString arg = QString::fromLocal8Bit(argv[k]);
        if (arg == QLatin1String("--games") && k + 1 < argc)
            games = std::atoi(argv[++k]);
        else if (arg == QLatin1String("--db") && k + 1 < argc)
            file = QString::fromLocal8Bit(argv[++k]);
        else if (arg == QLatin1String("--plies") && k + 1 < argc)
            plies = std::atoi(argv[++k]);
        else {
            std::fprintf(stderr, "usage: bench-reference [--games N] [--db FILE] [--plies P]\n");
            return 2;
        }
    }
    if (file.isEmpty() && (file = MakeDatabase(games)).isEmpty()) {
        std::fprintf(stderr, "bench-reference: bench-database did not make the games\n");
        return 1;
    }
    ReferenceGame game;
    if (!LongGame(file, plies, game)) {
        std::fprintf(stderr, "bench-reference: no game of %d plies in %s\n", plies, qPrintable(file));
        return 1;
    }

    BenchServices services;
    FormMain form(services);
    form.show();
    auto* panel = form.findChild<ReferencePanel*>();
    panel->OpenDatabase(file);
    QSignalSpy shown(panel, &ReferencePanel::TreeShown);
    form.findChild<QAction*>(QStringLiteral("MnuGameReference"))->trigger();
    if (!shown.wait(60000) || !OpenReferenceGame(form.Files().Host(), game)) {
        std::fprintf(stderr, "bench-reference: the panel shows no tree\n");
        return 1;
    }
    form.AllDisplay();
    while (shown.wait(2000)) {  // the loaded game's position, answered
    }
    QWidget* board = form.findChild<QWidget*>(QStringLiteral("ImaCheBoa"));

    // The event loop's ticks: the longest gap between two is its longest stall.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick)
            longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    ticker.start();

    std::vector<double> times;
    int missed = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const Qt::Key key = pass == 0 ? Qt::Key_Right : Qt::Key_Left;
        for (int step = 0; step < plies; ++step) {
            shown.clear();
            QElapsedTimer took;
            took.start();
            QTest::keyClick(board, key);
            if (!shown.wait(10000)) {
                ++missed;
                continue;
            }
            times.push_back(took.nsecsElapsed() / 1e6);
        }
    }
    ticker.stop();
    std::printf("bench-reference: %s, %d plies forward and back\n", qPrintable(file), plies);
    std::printf("key to tree shown: median %.1f ms, 90%% %.1f ms, worst %.1f ms over %zu steps (goal under 100 ms)%s\n",
                Percentile(times, 50), Percentile(times, 90), Percentile(times, 100), times.size(),
                missed ? qPrintable(QStringLiteral(", %1 steps with no tree").arg(missed)) : "");
    std::printf("longest stall of the event loop: %.1f ms (goal under 50 ms)\n", longestGap / 1e6);
    return missed ? 1 : 0;
}
