// The main window (offscreen) with 解析 on:
//  (a) the scripted UCI engine writing 500 info lines a second at MultiPV 5:
//      the window's own CPU, the longest stall of its event loop and the
//      growth of its resident memory;
//  (b) a real engine (Stockfish): the time from a navigation key on the
//      board to the first line of the new position in the panel, stepping
//      forward and back through a seeded game.
//
//   bench-panel [--seconds S] [--rate LINES] [--steps N] [--mek FILE] [--no-engine]
//
// --seconds (default 10) and --rate (500) are (a)'s; --steps (48) and --mek
// (Stockfish.mek beside the program) are (b)'s; --no-engine leaves (b) out.
#include "BenchSupport.h"
#include "GameGenerator.h"
#include "tests/ui/WindowTestSupport.h"

#include "core/MoveCommit.h"
#include "ui/AnalysisPanel.h"
#include "ui/FormMain.h"
#include "ui/MoveListView.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

using namespace vorlik;
using vorlik::test::WindowControls;

struct Options {
    double seconds = 10;
    int rate = 500;
    int steps = 48;
    QString mek;
    bool engine = true;
};

Options ReadOptions(int argc, char** argv)
{
    Options options;
    options.mek = QCoreApplication::applicationDirPath() + QStringLiteral("/Stockfish.mek");
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const bool value = k + 1 < argc;
        if (arg == "--no-engine")
            options.engine = false;
        else if (arg == "--seconds" && value)
            options.seconds = std::atof(argv[++k]);
        else if (arg == "--rate" && value)
            options.rate = std::atoi(argv[++k]);
        else if (arg == "--steps" && value)
            options.steps = std::atoi(argv[++k]);
        else if (arg == "--mek" && value)
            options.mek = QString::fromLocal8Bit(argv[++k]);
    }
    return options;
}

// Silent services with a program folder of their own for the settings files.
class BenchServices : public QuietServices {
public:
    BenchServices() : QuietServices(MessageAnswer::No) {}
    MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                              MessageButtons buttons) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return QuietServices::ShowMessage(parent, text, title, icon, buttons);
    }
    QString ProgramFolder() override { return folder.path(); }
    QTemporaryDir folder;
};

long long NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double RssMb()
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

// The window of a program folder whose current engine is mek.
std::unique_ptr<FormMain> OpenWindow(BenchServices& services, const QByteArray& mek)
{
    const QString name = QString::fromUtf8(mek.left(mek.indexOf('\r')));
    if (!WriteFile(services.folder.filePath(name + QStringLiteral(".mek")), mek) ||
        !WriteFile(services.folder.filePath(QStringLiteral("Vorlik.ini")),
                   (name + QStringLiteral(".mek\r\nFalse\r\nFalse\r\n1\r\nFalse\r\nFalse\r\n")).toUtf8()))
        return nullptr;
    auto form = std::make_unique<FormMain>(services);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()) || !form->Settings().EngLoaFg)
        return nullptr;
    return form;
}

QTreeWidget* Lines(FormMain& form) { return form.findChild<QTreeWidget*>(QStringLiteral("TreeAnalysis")); }

// Runs the event loop until the panel shows a line, or timeoutMs; false on
// the timeout. With afterClear, a line drawn after the panel was cleared: the
// first of a new position.
bool AwaitLine(FormMain& form, int timeoutMs, bool afterClear = false)
{
    if (!afterClear && Lines(form)->topLevelItemCount() > 0)
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    bool cleared = !afterClear;
    QObject::connect(form.findChild<AnalysisPanel*>(), &AnalysisPanel::Redrawn, &loop, [&] {
        const int rows = Lines(form)->topLevelItemCount();
        cleared = cleared || rows == 0;
        if (cleared && rows > 0)
            loop.exit(0);
    });
    timeout.start(timeoutMs);
    return loop.exec() == 0;
}

