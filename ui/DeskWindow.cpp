#include "DeskWindow.h"

#include "DialogDeskGame.h"
#include "WindowServices.h"
#include "engine/EngineSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorlik {

namespace {

// Two lines beside "Vorlik.ini": the desk folder and the player's name.

enum Column { Rank, Opponent, Colour, Event, Plies, LastMove, ToMove, MyTotal, MyLeft, OppTotal, OppLeft, SinceSent,
              Status, File, ColumnCount };

const char* const kHeaders[ColumnCount] = {"順", "相手", "色", "イベント", "手数", "最終手", "手番",
                                           "自分の日数", "自分の残り", "相手の日数", "相手の残り", "発送後",
                                           "状態", "ファイル"};

// A cell that sorts by a number when it has one; cells without (no control,
// no date) sort after those with.
class Cell : public QTableWidgetItem {
public:
    Cell(const QString& text, std::optional<long long> key) : QTableWidgetItem(text), key_(key)
    {
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    bool operator<(const QTableWidgetItem& other) const override
    {
        const auto* cell = dynamic_cast<const Cell*>(&other);
        if (!cell || (!key_ && !cell->key_))
            return text() < other.text();
        if (!key_ || !cell->key_)
            return key_.has_value();
        return *key_ < *cell->key_;
    }

private:
    std::optional<long long> key_;
};

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString NumberText(const std::optional<int>& value) { return value ? QString::number(*value) : QStringLiteral("-"); }

// "?" marks a total with moves of unknown days, counted as none; "9+3" the
// days of the move in hand, still running.
QString TotalText(int total, bool unknown, std::optional<int> running)
{
    const QString done = QString::number(total - running.value_or(0)) + (unknown ? QStringLiteral("?") : QString());
    return running ? done + QStringLiteral("+%1").arg(*running) : done;
}

// Days left, or "超過" once the control is passed: what is left after it is no comfort.
QString LeftText(std::optional<int> left, bool over) { return over ? QStringLiteral("超過") : NumberText(left); }

QString LaterDatesLine(const DeskRow& row)
{
    return QStringLiteral("今日より後の日付があります: ") + Text(LaterDatesText(row.laterDates));
}

QString InHandTip(const DeskRow& row)
{
    const MoveInHand& hand = *row.inHand;
    return QStringLiteral("手番中の手 (%1手目): %2 から %3日%4")
        .arg(hand.ply)
        .arg(Text(IsoDate(hand.from)))
        .arg(hand.days)
        .arg(hand.fromReceipt ? QStringLiteral(" (受け取った日)") : QStringLiteral(" (相手の発送日。受け取った日は「対局の設定...」で)"));
}

bool UnknownOf(const DeskRow& row, bool white)
{
    for (const int ply : row.unknownPlies)
        if ((ply % 2 == 1) == white)
            return true;
    return false;
}

// The status in the player's words and its colour.
struct StatusLook {
    QString text;
    QColor colour;  // invalid: the table's own
};

StatusLook LookOf(const DeskRow& row)
{
    const LedgerStatus& status = row.status;
    switch (status.state) {
    case LedgerState::OverWhite:
    case LedgerState::OverBlack:
        return {(status.state == LedgerState::OverWhite) == row.meWhite ? QStringLiteral("時間超過 (自分)")
                                                                         : QStringLiteral("時間超過 (相手)"),
                QColor(0xf4, 0x9a, 0x9a)};
    case LedgerState::Short:
        return {row.MyMove() ? QStringLiteral("残り%1日以内").arg(kShortDays)
                             : QStringLiteral("相手の残り%1日以内").arg(kShortDays),
                QColor(0xff, 0xcc, 0x80)};
    case LedgerState::Reminder:
        return {QStringLiteral("催促の時期"), QColor(0xb8, 0xd8, 0xf8)};
    case LedgerState::Ok:
        break;
    }
    return {QStringLiteral("順調"), QColor()};
}

QString SinceSentText(const LedgerStatus& status)
{
    return status.lastSent.kind == BoxKind::NoDate ? QStringLiteral("?") : NumberText(status.sinceSent);
}

QString RowTip(const DeskRow& row)
{
    QStringList tips;
    if (!row.problem.empty())
        tips << Text(row.problem);
    if (row.lookAlike)
        tips << QStringLiteral("同じファイルに、対局者・イベント・日付・ラウンドの同じゲームがほかにもあります。"
                               "設定はゲームの番号で見分けます。");
    if (!row.unknownPlies.empty()) {
        QStringList plies;
        for (const int ply : row.unknownPlies)
            plies << QString::number(ply);
        tips << QStringLiteral("日数の分からない手 (0日と数えています): %1手目").arg(plies.join(QStringLiteral(", ")));
    }
    if (!row.laterDates.empty())
        tips << LaterDatesLine(row);
    if (row.inHand)
        tips << InHandTip(row);
    if (row.control.IsSet())
        tips << QStringLiteral("持ち時間 ") + Text(TimeControlText(row.control));
    return tips.join(QLatin1Char('\n'));
}

}  // namespace

DeskWindow::DeskWindow(WindowServices& services, QWidget* parent) : QWidget(parent, Qt::Window), services_(services)
{
    setObjectName(QStringLiteral("DeskWindow"));
    setWindowTitle(QStringLiteral("通信対局一覧"));
    folder_ = new QLineEdit;
    folder_->setObjectName(QStringLiteral("TextDeskFolder"));
    folder_->setReadOnly(true);
    auto* browse = new QPushButton(QStringLiteral("参照..."));
    browse->setObjectName(QStringLiteral("ComDeskFolder"));
    me_ = new QLineEdit;
    me_->setObjectName(QStringLiteral("TextDeskMe"));
    me_->setPlaceholderText(QStringLiteral("白・黒の欄にあるとおり"));
    auto* show = new QPushButton(QStringLiteral("更新"));
    show->setObjectName(QStringLiteral("ComDeskRefresh"));
    settings_ = new QPushButton(QStringLiteral("対局の設定..."));
    settings_->setObjectName(QStringLiteral("ComDeskSettings"));
    settings_->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("フォルダ")));
    top->addWidget(folder_, 3);
    top->addWidget(browse);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("自分の名前")));
    top->addWidget(me_, 1);
    top->addWidget(show);
    top->addWidget(settings_);

    table_ = new QTableWidget(0, ColumnCount);
    table_->setObjectName(QStringLiteral("GridDesk"));
    QStringList headers;
    for (const char* header : kHeaders)
        headers << QString::fromUtf8(header);
    table_->setHorizontalHeaderLabels(headers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setSortingEnabled(true);
    table_->sortByColumn(Rank, Qt::AscendingOrder);

    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("LabelDeskSummary"));
    problems_ = new QPlainTextEdit;
    problems_->setObjectName(QStringLiteral("TextDeskProblems"));
    problems_->setReadOnly(true);
    problems_->setMaximumHeight(problems_->fontMetrics().lineSpacing() * 4 + 12);
    problems_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addWidget(summary_);
    layout->addWidget(problems_);
    resize(1180, 520);

    connect(browse, &QPushButton::clicked, this, &DeskWindow::ChooseFolder);
    connect(show, &QPushButton::clicked, this, &DeskWindow::ShowChosen);
    connect(me_, &QLineEdit::returnPressed, this, &DeskWindow::ShowChosen);
    connect(settings_, &QPushButton::clicked, this, &DeskWindow::EditSettings);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row) { OpenRow(row); });
    connect(table_, &QTableWidget::itemSelectionChanged, this,
            [this] { settings_->setEnabled(RowAt(table_->currentRow()) != nullptr); });

    const std::vector<std::string> lines = RememberedLines(services_.Folders(), kDeskWindowFile);
    if (lines.size() >= 2) {
        folder_->setText(Text(lines[0]));
        me_->setText(Text(lines[1]));
    }
}

