// The game-collection dialog as a user meets it, offscreen: the grid over the
// game table, the buttons of each mode, the questions, deleting games from
// real files in a temporary folder, and the search button.
#include "ScriptedServices.h"

#include "session/GameSession.h"
#include "core/MoveCommit.h"
#include "ui/DialogMnuFile.h"
#include "ui/WindowKifuHost.h"

#include <QFile>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

// One game in this program's layout, lines ending in CR LF.
QByteArray PgnGame(const QString& event, const QString& moves)
{
    const QStringList lines = {QStringLiteral("[Event \"%1\"]").arg(event),
                               QStringLiteral("[Site \"東京\"]"),
                               QStringLiteral("[Date \"24/5/1\"]"),
                               QStringLiteral("[Round \"1\"]"),
                               QStringLiteral("[White \"White %1\"]").arg(event),
                               QStringLiteral("[Black \"Black %1\"]").arg(event),
                               QStringLiteral("[Result \"*\"]"),
                               QString(),
                               moves,
                               QString()};
    return "\r\n" + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

// One game of the postal layout with one full move.
QByteArray CsvGame(const QString& event, const QString& white, const QString& black)
{
    const QStringList lines = {QStringLiteral("Event,%1").arg(event), QStringLiteral("Site,"),
                               QStringLiteral("Date,"),   QStringLiteral("Round,"),
                               QStringLiteral("White,"),  QStringLiteral("Black,"),
                               QStringLiteral("Result,*"), QString(),
                               QStringLiteral("1,5254,5755,%1,%2,,,,,,,,,,,,,").arg(white, black), QString()};
    return "\r\n" + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

QString Cell(const DialogMnuFile& dialog, int row, int column)
{
    return dialog.Model()->index(row, column).data().toString();
}

}  // namespace

class DialogMnuFileTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void gridColumns();
    void movePieces_data();
    void movePieces();
    void emptyFile();
    void modeControls_data();
    void modeControls();
    void saveAnswers_data();
    void saveAnswers();
    void closingCancels_data();
    void closingCancels();
    void doubleClickChooses();
    void deleteFromTwoGames_data();
    void deleteFromTwoGames();
    void deleteRenumbers_data();
    void deleteRenumbers();
    void deleteAnsweredNo();
    void searchButton();

private:
    QString Write(const QString& name, const QByteArray& bytes);
    void Scan(KifuKind kind, const QString& path);
    void Play(const QString& tokens);
    std::unique_ptr<DialogMnuFile> Dialog(int mode, const QString& fileName = QStringLiteral("games.pgn"));
    // Table rows set directly: field 1 "G<n>", move text as given.
    void Fill(const QStringList& moveTexts);

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<ScriptedServices> services_;
    std::unique_ptr<GameSession> window_;  // the game on the board
    std::unique_ptr<WindowKifuHost> host_;
    KifuFile file_;
};

void DialogMnuFileTest::init()
{
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    services_ = std::make_unique<ScriptedServices>();
    window_ = std::make_unique<GameSession>();
    host_ = std::make_unique<WindowKifuHost>(*window_, *services_, nullptr, nullptr, QStringList());
    file_ = KifuFile();
}

void DialogMnuFileTest::cleanup()
{
    host_.reset();
    window_.reset();
    services_.reset();
    folder_.reset();
}

