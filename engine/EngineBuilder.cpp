#include "EngineBuilder.h"

#include "UciEngine.h"
#include "XboardEngine.h"

#include <QFileInfo>

#include <sstream>

namespace vorlik {

namespace {

const char kCannotStart[] = "エンジンが起動できません";

}  // namespace

bool StartEnginePipes(const EngineSettings& set, const QString& programFolder, EnginePipes& pipes)
{
    const QString program = ResolveEnginePath(QString::fromStdString(set.Path), programFolder);
    if (program.isEmpty())
        return false;
    // The engine runs in its own folder, where it finds its books.
    const QString folder = QFileInfo(program).absolutePath();
    if (!set.DeleteFile.empty())
        DeleteEngineFiles(folder, QString::fromStdString(set.DeleteFile));
    return pipes.StartProcess(program, SplitArguments(QString::fromStdString(set.Arguments)), folder);
}

std::unique_ptr<EngineProtocol> MakeProtocol(const EngineSettings& set)
{
    if (set.Protocol == EngineProtocolKind::Uci) {
        auto uci = std::make_unique<UciEngine>();
        uci->setFirstCommand(set.FirstCommand);
        return uci;
    }
    auto xboard = std::make_unique<XboardEngine>();
    xboard->setFirstCommand(set.FirstCommand);
    xboard->setReplyRules(set.MovePrefix, set.ErrorText);
    return xboard;
}

std::unique_ptr<EngineProtocol> StartEngine(const EngineSettings& set, const QString& programFolder,
                                            std::string& error)
{
    std::unique_ptr<EngineProtocol> protocol = MakeProtocol(set);
    auto* pipes = new EnginePipes(protocol.get());  // ends with the protocol, and the engine with it
    if (!StartEnginePipes(set, programFolder, *pipes)) {
        error = kCannotStart;
        return nullptr;
    }
    protocol->setDevice(pipes->Device());
    // Queued: whoever hears "gone" may delete the protocol, and the process with it.
    QObject::connect(pipes, &EnginePipes::Ended, protocol.get(), &EngineProtocol::engineGone, Qt::QueuedConnection);
    return protocol;
}

EngineProbe::EngineProbe(QObject* parent) : QObject(parent)
{
    wait_.setSingleShot(true);
    connect(&wait_, &QTimer::timeout, this, [this] { finish(EngineProtocolKind::Xboard); });
    connect(&pipes_, &EnginePipes::OutputArrived, this, &EngineProbe::readArrived);
    connect(&pipes_, &EnginePipes::Ended, this, [this] { finish(EngineProtocolKind::Xboard); }, Qt::QueuedConnection);
}

void EngineProbe::start(const EngineSettings& set, const QString& programFolder)
{
    reader_.Clear();
    if (!StartEnginePipes(set, programFolder, pipes_)) {
        emit failed();
        return;
    }
    done_ = false;
    pipes_.WritePipe("uci\n");
    wait_.start(kWaitMs);
}

void EngineProbe::readArrived()
{
    const QByteArray bytes = pipes_.ReadPipe();
    for (const std::string& line : reader_.Feed(std::string_view(bytes.constData(), std::size_t(bytes.size())))) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "uciok") {
            finish(EngineProtocolKind::Uci);
            return;
        }
    }
}

void EngineProbe::finish(EngineProtocolKind protocol)
{
    if (done_)
        return;
    done_ = true;
    wait_.stop();
    if (pipes_.Running())
        pipes_.WritePipe("quit\n");
    pipes_.KillProcess();
    emit found(protocol);
}

}  // namespace vorlik
