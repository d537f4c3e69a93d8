#include "AnalysisPanel.h"

#include "WindowServices.h"
#include "core/GameText.h"
#include "engine/EngineBuilder.h"
#include "engine/EngineGame.h"
#include "engine/UciEngine.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vorlik {

namespace {

enum Column { kDepth, kScore, kWork, kMoves, kColumns };

// One line beside "Vorlik.ini": the settings file of the engine chosen for
// analysis, which need not be the one the games are played against.
const char kAnalysisEngineFile[] = "VorlikAnalysis.ini";
// Analysed with until the user chooses: the strongest engine shipped.
const char kStrongestEngine[] = "Stockfish.mek";

// The position as the engine is told it: two texts alike are one position.
std::string PositionKey(const GameState& game)
{
    return UciPositionCommand(RootOf(game, game.CurPly).engine);
}

// "850", "12.4k", "3.1M": a count of nodes in the room of a narrow column.
QString NodesText(long long nodes)
{
    if (nodes < 10000)
        return QString::number(nodes);
    const char* const units[] = {"k", "M", "G", "T"};
    double value = nodes / 1000.0;
    int unit = 0;
    while (value >= 1000 && unit < 3) {
        value /= 1000;
        ++unit;
    }
    return QString::number(value, 'f', value < 100 ? 1 : 0) + QLatin1String(units[unit]);
}

// The nodes when the engine counts them, else the time it took.
QString WorkText(const AnalysisLine& line)
{
    if (line.nodes >= 0)
        return NodesText(line.nodes);
    if (line.timeMs >= 0)
        return QString::number(line.timeMs / 1000.0, 'f', 1) + QStringLiteral("秒");
    return QString();
}

void SetText(QTreeWidgetItem& item, int column, const QString& text)
{
    if (item.text(column) != text)  // an unchanged cell is not painted again
        item.setText(column, text);
}

}  // namespace

