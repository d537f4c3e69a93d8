#include "ReferencePanel.h"

#include "BookMovesView.h"
#include "WindowServices.h"
#include "engine/EngineAnalysis.h"
#include "records/ModuleMekFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vorlik {

namespace {

// One line beside "Vorlik.ini": the database opened last.
const char kReferenceFile[] = "VorlikReference.ini";

enum Column { kMove, kGames, kShare, kWhite, kDraw, kBlack, kBar, kScore, kElo, kPerf, kYear, kColumns };
enum GameColumn { kGameWhite, kGameBlack, kGameResult, kGameDate, kGameEvent, kGamePly, kGameColumns };
constexpr int kResultsRole = Qt::UserRole + 1;  // white wins, draws, black wins of a row, for its bar

QString Text(const std::string& text) { return QString::fromStdString(text); }

// White wins, draws and black wins side by side in one small bar.
class ResultBar : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QVariantList results = index.data(kResultsRole).toList();
        double total = 0;
        for (const QVariant& value : results)
            total += value.toDouble();
        if (results.size() != 3 || total <= 0)
            return;
        const QRectF bar = QRectF(option.rect).adjusted(2, 4, -2, -4);
        const QColor colours[] = {QColor(0xF4, 0xF4, 0xF0), QColor(0xA8, 0xA8, 0xA8), QColor(0x30, 0x30, 0x30)};
        double left = bar.left();
        painter->save();
        painter->setPen(Qt::NoPen);
        for (int k = 0; k < 3; ++k) {
            const double width = bar.width() * results[k].toDouble() / total;
            painter->fillRect(QRectF(left, bar.top(), width, bar.height()), colours[k]);
            left += width;
        }
        painter->setPen(QColor(0x60, 0x60, 0x60));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(bar);
        painter->restore();
    }
};

QString Figure(int value) { return value < 0 ? QStringLiteral("-") : QString::number(value); }

void FillTallyRow(QTreeWidgetItem& item, const MoveTally& tally, long total, bool whiteToMove)
{
    item.setText(kGames, QString::number(tally.games));
    item.setText(kShare, total > 0 ? QString::number(100.0 * tally.games / total, 'f', 1) + QLatin1Char('%') : QString());
    item.setText(kWhite, QString::number(tally.whiteWins));
    item.setText(kDraw, QString::number(tally.draws));
    item.setText(kBlack, QString::number(tally.blackWins));
    item.setData(kBar, kResultsRole, QVariantList{qlonglong(tally.whiteWins), qlonglong(tally.draws), qlonglong(tally.blackWins)});
    const double score = ScorePercent(tally, whiteToMove);
    item.setText(kScore, score < 0 ? QStringLiteral("-") : QString::number(score, 'f', 1) + QLatin1Char('%'));
    item.setText(kElo, Figure(AverageElo(tally)));
    item.setText(kPerf, Figure(Performance(tally)));
    item.setText(kYear, tally.lastYear > 0 ? QString::number(tally.lastYear) : QStringLiteral("-"));
    for (int column = kGames; column < kColumns; ++column)
        item.setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

QTreeWidget* MakeTree(const char* name, const QStringList& headers)
{
    auto* tree = new QTreeWidget;
    tree->setObjectName(QString::fromUtf8(name));
    tree->setColumnCount(static_cast<int>(headers.size()));
    tree->setHeaderLabels(headers);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setAllColumnsShowFocus(true);
    tree->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    tree->header()->setSectionsMovable(false);
    return tree;
}

QSpinBox* MakeSpin(const char* name, int maximum, int step, const QString& tip)
{
    auto* spin = new QSpinBox;
    spin->setObjectName(QString::fromUtf8(name));
    spin->setRange(0, maximum);
    spin->setSingleStep(step);
    spin->setSpecialValueText(QStringLiteral("—"));  // 0: no bound
    spin->setToolTip(tip);
    return spin;
}

}  // namespace

