// Printing: the lines a page prints for each format, the postcard's text
// breaking, pages that run on, and the print dialog as a user meets it,
// printing into real PDF files in a temporary folder.
#include "ScriptedServices.h"

#include "core/MoveCommit.h"
#include "ui/DialogMnuFilePrint.h"
#include "ui/PrintPainter.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

std::unique_ptr<GameState> Played(const QString& tokens)
{
    auto game = std::make_unique<GameState>();
    ResetGame(*game);
    SetStartPosition(*game);
    for (const QString& token : tokens.split(' ', Qt::SkipEmptyParts)) {
        if (!CommitMove(*game, token.toStdString()))
            qFatal("refused %s", qPrintable(token));
    }
    return game;
}

// The knights go out and back: a legal game of any length.
QString KnightsDance(int fullMoves)
{
    QString tokens;
    for (int k = 0; k < fullMoves; ++k)
        tokens += k % 2 == 0 ? QStringLiteral("Nf3 Nf6 ") : QStringLiteral("Ng1 Ng8 ");
    return tokens;
}

GameHeader Header()
{
    GameHeader header;
    const char* fields[] = {"", "Postal Cup", "JPN", "2024.03.01", "2", "Sato", "Kato", "*"};
    for (int k = 1; k <= 7; ++k)
        header.Field[k] = fields[k];
    return header;
}

void Notes(GameState& game)
{
    for (int j = 1; j <= 6; ++j)
        game.KifuNote[j][game.CurPly] = "n" + std::to_string(j);
}

QStringList Texts(const QVector<PrintLine>& lines)
{
    QStringList texts;
    for (const PrintLine& line : lines)
        texts << line.text;
    return texts;
}

PrintFields Fields(PrintFormat format, const QString& score)
{
    PrintFields fields = FillPrintFields(*Played(""), Header(), false, QDate(2024, 5, 6));
    fields.format = format;
    fields.TextKifu = score;
    return fields;
}

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void diagram_data();
    void diagram();
    void caption_data();
    void caption();
    void bookPage_data();
    void bookPage();
    void postcard_data();
    void postcard();
    void postalText_data();
    void postalText();
    void pagesRunOn_data();
    void pagesRunOn();
    void dialogFields_data();
    void dialogFields();
    void dialogChoices();
    void dialogPrints_data();
    void dialogPrints();

private:
    QTemporaryDir dir_;
    std::unique_ptr<ScriptedServices> services_;
    std::unique_ptr<DialogMnuFilePrint> dialog_;
};

void PrintTest::init()
{
    services_ = std::make_unique<ScriptedServices>();
    dialog_ = std::make_unique<DialogMnuFilePrint>(*services_);
}

void PrintTest::diagram_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    const char* lines[] = {"みａｂｃｄｅｆｇｈみ", "１ちかしなひさきたる", "２あいあいあいあいる", "３まみまみまみまみる",
                           "４みまみまみまみまる", "５まみまみまみまみる", "６みまみまみまみまる", "７えうえうえうえうる",
                           "８つけすねふせくてる", "みりりりりりりりりみ"};
    for (int line = 9; line >= 0; --line)
        QTest::addRow("line %d", line) << line << QString::fromUtf8(lines[line]);
}

void PrintTest::diagram()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    QCOMPARE(MakeDiagram(*Played(""))[line], text);
    // The diagram has White at the bottom whatever the window shows.
    dialog_->PrintOutInit(*Played(""), Header(), false);
    QCOMPARE(dialog_->LabelBan[line]->text(), text);
    QCOMPARE(dialog_->LabelBanA[line]->text(), text);
}

void PrintTest::caption_data()
{
    QTest::addColumn<QString>("tokens");
    QTest::addColumn<bool>("longNotation");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("score");
    QTest::newRow("1. e4") << "e4" << false << "1. e4" << "1.e4 ";
    QTest::newRow("1... e5") << "e4 e5" << false << "1. ... e5" << "1.e4 e5 ";
    QTest::newRow("long") << "e4 e5 Nf3" << true << "2. Ng1-f3" << "1.e2-e4 e7-e5 2.Ng1-f3 ";
}

void PrintTest::caption()
{
    QFETCH(QString, tokens);
    QFETCH(bool, longNotation);
    const PrintFields fields = FillPrintFields(*Played(tokens), Header(), longNotation, QDate(2024, 5, 6));
    QTEST(fields.Caption, "caption");
    QTEST(fields.TextKifu, "score");
    QCOMPARE(fields.LabelVorlik, QStringLiteral("Vorlik Print 2024/05/06"));
}

