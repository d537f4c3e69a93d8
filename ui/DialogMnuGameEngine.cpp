#include "DialogMnuGameEngine.h"

#include "WindowServices.h"
#include "engine/EngineBuilder.h"
#include "engine/UciEngine.h"
#include "records/KifuStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace vorlik {

namespace {

const char kMekFilter[] = "エンジン設定データ (*.mek)|*.mek|すべてのファイル (*.*)|*.*|";
const char kExeFilter[] = "ＥＸＥファイル(*.exe)|*.exe|すべてのファイル (*.*)|*.*|";
constexpr int kAllFiles = 2;  // engines on Linux have no ".exe": all files come first

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

DialogMnuGameEngine::DialogMnuGameEngine(EngineConfig& config, WindowServices& services, QWidget* parent)
    : QDialog(parent), config_(config), services_(services)
{
    setObjectName(QStringLiteral("DialogMnuGameEngine"));
    setWindowTitle(QStringLiteral("エンジン設定"));
    setModal(true);
    BuildControls();
    Com_Click(0);
    opened_ = config_.EngSet;
}

void DialogMnuGameEngine::BuildControls()
{
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(3);
    int row = 0;
    auto label = [this](const char* caption) { return new QLabel(QString::fromUtf8(caption), this); };
    auto box = [this](int k) {
        MnuToolEngine[k] = new QLineEdit(this);
        MnuToolEngine[k]->setObjectName(QStringLiteral("MnuToolEngine(%1)").arg(k));
        return MnuToolEngine[k];
    };
    auto check = [this](const QString& name, const char* caption) {
        auto* checkBox = new QCheckBox(QString::fromUtf8(caption), this);
        checkBox->setObjectName(name);
        return checkBox;
    };
    auto labelled = [&](const char* caption, QWidget* field) {
        grid->addWidget(label(caption), row, 0);
        grid->addWidget(field, row++, 1);
    };
    auto heading = [&](const char* caption) {
        QLabel* shown = label(caption);
        grid->addWidget(shown, row++, 0, 1, 2);
        return shown;
    };

    labelled("エンジンの表示＆ファイル名称：", box(0));
    heading("コマンドライン C:\\Chess\\Chess.exe -book -xboard");
    Com[2] = new QPushButton(QStringLiteral("..."), this);
    Com[2]->setMaximumWidth(Com[2]->fontMetrics().height() * 3);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(box(1), 1);
    pathRow->addWidget(Com[2]);
    grid->addLayout(pathRow, row++, 0, 1, 2);
    grid->addWidget(box(2), row++, 0, 1, 2);
    ComboProtocol = new QComboBox(this);
    ComboProtocol->setObjectName(QStringLiteral("ComboProtocol"));
    ComboProtocol->addItems({QStringLiteral("xboard"), QStringLiteral("UCI")});
    LabelProbe = new QLabel(this);
    LabelProbe->setObjectName(QStringLiteral("LabelProbe"));
    auto* protocolRow = new QHBoxLayout;
    protocolRow->addWidget(ComboProtocol);
    protocolRow->addWidget(LabelProbe, 1);
    grid->addWidget(label("プロトコル ："), row, 0);
    grid->addLayout(protocolRow, row++, 1);
    labelled("最初に送信 ：", box(3));
    labelled("思考レベル１ ：", box(4));
    labelled("レベル２ ：", box(5));
    labelled("レベル３ ：", box(6));
    newGameLabel_ = heading("新規ゲーム ： new");
    heading("エンジン思考 ： go");
    heading("エンジン終了 ： quit");
    heading("エンジンからの送信");
    labelled("move / ... / ", box(7));
    labelled("Illegal move /", box(8));
    labelled("削除ファイル ：", box(9));

    CheckForce = check(QStringLiteral("CheckForce"), "force");
    labelled("エンジン停止 ：", CheckForce);
    CheckModo[0] = check(QStringLiteral("CheckModo(0)"), "undo");
    CheckModo[1] = check(QStringLiteral("CheckModo(1)"), "remove");
    auto* takeBack = new QHBoxLayout;
    takeBack->addWidget(CheckModo[0]);
    takeBack->addWidget(CheckModo[1]);
    takeBack->addStretch();
    grid->addWidget(label("戻る ："), row, 0);
    grid->addLayout(takeBack, row++, 1);
    CheckEdit = check(QStringLiteral("CheckEdit"), "edit");
    labelled("配置 ：", CheckEdit);
    CheckBlack = check(QStringLiteral("CheckBlack"), "black");
    labelled("配置手番 ：", CheckBlack);
    grid->setColumnMinimumWidth(1, 280);

    Com[1] = new QPushButton(QStringLiteral("設定読込み"), this);
    Com[0] = new QPushButton(QStringLiteral("入力消去"), this);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    auto* buttons = new QHBoxLayout;
    for (int k : {1, 0}) {
        Com[k]->setObjectName(QStringLiteral("Com(%1)").arg(k));
        buttons->addWidget(Com[k]);
    }
    Com[2]->setObjectName(QStringLiteral("Com(2)"));
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    // Enter in a box means OK, never the button that happens to have the focus.
    for (QPushButton* button : {Com[0], Com[1], Com[2], CancelButton})
        button->setAutoDefault(false);
    OKButton->setDefault(true);

    for (int k = 0; k < 3; ++k)
        connect(Com[k], &QPushButton::clicked, this, [this, k] { Com_Click(k); });
    for (int k = 0; k < 2; ++k)
        connect(CheckModo[k], &QCheckBox::clicked, this, [this, k] { CheckModo_Click(k); });
    connect(CheckEdit, &QCheckBox::clicked, this, &DialogMnuGameEngine::CheckEdit_Click);
    connect(CheckBlack, &QCheckBox::clicked, this, &DialogMnuGameEngine::CheckBlack_Click);
    connect(OKButton, &QPushButton::clicked, this, &DialogMnuGameEngine::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &DialogMnuGameEngine::CancelButton_Click);
    connect(ComboProtocol, &QComboBox::currentIndexChanged, this,
            [this] { ShowProtocol(ChosenProtocol()); });

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    adjustSize();  // the layout settles before the window exists
}

void DialogMnuGameEngine::ApplyEngSet()
{
    vorlik::ApplyEngSet(config_.EngSet);
    const EngineSettings& set = config_.EngSet;
    for (int k = 0; k < 10; ++k)
        MnuToolEngine[k]->setText(Text(set[k]));
    CheckModo[0]->setChecked(BoxOn(set.UndoBox));
    CheckModo[1]->setChecked(BoxOn(set.RemoveBox));
    CheckEdit->setChecked(BoxOn(set.EditBox));
    CheckBlack->setChecked(BoxOn(set.BlackBox));
    CheckForce->setChecked(BoxOn(set.ForceBox));
    ShowProtocol(set.Protocol);
    emit SettingsApplied();
}

void DialogMnuGameEngine::Com_Click(int index)
{
    if (index == 0) {
        for (int k = 0; k < 10; ++k) {
            config_.EngSet[k].clear();
            MnuToolEngine[k]->clear();
        }
        for (QCheckBox* checkBox : {CheckModo[0], CheckModo[1], CheckEdit, CheckBlack, CheckForce})
            checkBox->setChecked(false);
        EndProbe(QString());
        ShowProtocol(EngineProtocolKind::Xboard);
    } else if (index == 1) {
        int filterIndex = 1;
        const QString folder = services_.Folders().Settings;
        const QString chosen = services_.OpenFileName(this, QStringLiteral("設定読込み"), folder,
                                                      QString::fromUtf8(kMekFilter), &filterIndex);
        if (chosen.isEmpty())
            return;
        // Engine files live in the settings folder (or come with the
        // program): one chosen elsewhere is looked for there by its name.
        const QString name = QFileInfo(chosen).fileName();
        const std::string fileName = SettingsFileToRead(name.toStdString());
        if (!QFileInfo(Text(fileName)).isFile()) {
            Warn(QStringLiteral("エンジン設定ファイル「%1」は設定のフォルダ（%2）にありません。")
                     .arg(Text(QuotedPath(name.toStdString())), Text(QuotedPath(folder.toStdString()))));
            return;
        }
        EngineSettings loaded = config_.EngSet;
        std::string error;
        if (!ReadMekFile(fileName, loaded, error)) {
            Warn(Text(error));
            return;
        }
        config_.EngSet = loaded;
        ApplyEngSet();
        config_.EngLoaFg = true;
        Probe(loaded);
    } else if (index == 2) {
        int filterIndex = kAllFiles;
        const QString path = services_.OpenFileName(this, QStringLiteral("エンジンの選択"), services_.ProgramFolder(),
                                                    QString::fromUtf8(kExeFilter), &filterIndex);
        if (path.isEmpty())
            return;
        config_.EngSet.Path = path.toStdString();
        MnuToolEngine[1]->setText(path);
    }
}

void DialogMnuGameEngine::CheckModo_Click(int index)
{
    if (!CheckModo[0]->isChecked() || !CheckModo[1]->isChecked())
        return;
    CheckModo[1 - index]->setChecked(false);
    CheckModo[index]->setChecked(true);
}

void DialogMnuGameEngine::CheckEdit_Click()
{
    if (!CheckEdit->isChecked())
        CheckBlack->setChecked(false);
}

void DialogMnuGameEngine::CheckBlack_Click()
{
    if (CheckEdit->isChecked())
        return;
    CheckBlack->setChecked(false);
    services_.Beep();
}

void DialogMnuGameEngine::OKButton_Click()
{
    EndProbe(QString());  // the choice shown is the one saved
    if (MnuToolEngine[1]->text().isEmpty()) {
        config_.EngFileName.clear();
        config_.EngLoaFg = false;
    } else if (!SaveEngine()) {
        return;  // told why; the dialog stays open with the edits
    }
    emit WriteIni();
    accept();
}

bool DialogMnuGameEngine::SaveEngine()
{
    const std::string name = MnuToolEngine[0]->text().toStdString();
    std::string error;
    if (!EngineNameIsFileName(name, error)) {
        Warn(Text(error));
        return false;
    }
    const std::string fileName = name + ".mek";
    const std::string path = QDir(services_.Folders().Settings).filePath(Text(fileName)).toStdString();
    const EngineSettings edited = FromBoxes();
    if (!WriteMekFile(path, edited, error)) {
        Warn(Text(error));
        return false;
    }
    config_.EngFileName = fileName;
    // What the file holds is what the engine gets; should it not read back,
    // what was just written is the same settings.
    EngineSettings saved = edited;
    if (!ReadMekFile(path, saved, error)) {
        Warn(Text(error) + QStringLiteral("\n入力された設定をそのまま使います。"));
        saved = edited;
    }
    config_.EngSet = saved;
    ApplyEngSet();
    config_.EngLoaFg = true;
    return true;
}

void DialogMnuGameEngine::CancelButton_Click()
{
    EndProbe(QString());
    if (!config_.EngFileName.empty()) {
        EngineSettings again = config_.EngSet;
        std::string error;
        if (!EngineNameIsFileName(config_.EngFileName, error) ||
            !ReadMekFile(SettingsFileToRead(config_.EngFileName), again, error)) {
            Warn(Text(error) + QStringLiteral("\n設定はこの画面を開いたときのままです。"));
            again = opened_;
        }
        config_.EngSet = again;
        ApplyEngSet();
    }
    QDialog::reject();
}

void DialogMnuGameEngine::reject() { CancelButton_Click(); }

void DialogMnuGameEngine::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        opened_ = config_.EngSet;
    QDialog::showEvent(event);
}

