// The board picture ImaCheBoa with its 64 piece images ImaCheMan(1..64).
// It draws whatever 9 x 9 text board it is given and handles the whole drag
// itself: press, the piece following the pointer inside the board, release.
// A piece let go on the square it was lifted from is a click, not a move.
#pragma once

#include <QWidget>

#include <array>
#include <string>

class QLabel;

namespace vorlik {

// A board of one-letter texts indexed [file][rank], 1..8 each; "" or the
// code-0 character is an empty square.
using TextBoard = std::array<std::array<std::string, 9>, 9>;

// One square's picture: the piece it shows, or nothing.
class PieceImage : public QWidget {
    Q_OBJECT
public:
    PieceImage(int index, QWidget* parent);
    int Index() const { return index_; }
    char Piece() const { return piece_; }
    void SetPiece(char piece);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int index_;
    char piece_ = 0;
};

class BoardView : public QWidget {
    Q_OBJECT
public:
    explicit BoardView(QWidget* parent = nullptr);

    // Shows the board; with flipped the ranks are exchanged (files never are).
    void DrawBoard(TextBoard board, bool flipped);
    // Clears the picture of the image in screen column `file`, `row` counted
    // from the bottom: the piece seems lifted from its square.
    void BlankDragSquare(int file, int row);
    // The strip with the ranks 1..8 from the top, shown while the board is turned.
    void SetTurned(bool turned);
    // The squares tinted under the pieces: the last move's two and the piece
    // chosen to move; 0 for none.
    void SetMarks(int lastFrom, int lastTo, int chosen);

    PieceImage* Image(int index) const { return images_[index]; }
    QWidget* TurnStrip() const { return turnStrip_; }
    // Image under a point of this widget, or 0 off the squares.
    int ImageAt(QPoint point) const;
    QRect ImageRect(int index) const;
    // The board as drawn, frame included: a square in the middle of the widget.
    QRect BoardRect() const;
    static int Column(int index) { return (index - 1) / 8 + 1; }
    static int Row(int index) { return (index - 1) % 8 + 1; }

    // Starts dragging the piece of image `index` from the point pressed.
    void BeginDrag(int index, char piece);
    // Starts dragging a piece that comes from outside the board (the set-up
    // palette): the board takes the pointer until the button is released.
    void BeginHeldDrag(char piece);
    bool Dragging() const { return dragging_; }
    // Ends a drag without a drop: the piece goes back where it came from.
    void CancelDrag();

    QSize sizeHint() const override { return {361, 361}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

signals:
    void ImagePressed(int index);  // a press on a square (ImaCheMan_MouseDown)
    void ImageDropped(int index);  // a drag released on a square (ImaCheMan_DragDrop)
    void BoardDropped();           // a drag released off the squares (ImaCheBoa_DragDrop)
    void ImageClicked(int index);  // a drag released on the square it began on
    void DragCancelled(int index); // Escape: image the drag began on, 0 for a piece from outside
    void KeyDown(int key);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Frame {
        int left, top, cell;
    };
    Frame Geometry() const;
    void MoveDragPiece(QPoint point);
    void ShowDragPiece(char piece);
    // Hides the dragged piece and gives back the pointer and the keys.
    void EndDrag();

    std::array<PieceImage*, 65> images_{};  // 1..64
    QWidget* turnStrip_ = nullptr;
    QLabel* dragPiece_ = nullptr;
    bool dragging_ = false;
    bool grabbed_ = false;  // the drag began outside the board
    QPoint pressPoint_;
    int dragImage_ = 0;  // the image the drag began on; 0 from outside the board
    std::array<int, 3> marks_{};  // last move's from and to, the chosen piece
};

}  // namespace vorlik
