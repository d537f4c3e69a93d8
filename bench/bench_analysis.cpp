// Analysis of a whole game: the positions of a seeded game of 40 plies, each
// analysed for a second by a real engine through the protocol object and the
// analysis the window will use, one after the other as a player steps
// through them. Prints the wall time against 40 s, and how long each new
// position waited for its first line. With --review the same game is
// reviewed as "全手解析" reviews it (every position, the last included, then
// the comments, marks and lines written into the record), and the wall time
// from the engine's start to the annotated record is printed.
//
//   bench-analysis [--mek FILE] [--seed S] [--plies N] [--seconds S] [--review] [--verbose]
//
// The settings default to Stockfish.mek beside the program.
#include "Percentile.h"
#include "GameGenerator.h"
#include "core/MoveCommit.h"
#include "engine/EngineAnalysis.h"
#include "engine/EngineBuilder.h"
#include "engine/GameReview.h"
#include "session/GameSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace vorlik;

namespace {

struct Options {
    std::string mek;
    std::uint64_t seed = 18;
    int plies = 40;
    double seconds = 1;
    bool verbose = false;  // the traffic on stderr
    bool review = false;   // the whole game's review instead of the steps
};

Options ReadOptions(int argc, char** argv)
{
    Options options;
    options.mek = QCoreApplication::applicationDirPath().toStdString() + "/Stockfish.mek";
    for (int k = 1; k < argc; ++k)
        if (std::string(argv[k]) == "--verbose")
            options.verbose = true;
        else if (std::string(argv[k]) == "--review")
            options.review = true;
    for (int k = 1; k + 1 < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--mek")
            options.mek = argv[k + 1];
        else if (arg == "--seed")
            options.seed = std::strtoull(argv[k + 1], nullptr, 10);
        else if (arg == "--plies")
            options.plies = std::atoi(argv[k + 1]);
        else if (arg == "--seconds")
            options.seconds = std::atof(argv[k + 1]);
    }
    return options;
}

// A seeded game of at least `plies` plies, played into the record.
std::unique_ptr<GameState> SeededGame(std::uint64_t seed, int plies)
{
    auto game = std::make_unique<GameState>();
    for (const GameTokens& tokens : GenerateRandomGames(seed, 20)) {
        if (static_cast<int>(tokens.size()) < plies)
            continue;
        ResetGame(*game);
        SetStartPosition(*game);
        for (int p = 0; p < plies; ++p) {
            CommitMove(*game, tokens[p]);
        }
        return game;
    }
    return nullptr;
}

// The review of the game, from the engine's start to the annotated record.
int Review(QCoreApplication& application, const Options& options, const GameState& game, EngineProtocol& engine)
{
    GameSession session;
    session.Replace(game);
    GameReview review(engine, session);
    QElapsedTimer wall;
    int positions = 0, status = 0;
    QObject::connect(&review, &GameReview::progress, [&](int, int total) { positions = total; });
    QObject::connect(&review, &GameReview::finished, [&](const QString& unjudged) {
        if (!unjudged.isEmpty())
            std::fprintf(stderr, "bench-analysis: %s\n", unjudged.toUtf8().constData());
        application.quit();
    });
    QObject::connect(&review, &GameReview::failed, [&](const QString& why) {
        std::fprintf(stderr, "bench-analysis: %s\n", why.toUtf8().constData());
        status = 1;
        application.quit();
    });
    ReviewOptions reviewOptions;
    reviewOptions.msPerPosition = static_cast<int>(options.seconds * 1000);
    wall.start();
    review.start(reviewOptions);
    application.exec();
    const double seconds = wall.nsecsElapsed() / 1e9;
    int mistakes = 0, blunders = 0, comments = 0;
    for (int ply = 1; ply <= session.Game().LastPly; ++ply) {
        const KifuNode node = Node(session.Game(), NodeAt(session.Game(), ply));
        comments += !node.comment.empty();
        for (unsigned char nag : node.nags)
            (nag == 4 ? blunders : mistakes) += nag == 2 || nag == 4;
    }
    std::printf("review             %d positions at %.1f s each (seed %llu, %d plies)\n", positions, options.seconds,
                static_cast<unsigned long long>(options.seed), options.plies);
    std::printf("wall time          %.2f s against %.1f s (ratio %.3f); %.0f ms a position beyond its time\n",
                seconds, options.plies * options.seconds, seconds / (options.plies * options.seconds),
                positions ? (seconds - positions * options.seconds) * 1000 / positions : 0.0);
    std::printf("written            %d comments, %d \"?\", %d \"??\"\n", comments, mistakes, blunders);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const Options options = ReadOptions(argc, argv);
    const std::unique_ptr<GameState> game = SeededGame(options.seed, options.plies);
    EngineSettings settings;
    std::string error;
    if (!game || !ReadMekFile(options.mek, settings, error)) {
        std::fprintf(stderr, "bench-analysis: %s\n", game ? error.c_str() : "no game of that length");
        return 2;
    }
    std::unique_ptr<EngineProtocol> engine = StartEngine(settings, QCoreApplication::applicationDirPath(), error);
    if (!engine) {
        std::fprintf(stderr, "bench-analysis: %s\n", error.c_str());
        return 2;
    }
    if (options.verbose) {
        QObject::connect(engine.get(), &EngineProtocol::sent,
                         [](const QString& line) { std::fprintf(stderr, "> %s\n", line.toUtf8().constData()); });
        QObject::connect(engine.get(), &EngineProtocol::received,
                         [](const QString& line) { std::fprintf(stderr, "< %s\n", line.toUtf8().constData()); });
    }
    if (options.review) {
        const int status = Review(application, options, *game, *engine);
        engine->quit();
        return status;
    }
    EngineAnalysis analysis(*engine);
    analysis.setLineCount(3);

    QElapsedTimer wall, sinceStep;
    QTimer step;
    step.setSingleShot(true);
    step.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5 % early
    std::vector<double> firstLineMs;
    bool waitingFirst = false;
    int position = 0, positionsWithoutLine = 0;
    const auto show = [&](int ply) {
        if (waitingFirst)
            ++positionsWithoutLine;
        analysis.setPosition(*game, ply);
        sinceStep.start();
        waitingFirst = true;
        step.start(static_cast<int>(options.seconds * 1000));
    };
    QObject::connect(&analysis, &EngineAnalysis::linesChanged, [&] {
        if (waitingFirst && !analysis.lines().empty()) {
            firstLineMs.push_back(sinceStep.nsecsElapsed() / 1e6);
            waitingFirst = false;
        }
    });
    QObject::connect(&step, &QTimer::timeout, [&] {
        if (++position < options.plies)
            show(position);
        else
            analysis.stop();
    });
    QObject::connect(&analysis, &EngineAnalysis::finished, &application, &QCoreApplication::quit);
    QObject::connect(&analysis, &EngineAnalysis::engineLost, [&](const QString& why) {
        std::fprintf(stderr, "bench-analysis: %s\n", why.toUtf8().constData());
        application.exit(1);
    });
    QObject::connect(engine.get(), &EngineProtocol::ready, [&] {
        wall.start();
        show(0);
        analysis.start();
    });
    engine->start();
    const int status = application.exec();
    const double seconds = wall.nsecsElapsed() / 1e9;
    if (waitingFirst)
        ++positionsWithoutLine;
    std::printf("engine             %s\n", settings.Name.c_str());
    std::printf("positions          %d at %.1f s each (seed %llu)\n", options.plies, options.seconds,
                static_cast<unsigned long long>(options.seed));
    std::printf("wall time          %.2f s against %.1f s (ratio %.3f)\n", seconds, options.plies * options.seconds,
                seconds / (options.plies * options.seconds));
    std::printf("first line         median %.1f ms, 95th %.1f ms, longest %.1f ms\n", Percentile(firstLineMs, 50),
                Percentile(firstLineMs, 95), Percentile(firstLineMs, 100));
    std::printf("without a line     %d\n", positionsWithoutLine);
    engine->quit();
    return status;
}
