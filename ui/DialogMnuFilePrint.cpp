#include "DialogMnuFilePrint.h"

#include "PrintPainter.h"
#include "WindowServices.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace vorlik {

namespace {

const QColor kChosen{0xFF, 0x80, 0x00};  // orange, the chosen format
constexpr int kBlockGap = 150;           // how far game B's postal block sits below game A's

// A diagram line of the preview: its text is the glyph line, shown as cells.
class DiagramLabel : public QLabel {
public:
    DiagramLabel(int cell, QWidget* parent) : QLabel(parent), cell_(cell) {}
    QSize sizeHint() const override { return {cell_ * 10, cell_}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawDiagramText(painter, QPointF(0, 0), text(), cell_);
    }

private:
    int cell_;
};

}  // namespace

DialogMnuFilePrint::DialogMnuFilePrint(WindowServices& services, QWidget* parent)
    : QDialog(parent), services_(services)
{
    setObjectName(QStringLiteral("DialogMnuFilePrint"));
    setWindowTitle(QStringLiteral("印刷"));
    setModal(false);
    BuildControls();
    OptPrint[0]->setChecked(true);
    OptPrint_Click(0);
}

void DialogMnuFilePrint::BuildControls()
{
    static const char* kFormats[] = {"Ａ７", "Ａ６（バイブル）", "Ａ５", "郵便チェス（葉書）"};
    auto* formats = new QHBoxLayout;
    auto* formatGroup = new QButtonGroup(this);
    for (int k = 0; k < 4; ++k) {
        OptPrint[k] = new QRadioButton(QString::fromUtf8(kFormats[k]), this);
        OptPrint[k]->setObjectName(QStringLiteral("OptPrint(%1)").arg(k));
        formatGroup->addButton(OptPrint[k], k);
        formats->addWidget(OptPrint[k]);
        connect(OptPrint[k], &QRadioButton::clicked, this, [this, k] { OptPrint_Click(k); });
    }
    formats->addStretch();

    FramePage = BuildPage();
    FramePostcard = BuildPostcard();
    preview_ = new PagePreview(this);
    preview_->setObjectName(QStringLiteral("PagePreview"));

    PrintButton = new QPushButton(QStringLiteral("印刷"), this);
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    PrintButton->setObjectName(QStringLiteral("PrintButton"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    PrintButton->setDefault(true);
    connect(PrintButton, &QPushButton::clicked, this, &DialogMnuFilePrint::PrintButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &DialogMnuFilePrint::CancelButton_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(PrintButton);
    buttons->addWidget(CancelButton);

    auto* frames = new QVBoxLayout;
    frames->addWidget(FramePage);
    frames->addWidget(FramePostcard);
    auto* body = new QHBoxLayout;
    body->addLayout(frames, 1);
    body->addWidget(preview_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(formats);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    for (QLineEdit* box : TextInfo)
        if (box)
            connect(box, &QLineEdit::textChanged, this, &DialogMnuFilePrint::Refresh);
    for (QLineEdit* box : TextDataA)
        if (box)
            connect(box, &QLineEdit::textChanged, this, &DialogMnuFilePrint::Refresh);
    for (QPlainTextEdit* box : {TextKifu, TextDataAFree[3], TextDataAFree[5]})
        connect(box, &QPlainTextEdit::textChanged, this, &DialogMnuFilePrint::Refresh);
}

QFrame* DialogMnuFilePrint::BuildPage()
{
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("FramePage"));
    frame->setFrameShape(QFrame::Box);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    for (int i = 0; i < 7; ++i) {
        LabelInfo[i] = new QLabel(kLabelInfo[i], frame);
        LabelInfo[i]->setObjectName(QStringLiteral("LabelInfo(%1)").arg(i));
        TextInfo[i + 1] = new QLineEdit(frame);
        TextInfo[i + 1]->setObjectName(QStringLiteral("TextInfo(%1)").arg(i + 1));
        grid->addWidget(LabelInfo[i], i, 0);
        grid->addWidget(TextInfo[i + 1], i, 1);
    }
    auto* diagram = new QVBoxLayout;
    diagram->setSpacing(0);
    for (int line = 9; line >= 0; --line) {
        LabelBan[line] = new DiagramLabel(20, frame);
        LabelBan[line]->setObjectName(QStringLiteral("LabelBan(%1)").arg(line));
        diagram->addWidget(LabelBan[line], 0, Qt::AlignHCenter);
    }
    LabelInfo[7] = new QLabel(frame);
    LabelInfo[7]->setObjectName(QStringLiteral("LabelInfo(7)"));
    TextKifu = new QPlainTextEdit(frame);
    TextKifu->setObjectName(QStringLiteral("TextKifu"));
    TextKifu->setMinimumHeight(70);
    LabelVorlik[0] = new QLabel(frame);
    LabelVorlik[0]->setObjectName(QStringLiteral("LabelVorlik(0)"));

    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(grid);
    layout->addLayout(diagram);
    layout->addWidget(LabelInfo[7], 0, Qt::AlignHCenter);
    layout->addWidget(TextKifu, 1);
    layout->addWidget(LabelVorlik[0], 0, Qt::AlignRight);
    return frame;
}

QFrame* DialogMnuFilePrint::BuildPostcard()
{
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("FramePostcard"));
    frame->setFrameShape(QFrame::Box);
    for (int k = 0; k < 2; ++k) {
        CheckYuu[k] = new QCheckBox(frame);
        CheckYuu[k]->setObjectName(QStringLiteral("CheckYuu(%1)").arg(k));
        connect(CheckYuu[k], &QCheckBox::clicked, this, [this, k] { CheckYuu_Click(k); });
    }
    for (int k : {0, 1, 2, 4}) {
        TextDataA[k] = new QLineEdit(frame);
        TextDataA[k]->setObjectName(QStringLiteral("TextDataA(%1)").arg(k));
    }
    for (int k : {3, 5}) {
        TextDataAFree[k] = new QPlainTextEdit(frame);
        TextDataAFree[k]->setObjectName(QStringLiteral("TextDataA(%1)").arg(k));
        TextDataAFree[k]->setMaximumHeight(70);
    }
    // The postal block: the diagram with the mark, the moves and the text
    // beside it, near the lines they print beside.
    auto* diagram = new QVBoxLayout;
    diagram->setSpacing(0);
    for (int line = 9; line >= 0; --line) {
        LabelBanA[line] = new DiagramLabel(16, frame);
        LabelBanA[line]->setObjectName(QStringLiteral("LabelBanA(%1)").arg(line));
        diagram->addWidget(LabelBanA[line]);
    }
    diagram->addStretch();
    auto* beside = new QVBoxLayout;
    beside->setSpacing(2);
    beside->addWidget(TextDataA[0]);
    beside->addSpacing(8);
    beside->addWidget(TextDataA[1]);
    beside->addWidget(TextDataA[2]);
    beside->addWidget(TextDataAFree[3]);
    beside->addStretch();
    auto* block = new QHBoxLayout;
    block->addLayout(diagram);
    block->addLayout(beside, 1);

    auto* games = new QHBoxLayout;
    auto* gameGroup = new QButtonGroup(this);
    static const char* kGames[] = {"Ａ局", "Ｂ局"};
    for (int k = 0; k < 2; ++k) {
        OptionYuu[k] = new QRadioButton(QString::fromUtf8(kGames[k]), frame);
        OptionYuu[k]->setObjectName(QStringLiteral("OptionYuu(%1)").arg(k));
        gameGroup->addButton(OptionYuu[k], k);
        games->addWidget(OptionYuu[k]);
        connect(OptionYuu[k], &QRadioButton::clicked, this, [this, k] { OptionYuu_Click(k); });
    }
    games->addStretch();
    LabelVorlik[1] = new QLabel(frame);
    LabelVorlik[1]->setObjectName(QStringLiteral("LabelVorlik(1)"));

    aboveBlock_ = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    belowBlock_ = new QSpacerItem(0, kBlockGap, QSizePolicy::Minimum, QSizePolicy::Fixed);
    postcardLayout_ = new QVBoxLayout(frame);
    postcardLayout_->addLayout(games);
    postcardLayout_->addWidget(CheckYuu[0]);
    postcardLayout_->addItem(aboveBlock_);
    postcardLayout_->addLayout(block);
    postcardLayout_->addItem(belowBlock_);
    postcardLayout_->addWidget(CheckYuu[1]);
    postcardLayout_->addWidget(TextDataA[4]);
    postcardLayout_->addWidget(TextDataAFree[5]);
    postcardLayout_->addWidget(LabelVorlik[1]);
    postcardLayout_->addStretch();
    return frame;
}

void DialogMnuFilePrint::showEvent(QShowEvent* event)
{
    // The first time it opens it stands in the middle of the screen.
    if (!centred_ && !event->spontaneous()) {
        centred_ = true;
        adjustSize();
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}

void DialogMnuFilePrint::PrintOutInit(const GameState& game, const GameHeader& header, bool longNotation,
                                      const std::optional<Totals>& totals)
{
    PrintFields fields = FillPrintFields(game, header, longNotation, QDate::currentDate(), totals);
    fields.format = Format();
    if (sameRecord_) {
        // What the user wrote on the postcard stays for the next card of the
        // game; what the dialog filled in itself follows the game.
        const PrintFields shown = Fields();
        for (int k : {3, 4, 5})
            if (shown.TextDataA[k] != fields_.TextDataA[k])
                fields.TextDataA[k] = shown.TextDataA[k];
    }
    sameRecord_ = true;
    ShowFields(fields);
}

void DialogMnuFilePrint::MakeDiagram(const GameState& game)
{
    fields_.LabelBan = vorlik::MakeDiagram(game);
    ShowDiagram();
    Refresh();
}

void DialogMnuFilePrint::SetClaim(const QStringList& lines)
{
    fields_.Claim = lines;
    TextDataAFree[5]->setEnabled(false);  // the claim takes its place on the card
    TextDataAFree[5]->setToolTip(QStringLiteral("はがきのこの欄には申告文を印刷します"));
    OptPrint_Click(static_cast<int>(PrintFormat::Postcard));
    Refresh();
}

void DialogMnuFilePrint::ShowDiagram()
{
    for (int i = 0; i < 10; ++i) {
        LabelBan[i]->setText(fields_.LabelBan[i]);
        LabelBanA[i]->setText(fields_.LabelBan[i]);
    }
}

void DialogMnuFilePrint::ShowFields(const PrintFields& fields)
{
    fields_ = fields;
    TextDataAFree[5]->setEnabled(fields.Claim.isEmpty());
    TextDataAFree[5]->setToolTip(QString());
    filling_ = true;  // one refresh at the end, not one per box
    for (int i = 1; i <= 7; ++i)
        TextInfo[i]->setText(fields.TextInfo[i]);
    ShowDiagram();
    LabelInfo[7]->setText(fields.Caption);
    TextKifu->setPlainText(fields.TextKifu);
    for (int k = 0; k < 6; ++k) {
        if (TextDataA[k])
            TextDataA[k]->setText(fields.TextDataA[k]);
        else
            TextDataAFree[k]->setPlainText(fields.TextDataA[k]);
    }
    for (int k = 0; k < 2; ++k) {
        CheckYuu[k]->setChecked(fields.CheckYuu[k]);
        CheckYuu[k]->setText(fields.CheckYuuCaption[k]);
        LabelVorlik[k]->setText(fields.LabelVorlik);
    }
    OptionYuu[fields.OptionYuu]->setChecked(true);
    filling_ = false;
    OptionYuu_Click(fields.OptionYuu);
}

PrintFormat DialogMnuFilePrint::Format() const
{
    for (int k = 0; k < 4; ++k)
        if (OptPrint[k]->isChecked())
            return static_cast<PrintFormat>(k);
    return PrintFormat::A7;
}

PrintFields DialogMnuFilePrint::Fields() const
{
    PrintFields fields = fields_;
    fields.format = Format();
    for (int i = 1; i <= 7; ++i)
        fields.TextInfo[i] = TextInfo[i]->text();
    for (int i = 0; i < 10; ++i)
        fields.LabelBan[i] = LabelBan[i]->text();
    fields.Caption = LabelInfo[7]->text();
    fields.TextKifu = TextKifu->toPlainText();
    for (int k = 0; k < 6; ++k)
        fields.TextDataA[k] = TextDataA[k] ? TextDataA[k]->text() : TextDataAFree[k]->toPlainText();
    fields.OptionYuu = OptionYuu[1]->isChecked() ? 1 : 0;
    for (int k = 0; k < 2; ++k) {
        fields.CheckYuu[k] = CheckYuu[k]->isChecked();
        fields.CheckYuuCaption[k] = CheckYuu[k]->text();
    }
    fields.LabelVorlik = LabelVorlik[0]->text();
    return fields;
}

void DialogMnuFilePrint::OptPrint_Click(int index)
{
    OptPrint[index]->setChecked(true);
    for (int k = 0; k < 4; ++k) {
        QPalette palette = OptPrint[k]->palette();
        const QColor colour = k == index ? kChosen : QPalette().color(QPalette::ButtonText);
        palette.setColor(QPalette::ButtonText, colour);
        palette.setColor(QPalette::WindowText, colour);
        OptPrint[k]->setPalette(palette);
    }
    // Hide one outline before the other shows: with both shown for a moment
    // the dialog would grow to hold them both, and stay that tall.
    QFrame* shown = index == 3 ? FramePostcard : FramePage;
    QFrame* hidden = index == 3 ? FramePage : FramePostcard;
    hidden->hide();
    shown->show();
    Refresh();
}

void DialogMnuFilePrint::OptionYuu_Click(int index)
{
    OptionYuu[index]->setChecked(true);
    aboveBlock_->changeSize(0, index == 1 ? kBlockGap : 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    belowBlock_->changeSize(0, index == 1 ? 0 : kBlockGap, QSizePolicy::Minimum, QSizePolicy::Fixed);
    postcardLayout_->setAlignment(LabelVorlik[1], index == 1 ? Qt::AlignRight : Qt::AlignLeft);
    postcardLayout_->invalidate();
    Refresh();
}

void DialogMnuFilePrint::CheckYuu_Click(int index)
{
    SetCheckYuu(fields_, index, CheckYuu[index]->isChecked());
    CheckYuu[index]->setText(fields_.CheckYuuCaption[index]);
    Refresh();
}

void DialogMnuFilePrint::Refresh()
{
    if (!filling_)
        preview_->SetPage(PageLines(Fields()), Format());
}

void DialogMnuFilePrint::PrintButton_Click()
{
    const PrintFormat format = Format();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Vorlik Print"));
    printer.setPageLayout(PageLayoutOf(format));
    if (!services_.ChoosePrinter(this, printer)) {
        hide();
        return;
    }
    const QString target = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    QString error = PrintLines(printer, PageLines(Fields()), target);
    if (error.isEmpty() && printer.printerState() == QPrinter::Error)
        error = PrintFailed(target);
    if (!error.isEmpty()) {
        // The dialog stays open: the user may choose another printer or file.
        services_.ShowMessage(MessageParent(this), error, QStringLiteral("警告"), MessageIcon::Error,
                              MessageButtons::Ok);
        return;
    }
    hide();
}

void DialogMnuFilePrint::CancelButton_Click() { hide(); }

PagePreview::PagePreview(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(200, 280);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PagePreview::SetPage(const QVector<PrintLine>& lines, PrintFormat format)
{
    lines_ = lines;
    format_ = format;
    image_ = QImage();
    update();
}

void PagePreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    const QSizeF paper = PageLayoutOf(format_).fullRectPoints().size();  // in points
    const double scale = qMin((width() - 8) / paper.width(), (height() - 24) / paper.height());
    if (scale <= 0)
        return;
    const double ratio = devicePixelRatioF();
    const double dpi = 72.0 * scale * ratio;
    if (image_.isNull() || qAbs(image_.width() - paper.width() * dpi / 72.0) > 1) {
        image_ = PageImage(lines_, format_, dpi, 0, &pages_);
        image_.setDevicePixelRatio(ratio);
    }
    const QSizeF shown = image_.size() / ratio;
    const QPointF corner((width() - shown.width()) / 2, 4);
    painter.drawImage(corner, image_);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawRect(QRectF(corner, shown));
    if (pages_ > 1)
        painter.drawText(QRectF(0, height() - 20, width(), 20), Qt::AlignCenter,
                         QStringLiteral("1 / %1 ページ").arg(pages_));
}

}  // namespace vorlik
