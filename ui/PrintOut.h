// The printed page of a game, as data: the fields of the print dialog, how
// they are filled from the game, and the list of lines a page prints. No
// widgets and no painter here; PrintPainter lays the lines out on paper.
#pragma once

#include "core/GameHeader.h"
#include "core/HostIcon.h"
#include "core/ModuleMekDim.h"
#include "core/ModuleMekDim.h"
#include "core/PostalLedger.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

namespace vorlik {

// The four paper formats, numbered as the dialog's format buttons.
enum class PrintFormat { A7 = 0, A6 = 1, A5 = 2, Postcard = 3 };

// The font names a printed line asks for; the painter maps them to the fonts
// the system has.
inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kDiagramFont = QStringLiteral("Vorlik");

// What the print dialog shows and prints.
struct PrintFields {
    PrintFormat format = PrintFormat::A7;
    std::array<QString, 8> TextInfo;  // 1..7: event, site, date, round, White, Black, result
    QString Caption;                  // the move that led to the diagram ("12. ... Nf3")
    std::array<QString, 10> LabelBan; // 9 top border, 8..1 ranks, 0 bottom border
    QString TextKifu;                 // the whole score
    std::array<QString, 6> TextDataA; // postcard: mark, previous move, move sent, text, reference, text
    int OptionYuu = 0;                // 0 game A (upper half), 1 game B (lower half)
    std::array<bool, 2> CheckYuu{};
    std::array<QString, 2> CheckYuuCaption;
    std::array<QString, 2> CheckYuuSource;  // the caption a box takes when it is ticked
    QString LabelVorlik;                    // the footer
    // A claim to the tournament director (the endgame tables'): printed on the
    // postcard's message space in place of text 5, whole, in smaller type.
    QStringList Claim;
};

// The header captions LabelInfo(0..6).
extern const std::array<QString, 7> kLabelInfo;

// The fields as the dialog shows them when it opens on the game at CurPly:
// the header, the diagram, the caption, the score, the postcard lines and
// boxes. longNotation is the "国際長表記で保存" option. The format is A7.
// The postcard's reference carries the ledger's totals when they are given,
// else what the ＋ boxes of the move hold.
PrintFields FillPrintFields(const GameState& game, const GameHeader& header, bool longNotation, const QDate& today,
                            const std::optional<Totals>& totals = std::nullopt);

// The diagram's cell of a square: the glyph of a piece letter (anything else
// is an empty square) on a dark or a light square.
QChar DiagramGlyph(char piece, bool dark);
// What a cell glyph shows: its piece (0 for none) and square colour; false
// for a glyph of the border or the coordinates.
bool DiagramSquare(QChar glyph, char& piece, bool& dark);

// The ten diagram lines of the position at CurPly, White at the bottom.
std::array<QString, 10> MakeDiagram(const GameState& game);

// A tick box of the postcard toggled: its caption is filled or emptied.
void SetCheckYuu(PrintFields& fields, int box, bool on);

// The postcard's free text in lines: a line end starts a new line, and a line
// is closed once it holds 20 bytes or more in CP932 (a full-width character
// is two; one CP932 cannot hold counts as two as well). All lines come back,
// however many.
QStringList BreakPostalText(const QString& text);

// A line of a claim cut to lines of at most maxBytes in CP932, at a blank
// where one is near the end.
QStringList BreakClaimLine(const QString& line, int maxBytes);

// One printed line, or part of one: the font asked for, its size in points,
// the column it starts at (1 the left edge, columns as wide as a half-width
// character of the font; 0 right after the previous part), and the text.
// goesOn: the next part is printed on the same line.
struct PrintLine {
    QString font;
    double size = 0;
    int column = 1;
    QString text;
    bool goesOn = false;

    bool IsDiagram() const { return font == kDiagramFont; }
};

// The lines of the page the fields print, top down, in the chosen format.
QVector<PrintLine> PageLines(const PrintFields& fields);

}  // namespace vorlik
