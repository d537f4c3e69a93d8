// Setting up a position in the offscreen window as a user does: pieces
// dragged from the palette and on the board, the dialog's buttons, the king
// rule, cancelling in every way, the window inert meanwhile, the position
// handed to a scripted engine, saved and opened again.
#include "ScriptedServices.h"
#include "WindowTestSupport.h"

#include "core/FenText.h"
#include "records/ModuleMekFile.h"
#include "ui/BoardView.h"
#include "ui/DialogMnuFile.h"
#include "ui/DialogSetup.h"
#include "ui/BoardInput.h"
#include "ui/FormMain.h"
#include "ui/MoveListView.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

// The piece placement of a board, as the first field of a FEN text.
QString Placement(const Board& board) { return QString::fromStdString(WriteFenBoard(board)); }

int PaletteIndex(char piece) { return static_cast<int>(std::string(kPieceLetters).find(piece)) + 1; }

}  // namespace

class SetupTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editingOnTheBoard_data();
    void editingOnTheBoard();
    void confirmingThePosition_data();
    void confirmingThePosition();
    void kingRuleKeepsTheDialogOpen_data();
    void kingRuleKeepsTheDialogOpen();
    void cancelLeavesTheGameAsItWas_data();
    void cancelLeavesTheGameAsItWas();
    void windowIsInertWhileSettingUp();
    void unsavedRecordIsAskedFor();
    void closingTheWindowCancelsTheSetup();
    void noEditingOutsideTheSetup();
    void oddPositionsArePlayedSavedAndSearched();
    void handOffToTheEngine_data();
    void handOffToTheEngine();
    void engineBoxFollowsTheEngine();
    void eachSetupStartsAfresh();
    void engineThatCannotStartKeepsThePosition();
    void savedAndOpenedAgain_data();
    void savedAndOpenedAgain();

private:
    void Open();
    BoardView* Board() const { return Controls().ImaCheBoa(); }
    DialogSetup* Dialog() const { return form_->Input().SetupDialog(); }
    QPoint Centre(const QString& square) const;
    // Script of drags: "Q>d4" a palette piece, "e2>e4" a board piece,
    // "g1>off" a piece dropped off the squares.
    void Edit(const QString& script);
    void Play(const QStringList& moves);

    std::unique_ptr<ScriptedServices> services_;
    std::unique_ptr<FormMain> form_;
    WindowControls Controls() const { return WindowControls(&*form_); }
    std::unique_ptr<QTemporaryDir> folder_;
};

void SetupTest::init()
{
    services_ = std::make_unique<ScriptedServices>();
    folder_ = std::make_unique<QTemporaryDir>();
}

void SetupTest::cleanup()
{
    form_.reset();
    services_.reset();
    folder_.reset();
}

