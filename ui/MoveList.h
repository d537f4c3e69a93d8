// How the move list shows a line: number, White's move and Black's move in
// three columns at fixed places, so that Black's moves stand in one column
// whatever the length of the number or of White's move, and the half-move
// whose position is on the board marked instead of the whole line.
#pragma once

#include "core/GameText.h"

#include <QStyledItemDelegate>

class QListWidget;
class QListWidgetItem;

namespace vorlik {

class MoveListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Writes a line into its item: the text as the list reads ("12. Nf3      e5")
// and the three columns the delegate draws.
void SetMoveLine(QListWidgetItem& item, const MoveListEntry& entry, const QString& text);

// Marks the half-move that led to the position of CurPly; nothing at the
// start position.
void MarkShownMove(QListWidget& list, const GameState& game);

}  // namespace vorlik
