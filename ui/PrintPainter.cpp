#include "PrintPainter.h"

#include "JapaneseFonts.h"
#include "PieceArt.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace vorlik {

namespace {

constexpr double kPointsPerInch = 72.0;

double DevicePoints(const QPaintDevice* device, double points) { return points * device->logicalDpiY() / kPointsPerInch; }

// An output line: the parts printed side by side, first..last in the list.
struct OutputLine {
    int first, last;
};

QVector<OutputLine> OutputLines(const QVector<PrintLine>& lines)
{
    QVector<OutputLine> out;
    for (int k = 0; k < lines.size(); ++k) {
        const int first = k;
        while (lines[k].goesOn && k + 1 < lines.size())
            ++k;
        out.append({first, k});
    }
    return out;
}

// Every part is as high as its size: the Gothic fonts' lines are one em, and
// the diagram's cells are square, so its ranks touch.
double HeightOf(const QVector<PrintLine>& lines, const OutputLine& line, const QPaintDevice* device)
{
    double points = 0;
    for (int k = line.first; k <= line.last; ++k)
        points = qMax(points, lines[k].size);
    return DevicePoints(device, points);
}

bool Blank(const QVector<PrintLine>& lines, const OutputLine& line)
{
    for (int k = line.first; k <= line.last; ++k)
        if (lines[k].IsDiagram() || !lines[k].text.trimmed().isEmpty())
            return false;
    return true;
}

// A column is as wide as a half-width character of the part's font; the
// diagram's cells are two columns wide, like any full-width character.
double ColumnWidth(const PrintLine& line, const QPaintDevice* device)
{
    if (line.IsDiagram())
        return DevicePoints(device, line.size) / 2;
    return QFontMetricsF(PrintFont(line.font, line.size), device).averageCharWidth();
}

double WidthOf(const PrintLine& line, const QPaintDevice* device)
{
    if (line.IsDiagram())
        return line.text.size() * DevicePoints(device, line.size);
    return QFontMetricsF(PrintFont(line.font, line.size), device)
        .horizontalAdvance(line.text);
}

// The height of the next output line that prints something, 0 when none is left.
double NextPrintedHeight(const QVector<PrintLine>& lines, const QVector<OutputLine>& out, int from,
                         const QPaintDevice* device)
{
    for (int k = from; k < out.size(); ++k)
        if (!Blank(lines, out[k]))
            return HeightOf(lines, out[k], device);
    return 0;
}

const QColor kDarkSquare{0xB4, 0xB4, 0xB4};

void DrawBorderText(QPainter& painter, const QRectF& cell, const QString& text)
{
    QFont font = PrintFont(kGothic, 10);
    font.setPixelSize(qMax(1, qRound(cell.height() * 0.55)));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(cell, Qt::AlignCenter, text);
}

void DrawCell(QPainter& painter, const QRectF& rect, QChar glyph)
{
    const double line = qMax(1.0, rect.width() / 14);
    QPen border(Qt::black, line, Qt::SolidLine, Qt::SquareCap);
    char piece = 0;
    bool dark = false;
    if (DiagramSquare(glyph, piece, dark)) {
        if (dark)
            painter.fillRect(rect, kDarkSquare);
        if (piece != 0) {
            const QPixmap picture = PiecePixmap(piece, qMax(1, qRound(rect.width())));
            painter.drawPixmap(rect, picture, QRectF(picture.rect()));
        }
        return;
    }
    painter.setPen(border);
    const ushort code = glyph.unicode();
    if (glyph == QChar(0x308A)) {  // "り" the top border
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    } else if (glyph == QChar(0x308B)) {  // "る" the right border
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
    } else if (code >= 0xFF11 && code <= 0xFF18) {  // "１".."８": a rank with the left border
        painter.drawLine(rect.topRight(), rect.bottomRight());
        DrawBorderText(painter, rect, QString(QChar('1' + code - 0xFF11)));
    } else if (code >= 0xFF41 && code <= 0xFF48) {  // "ａ".."ｈ": a file under the bottom border
        painter.drawLine(rect.topLeft(), rect.topRight());
        DrawBorderText(painter, rect, QString(QChar('a' + code - 0xFF41)));
    }
}

void DrawPart(QPainter& painter, const PrintLine& line, const QPointF& at)
{
    const QPaintDevice* device = painter.device();
    const double height = DevicePoints(device, line.size);
    if (line.IsDiagram()) {
        DrawDiagramText(painter, at, line.text, height);
        return;
    }
    const QFont font = PrintFont(line.font, line.size);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, device);
    // The font's ascent and descent are fitted into the line's one em.
    const double baseline = height * metrics.ascent() / (metrics.ascent() + metrics.descent());
    painter.drawText(QPointF(at.x(), at.y() + baseline), line.text);
}

}  // namespace