bool OpenReferenceGame(KifuHost& host, const ReferenceGame& game)
{
    KifuFile file;  // no file: "保存" asks where, as for a new game
    const ScanReport report = ScanKifuText(file, game.kind, game.text);
    if (!report.ok || file.KifuCount < 1) {
        host.ShowMessage(report.message.empty() ? "このゲームを読めません。" : report.message, "警告",
                         KifuHost::Icon::Error);
        return false;
    }
    if (!LoadGame(host, file, game.kind, 1))
        return false;
    GameSession& session = host.Session();
    if (!session.GoToPly(std::min(game.ply, session.Game().LastPly)))
        session.GoToPly(session.Game().LastPly);
    return true;
}

ReferencePanel::ReferencePanel(WindowServices& services, GameSession& session, QWidget* parent)
    : WindowPanel(parent), services_(services), session_(session), queries_(std::make_unique<ReferenceQueries>())
{
    setObjectName(QStringLiteral("ReferencePanel"));
    LabelReference = new QLabel;
    LabelReference->setObjectName(QStringLiteral("LabelReference"));
    LabelReference->setWordWrap(true);
    LabelReference->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    // Short headings, so that every column fits beside the board; the whole name as the tip.
    TreeReference = MakeTree("TreeReference", {QStringLiteral("手"), QStringLiteral("局数"), QStringLiteral("割合"),
                                               QStringLiteral("白"), QStringLiteral("分"), QStringLiteral("黒"),
                                               QStringLiteral("結果"), QStringLiteral("得点"), QStringLiteral("R"),
                                               QStringLiteral("Perf"), QStringLiteral("年")});
    const char* const tips[kColumns] = {"手", "局数", "この手の割合", "白勝", "引分", "黒勝", "白勝・引分・黒勝",
                                        "手番の側の得点率", "手番の側の平均レーティング", "手番の側のパフォーマンス",
                                        "最後に指された年"};
    for (int column = 0; column < kColumns; ++column)
        TreeReference->headerItem()->setToolTip(column, QString::fromUtf8(tips[column]));
    TreeReference->setItemDelegateForColumn(kBar, new ResultBar(TreeReference));
    TreeReference->setToolTip(QStringLiteral("ダブルクリックでその手を指します"));
    connect(TreeReference, &QTreeWidget::itemDoubleClicked, this, &ReferencePanel::TreeActivated);

    ListReferenceDesk = new QListWidget;
    ListReferenceDesk->setObjectName(QStringLiteral("ListReferenceDesk"));
    ListReferenceDesk->setToolTip(QStringLiteral("通信対局一覧の進行中のゲーム（ダブルクリックで開きます）"));
    ListReferenceDesk->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    ListReferenceDesk->hide();
    connect(ListReferenceDesk, &QListWidget::itemDoubleClicked, this, &ReferencePanel::DeskActivated);

    TreeReferenceGames = MakeTree("TreeReferenceGames", {QStringLiteral("白"), QStringLiteral("黒"), QStringLiteral("結果"),
                                                         QStringLiteral("日付"), QStringLiteral("イベント"),
                                                         QStringLiteral("手数")});
    TreeReferenceGames->setToolTip(QStringLiteral("ダブルクリックでゲームをこの局面で開きます"));
    connect(TreeReferenceGames, &QTreeWidget::itemDoubleClicked, this, &ReferencePanel::GameActivated);
    ComReferenceMore = new QPushButton(QStringLiteral("さらに表示"));
    ComReferenceMore->setObjectName(QStringLiteral("ComReferenceMore"));
    ComReferenceMore->setAutoDefault(false);
    connect(ComReferenceMore, &QPushButton::clicked, this, &ReferencePanel::MoreGames);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(LabelReference);
    BuildFilters(layout);
    layout->addWidget(TreeReference, 3);
    belowTree_ = new QVBoxLayout;
    belowTree_->setContentsMargins(0, 0, 0, 0);
    belowTree_->addWidget(ListReferenceDesk);
    layout->addLayout(belowTree_);
    // The games of the position and the book's moves take turns in one
    // place: beside the board the panel has room for one list under the tree.
    bookView_ = new BookMovesView(services_);
    connect(bookView_, &BookMovesView::PlayMove, this, &WindowPanel::PlayMove);
    auto* games = new QWidget;
    auto* gamesLayout = new QVBoxLayout(games);
    gamesLayout->setContentsMargins(0, 0, 0, 0);
    gamesLayout->setSpacing(2);
    gamesLayout->addWidget(TreeReferenceGames, 1);
    gamesLayout->addWidget(ComReferenceMore, 0, Qt::AlignRight);
    auto* lower = new QTabWidget;
    lower->setObjectName(QStringLiteral("TabReference"));
    lower->setDocumentMode(true);
    lower->addTab(games, QStringLiteral("ゲーム"));
    lower->addTab(bookView_, QStringLiteral("定跡"));
    layout->addWidget(lower, 2);
    // As narrow as the move list lets it be, and no taller than a few rows
    // of each list need: the window keeps its size and the board its room.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    setMinimumHeight(fontMetrics().height() * 12);

    connect(queries_.get(), &ReferenceQueries::Answered, this, &ReferencePanel::Answered);
    connect(&session_, &GameSession::RecordChanged, this, &ReferencePanel::BoardChanged);
    connect(&session_, &GameSession::PhaseChanged, this, &ReferencePanel::BoardChanged);
    filterDelay_.setSingleShot(true);
    filterDelay_.setInterval(400);  // a number typed digit by digit is asked about once
    connect(&filterDelay_, &QTimer::timeout, this, &ReferencePanel::FilterChanged);
    deskDelay_.setSingleShot(true);
    deskDelay_.setInterval(500);  // a save writes the backup, then the file
    connect(&deskDelay_, &QTimer::timeout, this, [this] {
        if (!WatchDesk())
            ReadDesk();
    });
    connect(&deskWatch_, &QFileSystemWatcher::directoryChanged, &deskDelay_, qOverload<>(&QTimer::start));
    connect(&deskWatch_, &QFileSystemWatcher::fileChanged, &deskDelay_, qOverload<>(&QTimer::start));

    const std::vector<std::string> lines = RememberedLines(services_.Folders(), kReferenceFile);
    if (!lines.empty() && !lines[0].empty()) {
        databaseFile_ = Text(lines[0]);
        openSerial_ = queries_->Open(lines[0]);  // opened at start, off the window's thread
    }
    hide();
}

