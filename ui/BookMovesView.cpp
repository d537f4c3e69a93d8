#include "BookMovesView.h"

#include "ui/ProgramFolders.h"
#include "ui/WindowServices.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vorlik {

namespace {

const std::string& TextIn(const BookMove& move, NotationStyle notation)
{
    switch (notation) {
    case kStyleLong: return move.longText;
    case kStylePostal: return move.postal;
    case kStyleCoord: return move.coord;
    case kStyleShort: break;
    }
    return move.shortText;
}

}  // namespace

BookMovesView::BookMovesView(WindowServices& services, QWidget* parent) : QWidget(parent), services_(services)
{
    setObjectName(QStringLiteral("BookMovesView"));
    LabelBook = new QLabel;
    LabelBook->setObjectName(QStringLiteral("LabelBook"));
    LabelBook->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabelBook->setWordWrap(true);  // a message names the file: it must be read whole
    ComBookChoose = new QPushButton(QStringLiteral("定跡ファイル..."));
    ComBookChoose->setObjectName(QStringLiteral("ComBookChoose"));
    ComBookChoose->setAutoDefault(false);
    ComBookChoose->setToolTip(QStringLiteral("Polyglot 形式の定跡ファイル (.bin) を選びます"));
    connect(ComBookChoose, &QPushButton::clicked, this, &BookMovesView::ChooseBook);

    TreeBook = new QTreeWidget;
    TreeBook->setObjectName(QStringLiteral("TreeBook"));
    TreeBook->setColumnCount(2);
    TreeBook->setHeaderLabels({QStringLiteral("定跡手"), QStringLiteral("割合")});
    TreeBook->setRootIsDecorated(false);
    TreeBook->setUniformRowHeights(true);
    TreeBook->setAllColumnsShowFocus(true);
    TreeBook->header()->setStretchLastSection(false);
    TreeBook->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    TreeBook->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    connect(TreeBook, &QTreeWidget::itemDoubleClicked, this, &BookMovesView::MoveChosen);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(LabelBook, 1);
    top->addWidget(ComBookChoose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addWidget(TreeBook);

    const QString book = StartingBook();
    if (book.isEmpty())
        Told(QStringLiteral("定跡ファイルがありません。「定跡ファイル...」で選んでください。"), false);
    else
        UseBook(book, false);
}

QString BookMovesView::StartingBook()
{
    const std::vector<std::string> lines = RememberedLines(services_.Folders(), kRememberedFile);
    if (!lines.empty() && !lines[0].empty())
        return QString::fromStdString(lines[0]);
    return QFileInfo::exists(QString::fromUtf8(kDefaultBook)) ? QString::fromUtf8(kDefaultBook) : QString();
}

bool BookMovesView::UseBook(const QString& fileName, bool remember)
{
    auto candidate = std::make_unique<PolyglotBook>();
    std::string error;
    if (!candidate->Open(fileName.toStdString(), error)) {
        // A bad choice does not take away the book in use.
        if (book_)
            error += "\n" + std::string("いまの定跡ファイルを使い続けます: ") + book_->FileName();
        Told(QString::fromStdString(error), true);
        return false;
    }
    book_ = std::move(candidate);
    if (remember && !RememberLines(services_.Folders(), kRememberedFile, {fileName.toStdString()}, error))
        Told(QString::fromStdString(error), true);  // read, but not there at the next start
    else
        Told(QFileInfo(fileName).fileName(), false);
    Redraw();
    return true;
}

QString BookMovesView::BookFile() const { return book_ ? QString::fromStdString(book_->FileName()) : QString(); }

void BookMovesView::ShowPosition(const GameState& game, int ply, NotationStyle notation)
{
    position_ = PositionOf(game, ply);
    hasPosition_ = true;
    notation_ = notation;
    Redraw();
}

void BookMovesView::Redraw()
{
    moves_ = hasPosition_ && book_ ? book_->Moves(position_) : std::vector<BookMove>();
    double sum = 0;
    for (const BookMove& move : moves_)
        sum += move.weight;
    TreeBook->clear();
    for (const BookMove& move : moves_) {
        auto* item = new QTreeWidgetItem(TreeBook);
        item->setText(0, QString::fromStdString(TextIn(move, notation_)));
        item->setText(1, QString::number(sum > 0 ? 100 * move.weight / sum : 0, 'f', 1) + QLatin1Char('%'));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, QStringLiteral("重み %1 ・ 学習 %2").arg(move.weight).arg(move.learn));
    }
    if (book_ && hasPosition_ && moves_.empty()) {
        auto* item = new QTreeWidgetItem(TreeBook);
        item->setText(0, QStringLiteral("この局面の定跡手はありません"));
        item->setFlags(Qt::NoItemFlags);
    }
}

void BookMovesView::MoveChosen(QTreeWidgetItem* item)
{
    const int row = TreeBook->indexOfTopLevelItem(item);
    if (row >= 0 && row < static_cast<int>(moves_.size()))
        emit PlayMove(QString::fromStdString(moves_[static_cast<std::size_t>(row)].coord));
}

void BookMovesView::ChooseBook()
{
    const QString current = BookFile();
    const QString folder = current.isEmpty() ? services_.Folders().Settings : QFileInfo(current).absolutePath();
    const QString chosen = services_.OpenFileName(window(), QStringLiteral("定跡ファイル"), folder,
                                                  QStringLiteral("定跡ファイル(*.bin)|*.bin|すべてのファイル(*)|*|"),
                                                  nullptr);
    if (!chosen.isEmpty())
        UseBook(chosen, true);
}

void BookMovesView::Told(const QString& text, bool error)
{
    LabelBook->setText(text);
    LabelBook->setToolTip(error ? text : BookFile());
    LabelBook->setStyleSheet(error ? QStringLiteral("color: #b00000;") : QString());
}

}  // namespace vorlik
