// "通信対局一覧" on a folder of a few game files: the rows and their order, a
// file of garbage told while the rest is shown, a game opened from it and
// saved back into its own place after another game was put in front of it;
// and the refusals of a game's settings dialog.
#include "ScriptedServices.h"
#include "WindowTestSupport.h"

#include "records/KifuStore.h"
#include "ui/DeskWindow.h"
#include "ui/DialogDeskGame.h"
#include "ui/FormMain.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QtTest>

#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

const QString kMe = QStringLiteral("Sato");
const int kToday = DaysFromCivil(2026, 2, 1);

QByteArray CsvGame(const QByteArray& white, const QByteArray& black, const QByteArray& round, const QByteArray& moves)
{
    return "\r\nEvent,Club\r\nSite,\r\nDate,26/1/1\r\nRound," + round + "\r\nWhite," + white + "\r\nBlack," + black +
           "\r\nResult,*\r\n\r\n" + moves + "\r\n";
}

// Ito waits for my move since 26/1/12, Abe since 26/1/5: with 10/30 and the
// days of my moves in hand I have 8 days left against Ito, 3 against Abe.
const QByteArray kIto = CsvGame("Sato", "Ito", "1", "1,5254,5755,e4,e5,,26/1/1,26/1/3,,,,,26/1/10,26/1/12,,,,\r\n");
const QByteArray kAbe = CsvGame("Abe", "Sato", "2", "1,4244,,d4,,,26/1/3,26/1/5,,,,\r\n");
const QByteArray kPgn =
    "[Event \"Open\"]\r\n[Site \"\"]\r\n[Date \"26/1/1\"]\r\n[Round \"1\"]\r\n[White \"Mori\"]\r\n[Black \"Sato\"]\r\n"
    "[Result \"*\"]\r\n\r\n1. e4 *\r\n\r\n"
    "[Event \"Open\"]\r\n[Site \"\"]\r\n[Date \"26/1/1\"]\r\n[Round \"2\"]\r\n[White \"Sato\"]\r\n[Black \"Kato\"]\r\n"
    "[Result \"*\"]\r\n\r\n1. c4 *\r\n\r\n"
    "[Event \"Open\"]\r\n[Site \"\"]\r\n[Date \"26/1/1\"]\r\n[Round \"3\"]\r\n[White \"Sato\"]\r\n[Black \"Ueda\"]\r\n"
    "[Result \"1-0\"]\r\n\r\n1. f4 1-0\r\n\r\n";

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList Column(QTableWidget* table, int column)
{
    QStringList cells;
    for (int row = 0; row < table->rowCount(); ++row)
        cells << table->item(row, column)->text();
    return cells;
}

}  // namespace

class DeskWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void desk();
    void settingsRefused_data();
    void settingsRefused();

private:
    QString Path(const QString& name) const { return folder_.filePath(name); }

    QTemporaryDir folder_;
    std::unique_ptr<ScriptedServices> services_;
};

void DeskWindowTest::init()
{
    QVERIFY(folder_.isValid());
    for (const QString& name : QDir(folder_.path()).entryList(QDir::Files))
        QFile::remove(Path(name));
    services_ = std::make_unique<ScriptedServices>();
    Write(Path("b.csv"), kIto + kAbe);
    Write(Path("a.pgn"), kPgn);
    Write(Path("garbage.pgn"), QByteArray("\x00\x01\xfe\xff[Event", 9).repeated(100));
    Write(Path(kDeskSettingsName), "control=10/30\r\n");
}

