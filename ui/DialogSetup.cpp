#include "DialogSetup.h"

#include "PieceArt.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vorlik {

namespace {

const char kPalette[] = "PNBRQKpnbrqk";
const char kPromotionLetters[] = "nbrq";  // OptionDaiSetPromotion(0..3)
constexpr int kPictureSize = 36;

}  // namespace

DialogSetup::DialogSetup(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DialogSetup"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto* pictures = new QHBoxLayout;
    for (int k = 1; k <= 12; ++k) {
        palette_[k] = new QLabel(this);
        palette_[k]->setObjectName(QStringLiteral("ImaCheMan(%1)").arg(k));
        palette_[k]->setPixmap(PiecePixmap(kPalette[k - 1], kPictureSize));
        palette_[k]->setEnabled(false);
        pictures->addWidget(palette_[k]);
    }

    question_ = new QLabel(QStringLiteral("何に成りますか？"), this);
    question_->setObjectName(QStringLiteral("LabelDaiSetPromotion"));
    frame_ = new QGroupBox(QStringLiteral("Frame1"), this);
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
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &DialogSetup::CommandPromotionOK_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pictures);
    layout->addWidget(question_);
    layout->addWidget(frame_);
    layout->addWidget(okButton_, 0, Qt::AlignRight);
}

void DialogSetup::DaiSetPromotion(int rank)
{
    setWindowTitle(QStringLiteral("プロモーション"));
    question_->show();
    frame_->show();
    okButton_->show();
    for (int k = 1; k <= 12; ++k) {
        palette_[k]->hide();
        palette_[k]->setEnabled(false);
    }
    if (rank != 1 && rank != 8)
        return;
    const int first = rank == 8 ? 2 : 8;  // knight, bishop, rook, queen of the side
    for (int k = first; k < first + 4; ++k)
        palette_[k]->show();
    for (int k = 0; k < 4; ++k)
        options_[k]->setIcon(QIcon(PiecePixmap(kPalette[first - 1 + k], kPictureSize)));
}

char DialogSetup::AskPromotion(int rank, int& number)
{
    DaiSetPromotion(rank);
    adjustSize();
    exec();
    number = chosenNumber_;
    return chosen_;
}

void DialogSetup::CommandPromotionOK_Click()
{
    hide();
    for (int k = 0; k < 4; ++k)
        if (options_[k]->isChecked()) {
            chosen_ = kPromotionLetters[k];
            chosenNumber_ = k + 1;
            break;
        }
    accept();
}

void DialogSetup::reject() {}

}  // namespace vorlik
