// The engine settings on disk: ".mek" files and "Vorlik.ini" written byte
// for byte and read back, short and broken files, the encodings and line
// ends a user's editor may leave, and the names an engine may be saved under.
#include "engine/EngineSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace vorlik;

namespace {

const QByteArray kTokyo = "\x93\x8c\x8b\x9e";  // "東京" in CP932

QByteArray Crlf(const QList<QByteArray>& lines)
{
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

EngineSettings Sample()
{
    EngineSettings set;
    const char* texts[] = {"Fairy", "/usr/games/fairymax", " -x", "xboard", "sd 2", "sd 4", "sd 8",
                           "My move is: ", "Error", "*.tmp"};
    for (int k = 0; k < kFirstBox; ++k)
        set[k] = texts[k];
    for (int k = kFirstBox; k < kMekLines; ++k)
        set[k] = BoxText(false);
    return set;
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::string Path(const QString& name) const { return dir_.filePath(name).toStdString(); }
    void Put(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray Get(const QString& name) const
    {
        QFile file(dir_.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private slots:
    void init() { QVERIFY(dir_.isValid()); }

    void mekBytes_data();
    void mekBytes();
    void roundTrip_data();
    void roundTrip();
    void shortFileKeepsTheRest_data();
    void shortFileKeepsTheRest();
    void boxLines_data();
    void boxLines();
    void protocolLine_data();
    void protocolLine();
    void derived_data();
    void derived();
    void indexOutOfRange();
    void iniBytes();
    void iniLines_data();
    void iniLines();
    void loadEngine_data();
    void loadEngine();
    void filesRefused_data();
    void filesRefused();
    void names_data();
    void names();
};

void TestSettings::mekBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QList<bool>>("boxes");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray middle = "/usr/games/fairymax\r\n";
    const QByteArray rest = "xboard\r\nsd 2\r\nsd 4\r\nsd 8\r\nMy move is: \r\nError\r\n*.tmp\r\n";
    const QByteArray off = " 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n";
    QTest::newRow("all off") << "Fairy" << " -x" << QList<bool>{false, false, false, false, false}
                             << "Fairy\r\n" + middle + " -x\r\n" + rest + off;
    QTest::newRow("boxes by line") << "Fairy" << " -x" << QList<bool>{true, false, true, false, true}
                                   << "Fairy\r\n" + middle + " -x\r\n" + rest + " 1 \r\n 0 \r\n 1 \r\n 0 \r\n 1 \r\n";
    QTest::newRow("CP932 name") << QString::fromUtf8("東京") << " -x" << QList<bool>{false, false, false, false, false}
                                << kTokyo + "\r\n" + middle + " -x\r\n" + rest + off;
    // CP932 has no chess king: the whole file goes UTF-8 instead of losing it.
    QTest::newRow("UTF-8 fallback") << QString::fromUtf8("東京♔") << " -x"
                                    << QList<bool>{false, false, false, false, false}
                                    << QString::fromUtf8("東京♔").toUtf8() + "\r\n" + middle + " -x\r\n" + rest + off;
    // A line end pasted into a box would shift every later line.
    QTest::newRow("line end in a box") << "Fairy" << " -x\r\n-y" << QList<bool>{false, false, false, false, false}
                                       << "Fairy\r\n" + middle + " -x  -y\r\n" + rest + off;
}

void TestSettings::mekBytes()
{
    QFETCH(QString, name);
    QFETCH(QString, arguments);
    QFETCH(QList<bool>, boxes);
    QFETCH(QByteArray, expected);
    EngineSettings set = Sample();
    set.Name = name.toStdString();
    set.Arguments = arguments.toStdString();
    for (int k = 0; k < 5; ++k)
        set[kFirstBox + k] = boxes[k] ? "1" : "0";  // written in the file's own form whatever memory holds
    std::string error;
    QVERIFY2(WriteMekFile(Path("e.mek"), set, error), error.c_str());
    QCOMPARE(Get("e.mek"), expected);
    QCOMPARE(MekLines(set).size(), std::size_t(kMekLines));
}

void TestSettings::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CP932") << Crlf({kTokyo, "/opt/" + kTokyo + "/engine", "", "xboard", "st 1", "", "st 30", "",
                                    "", "", " 1 ", " 0 ", " 1 ", " 1 ", " 0 "});
    QTest::newRow("UTF-8") << Crlf({"\xe2\x99\x94 King", "/bin/king", " -a", "", "", "", "", "move ", "", "", " 0 ",
                                    " 1 ", " 0 ", " 0 ", " 1 "});
    QTest::newRow("blanks kept") << Crlf({" Fairy ", "/usr/games/fairymax", "  ", " ", "sd 2 ", "", "", ". ... ",
                                          "", "", " 0 ", " 0 ", " 0 ", " 0 ", " 0 "});
}

void TestSettings::roundTrip()
{
    QFETCH(QByteArray, bytes);
    Put("in.mek", bytes);
    EngineSettings set;
    std::string error;
    QVERIFY2(ReadMekFile(Path("in.mek"), set, error), error.c_str());
    QVERIFY2(WriteMekFile(Path("out.mek"), set, error), error.c_str());
    QCOMPARE(Get("out.mek"), bytes);
}

void TestSettings::shortFileKeepsTheRest_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("lines");
    QTest::newRow("12 lines") << Crlf({"New", "/bin/new", "", "", "", "", "", "", "", "", " 1 ", " 1 "}) << 12;
    QTest::newRow("12 lines, LF") << QByteArray("New\n/bin/new\n\n\n\n\n\n\n\n\n 1 \n 1 \n") << 12;
    QTest::newRow("12 lines, CR, no last end") << QByteArray("New\r/bin/new\r\r\r\r\r\r\r\r\r 1 \r 1 ") << 12;
    QTest::newRow("2 lines") << Crlf({"New", "/bin/new"}) << 2;
    QTest::newRow("17 lines") << Crlf({"New", "/bin/new", "", "", "", "", "", "", "", "", " 1 ", " 1 ", " 1 ", " 1 ",
                                       " 1 ", "extra", "extra"})
                              << 15;
}