EngineSettings DialogMnuGameEngine::FromBoxes() const
{
    EngineSettings set = config_.EngSet;
    for (int k = 0; k < 10; ++k)
        set[k] = MnuToolEngine[k]->text().toStdString();
    set.UndoBox = BoxText(CheckModo[0]->isChecked());
    set.RemoveBox = BoxText(CheckModo[1]->isChecked());
    set.EditBox = BoxText(CheckEdit->isChecked());
    set.BlackBox = BoxText(CheckBlack->isChecked());
    set.ForceBox = BoxText(CheckForce->isChecked());
    set.Protocol = ChosenProtocol();
    return set;
}

void DialogMnuGameEngine::ShowProtocol(EngineProtocolKind protocol)
{
    const bool uci = protocol == EngineProtocolKind::Uci;
    ComboProtocol->setCurrentIndex(uci ? 1 : 0);
    newGameLabel_->setText(QStringLiteral("新規ゲーム ： ") + (uci ? "ucinewgame" : "new"));
    // A UCI engine's levels are "go" arguments; an empty one thinks as the default does.
    for (int k = 4; k <= 6; ++k)
        MnuToolEngine[k]->setPlaceholderText(uci ? QString::fromUtf8(kUciDefaultGo) : QString());
}

EngineProtocolKind DialogMnuGameEngine::ChosenProtocol() const
{
    return ComboProtocol->currentIndex() == 1 ? EngineProtocolKind::Uci : EngineProtocolKind::Xboard;
}

