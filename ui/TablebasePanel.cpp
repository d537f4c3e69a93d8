#include "TablebasePanel.h"

#include "DialogTbClaim.h"

#include "WindowServices.h"
#include "core/FenText.h"
#include "core/ModuleMekMoveCheck.h"

#include <QEvent>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace vorlik {

namespace {

enum Column { kMove, kOutcome, kDtz, kColumns };

// One line beside "Vorlik.ini": the folders of the tables, as typed.
const char kFolderFile[] = "VorlikTablebase.ini";
constexpr int kLineEndsKept = 512;
constexpr int kRowsShown = 5;  // the analysis' line ends remembered
constexpr int kDecidedCp = 1000;    // the review's "decided": ten pawns

QColor ResultColour(TbResult result)
{
    switch (result) {
    case TbResult::Win: return QColor(0x1B, 0x7A, 0x1B);
    case TbResult::CursedWin: return QColor(0x6B, 0x80, 0x23);
    case TbResult::Draw: return QColor(0x50, 0x50, 0x50);
    case TbResult::BlessedLoss: return QColor(0xC0, 0x60, 0x00);
    case TbResult::Loss: return QColor(0xB0, 0x10, 0x10);
    }
    return QColor();
}

QStringList FolderList(const QString& folders) { return folders.split(QLatin1Char(':'), Qt::SkipEmptyParts); }

// Two positions alike for the tables are one key.
QString PositionKey(const TbPosition& position)
{
    QByteArray key(reinterpret_cast<const char*>(&position.board), sizeof(position.board));
    key += QByteArray::number(position.whiteToMove) + ',' + QByteArray::number(position.castling) + ',' +
           QByteArray::number(position.passedFile);
    return QString::fromLatin1(key.toHex());
}

}  // namespace

QString TbResultText(TbResult result, bool white)
{
    const QString side = white ? QStringLiteral("白") : QStringLiteral("黒");
    const QString other = white ? QStringLiteral("黒") : QStringLiteral("白");
    switch (result) {
    case TbResult::Win: return side + QStringLiteral("の勝ち");
    case TbResult::CursedWin: return side + QStringLiteral("の勝ち (50手規則で引き分け)");
    case TbResult::Draw: return QStringLiteral("引き分け");
    case TbResult::BlessedLoss: return other + QStringLiteral("の勝ち (50手規則で引き分け)");
    case TbResult::Loss: return other + QStringLiteral("の勝ち");
    }
    return QString();
}

std::optional<PositionVerdict> TableVerdict(const Tablebase& tables, const GameState& game, int ply)
{
    const TbPosition position = TbPositionAt(game, ply);
    const TbAnswer answer = tables.probe(position);
    if (!answer.found || answer.moves.empty())
        return std::nullopt;
    // A win the fifty-move rule turns into a draw is a draw on the board.
    int mover = 0;
    if (answer.result == TbResult::Win)
        mover = kDecidedCp;
    else if (answer.result == TbResult::Loss)
        mover = -kDecidedCp;
    const int white = position.whiteToMove ? mover : -mover;
    PositionVerdict verdict;
    verdict.score = EngineScore{};
    verdict.score->value = white;
    verdict.text = white > 0 ? "TB:1-0" : white < 0 ? "TB:0-1" : "TB:1/2";
    verdict.line = {answer.moves.front().coord};
    return verdict;
}

