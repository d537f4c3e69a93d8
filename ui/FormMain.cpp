#include "FormMain.h"

#include "DeskWindow.h"
#include "AnalysisPanel.h"
#include "DialogMnuFilePrint.h"
#include "DialogGameReview.h"
#include "DialogMnuGameEngine.h"
#include "DialogSetup.h"
#include "HelpWindow.h"
#include "JapaneseFonts.h"
#include "KifuFolder.h"
#include "MoveList.h"
#include "WindowStates.h"
#include "WindowEngineHost.h"
#include "WindowKifuHost.h"
#include "core/GameText.h"
#include "core/KifuTree.h"
#include "core/MoveCommit.h"
#include "core/PositionSetup.h"
#include "records/DeskSettings.h"

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
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QVariant>

#include <algorithm>
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
        emit LinePressed(event->position().toPoint().x());
}

void MoveListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Up && event->key() != Qt::Key_Down && StepButton(event->key()) == 0)
        QListWidget::keyPressEvent(event);
    emit KeyDown(event->key());
}

void MoveListBox::resizeEvent(QResizeEvent* event)
{
    QListWidget::resizeEvent(event);
    emit Resized();
}

FormMain::FormMain(WindowServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services), session_(std::make_unique<GameSession>())
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
    kifuHost_ = std::make_unique<WindowKifuHost>(*session_, services_, this, MnuOptionKifuWrite, captions);
    kifuFolder_ = std::make_unique<KifuFolder>(services_.Folders().Settings);
    BuildEngineLink();

    // Start-up: no game, the standard position, White to move; the options
    // and the engine of the last run.
    connect(session_.get(), &GameSession::RecordReset, this, &FormMain::ClearRecordView);
    connect(session_.get(), &GameSession::RecordStarted, this, &FormMain::StartHeader);
    connect(session_.get(), &GameSession::HeaderChanged, this, &FormMain::ShowHeader);
    connect(session_.get(), &GameSession::PhaseChanged, this, &FormMain::ApplyStates);
    connect(session_.get(), &GameSession::RecordChanged, this, &FormMain::ApplyStates);
    connect(session_.get(), &GameSession::RecordChanged, this, &FormMain::UpdateMoveList);
    ClearRecordView();
    StartHeader();
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
    MnuFileDesk = entry(file, "MnuFileDesk", QStringLiteral("通信対局一覧"), 'D');
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
    MnuGameVariation = entry(game, "MnuGameVariation", QStringLiteral("変化手順の入力"), 'V');
    MnuGameVariation->setCheckable(true);
    MnuGameVariationPromote = entry(game, "MnuGameVariationPromote", QStringLiteral("変化手順を本手順に昇格"), 'R');
    MnuGameVariationDelete = entry(game, "MnuGameVariationDelete", QStringLiteral("変化手順の削除"), 'D');
    QMenu* marks = game->addMenu(QStringLiteral("記号(&M)"));
    marks->setObjectName(QStringLiteral("MnuGameMark"));
    const char* const symbols[] = {"", "!", "?", "!!", "??", "!?", "?!"};
    for (int k = 1; k <= 6; ++k) {
        MnuGameMark[k] = entry(marks, "", QString::fromLatin1(symbols[k]));
        MnuGameMark[k]->setObjectName(QStringLiteral("MnuGameMark(%1)").arg(k));
        MnuGameMark[k]->setCheckable(true);
        connect(MnuGameMark[k], &QAction::triggered, this, [this, k] { MnuGameMark_Click(k); });
    }
    connect(MnuGameVariationPromote, &QAction::triggered, this, &FormMain::MnuGameVariationPromote_Click);
    connect(MnuGameVariationDelete, &QAction::triggered, this, &FormMain::MnuGameVariationDelete_Click);
    game->addSeparator();
    MnuGameReview = entry(game, "MnuGameReview", QStringLiteral("全手解析"), 'A');
    connect(MnuGameReview, &QAction::triggered, this, &FormMain::MnuGameReview_Click);
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
    MnuGameAnalysis = entry(game, "MnuGameAnalysis", QStringLiteral("解析"), 'A');
    MnuGameAnalysis->setCheckable(true);
    connect(MnuGameAnalysis, &QAction::triggered, this, &FormMain::MnuGameAnalysis_Click);
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
    connect(MnuFileDesk, &QAction::triggered, this, &FormMain::MnuFileDesk_Click);
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
    Toolbar->addSeparator();
    MnuFileDesk->setIcon(ToolIcon(QStringLiteral("〒")));
    MnuFileDesk->setIconVisibleInMenu(false);
    Toolbar->addAction(MnuFileDesk);
    // "解析" after the numbered buttons, which keep their places.
    MnuGameAnalysis->setIcon(ToolIcon(QStringLiteral("析")));
    MnuGameAnalysis->setIconVisibleInMenu(false);
    Toolbar->addSeparator();
    Toolbar->addAction(MnuGameAnalysis);
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
    LabelLedger = new QLabel;
    LabelLedger->setObjectName(QStringLiteral("LabelLedger"));
    LabelLedger->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(LabelLedger, 2, 1, 1, 6);
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
                    session_->SetNote(j - 7, notesPly_, text.toStdString());
                    ShowRecordState();
                });
    // The information boxes are the record's header: what is typed goes into it.
    for (int k = 1; k <= 6; ++k)
        connect(TextInfo[k], &QLineEdit::textChanged, this, &FormMain::HeaderTyped);
    for (int k = 11; k <= 13; ++k)
        TextInfo[k]->setMaximumWidth(44);
    TextInfo[9]->installEventFilter(this);
    TextInfo[10]->installEventFilter(this);
    TextInfoS = new QPlainTextEdit;
    TextInfoS->setObjectName(QStringLiteral("TextInfoS"));
    TextInfoS->setPlaceholderText(QStringLiteral("ここの入力はヘルプを参照してください"));
    TextInfoS->setMaximumHeight(36);
    connect(TextInfoS, &QPlainTextEdit::textChanged, this, &FormMain::HeaderTyped);
    CombKekka = new QComboBox;
    CombKekka->setObjectName(QStringLiteral("CombKekka"));
    CombKekka->setEditable(true);
    CombKekka->addItems({QStringLiteral("1-0"), QStringLiteral("0-1"), QStringLiteral("1/2-1/2"), QStringLiteral("*")});
    connect(CombKekka, &QComboBox::currentTextChanged, this, &FormMain::HeaderTyped);

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
    ListMain->setUniformItemSizes(true);  // until an annotated record brings lines of other sizes
    connect(ListMain, &MoveListBox::LinePressed, this, &FormMain::ListMain_MouseDown);
    connect(ListMain, &MoveListBox::KeyDown, this, &FormMain::ListMain_KeyDown);
    // Smaller or larger (the analysis comes and goes), the list keeps the move on the board in view.
    connect(ListMain, &MoveListBox::Resized, this, [this] {
        const int shown = MarkShownMove(*ListMain, session_->Game());
        if (shown >= 0)
            ListMain->scrollToItem(ListMain->item(shown));
    });

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

    TextComment = new QLineEdit;
    TextComment->setObjectName(QStringLiteral("TextComment"));
    TextComment->setPlaceholderText(QStringLiteral("コメント"));
    connect(TextComment, &QLineEdit::editingFinished, this, &FormMain::TextComment_Changed);

    analysisPanel_ = new AnalysisPanel(services_, *session_);
    connect(analysisPanel_, &AnalysisPanel::TurnedOff, this, [this] { ShowAnalysis(false); });
    connect(analysisPanel_, &AnalysisPanel::PlayMove, this,
            [this](const QString& move) { PlayUserMove(move.toStdString()); });
    connect(analysisPanel_, &AnalysisPanel::LineAdded, this, &FormMain::AllDisplay);

    auto* listAndTraffic = new QVBoxLayout;
    listAndTraffic->addWidget(ListMain, 1);
    listAndTraffic->addWidget(TextComment);
    listAndTraffic->addWidget(analysisPanel_);
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
        setupDialog_ = new DialogSetup(services_, Game(), this);
        setupDialog_->returnSetup = [this](int code) { return ReturnSetup(code); };
        connect(setupDialog_, &DialogSetup::PiecePicked, this, &FormMain::SetupPiecePicked);
        connect(setupDialog_, &DialogSetup::BoardChanged, this, &FormMain::DrawBoard);
    }
    return setupDialog_;
}