ReferencePanel::~ReferencePanel()
{
    // The name box tells its editing finished as it loses the focus to its
    // own destruction: the panel is no longer there to hear it.
    disconnect(TextReferencePlayer, nullptr, this, nullptr);
    if (deskReader_) {
        deskReader_->wait();
        delete deskReader_;
    }
}

void ReferencePanel::BuildFilters(QVBoxLayout* layout)
{
    TextReferencePlayer = new QLineEdit;
    TextReferencePlayer->setObjectName(QStringLiteral("TextReferencePlayer"));
    TextReferencePlayer->setPlaceholderText(QStringLiteral("選手"));
    TextReferencePlayer->setToolTip(QStringLiteral("この選手が手番のゲームだけ（名前の最初の文字だけでも可）"));
    TextReferencePlayer->setClearButtonEnabled(true);
    TextReferencePlayer->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Player 0000")) + 24);
    connect(TextReferencePlayer, &QLineEdit::editingFinished, this, &ReferencePanel::FilterChanged);
    ComReferenceOpponent = new QPushButton(QStringLiteral("相手の手だけ"));
    ComReferenceOpponent->setObjectName(QStringLiteral("ComReferenceOpponent"));
    ComReferenceOpponent->setAutoDefault(false);
    ComReferenceOpponent->setToolTip(QStringLiteral("盤のゲームの相手が指したゲームだけにします"));
    connect(ComReferenceOpponent, &QPushButton::clicked, this, &ReferencePanel::OpponentOnly);
    SpinReferenceYearFrom = MakeSpin("SpinReferenceYearFrom", 2100, 1, QStringLiteral("この年から"));
    SpinReferenceYearTo = MakeSpin("SpinReferenceYearTo", 2100, 1, QStringLiteral("この年まで"));
    SpinReferenceElo = MakeSpin("SpinReferenceElo", 3500, 50, QStringLiteral("手番の側のレーティングの下限"));
    SpinReferenceElo->setPrefix(QStringLiteral("R≥"));
    for (QSpinBox* spin : {SpinReferenceYearFrom, SpinReferenceYearTo, SpinReferenceElo}) {
        connect(spin, &QSpinBox::valueChanged, &filterDelay_, qOverload<>(&QTimer::start));
        // As wide as their widest value: the player's name keeps the room.
        spin->setMaximumWidth(fontMetrics().horizontalAdvance(spin->prefix() + QStringLiteral("0000")) + 34);
    }
    auto* clear = new QPushButton(QStringLiteral("解除"));
    clear->setObjectName(QStringLiteral("ComReferenceClear"));
    clear->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, &ReferencePanel::ClearFilter);
    // Two rows: beside the board one is too narrow for a name and the numbers.
    auto* player = new QHBoxLayout;
    player->setContentsMargins(0, 0, 0, 0);
    player->addWidget(TextReferencePlayer, 1);
    player->addWidget(ComReferenceOpponent);
    player->addWidget(clear);
    auto* numbers = new QHBoxLayout;
    numbers->setContentsMargins(0, 0, 0, 0);
    numbers->addWidget(new QLabel(QStringLiteral("年")));
    numbers->addWidget(SpinReferenceYearFrom);
    numbers->addWidget(new QLabel(QStringLiteral("〜")));
    numbers->addWidget(SpinReferenceYearTo);
    numbers->addSpacing(8);
    numbers->addWidget(SpinReferenceElo);
    numbers->addStretch(1);
    layout->addLayout(player);
    layout->addLayout(numbers);
}

