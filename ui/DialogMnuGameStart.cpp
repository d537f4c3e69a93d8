#include "DialogMnuGameStart.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vorlik {

DialogMnuGameStart::DialogMnuGameStart(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DialogMnuGameStart"));
    setWindowTitle(QStringLiteral("ゲーム開始"));
    setModal(true);
    OptiGS[0] = new QRadioButton(QStringLiteral("新規にゲーム開始"), this);
    OptiGS[1] = new QRadioButton(QStringLiteral("現在局面からゲーム開始"), this);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    for (int k = 0; k < 2; ++k)
        OptiGS[k]->setObjectName(QStringLiteral("OptiGS(%1)").arg(k));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &DialogMnuGameStart::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &DialogMnuGameStart::CancelButton_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(OptiGS[0]);
    layout->addWidget(OptiGS[1]);
    layout->addLayout(buttons);
    OptiGS[0]->setChecked(true);
}

void DialogMnuGameStart::Form_Load(bool canContinue)
{
    adjustSize();
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    choice_ = GameStartChoice::Cancel;
    OptiGS[0]->setEnabled(true);
    OptiGS[1]->setEnabled(canContinue);
    canContinue_ = canContinue;
    // Each start asks afresh: a new game is the answer unless the user picks otherwise.
    OptiGS[0]->setChecked(true);
}

GameStartChoice DialogMnuGameStart::Ask(bool canContinue)
{
    Form_Load(canContinue);
    exec();
    return choice_;
}

void DialogMnuGameStart::OKButton_Click()
{
    const bool fromPosition = canContinue_ && OptiGS[1]->isChecked();
    choice_ = fromPosition ? GameStartChoice::FromPosition : GameStartChoice::NewGame;
    accept();
}

void DialogMnuGameStart::CancelButton_Click() { reject(); }

void DialogMnuGameStart::reject()
{
    choice_ = GameStartChoice::Cancel;
    QDialog::reject();
}

}  // namespace vorlik