TablebasePanel::TablebasePanel(WindowServices& services, GameSession& session, QWidget* parent)
    : WindowPanel(parent), services_(services), session_(session)
{
    setObjectName(QStringLiteral("TablebasePanel"));
    LabelTablebase = new QLabel;
    LabelTablebase->setObjectName(QStringLiteral("LabelTablebase"));
    LabelTablebase->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabelTablebase->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* folder = new QLineEdit;
    folder->setObjectName(QStringLiteral("TextTablebaseFolder"));
    folder->setPlaceholderText(QStringLiteral("終盤データベース(Syzygy)のフォルダ"));
    folder->setToolTip(QStringLiteral("複数のフォルダは「:」で区切ります"));
    connect(folder, &QLineEdit::editingFinished, this, [this, folder] {
        if (folder->text().trimmed() != folders_)
            SetFolders(folder->text());
    });
    ComTablebaseFolder = new QPushButton(QStringLiteral("フォルダ..."));
    ComTablebaseFolder->setObjectName(QStringLiteral("ComTablebaseFolder"));
    ComTablebaseFolder->setAutoDefault(false);
    connect(ComTablebaseFolder, &QPushButton::clicked, this, &TablebasePanel::ChooseFolder);

    TreeTablebase = new QTreeWidget;
    TreeTablebase->setObjectName(QStringLiteral("TreeTablebase"));
    TreeTablebase->setColumnCount(kColumns);
    TreeTablebase->setHeaderLabels({QStringLiteral("手"), QStringLiteral("結果"), QStringLiteral("DTZ")});
    TreeTablebase->setRootIsDecorated(false);
    TreeTablebase->setUniformRowHeights(true);
    TreeTablebase->setAllColumnsShowFocus(true);
    TreeTablebase->setToolTip(QStringLiteral("ダブルクリックでその手を指します"));
    TreeTablebase->header()->setStretchLastSection(false);
    TreeTablebase->header()->setSectionResizeMode(kOutcome, QHeaderView::Stretch);
    connect(TreeTablebase, &QTreeWidget::itemDoubleClicked, this, &TablebasePanel::PlayChosen);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(LabelTablebase, 1);
    top->addWidget(folder, 1);
    top->addWidget(ComTablebaseFolder);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addWidget(TreeTablebase);

    FitRows();
    const std::vector<std::string> remembered = RememberedLines(services_.Folders(), kFolderFile);
    folders_ = remembered.empty() ? QString() : QString::fromStdString(remembered.front()).trimmed();
    folder->setText(folders_);
    connect(&session_, &GameSession::RecordChanged, this, &TablebasePanel::BoardChanged);
    hide();
}

TablebasePanel::~TablebasePanel() = default;  // a question still out keeps its own tables

void TablebasePanel::FitRows()
{
    // Five moves in view, the rest a scroll away: the move list keeps its room.
    const QFontMetrics metrics(font());
    TreeTablebase->setFixedHeight(TreeTablebase->header()->sizeHint().height() + kRowsShown * (metrics.height() + 3) +
                                  2 * TreeTablebase->frameWidth() + 2);
}

void TablebasePanel::changeEvent(QEvent* event)
{
    WindowPanel::changeEvent(event);
    if (event->type() == QEvent::FontChange)  // the large-screen option
        FitRows();
}

void TablebasePanel::TurnOn()
{
    on_ = true;
    shownKey_.clear();
    show();
    Probe();
}

void TablebasePanel::TurnOff()
{
    on_ = false;
    ++generation_;  // an answer still on its way is dropped
    shown_ = TbAnswer{};
    shownKey_.clear();
    TreeTablebase->clear();
    hide();
}

void TablebasePanel::SetNotation(NotationStyle notation)
{
    notation_ = notation;
    if (on_ && shown_.found)
        ShowMoves();
}

void TablebasePanel::SetFolders(const QString& folders)
{
    folders_ = folders.trimmed();
    if (auto* box = findChild<QLineEdit*>(QStringLiteral("TextTablebaseFolder")); box && box->text() != folders_)
        box->setText(folders_);
    std::string error;
    if (!RememberLines(services_.Folders(), kFolderFile, {folders_.toStdString()}, error))
        TellOnce(QString::fromStdString(error));
    tables_.reset();
    opened_ = false;
    told_.clear();
    lineEnds_.clear();
    shownKey_.clear();
    ++generation_;
    if (on_)
        Probe();
}

void TablebasePanel::ChooseFolder()
{
    const QStringList list = FolderList(folders_);
    const QString chosen = services_.FolderName(window(), QStringLiteral("終盤データベースのフォルダ"),
                                                list.isEmpty() ? QString() : list.front());
    if (!chosen.isEmpty())
        SetFolders(chosen);
}

bool TablebasePanel::FoldersThere()
{
    if (!opened_)
        return true;
    for (const QString& folder : FolderList(folders_)) {
        if (QFileInfo(folder).isDir() != present_.contains(folder)) {
            // A folder went (or came back): its tables are let go, the rest
            // opened anew, and the user told.
            tables_.reset();
            opened_ = false;
            lineEnds_.clear();
            return false;
        }
    }
    return true;
}