void ReferencePanel::AddBelowTree(QWidget* widget) { belowTree_->addWidget(widget); }

void ReferencePanel::TurnOn()
{
    on_ = true;
    show();
    if (!databaseError_.isEmpty() && toldError_ != databaseError_)
        DatabaseFailed(databaseError_.toStdString(), true);
    WatchDesk();
    FollowBoard(true);
}

void ReferencePanel::TurnOff()
{
    on_ = false;
    hide();
}

void ReferencePanel::SetNotation(NotationStyle notation)
{
    notation_ = notation;
    if (on_)
        bookView_->ShowPosition(session_.Game(), session_.Game().CurPly, notation_);
    if (on_ && shown_.question.serial) {
        ShowTree(shown_);
        ShowDeskGames();
    }
}

// ---- the database ------------------------------------------------------------

void ReferencePanel::ChooseDatabase()
{
    int entry = 1;
    const QString folder = databaseFile_.isEmpty() ? QString() : QFileInfo(databaseFile_).absolutePath();
    const QString name = services_.OpenFileName(this, QStringLiteral("参考データベースを開く"), folder,
                                                QtFilter(QStringLiteral("参考データベース(*.vdb)|*.vdb|")), &entry);
    if (!name.isEmpty())
        OpenDatabase(name);
}

void ReferencePanel::OpenDatabase(const QString& fileName)
{
    databaseFile_ = QFileInfo(fileName).absoluteFilePath();
    databaseOpen_ = false;
    databaseError_.clear();
    toldError_.clear();
    openSerial_ = queries_->Open(databaseFile_.toStdString());
    std::string error;
    if (!RememberLines(services_.Folders(), kReferenceFile, {databaseFile_.toStdString()}, error))
        services_.ShowMessage(this, Text(error), QStringLiteral("警告"), MessageIcon::Error, MessageButtons::Ok);
    askedAny_ = false;
    FollowBoard(true);
}

void ReferencePanel::DatabaseChanged()
{
    if (databaseError_.isEmpty() && !databaseFile_.isEmpty())
        FollowBoard(true);
}

