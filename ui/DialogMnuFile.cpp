#include "DialogMnuFile.h"

#include "WindowServices.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

namespace vorlik {

namespace {

const char kCaption[] = "ファイルの選択";

// Column widths in twips (1/1440 inch) as the grid was laid out: the game
// number, five pieces of move text and the wider last one.
constexpr int kNumberTwips = 550;
constexpr int kPieceTwips = 8280;
constexpr int kLastPieceTwips = 10000;

// The header columns take the width of their texts in the first games of
// the file, within these bounds in characters of the Japanese text.
constexpr int kRowsMeasured = 100;
constexpr int kHeaderMaxChars = 14;

// Index of the character after `count` characters from `index`; a surrogate
// pair counts as one character, so a piece never splits one.
int Advance(const QString& text, int index, int count)
{
    while (count-- > 0 && index < text.size()) {
        const bool pair = text[index].isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate();
        index += pair ? 2 : 1;
    }
    return index;
}

}  // namespace

// ---- the model --------------------------------------------------------------

KifuTableModel::KifuTableModel(const KifuFile& file, const QStringList& headerCaptions, QObject* parent)
    : QAbstractTableModel(parent), file_(file), captions_(headerCaptions)
{
    while (captions_.size() < 7)
        captions_ << QString();
    captions_ = captions_.mid(0, 7);
    captions_ << QStringLiteral("棋譜");
}

int KifuTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    // The table may hold fewer games than the count says only while it is
    // being rewritten; never show a row that is not there.
    const int stored = static_cast<int>(file_.KifuList.size()) - 1;
    return qMax(0, qMin(file_.KifuCount, stored));
}

int KifuTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString KifuTableModel::MovePiece(const QString& moveText, int column)
{
    const int piece = column - kFirstMoveColumn;
    if (piece < 0 || piece >= kColumns - kFirstMoveColumn)
        return QString();
    const int from = Advance(moveText, 0, piece * kPieceLength);
    if (from >= moveText.size())
        return QString();
    if (column == kColumns - 1)
        return moveText.mid(from);
    return moveText.mid(from, Advance(moveText, from, kPieceLength) - from);
}

QVariant KifuTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const int game = index.row() + 1;
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
        if (column >= kFirstMoveColumn)
            return QVariant(Qt::AlignLeft | Qt::AlignTop);
        return column == 0 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    if (column == 0)
        return GameNumber(index.row());
    const KifuGame& fields = file_.KifuList[game];
    if (column < kFirstMoveColumn)
        return QString::fromStdString(fields[column]);
    return MovePiece(QString::fromStdString(fields[kMoveText]), column);
}

QVariant KifuTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical)
        return GameNumber(section);  // the game number stays in view when the grid scrolls sideways
    if (section >= 1 && section <= kFirstMoveColumn)
        return captions_[section - 1];
    return QString();
}

void KifuTableModel::Narrow(const std::vector<int>& rows)
{
    std::vector<int> numbers;
    for (const int row : rows)
        numbers.push_back(GameNumber(row - 1));
    numbers_ = std::move(numbers);
}

int KifuTableModel::GameNumber(int row) const
{
    return row >= 0 && row < static_cast<int>(numbers_.size()) ? numbers_[row] : row + 1;
}

// ---- the dialog ---------------------------------------------------------------

QStringList DialogMnuFile::DefaultCaptions()
{
    return {QStringLiteral("イベント"), QStringLiteral("場所"), QStringLiteral("日付"), QStringLiteral("ラウンド"),
            QStringLiteral("白"),       QStringLiteral("黒"),   QStringLiteral("結果")};
}