QString DialogMnuFileTest::Write(const QString& name, const QByteArray& bytes)
{
    const QString path = folder_->filePath(name);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void DialogMnuFileTest::Scan(KifuKind kind, const QString& path)
{
    const ScanReport report = ScanKifuFile(file_, kind, path.toStdString());
    QVERIFY2(report.ok, report.message.c_str());
}

void DialogMnuFileTest::Play(const QString& tokens)
{
    for (const QString& token : tokens.split(' ', Qt::SkipEmptyParts)) {
        QVERIFY2(window_->CommitMove(token.toStdString()) == MoveVerdict::Legal, qPrintable(token));
    }
}

std::unique_ptr<DialogMnuFile> DialogMnuFileTest::Dialog(int mode, const QString& fileName)
{
    file_.KifuDialogMode = static_cast<KifuDialogMode>(mode);
    auto dialog = std::make_unique<DialogMnuFile>(*host_, file_, *services_, fileName);
    dialog->show();
    return dialog;
}

void DialogMnuFileTest::Fill(const QStringList& moveTexts)
{
    file_.KifuList.assign(moveTexts.size() + 1, KifuGame{});
    for (int n = 1; n <= moveTexts.size(); ++n) {
        for (int field = 1; field <= 7; ++field)
            file_.KifuList[n][field] = QStringLiteral("F%1-%2").arg(field).arg(n).toStdString();
        file_.KifuList[n][1] = QStringLiteral("G%1").arg(n).toStdString();
        file_.KifuList[n][kMoveText] = moveTexts[n - 1].toStdString();
    }
    file_.KifuCount = moveTexts.size();
}

void DialogMnuFileTest::gridColumns()
{
    // A tactical game: captures and checks make the widest move text.
    const QString quiet = QStringLiteral("1. e4 e5 *");
    const QString tactical = QStringLiteral("21. Bxf7+ Kxf7 22. Qxd5+ Kg6 ").repeated(16);
    Fill({quiet, tactical});
    auto dialog = Dialog(1);
    const QAbstractItemModel* model = dialog->MSFlexGridFile->model();
    QCOMPARE(model->columnCount(), 14);
    QCOMPARE(model->rowCount(), 2);
    const QStringList headers = {"", "イベント", "場所", "日付", "ラウンド", "白", "黒", "結果", "棋譜",
                                 "", "", "", "", ""};
    for (int column = 0; column < 14; ++column)
        QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), headers[column]);
    // The game number: column 0 and the row header that stays in view.
    QCOMPARE(Cell(*dialog, 1, 0), QString("2"));
    QCOMPARE(model->headerData(1, Qt::Vertical).toString(), QString("2"));
    QCOMPARE(Cell(*dialog, 1, 1), QString("G2"));
    for (int field = 2; field <= 7; ++field)
        QCOMPARE(Cell(*dialog, 0, field), QStringLiteral("F%1-1").arg(field));
    QCOMPARE(Cell(*dialog, 0, 8), QString("1. e4 e5 *"));
    QCOMPARE(model->index(0, 8).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignTop));
    // Whole rows are chosen; the first game is chosen at the start.
    QCOMPARE(dialog->MSFlexGridFile->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(dialog->MSFlexGridFile->currentIndex().row(), 0);
    // No piece of move text is cut off on the screen.
    for (int column = 8; column <= 13; ++column) {
        const QString piece = Cell(*dialog, 1, column);
        QVERIFY(!piece.isEmpty());
        QVERIFY2(dialog->MSFlexGridFile->columnWidth(column) >
                     dialog->MSFlexGridFile->fontMetrics().horizontalAdvance(piece),
                 qPrintable(piece));
    }
}

void DialogMnuFileTest::movePieces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("lengths");  // characters in columns 8..13
    auto text = [](int length, QChar letter = QLatin1Char('a')) {
        QString result;
        for (int k = 0; k < length; ++k)
            result += k % 10 == 9 ? QChar(QLatin1Char('0' + (k / 10) % 10)) : letter;
        return result;
    };
    QTest::newRow("empty") << QString() << QList<int>{0, 0, 0, 0, 0, 0};
    QTest::newRow("91 stays whole") << text(91) << QList<int>{91, 0, 0, 0, 0, 0};
    QTest::newRow("92 spills one") << text(92) << QList<int>{91, 1, 0, 0, 0, 0};
    QTest::newRow("455 fills 8..12") << text(455) << QList<int>{91, 91, 91, 91, 91, 0};
    QTest::newRow("456 puts one in 13") << text(456) << QList<int>{91, 91, 91, 91, 91, 1};
    QTest::newRow("1000 rest in 13") << text(1000) << QList<int>{91, 91, 91, 91, 91, 545};
    // Characters, not bytes: each of these is three bytes in UTF-8.
    QTest::newRow("japanese 456") << text(456, QChar(0x68CB)) << QList<int>{91, 91, 91, 91, 91, 1};
    // A character outside the basic plane is one character, never split.
    QTest::newRow("surrogate pair at 91") << text(90) + QString::fromUtf8("\xF0\x9F\x98\x80") + text(5)
                                          << QList<int>{91, 5, 0, 0, 0, 0};
}

