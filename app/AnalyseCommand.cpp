// vorlik-kifu analyse: the evaluation and best lines of a position from the
// engine of a settings file, through the same protocol objects and analysis
// as the window.
#include "KifuCommands.h"

#include "core/FenText.h"
#include "core/MoveCommit.h"
#include "engine/EngineAnalysis.h"
#include "engine/EngineBuilder.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace vorlik {

namespace {

constexpr int kConfirmWaitMs = 10000;  // for the engine to stop once asked
constexpr int kReadyWaitMs = 30000;    // for the engine to say it is ready

struct AnalyseOptions {
    std::string mek;
    std::string fen;
    double seconds = 5;
    int lineCount = 1;
    std::vector<std::string> tokens;
};

std::string ReadOptions(const std::vector<std::string>& args, AnalyseOptions& options)
{
    const OwnOption own = [&options](const std::vector<std::string>& words, std::size_t& k, std::string& error) {
        const std::string& arg = words[k];
        if (arg != "--fen" && arg != "--seconds" && arg != "--multipv")
            return false;
        if (k + 1 >= words.size()) {
            error = arg + " のあとに値がありません (" + arg + " needs a value)";
            return true;
        }
        const std::string& value = words[++k];
        if (arg == "--fen") {
            options.fen = value;
        } else if (arg == "--seconds") {
            char* end = nullptr;
            options.seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(options.seconds >= 0.1 && options.seconds <= 86400))
                error = "秒数が読めません (--seconds takes 0.1..86400): " + value;
        } else if (value.size() != 1 || value[0] < '1' || value[0] > '5') {
            error = "行数は 1 から 5 です (--multipv takes 1..5): " + value;
        } else {
            options.lineCount = value[0] - '0';
        }
        return true;
    };
    return ReadEngineVerb(args, "analyse", own, options.mek, options.tokens);
}

// Why no engine can be handed the position on the board, or empty.
std::string Unplayable(const GameState& game)
{
    const FenError unplayable = CheckFenPosition(game.KifuBoard[game.CurPly], IsWhitePly(game.CurPly));
    if (unplayable != FenError::None)
        return FenErrorText(unplayable) + " (no engine can analyse this position)";
    return "";
}

void PrintLines(const std::vector<AnalysisLine>& lines)
{
    for (const AnalysisLine& line : lines) {
        std::string moves;
        for (const std::string& move : line.moves)
            moves += (moves.empty() ? "" : " ") + move;
        std::printf("pv\t%d\t%d\t%s\t%s\n", line.rank, line.depth, line.score.c_str(), moves.c_str());
    }
}

}  // namespace

int AnalyseCommand(const std::vector<std::string>& args)
{
    AnalyseOptions options;
    const std::string wrong = ReadOptions(args, options);
    if (!wrong.empty())
        return UsageError(wrong);
    auto game = std::make_unique<GameState>();
    // The position: the FEN's or the standard start, and the tokens played from it.
    std::string badPosition = PlayFromStart(*game, options.fen, options.tokens);
    if (badPosition.empty())
        badPosition = Unplayable(*game);
    if (!badPosition.empty())
        return UsageError(badPosition);

    int argc = 1;
    char name[] = "vorlik-kifu";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);

    EngineSettings settings;
    std::string error;
    if (!ReadMekFile(options.mek, settings, error)) {
        Tell(error);
        return kExitUsage;
    }
    std::unique_ptr<EngineProtocol> engine = StartEngine(settings, QCoreApplication::applicationDirPath(), error);
    if (!engine) {
        Tell(error + " (the engine cannot be started)");
        return kExitUsage;
    }
    EngineAnalysis analysis(*engine);
    analysis.setLineCount(options.lineCount);
    analysis.setPosition(*game, game->CurPly);

    int status = kExitIncomplete;
    QString best;
    QTimer starting, thinking, confirm;
    starting.setSingleShot(true);
    thinking.setSingleShot(true);
    confirm.setSingleShot(true);
    QObject::connect(&starting, &QTimer::timeout, [&] {
        Tell("エンジンが答えません (the engine did not answer)");
        application.quit();
    });
    // The seconds count from the moment the engine is ready, not from its start.
    QObject::connect(engine.get(), &EngineProtocol::ready, &thinking, [&] {
        starting.stop();
        thinking.start(static_cast<int>(options.seconds * 1000));
    });
    QObject::connect(&thinking, &QTimer::timeout, [&] {
        analysis.stop();
        confirm.start(kConfirmWaitMs);
    });
    QObject::connect(&confirm, &QTimer::timeout, [&] {
        Tell("エンジンが解析を止めません (the engine did not stop)");
        application.quit();
    });
    QObject::connect(&analysis, &EngineAnalysis::finished, [&](const QString& move) {
        best = move;
        status = move.isEmpty() ? kExitIncomplete : kExitOk;
        application.quit();
    });
    QObject::connect(&analysis, &EngineAnalysis::engineLost, [&](const QString& why) {
        Tell(why.toStdString() + " (the engine has gone)");
        application.quit();
    });
    starting.start(kReadyWaitMs);
    analysis.start();
    application.exec();

    PrintLines(analysis.lines());
    if (!best.isEmpty())
        std::printf("best\t%s\n", best.toStdString().c_str());
    else
        Tell("エンジンは使える答えを返しませんでした (the engine said nothing usable)");
    engine->quit();
    return status;
}

}  // namespace vorlik