void DialogMnuGameEngine::Probe(const EngineSettings& set)
{
    EndProbe(QStringLiteral("（UCI か確かめています…）"));
    probe_ = new EngineProbe(this);
    connect(probe_, &EngineProbe::found, this, &DialogMnuGameEngine::ProbeAnswered);
    connect(probe_, &EngineProbe::failed, this,
            [this] { EndProbe(QStringLiteral("（エンジンが起動できません）")); });
    probe_->start(set, services_.ProgramFolder());
}

void DialogMnuGameEngine::ProbeAnswered(EngineProtocolKind protocol)
{
    if (protocol != EngineProtocolKind::Uci) {
        EndProbe(QStringLiteral("（uciok の返事はありません）"));
        return;
    }
    config_.EngSet.Protocol = protocol;
    ShowProtocol(protocol);
    EndProbe(QStringLiteral("（uciok：UCI のエンジンです）"));
}

void DialogMnuGameEngine::EndProbe(const QString& said)
{
    LabelProbe->setText(said);
    if (!probe_)
        return;
    // It may be telling its answer right now: it goes once that is over,
    // and the engine with it.
    probe_->disconnect(this);
    probe_->deleteLater();
    probe_ = nullptr;
    emit ProbeFinished();
}

std::string DialogMnuGameEngine::SettingsFileToRead(const std::string& name) const
{
    return vorlik::SettingsFileToRead(services_.Folders(), Text(name)).toStdString();
}

void DialogMnuGameEngine::Warn(const QString& text)
{
    services_.ShowMessage(this, text, QStringLiteral("警告"), MessageIcon::Error, MessageButtons::Ok);
}

}  // namespace vorlik