void SetupTest::Open()
{
    form_ = std::make_unique<FormMain>(*services_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

QPoint SetupTest::Centre(const QString& square) const
{
    const int file = square[0].toLatin1() - 'a' + 1, rank = square[1].toLatin1() - '0';
    const int row = Controls().MnuGameTurn()->isChecked() ? 9 - rank : rank;
    return Board()->ImageRect((file - 1) * 8 + row).center();
}

void SetupTest::Edit(const QString& script)
{
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
        const QString from = step.section('>', 0, 0), to = step.section('>', 1, 1);
        const QPoint end = to == "off" ? QPoint(3, 3) : Centre(to);  // the frame is off the squares
        if (from.size() == 1) {
            QLabel* picture = Control<QLabel>(Dialog(), Indexed("ImaCheMan", PaletteIndex(from[0].toLatin1())));
            QTest::mousePress(picture, Qt::LeftButton, {}, picture->rect().center());
            QVERIFY2(Board()->Dragging(), qPrintable(step));
        } else {
            QTest::mousePress(Board(), Qt::LeftButton, {}, Centre(from));
        }
        QTest::mouseMove(Board(), end);
        QTest::mouseRelease(Board(), Qt::LeftButton, {}, end);
        QVERIFY2(!Board()->Dragging(), qPrintable(step));
    }
}

void SetupTest::Play(const QStringList& moves)
{
    for (const QString& move : moves) {
        QTest::mousePress(Board(), Qt::LeftButton, {}, Centre(move.left(2)));
        QTest::mouseMove(Board(), Centre(move.mid(2, 2)));
        QTest::mouseRelease(Board(), Qt::LeftButton, {}, Centre(move.mid(2, 2)));
    }
}

// ---------------------------------------------------------------------------

void SetupTest::editingOnTheBoard_data()
{
    QTest::addColumn<bool>("turned");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("placement");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<int>("sounds");
    const QString start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
    QTest::newRow("palette piece on an empty square")
        << false << "Q>d4" << "rnbqkbnr/pppppppp/8/8/3Q4/8/PPPPPPPP/RNBQKBNR" << 0 << 1;
    QTest::newRow("palette piece replaces what stands there")
        << false << "n>e2" << "rnbqkbnr/pppppppp/8/8/8/8/PPPPnPPP/RNBQKBNR" << 0 << 1;
    QTest::newRow("a piece moved, a piece removed")
        << false << "e2>e5 g1>off" << "rnbqkbnr/pppppppp/8/4P3/8/8/PPPP1PPP/RNBQKB1R" << 1 << 1;
    QTest::newRow("any piece anywhere, over and over")
        << false << "d8>a1 d1>d8 K>h5 k>h5" << "rnbQkbnr/pppppppp/8/7k/8/8/PPPPPPPP/qNB1KBNR" << 0 << 4;
    QTest::newRow("turned board") << true << "e7>e3 B>a8" << "Bnbqkbnr/pppp1ppp/8/8/8/4p3/PPPPPPPP/RNBQKBNR"
                                  << 0 << 2;
    QTest::newRow("empty square: nothing to lift") << false << "e4>e5" << start << 0 << 0;
}

void SetupTest::editingOnTheBoard()
{
    QFETCH(bool, turned);
    QFETCH(QString, script);
    QFETCH(QString, placement);
    QFETCH(int, beeps);
    QFETCH(int, sounds);
    Open();
    Controls().MnuGameSound()->setChecked(true);
    Controls().MnuGameSetup()->trigger();
    if (turned)
        Controls().MnuGameTurn()->trigger();  // turning during the set-up redraws the edited position
    Edit(script);
    const GameState& game = form_->Game();
    QVERIFY(form_->Session().SetupOpen());
    QCOMPARE(Placement(form_->Input().SetupPosition()), placement);
    QCOMPARE(services_->beeps, beeps);
    QCOMPARE(services_->sounds.size(), sounds);
    QCOMPARE(game.LastPly, 0);  // the record is not touched while editing
    QCOMPARE(Placement(game.KifuBoard[0]), QString("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"));
    // What the board shows is the edited position, turned or not.
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank) {
            const int row = turned ? 9 - rank : rank;
            QCOMPARE(Board()->Image((file - 1) * 8 + row)->Piece(), form_->Input().Setup().Square(file, rank));
        }
}

void SetupTest::confirmingThePosition_data()
{
    QTest::addColumn<QStringList>("moves");  // played before the set-up
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("side");           // OptWB chosen: 0 White, 1 Black
    QTest::addColumn<QString>("placement");
    QTest::addColumn<int>("ply");
    QTest::newRow("スタート, 黒番") << QStringList{"e2e4", "e7e5"} << "" << 1
                                    << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR" << 1;
    QTest::newRow("the board's position, Black to move after White's move")
        << QStringList{"d2d4"} << "" << -1 << "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR" << 1;
    QTest::newRow("クリア, two kings and a rook, 白番")
        << QStringList{} << "K>e1 k>e8 R>h1" << 0 << "4k3/8/8/8/8/8/8/4K2R" << 0;
}