void FormMain::PlayMoveSound() { services_.PlaySound(services_.Folders().Data + QStringLiteral("/PieceMove.wav")); }

// ---- state ----------------------------------------------------------------

void FormMain::ClearRecordView()
{
    if (printDialog_)
        printDialog_->NewRecord();
    AutoReplay = false;
    CommandMain[5]->setText(QStringLiteral("動 >"));
    Timer->stop();
    LabelTime[0]->setText(QStringLiteral("白"));
    LabelTime[1]->setText(QStringLiteral("黒"));
    SetOpaque(LabelTime[0], true);
    SetOpaque(LabelTime[1], false);
    // The postal boxes are the notes of their ply: the redraw fills them.
    // The information boxes show the new record's header when it is told.
    TextInfo[14]->clear();
    ListMain->clear();
    traffic_.clear();
    FlushTraffic();
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
    const GameState& game = session_->Game();
    const bool setup = session_->SetupOpen();
    TextBoard board;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            board[file][rank] = setup ? game.ViewBoard[file][rank] : std::string(1, game.KifuBoard[game.CurPly][file][rank]);
    ImaCheBoa->DrawBoard(board, Turned());
    // The move that led to the position shown; none while a position is set up.
    const std::string none;
    const std::string& move = setup ? none : game.KifuCoord[game.CurPly];
    const bool squares = move.size() >= 4 && IsFileLetter(move[0]) && IsRankDigit(move[1]) &&
                         IsFileLetter(move[2]) && IsRankDigit(move[3]);
    ImaCheBoa->SetMarks(squares ? ImageOfSquare(move[0] - 'a' + 1, move[1] - '0') : 0,
                        squares ? ImageOfSquare(move[2] - 'a' + 1, move[3] - '0') : 0,
                        setup ? 0 : chosenImage_);
}

int FormMain::ImageOfSquare(int file, int rank) const { return (file - 1) * 8 + (Turned() ? 9 - rank : rank); }

bool FormMain::SideToMoveOwns(char piece) const
{
    return IsWhitePly(session_->Game().CurPly) ? IsBlackPiece(piece) : IsWhitePiece(piece);
}

