// The main window: it builds its parts (the board's input, the move list,
// the information boxes, the clocks, the engine traffic, the file commands,
// the panels, the states of the controls), holds the game session they show,
// connects them and handles closing. Every move reaches the record through
// CheckChessMoveOutput.
#pragma once

#include "DialogSetup.h"
#include "WindowServices.h"
#include "core/GameText.h"
#include "engine/EngineGame.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vorlik {

class AnalysisPanel;
class TablebasePanel;
class BoardInput;
class BoardView;
class DialogMnuGameEngine;
class EngineTraffic;
class FileCommands;
class GameClocks;
class GameInfoBoxes;
class HelpWindow;
class MoveListView;
class ReferencePanel;
class WindowEngineHost;
class WindowMenus;
class WindowPanel;
class WindowStates;

// The buttons CommandMain(0..9), numbered as their control array.
enum class MainButton { MoveNow = 0, GotoStart, StepBack, StepForward, GotoEnd, Replay, TakeBack, Start, End, DirectSend };

class FormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit FormMain(WindowServices& services, QWidget* parent = nullptr);
    ~FormMain() override;

    // The game on the board: its record and its phase.
    GameSession& Session() { return *session_; }
    const GameState& Game() const { return session_->Game(); }
    // A move of either side, as the user, the engine or a file gives it.
    bool CheckChessMoveOutput(const std::string& move);
    void MnuFileNew_Click();
    void AllDisplay();  // redraws everything that depends on CurPly
    void CloseWithoutAsking();  // leaves without the question (a signal from the system)
    void OpenGameFile(const QString& fileName);  // as "開く" (a file given on the command line)

    // The parts, as the tests drive them.
    BoardInput& Input() { return *input_; }
    MoveListView& Moves() { return *list_; }
    GameClocks& Clocks() { return *clocks_; }
    FileCommands& Files() { return *files_; }
    // The game against the engine and the engine settings (EngSet, EngLoaFg, EngFileName).
    EngineGame& Engine() { return *engine_; }
    EngineConfig& Settings() { return engineConfig_; }
    DialogMnuGameEngine* EngineDialog() { return engineDialog_; }

public slots:
    void LabelinCheckMate_Click();
    void StepBack();  // "<"
    void MnuFileEnd_Click();
    void MnuGameNew_Click();
    void MnuGameEnd_Click();
    void MnuGameSetup_Click();
    void MnuGameAnalysis_Click(bool on);  // "解析" on or off

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildCentralArea();
    void ConnectMenus();
    void RegisterStates();
    void AddPanel(WindowPanel* panel);  // beside the move list; its intents are the user's
    void BuildEngineLink();
    void ApplyStates();  // every control enabled or not as the session's phase has it
    void ClearRecordView();  // what a new record leaves of the old one's view

    // A move of the user (dragged, clicked, a panel's): an earlier position asks
    // before the record is cut, or makes a variation; in a game the engine answers.
    void PlayUserMove(const std::string& move);
    void CommandMain_Click(MainButton button);
    void ReplayStep();
    bool StepKey(int key);  // clicks a navigation button for a key; false for no step
    void ShowAnalysis(bool on);
    void BuildPanels();
    void ShowPanel(WindowPanel* panel, bool on);  // a panel other than the analysis
    bool ReturnSetup(SetupReturn code);  // false: the set-up stays open (an unsaved record kept)
    void MnuGameHyoukiHyouki_Click(NotationStyle notation);
    void MnuGameTurn_Click();
    void MnuGameLevelLevel_Click(int index);
    void CheckLevel(int level);  // the check mark on level entry 1..3; 0 for none
    void RelabelLevels();
    void MnuGameEngine_Click();
    void MnuGameReview_Click();
    void MnuOptionWin120DPI_Click();
    void KeepSizes(const QFont& fixed);  // for the widest texts, from the start
    void MnuHelpAbout_Click();
    void ApplyIni(const VorlikIni& ini);
    void Vorlik_iniFile();
    void WarnError(const std::string& text);

    WindowServices& services_;
    std::unique_ptr<GameSession> session_;
    std::unique_ptr<WindowMenus> menus_;
    std::unique_ptr<WindowStates> states_;
    BoardView* ImaCheBoa = nullptr;
    std::array<QPushButton*, 10> CommandMain{};
    QLabel* LabelinCheckMate = nullptr;
    QVBoxLayout* panels_ = nullptr;  // beside the move list
    BoardInput* input_ = nullptr;
    MoveListView* list_ = nullptr;
    GameInfoBoxes* info_ = nullptr;
    GameClocks* clocks_ = nullptr;
    EngineTraffic* traffic_ = nullptr;
    FileCommands* files_ = nullptr;
    AnalysisPanel* analysisPanel_ = nullptr;
    TablebasePanel* tbPanel_ = nullptr;
    ReferencePanel* referencePanel_ = nullptr;  // "参考棋譜"
    std::vector<WindowPanel*> panelList_;
    EngineConfig engineConfig_;
    std::unique_ptr<WindowEngineHost> engineHost_;
    std::unique_ptr<EngineGame> engine_;
    DialogMnuGameEngine* engineDialog_ = nullptr;
    QPointer<HelpWindow> helpWindow_;
    int committing_ = 0;  // a move is going through the gate
    bool promotionQuestion_ = true, refusalBeep_ = true;  // as the file module and the engine link ask
    bool askOnClose_ = true, closing_ = false;
    bool undersized_ = false;  // the least size was asked back and not yet had
    QSize defaultSize_;
};

}  // namespace vorlik