void DeskWindowTest::desk()
{
    FormMain form(*services_);
    form.show();
    form.findChild<QAction*>("MnuFileDesk")->trigger();
    DeskWindow* desk = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        desk = desk ? desk : qobject_cast<DeskWindow*>(window);
    QVERIFY(desk && QTest::qWaitForWindowExposed(desk));
    desk->SetToday(kToday);
    desk->ShowDesk(folder_.path(), kMe);
    auto* table = desk->findChild<QTableWidget*>("GridDesk");
    // Urgent first: my moves by days left, then the opponents' (a finished game is none).
    QCOMPARE(Column(table, 1), (QStringList{"Abe", "Ito", "Mori", "Kato"}));
    QCOMPARE(Column(table, 7), (QStringList{"0+27", "2+20", "0", "0?"}));
    QCOMPARE(Column(table, 8), (QStringList{"3", "8", "30", "30"}));
    QCOMPARE(Column(table, 11), (QStringList{"27", "20", "-", "-"}));
    auto* problems = desk->findChild<QPlainTextEdit*>("TextDeskProblems");
    QVERIFY2(problems->isVisible() && problems->toPlainText().startsWith("garbage.pgn: "),
             qPrintable(problems->toPlainText()));
    const QByteArray pgn = Read(Path("a.pgn"));

    // Another program puts a game in front of Ito's while the desk is shown.
    const QByteArray front = CsvGame("Sato", "Ito", "0", "1,5254,,e4,,,26/1/1,26/1/2,,,,\r\n");
    Write(Path("b.csv"), front + kIto + kAbe);
    table->sortByColumn(1, Qt::DescendingOrder);  // Mori, Kato, Ito, Abe
    const int ito = Column(table, 1).indexOf("Ito");
    const QPoint cell = table->visualItemRect(table->item(ito, 1)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
    WindowControls controls(&form);
    QCOMPARE(controls.TextInfo(4)->text(), QString("1"));
    QCOMPARE(form.Game().LastPly, 2);

    controls.TextInfo(10)->setText("26/1/20");
    services_->answers = {MessageAnswer::Yes};
    form.findChild<QAction*>("MnuFileOpenSave(3)")->trigger();
    QVERIFY2(services_->answers.isEmpty(), "the save asked nothing");
    QCOMPARE(Read(Path("b.bak")), front + kIto + kAbe);
    QByteArray saved = Read(Path("b.csv"));
    QVERIFY2(saved.startsWith(front) && saved.endsWith(kAbe), saved.constData());
    QVERIFY2(saved.contains("26/1/10,26/1/20,") && !saved.contains("26/1/12"), saved.constData());
    QCOMPARE(Read(Path("a.pgn")), pgn);
    QCOMPARE(Read(Path("garbage.pgn")), QByteArray("\x00\x01\xfe\xff[Event", 9).repeated(100));
    // The desk follows: sent 12 days ago now, and the game put in front has a row of its own.
    QCOMPARE(table->rowCount(), 5);
    const int after = Column(table, 13).indexOf("b.csv 2番");
    QCOMPARE(table->item(after, 11)->text(), QString("12"));

    // Four days on, Abe's move in hand has passed my 30 days.
    desk->SetToday(kToday + 4);
    desk->Refresh();
    const int abe = Column(table, 1).indexOf("Abe");
    QCOMPARE(table->item(abe, 8)->text(), QString("超過"));
    QCOMPARE(table->item(abe, 12)->text(), QString("時間超過 (自分)"));
}

void DeskWindowTest::settingsRefused_data()
{
    QTest::addColumn<QByteArray>("settings");  // the file before
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("leave");
    QTest::addColumn<QString>("told");  // empty: written
    const QByteArray plain = "control=10/30\r\n";
    QTest::newRow("control not N/D") << plain << "10-30" << "" << "持ち時間「10-30」が読めません";
    QTest::newRow("control of no moves") << plain << "0/30" << "" << "持ち時間「0/30」が読めません";
    QTest::newRow("leave ends before it starts")
        << plain << "" << "白 2026-01-10 2026-01-05" << "最終日 (2026-01-05) が初日 (2026-01-10) より前です";
    QTest::newRow("leave of no side") << plain << "" << "赤 2026-01-01 2026-01-05" << "休暇「赤 2026-01-01 2026-01-05」が読めません";
    QTest::newRow("second leave without its end")
        << plain << "10/50" << "黒 2026/1/1 2026/1/5\n白 2026/1/7" << "休暇「白 2026/1/7」が読めません";
    QTest::newRow("settings file of garbage") << QByteArray("control=ten\r\n") << "10/50" << "" << "";
    QTest::newRow("written") << plain << "10/50" << "黒 2026/1/1 2026/1/5" << "";
}

void DeskWindowTest::settingsRefused()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, control);
    QFETCH(QString, leave);
    QFETCH(QString, told);
    Write(Path(kDeskSettingsName), settings);
    const Desk desk = OpenDesk({folder_.path().toStdString(), kMe.toStdString(), kToday, {}});
    const auto ito = std::find_if(desk.rows.begin(), desk.rows.end(), [](const DeskRow& row) { return row.opponent == "Ito"; });
    QVERIFY(ito != desk.rows.end());
    DialogDeskGame dialog(*services_, folder_.path().toStdString(), *ito, nullptr);
    dialog.findChild<QLineEdit*>("TextControl")->setText(control);
    dialog.findChild<QPlainTextEdit*>("TextLeave")->setPlainText(leave);
    QTest::mouseClick(dialog.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    const QByteArray after = Read(Path(kDeskSettingsName));
    if (!told.isEmpty()) {
        QCOMPARE(services_->shown.size(), 1);
        QVERIFY2(services_->shown.front().text.contains(told), qPrintable(services_->shown.front().text));
    }
    if (told.isEmpty() && settings == "control=10/30\r\n") {
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY2(after.contains("control=10/50\r\n") && after.contains("leave=black 2026-01-01 2026-01-05\r\n"),
                 after.constData());
        QVERIFY2(after.contains("white=Sato\r\nblack=Ito\r\n"), after.constData());
    } else {
        QVERIFY(dialog.result() != QDialog::Accepted);
        QCOMPARE(after, settings);
    }
}

QTEST_MAIN(DeskWindowTest)
#include "tst_deskwindow.moc"
