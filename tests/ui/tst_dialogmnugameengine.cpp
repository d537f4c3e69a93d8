// The engine-settings dialog and the game-start dialog as a user meets them,
// offscreen: the check-box rules, saving, loading and browsing with real
// files in a program folder of the test's own, Cancel, and the cases where
// the files are not what the dialog expects.
#include "ScriptedServices.h"

#include "ui/DialogMnuGameEngine.h"
#include "ui/DialogMnuGameStart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

// Also keeps which entry of the type list each file dialog was opened with.
class Services : public ScriptedServices {
public:
    QList<int> filterIndexIn;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                         int* filterIndex) override
    {
        filterIndexIn << (filterIndex ? *filterIndex : 0);
        return ScriptedServices::OpenFileName(parent, title, folder, filter, filterIndex);
    }
};

const QString kMekFilter = QStringLiteral("エンジン設定データ (*.mek)|*.mek|すべてのファイル (*.*)|*.*|");
const QString kExeFilter = QStringLiteral("ＥＸＥファイル(*.exe)|*.exe|すべてのファイル (*.*)|*.*|");

QByteArray Crlf(const QList<QByteArray>& lines)
{
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

// A ".mek" file of 15 lines: name, path, the level commands and the boxes.
QByteArray Mek(const QByteArray& name, const QByteArray& path, const QByteArray& boxes = "00000")
{
    QList<QByteArray> lines = {name, path, "", "xboard", "sd 1", "sd 2", "sd 3", "", "", ""};
    for (const char box : boxes)
        lines << QByteArray(" ") + box + " ";
    return Crlf(lines);
}

QString Boxes(const DialogMnuGameEngine& dialog)  // undo remove edit black force as 0/1
{
    QString states;
    for (const QCheckBox* box :
         {dialog.CheckModo[0], dialog.CheckModo[1], dialog.CheckEdit, dialog.CheckBlack, dialog.CheckForce})
        states += box->isChecked() ? '1' : '0';
    return states;
}

}  // namespace

class DialogMnuGameEngineTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controls();
    void clickRules_data();
    void clickRules();
    void okWritesFile_data();
    void okWritesFile();
    void okReadsBack();
    void okWithoutPath();
    void okRefusesName_data();
    void okRefusesName();
    void okReplacesFile();
    void okWriteFails();
    void modalOkAndEscape();
    void loadButton_data();
    void loadButton();
    void loadButtonAsksTheEngine_data();
    void loadButtonAsksTheEngine();
    void browseButton();
    void clearButton();
    void cancelRestores_data();
    void cancelRestores();
    void cancelWithoutFile();
    void cancelFileGone_data();
    void cancelFileGone();

    void startChoices_data();
    void startChoices();
    void startAsksAfresh();

private:
    QString Folder() const { return services_->ProgramFolder(); }
    QString InFolder(const QString& name) const { return QDir(Folder()).filePath(name); }
    bool Put(const QString& path, const QByteArray& bytes);
    QByteArray Get(const QString& path) const;
    void Fill(const QString& name, const QString& path);
    // A current engine "cur.mek" loaded as the window does at start-up.
    void LoadCurrent(const QByteArray& bytes);

    std::unique_ptr<Services> services_;
    EngineConfig config_;
    std::unique_ptr<DialogMnuGameEngine> dialog_;
};

void DialogMnuGameEngineTest::init()
{
    services_ = std::make_unique<Services>();
    QVERIFY(services_->programFolder.isValid());
    config_ = EngineConfig();
    dialog_ = std::make_unique<DialogMnuGameEngine>(config_, *services_);
}

void DialogMnuGameEngineTest::cleanup()
{
    dialog_.reset();
    services_.reset();
}