QString DeskWindow::Folder() const { return folder_->text(); }

const DeskRow* DeskWindow::RowAt(int row) const
{
    const QTableWidgetItem* item = row >= 0 ? table_->item(row, Rank) : nullptr;
    if (!item)
        return nullptr;
    const int index = item->data(Qt::UserRole).toInt();
    return index >= 0 && index < static_cast<int>(desk_.rows.size()) ? &desk_.rows[index] : nullptr;
}

void DeskWindow::ChooseFolder()
{
    const QString start = folder_->text().isEmpty() ? QDir::homePath() : folder_->text();
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("通信対局のフォルダ"), start);
    if (!folder.isEmpty())
        ShowDesk(folder, me_->text());
}

void DeskWindow::ShowChosen() { ShowDesk(folder_->text(), me_->text()); }

void DeskWindow::ShowDesk(const QString& folder, const QString& me)
{
    folder_->setText(folder);
    me_->setText(me.trimmed());
    Remember();
    Refresh();
}

void DeskWindow::Remember()
{
    std::string error;
    if (!RememberLines(services_.Folders(), kDeskWindowFile,
                       {folder_->text().toStdString(), me_->text().toStdString()}, error))
        services_.ShowMessage(this, Text(error), QStringLiteral("注意"), MessageIcon::Warning, MessageButtons::Ok);
}