void ReferencePanel::ChooseImport()
{
    if (import_ && import_->Running()) {
        services_.Beep();  // one import at a time: its dialog is open
        return;
    }
    int entry = 1;
    const QString folder = databaseFile_.isEmpty() ? QString() : QFileInfo(databaseFile_).absolutePath();
    const QString file = services_.OpenFileName(window(), QStringLiteral("参考データベースに追加"), folder,
                                                QtFilter(QStringLiteral("棋譜ファイル(*.pgn;*.csv)|*.pgn;*.csv|")), &entry);
    if (file.isEmpty())
        return;
    QString database = databaseError_.isEmpty() ? databaseFile_ : QString();
    if (database.isEmpty()) {
        database = services_.SaveFileName(window(), QStringLiteral("新しい参考データベース"), QFileInfo(file).absolutePath(),
                                          QtFilter(QStringLiteral("参考データベース(*.vdb)|*.vdb|")), &entry);
        if (database.isEmpty())
            return;
        if (QFileInfo(database).suffix().isEmpty())
            database += QStringLiteral(".vdb");
    }
    if (!import_) {
        import_ = std::make_unique<ReferenceImport>(services_, window());
        connect(import_.get(), &ReferenceImport::Finished, this, [this](const QString& done, bool imported) {
            if (!imported)
                return;
            if (QFileInfo(done).absoluteFilePath() != databaseFile_)
                OpenDatabase(done);
            else
                DatabaseChanged();
        });
    }
    import_->Start(database, file);
}

void ReferencePanel::DatabaseFailed(const std::string& error, bool lasting)
{
    // A file that does not open stays unread until another is chosen; a
    // question that failed (the database busy too long) is asked again at
    // the next position.
    databaseOpen_ = databaseOpen_ && !lasting;
    const QString why = Text(error);
    if (lasting)
        databaseError_ = why;
    TreeReference->clear();
    TreeReferenceGames->clear();
    ComReferenceMore->hide();
    askedAny_ = false;
    ShowHeading();
    if (!lasting)
        LabelReference->setText(QFileInfo(databaseFile_).fileName() + QStringLiteral(": 読めません。") + why);
    // Told once, while the panel is there to say it again.
    if (on_ && toldError_ != why) {
        toldError_ = why;
        services_.ShowMessage(this, QStringLiteral("参考データベースを読めません。\n") + why, QStringLiteral("警告"),
                              MessageIcon::Error, MessageButtons::Ok);
    }
}

// ---- the position on the board ---------------------------------------------------

void ReferencePanel::BoardChanged()
{
    // A game loaded from a file changes the record at every move: the tree
    // is asked for the position it ends on, once.
    if (on_)
        FollowLater([this] { FollowBoard(); });
}

void ReferencePanel::FollowBoard(bool again)
{
    if (!on_ || session_.SetupOpen())
        return;  // a position being set up is no position of the record yet
    ShowDeskGames();
    bookView_->ShowPosition(session_.Game(), session_.Game().CurPly, notation_);
    if (databaseFile_.isEmpty() || !databaseError_.isEmpty()) {
        ShowHeading();
        return;
    }
    const BoardPosition position = PositionOnBoard(session_.Game());
    const QueryFilter filter = Filter();
    if (!again && askedAny_ && position == asked_ && filter.player == askedFilter_.player &&
        filter.yearFrom == askedFilter_.yearFrom && filter.yearTo == askedFilter_.yearTo &&
        filter.minElo == askedFilter_.minElo)
        return;  // a note or a comment changed beside it: the same position
    asked_ = position;
    askedFilter_ = filter;
    askedAny_ = true;
    shownPly_ = session_.Game().CurPly;
    treeSerial_ = queries_->AskTree(position, filter, kPage);
    gamesSerial_ = 0;
    // The old tree stays until the new one comes: no flicker while stepping.
}

