// vorlik: the main window, with a game file to open given on the command line.
#include "records/ModuleMekFile.h"
#include "ui/FormMain.h"
#include "ui/WindowServices.h"

#include <QApplication>
#include <QWidget>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
bool signalled = false;  // a terminal signal has come: nothing is to run on

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
        signalled = true;
        // A message or dialog open at the time (one at start-up, say) runs an
        // event loop of its own: every loop is told to end first, so that one
        // the closing opens (a settings file it cannot write) returns at once.
        QCoreApplication::exit(0);
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (!modal->close())
                break;
        }
        window.CloseWithoutAsking();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

const char kUsage[] =
    "使い方 (usage): vorlik [FILE]\n"
    "  FILE       開く棋譜ファイル: .pgn, .fen, .csv (a game file to open, of the kind its extension names)\n"
    "  --help     この説明 (this text)\n"
    "  --version  バージョン (the version)\n"
    "The window also takes Qt's own options, such as -platform.\n";

int UsageError(const char* text, const char* argument)
{
    std::fprintf(stderr, "vorlik: %s: %s\n%s", text, argument, kUsage);
    return 2;
}

// --help and --version are answered before the window's toolkit starts, so
// that they work without a display.
bool AnsweredAlone(int argc, char** argv)
{
    for (int k = 1; k < argc && std::strcmp(argv[k], "--") != 0; ++k) {
        if (std::strcmp(argv[k], "--help") == 0 || std::strcmp(argv[k], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[k], "--version") == 0) {
            std::printf("vorlik %s\n", VORLIK_VERSION);
            return true;
        }
    }
    return false;
}

// The file to open among the arguments Qt left; false with the exit status
// of a usage error.
bool FileToOpen(const QStringList& arguments, QString& file, int& status)
{
    bool optionsEnd = false;
    for (const QString& argument : arguments.mid(1)) {
        const QByteArray bytes = argument.toLocal8Bit();
        if (!optionsEnd && argument == QStringLiteral("--")) {
            optionsEnd = true;
        } else if (!optionsEnd && argument.startsWith(QLatin1Char('-'))) {
            status = UsageError("知らないオプションです (unknown option)", bytes.constData());
            return false;
        } else if (!file.isEmpty()) {
            status = UsageError("開くファイルは一つです (one file only)", bytes.constData());
            return false;
        } else if (vorlik::KindOfFileName(bytes.toStdString()) == 0) {
            status = UsageError("棋譜ファイルは .pgn .fen .csv です (not a game file)", bytes.constData());
            return false;
        } else {
            file = argument;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (AnsweredAlone(argc, argv))
        return 0;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlik"));
    QApplication::setApplicationVersion(QStringLiteral(VORLIK_VERSION));
    QString file;
    int status = 0;
    if (!FileToOpen(QApplication::arguments(), file, status))
        return status;
    vorlik::InstallJapaneseQtTexts();
    vorlik::QtWindowServices services;
    QString seedError;
    const bool seeded = vorlik::SeedSettingsFolder(services.Folders(), seedError);
    vorlik::FormMain window(services);
    CloseOnSignals(window);
    window.show();
    if (!seeded)
        services.ShowMessage(&window, seedError + QStringLiteral("\n設定はこの実行のあいだだけ使えます。"),
                             QStringLiteral("注意"), vorlik::MessageIcon::Warning, vorlik::MessageButtons::Ok);
    // Opened once the window is up, so that its messages and the game list
    // come over it.
    if (!file.isEmpty() && !signalled)
        QTimer::singleShot(0, &window, [&window, file] { window.OpenGameFile(file); });
    return signalled ? 0 : QApplication::exec();
}