void PrintTest::bookPage_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("score");
    QTest::addColumn<QList<int>>("pieces");  // lengths of the score lines
    QTest::addColumn<int>("padding");
    QTest::addColumn<QList<int>>("sizes");  // header, diagram, score, footer
    QTest::addColumn<QList<int>>("columns");  // header, diagram, caption, score
    QTest::newRow("A7 100") << 0 << QString(100, 'x') << QList<int>{44, 44, 12} << 11 << QList<int>{9, 14, 8, 6}
                            << QList<int>{4, 3, 18, 4};
    QTest::newRow("A6 88") << 1 << QString(88, 'x') << QList<int>{44, 44} << 12 << QList<int>{11, 19, 10, 8}
                           << QList<int>{6, 5, 20, 6};
    QTest::newRow("A5 100") << 2 << QString(100, 'x') << QList<int>{44, 44, 12} << 11 << QList<int>{14, 23, 13, 11}
                            << QList<int>{9, 8, 23, 9};
    QTest::newRow("A7 empty") << 0 << QString() << QList<int>{} << 13 << QList<int>{9, 14, 8, 6}
                              << QList<int>{4, 3, 18, 4};
    QTest::newRow("A7 long") << 0 << QString(600, 'x') << QList<int>(13, 44) + QList<int>{28} << 0
                             << QList<int>{9, 14, 8, 6} << QList<int>{4, 3, 18, 4};
    // Cut every 44 characters this score printed "5.o-o B" / "e7".
    QTest::newRow("A7 breaks between moves")
        << 0 << "1.e4 e5 2.Nf3 Nc6 3.Bb5 a6 4.Ba4 Nf6 5.o-o Be7 6.Re1 b5 7.Bb3 d6 8.c3 o-o 9.h3 Nb8 10.d4 Nbd7 "
        << QList<int>{42, 39, 10} << 11 << QList<int>{9, 14, 8, 6} << QList<int>{4, 3, 18, 4};
}

void PrintTest::bookPage()
{
    QFETCH(int, format);
    QFETCH(QString, score);
    QFETCH(QList<int>, pieces);
    QFETCH(int, padding);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, columns);
    const QVector<PrintLine> lines = PageLines(Fields(static_cast<PrintFormat>(format), score));
    QCOMPARE(lines.size(), 7 + 10 + 1 + 1 + pieces.size() + padding + 1);
    QCOMPARE(lines[0].text, QStringLiteral("イベント：Postal Cup"));
    QCOMPARE(lines[6].text, QStringLiteral("　結果　：*"));
    QCOMPARE(lines[0].size, sizes[0]);
    QCOMPARE(lines[0].column, columns[0]);
    QCOMPARE(lines[7].text, QStringLiteral("みりりりりりりりりみ"));
    QCOMPARE(lines[16].text, QStringLiteral("みａｂｃｄｅｆｇｈみ"));
    QCOMPARE(lines[7].size, sizes[1]);
    QCOMPARE(lines[7].column, columns[1]);
    QCOMPARE(lines[17].column, columns[2]);
    QCOMPARE(lines[18].text, QString());
    for (int k = 0; k < pieces.size(); ++k) {
        QCOMPARE(lines[19 + k].text.size(), pieces[k]);
        QVERIFY(score.contains(lines[19 + k].text));
        QCOMPARE(lines[19 + k].size, sizes[2]);
        QCOMPARE(lines[19 + k].column, columns[3]);
    }
    for (int k = 0; k < padding; ++k)
        QCOMPARE(lines[19 + pieces.size() + k].text, QString());
    QCOMPARE(lines.last().text, QString(23, ' ') + QStringLiteral("Vorlik Print 2024/05/06"));
    QCOMPARE(lines.last().size, sizes[3]);
}