void ReferencePanel::Answered(const ReferenceAnswer& answer)
{
    const std::uint64_t serial = answer.question.serial;
    if (serial == openSerial_) {
        databaseOpen_ = answer.ok;
        if (!answer.ok)
            DatabaseFailed(answer.error, true);
        else
            ShowHeading();
    } else if (serial == treeSerial_) {
        if (!answer.ok)
            return DatabaseFailed(answer.error, false);
        ShowTree(answer);
        TreeReferenceGames->clear();
        gamesListed_ = 0;
        AddGames(answer.games);
        emit TreeShown();
    } else if (serial == gamesSerial_ && answer.ok) {
        AddGames(answer.games);
    } else if (serial == gameSerial_ && answer.ok) {
        emit OpenGame({answer.kind == "csv" ? kKindCsv : kKindPgn, answer.text, pendingPly_});
    } else if (serial == gameSerial_) {
        services_.ShowMessage(this, Text(answer.error), QStringLiteral("警告"), MessageIcon::Error, MessageButtons::Ok);
    }
    // Anything else answers a question about a position already left: dropped.
}

QString ReferencePanel::MoveText(int move) const
{
    // The move as the list writes it, played by the rules on the position shown.
    AnalysisLine line;
    PlayLine(RootOf(session_.Game(), shownPly_), {DecodeMove(move)}, line);
    const std::vector<std::string>& texts = LineMoves(line, notation_);
    return texts.empty() ? Text(DecodeMove(move)) : Text(texts[0]);
}

void ReferencePanel::ShowTree(const ReferenceAnswer& answer)
{
    shown_ = answer;
    const TreeAnswer& tree = answer.tree;
    const bool white = answer.question.position.whiteToMove;
    TreeReference->clear();
    QList<QTreeWidgetItem*> items;
    for (const MoveTally& tally : tree.moves) {
        auto* item = new QTreeWidgetItem;
        item->setText(kMove, MoveText(tally.move));
        item->setData(kMove, Qt::UserRole, tally.move);
        FillTallyRow(*item, tally, tree.total, white);
        items.append(item);
    }
    if (tree.total > 0) {
        MoveTally all;  // the totals row: every game that reached the position
        all.games = tree.total;
        all.whiteWins = tree.whiteWins;
        all.draws = tree.draws;
        all.blackWins = tree.blackWins;
        for (const MoveTally& tally : tree.moves) {
            all.eloSum += tally.eloSum;
            all.eloCount += tally.eloCount;
            all.opponentSum += tally.opponentSum;
            all.opponentCount += tally.opponentCount;
            all.pointsAgainstRated += tally.pointsAgainstRated;
            all.lastYear = std::max(all.lastYear, tally.lastYear);
        }
        auto* item = new QTreeWidgetItem;
        item->setText(kMove, QStringLiteral("合計"));
        FillTallyRow(*item, all, tree.total, white);
        QFont bold = item->font(kMove);
        bold.setBold(true);
        for (int column = 0; column < kColumns; ++column)
            item->setFont(column, bold);
        items.append(item);
    }
    TreeReference->addTopLevelItems(items);
    for (int column = 0; column < kColumns; ++column)
        if (column != kBar)
            TreeReference->resizeColumnToContents(column);
    TreeReference->setColumnWidth(kBar, 48);
    ShowHeading();
}

