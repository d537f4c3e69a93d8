// The main window as a user meets it, offscreen: drags on the board, the
// move list, the navigation buttons and keys, the promotion question, the
// clocks, the menus, and opening, saving and searching real game files.
// Message boxes, beeps and file dialogs are answered by a script.
#include "WindowTestSupport.h"
#include "ScriptedServices.h"

#include "core/FenText.h"
#include "core/GameText.h"
#include "core/MoveCommit.h"
#include "records/TextCodec.h"
#include "ui/DialogMnuFile.h"
#include "ui/DialogMnuGameEngine.h"
#include "ui/DialogSetup.h"
#include "core/KifuTree.h"
#include "ui/BoardInput.h"
#include "ui/FileCommands.h"
#include "ui/FormMain.h"
#include "ui/GameClocks.h"
#include "ui/MoveListView.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace vorlik;
using namespace vorlik::test;

class FormMainTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUp();
    void boxesFollowTheHeader_data();
    void boxesFollowTheHeader();
    void qtTextsInJapanese();
    void noLayoutJumps();
    void menusBeforeAGame();
    void dragCommitsMove();
    void illegalDropBeeps_data();
    void illegalDropBeeps();
    void dropOffTheSquaresCancels();
    void releaseWithoutDragDoesNothing();
    void pressWhileEngineAwaitedDoesNothing();
    void turnedBoard();
    void moveListLines_data();
    void moveListLines();
    void blackFirstRecord();
    void navigation();
    void listClicksAndArrowKeys();
    void keysAndClicks_data();
    void keysAndClicks();
    void recordCut_data();
    void recordCut();
    void earlierPositionInAGame();
    void controlStates_data();
    void controlStates();
    void mateMark();
    void enteringAVariation_data();
    void enteringAVariation();
    void promotionByDrag();
    void clocksFollowSideToMove();
    void clockStopsAtItsLimit();
    void automaticReplay();
    void notesFollowThePly();
    void oldNotesNeverReturn();
    void dayCount();
    void newRecordAndAbout();
    void fullRecordSaysSo();
    void largeScreenOption();
    void openThroughMenu_data();
    void openThroughMenu();
    void openCancelledKeepsTheGame();
    void saveIntoAFile();
    void saveDialogFollowsTheStart_data();
    void saveDialogFollowsTheStart();
    void searchThroughMenu_data();
    void searchThroughMenu();
    void longNotationOption();
    void fileToolbarButtons_data();
    void fileToolbarButtons();
    void openKindFollowsTheExtension_data();
    void openKindFollowsTheExtension();
    void saveKindFollowsTheExtension_data();
    void saveKindFollowsTheExtension();
    void saveAsksToConvertACp932File();
    void searchKindFollowsTheExtension_data();
    void searchKindFollowsTheExtension();
    void fileWithoutGamesSaysSo_data();
    void fileWithoutGamesSaysSo();
    void folderRememberedAcrossRuns();
    void folderFirstTime_data();
    void folderFirstTime();

private:
    int ImageOf(const char* square) const;
    void Drag(const char* from, const char* to);
    void Play(const QString& tokens);
    QStringList Lines() const;
    int SelectedLine() const;
    void SetUp(const char* fen);
    QString Write(const QString& name, const QByteArray& bytes);
    QByteArray Read(const QString& path) const;
    // Acts on the collection dialog once it is up, from inside its exec().
    void OnDialog(std::function<void(DialogMnuFile*)> act);
    // A new window on the same program folder, as the next run of the program.
    void Restart();

    ScriptedServices* services_ = nullptr;
    FormMain* form_ = nullptr;
    WindowControls Controls() const { return WindowControls(&*form_); }
    QTemporaryDir* folder_ = nullptr;
    QTimer* watchdog_ = nullptr;
    int dialogsSeen_ = 0;
    int dialogsUnexpected_ = 0;
};

namespace {

// One game in this program's layout, lines ending in CR LF.
QByteArray PgnGame(const QString& event, const QString& moves)
{
    const QStringList lines = {QStringLiteral("[Event \"%1\"]").arg(event), QStringLiteral("[Site \"東京\"]"),
                               QStringLiteral("[Date \"24/5/1\"]"),          QStringLiteral("[Round \"1\"]"),
                               QStringLiteral("[White \"A\"]"),              QStringLiteral("[Black \"B\"]"),
                               QStringLiteral("[Result \"*\"]"),             QString(),
                               moves,                                         QString()};
    return "\r\n" + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

// One postal game of one full move; notes 1 of White's and Black's plies.
QByteArray CsvGame(const QString& event, const QString& white, const QString& black, const QString& whiteNote,
                   const QString& blackNote)
{
    const QStringList lines = {QStringLiteral("Event,%1").arg(event),
                               QStringLiteral("Site,"),
                               QStringLiteral("Date,"),
                               QStringLiteral("Round,"),
                               QStringLiteral("White,"),
                               QStringLiteral("Black,"),
                               QStringLiteral("Result,*"),
                               QString(),
                               QStringLiteral("1,5254,5755,%1,%2,%3,,,,,,%4,,,,,,").arg(white, black, whiteNote, blackNote),
                               QString()};
    return "\r\n" + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

}  // namespace

void FormMainTest::init()
{
    services_ = new ScriptedServices;
    form_ = new FormMain(*services_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_));
    folder_ = new QTemporaryDir;
    QVERIFY(folder_->isValid());
    dialogsSeen_ = dialogsUnexpected_ = 0;
    // A collection dialog that no test step expected would wait forever.
    watchdog_ = new QTimer;
    watchdog_->setInterval(3000);
    connect(watchdog_, &QTimer::timeout, this, [this] {
        if (auto* dialog = qobject_cast<DialogMnuFile*>(QApplication::activeModalWidget())) {
            ++dialogsUnexpected_;
            dialog->reject();
        }
    });
    watchdog_->start();
}

void FormMainTest::cleanup()
{
    delete watchdog_;
    delete form_;
    delete services_;
    delete folder_;
    QCOMPARE(dialogsUnexpected_, 0);
}

QString FormMainTest::Write(const QString& name, const QByteArray& bytes)
{
    const QString path = folder_->filePath(name);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray FormMainTest::Read(const QString& path) const
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

void FormMainTest::OnDialog(std::function<void(DialogMnuFile*)> act)
{
    QTimer::singleShot(0, this, [this, act] {
        if (auto* dialog = qobject_cast<DialogMnuFile*>(QApplication::activeModalWidget())) {
            ++dialogsSeen_;
            act(dialog);
        }
    });
}

int FormMainTest::ImageOf(const char* square) const
{
    const int file = square[0] - 'a' + 1, rank = square[1] - '0';
    const int row = Controls().MnuGameTurn()->isChecked() ? 9 - rank : rank;
    return (file - 1) * 8 + row;
}

void FormMainTest::Drag(const char* from, const char* to)
{
    BoardView* board = Controls().ImaCheBoa();
    const QPoint start = board->ImageRect(ImageOf(from)).center();
    const QPoint end = board->ImageRect(ImageOf(to)).center();
    QTest::mousePress(board, Qt::LeftButton, {}, start);
    QTest::mouseMove(board, (start + end) / 2);
    QTest::mouseMove(board, end);
    QTest::mouseRelease(board, Qt::LeftButton, {}, end);
}

// Moves the way a file load or the engine enters them.
void FormMainTest::Play(const QString& tokens)
{
    for (const QString& token : tokens.split(' ', Qt::SkipEmptyParts)) {
        QVERIFY2(form_->CheckChessMoveOutput(token.toStdString()), qPrintable(token));
    }
}

QStringList FormMainTest::Lines() const
{
    QStringList lines;
    for (int k = 0; k < Controls().ListMain()->count(); ++k)
        lines << Controls().ListMain()->item(k)->text();
    return lines;
}

int FormMainTest::SelectedLine() const
{
    const QList<QListWidgetItem*> selected = Controls().ListMain()->selectedItems();
    return selected.isEmpty() ? -1 : Controls().ListMain()->row(selected.first());
}

void FormMainTest::SetUp(const char* fen)
{
    Board board{};
    bool blackToMove = false;
    QCOMPARE(int(ReadFenText(fen, board, blackToMove)), int(FenError::None));
    form_->MnuFileNew_Click();
    form_->Session().LoadSetup(board, blackToMove);
    form_->AllDisplay();
}

void FormMainTest::boxesFollowTheHeader_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("event") << int(kEvent) << "Club match";
    QTest::newRow("date") << int(kDate) << "2024.05.06";
    QTest::newRow("white") << int(kWhite) << "佐藤";
    QTest::newRow("result") << int(kResult) << "1-0";
    QTest::newRow("further tags") << 0 << "[Annotator \"Sato\"]";
}

// The boxes show the session's header and write what is typed back to it.
void FormMainTest::boxesFollowTheHeader()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    const auto shown = [&] {
        return field == kResult ? Controls().CombKekka()->currentText()
               : field == 0     ? Controls().TextInfoS()->toPlainText()
                                : Controls().TextInfo(field)->text();
    };
    const auto kept = [&](const GameHeader& header) {
        return QString::fromStdString(field == 0 ? header.TextInfoS : header.Field[field]);
    };
    GameHeader header = form_->Session().Header();
    (field == 0 ? header.TextInfoS : header.Field[field]) = text.toStdString();
    form_->Session().SetHeader(header);
    QCOMPARE(shown(), text);
    QCOMPARE(Controls().TextInfo(kBlack)->text(), QString());  // the other boxes as they were
    // Typed into, a box changes the record's header, and the record is unsaved.
    const long long revision = form_->Game().Revision;
    if (field == kResult)
        Controls().CombKekka()->setCurrentText("0-1");
    else if (field == 0)
        Controls().TextInfoS()->setPlainText("[Annotator \"Suzuki\"]");
    else
        QTest::keyClicks(Controls().TextInfo(field), "!");
    QCOMPARE(kept(form_->Session().Header()), shown());
    QVERIFY(shown() != text);
    QVERIFY(form_->Game().Revision > revision);
    // A new record brings the program's event, today and an open result.
    form_->MnuFileNew_Click();
    QCOMPARE(Controls().TextInfo(kEvent)->text(), QString("Vorlik Ver1.00"));
    QCOMPARE(Controls().CombKekka()->currentText(), QString("*"));
    QCOMPARE(QString::fromStdString(form_->Session().Header().Field[kResult]), QString("*"));
}