void PrintTest::postcard_data()
{
    QTest::addColumn<QString>("tokens");
    QTest::addColumn<bool>("boxes");
    QTest::addColumn<int>("firstDiagram");  // index of the top border line
    QTest::addColumn<QStringList>("beside");  // the texts beside diagram lines 8, 6, 5
    QTest::addColumn<QString>("reference");
    QTest::addColumn<int>("footerBlanks");
    QTest::newRow("game A") << "e4 e5 Nf3" << true << 1 << QStringList{"Ａ局", "1. ... e5", "2. Nf3"}
                            << "     ( n5 : n6) A" << 5;
    QTest::newRow("game A, no boxes") << "e4 e5 Nf3" << false << 1 << QStringList{"Ａ局", "1. ... e5", "2. Nf3"}
                                      << "     ( n5 : n6) A" << 5;
    QTest::newRow("game B") << "e4 e5" << true << 11 << QStringList{"Ｂ局", "1. e4 e5", ""}
                            << QString(23, ' ') + "( n5 : n6) B" << 51;
    QTest::newRow("game B, no boxes") << "e4 e5" << false << 11 << QStringList{"Ｂ局", "1. e4 e5", ""}
                                      << QString(23, ' ') + "( n5 : n6) B" << 51;
}

void PrintTest::postcard()
{
    QFETCH(QString, tokens);
    QFETCH(bool, boxes);
    QFETCH(int, firstDiagram);
    QFETCH(QStringList, beside);
    auto game = Played(tokens);
    Notes(*game);
    PrintFields fields = FillPrintFields(*game, Header(), false, QDate(2024, 5, 6));
    fields.format = PrintFormat::Postcard;
    fields.TextDataA[3] = QStringLiteral("一二三四五六七八九十一二\r\nabc");
    SetCheckYuu(fields, 0, boxes);
    SetCheckYuu(fields, 1, boxes);
    const QVector<PrintLine> lines = PageLines(fields);
    const QStringList texts = Texts(lines);
    QCOMPARE(texts[0], boxes ? QString(10, ' ') + "Postal Cup 2" : QString());
    QCOMPARE(texts.mid(1, firstDiagram - 1), QStringList(firstDiagram - 1, QString()));
    const int top = firstDiagram;
    QCOMPARE(texts[top], QStringLiteral("みみりりりりりりりりみ"));
    QCOMPARE(lines[top].font, kDiagramFont);
    QVERIFY(!lines[top].goesOn);
    // Lines 8, 6 and 5 carry the mark and the moves, 3 to 0 the broken text.
    QVERIFY(lines[top + 1].goesOn);
    QCOMPARE(lines[top + 2].column, 0);
    QCOMPARE(texts[top + 2], beside[0]);
    QCOMPARE(texts[top + 5], beside[1]);
    QCOMPARE(texts[top + 7], beside[2]);
    const QStringList text = {texts[top + 10], texts[top + 12], texts[top + 14], texts[top + 16]};
    QCOMPARE(text, (QStringList{"一二三四五六七八九十", "一二", "abc", ""}));
    QCOMPARE(lines[top + 10].font, kPGothic);
    QCOMPARE(texts[top + 15], QStringLiteral("みみａｂｃｄｅｆｇｈみ"));
    const int after = top + 17 + (firstDiagram == 1 ? 10 : 0) + 2;
    QCOMPARE(texts[after], boxes ? "  n1 - n2 - n3  +n4" : QString());
    QTEST(texts[after + 2], "reference");
    QFETCH(int, footerBlanks);
    QCOMPARE(texts.last(), QString(footerBlanks, ' ') + "Vorlik Print 2024/05/06");
    QCOMPARE(lines.last().size, 6.0);
}

void PrintTest::postalText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("ascii") << QString(25, 'a') << QStringList{QString(20, 'a'), QString(5, 'a')};
    QTest::newRow("full width") << QStringLiteral("あいうえおかきくけこさし")
                                << QStringList{"あいうえおかきくけこ", "さし"};
    QTest::newRow("half-width kana") << QString(22, QChar(0xFF71)) << QStringList{QString(20, QChar(0xFF71)), QString(2, QChar(0xFF71))};
    QTest::newRow("19 then wide") << QString(19, 'a') + "あb" << QStringList{QString(19, 'a') + "あ", "b"};
    QTest::newRow("line ends") << "ab\r\ncd\nef\r\r\n" << QStringList{"ab", "cd", "ef", "", ""};
    QTest::newRow("not in CP932") << QStringLiteral("한글한글한글한글한글한") << QStringList{"한글한글한글한글한글", "한"};
    QTest::newRow("exactly 20") << QString(20, 'a') + "\r\nb" << QStringList{QString(20, 'a'), "", "b"};
}

void PrintTest::postalText()
{
    QFETCH(QString, text);
    QTEST(BreakPostalText(text), "lines");
}

