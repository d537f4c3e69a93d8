// bench-tablebase: the tables' answer for a position and every legal move
// from it, as the panel asks for it, over seeded random positions of three and
// four pieces: the median and worst time per position against the goal of
// 5 ms. Then `vorlik-kifu tb` beside Debian's `fathom` on a sample of them,
// one process per position each, with how often the two agree.
#include "Percentile.h"
#include "core/FenText.h"
#include "tablebase/Tablebase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <chrono>
#include <cstdio>
#include <random>

using namespace vorlik;

namespace {

constexpr double kGoalMs = 5;
constexpr int kRuns = 3;  // answers timed per position

struct Options {
    QString tables = QStringLiteral(VORLIK_SYZYGY_DIR);
    int positions = 1000;
    int sample = 50;
    unsigned seed = 29;
};

// The material of every table of three or four pieces in the folder ("KRvKP").
QStringList Materials(const QString& folder)
{
    QStringList materials;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("K*.rtbw")}, QDir::Files, QDir::Name)) {
        const QString material = name.chopped(5);
        if (material.size() - 1 <= 4)
            materials << material;
    }
    return materials;
}

// The pieces of the material on distinct random squares, pawns off the
// first and last ranks; the stronger side is White or Black at random.
TbPosition RandomPosition(const QString& material, std::mt19937& random)
{
    TbPosition position;
    const bool swap = random() % 2 == 1;
    position.whiteToMove = random() % 2 == 0;
    bool white = !swap;
    for (const QChar letter : material) {
        if (letter == 'v') {
            white = swap;
            continue;
        }
        const char piece = OfSide(static_cast<char>(letter.toLatin1()), white);
        for (;;) {
            const int file = 1 + static_cast<int>(random() % 8), rank = 1 + static_cast<int>(random() % 8);
            if (position.board[file][rank] != 0 || ((piece == 'P' || piece == 'p') && (rank == 1 || rank == 8)))
                continue;
            position.board[file][rank] = piece;
            break;
        }
    }
    return position;
}

double Milliseconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Positions the tables answer, and the time of that first (cold) answer.
std::vector<TbPosition> Generate(const Tablebase& tables, const Options& options, std::vector<double>& cold)
{
    const QStringList materials = Materials(options.tables);
    std::mt19937 random(options.seed);
    std::vector<TbPosition> positions;
    while (static_cast<int>(positions.size()) < options.positions && !materials.isEmpty()) {
        const TbPosition position = RandomPosition(materials[static_cast<int>(random() % materials.size())], random);
        const auto start = std::chrono::steady_clock::now();
        const bool found = tables.probe(position).found;
        if (!found)
            continue;  // no rule allows it: two kings side by side, the side not to move in check
        cold.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
        positions.push_back(position);
    }
    return positions;
}

void PrintTimes(const char* what, const std::vector<double>& times)
{
    const double worst = times.empty() ? 0 : *std::max_element(times.begin(), times.end());
    std::printf("%s: median %.3f ms, 99%% %.3f ms, worst %.3f ms per position (goal < %.0f ms: %s)\n", what,
                Percentile(times, 50), Percentile(times, 99), worst, kGoalMs, worst < kGoalMs ? "met" : "missed");
}

// ---- beside fathom ----

// A move as both write it: no check mark, no "=" before a promotion, no
// square or file naming which piece (fathom names the rank where the file
// would do).
QString PlainMove(QString move)
{
    move.remove('+').remove('#').remove('=');
    static const QRegularExpression kNamed(QStringLiteral("^([KQRBN])[a-h]?[1-8]?(x?[a-h][1-8])$"));
    return move.replace(kNamed, QStringLiteral("\\1\\2"));
}

// "W:Qe5,Qe6 D:... L:..." and "Win 9" from the two programs' answers.
struct Verdict {
    QString result;
    QStringList won, drawn, lost;
    bool operator==(const Verdict& other) const
    {
        return result == other.result && won == other.won && drawn == other.drawn && lost == other.lost;
    }
};

Verdict OurVerdict(const QString& output)
{
    static const QHash<QString, QString> kNames = {{"win", "Win"}, {"cursed-win", "CursedWin"}, {"draw", "Draw"},
                                                   {"blessed-loss", "BlessedLoss"}, {"loss", "Loss"}};
    Verdict verdict;
    for (const QString& line : output.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 3 && fields[0] == QLatin1String("wdl"))
            verdict.result = kNames.value(fields[1]) + ' ' + QString::number(std::abs(fields[2].toInt()));
        if (fields.size() != 4 || fields[0] != QLatin1String("move"))
            continue;
        QStringList& list = fields[2] == QLatin1String("win") ? verdict.won
                            : fields[2] == QLatin1String("loss") ? verdict.lost : verdict.drawn;
        list << PlainMove(fields[1]);
    }
    verdict.won.sort();
    verdict.drawn.sort();
    verdict.lost.sort();
    return verdict;
}