void FormMainTest::startUp()
{
    QCOMPARE(form_->windowTitle(), QString("Vorlik Ver1.00[*]"));  // no file, nothing unsaved
    QVERIFY(!form_->isWindowModified());
    QCOMPARE(Controls().TextInfo(1)->text(), QString("Vorlik Ver1.00"));
    const QDate today = QDate::currentDate();
    QCOMPARE(Controls().TextInfo(3)->text(),
             QString("%1/%2/%3").arg(today.year() % 100, 2, 10, QChar('0')).arg(today.month()).arg(today.day()));
    QCOMPARE(Controls().CombKekka()->currentText(), QString("*"));
    QCOMPARE(Controls().TextEngMas()->toPlainText().section('\n', 0, 0), QString("エンジンとの送受信"));
    QCOMPARE(Controls().LabelinCheckMate()->text(), QString("#挿"));

    BoardView* board = Controls().ImaCheBoa();
    QCOMPARE(board->Image(1)->Piece(), 'R');
    QCOMPARE(board->Image(5)->Piece(), '\0');
    QCOMPARE(board->Image(33)->Piece(), 'K');
    QCOMPARE(board->Image(40)->Piece(), 'k');
    QCOMPARE(board->Image(64)->objectName(), QString("ImaCheMan(64)"));
    QVERIFY(!board->TurnStrip()->isVisible());

    // No engine is configured: its buttons stay off; the per-move boxes are
    // off at the start position.
    for (int k : {0, 6, 7, 8, 9})
        QVERIFY2(!Controls().CommandMain(k)->isEnabled(), qPrintable(QString::number(k)));
    for (int k : {1, 2, 3, 4, 5})
        QVERIFY(Controls().CommandMain(k)->isEnabled());
    QCOMPARE(Controls().CommandMain(0)->text(), QString("エンジンの名称"));
    for (int k = 8; k <= 13; ++k)
        QVERIFY(!Controls().TextInfo(k)->isEnabled());
    QVERIFY(Controls().MnuGameHyoukiHyouki(1)->isChecked());
}

// File dialogs and standard buttons speak the program's language.
void FormMainTest::qtTextsInJapanese()
{
    QVERIFY(InstallJapaneseQtTexts());
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("キャンセル"));
    QVERIFY(QCoreApplication::translate("QFileDialog", "Look in:") != QString("Look in:"));
    QCOMPARE(QLocale().language(), QLocale::Japanese);
}

// Texts that change during a game leave the window's size alone.
void FormMainTest::noLayoutJumps()
{
    QTest::qWait(50);
    const QSize before = form_->size();
    const QRect clock = Controls().LabelTime(0)->geometry();
    Controls().LabelTime(0)->setText("白 00:00:03");
    Controls().LabelTime(1)->setText("黒 13:59:59");
    Controls().CommandMain(0)->setText("Stockfish 15.1 through PolyGlot 2.0.4");
    Controls().TextInfo(6)->setText(QString(80, QChar(0x540D)));
    Controls().CombKekka()->setCurrentText("1/2-1/2");
    QTest::qWait(50);
    QCOMPARE(form_->size(), before);
    QCOMPARE(Controls().LabelTime(0)->geometry(), clock);
}

void FormMainTest::menusBeforeAGame()
{
    // With no engine configured a game cannot start, but the engine settings
    // can be made; everything else is there.
    for (QAction* off : {Controls().MnuGameNew(), Controls().MnuGameEnd(), Controls().MnuGameLevelLevel(1)})
        QVERIFY2(!off->isEnabled(), qPrintable(off->text()));
    for (int k : {7, 8})
        QVERIFY2(!Controls().ToolbarButton(k)->isEnabled(), qPrintable(QString::number(k)));
    for (QAction* ready : {Controls().MnuFileNew(), Controls().MnuFileOpenSave(1), Controls().MnuFileOpenSave(3),
                           Controls().MnuFileEnd(), Controls().MnuGameTurn(), Controls().MnuGameSound(), Controls().MnuOptionSearch(),
                           Controls().MnuOptionKifuWrite(), Controls().MnuOptionWin120DPI(), Controls().MnuHelpAbout(),
                           Controls().MnuGameEngine(), Controls().MnuGameSetup(), Controls().MnuFilePrint(),
                           Controls().MnuHelpSearch()})
        QVERIFY2(ready->isEnabled(), qPrintable(ready->text()));
    for (int k : {2, 3, 4, 5, 9, 10, 12, 14})
        QVERIFY2(Controls().ToolbarButton(k)->isEnabled(), qPrintable(QString::number(k)));
    QVERIFY(Controls().ToolbarButton(1)->isSeparator());
    QVERIFY(Controls().MnuOptionKifuWrite()->isCheckable());

    // During a game the file can be saved but no other opened.
    form_->Session().SetPhase(GamePhase::UserToMove);
    QVERIFY(Controls().MnuFileOpenSave(3)->isEnabled());
    QVERIFY(!Controls().MnuFileOpenSave(1)->isEnabled());
    QVERIFY(!Controls().ToolbarButton(3)->isEnabled());
    QVERIFY(Controls().ToolbarButton(4)->isEnabled());
}

void FormMainTest::dragCommitsMove()
{
    Drag("e2", "e4");
    QCOMPARE(form_->Game().LastPly, 1);
    QCOMPARE(form_->Game().CurPly, 1);
    QCOMPARE(Lines(), QStringList{"1. e4"});
    QCOMPARE(SelectedLine(), 0);
    QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("e4"))->Piece(), 'P');
    QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("e2"))->Piece(), '\0');
    QCOMPARE(services_->beeps, 0);
    QVERIFY(Controls().LabelTime(1)->styleSheet().contains("#fffbe6"));  // Black's clock is the opaque one
    QVERIFY(!Controls().LabelTime(0)->styleSheet().contains("#fffbe6"));
    for (int k = 8; k <= 13; ++k)
        QVERIFY(Controls().TextInfo(k)->isEnabled());
    QVERIFY(services_->sounds.isEmpty());  // the piece sound is off

    Controls().MnuGameSound()->trigger();
    Drag("e7", "e5");
    QCOMPARE(Lines(), QStringList{"1. e4       e5"});
    QCOMPARE(services_->sounds.size(), 1);
    QVERIFY(services_->sounds.first().endsWith("/PieceMove.wav"));
}

void FormMainTest::illegalDropBeeps_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("pawn three squares") << "e2" << "e5";
    QTest::newRow("black moves first") << "e7" << "e5";
    QTest::newRow("back on its own square, not to move") << "g8" << "g8";
    QTest::newRow("onto its own piece") << "d1" << "d2";
}

void FormMainTest::illegalDropBeeps()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    Drag(qPrintable(from), qPrintable(to));
    QCOMPARE(services_->beeps, 1);
    QCOMPARE(form_->Game().LastPly, 0);
    QVERIFY(Lines().isEmpty());
    // The lifted piece is back on its square.
    QVERIFY(Controls().ImaCheBoa()->Image(ImageOf(qPrintable(from)))->Piece() != '\0');
}

void FormMainTest::dropOffTheSquaresCancels()
{
    BoardView* board = Controls().ImaCheBoa();
    QTest::mousePress(board, Qt::LeftButton, {}, board->ImageRect(ImageOf("g1")).center());
    QCOMPARE(board->Image(ImageOf("g1"))->Piece(), '\0');  // lifted
    QTest::mouseMove(board, QPoint(3, 3));
    QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(3, 3));  // on the frame
    QCOMPARE(services_->beeps, 1);
    QCOMPARE(board->Image(ImageOf("g1"))->Piece(), 'N');
    QCOMPARE(form_->Game().LastPly, 0);

    // Released beyond the board altogether: the same.
    QTest::mousePress(board, Qt::LeftButton, {}, board->ImageRect(ImageOf("g1")).center());
    QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(board->width() + 40, 10));
    QCOMPARE(services_->beeps, 2);
    QCOMPARE(board->Image(ImageOf("g1"))->Piece(), 'N');
}