void SetupTest::confirmingThePosition()
{
    QFETCH(QStringList, moves);
    QFETCH(QString, script);
    QFETCH(int, side);
    QFETCH(QString, placement);
    QFETCH(int, ply);
    Open();
    Play(moves);
    QCOMPARE(form_->Game().LastPly, int(moves.size()));
    services_->answers << MessageAnswer::Yes;  // the moves made are not kept
    Controls().ToolbarButton(9)->trigger();
    QVERIFY(Dialog()->isVisible());
    QCOMPARE(Dialog()->windowTitle(), QString("セットアップ"));
    QCOMPARE(Dialog()->OptWB(1)->isChecked(), moves.size() % 2 == 1);  // preset to the side to move
    if (side == 1 && script.isEmpty())
        QTest::mouseClick(Dialog()->Com(0), Qt::LeftButton);
    if (!script.isEmpty())
        QTest::mouseClick(Dialog()->Com(1), Qt::LeftButton);
    Edit(script);
    if (side >= 0)
        Dialog()->OptWB(side)->click();
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);

    const GameState& game = form_->Game();
    QVERIFY(!Dialog()->isVisible());
    QVERIFY(!form_->Session().SetupOpen());
    QCOMPARE(game.CurPly, ply);
    QCOMPARE(game.LastPly, ply);
    QCOMPARE(Placement(game.KifuBoard[0]), placement);
    QCOMPARE(Placement(game.KifuBoard[ply]), placement);
    QCOMPARE(Controls().ListMain()->count(), 0);
    QVERIFY(Controls().Timer()->isActive());  // the clocks run for the side to move
    QVERIFY(Controls().MnuFileNew()->isEnabled());
    QVERIFY(Controls().ListMain()->isEnabled());
    // The user plays on from it: the first move is the side's to move.
    Play({ply == 1 ? "e8d8" : "e1d1"});
    if (placement.startsWith("4k3")) {
        QCOMPARE(game.LastPly, 1);
        QCOMPARE(game.KifuShort[1], std::string("Kd1"));
    }
}

void SetupTest::kingRuleKeepsTheDialogOpen_data()
{
    QTest::addColumn<QString>("script");
    QTest::newRow("empty board") << "";
    QTest::newRow("two white kings") << "K>e1 K>e2 k>e8";
    QTest::newRow("no black king") << "K>e1 q>e8";
}

void SetupTest::kingRuleKeepsTheDialogOpen()
{
    QFETCH(QString, script);
    Open();
    Controls().MnuGameSetup()->trigger();
    QTest::mouseClick(Dialog()->Com(1), Qt::LeftButton);
    Edit(script);
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].text, QString("キングは白・黒、各一つ必要です"));
    QCOMPARE(services_->shown[0].title, QString("警告"));
    QCOMPARE(services_->shown[0].icon, MessageIcon::Error);
    QVERIFY(Dialog()->isVisible());
    QVERIFY(form_->Session().SetupOpen());
    // The set-up goes on: with the kings in place it is accepted.
    QTest::mouseClick(Dialog()->Com(1), Qt::LeftButton);
    Edit("K>a1 k>h8");
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);
    QVERIFY(!form_->Session().SetupOpen());
    QCOMPARE(Placement(form_->Game().KifuBoard[0]), QString("7k/8/8/8/8/8/8/K7"));
}

void SetupTest::cancelLeavesTheGameAsItWas_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("ｷｬﾝｾﾙ") << "button";
    QTest::newRow("the close button") << "close";
    QTest::newRow("Escape") << "escape";
}