void TestSettings::shortFileKeepsTheRest()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, lines);
    Put("short.mek", bytes);
    EngineSettings set = Sample();
    set.EditBox = set.BlackBox = set.ForceBox = BoxText(true);
    std::string error;
    QVERIFY2(ReadMekFile(Path("short.mek"), set, error), error.c_str());
    const EngineSettings before = Sample();
    QCOMPARE(set.Name, std::string("New"));
    QCOMPARE(set.Path, std::string("/bin/new"));
    for (int k = 2; k < kMekLines; ++k) {
        const std::string kept = k < kFirstBox + 2 ? before[k] : BoxText(true);
        QCOMPARE(set[k], k < lines ? std::string(k < kFirstBox ? "" : " 1 ") : kept);
    }
    QCOMPARE(set.EditCommand, std::string("edit"));  // derived from the entry kept
}

void TestSettings::boxLines_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("on");
    QTest::newRow("written on") << " 1 " << true << true;
    QTest::newRow("written off") << " 0 " << true << false;
    QTest::newRow("bare") << "1" << true << true;
    QTest::newRow("tabs") << "\t0\t" << true << false;
    QTest::newRow("signed") << " +1 " << true << true;
    QTest::newRow("other number") << " 2 " << true << true;
    QTest::newRow("word") << " on " << false << false;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("trailing letter") << " 1x " << false << false;
    QTest::newRow("decimal") << "1.5" << false << false;
    QTest::newRow("blank in number") << "1 0" << false << false;
    QTest::newRow("too large") << "99999999999" << false << false;
}

void TestSettings::boxLines()
{
    QFETCH(QString, box);
    QFETCH(bool, readable);
    QFETCH(bool, on);
    QCOMPARE(BoxValue(box.toStdString()).has_value(), readable);
    QCOMPARE(BoxOn(box.toStdString()), on);
    // The box on line 13 decides whether the file is taken at all; a bad one
    // leaves every entry as it was.
    Put("box.mek", Crlf({"Other", "/bin/other", "", "", "", "", "", "", "", "", " 0 ", " 0 ", box.toUtf8(), " 0 ",
                         " 0 "}));
    EngineSettings set = Sample();
    std::string error;
    QCOMPARE(ReadMekFile(Path("box.mek"), set, error), readable);
    QCOMPARE(set.Name, std::string(readable ? "Other" : "Fairy"));
    QCOMPARE(set.EditCommand, std::string(on ? "edit" : ""));
    if (!readable)
        QVERIFY(!error.empty());
}

// A 16th line names a UCI engine; a file without it is the game's command
// set and is written back in its 15 lines, so older readers still read it.
void TestSettings::protocolLine_data()
{
    QTest::addColumn<QByteArrayList>("extra");  // after the 15 lines
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("uci");
    QTest::newRow("15 lines") << QByteArrayList{} << true << false;
    QTest::newRow("uci") << QByteArrayList{"protocol=uci"} << true << true;
    QTest::newRow("letter case and blanks") << QByteArrayList{" PROTOCOL=UCI "} << true << true;
    QTest::newRow("xboard named") << QByteArrayList{"protocol=xboard"} << true << false;
    QTest::newRow("blank 16th line") << QByteArrayList{""} << true << false;
    QTest::newRow("16th line of something else") << QByteArrayList{"extra"} << true << false;
    QTest::newRow("unknown protocol") << QByteArrayList{"protocol=cecp"} << false << false;
    QTest::newRow("lines after it") << QByteArrayList{"protocol=uci", "anything"} << true << true;
}