DialogMnuFile::DialogMnuFile(KifuHost& host, KifuFile& file, WindowServices& services, const QString& fileName,
                             const QStringList& headerCaptions, QWidget* parent)
    : QDialog(parent), host_(host), file_(file), services_(services), fileName_(fileName)
{
    setObjectName(QStringLiteral("DialogMnuFile"));
    setWindowTitle(QString::fromUtf8(kCaption) + QLatin1Char(' ') + fileName);
    setModal(true);

    model_ = new KifuTableModel(file_, headerCaptions, this);
    MSFlexGridFile = new QTableView(this);
    MSFlexGridFile->setObjectName(QStringLiteral("MSFlexGridFile"));
    MSFlexGridFile->setModel(model_);
    MSFlexGridFile->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGridFile->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGridFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGridFile->setWordWrap(false);
    MSFlexGridFile->setTextElideMode(Qt::ElideNone);
    MSFlexGridFile->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    MSFlexGridFile->setColumnHidden(0, true);  // the vertical header shows the number and stays put
    QHeaderView* rows = MSFlexGridFile->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    rows->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    rows->setMinimumWidth(kNumberTwips * logicalDpiX() / 1440);
    MSFlexGridFile->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    MSFlexGridFile->horizontalHeader()->setHighlightSections(false);
    SetColumnWidths();
    connect(MSFlexGridFile, &QTableView::doubleClicked, this, [this] { OKButton_Click(); });

    TextJo = new QPlainTextEdit(this);
    TextJo->setObjectName(QStringLiteral("TextJo"));
    TextJo->setReadOnly(true);
    TextJo->setFixedHeight(fontMetrics().height() * 3 + 12);

    auto button = [this](const char* name, const QString& caption) {
        auto* push = new QPushButton(caption, this);
        push->setObjectName(QString::fromUtf8(name));
        push->setMinimumWidth(88);
        return push;
    };
    ComPlusPlus = button("ComPlusPlus", QStringLiteral("追加"));
    ComPlus = button("ComPlus", QStringLiteral("削除"));
    OKButton = button("OKButton", QStringLiteral("OK"));
    CancelButton = button("CancelButton", QStringLiteral("ｷｬﾝｾﾙ"));
    connect(ComPlusPlus, &QPushButton::clicked, this, &DialogMnuFile::ComPlusPlus_Click);
    connect(ComPlus, &QPushButton::clicked, this, &DialogMnuFile::ComPlus_Click);
    connect(OKButton, &QPushButton::clicked, this, &DialogMnuFile::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &DialogMnuFile::CancelButton_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ComPlusPlus);
    buttons->addWidget(ComPlus);
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MSFlexGridFile, 1);
    layout->addWidget(TextJo);
    layout->addLayout(buttons);

    resize(900, 500);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
    Form_Load();
}

void DialogMnuFile::SetColumnWidths()
{
    const QFontMetrics metrics = MSFlexGridFile->fontMetrics();
    const int padding = 12;
    MSFlexGridFile->verticalHeader()->setResizeContentsPrecision(kRowsMeasured);
    const int widest = metrics.horizontalAdvance(QString(kHeaderMaxChars, QChar(0x68CB))) + padding;
    for (int column = 1; column < KifuTableModel::kFirstMoveColumn; ++column) {
        MSFlexGridFile->resizeColumnToContents(column);
        MSFlexGridFile->setColumnWidth(column, qMin(MSFlexGridFile->columnWidth(column) + padding / 2, widest));
    }
    // A piece of 91 characters of move text must fit whole: the grid's own
    // width, or wider when the font needs it.
    const QString sample = QStringLiteral("38. Qxh7+ Kxh7 39. Rxg7+ Kxg7 ").repeated(4).left(KifuTableModel::kPieceLength);
    const int piece = qMax(kPieceTwips * logicalDpiX() / 1440, metrics.horizontalAdvance(sample) + padding);
    for (int column = KifuTableModel::kFirstMoveColumn; column < KifuTableModel::kColumns - 1; ++column)
        MSFlexGridFile->setColumnWidth(column, piece);
    MSFlexGridFile->setColumnWidth(KifuTableModel::kColumns - 1,
                                   qMax(kLastPieceTwips * logicalDpiX() / 1440, piece));
}

void DialogMnuFile::Form_Load()
{
    model_->BeginChange();
    model_->EndChange();
    if (model_->rowCount() > 0)
        MSFlexGridFile->selectRow(0);
    MSFlexGridFile->scrollToTop();
    MSFlexGridFile->setFocus();  // the arrow keys choose the game
    ApplyMode();
}