AnalysisPanel::AnalysisPanel(WindowServices& services, GameSession& session, QWidget* parent)
    : WindowPanel(parent), services_(services), session_(session)
{
    setObjectName(QStringLiteral("AnalysisPanel"));
    LabelAnalysis = new QLabel;
    LabelAnalysis->setObjectName(QStringLiteral("LabelAnalysis"));
    LabelAnalysis->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ComboAnalysisEngine = new QComboBox;
    ComboAnalysisEngine->setObjectName(QStringLiteral("ComboAnalysisEngine"));
    ComboAnalysisEngine->setToolTip(QStringLiteral("解析に使うエンジン（対局のエンジンとは別に選べます）"));
    ComboAnalysisEngine->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(ComboAnalysisEngine, &QComboBox::activated, this, &AnalysisPanel::EngineChosen);
    SpinAnalysisLines = new QSpinBox;
    SpinAnalysisLines->setObjectName(QStringLiteral("SpinAnalysisLines"));
    SpinAnalysisLines->setRange(1, kMaxMultiPv);
    SpinAnalysisLines->setValue(kDefaultLines);
    SpinAnalysisLines->setSuffix(QStringLiteral(" 手順"));
    SpinAnalysisLines->setToolTip(QStringLiteral("表示する手順の数"));
    connect(SpinAnalysisLines, &QSpinBox::valueChanged, this, &AnalysisPanel::LineCountChosen);
    ComAnalysisBest = new QPushButton(QStringLiteral("最善手を指す"));
    ComAnalysisBest->setObjectName(QStringLiteral("ComAnalysisBest"));
    ComAnalysisBest->setAutoDefault(false);
    connect(ComAnalysisBest, &QPushButton::clicked, this, &AnalysisPanel::PlayBest);
    ComAnalysisAdd = new QPushButton(QStringLiteral("変化手順に追加"));
    ComAnalysisAdd->setObjectName(QStringLiteral("ComAnalysisAdd"));
    ComAnalysisAdd->setAutoDefault(false);
    ComAnalysisAdd->setToolTip(QStringLiteral("選んだ手順(選んでいなければ最善の手順)を棋譜に変化手順として加えます"));
    connect(ComAnalysisAdd, &QPushButton::clicked, this, &AnalysisPanel::AddChosenLine);

    TreeAnalysis = new QTreeWidget;
    TreeAnalysis->setObjectName(QStringLiteral("TreeAnalysis"));
    TreeAnalysis->setColumnCount(kColumns);
    TreeAnalysis->setHeaderLabels({QStringLiteral("深さ"), QStringLiteral("評価"), QStringLiteral("局面数"),
                                   QStringLiteral("手順")});
    TreeAnalysis->setRootIsDecorated(false);
    TreeAnalysis->setUniformRowHeights(true);
    TreeAnalysis->setAllColumnsShowFocus(true);
    TreeAnalysis->setTextElideMode(Qt::ElideRight);
    TreeAnalysis->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    TreeAnalysis->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QHeaderView* header = TreeAnalysis->header();
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    connect(TreeAnalysis, &QTreeWidget::itemSelectionChanged, this, [this] {
        ComAnalysisAdd->setEnabled(ShownLine(ChosenRow()) != nullptr);
    });

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(ComboAnalysisEngine);
    top->addWidget(LabelAnalysis, 1);
    top->addWidget(SpinAnalysisLines);
    top->addWidget(ComAnalysisBest);
    top->addWidget(ComAnalysisAdd);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addWidget(TreeAnalysis);

    // A flood is drawn in steps: the first lines at once, the rest when the
    // timer has run.
    redraw_.setSingleShot(true);
    redraw_.setInterval(kRedrawMs);
    connect(&redraw_, &QTimer::timeout, this, [this] {
        if (std::exchange(dirty_, false)) {
            Redraw();
            redraw_.start();
        }
    });
    readyWait_.setSingleShot(true);
    readyWait_.setInterval(kReadyWaitMs);
    connect(&readyWait_, &QTimer::timeout, this, [this] {
        EngineLost(QStringLiteral("エンジンが答えません。解析を止めます。"));
    });
    connect(&session_, &GameSession::RecordChanged, this, &AnalysisPanel::BoardChanged);
    connect(&session_, &GameSession::PhaseChanged, this, &AnalysisPanel::FollowPhase);
    FitRows(kDefaultLines);
    hide();
}

AnalysisPanel::~AnalysisPanel() { TurnOff(); }

bool AnalysisPanel::TurnOn(const EngineConfig& gameEngine)
{
    TurnOff();
    gameEngine_ = gameEngine;
    EngineConfig config;
    if (!ChooseAnalysisEngine(services_, gameEngine_, config)) {
        Tell(QString::fromUtf8(kEngineNotConfigured), false);
        return false;
    }
    std::string error;
    engine_ = StartEngine(config.EngSet, services_.ProgramFolder(), error);
    if (!engine_) {
        Tell(QString::fromStdString(error), true);
        return false;
    }
    analysis_ = std::make_unique<EngineAnalysis>(*engine_);
    connect(analysis_.get(), &EngineAnalysis::linesChanged, this, &AnalysisPanel::LinesChanged);
    connect(analysis_.get(), &EngineAnalysis::engineLost, this, &AnalysisPanel::EngineLost);
    connect(engine_.get(), &EngineProtocol::ready, &readyWait_, &QTimer::stop);
    // Engines of the command set show their one line.
    const bool multiPv = engine_->kind() == EngineProtocolKind::Uci;
    SpinAnalysisLines->setVisible(multiPv);
    FitRows(multiPv ? SpinAnalysisLines->value() : 1);
    analysis_->setLineCount(multiPv ? SpinAnalysisLines->value() : 1);
    engineName_ = QString::fromStdString(config.EngSet.Name);
    ListEngines(QString::fromStdString(config.EngFileName));
    paused_ = session_.SetupOpen();
    position_.clear();
    readyWait_.start();
    show();
    FollowBoard();
    return true;
}