QString PrintFailed(const QString& target) { return QStringLiteral("%1 に印刷できませんでした。").arg(target); }

QPageLayout PageLayoutOf(PrintFormat format)
{
    switch (format) {
    case PrintFormat::A6:
        return QPageLayout(QPageSize(QPageSize::A6), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                           QPageLayout::Millimeter);
    case PrintFormat::A5:
        return QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Portrait, QMarginsF(8, 8, 8, 8),
                           QPageLayout::Millimeter);
    case PrintFormat::Postcard:
        return QPageLayout(QPageSize(QPageSize::Postcard), QPageLayout::Portrait, QMarginsF(4, 4, 4, 4),
                           QPageLayout::Millimeter);
    default:  // 44 characters of score need all but 3 mm of the width
        return QPageLayout(QPageSize(QPageSize::A7), QPageLayout::Portrait, QMarginsF(3, 4, 3, 4),
                           QPageLayout::Millimeter);
    }
}

QFont PrintFont(const QString& name, double points)
{
    QFont font = GothicFont(name == kPGothic);
    font.setPointSizeF(points);
    return font;
}

QVector<PlacedLine> LayOutLines(const QVector<PrintLine>& lines, const QPaintDevice* device, double pageHeight)
{
    const QVector<OutputLine> out = OutputLines(lines);
    QVector<PlacedLine> placed;
    int page = 0;
    double y = 0;
    for (int k = 0; k < out.size(); ++k) {
        const double height = HeightOf(lines, out[k], device);
        if (Blank(lines, out[k])) {
            const bool pageTop = page > 0 && y == 0;
            if (!pageTop && y + height + NextPrintedHeight(lines, out, k + 1, device) <= pageHeight)
                y += height;
            continue;
        }
        if (y > 0 && y + height > pageHeight) {
            ++page;
            y = 0;
        }
        double x = 0;
        for (int index = out[k].first; index <= out[k].last; ++index) {
            const PrintLine& line = lines[index];
            if (line.column > 0)
                x = (line.column - 1) * ColumnWidth(line, device);
            placed.append({page, QPointF(x, y), index});
            x += WidthOf(line, device);
        }
        y += height;
    }
    return placed;
}

int PageCount(const QVector<PlacedLine>& placed) { return placed.isEmpty() ? 1 : placed.last().page + 1; }

void PaintPage(QPainter& painter, const QVector<PrintLine>& lines, const QVector<PlacedLine>& placed, int page)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const PlacedLine& part : placed)
        if (part.page == page)
            DrawPart(painter, lines[part.index], part.at);
    painter.restore();
}

void DrawDiagramText(QPainter& painter, const QPointF& topLeft, const QString& text, double cell)
{
    for (int k = 0; k < text.size(); ++k)
        DrawCell(painter, QRectF(topLeft.x() + k * cell, topLeft.y(), cell, cell), text[k]);
}

QString PrintLines(QPagedPaintDevice& device, const QVector<PrintLine>& lines, const QString& target)
{
    QPainter painter;
    const QString failed = PrintFailed(target);
    if (!painter.begin(&device))
        return failed;
    const QVector<PlacedLine> placed = LayOutLines(lines, &device, device.height());
    const int pages = PageCount(placed);
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !device.newPage())
            return failed;
        PaintPage(painter, lines, placed, page);
    }
    return painter.end() ? QString() : failed;
}

QString WritePdf(const QString& path, const QVector<PrintLine>& lines, PrintFormat format)
{
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setCreator(QStringLiteral("Vorlik Print"));
    writer.setPageLayout(PageLayoutOf(format));
    const QString error = PrintLines(writer, lines, path);
    if (error.isEmpty() && QFileInfo(path).size() == 0)
        return PrintFailed(path);
    return error;
}

QImage PageImage(const QVector<PrintLine>& lines, PrintFormat format, double dpi, int page, int* pageCount)
{
    const QPageLayout layout = PageLayoutOf(format);
    const QSizeF paper = layout.fullRectPoints().size() * dpi / kPointsPerInch;
    QImage image(qMax(1, qRound(paper.width())), qMax(1, qRound(paper.height())), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    const QRectF inside(layout.paintRectPoints().topLeft() * dpi / kPointsPerInch,
                        layout.paintRectPoints().size() * dpi / kPointsPerInch);
    const QVector<PlacedLine> placed = LayOutLines(lines, &image, inside.height());
    if (pageCount)
        *pageCount = PageCount(placed);
    QPainter painter(&image);
    painter.translate(inside.topLeft());
    PaintPage(painter, lines, placed, page);
    return image;
}

}  // namespace vorlik
