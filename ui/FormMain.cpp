#include "FormMain.h"

#include "DialogMnuFilePrint.h"
#include "DialogMnuGameEngine.h"
#include "DialogSetup.h"
#include "HelpWindow.h"
#include "JapaneseFonts.h"
#include "KifuFolder.h"
#include "MoveList.h"
#include "WindowEngineHost.h"
#include "WindowKifuHost.h"
#include "core/GameText.h"
#include "core/MoveCommit.h"
#include "core/PositionSetup.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QVariant>

#include <chrono>
#include <utility>

namespace vorlik {

namespace {

const char kCaption[] = "Vorlik Ver1.00";
const char kTrafficHeading[] = "エンジンとの送受信";
constexpr int kTimerInterval = 1500;  // one tick of the clocks and of the replay
constexpr int kTrafficLines = 2000;   // lines the engine traffic box keeps
constexpr int kTrafficRefreshMs = 100;

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

// A name typed without an extension gets the one of the chosen file type:
// "game" saved as PGN becomes "game.pgn".
QString WithFilterSuffix(const QString& fileName, const char* filter, int entry)
{
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    const QString pattern = parts.value(2 * entry - 1);
    if (!pattern.startsWith(QStringLiteral("*.")))
        return fileName;
    return fileName + (fileName.endsWith(QLatin1Char('.')) ? pattern.mid(2) : pattern.mid(1));
}

// A toolbar picture: the command's character on a small tile.
QIcon ToolIcon(const QString& glyph)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x6E, 0x14, 0x14));
    painter.setBrush(QColor(0xF6, 0xE8, 0xC8));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 4, 4);
    QFont font = ProportionalFont();
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

// The clock label of the side to move is drawn opaque, the other transparent.
void SetOpaque(QLabel* label, bool opaque)
{
    const QVariant state = label->property("opaque");
    if (state.isValid() && state.toBool() == opaque)
        return;  // restyling is slow: only on a change of side
    label->setProperty("opaque", opaque);
    label->setStyleSheet(opaque ? QStringLiteral("background-color: #fffbe6; border: 1px solid #6e1414; padding: 1px 4px;")
                                : QStringLiteral("background-color: transparent; border: 1px solid transparent; "
                                                 "padding: 1px 4px;"));
}

// The navigation button a key stands for on the board and the move list
// (1 "|<", 2 "<", 3 ">", 4 ">|"); 0 for any other key.
int StepButton(int key)
{
    switch (key) {
    case Qt::Key_Home: return 1;
    case Qt::Key_Left: return 2;
    case Qt::Key_Right: return 3;
    case Qt::Key_End: return 4;
    default: return 0;
    }
}

}  // namespace

MoveListBox::MoveListBox(QWidget* parent) : QListWidget(parent) {}

void MoveListBox::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    if (itemAt(event->position().toPoint()))
        emit LinePressed();
}

void MoveListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Up && event->key() != Qt::Key_Down && StepButton(event->key()) == 0)
        QListWidget::keyPressEvent(event);
    emit KeyDown(event->key());
}

FormMain::FormMain(WindowServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services), game_(std::make_unique<GameState>())
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QString::fromUtf8(kCaption) + QStringLiteral("[*]"));
    setFont(ProportionalFont());

    ClockNow = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(kTimerInterval);
    connect(Timer, &QTimer::timeout, this, &FormMain::Timer_Timer);

    BuildMenus();
    BuildToolbar();
    setCentralWidget(BuildCentralArea());
    QStringList captions;
    for (int k = 0; k <= 6; ++k)
        captions << LabeInfo[k]->text();
    kifuHost_ = std::make_unique<WindowKifuHost>(*this, services_, this, MnuOptionKifuWrite, captions);
    kifuFolder_ = std::make_unique<KifuFolder>(services_.Folders().Settings);
    BuildEngineLink();

    // Start-up: no game, the standard position, White to move; the options
    // and the engine of the last run.
    ResetGame();
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
    SetMenuState(MenuState::NoGame);
    SetControlState(ControlState::NoGame);
    SetStartPosition(*game_);
    AllDisplay();
    RecordSaved(QString());

    resize(760, 580);
    defaultSize_ = size();
    if (MnuOptionWin120DPI->isChecked())
        MnuOptionWin120DPI_Click();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

FormMain::~FormMain() = default;

KifuHost& FormMain::Host() { return *kifuHost_; }

