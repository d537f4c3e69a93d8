// Puts the lines of a printed page on paper: fonts, columns measured in the
// font of each line, the diagram drawn as board cells with the program's own
// piece pictures, and further pages when the lines do not fit on one. The
// same code paints a printer, a PDF file and the preview on the screen.
#pragma once

#include "PrintOut.h"

#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPointF>
#include <QVector>

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;

namespace vorlik {

// The paper of a format, portrait, with margins that keep the lines on it.
QPageLayout PageLayoutOf(PrintFormat format);

// A font asked for by name ("ＭＳ ゴシック", "ＭＳ Ｐゴシック") at a size in points,
// with the system's Japanese Gothic fonts behind it.
QFont PrintFont(const QString& name, double points);

// Where one part of a line goes: its page (0 the first), its top-left corner
// in device units inside the margins, and its index in the line list.
struct PlacedLine {
    int page = 0;
    QPointF at;
    int index = 0;
};

// Lays the lines out top down on pages of pageHeight device units of device.
// An output line that does not fit starts a new page; empty lines, which
// only keep the footer in its place, are left out where they would push a
// printed line over the bottom, and never start a page.
QVector<PlacedLine> LayOutLines(const QVector<PrintLine>& lines, const QPaintDevice* device, double pageHeight);
int PageCount(const QVector<PlacedLine>& placed);

// Paints page `page` of laid-out lines; the painter's origin is the corner
// inside the margins.
void PaintPage(QPainter& painter, const QVector<PrintLine>& lines, const QVector<PlacedLine>& placed, int page);

// A diagram line: one cell per character of the glyph table, each `cell`
// device units square, from topLeft to the right.
void DrawDiagramText(QPainter& painter, const QPointF& topLeft, const QString& text, double cell);

// The message when the page could not be printed on target (a file or a printer).
QString PrintFailed(const QString& target);

// Prints every page on device, whose page layout is already set. Empty when
// all went well, else a message that names target.
QString PrintLines(QPagedPaintDevice& device, const QVector<PrintLine>& lines, const QString& target);

// The page as a PDF file at path, on the paper of format; empty or the error.
QString WritePdf(const QString& path, const QVector<PrintLine>& lines, PrintFormat format);

// A picture of one page for the screen, paper white, at dpi.
QImage PageImage(const QVector<PrintLine>& lines, PrintFormat format, double dpi, int page = 0,
                 int* pageCount = nullptr);

}  // namespace vorlik
