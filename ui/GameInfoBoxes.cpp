#include "GameInfoBoxes.h"

#include "core/GameText.h"
#include "core/KifuTree.h"
#include "session/GameSession.h"

#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace vorlik {

GameInfoBoxes::GameInfoBoxes(GameSession& session, QWidget* window) : QObject(window), session_(session)
{
    for (int k = 1; k <= 13; ++k) {
        TextInfo_[k] = new QLineEdit(window);
        TextInfo_[k]->setObjectName(QStringLiteral("TextInfo(%1)").arg(k));
    }
    TextInfo_[7]->hide();  // the result lives in CombKekka
    // The postal boxes write into the notes of the ply they show as their
    // text changes, so no redraw can lose what the user typed.
    for (int j = 8; j <= 13; ++j)
        connect(TextInfo_[j], &QLineEdit::textChanged, this, [this, j](const QString& text) {
            session_.SetNote(j - 7, notesPly_, text.toStdString());
            emit Edited();
        });
    for (int k = 1; k <= 6; ++k)
        connect(TextInfo_[k], &QLineEdit::textChanged, this, &GameInfoBoxes::WriteHeader);
    for (int k = 11; k <= 13; ++k)
        TextInfo_[k]->setMaximumWidth(44);
    TextInfo_[9]->installEventFilter(this);
    TextInfo_[10]->installEventFilter(this);
    TextInfoS = new QPlainTextEdit;
    TextInfoS->setObjectName(QStringLiteral("TextInfoS"));
    TextInfoS->setPlaceholderText(QStringLiteral("ここの入力はヘルプを参照してください"));
    TextInfoS->setMaximumHeight(36);
    connect(TextInfoS, &QPlainTextEdit::textChanged, this, &GameInfoBoxes::WriteHeader);
    CombKekka = new QComboBox;
    CombKekka->setObjectName(QStringLiteral("CombKekka"));
    CombKekka->setEditable(true);
    CombKekka->addItems({QStringLiteral("1-0"), QStringLiteral("0-1"), QStringLiteral("1/2-1/2"), QStringLiteral("*")});
    connect(CombKekka, &QComboBox::currentTextChanged, this, &GameInfoBoxes::WriteHeader);
    connect(&session_, &GameSession::HeaderChanged, this, &GameInfoBoxes::ShowHeader);
    connect(&session_, &GameSession::RecordStarted, this, &GameInfoBoxes::StartHeader);
    StartHeader();  // the session's first record was started before the boxes were there
}

QGridLayout* GameInfoBoxes::FramedGrid(int index)
{
    Shape1[index] = new QFrame;
    Shape1[index]->setObjectName(QStringLiteral("Shape1(%1)").arg(index));
    Shape1[index]->setFrameShape(QFrame::Box);
    auto* grid = new QGridLayout(Shape1[index]);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    return grid;
}

QLabel* GameInfoBoxes::InfoLabel(int index, const QString& caption)
{
    LabeInfo[index] = new QLabel(caption);
    LabeInfo[index]->setObjectName(QStringLiteral("LabeInfo(%1)").arg(index));
    return LabeInfo[index];
}

QWidget* GameInfoBoxes::BuildInformation()
{
    QGridLayout* grid = FramedGrid(1);
    const QString captions[] = {QStringLiteral("イベント"), QStringLiteral("場所"), QStringLiteral("日付"),
                                QStringLiteral("ラウンド"), QStringLiteral("白"), QStringLiteral("黒")};
    for (int k = 1; k <= 6; ++k) {
        const int row = k <= 2 ? k - 1 : k <= 4 ? 2 : k - 2;
        const int column = (k == 4) ? 2 : 0;
        grid->addWidget(InfoLabel(k - 1, captions[k - 1]), row, column);
        grid->addWidget(TextInfo_[k], row, column + 1, 1, (k == 3 || k == 4) ? 1 : 3);
    }
    grid->addWidget(InfoLabel(6, QStringLiteral("結果")), 5, 0);
    grid->addWidget(CombKekka, 5, 1);
    grid->addWidget(InfoLabel(10, QStringLiteral("他")), 6, 0, Qt::AlignTop);
    grid->addWidget(TextInfoS, 6, 1, 1, 3);
    return Shape1[1];
}

QWidget* GameInfoBoxes::BuildPostalBlock()
{
    QGridLayout* grid = FramedGrid(2);
    auto stamp = [this](int index) {
        LabelJpca[index] = new QLabel(QStringLiteral("消"));
        LabelJpca[index]->setObjectName(QStringLiteral("LabelJpca(%1)").arg(index));
        return LabelJpca[index];
    };
    grid->addWidget(InfoLabel(13, QStringLiteral("〒")), 0, 0);
    grid->addWidget(InfoLabel(7, QStringLiteral("消印")), 0, 1);
    grid->addWidget(TextInfo_[8], 0, 2);
    grid->addWidget(stamp(7), 0, 3);
    grid->addWidget(InfoLabel(8, QStringLiteral("着")), 0, 4);
    grid->addWidget(TextInfo_[9], 0, 5);
    grid->addWidget(stamp(8), 0, 6);
    grid->addWidget(InfoLabel(9, QStringLiteral("発")), 1, 1);
    grid->addWidget(TextInfo_[10], 1, 2);
    grid->addWidget(stamp(9), 1, 3);
    grid->addWidget(InfoLabel(12, QStringLiteral("＋")), 1, 4);
    auto* days = new QHBoxLayout;
    days->addWidget(TextInfo_[11]);
    days->addWidget(TextInfo_[12]);
    days->addWidget(InfoLabel(11, QStringLiteral("：")));
    days->addWidget(TextInfo_[13]);
    grid->addLayout(days, 1, 5, 1, 2);
    LabelLedger = new QLabel;
    LabelLedger->setObjectName(QStringLiteral("LabelLedger"));
    LabelLedger->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(LabelLedger, 2, 1, 1, 6);
    return Shape1[2];
}