bool DialogMnuGameEngineTest::Put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray DialogMnuGameEngineTest::Get(const QString& path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void DialogMnuGameEngineTest::Fill(const QString& name, const QString& path)
{
    dialog_->MnuToolEngine[0]->setText(name);
    dialog_->MnuToolEngine[1]->setText(path);
    dialog_->MnuToolEngine[3]->setText(QStringLiteral("xboard"));
    for (int k = 4; k <= 6; ++k)
        dialog_->MnuToolEngine[k]->setText(QStringLiteral("sd %1").arg(k - 3));
}

void DialogMnuGameEngineTest::LoadCurrent(const QByteArray& bytes)
{
    QVERIFY(Put(InFolder("cur.mek"), bytes));
    std::string error;
    QVERIFY2(ReadMekFile(InFolder("cur.mek").toStdString(), config_.EngSet, error), error.c_str());
    config_.EngFileName = "cur.mek";
    config_.EngLoaFg = true;
    dialog_->ApplyEngSet();
}

void DialogMnuGameEngineTest::controls()
{
    // Construction clears the ten entries and the boxes, and nothing else.
    EngineConfig config;
    for (int k = 0; k < kEngSetSize; ++k)
        config.EngSet[k] = "x";
    config.EngSet.Style = "3";
    config.EngFileName = "a.mek";
    config.EngLoaFg = true;
    DialogMnuGameEngine dialog(config, *services_);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("エンジン設定"));
    for (int k = 0; k < 10; ++k) {
        QCOMPARE(config.EngSet[k], std::string());
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("MnuToolEngine(%1)").arg(k)), dialog.MnuToolEngine[k]);
        QVERIFY(dialog.MnuToolEngine[k]->text().isEmpty());
    }
    for (int k = 10; k < kEngSetSize; ++k)
        QCOMPARE(config.EngSet[k], std::string(k == 20 ? "3" : "x"));
    QCOMPARE(config.EngFileName, std::string("a.mek"));
    QVERIFY(config.EngLoaFg);
    QCOMPARE(Boxes(dialog), QStringLiteral("00000"));

    const QList<QPair<QString, QString>> named = {
        {"Com(0)", "入力消去"}, {"Com(1)", "設定読込み"}, {"Com(2)", "..."},   {"CheckModo(0)", "undo"},
        {"CheckModo(1)", "remove"}, {"CheckEdit", "edit"}, {"CheckBlack", "black"}, {"CheckForce", "force"},
        {"OKButton", "OK"},       {"CancelButton", "ｷｬﾝｾﾙ"}};
    for (const auto& [name, caption] : named) {
        auto* button = dialog.findChild<QAbstractButton*>(name);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->text(), caption);
    }
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    for (const char* caption :
         {"エンジンの表示＆ファイル名称：", "コマンドライン C:\\Chess\\Chess.exe -book -xboard", "最初に送信 ：",
          "思考レベル１ ：", "レベル２ ：", "レベル３ ：", "新規ゲーム ： new", "エンジン思考 ： go",
          "エンジン終了 ： quit", "エンジンからの送信", "move / ... / ", "Illegal move /", "削除ファイル ：",
          "エンジン停止 ：", "戻る ：", "配置 ：", "配置手番 ："})
        QVERIFY2(labels.contains(QString::fromUtf8(caption)), caption);
}

void DialogMnuGameEngineTest::clickRules_data()
{
    QTest::addColumn<QString>("clicks");  // u undo, r remove, e edit, b black, f force
    QTest::addColumn<QString>("boxes");   // undo remove edit black force afterwards
    QTest::addColumn<int>("beeps");
    QTest::newRow("remove after undo") << "ur" << "01000" << 0;
    QTest::newRow("undo after remove") << "ru" << "10000" << 0;
    QTest::newRow("undo off again") << "uu" << "00000" << 0;
    QTest::newRow("both off allowed") << "urr" << "00000" << 0;
    QTest::newRow("black without edit") << "b" << "00000" << 1;
    QTest::newRow("black with edit") << "eb" << "00110" << 0;
    QTest::newRow("edit off takes black") << "ebe" << "00000" << 0;
    QTest::newRow("black after edit went") << "ebeb" << "00000" << 1;
    QTest::newRow("force alone") << "f" << "00001" << 0;
}

