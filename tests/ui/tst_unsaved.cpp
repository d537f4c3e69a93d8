// No record is lost by a click: every way of replacing the record on the
// board, and leaving the program, first asks when the record was never saved
// or has changed since; a record just opened, saved or made new asks nothing.
#include "ScriptedServices.h"
#include "WindowTestSupport.h"

#include "core/MoveCommit.h"
#include "ui/DialogMnuGameStart.h"
#include "ui/FormMain.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

const char kQuestion[] = "保存されていない棋譜があります。破棄しますか？";

}  // namespace

class UnsavedTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void replacingAsks_data();
    void replacingAsks();
    void nothingToAsk_data();
    void nothingToAsk();

private:
    QString Write(const QString& name, const QByteArray& bytes);
    void Play(const QString& tokens);
    // Does what the entry point does; the game-start dialog, when it opens,
    // is answered with a new game.
    void Act(const QString& entry);
    int Questions() const;

    std::unique_ptr<ScriptedServices> services_;
    std::unique_ptr<FormMain> form_;
    WindowControls Controls() const { return WindowControls(&*form_); }
};

void UnsavedTest::init()
{
    services_ = std::make_unique<ScriptedServices>();
    // An engine that only listens, so that "ゲーム開始" can start a game.
    const QString engine = Write("listener", "#!/bin/sh\nwhile read line; do :; done\n");
    QFile::setPermissions(engine, QFile::permissions(engine) | QFileDevice::ExeOwner);
    Write("Listener.mek", "Listener\r\n" + engine.toUtf8() + "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    Write("Vorlik.ini", "Listener.mek\r\nFalse\r\nFalse\r\n1\r\nFalse\r\nFalse\r\n");
    form_ = std::make_unique<FormMain>(*services_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void UnsavedTest::cleanup()
{
    form_.reset();
    services_.reset();
}

QString UnsavedTest::Write(const QString& name, const QByteArray& bytes)
{
    const QString path = services_->ProgramFolder() + "/" + name;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void UnsavedTest::Play(const QString& tokens)
{
    for (const QString& token : tokens.split(' ', Qt::SkipEmptyParts)) {
        QVERIFY2(form_->CheckChessMoveOutput(token.toStdString()), qPrintable(token));
    }
}

int UnsavedTest::Questions() const
{
    int asked = 0;
    for (const ScriptedServices::Shown& shown : services_->shown)
        asked += shown.text == QString::fromUtf8(kQuestion);
    return asked;
}

void UnsavedTest::Act(const QString& entry)
{
    if (entry == "new") {
        Controls().MnuFileNew()->trigger();
    } else if (entry == "open") {
        const QString path = Write("one.pgn", "[Event \"One\"]\r\n[Result \"*\"]\r\n\r\n1. d4 d5 *\r\n");
        services_->fileAnswers << ScriptedServices::FileAnswer{path, 1};
        Controls().MnuFileOpenSave(1)->trigger();
    } else if (entry == "position file") {
        const QString path = Write("start.fen", "8/8/8/8/8/8/8/K1k5 w - - 0 1\r\n");
        services_->fileAnswers << ScriptedServices::FileAnswer{path, 2};
        Controls().MnuFileOpenSave(1)->trigger();
    } else if (entry == "game start") {
        QTimer::singleShot(0, form_.get(), [] {
            if (auto* dialog = qobject_cast<DialogMnuGameStart*>(QApplication::activeModalWidget()))
                dialog->OKButton->click();
        });
        Controls().MnuGameNew()->trigger();
    } else if (entry == "exit") {
        form_->close();
    }
}

void UnsavedTest::replacingAsks_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("yes");
    for (const char* entry : {"new", "open", "position file", "game start", "exit"}) {
        QTest::newRow(qPrintable(QString(entry) + ", yes")) << entry << true;
        QTest::newRow(qPrintable(QString(entry) + ", no")) << entry << false;
    }
}

void UnsavedTest::replacingAsks()
{
    QFETCH(QString, entry);
    QFETCH(bool, yes);
    Play("e4 e5 Nf3");
    Controls().TextInfo(5)->setText("Sato");
    services_->answers << (yes ? MessageAnswer::Yes : MessageAnswer::No);
    Act(entry);
    QCOMPARE(Questions(), 1);
    if (yes) {
        if (entry == "exit")
            QVERIFY(!form_->isVisible());
        else
            QVERIFY(form_->Game().LastPly != 3 || Controls().TextInfo(5)->text() != "Sato");
    } else {
        // Everything stays as it was.
        QVERIFY(form_->isVisible());
        QCOMPARE(form_->Game().LastPly, 3);
        QCOMPARE(form_->Game().KifuShort[3], std::string("Nf3"));
        QCOMPARE(Controls().TextInfo(5)->text(), QString("Sato"));
        QVERIFY(!form_->Engine().EngPlay());
    }
    form_->Engine().MnuGameEnd_Click();
}

void UnsavedTest::nothingToAsk_data()
{
    QTest::addColumn<QString>("before");  // what made the record match a file, or new
    QTest::addColumn<QString>("entry");
    QTest::newRow("fresh start, exit") << "" << "exit";
    QTest::newRow("saved, new") << "save" << "new";
    QTest::newRow("saved, exit") << "save" << "exit";
    QTest::newRow("opened, open") << "open" << "open";
    QTest::newRow("opened, exit") << "open" << "exit";
    QTest::newRow("made new, game start") << "new" << "game start";
    QTest::newRow("game just started, exit") << "game start" << "exit";
}

void UnsavedTest::nothingToAsk()
{
    QFETCH(QString, before);
    QFETCH(QString, entry);
    if (before == "save") {
        Play("e4 e5");
        services_->fileAnswers << ScriptedServices::FileAnswer{services_->ProgramFolder() + "/saved.pgn", 1};
        Controls().MnuFileOpenSave(3)->trigger();
        QVERIFY(QFile::exists(services_->ProgramFolder() + "/saved.pgn"));
    } else if (!before.isEmpty()) {
        Act(before);
    }
    QCOMPARE(Questions(), 0);
    Act(entry);
    QCOMPARE(Questions(), 0);
    if (entry == "exit")
        QVERIFY(!form_->isVisible());
    form_->Engine().MnuGameEnd_Click();
}

QTEST_MAIN(UnsavedTest)
#include "tst_unsaved.moc"