void DeskWindow::Refresh()
{
    desk_ = Desk{};
    if (folder_->text().isEmpty() || me_->text().isEmpty()) {
        FillTable();
        summary_->setText(QStringLiteral("フォルダと、白・黒の欄にある自分の名前を指定してください。"));
        return;
    }
    if (!QFileInfo(folder_->text()).isDir()) {
        FillTable();
        summary_->setText(QStringLiteral("フォルダ「%1」がありません。").arg(folder_->text()));
        return;
    }
    QElapsedTimer clock;
    clock.start();
    services_.SetBusy(true);
    desk_ = OpenDesk({folder_->text().toStdString(), me_->text().toStdString(), today_ ? today_ : LocalToday(), {}});
    FillTable();
    services_.SetBusy(false);
    int mine = 0;
    for (const DeskRow& row : desk_.rows)
        mine += row.MyMove() ? 1 : 0;
    summary_->setText(desk_.rows.empty() ? QStringLiteral("進行中のゲームはありません。")
                                         : QStringLiteral("進行中 %1局 ・ 自分の手番 %2局").arg(desk_.rows.size()).arg(mine));
    summary_->setToolTip(QStringLiteral("%1 ms で読みました").arg(clock.elapsed()));
    ShowProblems();
}

void DeskWindow::FillTable()
{
    // Filled unsorted, then sorted as the player left it.
    const int column = table_->horizontalHeader()->sortIndicatorSection();
    const Qt::SortOrder order = table_->horizontalHeader()->sortIndicatorOrder();
    table_->setSortingEnabled(false);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(desk_.rows.size()));
    for (int k = 0; k < static_cast<int>(desk_.rows.size()); ++k)
        FillRow(k, desk_.rows[k], k);
    table_->setSortingEnabled(true);
    table_->sortByColumn(column, order);
    table_->resizeColumnsToContents();
    settings_->setEnabled(false);
}

void DeskWindow::FillRow(int row, const DeskRow& game, int rank)
{
    const auto put = [&](int column, const QString& text, std::optional<long long> key = std::nullopt) {
        auto* cell = new Cell(text, key);
        table_->setItem(row, column, cell);
        return cell;
    };
    put(Rank, QString::number(rank + 1), rank)->setData(Qt::UserRole, rank);
    put(Opponent, Text(game.opponent));
    put(Colour, game.meWhite ? QStringLiteral("白") : QStringLiteral("黒"));
    put(Event, Text(game.key.event));
    put(Plies, QString::number(game.plies), game.plies);
    put(LastMove, Text(game.lastMove));
    QTableWidgetItem* toMove = put(ToMove, game.MyMove() ? QStringLiteral("自分") : QStringLiteral("相手"), !game.MyMove());
    if (game.MyMove()) {
        QFont bold = toMove->font();
        bold.setBold(true);
        toMove->setFont(bold);
    }
    put(MyTotal, TotalText(game.myTotal, UnknownOf(game, game.meWhite), game.Running(true)), game.myTotal);
    put(MyLeft, LeftText(game.MyLeft(), game.MyOver()), game.MyLeft());
    put(OppTotal, TotalText(game.oppTotal, UnknownOf(game, !game.meWhite), game.Running(false)), game.oppTotal);
    put(OppLeft, LeftText(game.OppLeft(), game.OppOver()), game.OppLeft());
    put(SinceSent, SinceSentText(game.status), game.status.sinceSent);
    const StatusLook look = LookOf(game);
    QTableWidgetItem* status = put(Status, look.text, static_cast<int>(game.status.state));
    if (look.colour.isValid()) {
        status->setBackground(look.colour);
        status->setForeground(Qt::black);
    }
    const bool marked = !game.problem.empty() || game.lookAlike || !game.laterDates.empty();
    put(File, (marked ? QStringLiteral("⚠ ") : QString()) + Text(game.file) + QStringLiteral(" %1番").arg(game.number));
    const QString tip = RowTip(game);
    for (int column = 0; column < ColumnCount; ++column)
        table_->item(row, column)->setToolTip(tip);
}

void DeskWindow::ShowProblems()
{
    QStringList lines;
    if (!desk_.settingsError.empty())
        lines << Text(desk_.settingsError);
    for (const DeskFileProblem& problem : desk_.files)
        lines << (problem.file.empty() ? QString() : Text(problem.file) + QStringLiteral(": ")) + Text(problem.message);
    for (const DeskRow& row : desk_.rows) {
        const QString game = QStringLiteral("%1 %2番: ").arg(Text(row.file)).arg(row.number);
        if (!row.problem.empty())
            lines << game + Text(row.problem);
        if (!row.laterDates.empty())
            lines << game + LaterDatesLine(row);
    }
    problems_->setPlainText(lines.join(QLatin1Char('\n')));
    problems_->setVisible(!lines.isEmpty());
}

void DeskWindow::OpenRow(int row)
{
    if (const DeskRow* game = RowAt(row))
        emit OpenGame(PlaceOfRow(folder_->text().toStdString(), *game));
}

void DeskWindow::EditSettings()
{
    const DeskRow* game = RowAt(table_->currentRow());
    if (!game)
        return;
    DialogDeskGame dialog(services_, folder_->text().toStdString(), *game, this);
    if (dialog.exec() == QDialog::Accepted)
        Refresh();
}

}  // namespace vorlik