void DialogMnuGameEngineTest::clickRules()
{
    QFETCH(QString, clicks);
    QFETCH(QString, boxes);
    QFETCH(int, beeps);
    dialog_->show();
    for (const QChar c : clicks) {
        QCheckBox* box = c == 'u' ? dialog_->CheckModo[0]
                       : c == 'r' ? dialog_->CheckModo[1]
                       : c == 'e' ? dialog_->CheckEdit
                       : c == 'b' ? dialog_->CheckBlack
                                  : dialog_->CheckForce;
        box->click();
    }
    QCOMPARE(Boxes(*dialog_), boxes);
    QCOMPARE(services_->beeps, beeps);
}

void DialogMnuGameEngineTest::okWritesFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QByteArray>("boxLines");
    QTest::addColumn<QString>("takeBack");
    QTest::newRow("all off") << "Fairy" << "" << QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n") << "";
    QTest::newRow("undo then remove") << "Fairy" << "ur" << QByteArray(" 0 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n")
                                      << "remove";
    QTest::newRow("edit black force") << "Fairy" << "ebf" << QByteArray(" 0 \r\n 0 \r\n 1 \r\n 1 \r\n 1 \r\n") << "";
    QTest::newRow("Japanese name") << QString::fromUtf8("東京") << "u"
                                   << QByteArray(" 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n") << "undo";
    QTest::newRow("empty name") << "" << "" << QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n") << "";
}