void SetupTest::cancelLeavesTheGameAsItWas()
{
    QFETCH(QString, how);
    Open();
    Play({"e2e4", "e7e5", "g1f3", "b8c6"});
    form_->Moves().StepBack();
    form_->Moves().StepBack();
    const GameState& game = form_->Game();
    const int lastPly = game.LastPly, curPly = game.CurPly, row = Controls().ListMain()->currentRow();
    const QStringList list = [this] {
        QStringList lines;
        for (int k = 0; k < Controls().ListMain()->count(); ++k)
            lines << Controls().ListMain()->item(k)->text();
        return lines;
    }();
    const auto boards = game.KifuBoard;
    const auto texts = game.KifuShort;

    Controls().MnuGameSetup()->trigger();
    QTest::mouseClick(Dialog()->Com(1), Qt::LeftButton);
    Edit("K>a1 k>h8");
    if (how == "button")
        QTest::mouseClick(Dialog()->CancelButton(), Qt::LeftButton);
    else if (how == "close")
        Dialog()->close();
    else
        QTest::keyClick(Dialog(), Qt::Key_Escape);

    QVERIFY(!Dialog()->isVisible());
    QVERIFY(!form_->Session().SetupOpen());
    QCOMPARE(game.LastPly, lastPly);
    QCOMPARE(game.CurPly, curPly);
    QVERIFY(game.KifuBoard == boards);
    QVERIFY(game.KifuShort == texts);
    QCOMPARE(Controls().ListMain()->count(), list.size());
    for (int k = 0; k < list.size(); ++k)
        QCOMPARE(Controls().ListMain()->item(k)->text(), list[k]);
    QCOMPARE(Controls().ListMain()->currentRow(), row);
    QCOMPARE(Board()->Image(4 * 8 + 4)->Piece(), 'P');  // e4: the game's position is back on the board
    QVERIFY(Controls().ListMain()->isEnabled());
    QVERIFY(Controls().MnuGameSetup()->isEnabled());
    QVERIFY(!Controls().CommandMain(0)->isEnabled());
    QVERIFY(Controls().CommandMain(1)->isEnabled());
}

void SetupTest::windowIsInertWhileSettingUp()
{
    Open();
    Controls().MnuGameSetup()->trigger();
    for (QAction* off : {Controls().MnuFileNew(), Controls().MnuFileOpenSave(1), Controls().MnuFileOpenSave(3), Controls().MnuGameNew(),
                         Controls().MnuGameSetup(), Controls().MnuGameEngine()})
        QVERIFY2(!off->isEnabled(), qPrintable(off->text()));
    for (int k : {2, 3, 4, 7, 8, 9, 10, 12})
        QVERIFY2(!Controls().ToolbarButton(k)->isEnabled(), qPrintable(QString::number(k)));
    for (int k : {5, 14})
        QVERIFY2(Controls().ToolbarButton(k)->isEnabled(), qPrintable(QString::number(k)));
    QVERIFY(Controls().MnuHelpAbout()->isEnabled());
    QVERIFY(!Controls().ListMain()->isEnabled());
    for (int k = 0; k <= 9; ++k)
        QVERIFY2(!Controls().CommandMain(k)->isEnabled(), qPrintable(QString::number(k)));
    // The dialog stands beside the board, not over it.
    const QRect board = Board()->BoardRect().translated(Board()->mapToGlobal(QPoint(0, 0)));
    QVERIFY(!Dialog()->frameGeometry().intersects(board));
    // A second opening while it is open changes nothing.
    Edit("e2>e4");
    form_->MnuGameSetup_Click();
    QCOMPARE(form_->Input().Setup().Square(5, 4), 'P');
    QTest::mouseClick(Dialog()->CancelButton(), Qt::LeftButton);
    for (int k : {2, 3, 4, 9, 10, 12, 14})
        QVERIFY2(Controls().ToolbarButton(k)->isEnabled(), qPrintable(QString::number(k)));
}

void SetupTest::unsavedRecordIsAskedFor()
{
    Open();
    Play({"e2e4"});
    Controls().MnuGameSetup()->trigger();
    QTest::mouseClick(Dialog()->Com(0), Qt::LeftButton);
    services_->answers << MessageAnswer::No;
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);
    QCOMPARE(services_->shown.size(), 1);
    QVERIFY(Dialog()->isVisible());  // kept: the game and the set-up are both still there
    QVERIFY(form_->Session().SetupOpen());
    QCOMPARE(form_->Game().LastPly, 1);
    services_->answers << MessageAnswer::Yes;
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);
    QCOMPARE(services_->shown.size(), 2);
    QCOMPARE(form_->Game().LastPly, 1);  // the start position with Black to move
    QVERIFY(form_->Game().KifuCoord[1].empty());
}

