#include "DialogDeskGame.h"

#include "WindowServices.h"
#include "records/KifuStore.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace vorlik {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

QPlainTextEdit* TextBox(const char* name, int lines)
{
    auto* box = new QPlainTextEdit;
    box->setObjectName(QString::fromUtf8(name));
    box->setTabChangesFocus(true);
    box->setFixedHeight(box->fontMetrics().lineSpacing() * lines + 12);
    return box;
}

QString LeaveLines(const Leave& leave)
{
    QStringList lines;
    for (const LeavePeriod& period : leave.white)
        lines << Text(LeaveText(true, period));
    for (const LeavePeriod& period : leave.black)
        lines << Text(LeaveText(false, period));
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

DialogDeskGame::DialogDeskGame(WindowServices& services, const std::string& folder, const DeskRow& row,
                               QWidget* parent)
    : QDialog(parent), services_(services), folder_(folder), row_(row)
{
    setObjectName(QStringLiteral("DialogDeskGame"));
    setWindowTitle(QStringLiteral("対局の設定 - ") + Text(row.opponent));
    TextControl = new QLineEdit;
    TextControl->setObjectName(QStringLiteral("TextControl"));
    TextControl->setPlaceholderText(QStringLiteral("例: 10/30 (空欄は一覧全体の持ち時間)"));
    TextLeave = TextBox("TextLeave", 3);
    TextLeave->setPlaceholderText(QStringLiteral("一行に一つ: 白 2026-12-24 2027-01-03"));
    TextAddress = TextBox("TextAddress", 3);
    TextNote = TextBox("TextNote", 4);
    TextReceived = new QLineEdit;
    TextReceived->setObjectName(QStringLiteral("TextReceived"));
    TextReceived->setPlaceholderText(QStringLiteral("例: 2026-01-14 (空欄は相手の発から数えます)"));

    auto* form = new QFormLayout;
    form->addRow(new QLabel(Text("白 " + row.key.white + " ・ 黒 " + row.key.black + " ・ " + row.key.event + " ・ " +
                                 row.file + " " + std::to_string(row.number) + "番")));
    form->addRow(QStringLiteral("持ち時間 (手数/日数)"), TextControl);
    form->addRow(QStringLiteral("休暇"), TextLeave);
    form->addRow(QStringLiteral("手番の手 (%1手目) の着").arg(InHandPly()), TextReceived);
    form->addRow(QStringLiteral("相手の住所"), TextAddress);
    form->addRow(QStringLiteral("メモ"), TextNote);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    OKButton = buttons->button(QDialogButtonBox::Ok);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    connect(OKButton, &QPushButton::clicked, this, &DialogDeskGame::OKButton_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    DeskSettings settings;
    std::string error;
    if (!ReadDeskSettings(folder_, settings, error)) {
        // A file the player edited by hand into something unreadable is his to mend: never written over.
        auto* problem = new QLabel(Text(error));
        problem->setWordWrap(true);
        layout->insertWidget(1, problem);
        OKButton->setEnabled(false);
        return;
    }
    if (const DeskGameSettings* own = SettingsOfKey(settings, row.key)) {
        TextControl->setText(own->control.IsSet() ? Text(TimeControlText(own->control)) : QString());
        TextLeave->setPlainText(LeaveLines(own->leave));
        TextAddress->setPlainText(Text(own->address));
        TextNote->setPlainText(Text(own->note));
        if (own->receipt && own->receipt->ply == InHandPly())  // one for a move since made is gone
            TextReceived->setText(Text(IsoDate(own->receipt->day)));
    }
}

bool DialogDeskGame::ReadBoxes(DeskGameSettings& game, std::string& error) const
{
    const std::string control = Trimmed(TextControl->text().toStdString());
    if (!control.empty() && !ReadTimeControl(control, game.control)) {
        error = "持ち時間「" + Quoted(control) + "」が読めません。「10/30」(10手で30日) のように、手数/日数で書いてください。";
        return false;
    }
    for (const QString& line : TextLeave->toPlainText().split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty() && !ReadLeaveLine(line.toStdString(), game.leave, error))
            return false;
    const std::string received = Trimmed(TextReceived->text().toStdString());
    const BoxDate day = ReadPostalDate(received, LocalToday());
    if (!received.empty() && !day.IsDate()) {
        error = "着「" + Quoted(received) + "」が読めません。「2026-01-14」のように、受け取った日を書いてください。";
        return false;
    }
    if (day.IsDate())
        game.receipt = MoveReceipt{InHandPly(), day.day};
    game.address = TextAddress->toPlainText().toStdString();
    game.note = TextNote->toPlainText().toStdString();
    return true;
}

bool DialogDeskGame::Write(const DeskGameSettings& boxes, std::string& error) const
{
    DeskSettings settings;
    if (!ReadDeskSettings(folder_, settings, error))
        return false;
    // The file as it is now: a game added before this one has moved it.
    KifuFile scan;
    const std::string path = (std::filesystem::path(folder_) / row_.file).string();
    const ScanReport report = ScanKifuFile(scan, row_.kind, path);
    const int n = report.ok ? FindGameOfKey(scan, row_.key) : 0;
    if (n == 0) {
        error = report.ok ? "ファイル「" + row_.file + "」に、このゲームが見当たりません。一覧を更新してください。"
                          : report.message;
        return false;
    }
    DeskGameSettings& entry = SettingsFor(settings, scan, row_.file, n);
    entry.control = boxes.control;
    entry.leave = boxes.leave;
    entry.receipt = boxes.receipt;
    entry.address = boxes.address;
    entry.note = boxes.note;
    return WriteDeskSettings(folder_, settings, error);
}

void DialogDeskGame::OKButton_Click()
{
    DeskGameSettings boxes;
    std::string error;
    if (!ReadBoxes(boxes, error) || !Write(boxes, error)) {
        services_.ShowMessage(this, Text(error + "\n設定は保存しませんでした。"), QStringLiteral("警告"),
                              MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    accept();
}

}  // namespace vorlik
