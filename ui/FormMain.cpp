#include "FormMain.h"

#include "AnalysisPanel.h"
#include "TablebasePanel.h"
#include "BoardInput.h"
#include "BoardView.h"
#include "DialogGameReview.h"
#include "DialogMnuGameEngine.h"
#include "EngineTraffic.h"
#include "FileCommands.h"
#include "GameClocks.h"
#include "GameInfoBoxes.h"
#include "HelpWindow.h"
#include "JapaneseFonts.h"
#include "MoveListView.h"
#include "WindowEngineHost.h"
#include "WindowMenus.h"
#include "WindowStates.h"
#include "core/KifuTree.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace vorlik {

namespace {

QFont ProportionalFont()
{
    QFont font = GothicFont(true);
    font.setPixelSize(12);
    return font;
}

QFont FixedFont()
{
    QFont font = GothicFont(false);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    return font;
}

// The notation as the settings file writes it, "1".."4".
NotationStyle NotationOfText(const std::string& text)
{
    const int number = BoxValue(text).value_or(kStyleShort);
    return number >= kStyleShort && number <= kStyleCoord ? static_cast<NotationStyle>(number) : kStyleShort;
}

}  // namespace

FormMain::FormMain(WindowServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services), session_(std::make_unique<GameSession>()),
      menus_(std::make_unique<WindowMenus>())
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QString::fromUtf8(kProgramCaption) + QStringLiteral("[*]"));
    setFont(ProportionalFont());
    menus_->Build(*this);
    setCentralWidget(BuildCentralArea());
    ConnectMenus();
    files_ = new FileCommands(services_, *session_, *info_, *states_, menus_->MnuOptionKifuWrite, *this);
    files_->beforeReplace = [this] {
        if (session_->EngPlay())
            MnuGameEnd_Click();
    };
    connect(files_, &FileCommands::Loaded, this, [this] {
        list_->Clear();
        list_->UpdateMoveList();
        AllDisplay();
    });
    BuildEngineLink();

    // Start-up: no game, the standard position, White to move; the options
    // and the engine of the last run.
    connect(session_.get(), &GameSession::RecordReset, this, &FormMain::ClearRecordView);
    connect(session_.get(), &GameSession::PhaseChanged, this, &FormMain::ApplyStates);
    connect(session_.get(), &GameSession::RecordChanged, this, &FormMain::ApplyStates);
    connect(session_.get(), &GameSession::RecordChanged, list_, &MoveListView::UpdateMoveList);
    ClearRecordView();
    VorlikIni ini;
    std::string problem;
    const ProgramFolders folders = services_.Folders();
    LoadEngine([&folders](const std::string& name) {
        return SettingsFileToRead(folders, QString::fromStdString(name)).toStdString();
    }, engineConfig_, ini, problem);
    ApplyIni(ini);
    if (!problem.empty())  // told over the window once it is shown
        QTimer::singleShot(0, this, [this, problem] { WarnError(problem); });
    if (engineConfig_.EngLoaFg)
        engineDialog_->ApplyEngSet();
    ApplyStates();
    AllDisplay();
    files_->RecordSaved(QString());

    resize(760, 580);
    defaultSize_ = size();
    if (menus_->MnuOptionWin120DPI->isChecked())
        MnuOptionWin120DPI_Click();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

FormMain::~FormMain() = default;