void ReferencePanel::AddGames(const std::vector<GameRow>& rows)
{
    QList<QTreeWidgetItem*> items;
    for (const GameRow& row : rows) {
        auto* item = new QTreeWidgetItem({Text(row.white), Text(row.black), Text(row.result), Text(row.date),
                                          Text(row.event), QString::number(row.ply)});
        item->setData(kGameWhite, Qt::UserRole, qlonglong(row.id));
        item->setData(kGamePly, Qt::UserRole, row.ply);
        item->setTextAlignment(kGamePly, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    TreeReferenceGames->addTopLevelItems(items);
    if (gamesListed_ == 0)
        for (int column = 0; column < kGameColumns; ++column)
            TreeReferenceGames->resizeColumnToContents(column);
    gamesListed_ += static_cast<long>(rows.size());
    // A full page: there may be more.
    ComReferenceMore->setVisible(static_cast<long>(rows.size()) == kPage);
}

void ReferencePanel::MoreGames()
{
    if (!shown_.question.serial)
        return;
    gamesSerial_ = queries_->AskGames(shown_.question.position, shown_.question.filter, gamesListed_, kPage);
    ComReferenceMore->hide();
}

void ReferencePanel::ShowHeading()
{
    QStringList parts;
    if (databaseFile_.isEmpty()) {
        LabelReference->setText(QStringLiteral("参考データベースがありません。「ファイル」→「参考データベースを開く...」で選んでください。"));
        return;
    }
    parts << QFileInfo(databaseFile_).fileName();
    if (!databaseError_.isEmpty()) {
        LabelReference->setText(parts.join(QString()) + QStringLiteral(": 読めません。") + databaseError_);
        return;
    }
    if (!shown_.eco.empty())
        parts << Text(shown_.eco + " " + shown_.opening);
    const QueryFilter& filter = shown_.question.filter;
    QStringList on;
    if (!filter.player.empty())
        on << QStringLiteral("選手 %1").arg(Text(filter.player));
    if (filter.yearFrom || filter.yearTo)
        on << QStringLiteral("%1〜%2年").arg(filter.yearFrom ? QString::number(filter.yearFrom) : QString(),
                                            filter.yearTo ? QString::number(filter.yearTo) : QString());
    if (filter.minElo)
        on << QStringLiteral("R%1以上").arg(filter.minElo);
    if (!on.isEmpty())
        parts << QStringLiteral("絞り込み: ") + on.join(QStringLiteral(", "));
    if (shown_.question.serial && shown_.tree.total == 0)
        parts << QStringLiteral("この局面のゲームはありません");
    LabelReference->setText(parts.join(QStringLiteral(" ・ ")));
}

// ---- the user's choices ------------------------------------------------------------

void ReferencePanel::TreeActivated(QTreeWidgetItem* item)
{
    const int move = item ? item->data(kMove, Qt::UserRole).toInt() : 0;
    // Only while the board still shows the position the tree is of.
    if (move && PositionOnBoard(session_.Game()) == shown_.question.position)
        emit PlayMove(Text(DecodeMove(move)));
}

void ReferencePanel::GameActivated(QTreeWidgetItem* item)
{
    if (!item)
        return;
    gameSerial_ = queries_->AskGame(item->data(kGameWhite, Qt::UserRole).toLongLong());
    pendingPly_ = item->data(kGamePly, Qt::UserRole).toInt();
}

QueryFilter ReferencePanel::Filter() const
{
    QueryFilter filter;
    filter.player = TextReferencePlayer->text().trimmed().toStdString();
    filter.yearFrom = SpinReferenceYearFrom->value();
    filter.yearTo = SpinReferenceYearTo->value();
    filter.minElo = SpinReferenceElo->value();
    return filter;
}

void ReferencePanel::FilterChanged()
{
    filterDelay_.stop();
    FollowBoard();
}

void ReferencePanel::OpponentOnly()
{
    // The opponent is the one who is not the desk's player; with no desk
    // name on the board's game, the side to move.
    const GameHeader& header = session_.Header();
    const QString white = Text(header.Field[5]).trimmed(), black = Text(header.Field[6]).trimmed();
    QString opponent;
    if (!deskMe_.isEmpty() && white == deskMe_)
        opponent = black;
    else if (!deskMe_.isEmpty() && black == deskMe_)
        opponent = white;
    else
        opponent = PositionOnBoard(session_.Game()).whiteToMove ? white : black;
    if (opponent.isEmpty()) {
        services_.Beep();
        return;
    }
    TextReferencePlayer->setText(opponent);
    FilterChanged();
}

void ReferencePanel::ClearFilter()
{
    for (QSpinBox* spin : {SpinReferenceYearFrom, SpinReferenceYearTo, SpinReferenceElo}) {
        const QSignalBlocker quiet(spin);
        spin->setValue(0);
    }
    TextReferencePlayer->clear();
    FilterChanged();
}

}  // namespace vorlik