void PrintTest::pagesRunOn_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("fullMoves");
    QTest::addColumn<int>("pages");
    QTest::newRow("A7 short") << 0 << 3 << 1;
    QTest::newRow("A7 200 moves") << 0 << 200 << 3;
    QTest::newRow("A6 short") << 1 << 3 << 1;
    QTest::newRow("A5 40 moves") << 2 << 40 << 1;
    QTest::newRow("postcard") << 3 << 40 << 1;
}

void PrintTest::pagesRunOn()
{
    QFETCH(int, format);
    QFETCH(int, fullMoves);
    auto game = Played(KnightsDance(fullMoves));
    PrintFields fields = FillPrintFields(*game, Header(), false, QDate(2024, 5, 6));
    fields.format = static_cast<PrintFormat>(format);
    const QVector<PrintLine> lines = PageLines(fields);
    QImage device(10, 10, QImage::Format_RGB32);
    device.setDotsPerMeterX(600 / 0.0254);
    device.setDotsPerMeterY(600 / 0.0254);
    const double height = PageLayoutOf(fields.format).paintRectPoints().height() * 600 / 72;
    const QVector<PlacedLine> placed = LayOutLines(lines, &device, height);
    QTEST(PageCount(placed), "pages");
    // Every line that prints something is on the paper, once, in order.
    QList<int> printed;
    for (int k = 0; k < lines.size(); ++k)
        if (lines[k].font == kDiagramFont || !lines[k].text.trimmed().isEmpty())
            printed << k;
    QList<int> onPaper;
    for (const PlacedLine& part : placed) {
        QVERIFY2(part.at.y() + lines[part.index].size * 600 / 72 <= height + 0.01, qPrintable(lines[part.index].text));
        if (!onPaper.isEmpty() && onPaper.last() == part.index - 1 && lines[part.index - 1].goesOn)
            QCOMPARE(part.at.y(), placed[onPaper.size() - 1].at.y());
        onPaper << part.index;
    }
    QList<int> shown;
    for (int k : onPaper)
        if (printed.contains(k))
            shown << k;
    QCOMPARE(shown, printed);
    QVERIFY(placed.last().index == lines.size() - 1);  // the footer
}

void PrintTest::dialogFields_data()
{
    QTest::addColumn<QString>("tokens");
    QTest::addColumn<QStringList>("data");  // TextDataA(0..5)
    QTest::addColumn<QStringList>("boxes");  // the CheckYuu captions
    QTest::addColumn<int>("half");  // 0 game A, 1 game B
    QTest::addColumn<QString>("caption");
    QTest::newRow("ply 0") << "" << QStringList(6, QString()) << QStringList{"", ""} << 0 << "";
    QTest::newRow("Black move") << "e4 e5 Nf3 Nc6" << QStringList{"Ｂ局", "2. Nf3 Nc6", "", "", "( n5 : n6) B", ""}
                                << QStringList{"Postal Cup 2", "n1 - n2 - n3  +n4"} << 1 << "2. ... Nc6";
}

void PrintTest::dialogFields()
{
    QFETCH(QString, tokens);
    QFETCH(QStringList, data);
    QFETCH(QStringList, boxes);
    auto game = Played(tokens);
    Notes(*game);
    // What the dialog held before is gone.
    dialog_->TextDataAFree[3]->setPlainText(QStringLiteral("old"));
    dialog_->PrintOutInit(*game, Header(), false);
    QCOMPARE(dialog_->TextInfo[1]->text(), QStringLiteral("Postal Cup"));
    QCOMPARE(dialog_->TextInfo[7]->text(), QStringLiteral("*"));
    QTEST(dialog_->LabelInfo[7]->text(), "caption");
    for (int k = 0; k < 6; ++k)
        QCOMPARE(dialog_->Fields().TextDataA[k], data[k]);
    for (int k = 0; k < 2; ++k) {
        QCOMPARE(dialog_->CheckYuu[k]->text(), boxes[k]);
        QCOMPARE(dialog_->CheckYuu[k]->isChecked(), !boxes[k].isEmpty());
    }
    QFETCH(int, half);
    QVERIFY(dialog_->OptionYuu[half]->isChecked());
    const QString footer = QStringLiteral("Vorlik Print ") + QDate::currentDate().toString("yyyy/MM/dd");
    QCOMPARE(dialog_->LabelVorlik[0]->text(), footer);
    QCOMPARE(dialog_->LabelVorlik[1]->text(), footer);
    QCOMPARE(dialog_->TextKifu->toPlainText().isEmpty(), tokens.isEmpty());
}