void FormMain::ConnectMenus()
{
    const WindowMenus& m = *menus_;
    connect(m.MnuFileNew, &QAction::triggered, this, [this] {
        if (files_->MayDiscardRecord())
            MnuFileNew_Click();
    });
    connect(m.MnuFileOpenSave[1], &QAction::triggered, this, [this] { files_->MnuFileOpenSave_Click(FileCommand::Open); });
    connect(m.MnuFileOpenSave[3], &QAction::triggered, this, [this] { files_->MnuFileOpenSave_Click(FileCommand::Save); });
    connect(m.MnuFilePrint, &QAction::triggered, this, [this] { files_->MnuFilePrint_Click(); });
    connect(m.MnuFileDesk, &QAction::triggered, this, [this] { files_->MnuFileDesk_Click(); });
    connect(m.MnuOptionSearch, &QAction::triggered, this, [this] { files_->MnuOptionSearch_Click(); });
    connect(m.MnuFileEnd, &QAction::triggered, this, &FormMain::MnuFileEnd_Click);
    connect(m.MnuGameNew, &QAction::triggered, this, &FormMain::MnuGameNew_Click);
    connect(m.MnuGameEnd, &QAction::triggered, this, &FormMain::MnuGameEnd_Click);
    connect(m.MnuGameEngine, &QAction::triggered, this, &FormMain::MnuGameEngine_Click);
    for (int k = 1; k <= 3; ++k)
        connect(m.MnuGameLevelLevel[k], &QAction::triggered, this, [this, k] { MnuGameLevelLevel_Click(k); });
    for (int k = 1; k <= 4; ++k)
        connect(m.MnuGameHyoukiHyouki[k], &QAction::triggered, this,
                [this, k] { MnuGameHyoukiHyouki_Click(static_cast<NotationStyle>(k)); });
    connect(m.MnuGameTurn, &QAction::triggered, this, &FormMain::MnuGameTurn_Click);
    connect(m.MnuGameVariationPromote, &QAction::triggered, list_, &MoveListView::MnuGameVariationPromote_Click);
    connect(m.MnuGameVariationDelete, &QAction::triggered, list_, &MoveListView::MnuGameVariationDelete_Click);
    connect(m.MnuGameReview, &QAction::triggered, this, &FormMain::MnuGameReview_Click);
    connect(m.MnuGameAnalysis, &QAction::triggered, this, &FormMain::MnuGameAnalysis_Click);
    connect(m.MnuGameSetup, &QAction::triggered, this, &FormMain::MnuGameSetup_Click);
    connect(m.MnuOptionWin120DPI, &QAction::triggered, this, &FormMain::MnuOptionWin120DPI_Click);
    connect(m.MnuHelpSearch, &QAction::triggered, this,
            [this] { helpWindow_ = OpenHelp(services_, this, helpWindow_); });
    connect(m.MnuHelpAbout, &QAction::triggered, this, &FormMain::MnuHelpAbout_Click);
}