void AnalysisPanel::TurnOff()
{
    readyWait_.stop();
    redraw_.stop();
    if (engine_)
        engine_->quit();
    analysis_.reset();
    engine_.reset();  // the process with it, reaped
    position_.clear();
    TreeAnalysis->clear();
    hide();
}

void AnalysisPanel::SetNotation(NotationStyle notation)
{
    notation_ = notation;
    if (IsOn())
        ShowNow();
}

void AnalysisPanel::BoardChanged()
{
    // A game loaded from a file changes the record at every move: the
    // engine hears of the position it ends on, once.
    if (IsOn())
        FollowLater([this] { FollowBoard(); });
}

void AnalysisPanel::FollowBoard()
{
    if (!analysis_ || paused_)
        return;
    const GameState& game = session_.Game();
    const AnalysisRoot root = RootOf(game, game.CurPly);
    std::string position = UciPositionCommand(root.engine);
    if (position == position_)
        return;  // a note, a comment or a line added beside it: the position is the same
    position_ = std::move(position);
    rootPly_ = root.ply;
    firstMove_ = game.Start.moveNumber;
    analysis_->setPosition(game, game.CurPly);
    if (!analysis_->running())
        analysis_->start();
    ShowNow();  // nothing of the position left stays
}

void AnalysisPanel::FollowPhase(GamePhase phase)
{
    if (!IsOn())
        return;
    if (session_.EngPlay()) {
        // A game against the engine has begun: the analysis gives way to it.
        TurnOff();
        emit TurnedOff();
    } else if (phase == GamePhase::SetupOpen) {
        paused_ = true;
        analysis_->stop();
        position_.clear();
        ShowNow();
    } else if (std::exchange(paused_, false)) {
        FollowBoard();
    }
}

void AnalysisPanel::LinesChanged()
{
    if (redraw_.isActive()) {
        dirty_ = true;
        return;
    }
    Redraw();
    redraw_.start();
}

void AnalysisPanel::ShowNow()
{
    redraw_.stop();
    dirty_ = false;
    Redraw();
}

