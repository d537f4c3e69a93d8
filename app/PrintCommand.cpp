// vorlik-kifu print: the page of a game as the print dialog prints it, into
// a PDF file, without a window: the page is painted under a QGuiApplication.
#include "KifuCommands.h"

#include "records/DeskSettings.h"
#include "records/ModuleMekFile.h"
#include "session/GameSession.h"
#include "ui/PrintOut.h"
#include "ui/PrintPainter.h"

#include <QDate>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>

namespace vorlik {

namespace {

struct PrintOptions {
    VerbOptions verb;  // --kind, --long, the operands
    PrintFormat format = PrintFormat::A7;
    int ply = -1;   // -1: the last
    int game = -1;  // -1: as the ply decides; 0 game A, 1 game B
    bool lines = false;
};

bool ReadFormat(const std::string& text, PrintFormat& format)
{
    static const char* kNames[] = {"a7", "a6", "a5", "postcard"};
    for (int k = 0; k < 4; ++k)
        if (text == kNames[k]) {
            format = static_cast<PrintFormat>(k);
            return true;
        }
    return false;
}

bool ReadPly(const std::string& text, int& ply)
{
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    ply = std::stoi(text);
    return ply <= kMaxPly;
}

// The options only print takes.
bool ReadPrintOption(const std::vector<std::string>& args, std::size_t& k, std::string& error, PrintOptions& options)
{
    const std::string& arg = args[k];
    const bool hasValue = k + 1 < args.size();
    if (arg == "--format") {
        if (!hasValue || !ReadFormat(args[++k], options.format))
            error = "--format のあとは a7, a6, a5, postcard のどれかです (--format needs a7, a6, a5 or postcard)";
    } else if (arg == "--ply") {
        if (!hasValue || !ReadPly(args[++k], options.ply))
            error = "--ply のあとは 0 から 400 の手数です (--ply needs a ply from 0 to 400)";
    } else if (arg == "--game") {
        const std::string value = hasValue ? args[++k] : std::string();
        if (value != "a" && value != "b")
            error = "--game のあとは a か b です (--game needs a or b)";
        options.game = value == "a" ? 0 : 1;
    } else if (arg == "--lines") {
        options.lines = true;
    } else {
        return false;
    }
    return true;
}

void PrintLineList(const QVector<PrintLine>& lines)
{
    for (const PrintLine& line : lines) {
        const QString text = QStringLiteral("%1\t%2\t%3\t%4\n")
                                 .arg(line.font, QString::number(line.size), QString::number(line.column),
                                      QString::fromStdString(Field(line.text.toStdString())));
        std::fputs(text.toUtf8().constData(), stdout);
    }
}

// The companion's messages are its own; Qt's remarks about the platform stay out of them.
void QuietQt(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

int PrintCommand(const std::vector<std::string>& args)
{
    PrintOptions options;
    const std::string error =
        ReadVerb(args, true, 3, 3, "print にはファイル、ゲーム番号、PDF ファイルを指定します (print takes FILE N OUT.pdf)",
                 options.verb, [&options](const std::vector<std::string>& all, std::size_t& k, std::string& wrong) {
                     return ReadPrintOption(all, k, wrong, options);
                 });
    if (!error.empty())
        return UsageError(error);
    const std::vector<std::string>& operands = options.verb.operands;
    const std::string& name = operands[0];
    const std::string& out = operands[2];
    std::string wrong;
    const int n = GameNumber(operands[1], wrong);
    if (n == 0)
        return UsageError(wrong);

    GameSession session;
    const OpenedGame opened = OpenGame(session, name, ResolveKind(options.verb, name), n);
    if (opened.status == kExitUsage)
        return opened.status;
    // Printed, the standard start would pass for the game's own.
    if (!opened.startRead)
        return FileError("開始局面を読めないので印刷しません (the start position could not be read; nothing "
                         "printed): " + out);
    const GameState& game = session.Game();
    if (options.ply > game.LastPly)
        return UsageError("その手数はありません (no such ply; the game has " + std::to_string(game.LastPly) +
                          "): " + std::to_string(options.ply));
    session.GoToPly(options.ply >= 0 ? options.ply : game.LastPly);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQt);
    static int argc = 1;
    static char programName[] = "vorlik-kifu";
    static char* argv[] = {programName, nullptr};
    QGuiApplication application(argc, argv);

    // The game reference carries the days the desk folder's settings let the ledger count, as in the window.
    const GameDesk desk = DeskOfGame(name, session.Header(), n);
    if (!desk.error.empty())
        Tell(desk.error);
    const std::optional<Totals> totals = PostcardTotals(game, session.Header().Field[3], desk.leave);
    PrintFields fields = FillPrintFields(game, session.Header(), options.verb.longForm, QDate::currentDate(), totals);
    fields.format = options.format;
    if (options.game >= 0)
        fields.OptionYuu = options.game;
    const QVector<PrintLine> lines = PageLines(fields);
    if (options.lines)
        PrintLineList(lines);
    const QString written = WritePdf(QString::fromStdString(out), lines, options.format);
    if (!written.isEmpty())
        return FileError("PDF ファイルを書けません (cannot write the PDF file): " + out);
    return desk.error.empty() ? opened.status : kExitIncomplete;
}

}  // namespace vorlik