void DialogMnuGameEngineTest::okWritesFile()
{
    QFETCH(QString, name);
    QFETCH(QString, clicks);
    QFETCH(QByteArray, boxLines);
    QFETCH(QString, takeBack);
    QSignalSpy writeIni(dialog_.get(), &DialogMnuGameEngine::WriteIni);
    QSignalSpy applied(dialog_.get(), &DialogMnuGameEngine::SettingsApplied);
    dialog_->show();
    Fill(name, QStringLiteral("/usr/games/fairymax"));
    for (const QChar c : clicks)
        (c == 'u' ? dialog_->CheckModo[0] : c == 'r' ? dialog_->CheckModo[1] : c == 'e' ? dialog_->CheckEdit
                                          : c == 'b' ? dialog_->CheckBlack : dialog_->CheckForce)
            ->click();
    QTest::mouseClick(dialog_->OKButton, Qt::LeftButton);

    QVERIFY(!dialog_->isVisible());
    const QString fileName = name + ".mek";
    const QByteArray nameBytes = name == "Fairy" || name.isEmpty() ? name.toLatin1() : QByteArray("\x93\x8c\x8b\x9e");
    QCOMPARE(Get(InFolder(fileName)), Crlf({nameBytes, "/usr/games/fairymax", "", "xboard", "sd 1", "sd 2", "sd 3",
                                            "", "", ""}) + boxLines);
    QCOMPARE(QString::fromStdString(config_.EngFileName), fileName);
    QVERIFY(config_.EngLoaFg);
    QCOMPARE(QString::fromStdString(config_.EngSet.TakeBack), takeBack);
    QCOMPARE(QString::fromStdString(config_.EngSet.Name), name);
    QCOMPARE(config_.EngSet.LevelCommand(2), std::string("sd 2"));
    QCOMPARE(writeIni.count(), 1);
    QVERIFY(applied.count() >= 1);
    QCOMPARE(services_->shown.size(), 0);
    QCOMPARE(QDir(Folder()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void DialogMnuGameEngineTest::okReadsBack()
{
    // What the engine gets is what the file holds: a line end pasted into a
    // box would have shifted the lines, the file has a blank instead.
    dialog_->show();
    Fill(QStringLiteral("Fairy"), QStringLiteral("/usr/games/fairymax"));
    dialog_->MnuToolEngine[2]->setText(QStringLiteral("-a\n-b"));
    dialog_->OKButton->click();
    QCOMPARE(config_.EngSet.Arguments, std::string("-a -b"));
    QCOMPARE(config_.EngSet.FirstCommand, std::string("xboard"));
    QCOMPARE(dialog_->MnuToolEngine[2]->text(), QStringLiteral("-a -b"));
}

void DialogMnuGameEngineTest::okWithoutPath()
{
    LoadCurrent(Mek("Old", "/bin/old"));
    QSignalSpy writeIni(dialog_.get(), &DialogMnuGameEngine::WriteIni);
    dialog_->show();
    dialog_->MnuToolEngine[0]->setText(QStringLiteral("New"));
    dialog_->MnuToolEngine[1]->clear();
    dialog_->OKButton->click();
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(config_.EngFileName, std::string());
    QVERIFY(!config_.EngLoaFg);
    QCOMPARE(writeIni.count(), 1);
    QCOMPARE(QDir(Folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"cur.mek"});
    QCOMPARE(Get(InFolder("cur.mek")), Mek("Old", "/bin/old"));
}

void DialogMnuGameEngineTest::okRefusesName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("climbs out") << "../evil";
    QTest::newRow("absolute") << "/tmp/evil";
    QTest::newRow("subfolder") << "sub/evil";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("tab") << "ev\til";
    QTest::newRow("line end") << "ev\nil";
}

void DialogMnuGameEngineTest::okRefusesName()
{
    QFETCH(QString, name);
    // The program folder sits inside a folder of the test's own, so that a
    // file written beside it would be seen.
    QTemporaryDir root;
    QDir(root.path()).mkpath("program/sub");
    struct RootServices : Services {
        QString folder;
        QString ProgramFolder() override { return folder; }
    } services;
    services.folder = root.filePath("program");
    DialogMnuGameEngine dialog(config_, services);
    config_.EngFileName = "cur.mek";
    QSignalSpy writeIni(&dialog, &DialogMnuGameEngine::WriteIni);
    dialog.show();
    dialog.MnuToolEngine[0]->setText(name);
    dialog.MnuToolEngine[1]->setText(QStringLiteral("/usr/games/fairymax"));
    dialog.OKButton->click();

    QVERIFY(dialog.isVisible());
    QCOMPARE(services.shown.size(), 1);
    QCOMPARE(services.shown[0].title, QStringLiteral("警告"));
    QCOMPARE(services.shown[0].icon, MessageIcon::Error);
    QCOMPARE(writeIni.count(), 0);
    QCOMPARE(config_.EngFileName, std::string("cur.mek"));
    QVERIFY(!config_.EngLoaFg);
    QCOMPARE(QDir(root.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(services.folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(services.folder + "/sub").entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(!QFile::exists("/tmp/evil.mek"));
}

void DialogMnuGameEngineTest::okReplacesFile()
{
    // An older, longer description of the same engine is replaced whole,
    // and nothing of the replacing is left beside it.
    QVERIFY(Put(InFolder("Fairy.mek"), Mek("Fairy", "/a/much/longer/path/than/the/new/one", "11111") + "junk\r\n"));
    dialog_->show();
    Fill(QStringLiteral("Fairy"), QStringLiteral("/bin/fm"));
    dialog_->OKButton->click();
    QCOMPARE(Get(InFolder("Fairy.mek")), Crlf({"Fairy", "/bin/fm", "", "xboard", "sd 1", "sd 2", "sd 3", "", "", "",
                                               " 0 ", " 0 ", " 0 ", " 0 ", " 0 "}));
    QCOMPARE(QDir(Folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"Fairy.mek"});
}

void DialogMnuGameEngineTest::okWriteFails()
{
    // A folder where the file should go: the save fails, the user is told,
    // and the edits stay in the open dialog.
    LoadCurrent(Mek("Old", "/bin/old"));
    QVERIFY(QDir(Folder()).mkdir("Fairy.mek"));
    QSignalSpy writeIni(dialog_.get(), &DialogMnuGameEngine::WriteIni);
    dialog_->show();
    Fill(QStringLiteral("Fairy"), QStringLiteral("/bin/fm"));
    dialog_->OKButton->click();
    QVERIFY(dialog_->isVisible());
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(writeIni.count(), 0);
    QCOMPARE(config_.EngFileName, std::string("cur.mek"));
    QCOMPARE(config_.EngSet.Name, std::string("Old"));
    QCOMPARE(dialog_->MnuToolEngine[0]->text(), QStringLiteral("Fairy"));
}

void DialogMnuGameEngineTest::modalOkAndEscape()
{
    Fill(QStringLiteral("Fairy"), QStringLiteral("/bin/fm"));
    QTimer::singleShot(0, dialog_.get(), [this] { dialog_->OKButton->click(); });
    QCOMPARE(dialog_->exec(), int(QDialog::Accepted));
    QVERIFY(QFile::exists(InFolder("Fairy.mek")));

    dialog_->MnuToolEngine[0]->setText(QStringLiteral("Edited"));
    QTimer::singleShot(0, dialog_.get(), [this] { QTest::keyClick(dialog_->MnuToolEngine[0], Qt::Key_Escape); });
    QCOMPARE(dialog_->exec(), int(QDialog::Rejected));
    QCOMPARE(dialog_->MnuToolEngine[0]->text(), QStringLiteral("Fairy"));  // read again from "Fairy.mek"
}

void DialogMnuGameEngineTest::loadButton_data()
{
    QTest::addColumn<QString>("where");   // "folder", "elsewhere", "" (the dialog cancelled)
    QTest::addColumn<bool>("inFolder");   // a "pick.mek" in the program folder
    QTest::addColumn<QByteArray>("inFolderBytes");
    QTest::addColumn<QString>("loadedName");  // "" nothing loaded
    QTest::addColumn<int>("messages");
    const QByteArray pick = Mek("Picked", "/bin/picked", "01101");
    QTest::newRow("in the folder") << "folder" << true << pick << "Picked" << 0;
    QTest::newRow("chosen elsewhere, found by name") << "elsewhere" << true << pick << "Picked" << 0;
    QTest::newRow("chosen elsewhere, not in the folder") << "elsewhere" << false << QByteArray() << "" << 1;
    QTest::newRow("cancelled") << "" << true << pick << "" << 0;
    QTest::newRow("box no number") << "folder" << true << QByteArray(pick).replace(" 1 ", "yes") << "" << 1;
    QTest::newRow("12 lines") << "folder" << true << pick.left(pick.lastIndexOf(" 1 \r\n 0 \r\n 1 \r\n"))
                              << "Picked" << 0;
}

void DialogMnuGameEngineTest::loadButton()
{
    QFETCH(QString, where);
    QFETCH(bool, inFolder);
    QFETCH(QByteArray, inFolderBytes);
    QFETCH(QString, loadedName);
    QFETCH(int, messages);
    LoadCurrent(Mek("Old", "/bin/old", "10010"));
    config_.EngLoaFg = false;
    if (inFolder)
        QVERIFY(Put(InFolder("pick.mek"), inFolderBytes));
    QTemporaryDir elsewhere;
    QVERIFY(Put(elsewhere.filePath("pick.mek"), Mek("Elsewhere", "/bin/elsewhere")));
    if (where == "folder")
        services_->fileAnswers << ScriptedServices::FileAnswer{InFolder("pick.mek"), 1};
    else if (where == "elsewhere")
        services_->fileAnswers << ScriptedServices::FileAnswer{elsewhere.filePath("pick.mek"), 1};
    QSignalSpy applied(dialog_.get(), &DialogMnuGameEngine::SettingsApplied);
    dialog_->show();
    dialog_->Com[1]->click();

    QCOMPARE(services_->fileAsked.size(), 1);
    QCOMPARE(services_->fileAsked[0].filter, kMekFilter);
    QCOMPARE(services_->fileAsked[0].folder, Folder());
    QCOMPARE(services_->filterIndexIn, QList<int>{1});
    QCOMPARE(services_->shown.size(), messages);
    const bool loaded = !loadedName.isEmpty();
    QCOMPARE(config_.EngLoaFg, loaded);
    QCOMPARE(applied.count(), loaded ? 1 : 0);
    QCOMPARE(config_.EngFileName, std::string("cur.mek"));  // the next OK saves under the display name
    QCOMPARE(dialog_->MnuToolEngine[0]->text(), loaded ? loadedName : QStringLiteral("Old"));
    QCOMPARE(QString::fromStdString(config_.EngSet.Name), loaded ? loadedName : QStringLiteral("Old"));
    if (QTest::currentDataTag() == QByteArray("12 lines"))
        QCOMPARE(Boxes(*dialog_), QStringLiteral("01010"));  // 13..15 as they were
    else
        QCOMPARE(Boxes(*dialog_), loaded ? QStringLiteral("01101") : QStringLiteral("10010"));
    QVERIFY(dialog_->isVisible());
}

// "設定読込み" asks the engine of the file whether it speaks UCI, while the
// dialog stays usable; an engine that answers "uciok" is set to UCI, and OK
// writes the protocol line. Any other answer leaves the file's choice.
void DialogMnuGameEngineTest::loadButtonAsksTheEngine_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QByteArray>("protocolLine");  // of the file read
    QTest::addColumn<bool>("uci");                 // chosen afterwards
    QTest::newRow("a UCI engine") << VORLIK_SCRIPTED_UCI_ENGINE << QByteArray() << true;
    QTest::newRow("an engine that does not answer") << VORLIK_SCRIPTED_ENGINE << QByteArray() << false;
    QTest::newRow("a UCI file, no engine") << "/no/such/engine" << QByteArray("protocol=uci\r\n") << true;
}

void DialogMnuGameEngineTest::loadButtonAsksTheEngine()
{
    QFETCH(QString, engine);
    QFETCH(QByteArray, protocolLine);
    QFETCH(bool, uci);
    QVERIFY(Put(InFolder("pick.mek"), Mek("Picked", engine.toUtf8(), "01101") + protocolLine));
    services_->fileAnswers << ScriptedServices::FileAnswer{InFolder("pick.mek"), 1};
    QSignalSpy finished(dialog_.get(), &DialogMnuGameEngine::ProbeFinished);
    dialog_->show();
    dialog_->Com[1]->click();
    QCOMPARE(dialog_->ComboProtocol->currentText(), protocolLine.isEmpty() ? QString("xboard") : QString("UCI"));
    QVERIFY(QTest::qWaitFor([&] { return !dialog_->Probing(); }, 30000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(dialog_->ComboProtocol->currentText(), uci ? QString("UCI") : QString("xboard"));
    QCOMPARE(config_.EngSet.Protocol == EngineProtocolKind::Uci, uci);
    dialog_->OKButton->click();
    QCOMPARE(Get(InFolder("Picked.mek")).endsWith("protocol=uci\r\n"), uci);
}

void DialogMnuGameEngineTest::browseButton()
{
    dialog_->show();
    dialog_->MnuToolEngine[1]->setText(QStringLiteral("/old/engine"));
    services_->fileAnswers << ScriptedServices::FileAnswer{QStringLiteral("/usr/games/fairymax"), 2};
    dialog_->Com[2]->click();
    QCOMPARE(services_->fileAsked.size(), 1);
    QCOMPARE(services_->fileAsked[0].filter, kExeFilter);
    QCOMPARE(services_->fileAsked[0].folder, Folder());
    QCOMPARE(services_->filterIndexIn, QList<int>{2});
    QCOMPARE(dialog_->MnuToolEngine[1]->text(), QStringLiteral("/usr/games/fairymax"));
    QCOMPARE(config_.EngSet.Path, std::string("/usr/games/fairymax"));

    dialog_->Com[2]->click();  // cancelled: the path stays
    QCOMPARE(dialog_->MnuToolEngine[1]->text(), QStringLiteral("/usr/games/fairymax"));
    QCOMPARE(services_->shown.size(), 0);
}

void DialogMnuGameEngineTest::clearButton()
{
    LoadCurrent(Mek("Old", "/bin/old", "11111"));
    config_.EngSet.Style = "2";
    dialog_->show();
    dialog_->Com[0]->click();
    for (int k = 0; k < 10; ++k) {
        QVERIFY(dialog_->MnuToolEngine[k]->text().isEmpty());
        QCOMPARE(config_.EngSet[k], std::string());
    }
    QCOMPARE(Boxes(*dialog_), QStringLiteral("00000"));
    for (int k = 10; k < 15; ++k)
        QCOMPARE(config_.EngSet[k], std::string(" 1 "));
    QCOMPARE(config_.EngSet.ForceCommand, std::string("force"));
    QCOMPARE(config_.EngSet.Style, std::string("2"));
    QCOMPARE(config_.EngFileName, std::string("cur.mek"));
    QVERIFY(config_.EngLoaFg);
}

void DialogMnuGameEngineTest::cancelRestores_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("button") << "button";
    QTest::newRow("escape") << "escape";
    QTest::newRow("close") << "close";
}

void DialogMnuGameEngineTest::cancelRestores()
{
    QFETCH(QString, how);
    LoadCurrent(Mek("Cur", "/bin/cur", "00101"));
    QSignalSpy writeIni(dialog_.get(), &DialogMnuGameEngine::WriteIni);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    dialog_->MnuToolEngine[0]->setText(QStringLiteral("Edited"));
    dialog_->MnuToolEngine[5]->setText(QStringLiteral("sd 99"));
    dialog_->CheckForce->click();
    dialog_->CheckModo[0]->click();
    if (how == "button")
        QTest::mouseClick(dialog_->CancelButton, Qt::LeftButton);
    else if (how == "escape")
        QTest::keyClick(dialog_->MnuToolEngine[5], Qt::Key_Escape);
    else
        dialog_->close();

    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->MnuToolEngine[0]->text(), QStringLiteral("Cur"));
    QCOMPARE(dialog_->MnuToolEngine[5]->text(), QStringLiteral("sd 2"));
    QCOMPARE(Boxes(*dialog_), QStringLiteral("00101"));
    QCOMPARE(config_.EngSet.ForceCommand, std::string("force"));
    QCOMPARE(config_.EngSet.TakeBack, std::string());
    QCOMPARE(writeIni.count(), 0);
    QCOMPARE(services_->shown.size(), 0);
    QCOMPARE(Get(InFolder("cur.mek")), Mek("Cur", "/bin/cur", "00101"));
}

void DialogMnuGameEngineTest::cancelWithoutFile()
{
    dialog_->show();
    dialog_->MnuToolEngine[0]->setText(QStringLiteral("Edited"));
    dialog_->CancelButton->click();
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->MnuToolEngine[0]->text(), QStringLiteral("Edited"));
    QCOMPARE(services_->shown.size(), 0);
    QCOMPARE(QDir(Folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void DialogMnuGameEngineTest::cancelFileGone_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("a folder now") << "folder";
    QTest::newRow("broken box") << "broken";
}

void DialogMnuGameEngineTest::cancelFileGone()
{
    // The current file goes away while the dialog is open, after another
    // file was loaded into it: Cancel keeps the engine of the moment the
    // dialog was opened, and says why.
    QFETCH(QString, what);
    LoadCurrent(Mek("Cur", "/bin/cur", "01001"));
    QVERIFY(Put(InFolder("other.mek"), Mek("Other", "/bin/other", "10110")));
    services_->fileAnswers << ScriptedServices::FileAnswer{InFolder("other.mek"), 1};
    dialog_->show();
    dialog_->Com[1]->click();
    QCOMPARE(config_.EngSet.Name, std::string("Other"));
    QVERIFY(QFile::remove(InFolder("cur.mek")));
    if (what == "folder")
        QVERIFY(QDir(Folder()).mkdir("cur.mek"));
    else if (what == "broken")
        QVERIFY(Put(InFolder("cur.mek"), QByteArray(Mek("Cur", "/bin/cur")).replace(" 0 ", "x")));
    dialog_->CancelButton->click();

    QVERIFY(!dialog_->isVisible());
    QCOMPARE(services_->shown.size(), 1);
    QCOMPARE(services_->shown[0].title, QStringLiteral("警告"));
    QCOMPARE(services_->shown[0].icon, MessageIcon::Error);
    QCOMPARE(config_.EngSet.Name, std::string("Cur"));
    QCOMPARE(config_.EngSet.Path, std::string("/bin/cur"));
    QCOMPARE(config_.EngSet.TakeBack, std::string("remove"));
    QCOMPARE(config_.EngSet.ForceCommand, std::string("force"));
    QCOMPARE(dialog_->MnuToolEngine[0]->text(), QStringLiteral("Cur"));
    QCOMPARE(Boxes(*dialog_), QStringLiteral("01001"));
    QVERIFY(config_.EngLoaFg);
}

void DialogMnuGameEngineTest::startChoices_data()
{
    QTest::addColumn<bool>("canContinue");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("choice");
    QTest::newRow("OK as opened") << true << "ok" << int(GameStartChoice::NewGame);
    QTest::newRow("continue") << true << "pick ok" << int(GameStartChoice::FromPosition);
    QTest::newRow("continue not possible") << false << "pick ok" << int(GameStartChoice::NewGame);
    QTest::newRow("Enter") << true << "enter" << int(GameStartChoice::NewGame);
    QTest::newRow("cancel") << true << "cancel" << int(GameStartChoice::Cancel);
    QTest::newRow("cancel after pick") << true << "pick cancel" << int(GameStartChoice::Cancel);
    QTest::newRow("escape") << true << "escape" << int(GameStartChoice::Cancel);
    QTest::newRow("close") << false << "close" << int(GameStartChoice::Cancel);
}

void DialogMnuGameEngineTest::startChoices()
{
    QFETCH(bool, canContinue);
    QFETCH(QString, action);
    QFETCH(int, choice);
    DialogMnuGameStart dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("ゲーム開始"));
    QCOMPARE(dialog.OptiGS[0]->text(), QStringLiteral("新規にゲーム開始"));
    QCOMPARE(dialog.OptiGS[1]->text(), QStringLiteral("現在局面からゲーム開始"));
    QCOMPARE(dialog.CancelButton->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    bool acted = false;
    QTimer::singleShot(0, &dialog, [&] {
        acted = true;
        QCOMPARE(dialog.OptiGS[0]->isChecked(), true);
        QCOMPARE(dialog.OptiGS[0]->isEnabled(), true);
        QCOMPARE(dialog.OptiGS[1]->isEnabled(), canContinue);
        if (action.startsWith("pick"))
            QTest::mouseClick(dialog.OptiGS[1], Qt::LeftButton, {}, QPoint(8, dialog.OptiGS[1]->height() / 2));
        if (action.endsWith("ok"))
            QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        else if (action.endsWith("cancel"))
            QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
        else if (action == "enter")
            QTest::keyClick(&dialog, Qt::Key_Return);
        else if (action == "escape")
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
    });
    // Should the action not end the dialog, end it so the test fails rather than hangs.
    QTimer::singleShot(5000, &dialog, [&] { dialog.done(99); });
    QCOMPARE(int(dialog.Ask(canContinue)), choice);
    QVERIFY(acted);
    QVERIFY(!dialog.isVisible());
}

void DialogMnuGameEngineTest::startAsksAfresh()
{
    // A game from the board chosen last time is not the answer next time,
    // nor when continuing has become impossible.
    DialogMnuGameStart dialog;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.OptiGS[1]->click();
        dialog.OKButton->click();
    });
    QCOMPARE(dialog.Ask(true), GameStartChoice::FromPosition);
    dialog.Form_Load(false);
    QVERIFY(dialog.OptiGS[0]->isChecked());
    QVERIFY(!dialog.OptiGS[1]->isEnabled());
    dialog.OKButton_Click();
    QCOMPARE(dialog.Choice(), GameStartChoice::NewGame);
    dialog.Form_Load(true);
    QVERIFY(dialog.OptiGS[0]->isChecked());
    QVERIFY(dialog.OptiGS[1]->isEnabled());
}

QTEST_MAIN(DialogMnuGameEngineTest)
#include "tst_dialogmnugameengine.moc"