void TestSettings::protocolLine()
{
    QFETCH(QByteArrayList, extra);
    QFETCH(bool, readable);
    QFETCH(bool, uci);
    QByteArrayList lines{"Other", "/bin/other", "", "", "", "", "", "", "", "", " 0 ", " 0 ", " 0 ", " 0 ", " 0 "};
    Put("protocol.mek", Crlf(lines + extra));
    EngineSettings set = Sample();
    std::string error;
    QCOMPARE(ReadMekFile(Path("protocol.mek"), set, error), readable);
    QCOMPARE(set.Protocol == EngineProtocolKind::Uci, uci);
    QCOMPARE(MekLines(set).size(), std::size_t(uci ? kMekLines + 1 : kMekLines));
}

void TestSettings::derived_data()
{
    QTest::addColumn<QList<bool>>("boxes");  // undo, remove, edit, black, force
    QTest::addColumn<QStringList>("derived");  // 15..19
    QTest::newRow("none") << QList<bool>{false, false, false, false, false} << QStringList{"", "", "", "", ""};
    QTest::newRow("undo") << QList<bool>{true, false, false, false, false} << QStringList{"undo", "", "", "", ""};
    QTest::newRow("remove") << QList<bool>{false, true, false, false, false} << QStringList{"remove", "", "", "", ""};
    QTest::newRow("undo and remove") << QList<bool>{true, true, false, false, false}
                                     << QStringList{"remove", "", "", "", ""};
    QTest::newRow("edit black force") << QList<bool>{false, false, true, true, true}
                                      << QStringList{"", "", "edit", "black", "force"};
}

void TestSettings::derived()
{
    QFETCH(QList<bool>, boxes);
    QFETCH(QStringList, derived);
    EngineSettings set = Sample();
    for (int k = 15; k <= 19; ++k)
        set[k] = "stale";
    for (int k = 0; k < 5; ++k)
        set[kFirstBox + k] = BoxText(boxes[k]);
    ApplyEngSet(set);
    for (int k = 15; k <= 19; ++k)
        QCOMPARE(QString::fromStdString(set[k]), derived[k - 15]);
    QCOMPARE(set.TakeBack, set[15]);
    QCOMPARE(set.ForceCommand, set[19]);
}

void TestSettings::indexOutOfRange()
{
    EngineSettings set;
    QCOMPARE(&set[20], &set.Style);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, set[21]);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, set[-1]);
}

void TestSettings::iniBytes()
{
    VorlikIni ini;
    ini.EngFileName = "東京.mek";
    ini.Turn = true;
    ini.Style = "3";
    ini.KifuWrite = true;
    std::string error;
    QVERIFY2(Vorlik_iniFile(dir_.path().toStdString(), ini, error), error.c_str());
    QCOMPARE(Get("Vorlik.ini"), Crlf({kTokyo + ".mek", "True", "False", "3", "False", "True"}));
}

void TestSettings::iniLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("readable");
    QTest::addColumn<QString>("applied");  // name, then T/F for 2 3 5 6 around the style
    QTest::newRow("whole") << QStringList{"a.mek", "True", "False", "2", "True", "False"} << 6 << "a.mek TF2TF";
    QTest::newRow("any case, blanks") << QStringList{"a.mek", " true ", "FALSE", " 4 ", "tRuE", "false"} << 6
                                      << "a.mek TF4TF";
    QTest::newRow("integers") << QStringList{"", "-1", "0", "1", "7", "0"} << 6 << " TF1TF";
    QTest::newRow("bad Boolean on 3") << QStringList{"a.mek", "True", "yes", "2", "True", "True"} << 2
                                      << "a.mek TF1FF";
    QTest::newRow("style out of range") << QStringList{"a.mek", "True", "True", "5", "True", "True"} << 3
                                        << "a.mek TT1FF";
    QTest::newRow("style not a number") << QStringList{"a.mek", "False", "True", "x", "True", "True"} << 3
                                        << "a.mek FT1FF";
    QTest::newRow("four lines") << QStringList{"b.mek", "True", "True", "3"} << 4 << "b.mek TT3FF";
    QTest::newRow("empty file") << QStringList{} << 0 << " FF1FF";
}

