// vorlik-kifu versus: a game against the engine of a settings file, through
// the same engine link as the window's "ゲーム開始", played into a game
// session that no window shows.
#include "KifuCommands.h"

#include "core/MoveCommit.h"
#include "engine/EngineGame.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace vorlik {

namespace {

struct VersusOptions {
    std::string mek;
    int level = 0;
    int plies = 0;
    int timeoutSeconds = 120;
    bool verbose = false;
    std::vector<std::string> tokens;
};

bool ReadNumber(const std::string& text, int low, int high, int& value)
{
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < low || number > high)
        return false;
    value = static_cast<int>(number);
    return true;
}

// Empty when the arguments are fine, else what is wrong with them.
std::string ReadOptions(const std::vector<std::string>& args, VersusOptions& options)
{
    const OwnOption own = [&options](const std::vector<std::string>& words, std::size_t& k, std::string& error) {
        const std::string& arg = words[k];
        if (arg == "--verbose") {
            options.verbose = true;
            return true;
        }
        if (arg != "--level" && arg != "--plies" && arg != "--timeout")
            return false;
        if (k + 1 >= words.size()) {
            error = arg + " のあとに数がありません (" + arg + " needs a number)";
            return true;
        }
        const std::string& value = words[++k];
        if (arg == "--level" && !ReadNumber(value, 1, 3, options.level))
            error = "レベルは 1, 2, 3 です (--level takes 1, 2 or 3): " + value;
        else if (arg == "--plies" && !ReadNumber(value, 1, kMaxPly, options.plies))
            error = "手数は 1 から 400 です (--plies takes 1..400): " + value;
        else if (arg == "--timeout" && !ReadNumber(value, 1, 86400, options.timeoutSeconds))
            error = "秒数が読めません (--timeout takes seconds): " + value;
        return true;
    };
    return ReadEngineVerb(args, "versus", own, options.mek, options.tokens);
}

// The companion's host: messages on stderr, every game a new one.
class CliEngineHost : public EngineHost {
public:
    void ShowMessage(const std::string& text, const std::string&, Icon) override
    {
        std::fprintf(stderr, "vorlik-kifu: %s\n", text.c_str());
        lastMessage = text;
    }
    GameStartChoice AskGameStart(bool) override { return GameStartChoice::NewGame; }
    std::string ProgramFolder() override { return QCoreApplication::applicationDirPath().toStdString(); }

    std::string lastMessage;
};

// Runs the event loop until the engine has answered or the game has ended;
// false when it stayed silent for the whole timeout. Each pass sleeps until
// something happens (the engine's output, the deadline): a time limit given
// to processEvents would make it return at once when nothing is pending, and
// the loop would keep a core busy while the engine thinks.
bool AwaitEngine(EngineGame& game, int timeoutSeconds)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(std::chrono::seconds(timeoutSeconds));
    while (game.EngPlay() && game.EngWait()) {
        if (!deadline.isActive())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace

int VersusCommand(const std::vector<std::string>& args)
{
    VersusOptions options;
    const std::string wrong = ReadOptions(args, options);
    if (!wrong.empty())
        return UsageError(wrong);

    int argc = 1;
    char name[] = "vorlik-kifu";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);

    EngineConfig config;
    std::string error;
    if (!ReadMekFile(options.mek, config.EngSet, error)) {
        std::fprintf(stderr, "vorlik-kifu: %s\n", error.c_str());
        return kExitUsage;
    }
    config.EngLoaFg = true;

    GameSession session;
    CliEngineHost host;
    EngineGame game(host, config, session);
    if (options.verbose)
        QObject::connect(&game, &EngineGame::EngineOutput,
                         [](const QString& lines) { std::fprintf(stderr, "%s\n", lines.toStdString().c_str()); });
    const GameState& record = session.Game();
    bool faults = false;
    QObject::connect(&game, &EngineGame::EngineMoved, [&](bool accepted, const QString& move) {
        if (accepted) {
            PrintPly(record, record.LastPly, false, "engine");
        } else {
            std::printf("%d\trefused\t%s\tengine\n", record.LastPly + 1, move.toStdString().c_str());
            faults = true;
        }
    });
    QObject::connect(&game, &EngineGame::MoveWithdrawn, [&](const QString& coord) {
        std::printf("%d\twithdrawn\t%s\n", record.LastPly + 1, coord.toStdString().c_str());
        faults = true;
    });
    QObject::connect(&game, &EngineGame::GameOver, [&](bool endedByEngine) { faults = faults || endedByEngine; });
    if (options.verbose)
        QObject::connect(&game, &EngineGame::Sent,
                         [](const QString& line) { std::fprintf(stderr, "> %s\n", line.toStdString().c_str()); });

    game.MnuGameNew_Click();
    if (!game.EngPlay())
        return kExitUsage;  // the engine could not be started (told on stderr)
    if (options.level)
        game.ChooseLevel(options.level);

    bool silent = false;
    for (const std::string& token : options.tokens) {
        if (!game.EngPlay())
            break;
        if (session.CommitMove(token) != MoveVerdict::Legal) {  // a bare pawn move to the last rank: a queen
            PrintRefused(record.LastPly + 1, token + "\tuser");
            faults = true;
            continue;
        }
        PrintPly(record, record.LastPly, false, "user");
        game.UserMoved();
        if (!AwaitEngine(game, options.timeoutSeconds)) {
            silent = true;
            break;
        }
    }
    while (!silent && options.plies > 0 && game.EngPlay() && record.LastPly < options.plies) {
        game.MoveNow();
        if (!AwaitEngine(game, options.timeoutSeconds))
            silent = true;
    }
    if (silent) {
        std::fprintf(stderr, "vorlik-kifu: エンジンが %d 秒答えません (the engine did not answer in %d s)\n",
                     options.timeoutSeconds, options.timeoutSeconds);
        faults = true;
    }
    if (game.EngPlay())
        game.MnuGameEnd_Click();
    PrintFenLine(record);
    std::printf("result\t%s\n", session.Header().Field[kResult].c_str());
    return faults ? kExitIncomplete : kExitOk;
}

}  // namespace vorlik
