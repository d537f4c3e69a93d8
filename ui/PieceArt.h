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
}  // namespace BoardColors

}  // namespace vorlik