QStringList GameInfoBoxes::Captions() const
{
    QStringList captions;
    for (int k = 0; k <= 6; ++k)
        captions << LabeInfo[k]->text();
    return captions;
}

void GameInfoBoxes::StartHeader()
{
    GameHeader header;
    header.Field[kEvent] = kProgramCaption;
    const QDate today = QDate::currentDate();
    header.Field[kDate] = ShortDate(today.year(), today.month(), today.day());
    header.Field[kResult] = "*";
    session_.SetHeader(header);
}

void GameInfoBoxes::ShowHeader()
{
    // A box whose text is already the header's keeps its cursor.
    const GameHeader& header = session_.Header();
    showing_ = true;
    for (int k = 1; k <= 6; ++k) {
        const QString field = QString::fromStdString(header.Field[k]);
        if (TextInfo_[k]->text() != field)
            TextInfo_[k]->setText(field);
    }
    const QString result = header.Field[kResult].empty() ? QStringLiteral("*") : QString::fromStdString(header.Field[kResult]);
    if (CombKekka->currentText() != result)
        CombKekka->setCurrentText(result);
    const QString further = QString::fromStdString(header.TextInfoS);
    if (TextInfoS->toPlainText() != further)
        TextInfoS->setPlainText(further);
    showing_ = false;
}

void GameInfoBoxes::WriteHeader()
{
    emit Edited();
    if (showing_)
        return;
    GameHeader header;
    for (int k = 1; k <= 6; ++k)
        header.Field[k] = TextInfo_[k]->text().toStdString();
    header.Field[kResult] = CombKekka->currentText().toStdString();
    header.TextInfoS = TextInfoS->toPlainText().toStdString();
    session_.SetHeader(header);
}

void GameInfoBoxes::ShowNotes()
{
    const GameState& game = session_.Game();
    notesPly_ = game.CurPly;
    // The postal boxes belong to the moves of the main line.
    const bool mainLine = IsMainLine(game, notesPly_);
    for (int j = 8; j <= 13; ++j) {
        const QString note = QString::fromStdString(game.KifuNote[j - 7][notesPly_]);
        if (TextInfo_[j]->text() != note)  // an unchanged box keeps its cursor
            TextInfo_[j]->setText(note);
        TextInfo_[j]->setReadOnly(!mainLine);
    }
}

void GameInfoBoxes::SetDesk(const GameDesk& desk) { desk_ = desk; }

Ledger GameInfoBoxes::MainLineLedger() const
{
    return vorlik::MainLineLedger(session_.Game(), TextInfo_[kDate]->text().toStdString(), desk_.leave);
}

std::optional<Totals> GameInfoBoxes::PostcardTotals() const
{
    return vorlik::PostcardTotals(session_.Game(), TextInfo_[kDate]->text().toStdString(), desk_.leave);
}

void GameInfoBoxes::ShowLedger()
{
    Ledger ledger = MainLineLedger();
    const int today = LocalToday();
    if (ResultOpen(CombKekka->currentText().toStdString()))
        CountMoveInHand(ledger, today, desk_.receipt, desk_.leave);
    QString line = QString::fromStdString(LedgerLine(ledger, desk_.control));
    const QString error = QString::fromStdString(desk_.error);
    QString tip = error;
    if (const std::vector<LaterDate> later = DatesAfter(ledger, today); !later.empty()) {
        line += QStringLiteral(" ・ 今日より後の日付があります");
        tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromStdString(LaterDatesText(later));
    }
    if (!error.isEmpty())
        line += QStringLiteral(" ・ 持ち時間の設定を読めません");
    LabelLedger->setText(line);
    LabelLedger->setToolTip(tip);
}

void GameInfoBoxes::TextInfo_LostFocus(int index)
{
    if (index != 9 && index != 10)
        return;
    const std::string plus = TextInfo_[11]->text().toStdString();
    const std::string followed = FollowedDayCount(datesOnFocus_.first.toStdString(), datesOnFocus_.second.toStdString(),
                                                  TextInfo_[9]->text().toStdString(),
                                                  TextInfo_[10]->text().toStdString(), plus);
    if (followed != plus)
        TextInfo_[11]->setText(QString::fromStdString(followed));
}

bool GameInfoBoxes::eventFilter(QObject* watched, QEvent* event)
{
    const bool date = watched == TextInfo_[9] || watched == TextInfo_[10];
    if (date && event->type() == QEvent::FocusIn)
        datesOnFocus_ = {TextInfo_[9]->text(), TextInfo_[10]->text()};  // what a ＋ the program wrote was counted from
    else if (date && event->type() == QEvent::FocusOut)
        TextInfo_LostFocus(watched == TextInfo_[9] ? 9 : 10);
    return QObject::eventFilter(watched, event);
}

}  // namespace vorlik