void SetupTest::closingTheWindowCancelsTheSetup()
{
    Open();
    Controls().MnuGameSetup()->trigger();
    QTest::mouseClick(Dialog()->Com(1), Qt::LeftButton);
    QPointer<DialogSetup> dialog = Dialog();
    form_->close();
    QVERIFY(!form_->Session().SetupOpen());
    QVERIFY(!dialog->isVisible());
    QVERIFY(!form_->isVisible());
    QCOMPARE(Placement(form_->Game().KifuBoard[0]), QString("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"));
    QVERIFY(services_->shown.isEmpty());  // nothing unsaved was there
}

void SetupTest::noEditingOutsideTheSetup()
{
    Open();
    // The palette outside a set-up: no piece in hand, no drag.
    Dialog()->ImaCheMan_MouseDown(PaletteIndex('Q'));
    QVERIFY(!Board()->Dragging());
    QVERIFY(form_->Input().PieceInHand().empty());
    // While the promotion question is open the board and the palette do nothing.
    Play({"a2a4", "b7b5", "a4b5", "a7a6", "b5a6", "c8b7", "a6b7", "g8f6"});
    bool asked = false;
    QTimer::singleShot(0, this, [&] {
        auto* question = qobject_cast<DialogSetup*>(QApplication::activeModalWidget());
        if (!question)
            return;
        asked = true;
        form_->Input().ImaCheMan_MouseDown(1);  // a1: the white rook
        Dialog()->ImaCheMan_MouseDown(PaletteIndex('K'));
        QVERIFY(!Board()->Dragging());
        question->CommandPromotionOK_Click();
    });
    Play({"b7a8"});
    QVERIFY(asked);
    QCOMPARE(form_->Game().KifuShort[9], std::string("bxa8=Q"));
    // After the question the set-up controls are back.
    Controls().MnuGameSetup()->trigger();
    QCOMPARE(Dialog()->windowTitle(), QString("セットアップ"));
    QVERIFY(Dialog()->OKButton()->isVisible());
    QVERIFY(!Dialog()->CommandPromotionOK()->isVisible());
    for (int k = 1; k <= 12; ++k)
        QVERIFY(Dialog()->ImaCheMan(k)->isVisible() && Dialog()->ImaCheMan(k)->isEnabled());
    QTest::mouseClick(Dialog()->CancelButton(), Qt::LeftButton);
}

// A position the rules find odd is taken as it is; nothing breaks when it is
// played, saved, read again and searched.
void SetupTest::oddPositionsArePlayedSavedAndSearched()
{
    Open();
    Controls().MnuGameSetup()->trigger();
    QTest::mouseClick(Dialog()->Com(1), Qt::LeftButton);
    // A white pawn on the last rank, a black one on the first, the side not
    // to move in check.
    Edit("K>e1 k>e8 R>e4 P>a8 p>h1 P>b1");
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);
    QVERIFY(!form_->Session().SetupOpen());
    Play({"a8a7", "b1b2", "e4e8"});  // the pawns, then the rook takes the king
    Play({"e1d2", "e8d8"});
    const GameState& game = form_->Game();
    QVERIFY(game.LastPly <= 2);

    const QString path = folder_->filePath("odd.pgn");
    services_->fileAnswers << ScriptedServices::FileAnswer{path, 1};
    Controls().MnuFileOpenSave(3)->trigger();
    QFile in(path);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray saved = in.readAll();
    QVERIFY2(saved.contains("[FEN \"P3k3/8/8/8/4R3/8/8/1P2K2p w"), saved.constData());

    services_->fileAnswers << ScriptedServices::FileAnswer{path, 1};
    QTimer::singleShot(0, this, [] {
        if (auto* dialog = qobject_cast<DialogMnuFile*>(QApplication::activeModalWidget()))
            QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
    });
    const int plies = game.LastPly;
    Controls().MnuFileOpenSave(1)->trigger();
    QCOMPARE(game.LastPly, plies);
    QCOMPARE(Placement(game.KifuBoard[0]), QString("P3k3/8/8/8/4R3/8/8/1P2K2p"));
    KifuFile file;
    ScanKifuText(file, kKindPgn, saved.toStdString());
    form_->Moves().GotoStart();
    const SearchResult found = SearchContinuations(file, game, false);
    QCOMPARE(found.matches, 1);
}