QWidget* FormMain::BuildCentralArea()
{
    ImaCheBoa = new BoardView;
    ImaCheBoa->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    states_ = std::make_unique<WindowStates>(ImaCheBoa);
    info_ = new GameInfoBoxes(*session_, this);
    connect(info_, &GameInfoBoxes::Edited, this, [this] { files_->ShowRecordState(); });
    traffic_ = new EngineTraffic(this);
    input_ = new BoardInput(services_, *session_, *ImaCheBoa, menus_->MnuGameTurn, menus_->MnuGameSound, this);
    input_->returnSetup = [this](SetupReturn code) { return ReturnSetup(code); };
    connect(input_, &BoardInput::MovePlayed, this, &FormMain::PlayUserMove);
    connect(input_, &BoardInput::Redisplay, this, &FormMain::AllDisplay);
    connect(input_, &BoardInput::KeyDown, this, &FormMain::StepKey);

    const QString buttonCaptions[] = {QStringLiteral("エンジンの名称"), QStringLiteral("|<"), QStringLiteral("<"),
                                      QStringLiteral(">"), QStringLiteral(">|"), QStringLiteral("動 >"),
                                      QStringLiteral("戻"), QStringLiteral("開始"), QStringLiteral("終了"),
                                      QStringLiteral("直接送信")};
    for (int k = 0; k <= 9; ++k) {
        CommandMain[k] = new QPushButton(buttonCaptions[k]);
        CommandMain[k]->setObjectName(QStringLiteral("CommandMain(%1)").arg(k));
        CommandMain[k]->setAutoDefault(false);
        connect(CommandMain[k], &QPushButton::clicked, this, [this, k] { CommandMain_Click(static_cast<MainButton>(k)); });
    }
    auto* buttonRow = new QHBoxLayout;
    for (int k : {1, 2, 0, 3, 4, 5, 6})
        buttonRow->addWidget(CommandMain[k], k == 0 ? 3 : 1);
    auto* left = new QVBoxLayout;
    left->addWidget(ImaCheBoa, 1);
    left->addLayout(buttonRow);

    clocks_ = new GameClocks(*session_, CommandMain[5], this);
    connect(clocks_, &GameClocks::ReplayStep, this, &FormMain::ReplayStep);
    LabelinCheckMate = new QLabel(QStringLiteral("#挿"));
    LabelinCheckMate->setObjectName(QStringLiteral("LabelinCheckMate"));
    LabelinCheckMate->setCursor(Qt::PointingHandCursor);
    LabelinCheckMate->setToolTip(QStringLiteral("最後の＋(チェック)を＃(チェックメイト)に変更"));
    LabelinCheckMate->installEventFilter(this);
    auto* clocks = new QHBoxLayout;
    clocks->addWidget(clocks_->LabelTime(0));
    clocks->addWidget(clocks_->LabelTime(1));
    clocks->addWidget(LabelinCheckMate);
    clocks->addStretch();
    clocks->addWidget(CommandMain[7]);
    clocks->addWidget(CommandMain[8]);

    list_ = new MoveListView(services_, *session_, menus_->MnuGameMark, this);
    connect(list_, &MoveListView::Redisplay, this, &FormMain::AllDisplay);
    connect(list_, &MoveListView::Edited, this, [this] { files_->ShowRecordState(); });
    connect(list_, &MoveListView::KeyDown, this, &FormMain::StepKey);
    connect(list_, &MoveListView::ReachedEnd, this, [this] {
        if (!session_->EngPlay())
            clocks_->StopTimer();
        clocks_->StopReplay();
    });
    KeepSizes(FixedFont());
    auto* direct = new QHBoxLayout;
    direct->addWidget(traffic_->Direct());
    direct->addWidget(CommandMain[9]);
    panels_ = new QVBoxLayout;
    panels_->setContentsMargins(0, 0, 0, 0);
    auto* listAndTraffic = new QVBoxLayout;
    listAndTraffic->addWidget(list_->List(), 1);
    listAndTraffic->addWidget(list_->Comment());
    listAndTraffic->addLayout(panels_);
    listAndTraffic->addWidget(traffic_->TextEngMas());
    listAndTraffic->addLayout(direct);
    BuildPanels();

    auto* right = new QVBoxLayout;
    right->addWidget(info_->BuildInformation());
    right->addWidget(info_->BuildPostalBlock());
    right->addLayout(clocks);
    right->addLayout(listAndTraffic, 1);
    auto* central = new QWidget;
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(2, 2, 4, 4);
    layout->addLayout(left, 1);
    layout->addLayout(right);
    RegisterStates();
    return central;
}