std::shared_ptr<const Tablebase> TablebasePanel::Tables()
{
    if (folders_.isEmpty())
        return nullptr;
    FoldersThere();
    if (!opened_) {
        opened_ = true;
        present_.clear();
        for (const QString& folder : FolderList(folders_))
            if (QFileInfo(folder).isDir())
                present_.insert(folder);
        auto tables = std::make_shared<const Tablebase>(folders_);
        const QStringList problems = tables->report().problems;
        if (!problems.isEmpty())
            TellOnce(QStringLiteral("終盤データベースのフォルダに使えないものがあります。ほかのファイルは使います。\n\n") +
                     problems.join(QLatin1Char('\n')));
        tables_ = tables->usable() ? tables : nullptr;
    }
    return tables_;
}

void TablebasePanel::TellOnce(const QString& text)
{
    if (text == told_)
        return;
    told_ = text;
    // Told once the change that found it is handled: no question opens in
    // the middle of a redraw.
    QTimer::singleShot(0, this, [this, text] {
        services_.ShowMessage(window(), text, QStringLiteral("注意"), MessageIcon::Warning, MessageButtons::Ok);
    });
}

void TablebasePanel::BoardChanged()
{
    // A game loaded from a file changes the record at every move: the tables
    // are asked about the position it ends on, once.
    if (on_)
        FollowLater([this] { Probe(); });
}

void TablebasePanel::Probe()
{
    if (!on_)
        return;
    const GameState& game = session_.Game();
    const std::string key = WriteFenText(game, game.CurPly);
    if (key == shownKey_ && FoldersThere())
        return;  // a note or a comment: the position is the same
    // Nothing of the position left stays on view.
    shown_ = TbAnswer{};
    shownKey_.clear();
    TreeTablebase->clear();
    const int generation = ++generation_;
    if (folders_.isEmpty()) {
        ShowStatus(QStringLiteral("終盤データベースのフォルダが選ばれていません。「フォルダ...」で選んでください。"));
        emit Answered();
        return;
    }
    const std::shared_ptr<const Tablebase> tables = Tables();
    if (!tables) {
        ShowStatus(QStringLiteral("このフォルダには使える終盤データベースがありません：") + folders_);
        emit Answered();
        return;
    }
    if (asking_) {
        ShowStatus(QStringLiteral("調べています…"));
        return;  // asked again when the question out comes back
    }
    const TbPosition position = TbPositionAt(game, game.CurPly);
    asking_ = true;
    auto* watcher = new QFutureWatcher<TbAnswer>(this);
    connect(watcher, &QFutureWatcher<TbAnswer>::finished, this, [this, watcher, key, position, generation] {
        watcher->deleteLater();
        asking_ = false;
        const GameState& now = session_.Game();
        if (generation != generation_ || WriteFenText(now, now.CurPly) != key) {
            Probe();  // the position or the folders changed meanwhile: this answer is stale
            return;
        }
        shownPosition_ = position;
        Answer(watcher->result(), key);
    });
    watcher->setFuture(QtConcurrent::run([tables, position] { return tables->probe(position); }));
    if (watcher->isRunning())
        ShowStatus(QStringLiteral("調べています…"));
}

void TablebasePanel::Answer(const TbAnswer& answer, const std::string& key)
{
    shown_ = answer;
    shownKey_ = key;
    if (!answer.found) {
        ShowStatus(QStringLiteral("終盤データベースの外の局面です：") + answer.why);
        emit Answered();
        return;
    }
    const bool white = shownPosition_.whiteToMove;
    QString text = (white ? QStringLiteral("白番　") : QStringLiteral("黒番　")) + TbResultText(answer.result, white);
    if (answer.moves.empty())
        text += answer.result == TbResult::Loss ? QStringLiteral("（詰み）") : QStringLiteral("（ステイルメイト）");
    else
        text += QStringLiteral("　DTZ %1").arg(answer.dtz);
    ShowStatus(text);
    LabelTablebase->setStyleSheet(QStringLiteral("color: %1; font-weight: bold").arg(ResultColour(answer.result).name()));
    ShowMoves();
    emit Answered();
}