void SetupTest::handOffToTheEngine_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("nameBox");
    QTest::addColumn<QString>("answers");  // the engine's reply, then a move for the user's side
    QTest::newRow("White to move: the engine plays Black")
        << 0 << "e1d2" << QByteArray("new\nedit\n#\nKe1\nRh1\nc\nKe8\n.\ne1d2\ngo\n") << 6 << "e8f7 h1h7";
    QTest::newRow("Black to move: the engine plays White")
        << 1 << "e8d8" << QByteArray("new\nedit\n#\nKe1\nRh1\nc\nKe8\n.\nblack\ne8d8\ngo\n") << 5 << "h1h2 d8c8";
}

void SetupTest::handOffToTheEngine()
{
    QFETCH(int, side);
    QFETCH(QString, user);
    QFETCH(QByteArray, received);
    QFETCH(int, nameBox);
    QFETCH(QString, answers);
    const QString log = services_->ProgramFolder() + "/received.txt";
    const QString engine = services_->ScriptEngine(
        "listener", "while read line; do echo \"$line\" >> '" + log + "'; case \"$line\" in go) echo 'move " +
                        answers.section(' ', 0, 0) + "'; echo 'move " + answers.section(' ', 1, 1) + "';; esac; done");
    services_->Configure(Mek("Listener", engine, "", "", {}, "00110"));
    Open();
    Controls().MnuGameSetup()->trigger();
    QVERIFY(Dialog()->CheckEng()->isEnabled());
    QTest::mouseClick(Dialog()->Com(1), Qt::LeftButton);
    Edit("K>e1 k>e8 R>h1");
    Dialog()->CheckEng()->click();
    Dialog()->OptWB(side)->click();
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);

    QVERIFY(form_->Engine().EngPlay());
    QCOMPARE(Controls().TextInfo(nameBox)->text(), QString("Listener"));
    QVERIFY(Controls().MnuGameEnd()->isEnabled());
    QVERIFY(!Controls().MnuFileNew()->isEnabled());
    QCOMPARE(Placement(form_->Game().KifuBoard[form_->Game().CurPly]), QString("4k3/8/8/8/8/8/8/4K2R"));
    Play({user});
    QVERIFY(QTest::qWaitFor([&] { return QFile(log).size() >= received.size(); }, 30000));
    QFile in(log);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), received);
    // The engine's reply is taken; its move for the user's side is not.
    QVERIFY(QTest::qWaitFor([&] { return form_->Game().LastPly >= side + 2; }, 30000));
    QTest::qWait(200);
    const GameState& game = form_->Game();
    QCOMPARE(game.LastPly, side + 2);
    QCOMPARE(QString::fromStdString(game.KifuCoord[game.LastPly]), answers.section(' ', 0, 0));
    QVERIFY(!form_->Engine().EngWait());
    form_->MnuGameEnd_Click();
}

void SetupTest::engineBoxFollowsTheEngine()
{
    // An engine without "edit" cannot take a position; one without "black"
    // cannot be given Black to move.
    services_->Configure(Mek("Plain", "/bin/cat", "", "", {}, "00100"));
    Open();
    Controls().MnuGameSetup()->trigger();
    QVERIFY(Dialog()->CheckEng()->isEnabled());
    Dialog()->CheckEng()->click();
    QVERIFY(Dialog()->OptWB(0)->isChecked());
    QVERIFY(!Dialog()->OptWB(1)->isEnabled());
    Dialog()->CheckEng()->click();
    QVERIFY(Dialog()->OptWB(1)->isEnabled());
    QTest::mouseClick(Dialog()->CancelButton(), Qt::LeftButton);

    form_.reset();
    services_->Configure(Mek("NoEdit", "/bin/cat", "", "", {}, "00000"));
    Open();
    Controls().MnuGameSetup()->trigger();
    QVERIFY(!Dialog()->CheckEng()->isEnabled());
    QVERIFY(!Dialog()->CheckEng()->isChecked());
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);
    QVERIFY(!form_->Engine().EngPlay());
}