Verdict FathomVerdict(const QString& output)
{
    const auto tag = [&output](const QString& name) {
        const QRegularExpression pattern(QStringLiteral("\\[") + name + QStringLiteral(" \"([^\"]*)\"\\]"));
        return pattern.match(output).captured(1);
    };
    const auto moves = [&tag](const QString& name) {
        QStringList list;
        for (const QString& move : tag(name).split(QStringLiteral(", "), Qt::SkipEmptyParts))
            list << PlainMove(move);
        list.sort();
        return list;
    };
    return {tag(QStringLiteral("WDL")) + ' ' + tag(QStringLiteral("DTZ")), moves(QStringLiteral("WinningMoves")),
            moves(QStringLiteral("DrawingMoves")), moves(QStringLiteral("LosingMoves"))};
}

QString RunTimed(const QString& program, const QStringList& args, double& ms)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    process.waitForFinished(-1);
    ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    return QString::fromUtf8(process.readAllStandardOutput());
}

void BesideFathom(const std::vector<TbPosition>& positions, const Options& options)
{
    const QString fathom = QStandardPaths::findExecutable(QStringLiteral("fathom"), {QStringLiteral("/usr/games")});
    const QString kifu = QCoreApplication::applicationDirPath() + QStringLiteral("/vorlik-kifu");
    if (fathom.isEmpty() || !QFileInfo::exists(kifu)) {
        std::printf("beside fathom: skipped (%s not found)\n", fathom.isEmpty() ? "fathom" : "vorlik-kifu");
        return;
    }
    std::vector<double> ours, theirs;
    int agree = 0;
    const int count = std::min<int>(options.sample, static_cast<int>(positions.size()));
    for (int i = 0; i < count; ++i) {
        const TbPosition& position = positions[static_cast<std::size_t>(i)];
        const QString fen = QString::fromStdString(WriteFenBoard(position.board)) +
                            (position.whiteToMove ? QStringLiteral(" w - - 0 1") : QStringLiteral(" b - - 0 1"));
        double ourMs = 0, theirMs = 0;
        const Verdict our = OurVerdict(RunTimed(kifu, {"tb", "--path", options.tables, "--fen", fen}, ourMs));
        const Verdict their = FathomVerdict(RunTimed(fathom, {"--path=" + options.tables, fen}, theirMs));
        ours.push_back(ourMs);
        theirs.push_back(theirMs);
        if (our == their)
            ++agree;
        else
            std::printf("  differs: %s\n", qPrintable(fen));
    }
    const double ourMedian = Percentile(ours, 50), theirMedian = Percentile(theirs, 50);
    std::printf("beside fathom, one process per position (%d positions): vorlik-kifu tb median %.1f ms, "
                "fathom median %.1f ms, ratio %.2f; the same results and move lists: %d of %d\n",
                count, ourMedian, theirMedian, theirMedian > 0 ? ourMedian / theirMedian : 0.0, agree, count);
}

bool ReadOptions(const QStringList& args, Options& options)
{
    for (int k = 1; k < args.size(); ++k) {
        const QString& arg = args[k];
        if (k + 1 >= args.size())
            return false;
        const QString value = args[++k];
        if (arg == QLatin1String("--tables"))
            options.tables = value;
        else if (arg == QLatin1String("--positions"))
            options.positions = value.toInt();
        else if (arg == QLatin1String("--sample"))
            options.sample = value.toInt();
        else if (arg == QLatin1String("--seed"))
            options.seed = value.toUInt();
        else
            return false;
    }
    return options.positions > 0 && options.sample >= 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    Options options;
    if (!ReadOptions(application.arguments(), options)) {
        std::fprintf(stderr, "usage: bench-tablebase [--tables DIR] [--positions N] [--sample K] [--seed S]\n");
        return 2;
    }
    const Tablebase tables(options.tables);
    for (const QString& problem : tables.report().problems)
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    if (!tables.usable()) {
        std::fprintf(stderr, "no tables in %s\n", qPrintable(options.tables));
        return 2;
    }
    std::vector<double> cold, warm, fastest;
    const std::vector<TbPosition> positions = Generate(tables, options, cold);
    std::size_t moves = 0;
    for (const TbPosition& position : positions) {
        double best = 0;
        for (int run = 0; run < kRuns; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const TbAnswer answer = tables.probe(position);
            const double ms = Milliseconds(std::chrono::steady_clock::now() - start);
            best = run == 0 ? ms : std::min(best, ms);
            warm.push_back(ms);
            moves += run == 0 ? answer.moves.size() : 0;
        }
        fastest.push_back(best);
    }
    std::printf("%zu random positions of three and four pieces (seed %u), %zu legal moves answered\n",
                positions.size(), options.seed, moves);
    PrintTimes("first answer (tables opened as they are needed)", cold);
    PrintTimes("every answer again, three times each", warm);
    // A shared machine takes the processor away now and then for a few
    // milliseconds: the fastest of three is the position's own cost.
    PrintTimes("fastest of the three", fastest);
    BesideFathom(positions, options);
    return 0;
}