void TestSettings::iniLines()
{
    QFETCH(QStringList, lines);
    QFETCH(int, readable);
    QFETCH(QString, applied);
    std::vector<std::string> text;
    for (const QString& line : lines)
        text.push_back(line.toStdString());
    VorlikIni ini;
    QCOMPARE(ReadVorlikIniLines(text, ini), readable);
    const auto flag = [](bool on) { return on ? QStringLiteral("T") : QStringLiteral("F"); };
    QCOMPARE(QString::fromStdString(ini.EngFileName) + " " + flag(ini.Turn) + flag(ini.Sound) +
                 QString::fromStdString(ini.Style) + flag(ini.Win120DPI) + flag(ini.KifuWrite),
             applied);
}

void TestSettings::loadEngine_data()
{
    QTest::addColumn<QByteArray>("iniBytes");  // empty: no "Vorlik.ini"
    QTest::addColumn<QString>("mekName");
    QTest::addColumn<QByteArray>("mekBytes");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("fileName");  // EngFileName afterwards
    QTest::addColumn<QString>("style");     // EngSet(20) afterwards
    QTest::addColumn<bool>("turn");         // line 2 applied
    const QByteArray mek = Crlf({"Loaded", "/bin/loaded", "", "", "sd 1", "sd 2", "sd 3", "", "", "", " 0 ", " 1 ",
                                 " 0 ", " 0 ", " 1 "});
    const QByteArray good = Crlf({"e.mek", "True", "True", "3", "False", "True"});
    QTest::newRow("whole") << good << "e.mek" << mek << true << "e.mek" << "3" << true;
    QTest::newRow("missing engine file") << good << "other.mek" << mek << false << "e.mek" << "3" << true;
    QTest::newRow("no ini") << QByteArray() << "e.mek" << mek << false << "" << "1" << false;
    QTest::newRow("ini of 3 lines") << Crlf({"e.mek", "True", "True"}) << "e.mek" << mek << false << "e.mek"
                                    << "1" << true;
    QTest::newRow("bad Boolean on 5") << Crlf({"e.mek", "True", "True", "2", "maybe", "True"}) << "e.mek" << mek
                                      << false << "e.mek" << "2" << true;
    QTest::newRow("no engine") << Crlf({"", "True", "True", "4", "False", "True"}) << "e.mek" << mek << false << ""
                               << "4" << true;
    QTest::newRow("box no number") << good << "e.mek" << QByteArray(mek).replace(" 1 ", "on") << false << "e.mek"
                                   << "3" << true;
    QTest::newRow("CR line ends") << QByteArray(good).replace("\r\n", "\r") << "e.mek"
                                  << QByteArray(mek).replace("\r\n", "\r") << true << "e.mek" << "3" << true;
    QTest::newRow("LF line ends") << QByteArray(good).replace("\r\n", "\n") << "e.mek"
                                  << QByteArray(mek).replace("\r\n", "\n") << true << "e.mek" << "3" << true;
    QTest::newRow("CP932 file name") << QByteArray(good).replace("e.mek", kTokyo + ".mek")
                                     << QString::fromUtf8("東京.mek") << mek << true << QString::fromUtf8("東京.mek")
                                     << "3" << true;
    QTest::newRow("name in UTF-8") << QByteArray(good).replace("e.mek", "\xe6\x9d\xb1\xe4\xba\xac.mek")
                                   << QString::fromUtf8("東京.mek") << mek << true << QString::fromUtf8("東京.mek")
                                   << "3" << true;
    QTest::newRow("name outside the folder") << QByteArray(good).replace("e.mek", "../e.mek") << "e.mek" << mek
                                             << false << "" << "3" << true;
    QTest::newRow("name in a subfolder") << QByteArray(good).replace("e.mek", "sub/e.mek") << "sub/e.mek" << mek
                                         << false << "" << "3" << true;
}

