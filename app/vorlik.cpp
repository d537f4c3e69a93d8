// vorlik: the main window.
#include "ui/FormMain.h"
#include "ui/WindowServices.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int number)
{
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// A terminal closed, a logout or a kill ends the program as its exit menu
// does: the engine is quit and reaped and the settings are written. The
// handler only wakes the event loop; the window does the rest there.
void CloseOnSignals(vorlik::FormMain& window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
        window.CloseWithoutAsking();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlik"));
    vorlik::InstallJapaneseQtTexts();
    vorlik::QtWindowServices services;
    vorlik::FormMain window(services);
    CloseOnSignals(window);
    window.show();
    return QApplication::exec();
}
