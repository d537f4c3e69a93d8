#include "DialogSetup.h"

#include "PieceArt.h"
#include "WindowServices.h"
#include "SetupEdit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vorlik {

namespace {

const char kPromotionLetters[] = "nbrq";  // OptionDaiSetPromotion(0..3)
constexpr int kPictureSize = 36;

const Qt::WindowFlags kQuestionFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
const Qt::WindowFlags kSetupFlags = kQuestionFlags | Qt::WindowCloseButtonHint;

}  // namespace

DialogSetup::DialogSetup(WindowServices& services, SetupEdit& edit, QWidget* parent)
    : QDialog(parent), services_(services), edit_(edit)
{
    setObjectName(QStringLiteral("DialogSetup"));
    setWindowFlags(kQuestionFlags);

    // The palette: White's pieces above, Black's below.
    auto* pictures = new QGridLayout;
    for (int k = 1; k <= 12; ++k) {
        palette_[k] = new QLabel(this);
        palette_[k]->setObjectName(QStringLiteral("ImaCheMan(%1)").arg(k));
        palette_[k]->setPixmap(PiecePixmap(kPieceLetters[k - 1], kPictureSize));
        palette_[k]->setEnabled(false);
        palette_[k]->installEventFilter(this);
        pictures->addWidget(palette_[k], (k - 1) / 6, (k - 1) % 6);
    }

    const QString comCaptions[] = {QStringLiteral("スタート"), QStringLiteral("クリア")};
    auto* fill = new QHBoxLayout;
    for (int k = 0; k < 2; ++k) {
        com_[k] = new QPushButton(comCaptions[k], this);
        com_[k]->setObjectName(QStringLiteral("Com(%1)").arg(k));
        com_[k]->setAutoDefault(false);
        connect(com_[k], &QPushButton::clicked, this, [this, k] { Com_Click(k); });
        fill->addWidget(com_[k]);
    }
    sideBox_ = new QWidget(this);
    auto* side = new QHBoxLayout(sideBox_);
    side->setContentsMargins(0, 0, 0, 0);
    auto* sides = new QButtonGroup(this);
    const QString sideCaptions[] = {QStringLiteral("白番"), QStringLiteral("黒番")};
    for (int k = 0; k < 2; ++k) {
        optWB_[k] = new QRadioButton(sideCaptions[k], sideBox_);
        optWB_[k]->setObjectName(QStringLiteral("OptWB(%1)").arg(k));
        sides->addButton(optWB_[k]);
        side->addWidget(optWB_[k]);
    }
    optWB_[0]->setChecked(true);
    checkEng_ = new QCheckBox(QStringLiteral("ｴﾝｼﾞﾝ"), sideBox_);
    checkEng_->setObjectName(QStringLiteral("CheckEng"));
    // Every change of the box, the user's or the window's, frees or fixes the side.
    connect(checkEng_, &QCheckBox::toggled, this, &DialogSetup::CheckEng_Click);
    side->addWidget(checkEng_);
    setupOk_ = new QPushButton(QStringLiteral("OK"), this);
    setupOk_->setObjectName(QStringLiteral("OKButton"));
    connect(setupOk_, &QPushButton::clicked, this, &DialogSetup::OKButton_Click);
    setupCancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    setupCancel_->setObjectName(QStringLiteral("CancelButton"));
    setupCancel_->setAutoDefault(false);
    connect(setupCancel_, &QPushButton::clicked, this, &DialogSetup::CancelButton_Click);
    auto* confirm = new QHBoxLayout;
    confirm->addStretch();
    confirm->addWidget(setupOk_);
    confirm->addWidget(setupCancel_);

    question_ = new QLabel(QStringLiteral("何に成りますか？"), this);
    question_->setObjectName(QStringLiteral("LabelDaiSetPromotion"));
    frame_ = new QGroupBox(QStringLiteral("成る駒"), this);
    frame_->setObjectName(QStringLiteral("FrameDaiSetPromotion"));
    auto* choices = new QVBoxLayout(frame_);
    for (int k = 3; k >= 0; --k) {  // stacked queen, rook, bishop, knight from the top
        options_[k] = new QRadioButton(frame_);
        options_[k]->setObjectName(QStringLiteral("OptionDaiSetPromotion(%1)").arg(k));
        options_[k]->setIconSize(QSize(kPictureSize, kPictureSize));
        choices->addWidget(options_[k]);
    }
    options_[3]->setChecked(true);
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("CommandPromotionOK"));
    connect(okButton_, &QPushButton::clicked, this, &DialogSetup::CommandPromotionOK_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pictures);
    layout->addLayout(fill);
    layout->addWidget(sideBox_);
    layout->addLayout(confirm);
    layout->addWidget(question_);
    layout->addWidget(frame_);
    layout->addWidget(okButton_, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ShowSetupControls(true);
}

