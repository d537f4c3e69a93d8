// The main window: the board, the move list, the game information, the clocks
// and the command buttons, with the menus and the toolbar. It shows one game
// session: the session owns the record and the phase of play, and the
// window's controls follow the phase. Every move reaches the record through
// CheckChessMoveOutput.
#pragma once

#include "BoardView.h"
#include "WindowServices.h"
#include "core/MainWindowPort.h"
#include "core/ModuleMekDim.h"
#include "core/PostalLedger.h"
#include "engine/EngineGame.h"
#include "engine/EngineSettings.h"
#include "records/ModuleMekFile.h"
#include "records/PostalDesk.h"
#include "session/GameSession.h"

#include <QListWidget>
#include <QMainWindow>
#include <QPointer>

#include <functional>

#include <array>
#include <deque>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolBar;

namespace vorlik {

class DeskWindow;
class AnalysisPanel;
class DialogMnuFilePrint;
class DialogMnuGameEngine;
class HelpWindow;
class DialogSetup;
class WindowEngineHost;
class KifuFolder;
class WindowKifuHost;

// The move list: a click jumps to the clicked line, the up and down keys step
// by a full move, left, right, Home and End as the navigation buttons do (the
// window decides what they do).
class MoveListBox : public QListWidget {
    Q_OBJECT
public:
    explicit MoveListBox(QWidget* parent = nullptr);

signals:
    void LinePressed(int x);  // after the press has selected the line; x where it was
    void KeyDown(int key);
    void Resized();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

class FormMain : public QMainWindow, public MainWindowPort {
    Q_OBJECT
public:
    explicit FormMain(WindowServices& services, QWidget* parent = nullptr);
    ~FormMain() override;

    // The window as the file module and the engine link see it, and as the
    // tests and the benchmarks drive it.
    GameState& Game() override { return session_->Record(); }
    bool CheckChessMoveOutput(const std::string& move) override;
    void MnuFileNew_Click() override;
    void AllDisplay() override;
    void RunClock(bool on) override;

    // Leaves without the question (a signal from the system).
    void CloseWithoutAsking();
    // Opens a game file as "開く" does (a file given on the command line);
    // its kind is its extension, else entryKind.
    void OpenGameFile(const QString& fileName, KifuKind entryKind = kKindPgn);

    // The automatic replay is on: the timer steps through the record.
    bool AutoReplayOn() const { return AutoReplay; }

    // Milliseconds of a steady clock. The game clocks add up the time that
    // passes between two ticks of the timer, as read here.
    std::function<long long()> ClockNow;