void FormMain::BuildMenus()
{
    // Captions end in their access key the Japanese way: "ファイル(&F)".
    auto entry = [this](QMenu* menu, const char* name, const QString& caption, char key = 0) {
        QAction* action = menu->addAction(key ? caption + QStringLiteral("(&%1)").arg(QLatin1Char(key)) : caption);
        action->setObjectName(QString::fromUtf8(name));
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("MnuFile"));
    MnuFileNew = entry(file, "MnuFileNew", QStringLiteral("新規作成"), 'N');
    file->addSeparator();
    MnuFileOpenSave[1] = entry(file, "MnuFileOpenSave(1)", QStringLiteral("開く"), 'O');
    MnuFileOpenSave[2] = file->addSeparator();
    MnuFileOpenSave[3] = entry(file, "MnuFileOpenSave(3)", QStringLiteral("保存"), 'S');
    file->addSeparator();
    MnuFilePrint = entry(file, "MnuFilePrint", QStringLiteral("印刷"), 'P');
    file->addSeparator();
    MnuFileEnd = entry(file, "MnuFileEnd", QStringLiteral("Vorlikの終了"), 'X');

    QMenu* game = menuBar()->addMenu(QStringLiteral("ゲーム(&G)"));
    game->setObjectName(QStringLiteral("MnuGame"));
    MnuGameNew = entry(game, "MnuGameNew", QStringLiteral("ゲーム開始"), 'S');
    MnuGameEnd = entry(game, "MnuGameEnd", QStringLiteral("ゲーム終了"), 'E');
    game->addSeparator();
    MnuGameTurn = entry(game, "MnuGameTurn", QStringLiteral("盤の反転"), 'T');
    MnuGameSound = entry(game, "MnuGameSound", QStringLiteral("駒音"), 'U');
    QMenu* notation = game->addMenu(QStringLiteral("表記(&N)"));
    notation->setObjectName(QStringLiteral("MnuGameHyouki"));
    const QString styles[] = {QStringLiteral("国際"), QStringLiteral("国際長"), QStringLiteral("郵便"),
                              QStringLiteral("座標")};
    for (int k = 1; k <= 4; ++k) {
        MnuGameHyoukiHyouki[k] = entry(notation, "", styles[k - 1]);
        MnuGameHyoukiHyouki[k]->setObjectName(QStringLiteral("MnuGameHyoukiHyouki(%1)").arg(k));
        MnuGameHyoukiHyouki[k]->setCheckable(true);
        connect(MnuGameHyoukiHyouki[k], &QAction::triggered, this, [this, k] { MnuGameHyoukiHyouki_Click(k); });
    }
    game->addSeparator();
    MnuGameSetup = entry(game, "MnuGameSetup", QStringLiteral("駒の配置"), 'P');
    game->addSeparator();
    QMenu* level = game->addMenu(QStringLiteral("思考レベル(&L)"));
    level->setObjectName(QStringLiteral("MnuGameLevel"));
    for (int k = 1; k <= 3; ++k) {
        MnuGameLevelLevel[k] = entry(level, "", QStringLiteral("レベル%1").arg(QChar(0xFF10 + k)));
        MnuGameLevelLevel[k]->setObjectName(QStringLiteral("MnuGameLevelLevel(%1)").arg(k));
        MnuGameLevelLevel[k]->setCheckable(true);
    }
    game->addSeparator();
    MnuGameEngine = entry(game, "MnuGameEngine", QStringLiteral("エンジンの設定"), 'C');

    QMenu* option = menuBar()->addMenu(QStringLiteral("その他(&O)"));
    option->setObjectName(QStringLiteral("MnuOption"));
    MnuOptionSearch = entry(option, "MnuOptionSearch", QStringLiteral("局面検索"), 'S');
    option->addSeparator();
    MnuOptionKifuWrite = entry(option, "MnuOptionKifuWrite", QStringLiteral("国際長表記で保存"), 'L');
    option->addSeparator();
    MnuOptionWin120DPI = entry(option, "MnuOptionWin120DPI", QStringLiteral("画面・大きなサイズ（120dpi)"), 'D');

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("MnuHelp"));
    MnuHelpSearch = entry(help, "MnuHelpSearch", QStringLiteral("トピックの検索"), 'H');
    help->addSeparator();
    MnuHelpAbout = entry(help, "MnuHelpAbout", QStringLiteral("バージョン情報"), 'A');

    MnuFileNew->setShortcut(Qt::CTRL | Qt::Key_N);
    MnuFileOpenSave[1]->setShortcut(Qt::CTRL | Qt::Key_O);
    MnuFileOpenSave[3]->setShortcut(Qt::CTRL | Qt::Key_S);
    MnuFilePrint->setShortcut(Qt::CTRL | Qt::Key_P);
    MnuFileEnd->setShortcut(Qt::CTRL | Qt::Key_Q);
    MnuHelpSearch->setShortcut(Qt::Key_F1);

    for (QAction* option : {MnuGameTurn, MnuGameSound, MnuOptionKifuWrite, MnuOptionWin120DPI})
        option->setCheckable(true);
    MnuGameHyoukiHyouki[1]->setChecked(true);

    connect(MnuFileNew, &QAction::triggered, this, [this] {
        if (MayDiscardRecord())
            MnuFileNew_Click();
    });
    connect(MnuFileOpenSave[1], &QAction::triggered, this, [this] { MnuFileOpenSave_Click(1); });
    connect(MnuFileOpenSave[3], &QAction::triggered, this, [this] { MnuFileOpenSave_Click(3); });
    connect(MnuFileEnd, &QAction::triggered, this, &FormMain::MnuFileEnd_Click);
    connect(MnuGameNew, &QAction::triggered, this, &FormMain::MnuGameNew_Click);
    connect(MnuGameEnd, &QAction::triggered, this, &FormMain::MnuGameEnd_Click);
    connect(MnuGameEngine, &QAction::triggered, this, &FormMain::MnuGameEngine_Click);
    for (int k = 1; k <= 3; ++k)
        connect(MnuGameLevelLevel[k], &QAction::triggered, this, [this, k] { MnuGameLevelLevel_Click(k); });
    connect(MnuGameTurn, &QAction::triggered, this, &FormMain::MnuGameTurn_Click);
    connect(MnuGameSound, &QAction::triggered, this, &FormMain::MnuGameSound_Click);
    connect(MnuOptionSearch, &QAction::triggered, this, &FormMain::MnuOptionSearch_Click);
    connect(MnuOptionKifuWrite, &QAction::triggered, this, &FormMain::MnuOptionKifuWrite_Click);
    connect(MnuOptionWin120DPI, &QAction::triggered, this, &FormMain::MnuOptionWin120DPI_Click);
    connect(MnuHelpAbout, &QAction::triggered, this, &FormMain::MnuHelpAbout_Click);

    connect(MnuGameSetup, &QAction::triggered, this, &FormMain::MnuGameSetup_Click);
    connect(MnuFilePrint, &QAction::triggered, this, &FormMain::MnuFilePrint_Click);
    connect(MnuHelpSearch, &QAction::triggered, this, &FormMain::MnuHelpSearch_Click);
}

void FormMain::BuildToolbar()
{
    Toolbar = addToolBar(QStringLiteral("Toolbar"));
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setMovable(false);
    Toolbar->setIconSize(QSize(24, 24));
    struct Button {
        int index;
        const char* glyph;
        QAction* command;
    };
    const Button buttons[] = {{2, "新", MnuFileNew},       {3, "開", MnuFileOpenSave[1]}, {4, "保", MnuFileOpenSave[3]},
                              {5, "印", MnuFilePrint},     {7, "始", MnuGameNew},         {8, "終", MnuGameEnd},
                              {9, "配", MnuGameSetup},     {10, "エ", MnuGameEngine},     {12, "検", MnuOptionSearch},
                              {14, "？", MnuHelpAbout}};
    // Buttons 1, 6, 11 and 13 have no command: they part the groups.
    int next = 0;
    for (int index = 1; index <= 14; ++index) {
        if (next < 10 && buttons[next].index == index) {
            // A button is its menu entry's own action: one command, one
            // enabled state.
            const Button& button = buttons[next++];
            button.command->setIcon(ToolIcon(QString::fromUtf8(button.glyph)));
            button.command->setIconVisibleInMenu(false);
            Toolbar->addAction(button.command);
            ToolbarButton[index] = button.command;
        } else {
            ToolbarButton[index] = Toolbar->addSeparator();
        }
    }
}

QGridLayout* FormMain::FramedGrid(int index)
{
    Shape1[index] = new QFrame;
    Shape1[index]->setObjectName(QStringLiteral("Shape1(%1)").arg(index));
    Shape1[index]->setFrameShape(QFrame::Box);
    auto* grid = new QGridLayout(Shape1[index]);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    return grid;
}

QLabel* FormMain::InfoLabel(int index, const QString& caption)
{
    LabeInfo[index] = new QLabel(caption);
    LabeInfo[index]->setObjectName(QStringLiteral("LabeInfo(%1)").arg(index));
    return LabeInfo[index];
}

QWidget* FormMain::BuildInformation()
{
    QGridLayout* grid = FramedGrid(1);
    const QString captions[] = {QStringLiteral("イベント"), QStringLiteral("場所"), QStringLiteral("日付"),
                                QStringLiteral("ラウンド"), QStringLiteral("白"), QStringLiteral("黒")};
    for (int k = 1; k <= 6; ++k) {
        const int row = k <= 2 ? k - 1 : k <= 4 ? 2 : k - 2;
        const int column = (k == 4) ? 2 : 0;
        grid->addWidget(InfoLabel(k - 1, captions[k - 1]), row, column);
        grid->addWidget(TextInfo[k], row, column + 1, 1, (k == 3 || k == 4) ? 1 : 3);
    }
    grid->addWidget(InfoLabel(6, QStringLiteral("結果")), 5, 0);
    grid->addWidget(CombKekka, 5, 1);
    grid->addWidget(InfoLabel(10, QStringLiteral("他")), 6, 0, Qt::AlignTop);
    grid->addWidget(TextInfoS, 6, 1, 1, 3);
    return Shape1[1];
}

QWidget* FormMain::BuildPostalBlock()
{
    QGridLayout* grid = FramedGrid(2);
    auto stamp = [this](int index) {
        LabelJpca[index] = new QLabel(QStringLiteral("消"));
        LabelJpca[index]->setObjectName(QStringLiteral("LabelJpca(%1)").arg(index));
        return LabelJpca[index];
    };
    grid->addWidget(InfoLabel(13, QStringLiteral("〒")), 0, 0);
    grid->addWidget(InfoLabel(7, QStringLiteral("消印")), 0, 1);
    grid->addWidget(TextInfo[8], 0, 2);
    grid->addWidget(stamp(7), 0, 3);
    grid->addWidget(InfoLabel(8, QStringLiteral("着")), 0, 4);
    grid->addWidget(TextInfo[9], 0, 5);
    grid->addWidget(stamp(8), 0, 6);
    grid->addWidget(InfoLabel(9, QStringLiteral("発")), 1, 1);
    grid->addWidget(TextInfo[10], 1, 2);
    grid->addWidget(stamp(9), 1, 3);
    grid->addWidget(InfoLabel(12, QStringLiteral("＋")), 1, 4);
    auto* days = new QHBoxLayout;
    days->addWidget(TextInfo[11]);
    days->addWidget(TextInfo[12]);
    days->addWidget(InfoLabel(11, QStringLiteral("：")));
    days->addWidget(TextInfo[13]);
    grid->addLayout(days, 1, 5, 1, 2);
    return Shape1[2];
}

