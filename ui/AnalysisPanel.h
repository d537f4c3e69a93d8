// The analysis beside the move list (解析): the current engine thinks about
// the position on the board and its best lines are shown, each with its
// depth, its score from White's side, its nodes or time and its moves in the
// move list's notation. Every change of the position on the board starts the
// analysis again; nothing of the position left is shown. However fast the
// engine writes, the lines are redrawn at most ten times a second.
#pragma once

#include "engine/EngineAnalysis.h"
#include "engine/EngineSettings.h"
#include "session/GameSession.h"
#include "WindowPanel.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace vorlik {

class WindowServices;

// The settings of the engine to analyse with (the panel's and the review's):
// the one chosen in the panel's box; until one is chosen, the shipped
// Stockfish when its program is installed, else the game's engine. False
// when none reads.
bool ChooseAnalysisEngine(WindowServices& services, const EngineConfig& gameEngine, EngineConfig& config);

class AnalysisPanel : public WindowPanel {
    Q_OBJECT
public:
    static constexpr int kRedrawMs = 100;        // at most ten redraws a second
    static constexpr int kReadyWaitMs = 30000;   // for the engine to say it is ready
    static constexpr int kDefaultLines = 3;

    AnalysisPanel(WindowServices& services, GameSession& session, QWidget* parent = nullptr);
    ~AnalysisPanel() override;  // the engine is quit

    // Starts the analysis engine and analyses the position on the board (an
    // analysis running is ended first). The engine is the one chosen in the
    // panel's box; until one is chosen, the shipped Stockfish when its
    // program is installed (the strongest engine for looking at a position),
    // else the game's engine, gameEngine. False when there is no engine or
    // it cannot be started: the user has been told.
    bool TurnOn(const EngineConfig& gameEngine);
    // The engine quits; its process has ended when this returns.
    void TurnOff() override;
    bool IsOn() const { return engine_ != nullptr; }
    // The notation of the lines: the move list's.
    void SetNotation(NotationStyle notation) override;
    // What is known for certain of the position a line ends in (the endgame
    // tables' result), shown before its moves; "" when nothing is.
    using LineEndMark = std::function<QString(const GameState& game, int ply, const std::vector<std::string>& coords)>;
    void SetLineEndMark(LineEndMark mark) { lineEndMark_ = std::move(mark); }

protected:
    void changeEvent(QEvent* event) override;

    // Its intents: TurnedOff when the analysis has ended by itself (the
    // engine went, did not answer, or a game against the engine began);
    // PlayMove with the first move of the best line; RecordEdited when a
    // line has gone into the record as a variation.
signals:
    // The lines have been drawn anew.
    void Redrawn();

private:
    // The board has changed: the position is looked at once the change is handled.
    void BoardChanged();
    void FollowBoard();
    void FollowPhase(GamePhase phase);
    void LinesChanged();
    // Draws the lines now; a flood's next drawing waits for the timer.
    void ShowNow();
    void Redraw();
    void EngineLost(const QString& why);
    void LineCountChosen(int count);
    void PlayBest();
    void AddChosenLine();
    // The moves, added after the position shown, would lengthen the line on
    // the board instead of leaving it.
    bool RunsPastEnd(const std::vector<std::string>& moves) const;
    // The line of row `row`, while the board still shows its position; none
    // for a row without moves.
    const AnalysisLine* ShownLine(int row) const;
    // The row the user has chosen, else the best line's.
    int ChosenRow() const;
    QString LineText(const AnalysisLine& line) const;
    // "〔TB 白の勝ち〕 " before a line whose end the tables hold.
    QString EndMark(const AnalysisLine& line) const;
    void FitRows(int rows);
    // The engines' settings files in the settings and shipped folders, in
    // the box, the chosen one current.
    void ListEngines(const QString& chosen);
    void EngineChosen();
    void Tell(const QString& text, bool error);

    WindowServices& services_;
    GameSession& session_;
    std::unique_ptr<EngineProtocol> engine_;
    std::unique_ptr<EngineAnalysis> analysis_;
    QLabel* LabelAnalysis = nullptr;       // the engine's name and what it does
    QComboBox* ComboAnalysisEngine = nullptr;  // the engine to analyse with
    QSpinBox* SpinAnalysisLines = nullptr; // 1..5 lines, for UCI engines
    QTreeWidget* TreeAnalysis = nullptr;
    QPushButton* ComAnalysisBest = nullptr;
    QPushButton* ComAnalysisAdd = nullptr;
    QTimer redraw_;
    QTimer readyWait_;
    bool dirty_ = false;        // lines came while the redraw waited
    bool paused_ = false;       // a position is being set up
    std::string position_;      // the position analysed, as the engine is told it
    int rootPly_ = 0;           // its ply in the record
    int firstMove_ = 1;         // the number of the record's first move
    NotationStyle notation_ = kStyleShort;
    int rows_ = kDefaultLines;  // the tree has room for so many lines
    QString engineName_;
    EngineConfig gameEngine_;   // the game's engine, when no other is chosen
    LineEndMark lineEndMark_;
};

}  // namespace vorlik
