// The states owner: the rows of the phase table that used to be exceptions
// in the window (the marks, the postal boxes, opening from the desk), each
// control set from its row, and the keyboard focus kept out of a control
// that goes off.
#include "ui/WindowStates.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace vorlik;

Q_DECLARE_METATYPE(vorlik::GamePhase)
Q_DECLARE_METATYPE(vorlik::WindowCommand)

class WindowStatesTest : public QObject {
    Q_OBJECT
private slots:
    void rows_data();
    void rows();
    void ownerSetsEachControl();
    void focusWaitsOnTheBoard();
};

void WindowStatesTest::rows_data()
{
    QTest::addColumn<WindowCommand>("command");
    QTest::addColumn<GamePhase>("phase");
    QTest::addColumn<bool>("moveShown");
    QTest::addColumn<bool>("enabled");
    using P = GamePhase;
    using C = WindowCommand;
    // A mark judges a move the user may annotate: none before the first,
    // none while the engine thinks or a position is set up.
    QTest::newRow("marks, no game, a move") << C::Marks << P::NoGame << true << true;
    QTest::newRow("marks, no game, the start") << C::Marks << P::NoGame << false << false;
    QTest::newRow("marks, user to move") << C::Marks << P::UserToMove << true << true;
    QTest::newRow("marks, engine thinking") << C::Marks << P::EngineThinking << true << false;
    QTest::newRow("marks, set-up") << C::Marks << P::SetupOpen << true << false;
    QTest::newRow("marks, ended") << C::Marks << P::Ended << true << true;
    // The postal boxes belong to a move in every phase.
    QTest::newRow("postal, engine thinking") << C::PostalNotes << P::EngineThinking << true << true;
    QTest::newRow("postal, set-up") << C::PostalNotes << P::SetupOpen << true << true;
    QTest::newRow("postal, the start") << C::PostalNotes << P::UserToMove << false << false;
    // A game opens from the desk exactly when "開く" may be used.
    QTest::newRow("open, no game") << C::FileOpen << P::NoGame << false << true;
    QTest::newRow("open, engine thinking") << C::FileOpen << P::EngineThinking << false << false;
    QTest::newRow("open, set-up") << C::FileOpen << P::SetupOpen << false << false;
    QTest::newRow("open, ended") << C::FileOpen << P::Ended << true << true;
}

void WindowStatesTest::rows()
{
    QFETCH(WindowCommand, command);
    QFETCH(GamePhase, phase);
    QFETCH(bool, moveShown);
    QFETCH(bool, enabled);
    WindowFacts facts;
    facts.moveShown = moveShown;
    QCOMPARE(CommandEnabled(command, phase, facts), enabled);
    QWidget home;
    WindowStates states(&home);
    states.Apply(phase, facts);
    QCOMPARE(states.Enabled(command), enabled);
}

void WindowStatesTest::ownerSetsEachControl()
{
    QWidget window;
    auto* home = new QPushButton(&window);
    auto* box = new QLineEdit(&window);
    QAction mark, levels[4];
    WindowStates states(home);
    states.Add(WindowCommand::PostalNotes, box);
    states.Add(WindowCommand::Marks, &mark);
    for (int k = 1; k <= 3; ++k)
        states.AddLevel(k, &levels[k]);
    WindowFacts facts;
    facts.moveShown = true;
    facts.levels = {false, true, false, true};  // level 2 has no command
    states.Apply(GamePhase::UserToMove, facts);
    QVERIFY(box->isEnabled());
    QVERIFY(mark.isEnabled());
    QVERIFY(levels[1].isEnabled());
    QVERIFY(!levels[2].isEnabled());
    QVERIFY(levels[3].isEnabled());
    states.Apply(GamePhase::SetupOpen, facts);
    QVERIFY(box->isEnabled());
    QVERIFY(!mark.isEnabled());
    QVERIFY(!levels[1].isEnabled());
}

void WindowStatesTest::focusWaitsOnTheBoard()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* home = new QPushButton(QStringLiteral("board"));
    auto* box = new QLineEdit;
    auto* other = new QLineEdit;
    layout->addWidget(home);
    layout->addWidget(box);
    layout->addWidget(other);
    WindowStates states(home);
    states.Add(WindowCommand::PostalNotes, box);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    box->setFocus();
    QCOMPARE(window.focusWidget(), box);
    WindowFacts facts;
    states.Apply(GamePhase::NoGame, facts);  // no move shown: the box goes off
    QCOMPARE(window.focusWidget(), home);
    facts.moveShown = true;
    states.Apply(GamePhase::NoGame, facts);
    QCOMPARE(window.focusWidget(), box);  // back where the user left it
    // Moved elsewhere meanwhile, the focus stays there.
    facts.moveShown = false;
    states.Apply(GamePhase::NoGame, facts);
    other->setFocus();
    facts.moveShown = true;
    states.Apply(GamePhase::NoGame, facts);
    QCOMPARE(window.focusWidget(), other);
}

QTEST_MAIN(WindowStatesTest)
#include "tst_windowstates.moc"