QWidget* FormMain::BuildCentralArea()
{
    for (int k = 1; k <= 14; ++k) {
        TextInfo[k] = new QLineEdit(this);
        TextInfo[k]->setObjectName(QStringLiteral("TextInfo(%1)").arg(k));
    }
    TextInfo[7]->hide();  // the result lives in CombKekka
    // The postal boxes write into the notes of the ply they show as their
    // text changes, so no redraw can lose what the user typed.
    for (int j = 8; j <= 13; ++j)
        connect(TextInfo[j], &QLineEdit::textChanged, this,
                [this, j](const QString& text) {
                    SetNote(*game_, notesPly_, j - 7, text.toStdString());
                    ShowRecordState();
                });
    for (int k = 1; k <= 6; ++k)
        connect(TextInfo[k], &QLineEdit::textChanged, this, &FormMain::ShowRecordState);
    for (int k = 11; k <= 13; ++k)
        TextInfo[k]->setMaximumWidth(44);
    TextInfo[10]->installEventFilter(this);
    TextInfoS = new QPlainTextEdit;
    TextInfoS->setObjectName(QStringLiteral("TextInfoS"));
    TextInfoS->setPlaceholderText(QStringLiteral("ここの入力はヘルプを参照してください"));
    TextInfoS->setMaximumHeight(36);
    connect(TextInfoS, &QPlainTextEdit::textChanged, this, &FormMain::ShowRecordState);
    CombKekka = new QComboBox;
    CombKekka->setObjectName(QStringLiteral("CombKekka"));
    CombKekka->setEditable(true);
    CombKekka->addItems({QStringLiteral("1-0"), QStringLiteral("0-1"), QStringLiteral("1/2-1/2"), QStringLiteral("*")});
    connect(CombKekka, &QComboBox::currentTextChanged, this, &FormMain::ShowRecordState);

    ImaCheBoa = new BoardView;
    ImaCheBoa->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(ImaCheBoa, &BoardView::ImagePressed, this, &FormMain::ImaCheMan_MouseDown);
    connect(ImaCheBoa, &BoardView::ImageDropped, this, &FormMain::ImaCheMan_DragDrop);
    connect(ImaCheBoa, &BoardView::BoardDropped, this, &FormMain::ImaCheBoa_DragDrop);
    connect(ImaCheBoa, &BoardView::ImageClicked, this, &FormMain::ImaCheMan_Click);
    connect(ImaCheBoa, &BoardView::DragCancelled, this, &FormMain::ImaCheBoa_DragCancelled);
    connect(ImaCheBoa, &BoardView::KeyDown, this, &FormMain::ImaCheBoa_KeyDown);

    const QString buttonCaptions[] = {QStringLiteral("エンジンの名称"), QStringLiteral("|<"), QStringLiteral("<"),
                                      QStringLiteral(">"), QStringLiteral(">|"), QStringLiteral("動 >"),
                                      QStringLiteral("戻"), QStringLiteral("開始"), QStringLiteral("終了"),
                                      QStringLiteral("直接送信")};
    for (int k = 0; k <= 9; ++k) {
        CommandMain[k] = new QPushButton(buttonCaptions[k]);
        CommandMain[k]->setObjectName(QStringLiteral("CommandMain(%1)").arg(k));
        CommandMain[k]->setAutoDefault(false);
        connect(CommandMain[k], &QPushButton::clicked, this, [this, k] { CommandMain_Click(k); });
    }
    auto* buttonRow = new QHBoxLayout;
    for (int k : {1, 2, 0, 3, 4, 5, 6})
        buttonRow->addWidget(CommandMain[k], k == 0 ? 3 : 1);

    auto* left = new QVBoxLayout;
    left->addWidget(ImaCheBoa, 1);
    left->addLayout(buttonRow);

    for (int k = 0; k <= 1; ++k) {
        LabelTime[k] = new QLabel(k == 0 ? QStringLiteral("白") : QStringLiteral("黒"));
        LabelTime[k]->setObjectName(QStringLiteral("LabelTime(%1)").arg(k));
        LabelTime[k]->setFont(FixedFont());
    }
    LabelinCheckMate = new QLabel(QStringLiteral("#挿"));
    LabelinCheckMate->setObjectName(QStringLiteral("LabelinCheckMate"));
    LabelinCheckMate->setCursor(Qt::PointingHandCursor);
    LabelinCheckMate->setToolTip(QStringLiteral("最後の＋(チェック)を＃(チェックメイト)に変更"));
    LabelinCheckMate->installEventFilter(this);
    auto* clocks = new QHBoxLayout;
    clocks->addWidget(LabelTime[0]);
    clocks->addWidget(LabelTime[1]);
    clocks->addWidget(LabelinCheckMate);
    clocks->addStretch();
    clocks->addWidget(CommandMain[7]);
    clocks->addWidget(CommandMain[8]);

    KeepSizes(FixedFont());

    ListMain = new MoveListBox;
    ListMain->setObjectName(QStringLiteral("ListMain(0)"));
    ListMain->setFont(FixedFont());
    ListMain->setItemDelegate(new MoveListDelegate(ListMain));
    connect(ListMain, &MoveListBox::LinePressed, this, &FormMain::ListMain_MouseDown);
    connect(ListMain, &MoveListBox::KeyDown, this, &FormMain::ListMain_KeyDown);

    TextEngMas = new QPlainTextEdit;
    TextEngMas->setObjectName(QStringLiteral("TextEngMas"));
    TextEngMas->setReadOnly(true);
    TextEngMas->setFont(FixedFont());
    TextEngMas->setMaximumHeight(52);
    // The box is written at most every kTrafficRefreshMs with the newest
    // lines only, so an engine that floods keeps the window live.
    trafficTimer_ = new QTimer(this);
    trafficTimer_->setSingleShot(true);
    trafficTimer_->setInterval(kTrafficRefreshMs);
    connect(trafficTimer_, &QTimer::timeout, this, [this] {
        if (trafficDirty_) {
            FlushTraffic();
            trafficTimer_->start();
        }
    });
    auto* direct = new QHBoxLayout;
    direct->addWidget(TextInfo[14]);
    direct->addWidget(CommandMain[9]);

    auto* listAndTraffic = new QVBoxLayout;
    listAndTraffic->addWidget(ListMain, 1);
    listAndTraffic->addWidget(TextEngMas);
    listAndTraffic->addLayout(direct);

    auto* right = new QVBoxLayout;
    right->addWidget(BuildInformation());
    right->addWidget(BuildPostalBlock());
    right->addLayout(clocks);
    right->addLayout(listAndTraffic, 1);

    auto* central = new QWidget;
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(2, 2, 4, 4);
    layout->addLayout(left, 1);
    layout->addLayout(right);
    return central;
}

int FormMain::Style() const { return BoxValue(engineConfig_.EngSet.Style).value_or(0); }

bool FormMain::Turned() const { return MnuGameTurn->isChecked(); }