void TablebasePanel::ShowStatus(const QString& text)
{
    LabelTablebase->setStyleSheet(QString());
    LabelTablebase->setText(text);
    LabelTablebase->setToolTip(text);
}

void TablebasePanel::ShowMoves()
{
    TreeTablebase->clear();
    const bool moverWhite = shownPosition_.whiteToMove;
    for (const TbMove& move : shown_.moves) {
        auto* item = new QTreeWidgetItem(TreeTablebase);
        item->setText(kMove, MoveText(move));
        item->setText(kOutcome, TbResultText(move.result, moverWhite));
        item->setText(kDtz, QString::number(move.dtz));
        item->setTextAlignment(kDtz, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(kMove, Qt::UserRole, QString::fromStdString(move.coord));
        for (int column = 0; column < kColumns; ++column)
            item->setForeground(column, ResultColour(move.result));
    }
    TreeTablebase->resizeColumnToContents(kMove);
}

QString TablebasePanel::MoveText(const TbMove& move) const
{
    if (notation_ == kStyleCoord)
        return QString::fromStdString(move.coord);
    if (notation_ != kStyleLong && notation_ != kStylePostal)
        return QString::fromStdString(move.shortText);
    // The other texts as the rules write them from the position shown.
    const GameState& game = session_.Game();
    Board board = game.KifuBoard[game.CurPly];
    std::string coord = move.coord, postal, shortText, longText;
    if (!CheckMove(board, game.CurPly + 1, coord, postal, shortText, longText, game.KifuPostal[game.CurPly]))
        return QString::fromStdString(move.shortText);
    return QString::fromStdString(notation_ == kStyleLong ? longText : postal);
}

void TablebasePanel::PlayChosen(QTreeWidgetItem* item)
{
    const GameState& game = session_.Game();
    // Only a move of the position on the board, and only where a dragged move could go.
    if (!item || !on_ || shownKey_.empty() || shownKey_ != WriteFenText(game, game.CurPly) || session_.EngWait() ||
        session_.SetupOpen()) {
        services_.Beep();
        return;
    }
    emit PlayMove(item->data(kMove, Qt::UserRole).toString());
}

QString TablebasePanel::LineEndText(const GameState& game, int ply, const std::vector<std::string>& coords)
{
    const std::shared_ptr<const Tablebase> tables = Tables();
    if (!tables || coords.empty())
        return QString();
    TbPosition position = TbPositionAt(game, ply);
    if (!TbPlayMoves(position, coords))
        return QString();
    const QString key = PositionKey(position);
    const auto known = lineEnds_.constFind(key);
    if (known != lineEnds_.constEnd())
        return *known;
    const TbAnswer answer = tables->probeResult(position);
    const QString text = answer.found ? QStringLiteral("TB ") + TbResultText(answer.result, position.whiteToMove)
                                      : QString();
    if (lineEnds_.size() >= kLineEndsKept)
        lineEnds_.clear();
    lineEnds_.insert(key, text);
    return text;
}

bool TablebasePanel::Claimable()
{
    const std::shared_ptr<const Tablebase> tables = Tables();
    if (!tables)
        return false;
    const GameState& game = session_.Game();
    const TbAnswer answer = tables->probeResult(TbPositionAt(game, game.CurPly));
    return answer.found && answer.result != TbResult::Loss;
}

void TablebasePanel::ShowClaim()
{
    const GameState& game = session_.Game();
    const std::shared_ptr<const Tablebase> tables = Tables();
    const TbAnswer answer = tables ? tables->probe(TbPositionAt(game, game.CurPly)) : TbAnswer{};
    const QStringList claim = TbClaimLines(game, session_.Header(), answer);
    if (claim.isEmpty()) {
        const QString why = !tables ? QStringLiteral("終盤データベースのフォルダが選ばれていません。")
                            : answer.found ? QStringLiteral("手番の側は負けです。")
                                           : answer.why;
        services_.ShowMessage(this, QStringLiteral("この局面はテーブルベースで申告できません。") + why,
                              QStringLiteral("注意"), MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    DialogTbClaim dialog(claim, this);
    connect(&dialog, &DialogTbClaim::PrintOnCard, this, &TablebasePanel::PrintClaim);
    dialog.exec();
}

}  // namespace vorlik