// A set-up opens on the position's side to move with the engine box clear,
// and its record has no note of the game before.
void SetupTest::eachSetupStartsAfresh()
{
    services_->Configure(Mek("Plain", "/bin/cat", "", "", {}, "00100"));  // "edit" without "black"
    Open();
    Play({"e2e4"});
    QTest::keyClicks(Controls().TextInfo(8), "26/1/4");
    Controls().MnuGameSetup()->trigger();
    Dialog()->CheckEng()->click();
    QTest::mouseClick(Dialog()->CancelButton(), Qt::LeftButton);
    Controls().MnuGameSetup()->trigger();
    QVERIFY(!Dialog()->CheckEng()->isChecked() && Dialog()->OptWB(1)->isChecked());
    services_->answers << MessageAnswer::Yes;  // the game on the board may go
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);
    QCOMPARE(Controls().TextInfo(8)->text(), QString());  // ply 1 of the new record
}

void SetupTest::engineThatCannotStartKeepsThePosition()
{
    services_->Configure(Mek("Gone", services_->ProgramFolder() + "/no-such-engine", "", "", {}, "00110"));
    Open();
    Controls().MnuGameSetup()->trigger();
    QTest::mouseClick(Dialog()->Com(1), Qt::LeftButton);
    Edit("K>g1 k>g8 Q>d1");
    Dialog()->CheckEng()->click();
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);
    QVERIFY(!services_->shown.isEmpty());  // the failed start is told
    QVERIFY(!form_->Engine().EngPlay());
    QCOMPARE(Placement(form_->Game().KifuBoard[form_->Game().CurPly]), QString("6k1/8/8/8/8/8/8/3Q2K1"));
    QCOMPARE(Board()->Image(3 * 8 + 1)->Piece(), 'Q');
    QVERIFY(Controls().MnuGameSetup()->isEnabled());
}

void SetupTest::savedAndOpenedAgain_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("name");
    QTest::newRow("FEN") << 2 << "pos.fen";
    QTest::newRow("PGN") << 1 << "pos.pgn";
}

void SetupTest::savedAndOpenedAgain()
{
    QFETCH(int, entry);
    QFETCH(QString, name);
    Open();
    Controls().MnuGameSetup()->trigger();
    QTest::mouseClick(Dialog()->Com(1), Qt::LeftButton);
    Edit("K>g1 k>g8 R>a1 p>b3");
    Dialog()->OptWB(1)->click();
    QTest::mouseClick(Dialog()->OKButton(), Qt::LeftButton);
    const QString path = folder_->filePath(name);
    services_->fileAnswers << ScriptedServices::FileAnswer{path, entry};
    Controls().MnuFileOpenSave(3)->trigger();
    QVERIFY(QFile::exists(path));

    Controls().MnuFileNew()->trigger();
    QCOMPARE(form_->Game().LastPly, 0);
    services_->fileAnswers << ScriptedServices::FileAnswer{path, entry};
    QTimer::singleShot(0, this, [] {
        if (auto* dialog = qobject_cast<DialogMnuFile*>(QApplication::activeModalWidget()))
            QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
    });
    Controls().MnuFileOpenSave(1)->trigger();
    const GameState& game = form_->Game();
    QCOMPARE(game.CurPly, 1);
    QCOMPARE(game.LastPly, 1);
    QCOMPARE(Placement(game.KifuBoard[0]), QString("6k1/8/8/8/8/1p6/8/R5K1"));
    QCOMPARE(Placement(game.KifuBoard[1]), QString("6k1/8/8/8/8/1p6/8/R5K1"));
    Play({"b3b2"});  // Black moves first
    QCOMPARE(game.LastPly, 2);
}

QTEST_MAIN(SetupTest)
#include "tst_setup.moc"