void FormMainTest::releaseWithoutDragDoesNothing()
{
    BoardView* board = Controls().ImaCheBoa();
    // A press on an empty square starts no drag; its release on a square
    // must not reuse the squares of an earlier drag.
    Drag("g1", "f3");
    QCOMPARE(form_->Game().LastPly, 1);
    QTest::mousePress(board, Qt::LeftButton, {}, board->ImageRect(ImageOf("e4")).center());
    QTest::mouseRelease(board, Qt::LeftButton, {}, board->ImageRect(ImageOf("e5")).center());
    QTest::mouseRelease(board, Qt::LeftButton, {}, board->ImageRect(ImageOf("d5")).center());
    QCOMPARE(form_->Game().LastPly, 1);
    QCOMPARE(services_->beeps, 0);
}

void FormMainTest::pressWhileEngineAwaitedDoesNothing()
{
    form_->Session().SetPhase(GamePhase::EngineThinking);
    Drag("e2", "e4");
    QCOMPARE(form_->Game().LastPly, 0);
    QCOMPARE(services_->beeps, 0);
    QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("e2"))->Piece(), 'P');
}

void FormMainTest::turnedBoard()
{
    Controls().MnuGameTurn()->trigger();
    BoardView* board = Controls().ImaCheBoa();
    QVERIFY(board->TurnStrip()->isVisible());
    QCOMPARE(board->Image(1)->Piece(), 'r');  // image 1 is a8
    QCOMPARE(board->Image(33)->Piece(), 'k');
    QCOMPARE(board->Image(40)->Piece(), 'K');
    QCOMPARE(board->Image(64)->Piece(), 'R');  // h1 at the top right
    Drag("e2", "e4");
    QCOMPARE(QString::fromStdString(form_->Game().KifuCoord[1]), QString("e2e4"));
    QCOMPARE(board->Image(ImageOf("e4"))->Piece(), 'P');
    Controls().MnuGameTurn()->trigger();
    QVERIFY(!board->TurnStrip()->isVisible());
    QCOMPARE(board->Image(1)->Piece(), 'R');
}

void FormMainTest::moveListLines_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("国際") << 1 << QStringList{"1. e4       e5", "2. Nf3      Nc6", "3. Bb5"};
    QTest::newRow("国際長") << 2 << QStringList{"1. e2-e4    e7-e5", "2. Ng1-f3   Nb8-c6", "3. Bf1-b5"};
    QTest::newRow("郵便") << 3 << QStringList{"1. 5254     5755", "2. 7163     2836", "3. 6125"};
    QTest::newRow("座標") << 4 << QStringList{"1. e2e4     e7e5", "2. g1f3     b8c6", "3. f1b5"};
}

void FormMainTest::moveListLines()
{
    QFETCH(int, style);
    QFETCH(QStringList, lines);
    Play("e4 e5 Nf3 Nc6 Bb5");
    form_->Moves().GotoStart();
    Controls().MnuGameHyoukiHyouki(style)->trigger();
    QCOMPARE(Lines(), lines);
    QCOMPARE(form_->Game().CurPly, 5);  // the view moves to the last position
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(Controls().MnuGameHyoukiHyouki(k)->isChecked(), k == style);
    // Later moves come in the chosen style too.
    Drag("a7", "a6");
    QCOMPARE(Lines().last(), lines.last().leftJustified(12, ' ') + QString::fromStdString(
                                 MoveText(form_->Game(), NotationStyle(style), 6)));
}

void FormMainTest::blackFirstRecord()
{
    SetUp("4k3/4p3/8/8/8/8/4P3/4K3 b - - 0 1");
    Drag("e7", "e5");
    QCOMPARE(form_->Game().CurPly, 2);
    QCOMPARE(Lines(), QStringList{"1. ...      e5"});
    Drag("e2", "e4");
    QCOMPARE(Lines(), (QStringList{"1. ...      e5", "2. e4"}));

    form_->Moves().GotoStart();
    QCOMPARE(form_->Game().CurPly, 1);  // there is no White move to go back before
    QCOMPARE(services_->beeps, 0);
    form_->Moves().StepBack();
    QCOMPARE(services_->beeps, 1);
    QCOMPARE(form_->Game().CurPly, 1);
}

void FormMainTest::navigation()
{
    Play("e4 e5 Nf3 Nc6 Bb5");
    auto click = [this](int button) { QTest::mouseClick(Controls().CommandMain(button), Qt::LeftButton); };

    click(2);  // "<" from ply 5
    QCOMPARE(form_->Game().CurPly, 4);
    QCOMPARE(SelectedLine(), 2);
    click(2);
    QCOMPARE(form_->Game().CurPly, 3);
    click(2);  // from ply 3 the line of the next move is line 1
    QCOMPARE(form_->Game().CurPly, 2);
    QCOMPARE(SelectedLine(), 1);
    QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("f3"))->Piece(), '\0');

    click(1);  // "|<"
    QCOMPARE(form_->Game().CurPly, 0);
    QCOMPARE(SelectedLine(), 0);
    QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("e2"))->Piece(), 'P');
    click(2);  // nothing before the start
    QCOMPARE(services_->beeps, 1);
    click(3);  // ">" to ply 1
    click(3);  // to ply 2: the move just shown is on line 0
    QCOMPARE(form_->Game().CurPly, 2);
    QCOMPARE(SelectedLine(), 0);
    click(4);  // ">|"
    QCOMPARE(form_->Game().CurPly, 5);
    QCOMPARE(SelectedLine(), 2);
    click(3);  // nothing after the end
    QCOMPARE(services_->beeps, 2);
    QCOMPARE(form_->Game().LastPly, 5);
}

void FormMainTest::listClicksAndArrowKeys()
{
    Play("e4 e5 Nf3 Nc6 Bb5 a6 Ba4");
    QListWidget* list = Controls().ListMain();
    auto clickLine = [list](int line) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(line)).center());
    };
    clickLine(0);
    QCOMPARE(form_->Game().CurPly, 2);  // after Black's move of the line
    clickLine(3);
    QCOMPARE(form_->Game().CurPly, 7);  // a line with White's move only
    clickLine(1);
    QCOMPARE(form_->Game().CurPly, 4);

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(form_->Game().CurPly, 6);
    QVERIFY(list->selectedItems().isEmpty());
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(form_->Game().CurPly, 2);
    QVERIFY(list->selectedItems().isEmpty());
}

void FormMainTest::keysAndClicks_data()
{
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QString>("steps");  // e2 click, +e2 press, -e4 release, @ focus or state, else keys
    QTest::addColumn<int>("curPly");
    QTest::addColumn<QString>("lastMove");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<int>("fileDialogs");
    const QString game = "e4 e5 Nf3";
    QTest::newRow("arrows on the board") << game << "@board Left Left" << 1 << "g1f3" << 0 << 0;
    QTest::newRow("Home and End on the board") << game << "@board Home Right End Left" << 2 << "g1f3" << 0 << 0;
    QTest::newRow("arrows on the move list") << game << "@list Home Right" << 1 << "g1f3" << 0 << 0;
    QTest::newRow("keys idle while the engine thinks") << game << "@board @thinking Left Home" << 3 << "g1f3" << 0
                                                       << 0;
    QTest::newRow("Escape cancels a drag") << "" << "+e2 Escape -e4" << 0 << "" << 0 << 0;
    QTest::newRow("click, then the target") << "" << "e2 e4" << 1 << "e2e4" << 0 << 0;
    QTest::newRow("a second click lets go") << "" << "e2 e2 e4" << 0 << "" << 0 << 0;
    QTest::newRow("Escape lets go") << "" << "g1 Escape f3" << 0 << "" << 0 << 0;
    QTest::newRow("illegal target beeps") << "" << "e2 e5" << 0 << "" << 1 << 0;
    QTest::newRow("no choice of the side not to move") << "e4" << "d2 d4" << 1 << "e2e4" << 1 << 0;
    QTest::newRow("another piece taken up") << "" << "g1 b1 c3" << 1 << "b1c3" << 0 << 0;
    QTest::newRow("Ctrl+S saves") << game << "Ctrl+S" << 3 << "g1f3" << 0 << 1;
    QTest::newRow("Ctrl+O opens") << "" << "Ctrl+O" << 0 << "" << 0 << 1;
}