DialogSetup* FormMain::SetupDialog()
{
    if (!setupDialog_) {
        setupDialog_ = new DialogSetup(services_, *game_, this);
        setupDialog_->returnSetup = [this](int code) { return ReturnSetup(code); };
        connect(setupDialog_, &DialogSetup::PiecePicked, this, &FormMain::SetupPiecePicked);
        connect(setupDialog_, &DialogSetup::BoardChanged, this, &FormMain::DrawBoard);
    }
    return setupDialog_;
}

void FormMain::PlayMoveSound() { services_.PlaySound(services_.Folders().Data + QStringLiteral("/PieceMove.wav")); }

// ---- state ----------------------------------------------------------------

void FormMain::ResetGame()
{
    vorlik::ResetGame(*game_);
    if (printDialog_)
        printDialog_->NewRecord();
    clockRemainder_ = {};
    engine_->EngPlay = engine_->EngWait = false;
    AutoReplay = false;
    Timer->stop();
}

void FormMain::RunClock(bool on)
{
    if (on)
        StartTimer();
    else
        Timer->stop();
}

void FormMain::StartTimer()
{
    if (!Timer->isActive())
        clockMark_ = ClockNow();
    Timer->start();
}

void FormMain::DrawBoard()
{
    TextBoard board;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            board[file][rank] = game_->SetupMode ? game_->ViewBoard[file][rank]
                                                 : std::string(1, game_->KifuBoard[game_->CurPly][file][rank]);
    ImaCheBoa->DrawBoard(board, Turned());
    // The move that led to the position shown; none while a position is set up.
    const std::string none;
    const std::string& move = game_->SetupMode ? none : game_->KifuCoord[game_->CurPly];
    const bool squares = move.size() >= 4 && IsFileLetter(move[0]) && IsRankDigit(move[1]) &&
                         IsFileLetter(move[2]) && IsRankDigit(move[3]);
    ImaCheBoa->SetMarks(squares ? ImageOfSquare(move[0] - 'a' + 1, move[1] - '0') : 0,
                        squares ? ImageOfSquare(move[2] - 'a' + 1, move[3] - '0') : 0,
                        game_->SetupMode ? 0 : chosenImage_);
}

int FormMain::ImageOfSquare(int file, int rank) const { return (file - 1) * 8 + (Turned() ? 9 - rank : rank); }

bool FormMain::SideToMoveOwns(char piece) const
{
    return IsWhitePly(game_->CurPly) ? IsBlackPiece(piece) : IsWhitePiece(piece);
}

void FormMain::AllDisplay()
{
    chosenImage_ = 0;  // a piece chosen in another position waits no more
    DrawBoard();
    notesPly_ = game_->CurPly;
    for (int j = 8; j <= 13; ++j) {
        const QString note = QString::fromStdString(game_->KifuNote[j - 7][notesPly_]);
        if (TextInfo[j]->text() != note)  // an unchanged box keeps its cursor
            TextInfo[j]->setText(note);
        Enable(TextInfo[j], notesPly_ > 0);
    }
    MarkShownMove(*ListMain, *game_);
    const bool blackToMove = IsWhitePly(game_->CurPly);  // White has just moved
    SetOpaque(LabelTime[0], !blackToMove);
    SetOpaque(LabelTime[1], blackToMove);
    if (blackToMove)
        MnuFileOpenSave[3]->setEnabled(true);
    ShowRecordState();
}

void FormMain::Enable(QWidget* control, bool on)
{
    // Qt hands the focus of a control it disables to the next one, and a
    // window without a focus gives it to the first box when it is activated:
    // a "終了" or a box whose text the next key press replaces. The focus
    // waits on the board instead, where keys only do what the navigation
    // buttons do (nothing while they are off), and comes back when the
    // control does, unless the user has put it somewhere else meanwhile.
    if (!on && focusWidget() == control) {
        parkedFocus_ = control;
        ImaCheBoa->setFocus(Qt::OtherFocusReason);
    }
    control->setEnabled(on);
    if (on && parkedFocus_ == control) {
        parkedFocus_ = nullptr;
        if (focusWidget() == ImaCheBoa)
            control->setFocus(Qt::OtherFocusReason);
    }
}

