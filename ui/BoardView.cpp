#include "BoardView.h"

#include "PieceArt.h"
#include "core/ModuleMekDim.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace vorlik {

namespace {

// Rank numbers 1..8 from the top, laid over the numbers of the frame.
class RankStrip : public QWidget {
public:
    explicit RankStrip(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("ImaTurn"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), BoardColors::kFrame);
        painter.setPen(BoardColors::kFrameText);
        QFont font = painter.font();
        font.setPixelSize(qMax(8, height() / 22));
        font.setBold(true);
        painter.setFont(font);
        const qreal cell = height() / 8.0;
        for (int k = 0; k < 8; ++k)
            painter.drawText(QRectF(0, k * cell, width(), cell), Qt::AlignCenter, QString::number(k + 1));
    }
};

}  // namespace

PieceImage::PieceImage(int index, QWidget* parent) : QWidget(parent), index_(index)
{
    setObjectName(QStringLiteral("ImaCheMan(%1)").arg(index));
    setAttribute(Qt::WA_TransparentForMouseEvents);  // the board handles the mouse
}

void PieceImage::SetPiece(char piece)
{
    if (piece_ != piece) {
        piece_ = piece;
        update();
    }
}

void PieceImage::paintEvent(QPaintEvent*)
{
    if (piece_ == 0)
        return;
    QPainter painter(this);
    const int size = qMin(width(), height());
    painter.drawPixmap((width() - size) / 2, (height() - size) / 2, PiecePixmap(piece_, size));
}

BoardView::BoardView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ImaCheBoa"));
    setMinimumSize(200, 200);
    setFocusPolicy(Qt::StrongFocus);  // the arrow keys step through the record here
    for (int index = 1; index <= 64; ++index)
        images_[index] = new PieceImage(index, this);
    turnStrip_ = new RankStrip(this);
    turnStrip_->hide();
    dragPiece_ = new QLabel(this);
    dragPiece_->setAttribute(Qt::WA_TransparentForMouseEvents);
    dragPiece_->hide();
}

BoardView::Frame BoardView::Geometry() const
{
    const int side = qMin(width(), height());
    const int margin = side * 3 / 40;  // rank numbers at the left, file letters below
    const int edge = side / 40;
    const int cell = (side - margin - edge) / 8;
    const int left = (width() - side) / 2 + margin;
    const int top = (height() - side) / 2 + edge;
    return {left, top, cell};
}

QRect BoardView::ImageRect(int index) const
{
    const Frame frame = Geometry();
    return {frame.left + (Column(index) - 1) * frame.cell, frame.top + (8 - Row(index)) * frame.cell, frame.cell,
            frame.cell};
}

int BoardView::ImageAt(QPoint point) const
{
    const Frame frame = Geometry();
    if (point.x() < frame.left || point.y() < frame.top)
        return 0;
    const int column = (point.x() - frame.left) / frame.cell + 1;
    const int rowFromTop = (point.y() - frame.top) / frame.cell + 1;
    if (column > 8 || rowFromTop > 8)
        return 0;
    return (column - 1) * 8 + (9 - rowFromTop);
}

void BoardView::DrawBoard(TextBoard board, bool flipped)
{
    if (flipped)
        for (int file = 1; file <= 8; ++file)
            for (int rank = 1; rank <= 4; ++rank)
                std::swap(board[file][rank], board[file][9 - rank]);
    int index = 0;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank) {
            const std::string& square = board[file][rank];
            const char piece = square.size() == 1 && IsPiece(square[0]) ? square[0] : 0;
            images_[++index]->SetPiece(piece);
        }
}

void BoardView::BlankDragSquare(int file, int row)
{
    const int index = (file - 1) * 8 + row;
    if (index >= 1 && index <= 64)
        images_[index]->SetPiece(0);
}

void BoardView::SetTurned(bool turned) { turnStrip_->setVisible(turned); }

void BoardView::SetMarks(int lastFrom, int lastTo, int chosen)
{
    const std::array<int, 3> marks{lastFrom, lastTo, chosen};
    if (marks != marks_) {
        marks_ = marks;
        update();
    }
}

void BoardView::ShowDragPiece(char piece)
{
    const int size = Geometry().cell;
    dragPiece_->setPixmap(PiecePixmap(piece, size));
    dragPiece_->resize(size, size);
    dragPiece_->raise();
    dragPiece_->show();
    dragging_ = true;
}

void BoardView::BeginDrag(int index, char piece)
{
    dragImage_ = index;
    ShowDragPiece(piece);
    BlankDragSquare(Column(index), Row(index));
    MoveDragPiece(pressPoint_);
}