void DialogMnuFileTest::movePieces()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, lengths);
    Fill({text});
    auto dialog = Dialog(1);
    QString joined;
    for (int column = 8; column <= 13; ++column) {
        const QString piece = Cell(*dialog, 0, column);
        QCOMPARE(int(piece.toUcs4().size()), lengths[column - 8]);
        joined += piece;
    }
    QCOMPARE(joined, text);  // nothing lost, nothing doubled, in order
}

void DialogMnuFileTest::emptyFile()
{
    const QString path = Write(QStringLiteral("empty.pgn"), "\r\n");
    Scan(kKindPgn, path);
    QCOMPARE(file_.KifuCount, 0);
    for (int mode : {1, 2}) {
        file_.KifuSelect = SelectGame(7);
        auto dialog = Dialog(mode, path);
        QCOMPARE(dialog->MSFlexGridFile->model()->rowCount(), 0);
        QCOMPARE(dialog->MSFlexGridFile->model()->headerData(1, Qt::Horizontal).toString(), QString("イベント"));
        // OK, delete and insert have no game to act on: nothing happens.
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        QTest::mouseClick(dialog->ComPlus, Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        QCOMPARE(int(file_.KifuSelect), 7);
        QVERIFY(services_->shown.isEmpty());
        if (mode == 2) {  // appending to a file without games is fine
            QTest::mouseClick(dialog->ComPlusPlus, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
            QCOMPARE(int(file_.KifuSelect), -1);
        }
    }
}

void DialogMnuFileTest::modeControls_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("append");
    QTest::addColumn<QString>("plus");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<bool>("textJo");
    QTest::newRow("open PGN") << 1 << false << "削除" << "OK" << false;
    QTest::newRow("save") << 2 << true << "挿入" << "上書" << false;
    QTest::newRow("search") << 3 << false << "検索" << "OK" << true;
    QTest::newRow("open CSV") << 5 << false << "削除" << "OK" << false;
}

void DialogMnuFileTest::modeControls()
{
    QFETCH(int, mode);
    QFETCH(bool, append);
    QFETCH(QString, plus);
    QFETCH(QString, ok);
    QFETCH(bool, textJo);
    Fill({QStringLiteral("1. e4 *")});
    auto dialog = Dialog(mode, QStringLiteral("/home/user/棋譜 集/games.pgn"));
    QCOMPARE(dialog->windowTitle(), QString("ファイルの選択 /home/user/棋譜 集/games.pgn"));
    QCOMPARE(dialog->ComPlusPlus->isVisible(), append);
    QCOMPARE(dialog->ComPlusPlus->text(), QString("追加"));
    QCOMPARE(dialog->ComPlus->text(), plus);
    QCOMPARE(dialog->OKButton->text(), ok);
    QCOMPARE(dialog->CancelButton->text(), QString("ｷｬﾝｾﾙ"));
    QCOMPARE(dialog->TextJo->isVisible(), textJo);
    QVERIFY(dialog->isModal());
}

void DialogMnuFileTest::saveAnswers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("row");
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<int>("select");
    QTest::newRow("append") << "ComPlusPlus" << 1 << QList<MessageAnswer>{} << true << -1;
    QTest::newRow("insert before 2") << "ComPlus" << 1 << QList<MessageAnswer>{} << true << -3;
    QTest::newRow("insert before 1") << "ComPlus" << 0 << QList<MessageAnswer>{} << true << -2;
    QTest::newRow("overwrite 3 yes") << "OKButton" << 2 << QList<MessageAnswer>{MessageAnswer::Yes} << true << 3;
    QTest::newRow("overwrite 2 no") << "OKButton" << 1 << QList<MessageAnswer>{MessageAnswer::No} << false << 9;
}

void DialogMnuFileTest::saveAnswers()
{
    QFETCH(QString, button);
    QFETCH(int, row);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(bool, closed);
    QFETCH(int, select);
    Fill({QStringLiteral("1. e4 *"), QStringLiteral("1. d4 *"), QStringLiteral("1. c4 *")});
    file_.KifuSelect = SelectGame(9);
    auto dialog = Dialog(2);
    dialog->MSFlexGridFile->selectRow(row);
    services_->answers = answers;
    QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(!dialog->isVisible(), closed);
    QCOMPARE(int(file_.KifuSelect), select);
    if (button == "OKButton") {
        QCOMPARE(services_->shown.size(), 1);
        QCOMPARE(services_->shown[0].text, QStringLiteral("%1番に上書きしますか？").arg(row + 1));
        QCOMPARE(services_->shown[0].title, QString("ファイル保存"));
        QCOMPARE(int(services_->shown[0].icon), int(MessageIcon::Warning));
        QCOMPARE(int(services_->shown[0].buttons), int(MessageButtons::YesNo));
    } else {
        QVERIFY(services_->shown.isEmpty());
    }
    if (!closed) {  // the user thinks again and cancels
        QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(int(file_.KifuSelect), 0);
    }
}