void FormMain::AllDisplay()
{
    chosenImage_ = 0;  // a piece chosen in another position waits no more
    DrawBoard();
    const GameState& game = session_->Game();
    notesPly_ = game.CurPly;
    // The postal boxes belong to the moves of the main line.
    const bool mainLine = IsMainLine(game, notesPly_);
    for (int j = 8; j <= 13; ++j) {
        const QString note = QString::fromStdString(game.KifuNote[j - 7][notesPly_]);
        if (TextInfo[j]->text() != note)  // an unchanged box keeps its cursor
            TextInfo[j]->setText(note);
        TextInfo[j]->setReadOnly(!mainLine);
        Enable(TextInfo[j], notesPly_ > 0);
    }
    UpdateMoveList();  // a loaded game's lines are written when it is shown
    const int marked = MarkShownMove(*ListMain, game);
    if (listAnnotated_ && marked >= 0)
        ListMain->scrollToItem(ListMain->item(marked));
    ShowAnnotations();
    const bool blackToMove = IsWhitePly(game.CurPly);  // White has just moved
    SetOpaque(LabelTime[0], !blackToMove);
    SetOpaque(LabelTime[1], blackToMove);
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

void FormMain::ApplyStates()
{
    const EngineSettings& set = engineConfig_.EngSet;
    const GamePhase phase = session_->Phase();
    WindowFacts facts;
    facts.engineConfigured = engineConfig_.EngLoaFg;
    facts.atEnd = session_->AtEnd();
    facts.takeBackCommand = !set.TakeBack.empty();
    auto on = [&](WindowCommand command) { return CommandEnabled(command, phase, facts); };
    for (int k = 1; k <= 5; ++k)
        Enable(CommandMain[k], on(WindowCommand::Navigation));
    Enable(ListMain, on(WindowCommand::MoveList));
    Enable(CommandMain[0], on(WindowCommand::MoveNow));
    Enable(CommandMain[6], on(WindowCommand::TakeBack));
    Enable(CommandMain[7], on(WindowCommand::StartButton));
    Enable(CommandMain[8], on(WindowCommand::GameEnd));
    MnuGameEnd->setEnabled(on(WindowCommand::GameEnd));
    Enable(CommandMain[9], on(WindowCommand::DirectSend));
    // A tool button is its menu entry's own action: one state for both.
    MnuFileNew->setEnabled(on(WindowCommand::FileNew));
    MnuFileOpenSave[1]->setEnabled(on(WindowCommand::FileOpen));
    MnuFileOpenSave[3]->setEnabled(on(WindowCommand::FileSave));
    MnuGameNew->setEnabled(on(WindowCommand::GameNew));
    MnuGameSetup->setEnabled(on(WindowCommand::GameSetup));
    MnuGameEngine->setEnabled(on(WindowCommand::GameEngine));
    MnuOptionSearch->setEnabled(on(WindowCommand::Search));
    MnuGameAnalysis->setEnabled(on(WindowCommand::Analysis));
    const GameState& game = session_->Game();
    facts.inVariation = game.LastPly > 0 && !IsMainLine(game, game.LastPly);
    MnuGameVariation->setEnabled(on(WindowCommand::VariationEntry));
    MnuGameVariationPromote->setEnabled(on(WindowCommand::VariationEdit));
    MnuGameVariationDelete->setEnabled(on(WindowCommand::VariationEdit));
    MnuGameReview->setEnabled(on(WindowCommand::GameReview));
    const bool annotate = on(WindowCommand::Annotate);
    Enable(TextComment, annotate);
    for (int k = 1; k <= 6; ++k)
        MnuGameMark[k]->setEnabled(annotate && game.CurPly > 0);
    for (int k = 1; k <= 3; ++k) {
        facts.levelCommand = !set.LevelCommand(k).empty();
        MnuGameLevelLevel[k]->setEnabled(on(WindowCommand::GameLevel));
    }
    CommandMain[0]->setText(engineConfig_.EngLoaFg ? QString::fromStdString(set.Name) : QStringLiteral("エンジンの名称"));
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

void FormMain::AddMoveLine(int ply)
{
    if (ply < 1)
        return;
    const GameState& game = session_->Game();
    const QString line = QString::fromStdString(MoveListLine(game, Style(), ply));
    const int index = MoveNumber(ply) - 1;
    if (IsWhitePly(ply)) {
        // White has just moved: a new line, shown at the top and selected.
        while (ListMain->count() > index)
            delete ListMain->takeItem(ListMain->count() - 1);
    }
    QListWidgetItem* item = index < ListMain->count() ? ListMain->item(index) : new QListWidgetItem(ListMain);
    const int white = IsWhitePly(ply) ? ply : ply - 1;
    SetMoveLine(*item, MoveListParts(game, Style(), ply), line, HoldsStart(game, white) ? -1 : NodeAt(game, white),
                IsWhitePly(ply) ? -1 : NodeAt(game, ply));
    if (IsWhitePly(ply))
        SelectLine(index, true);
}

void FormMain::RebuildMoveList(int lastPly)
{
    ListMain->clear();
    for (int ply = 1; ply <= lastPly; ++ply)
        AddMoveLine(ply);
    MarkShownMove(*ListMain, session_->Game());
}

void FormMain::UpdateMoveList()
{
    const GameState& game = session_->Game();
    if (HasAnnotations(game)) {
        // Written once the present event is handled: a game loaded from a
        // file changes its record thousands of times before it is shown.
        if (!annotatedListDue_) {
            annotatedListDue_ = true;
            QTimer::singleShot(0, this, [this] {
                annotatedListDue_ = false;
                if (HasAnnotations(session_->Game()))
                    UpdateAnnotatedList();
                else
                    UpdateMoveList();
            });
        }
        return;
    }
    if (annotatedListDue_)
        return;  // the lines are written then
    if (std::exchange(listAnnotated_, false)) {
        ListMain->clear();  // its lines are no plain record's
        // A plain record's lines all have one size; told so, the list stops
        // measuring every line each time it scrolls to the move on the board.
        ListMain->setUniformItemSizes(true);
    }
    // A plain record changes at its end (a move, a cut, a mark on the last
    // move): the lines from the last that still reads as the record are
    // written anew.
    const int lines = HoldsStart(game, game.LastPly) ? 0 : MoveNumber(game.LastPly);
    const auto lineText = [&](int line) {
        return QString::fromStdString(MoveListLine(game, Style(), std::min(2 * line + 2, game.LastPly)));
    };
    int kept = std::min(lines, ListMain->count());
    while (kept > 0 && ListMain->item(kept - 1)->text() != lineText(kept - 1))
        --kept;
    if (kept < ListMain->count() || kept < lines) {
        while (ListMain->count() > kept)
            delete ListMain->takeItem(ListMain->count() - 1);
        for (int ply = 2 * kept + 1; ply <= game.LastPly; ++ply)
            AddMoveLine(ply);
    }
    MarkShownMove(*ListMain, game);
}

// ---- moves -----------------------------------------------------------------

bool FormMain::CheckChessMoveOutput(const std::string& move)
{
    const PromotionAsk ask = [this](int rank) { return SetupDialog()->AskPromotion(rank, Game().PromoNumber); };
    const PromotionAsk queen = [](int) { return 'q'; };
    if (Timer->isActive())
        RunClocks();  // the time up to the move is the mover's
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
        if (MnuGameSound->isChecked())
            PlayMoveSound();
    } else if (refusalBeep_) {
        services_.Beep();
    }
    AllDisplay();
    return legal;
}

GameHeader FormMain::ReadGameInfo() { return session_->Header(); }

void FormMain::ShowGameInfo(const GameHeader& header) { session_->SetHeader(header); }

void FormMain::StartHeader()
{
    GameHeader header;
    header.Field[kEvent] = kCaption;
    const QDate today = QDate::currentDate();
    header.Field[kDate] = ShortDate(today.year(), today.month(), today.day());
    header.Field[kResult] = "*";
    session_->SetHeader(header);
}

void FormMain::ShowHeader()
{
    const GameHeader& header = session_->Header();
    const QScopedValueRollback<bool> showing(showingHeader_, true);
    const auto show = [](QLineEdit* box, const std::string& text) {
        const QString shown = QString::fromStdString(text);
        if (box->text() != shown)  // the cursor stays where the user types
            box->setText(shown);
    };
    for (int k = 1; k <= 6; ++k)
        show(TextInfo[k], header.Field[k]);
    const QString result = header.Field[kResult].empty() ? QStringLiteral("*") : QString::fromStdString(header.Field[kResult]);
    if (CombKekka->currentText() != result)
        CombKekka->setCurrentText(result);
    if (TextInfoS->toPlainText().toStdString() != header.TextInfoS)
        TextInfoS->setPlainText(QString::fromStdString(header.TextInfoS));
    ShowRecordState();
}

void FormMain::HeaderTyped()
{
    if (showingHeader_)
        return;
    GameHeader header;
    for (int k = 1; k <= 6; ++k)
        header.Field[k] = TextInfo[k]->text().toStdString();
    header.Field[kResult] = CombKekka->currentText().toStdString();
    header.TextInfoS = TextInfoS->toPlainText().toStdString();
    session_->SetHeader(header);
    ShowRecordState();
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
    GameState& game = Game();  // the drag squares and, during a set-up, the edited position
    const bool setup = session_->SetupOpen();
    const int file = BoardView::Column(index);
    const int rank = Turned() ? 9 - BoardView::Row(index) : BoardView::Row(index);
    if (chosenImage_ != 0 && !setup) {
        // The click after a chosen piece: the same piece again lets it go,
        // another piece of the side to move is taken up instead, any other
        // square is the target, dropped as a drag would drop it.
        const int chosen = std::exchange(chosenImage_, 0);
        if (index == chosen) {
            DrawBoard();
            return;
        }
        if (!SideToMoveOwns(game.KifuBoard[game.CurPly][file][rank])) {
            ImaCheMan_DragDrop(index);
            return;
        }
    }
    game.DragFile = file;
    game.DragRank = rank;
    if (setup) {
        const char piece = SetupSquare(game, file, rank);
        if (SetupPickUp(game, file, rank))
            ImaCheBoa->BeginDrag(index, piece);
        return;
    }
    const char piece = game.KifuBoard[game.CurPly][file][rank];
    if (piece == 0)
        return;
    ImaCheBoa->BeginDrag(index, piece);
}

void FormMain::ImaCheMan_Click(int index)
{
    const GameState& game = session_->Game();
    const char piece = game.KifuBoard[game.CurPly][game.DragFile][game.DragRank];
    if (session_->SetupOpen() || !SideToMoveOwns(piece)) {
        ImaCheMan_DragDrop(index);
        return;
    }
    chosenImage_ = index;  // DragFile and DragRank keep its square
    DrawBoard();
}

void FormMain::ImaCheBoa_DragCancelled(int index)
{
    if (session_->SetupOpen()) {
        GameState& game = Game();
        if (index != 0)
            SetupDrop(game, game.DragFile, game.DragRank);  // back to its square
        SetupDiscard(game);  // a piece from the palette is gone
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
    GameState& game = Game();  // the drop square and, during a set-up, the edited position
    game.DropFile = BoardView::Column(index);
    game.DropRank = Turned() ? 9 - BoardView::Row(index) : BoardView::Row(index);
    if (session_->SetupOpen()) {
        if (SetupDrop(game, game.DropFile, game.DropRank) && PieceSound())
            PlayMoveSound();
        DrawBoard();
        return;
    }
    PlayUserMove({FileLetter(game.DragFile), RankDigit(game.DragRank), FileLetter(game.DropFile),
                  RankDigit(game.DropRank)});
}

void FormMain::PlayUserMove(const std::string& move)
{
    const GameState& game = session_->Game();
    const bool variation = MnuGameVariation->isChecked() && !EngPlay();
    if (game.CurPly != game.LastPly && !variation) {
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
    if (EngPlay())
        engine_->UserMoved();  // the engine answers
}

void FormMain::ImaCheBoa_DragDrop()
{
    services_.Beep();
    SetupDiscard(Game());  // a piece dropped off the squares during a set-up is gone
    AllDisplay();
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

// ---- annotations -------------------------------------------------------------

void FormMain::UpdateAnnotatedList()
{
    // Lines that read as before keep their items; from the first that
    // differs on, the list is written anew.
    if (!std::exchange(listAnnotated_, true))
        ListMain->setUniformItemSizes(false);  // comments and indents: each line its own size
    const std::vector<MoveRow> rows = MoveRows(session_->Game(), Style());
    const int count = static_cast<int>(rows.size());
    int kept = 0;
    while (kept < count && kept < ListMain->count() &&
           ListMain->item(kept)->text() == QString::fromStdString(rows[kept].text) &&
           MoveAt(*ListMain, kept, 0) == (rows[kept].white >= 0 ? rows[kept].white : rows[kept].black))
        ++kept;
    while (ListMain->count() > kept)
        delete ListMain->takeItem(ListMain->count() - 1);
    for (int k = kept; k < count; ++k)
        SetMoveRow(*new QListWidgetItem(ListMain), rows[k]);
    const int marked = MarkShownMove(*ListMain, session_->Game());
    if (marked >= 0)
        ListMain->scrollToItem(ListMain->item(marked));
}

void FormMain::ShowAnnotations()
{
    const GameState& game = session_->Game();
    const int node = NodeAt(game, game.CurPly);
    const KifuNode shown = node >= 0 ? Node(game, node) : KifuNode{};
    const QString comment = QString::fromStdString(shown.comment);
    if (TextComment->text() != comment)
        TextComment->setText(comment);
    for (int k = 1; k <= 6; ++k)
        MnuGameMark[k]->setChecked(std::find(shown.nags.begin(), shown.nags.end(), k) != shown.nags.end());
}

bool FormMain::Told(TreeResult result)
{
    if (result != TreeResult::Done)
        WarnError(TreeResultText(result));
    return result == TreeResult::Done;
}

void FormMain::TextComment_Changed()
{
    const GameState& game = session_->Game();
    const int node = NodeAt(game, game.CurPly);
    const std::string text = TextComment->text().toStdString();
    if (node < 0 || Node(game, node).comment == text)
        return;
    if (!Told(session_->SetComment(game.CurPly, text)))
        ShowAnnotations();
    ShowRecordState();
}

void FormMain::MnuGameMark_Click(int index)
{
    // The six marks judge a move: one of them at a time; other marks stay.
    const GameState& game = session_->Game();
    const int node = NodeAt(game, game.CurPly);
    if (node <= 0)
        return;
    std::vector<unsigned char> nags;
    for (const unsigned char nag : Node(game, node).nags)
        if (nag < 1 || nag > 6)
            nags.push_back(nag);
    if (MnuGameMark[index]->isChecked())
        nags.insert(nags.begin(), static_cast<unsigned char>(index));
    Told(session_->SetNags(game.CurPly, nags));
    AllDisplay();
}

void FormMain::MnuGameVariationPromote_Click()
{
    const GameState& game = session_->Game();
    Told(session_->PromoteVariation(game.LastPly));
    AllDisplay();
}

void FormMain::MnuGameVariationDelete_Click()
{
    const GameState& game = session_->Game();
    if (services_.ShowMessage(this, QStringLiteral("表示している変化手順を削除しますか？"), QStringLiteral("注意"),
                              MessageIcon::Warning, MessageButtons::YesNo) == MessageAnswer::No)
        return;
    Told(session_->DeleteVariation(game.LastPly));
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
    const GameState& game = session_->Game();
    if (game.CurPly < 1)
        return;
    session_->GoToPly(HoldsStart(game, 1) ? 1 : 0);
    AllDisplay();
    SelectLine(game.CurPly / 2, false);
}

void FormMain::StepBack()
{
    const GameState& game = session_->Game();
    if (HoldsStart(game, game.CurPly)) {
        services_.Beep();
        return;
    }
    session_->GoToPly(game.CurPly - 1);
    AllDisplay();
    SelectLine(game.CurPly / 2, false);
}

void FormMain::StepForward()
{
    const GameState& game = session_->Game();
    if (session_->AtEnd()) {
        if (!EngPlay())
            Timer->stop();
        CommandMain[5]->setText(QStringLiteral("動 >"));
        AutoReplay = false;
        services_.Beep();
        return;
    }
    session_->GoToPly(game.CurPly + 1);
    AllDisplay();
    SelectLine(MoveNumber(game.CurPly) - 1, false);
}

void FormMain::GotoEnd()
{
    const GameState& game = session_->Game();
    session_->GoToPly(game.LastPly);
    AllDisplay();
    SelectLine(MoveNumber(game.CurPly) - 1, false);
}

void FormMain::ListMain_MouseDown(int x)
{
    // The move clicked: White's left of Black's column, else Black's, and
    // on a comment's line the move it belongs to.
    int line = ListMain->currentRow();
    int node = MoveAt(*ListMain, line, x);
    while (node < 0 && line > 0)
        node = MoveAt(*ListMain, --line, ListMain->width());
    if (node < 0)
        return;
    session_->ShowNode(node);
    AllDisplay();
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
    if (index != 9 && index != 10)
        return;
    const std::string plus = TextInfo[11]->text().toStdString();
    const std::string followed = FollowedDayCount(datesOnFocus_.first.toStdString(), datesOnFocus_.second.toStdString(),
                                                  TextInfo[9]->text().toStdString(),
                                                  TextInfo[10]->text().toStdString(), plus);
    if (followed != plus)
        TextInfo[11]->setText(QString::fromStdString(followed));
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
    if (!session_->AtEnd())
        return;
    const bool black = IsWhitePly(session_->Game().CurPly);
    const int clock = session_->AddClockTime(black, elapsed);
    LabelTime[black]->setText((black ? QStringLiteral("黒 ") : QStringLiteral("白 ")) +
                              QString::fromStdString(ClockText(clock)));
}

// ---- menus -----------------------------------------------------------------

void FormMain::MnuFileNew_Click()
{
    session_->NewRecord();
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
KifuKind KindOfChosenFile(const QString& fileName, KifuKind entryKind)
{
    const KifuKind kind = KindOfFileName(fileName.toStdString());
    return kind != kKindNone ? kind : entryKind;
}

}  // namespace

void FormMain::OpenFile()
{
    int entry = kKindPgn;
    const QString name = services_.OpenFileName(this, QStringLiteral("開く"), kifuFolder_->Folder(),
                                                QString::fromUtf8(kFilterAll), &entry);
    if (name.isEmpty())
        return;
    OpenGameFile(name, static_cast<KifuKind>(qBound(int(kKindPgn), entry, int(kKindCsv))));
}

void FormMain::OpenGameFile(const QString& fileName, KifuKind entryKind)
{
    const QString name = QFileInfo(fileName).absoluteFilePath();
    RememberFolder(name);
    OpenKifuFile(*kifuHost_, kifuFile_, KindOfChosenFile(name, entryKind), name.toStdString());
}

void FormMain::SaveFile()
{
    if (deskPlace_ && SaveToDesk())
        return;
    // A game from a set-up position has no place in the postal layout.
    const char* filter = IsStandardStart(session_->Game()) ? kFilterAll : kFilterNoCsv;
    int entry = kKindPgn;
    QString name = services_.SaveFileName(this, QStringLiteral("保存"), kifuFolder_->Folder(),
                                          QString::fromUtf8(filter), &entry);
    if (name.isEmpty())
        return;
    RememberFolder(name);
    const auto chosen =
        static_cast<KifuKind>(qBound(int(kKindPgn), entry, filter == kFilterAll ? int(kKindCsv) : int(kKindFen)));
    name = WithFilterSuffix(name, filter, chosen);
    // A set-up game named ".csv" is refused by the save, with a message.
    const KifuKind kind = KindOfChosenFile(name, chosen);
    if (!MayLoseAnnotations(kind))
        return;
    if (SaveKifuFile(*kifuHost_, kifuFile_, kind, name.toStdString())) {
        RecordSaved(name);
        if (deskWindow_ && deskWindow_->isVisible())
            deskWindow_->Refresh();
    }
}

bool FormMain::MayLoseAnnotations(KifuKind kind)
{
    const std::string loss = SaveLossText(session_->Game(), kind);
    return loss.empty() ||
           services_.ShowMessage(this, QString::fromStdString(loss) + QStringLiteral("保存しますか？"),
                                 QStringLiteral("注意"), MessageIcon::Warning, MessageButtons::YesNo) == MessageAnswer::Yes;
}

void FormMain::MnuFileDesk_Click()
{
    if (!deskWindow_) {
        deskWindow_ = std::make_unique<DeskWindow>(services_, nullptr);
        deskWindow_->setFont(font());
        connect(deskWindow_.get(), &DeskWindow::OpenGame, this, &FormMain::OpenFromDesk);
    }
    deskWindow_->Refresh();
    deskWindow_->show();
    deskWindow_->raise();
    deskWindow_->activateWindow();
}

void FormMain::OpenFromDesk(const DeskPlace& place)
{
    // As "開く": not while a set-up is open or the engine is thinking.
    if (!MnuFileOpenSave[1]->isEnabled()) {
        Beep();
        return;
    }
    pendingDeskPlace_ = place;
    OpenDeskGame(*kifuHost_, kifuFile_, place);
    pendingDeskPlace_.reset();
    raise();
    activateWindow();
}

bool FormMain::SaveToDesk()
{
    const QString fileName = QString::fromStdString(deskPlace_->path);
    const QString question = QStringLiteral("通信対局一覧のゲームです。「%1」の%2番に上書きしますか？\n"
                                            "（「いいえ」で保存先を選べます）")
                                 .arg(QFileInfo(fileName).fileName())
                                 .arg(deskPlace_->key.number);
    if (services_.ShowMessage(this, question, QStringLiteral("ファイル保存"), MessageIcon::Warning,
                              MessageButtons::YesNo) == MessageAnswer::No)
        return false;
    DeskPlace place = *deskPlace_;
    if (!MayLoseAnnotations(place.kind) || !SaveDeskGame(*kifuHost_, place))
        return true;
    pendingDeskPlace_ = place;
    RecordSaved(fileName);
    if (deskWindow_ && deskWindow_->isVisible())
        deskWindow_->Refresh();
    return true;
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
    const KifuKind kind = KindOfChosenFile(name, entry == 2 ? kKindCsv : kKindPgn);
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
    const GameState& game = session_->Game();
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
    // The rest of the tree: its variations, comments and marks.
    for (const KifuNode& node : game.Tree.nodes) {
        add(node.Coord + '/' + std::to_string(node.parent) + '/' + std::to_string(node.firstChild) + '/' +
            std::to_string(node.nextSibling));
        add(node.comment);
        add(node.commentBefore);
        add(std::string(node.nags.begin(), node.nags.end()));
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
    // A game from the desk is new first (no file), then the desk's file's.
    const bool fromDesk = pendingDeskPlace_ && pendingDeskPlace_->path == fileName.toStdString();
    deskPlace_ = fromDesk ? std::exchange(pendingDeskPlace_, std::nullopt) : std::nullopt;
    ReadDeskOfGame(fileName);
    savedRecord_ = RecordFingerprint();
    const QString caption = QString::fromUtf8(kCaption);
    setWindowTitle(fileName.isEmpty() ? caption + QStringLiteral("[*]")
                                      : QFileInfo(fileName).fileName() + QStringLiteral("[*] - ") + caption);
    ShowRecordState();
}

void FormMain::ShowRecordState()
{
    // Read once the present event is handled: the record's text grows with
    // its tree, and a load changes the record at every move.
    if (std::exchange(recordStateDue_, true))
        return;
    QTimer::singleShot(0, this, [this] {
        recordStateDue_ = false;
        setWindowModified(RecordUnsaved());
        ShowLedger();
    });
}

Ledger FormMain::MainLineLedger() const
{
    return vorlik::MainLineLedger(session_->Game(), TextInfo[3]->text().toStdString(), deskLeave_);
}

void FormMain::ShowLedger()
{
    Ledger ledger = MainLineLedger();
    const int today = LocalToday();
    if (ResultOpen(CombKekka->currentText().toStdString()))
        CountMoveInHand(ledger, today, deskReceipt_, deskLeave_);
    QString line = QString::fromStdString(LedgerLine(ledger, deskControl_));
    QString tip = deskError_;
    if (const std::vector<LaterDate> later = DatesAfter(ledger, today); !later.empty()) {
        line += QStringLiteral(" ・ 今日より後の日付があります");
        tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromStdString(LaterDatesText(later));
    }
    if (!deskError_.isEmpty())
        line += QStringLiteral(" ・ 持ち時間の設定を読めません");
    LabelLedger->setText(line);
    LabelLedger->setToolTip(tip);
}

void FormMain::ReadDeskOfGame(const QString& fileName)
{
    deskControl_ = {};
    deskLeave_ = {};
    deskReceipt_.reset();
    deskError_.clear();
    if (fileName.isEmpty())
        return;
    // The game just loaded from the file scanned last tells which of two alike it is.
    int number = 0;
    if (kifuFile_.FileName == fileName.toStdString())
        number = kifuFile_.KifuCount == 1 ? 1 : ChosenGame(kifuFile_.KifuSelect);
    const GameDesk desk = DeskOfGame(QFileInfo(fileName).absoluteFilePath().toStdString(), ReadGameInfo(), number);
    deskControl_ = desk.control;
    deskLeave_ = desk.leave;
    deskReceipt_ = desk.receipt;
    deskError_ = QString::fromStdString(desk.error);  // the game is counted without them; the file stays as it is
}

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
    if (session_->SetupOpen() && setupDialog_)
        setupDialog_->CancelButton_Click();  // leaving cancels the set-up
    if (!closing_) {
        if (askOnClose_ && !MayDiscardRecord()) {
            event->ignore();
            return;
        }
        closing_ = true;
        analysisPanel_->TurnOff();
        MnuGameEnd_Click();
    }
    if (setupDialog_)
        setupDialog_->hide();
    if (deskWindow_)
        deskWindow_->close();
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
    analysisPanel_->SetStyle(index);
    RebuildMoveList(session_->Game().LastPly);
    session_->GoToPly(session_->Game().LastPly);
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
    const GameState& game = session_->Game();
    const std::optional<Totals> totals = PostcardTotals(game, TextInfo[3]->text().toStdString(), deskLeave_);
    printDialog_->PrintOutInit(game, ReadGameInfo(), MnuOptionKifuWrite->isChecked(), totals);
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
    engineHost_ = std::make_unique<WindowEngineHost>(services_, this, [this] {
        AutoReplay = false;
        Vorlik_iniFile();
    });
    engineHost_->mayDiscard = [this] { return MayDiscardRecord(); };
    engineHost_->madeNew = [this] { RecordSaved(QString()); };
    engineHost_->busy = [this] { return EngineMustWait(); };
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
        ListMain->clear();  // written anew from the game just loaded, whatever went by while it loaded
        UpdateMoveList();
        AllDisplay();
        RecordSaved(QString::fromStdString(fileName));
    };
    engine_ = std::make_unique<EngineGame>(*engineHost_, engineConfig_, *session_);
    EngineGame* engine = engine_.get();
    connect(engine, &EngineGame::LevelChosen, this, &FormMain::CheckLevel);
    connect(engine, &EngineGame::EngineOutput, this,
            [this](const QString& lines) { ShowEngineOutput(lines.toStdString()); });
    connect(engine, &EngineGame::ClockRunning, this, &FormMain::RunClock);
    connect(engine, &EngineGame::MoveComing, this, [this] {
        if (Timer->isActive())
            RunClocks();  // the time up to the move is the mover's
    });
    connect(engine, &EngineGame::BoardChanged, this, &FormMain::AllDisplay);
    connect(engine, &EngineGame::Refused, this, &FormMain::Beep);
    connect(engine, &EngineGame::EngineMoved, this, [this](bool accepted) {
        if (!accepted)
            services_.Beep();
        else if (MnuGameSound->isChecked())
            PlayMoveSound();
        AllDisplay();
    });
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
    analysisPanel_->SetStyle(style);
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

void FormMain::MnuGameReview_Click()
{
    GameReviewRun::Start(this, services_, *session_, engineConfig_);
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
    ApplyStates();  // a new engine can be played at once
    if (analysisPanel_->IsOn())
        MnuGameAnalysis_Click(true);  // and analyses at once
}

void FormMain::MnuGameAnalysis_Click(bool on)
{
    // The one makes room before the other shows: the window keeps its size.
    if (!on)
        analysisPanel_->TurnOff();
    ShowAnalysis(on);
    if (on && !analysisPanel_->TurnOn(engineConfig_))
        ShowAnalysis(false);
}

void FormMain::ShowAnalysis(bool on)
{
    // The panel takes the place of the engine traffic, which only a game has.
    MnuGameAnalysis->setChecked(on);
    for (QWidget* traffic : {static_cast<QWidget*>(TextEngMas), static_cast<QWidget*>(TextInfo[14]),
                             static_cast<QWidget*>(CommandMain[9])})
        traffic->setVisible(!on);
}

void FormMain::TakeBack() { engine_->TakeBack(); }

// ---- the set-up -------------------------------------------------------------

void FormMain::MnuGameSetup_Click()
{
    if (session_->SetupOpen() || EngPlay())
        return;
    AutoReplay = false;  // the replay would move the game under the set-up
    BeginSetup(Game());
    const EngineSettings& set = engineConfig_.EngSet;
    SetupDialog()->OpenSetup(IsWhitePly(session_->Game().CurPly), engineConfig_.EngLoaFg && set.EditCommand == "edit",
                             set.BlackCommand == "black");
    beforeSetup_ = session_->Phase();
    session_->SetPhase(GamePhase::SetupOpen);
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
    if (session_->SetupOpen())
        ImaCheBoa->BeginHeldDrag(piece);
}

bool FormMain::ReturnSetup(int code)
{
    GameState& game = Game();
    if ((code == 1 || code == 2) && !MayDiscardRecord())
        return false;
    // The set-up ends in every case; nothing stays in the hand.
    SetupDiscard(game);
    if (code != 1 && code != 2) {
        session_->SetPhase(beforeSetup_);
        AllDisplay();
        return true;
    }
    session_->LoadSetup(SetupPosition(game), code == 2);
    AllDisplay();
    if (setupDialog_->EngineChosen())
        engine_->WinBoardEdit();  // the engine takes the side not to move
    RunClock(true);
    return true;
}

bool FormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LabelinCheckMate && event->type() == QEvent::MouseButtonRelease)
        LabelinCheckMate_Click();
    else if ((watched == TextInfo[9] || watched == TextInfo[10]) && event->type() == QEvent::FocusIn)
        datesOnFocus_ = {TextInfo[9]->text(), TextInfo[10]->text()};  // what a ＋ the program wrote was counted from
    else if ((watched == TextInfo[9] || watched == TextInfo[10]) && event->type() == QEvent::FocusOut)
        TextInfo_LostFocus(watched == TextInfo[9] ? 9 : 10);
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace vorlik
