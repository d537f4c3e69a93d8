// Starting an engine from its settings: the process in its own folder (after
// the settings' file to delete is gone), its pipes handed to the protocol the
// settings name. And the probe behind "設定読込み": an engine that answers
// "uciok" to "uci" speaks UCI.
#pragma once

#include "EngineProtocol.h"
#include "EngineSettings.h"
#include "WinBoradInterfaccia.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace vorlik {

// Starts the executable of set into pipes. False when it cannot be found or started.
bool StartEnginePipes(const EngineSettings& set, const QString& programFolder, EnginePipes& pipes);

// The protocol object for a kind, on no device yet.
std::unique_ptr<EngineProtocol> MakeProtocol(const EngineSettings& set);

// The engine of set started and handed to its protocol, which owns the
// process from then on (deleting it ends the engine). Null with error when it
// could not be started. start() has not been called yet.
std::unique_ptr<EngineProtocol> StartEngine(const EngineSettings& set, const QString& programFolder,
                                            std::string& error);

// Asks an engine "uci" and listens for "uciok" a little while: found() tells
// the protocol once, or failed() when the engine could not be started.
class EngineProbe : public QObject {
    Q_OBJECT
public:
    explicit EngineProbe(QObject* parent = nullptr);
    static constexpr int kWaitMs = 3000;

    void start(const EngineSettings& set, const QString& programFolder);

signals:
    void found(vorlik::EngineProtocolKind protocol);
    void failed();

private:
    void readArrived();
    void finish(EngineProtocolKind protocol);

    EnginePipes pipes_;
    EngineLineReader reader_;
    QTimer wait_;
    bool done_ = true;
};

}  // namespace vorlik