void FormMain::SetControlState(ControlState mode)
{
    auto buttons = [this](std::initializer_list<int> indexes, bool on) {
        for (int k : indexes)
            Enable(CommandMain[k], on);
    };
    const EngineSettings& set = engineConfig_.EngSet;
    const QString engineName = QString::fromStdString(set.Name);
    switch (mode) {
    case ControlState::NoGame:
        LabelTime[0]->setText(QStringLiteral("白"));
        LabelTime[1]->setText(QStringLiteral("黒"));
        SetOpaque(LabelTime[0], true);
        SetOpaque(LabelTime[1], false);
        // The postal boxes are the notes of their ply: the redraw fills them.
        for (int k : {1, 2, 3, 4, 5, 6, 14}) {
            TextInfo[k]->clear();
            Enable(TextInfo[k], true);
        }
        TextInfo[1]->setText(QString::fromUtf8(kCaption));
        TextInfo[3]->setText(QString::fromStdString(
            ShortDate(QDate::currentDate().year(), QDate::currentDate().month(), QDate::currentDate().day())));
        CombKekka->setCurrentText(QStringLiteral("*"));
        TextInfoS->clear();
        Enable(ListMain, true);
        for (int k = 1; k <= 3; ++k)
            if (set.LevelCommand(k).empty())
                MnuGameLevelLevel[k]->setEnabled(false);
        buttons({1, 2, 3, 4, 5, 6, 7, 8}, true);
        buttons({0, 9}, false);
        if (engineConfig_.EngLoaFg) {
            CommandMain[0]->setText(engineName);
            buttons({6, 8}, false);
        } else {
            buttons({6, 7, 8}, false);
        }
        ListMain->clear();
        traffic_.clear();
        FlushTraffic();
        break;
    case ControlState::EngineReady:
        CommandMain[0]->setText(engineName);
        buttons({0, 8}, false);
        buttons({7}, true);
        break;
    case ControlState::EngineToMove:
        engine_->EngWait = true;
        Enable(ListMain, false);
        buttons({1, 2, 3, 4, 5, 6, 7}, false);
        buttons({0, 8, 9}, true);  // the engine-name button makes the thinking engine move now
        break;
    case ControlState::UserToMove:
        engine_->EngWait = false;
        Enable(ListMain, true);
        buttons({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true);
        if (set.TakeBack.empty())
            buttons({6}, false);
        buttons({7}, false);
        break;
    case ControlState::Navigated:
        buttons({0, 6}, false);
        if (EngPlay() && game_->CurPly == game_->LastPly) {
            if (set.EditCommand == "edit")
                buttons({0}, true);
            if (!set.TakeBack.empty())
                buttons({6}, true);
        }
        break;
    case ControlState::GameEnded:
        buttons({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true);
        buttons({0, 6, 8, 9}, false);
        break;
    case ControlState::SetupOpen:
        Enable(ListMain, false);
        buttons({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, false);
        break;
    case ControlState::SetupCancelled:
        Enable(ListMain, true);
        buttons({0}, false);
        buttons({1, 2, 3, 4, 5, 6, 7, 8, 9}, true);
        if (!engineConfig_.EngLoaFg) {
            buttons({6, 7, 8, 9}, false);
        } else {
            CommandMain[0]->setText(engineName);
            buttons({6, 8}, false);
        }
        break;
    }
}

void FormMain::SetMenuState(MenuState mode)
{
    auto menus = [this](std::initializer_list<QAction*> actions, bool on) {
        for (QAction* action : actions)
            action->setEnabled(on);
    };
    auto tools = [this](std::initializer_list<int> indexes, bool on) {
        for (int k : indexes)
            ToolbarButton[k]->setEnabled(on);
    };
    const std::initializer_list<QAction*> levels = {MnuGameLevelLevel[1], MnuGameLevelLevel[2], MnuGameLevelLevel[3]};
    const bool configured = engineConfig_.EngLoaFg;
    switch (mode) {
    case MenuState::NoGame:
        menus({MnuFileNew, MnuFileOpenSave[1], MnuFileOpenSave[3], MnuGameSetup, MnuGameEngine}, true);
        menus({MnuGameNew}, configured);
        menus({MnuGameEnd}, false);
        menus(levels, false);
        tools({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, true);
        if (!configured)
            tools({7}, false);
        tools({8}, false);
        break;
    case MenuState::GameRunning:
        menus({MnuFileNew, MnuFileOpenSave[1], MnuGameNew, MnuGameSetup, MnuGameEngine}, false);
        menus({MnuFileOpenSave[3], MnuGameEnd}, true);
        menus(levels, true);
        tools({2, 3, 7, 9, 10}, false);
        tools({8}, true);
        break;
    case MenuState::SetupOpen:
        menus({MnuFileNew, MnuFileOpenSave[1], MnuFileOpenSave[3], MnuGameNew, MnuGameSetup, MnuGameEngine}, false);
        tools({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, false);
        tools({5, 14}, true);
        break;
    }
}

// ---- the move list ---------------------------------------------------------

void FormMain::SelectLine(int line, bool toTop)
{
    if (line < 0 || line >= ListMain->count()) {
        ListMain->clearSelection();
        ListMain->setCurrentRow(-1);
        return;
    }
    ListMain->setCurrentRow(line);
    if (toTop)
        ListMain->scrollToItem(ListMain->item(line), QAbstractItemView::PositionAtTop);
    else
        ListMain->scrollToItem(ListMain->item(line));
}

void FormMain::AddMoveLine()
{
    const int ply = game_->CurPly;
    if (ply < 1)
        return;
    const QString line = QString::fromStdString(MoveListLine(*game_, Style(), ply));
    const int index = MoveNumber(ply) - 1;
    if (IsWhitePly(ply)) {
        // White has just moved: a new line, shown at the top and selected.
        while (ListMain->count() > index)
            delete ListMain->takeItem(ListMain->count() - 1);
    }
    QListWidgetItem* item = index < ListMain->count() ? ListMain->item(index) : new QListWidgetItem(ListMain);
    SetMoveLine(*item, MoveListParts(*game_, Style(), ply), line);
    if (IsWhitePly(ply))
        SelectLine(index, true);
}

void FormMain::RebuildMoveList(int lastPly)
{
    ListMain->clear();
    for (int ply = 1; ply <= lastPly; ++ply) {
        game_->CurPly = ply;
        UpdateMoveList("move");
    }
}

void FormMain::UpdateMoveList(const std::string& command)
{
    const int ply = game_->CurPly;
    if (command == "move") {
        AddMoveLine();
    } else if (command == "undo") {
        if (ply > 0) {
            delete ListMain->takeItem(ply / 2);
            AddMoveLine();
        } else {
            ListMain->clear();
        }
    } else if (command == "remove") {
        if (!IsWhitePly(ply)) {
            delete ListMain->takeItem(ply / 2);
            SelectLine(ply / 2 - 1, true);
        } else {
            delete ListMain->takeItem(ply / 2 + 1);
            AddMoveLine();
        }
    }
    MarkShownMove(*ListMain, *game_);
}

// ---- moves -----------------------------------------------------------------

bool FormMain::CheckChessMoveOutput()
{
    const PromotionAsk ask = [this](int rank) { return SetupDialog()->AskPromotion(rank, game_->PromoNumber); };
    const PromotionAsk queen = [](int) { return 'q'; };
    if (Timer->isActive())
        RunClocks();  // the time up to the move is the mover's
    ++committing_;
    const bool legal = CommitMove(*game_, promotionQuestion_ ? &ask : &queen);
    --committing_;
    if (legal) {
        UpdateMoveList("move");
        if (MnuGameSound->isChecked())
            PlayMoveSound();
    } else if (refusalBeep_) {
        services_.Beep();
    }
    AllDisplay();
    return legal;
}

GameHeader FormMain::ReadGameInfo()
{
    GameHeader header;
    for (int k = 1; k <= 6; ++k)
        header.Field[k] = TextInfo[k]->text().toStdString();
    header.Field[7] = CombKekka->currentText().toStdString();
    header.TextInfoS = TextInfoS->toPlainText().toStdString();
    return header;
}

void FormMain::ShowGameInfo(const GameHeader& header)
{
    for (int k = 1; k <= 6; ++k)
        TextInfo[k]->setText(QString::fromStdString(header.Field[k]));
    CombKekka->setCurrentText(header.Field[7].empty() ? QStringLiteral("*") : QString::fromStdString(header.Field[7]));
    TextInfoS->setPlainText(QString::fromStdString(header.TextInfoS));
}

bool FormMain::PieceSound() { return MnuGameSound->isChecked(); }

void FormMain::ShowEngineOutput(const std::string& lines)
{
    for (const QString& line : QString::fromStdString(lines).split(QLatin1Char('\n')))
        traffic_.push_back(line);
    while (traffic_.size() > static_cast<std::size_t>(kTrafficLines))
        traffic_.pop_front();
    trafficDirty_ = true;
    if (!trafficTimer_->isActive()) {
        FlushTraffic();  // a single reply shows at once; a flood is shown in steps
        trafficTimer_->start();
    }
}

void FormMain::FlushTraffic()
{
    // Rewriting the whole box is cheaper than letting it drop old lines one
    // by one, which lays out every line it drops.
    QString text = QString::fromUtf8(kTrafficHeading);
    for (const QString& line : traffic_)
        text += QLatin1Char('\n') + line;
    TextEngMas->setPlainText(text);
    TextEngMas->verticalScrollBar()->setValue(TextEngMas->verticalScrollBar()->maximum());
    trafficDirty_ = false;
}

bool FormMain::EngineMustWait()
{
    return QApplication::activeModalWidget() != nullptr || ImaCheBoa->Dragging() || committing_ > 0;
}

void FormMain::SetPieceSound(bool on) { MnuGameSound->setChecked(on); }

void FormMain::Beep() { services_.Beep(); }

void FormMain::ImaCheMan_MouseDown(int index)
{
    if (EngWait())
        return;
    if (setupDialog_ && setupDialog_->AskingPromotion())
        return;
    const int file = BoardView::Column(index);
    const int rank = Turned() ? 9 - BoardView::Row(index) : BoardView::Row(index);
    if (chosenImage_ != 0 && !game_->SetupMode) {
        // The click after a chosen piece: the same piece again lets it go,
        // another piece of the side to move is taken up instead, any other
        // square is the target, dropped as a drag would drop it.
        const int chosen = std::exchange(chosenImage_, 0);
        if (index == chosen) {
            DrawBoard();
            return;
        }
        if (!SideToMoveOwns(game_->KifuBoard[game_->CurPly][file][rank])) {
            ImaCheMan_DragDrop(index);
            return;
        }
    }
    game_->DragFile = file;
    game_->DragRank = rank;
    if (game_->SetupMode) {
        const char piece = SetupSquare(*game_, game_->DragFile, game_->DragRank);
        if (SetupPickUp(*game_, game_->DragFile, game_->DragRank))
            ImaCheBoa->BeginDrag(index, piece);
        return;
    }
    const char piece = game_->KifuBoard[game_->CurPly][game_->DragFile][game_->DragRank];
    if (piece == 0)
        return;
    ImaCheBoa->BeginDrag(index, piece);
}

void FormMain::ImaCheMan_Click(int index)
{
    const char piece = game_->KifuBoard[game_->CurPly][game_->DragFile][game_->DragRank];
    if (game_->SetupMode || !SideToMoveOwns(piece)) {
        ImaCheMan_DragDrop(index);
        return;
    }
    chosenImage_ = index;  // DragFile and DragRank keep its square
    DrawBoard();
}

void FormMain::ImaCheBoa_DragCancelled(int index)
{
    if (game_->SetupMode) {
        if (index != 0)
            SetupDrop(*game_, game_->DragFile, game_->DragRank);  // back to its square
        SetupDiscard(*game_);  // a piece from the palette is gone
        DrawBoard();
        return;
    }
    AllDisplay();
}

void FormMain::ImaCheBoa_KeyDown(int key)
{
    if (key == Qt::Key_Escape && chosenImage_ != 0) {
        chosenImage_ = 0;
        DrawBoard();
        return;
    }
    StepKey(key);
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

void FormMain::ImaCheMan_DragDrop(int index)
{
    if (EngWait()) {
        AllDisplay();
        return;
    }
    GameState& game = *game_;
    game.DropFile = BoardView::Column(index);
    game.DropRank = Turned() ? 9 - BoardView::Row(index) : BoardView::Row(index);
    if (game.SetupMode) {
        if (SetupDrop(game, game.DropFile, game.DropRank) && PieceSound())
            PlayMoveSound();
        DrawBoard();
        return;
    }
    const std::string move{FileLetter(game.DragFile), RankDigit(game.DragRank), FileLetter(game.DropFile),
                           RankDigit(game.DropRank)};

    if (game.CurPly != game.LastPly) {
        if (EngPlay()) {
            services_.ShowMessage(this, QStringLiteral("局面の変更は[戻]を使用して行ってください"),
                                  QStringLiteral("警告"), MessageIcon::Error, MessageButtons::Ok);
            GotoEnd();
            return;
        }
        if (services_.ShowMessage(this, QStringLiteral("局面を変更すると以降の棋譜は削除されます？"),
                                  QStringLiteral("注意"), MessageIcon::Warning,
                                  MessageButtons::YesNo) == MessageAnswer::No) {
            AllDisplay();
            return;
        }
        // The later plies are discarded: the list is rebuilt up to the board.
        const int shown = game.CurPly;
        TruncateLine(game, shown);
        RebuildMoveList(shown);
        SetControlState(ControlState::Navigated);
    }
    if (game.CurPly >= kMaxPly) {
        services_.ShowMessage(this, QStringLiteral("棋譜は400手(半手)までです。これ以上は記録できません。"),
                              QStringLiteral("警告"), MessageIcon::Error, MessageButtons::Ok);
        AllDisplay();
        return;
    }
    SetMoveInput(game, move);
    if (!CheckChessMoveOutput() || engine_->ReactToGameEnd())
        return;
    if (EngPlay())
        engine_->UserMoved();  // the engine answers
}

void FormMain::ImaCheBoa_DragDrop()
{
    services_.Beep();
    SetupDiscard(*game_);  // a piece dropped off the squares during a set-up is gone
    AllDisplay();
}

void FormMain::LabelinCheckMate_Click()
{
    GameState& game = *game_;
    const int last = game.LastPly;
    if (game.KifuShort[last].find('+') == std::string::npos)
        return;
    if (services_.ShowMessage(this, QStringLiteral("最後の＋(チェック)を＃(チェックメイト)に変更しますか？"),
                              QStringLiteral("確認 手動で<(_ _)>"), MessageIcon::None,
                              MessageButtons::YesNo) == MessageAnswer::No)
        return;
    game.CurPly = last - 1;
    UpdateMoveList("undo");
    game.CurPly = last;
    MarkMate(game);
    UpdateMoveList("move");
    AllDisplay();
}

// ---- navigation ------------------------------------------------------------

void FormMain::CommandMain_Click(int index)
{
    switch (index) {
    case 1: GotoStart(); break;
    case 2: StepBack(); break;
    case 3: StepForward(); break;
    case 4: GotoEnd(); break;
    case 0: engine_->MoveNow(); break;
    case 6: TakeBack(); break;
    case 7: MnuGameNew_Click(); break;
    case 8: MnuGameEnd_Click(); break;
    case 9: engine_->DirectSend(TextInfo[14]->text().toStdString()); break;
    case 5:
        if (AutoReplay) {
            CommandMain[5]->setText(QStringLiteral("動 >"));
            AutoReplay = false;
        } else {
            CommandMain[5]->setText(QStringLiteral("中止"));
            StartTimer();
            AutoReplay = true;
        }
        break;
    default:
        break;
    }
}

void FormMain::GotoStart()
{
    if (game_->CurPly < 1)
        return;
    game_->CurPly = game_->KifuCoord[1].empty() ? 1 : 0;
    AllDisplay();
    SelectLine(game_->CurPly / 2, false);
    SetControlState(ControlState::Navigated);
}

void FormMain::StepBack()
{
    if (game_->CurPly < 1 || game_->KifuCoord[game_->CurPly].empty()) {
        services_.Beep();
        return;
    }
    --game_->CurPly;
    AllDisplay();
    SelectLine(game_->CurPly / 2, false);
    SetControlState(ControlState::Navigated);
}

void FormMain::StepForward()
{
    if (game_->CurPly >= game_->LastPly) {
        if (!EngPlay())
            Timer->stop();
        CommandMain[5]->setText(QStringLiteral("動 >"));
        AutoReplay = false;
        services_.Beep();
        return;
    }
    ++game_->CurPly;
    AllDisplay();
    SelectLine(MoveNumber(game_->CurPly) - 1, false);
    SetControlState(ControlState::Navigated);
}

void FormMain::GotoEnd()
{
    game_->CurPly = game_->LastPly;
    AllDisplay();
    SelectLine(MoveNumber(game_->CurPly) - 1, false);
    SetControlState(ControlState::Navigated);
}

void FormMain::ListMain_MouseDown()
{
    const int line = ListMain->currentRow();
    if (line < 0)
        return;
    int ply = 2 * line + 1;
    if (ply < game_->LastPly)
        ++ply;
    game_->CurPly = qMin(ply, game_->LastPly);
    AllDisplay();
    SetControlState(ControlState::Navigated);
}

void FormMain::ListMain_KeyDown(int key)
{
    if (StepKey(key))
        return;
    if (key == Qt::Key_Up) {
        StepBack();
        StepBack();
    } else if (key == Qt::Key_Down) {
        StepForward();
        StepForward();
    }
    ListMain->clearSelection();
}

void FormMain::TextInfo_LostFocus(int index)
{
    if (index != 10)
        return;
    int days = 0;
    if (DaysBetween(TextInfo[9]->text().toStdString(), TextInfo[10]->text().toStdString(), days))
        TextInfo[11]->setText(QString::number(days));
}

void FormMain::Timer_Timer()
{
    if (AutoReplay) {
        StepForward();
        if (MnuGameSound->isChecked())
            PlayMoveSound();
    }
    RunClocks();
}

void FormMain::RunClocks()
{
    // The clock of the side to move gets the real time since the last
    // reading (a tick may come late); while an earlier position is shown
    // that time goes to neither.
    const long long now = ClockNow();
    const long long elapsed = now - clockMark_;
    clockMark_ = now;
    if (game_->CurPly != game_->LastPly)
        return;
    const bool black = IsWhitePly(game_->CurPly);
    int& clock = black ? game_->ClockBlack : game_->ClockWhite;
    AddClockTime(clock, clockRemainder_[black], elapsed);
    LabelTime[black]->setText((black ? QStringLiteral("黒 ") : QStringLiteral("白 ")) +
                              QString::fromStdString(ClockText(clock)));
}

// ---- menus -----------------------------------------------------------------

void FormMain::MnuFileNew_Click()
{
    ResetGame();
    SetMenuState(MenuState::NoGame);
    SetControlState(ControlState::NoGame);
    SetStartPosition(*game_);
    AllDisplay();
    RecordSaved(QString());
}

void FormMain::MnuFileOpenSave_Click(int index)
{
    if (index == 1)
        OpenFile();
    else if (index == 3)
        SaveFile();
}

namespace {

// A file named ".pgn", ".fen" or ".csv" is of that kind whatever entry of the
// type list was left chosen; any other name goes by the entry.
int KindOfChosenFile(const QString& fileName, int entryKind)
{
    const int kind = KindOfFileName(fileName.toStdString());
    return kind != 0 ? kind : entryKind;
}

}  // namespace

void FormMain::OpenFile()
{
    int entry = kKindPgn;
    const QString name = services_.OpenFileName(this, QStringLiteral("開く"), kifuFolder_->Folder(),
                                                QString::fromUtf8(kFilterAll), &entry);
    if (name.isEmpty())
        return;
    OpenGameFile(name, qBound(int(kKindPgn), entry, int(kKindCsv)));
}

void FormMain::OpenGameFile(const QString& fileName, int entryKind)
{
    const QString name = QFileInfo(fileName).absoluteFilePath();
    RememberFolder(name);
    OpenKifuFile(*kifuHost_, kifuFile_, KindOfChosenFile(name, entryKind), name.toStdString());
}

void FormMain::SaveFile()
{
    // A game from a set-up position has no place in the postal layout.
    const char* filter = IsStandardStart(*game_) ? kFilterAll : kFilterNoCsv;
    int entry = kKindPgn;
    QString name = services_.SaveFileName(this, QStringLiteral("保存"), kifuFolder_->Folder(),
                                          QString::fromUtf8(filter), &entry);
    if (name.isEmpty())
        return;
    RememberFolder(name);
    const int chosen = qBound(int(kKindPgn), entry, filter == kFilterAll ? int(kKindCsv) : int(kKindFen));
    name = WithFilterSuffix(name, filter, chosen);
    // A set-up game named ".csv" is refused by the save, with a message.
    const int kind = KindOfChosenFile(name, chosen);
    if (SaveKifuFile(*kifuHost_, kifuFile_, kind, name.toStdString()))
        RecordSaved(name);
}

void FormMain::MnuOptionSearch_Click()
{
    int entry = 1;
    const QString name = services_.OpenFileName(this, QStringLiteral("局面検索"), kifuFolder_->Folder(),
                                                QString::fromUtf8(kFilterSearch), &entry);
    if (name.isEmpty())
        return;
    RememberFolder(name);
    // The search offers PGN and CSV only: its second entry is the CSV kind,
    // and a position file is told, not searched.
    const int kind = KindOfChosenFile(name, entry == 2 ? kKindCsv : kKindPgn);
    SearchKifuFile(*kifuHost_, kifuFile_, kind, name.toStdString());
}

void FormMain::RememberFolder(const QString& fileName)
{
    std::string error;
    if (!kifuFolder_->Remember(fileName, error))
        WarnError(error);
}

void FormMain::MnuOptionKifuWrite_Click() {}  // the check mark is the whole option

void FormMain::MnuFileEnd_Click() { close(); }

void FormMain::CloseWithoutAsking()
{
    askOnClose_ = false;
    close();
}

std::string FormMain::RecordFingerprint()
{
    const GameState& game = *game_;
    std::string text;
    const auto add = [&text](const std::string& part) {
        text += part;
        text += '\x1f';
    };
    for (int file = 1; file <= 8; ++file)
        text.append(game.KifuBoard[0][file].begin() + 1, game.KifuBoard[0][file].end());
    add(std::to_string(game.LastPly));
    for (int ply = 0; ply <= game.LastPly; ++ply) {
        add(game.KifuCoord[ply]);
        for (int k = 1; k <= 6; ++k)
            add(game.KifuNote[k][ply]);
    }
    const GameHeader header = ReadGameInfo();
    for (int k = 1; k <= 7; ++k)
        add(header.Field[k]);
    add(header.TextInfoS);
    return text;
}

bool FormMain::RecordUnsaved() { return RecordFingerprint() != savedRecord_; }

void FormMain::RecordSaved(const QString& fileName)
{
    savedRecord_ = RecordFingerprint();
    const QString caption = QString::fromUtf8(kCaption);
    setWindowTitle(fileName.isEmpty() ? caption + QStringLiteral("[*]")
                                      : QFileInfo(fileName).fileName() + QStringLiteral("[*] - ") + caption);
    ShowRecordState();
}

void FormMain::ShowRecordState() { setWindowModified(RecordUnsaved()); }

bool FormMain::MayDiscardRecord()
{
    if (!RecordUnsaved())
        return true;
    return services_.ShowMessage(this, QStringLiteral("保存されていない棋譜があります。破棄しますか？"),
                                 QStringLiteral("注意"), MessageIcon::Warning,
                                 MessageButtons::YesNo) == MessageAnswer::Yes;
}

void FormMain::closeEvent(QCloseEvent* event)
{
    // Leaving the program ends the game: the engine is quit and reaped, and
    // the settings are written.
    if (game_->SetupMode && setupDialog_)
        setupDialog_->CancelButton_Click();  // leaving cancels the set-up
    if (!closing_) {
        if (askOnClose_ && !MayDiscardRecord()) {
            event->ignore();
            return;
        }
        closing_ = true;
        MnuGameEnd_Click();
    }
    if (setupDialog_)
        setupDialog_->hide();
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

void FormMain::MnuGameTurn_Click()
{
    ImaCheBoa->SetTurned(MnuGameTurn->isChecked());
    AllDisplay();
}

void FormMain::MnuGameSound_Click() {}  // the check mark is the whole option

void FormMain::MnuGameHyoukiHyouki_Click(int index)
{
    for (int k = 1; k <= 4; ++k)
        MnuGameHyoukiHyouki[k]->setChecked(k == index);
    engineConfig_.EngSet.Style = std::to_string(index);
    RebuildMoveList(game_->LastPly);
    game_->CurPly = game_->LastPly;
    AllDisplay();
}

void FormMain::KeepSizes(const QFont& fixed)
{
    // Sized for their widest texts from the start: a clock that starts to
    // count or a long engine name never makes the window grow.
    const QFontMetrics metrics(fixed);
    for (QLabel* clock : LabelTime) {
        clock->setFont(fixed);
        clock->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("黒 00:00:00")) + 14);
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
}

void FormMain::MnuOptionWin120DPI_Click()
{
    // The large-screen option: everything a quarter larger, the board included.
    const qreal scale = MnuOptionWin120DPI->isChecked() ? 1.25 : 1.0;
    QFont font = ProportionalFont();
    font.setPixelSize(qRound(font.pixelSize() * scale));
    setFont(font);
    QFont fixed = FixedFont();
    fixed.setPixelSize(qRound(fixed.pixelSize() * scale));
    ListMain->setFont(fixed);
    TextEngMas->setFont(fixed);
    KeepSizes(fixed);
    centralWidget()->layout()->invalidate();
    centralWidget()->layout()->activate();
    layout()->invalidate();
    layout()->activate();
    resize(defaultSize_ * scale);
}

void FormMain::MnuFilePrint_Click()
{
    if (!printDialog_)
        printDialog_ = new DialogMnuFilePrint(services_, this);
    printDialog_->PrintOutInit(*game_, ReadGameInfo(), MnuOptionKifuWrite->isChecked());
    printDialog_->show();
    printDialog_->raise();
    printDialog_->activateWindow();
}

void FormMain::MnuHelpSearch_Click() { helpWindow_ = OpenHelp(services_, this, helpWindow_); }

void FormMain::MnuHelpAbout_Click()
{
    services_.ShowMessage(this,
                          QStringLiteral("%1\n\n通信チェスのためのチェスプログラム\n"
                                         "A chess program for correspondence players")
                              .arg(QString::fromUtf8(kCaption)),
                          QStringLiteral("バージョン情報"), MessageIcon::Information, MessageButtons::Ok);
}

// ---- the engine -------------------------------------------------------------

void FormMain::BuildEngineLink()
{
    engineHost_ = std::make_unique<WindowEngineHost>(*this, services_, this, [this] {
        AutoReplay = false;
        Vorlik_iniFile();
    });
    engineHost_->mayDiscard = [this] { return MayDiscardRecord(); };
    engineHost_->madeNew = [this] { RecordSaved(QString()); };
    // A game from a file (the position search's) replaces the record: a
    // game against the engine ends first, as "終了" ends it.
    kifuHost_->mayDiscard = [this] {
        if (!MayDiscardRecord())
            return false;
        if (EngPlay())
            MnuGameEnd_Click();
        return true;
    };
    kifuHost_->matchesFile = [this](const std::string& fileName) {
        RebuildMoveList(game_->LastPly);  // a game's variations went by the list while it loaded
        RecordSaved(QString::fromStdString(fileName));
    };
    engine_ = std::make_unique<EngineGame>(*engineHost_, engineConfig_);
    connect(engine_.get(), &EngineGame::LevelChosen, this, &FormMain::CheckLevel);
    engineDialog_ = new DialogMnuGameEngine(engineConfig_, services_, this);
    connect(engineDialog_, &DialogMnuGameEngine::SettingsApplied, this, &FormMain::RelabelLevels);
    connect(engineDialog_, &DialogMnuGameEngine::WriteIni, this, &FormMain::Vorlik_iniFile);
}

void FormMain::ApplyIni(const VorlikIni& ini)
{
    MnuGameTurn->setChecked(ini.Turn);
    ImaCheBoa->SetTurned(ini.Turn);
    MnuGameSound->setChecked(ini.Sound);
    const int style = BoxValue(ini.Style).value_or(1);
    engineConfig_.EngSet.Style = std::to_string(style);
    for (int k = 1; k <= 4; ++k)
        MnuGameHyoukiHyouki[k]->setChecked(k == style);
    MnuOptionWin120DPI->setChecked(ini.Win120DPI);
    MnuOptionKifuWrite->setChecked(ini.KifuWrite);
}

void FormMain::Vorlik_iniFile()
{
    VorlikIni ini;
    ini.EngFileName = engineConfig_.EngFileName;
    ini.Turn = MnuGameTurn->isChecked();
    ini.Sound = MnuGameSound->isChecked();
    ini.Style = engineConfig_.EngSet.Style;
    ini.Win120DPI = MnuOptionWin120DPI->isChecked();
    ini.KifuWrite = MnuOptionKifuWrite->isChecked();
    std::string error;
    if (!vorlik::Vorlik_iniFile(services_.Folders().Settings.toStdString(), ini, error))
        WarnError(error);
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
        MnuGameLevelLevel[k]->setText(QString::fromStdString(engineConfig_.EngSet.LevelCommand(k)));
    CheckLevel(0);
    engine_->ClearLevel();
}

void FormMain::MnuGameNew_Click() { engine_->MnuGameNew_Click(); }

void FormMain::MnuGameEnd_Click() { engine_->MnuGameEnd_Click(); }

void FormMain::CheckLevel(int level)
{
    for (int k = 1; k <= 3; ++k)
        MnuGameLevelLevel[k]->setChecked(k == level);
}

void FormMain::MnuGameLevelLevel_Click(int index)
{
    CheckLevel(index);
    engine_->ChooseLevel(index);
}

void FormMain::MnuGameEngine_Click()
{
    engineDialog_->exec();
    const bool configured = engineConfig_.EngLoaFg;
    if (configured) {
        SetControlState(ControlState::EngineReady);
    } else {
        CommandMain[0]->setText(QStringLiteral("エンジンの名称"));
        Enable(CommandMain[7], false);
    }
    // "ゲーム開始" and its toolbar button: a new engine can be played at once.
    MnuGameNew->setEnabled(configured);
}

void FormMain::TakeBack() { engine_->TakeBack(); }

// ---- the set-up -------------------------------------------------------------

void FormMain::MnuGameSetup_Click()
{
    if (game_->SetupMode || EngPlay())
        return;
    AutoReplay = false;  // the replay would move the game under the set-up
    BeginSetup(*game_);
    const EngineSettings& set = engineConfig_.EngSet;
    SetupDialog()->OpenSetup(IsWhitePly(game_->CurPly), engineConfig_.EngLoaFg && set.EditCommand == "edit",
                             set.BlackCommand == "black");
    SetMenuState(MenuState::SetupOpen);
    SetControlState(ControlState::SetupOpen);
    DrawBoard();
    PlaceSetupDialog();
    setupDialog_->show();
    setupDialog_->raise();
}

void FormMain::PlaceSetupDialog()
{
    // Beside the board, right of it where the screen has room, else left of
    // it; never off the screen.
    setupDialog_->adjustSize();
    const QRect board = ImaCheBoa->BoardRect().translated(ImaCheBoa->mapToGlobal(QPoint(0, 0)));
    const QSize size = setupDialog_->frameGeometry().size();
    QPoint place(board.right() + 8, board.top());
    if (const QScreen* screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        if (place.x() + size.width() > room.right() && board.left() - 8 - size.width() >= room.left())
            place.setX(board.left() - 8 - size.width());
        place.setX(qBound(room.left(), place.x(), qMax(room.left(), room.right() - size.width())));
        place.setY(qBound(room.top(), place.y(), qMax(room.top(), room.bottom() - size.height())));
    }
    setupDialog_->move(place);
}

void FormMain::SetupPiecePicked(char piece)
{
    if (game_->SetupMode)
        ImaCheBoa->BeginHeldDrag(piece);
}

bool FormMain::ReturnSetup(int code)
{
    GameState& game = *game_;
    if ((code == 1 || code == 2) && !MayDiscardRecord())
        return false;
    // The set-up ends in every case; the hand is free again for the engine's marks.
    game.SetupMode = false;
    game.ViewBoard[0][0].clear();
    if (code != 1 && code != 2) {
        SetMenuState(MenuState::NoGame);
        SetControlState(ControlState::SetupCancelled);
        AllDisplay();
        return true;
    }
    const Board position = SetupPosition(game);
    ResetGame();
    LoadSetupPosition(game, position, code == 2);
    SetMenuState(MenuState::NoGame);
    SetControlState(ControlState::NoGame);
    AllDisplay();
    if (setupDialog_->EngineChosen()) {
        SetMenuState(MenuState::GameRunning);
        SetControlState(ControlState::UserToMove);
        engine_->WinBoardEdit();  // the engine takes the side not to move
    }
    RunClock(true);
    return true;
}

bool FormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LabelinCheckMate && event->type() == QEvent::MouseButtonRelease)
        LabelinCheckMate_Click();
    else if (watched == TextInfo[10] && event->type() == QEvent::FocusOut)
        TextInfo_LostFocus(10);
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace vorlik