void FormMainTest::keysAndClicks()
{
    QFETCH(QString, moves);
    QFETCH(QString, steps);
    Play(moves);
    BoardView* board = Controls().ImaCheBoa();
    auto at = [this, board](const QString& square) { return board->ImageRect(ImageOf(qPrintable(square))).center(); };
    for (const QString& step : steps.split(' ')) {
        if (step == "@board")
            board->setFocus();
        else if (step == "@list")
            Controls().ListMain()->setFocus();
        else if (step == "@thinking")
            form_->Session().SetPhase(GamePhase::EngineThinking);
        else if (step.startsWith('+'))
            QTest::mousePress(board, Qt::LeftButton, {}, at(step.mid(1)));
        else if (step.startsWith('-'))
            QTest::mouseRelease(board, Qt::LeftButton, {}, at(step.mid(1)));
        else if (step.size() == 2 && step[1].isDigit())
            QTest::mouseClick(board, Qt::LeftButton, {}, at(step));
        else
            QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : form_, QKeySequence(step));
    }
    const GameState& record = form_->Game();
    QTEST(record.CurPly, "curPly");
    QTEST(QString::fromStdString(record.KifuCoord[record.LastPly]), "lastMove");
    QTEST(services_->beeps, "beeps");
    QTEST(int(services_->fileAsked.size()), "fileDialogs");
    for (int index = 1; index <= 64; ++index)  // no piece is left lifted
        QCOMPARE(board->Image(index)->Piece(),
                 record.KifuBoard[record.CurPly][BoardView::Column(index)][BoardView::Row(index)]);
}

void FormMainTest::recordCut_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes cuts the record") << true;
    QTest::newRow("no keeps it") << false;
}

void FormMainTest::recordCut()
{
    QFETCH(bool, yes);
    Play("e4 e5 Nf3 Nc6 Bb5 a6");
    form_->Moves().GotoStart();
    form_->Moves().StepForward();
    form_->Moves().StepForward();  // ply 2 of 6
    services_->answers << (yes ? MessageAnswer::Yes : MessageAnswer::No);
    Drag("d2", "d4");

    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, QString("局面を変更すると以降の棋譜は削除されます？"));
    QCOMPARE(services_->shown[0].title, QString("注意"));
    QCOMPARE(int(services_->shown[0].icon), int(MessageIcon::Warning));
    QCOMPARE(int(services_->shown[0].buttons), int(MessageButtons::YesNo));
    if (yes) {
        QCOMPARE(form_->Game().LastPly, 3);
        QCOMPARE(Lines(), (QStringList{"1. e4       e5", "2. d4"}));
        QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("d4"))->Piece(), 'P');
    } else {
        QCOMPARE(form_->Game().LastPly, 6);
        QCOMPARE(form_->Game().CurPly, 2);
        QCOMPARE(Lines().size(), 3);
        QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("d2"))->Piece(), 'P');
        QVERIFY(form_->Input().MoveInput().empty());
    }
}

void FormMainTest::earlierPositionInAGame()
{
    Play("e4 e5 Nf3");
    form_->Session().SetPhase(GamePhase::UserToMove);
    form_->Moves().GotoStart();
    Drag("d2", "d4");
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, QString("局面の変更は[戻]を使用して行ってください"));
    QCOMPARE(services_->shown[0].title, QString("警告"));
    QCOMPARE(int(services_->shown[0].icon), int(MessageIcon::Error));
    QCOMPARE(form_->Game().CurPly, 3);  // back at the last position, the move not tried
    QCOMPARE(form_->Game().LastPly, 3);
    QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("d2"))->Piece(), 'P');
}

void FormMainTest::controlStates_data()
{
    // What each phase leaves usable of the navigation buttons (1..5), the
    // move list, "新規作成" and the toolbar's "新規作成" and "バージョン情報".
    QTest::addColumn<int>("phase");
    QTest::addColumn<bool>("navigation");
    QTest::addColumn<bool>("list");
    QTest::addColumn<bool>("newRecord");
    QTest::addColumn<bool>("about");
    QTest::addColumn<QString>("engineButtons");  // which of 0, 6, 7, 8, 9 are on (no engine configured)
    QTest::newRow("engine to move") << int(GamePhase::EngineThinking) << false << false << false << true << "0 8 9";  // 0: move now
    QTest::newRow("user to move") << int(GamePhase::UserToMove) << true << true << false << true << "0 8 9";
    QTest::newRow("game ended") << int(GamePhase::Ended) << true << true << true << true << "7";
    QTest::newRow("setup open") << int(GamePhase::SetupOpen) << false << false << false << true << "";
    QTest::newRow("setup cancelled") << int(GamePhase::NoGame) << true << true << true << true << "";
}

void FormMainTest::controlStates()
{
    QFETCH(int, phase);
    QFETCH(bool, navigation);
    QFETCH(bool, list);
    QFETCH(bool, newRecord);
    QFETCH(bool, about);
    QFETCH(QString, engineButtons);
    form_->Session().SetPhase(GamePhase(phase));
    for (int k = 1; k <= 5; ++k)
        QCOMPARE(Controls().CommandMain(k)->isEnabled(), navigation);
    QCOMPARE(Controls().ListMain()->isEnabled(), list);
    QCOMPARE(Controls().MnuFileNew()->isEnabled(), newRecord);
    QCOMPARE(Controls().ToolbarButton(2)->isEnabled(), newRecord);
    QCOMPARE(Controls().ToolbarButton(14)->isEnabled(), about);
    QCOMPARE(form_->Engine().EngWait(), GamePhase(phase) == GamePhase::EngineThinking);
    QStringList on;
    for (int k : {0, 6, 7, 8, 9})
        if (Controls().CommandMain(k)->isEnabled())
            on << QString::number(k);
    QCOMPARE(on.join(' '), engineButtons);
}

void FormMainTest::enteringAVariation_data()
{
    // With "変化手順の入力" on, a move at an earlier position becomes a
    // variation (no question), which can then replace the main line; off,
    // the later moves are given up after the question, as always.
    QTest::addColumn<bool>("variations");
    QTest::addColumn<QStringList>("entered");
    QTest::addColumn<QStringList>("promoted");
    QTest::newRow("variations on") << true << QStringList{"1. e4       e5", "2. Nf3", "  2. Nc3"}
                                   << QStringList{"1. e4       e5", "2. Nc3", "  2. Nf3"};
    QTest::newRow("variations off") << false << QStringList{"1. e4       e5", "2. Nc3"} << QStringList{};
}

void FormMainTest::enteringAVariation()
{
    QFETCH(bool, variations);
    QFETCH(QStringList, entered);
    QFETCH(QStringList, promoted);
    Play("e4 e5 Nf3");
    QAction* entry = Control<QAction>(form_, "MnuGameVariation");
    QAction* promote = Control<QAction>(form_, "MnuGameVariationPromote");
    if (variations)
        entry->trigger();
    QVERIFY(!promote->isEnabled());
    form_->Moves().StepBack();
    services_->answers << MessageAnswer::Yes;
    Drag("b1", "c3");
    QCOMPARE(services_->shown.size(), variations ? 0 : 1);
    QTRY_COMPARE(Lines(), entered);
    QCOMPARE(QString::fromStdString(form_->Game().KifuCoord[form_->Game().CurPly]), QString("b1c3"));
    QCOMPARE(promote->isEnabled(), variations);
    if (!variations)
        return;
    promote->trigger();
    QTRY_COMPARE(Lines(), promoted);
    QVERIFY(IsMainLine(form_->Game(), form_->Game().LastPly));
    QVERIFY(!promote->isEnabled());
}

void FormMainTest::mateMark()
{
    Play("e4 e5 Qh5 Nc6");
    form_->LabelinCheckMate_Click();  // Nc6 has no "+"
    QVERIFY(services_->shown.isEmpty());

    Drag("h5", "f7");  // a check the king answers (Kxf7): the user may still call it mate
    QCOMPARE(QString::fromStdString(form_->Game().KifuShort[5]), QString("Qxf7+"));
    services_->answers << MessageAnswer::No;
    QTest::mouseClick(Controls().LabelinCheckMate(), Qt::LeftButton);
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, QString("最後の＋(チェック)を＃(チェックメイト)に変更しますか？"));
    QCOMPARE(services_->shown[0].title, QString("確認 手動で<(_ _)>"));
    QCOMPARE(QString::fromStdString(form_->Game().KifuShort[5]), QString("Qxf7+"));

    services_->answers << MessageAnswer::Yes;
    form_->Moves().GotoStart();
    QTest::mouseClick(Controls().LabelinCheckMate(), Qt::LeftButton);
    QCOMPARE(QString::fromStdString(form_->Game().KifuShort[5]), QString("Qxf7#"));
    QCOMPARE(QString::fromStdString(form_->Game().KifuLong[5]), QString("Qh5xf7#"));
    QCOMPARE(QString::fromStdString(form_->Game().KifuPostal[5]), QString("8567"));
    QCOMPARE(Lines().last(), QString("3. Qxf7#"));
    QCOMPARE(form_->Game().CurPly, 5);
}

