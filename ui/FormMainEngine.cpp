// The window's link to the game against the engine: the engine's host and
// where the game's signals go among the window's parts.
#include "FormMain.h"

#include "BoardInput.h"
#include "BoardView.h"
#include "DialogMnuGameEngine.h"
#include "EngineTraffic.h"
#include "FileCommands.h"
#include "GameClocks.h"
#include "WindowEngineHost.h"
#include "WindowMenus.h"

#include <QAction>
#include <QApplication>

namespace vorlik {

void FormMain::BuildEngineLink()
{
    engineHost_ = std::make_unique<WindowEngineHost>(services_, this, [this] {
        clocks_->StopReplay(false);
        Vorlik_iniFile();
    });
    engineHost_->mayDiscard = [this] { return files_->MayDiscardRecord(); };
    engineHost_->madeNew = [this] { files_->RecordSaved(QString()); };
    // A move from the engine waits while a question is open, a piece is
    // dragged or a move goes through the gate.
    engineHost_->busy = [this] {
        return QApplication::activeModalWidget() != nullptr || ImaCheBoa->Dragging() || committing_ > 0;
    };
    engine_ = std::make_unique<EngineGame>(*engineHost_, engineConfig_, *session_);
    EngineGame* engine = engine_.get();
    connect(engine, &EngineGame::LevelChosen, this, &FormMain::CheckLevel);
    connect(engine, &EngineGame::EngineOutput, this,
            [this](const QString& lines) { traffic_->ShowEngineOutput(lines.toStdString()); });
    connect(engine, &EngineGame::ClockRunning, this, [this](bool on) { clocks_->RunClock(on); });
    connect(engine, &EngineGame::MoveComing, this, [this] {
        if (clocks_->Running())
            clocks_->RunClocks();  // the time up to the move is the mover's
    });
    connect(engine, &EngineGame::BoardChanged, this, &FormMain::AllDisplay);
    connect(engine, &EngineGame::Refused, this, [this] { services_.Beep(); });
    connect(engine, &EngineGame::EngineMoved, this, [this](bool accepted) {
        if (!accepted)
            services_.Beep();
        else if (menus_->MnuGameSound->isChecked())
            input_->PlayMoveSound();
        AllDisplay();
    });
    engineDialog_ = new DialogMnuGameEngine(engineConfig_, services_, this);
    connect(engineDialog_, &DialogMnuGameEngine::SettingsApplied, this, &FormMain::RelabelLevels);
    connect(engineDialog_, &DialogMnuGameEngine::WriteIni, this, &FormMain::Vorlik_iniFile);
}

}  // namespace vorlik
