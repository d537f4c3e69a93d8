// Where an installed program reads its shipped files and keeps the user's
// settings: the choice of folders, the first start's copies (never over a
// file of the user's), the shipped file read where the user has none, and
// the window started that way, with a game file named on its command line.
#include "tests/ui/ScriptedServices.h"

#include "ui/DialogMnuGameEngine.h"
#include "ui/FormMain.h"
#include "ui/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace vorlik;

namespace {

const QByteArray kIni = "Fairy-Max.mek\r\nFalse\r\nFalse\r\n1\r\nFalse\r\nFalse\r\n";
const QByteArray kMek = "Fairy-Max\r\nfairymax\r\n\r\n\r\nst 5\r\nst 20\r\nst 200\r\n\r\n\r\n\r\n 0 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n";

void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray Read(const QString& path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(missing)");
}

// Services whose data and settings folders are two folders, as installed.
class InstalledServices : public test::ScriptedServices {
public:
    ProgramFolders Folders() override { return {root.path() + "/data", root.path() + "/config/vorlik"}; }
    QTemporaryDir root;
};

}  // namespace

class ProgramFoldersTest : public QObject {
    Q_OBJECT
private slots:
    void FindProgramFolders_data();
    void FindProgramFolders();
    void SeedSettingsFolder();
    void InstalledWindow();
};

void ProgramFoldersTest::FindProgramFolders_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("settings");
    // Paths relative to the temporary root; "~" is the home folder.
    QTest::newRow("build tree") << QStringList{"bin/help/index.html", "share/vorlik/Vorlik.ini"} << "/x" << "bin"
                                << "bin";
    QTest::newRow("installed") << QStringList{"share/vorlik/Vorlik.ini"} << "/x" << "share/vorlik" << "/x/vorlik";
    QTest::newRow("installed, no XDG_CONFIG_HOME") << QStringList{"share/vorlik/Vorlik.ini"} << ""
                                                   << "share/vorlik" << "~/.config/vorlik";
    QTest::newRow("relative XDG_CONFIG_HOME is ignored") << QStringList{"share/vorlik/Vorlik.ini"} << "cfg"
                                                         << "share/vorlik" << "~/.config/vorlik";
    QTest::newRow("no data anywhere") << QStringList{"bin/vorlik"} << "/x" << "bin" << "bin";
}

void ProgramFoldersTest::FindProgramFolders()
{
    QFETCH(QStringList, files);
    QFETCH(QString, configHome);
    QFETCH(QString, data);
    QFETCH(QString, settings);
    QTemporaryDir root;
    for (const QString& file : files)
        Write(root.filePath(file), "x");
    QDir().mkpath(root.filePath("bin"));
    const auto expected = [&root](const QString& path) {
        if (path.startsWith('~'))
            return QDir::homePath() + path.mid(1);
        return path.startsWith('/') ? path : root.filePath(path);
    };
    const ProgramFolders found = vorlik::FindProgramFolders(root.filePath("bin"), "../share/vorlik", configHome);
    QCOMPARE(found.Data, expected(data));
    QCOMPARE(found.Settings, expected(settings));
}

void ProgramFoldersTest::SeedSettingsFolder()
{
    QTemporaryDir root;
    const ProgramFolders folders{root.filePath("data"), root.filePath("config/vorlik")};
    for (const char* name : {"Vorlik.ini", "Fairy-Max.mek", "Stockfish.mek"})
        Write(folders.Data + "/" + QLatin1String(name), kMek);
    QFile::setPermissions(folders.Data + "/Stockfish.mek", QFileDevice::ReadOwner | QFileDevice::ReadOther);
    // The user changed one file and added one of his own before his first
    // "Vorlik.ini" was there: both stay as he left them.
    Write(folders.Settings + "/Fairy-Max.mek", "mine");
    Write(folders.Settings + "/Mine.mek", "mine too");
    QString error;
    QVERIFY2(vorlik::SeedSettingsFolder(folders, error), qPrintable(error));
    QCOMPARE(Read(folders.Settings + "/Fairy-Max.mek"), QByteArray("mine"));
    QCOMPARE(Read(folders.Settings + "/Mine.mek"), QByteArray("mine too"));
    QCOMPARE(Read(folders.Settings + "/Stockfish.mek"), kMek);
    QVERIFY(QFileInfo(folders.Settings + "/Stockfish.mek").permissions() & QFileDevice::WriteOwner);
    QCOMPARE(Read(folders.Settings + "/Vorlik.ini"), kMek);

    // Later starts copy nothing: a file the user removed stays removed, and
    // the shipped one is read in its place.
    QFile::remove(folders.Settings + "/Stockfish.mek");
    Write(folders.Data + "/Phalanx.mek", kMek);
    QVERIFY(vorlik::SeedSettingsFolder(folders, error));
    QVERIFY(!QFile::exists(folders.Settings + "/Phalanx.mek"));
    QCOMPARE(SettingsFileToRead(folders, "Stockfish.mek"), folders.Data + "/Stockfish.mek");
    QCOMPARE(SettingsFileToRead(folders, "Mine.mek"), folders.Settings + "/Mine.mek");
    QCOMPARE(SettingsFileToRead(folders, "None.mek"), folders.Settings + "/None.mek");

    // A settings folder that cannot be made is told, naming it.
    Write(root.filePath("file"), "x");
    QVERIFY(!vorlik::SeedSettingsFolder({folders.Data, root.filePath("file/vorlik")}, error));
    QVERIFY(error.contains(root.filePath("file/vorlik")));
}

void ProgramFoldersTest::InstalledWindow()
{
    InstalledServices services;
    const ProgramFolders folders = services.Folders();
    Write(folders.Data + "/Vorlik.ini", kIni);
    Write(folders.Data + "/Fairy-Max.mek", kMek);
    QDir().mkpath(folders.Settings);
    Write(services.root.filePath("games/one.pgn"), "[Event \"A\"]\r\n\r\n1. e4 e5 2. Nf3 *\r\n");

    // Nothing of the user's yet: the shipped settings are read.
    auto window = std::make_unique<FormMain>(services);
    QVERIFY(window->Settings().EngLoaFg);
    QCOMPARE(window->Settings().EngSet.Name, std::string("Fairy-Max"));

    // A file named on the command line, relative to the current folder.
    const QString current = QDir::currentPath();
    QDir::setCurrent(services.root.filePath("games"));
    window->OpenGameFile("one.pgn");
    QDir::setCurrent(current);
    QCOMPARE(window->Game().LastPly, 3);
    QVERIFY(services.shown.isEmpty());
    QCOMPARE(Read(folders.Settings + "/VorlikFolder.ini"), services.root.filePath("games").toUtf8() + "\r\n");

    // The engine settings are looked for in the settings folder.
    window->EngineDialog()->Com_Click(1);
    QCOMPARE(services.fileAsked.last().folder, folders.Settings);

    window->CloseWithoutAsking();
    QCOMPARE(Read(folders.Settings + "/Vorlik.ini"), kIni);
    QCOMPARE(QDir(folders.Data).entryList(QDir::Files).size(), 2);
}

QTEST_MAIN(ProgramFoldersTest)
#include "tst_programfolders.moc"
