#include "PrintOut.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>

#include "core/GameText.h"
#include "records/TextCodec.h"

namespace vorlik {

const std::array<QString, 7> kLabelInfo = {
    QStringLiteral("イベント："), QStringLiteral("　場所　："), QStringLiteral("　日付　："),
    QStringLiteral("ラウンド："), QStringLiteral("　　白　："), QStringLiteral("　　黒　："),
    QStringLiteral("　結果　："),
};

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The cells of the diagram, in the order of kPieceLetters, then the empty square.
const QString& Glyphs(bool dark)
{
    static const QString kDark = QStringLiteral("いきしちにひえけせてねへま");
    static const QString kLight = QStringLiteral("あかさたなはうくすつぬふみ");
    return dark ? kDark : kLight;
}

// A square is dark when its file and rank have the same parity (a1 is dark).
bool IsDark(int file, int rank) { return (file + rank) % 2 == 0; }

// The move text of a ply in the notation the score is written in.
QString ScoreMove(const GameState& game, int ply, bool longNotation)
{
    return Text(vorlik::MoveText(game, longNotation ? kStyleLong : kStyleShort, ply));
}

// A set-up position with Black to move keeps ply 1 without a move.
bool HasMove(const GameState& game, int ply) { return ply != 1 || !StartsWithBlack(game); }

QString Score(const GameState& game, bool longNotation)
{
    QString score;
    for (int ply = 1; ply <= game.LastPly; ++ply) {
        if (!HasMove(game, ply)) {
            score += QStringLiteral("%1... ").arg(MoveNumber(game, ply));  // Black moves first
            continue;
        }
        if (IsWhitePly(ply))
            score += QString::number(MoveNumber(game, ply)) + QLatin1Char('.');
        score += ScoreMove(game, ply, longNotation) + QLatin1Char(' ');
    }
    return score;
}

QString Note(const GameState& game, int j) { return Text(game.KifuNote[j][game.CurPly]); }

// The postcard's mark, moves and game reference for the move at CurPly.
void FillPostcard(PrintFields& fields, const GameState& game, const std::optional<Totals>& totals)
{
    const int ply = game.CurPly;
    const int n = MoveNumber(game, ply);
    const QString white = totals ? QString::number(totals->white) : Note(game, 5);
    const QString black = totals ? QString::number(totals->black) : Note(game, 6);
    const QString reference = QStringLiteral("( ") + white + QStringLiteral(" : ") + black + QStringLiteral(") ");
    const QString moveNow = Text(game.KifuShort[ply]);
    if (IsWhitePly(ply)) {
        fields.TextDataA[0] = QStringLiteral("Ａ局");
        if (ply >= 2)
            fields.TextDataA[1] = QString::number(n - 1) + QStringLiteral(". ... ") + Text(game.KifuShort[ply - 1]);
        fields.TextDataA[2] = QString::number(n) + QStringLiteral(". ") + moveNow;
        fields.TextDataA[4] = reference + QLatin1Char('A');
        fields.OptionYuu = 0;
    } else {
        fields.TextDataA[0] = QStringLiteral("Ｂ局");
        const QString before = HasMove(game, ply - 1) ? Text(game.KifuShort[ply - 1]) + QLatin1Char(' ')
                                                      : QStringLiteral("... ");
        fields.TextDataA[1] = QString::number(n) + QStringLiteral(". ") + before + moveNow;
        fields.TextDataA[4] = reference + QLatin1Char('B');
        fields.OptionYuu = 1;
    }
}

// Bytes of one character in CP932; one it cannot hold prints as wide as a
// full-width character.
int Cp932Bytes(const QString& character)
{
    std::string bytes;
    if (!EncodeText(character.toStdString(), TextEncoding::Cp932, bytes))
        return 2;
    return static_cast<int>(bytes.size());
}

QString Blanks(int count) { return QString(count, QLatin1Char(' ')); }

class LineList {
public:
    void Add(const QString& font, double size, int column, const QString& text, bool goesOn = false)
    {
        lines_.append({font, size, column, text, goesOn});
    }
    void Empty(const QString& font, double size, int count = 1)
    {
        for (int k = 0; k < count; ++k)
            Add(font, size, 1, QString());
    }
    QVector<PrintLine> Take() { return std::move(lines_); }

private:
    QVector<PrintLine> lines_;
};

struct BookSteps {
    int s, d;  // steps of the text size and of the diagram size
};

BookSteps StepsOf(PrintFormat format)
{
    switch (format) {
    case PrintFormat::A6: return {2, 5};
    case PrintFormat::A5: return {5, 9};
    default: return {0, 0};
    }
}

// The score in lines of at most kScoreWidth characters, broken at the blanks
// between moves. A move number with dots alone ("12...") stays with the move
// after it; a word wider than a line (the user's own text in the score box)
// is cut where the line ends.
QStringList ScoreLines(const QString& score)
{
    constexpr int kScoreWidth = 44;
    // The score box may hold line ends of its own; on paper the score runs on.
    const QStringList words = score.split(QRegularExpression(QStringLiteral("[ \r\n]+")), Qt::SkipEmptyParts);
    QStringList lines;
    QString line;
    for (int k = 0; k < words.size(); ++k) {
        QString word = words[k];
        if (word.endsWith(QLatin1String("...")) && k + 1 < words.size())
            word += QLatin1Char(' ') + words[++k];
        if (!line.isEmpty() && line.size() + 1 + word.size() > kScoreWidth) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        for (; line.size() > kScoreWidth; line.remove(0, kScoreWidth))
            lines << line.left(kScoreWidth);
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QVector<PrintLine> BookLines(const PrintFields& fields)
{
    const BookSteps step = StepsOf(fields.format);
    const int s = step.s;
    LineList out;
    for (int i = 1; i <= 7; ++i)
        out.Add(kGothic, 9 + s, 4 + s, kLabelInfo[i - 1] + fields.TextInfo[i]);
    for (int line = 9; line >= 0; --line)
        out.Add(kDiagramFont, 14 + step.d, 3 + s, fields.LabelBan[line]);
    out.Add(kGothic, 9 + s, 18 + s, fields.Caption);
    out.Empty(kGothic, 8 + s);
    const QStringList score = ScoreLines(fields.TextKifu);
    for (const QString& line : score)
        out.Add(kGothic, 8 + s, 4 + s, line);
    // Short scores are padded so that the footer stays in its place.
    for (int k = std::max(1, static_cast<int>(score.size())); k <= 13; ++k)
        out.Empty(kGothic, 8 + s);
    out.Add(kGothic, 6 + s, 1, Blanks(23) + fields.LabelVorlik);
    return out.Take();
}

// The first four lines of a postcard text, empty where it has fewer.
QStringList FirstFour(const QString& text)
{
    QStringList lines = BreakPostalText(text).mid(0, 4);
    while (lines.size() < 4)
        lines.append(QString());
    return lines;
}

constexpr double kClaimPoints = 7;
constexpr int kClaimBytes = 60;  // the card's width at that size, less the margin

QVector<PrintLine> PostcardLines(const PrintFields& fields)
{
    const bool gameB = fields.OptionYuu == 1;
    LineList out;
    auto diagram = [&](int line, bool goesOn) {
        out.Add(kDiagramFont, 12, 1, QStringLiteral("み") + fields.LabelBan[line], goesOn);
    };
    auto beside = [&](int line, const QString& font, const QString& text) {
        diagram(line, true);
        out.Add(font, 12, 0, text);
    };
    out.Add(kGothic, 12, 1, fields.CheckYuu[0] ? Blanks(10) + fields.CheckYuuCaption[0] : QString());
    if (gameB)
        out.Empty(kGothic, 12, 10);
    diagram(9, false);
    beside(8, kGothic, fields.TextDataA[0]);
    diagram(7, false);
    beside(6, kGothic, fields.TextDataA[1]);
    beside(5, kGothic, fields.TextDataA[2]);
    diagram(4, false);
    const QStringList text = FirstFour(fields.TextDataA[3]);
    for (int k = 0; k < 4; ++k)
        beside(3 - k, kPGothic, text[k]);
    if (!gameB)
        out.Empty(kGothic, 12, 10);
    out.Empty(kGothic, 12, 2);
    out.Add(kGothic, 12, 1, fields.CheckYuu[1] ? Blanks(2) + fields.CheckYuuCaption[1] : QString());
    out.Empty(kGothic, 12);
    out.Add(kGothic, 12, 1, Blanks(gameB ? 23 : 5) + fields.TextDataA[4]);
    out.Empty(kGothic, 12);
    if (fields.Claim.isEmpty()) {
        for (const QString& line : FirstFour(fields.TextDataA[5]))
            out.Add(kPGothic, 12, 1, Blanks(5) + line);
    } else {
        // As far in as the text it replaces, in type small enough for the
        // whole claim to fit the card's width.
        for (const QString& claimLine : fields.Claim)
            for (const QString& line : BreakClaimLine(claimLine, kClaimBytes))
                out.Add(kPGothic, kClaimPoints, 1, Blanks(9) + line);
    }
    out.Empty(kPGothic, 12);
    out.Add(kGothic, 6, 1, Blanks(gameB ? 51 : 5) + fields.LabelVorlik);
    return out.Take();
}

}  // namespace

QChar DiagramGlyph(char piece, bool dark)
{
    const char* letter = piece != 0 ? std::strchr(kPieceLetters, piece) : nullptr;
    return Glyphs(dark)[letter ? static_cast<int>(letter - kPieceLetters) : 12];
}

bool DiagramSquare(QChar glyph, char& piece, bool& dark)
{
    for (const bool darkSquare : {false, true}) {
        const int k = Glyphs(darkSquare).indexOf(glyph);
        if (k >= 0) {
            piece = k < 12 ? kPieceLetters[k] : 0;
            dark = darkSquare;
            return true;
        }
    }
    return false;
}

std::array<QString, 10> MakeDiagram(const GameState& game)
{
    std::array<QString, 10> ban;
    ban[9] = QStringLiteral("みりりりりりりりりみ");
    const Board& board = game.KifuBoard[game.CurPly];
    for (int rank = 8; rank >= 1; --rank) {
        QString line(QChar(0xFF10 + rank));  // the full-width rank digit
        for (int file = 1; file <= 8; ++file)
            line += DiagramGlyph(board[file][rank], IsDark(file, rank));
        ban[rank] = line + QStringLiteral("る");
    }
    ban[0] = QStringLiteral("みａｂｃｄｅｆｇｈみ");
    return ban;
}

void SetCheckYuu(PrintFields& fields, int box, bool on)
{
    fields.CheckYuu[box] = on;
    fields.CheckYuuCaption[box] = on ? fields.CheckYuuSource[box] : QString();
}

PrintFields FillPrintFields(const GameState& game, const GameHeader& header, bool longNotation, const QDate& today,
                            const std::optional<Totals>& totals)
{
    PrintFields fields;
    for (int i = 1; i <= 7; ++i)
        fields.TextInfo[i] = Text(header.Field[i]);
    fields.LabelBan = MakeDiagram(game);
    fields.LabelVorlik = QStringLiteral("Vorlik Print ") + today.toString(QStringLiteral("yyyy/MM/dd"));
    const int ply = game.CurPly;
    if (ply == 0 || !HasMove(game, ply))
        return fields;
    const int n = MoveNumber(game, ply);
    fields.Caption = QString::number(n) + QStringLiteral(". ") + (IsWhitePly(ply) ? QString() : QStringLiteral("... ")) +
                     ScoreMove(game, ply, longNotation);
    fields.TextKifu = Score(game, longNotation);
    fields.CheckYuuSource[0] = Text(header.Field[1]) + QLatin1Char(' ') + Text(header.Field[4]);
    fields.CheckYuuSource[1] = Note(game, 1) + QStringLiteral(" - ") + Note(game, 2) + QStringLiteral(" - ") +
                               Note(game, 3) + QStringLiteral("  +") + Note(game, 4);
    SetCheckYuu(fields, 0, true);
    SetCheckYuu(fields, 1, true);
    FillPostcard(fields, game, totals);
    return fields;
}

QStringList BreakPostalText(const QString& text)
{
    QStringList lines(QString{});
    int bytes = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            lines.append(QString());
            bytes = 0;
            continue;
        }
        const int length = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        lines.last() += character;
        bytes += Cp932Bytes(character);
        if (bytes >= 20) {
            lines.append(QString());
            bytes = 0;
        }
    }
    return lines;
}

QStringList BreakClaimLine(const QString& line, int maxBytes)
{
    QStringList lines;
    QString rest = line;
    while (!rest.isEmpty()) {
        int bytes = 0, cut = 0, blank = -1;
        while (cut < rest.size()) {
            const int length = rest[cut].isHighSurrogate() && cut + 1 < rest.size() ? 2 : 1;
            const int width = Cp932Bytes(rest.mid(cut, length));
            if (bytes + width > maxBytes)
                break;
            if (rest[cut] == QLatin1Char(' '))
                blank = cut;
            bytes += width;
            cut += length;
        }
        if (cut < rest.size() && blank > cut / 2)
            cut = blank + 1;  // the word that does not fit goes whole to the next line
        lines << rest.left(cut).trimmed();
        rest = rest.mid(std::max(cut, 1)).trimmed();
    }
    return lines;
}

QVector<PrintLine> PageLines(const PrintFields& fields)
{
    return fields.format == PrintFormat::Postcard ? PostcardLines(fields) : BookLines(fields);
}

}  // namespace vorlik