void FormMainTest::promotionByDrag()
{
    SetUp("8/4P1P1/8/8/8/8/8/k3K3 w - - 0 1");
    struct Seen {
        bool found = false;
        int preselected = -1;
        QString caption, question;
    } seen;
    auto answer = [&seen](int choice) {
        seen = Seen{};
        QTimer::singleShot(0, [&seen, choice] {
            auto* dialog = qobject_cast<DialogSetup*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen.found = true;
            seen.caption = dialog->windowTitle();
            seen.question = dialog->findChild<QLabel*>("LabelDaiSetPromotion")->text();
            for (int k = 0; k < 4; ++k)
                if (dialog->OptionDaiSetPromotion(k)->isChecked())
                    seen.preselected = k;
            if (choice >= 0)
                dialog->OptionDaiSetPromotion(choice)->click();
            QTest::keyClick(dialog, Qt::Key_Escape);  // cannot cancel
            QTest::mouseClick(dialog->CommandPromotionOK(), Qt::LeftButton);
        });
    };

    answer(-1);  // OK without touching the choices
    Drag("e7", "e8");
    QVERIFY(seen.found);
    QCOMPARE(seen.caption, QString("プロモーション"));
    QCOMPARE(seen.question, QString("何に成りますか？"));
    QCOMPARE(seen.preselected, 3);
    QCOMPARE(QString::fromStdString(form_->Game().KifuCoord[1]), QString("e7e8q"));
    QCOMPARE(QString::fromStdString(form_->Game().KifuShort[1]), QString("e8=Q"));
    QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("e8"))->Piece(), 'Q');

    Drag("a1", "b2");
    answer(0);  // the knight
    Drag("g7", "g8");
    QCOMPARE(seen.preselected, 3);
    QCOMPARE(QString::fromStdString(form_->Game().KifuCoord[3]), QString("g7g8n"));
    QCOMPARE(QString::fromStdString(form_->Game().KifuShort[3]), QString("g8=N"));
    QCOMPARE(form_->Input().SetupDialog()->PromoNumber(), 1);
    QCOMPARE(Lines(), (QStringList{"1. e8=Q     Kb2", "2. g8=N"}));

    // The question remembers the last answer.
    SetUp("8/6P1/8/8/8/8/8/k3K3 w - - 0 1");
    answer(-1);
    Drag("g7", "g8");
    QCOMPARE(seen.preselected, 0);
    QCOMPARE(QString::fromStdString(form_->Game().KifuCoord[1]), QString("g7g8n"));
}

void FormMainTest::clocksFollowSideToMove()
{
    // The clocks show the time that passed, not the ticks: 1.5 s each here.
    long long now = 0;
    form_->Clocks().ClockNow = [&now] { return now += 1500; };
    form_->Clocks().RunClock(true);
    form_->Clocks().Timer_Timer();
    QCOMPARE(Controls().LabelTime(0)->text(), QString("白 00:00:01"));
    Play("e4 e5 Nf3");  // each move takes 1.5 s of its side's time: White 4.5 s, Black 1.5 s
    for (int tick = 0; tick < 60; ++tick)
        form_->Clocks().Timer_Timer();
    QCOMPARE(form_->Game().ClockBlack, 91);
    QCOMPARE(Controls().LabelTime(1)->text(), QString("黒 00:01:31"));
    QCOMPARE(form_->Game().ClockWhite, 4);

    // Looking at an earlier position, neither clock runs.
    form_->Moves().StepBack();
    form_->Clocks().Timer_Timer();
    QCOMPARE(form_->Game().ClockBlack, 91);
    QCOMPARE(form_->Game().ClockWhite, 4);
}

void FormMainTest::clockStopsAtItsLimit()
{
    long long now = 0;
    form_->Clocks().ClockNow = [&now] { return now += 1500; };
    form_->Clocks().RunClock(true);
    form_->Session().AddClockTime(false, 32766 * 1000LL);
    form_->Clocks().Timer_Timer();
    form_->Clocks().Timer_Timer();
    form_->Clocks().Timer_Timer();
    QCOMPARE(form_->Game().ClockWhite, 32767);
    QCOMPARE(Controls().LabelTime(0)->text(), QString("白 09:06:07"));
}

void FormMainTest::automaticReplay()
{
    long long now = 0;
    form_->Clocks().ClockNow = [&now] { return now += 1500; };
    Play("e4 e5 Nf3");
    form_->Moves().GotoStart();
    QTest::mouseClick(Controls().CommandMain(5), Qt::LeftButton);
    QCOMPARE(Controls().CommandMain(5)->text(), QString("中止"));
    QVERIFY(Controls().Timer()->isActive());
    QCOMPARE(Controls().Timer()->interval(), 1500);
    form_->Clocks().Timer_Timer();
    form_->Clocks().Timer_Timer();
    QCOMPARE(form_->Game().CurPly, 2);
    QCOMPARE(form_->Game().ClockWhite, 0);  // not at the last ply yet
    form_->Clocks().Timer_Timer();
    QCOMPARE(form_->Game().CurPly, 3);
    QCOMPARE(form_->Game().ClockBlack, 1);
    form_->Clocks().Timer_Timer();  // the end of the record stops it
    QCOMPARE(services_->beeps, 1);
    QVERIFY(!Controls().Timer()->isActive());
    QVERIFY(!form_->Clocks().AutoReplayOn());
    QCOMPARE(Controls().CommandMain(5)->text(), QString("動 >"));
}

void FormMainTest::notesFollowThePly()
{
    Play("e4 e5");
    Controls().TextInfo(8)->setText("26/12/1");
    QTest::mouseClick(Controls().CommandMain(2), Qt::LeftButton);  // to ply 1; the note stays with ply 2
    QCOMPARE(Controls().TextInfo(8)->text(), QString());
    QTest::mouseClick(Controls().CommandMain(3), Qt::LeftButton);
    QCOMPARE(Controls().TextInfo(8)->text(), QString("26/12/1"));
    QCOMPARE(QString::fromStdString(form_->Game().KifuNote[1][2]), QString("26/12/1"));
}

void FormMainTest::oldNotesNeverReturn()
{
    auto click = [this](int button) { QTest::mouseClick(Controls().CommandMain(button), Qt::LeftButton); };
    Play("e4 e5 Nf3");
    Controls().TextInfo(8)->setText("26/11/30");
    click(2);  // to ply 2; the note stays with ply 3
    Controls().TextInfo(9)->setText("26/11/20");
    click(2);  // to ply 1
    QCOMPARE(QString::fromStdString(form_->Game().KifuNote[2][2]), QString("26/11/20"));

    // Cutting the record after ply 1 drops the notes of plies 2 and 3.
    services_->answers << MessageAnswer::Yes;
    Drag("d7", "d5");
    QCOMPARE(form_->Game().CurPly, 2);
    QCOMPARE(Controls().TextInfo(9)->text(), QString());
    Drag("g1", "f3");
    QCOMPARE(Controls().TextInfo(8)->text(), QString());

    // A new record starts with no notes at all.
    Controls().TextInfo(8)->setText("26/12/01");
    click(2);
    click(3);
    QCOMPARE(QString::fromStdString(form_->Game().KifuNote[1][3]), QString("26/12/01"));
    Controls().MnuFileNew()->trigger();
    Drag("e2", "e4");
    Drag("e7", "e5");
    Drag("g1", "f3");
    QCOMPARE(Controls().TextInfo(8)->text(), QString());
}

void FormMainTest::dayCount()
{
    Play("e4");
    form_->activateWindow();
    Controls().TextInfo(9)->setText("03/12/01");
    Controls().TextInfo(10)->setText("03/12/04");
    Controls().TextInfo(10)->setFocus();
    QVERIFY(QTest::qWaitFor([this] { return Controls().TextInfo(10)->hasFocus(); }));
    Controls().TextInfo(9)->setFocus();
    QCOMPARE(Controls().TextInfo(11)->text(), QString("3"));

    Controls().TextInfo(10)->setText("not a date");
    Controls().TextInfo(10)->setFocus();
    Controls().TextInfo(9)->setFocus();
    QCOMPARE(Controls().TextInfo(11)->text(), QString("3"));

    // A corrected 着 takes the program's count along; one typed by hand stays.
    Controls().TextInfo(10)->setFocus();
    Controls().TextInfo(10)->setText("03/12/04");
    Controls().TextInfo(9)->setFocus();
    Controls().TextInfo(9)->setText("03/12/02");
    Controls().TextInfo(10)->setFocus();
    QCOMPARE(Controls().TextInfo(11)->text(), QString("2"));
    Controls().TextInfo(11)->setText("5");
    Controls().TextInfo(9)->setFocus();
    Controls().TextInfo(9)->setText("03/12/01");
    Controls().TextInfo(10)->setFocus();
    QCOMPARE(Controls().TextInfo(11)->text(), QString("5"));
}

void FormMainTest::newRecordAndAbout()
{
    Play("e4 e5");
    Controls().TextInfo(5)->setText("Player");
    services_->answers << MessageAnswer::Yes;  // the unsaved record may go
    Controls().ToolbarButton(2)->trigger();  // "新規作成"
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, QString("保存されていない棋譜があります。破棄しますか？"));
    QCOMPARE(form_->Game().LastPly, 0);
    QVERIFY(Lines().isEmpty());
    QCOMPARE(Controls().TextInfo(5)->text(), QString());
    QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("e2"))->Piece(), 'P');

    Controls().MnuHelpAbout()->trigger();
    QCOMPARE(services_->shown.size(), 2);
    QCOMPARE(services_->shown[1].title, QString("バージョン情報"));
    QVERIFY(services_->shown[1].text.startsWith("Vorlik Ver1.00"));
}