void DialogMnuFileTest::closingCancels_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("how");
    for (int mode : {1, 2, 3})
        for (const char* how : {"cancel", "escape", "close"})
            QTest::addRow("mode %d %s", mode, how) << mode << QString(how);
}

void DialogMnuFileTest::closingCancels()
{
    QFETCH(int, mode);
    QFETCH(QString, how);
    Fill({QStringLiteral("1. e4 *"), QStringLiteral("1. d4 *")});
    file_.KifuSelect = SelectGame(2);  // an answer left from before must not survive
    auto dialog = Dialog(mode);
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    if (how == "cancel")
        QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
    else if (how == "escape")
        QTest::keyClick(dialog->MSFlexGridFile, Qt::Key_Escape);
    else
        dialog->close();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(int(file_.KifuSelect), 0);
    QVERIFY(services_->shown.isEmpty());
}

void DialogMnuFileTest::doubleClickChooses()
{
    Fill({QStringLiteral("1. e4 *"), QStringLiteral("1. d4 *"), QStringLiteral("1. c4 *")});
    auto dialog = Dialog(1);
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QTableView* grid = dialog->MSFlexGridFile;
    const QPoint cell = grid->visualRect(grid->model()->index(1, 2)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(int(file_.KifuSelect), 2);
}

void DialogMnuFileTest::deleteFromTwoGames_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("select");
    QTest::addColumn<QString>("left");
    QTest::newRow("delete 1") << 0 << 2 << "Two";
    QTest::newRow("delete 2") << 1 << 1 << "One";
}

void DialogMnuFileTest::deleteFromTwoGames()
{
    QFETCH(int, row);
    QFETCH(int, select);
    QFETCH(QString, left);
    const QByteArray before = PgnGame("One", "1. e4  e5 *") + PgnGame("Two", "1. d4  d5 *");
    const QString path = Write(QStringLiteral("two.pgn"), before);
    Scan(kKindPgn, path);
    auto dialog = Dialog(1, path);
    dialog->MSFlexGridFile->selectRow(row);
    services_->answers << MessageAnswer::Yes;
    QTest::mouseClick(dialog->ComPlus, Qt::LeftButton);

    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, QStringLiteral("%1番を削除しますか？").arg(row + 1));
    QCOMPARE(services_->shown[0].title, QString("データ削除"));
    QCOMPARE(int(services_->shown[0].icon), int(MessageIcon::Warning));
    // The dialog closes and names the game that is left, by its number in
    // the table the caller still holds.
    QVERIFY(!dialog->isVisible());
    QCOMPARE(int(file_.KifuSelect), select);
    QCOMPARE(QString::fromStdString(file_.KifuList[select][1]), left);
    QCOMPARE(services_->busy, 0);
    QVERIFY(services_->busyCalls > 0);

    KifuFile after;
    QVERIFY(ScanKifuFile(after, kKindPgn, path.toStdString()).ok);
    QCOMPARE(after.KifuCount, 1);
    QCOMPARE(QString::fromStdString(after.KifuList[1][1]), left);
    QFile backup(QString::fromStdString(BackupName(path.toStdString())));
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), before);
}

void DialogMnuFileTest::deleteRenumbers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("PGN first") << int(kKindPgn) << 0 << QStringList{"Two", "Three"};
    QTest::newRow("PGN middle") << int(kKindPgn) << 1 << QStringList{"One", "Three"};
    QTest::newRow("PGN last") << int(kKindPgn) << 2 << QStringList{"One", "Two"};
    QTest::newRow("CSV middle") << int(kKindCsv) << 1 << QStringList{"One", "Three"};
}

