#include "MoveList.h"

#include <QApplication>
#include <QListWidget>
#include <QPainter>

#include <algorithm>

namespace vorlik {

namespace {

enum MoveListRole { kNumberRole = Qt::UserRole, kWhiteRole, kBlackRole, kMarkRole };
enum Mark { kNoMark = 0, kWhiteMark = 1, kBlackMark = 2 };

// Column widths in digits: "200. " and nine characters of White's move
// with a blank after them.
constexpr int kNumberDigits = 5;
constexpr int kWhiteDigits = 10;

struct Columns {
    int whiteX, blackX;
};

Columns ColumnsOf(const QFontMetrics& metrics, const QRect& rect, const QModelIndex& index)
{
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const QString number = index.data(kNumberRole).toString() + QLatin1Char(' ');
    const QString white = index.data(kWhiteRole).toString() + QLatin1Char(' ');
    const int whiteX = rect.left() + std::max(digit * kNumberDigits, metrics.horizontalAdvance(number));
    return {whiteX, whiteX + std::max(digit * kWhiteDigits, metrics.horizontalAdvance(white))};
}

}  // namespace

void MoveListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    base.text.clear();
    base.state &= ~QStyle::State_Selected;  // the mark, not the line, shows where the board is
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &base, painter, widget);

    const QRect rect = option.rect.adjusted(2, 0, 0, 0);
    const Columns columns = ColumnsOf(option.fontMetrics, rect, index);
    const QPalette::ColorGroup group = option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const int mark = index.data(kMarkRole).toInt();
    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(group, QPalette::Text));
    painter->drawText(QRect(rect.left(), rect.top(), columns.whiteX - rect.left(), rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, index.data(kNumberRole).toString());
    const auto cell = [&](int x, const QString& text, bool marked) {
        const QRect box(x - 1, rect.top(), option.fontMetrics.horizontalAdvance(text) + 2, rect.height());
        if (marked && !text.isEmpty()) {
            painter->fillRect(box, option.palette.brush(group, QPalette::Highlight));
            painter->setPen(option.palette.color(group, QPalette::HighlightedText));
        } else {
            painter->setPen(option.palette.color(group, QPalette::Text));
        }
        painter->drawText(box, Qt::AlignCenter, text);
    };
    cell(columns.whiteX, index.data(kWhiteRole).toString(), mark == kWhiteMark);
    cell(columns.blackX, index.data(kBlackRole).toString(), mark == kBlackMark);
    painter->restore();
}

QSize MoveListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const Columns columns = ColumnsOf(option.fontMetrics, QRect(2, 0, 0, 0), index);
    size.setWidth(columns.blackX + option.fontMetrics.horizontalAdvance(index.data(kBlackRole).toString()) + 4);
    return size;
}

void SetMoveLine(QListWidgetItem& item, const MoveListEntry& entry, const QString& text)
{
    item.setText(text);
    item.setData(kNumberRole, QString::number(entry.number) + QLatin1Char('.'));
    item.setData(kWhiteRole, QString::fromStdString(entry.white));
    item.setData(kBlackRole, QString::fromStdString(entry.black));
}

void MarkShownMove(QListWidget& list, const GameState& game)
{
    const int ply = game.CurPly;
    const bool moved = ply >= 1 && ply <= kMaxPly && !game.KifuCoord[ply].empty();
    const int line = moved ? MoveNumber(ply) - 1 : -1;
    const int mark = IsWhitePly(ply) ? kWhiteMark : kBlackMark;
    for (int k = 0; k < list.count(); ++k) {
        const int wanted = k == line ? mark : kNoMark;
        if (list.item(k)->data(kMarkRole).toInt() != wanted)
            list.item(k)->setData(kMarkRole, wanted);
    }
}

}  // namespace vorlik