void FormMain::RegisterStates()
{
    using C = WindowCommand;
    const WindowMenus& m = *menus_;
    WindowStates& states = *states_;
    for (int k = 1; k <= 5; ++k)
        states.Add(C::Navigation, CommandMain[k]);
    states.Add(C::MoveList, list_->List());
    const std::pair<C, QPushButton*> buttons[] = {{C::MoveNow, CommandMain[0]}, {C::TakeBack, CommandMain[6]},
                                                  {C::StartButton, CommandMain[7]}, {C::GameEnd, CommandMain[8]},
                                                  {C::DirectSend, CommandMain[9]}};
    for (const auto& [command, button] : buttons)
        states.Add(command, button);
    const std::pair<C, QAction*> entries[] = {
        {C::GameEnd, m.MnuGameEnd},         {C::FileNew, m.MnuFileNew},         {C::FileOpen, m.MnuFileOpenSave[1]},
        {C::FileSave, m.MnuFileOpenSave[3]}, {C::GameNew, m.MnuGameNew},         {C::GameSetup, m.MnuGameSetup},
        {C::GameEngine, m.MnuGameEngine},   {C::Search, m.MnuOptionSearch},     {C::Analysis, m.MnuGameAnalysis},
        {C::VariationEntry, m.MnuGameVariation}, {C::VariationEdit, m.MnuGameVariationPromote},
        {C::VariationEdit, m.MnuGameVariationDelete}, {C::GameReview, m.MnuGameReview},
        {C::TbClaim, m.MnuGameTbClaim}};
    for (const auto& [command, action] : entries)
        states.Add(command, action);
    states.Add(C::Annotate, list_->Comment());
    for (int k = 1; k <= 6; ++k)
        states.Add(C::Marks, m.MnuGameMark[k]);
    for (int k = 1; k <= 3; ++k)
        states.AddLevel(k, m.MnuGameLevelLevel[k]);
    for (int j = 8; j <= 13; ++j)
        states.Add(C::PostalNotes, info_->TextInfo(j));
}

void FormMain::ApplyStates()
{
    const EngineSettings& set = engineConfig_.EngSet;
    const GameState& game = session_->Game();
    WindowFacts facts;
    facts.engineConfigured = engineConfig_.EngLoaFg;
    facts.atEnd = session_->AtEnd();
    facts.takeBackCommand = !set.TakeBack.empty();
    facts.inVariation = game.LastPly > 0 && !IsMainLine(game, game.LastPly);
    facts.moveShown = game.CurPly > 0;
    facts.tbClaim = tbPanel_ && tbPanel_->Claimable();
    for (int k = 1; k <= 3; ++k)
        facts.levels[k] = !set.LevelCommand(k).empty();
    states_->Apply(session_->Phase(), facts);
    CommandMain[0]->setText(engineConfig_.EngLoaFg ? QString::fromStdString(set.Name) : QStringLiteral("エンジンの名称"));
}

void FormMain::ClearRecordView()
{
    files_->NewRecord();
    clocks_->Reset();
    list_->Clear();
    traffic_->Clear();
}

void FormMain::AllDisplay()
{
    input_->ForgetChosen();
    input_->DrawBoard();
    info_->ShowNotes();
    ApplyStates();  // the marks and the postal boxes follow the move shown
    list_->ShowMove();
    clocks_->ShowSideToMove();
    files_->ShowRecordState();
}

// ---- moves -----------------------------------------------------------------

bool FormMain::CheckChessMoveOutput(const std::string& move)
{
    const PromotionAsk ask = [this](int rank) { return input_->SetupDialog()->AskPromotion(rank); };
    const PromotionAsk queen = [](int) { return 'q'; };
    if (clocks_->Running())
        clocks_->RunClocks();  // the time up to the move is the mover's
    ++committing_;
    const MoveVerdict verdict = session_->CommitMove(move, promotionQuestion_ ? &ask : &queen);
    const bool legal = verdict == MoveVerdict::Legal;
    --committing_;
    if (verdict == MoveVerdict::NoRoom && refusalBeep_) {
        const std::string why = TreeResultText(MoveFits(session_->Game(), move));
        if (!why.empty())
            WarnError(why);  // a limit of the record, not of the rules
    }
    if (legal) {
        if (menus_->MnuGameSound->isChecked())
            input_->PlayMoveSound();
    } else if (refusalBeep_) {
        services_.Beep();
    }
    AllDisplay();
    return legal;
}

