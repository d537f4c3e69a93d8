// The help window on the manual the build put beside the test programs: its
// contents, the search inside Japanese sentences, the message when the manual
// is missing, and the manual itself (every page reachable, every link whole).
#include "ScriptedServices.h"
#include "ui/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

using namespace vorlik;

namespace {

QString ManualFolder() { return QCoreApplication::applicationDirPath() + QStringLiteral("/help"); }

// Scripted services whose program folder is the build's, where the manual is.
class ManualServices : public test::ScriptedServices {
public:
    QString folder = QCoreApplication::applicationDirPath();
    QString ProgramFolder() override { return folder; }
};

QString ReadPage(const QString& file)
{
    QFile page(QDir(ManualFolder()).filePath(file));
    return page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString();
}

int RowOf(const HelpWindow& window, const QString& file)
{
    for (int k = 0; k < window.Pages().size(); ++k)
        if (window.Pages()[k].file == file)
            return k;
    return -1;
}

}  // namespace

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    void opensOnContentsAndRaisesTheSameWindow();
    void search_data();
    void search();
    void missingManual();
    void manualPage_data();
    void manualPage();
};

void TestHelp::opensOnContentsAndRaisesTheSameWindow()
{
    ManualServices services;
    QMainWindow main;
    main.setWindowTitle(QStringLiteral("Vorlik Ver1.00"));
    HelpWindow* window = OpenHelp(services, &main, nullptr);
    QVERIFY(window);
    QVERIFY(services.shown.isEmpty());
    QVERIFY(window->isVisible());
    QCOMPARE(window->parent(), &main);
    QCOMPARE(window->CurrentPage(), QStringLiteral("index.html"));
    QCOMPARE(window->Contents->currentRow(), 0);

    // The contents follow the page shown, and a click on them shows a page.
    const int notation = RowOf(*window, QStringLiteral("notation.html"));
    QVERIFY(notation > 0);
    window->Browser->setSource(window->Browser->source().resolved(QUrl(QStringLiteral("notation.html#styles"))));
    QCOMPARE(window->Contents->currentRow(), notation);
    window->Contents->setCurrentRow(1);
    QCOMPARE(window->CurrentPage(), window->Pages()[1].file);

    window->hide();  // closed by the user: opening again shows the same one
    QCOMPARE(OpenHelp(services, &main, window), window);
    QVERIFY(window->isVisible());
    QCOMPARE(main.findChildren<HelpWindow*>().size(), 1);

    main.show();
    main.close();  // the program ends with its main window: no help left open
    QVERIFY(!window->isVisible());
}

void TestHelp::search_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("page");  // empty: found nowhere
    QTest::addColumn<bool>("explained");  // the page's heading holds it: the first hit
    QTest::newRow("castling inside a sentence") << QStringLiteral("キャスリング") << QStringLiteral("moves.html") << true;
    QTest::newRow("capture in passing") << QStringLiteral("アンパッサン") << QStringLiteral("moves.html") << true;
    QTest::newRow("kanji compound") << QStringLiteral("葉書") << QStringLiteral("print.html") << false;
    QTest::newRow("latin in either case") << QStringLiteral("vorlikfolder.INI") << QStringLiteral("options.html")
                                          << false;
    QTest::newRow("blanks around the word") << QStringLiteral("  バックアップ ") << QStringLiteral("files.html")
                                            << false;
    QTest::newRow("in no page") << QStringLiteral("ズワイガニ") << QString() << false;
}