void DialogMnuFileTest::deleteRenumbers()
{
    QFETCH(int, kind);
    QFETCH(int, row);
    QFETCH(QStringList, left);
    const bool csv = kind == kKindCsv;
    const QByteArray bytes = csv ? CsvGame("One", "e4", "e5") + CsvGame("Two", "d4", "d5") + CsvGame("Three", "c4", "c5")
                                 : PgnGame("One", "1. e4  e5 *") + PgnGame("Two", "1. d4  d5 *") +
                                       PgnGame("Three", "1. c4  c5 *");
    const QString path = Write(csv ? QStringLiteral("three.csv") : QStringLiteral("three.pgn"), bytes);
    Scan(KifuKind(kind), path);
    QCOMPARE(file_.KifuCount, 3);
    auto dialog = Dialog(csv ? 5 : 1, path);
    dialog->MSFlexGridFile->selectRow(row);
    services_->answers << MessageAnswer::Yes;
    QTest::mouseClick(dialog->ComPlus, Qt::LeftButton);

    QVERIFY(dialog->isVisible());  // more than one game is left: the user goes on
    const QAbstractItemModel* model = dialog->MSFlexGridFile->model();
    QCOMPARE(model->rowCount(), 2);
    for (int r = 0; r < 2; ++r) {
        QCOMPARE(Cell(*dialog, r, 0), QString::number(r + 1));
        QCOMPARE(model->headerData(r, Qt::Vertical).toString(), QString::number(r + 1));
        QCOMPARE(Cell(*dialog, r, 1), left[r]);
    }
    QCOMPARE(file_.KifuCount, 2);
    QCOMPARE(services_->busy, 0);

    // The next choice is made in the renumbered list.
    dialog->MSFlexGridFile->selectRow(1);
    QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
    QCOMPARE(int(file_.KifuSelect), 2);
    QCOMPARE(QString::fromStdString(file_.KifuList[2][1]), left[1]);
}

void DialogMnuFileTest::deleteAnsweredNo()
{
    const QByteArray bytes = PgnGame("One", "1. e4  e5 *") + PgnGame("Two", "1. d4  d5 *");
    const QString path = Write(QStringLiteral("two.pgn"), bytes);
    Scan(kKindPgn, path);
    auto dialog = Dialog(1, path);
    services_->answers << MessageAnswer::No;
    QTest::mouseClick(dialog->ComPlus, Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->MSFlexGridFile->model()->rowCount(), 2);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
    QVERIFY(!QFile::exists(QString::fromStdString(BackupName(path.toStdString()))));
}

void DialogMnuFileTest::searchButton()
{
    const QString path = Write(QStringLiteral("search.pgn"),
                               PgnGame("One", "1. e4  e5 2. Nf3  Nc6 *") + PgnGame("Two", "1. d4  d5 *") +
                                   PgnGame("Three", "1. e4  c5 *") + PgnGame("Four", "1. e4  e5 2. Bc4 *"));
    Scan(kKindPgn, path);
    Play("e4");
    auto dialog = Dialog(3, path);
    QCOMPARE(dialog->MSFlexGridFile->model()->rowCount(), 4);  // all games until the user searches

    QTest::mouseClick(dialog->ComPlus, Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->TextJo->toPlainText(), QString("1.e5(2)  2.c5(1)  "));
    QCOMPARE(dialog->MSFlexGridFile->model()->rowCount(), 3);
    QCOMPARE(Cell(*dialog, 2, 0), QString("4"));  // its number in the file
    QCOMPARE(dialog->MSFlexGridFile->model()->headerData(2, Qt::Vertical).toInt(), 4);
    QCOMPARE(Cell(*dialog, 2, 1), QString("Four"));
    QCOMPARE(dialog->MSFlexGridFile->currentIndex().row(), 0);
    QCOMPARE(services_->busy, 0);

    // A position none of them reached: said so, and the list stays.
    Play("e5 Nc3");
    QTest::mouseClick(dialog->ComPlus, Qt::LeftButton);
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, QString("局面は存在しませんでした"));
    QCOMPARE(services_->shown[0].title, QString("検索"));
    QCOMPARE(dialog->MSFlexGridFile->model()->rowCount(), 3);
    QCOMPARE(dialog->TextJo->toPlainText(), QString());

    dialog->MSFlexGridFile->selectRow(2);
    QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
    QCOMPARE(int(file_.KifuSelect), 3);
}

QTEST_MAIN(DialogMnuFileTest)
#include "tst_dialogmnufile.moc"
