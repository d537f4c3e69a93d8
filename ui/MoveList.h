// How the move list shows a line: number, White's move and Black's move in
// three columns at fixed places, so that Black's moves stand in one column
// whatever the length of the number or of White's move, and the half-move
// whose position is on the board marked instead of the whole line. An
// annotated record's variations follow the move they are alternatives to,
// indented by their depth, and its comments stand on lines of their own.
#pragma once

#include "core/GameText.h"

#include <QStyledItemDelegate>

#include <string>
#include <vector>

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
// and the three columns the delegate draws; white and black are the record's
// nodes of the two moves (-1 for none).
void SetMoveLine(QListWidgetItem& item, const MoveListEntry& entry, const QString& text, int white, int black);

// One line of an annotated record's list: a full move of some line of the
// record, or a comment.
struct MoveRow {
    MoveListEntry entry;          // number 0: a comment
    int white = -1, black = -1;   // the nodes of the two moves
    int depth = 0;                // variations it is nested in
    std::string comment;
    std::string text;             // as the list reads it
};
// The lines of the whole record: the main line, each variation after the
// move it is an alternative to, in the notation `style`, marks after moves.
std::vector<MoveRow> MoveRows(const GameState& game, NotationStyle style);
// Writes a row into its item.
void SetMoveRow(QListWidgetItem& item, const MoveRow& row);

// The node of the move under a point of a line: White's move left of
// Black's column, else Black's (White's on a line without one); -1 for none.
int MoveAt(const QListWidget& list, int line, int x);

// Marks the half-move that led to the position of CurPly; nothing at the
// start position. Returns the marked line, -1 for none.
int MarkShownMove(QListWidget& list, const GameState& game);

}  // namespace vorlik