void TestHelp::search()
{
    QFETCH(QString, word);
    QFETCH(QString, page);
    QFETCH(bool, explained);
    HelpWindow window(ManualFolder());
    window.ShowContents();
    const int found = window.Search(word);
    if (page.isEmpty()) {
        QCOMPARE(found, 0);
        QVERIFY(window.SearchStatus->text().contains(word.trimmed()));
        QVERIFY(window.SearchStatus->text().contains(QStringLiteral("ありません")));
        QCOMPARE(window.CurrentPage(), QStringLiteral("index.html"));
        return;
    }
    const QList<HelpWindow::Hit> hits = window.Find(word.trimmed());
    int row = -1;
    for (int k = 0; k < hits.size(); ++k)
        if (window.Pages()[hits[k].page].file == page)
            row = k;
    QVERIFY2(row >= 0, qPrintable(page + QStringLiteral(" not among the hits")));
    if (explained)
        QCOMPARE(row, 0);
    QVERIFY(hits[row].excerpt.contains(word.trimmed(), Qt::CaseInsensitive));
    QVERIFY(window.Results->item(row)->text().contains(window.Pages()[hits[row].page].title));

    window.OpenHit(row);
    QCOMPARE(window.CurrentPage(), page);
    QCOMPARE(window.Browser->textCursor().selectedText().compare(word.trimmed(), Qt::CaseInsensitive), 0);
    if (explained)  // the reader lands on the section that explains it
        QVERIFY(window.Browser->textCursor().block().blockFormat().headingLevel() > 0);
    QCOMPARE(window.Browser->extraSelections().size(), hits[row].count);
    QCOMPARE(window.Contents->currentRow(), hits[row].page);
}

void TestHelp::missingManual()
{
    test::ScriptedServices services;  // a program folder without a manual
    QMainWindow main;
    main.setWindowTitle(QStringLiteral("Vorlik Ver1.00"));
    auto* open = new HelpWindow(ManualFolder(), &main);
    QPointer<HelpWindow> stale(open);
    QCOMPARE(OpenHelp(services, &main, open), nullptr);
    QCOMPARE(services.shown.size(), 1);
    QCOMPARE(services.shown[0].text,
             QStringLiteral("ﾍﾙﾌﾟの目次を表示できません。 このﾌﾟﾛｼﾞｪｸﾄに関連付けられたﾍﾙﾌﾟが存在しません。"));
    QCOMPARE(services.shown[0].title, QStringLiteral("Vorlik Ver1.00"));
    QCOMPARE(services.shown[0].icon, MessageIcon::Information);
    QCOMPARE(services.shown[0].buttons, MessageButtons::Ok);
    QTRY_VERIFY(stale.isNull());  // a window on pages that are gone does not linger
}

void TestHelp::manualPage_data()
{
    QTest::addColumn<QString>("file");
    const QStringList pages = QDir(ManualFolder()).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    QVERIFY2(pages.size() >= 10, qPrintable(QStringLiteral("manual pages copied: %1").arg(pages.size())));
    for (const QString& page : pages)
        QTest::newRow(qPrintable(page)) << page;
}

void TestHelp::manualPage()
{
    QFETCH(QString, file);
    const HelpWindow window(ManualFolder());
    QVERIFY2(RowOf(window, file) >= 0, "not reachable from the contents");
    const QString html = ReadPage(file);
    QVERIFY(!html.contains(QChar(QChar::ReplacementCharacter)));  // valid UTF-8
    QVERIFY(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(!html.contains(QStringLiteral("<script"), Qt::CaseInsensitive));

    const QRegularExpression reference(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    for (auto it = reference.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        QVERIFY2(!target.contains(QLatin1Char(':')) && !target.startsWith(QStringLiteral("//")),
                 qPrintable(QStringLiteral("external resource %1").arg(target)));
        const QString name = target.section(QLatin1Char('#'), 0, 0);
        const QString anchor = target.section(QLatin1Char('#'), 1);
        const QString inFile = name.isEmpty() ? file : name;
        QVERIFY2(QFile::exists(QDir(ManualFolder()).filePath(inFile)),
                 qPrintable(QStringLiteral("link to a missing page %1").arg(target)));
        if (!anchor.isEmpty())
            QVERIFY2(ReadPage(inFile).contains(QStringLiteral("id=\"%1\"").arg(anchor)),
                     qPrintable(QStringLiteral("link to a missing place %1").arg(target)));
    }
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