void FormMain::PlayUserMove(const std::string& move)
{
    const GameState& game = session_->Game();
    const bool variation = menus_->MnuGameVariation->isChecked() && !session_->EngPlay();
    if (game.CurPly != game.LastPly && !variation) {
        if (session_->EngPlay()) {
            services_.ShowMessage(this, QStringLiteral("局面の変更は[戻]を使用して行ってください"),
                                  QStringLiteral("警告"), MessageIcon::Error, MessageButtons::Ok);
            list_->GotoEnd();
            return;
        }
        if (services_.ShowMessage(this, QStringLiteral("局面を変更すると以降の棋譜は削除されます？"),
                                  QStringLiteral("注意"), MessageIcon::Warning,
                                  MessageButtons::YesNo) == MessageAnswer::No) {
            AllDisplay();
            return;
        }
        // The later plies are discarded: the list is rebuilt up to the board.
        session_->Truncate(game.CurPly);
    }
    if (game.CurPly >= kMaxPly) {
        services_.ShowMessage(this, QStringLiteral("棋譜は400手(半手)までです。これ以上は記録できません。"),
                              QStringLiteral("警告"), MessageIcon::Error, MessageButtons::Ok);
        AllDisplay();
        return;
    }
    if (!CheckChessMoveOutput(move) || engine_->ReactToGameEnd())
        return;
    if (session_->EngPlay())
        engine_->UserMoved();  // the engine answers
}

void FormMain::LabelinCheckMate_Click()
{
    const GameState& game = session_->Game();
    if (game.KifuShort[game.LastPly].find('+') == std::string::npos)
        return;
    if (services_.ShowMessage(this, QStringLiteral("最後の＋(チェック)を＃(チェックメイト)に変更しますか？"),
                              QStringLiteral("確認 手動で<(_ _)>"), MessageIcon::None,
                              MessageButtons::YesNo) == MessageAnswer::No)
        return;
    session_->MarkMate();
    AllDisplay();
}

// ---- navigation ------------------------------------------------------------

void FormMain::CommandMain_Click(MainButton button)
{
    switch (button) {
    case MainButton::GotoStart: list_->GotoStart(); break;
    case MainButton::StepBack: list_->StepBack(); break;
    case MainButton::StepForward: list_->StepForward(); break;
    case MainButton::GotoEnd: list_->GotoEnd(); break;
    case MainButton::MoveNow: engine_->MoveNow(); break;
    case MainButton::TakeBack: engine_->TakeBack(); break;
    case MainButton::Start: MnuGameNew_Click(); break;
    case MainButton::End: MnuGameEnd_Click(); break;
    case MainButton::DirectSend: engine_->DirectSend(traffic_->Direct()->text().toStdString()); break;
    case MainButton::Replay: clocks_->ToggleReplay(); break;
    }
}

void FormMain::StepBack() { list_->StepBack(); }

void FormMain::ReplayStep()
{
    list_->StepForward();
    if (menus_->MnuGameSound->isChecked())
        input_->PlayMoveSound();
}

bool FormMain::StepKey(int key)
{
    // The key is the button's click: a disabled button (the engine thinks)
    // does nothing.
    const int button = StepButton(key);
    if (button == 0)
        return false;
    CommandMain[button]->click();
    return true;
}

// ---- menus -----------------------------------------------------------------

void FormMain::MnuFileNew_Click()
{
    session_->NewRecord();
    AllDisplay();
    files_->RecordSaved(QString());
}

void FormMain::OpenGameFile(const QString& fileName) { files_->OpenGameFile(fileName); }

void FormMain::MnuFileEnd_Click() { close(); }

void FormMain::CloseWithoutAsking()
{
    askOnClose_ = false;
    close();
}

void FormMain::closeEvent(QCloseEvent* event)
{
    // Leaving the program ends the game: the engine is quit and reaped, and
    // the settings are written.
    DialogSetup* setup = input_->ExistingSetupDialog();
    if (session_->SetupOpen() && setup)
        setup->CancelButton_Click();  // leaving cancels the set-up
    if (!closing_) {
        if (askOnClose_ && !files_->MayDiscardRecord()) {
            event->ignore();
            return;
        }
        closing_ = true;
        for (WindowPanel* panel : panelList_)
            panel->TurnOff();
        MnuGameEnd_Click();
    }
    if (setup)
        setup->hide();
    files_->CloseDesk();
    event->accept();
}

void FormMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // Below its least size the fields would lie over each other. A window
    // system that ignores that size (none running, or one that fits windows
    // to a small screen) is asked once for it back; a refusal is left be.
    const QSize least = minimumSize();
    if (width() >= least.width() && height() >= least.height()) {
        undersized_ = false;
    } else if (!undersized_) {
        undersized_ = true;
        QTimer::singleShot(0, this, [this] { resize(size().expandedTo(minimumSize())); });
    }
}

bool FormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LabelinCheckMate && event->type() == QEvent::MouseButtonRelease)
        LabelinCheckMate_Click();
    return QMainWindow::eventFilter(watched, event);
}

void FormMain::MnuGameTurn_Click()
{
    ImaCheBoa->SetTurned(menus_->MnuGameTurn->isChecked());
    AllDisplay();
}

void FormMain::MnuGameHyoukiHyouki_Click(NotationStyle notation)
{
    for (int k = 1; k <= 4; ++k)
        menus_->MnuGameHyoukiHyouki[k]->setChecked(k == notation);
    engineConfig_.EngSet.Style = std::to_string(notation);  // kept with the engine's settings
    for (WindowPanel* panel : panelList_)
        panel->SetNotation(notation);
    list_->SetNotation(notation);
    session_->GoToPly(session_->Game().LastPly);
    AllDisplay();
}

void FormMain::KeepSizes(const QFont& fixed)
{
    // Sized for their widest texts from the start: a clock that starts to
    // count or a long engine name never makes the window grow.
    const QFontMetrics metrics(fixed);
    for (int k = 0; k <= 1; ++k) {
        clocks_->LabelTime(k)->setFont(fixed);
        clocks_->LabelTime(k)->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("黒 00:00:00")) + 14);
    }
    CommandMain[0]->setSizePolicy(QSizePolicy::Ignored, CommandMain[0]->sizePolicy().verticalPolicy());
    const QFontMetrics captions(font());
    CommandMain[0]->setMinimumWidth(captions.horizontalAdvance(QStringLiteral("エンジンの名称")) + 16);
    // The buttons under the board may be as narrow as their captions, no
    // narrower ("動 >" reads "中止" during the replay): the window's least
    // width is then the board's buttons beside the information, not seven
    // buttons of the style's usual width.
    for (int k = 1; k <= 6; ++k) {
        const QString caption = k == 5 ? QStringLiteral("中止") : CommandMain[k]->text();
        CommandMain[k]->setMinimumWidth(qMax(captions.horizontalAdvance(caption),
                                             captions.horizontalAdvance(CommandMain[k]->text())) + 16);
    }
    list_->List()->setFont(fixed);
    traffic_->TextEngMas()->setFont(fixed);
}

void FormMain::MnuOptionWin120DPI_Click()
{
    // The large-screen option: everything a quarter larger, the board included.
    const qreal scale = menus_->MnuOptionWin120DPI->isChecked() ? 1.25 : 1.0;
    QFont font = ProportionalFont();
    font.setPixelSize(qRound(font.pixelSize() * scale));
    setFont(font);
    QFont fixed = FixedFont();
    fixed.setPixelSize(qRound(fixed.pixelSize() * scale));
    KeepSizes(fixed);
    centralWidget()->layout()->invalidate();
    centralWidget()->layout()->activate();
    layout()->invalidate();
    layout()->activate();
    resize(defaultSize_ * scale);
}

void FormMain::MnuHelpAbout_Click()
{
    services_.ShowMessage(this,
                          QStringLiteral("%1\n\n通信チェスのためのチェスプログラム\n"
                                         "A chess program for correspondence players")
                              .arg(QString::fromUtf8(kProgramCaption)),
                          QStringLiteral("バージョン情報"), MessageIcon::Information, MessageButtons::Ok);
}

// ---- the engine -------------------------------------------------------------

