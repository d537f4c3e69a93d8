#include "MoveList.h"

#include "core/KifuTree.h"

#include <QApplication>
#include <QListWidget>
#include <QPainter>

#include <algorithm>

namespace vorlik {

namespace {

enum MoveListRole {
    kNumberRole = Qt::UserRole,
    kWhiteRole,
    kBlackRole,
    kMarkRole,
    kWhiteNodeRole,
    kBlackNodeRole,
    kDepthRole,
    kCommentRole,
};
enum Mark { kNoMark = 0, kWhiteMark = 1, kBlackMark = 2 };

// Column widths in digits: "200. " and nine characters of White's move
// with a blank after them.
constexpr int kNumberDigits = 5;
constexpr int kWhiteDigits = 10;

struct Columns {
    int whiteX, blackX;
};

// A variation stands two digits further right for each level it is nested in.
int Indent(const QFontMetrics& metrics, const QModelIndex& index)
{
    return 2 * metrics.horizontalAdvance(QLatin1Char('0')) * index.data(kDepthRole).toInt();
}

Columns ColumnsOf(const QFontMetrics& metrics, const QRect& rect, const QModelIndex& index)
{
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const QString number = index.data(kNumberRole).toString() + QLatin1Char(' ');
    const QString white = index.data(kWhiteRole).toString() + QLatin1Char(' ');
    const int left = rect.left() + Indent(metrics, index);
    const int whiteX = left + std::max(digit * kNumberDigits, metrics.horizontalAdvance(number));
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
    const int left = rect.left() + Indent(option.fontMetrics, index);
    painter->save();
    painter->setFont(option.font);
    if (index.data(kCommentRole).toBool()) {
        painter->setPen(option.palette.color(group, QPalette::PlaceholderText));
        painter->drawText(rect.adjusted(left - rect.left(), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(kWhiteRole).toString());
        painter->restore();
        return;
    }
    painter->setPen(option.palette.color(group, QPalette::Text));
    painter->drawText(QRect(left, rect.top(), columns.whiteX - left, rect.height()),
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

void SetMoveLine(QListWidgetItem& item, const MoveListEntry& entry, const QString& text, int white, int black)
{
    item.setText(text);
    item.setData(kNumberRole, QString::number(entry.number) + QLatin1Char('.'));
    item.setData(kWhiteRole, QString::fromStdString(entry.white));
    item.setData(kBlackRole, QString::fromStdString(entry.black));
    item.setData(kWhiteNodeRole, white);
    item.setData(kBlackNodeRole, black);
    item.setData(kDepthRole, 0);
    item.setData(kCommentRole, false);
}

namespace {

// The marks of a move as they follow it: "!" .. "?!" for $1 .. $6, "$n" else.
std::string MarkText(const std::vector<unsigned char>& nags)
{
    static const char* const kSymbols[] = {"", "!", "?", "!!", "??", "!?", "?!"};
    std::string text;
    for (const unsigned char nag : nags)
        text += nag >= 1 && nag <= 6 ? std::string(kSymbols[nag]) : " $" + std::to_string(nag);
    return text;
}

std::string NodeText(const KifuNode& node, NotationStyle style)
{
    const std::string& move = style == kStyleLong     ? node.Long
                              : style == kStylePostal ? node.Postal
                              : style == kStyleCoord  ? node.Coord
                                                      : node.Short;
    return move + MarkText(node.nags);
}

struct RowBuilder {
    const GameState& game;
    NotationStyle style;
    std::vector<MoveRow> rows;
    MoveRow row;
    bool open = false;

    void Flush()
    {
        if (!open)
            return;
        const MoveListEntry& entry = row.entry;
        row.text = std::string(2 * row.depth, ' ') + std::to_string(entry.number) + ". " + entry.white;
        if (!entry.black.empty())
            row.text += std::string(entry.white.size() < 9 ? 9 - entry.white.size() : 0, ' ') + entry.black;
        rows.push_back(row);
        open = false;
    }
    void Comment(const std::string& text, int depth)
    {
        if (text.empty())
            return;
        Flush();
        MoveRow comment;
        comment.depth = depth;
        comment.comment = text;
        comment.text = std::string(2 * depth, ' ') + text;
        rows.push_back(comment);
    }
    void Move(int id, const KifuNode& node, int depth)
    {
        const bool white = IsWhitePly(node.ply);
        if (white || !open) {
            Flush();
            row = MoveRow{};
            row.entry.number = MoveNumber(game, node.ply);
            row.entry.white = "...";
            row.depth = depth;
            open = true;
        }
        (white ? row.white : row.black) = id;
        (white ? row.entry.white : row.entry.black) = NodeText(node, style);
        if (!white)
            Flush();
    }
    // A line from its first move on, each variation after the move it is an
    // alternative to.
    void Line(int id, int depth)
    {
        Comment(Node(game, id).commentBefore, depth);
        while (id != -1) {
            const KifuNode node = Node(game, id);
            if (!node.Coord.empty())
                Move(id, node, depth);
            const std::vector<int> alternatives = node.parent >= 0 ? Children(game, node.parent) : std::vector<int>{};
            const bool branches = alternatives.size() > 1 && alternatives[0] == id;
            if (!node.comment.empty() || branches)
                Flush();
            Comment(node.comment, depth);
            for (std::size_t k = 1; branches && k < alternatives.size(); ++k)
                Line(alternatives[k], depth + 1);
            id = node.firstChild;
        }
        Flush();
    }
};

}  // namespace

std::vector<MoveRow> MoveRows(const GameState& game, NotationStyle style)
{
    RowBuilder builder{game, style, {}, {}, false};
    builder.Comment(Node(game, 0).comment, 0);  // before the first move
    const std::vector<int> first = Children(game, 0);
    if (!first.empty())
        builder.Line(first[0], 0);
    return builder.rows;
}

void SetMoveRow(QListWidgetItem& item, const MoveRow& row)
{
    SetMoveLine(item, row.entry, QString::fromStdString(row.text), row.white, row.black);
    item.setData(kDepthRole, row.depth);
    item.setData(kCommentRole, !row.comment.empty());
    if (!row.comment.empty())
        item.setData(kWhiteRole, QString::fromStdString(row.comment));
}

int MoveAt(const QListWidget& list, int line, int x)
{
    const QListWidgetItem* item = list.item(line);
    if (!item)
        return -1;
    const int white = item->data(kWhiteNodeRole).toInt();
    const int black = item->data(kBlackNodeRole).toInt();
    const QModelIndex index = list.model()->index(line, 0);
    const QRect rect = list.visualItemRect(item).adjusted(2, 0, 0, 0);
    const bool leftOfBlack = x < ColumnsOf(list.fontMetrics(), rect, index).blackX;
    if (white >= 0 && (leftOfBlack || black < 0))
        return white;
    return black >= 0 ? black : white;
}

int MarkShownMove(QListWidget& list, const GameState& game)
{
    const int shown = NodeAt(game, game.CurPly);
    int marked = -1;
    for (int k = 0; k < list.count(); ++k) {
        QListWidgetItem* item = list.item(k);
        const int wanted = shown <= 0                                        ? kNoMark
                           : item->data(kWhiteNodeRole).toInt() == shown ? kWhiteMark
                           : item->data(kBlackNodeRole).toInt() == shown ? kBlackMark
                                                                          : kNoMark;
        if (item->data(kMarkRole).toInt() != wanted)
            item->setData(kMarkRole, wanted);
        if (wanted != kNoMark)
            marked = k;
    }
    return marked;
}

}  // namespace vorlik