void FormMainTest::fullRecordSaysSo()
{
    QString shuffle;
    for (int round = 0; round < 100; ++round)
        shuffle += "Nf3 Nf6 Ng1 Ng8 ";
    Play(shuffle);
    QCOMPARE(form_->Game().LastPly, 400);
    QCOMPARE(Lines().size(), 200);
    Drag("e2", "e4");
    QCOMPARE(form_->Game().LastPly, 400);
    QCOMPARE(services_->shown.size(), 1);
    QVERIFY(services_->shown[0].text.contains("400"));
    QCOMPARE(services_->shown[0].title, QString("警告"));
    QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("e2"))->Piece(), 'P');
}

void FormMainTest::largeScreenOption()
{
    const QSize before = form_->size();
    const int boardBefore = Controls().ImaCheBoa()->ImageRect(1).width();
    Controls().MnuOptionWin120DPI()->trigger();
    QVERIFY(Controls().MnuOptionWin120DPI()->isChecked());
    QTRY_VERIFY(Controls().ImaCheBoa()->ImageRect(1).width() > boardBefore);
    const int enlarged = form_->width();
    QVERIFY(enlarged > before.width());
    Controls().MnuOptionWin120DPI()->trigger();
    QTRY_VERIFY(form_->width() < enlarged);
    QTRY_COMPARE(Controls().ImaCheBoa()->ImageRect(1).width(), boardBefore);
    Drag("e2", "e4");  // squares still map to the pointer after the change
    QCOMPARE(form_->Game().LastPly, 1);
}

void FormMainTest::openThroughMenu_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("entry");       // of the open dialog's type list
    QTest::addColumn<int>("chooseRow");   // -1: no dialog expected
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("note");    // KifuNote(1) of ply 1
    const QByteArray two = PgnGame("One", "1. e4  e5 *") + PgnGame("Two", "1. d4  d5 2. c4 *");
    QTest::newRow("one game opens at once") << PgnGame("Only", "1. e4  e5 2. Nf3 *") << "one.pgn" << 1 << -1
                                            << "Only" << QStringList{"e4", "e5", "Nf3"} << "";
    QTest::newRow("two games, the second chosen")
        << two << "two.pgn" << 1 << 1 << "Two" << QStringList{"d4", "d5", "c4"} << "";
    QTest::newRow("two games, the first chosen")
        << two << "two.pgn" << 1 << 0 << "One" << QStringList{"e4", "e5"} << "";
    QTest::newRow("postal games with their notes")
        << CsvGame("Post1", "e4", "e5", "24/5/1", "24/5/9") + CsvGame("Post2", "d4", "d5", "24/6/1", "24/6/9")
        << "post.csv" << 3 << 1 << "Post2" << QStringList{"d4", "d5"} << "24/6/1";
    QTest::newRow("position file") << QByteArray("4k3/8/8/8/8/8/8/4K2R b - - 0 1\r\n") << "end.fen" << 2 << -1
                                   << "Vorlik Ver1.00" << QStringList{} << "";
}

void FormMainTest::openThroughMenu()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(int, entry);
    QFETCH(int, chooseRow);
    QFETCH(QString, event);
    QFETCH(QStringList, moves);
    QFETCH(QString, note);
    const QString path = Write(name, bytes);
    Play("c4 c5");  // what the user had on the board is replaced, once the user agrees
    services_->answers << MessageAnswer::Yes;
    services_->fileAnswers << ScriptedServices::FileAnswer{path, entry};
    QString caption;
    int mode = 0;
    if (chooseRow >= 0) {
        OnDialog([&](DialogMnuFile* dialog) {
            caption = dialog->windowTitle();
            mode = int(form_->Files().Kifu().KifuDialogMode);
            dialog->MSFlexGridFile->selectRow(chooseRow);
            QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        });
    }
    Controls().MnuFileOpenSave(1)->trigger();

    QCOMPARE(services_->fileAsked.size(), 1);
    QVERIFY(!services_->fileAsked[0].save);
    QCOMPARE(services_->fileAsked[0].filter, QString::fromUtf8(kFilterAll));
    QCOMPARE(services_->fileAsked[0].folder, QDir::homePath());  // nothing remembered yet
    QCOMPARE(dialogsSeen_, chooseRow >= 0 ? 1 : 0);
    if (chooseRow >= 0) {
        QCOMPARE(caption, "ファイルの選択 " + path);
        QCOMPARE(mode, entry == 3 ? 5 : 1);
    }
    QCOMPARE(Controls().TextInfo(1)->text(), event);
    const GameState& game = form_->Game();
    QCOMPARE(QString::fromStdString(game.KifuNote[1][1]), note);
    QCOMPARE(services_->busy, 0);
    if (!name.endsWith(".fen")) {
        QCOMPARE(game.LastPly, int(moves.size()));
        for (int ply = 1; ply <= moves.size(); ++ply)
            QCOMPARE(QString::fromStdString(game.KifuShort[ply]), moves[ply - 1]);
        QCOMPARE(Lines().size(), int(moves.size() + 1) / 2);
    } else {  // Black to move in an end game, no moves played
        QCOMPARE(game.CurPly, 1);
        QVERIFY(game.KifuCoord[1].empty());
        QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("h1"))->Piece(), 'R');
        QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("e2"))->Piece(), '\0');
    }
}

void FormMainTest::openCancelledKeepsTheGame()
{
    const QString path = Write("two.pgn", PgnGame("One", "1. e4  e5 *") + PgnGame("Two", "1. d4  d5 *"));
    Play("c4 c5 Nc3");
    Controls().TextInfo(5)->setText("Me");
    Controls().MnuFileOpenSave(1)->trigger();  // the file dialog is cancelled
    QCOMPARE(services_->fileAsked.size(), 1);

    services_->fileAnswers << ScriptedServices::FileAnswer{path, 1};
    OnDialog([](DialogMnuFile* dialog) { dialog->close(); });  // the window's close button
    Controls().MnuFileOpenSave(1)->trigger();
    QCOMPARE(dialogsSeen_, 1);
    QCOMPARE(form_->Game().LastPly, 3);
    QCOMPARE(Controls().TextInfo(5)->text(), QString("Me"));
    QCOMPARE(Lines().size(), 2);
    QVERIFY(services_->shown.isEmpty());
}

void FormMainTest::saveIntoAFile()
{
    Play("e4 e5 Nf3");
    Controls().TextInfo(1)->setText("Club");
    Controls().TextInfo(8)->setText("26/1/2");  // typed and saved without leaving the ply
    const QString typed = folder_->filePath("game");
    const QString path = typed + ".pgn";

    // A new file: an empty line, then the game. PGN keeps no postal box:
    // the user is asked first, every time.
    services_->fileAnswers << ScriptedServices::FileAnswer{typed, 1};
    services_->answers << MessageAnswer::Yes;
    Controls().MnuFileOpenSave(3)->trigger();
    QCOMPARE(services_->fileAsked.size(), 1);
    QVERIFY(services_->fileAsked[0].save);
    QCOMPARE(services_->fileAsked[0].filter, QString::fromUtf8(kFilterAll));
    QCOMPARE(QString::fromStdString(form_->Game().KifuNote[1][3]), QString("26/1/2"));
    const QByteArray first = Read(path);
    QVERIFY2(first.startsWith("\r\n[Event \"Club\"]\r\n"), first.constData());
    QVERIFY(first.contains("\r\n1. e4  e5 2. Nf3 *\r\n"));
    QCOMPARE(dialogsSeen_, 0);
    QVERIFY(services_->shown[0].text.contains("消印・着・発・＋・メモの欄"));

    // The same file again: the collection dialog, and "追加" appends.
    services_->fileAnswers << ScriptedServices::FileAnswer{path, 1};
    services_->answers << MessageAnswer::Yes;
    OnDialog([](DialogMnuFile* dialog) {
        QCOMPARE(dialog->OKButton->text(), QString("上書"));
        QTest::mouseClick(dialog->ComPlusPlus, Qt::LeftButton);
    });
    Controls().MnuFileOpenSave(3)->trigger();
    QCOMPARE(dialogsSeen_, 1);
    const QByteArray two = Read(path);
    QCOMPARE(two, first + first);
    QVERIFY(!QFile::exists(folder_->filePath("game.bak")));  // appending keeps no backup

    // Overwrite, thought better of, then cancelled: nothing is written.
    services_->fileAnswers << ScriptedServices::FileAnswer{path, 1};
    services_->answers << MessageAnswer::Yes << MessageAnswer::No;
    OnDialog([this](DialogMnuFile* dialog) {
        dialog->MSFlexGridFile->selectRow(1);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        QCOMPARE(services_->shown.last().text, QString("2番に上書きしますか？"));
        QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
    });
    Controls().MnuFileOpenSave(3)->trigger();
    QCOMPARE(dialogsSeen_, 2);
    QCOMPARE(Read(path), two);
    QVERIFY(!QFile::exists(folder_->filePath("game.bak")));

    // Overwrite game 2 with a changed game: the old file is the backup.
    Controls().TextInfo(1)->setText("Club 2");
    services_->fileAnswers << ScriptedServices::FileAnswer{path, 1};
    services_->answers << MessageAnswer::Yes << MessageAnswer::Yes;
    OnDialog([](DialogMnuFile* dialog) {
        dialog->MSFlexGridFile->selectRow(1);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
    });
    Controls().MnuFileOpenSave(3)->trigger();
    QCOMPARE(dialogsSeen_, 3);
    QCOMPARE(Read(folder_->filePath("game.bak")), two);
    KifuFile check;
    QVERIFY(ScanKifuFile(check, kKindPgn, path.toStdString()).ok);
    QCOMPARE(check.KifuCount, 2);
    QCOMPARE(QString::fromStdString(check.KifuList[1][1]), QString("Club"));
    QCOMPARE(QString::fromStdString(check.KifuList[2][1]), QString("Club 2"));
    QCOMPARE(services_->busy, 0);
    QCOMPARE(form_->Game().LastPly, 3);  // the game on the board is untouched
}