void FormMain::ApplyIni(const VorlikIni& ini)
{
    menus_->MnuGameTurn->setChecked(ini.Turn);
    ImaCheBoa->SetTurned(ini.Turn);
    menus_->MnuGameSound->setChecked(ini.Sound);
    MnuGameHyoukiHyouki_Click(NotationOfText(ini.Style));
    menus_->MnuOptionWin120DPI->setChecked(ini.Win120DPI);
    menus_->MnuOptionKifuWrite->setChecked(ini.KifuWrite);
}

void FormMain::Vorlik_iniFile()
{
    VorlikIni ini;
    ini.EngFileName = engineConfig_.EngFileName;
    ini.Turn = menus_->MnuGameTurn->isChecked();
    ini.Sound = menus_->MnuGameSound->isChecked();
    ini.Style = engineConfig_.EngSet.Style;
    ini.Win120DPI = menus_->MnuOptionWin120DPI->isChecked();
    ini.KifuWrite = menus_->MnuOptionKifuWrite->isChecked();
    std::string error;
    if (!vorlik::Vorlik_iniFile(services_.Folders().Settings.toStdString(), ini, error))
        WarnError(error);
}

void FormMain::MnuGameReview_Click()
{
    // The tables know the result of the positions they hold; the engine only guesses.
    TableJudge judge;
    if (const std::shared_ptr<const Tablebase> tables = tbPanel_->Tables())
        judge = [tables](const GameState& game, int ply) { return TableVerdict(*tables, game, ply); };
    GameReviewRun::Start(this, services_, *session_, engineConfig_, std::move(judge));
}

void FormMain::WarnError(const std::string& text)
{
    services_.ShowMessage(this, QString::fromStdString(text), QStringLiteral("警告"), MessageIcon::Error,
                          MessageButtons::Ok);
}

void FormMain::RelabelLevels()
{
    // The level entries read as the commands they send; none is chosen.
    for (int k = 1; k <= 3; ++k)
        menus_->MnuGameLevelLevel[k]->setText(QString::fromStdString(engineConfig_.EngSet.LevelCommand(k)));
    CheckLevel(0);
    engine_->ClearLevel();
}

void FormMain::MnuGameNew_Click() { engine_->MnuGameNew_Click(); }

void FormMain::MnuGameEnd_Click() { engine_->MnuGameEnd_Click(); }

void FormMain::CheckLevel(int level)
{
    for (int k = 1; k <= 3; ++k)
        menus_->MnuGameLevelLevel[k]->setChecked(k == level);
}

void FormMain::MnuGameLevelLevel_Click(int index)
{
    CheckLevel(index);
    engine_->ChooseLevel(index);
}

void FormMain::MnuGameEngine_Click()
{
    engineDialog_->exec();
    ApplyStates();  // a new engine can be played at once
    if (analysisPanel_->IsOn())
        MnuGameAnalysis_Click(true);  // and analyses at once
}

// ---- the set-up -------------------------------------------------------------

void FormMain::MnuGameSetup_Click()
{
    if (session_->SetupOpen() || session_->EngPlay())
        return;
    clocks_->StopReplay(false);  // the replay would move the game under the set-up
    const EngineSettings& set = engineConfig_.EngSet;
    input_->BeginSetup(IsWhitePly(session_->Game().CurPly), engineConfig_.EngLoaFg && set.EditCommand == "edit",
                       set.BlackCommand == "black");
}

bool FormMain::ReturnSetup(SetupReturn code)
{
    const bool confirmed = code == SetupReturn::WhiteToMove || code == SetupReturn::BlackToMove;
    if (confirmed && !files_->MayDiscardRecord())
        return false;
    // The set-up ends in every case; nothing stays in the hand.
    input_->EndSetup(!confirmed);
    if (!confirmed) {
        AllDisplay();
        return true;
    }
    session_->LoadSetup(input_->SetupPosition(), code == SetupReturn::BlackToMove);
    AllDisplay();
    if (input_->SetupDialog()->EngineChosen())
        engine_->WinBoardEdit();  // the engine takes the side not to move
    clocks_->RunClock(true);
    return true;
}

}  // namespace vorlik
