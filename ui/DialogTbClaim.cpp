#include "DialogTbClaim.h"

#include "core/FenText.h"
#include "tablebase/TablebaseClaim.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlik {

namespace {

std::string Named(const std::string& name) { return name.empty() ? "?" : name; }

}  // namespace

QStringList TbClaimLines(const GameState& game, const GameHeader& header, const TbAnswer& answer)
{
    if (!answer.found)
        return {};
    TbClaimGame claim;
    claim.white = Named(header.Field[5]);
    claim.black = Named(header.Field[6]);
    claim.event = header.Field[1];
    claim.fen = WriteFenText(game, game.CurPly);
    claim.moveNumber = MoveNumber(game, game.CurPly + 1);
    claim.whiteToMove = !IsWhitePly(game.CurPly);
    claim.result = answer.result;
    claim.move = answer.moves.empty() ? std::string() : answer.moves.front().shortText;
    claim.dtz = answer.dtz;
    QStringList lines;
    for (const std::string& line : TbClaimText(claim))
        lines << QString::fromStdString(line);
    return lines;
}

DialogTbClaim::DialogTbClaim(const QStringList& lines, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DialogTbClaim"));
    setWindowTitle(QStringLiteral("テーブルベースで申告"));
    TextTbClaim = new QPlainTextEdit(this);
    TextTbClaim->setObjectName(QStringLiteral("TextTbClaim"));
    TextTbClaim->setPlainText(lines.join(QLatin1Char('\n')));
    TextTbClaim->setMinimumSize(560, 180);
    auto* buttons = new QDialogButtonBox(this);
    ComTbClaimCopy = buttons->addButton(QStringLiteral("コピー"), QDialogButtonBox::ActionRole);
    ComTbClaimCopy->setObjectName(QStringLiteral("ComTbClaimCopy"));
    ComTbClaimPrint = buttons->addButton(QStringLiteral("はがきに印刷..."), QDialogButtonBox::ActionRole);
    ComTbClaimPrint->setObjectName(QStringLiteral("ComTbClaimPrint"));
    QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton* button : {ComTbClaimCopy, ComTbClaimPrint, close})
        button->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ComTbClaimCopy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(TextTbClaim->toPlainText()); });
    connect(ComTbClaimPrint, &QPushButton::clicked, this, [this] {
        emit PrintOnCard(TextTbClaim->toPlainText().split(QLatin1Char('\n')));
        accept();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TextTbClaim);
    layout->addWidget(buttons);
}

}  // namespace vorlik