void AnalysisPanel::Redraw()
{
    static const std::vector<AnalysisLine> kNone;
    const std::vector<AnalysisLine>& lines = analysis_ && !paused_ ? analysis_->lines() : kNone;
    const int rows = static_cast<int>(lines.size());
    while (TreeAnalysis->topLevelItemCount() > rows)
        delete TreeAnalysis->takeTopLevelItem(TreeAnalysis->topLevelItemCount() - 1);
    while (TreeAnalysis->topLevelItemCount() < rows) {
        auto* item = new QTreeWidgetItem(TreeAnalysis);
        item->setTextAlignment(kDepth, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(kScore, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(kWork, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int row = 0; row < rows; ++row) {
        const AnalysisLine& line = lines[static_cast<std::size_t>(row)];
        QTreeWidgetItem& item = *TreeAnalysis->topLevelItem(row);
        SetText(item, kDepth, line.depth > 0 ? QString::number(line.depth) : QString());
        SetText(item, kScore, QString::fromStdString(line.score));
        SetText(item, kWork, WorkText(line));
        const QString moves = EndMark(line) + LineText(line);
        SetText(item, kMoves, moves);
        if (item.toolTip(kMoves) != moves)
            item.setToolTip(kMoves, moves);
    }
    const QString state = paused_ ? QStringLiteral("（休止中）")
                          : rows == 0 ? QStringLiteral("（思考中…）")
                                      : QString();
    LabelAnalysis->setText(state);  // the engine's name stands in its box
    const AnalysisLine* best = ShownLine(0);
    ComAnalysisBest->setEnabled(best && best->rank == 1);
    ComAnalysisAdd->setEnabled(ShownLine(ChosenRow()) != nullptr);
    emit Redrawn();
}

void AnalysisPanel::FitRows(int rows)
{
    // As high as the lines asked for: the move list keeps the rest. The
    // columns of figures as wide as their widest texts.
    rows_ = rows;
    const QFontMetrics metrics(font());
    QHeaderView* header = TreeAnalysis->header();
    header->resizeSection(kDepth, metrics.horizontalAdvance(QStringLiteral("深さ")) + 12);
    header->resizeSection(kScore, metrics.horizontalAdvance(QStringLiteral("−10.00")) + 12);
    header->resizeSection(kWork, metrics.horizontalAdvance(QStringLiteral("999.9M")) + 12);
    TreeAnalysis->setFixedHeight(header->sizeHint().height() + rows * (metrics.height() + 3) +
                                 2 * TreeAnalysis->frameWidth() + 2);
}

void AnalysisPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)  // the large-screen option
        FitRows(rows_);
}

QString AnalysisPanel::EndMark(const AnalysisLine& line) const
{
    // Only while the board shows the position the line starts from.
    if (!lineEndMark_ || line.coords.empty() || PositionKey(session_.Game()) != position_)
        return QString();
    const QString mark = lineEndMark_(session_.Game(), rootPly_, line.coords);
    return mark.isEmpty() ? QString() : QStringLiteral("〔") + mark + QStringLiteral("〕 ");
}

QString AnalysisPanel::LineText(const AnalysisLine& line) const
{
    // "12. Nf3 Nc6 13. Bb5", or from Black's move "12... Nc6 13. Bb5".
    QString text;
    int ply = rootPly_;
    for (const std::string& move : LineMoves(line, notation_)) {
        ++ply;
        const QString number = QString::number(MoveNumber(ply, firstMove_));
        if (IsWhitePly(ply))
            text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + number + QStringLiteral(". ");
        else if (text.isEmpty())
            text += number + QStringLiteral("... ");
        else
            text += QLatin1Char(' ');
        text += QString::fromStdString(move);
    }
    return text;
}

void AnalysisPanel::LineCountChosen(int count)
{
    if (!analysis_)
        return;
    // The engine is told with the next position: the present one again.
    FitRows(count);
    analysis_->setLineCount(count);
    position_.clear();
    FollowBoard();
}

int AnalysisPanel::ChosenRow() const
{
    const QList<QTreeWidgetItem*> chosen = TreeAnalysis->selectedItems();
    return chosen.isEmpty() ? 0 : TreeAnalysis->indexOfTopLevelItem(chosen.front());
}

const AnalysisLine* AnalysisPanel::ShownLine(int row) const
{
    if (!analysis_ || paused_ || PositionKey(session_.Game()) != position_)
        return nullptr;
    const std::vector<AnalysisLine>& lines = analysis_->lines();
    if (row < 0 || row >= static_cast<int>(lines.size()) || lines[static_cast<std::size_t>(row)].coords.empty())
        return nullptr;
    return &lines[static_cast<std::size_t>(row)];
}

void AnalysisPanel::PlayBest()
{
    // Always the best line's move, whichever line is chosen.
    const AnalysisLine* best = ShownLine(0);
    if (!best || best->rank != 1) {
        services_.Beep();
        return;
    }
    emit PlayMove(QString::fromStdString(best->coords.front()));
}

void AnalysisPanel::AddChosenLine()
{
    const AnalysisLine* line = ShownLine(ChosenRow());
    if (!line) {
        services_.Beep();
        return;
    }
    const std::vector<std::string> moves = line->coords;  // the lines may change while the record does
    // Moves past the end of the line on the board would read as played:
    // only when the user says so.
    if (RunsPastEnd(moves) &&
        services_.ShowMessage(window(),
                              QStringLiteral("この手順は棋譜の最後の手より先へ続き、変化手順にはなりません。"
                                             "棋譜の続きとして加えますか？"),
                              QStringLiteral("注意"), MessageIcon::Warning,
                              MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    const int placed = session_.AddLine(rootPly_, moves);
    if (placed > 0)
        emit RecordEdited();
    if (placed < static_cast<int>(moves.size()))
        Tell(placed == 0 ? QStringLiteral("この手順は棋譜に加えられません（棋譜は400手(半手)までです）。")
                         : QStringLiteral("棋譜は400手(半手)までです。手順の最初の%1手だけを加えました。").arg(placed),
             false);
}

bool AnalysisPanel::RunsPastEnd(const std::vector<std::string>& moves) const
{
    const GameState& game = session_.Game();
    int ply = rootPly_;
    for (const std::string& move : moves) {
        if (++ply > game.LastPly)
            return true;
        if (game.KifuCoord[ply] != move)
            return false;  // an alternative from here on
    }
    return false;
}

void AnalysisPanel::EngineLost(const QString& why)
{
    // Told once the engine's own signal is over: the panel ends the engine
    // and the objects that are still telling of its end.
    const QPointer<EngineProtocol> lost = engine_.get();
    readyWait_.stop();
    QTimer::singleShot(0, this, [this, lost, why] {
        if (!lost || lost != engine_.get())
            return;  // turned off, or on again with another engine, meanwhile
        TurnOff();
        emit TurnedOff();
        Tell(why, true);
    });
}

namespace {

QString RememberedEngine(WindowServices& services)
{
    const std::vector<std::string> lines = RememberedLines(services.Folders(), kAnalysisEngineFile);
    return lines.empty() ? QString() : QString::fromStdString(lines[0]);
}

}  // namespace

bool ChooseAnalysisEngine(WindowServices& services, const EngineConfig& gameEngine, EngineConfig& config)
{
    // A settings file whose engine program is not installed is passed over.
    const ProgramFolders folders = services.Folders();
    const QString programFolder = services.ProgramFolder();
    const auto usable = [&folders, &programFolder](const QString& name, EngineConfig& into) {
        std::string error;
        if (name.isEmpty() || !ReadMekFile(SettingsFileToRead(folders, name).toStdString(), into.EngSet, error) ||
            ResolveEnginePath(QString::fromStdString(into.EngSet.Path), programFolder).isEmpty())
            return false;
        into.EngLoaFg = true;
        into.EngFileName = name.toStdString();
        return true;
    };
    for (const QString& name : {RememberedEngine(services), QString::fromUtf8(kStrongestEngine)}) {
        EngineConfig candidate;
        if (usable(name, candidate)) {
            config = candidate;
            return true;
        }
    }
    config = gameEngine;
    return config.EngLoaFg;
}

void AnalysisPanel::ListEngines(const QString& chosen)
{
    const QSignalBlocker quiet(ComboAnalysisEngine);
    ComboAnalysisEngine->clear();
    for (const QString& name : EngineSettingsFiles(services_.Folders()))
        ComboAnalysisEngine->addItem(QFileInfo(name).completeBaseName(), name);
    if (ComboAnalysisEngine->findData(chosen) < 0)  // the game's engine, from no file of these folders
        ComboAnalysisEngine->addItem(engineName_.isEmpty() ? chosen : engineName_, chosen);
    ComboAnalysisEngine->setCurrentIndex(ComboAnalysisEngine->findData(chosen));
}

void AnalysisPanel::EngineChosen()
{
    const QString name = ComboAnalysisEngine->currentData().toString();
    if (name.isEmpty())
        return;
    std::string error;
    if (!RememberLines(services_.Folders(), kAnalysisEngineFile, {name.toStdString()}, error))
        Tell(QString::fromStdString(error), false);
    if (!TurnOn(gameEngine_))
        emit TurnedOff();
}

void AnalysisPanel::Tell(const QString& text, bool error)
{
    services_.ShowMessage(window(), text, error ? QStringLiteral("警告") : QStringLiteral("注意"),
                          error ? MessageIcon::Error : MessageIcon::Warning, MessageButtons::Ok);
}

}  // namespace vorlik
