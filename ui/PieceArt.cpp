#include "PieceArt.h"
#include "core/ModuleMekDim.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>

namespace vorlik {

namespace {

// The solid glyph gives the body, the outline glyph the drawing on top.
struct Glyphs {
    QChar solid, outline;
};

bool GlyphsOf(char letter, Glyphs& glyphs)
{
    static const char kLetters[] = "KQRBNP";
    for (int k = 0; k < 6; ++k)
        if (IsPiece(letter) && kLetters[k] == UpperPiece(letter)) {
            glyphs = {QChar(0x265A + k), QChar(0x2654 + k)};
            return true;
        }
    return false;
}

void DrawGlyph(QPainter& painter, QChar glyph, int size, const QColor& colour)
{
    const QString text(glyph);
    const QRectF bounds = QFontMetricsF(painter.font()).tightBoundingRect(text);
    painter.setPen(colour);
    painter.drawText(QPointF((size - bounds.width()) / 2 - bounds.left(), (size - bounds.height()) / 2 - bounds.top()),
                     text);
}

QPixmap Draw(char letter, int size)
{
    Glyphs glyphs;
    if (!GlyphsOf(letter, glyphs))
        return QPixmap();
    // The glyph, not the font's line, should fill most of the square.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(size);
    const qreal glyphHeight = QFontMetricsF(font).tightBoundingRect(QString(QChar(0x265A))).height();
    font.setPixelSize(qMax(1, qRound(size * size * 0.82 / qMax<qreal>(1.0, glyphHeight))));
    const bool white = letter >= 'A' && letter <= 'Z';
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    // The solid glyph is the body; for White the outline glyph draws its lines
    // on top, for Black it firms up the edge.
    DrawGlyph(painter, glyphs.solid, size, white ? QColor(0xFC, 0xFC, 0xF4) : QColor(0x10, 0x10, 0x10));
    DrawGlyph(painter, glyphs.outline, size, QColor(0x10, 0x10, 0x10));
    return pixmap;
}

}  // namespace

QPixmap PiecePixmap(char letter, int size)
{
    static QHash<quint32, QPixmap> cache;
    const quint32 key = (static_cast<quint32>(static_cast<unsigned char>(letter)) << 16) | static_cast<quint32>(size);
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    const QPixmap pixmap = Draw(letter, size);
    cache.insert(key, pixmap);
    return pixmap;
}

}  // namespace vorlik
