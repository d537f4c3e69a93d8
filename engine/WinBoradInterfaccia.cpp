#include "WinBoradInterfaccia.h"

#include "records/ModuleMekFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <csignal>
#include <unistd.h>

namespace vorlik {

QString ResolveEnginePath(const QString& path, const QString& programFolder)
{
    if (path.isEmpty())
        return QString();
    const auto executable = [](const QString& candidate) {
        const QFileInfo info(candidate);
        return info.isFile() && info.isExecutable();
    };
    if (QDir::isAbsolutePath(path))
        return executable(path) ? path : QString();
    const QString inProgramFolder = QDir(programFolder).absoluteFilePath(path);
    if (executable(inProgramFolder))
        return QDir::cleanPath(inProgramFolder);
    if (path.contains(QLatin1Char('/')))
        return QString();  // a path relative to the program folder only
    QString found = QStandardPaths::findExecutable(path);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(path, {QStringLiteral("/usr/games"), QStringLiteral("/usr/local/games")});
    return found;
}

QStringList SplitArguments(const QString& text)
{
    // The way a shell splits words: blanks part them, quotes hold them
    // together, a backslash takes the next character as it is.
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (int k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        if (quote.isNull() && c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == quote) {
            quote = QChar();
        } else if (quote.isNull() && (c == QLatin1Char('"') || c == QLatin1Char('\''))) {
            quote = c;
        } else if (c == QLatin1Char('\\') && quote != QLatin1Char('\'') && k + 1 < text.size()) {
            word += text[++k];
        } else {
            word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}

namespace {

// The program's own files, which may share the engine's folder: settings,
// engine files, the piece sound, game files and their backups.
bool IsProgramFile(const QFileInfo& info)
{
    static const QStringList kOwnSuffixes = {QStringLiteral("ini"), QStringLiteral("mek"), QStringLiteral("wav"),
                                             QStringLiteral("bak")};
    return kOwnSuffixes.contains(info.suffix(), Qt::CaseInsensitive) ||
           KindOfFileName(info.fileName().toStdString()) != 0;
}

}  // namespace

int DeleteEngineFiles(const QString& folder, const QString& pattern)
{
    if (pattern.isEmpty() || pattern.contains(QLatin1Char('/')) || pattern.contains(QStringLiteral("..")))
        return 0;
    const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(
        pattern, QRegularExpression::UnanchoredWildcardConversion));
    const QRegularExpression anchored(QRegularExpression::anchoredPattern(match.pattern()));
    int deleted = 0;
    const QDir dir(folder);
    // Hidden files are left out: they are the user's, never an engine's leftovers.
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::System | QDir::NoSymLinks)) {
        // Programs and the program's own files are never deleted: a pattern
        // such as "*" in the program folder would take the engines, the
        // settings and the player's games with it.
        if (!info.isFile() || info.isSymLink() || info.isExecutable() || IsProgramFile(info) ||
            !anchored.match(info.fileName()).hasMatch())
            continue;
        if (QFile::remove(info.absoluteFilePath()))
            ++deleted;
    }
    return deleted;
}

EnginePipes::EnginePipes(QObject* parent) : QObject(parent) {}

EnginePipes::~EnginePipes() { KillProcess(); }

bool EnginePipes::StartProcess(const QString& program, const QStringList& arguments, const QString& folder)
{
    KillProcess();  // only one engine at a time
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setWorkingDirectory(folder);
    // Its own session: a Ctrl-C in the program's terminal does not reach the
    // engine, and the engine's process group can be killed as one.
    process_->setChildProcessModifier([] { ::setsid(); });
    connect(process_, &QProcess::readyReadStandardOutput, this, &EnginePipes::OutputArrived);
    connect(process_, &QProcess::finished, this, &EnginePipes::Finished);
    process_->start(program, arguments, QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (!process_->waitForStarted(10000)) {
        delete process_;
        process_ = nullptr;
        return false;
    }
    pid_ = process_->processId();
    started_.start();
    return true;
}

void EnginePipes::KillProcess()
{
    if (!process_)
        return;
    killing_ = true;
    if (pid_ > 0)
        ::kill(-static_cast<pid_t>(pid_), SIGKILL);  // the engine and what it started (polyglot's engine)
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);  // reaped here, never left a zombie
    }
    process_->disconnect(this);
    delete process_;
    process_ = nullptr;
    started_.invalidate();
    pid_ = 0;
    killing_ = false;
}

qint64 EnginePipes::WritePipe(const QByteArray& bytes)
{
    if (!Running())
        return 0;
    const qint64 written = process_->write(bytes);
    return written < 0 ? 0 : written;
}

QByteArray EnginePipes::ReadPipe()
{
    return process_ ? process_->readAll() : QByteArray();
}

QIODevice* EnginePipes::Device() const { return process_; }

bool EnginePipes::Running() const { return process_ && process_->state() == QProcess::Running; }

qint64 EnginePipes::ProcessId() const { return Running() ? pid_ : 0; }

void EnginePipes::Finished()
{
    if (killing_)
        return;
    // Whatever it started goes with it.
    if (pid_ > 0)
        ::kill(-static_cast<pid_t>(pid_), SIGKILL);
    emit Ended();
}

}  // namespace vorlik