void FormMainTest::saveDialogFollowsTheStart_data()
{
    QTest::addColumn<bool>("setUp");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("starts");
    QTest::newRow("PGN gets its extension") << false << 1 << "game" << "game.pgn" << QByteArray("\r\n[Event ");
    QTest::newRow("CSV gets its extension") << false << 3 << "post" << "post.csv" << QByteArray("\r\nEvent,");
    QTest::newRow("a name of the user's own") << false << 1 << "game.txt" << "game.txt" << QByteArray("\r\n[Event ");
    QTest::newRow("set-up position as FEN") << true << 2 << "pos" << "pos.fen" << QByteArray("4k3/8/8/8/8/8/8/4K2R w");
    QTest::newRow("set-up position as PGN") << true << 1 << "pos" << "pos.pgn" << QByteArray("\r\n[Event ");
}

void FormMainTest::saveDialogFollowsTheStart()
{
    QFETCH(bool, setUp);
    QFETCH(int, entry);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QByteArray, starts);
    if (setUp)
        SetUp("4k3/8/8/8/8/8/8/4K2R w - - 0 1");
    else
        Play("d4 d5");
    services_->fileAnswers << ScriptedServices::FileAnswer{folder_->filePath(typed), entry};
    Controls().ToolbarButton(4)->trigger();
    // A game from a set-up position cannot be written in the postal layout.
    QCOMPARE(services_->fileAsked.value(0).filter, QString::fromUtf8(setUp ? kFilterNoCsv : kFilterAll));
    QVERIFY2(Read(folder_->filePath(written)).startsWith(starts), qPrintable(Read(folder_->filePath(written))));
    if (typed != written)
        QVERIFY(!QFile::exists(folder_->filePath(typed)));
}

void FormMainTest::searchThroughMenu_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("entry");
    QTest::newRow("PGN") << PgnGame("One", "1. e4  e5 2. Nf3 *") + PgnGame("Two", "1. d4  d5 *") +
                                PgnGame("Three", "1. e4  c5 2. Nf3 *")
                         << "search.pgn" << 1;
    // The search dialog lists PGN and CSV only: its second entry is CSV.
    QTest::newRow("CSV") << CsvGame("One", "e4", "e5", "", "") + CsvGame("Two", "d4", "d5", "", "") +
                                CsvGame("Three", "e4", "c5", "", "")
                         << "search.csv" << 2;
}

void FormMainTest::searchThroughMenu()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(int, entry);
    const QString path = Write(name, bytes);
    Play("e4");
    services_->answers << MessageAnswer::Yes;  // the record on the board may go
    services_->fileAnswers << ScriptedServices::FileAnswer{path, entry};
    QString tally;
    int rows = 0;
    OnDialog([&](DialogMnuFile* dialog) {
        QVERIFY(dialog->TextJo->isVisible());
        QTest::mouseClick(dialog->ComPlus, Qt::LeftButton);  // "検索"
        tally = dialog->TextJo->toPlainText();
        rows = dialog->MSFlexGridFile->model()->rowCount();
        dialog->MSFlexGridFile->selectRow(1);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
    });
    Controls().MnuOptionSearch()->trigger();
    QCOMPARE(services_->fileAsked.value(0).filter, QString::fromUtf8(kFilterSearch));
    QCOMPARE(dialogsSeen_, 1);
    QCOMPARE(form_->Files().Kifu().KifuDialogMode, KifuDialogMode::Search);
    QCOMPARE(tally, QString("1.e5(1)  2.c5(1)  "));
    QCOMPARE(rows, 2);
    // The second match is game "Three" of the file, now on the board.
    QCOMPARE(Controls().TextInfo(1)->text(), QString("Three"));
    QCOMPARE(QString::fromStdString(form_->Game().KifuShort[2]), QString("c5"));
}

void FormMainTest::longNotationOption()
{
    QVERIFY(!form_->Files().Host().LongFormSave());
    Controls().MnuOptionKifuWrite()->trigger();
    QVERIFY(Controls().MnuOptionKifuWrite()->isChecked());
    QVERIFY(form_->Files().Host().LongFormSave());
    Play("e4 e5 Nf3");
    services_->fileAnswers << ScriptedServices::FileAnswer{folder_->filePath("long.pgn"), 1};
    Controls().MnuFileOpenSave(3)->trigger();
    QVERIFY(Read(folder_->filePath("long.pgn")).contains("1. e2-e4  e7-e5 2. Ng1-f3 *"));
    QCOMPARE(form_->Game().LastPly, 3);  // the option changes the file, not the game
    Controls().MnuOptionKifuWrite()->trigger();
    QVERIFY(!form_->Files().Host().LongFormSave());
}

void FormMainTest::fileToolbarButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("filter");
    QTest::newRow("3 open") << 3 << false << QString::fromUtf8(kFilterAll);
    QTest::newRow("4 save") << 4 << true << QString::fromUtf8(kFilterAll);
    QTest::newRow("12 search") << 12 << false << QString::fromUtf8(kFilterSearch);
}

void FormMainTest::fileToolbarButtons()
{
    QFETCH(int, button);
    QFETCH(bool, save);
    QFETCH(QString, filter);
    Controls().ToolbarButton(button)->trigger();  // the file dialog is cancelled: nothing else happens
    QCOMPARE(services_->fileAsked.size(), 1);
    QCOMPARE(services_->fileAsked[0].save, save);
    QCOMPARE(services_->fileAsked[0].filter, filter);
    QVERIFY(services_->shown.isEmpty());
    QCOMPARE(form_->Game().LastPly, 0);
}

// ---- the kind by extension, files without games, the game-file folder -------

void FormMainTest::Restart()
{
    delete form_;
    form_ = new FormMain(*services_);
    services_->fileAsked.clear();
}

void FormMainTest::openKindFollowsTheExtension_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("moves");  // empty: the position of a FEN file
    QTest::addColumn<QString>("note");   // KifuNote(1) of ply 1
    const QByteArray post = CsvGame("Post", "e4", "e5", "24/5/1", "24/5/9");
    const QByteArray game = PgnGame("Game", "1. d4  d5 *");
    QTest::newRow("x.CSV with the PGN entry") << post << "x.CSV" << 1 << "Post" << "e4 e5" << "24/5/1";
    QTest::newRow("y.pgn with the CSV entry") << game << "y.pgn" << 3 << "Game" << "d4 d5" << "";
    QTest::newRow("w.Fen with the PGN entry") << QByteArray("4k3/8/8/8/8/8/8/4K2R b - - 0 1\r\n") << "w.Fen" << 1
                                              << "Vorlik Ver1.00" << "" << "";
    QTest::newRow("z.txt follows the PGN entry") << game << "z.txt" << 1 << "Game" << "d4 d5" << "";
    QTest::newRow("z.txt follows the CSV entry") << post << "z.txt" << 3 << "Post" << "e4 e5" << "24/5/1";
}

void FormMainTest::openKindFollowsTheExtension()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(int, entry);
    QFETCH(QString, event);
    QFETCH(QString, moves);
    QFETCH(QString, note);
    services_->fileAnswers << ScriptedServices::FileAnswer{Write(name, bytes), entry};
    Controls().MnuFileOpenSave(1)->trigger();
    QVERIFY2(services_->shown.isEmpty(), qPrintable(services_->shown.value(0).text));
    QCOMPARE(dialogsSeen_, 0);
    QCOMPARE(Controls().TextInfo(1)->text(), event);
    const GameState& game = form_->Game();
    QStringList played;
    for (int ply = 1; ply <= game.LastPly; ++ply)
        played << QString::fromStdString(game.KifuShort[ply]);
    QCOMPARE(played.join(' '), moves);
    QCOMPARE(QString::fromStdString(game.KifuNote[1][1]), note);
    if (moves.isEmpty())
        QCOMPARE(Controls().ImaCheBoa()->Image(ImageOf("h1"))->Piece(), 'R');
}