    // The game on the board: its record and its phase.
    GameSession& Session() { return *session_; }
    // The game against the engine (the protocol) and the engine settings
    // (EngSet, EngLoaFg, EngFileName).
    EngineGame& Engine() { return *engine_; }
    EngineConfig& Settings() { return engineConfig_; }
    DialogMnuGameEngine* EngineDialog() { return engineDialog_; }
    // The set-up dialog, which also asks the promotion question.
    DialogSetup* SetupDialog();
    // The game table of the last file opened, saved into or searched.
    KifuFile& Kifu() { return kifuFile_; }
    KifuHost& Host();

public slots:
    // The commands a user gives, as the tests give them.
    void ImaCheMan_MouseDown(int index);
    void LabelinCheckMate_Click();
    void GotoStart();
    void StepBack();
    void StepForward();
    void Timer_Timer();
    void MnuFileEnd_Click();
    void MnuGameNew_Click();
    void MnuGameEnd_Click();
    void MnuGameSetup_Click();
    // "解析" on or off.
    void MnuGameAnalysis_Click(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The rest of the window's port.
    // Chooses notation style 1..4, rebuilds the move list and shows the last ply.
    void MnuGameHyoukiHyouki_Click(int index);
    // The move list in step with the record.
    void UpdateMoveList();
    // The same for a record with variations or comments: every line of it.
    void UpdateAnnotatedList();
    // The annotation controls show the move on the board.
    void ShowAnnotations();
    void TextComment_Changed();
    void MnuGameMark_Click(int index);
    void MnuGameVariationPromote_Click();
    void MnuGameVariationDelete_Click();
    // "全手解析": the whole main line reviewed by the engine, with its own process.
    void MnuGameReview_Click();
    // Tells the user why a change of the record was refused; true when it was made.
    bool Told(TreeResult result);
    GameHeader ReadGameInfo() override;
    void ShowGameInfo(const GameHeader& header) override;
    // The information a new record starts with: the program's name as the
    // event, today's date, no result.
    void StartHeader();
    // The boxes show the session's header; what is typed into them goes there.
    void ShowHeader();
    void HeaderTyped();
    bool PieceSound() override;
    void SetPieceSound(bool on) override;
    void SetRefusalBeep(bool on) override { refusalBeep_ = on; }
    void Beep() override;
    void SetPromotionQuestion(bool ask) override { promotionQuestion_ = ask; }
    void ShowEngineOutput(const std::string& lines) override;
    bool EngineMustWait() override;

    // True when the record has moves or game information that were never
    // saved, or changed since the last open, save or new record.
    bool RecordUnsaved();
    // Asks whether to discard an unsaved record; true when there is none or
    // the user said yes.
    bool MayDiscardRecord();

    // The handlers of the controls.
    void ImaCheMan_DragDrop(int index);
    // A move of the user (dragged, clicked, or the analysis' best move) on
    // the position on the board: an earlier position asks before the record
    // is cut, or makes a variation; in a game the engine answers.
    void PlayUserMove(const std::string& move);
    // The check mark of "解析", and the panel or the engine traffic beside the list.
    void ShowAnalysis(bool on);
    void ImaCheBoa_DragDrop();
    // A piece let go where it was lifted: the piece chosen for a move by
    // clicks, or a drop there (the set-up, a piece that cannot move now).
    void ImaCheMan_Click(int index);
    void ImaCheBoa_DragCancelled(int index);
    void ImaCheBoa_KeyDown(int key);
    void CommandMain_Click(int index);
    void GotoEnd();
    void ListMain_MouseDown(int x);
    void ListMain_KeyDown(int key);
    void TextInfo_LostFocus(int index);
    void MnuFileOpenSave_Click(int index);  // 1 open, 3 save
    void MnuFilePrint_Click();
    // "通信対局一覧": the desk window, and a game opened from it.
    void MnuFileDesk_Click();
    void OpenFromDesk(const DeskPlace& place);
    // A game opened from the desk goes back to its place in its file; false
    // when the player would rather choose where.
    bool SaveToDesk();
    // Asks before a save into a file of this kind loses the record's
    // variations, comments or marks; true to go on.
    bool MayLoseAnnotations(KifuKind kind);
    void MnuGameTurn_Click();
    void MnuGameSound_Click();
    void MnuGameLevelLevel_Click(int index);
    void MnuGameEngine_Click();
    // Ends the set-up: 1 White to move, 2 Black to move, 3 cancelled. False
    // when the set-up stays open (the user kept an unsaved record).
    bool ReturnSetup(int code);
    void TakeBack();
    void MnuOptionSearch_Click();
    void MnuOptionKifuWrite_Click();
    void MnuOptionWin120DPI_Click();
    void MnuHelpSearch_Click();
    void MnuHelpAbout_Click();

    // Controls; an index in the name stands for a control array.
    BoardView* ImaCheBoa = nullptr;
    MoveListBox* ListMain = nullptr;
    std::array<QLineEdit*, 15> TextInfo{};  // 1..14
    QPlainTextEdit* TextInfoS = nullptr;
    QComboBox* CombKekka = nullptr;
    std::array<QLabel*, 2> LabelTime{};
    QPlainTextEdit* TextEngMas = nullptr;
    std::array<QPushButton*, 10> CommandMain{};
    QLabel* LabelinCheckMate = nullptr;
    std::array<QLabel*, 14> LabeInfo{};
    std::array<QLabel*, 10> LabelJpca{};  // 7..9
    QLabel* LabelLedger = nullptr;        // both sides' days beside the postal boxes
    std::array<QFrame*, 3> Shape1{};      // 1..2
    QToolBar* Toolbar = nullptr;
    std::array<QAction*, 15> ToolbarButton{};  // 1..14
    QTimer* Timer = nullptr;

    // Menu entries.
    QAction* MnuFileNew = nullptr;
    std::array<QAction*, 4> MnuFileOpenSave{};  // 1 open, 3 save
    QAction* MnuFilePrint = nullptr;
    QAction* MnuFileDesk = nullptr;
    QAction* MnuFileEnd = nullptr;
    QAction* MnuGameNew = nullptr;
    QAction* MnuGameEnd = nullptr;
    QAction* MnuGameTurn = nullptr;
    QAction* MnuGameSound = nullptr;
    std::array<QAction*, 5> MnuGameHyoukiHyouki{};  // 1..4
    QAction* MnuGameSetup = nullptr;
    std::array<QAction*, 4> MnuGameLevelLevel{};  // 1..3
    QAction* MnuGameEngine = nullptr;
    QAction* MnuGameAnalysis = nullptr;          // "解析"
    AnalysisPanel* analysisPanel_ = nullptr;
    QAction* MnuGameVariation = nullptr;         // "変化手順の入力"
    QAction* MnuGameVariationPromote = nullptr;
    QAction* MnuGameVariationDelete = nullptr;
    QAction* MnuGameReview = nullptr;            // "全手解析"
    std::array<QAction*, 7> MnuGameMark{};       // 1..6: ! ? !! ?? !? ?!
    QLineEdit* TextComment = nullptr;            // the comment after the move on the board
    QAction* MnuOptionSearch = nullptr;
    QAction* MnuOptionKifuWrite = nullptr;
    QAction* MnuOptionWin120DPI = nullptr;
    QAction* MnuHelpSearch = nullptr;
    QAction* MnuHelpAbout = nullptr;

    bool AutoReplay = false;  // the timer steps through the record

    void BuildMenus();
    void BuildToolbar();
    QWidget* BuildCentralArea();
    QGridLayout* FramedGrid(int index);
    QLabel* InfoLabel(int index, const QString& caption);
    QWidget* BuildInformation();
    QWidget* BuildPostalBlock();
    // Enables or disables a control of the window; the keyboard focus stays
    // where the user left it.
    void Enable(QWidget* control, bool on);
    void SelectLine(int line, bool toTop);
    // The list written again for plies 1..lastPly.
    void RebuildMoveList(int lastPly);
    int Style() const;
    bool Turned() const;
    void PlayMoveSound();
    // Starts the timer; the clocks count from now when it was not running.
    void StartTimer();
    // Adds the time since the last reading to the clock of the side to move.
    void RunClocks();
    // The 64 squares: the edited position during a set-up, else the record's.
    void DrawBoard();
    void PlaceSetupDialog();
    void SetupPiecePicked(char piece);
    void OpenFile();
    void SaveFile();
    // The folder of a game file just chosen, for the next file dialog; a
    // failure to write it down is told.
    void RememberFolder(const QString& fileName);
    void BuildEngineLink();
    // The record as a text that changes with every move, box and option a
    // file keeps; equal to the saved one when nothing needs saving.
    std::string RecordFingerprint();
    // The record is now what fileName holds (none: a new record).
    void RecordSaved(const QString& fileName);
    // The title: the file's name, and "[*]" shown while the record is unsaved.
    void ShowRecordState();
    // The ledger of the main line, with the leave the desk keeps for the game.
    Ledger MainLineLedger() const;
    void ShowLedger();
    // The time control and leave the desk folder of fileName keeps for the
    // game on the board; none for a game of no file.
    void ReadDeskOfGame(const QString& fileName);
    // Clicks a navigation button for a key; false when the key is no step.
    bool StepKey(int key);
    // The board's image of a square, as it is drawn now (turned or not).
    int ImageOfSquare(int file, int rank) const;
    bool SideToMoveOwns(char piece) const;
    void ApplyIni(const VorlikIni& ini);
    void Vorlik_iniFile();
    void WarnError(const std::string& text);
    void RelabelLevels();
    // The check mark on level entry 1..3; 0 for none.
    void CheckLevel(int level);
    void FlushTraffic();
    void KeepSizes(const QFont& fixed);
    bool EngPlay() const { return session_->EngPlay(); }
    bool EngWait() const { return session_->EngWait(); }
    // Every control enabled or not as the session's phase has it.
    void ApplyStates();
    // What a new record leaves of the old one's view: the information boxes,
    // the list, the clocks, the traffic; the timer stops.
    void ClearRecordView();
    // Line of the move list for ply `ply`, written anew (a White ply ends
    // the list there).
    void AddMoveLine(int ply);

    WindowServices& services_;
    std::unique_ptr<GameSession> session_;
    GamePhase beforeSetup_ = GamePhase::NoGame;  // the phase a cancelled set-up returns to
    DialogSetup* setupDialog_ = nullptr;
    KifuFile kifuFile_;
    std::unique_ptr<WindowKifuHost> kifuHost_;
    std::unique_ptr<KifuFolder> kifuFolder_;  // where the game-file dialogs start
    EngineConfig engineConfig_;
    std::unique_ptr<WindowEngineHost> engineHost_;
    std::unique_ptr<EngineGame> engine_;
    DialogMnuGameEngine* engineDialog_ = nullptr;
    DialogMnuFilePrint* printDialog_ = nullptr;
    std::unique_ptr<DeskWindow> deskWindow_;  // a window of its own, so that it never covers the board for good
    std::optional<DeskPlace> deskPlace_;         // where the game on the board came from on the desk
    std::optional<DeskPlace> pendingDeskPlace_;  // the same while it loads or is saved
    QPointer<HelpWindow> helpWindow_;
    int notesPly_ = 0;    // the ply whose notes the postal boxes show
    TimeControl deskControl_;  // of the game's desk folder, when it has one
    Leave deskLeave_;
    QString deskError_;  // why the folder's settings could not be read
    std::optional<MoveReceipt> deskReceipt_;  // the move in hand's receipt, entered on the desk
    std::pair<QString, QString> datesOnFocus_;  // 着 and 発 when one of them took the focus
    bool annotatedListDue_ = false;  // the list of an annotated record is to be written
    bool listAnnotated_ = false;     // the list shows an annotated record's lines
    bool recordStateDue_ = false;    // the title's unsaved mark is to be read
    QPointer<QWidget> parkedFocus_;  // a disabled control the focus returns to
    int committing_ = 0;  // a move is going through the gate
    std::deque<QString> traffic_;  // the newest lines of the engine traffic
    QTimer* trafficTimer_ = nullptr;
    bool trafficDirty_ = false;
    bool promotionQuestion_ = true;
    std::string savedRecord_;
    int chosenImage_ = 0;  // the piece chosen by a click, waiting for its target
    bool askOnClose_ = true;
    QSize defaultSize_;
    bool closing_ = false;
    bool undersized_ = false;  // the least size was asked back and not yet had
    bool refusalBeep_ = true;
    bool showingHeader_ = false;  // the boxes are being filled from the header
    long long clockMark_ = 0;  // ClockNow at the last tick, or when the timer started
};

}  // namespace vorlik
