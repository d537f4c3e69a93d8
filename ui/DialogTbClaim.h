// テーブルベースで申告: the claim of a win or a draw from the endgame tables to
// the tournament director, to copy to the clipboard or to print on the
// postcard's message space.
#pragma once

#include "core/GameHeader.h"
#include "core/ModuleMekDim.h"
#include "tablebase/Tablebase.h"

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace vorlik {

// The claim's lines for the position at CurPly of the game whose information
// is header, by the tables' answer; none when the side to move has nothing
// to claim (it loses, or the tables hold no answer).
QStringList TbClaimLines(const GameState& game, const GameHeader& header, const TbAnswer& answer);

class DialogTbClaim : public QDialog {
    Q_OBJECT
public:
    explicit DialogTbClaim(const QStringList& lines, QWidget* parent = nullptr);

    QPlainTextEdit* TextTbClaim = nullptr;
    QPushButton* ComTbClaimCopy = nullptr;   // "コピー"
    QPushButton* ComTbClaimPrint = nullptr;  // "はがきに印刷..."

signals:
    // The claim, as the box holds it, is to be printed on the postcard.
    void PrintOnCard(const QStringList& lines);
};

}  // namespace vorlik