void BoardView::BeginHeldDrag(char piece)
{
    if (dragging_)
        return;
    dragImage_ = 0;
    ShowDragPiece(piece);
    grabMouse();
    grabKeyboard();  // Escape reaches the board, not the palette's window
    grabbed_ = true;
    MoveDragPiece(mapFromGlobal(QCursor::pos()));
}

QRect BoardView::BoardRect() const
{
    const int side = qMin(width(), height());
    return {(width() - side) / 2, (height() - side) / 2, side, side};
}

void BoardView::MoveDragPiece(QPoint point)
{
    // The piece follows the pointer but never leaves the board.
    const int half = dragPiece_->width() / 2;
    const QRect board = BoardRect();
    const int x = qBound(board.left() + half, point.x(), board.right() - half);
    const int y = qBound(board.top() + half, point.y(), board.bottom() - half);
    dragPiece_->move(x - half, y - half);
}

void BoardView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Frame frame = Geometry();
    const QRect outer = BoardRect();
    painter.fillRect(outer, BoardColors::kFrame);
    if (hasFocus()) {  // the keys step through the record here: the frame says so
        painter.setPen(QPen(BoardColors::kFrameText, 1, Qt::DotLine));
        painter.drawRect(outer.adjusted(1, 1, -2, -2));
    }
    for (int index = 1; index <= 64; ++index)
        painter.fillRect(ImageRect(index), (Column(index) + Row(index)) % 2 == 0 ? BoardColors::kDark
                                                                                : BoardColors::kLight);
    for (int index = 0; index < 3; ++index)
        if (marks_[index] != 0)
            painter.fillRect(ImageRect(marks_[index]), index == 2 ? BoardColors::kChosen : BoardColors::kLastMove);
    painter.setPen(BoardColors::kFrameText);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(qMax(8, frame.cell * 2 / 5));
    painter.setFont(font);
    const QRect strip(outer.left(), frame.top, frame.left - outer.left(), 8 * frame.cell);
    for (int rank = 8; rank >= 1; --rank)
        painter.drawText(QRect(strip.left(), frame.top + (8 - rank) * frame.cell, strip.width(), frame.cell),
                         Qt::AlignCenter, QString::number(rank));
    // Under each file its letter, with the postal digit as a subscript.
    QFont small = font;
    small.setPixelSize(qMax(6, frame.cell * 3 / 10));
    const int baseline = frame.top + 8 * frame.cell + (outer.bottom() - frame.top - 8 * frame.cell) * 3 / 4;
    for (int file = 1; file <= 8; ++file) {
        const QString letter(QChar('a' + file - 1));
        const QString digit = QString::number(file);
        const int letterWidth = QFontMetrics(font).horizontalAdvance(letter);
        const int digitWidth = QFontMetrics(small).horizontalAdvance(digit);
        const int x = frame.left + (file - 1) * frame.cell + (frame.cell - letterWidth - digitWidth) / 2;
        painter.setFont(font);
        painter.drawText(x, baseline, letter);
        painter.setFont(small);
        painter.drawText(x + letterWidth, baseline + small.pixelSize() / 3, digit);
    }
}

void BoardView::resizeEvent(QResizeEvent*)
{
    for (int index = 1; index <= 64; ++index)
        images_[index]->setGeometry(ImageRect(index));
    const Frame frame = Geometry();
    const int side = qMin(width(), height());
    const int outerLeft = (width() - side) / 2;
    turnStrip_->setGeometry(outerLeft, frame.top, frame.left - outerLeft, 8 * frame.cell);
}

void BoardView::mousePressEvent(QMouseEvent* event)
{
    pressPoint_ = event->position().toPoint();
    const int index = ImageAt(pressPoint_);
    if (index != 0 && !dragging_)
        emit ImagePressed(index);
    if (dragging_)
        MoveDragPiece(event->position().toPoint());
}

void BoardView::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_)
        MoveDragPiece(event->position().toPoint());
}

void BoardView::EndDrag()
{
    dragging_ = false;
    if (grabbed_) {
        releaseKeyboard();
        releaseMouse();
        grabbed_ = false;
    }
    dragPiece_->hide();
}

void BoardView::CancelDrag()
{
    if (!dragging_)
        return;
    EndDrag();
    emit DragCancelled(dragImage_);
}

void BoardView::mouseReleaseEvent(QMouseEvent* event)
{
    // A release outside a drag does nothing: no square of an old drag is reused.
    if (!dragging_)
        return;
    EndDrag();
    const int index = ImageAt(event->position().toPoint());
    if (index != 0 && index == dragImage_)
        emit ImageClicked(index);
    else if (index != 0)
        emit ImageDropped(index);
    else
        emit BoardDropped();
}

void BoardView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && dragging_)
        CancelDrag();
    else
        emit KeyDown(event->key());
}

}  // namespace vorlik