bool Flood(const Options& options)
{
    BenchServices services;
    const QString script = services.folder.filePath(QStringLiteral("flood.txt"));
    const QString engine = QCoreApplication::applicationDirPath() + QStringLiteral("/scripted_uci_engine");
    if (!WriteFile(script, QStringLiteral("on go*: stream 5 %1\non stop: quiet; bestmove\n").arg(options.rate).toUtf8()))
        return false;
    const QByteArray mek = (QStringLiteral("Flood\r\n%1\r\n--script '%2' --limit %3\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
                                           " 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\nprotocol=uci\r\n")
                                .arg(engine, script)
                                .arg(static_cast<int>(options.seconds) + 60))
                               .toUtf8();
    std::unique_ptr<FormMain> form = OpenWindow(services, mek);
    if (!form) {
        std::fprintf(stderr, "the window did not come up with %s\n", qPrintable(engine));
        return false;
    }
    form->findChild<QAction*>(QStringLiteral("MnuGameAnalysis"))->trigger();
    form->findChild<QSpinBox*>(QStringLiteral("SpinAnalysisLines"))->setValue(5);
    if (!AwaitLine(*form, 10000))
        return false;
    QTest::qWait(1000);  // the flood under way
    int redraws = 0;
    QObject::connect(form->findChild<AnalysisPanel*>(), &AnalysisPanel::Redrawn, [&redraws] { ++redraws; });
    long long lastTick = 0, longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const long long now = NowNs();
        if (lastTick != 0)
            longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    const double rssBefore = RssMb();
    const double cpuBefore = CpuMs();
    const long long start = NowNs();
    ticker.start();
    QTest::qWait(static_cast<int>(options.seconds * 1000));
    ticker.stop();
    const double wall = (NowNs() - start) / 1e6;
    // Without the 1 ms ticker: what the window itself costs.
    const double cpuTicked = CpuMs() - cpuBefore;
    const double cpuQuietBefore = CpuMs();
    const long long quietStart = NowNs();
    QTest::qWait(static_cast<int>(options.seconds * 1000));
    const double quietWall = (NowNs() - quietStart) / 1e6;
    const double cpu = CpuMs() - cpuQuietBefore;
    std::printf("(a) scripted UCI engine, %d info lines a second at MultiPV 5, %.0f s:\n", options.rate,
                options.seconds);
    std::printf("    window CPU %.0f ms over %.0f ms = %.2f %% of one core  [goal < 5 %%]\n", cpu, quietWall,
                100 * cpu / quietWall);
    std::printf("    event loop blocked at most %.1f ms (1 ms ticker; CPU with it %.1f %%)  [goal < 50 ms]\n",
                longestGap / 1e6, 100 * cpuTicked / wall);
    std::printf("    panel drawn %.1f times a second; VmRSS %.1f -> %.1f MB\n", redraws / ((wall + quietWall) / 1000),
                rssBefore, RssMb());
    form->findChild<QAction*>(QStringLiteral("MnuGameAnalysis"))->trigger();
    return true;
}

// The coordinate moves of the first seeded game of at least `plies` plies.
std::vector<std::string> SeededGame(int plies)
{
    auto game = std::make_unique<GameState>();
    for (const GameTokens& tokens : GenerateRandomGames(18, 20)) {
        if (static_cast<int>(tokens.size()) < plies)
            continue;
        ResetGame(*game);
        SetStartPosition(*game);
        std::vector<std::string> coords;
        for (int ply = 1; ply <= plies && CommitMove(*game, tokens[static_cast<std::size_t>(ply - 1)]);
             ++ply)
            coords.push_back(game->KifuCoord[ply]);
        if (static_cast<int>(coords.size()) == plies)
            return coords;
    }
    return {};
}

bool Navigation(const Options& options)
{
    BenchServices services;
    QFile mekFile(options.mek);
    if (!mekFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(options.mek));
        return false;
    }
    std::unique_ptr<FormMain> form = OpenWindow(services, mekFile.readAll());
    const std::vector<std::string> game = SeededGame(options.steps / 2);
    if (!form || game.empty()) {
        std::fprintf(stderr, "the window did not come up with %s\n", qPrintable(options.mek));
        return false;
    }
    for (const std::string& move : game)
        form->CheckChessMoveOutput(move);
    form->Moves().GotoStart();
    form->findChild<QAction*>(QStringLiteral("MnuGameAnalysis"))->trigger();
    if (!AwaitLine(*form, 10000))
        return false;
    BoardView* board = WindowControls(form.get()).ImaCheBoa();
    std::vector<double> ms;
    int missed = 0;
    for (int step = 0; step < options.steps; ++step) {
        QTest::qWait(300);  // the engine deep in the position left
        const bool forward = step < static_cast<int>(game.size());
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(board, forward ? Qt::Key_Right : Qt::Key_Left);
        if (AwaitLine(*form, 5000, true))
            ms.push_back(clock.nsecsElapsed() / 1e6);
        else
            ++missed;
    }
    std::printf("(b) %s: navigation key to the first line of the new position, %zu steps of a %zu-ply game "
                "(3 lines, 300 ms a position):\n",
                form->Settings().EngSet.Name.c_str(), ms.size(), game.size());
    std::printf("    median %.1f ms, 95th percentile %.1f ms, worst %.1f ms; %d without a line in 5 s  "
                "[goal < 100 ms]\n",
                Percentile(ms, 50), Percentile(ms, 95), Percentile(ms, 100), missed);
    form->findChild<QAction*>(QStringLiteral("MnuGameAnalysis"))->trigger();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const Options options = ReadOptions(argc, argv);
    if (!Flood(options))
        return 1;
    if (options.engine && !Navigation(options))
        return 1;
    return 0;
}
