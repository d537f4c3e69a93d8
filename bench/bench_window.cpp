// Offscreen: how long until the main window is shown, counted from the start
// of the process, and how long one move takes when it is dragged on the board,
// with the redraw of the window and the move-list update included.
#include "BenchSupport.h"
#include "GameGenerator.h"
#include "tests/ui/WindowTestSupport.h"

#include "ui/FormMain.h"
#include "ui/WindowServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace {

using namespace vorlik;
using vorlik::test::WindowControls;

// Seconds since this process started, from /proc (10 ms resolution).
double SecondsSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat")), uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double started = fields.value(19).toDouble() / sysconf(_SC_CLK_TCK);  // field 22 of the line
    return uptime.readAll().split(' ').value(0).toDouble() - started;
}

QPoint Center(const BoardView& board, const std::string& square)
{
    const int file = square[0] - 'a' + 1, rank = square[1] - '0';
    return board.ImageRect((file - 1) * 8 + rank).center();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double beforeMain = SecondsSinceProcessStart();
    QElapsedTimer clock;
    clock.start();
    QApplication application(argc, argv);
    QuietServices services(MessageAnswer::Yes);
    FormMain form(services);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    form.repaint();
    const double shown = clock.nsecsElapsed() / 1e6;
    std::printf("window shown %.1f ms after main (process start to main: %.0f ms, /proc resolution 10 ms)\n", shown,
                beforeMain * 1000);

    // Random legal moves without promotions, dragged one by one; the board is
    // looked up once, outside the timings.
    BoardView* board = WindowControls(&form).ImaCheBoa();
    std::mt19937_64 random(7);
    std::vector<double> times;
    while (times.size() < 400) {
        const std::vector<std::string> legal = LegalMoves(form.Game());
        std::vector<std::string> plain;
        std::copy_if(legal.begin(), legal.end(), std::back_inserter(plain),
                     [](const std::string& move) { return move.size() == 4; });
        if (plain.empty() || form.Game().LastPly >= 120) {
            form.MnuFileNew_Click();
            continue;
        }
        const std::string move = plain[random() % plain.size()];
        const QPoint from = Center(*board, move.substr(0, 2)), to = Center(*board, move.substr(2, 2));
        const int before = form.Game().LastPly;
        QElapsedTimer one;
        one.start();
        QTest::mousePress(board, Qt::LeftButton, {}, from);
        QTest::mouseMove(board, to);
        QTest::mouseRelease(board, Qt::LeftButton, {}, to);
        form.repaint();
        times.push_back(one.nsecsElapsed() / 1e6);
        if (form.Game().LastPly != before + 1) {
            std::fprintf(stderr, "move %s was not committed\n", move.c_str());
            return 1;
        }
    }
    double sum = 0;
    for (double t : times)
        sum += t;
    std::printf("dragged move with redraw and list update: mean %.2f ms, median %.2f ms, 95th percentile %.2f ms "
                "(%zu moves)\n",
                sum / times.size(), Percentile(times, 50), Percentile(times, 95), times.size());
    return 0;
}