void FormMainTest::saveKindFollowsTheExtension_data()
{
    QTest::addColumn<bool>("setUp");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("starts");  // empty: refused, nothing written
    QTest::newRow("post.CSV with the PGN entry") << false << 1 << "post.CSV" << QByteArray("\r\nEvent,");
    QTest::newRow("game.Pgn with the CSV entry") << false << 3 << "game.Pgn" << QByteArray("\r\n[Event ");
    QTest::newRow("pos.fen with the PGN entry") << false << 1 << "pos.fen"
                                                << QByteArray("rnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR w");
    QTest::newRow("game.txt follows the CSV entry") << false << 3 << "game.txt" << QByteArray("\r\nEvent,");
    QTest::newRow("set-up game named .csv") << true << 1 << "setup.csv" << QByteArray();
}

void FormMainTest::saveKindFollowsTheExtension()
{
    QFETCH(bool, setUp);
    QFETCH(int, entry);
    QFETCH(QString, typed);
    QFETCH(QByteArray, starts);
    if (setUp)
        SetUp("4k3/8/8/8/8/8/8/4K2R w - - 0 1");
    else
        Play("d4 d5");
    const QString path = folder_->filePath(typed);
    services_->fileAnswers << ScriptedServices::FileAnswer{path, entry};
    Controls().MnuFileOpenSave(3)->trigger();
    if (starts.isEmpty()) {
        QVERIFY(!QFile::exists(path));
        QCOMPARE(services_->shown.size(), 1);
        QVERIFY(services_->shown[0].text.contains("ＣＳＶファイルに保存できません"));
        return;
    }
    QVERIFY2(Read(path).startsWith(starts), Read(path).constData());
    QVERIFY(services_->shown.isEmpty());
}

// A game a CP932 file cannot hold: the save asks through the window's
// message boxes, and "yes" converts the file to UTF-8 through the backup.
void FormMainTest::saveAsksToConvertACp932File()
{
    // 佐藤 in CP932.
    const QByteArray cp932 = "[Event \"E\"]\r\n[White \"\x8d\xb2\x93\xa1\"]\r\n\r\n1. e4 *\r\n";
    const QString path = Write("club.pgn", cp932);
    Play("d4");
    Controls().TextInfo(5)->setText("Müller, Jürgen");
    services_->fileAnswers << ScriptedServices::FileAnswer{path, 1};
    services_->answers << MessageAnswer::Yes;
    OnDialog([](DialogMnuFile* dialog) { QTest::mouseClick(dialog->ComPlusPlus, Qt::LeftButton); });
    Controls().MnuFileOpenSave(3)->trigger();
    QCOMPARE(services_->shown.size(), 1);
    QVERIFY(services_->shown[0].text.contains("UTF-8 に変換して保存しますか"));
    QCOMPARE(services_->shown[0].buttons, MessageButtons::YesNo);
    QVERIFY(Read(path).contains("[White \"佐藤\"]"));
    QVERIFY(Read(path).contains("[White \"Müller, Jürgen\"]"));
    QCOMPARE(Read(folder_->filePath("club.bak")), cp932);
}

void FormMainTest::searchKindFollowsTheExtension_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("entry");
    QTest::addColumn<bool>("searched");
    QTest::newRow("post.CSV with the PGN entry")
        << CsvGame("One", "e4", "e5", "", "") + CsvGame("Two", "d4", "d5", "", "") << "post.CSV" << 1 << true;
    QTest::newRow("games.PGN with the CSV entry")
        << PgnGame("One", "1. e4  e5 *") + PgnGame("Two", "1. d4  d5 *") << "games.PGN" << 2 << true;
    QTest::newRow("a position file is told") << QByteArray("4k3/8/8/8/8/8/8/4K2R b - - 0 1\r\n") << "pos.fen" << 1
                                             << false;
}

void FormMainTest::searchKindFollowsTheExtension()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(int, entry);
    QFETCH(bool, searched);
    services_->fileAnswers << ScriptedServices::FileAnswer{Write(name, bytes), entry};
    int rows = 0;
    OnDialog([&](DialogMnuFile* dialog) {
        rows = dialog->MSFlexGridFile->model()->rowCount();
        dialog->reject();
    });
    Controls().MnuOptionSearch()->trigger();
    QCOMPARE(dialogsSeen_, searched ? 1 : 0);
    if (searched) {
        QCOMPARE(rows, 2);
        QVERIFY2(services_->shown.isEmpty(), qPrintable(services_->shown.value(0).text));
    } else {
        QCOMPARE(services_->shown.size(), 1);
        QVERIFY(services_->shown[0].text.contains("局面検索はＰＧＮファイルとＣＳＶファイルで"));
    }
}

void FormMainTest::fileWithoutGamesSaysSo_data()
{
    QTest::addColumn<bool>("search");
    QTest::addColumn<QString>("name");
    QTest::newRow("open an empty PGN file") << false << "empty.pgn";
    QTest::newRow("search a CSV file holding PGN") << true << "notes.csv";
}

void FormMainTest::fileWithoutGamesSaysSo()
{
    QFETCH(bool, search);
    QFETCH(QString, name);
    const QString path = Write(name, search ? PgnGame("One", "1. e4 *") : QByteArray());
    services_->fileAnswers << ScriptedServices::FileAnswer{path, 1};
    if (search)
        Controls().MnuOptionSearch()->trigger();
    else
        Controls().MnuFileOpenSave(1)->trigger();
    QCOMPARE(dialogsSeen_, 0);  // no empty list
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].title, QString("注意"));
    QCOMPARE(int(services_->shown[0].icon), int(MessageIcon::Warning));
    const QString text = services_->shown[0].text;
    QVERIFY2(text.contains(name + "」にはゲームがありません"), qPrintable(text));
    QCOMPARE(services_->busy, 0);
}

void FormMainTest::folderRememberedAcrossRuns()
{
    const QString programFolder = services_->ProgramFolder();
    services_->fileAnswers << ScriptedServices::FileAnswer{Write("one.pgn", PgnGame("Only", "1. e4 *")), 1};
    Controls().MnuFileOpenSave(1)->trigger();
    QCOMPARE(services_->fileAsked.value(0).folder, QDir::homePath());  // nothing remembered yet
    QCOMPARE(Controls().TextInfo(1)->text(), QString("Only"));
    form_->close();  // writes Vorlik.ini
    QCOMPARE(Read(programFolder + "/Vorlik.ini").count("\r\n"), 6);
    QCOMPARE(Read(programFolder + "/VorlikFolder.ini"), folder_->path().toUtf8() + "\r\n");

    // The next run: the game-file dialogs start there, the engine-settings one
    // in the program folder.
    Restart();
    Controls().MnuFileOpenSave(1)->trigger();
    Controls().MnuFileOpenSave(3)->trigger();
    Controls().MnuOptionSearch()->trigger();
    form_->EngineDialog()->Com[1]->click();
    QCOMPARE(services_->fileAsked.size(), 4);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(services_->fileAsked[k].folder, folder_->path());
    QCOMPARE(services_->fileAsked[3].folder, programFolder);

    // A save elsewhere moves it, also for the next run.
    QVERIFY(QDir(folder_->path()).mkdir("棋譜"));
    Play("e4");
    services_->fileAnswers << ScriptedServices::FileAnswer{folder_->filePath("棋譜/new.pgn"), 1};
    Controls().MnuFileOpenSave(3)->trigger();
    QVERIFY(QFile::exists(folder_->filePath("棋譜/new.pgn")));
    Restart();
    Controls().MnuOptionSearch()->trigger();
    QCOMPARE(services_->fileAsked.value(0).folder, folder_->filePath("棋譜"));
}

void FormMainTest::folderFirstTime_data()
{
    QTest::addColumn<QString>("line");      // of VorlikFolder.ini; %1 the test's folder; null: no file
    QTest::addColumn<bool>("cp932");
    QTest::addColumn<QString>("expected");  // null: the home folder
    QTest::newRow("no settings file") << QString() << false << QString();
    QTest::newRow("a folder that is gone") << "%1/gone" << false << QString();
    QTest::newRow("a relative name") << "棋譜" << false << QString();
    QTest::newRow("a folder named in CP932") << "%1/棋譜" << true << "%1/棋譜";
    QTest::newRow("a folder named in UTF-8") << "%1/棋譜" << false << "%1/棋譜";
}

void FormMainTest::folderFirstTime()
{
    QFETCH(QString, line);
    QFETCH(bool, cp932);
    QFETCH(QString, expected);
    QVERIFY(QDir(folder_->path()).mkdir("棋譜"));
    if (!line.isNull()) {
        const QString folder = line.contains("%1") ? line.arg(folder_->path()) : line;
        const std::string text = folder.toStdString() + "\r\n";
        std::string bytes = text;
        if (cp932)
            QVERIFY(EncodeText(text, TextEncoding::Cp932, bytes));
        QFile out(services_->ProgramFolder() + "/VorlikFolder.ini");
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes.data(), qint64(bytes.size()));
    }
    Restart();
    Controls().MnuFileOpenSave(1)->trigger();
    const QString shown = expected.isNull() ? QDir::homePath() : expected.arg(folder_->path());
    QCOMPARE(services_->fileAsked.value(0).folder, shown);
}

QTEST_MAIN(FormMainTest)
#include "tst_formmain.moc"
