// The program's own pictures: the twelve pieces, drawn from the chess glyphs
// of DejaVu Sans, and the colours of the board.
#pragma once

#include <QColor>
#include <QPixmap>

namespace vorlik {

// The picture of a piece letter ("KQRBNP" White, "kqrbnp" Black) at a size in
// pixels; a null pixmap for anything else.
QPixmap PiecePixmap(char letter, int size);

namespace BoardColors {
inline const QColor kLight{0xF0, 0xDC, 0xB4};
inline const QColor kDark{0xB0, 0x7C, 0x52};
inline const QColor kFrame{0x6E, 0x14, 0x14};  // dark red
inline const QColor kFrameText{0xF6, 0xE8, 0xC8};
inline const QColor kLastMove{0xE6, 0xC8, 0x28, 0x90};  // laid over a square, light or dark
inline const QColor kChosen{0x3C, 0x8C, 0x3C, 0xA0};
}  // namespace BoardColors

}  // namespace vorlik