void TestSettings::loadEngine()
{
    QFETCH(QByteArray, iniBytes);
    QFETCH(QString, mekName);
    QFETCH(QByteArray, mekBytes);
    QFETCH(bool, loaded);
    QFETCH(QString, fileName);
    QFETCH(QString, style);
    QFETCH(bool, turn);
    // The program folder is a subfolder, so that "../e.mek" exists outside it.
    QTemporaryDir root;
    QDir(root.path()).mkpath("program/sub");
    const QString folder = root.filePath("program");
    const auto put = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    if (!iniBytes.isEmpty())
        put(folder + "/Vorlik.ini", iniBytes);
    put(folder + "/" + mekName, mekBytes);
    put(root.filePath("e.mek"), mekBytes);

    EngineConfig config;
    config.EngLoaFg = true;
    config.EngSet = Sample();
    VorlikIni ini;
    std::string problem;
    QCOMPARE(LoadEngine(folder.toStdString(), config, ini, problem), loaded);
    QCOMPARE(config.EngLoaFg, loaded);
    QCOMPARE(QString::fromStdString(config.EngFileName), fileName);
    QCOMPARE(QString::fromStdString(config.EngSet.Style), style);
    QCOMPARE(ini.Turn, turn);
    QCOMPARE(config.EngSet.Name, std::string(loaded ? "Loaded" : "Fairy"));
    QCOMPARE(config.EngSet.TakeBack, std::string(loaded ? "remove" : ""));
    QCOMPARE(config.EngSet.ForceCommand, std::string(loaded ? "force" : ""));
}

// A settings file that is no settings file is refused before it is read and
// the start goes on: a FIFO would wait for a writer for ever, a device or a
// huge line would be read without end. A missing one stays quiet.
void TestSettings::filesRefused_data()
{
    QTest::addColumn<QString>("file");  // the one made strange
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("outcome");  // told, quiet or loaded
    QTest::newRow("ini a folder") << "Vorlik.ini" << "folder" << "told";
    QTest::newRow("ini a link to the zero device") << "Vorlik.ini" << "zero" << "told";
    QTest::newRow("ini huge") << "Vorlik.ini" << "huge" << "told";
    QTest::newRow("mek huge") << "e.mek" << "huge" << "told";
    QTest::newRow("mek line too long") << "e.mek" << "long line" << "told";
    QTest::newRow("mek long path") << "e.mek" << "long path" << "loaded";
    QTest::newRow("mek missing") << "e.mek" << "missing" << "quiet";
    QTest::newRow("mek a FIFO") << "e.mek" << "fifo" << "told";
    QTest::newRow("ini a FIFO") << "Vorlik.ini" << "fifo" << "told";
}

void TestSettings::filesRefused()
{
    QFETCH(QString, file);
    QFETCH(QString, kind);
    QFETCH(QString, outcome);
    const QString tag = QTest::currentDataTag();
    const QString folder = dir_.filePath(tag);
    const QString path = folder + "/" + file;
    QVERIFY(QDir().mkpath(folder));
    Put(tag + "/Vorlik.ini", Crlf({"e.mek", "True", "True", "2", "False", "False"}));
    const QByteArray arguments(kMaxSettingsLine + (kind == "long line" ? 1 : 0), '/');
    Put(tag + "/" + file, kind == "huge" ? QByteArray(100 * 1024, 'x')
                             : Crlf({"Big", "/bin/big", arguments, "", "", "", "", "", "", "", " 0 ", " 0 ", " 0 ",
                                     " 0 ", " 0 "}));
    if (kind == "folder" || kind == "zero" || kind == "fifo" || kind == "missing")
        QVERIFY(QFile::remove(path));
    if (kind == "folder")
        QVERIFY(QDir().mkpath(path));
    else if (kind == "zero")
        QVERIFY(QFile::link("/dev/zero", path));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);

    EngineConfig config;
    VorlikIni ini;
    std::string problem;
    QCOMPARE(LoadEngine(folder.toStdString(), config, ini, problem), outcome == "loaded");
    QCOMPARE(problem.empty(), outcome != "told");
    QVERIFY2(problem.empty() || problem.find(file.toStdString()) != std::string::npos, problem.c_str());
    QCOMPARE(ini.Turn, file == "e.mek");  // what was readable is applied
}

void TestSettings::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("plain") << "Fairy-Max 5.0" << true;
    QTest::newRow("Japanese") << QString::fromUtf8("東京エンジン") << true;
    QTest::newRow("empty") << "" << true;  // saved as ".mek"
    QTest::newRow("blanks") << "  " << true;
    QTest::newRow("dots inside") << "v1..2" << true;
    QTest::newRow("ends in a dot") << "Crafty." << true;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("climbs") << "../../etc/x" << false;
    QTest::newRow("absolute") << "/tmp/x" << false;
    QTest::newRow("tab") << "a\tb" << false;
    QTest::newRow("line end") << "a\nb" << false;
    QTest::newRow("delete") << "a\x7f" << false;
}

void TestSettings::names()
{
    QFETCH(QString, name);
    QFETCH(bool, allowed);
    std::string why = "stale";
    QCOMPARE(EngineNameIsFileName(name.toStdString(), why), allowed);
    QCOMPARE(why.empty(), allowed);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