void DialogMnuFile::ApplyMode()
{
    const bool save = file_.KifuDialogMode == KifuDialogMode::SaveInto;
    const bool search = file_.KifuDialogMode == KifuDialogMode::Search;
    ComPlusPlus->setVisible(save);
    TextJo->setVisible(search);
    ComPlus->setText(save ? QStringLiteral("挿入") : search ? QStringLiteral("検索") : QStringLiteral("削除"));
    OKButton->setText(save ? QStringLiteral("上書") : QStringLiteral("OK"));
    // Return chooses the game, but never starts an overwrite.
    OKButton->setDefault(!save);
}

int DialogMnuFile::CurrentGame() const
{
    const QModelIndex current = MSFlexGridFile->currentIndex();
    if (!current.isValid() || current.row() >= model_->rowCount())
        return 0;
    return current.row() + 1;
}

bool DialogMnuFile::Ask(const QString& text, const QString& title)
{
    return services_.ShowMessage(this, text, title, MessageIcon::Warning, MessageButtons::YesNo) ==
           MessageAnswer::Yes;
}

void DialogMnuFile::ComPlusPlus_Click()
{
    file_.KifuSelect = KifuSelect::Append;
    accept();
}

void DialogMnuFile::ComPlus_Click()
{
    switch (file_.KifuDialogMode) {
    case KifuDialogMode::SaveInto: {
        const int n = CurrentGame();
        if (n == 0)
            return;  // with no game to insert before, only "追加" makes sense
        file_.KifuSelect = InsertBefore(n);
        accept();
        break;
    }
    case KifuDialogMode::Search:
        Search();
        break;
    default:
        if (const int n = CurrentGame())
            DeleteGame(n);
        break;
    }
}

void DialogMnuFile::OKButton_Click()
{
    const int n = CurrentGame();
    if (n == 0)
        return;
    if (file_.KifuDialogMode == KifuDialogMode::SaveInto &&
        !Ask(QString::number(n) + QStringLiteral("番に上書きしますか？"), QStringLiteral("ファイル保存")))
        return;
    file_.KifuSelect = SelectGame(n);
    accept();
}

void DialogMnuFile::CancelButton_Click() { reject(); }

void DialogMnuFile::reject()
{
    file_.KifuSelect = KifuSelect::Cancel;
    QDialog::reject();
}

void DialogMnuFile::DeleteGame(int n)
{
    if (!Ask(QString::number(n) + QStringLiteral("番を削除しますか？"), QStringLiteral("データ削除")))
        return;
    const KifuKind kind = file_.KifuDialogMode == KifuDialogMode::OpenCsv ? kKindCsv : kKindPgn;
    const std::string name = fileName_.toStdString();
    const int gamesBefore = file_.KifuCount;
    BusyPointer busy(host_);
    if (!DeleteKifuGame(host_, file_, n, kind, name))
        return;  // the file is as it was, and the user has been told why
    if (gamesBefore == 2) {
        // One game is left: the caller loads it from the table, which still
        // holds the scan made before the deletion.
        file_.KifuSelect = SelectGame(n == 1 ? 2 : 1);
        accept();
        return;
    }
    file_.KifuSelect = SelectGame(n);
    model_->BeginChange();
    const ScanReport report = ScanKifuFile(file_, kind, name);
    model_->EndChange();
    if (!report.ok)
        host_.ShowMessage(report.message, "警告", KifuHost::Icon::Error);
    Form_Load();
}

void DialogMnuFile::Search()
{
    const int shown = CurrentGame();
    // The rows change only when something matched, and then no message box
    // runs an event loop before the grid is loaded again.
    const SearchResult result = SearchContinuations(host_, file_);
    TextJo->setPlainText(QString::fromStdString(result.TextJo));
    if (result.matches > 0) {
        model_->Narrow(result.games);
        Form_Load();
    }
    else if (shown > 0)
        MSFlexGridFile->selectRow(shown - 1);  // nothing found: the list and its choice stay
}

}  // namespace vorlik