void PrintTest::dialogChoices()
{
    auto game = Played("e4 e5 Nf3");
    Notes(*game);
    dialog_->PrintOutInit(*game, Header(), false);
    dialog_->show();
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("印刷"));
    const QColor orange(0xFF, 0x80, 0x00);
    QTest::mouseClick(dialog_->OptPrint[2], Qt::LeftButton);
    QCOMPARE(dialog_->OptPrint[2]->palette().color(QPalette::ButtonText), orange);
    QVERIFY(dialog_->OptPrint[0]->palette().color(QPalette::ButtonText) != orange);
    QVERIFY(dialog_->FramePage->isVisible() && !dialog_->FramePostcard->isVisible());
    // The preview shows the page as it prints: Ａ５ sizes, then every edit.
    QCOMPARE(dialog_->Preview()->Lines()[0].size, 14.0);
    dialog_->TextInfo[5]->setText(QStringLiteral("佐藤"));
    QCOMPARE(dialog_->Preview()->Lines()[4].text, QStringLiteral("　　白　：佐藤"));

    QTest::mouseClick(dialog_->OptPrint[3], Qt::LeftButton);
    QVERIFY(!dialog_->FramePage->isVisible() && dialog_->FramePostcard->isVisible());
    QCOMPARE(dialog_->Preview()->Lines()[1].text, QStringLiteral("みみりりりりりりりりみ"));
    QTest::mouseClick(dialog_->OptionYuu[1], Qt::LeftButton);
    QCOMPARE(dialog_->Preview()->Lines()[11].text, QStringLiteral("みみりりりりりりりりみ"));
    dialog_->CheckYuu[0]->click();
    QCOMPARE(dialog_->CheckYuu[0]->text(), QString());
    QCOMPARE(dialog_->Preview()->Lines()[0].text, QString());
    dialog_->CheckYuu[0]->click();
    QCOMPARE(dialog_->CheckYuu[0]->text(), QStringLiteral("Postal Cup 2"));

    // A free text of twenty lines stays whole in its box; four lines print.
    QStringList twenty;
    for (int k = 1; k <= 20; ++k)
        twenty << QString::number(k);
    dialog_->TextDataAFree[5]->setPlainText(twenty.join('\n'));
    QCOMPARE(dialog_->Fields().TextDataA[5], twenty.join('\n'));
    const QStringList texts = Texts(dialog_->Preview()->Lines());
    QVERIFY(texts.contains("     4") && !texts.contains("     5"));
    QVERIFY(!dialog_->Preview()->grab().isNull());
}

void PrintTest::dialogPrints_data()
{
    QTest::addColumn<QString>("file");  // empty: the print dialog is cancelled
    QTest::addColumn<bool>("printed");
    QTest::newRow("to a PDF file") << "page.pdf" << true;
    QTest::newRow("cancelled") << "" << false;
    QTest::newRow("folder not there") << "no/such/folder/page.pdf" << false;
}

void PrintTest::dialogPrints()
{
    QFETCH(QString, file);
    QFETCH(bool, printed);
    const QString path = file.isEmpty() ? QString() : dir_.filePath(file);
    services_->printerAnswers << path;
    dialog_->PrintOutInit(*Played("e4"), Header(), false);
    QTest::mouseClick(dialog_->OptPrint[1], Qt::LeftButton);
    dialog_->show();
    QTest::mouseClick(dialog_->PrintButton, Qt::LeftButton);
    QCOMPARE(services_->printersAsked.size(), 1);
    QCOMPARE(services_->printersAsked[0].pageSize().id(), QPageSize::A6);
    QCOMPARE(QFileInfo(path).size() > 0, printed);
    const bool failed = !file.isEmpty() && !printed;
    QCOMPARE(services_->shown.size(), failed ? 1 : 0);
    if (failed) {
        QVERIFY(services_->shown[0].text.contains(path));
        QCOMPARE(services_->shown[0].title, QStringLiteral("警告"));
        QCOMPARE(services_->shown[0].icon, MessageIcon::Error);
    }
    // A failure leaves the dialog open for another try.
    QCOMPARE(dialog_->isVisible(), failed);
}

QTEST_MAIN(PrintTest)
#include "tst_print.moc"