void DialogSetup::ShowSetupControls(bool on)
{
    setWindowTitle(on ? QStringLiteral("セットアップ") : QStringLiteral("プロモーション"));
    for (QWidget* control : {static_cast<QWidget*>(com_[0]), static_cast<QWidget*>(com_[1]), sideBox_,
                             static_cast<QWidget*>(setupOk_), static_cast<QWidget*>(setupCancel_)})
        control->setVisible(on);
    for (QWidget* control : {static_cast<QWidget*>(question_), static_cast<QWidget*>(frame_),
                             static_cast<QWidget*>(okButton_)})
        control->setVisible(!on);
    setupOk_->setDefault(on);
    okButton_->setDefault(!on);
    for (int k = 1; k <= 12; ++k) {
        palette_[k]->setVisible(on);
        palette_[k]->setEnabled(on);
        palette_[k]->setCursor(on ? Qt::OpenHandCursor : Qt::ArrowCursor);
    }
}

// ---- set-up role -------------------------------------------------------------

void DialogSetup::OpenSetup(bool blackToMove, bool editable, bool black)
{
    setWindowFlags(kSetupFlags);
    setModal(false);
    ShowSetupControls(true);
    // Each set-up starts on the position's side to move, not handed to the
    // engine: a box kept from the last one would fix the wrong side.
    blackAllowed_ = black;
    checkEng_->setChecked(false);
    checkEng_->setEnabled(editable);
    engineOffered_ = editable;
    CheckEng_Click();
    optWB_[blackToMove ? 1 : 0]->setChecked(true);
    inSetup_ = true;
}

bool DialogSetup::EngineChosen() const { return engineOffered_ && checkEng_->isChecked(); }

bool DialogSetup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        for (int k = 1; k <= 12; ++k)
            if (watched == palette_[k]) {
                ImaCheMan_MouseDown(k);
                return true;
            }
    return QDialog::eventFilter(watched, event);
}

void DialogSetup::ImaCheMan_MouseDown(int index)
{
    if (!inSetup_ || askingPromotion_ || index < 1 || index > 12)
        return;
    edit_.Take(kPieceLetters[index - 1]);
    emit PiecePicked(kPieceLetters[index - 1]);
}

void DialogSetup::Com_Click(int index)
{
    if (!inSetup_)
        return;
    edit_.Fill(index == 0);
    emit BoardChanged();
}

void DialogSetup::CheckEng_Click()
{
    if (checkEng_->isChecked() && !blackAllowed_) {
        optWB_[0]->setChecked(true);
        optWB_[1]->setEnabled(false);
    } else {
        optWB_[0]->setEnabled(true);
        optWB_[1]->setEnabled(true);
    }
}

void DialogSetup::OKButton_Click()
{
    if (!inSetup_)
        return;
    if (!edit_.KingsValid()) {
        services_.ShowMessage(this, QStringLiteral("キングは白・黒、各一つ必要です"), QStringLiteral("警告"),
                              MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    if (returnSetup && !returnSetup(optWB_[0]->isChecked() ? SetupReturn::WhiteToMove : SetupReturn::BlackToMove))
        return;
    inSetup_ = false;
    hide();
}

void DialogSetup::CancelButton_Click()
{
    if (!inSetup_)
        return;
    inSetup_ = false;
    if (returnSetup)
        returnSetup(SetupReturn::Cancelled);
    hide();
}

void DialogSetup::reject()
{
    if (inSetup_ && !askingPromotion_)
        CancelButton_Click();
}

// ---- promotion role ------------------------------------------------------------

void DialogSetup::DaiSetPromotion(int rank)
{
    setWindowFlags(kQuestionFlags);
    ShowSetupControls(false);  // the palette hidden and off too
    if (rank != 1 && rank != 8)
        return;
    const int first = rank == 8 ? 2 : 8;  // knight, bishop, rook, queen of the side
    for (int k = first; k < first + 4; ++k)
        palette_[k]->show();
    for (int k = 0; k < 4; ++k)
        options_[k]->setIcon(QIcon(PiecePixmap(kPieceLetters[first - 1 + k], kPictureSize)));
}

char DialogSetup::AskPromotion(int rank)
{
    DaiSetPromotion(rank);
    askingPromotion_ = true;
    exec();
    askingPromotion_ = false;
    return chosen_;
}

void DialogSetup::CommandPromotionOK_Click()
{
    hide();
    ShowSetupControls(true);
    for (int k = 0; k < 4; ++k)
        if (options_[k]->isChecked()) {
            chosen_ = kPromotionLetters[k];
            chosenNumber_ = k + 1;
            break;
        }
    accept();
}

}  // namespace vorlik
